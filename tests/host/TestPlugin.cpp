#include "tests/host/TestPlugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <stdexcept>

TestPlugin::TestPlugin() {
  module_ = dlopen(Path().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_ == nullptr) throw std::runtime_error(dlerror());
  lookup_ =
      reinterpret_cast<PFN_ZEBPlugGetProcByOrdinal>(dlsym(module_, "ZEBPlugGetProcByOrdinal"));
  if (lookup_ == nullptr) throw std::runtime_error("no ZEBPlugGetProcByOrdinal export");
}

TestPlugin::~TestPlugin() { dlclose(module_); }

std::string TestPlugin::Path() { return ZEB_PLUGIN_PATH; }

void* TestPlugin::Required(uint32_t ordinal) const {
  void* function = Lookup(ordinal);
  EXPECT_NE(function, nullptr) << "empty slot at ordinal " << ordinal;
  return function;
}
