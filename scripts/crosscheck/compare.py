#!/usr/bin/env python3
"""Compares the engine's numbers with the references, data set by data set.

compare.py OUT FIRST COUNT: reads OUT/i/engine.json, reference.tsv, subsets.csv
and subsets-reference.tsv of each data set; prints every number that differs
by more than 1e-6 (relative to its size when that is above 1) and a count per
test; exits 1 when any differs.
"""
import csv
import json
import sys
from collections import Counter

from generate import STEPWISE, TESTS

TOLERANCE = 1e-6


def number(text):
    try:
        return float(text)
    except (TypeError, ValueError):
        return None


def close(engine, reference):
    return engine is not None and abs(engine - reference) <= TOLERANCE * max(1.0, abs(reference))


def pairwise_rows(test):
    table = test.get("PairwiseResult/Content")
    if not isinstance(table, dict):
        return {}
    rows = {}
    for row in table["data"]:
        cells = dict(zip(table["cols"], row))
        rows[frozenset((cells["Sample1"], cells["Sample2"]))] = cells
    return rows


CELL = {"statistic": "TestStatistic", "se": "StdError", "z": "StdTestStatistic", "sig": "Sig",
        "adjusted": "AdjSig"}


def engine_value(test, key, data_rows):
    """The engine's number for a reference key, or None when the engine
    shows no such comparison (comparisons are made only when the test
    rejects its null hypothesis), or "absent" when it should be there."""
    words = key.split()
    if words[0] in ("fields", "groups", "contrast"):
        # Pairwise rows. "fields": samples are field indices; "groups" and
        # "contrast": values of g3, whose samples are their indices among the
        # field's values. A difference ("fields", "contrast") is Sample1's
        # less Sample2's: its sign turns with the row.
        indices = words[1:3]
        if words[0] != "fields":
            values = sorted({float(row["g3"]) for row in data_rows if row["g3"] != ""})
            indices = [str(values.index(float(word))) for word in indices]
        cells = pairwise_rows(test).get(frozenset(indices))
        if cells is None:
            return None
        value = number(cells[CELL[words[3]]])
        turned = words[0] != "groups" and cells["Sample1"] != indices[0]
        return -value if turned and words[3] in ("statistic", "z") else value
    return number(test[key]) if key in test else "absent"


def main():
    out, first, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    checked, differing = Counter(), Counter()
    for seed in range(first, first + count):
        folder = f"{out}/{seed}"
        tests = json.load(open(f"{folder}/engine.json"))
        data_rows = list(csv.DictReader(open(f"{folder}/data.csv")))
        if len(tests) != len(TESTS):
            print(f"{seed}: {len(tests)} tests in the document, not {len(TESTS)}")
            differing["documents"] += 1
            continue
        for reference in csv.DictReader(open(f"{folder}/reference.tsv"), delimiter="\t"):
            t, key = int(reference["test"]), reference["key"]
            if reference["value"] == "NA":
                continue
            value = engine_value(tests[t], key, data_rows)
            if value is None:
                continue
            checked[TESTS[t]] += 1
            if value == "absent" or not close(value, float(reference["value"])):
                differing[TESTS[t]] += 1
                print(f"{seed}: {TESTS[t]}: {key}: engine {value}, reference {reference['value']}")
        subsets = list(csv.DictReader(open(f"{folder}/subsets.csv")))
        references = list(csv.DictReader(open(f"{folder}/subsets-reference.tsv"), delimiter="\t"))
        for subset, reference in zip(subsets, references):
            name = STEPWISE[int(subset["test"])] + " (subsets)"
            checked[name] += 1
            for what in ("statistic", "sig", "adjusted"):
                if not close(number(subset[what]), float(reference[what])):
                    differing[name] += 1
                    print(f"{seed}: {name}: samples {subset['samples']}: {what}: engine {subset[what]}, "
                          f"reference {reference[what]}")
    for name in sorted(checked):
        print(f"{checked[name]:6d} checked, {differing[name]:4d} differ  {name}")
    sys.exit(1 if sum(differing.values()) else 0)


if __name__ == "__main__":
    main()
