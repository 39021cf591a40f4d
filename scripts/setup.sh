#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quorvex needs.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git ca-certificates
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libglew-dev libx11-dev
  libgl1-mesa-dri
  libpng-dev libjpeg62-turbo-dev zlib1g-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libsdl2-dev
  libgtest-dev googletest
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool x11-utils imagemagick ffmpeg libjpeg-turbo-progs
  libtinyobjloader-dev assimp-testmodels
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
