#!/usr/bin/env bash
# Formats the C++ sources (src/, tests/, bench/, fuzz/) with .clang-format.
#
#   scripts/format.sh           rewrite every file that differs
#   scripts/format.sh --check   list the files that differ; exit 1 if any
#   either form takes file names after the option to limit it to those files
#
# Environment: JOBS  parallel clang-format runs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi

format=$(command -v clang-format || command -v clang-format-14 || true)
if [ -z "$format" ]; then
  echo "format: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

if [ $# -gt 0 ]; then
  files=("$@")
else
  # Tracked and new (not ignored) files, so build folders never count.
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- src tests bench fuzz |
    grep -E '\.(cpp|cc|c|h|hpp|inc)$' | sort -u)
  existing=()
  for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done
  files=("${existing[@]}")
fi
[ ${#files[@]} -eq 0 ] && exit 0

# Files whose formatted text differs from what is on disk.
differing() {
  # Each batch filters its own messages, so parallel runs never mix lines.
  printf '%s\0' "$@" | xargs -0 -P "$jobs" -n 40 sh -c \
    '"$0" --style=file --dry-run --ferror-limit=1 "$@" 2>&1 |
       sed -n "s/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p" | sort -u' \
    "$format" | sort -u
}

if [ $check -eq 1 ]; then
  mapfile -t bad < <(differing "${files[@]}")
  if [ ${#bad[@]} -gt 0 ]; then
    printf '%s\n' "${bad[@]}"
    echo "format: ${#bad[@]} file(s) differ from .clang-format; run scripts/format.sh" >&2
    exit 1
  fi
  exit 0
fi

# clang-format settles a few constructs (a long trailing comment inside a call)
# only on a second run, so repeat on what still differs.
mapfile -t todo < <(differing "${files[@]}")
for pass in 1 2 3; do
  [ ${#todo[@]} -eq 0 ] && break
  [ $pass -eq 1 ] && printf '%s\n' "${todo[@]}"
  printf '%s\0' "${todo[@]}" | xargs -0 -P "$jobs" -n 20 "$format" --style=file -i
  mapfile -t todo < <(differing "${todo[@]}")
done
if [ ${#todo[@]} -gt 0 ]; then
  printf '%s\n' "${todo[@]}"
  echo "format: clang-format does not settle on these files" >&2
  exit 1
fi
