#include "tests/host/TestPlugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

TestPlugin::TestPlugin() {
  // Resident once loaded: libavutil, which the plug-in links, keeps memory
  // it allocates at load in its static data, and unloading it would hand that
  // to the leak checker.
  module_ = dlopen(Path().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
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

HostObject::HostObject(const TestPlugin& plugin, uint32_t create, uint32_t destroy)
    : plugin_(plugin), handle_(plugin.Get<void* (*)()>(create)()), destroy_(destroy) {
  EXPECT_NE(handle_, nullptr);
}

HostObject::~HostObject() { EXPECT_EQ(plugin_.Get<uint32_t (*)(void*)>(destroy_)(handle_), 0u); }

uint32_t NativeWord(std::span<const uint8_t> bytes, size_t at, size_t width) {
  uint32_t word = 0;
  EXPECT_LE(at + width, bytes.size());
  if (at + width <= bytes.size()) std::memcpy(&word, bytes.data() + at, width);
  return word;
}
