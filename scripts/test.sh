#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole suite: the normal build,
# the AddressSanitizer + UndefinedBehaviorSanitizer build, the threaded tests
# under ThreadSanitizer, and a short run of every fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/setup.sh"

echo "== build and test"
"$root/scripts/build.sh" "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" "$root/build-asan" -DZEB_SANITIZE=address,undefined -DZEB_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs" -LE slow

echo "== ThreadSanitizer (threaded code)"
ZEB_TARGETS=threaded_tests "$root/scripts/build.sh" "$root/build-tsan" -DZEB_SANITIZE=thread \
  -DZEB_BUILD_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir "$root/build-tsan" --output-on-failure -j "$jobs" -L threads

echo "== fuzz (30 s a target)"
CC=clang CXX=clang++ ZEB_TARGETS=fuzz_targets "$root/scripts/build.sh" "$root/build-fuzz" -DZEB_BUILD_FUZZ=ON \
  -DZEB_BUILD_TESTS=OFF -DZEB_BUILD_BENCH=OFF
"$root/scripts/fuzz.sh" "$root/build-fuzz" 30
