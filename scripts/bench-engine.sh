#!/usr/bin/env bash
# Times the test engine (bench preset) and, where scipy and statsmodels can
# be imported, the same tests in them on the same data; prints the CSV read
# rate and, per test and size, the engine's time, scipy's and their ratio.
# Usage: scripts/bench-engine.sh [PYTHON]   (default python3; a Python with scipy)
set -euo pipefail
cd "$(dirname "$0")/.."
python="${1:-python3}"
cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_engine >/dev/null
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
./build/bench/bin/bench_engine --benchmark_format=json >"$data/engine.json"
scipy="{}"
if "$python" -c "import scipy, statsmodels" 2>/dev/null; then
  ./build/bench/bin/bench_engine --write-data "$data"
  scipy="$("$python" bench/scipy_tests.py "$data")"
else
  echo "(scipy or statsmodels not importable with $python: engine times only)"
fi
python3 - "$data/engine.json" "$scipy" <<'PY'
import json, sys
engine = json.load(open(sys.argv[1]))["benchmarks"]
scipy = json.loads(sys.argv[2])
print(f"{'benchmark':28} {'engine':>12} {'scipy':>12} {'engine/scipy':>13}")
for b in engine:
    name = b["name"].replace("BM_", "")
    seconds = b["real_time"] / 1000.0  # the benchmarks report milliseconds
    if "bytes_per_second" in b:
        print(f"{name:28} {seconds:10.3f} s  {b['bytes_per_second'] / 1e6:8.1f} MB/s")
        continue
    other = scipy.get(name)
    ratio = f"{seconds / other:13.3f}" if other else ""
    print(f"{name:28} {seconds:10.4f} s {other if other is None else f'{other:10.4f} s'} {ratio}")
PY
