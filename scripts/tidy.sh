#!/usr/bin/env bash
# Runs clang-tidy with the profile in .clang-tidy over the sources in src/.
#
#   scripts/tidy.sh                  every .cpp in src/
#   scripts/tidy.sh FILE...          only these files (a header stands for the
#                                    .cpp beside it; files outside src/ are skipped)
#   scripts/tidy.sh --changed [BASE] the files in src/ this branch changed since
#                                    it left BASE (default: origin/main, else main)
#
# Prints each finding once (a header's findings repeat in every file that
# includes it), then a count per check. Exits 1 when there are findings.
#
# Environment:
#   TIDY_BUILD_DIR  build folder with compile_commands.json (default build-tidy;
#                   configured here when the file is missing)
#   JOBS            parallel clang-tidy runs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${TIDY_BUILD_DIR:-build-tidy}
jobs=${JOBS:-2}

tidy=$(command -v clang-tidy || command -v clang-tidy-14 || true)
if [ -z "$tidy" ]; then
  echo "tidy: clang-tidy is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DPLAYER_TESTS=OFF >/dev/null
fi
# The headers the build generates, which the sources include.
cmake --build "$build" --target cp932_table >/dev/null

files=()
if [ "${1:-}" = "--changed" ]; then
  base=${2:-}
  if [ -z "$base" ]; then
    if git rev-parse -q --verify origin/main >/dev/null; then base=origin/main; else base=main; fi
  fi
  # Changes since the branch left BASE, committed or not.
  mapfile -t candidates < <(git diff --name-only --diff-filter=d "$(git merge-base "$base" HEAD)" -- src)
else
  candidates=("$@")
fi

if [ $# -eq 0 ]; then
  mapfile -t files < <(find src -name '*.cpp' | sort)
else
  for f in "${candidates[@]}"; do
    f=${f#"$root"/}
    f=${f#./}
    case "$f" in
      src/*.cpp) ;;
      src/*.h) f=${f%.h}.cpp ;;
      *) continue ;;
    esac
    [ -f "$f" ] && files+=("$f")
  done
  mapfile -t files < <(printf '%s\n' "${files[@]}" | sort -u | sed '/^$/d')
fi

if [ ${#files[@]} -eq 0 ]; then
  echo "tidy: no source files to check"
  exit 0
fi
echo "tidy: checking ${#files[@]} file(s) with $jobs job(s)"

out=$(mktemp)
trap 'rm -f "$out"' EXIT
runner=$(command -v run-clang-tidy || command -v run-clang-tidy-14 || true)
if [ -n "$runner" ]; then
  # run-clang-tidy takes regular expressions; anchor each path.
  patterns=()
  for f in "${files[@]}"; do patterns+=("^$root/${f//./\\.}\$"); done
  "$runner" -clang-tidy-binary "$tidy" -p "$build" -j "$jobs" -quiet "${patterns[@]}" >"$out" 2>/dev/null || true
else
  printf '%s\n' "${files[@]}" |
    xargs -P "$jobs" -n 1 "$tidy" -p "$build" --quiet >"$out" 2>/dev/null || true
fi

# Drop colours, keep one copy of each finding.
findings=$(sed 's/\x1b\[[0-9;]*m//g' "$out" |
  grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error): ' | sed "s|^$root/||" | sort -u || true)
if [ -z "$findings" ]; then
  echo "tidy: clean"
  exit 0
fi
printf '%s\n' "$findings"
echo
echo "tidy: findings per check"
printf '%s\n' "$findings" | grep -oE '\[[^]]+\]$' | sort | uniq -c | sort -rn
exit 1
