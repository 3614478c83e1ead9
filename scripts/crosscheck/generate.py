#!/usr/bin/env python3
"""Makes random data sets, runs the engine on each and flattens what it wrote.

generate.py OUT FIRST COUNT REPORT [CONFIDENCE]: for each data set i in
FIRST..FIRST+COUNT-1, OUT/i/data.csv (6 to 60 cases, 0 to 2 decimals, up to
10% empty cells), the engine's result document (--save-documents), and two
files for the comparison: OUT/i/engine.json, one object per test in the order
of TESTS (the document's attributes by their path, its simple tables with
rows and columns), and OUT/i/subsets.csv, the homogeneous subsets of the
stepwise tests with the samples each one holds.
"""
import csv
import glob
import json
import os
import random
import subprocess
import sys
import xml.etree.ElementTree as ET

# The tests checked, in the order the reference script numbers them.
TESTS = [
    "success-rate c success=1 methods=clopper-pearson,jeffreys,likelihood",
    "moses y by g2",
    "moses y by g2 outliers=1 control=2",
    "marginal-homogeneity o1 o2",
    "cochran b1 b2 b3 success=1",
    "median y by g3",
    "jonckheere-terpstra y by g3",
    "chi-square c",
    "mann-whitney y by g2",
    "wilcoxon y y2",
    "mcnemar b1 b2 success=1",
    "kruskal-wallis y by g3",
    "kendall o1 o2 o3",
    "median y by g2",
    "jonckheere-terpstra y by g3 order=descending",
    "moses y by g2 trim=0.1",
    "hodges-lehmann y y2",
    "hodges-lehmann y by g2",
    "friedman o1 o2 o3",
    "sign y y2",
    "binomial c success=1",
    "runs y",
    "wilcoxon y median=1",
    "ks y by g2",
    "ks y dist=normal",
    "ks y dist=uniform",
    "wald-wolfowitz y by g2",
]
# The tests whose homogeneous subsets are checked.
STEPWISE = [
    "kruskal-wallis y by g3 compare=stepwise",
    "median y by g3 compare=stepwise",
    "jonckheere-terpstra y by g3 compare=stepwise",
    "friedman o1 o2 o3 compare=stepwise",
    "kendall o1 o2 o3 compare=stepwise",
    "cochran b1 b2 b3 success=1 compare=stepwise",
]
COLUMNS = ["y", "y2", "g2", "g3", "o1", "o2", "o3", "b1", "b2", "b3", "c"]


def blank_or(value, rate):
    return "" if random.random() < rate else value


def make_data(seed, attempt):
    random.seed(1000 + seed + 1000003 * attempt)
    n = random.randint(6, 60)
    decimals = random.choice([0, 1, 2])
    scale = random.choice([1, 3, 10])
    missing = random.choice([0, 0.05, 0.1])
    rows = []
    for _ in range(n):
        g3 = random.randint(1, random.choice([3, 4]))
        y = round(random.gauss(g3 * 0.3 * scale, scale), decimals)
        y2 = round(y + random.gauss(0.3 * scale, scale), decimals)
        o1 = random.randint(1, 4)
        o2 = min(4, max(1, o1 + random.choice([-1, 0, 0, 1, 1])))
        o3 = min(4, max(1, o2 + random.choice([-1, 0, 1, 1])))
        b1 = random.randint(0, 1)
        b2 = b1 if random.random() < 0.6 else 1 - b1
        b3 = random.randint(0, 1) if random.random() < 0.5 else b2
        values = [y, y2, random.randint(1, 2), g3, o1, o2, o3, b1, b2, b3, random.choice([1, 1, 2, 3])]
        rows.append({name: blank_or(value, missing) for name, value in zip(COLUMNS, values)})
    return rows


class DataRefused(Exception):
    """The engine refused the data as a usage error (a grouping field with
    one value, a success value that never occurs): small random data sets
    can lack what a test asks for."""


def run_engine(report, data, folder, tests, confidence):
    arguments = [report, data, "--save-documents", folder, "--format", "json", "--no-charts",
                 "-o", os.devnull]
    if confidence:
        arguments += ["--confidence", confidence, "--alpha", str(round(1 - float(confidence) / 100, 4))]
    for test in tests:
        arguments += ["--test", test]
    result = subprocess.run(arguments, capture_output=True, text=True)
    if result.returncode == 2:
        raise DataRefused(result.stderr)
    if result.returncode != 0:
        raise RuntimeError(f"{data}: npar-report exited {result.returncode}: {result.stderr[:300]}")
    return ET.parse(glob.glob(f"{folder}/split-*.xml")[0]).getroot()


def flatten(algorithm):
    flat = {"_name": algorithm.get("name")}

    def walk(node, path):
        for child in node:
            if child.tag == "Attribute":
                flat[path + child.get("name")] = child.get("value")
            elif child.tag == "StructuredTable":
                walk(child, path + child.get("name") + "/")
            elif child.tag == "SimpleTable":
                flat[path + child.get("name")] = {
                    "rows": (child.findtext("RowNames") or "").split(),
                    "cols": (child.findtext("ColumnNames") or "").split(),
                    "data": [(row.text or "").split() for row in child.findall("Row")],
                }

    walk(algorithm, "")
    return flat


def subsets(root):
    """Rows of the stepwise tests' subsets: test, the samples (group
    indices or field indices) from the first to the last position, the
    statistic, significance and adjusted significance, the number of samples."""
    found = []
    for test, algorithm in enumerate(root.iter("Algorithm")):
        for stepwise in algorithm.iter("StructuredTable"):
            if stepwise.get("name") != "StepwiseResult":
                continue
            tables = {table.get("name"): table for table in stepwise.iter("SimpleTable")}
            samples = tables["StepwiseInfo"].find("Row").text.split()
            columns = tables["Content"].findtext("ColumnNames").split()
            for row in tables["Content"].findall("Row"):
                cells = dict(zip(columns, row.text.split()))
                if cells["Sig"] == "__MISSING__":
                    continue
                chosen = samples[int(cells["FirstPosition"]):int(cells["LastPosition"]) + 1]
                found.append([test, " ".join(chosen), cells["TestStatistic"], cells["Sig"],
                              cells["AdjSig"], len(samples)])
    return found


def main():
    out, first, count, report = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    confidence = sys.argv[5] if len(sys.argv) > 5 else ""
    for seed in range(first, first + count):
        folder = f"{out}/{seed}"
        os.makedirs(folder, exist_ok=True)
        # A data set the engine refuses is made again from the next seed of
        # its own.
        for attempt in range(20):
            with open(f"{folder}/data.csv", "w", newline="") as file:
                writer = csv.DictWriter(file, fieldnames=COLUMNS)
                writer.writeheader()
                writer.writerows(make_data(seed, attempt))
            try:
                root = run_engine(report, f"{folder}/data.csv", f"{folder}/documents", TESTS, confidence)
                break
            except DataRefused as refusal:
                if attempt == 19:
                    raise RuntimeError(f"data set {seed}: refused 20 times: {refusal}")
        with open(f"{folder}/engine.json", "w") as file:
            json.dump([flatten(algorithm) for algorithm in root.iter("Algorithm")], file)
        root = run_engine(report, f"{folder}/data.csv", f"{folder}/stepwise", STEPWISE, confidence)
        with open(f"{folder}/subsets.csv", "w", newline="") as file:
            writer = csv.writer(file)
            writer.writerow(["test", "samples", "statistic", "sig", "adjusted", "k"])
            writer.writerows(subsets(root))


if __name__ == "__main__":
    main()
