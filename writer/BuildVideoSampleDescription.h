// Builds the image description that every sample of a written video track
// carries: the 86-byte header, then the extension atoms of its codec. The
// header fields are in the machine's order and the atoms big-endian, as the
// movie layer hands descriptions over and takes them for writing.
#pragma once

#include "platform/movie/Handle.h"
#include "writer/VideoDescriptionRequest.h"
#include "zebplug/ZEBPlugRecords.h"

// A new handle, owned by the caller (zeb::movie::DisposeHandle); null only
// when memory runs out. With a preset description the handle is a copy of
// the preset's whole handle. `video` supplies the DNxHD sub-type and may be
// null. The description's own length (its first word) may be less than the
// handle's size.
zeb::movie::Handle BuildVideoSampleDescription(const VideoDescriptionRequest& request,
                                               const SPlugVideoStreamInfo* video);
