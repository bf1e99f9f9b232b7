#!/usr/bin/env bash
# build.sh BUILD_DIR [cmake configure args...]: configures (once) and builds.
# ZEB_TARGETS="a b" builds only those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
shift || true
if [[ ! -f $dir/build.ninja ]]; then
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
fi
targets=()
for t in ${ZEB_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" "${targets[@]}"
