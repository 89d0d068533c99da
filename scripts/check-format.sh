#!/bin/sh
# Checks that every C and C++ file of the tree is laid out as .clang-format says, that is as
# `clang-format -i FILE` would leave it. Names the files that are not and exits with 1 when
# there are any; 77 (a skip, for CTest) when clang-format is missing.
# Usage: scripts/check-format.sh
set -eu
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
  echo "check-format: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 77
fi
# In a checkout: the files git keeps and the new ones it does not ignore; elsewhere every file
# outside the build folders.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files --cached --others --exclude-standard -- '*.c' '*.cpp' '*.h')
else
  files=$(find . -path './build*' -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
fi
# A file deleted in the working tree but not yet in git is no longer there to check.
files=$(for f in $files; do [ -f "$f" ] && echo "$f"; done)
# shellcheck disable=SC2086
bad=$(clang-format --dry-run --Werror $files 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
  echo "check-format: these files differ from what clang-format makes of them (run clang-format -i):" >&2
  echo "$bad" | sed 's/^/  /' >&2
  exit 1
fi
echo "check-format: $(echo "$files" | wc -l) files laid out as .clang-format says"
