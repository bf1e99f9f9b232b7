// The plug-in as a test host sees it: loaded with dlopen from the build
// folder, functions resolved by ordinal.
#pragma once

#include <cstdint>
#include <string>

#include "zebplug/ZEBPlug.h"

class TestPlugin {
 public:
  TestPlugin();
  ~TestPlugin();
  TestPlugin(const TestPlugin&) = delete;
  TestPlugin& operator=(const TestPlugin&) = delete;

  static std::string Path();

  // The slot's function, or null for an empty slot.
  void* Lookup(uint32_t ordinal) const { return lookup_(ordinal); }

  // Typed lookup; the test fails (and returns null) on an empty slot.
  template <typename Function>
  Function Get(uint32_t ordinal) const {
    return reinterpret_cast<Function>(Required(ordinal));
  }

 private:
  void* Required(uint32_t ordinal) const;

  void* module_ = nullptr;
  PFN_ZEBPlugGetProcByOrdinal lookup_ = nullptr;
};
