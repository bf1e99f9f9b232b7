// The plug-in as a host drives it: the named exports, the ordinal table,
// library information and the reader family's constants.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "tests/host/LogCapture.h"
#include "tests/host/TestPlugin.h"

namespace {

// True when all of `text` reads as `format` (strptime's): the compiler's
// "Mmm dd yyyy" and "hh:mm:ss" stamps.
bool Reads(const char* text, const char* format) {
  std::tm parts{};
  const char* end = strptime(text, format, &parts);
  return end != nullptr && *end == '\0';
}

TEST(PluginExports, NamedExportsAreTheOrdinalSlots) {
  TestPlugin plugin;
  void* module = dlopen(TestPlugin::Path().c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(module, nullptr);
  const std::pair<const char*, uint32_t> named[] = {{"TQGetLibInfo", 602},
                                                    {"EraseCustomSettingMemory", 700},
                                                    {"GetVideoCodecCustomSetting", 701},
                                                    {"GetAudioCodecCustomSetting", 702},
                                                    {"LoadQuickTime", 1000}};
  for (const auto& [name, ordinal] : named) {
    EXPECT_EQ(dlsym(module, name), plugin.Lookup(ordinal)) << name;
  }
  dlclose(module);
}

TEST(PluginExports, SlotsOutsideTheFamiliesAreEmpty) {
  TestPlugin plugin;
  for (const uint32_t ordinal : {0u, 12u, 100u, 112u, 199u, 212u, 312u, 399u, 432u, 499u, 512u,
                                 599u, 603u, 699u, 703u, 999u, 1001u, 0xFFFFFFFFu}) {
    EXPECT_EQ(plugin.Lookup(ordinal), nullptr) << ordinal;
  }
}

TEST(LibInfo, QueryLibInfoAnswers) {
  TestPlugin plugin;
  const auto query = plugin.Get<PFN_QueryLibInfo>(ZEB_ORD_QueryLibInfo);
  struct Case {
    const char* name;
    bool null_anchor;
    uint32_t info_class, item, result;
    uint32_t value;  // the first word of the output afterwards
  };
  constexpr uint32_t kUntouched = 0xA5A5A5A5;
  const Case cases[] = {
      {"null anchor before class", true, 1, 0, ZEB_E_NULL_POINTER, kUntouched},
      {"class 1", false, 1, 0, ZEB_E_NOT_SUPPORTED, kUntouched},
      {"class 3", false, 3, 0, ZEB_E_NOT_SUPPORTED, kUntouched},
      {"item 0", false, 2, 0, ZEB_OK, 2},
      {"item 1", false, 2, 1, ZEB_OK, 2},
      {"item 5 leaves the output", false, 2, 5, ZEB_OK, kUntouched},
  };
  for (const Case& c : cases) {
    uint32_t out[4];
    std::fill(std::begin(out), std::end(out), kUntouched);
    uint32_t length = sizeof out;
    int anchor = 0;
    EXPECT_EQ(query(c.null_anchor ? nullptr : &anchor, c.info_class, c.item, 0, &length, out),
              c.result)
        << c.name;
    EXPECT_EQ(out[0], c.value) << c.name;
    EXPECT_EQ(length, sizeof out) << c.name;
  }
}

TEST(LibInfo, VersionTextClearsTheWholeBuffer) {
  TestPlugin plugin;
  const auto query = plugin.Get<PFN_QueryLibInfo>(ZEB_ORD_QueryLibInfo);
  std::array<unsigned char, 16> out;
  out.fill(0xEE);
  uint32_t length = 16;
  int anchor = 0;
  ASSERT_EQ(query(&anchor, 2, 2, 0, &length, out.data()), ZEB_OK);
  EXPECT_EQ(length, 7u);
  std::array<unsigned char, 16> expected{};
  std::memcpy(expected.data(), "3.0.2.0", 7);
  EXPECT_EQ(out, expected);
}

TEST(LibInfo, RecordIsStaticAndStamped) {
  TestPlugin plugin;
  const auto get_info = plugin.Get<PFN_TQGetLibInfo>(ZEB_ORD_TQGetLibInfo);
  const LibInfoRecord* record = get_info();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(get_info(), record);
  EXPECT_EQ(record->one, 1u);
  EXPECT_STREQ(record->frameworkVersion, "3.0.18.0");
  EXPECT_STREQ(record->libraryVersion, "3.0.2.0");
  EXPECT_TRUE(Reads(record->buildTime, "%H:%M:%S") && std::strlen(record->buildTime) == 8)
      << record->buildTime;
  EXPECT_TRUE(Reads(record->buildDate, "%b %e %Y") && std::strlen(record->buildDate) == 11)
      << record->buildDate;
  EXPECT_EQ(plugin.Get<PFN_GetLibState>(ZEB_ORD_GetLibState)(), -1);
}

TEST(SettingsExports, WithoutDialogsTheyAnswerCannotBeShownAndEraseFrees) {
  // A host without a display: the dialog module is not even loaded.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  TestPlugin plugin;
  LogCapture log;
  const auto erase = plugin.Get<PFN_EraseCustomSettingMemory>(ZEB_ORD_EraseCustomSettingMemory);
  EXPECT_EQ(erase(nullptr), 0u);
  EXPECT_EQ(erase(std::malloc(4096)), 0u);  // leak checkers would flag a block left behind
  using Dialog = uint32_t (*)(void*, uint32_t, uint32_t, uint32_t*, void**, uint32_t*);
  for (const uint32_t ordinal :
       {ZEB_ORD_GetVideoCodecCustomSetting, ZEB_ORD_GetAudioCodecCustomSetting}) {
    void* block = &log;
    uint32_t kind = 0, size = 7;
    EXPECT_EQ(plugin.Get<Dialog>(ordinal)(nullptr, 0, 0, &kind, &block, &size), 1u) << ordinal;
    EXPECT_EQ(block, nullptr);
  }
  SPlugVideoStreamInfo video = VideoRecord(Code("avc1"), 320, 240, 25, 1);
  const SPlugVideoStreamInfo before = video;
  void* block = nullptr;
  uint32_t kind = 0, size = 0;
  EXPECT_EQ(
      plugin.Get<Dialog>(ZEB_ORD_GetVideoCodecCustomSetting)(&video, 0, 0, &kind, &block, &size),
      1u);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(std::memcmp(&video, &before, sizeof video), 0);
  EXPECT_TRUE(log.Contains("GetVideoCodecCustomSetting--no display, the dialog cannot be shown"))
      << ::testing::PrintToString(log.Texts());
  // The audio record becomes type 12 before the dialog is asked for; nothing else changes.
  SPlugAudioStreamInfo audio = AudioRecord(0, 2, 16, 48000, PLUG_AUDIO_TYPE_PCM_);
  SPlugAudioStreamInfo audioAfter = audio;
  audioAfter.audioType = 12;
  EXPECT_EQ(
      plugin.Get<Dialog>(ZEB_ORD_GetAudioCodecCustomSetting)(&audio, 0, 0, &kind, &block, &size),
      1u);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(std::memcmp(&audio, &audioAfter, sizeof audio), 0);
  EXPECT_TRUE(log.Contains("GetAudioCodecCustomSetting--no display, the dialog cannot be shown"));
  const std::string folder = TestPlugin::Path().substr(0, TestPlugin::Path().rfind('/') + 1);
  EXPECT_EQ(dlopen((folder + "libZEBPlugDialogsGtk.so").c_str(), RTLD_NOLOAD | RTLD_NOW), nullptr);
}

TEST(FamilyStubs, AnswerTheirConstantsWithoutTouchingTheHandle) {
  TestPlugin plugin;
  using Stub = uint32_t (*)(void*, uint32_t, uint32_t, uint32_t, uint32_t);
  for (const uint32_t ordinal : {3,   4,   6,   8,   10,  103, 104, 107, 109, 302, 306,
                                 307, 311, 402, 403, 405, 415, 416, 419, 427, 430, 431}) {
    const uint32_t expected = ordinal == 415  ? 1
                              : ordinal > 415 ? uint32_t{ZEB_E_NOT_SUPPORTED}
                                              : 0;
    EXPECT_EQ(plugin.Get<Stub>(ordinal)(nullptr, 1, 2, 3, 4), expected) << ordinal;
  }
  EXPECT_EQ(plugin.Get<PFN_DestroyReader>(ZEB_ORD_DestroyReader)(nullptr), 0u);
}

}  // namespace
