#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes the test engine's input (test
# specifications and CSV tables) from its corpus.
# Usage: fuzz/run-engine.sh [SECONDS]   (default 600)
exec "$(dirname "$0")/run-target.sh" engine_input "${1:-600}"
