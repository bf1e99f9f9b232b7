#include "core/ModulePath.h"

#include <algorithm>

#include "platform/sys/ModulePath.h"
#include "platform/sys/Utf.h"

namespace {

// Written once by the load hook before any other call can run.
char16_t g_module_path[kModulePathUnits] = {};

}  // namespace

void RecordModulePath(const void* address) {
  const std::u16string path = zeb::sys::Utf8ToUtf16(zeb::sys::ModulePathOf(address));
  const size_t units = std::min(path.size(), kModulePathUnits - 1);
  std::copy_n(path.begin(), units, g_module_path);
  g_module_path[units] = u'\0';
}

const char16_t* ModulePath() { return g_module_path; }

std::u16string ModuleFolder() {
  const std::u16string_view path(g_module_path);
  return std::u16string(path.substr(0, path.rfind(u'/') + 1));
}
