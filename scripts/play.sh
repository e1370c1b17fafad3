#!/usr/bin/env bash
# Builds the player and the sample and demo games (build/sample-game,
# build/demo-game), then plays the sample game. Extra arguments go to Game
# (for example: --headless 300 --screenshot 60:shot.png).
#
# The build folder is configured as scripts/test.sh and the README's
# installing steps configure it (Release), so that none of them rebuilds
# what another one built.
#
# Environment:
#   JOBS  build jobs (default: the processors available)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs" --target Game sample_game demo_game
exec build/Game build/sample-game "$@"
