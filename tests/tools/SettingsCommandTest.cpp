// zebqt settings under an X display (label "dialogs"): the dialogs driven by
// xdotool while zebqt waits in them, then its summary, block and exit code.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/ScriptedUser.h"
#include "tests/tools/ZebqtRun.h"

namespace zeb::test {
namespace {

TEST(ZebqtSettings, DialogsPrintTheChosenSettings) {
  if (!HasDisplay()) GTEST_SKIP() << "no X display";
  const struct {
    const char* arguments;
    const char* script;
    int exitCode;
    std::vector<std::string> mustContain;
  } cases[] = {
      {"settings audio",
       // AAC is the format list's ninth entry; Tab reaches the bit rate.
       "focus 'Sound Settings'\nkeys Home Down Down Down Down Down Down Down Down Tab Tab Tab Tab "
       "ctrl+a\ntyped 160\nkeys Return\n",
       0,
       {"format                    mp4a\n", "coded bit rate (bits/s)   160000\n",
        "block (kind 8, 12 bytes)\n  7a736364 6d703461 00027100\n"}},
      {"--json settings video --video mp4v --gop 12",
       "focus 'QuickTime VideoSet'\nkeys Return\n",
       0,
       {"\"codec\":\"mp4v\"", "\"key_frame_rate\":12", "\"quality\":\"Best\"",
        "\"block\":\"1400000020000000ff030000ff03000000000000\""}},
      {"settings audio", "focus 'Sound Settings'\nkeys Escape\n", 5, {"was cancelled"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    ScriptedUser user(c.script);
    const auto run = Execute(kZebqt + " " + c.arguments);
    EXPECT_EQ(user.Wait(), 0);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    for (const std::string& text : c.mustContain) {
      EXPECT_NE(run.output.find(text), std::string::npos) << text << "\n" << run.output;
    }
  }
}

}  // namespace
}  // namespace zeb::test
