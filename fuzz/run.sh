#!/usr/bin/env bash
# Builds the fuzz preset and runs the split fuzzer on the seed corpus.
# Usage: fuzz/run.sh [SECONDS]   (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_process_split
corpus=build/fuzz/corpus
mkdir -p "$corpus"
./build/fuzz/bin/fuzz_process_split "$corpus" fuzz/seeds examples \
  -dict=fuzz/xml.dict -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
