#!/usr/bin/env bash
# Writes npar-report's outputs for the bundled full example, its analysis file
# and the scaled benchmark document (json, text, html, and json --no-charts)
# into DIR, so that two builds' outputs can be compared byte for byte:
#   scripts/output-snapshot.sh BUILD_DIR OUT_DIR      (e.g. build/bench /tmp/before)
#   diff -r /tmp/before /tmp/after
# BUILD_DIR must hold bin/npar-report and bin/make_large_document (the bench preset).
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
out="$2"
mkdir -p "$out"
report="$build/bin/npar-report"
# The scaled document at one fixed place: the text and HTML reports name the
# documents they were made from, so every snapshot must name the same path.
scaled="${TMPDIR:-/tmp}/npar-snapshot-scaled.xml"
"$build/bin/make_large_document" >"$scaled"
run() {
    local name="$1"
    shift
    for format in json text html; do
        "$report" "$@" --format "$format" -o "$out/$name.$format" >/dev/null
    done
    "$report" "$@" --format json --no-charts -o "$out/$name.nocharts.json" >/dev/null
}
run full examples/full.xml
run analysis --analysis examples/full.analysis.json
run scaled "$scaled"
rm -f "$scaled"
