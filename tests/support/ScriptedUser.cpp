#include "tests/support/ScriptedUser.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace zeb::test {

namespace {

constexpr char kPrelude[] = R"(set -eu
focus() {
  w=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1)
  [ -n "$w" ]
  xdotool windowfocus --sync "$w"
  sleep 0.3
}
gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null || return 0
    sleep 0.1
  done
  return 1
}
keys() { xdotool key --delay 60 "$@"; }
typed() { xdotool type --delay 60 "$1"; }
rescue() {
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    xdotool windowfocus "$w" key Escape 2>/dev/null || true
  done
}
trap 'status=$?; [ $status -eq 0 ] || rescue; exit $status' EXIT
)";

}  // namespace

bool HasDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

ScriptedUser::ScriptedUser(const std::string& script) {
  const std::string whole = kPrelude + script;
  char shell[] = "/bin/sh";
  char flag[] = "-c";
  char* argv[] = {shell, flag, const_cast<char*>(whole.c_str()), nullptr};
  if (posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, argv, environ) != 0) pid_ = -1;
}

ScriptedUser::~ScriptedUser() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  Wait();
}

int ScriptedUser::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  const pid_t waited = waitpid(pid_, &status, 0);
  pid_ = -1;
  return waited > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace zeb::test
