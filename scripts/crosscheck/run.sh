#!/usr/bin/env bash
# Cross-checks the test engine against R on random data sets: makes them,
# runs npar-report on each, computes the same numbers in base R and compares.
#   scripts/crosscheck/run.sh [COUNT [FIRST [CONFIDENCE]]]   (default 100 data sets from 0, 95%)
# Needs the default build (build/default/bin/npar-report), python3 and
# Rscript (Debian: r-base-core, which the project's set-up does not install).
# Exits 1 when a number differs; see scripts/crosscheck/README.md.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
count="${1:-100}"
first="${2:-0}"
confidence="${3:-}"
report="$here/../../build/default/bin/npar-report"
command -v Rscript >/dev/null || { echo "Rscript not found: apt-get install r-base-core" >&2; exit 2; }
[ -x "$report" ] || { echo "no $report: build the default preset first" >&2; exit 2; }
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
python3 "$here/generate.py" "$out" "$first" "$count" "$report" $confidence
level=0.95
[ -n "$confidence" ] && level="$(python3 -c "print($confidence / 100)")"
for ((i = first; i < first + count; i++)); do
  Rscript "$here/reference.R" "$out/$i" "$level"
done
python3 "$here/compare.py" "$out" "$first" "$count"
