#!/usr/bin/env bash
# build.sh [build-dir] [extra cmake args...]: configures (once) and builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
shift || true
if [[ ! -f $dir/build.ninja ]]; then
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
fi
cmake --build "$dir"
