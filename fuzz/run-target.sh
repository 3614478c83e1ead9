#!/usr/bin/env bash
# Builds the fuzz preset and runs one fuzz target over its stored corpus
# (fuzz/corpus/TARGET) with its dictionary. New inputs go to a scratch corpus
# under the build folder; an input that finds a fault is written there as
# crash-*, leak-*, timeout-* or oom-*, and should be added to the stored
# corpus once the fault is fixed. Exits non-zero on any finding.
# Usage: fuzz/run-target.sh TARGET [SECONDS] [BUILD_DIR]
#   TARGET: process_split | reader | split_read | chart_renderer | writers | engine_input
#   SECONDS: default 600; BUILD_DIR: default build/fuzz (configured and built here)
set -euo pipefail
cd "$(dirname "$0")/.."
target="$1"
seconds="${2:-600}"
build="${3:-build/fuzz}"
case "$target" in
  process_split | reader | split_read) dict=fuzz/xml.dict ;;
  chart_renderer) dict=fuzz/chart.dict ;;
  writers) dict=fuzz/json.dict ;;
  engine_input) dict=fuzz/engine.dict ;;
  *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac
if [ "$build" = build/fuzz ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz --target "fuzz_$target"
fi
scratch="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$scratch" "$findings"
"$build/bin/fuzz_$target" "$scratch" "fuzz/corpus/$target" \
  -dict="$dict" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$findings/" -print_final_stats=1
