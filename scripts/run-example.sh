#!/usr/bin/env bash
# Installs dependencies, builds the default preset and writes the report of the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
./build/default/bin/npar-report "$@"
