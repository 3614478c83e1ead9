#!/usr/bin/env bash
# Installs dependencies, builds the default preset and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
