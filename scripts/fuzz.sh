#!/usr/bin/env bash
# fuzz.sh BUILD_DIR SECONDS: runs every fuzz target for SECONDS over its seed corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
seconds=$2
shopt -s nullglob
for target in "$dir"/bin/fuzz_*; do
  name=$(basename "$target")
  seeds="$root/fuzz/corpus/${name#fuzz_}"
  work="$dir/fuzz-work/$name"
  mkdir -p "$work"
  dict=()
  [[ -f $root/fuzz/fourcc.dict ]] && dict=(-dict="$root/fuzz/fourcc.dict")
  echo "fuzz: $name for ${seconds}s"
  "$target" "$work" "$seeds" "${dict[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=0 2>"$work.log" || { tail -50 "$work.log"; exit 1; }
done
