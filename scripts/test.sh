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
# Bounded fuzzing: a fixed number of mutated inputs per libFuzzer target, with
# AddressSanitizer and UndefinedBehaviorSanitizer, from a fixed seed.
if compgen -G "fuzz/*_fuzz.cpp" >/dev/null && command -v clang++ >/dev/null; then
  echo "== fuzz build"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPLAYER_FUZZ=ON -DPLAYER_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs"
  for target in fuzz/*_fuzz.cpp; do
    name=$(basename "$target" .cpp)
    corpus=$(mktemp -d)
    if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$corpus/"; fi
    runs=$(awk -v n="$name" '$1 == n { print $2 }' fuzz/runs.txt 2>/dev/null)
    runs=${FUZZ_RUNS:-${runs:-20000}}
    if ASAN_OPTIONS=detect_leaks=0 "build-fuzz/fuzz/$name" -runs="$runs" -seed=1 \
         -max_total_time=180 "$corpus" >"build-fuzz/$name.log" 2>&1; then
      echo "fuzz $name: $runs inputs, no finding"
    else
      echo "fuzz $name: FINDING"; tail -40 "build-fuzz/$name.log"; status=1
    fi
    rm -rf "$corpus"
  done
fi

echo "== sanitizer build"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DPLAYER_SANITIZE=ON
exit $status
