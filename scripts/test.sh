#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole suite: the normal build
# (its dialog tests on a private Xvfb display),
# the AddressSanitizer + UndefinedBehaviorSanitizer build, the threaded tests
# under ThreadSanitizer, and a short run of every fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

# Runs the command with DISPLAY set to a display of its own, ended afterwards.
with_xvfb() {
  local display_file pid status=0
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  pid=$!
  for _ in $(seq 100); do [[ -s $display_file ]] && break; sleep 0.1; done
  DISPLAY=":$(head -n 1 "$display_file")" "$@" || status=$?
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  rm -f "$display_file"
  return "$status"
}
"$root/scripts/setup.sh"

echo "== build and test"
"$root/scripts/build.sh" "$root/build"
env -u DISPLAY -u WAYLAND_DISPLAY ctest --test-dir "$root/build" --output-on-failure -j "$jobs" \
  -LE dialogs
echo "== dialogs under Xvfb"
with_xvfb ctest --test-dir "$root/build" --output-on-failure -L dialogs

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" "$root/build-asan" -DZEB_SANITIZE=address,undefined -DZEB_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
# intercept_tls_get_addr=0: GCC 12's LeakSanitizer keeps a wrong range for
# the dynamic TLS of dlopen'ed libraries and its exit-time tracer dies of a
# SIGSEGV scanning it, after the test has passed.
ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs" -LE 'slow|dialogs'

echo "== ThreadSanitizer (threaded code)"
ZEB_TARGETS=threaded_tests "$root/scripts/build.sh" "$root/build-tsan" -DZEB_SANITIZE=thread \
  -DZEB_BUILD_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir "$root/build-tsan" --output-on-failure -j "$jobs" -L threads

echo "== fuzz (30 s a target)"
CC=clang CXX=clang++ ZEB_TARGETS=fuzz_targets "$root/scripts/build.sh" "$root/build-fuzz" -DZEB_BUILD_FUZZ=ON \
  -DZEB_BUILD_TESTS=OFF -DZEB_BUILD_BENCH=OFF
"$root/scripts/fuzz.sh" "$root/build-fuzz" 30
