#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it
# with .clang-format, and shows how.
#   scripts/format-check.sh          check
#   scripts/format-check.sh --fix    reformat those files in place
set -euo pipefail
cd "$(dirname "$0")/.."
format=clang-format-14
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  "$format" -i --style=file "${sources[@]}"
  exit 0
fi
bad=0
for file in "${sources[@]}"; do
  if ! "$format" --style=file "$file" | diff -u --label "$file" --label "$file (formatted)" "$file" - >&2; then
    bad=$((bad + 1))
  fi
done
if [ $bad -ne 0 ]; then
  echo "format: $bad of ${#sources[@]} files are not formatted; scripts/format-check.sh --fix formats them"
  exit 1
fi
echo "format: all ${#sources[@]} files formatted"
