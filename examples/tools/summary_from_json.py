#!/usr/bin/env python3
"""Prints the Hypothesis Test Summary of npar-report's JSON report as
tab-separated rows, one per test and split: the split's heading (empty
without splits), the row number, the null hypothesis, the test, the
significance as a number (empty when not computed) and as the report writes
it, and the decision. An example of reading the JSON form
(docs/json-output.md):

    npar-report --analysis examples/full.analysis.json --format json -o report.json
    examples/tools/summary_from_json.py report.json
"""
import json
import sys


def tables(items, title, headings=()):
    """Every table of that title under the items, with the headings above it."""
    for item in items:
        if item["type"] == "table" and item["title"] == title:
            yield headings, item
        elif item["type"] == "heading":
            yield from tables(item["items"], title, headings + (item["text"],))


def rows(table):
    """The table's rows in order, each a dict from column label to cell."""
    by_row = {}
    for cell in table["cells"]:
        by_row.setdefault(tuple(cell["row"]), {})[cell["column"][-1]] = cell
    return by_row.items()


def main(path):
    with open(path, encoding="utf-8") as file:
        report = json.load(file)
    if report.get("format") != "npar-output/1":
        sys.exit(f"{path}: not an npar-report JSON report")
    out = ["split\tnumber\tnull hypothesis\ttest\tsig\tsig text\tdecision"]
    for headings, summary in tables(report["items"], "Hypothesis Test Summary"):
        for row, cells in rows(summary):
            def text(column):
                return cells[column]["text"] if column in cells else ""
            value = cells.get("Sig.", {}).get("value")
            out.append("\t".join([" / ".join(headings), row[-1], text("Null Hypothesis"),
                                  text("Test"), "" if value is None else repr(value),
                                  text("Sig."), text("Decision")]))
    print("\n".join(out))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: summary_from_json.py REPORT.json")
    main(sys.argv[1])
