#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes the test engine's input (test
# specifications and CSV tables) from its seeds.
# Usage: fuzz/run-engine.sh [SECONDS]   (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_engine_input
corpus=build/fuzz/engine-corpus
mkdir -p "$corpus"
./build/fuzz/bin/fuzz_engine_input "$corpus" fuzz/engine-seeds \
  -dict=fuzz/engine.dict -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
