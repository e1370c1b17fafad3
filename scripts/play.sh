#!/usr/bin/env bash
# Builds the player and runs it on the sample game the build makes. Extra
# arguments go to Game (for example: --headless 300 --screenshot 60:shot.png).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target Game sample_game
exec build/Game build/sample-game "$@"
