#!/usr/bin/env bash
# Builds the player and its tests twice (plain, then with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite in each.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
status=0

run_config() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 600) || status=1
}

echo "== plain build"
run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DPLAYER_SANITIZE=ON
exit $status
