#!/usr/bin/env bash
# remux.sh BIN-DIR CACHE-DIR: `zebqt remux` (reader family in, muxer family
# out) against the ffmpeg tool's stream copy (`ffmpeg -c copy`, libavformat)
# of the same movie, in interleaved rounds. Prints the median wall time and
# CPU seconds (user + system) of each, MB/s of movie written, CPU s per GB,
# and the ratios ours / ffmpeg.
#
# Movies (made once into CACHE-DIR):
#   (a) 1080p '2vuy' + 48 kHz stereo PCM at 25 fps; 60 frames (~250 MB) by
#       default, 386 frames (~1.6 GB) with ZEB_BENCH_FULL=1
#   (b) 20 minutes of 320x240 H.264 (B-frames) + 48 kHz stereo PCM at 30000/1001
# ZEB_BENCH_ROUNDS (default 3) sets the rounds.
set -euo pipefail
bin=${1:?bin dir}
cache=${2:?cache dir}
rounds=${ZEB_BENCH_ROUNDS:-3}
frames_2vuy=60
[[ ${ZEB_BENCH_FULL:-0} == 1 ]] && frames_2vuy=386
mkdir -p "$cache"
zebqt=$bin/zebqt
out=$cache/remux-out

movie_2vuy=$cache/remux_2vuy_pcm_$frames_2vuy.mov
movie_avc=$cache/remux_avc1_pcm_20min.mov
if [[ ! -f $movie_2vuy ]]; then
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=25" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -frames:v "$frames_2vuy" \
    -ac 2 -c:v rawvideo -pix_fmt uyvy422 -c:a pcm_s16le -shortest "$movie_2vuy.tmp.mov"
  mv "$movie_2vuy.tmp.mov" "$movie_2vuy"
fi
if [[ ! -f $movie_avc ]]; then
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=320x240:rate=30000/1001" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 1200 -ac 2 \
    -c:v libx264 -preset veryfast -bf 2 -g 60 -pix_fmt yuv420p -c:a pcm_s16le "$movie_avc.tmp.mov"
  mv "$movie_avc.tmp.mov" "$movie_avc"
fi

# "wall user system" of one command, its output thrown away.
measure() {
  /usr/bin/time -f "%e %U %S" -o "$out.time" "$@" >/dev/null 2>&1
  tail -1 "$out.time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs `rounds` interleaved rounds of ours and ffmpeg's on one movie. The
# side that goes first alternates: a run pays for the write-back of the one
# before it, which would otherwise always fall on the same side.
compare() {
  local label=$1 movie=$2
  shift 2
  local ours_wall=() ours_cpu=() ref_wall=() ref_cpu=() bytes_ours bytes_ref
  run_ours() {
    rm -f "$out.mov"
    read -r w u s < <(measure "$zebqt" remux "$movie" "$out.mov" "$@")
    ours_wall+=("$w"); ours_cpu+=("$(echo "$u + $s" | bc -l)")
    bytes_ours=$(stat -c %s "$out.mov")
  }
  run_ref() {
    rm -f "$out.mov"
    read -r w u s < <(measure ffmpeg -v error -y -i "$movie" -map 0:v:0 -map 0:a:0 -c copy \
      "$out.mov")
    ref_wall+=("$w"); ref_cpu+=("$(echo "$u + $s" | bc -l)")
    bytes_ref=$(stat -c %s "$out.mov")
  }
  for ((r = 0; r < rounds; r++)); do
    if ((r % 2 == 0)); then
      run_ours "$@"; run_ref
    else
      run_ref; run_ours "$@"
    fi
  done
  rm -f "$out.mov"
  local ow oc rw rc
  ow=$(printf '%s\n' "${ours_wall[@]}" | median)
  oc=$(printf '%s\n' "${ours_cpu[@]}" | median)
  rw=$(printf '%s\n' "${ref_wall[@]}" | median)
  rc=$(printf '%s\n' "${ref_cpu[@]}" | median)
  awk -v l="$label" -v ow="$ow" -v oc="$oc" -v rw="$rw" -v rc="$rc" -v bo="$bytes_ours" \
    -v br="$bytes_ref" 'BEGIN {
      mo = bo / 1e6 / ow; mr = br / 1e6 / rw; co = oc / (bo / 1e9); cr = rc / (br / 1e9);
      printf "%s\n", l;
      printf "  zebqt remux    %7.2f s  %7.1f MB/s  %6.3f CPU s/GB  (%d bytes)\n", ow, mo, co, bo;
      printf "  ffmpeg -c copy %7.2f s  %7.1f MB/s  %6.3f CPU s/GB  (%d bytes)\n", rw, mr, cr, br;
      printf "  throughput ours / ffmpeg %.2f x (%s); CPU per GB ours / ffmpeg %.2f (%s)\n",
        mo / mr, (mo >= mr ? "met" : "MISSED"), co / cr, (co <= cr ? "met" : "MISSED");
    }'
}

# Recording with the recovery journal (default: an update every second of
# media, waiting for the device) against recording without it, interleaved.
compare_recovery() {
  local label=$1 movie=$2
  local on=() off=()
  run_off() {
    rm -f "$out.mov"
    read -r w u s < <(measure "$zebqt" remux "$movie" "$out.mov" --sync-every=off)
    off+=("$w")
  }
  run_on() {
    rm -f "$out.mov"
    read -r w u s < <(measure "$zebqt" remux "$movie" "$out.mov")
    on+=("$w")
  }
  for ((r = 0; r < rounds; r++)); do
    if ((r % 2 == 0)); then run_off; run_on; else run_on; run_off; fi
  done
  rm -f "$out.mov"
  local wn wf
  wn=$(printf '%s\n' "${on[@]}" | median)
  wf=$(printf '%s\n' "${off[@]}" | median)
  awk -v l="$label" -v wn="$wn" -v wf="$wf" 'BEGIN {
      printf "%s\n  journal on %7.2f s, off %7.2f s: throughput on / off %.3f x (%s, target 0.97)\n",
        l, wn, wf, wf / wn, (wf / wn >= 0.97 ? "met" : "MISSED");
    }'
}

echo "rounds: $rounds, median of each; warm page cache (the movie was read before)"
cat "$movie_2vuy" "$movie_avc" >/dev/null
compare "(a) 1080p '2vuy' + PCM, $frames_2vuy frames, $(stat -c %s "$movie_2vuy") bytes" "$movie_2vuy"
compare "(a) the same, --thread" "$movie_2vuy" --thread
compare "(b) 20 min 320x240 avc1 + PCM, $(stat -c %s "$movie_avc") bytes" "$movie_avc"
compare "(b) the same, --thread" "$movie_avc" --thread
compare_recovery "(c) recovery journal, movie (a)" "$movie_2vuy"
compare_recovery "(c) recovery journal, movie (b)" "$movie_avc"
