#!/usr/bin/env bash
# Installs every Debian package the player, its tests and benchmarks need.
# Idempotent: apt-get runs only when a package is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang
  clang-format clang-tidy
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev libjpeg-dev libogg-dev libvorbis-dev libtheora-dev
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho
  libpixman-1-dev libx11-dev xvfb xauth x11-utils xdotool x11-apps
  libmpg123-dev libfluidsynth-dev timgm6mb-soundfont libmp3lame-dev libsndfile1-dev
  ccache dpkg-dev file
  libespeak-ng-dev espeak-ng-data
  libgl-dev libegl-dev libgl1-mesa-dri
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
