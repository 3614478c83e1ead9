#!/usr/bin/env bash
# Makes the bundled examples with the engine users run: the course data
# (examples/course.csv and its dictionary, from the seeded generator), the
# full example document (examples/full.xml, every kind of test) and the
# split run (examples/splits/: one document per region and the manifest).
# Usage: scripts/make-examples.sh [NPAR-REPORT]   (default: the default build's)
set -euo pipefail
cd "$(dirname "$0")/.."
report="${1:-build/default/bin/npar-report}"
python3 examples/tools/make_course_data.py examples
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$report" --analysis examples/full.analysis.json --save-documents "$work/full" --format json >/dev/null
cp "$work/full/split-1.xml" examples/full.xml
rm -rf examples/splits
"$report" --analysis examples/splits.analysis.json --save-documents examples/splits --format json >/dev/null
echo "wrote examples/course.csv, examples/course.dictionary.json, examples/full.xml and examples/splits/"
