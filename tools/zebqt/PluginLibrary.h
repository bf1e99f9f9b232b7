// The plug-in as a host sees it: loaded by path with dlopen, every family
// function resolved through the ordinal lookup export.
#pragma once

#include <cstdint>
#include <string>

#include "zebplug/ZEBPlug.h"

class PluginLibrary {
 public:
  // Loads the library; throws a Failure (kExitPlugin) with dlerror's text.
  explicit PluginLibrary(const std::string& path);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  const std::string& path() const { return path_; }

  // A function the plug-in exports by name; throws a Failure (kExitPlugin)
  // when it has none.
  void* RequireNamed(const char* name) const;

  // The function behind `ordinal`, or null for an empty slot.
  void* Lookup(uint32_t ordinal) const;

  // Like Lookup, typed; throws a Failure (kExitPlugin) when the slot is empty.
  template <typename Function>
  Function Require(uint32_t ordinal) const {
    return reinterpret_cast<Function>(RequireSlot(ordinal));
  }

 private:
  void* RequireSlot(uint32_t ordinal) const;

  std::string path_;
  void* module_ = nullptr;
  PFN_ZEBPlugGetProcByOrdinal lookup_ = nullptr;
};

// The plug-in beside the running executable.
std::string DefaultPluginPath();
