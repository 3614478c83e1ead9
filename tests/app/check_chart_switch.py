#!/usr/bin/env python3
"""Runs npar-report on the full example twice, as separate processes (the
plug-in reads DEBUG_MODEL_VIEWER once per process): with charts, every test
heading that has a chart view and every field gets its chart; with
--no-charts, the tables are all still there and the only charts left are the
networks that the pairwise tables make themselves."""
import json
import subprocess
import sys


def run(program, example, *options):
    result = subprocess.run([program, example, "--format", "json", *options],
                            capture_output=True, text=True, check=False)
    if result.returncode != 0:
        sys.exit(f"npar-report {' '.join(options)} exited {result.returncode}: {result.stderr}")
    return json.loads(result.stdout)


def items(node, kind):
    for item in node.get("items", []):
        if item["type"] == kind:
            yield item
        yield from items(item, kind)


def main():
    program, example = sys.argv[1], sys.argv[2]
    with_charts = run(program, example)
    without = run(program, example, "--no-charts")

    tables = [t["title"] for t in items(with_charts, "table")]
    tables_off = [t["title"] for t in items(without, "table")]
    if tables != tables_off:
        sys.exit("--no-charts changed the tables")
    charts = list(items(with_charts, "chart"))
    templates = {c["template"] for c in charts}
    for expected in ("NPARHistogram.viztemplate", "NPARBoxplot.viztemplate"):
        if expected not in templates:
            sys.exit(f"no {expected} chart in the full example's report")
    left = [c["template"] for c in items(without, "chart")]
    if any(t != "GLMMPairwiseContrasts.viztemplate" for t in left):
        sys.exit(f"--no-charts still made dispatcher or field charts: {sorted(set(left))}")
    pairwise = [t for t in tables if t.startswith("Pairwise Comparisons")]
    if left and len(left) != len(pairwise):
        sys.exit(f"{len(pairwise)} pairwise tables but {len(left)} network charts")
    print(f"{len(charts)} charts with charts on, {len(left)} with --no-charts; "
          f"{len(tables)} tables both ways")


if __name__ == "__main__":
    main()
