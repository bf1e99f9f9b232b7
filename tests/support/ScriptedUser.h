// A person at the keyboard, played by xdotool: a shell script run in the
// background while the test's own thread sits in a modal dialog. The script
// gets these helpers: `focus NAME` waits (up to 20 s) for a visible window
// titled exactly NAME and gives it the keyboard; `gone NAME` waits until no
// such window is left; `keys K...` presses keys; `typed TEXT` types text.
// A failing script presses Escape in every window it can find, so the
// dialog under test ends instead of hanging the test.
#pragma once

#include <sys/types.h>

#include <string>

namespace zeb::test {

// True when an X display is set; the dialog tests skip without one.
bool HasDisplay();

class ScriptedUser {
 public:
  explicit ScriptedUser(const std::string& script);
  ~ScriptedUser();
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  // The script's exit code; -1 when it did not run or exit normally.
  int Wait();

 private:
  pid_t pid_ = -1;
};

}  // namespace zeb::test
