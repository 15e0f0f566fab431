#!/bin/bash
# Runs each fuzz target for the given time, one after the other (to leave the other cores free), with
# memory limits that make a decompression bomb a finding: one allocation above 600 MB (more than the
# largest picture the decoders accept) or 2 GB resident ends the run with a report.
# Usage: fuzz/run.sh BUILD_FOLDER SECONDS
set -uo pipefail
build=${1:?build folder}
seconds=${2:?seconds per target}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for pair in decode:imaging settings:settings taskfile:batch xlsx:namelist; do
  name=${pair%%:*}
  seeds=$here/${pair#*:}/corpus
  target=$build/picura_fuzz_$name
  work=$build/fuzz-work/$name
  mkdir -p "$work/corpus" "$work/findings"
  log=$work/fuzz.log
  echo "== $name: ${seconds}s (log: $log)"
  # The seeds stay as they are; what the fuzzer learns goes to the work corpus.
  "$target" "$work/corpus" "$seeds" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=600 \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$work/findings/" >"$log" 2>&1
  rc=$?
  grep -E 'DONE' "$log" | tail -1
  grep -E '^stat::number_of_executed_units' "$log"
  findings=$(ls "$work/findings" | wc -l)
  echo "   exit $rc, findings: $findings"
  if [ "$rc" -ne 0 ] || [ "$findings" -ne 0 ]; then
    grep -E 'ERROR|SUMMARY|deadly|malloc\(' "$log" | head -5
    status=1
  fi
done
exit $status
