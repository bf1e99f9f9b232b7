#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent and quiet when everything is there already.
set -euo pipefail

packages=(
  build-essential g++ g++-multilib cmake ninja-build pkg-config
  libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavformat-dev
  zlib1g-dev libgtest-dev libgmock-dev liburing-dev
  ffmpeg
  clang libclang-rt-14-dev
  binutils
  libgtk-3-dev xvfb xdotool xauth
  x11-apps netpbm
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
