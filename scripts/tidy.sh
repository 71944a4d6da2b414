#!/usr/bin/env bash
# Runs clang-tidy with the checks in .clang-tidy over every source file of ours
# in a configured build's compile database; any finding fails it.
#   scripts/tidy.sh [build folder]     (default build-test, as `make test` leaves it)
# The tree must have been built once: the tests include moc's output.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
started=$SECONDS
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy: $build/compile_commands.json is missing: configure with a preset (make test) first" >&2
  exit 1
fi
log="$build/clang-tidy.log"
status=0
# Our own folders only: the generated moc files are not ours to change.
run-clang-tidy-14 -p "$build" -j "${JOBS:-2}" -quiet \
  "^$PWD/(about|app|banner|bench|common|dist|files|fuzz|platform|tests|viewer)/" >"$log" 2>&1 || status=$?
files=$(grep -c '^clang-tidy-14 ' "$log" || true)
if [ $status -ne 0 ]; then
  grep -E -A3 '(warning|error):' "$log" | sed 's/\x1b\[[0-9;]*m//g' >&2 || tail -n 40 "$log" >&2
  echo "tidy: FAILED: findings above (whole output: $log)"
  exit 1
fi
echo "tidy: no findings in $files files ($((SECONDS - started)) s)"
