// The plug-in as a test host sees it: loaded with dlopen from the build
// folder, functions resolved by ordinal.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "zebplug/ZEBPlug.h"

// A four-character code as the records carry it: "apcn" is 'a' << 24 | ...
constexpr uint32_t Code(std::string_view tag) {
  uint32_t code = 0;
  for (const char c : tag) code = (code << 8) | static_cast<uint8_t>(c);
  return code;
}

// The `width`-byte word at `at` of a record or block in the machine's order.
uint32_t NativeWord(std::span<const uint8_t> bytes, size_t at, size_t width = 4);

// Records as a host fills them: the library's defaults, then these fields.
// Video is of the QuickTime type, 16:9 and progressive; audio's block align
// and bit rate follow from the rest.
SPlugVideoStreamInfo VideoRecord(uint32_t fourcc, uint32_t width, uint32_t height, uint32_t rateNum,
                                 uint32_t rateDen, uint32_t gopSize = 12);
SPlugAudioStreamInfo AudioRecord(uint32_t code, uint32_t channels, uint32_t bits, uint32_t rate,
                                 uint32_t type = PLUG_AUDIO_TYPE_QUICKTIME_);
// A stream record of the library's defaults carrying `video` or `audio`.
SPlugStreamInfo StreamRecord(const SPlugVideoStreamInfo& video);
SPlugStreamInfo StreamRecord(const SPlugAudioStreamInfo& audio);

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

// A test with the plug-in loaded; suites name it through an alias.
class PluginTest : public ::testing::Test {
 protected:
  TestPlugin plugin_;
};

// One object of a family behind its handle, made by the `create` ordinal and
// ended by `destroy`, which must answer 0; Call hands the handle first.
class HostObject {
 public:
  HostObject(const TestPlugin& plugin, uint32_t create, uint32_t destroy);
  ~HostObject();
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  template <typename Function, typename... Arguments>
  uint32_t Call(uint32_t ordinal, Arguments... arguments) const {
    return plugin_.Get<Function>(ordinal)(handle_, arguments...);
  }

 protected:
  const TestPlugin& plugin_;

 private:
  void* handle_;
  uint32_t destroy_;
};
