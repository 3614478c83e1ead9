#!/usr/bin/env python3
"""Writes the course-evaluation data the examples are made from.

    python3 examples/tools/make_course_data.py [OUTPUT_DIR]

120 learners, each with three graded checks, a test score before and after the
course, a course variant (control or coaching), gender, region, age group, tutor
visits, waiting time and enrolment date, from a seeded generator: running the
script again writes the same files. It writes course.csv and its dictionary,
course.dictionary.json, into OUTPUT_DIR (default: the examples/ folder above this
script). scripts/make-examples.sh runs it and then makes the example documents
with the test engine.
"""

import datetime
import json
import math
import random
import sys
from pathlib import Path
from statistics import NormalDist

EPOCH = datetime.date(1970, 1, 1)
_STD_NORMAL = NormalDist()

GRADES = [("1", "Fail"), ("2", "Pass"), ("3", "Merit")]

# name, label, measurement level, storage, values (value text, label), print format.
FIELDS = [
    ("grade_1", "Grade at first check", "ordinal", "integer", GRADES, "F8.0"),
    ("grade_2", "Grade at second check", "ordinal", "integer", GRADES, "F8.0"),
    ("grade_3", "Grade at final check", "ordinal", "integer", GRADES, "F8.0"),
    ("gender", "Gender", "categorical", "integer", [("1", "Female"), ("2", "Male")], "F8.0"),
    ("region", "Region", "categorical", "string",
     [("North", "Northern district"), ("South", "Southern district"),
      ("East", "Eastern district"), ("West", "Western district")], "A5"),
    ("agegroup", "Age group", "ordinal", "integer",
     [("1", "18-29"), ("2", "30-44"), ("3", "45-59"), ("4", "60 and over")], "F8.0"),
    ("program", "Course variant", "categorical", "integer",
     [("1", "Control"), ("2", "Coaching")], "F8.0"),
    ("score_pre", "Test score before the course", "continuous", "double", None, "F8.1"),
    ("score_post", "Test score after the course", "continuous", "double", None, "F8.1"),
    ("visits", "Tutor visits", "continuous", "integer", None, "F8.0"),
    ("wait_time", "Waiting time (days)", "continuous", "double", None, "F8.2"),
    ("enrolled", "Enrolment date", "continuous", "date", None, "DATE11"),
    ("case_id", "Case identifier", "continuous", "integer", None, "F8.0"),
]
FIELD_BY_NAME = {f[0]: f for f in FIELDS}


def days(year, month, day):
    return (datetime.date(year, month, day) - EPOCH).days


# ---------------------------------------------------------------------------
# Data set


def make_cases(seed=20240611, count=120):
    rng = random.Random(seed)
    regions = rng.choices(["North", "South", "East", "West"], weights=[30, 26, 24, 20], k=count)
    programs = [1] * (count // 2) + [2] * (count - count // 2)
    rng.shuffle(programs)
    # Pre-course scores follow a normal shape closely: jittered normal quantiles.
    pre = [62.0 + 9.0 * _STD_NORMAL.inv_cdf((i + 0.5) / count) + rng.gauss(0.0, 0.6)
           for i in range(count)]
    rng.shuffle(pre)
    region_effect = {"North": 0.0, "South": -2.5, "East": 2.5, "West": 4.5}
    first_day, last_day = days(2023, 1, 1), days(2023, 12, 31)

    def grade(score):
        return 1 if score < 56.0 else (2 if score < 68.0 else 3)

    def poisson(mean):
        limit, k, p = math.exp(-mean), 0, rng.random()
        while p > limit:
            k += 1
            p *= rng.random()
        return k

    cases = []
    for i in range(count):
        program = programs[i]
        age = rng.choices([1, 2, 3, 4], weights=[30, 30, 25, 15])[0]
        score_pre = round(pre[i], 1)
        spread = 3.5 if program == 1 else 6.0
        score_post = round(min(100.0, score_pre + 3.0 + 3.5 * (program == 2)
                               + region_effect[regions[i]] + 1.8 * (age - 1)
                               + rng.gauss(0.0, spread)), 1)
        middle = 0.15 * score_pre + 0.85 * score_post
        cases.append({
            "case_id": 1001 + i,
            "gender": 1 if rng.random() < 0.56 else 2,
            "region": regions[i],
            "agegroup": age,
            "program": program,
            "score_pre": score_pre,
            "score_post": score_post,
            "grade_1": grade(score_pre + rng.gauss(0.0, 3.0)),
            "grade_2": grade(middle + rng.gauss(0.0, 3.0)),
            "grade_3": grade(score_post + rng.gauss(0.0, 3.0)),
            "visits": poisson(3.2),
            "wait_time": max(0.1, round(rng.expovariate(1.0 / 12.0), 1)),
            "enrolled": rng.randint(first_day, last_day),
        })
    return cases


# The course data as a table for the test engine: one column per field, in the
# order a reader meets them, dates written as ISO dates.
COURSE_COLUMNS = ["case_id", "gender", "region", "agegroup", "program", "score_pre", "score_post",
                  "grade_1", "grade_2", "grade_3", "visits", "wait_time", "enrolled"]
MEASURES = {"categorical": "nominal", "ordinal": "ordinal", "continuous": "scale"}


def course_cell(name, value):
    if name == "enrolled":
        return (EPOCH + datetime.timedelta(days=value)).isoformat()
    return str(value)


def write_course_data(out, cases):
    """examples/course.csv and its dictionary, examples/course.dictionary.json."""
    with open(out / "course.csv", "w", encoding="utf-8", newline="") as f:
        f.write(",".join(COURSE_COLUMNS) + "\n")
        for case in cases:
            f.write(",".join(course_cell(name, case[name]) for name in COURSE_COLUMNS) + "\n")
    variables = []
    for name in COURSE_COLUMNS:
        _, label, optype, _, values, fmt = FIELD_BY_NAME[name]
        entry = {"name": name, "label": label, "measure": MEASURES[optype]}
        if not fmt.startswith("A"):
            entry["format"] = fmt
        if values:
            entry["valueLabels"] = {v: lab for v, lab in values}
        variables.append(entry)
    with open(out / "course.dictionary.json", "w", encoding="utf-8") as f:
        json.dump({"variables": variables}, f, indent=2, ensure_ascii=False)
        f.write("\n")


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent
    write_course_data(out, make_cases())


if __name__ == "__main__":
    main()
