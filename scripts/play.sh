#!/usr/bin/env bash
# Builds the player and runs it on the sample game the build makes.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
if [ ! -x build/Game ]; then
  echo "play: the Game executable is not built yet: the player's start-up is still missing." >&2
  exit 1
fi
if [ ! -d build/sample-game ]; then
  echo "play: the build made no sample game (build/sample-game) yet." >&2
  exit 1
fi
cp build/Game build/sample-game/Game
cd build/sample-game && exec ./Game "$@"
