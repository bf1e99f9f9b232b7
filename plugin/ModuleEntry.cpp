// Load hook: records the library's own path and does nothing else; the media
// layer starts on the first LoadQuickTime call, not here.
#include "core/ModulePath.h"

namespace {

__attribute__((constructor)) void OnLibraryLoad() {
  RecordModulePath(reinterpret_cast<const void*>(&OnLibraryLoad));
}

}  // namespace
