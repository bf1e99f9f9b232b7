// The media layer's FSSpec: a file that
// exists or could be created, named by its path. Building one checks the name
// without touching the file, so a writer can refuse a bad target before it
// replaces anything.
#pragma once

#include <string>

#include "platform/movie/Status.h"

namespace zeb::movie {

struct FSSpec {
  std::string utf8Path;
};

// kNotFound when `utf8Path` is empty, names a folder, or its folder does not exist.
Status NativePathNameToFSSpec(const std::string& utf8Path, FSSpec& target);

}  // namespace zeb::movie
