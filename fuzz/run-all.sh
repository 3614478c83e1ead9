#!/usr/bin/env bash
# Runs every fuzz target over its stored corpus for SECONDS each (as CI does)
# and fails when any of them finds a fault; prints each target's executions
# per second.
# Usage: fuzz/run-all.sh [SECONDS] [BUILD_DIR]   (default 60, build/fuzz)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${2:-build/fuzz}"
targets=(reader split_read chart_renderer writers process_split engine_input)
if [ "$build" = build/fuzz ]; then
  cmake --preset fuzz >/dev/null && cmake --build --preset fuzz --target "${targets[@]/#/fuzz_}" || exit 1
fi
failed=0
for target in "${targets[@]}"; do
  log="$build/fuzz-$target.log"
  if fuzz/run-target.sh "$target" "$seconds" "$build" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz $target: no finding in ${seconds}s, $((runs / seconds)) executions a second"
  else
    failed=1
    echo "fuzz $target: FINDING (log: $log)"
    tail -40 "$log"
  fi
done
exit "$failed"
