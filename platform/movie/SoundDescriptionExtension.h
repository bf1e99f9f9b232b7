// Extension atoms of a sound description held in a handle (header fields in
// native order, extension atoms big-endian, as the media layer hands them
// out). The extensions lie between the end of the header for the
// description's version and the size in its first word.
#pragma once

#include <cstdint>

#include "platform/movie/Handle.h"

namespace zeb::movie {

// A new handle in `extension` with the payload (the bytes after the 8-byte
// atom header) of the first extension atom of `type`, such as 'wave' or
// 'esds'. kNotFound when there is none; `extension` is then null.
Status GetSoundDescriptionExtension(Handle description, uint32_t type, Handle& extension);

// Appends an atom of `type` holding the bytes of `extension` after the
// description's last byte, growing the handle (it may move) and the size in
// its first word.
Status AddSoundDescriptionExtension(Handle description, Handle extension, uint32_t type);

}  // namespace zeb::movie
