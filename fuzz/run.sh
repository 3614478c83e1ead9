#!/usr/bin/env bash
# Builds the fuzz preset and runs the whole-pipeline split fuzzer on its corpus.
# Usage: fuzz/run.sh [SECONDS]   (default 600); fuzz/run-target.sh runs any target.
exec "$(dirname "$0")/run-target.sh" process_split "${1:-600}"
