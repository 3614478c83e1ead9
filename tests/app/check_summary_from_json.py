#!/usr/bin/env python3
"""Runs examples/tools/summary_from_json.py on npar-report's JSON report of
two tests in two splits of the course data, and checks that it gives one row
per test and split, under the split's heading, with the significance as the
report writes it and as the number behind it."""
import subprocess
import sys


def main():
    program, source = sys.argv[1], sys.argv[2]
    report = subprocess.run(
        [program, f"{source}/examples/course.csv", "--dictionary",
         f"{source}/examples/course.dictionary.json", "--split-by", "gender", "--format", "json",
         "--test", "kruskal-wallis score_post by region", "--test", "runs score_pre"],
        capture_output=True, text=True, check=False)
    if report.returncode != 0:
        sys.exit(f"npar-report exited {report.returncode}: {report.stderr}")
    summary = subprocess.run(
        [sys.executable, f"{source}/examples/tools/summary_from_json.py", "/dev/stdin"],
        input=report.stdout, capture_output=True, text=True, check=False)
    if summary.returncode != 0:
        sys.exit(f"summary_from_json.py exited {summary.returncode}: {summary.stderr}")
    lines = summary.stdout.splitlines()
    if lines[0].split("\t") != ["split", "number", "null hypothesis", "test", "sig", "sig text",
                                "decision"]:
        sys.exit(f"unexpected header: {lines[0]}")
    rows = [line.split("\t") for line in lines[1:]]
    splits = [(row[0], row[3]) for row in rows]
    expected = [(f"Gender = {gender}", test) for gender in ("Female", "Male")
                for test in ("Independent-Samples Kruskal-Wallis Test", "One-Sample Runs Test")]
    if splits != expected:
        sys.exit(f"rows {splits}, expected {expected}")
    for row in rows:
        value, text = float(row[4]), row[5]
        shown = "<.001" if value < 0.0005 else f"{value:.3f}".lstrip("0")
        if text != shown:
            sys.exit(f"significance {value} written as {text!r}, expected {shown!r}")
        if not row[2] or not row[6]:
            sys.exit(f"a row without null hypothesis or decision: {row}")


if __name__ == "__main__":
    main()
