#!/usr/bin/env bash
# screenshot-dialogs.sh [BUILD_DIR] [OUT_DIR]: shows the plug-in's settings
# dialogs through `zebqt settings` on a private Xvfb display and saves each
# window as PNG in OUT_DIR (default docs/images): the "QuickTime VideoSet"
# dialog, the standard compression dialog behind its "Advanced Setting"
# button, the error box of a cancelled standard dialog, and the sound dialog.
# Needs xvfb, xdotool, x11-apps (xwd) and netpbm (scripts/setup.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/images}
zebqt=$build/bin/zebqt
[[ -x $zebqt ]] || { echo "screenshot-dialogs: no $zebqt (build first)" >&2; exit 2; }
mkdir -p "$out"

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
zebqt_pid=
cleanup() {
  [[ -n $zebqt_pid ]] && kill "$zebqt_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -f "$display_file"
}
trap cleanup EXIT
for _ in $(seq 100); do [[ -s $display_file ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$display_file")"
unset WAYLAND_DISPLAY

# The window titled exactly $1, once it is shown and drawn; it gets the keyboard.
window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1)
  [[ -n $id ]] || { echo "screenshot-dialogs: no window '$1'" >&2; exit 1; }
  sleep 0.5
  xdotool windowfocus --sync "$id"
  echo "$id"
}

shot() {
  xwd -silent -id "$1" | xwdtopnm 2>/dev/null | pnmtopng >"$out/$2"
  echo "screenshot-dialogs: $out/$2"
}

"$zebqt" settings video >/dev/null 2>&1 &
zebqt_pid=$!
id=$(window 'QuickTime VideoSet')
shot "$id" video-set.png
xdotool key --delay 60 Tab Tab space
id=$(window 'Compression Settings')
shot "$id" compression-settings.png
xdotool key Escape
id=$(window 'Error')
shot "$id" error-box.png
xdotool key Return
window 'QuickTime VideoSet' >/dev/null
xdotool key Escape
wait "$zebqt_pid" || true

"$zebqt" settings audio >/dev/null 2>&1 &
zebqt_pid=$!
id=$(window 'Sound Settings')
shot "$id" sound-settings.png
xdotool key Escape
wait "$zebqt_pid" || true
zebqt_pid=
