#!/usr/bin/env bash
# Installs dependencies, builds the default preset and runs the example
# analysis (examples/full.analysis.json: 28 tests on examples/course.csv with
# its dictionary): data in, report out. Extra arguments go to npar-report
# (-o report.html, --format json, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
exec ./build/default/bin/npar-report --analysis examples/full.analysis.json "$@"
