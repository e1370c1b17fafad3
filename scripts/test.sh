#!/usr/bin/env bash
# Builds twice and tests:
#  1. plain optimised build (Release: no debug information, which halves the
#     compile time of the heaviest files): the player, the tests and the
#     benchmarks (compiled, not run); the whole test suite is run;
#  2. one clang build with AddressSanitizer and UndefinedBehaviorSanitizer and
#     fuzzing instrumentation: the unit tests and the libFuzzer targets.
#     The fuzz targets run first, sharing one fixed time budget, then the unit
#     tests run under the sanitizers, so the output ends with ctest's summary.
# Exits non-zero when anything failed.
#
# Environment:
#   FUZZ_BUDGET_SECONDS  time for all the fuzz runs together (default 300)
#   SANITIZE_ALL=1       also the whole-game, install and OpenGL-comparison
#                        tests under the sanitizers
#   FUZZ_RUNS            mutated inputs per target, over fuzz/runs.txt
#   JOBS                 build and test jobs (default: the processors available)
#   CMake compiles through ccache when it is installed; CCACHE_DISABLE=1 turns
#   it off.
set -euo pipefail
cd "$(dirname "$0")/.."

# Paths below the checkout are hashed relative to it, so two clones in
# different folders share ccache's results.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
status=0
start=$SECONDS

configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

run_tests() {
  local dir=$1; shift
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 600 "$@") 2>&1 | tee "$dir/ctest-output.log" ||
    status=1
}

# Tests that skipped themselves (GTEST_SKIP: Xvfb, OpenGL, a SoundFont or a
# tool missing), from the list ctest closes with; 0 when that build ran none.
skipped_tests() {
  [ -f "$1/ctest-output.log" ] || { echo 0; return; }
  grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$1/ctest-output.log" 2>/dev/null || true
}

echo "== plain build"
configure_and_build build -DCMAKE_BUILD_TYPE=Release -DPLAYER_BENCH=ON
run_tests build
echo "== plain build and tests: $((SECONDS - start)) s"

# The benchmarks alone, without the tests: they must not need the test suite.
# Same flags as the plain build, so ccache serves the compiles; only the
# benchmarks and what they link are built.
echo "== benchmarks without the tests"
step=$SECONDS
benches=()
for source in bench/*_bench.cpp; do benches+=("$(basename "$source" .cpp)"); done
if cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLAYER_BENCH=ON -DPLAYER_TESTS=OFF >/dev/null; then
  cmake --build build-bench -j "$jobs" --target "${benches[@]}" || status=1
else
  status=1
fi
echo "== benchmarks without the tests: $((SECONDS - step)) s"

# --- sanitizer build: tests and fuzz targets from one set of objects -----------
# Unoptimised: it compiles in about half the time of -O1, which outweighs the
# slower test run; the fuzz runs are bounded by time anyway. The tests that
# play whole games, install Game or compare with the OpenGL path ran in the
# plain build; under the sanitizers they would take most of the run's time
# (SANITIZE_ALL=1 builds and runs them too).
fuzz=OFF
if compgen -G "fuzz/*_fuzz.cpp" >/dev/null; then fuzz=ON; fi
echo "== sanitizer build (clang, AddressSanitizer, UndefinedBehaviorSanitizer)"
step=$SECONDS
all=OFF
if [ "${SANITIZE_ALL:-0}" = 1 ]; then all=ON; fi
CC=clang CXX=clang++ configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug \
  -DPLAYER_SANITIZE=ON -DPLAYER_FUZZ=$fuzz -DPLAYER_GAME_TESTS=$all
echo "== sanitizer build: $((SECONDS - step)) s"

export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1

# Bounded fuzzing from a fixed seed. All targets share one budget: each gets
# budget x slots / targets seconds, two run at a time when there are two or
# more processors, and fuzz/runs.txt caps a target's mutated inputs.
# One input taking longer than unit_limit seconds is a finding: the slowest
# normal inputs take up to about 3 s under the sanitizers on two busy cores,
# while a loop that has stopped consuming its data runs far longer.
unit_limit=10
run_fuzz_target() {
  local name=$1 seconds=$2 out=build-asan/fuzz-results/$1
  local corpus runs
  corpus=$(mktemp -d)
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$corpus/"; fi
  runs=$(awk -v n="$name" '$1 == n { print $2 }' fuzz/runs.txt 2>/dev/null)
  runs=${FUZZ_RUNS:-${runs:-20000}}
  local began=$SECONDS
  if timeout -k 10 $((seconds + 60)) "build-asan/fuzz/$name" -runs="$runs" -seed=1 \
       -max_total_time="$seconds" -timeout="$unit_limit" "$corpus" >"$out.log" 2>&1; then
    echo "fuzz $name: no finding ($(grep -oE 'Done [0-9]+ runs' "$out.log" | tail -1 || true), $((SECONDS - began)) s)" >"$out.result"
  else
    echo "fuzz $name: FINDING" >"$out.result"
  fi
  rm -rf "$corpus"
}

if [ "$fuzz" = ON ]; then
  targets=()
  for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
  budget=${FUZZ_BUDGET_SECONDS:-300}
  slots=$(( jobs >= 2 ? 2 : 1 ))
  per=$(( budget * slots / ${#targets[@]} ))
  (( per >= 1 )) || per=1
  echo "== fuzzing: ${#targets[@]} targets, ${budget} s budget, ${per} s each, ${slots} at a time"
  step=$SECONDS
  rm -rf build-asan/fuzz-results && mkdir -p build-asan/fuzz-results
  running=0
  for name in "${targets[@]}"; do
    if (( running >= slots )); then wait -n || true; running=$((running - 1)); fi
    run_fuzz_target "$name" "$per" &
    running=$((running + 1))
  done
  wait
  for name in "${targets[@]}"; do
    cat "build-asan/fuzz-results/$name.result"
    if grep -q FINDING "build-asan/fuzz-results/$name.result"; then
      tail -40 "build-asan/fuzz-results/$name.log"
      status=1
    fi
  done
  echo "== fuzzing: $((SECONDS - step)) s"
fi

echo "== sanitizer tests"
echo "== total so far: $((SECONDS - start)) s"
if [ "$all" = ON ]; then run_tests build-asan; else run_tests build-asan -E 'OpenGL'; fi
echo "== skipped tests: $(skipped_tests build) in the plain build, $(skipped_tests build-asan) in the sanitizer build"
exit $status
