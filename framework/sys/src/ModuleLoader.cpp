// Module loading over the dynamic linker. Each module is resolved fully at
// load and kept private to its handle, as a separately loaded plug-in is.
#include <dlfcn.h>

#include <string>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "platform/sys/Utf.h"

namespace {

constexpr wchar_t kSource[] = L"ZEBSoftCodecSys";

void TraceLoaderError(const wchar_t* what) {
  const char* reason = dlerror();
  ZEB_OutputW(kSource, ZEB_INFO_TRACE, L"%s: %S", what, reason ? reason : "unknown error");
}

}  // namespace

extern "C" {

// `reserved` and `flags` have no Linux meaning and are accepted as given.
void* ZEB_LoadModuleExW(const wchar_t* path, uint32_t /*reserved*/, uint32_t /*flags*/) {
  if (!path || !*path) return nullptr;
  const std::string utf8 = zeb::sys::WideToUtf8(path);
  void* module = dlopen(utf8.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) TraceLoaderError(L"ZEB_LoadModuleExW");
  return module;
}

void* ZEB_GetFunction(void* module, const char* name) {
  if (!module || !name) return nullptr;
  dlerror();
  void* address = dlsym(module, name);
  if (!address) TraceLoaderError(L"ZEB_GetFunction");
  return address;
}

void ZEB_CloseModule(void* module) {
  if (module) dlclose(module);
}

}  // extern "C"
