#!/usr/bin/env bash
# Runs one fuzzer for a fixed time and prints its summary; the whole output
# goes to a log beside the corpus, and its end is printed when it fails.
#   fuzz/run.sh FUZZER SECONDS CORPUS SEEDS
set -uo pipefail
fuzzer=$1 seconds=$2 corpus=$3 seeds=$4
log="$corpus.log"
mkdir -p "$corpus"
# A crash, a leak, an input over 10 s or an allocation over the loader's bound
# fails the run. Slow pictures are stopped by the decoder process's deadline
# (3 s) in the program; here only what looks like a hang counts.
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 "$fuzzer" \
  -max_total_time="$seconds" -timeout=10 -malloc_limit_mb=320 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 -artifact_prefix="$corpus-" "$corpus" "$seeds" >"$log" 2>&1
status=$?
name=$(basename "$fuzzer")
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
if [ "$status" -ne 0 ]; then
  tail -n 60 "$log"
  echo "$name: FAILED after ${runs:-?} runs (log: $log)"
  exit "$status"
fi
echo "$name: ${runs:-?} runs in $seconds s, peak ${peak:-?} MB, corpus $(ls "$corpus" | wc -l) inputs, nothing found"
