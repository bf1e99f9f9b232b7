#!/usr/bin/env bash
# run.sh [build-dir]: builds every benchmark in Release and runs each one.
# Benchmark movies are made once into <build-dir>/bench-cache and reused.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-bench}
cache=$dir/bench-cache

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEB_BUILD_TESTS=OFF -DZEB_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" --target zeb_benchmarks -j 2
mkdir -p "$cache"

echo "== movie open (platform/movie against libavformat)"
"$dir/bin/bench_movie_open" "$cache"

echo "== reader (the plug-in's reader family against dd and libavformat)"
"$dir/bin/bench_reader" "$cache"

echo "== remux (zebqt remux against ffmpeg -c copy; ZEB_BENCH_FULL=1 for the 1.6 GB movie)"
"$root/bench/remux.sh" "$dir/bin" "$cache"

echo "== codecs (the video decoder and encoder families against the ffmpeg tool)"
"$root/bench/codec.sh" "$dir/bin" "$cache"
