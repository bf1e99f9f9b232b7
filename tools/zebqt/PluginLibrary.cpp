#include "tools/zebqt/PluginLibrary.h"

#include "tools/zebqt/ExecutableFolder.h"

#include <dlfcn.h>

#include "tools/zebqt/Failure.h"

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
  // Resident once loaded: libavutil, which the plug-in links, keeps memory
  // it allocates at load in its static data, and unloading it would hand that
  // to the leak checker.
  module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module_ == nullptr)
    throw Failure(kExitPlugin, std::string("cannot load plug-in: ") + dlerror());
  lookup_ =
      reinterpret_cast<PFN_ZEBPlugGetProcByOrdinal>(dlsym(module_, "ZEBPlugGetProcByOrdinal"));
  if (lookup_ == nullptr) {
    dlclose(module_);
    throw Failure(kExitPlugin, path + " has no ZEBPlugGetProcByOrdinal export");
  }
}

PluginLibrary::~PluginLibrary() { dlclose(module_); }

void* PluginLibrary::Lookup(uint32_t ordinal) const { return lookup_(ordinal); }

void* PluginLibrary::RequireSlot(uint32_t ordinal) const {
  void* function = Lookup(ordinal);
  if (function == nullptr) {
    throw Failure(kExitPlugin, "the plug-in has no function at ordinal " + std::to_string(ordinal));
  }
  return function;
}

void* PluginLibrary::RequireNamed(const char* name) const {
  void* function = dlsym(module_, name);
  if (function == nullptr) throw Failure(kExitPlugin, std::string("the plug-in has no ") + name);
  return function;
}

std::string DefaultPluginPath() { return ExecutableFolder() + "libZEBPlugQuickTimeLibU.so"; }
