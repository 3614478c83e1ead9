#!/usr/bin/env bash
# Installs dependencies, builds the default preset and runs tests on the
# example data (examples/course.csv with its dictionary): data in, report out.
# Extra arguments go to npar-report (-o report.html, --format json, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
exec ./build/default/bin/npar-report examples/course.csv \
  --dictionary examples/course.dictionary.json \
  --test "chi-square region" \
  --test "binomial gender" \
  --test "runs score_pre" \
  --test "wilcoxon score_post median=65" \
  --test "ks score_pre dist=normal" \
  --test "ks visits dist=poisson" \
  --test "success-rate grade_3 success=2,3" \
  "$@"
