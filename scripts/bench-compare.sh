#!/usr/bin/env bash
# Compares the output benchmarks of two builds on this machine, alternating
# them so that a machine that speeds up or slows down during the runs weighs
# on both alike:
#   scripts/bench-compare.sh BUILD_A BUILD_B [ROUNDS]     (default: 3 rounds)
# BUILD_A and BUILD_B are build directories of the bench preset (bin/bench_split
# and bin/bench_output), say build/bench and the build of an older commit made
# in a git worktree. Each round runs BM_Read, BM_JsonNoCharts and
# BM_JsonWithCharts three times in each build (A then B in odd rounds, B then A
# in even ones) and prints the medians of their ratios to pugixml's parse and of
# their times; the last line is the median of the rounds. The ratios move less
# than the times, but both move with the machine: compare builds, not runs.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: scripts/bench-compare.sh BUILD_A BUILD_B [ROUNDS]" >&2
  exit 2
fi
builds=("$1" "$2")
rounds="${3:-3}"
for build in "${builds[@]}"; do
  for program in bench_split bench_output; do
    if [ ! -x "$build/bin/$program" ]; then
      echo "bench-compare: $build/bin/$program is missing (build the bench preset there)" >&2
      exit 2
    fi
  done
done

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

run() {  # build label round
  "$1/bin/bench_split" --benchmark_filter='BM_Read/|BM_JsonNoCharts' --benchmark_repetitions=3 \
    --benchmark_format=json >"$out/$2.$3.split.json" 2>/dev/null
  "$1/bin/bench_output" --benchmark_filter='BM_JsonWithCharts' --benchmark_repetitions=3 \
    --benchmark_format=json >"$out/$2.$3.output.json" 2>/dev/null
}

for ((round = 1; round <= rounds; ++round)); do
  if ((round % 2 == 1)); then order=(0 1); else order=(1 0); fi
  for i in "${order[@]}"; do
    label=$([ "$i" = 0 ] && echo A || echo B)
    run "${builds[$i]}" "$label" "$round"
  done
done

python3 - "$out" "$rounds" "${builds[0]}" "${builds[1]}" <<'PY'
import json, statistics, sys

out, rounds, build_a, build_b = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
names = ["BM_Read", "BM_JsonNoCharts", "BM_JsonWithCharts"]

def medians(label, round_):
    found = {}
    for part in ("split", "output"):
        for b in json.load(open(f"{out}/{label}.{round_}.{part}.json"))["benchmarks"]:
            if b.get("aggregate_name") != "median":
                continue
            name = b["run_name"].split("/")[0]
            unit = {"ms": 1, "us": 1e-3, "ns": 1e-6, "s": 1e3}[b["time_unit"]]
            found[name] = (b.get("ratio_to_parse", 0.0), b["real_time"] * unit)
    return found

print(f"A: {build_a}\nB: {build_b}\n")
print("| round | " + " | ".join(f"{n} A / B" for n in names) + " |")
print("|---|" + "---|" * len(names))
table = {label: {n: [] for n in names} for label in "AB"}
for r in range(1, rounds + 1):
    cells = []
    for n in names:
        pair = []
        for label in "AB":
            ratio, ms = medians(label, r).get(n, (float("nan"), float("nan")))
            table[label][n].append((ratio, ms))
            pair.append(f"{ratio:.2f}x {ms:.0f} ms")
        cells.append(" / ".join(pair))
    print(f"| {r} | " + " | ".join(cells) + " |")
cells = []
for n in names:
    pair = []
    for label in "AB":
        values = table[label][n]
        pair.append(f"{statistics.median(v[0] for v in values):.2f}x "
                    f"{statistics.median(v[1] for v in values):.0f} ms")
    cells.append(" / ".join(pair))
print("| median | " + " | ".join(cells) + " |")
PY
