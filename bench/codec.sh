#!/usr/bin/env bash
# codec.sh BIN-DIR CACHE-DIR: the plug-in's video codec families (bench_codec,
# by ordinal) against the ffmpeg tool with the same settings and the same
# thread count, in interleaved rounds. Prints the median wall time and CPU
# seconds (user + system) of each, frames a second, and the ratios
# ffmpeg / ours of wall time (throughput; the target is 0.95).
#
#   decode: 1080p ProRes 422 ('apcn') and avc1 (x264, 2 B-frames) to '2vuy'
#           against `ffmpeg -i MOVIE -f rawvideo -pix_fmt uyvy422`
#   encode: 1080p '2vuy' pictures from a raw file to 'apcn' and avc1 at the
#           encoder's best quality against `ffmpeg -f rawvideo -pix_fmt uyvy422
#           -i RAW` with the settings our compressors use (prores_ks profile 2
#           vendor appl; libx264 CRF 15, tune zerolatency, no B-frames, key
#           frame every 25, no scene cuts)
#
# Our decoders and encoders run slice threads on every core; the tool runs
# its own default (frame threads where the codec has them) with -threads set
# to the same count. A second avc1 decode row gives the tool slice threads too.
# ZEB_BENCH_ROUNDS (default 3) sets the rounds, ZEB_BENCH_FRAMES (default 50)
# the pictures of each movie.
set -euo pipefail
bin=${1:?bin dir}
cache=${2:?cache dir}
rounds=${ZEB_BENCH_ROUNDS:-3}
frames=${ZEB_BENCH_FRAMES:-50}
threads=$(nproc)
mkdir -p "$cache"
bench=$bin/bench_codec
out=$cache/codec-out

source_args=(-f lavfi -i "testsrc2=size=1920x1080:rate=25" -frames:v "$frames")
raw=$cache/codec_2vuy_1080_$frames.uyvy
prores=$cache/codec_apcn_1080_$frames.mov
avc=$cache/codec_avc1_1080_$frames.mov
make_once() {
  local target=$1
  shift
  [[ -f $target ]] && return
  ffmpeg -v error -y "${source_args[@]}" "$@" "$target.tmp.${target##*.}"
  mv "$target.tmp.${target##*.}" "$target"
}
make_once "$raw" -pix_fmt uyvy422 -f rawvideo
make_once "$prores" -c:v prores_ks -profile:v 2 -pix_fmt yuv422p10le
make_once "$avc" -c:v libx264 -preset veryfast -bf 2 -g 25 -pix_fmt yuv420p

# "wall user system" of one command, its output thrown away.
measure() {
  /usr/bin/time -f "%e %U %S" -o "$out.time" "$@" >/dev/null 2>&1 || {
    echo "failed: $*" >&2
    exit 1
  }
  tail -1 "$out.time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# compare LABEL -- OUR COMMAND... -- FFMPEG ARGUMENTS...: `rounds` interleaved
# rounds of each.
compare() {
  local label=$1
  shift 2
  local ours=() ref=()
  while [[ $1 != -- ]]; do ours+=("$1"); shift; done
  shift
  ref=(ffmpeg -v error -nostdin -y -threads "$threads" "$@")
  local ours_wall=() ours_cpu=() ref_wall=() ref_cpu=()
  for ((r = 0; r < rounds; r++)); do
    read -r w u s < <(measure "${ours[@]}")
    ours_wall+=("$w"); ours_cpu+=("$(echo "$u + $s" | bc -l)")
    read -r w u s < <(measure "${ref[@]}")
    ref_wall+=("$w"); ref_cpu+=("$(echo "$u + $s" | bc -l)")
  done
  local ow oc rw rc
  ow=$(printf '%s\n' "${ours_wall[@]}" | median)
  oc=$(printf '%s\n' "${ours_cpu[@]}" | median)
  rw=$(printf '%s\n' "${ref_wall[@]}" | median)
  rc=$(printf '%s\n' "${ref_cpu[@]}" | median)
  awk -v l="$label" -v ow="$ow" -v oc="$oc" -v rw="$rw" -v rc="$rc" -v f="$frames" 'BEGIN {
      printf "%s\n", l;
      printf "  ours   %6.2f s  %6.2f CPU s  %6.1f frames/s\n", ow, oc, f / ow;
      printf "  ffmpeg %6.2f s  %6.2f CPU s  %6.1f frames/s\n", rw, rc, f / rw;
      printf "  throughput ours / ffmpeg %.2f x (%s, target 0.95); CPU ours / ffmpeg %.2f\n",
        rw / ow, (rw / ow >= 0.95 ? "met" : "MISSED"), oc / rc;
    }'
}

echo "rounds: $rounds, median of each; $frames frames of 1920x1080; $threads threads;" \
  "warm page cache"
cat "$raw" "$prores" "$avc" >/dev/null
compare "decode apcn to '2vuy'" -- "$bench" decode "$prores" -- \
  -i "$prores" -f rawvideo -pix_fmt uyvy422 /dev/null
compare "decode avc1 to '2vuy'" -- "$bench" decode "$avc" -- \
  -i "$avc" -f rawvideo -pix_fmt uyvy422 /dev/null
compare "decode avc1 to '2vuy', the tool on slice threads too" -- "$bench" decode "$avc" -- \
  -thread_type slice -i "$avc" -f rawvideo -pix_fmt uyvy422 /dev/null
raw_in=(-f rawvideo -pix_fmt uyvy422 -s 1920x1080 -r 25 -i "$raw")
compare "encode '2vuy' to apcn" -- "$bench" encode "$raw" 1920 1080 apcn 25 -- \
  "${raw_in[@]}" -c:v prores_ks -profile:v 2 -vendor appl -sws_flags bicubic -f null /dev/null
compare "encode '2vuy' to avc1" -- "$bench" encode "$raw" 1920 1080 avc1 25 -- \
  "${raw_in[@]}" -pix_fmt yuv420p -sws_flags bicubic -c:v libx264 -tune zerolatency -crf 15 \
  -g 25 -bf 0 -x264-params scenecut=0 -f null /dev/null
rm -f "$out.time"
