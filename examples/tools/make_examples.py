#!/usr/bin/env python3
"""Writes the example result documents and the two-split manifest of examples/.

The documents describe a made-up course evaluation: 120 learners, each with three
graded checks, a test score before and after the course, a course variant
(control or coaching), tutor visits, waiting time and enrolment date. The
statistics are computed from that data set, so the numbers in a document agree
with each other. The data come from a seeded generator: running the script again
writes the same files.

    python3 examples/tools/make_examples.py [OUTPUT_DIR]

OUTPUT_DIR defaults to the examples/ folder that holds this script's folder.
"""

import datetime
import json
import math
import random
import sys
import xml.etree.ElementTree as ET
from pathlib import Path
from statistics import NormalDist

sys.dont_write_bytecode = True  # keep the examples folder free of compiled files
import npstats as st  # noqa: E402

MISSING = "__MISSING__"
SIG_LEVEL = 0.05
CONFIDENCE = 0.95
EPOCH = datetime.date(1970, 1, 1)

GRADES = [("1", "Fail"), ("2", "Pass"), ("3", "Merit")]

# name, label, optype, dataType, values (value text, label), print format for the manifest.
# The three graded checks come first: the related-samples tests over them number their
# samples by field index while the comparison rows count by position, and the two agree
# only when the fields are 0, 1 and 2.
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

# Histogram bins of the continuous fields: (width, origin).
BINS = {
    "score_pre": (5.0, 0.0),
    "score_post": (5.0, 0.0),
    "visits": (1.0, -0.5),
    "wait_time": (5.0, 0.0),
    "enrolled": (30.5, 19358.0),
    "difference": (2.0, -1.0),
}


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
    pre = [62.0 + 9.0 * st.normal_quantile((i + 0.5) / count) + rng.gauss(0.0, 0.6)
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


# ---------------------------------------------------------------------------
# XML pieces


def num(value):
    """A number as document text; None is the missing-number token."""
    if value is None:
        return MISSING
    if isinstance(value, str):
        return value
    if isinstance(value, int) or (float(value).is_integer() and abs(value) < 1e12):
        return str(int(value))
    return f"{value:.6g}"


def attribute(name, value):
    return ET.Element("Attribute", name=name, value=num(value))


def simple_table(name, row_names, column_names, rows):
    table = ET.Element("SimpleTable", name=name)
    ET.SubElement(table, "RowNames").text = " ".join(row_names)
    ET.SubElement(table, "ColumnNames").text = " ".join(column_names)
    for row in rows:
        ET.SubElement(table, "Row").text = " ".join(num(v) for v in row)
    return table


def structured(name, *children):
    table = ET.Element("StructuredTable", name=name)
    for child in children:
        if child is not None:
            table.append(child)
    return table


def sig_value(text_or_number):
    if isinstance(text_or_number, str):
        return float(text_or_number.lstrip(">"))
    return text_or_number


def decision_for(statistics):
    """reject/retain from the smallest significance, or None when there is none."""
    sigs = []
    for name, value in statistics:
        if isinstance(value, list):
            sigs += [sig_value(v) for n, v in value if "Sig" in n]
        elif "Sig" in name:
            sigs.append(sig_value(value))
    if not sigs:
        return None
    return "reject" if min(sigs) < SIG_LEVEL else "retain"


def statistics_table(statistics):
    children = []
    for name, value in statistics:
        if isinstance(value, list):
            children.append(structured(name, *[attribute(n, v) for n, v in value]))
        else:
            children.append(attribute(name, value))
    return structured("StatisticsResult", *children)


def message(code, kind, parameters=(), group=None):
    children = [attribute("code", code), attribute("type", kind),
                attribute("paramNum", len(parameters))]
    children += [attribute(f"%{i}", " ".join(num(v) for v in values))
                 for i, values in enumerate(parameters)]
    if group is not None:
        children.append(attribute("group", group))
    return structured("Message", *children)


def algorithm(name, family, key, parameters, statistics, tables=(), messages=(),
              values_not_in_categories=(), extra_condition=(), decision=True):
    element = ET.Element("Algorithm", name=name, classification=family)
    verdict = decision_for(statistics) if decision else None
    if verdict:
        element.set("decision", verdict)
    condition = [attribute("ConditionKey", key)]
    condition += [attribute(f"%{i}", " ".join(num(v) for v in values))
                  for i, values in enumerate(parameters)]
    condition += [attribute(n, v) for n, v in extra_condition]
    element.append(structured("Condition", *condition))
    element.append(statistics_table(statistics))
    for table in tables:
        element.append(table)
    if messages:
        element.append(structured("WarningMessages", *messages))
    if values_not_in_categories:
        element.append(structured("ValsNotInTheCategoreis",
                                  *[attribute("Value", v) for v in values_not_in_categories]))
    return element


def histogram_table(values, bins, name="Interval"):
    middles, counts = st.histogram(values, *bins)
    return simple_table(name, ["Count", "Value"], [str(i + 1) for i in range(len(counts))],
                        [counts, middles])


def box_tables(values, labels):
    box, outliers = st.box_values(values, labels)
    tables = [simple_table("Box", ["Value"],
                           ["LowerWhisker", "LowerHinge", "Median", "UpperHinge", "UpperWhisker"],
                           [box])]
    if outliers:
        tables.append(simple_table("Outliers", ["Value", "CaseId"],
                                   [str(i + 1) for i in range(len(outliers))],
                                   [[v for v, _ in outliers], [lab for _, lab in outliers]]))
    return tables


def pairwise_rows(samples, values, compare):
    """Every pair of samples, the one with the smaller value first, with Bonferroni adjustment."""
    rows = []
    pairs = [(a, b) for i, a in enumerate(samples) for b in samples[i + 1:]]
    for a, b in pairs:
        first, second = (a, b) if values[a] <= values[b] else (b, a)
        stat, se, z, sig = compare(first, second)
        rows.append([first, second, stat, se, z, sig, min(1.0, sig * len(pairs))])
    rows.sort(key=lambda r: (values[r[0]], values[r[1]]))
    return rows


PAIRWISE_COLUMNS = ["Sample1", "Sample2", "TestStatistic", "StdError", "StdTestStatistic",
                    "Sig", "AdjSig"]
STEPWISE_COLUMNS = ["FirstPosition", "LastPosition", "TestStatistic", "StdError",
                    "StdTestStatistic", "Sig", "AdjSig"]


def pairwise_result(samples, values, value_name, rows, field_index=None):
    info = simple_table("PairwiseInfo", ["Sample", value_name], [str(s) for s in samples],
                        [samples, [values[s] for s in samples]])
    content = simple_table("Content", [str(i + 1) for i in range(len(rows))],
                           PAIRWISE_COLUMNS, rows)
    first = [attribute("fieldIndex", field_index)] if field_index is not None else []
    return structured("PairwiseResult", *first, info, content)


def stepwise_result(ordered, values, value_name, rows, field_index=None):
    info = simple_table("StepwiseInfo", ["Sample", value_name], [str(s) for s in ordered],
                        [ordered, [values[s] for s in ordered]])
    content = simple_table("Content", [str(i + 1) for i in range(len(rows))],
                           STEPWISE_COLUMNS, rows)
    first = [attribute("fieldIndex", field_index)] if field_index is not None else []
    return structured("StepwiseResult", *first, info, content)


# ---------------------------------------------------------------------------
# One result document


class Document:
    def __init__(self, field_names, cases):
        self.fields = [FIELD_BY_NAME[n] for n in field_names]
        self.index = {n: i for i, n in enumerate(field_names)}
        self.cases = cases
        self.n = len(cases)
        self.tests = []

    # -- data access

    def column(self, name):
        return [c[name] for c in self.cases]

    def levels(self, name):
        values = FIELD_BY_NAME[name][4]
        kind = str if FIELD_BY_NAME[name][3] == "string" else int
        return [kind(v) for v, _ in values]

    def groups(self, test, grouping):
        """(position in the grouping field's values, test values, case ids) per non-empty group."""
        result = []
        for position, level in enumerate(self.levels(grouping)):
            members = [c for c in self.cases if c[grouping] == level]
            if members:
                result.append((position, [c[test] for c in members],
                               [c["case_id"] for c in members]))
        return result

    def add(self, element):
        self.tests.append(element)

    # -- one-sample tests

    def chi_square(self, name):
        levels = self.levels(name)
        observed = st.value_counts(self.column(name), levels)
        expected = [self.n / len(levels)] * len(levels)
        stat, df, sig = st.chi_square_gof(observed, expected)
        content = simple_table("Content", [str(i) for i in range(len(levels))],
                               ["Observed", "Hypothesized"],
                               [[o, e] for o, e in zip(observed, expected)])
        self.add(algorithm(
            "OChiSquare", "One_Sample", "DefaultEqualProbabilities_O_ChiSquare_1",
            [[self.index[name]]],
            [("TotalN", self.n), ("TestStatistic", stat), ("DegreeOfFreedom", df),
             ("AsymptoticSig2Tailed", sig)],
            [structured("TwoClassComparison", content)]))

    def chi_square_failed(self, name):
        """User-given probabilities that do not fit the field: the test reports an error."""
        self.add(algorithm(
            "OChiSquare", "One_Sample", "UserSpecifiesProbabilities_O_ChiSquare_1",
            [[self.index[name]]], [("TotalN", self.n)],
            messages=[message(10001, "error")], decision=False))

    def binomial_binary(self, name, proportion=0.5):
        levels = self.levels(name)
        first = sum(1 for v in self.column(name) if v == levels[0])
        se = math.sqrt(self.n * proportion * (1 - proportion))
        content = simple_table("Content", ["Observed", "Hypothesized"], ["0", "1"],
                               [[first, self.n - first],
                                [self.n * proportion, self.n * (1 - proportion)]])
        self.add(algorithm(
            "OBinomial", "One_Sample", "ABinaryTestVariableIsSpecified_O_Binomial_5",
            [[self.index[name]], [0], [1], [proportion], [1 - proportion]],
            [("TotalN", self.n), ("TestStatistic", first), ("StandardError", se),
             ("StandardizedTestStatistic", (first - self.n * proportion) / se),
             ("ExactSig2Tailed", st.binomial_two_sided(first, self.n, proportion))],
            [structured("TwoClassComparison", content)]))

    def binomial_cut(self, name, cut, proportion=0.5):
        below = sum(1 for v in self.column(name) if v <= cut)
        se = math.sqrt(self.n * proportion * (1 - proportion))
        z = (below - self.n * proportion) / se
        content = simple_table("Content", ["Observed", "Hypothesized"], ["0", "1"],
                               [[below, self.n - below],
                                [self.n * proportion, self.n * (1 - proportion)]])
        self.add(algorithm(
            "OBinomial", "One_Sample", "ACutPointIsSpecified_O_Binomial_4",
            [[self.index[name]], [cut], [proportion], [1 - proportion]],
            [("TotalN", self.n), ("TestStatistic", below), ("StandardError", se),
             ("StandardizedTestStatistic", z), ("AsymptoticSig2Tailed", st.normal_two_sided(z))],
            [structured("TwoClassComparison", content)]))

    def runs(self, name):
        values = self.column(name)
        cut = st.median(values)
        r = st.runs_about(values, cut)
        self.add(algorithm(
            "ORuns", "One_Sample", "ACutPointIsSpecified_O_Runs_2",
            [[self.index[name]], [cut]],
            [("TotalN", self.n), ("TestStatistic", r["runs"]), ("StandardError", r["sd"]),
             ("StandardizedTestStatistic", r["z"]),
             ("AsymptoticSig2Tailed", st.normal_two_sided(r["z"]))],
            [structured("RunsParameters", attribute("Mean", r["mean"]),
                        attribute("StdDev", r["sd"]),
                        attribute("ObservedRunNumber", r["runs"]))]))

    def wilcoxon_one(self, name, hypothetical):
        values = self.column(name)
        w = st.signed_rank([v - hypothetical for v in values])
        self.add(algorithm(
            "OWilcoxonSignedRanks", "One_Sample", "O_WilcoxonSignedRanks_2",
            [[self.index[name]], [hypothetical]],
            [("TotalN", self.n), ("TestStatistic", w["w_plus"]), ("StandardError", w["se"]),
             ("StandardizedTestStatistic", w["z"]), ("AsymptoticSig2Tailed", w["p"])],
            [structured("ContinuousDistribution",
                        attribute("HypotheticalMedian", hypothetical),
                        attribute("ObservedMedian", st.median(values)),
                        histogram_table(values, BINS[name]))]))

    def success_rate(self, name, success_levels, unknown_values):
        """Success rate of the listed categories; unknown_values are listed values the field lacks."""
        levels = self.levels(name)
        positions = [levels.index(v) for v in success_levels]
        positions += [len(levels) + i for i in range(len(unknown_values))]
        x = sum(1 for v in self.column(name) if v in success_levels)
        estimate = x / self.n
        methods = [("ClopperPearson", "Clopper-Pearson", st.clopper_pearson),
                   ("Jeffreys", "Jeffreys", st.jeffreys),
                   ("ProfileLikelihood", "Likelihood", st.likelihood_interval)]
        tables = []
        for table_name, method, interval in methods:
            lower, upper = interval(x, self.n, CONFIDENCE)
            tables.append(structured(table_name, attribute("computeECIMethod", method),
                                     attribute("Estimate", estimate),
                                     structured("ConfidenceInterval", attribute("Lower", lower),
                                                attribute("Upper", upper))))
        self.add(algorithm(
            "OEstimateConfidenceInterval", "One_Sample", "CategoryListsAreSpecified_O_Binomial_2",
            [[self.index[name]], positions], [("TotalN", self.n)], tables,
            messages=[message(10215, "warning", [[len(unknown_values)]])],
            values_not_in_categories=unknown_values, decision=False))

    def _ks_one(self, key, name, parameters, d_pos, d_neg, sig, use_sample, messages=()):
        d_abs = max(d_pos, -d_neg)
        self.add(algorithm(
            "OKolmogorovSmirnov", "One_Sample", key,
            [[self.index[name]]] + [[p] for p in parameters],
            [("TotalN", self.n), ("MostExtremeDifferencesAbsolute", d_abs),
             ("MostExtremeDifferencesPositive", d_pos),
             ("MostExtremeDifferencesNegative", d_neg),
             ("TestStatistic", d_abs), ("AsymptoticSig2Tailed", sig)],
            messages=messages,
            extra_condition=[("isUseSample", "true" if use_sample else "false")]))

    def ks_normal(self, name):
        values = self.column(name)
        m, s = st.mean(values), st.std_dev(values)
        dist = NormalDist(m, s)
        d_pos, d_neg = st.ks_continuous(values, dist.cdf)
        sig, bound = st.lilliefors_sig(max(d_pos, -d_neg), self.n)
        self._ks_one("NormalDistribution_O_KolmogorovSmirnov_3", name, [m, s], d_pos, d_neg,
                     f">{sig:g}" if bound else sig, use_sample=True)

    def ks_uniform(self, name, low, high):
        values = self.column(name)
        d_pos, d_neg = st.ks_continuous(values, lambda x: min(1.0, max(0.0, (x - low) / (high - low))))
        sig = st.kolmogorov_sf(math.sqrt(self.n) * max(d_pos, -d_neg))
        self._ks_one("UniformDistribution_O_KolmogorovSmirnov_3", name, [low, high],
                     d_pos, d_neg, sig, use_sample=False)

    def ks_poisson(self, name, messages=()):
        values = self.column(name)
        m = st.mean(values)
        d_pos, d_neg = st.ks_discrete(values, lambda k: st.poisson_cdf(k, m))
        sig = st.kolmogorov_sf(math.sqrt(self.n) * max(d_pos, -d_neg))
        self._ks_one("PoissonDistribution_O_KolmogorovSmirnov_2", name, [m], d_pos, d_neg, sig,
                     use_sample=True, messages=messages)

    def ks_exponential(self, name):
        values = self.column(name)
        m = st.mean(values)
        d_pos, d_neg = st.ks_continuous(values, lambda x: 1.0 - math.exp(-x / m))
        sig = st.kolmogorov_sf(math.sqrt(self.n) * max(d_pos, -d_neg))
        self._ks_one("ExponentialDistribution_O_KolmogorovSmirnov_2", name, [m], d_pos, d_neg, sig,
                     use_sample=True)

    # -- related-samples tests

    def _differences(self, first, second):
        return [round(b - a, 1) for a, b in zip(self.column(first), self.column(second))]

    def _difference_table(self, differences):
        return structured(
            "ContinuousDistribution",
            attribute("NegativeDifferences", sum(1 for d in differences if d < 0)),
            attribute("Ties", sum(1 for d in differences if d == 0)),
            attribute("PositiveDifferences", sum(1 for d in differences if d > 0)),
            histogram_table(differences, BINS["difference"]))

    def sign(self, first, second):
        diffs = self._differences(first, second)
        positive = sum(1 for d in diffs if d > 0)
        n = sum(1 for d in diffs if d != 0)
        se = math.sqrt(n) / 2.0
        z = (positive - n / 2.0) / se
        self.add(algorithm(
            "RSign", "Related_Samples", "R_Sign_2",
            [[self.index[first]], [self.index[second]]],
            [("TotalN", self.n), ("TestStatistic", positive), ("StandardError", se),
             ("StandardizedTestStatistic", z), ("AsymptoticSig2Tailed", st.normal_two_sided(z))],
            [self._difference_table(diffs)]))

    def wilcoxon_pairs(self, first, second):
        diffs = self._differences(first, second)
        w = st.signed_rank(diffs)
        self.add(algorithm(
            "RWilcoxonSignedRanks", "Related_Samples", "R_WilcoxonSignedRanks_2",
            [[self.index[first]], [self.index[second]]],
            [("TotalN", self.n), ("TestStatistic", w["w_plus"]), ("StandardError", w["se"]),
             ("StandardizedTestStatistic", w["z"]), ("AsymptoticSig2Tailed", w["p"])],
            [self._difference_table(diffs)]))

    def _successes(self, names, success_levels):
        return [[1 if c[n] in success_levels else 0 for n in names] for c in self.cases]

    def cochran(self, names, success_levels):
        rows = self._successes(names, success_levels)
        q = st.cochran_q(rows)
        k = len(names)
        samples = [self.index[n] for n in names]
        successes = dict(zip(samples, q["successes"]))
        se = math.sqrt(2.0 * q["denom"] / (self.n * self.n * k * (k - 1)))

        def compare(a, b):
            diff = (successes[a] - successes[b]) / self.n
            return diff, se, diff / se, st.normal_two_sided(diff / se)

        content = simple_table("Content", [str(s) for s in samples], ["Success", "Failure"],
                               [[successes[s], self.n - successes[s]] for s in samples])
        self.add(algorithm(
            "RCochransQ", "Related_Samples", "CategoryListsAreSpecified_R_CochransQ_1",
            [samples],
            [("TotalN", self.n), ("TestStatistic", q["q"]), ("DegreeOfFreedom", q["df"]),
             ("AsymptoticSig2Tailed", q["p"])],
            [structured("TwoClassComparison", content),
             pairwise_result(samples, successes, "Successes",
                             pairwise_rows(samples, successes, compare))]))

    def mcnemar(self, first, second, success_levels, unknown_values):
        levels = self.levels(first)
        success_pos = [levels.index(v) for v in success_levels]
        success_pos += [len(levels) + i for i in range(len(unknown_values))]
        fail_pos = [i for i, v in enumerate(levels) if v not in success_levels]
        table = [[0, 0], [0, 0]]
        for c in self.cases:
            table[0 if c[first] in success_levels else 1][0 if c[second] in success_levels else 1] += 1
        b, cc = table[0][1], table[1][0]
        stat = (abs(b - cc) - 1) ** 2 / (b + cc)
        comparison = structured(
            "CategoryFieldsComparison",
            attribute("RowNames", self.index[first]),
            attribute("RowSuccessList", " ".join(map(str, success_pos))),
            attribute("RowFailList", " ".join(map(str, fail_pos))),
            attribute("ColumnNames", self.index[second]),
            attribute("ColumnSuccessList", " ".join(map(str, success_pos))),
            attribute("ColumnFailList", " ".join(map(str, fail_pos))),
            simple_table("Content", ["Success", "Failure"], ["Success", "Failure"], table),
            structured("RowValsNotInTheCategoreis", *[attribute("Value", v) for v in unknown_values]),
            structured("ColValsNotInTheCategoreis", *[attribute("Value", v) for v in unknown_values]))
        self.add(algorithm(
            "RMcNemar", "Related_Samples", "CategoryListsAreSpecified_R_McNemar_2",
            [[self.index[first]], [self.index[second]]],
            [("TotalN", self.n), ("TestStatistic", stat), ("DegreeOfFreedom", 1),
             ("AsymptoticSig2Tailed", st.chi2_sf(stat, 1)),
             ("ExactSig2Tailed", st.binomial_two_sided(min(b, cc), b + cc))],
            [comparison]))

    def _rank_tables(self, names, result):
        tables = []
        for j, name in enumerate(names):
            ranks = [r[j] for r in result["ranked"]]
            levels = sorted(set(ranks))
            tables.append(structured(
                f"VariableInformation_{j}",
                attribute("GroupIndex", self.index[name]),
                attribute("MeanOfRank", result["mean_ranks"][j]),
                simple_table("Interval", ["Count", "Rank"], [str(i + 1) for i in range(len(levels))],
                             [st.value_counts(ranks, levels), levels])))
        return tables

    def friedman(self, names):
        rows = [[c[n] for n in names] for c in self.cases]
        f = st.friedman(rows)
        k = len(names)
        samples = [self.index[n] for n in names]
        mean_ranks = dict(zip(samples, f["mean_ranks"]))
        se = math.sqrt(k * (k + 1) / (6.0 * self.n))

        def compare(a, b):
            diff = mean_ranks[a] - mean_ranks[b]
            return diff, se, diff / se, st.normal_two_sided(diff / se)

        self.add(algorithm(
            "RFriedmansTwoWayByRanks", "Related_Samples", "R_FriedmansTwoWayByRanks_1",
            [samples],
            [("TotalN", self.n), ("TestStatistic", f["stat"]), ("DegreeOfFreedom", f["df"]),
             ("AsymptoticSig2Tailed", f["p"])],
            self._rank_tables(names, f)
            + [pairwise_result(samples, mean_ranks, "MeanRank",
                               pairwise_rows(samples, mean_ranks, compare))]))

    def kendall(self, names):
        rows = [[c[n] for n in names] for c in self.cases]
        f = st.friedman(rows)
        samples = [self.index[n] for n in names]
        mean_ranks = dict(zip(samples, f["mean_ranks"]))
        ordered = sorted(samples, key=lambda s: mean_ranks[s])
        columns = {s: j for j, s in enumerate(samples)}

        def subset_sig(first, last):
            chosen = [columns[s] for s in ordered[first:last + 1]]
            return st.friedman([[r[j] for j in chosen] for r in rows])["p"]

        subsets = []
        for first, last, sig in st.homogeneous_subsets(len(ordered), subset_sig, SIG_LEVEL):
            if sig is None:
                subsets.append([first, last, None, None, None, None, None])
                continue
            chosen = [columns[s] for s in ordered[first:last + 1]]
            stat = st.friedman([[r[j] for j in chosen] for r in rows])["stat"]
            subsets.append([first, last, stat, None, None, sig,
                            min(1.0, sig * (len(ordered) - 1))])
        self.add(algorithm(
            "RKendallsCoefficient", "Related_Samples", "R_KendallsCoefficient_1",
            [samples],
            [("TotalN", self.n), ("KendallsW", f["w"]), ("TestStatistic", f["stat"]),
             ("DegreeOfFreedom", f["df"]), ("AsymptoticSig2Tailed", f["p"])],
            self._rank_tables(names, f)
            + [stepwise_result(ordered, mean_ranks, "MeanRank", subsets)]))

    def marginal_homogeneity(self, first, second):
        levels = self.levels(first)
        table = [[0] * len(levels) for _ in levels]
        for c in self.cases:
            table[levels.index(c[first])][levels.index(c[second])] += 1
        pairs = [(c[first], c[second]) for c in self.cases if c[first] != c[second]]
        observed = sum(x for x, _ in pairs)
        expected = sum((x + y) / 2.0 for x, y in pairs)
        sd = math.sqrt(sum((x - y) ** 2 for x, y in pairs) / 4.0)
        z = (observed - expected) / sd
        comparison = structured(
            "CategoryFieldsComparison",
            attribute("RowNames", self.index[first]),
            attribute("ColumnNames", self.index[second]),
            simple_table("Content", list(map(str, levels)), list(map(str, levels)), table))
        self.add(algorithm(
            "RMarginalHomogeneity", "Related_Samples", "AllDistinctValuesUsed_R_MarginalHomogeneity_2",
            [[self.index[first]], [self.index[second]]],
            [("TotalN", self.n), ("TestStatistic", observed), ("MeanOfTestStatistic", expected),
             ("StandardError", sd), ("StandardizedTestStatistic", z),
             ("AsymptoticSig2Tailed", st.normal_two_sided(z))],
            [comparison]))

    def hodges_lehmann_pairs(self, first, second):
        estimate, lower, upper = st.hodges_lehmann_one(self._differences(first, second), CONFIDENCE)
        self.add(algorithm(
            "RHodgesLehmannEstimatePairs", "Related_Samples", "R_HodgesLehman_2",
            [[self.index[first]], [self.index[second]]],
            [("Estimate", estimate), ("TotalN", self.n),
             ("Asymptotic", [("Lower", lower), ("Upper", upper)])],
            decision=False))

    # -- independent-samples tests

    def _two_groups(self, test, grouping):
        groups = self.groups(test, grouping)
        assert len(groups) == 2, "two-sample tests need two groups"
        return groups

    def _group_tables(self, test, groups, mean_ranks=None):
        tables = []
        for j, (position, values, _) in enumerate(groups):
            attrs = [attribute("GroupIndex", position), attribute("N", len(values))]
            if mean_ranks is not None:
                attrs.append(attribute("MeanOfRank", mean_ranks[j]))
            if test in BINS:
                dist = histogram_table(values, BINS[test])
            else:
                levels = self.levels(test)
                dist = simple_table("Interval", ["Count", "Value"], list(map(str, levels)),
                                    [st.value_counts(values, levels), levels])
            tables.append(structured(f"Group_{j}", *attrs, dist))
        return tables

    def _box_plot(self, grouping, groups, extra_group_attributes=None, grand_median=None):
        children = [attribute("GroupFieldIndex", self.index[grouping]),
                    attribute("GroupCount", len(groups))]
        if grand_median is not None:
            children.append(attribute("GrandMedian", grand_median))
        for j, (position, values, labels) in enumerate(groups):
            attrs = [attribute("GroupIndex", position), attribute("N", len(values))]
            if extra_group_attributes:
                attrs += [attribute(n, v) for n, v in extra_group_attributes[j]]
            children.append(structured(f"Group_{j}", *attrs, *box_tables(values, labels)))
        return structured("BoxPlotInfo", *children)

    def _condition(self, test, grouping):
        return [[self.index[test]], [self.index[grouping]]]

    def hodges_lehmann_groups(self, test, grouping):
        (_, g1, _), (_, g2, _) = self._two_groups(test, grouping)
        estimate, lower, upper = st.hodges_lehmann_two(g1, g2, CONFIDENCE)
        self.add(algorithm(
            "IHodgesLehmannEstimateGroups", "Independent_Samples",
            "AllDistinctValuesUsed_I_HodgesLehman_2", self._condition(test, grouping),
            [("Estimate", estimate), ("TotalN", self.n),
             ("Asymptotic", [("Lower", lower), ("Upper", upper)])],
            decision=False))

    def moses(self, test, grouping):
        groups = self._two_groups(test, grouping)
        control = groups[0][1]
        m, n = len(control), len(groups[1][1])
        ranks, _ = st.average_ranks(control + groups[1][1])
        control_ranks = sorted(ranks[:m])
        span = round(control_ranks[-1] - control_ranks[0] + 1)
        trim = max(1, int(0.05 * m))
        trimmed = round(control_ranks[-1 - trim] - control_ranks[trim] + 1)
        self.add(algorithm(
            "IMoses", "Independent_Samples", "DefaultAllDistinctValuesUsed_I_Moses_2",
            self._condition(test, grouping),
            [("TotalN", self.n),
             ("ObservedControlGroup", [("TestStatistic", span),
                                       ("ExactSig1Tailed", st.moses_span_sig(span, m, n, 0))]),
             ("TrimmedControlGroup", [("TestStatistic", trimmed),
                                      ("ExactSig1Tailed", st.moses_span_sig(trimmed, m, n, trim)),
                                      ("OutliersTrimmedFromEachEnd", trim)])],
            [self._box_plot(grouping, groups)]))

    def mann_whitney(self, test, grouping, ordinal_as_continuous=False):
        groups = self._two_groups(test, grouping)
        mw = st.mann_whitney(groups[0][1], groups[1][1])
        extra = [("OrdinalTreatedAsCont", str(self.index[test]))] if ordinal_as_continuous else []
        self.add(algorithm(
            "IMannWhitneyU", "Independent_Samples", "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2",
            self._condition(test, grouping),
            [("TotalN", self.n), ("MannWhitneyU", mw["u"]), ("WilcoxonW", mw["w"]),
             ("TestStatistic", mw["u"]), ("StandardError", mw["se"]),
             ("StandardizedTestStatistic", mw["z"]), ("AsymptoticSig2Tailed", mw["p"])],
            self._group_tables(test, groups, mw["mean_ranks"]), extra_condition=extra))

    def wald_wolfowitz(self, test, grouping):
        groups = self._two_groups(test, grouping)
        g1, g2 = groups[0][1], groups[1][1]
        fewest, most = st.wald_wolfowitz_bounds(g1, g2)
        bounds = []
        for runs in (fewest, most):
            r = st.runs_statistics(runs, len(g1), len(g2))
            bounds.append([("TestStatistic", runs), ("StandardizedTestStatistic", r["z"]),
                           ("AsymptoticSig1Tailed", st.normal_cdf(r["z"]))])
        self.add(algorithm(
            "IWaldWolfowitzRuns", "Independent_Samples",
            "DefaultAllDistinctValuesUsed_I_WaldWolfowitzRuns_2", self._condition(test, grouping),
            [("TotalN", self.n), ("MinimumPossible", bounds[0]), ("MaximumPossible", bounds[1])],
            self._group_tables(test, groups)))

    def kolmogorov_two(self, test, grouping):
        groups = self._two_groups(test, grouping)
        ks = st.ks_two_sample(groups[0][1], groups[1][1])
        self.add(algorithm(
            "IKolmogorovSmirnov", "Independent_Samples",
            "DefaultAllDistinctValuesUsed_I_KolmogorovSmirnov_2", self._condition(test, grouping),
            [("TotalN", self.n), ("MostExtremeDifferencesAbsolute", ks["abs"]),
             ("MostExtremeDifferencesPositive", ks["pos"]),
             ("MostExtremeDifferencesNegative", ks["neg"]),
             ("TestStatistic", ks["z"]), ("AsymptoticSig2Tailed", ks["p"])],
            self._group_tables(test, groups)))

    def kruskal_wallis(self, test, grouping, messages=()):
        groups = self.groups(test, grouping)
        kw = st.kruskal_wallis([g[1] for g in groups])
        samples = [g[0] for g in groups]
        mean_ranks = dict(zip(samples, kw["mean_ranks"]))
        sizes = {g[0]: len(g[1]) for g in groups}
        n = kw["n"]
        base = n * (n + 1) / 12.0 - kw["tie_sum"] / (12.0 * (n - 1))

        def compare(a, b):
            diff = mean_ranks[a] - mean_ranks[b]
            se = math.sqrt(base * (1.0 / sizes[a] + 1.0 / sizes[b]))
            return diff, se, diff / se, st.normal_two_sided(diff / se)

        tables = [self._box_plot(grouping, groups,
                                 [[("MeanOfRank", r)] for r in kw["mean_ranks"]])]
        if kw["p"] < SIG_LEVEL and len(groups) > 2:
            tables.append(pairwise_result(samples, mean_ranks, "MeanRank",
                                          pairwise_rows(samples, mean_ranks, compare),
                                          self.index[grouping]))
        self.add(algorithm(
            "IKruskalWallis", "Independent_Samples", "DefaultAllDistinctValuesUsed_I_KruskalWallis_2",
            self._condition(test, grouping),
            [("TotalN", self.n), ("TestStatistic", kw["h"]), ("DegreeOfFreedom", kw["df"]),
             ("AsymptoticSig2Tailed", kw["p"])],
            tables, messages=messages))

    def jonckheere(self, test, grouping):
        groups = self.groups(test, grouping)
        jt = st.jonckheere([g[1] for g in groups])
        kw = st.kruskal_wallis([g[1] for g in groups])
        samples = [g[0] for g in groups]
        mean_ranks = dict(zip(samples, kw["mean_ranks"]))
        values = {g[0]: g[1] for g in groups}
        ordered = sorted(samples, key=lambda s: mean_ranks[s])

        def subset_result(first, last):
            chosen = sorted(ordered[first:last + 1])
            return st.jonckheere([values[s] for s in chosen])

        subsets = []
        for first, last, sig in st.homogeneous_subsets(
                len(ordered), lambda a, b: subset_result(a, b)["p1"], SIG_LEVEL):
            if sig is None:
                subsets.append([first, last, None, None, None, None, None])
                continue
            r = subset_result(first, last)
            subsets.append([first, last, r["j"], r["se"], r["z"], sig,
                            min(1.0, sig * (len(ordered) - 1))])
        self.add(algorithm(
            "IJonckheereTerpstra", "Independent_Samples",
            "DefaultAllDistinctValuesUsed_I_JonckheereTerpstra_2", self._condition(test, grouping),
            [("TotalN", self.n), ("TestStatistic", jt["j"]), ("StandardError", jt["se"]),
             ("StandardizedTestStatistic", jt["z"]), ("AsymptoticSig2Tailed", jt["p2"])],
            [self._box_plot(grouping, groups, [[("MeanOfRank", r)] for r in kw["mean_ranks"]]),
             stepwise_result(ordered, mean_ranks, "MeanRank", subsets, self.index[grouping])]))

    def median_test(self, test, grouping):
        groups = self.groups(test, grouping)
        grand = st.median(self.column(test))
        above, below = st.median_test_table([g[1] for g in groups], grand)
        table = [above, below]
        stat, df, sig = st.chi_square_independence(table)
        statistics = [("TotalN", self.n), ("Median", grand), ("TestStatistic", stat),
                      ("DegreeOfFreedom", df), ("AsymptoticSig2Tailed", sig)]
        if len(groups) == 2:
            y_stat, y_df, y_sig = st.chi_square_independence(table, yates=True)
            statistics.append(("YatesContinuityCorrection",
                               [("TestStatistic", y_stat), ("DegreeOfFreedom", y_df),
                                ("AsymptoticSig2Tailed", y_sig)]))
        tables = [self._box_plot(grouping, groups,
                                 [[("GTMedian", a), ("STMedian", b)] for a, b in zip(above, below)],
                                 grand_median=grand)]
        if sig < SIG_LEVEL and len(groups) > 2:
            samples = [g[0] for g in groups]
            medians = {g[0]: st.median(g[1]) for g in groups}
            counts = {g[0]: (a, b) for g, a, b in zip(groups, above, below)}

            def compare(a, b):
                pair = [[counts[a][0], counts[b][0]], [counts[a][1], counts[b][1]]]
                p_stat, _, p_sig = st.chi_square_independence(pair)
                return p_stat, None, None, p_sig

            tables.append(pairwise_result(samples, medians, "Median",
                                          pairwise_rows(samples, medians, compare),
                                          self.index[grouping]))
        self.add(algorithm(
            "IMedian", "Independent_Samples", "DefaultAllDistinctValuesUsed_I_Median_2",
            self._condition(test, grouping), statistics, tables))

    # -- the document

    def data_dictionary(self):
        dictionary = ET.Element("DataDictionary")
        for i, (name, label, optype, dtype, values, _) in enumerate(self.fields):
            field = ET.SubElement(dictionary, "DataField", index=str(i), name=name,
                                  displayName=label, optype=optype, dataType=dtype)
            for j, (value, value_label) in enumerate(values or []):
                ET.SubElement(field, "Value", index=str(j), value=value, displayValue=value_label)
        return dictionary

    def field_infos(self):
        infos = ET.Element("FieldInfos")
        # The last field is the case identifier, which no test uses: it gets no information.
        for i, (name, _, optype, dtype, values, _) in enumerate(self.fields[:-1]):
            column = self.column(name)
            children = [attribute("TotalN", len(column))]
            if dtype != "string":
                children += [attribute("Min", min(column)), attribute("Max", max(column)),
                             attribute("Mean", st.mean(column)),
                             attribute("StdDev", st.std_dev(column))]
            if values:
                levels = self.levels(name)
                children.append(simple_table("Interval", ["Count", "Value"], [v for v, _ in values],
                                             [st.value_counts(column, levels),
                                              list(range(len(levels)))]))
                table = structured("CategoricalDistribution", *children)
            else:
                children.append(histogram_table(column, BINS[name]))
                table = structured("ContinuousDistribution", *children)
            info = ET.SubElement(infos, "FieldInfo", varIndex=str(i))
            info.append(table)
        return infos

    def write(self, path):
        root = ET.Element("StatXML")
        ET.SubElement(root, "PMMLModel", modelType="NonParametricTests", version="1.0")
        summary = ET.SubElement(ET.SubElement(root, "DescriptiveModel"), "DescriptiveSummary")
        ET.SubElement(summary, "Counts", totalFreq=str(self.n), totalCount=str(self.n),
                      droppedCount="0", badWeightCount="0", droppedFreq="0")
        output = ET.SubElement(ET.SubElement(root, "Extension"), "NPAROutput")
        output.append(self.data_dictionary())
        tests = ET.SubElement(output, "NonParametricTests", number=str(len(self.tests)),
                              sigLevel=num(SIG_LEVEL), confidenceLevel=num(CONFIDENCE),
                              missingTreatment="listwise")
        tests.extend(self.tests)
        output.append(self.field_infos())
        ET.indent(root, space="  ")
        with open(path, "w", encoding="utf-8") as out:
            out.write('<?xml version="1.0" encoding="UTF-8"?>\n')
            out.write(ET.tostring(root, encoding="unicode"))
            out.write("\n")


# ---------------------------------------------------------------------------
# The example files


ALL_FIELDS = [f[0] for f in FIELDS]
# The split documents leave out the split variable (region) and list the fields in
# another order: the grouping field of their two-sample tests comes second.
SPLIT_FIELDS = ["gender", "program", "agegroup", "grade_1", "grade_2", "grade_3", "score_pre",
                "score_post", "visits", "wait_time", "enrolled", "case_id"]


def full_document(cases):
    doc = Document(ALL_FIELDS, cases)
    # One-sample tests
    doc.chi_square("region")
    doc.chi_square_failed("agegroup")
    doc.binomial_binary("gender")
    doc.binomial_cut("enrolled", days(2023, 7, 1))
    doc.runs("score_pre")
    doc.wilcoxon_one("score_post", 70.0)
    doc.success_rate("grade_3", [2, 3], ["4"])
    doc.ks_normal("score_pre")
    doc.ks_uniform("enrolled", days(2023, 1, 1), days(2023, 12, 31))
    doc.ks_poisson("visits", messages=[message(10502, "warning")])
    doc.ks_exponential("wait_time")
    # Related-samples tests
    doc.sign("score_pre", "score_post")
    doc.wilcoxon_pairs("score_pre", "score_post")
    doc.cochran(["grade_1", "grade_2", "grade_3"], [2, 3])
    doc.mcnemar("grade_1", "grade_2", [2, 3], ["4"])
    doc.friedman(["grade_1", "grade_2", "grade_3"])
    doc.kendall(["grade_1", "grade_2", "grade_3"])
    doc.marginal_homogeneity("grade_2", "grade_3")
    doc.hodges_lehmann_pairs("score_pre", "score_post")
    # Independent-samples tests
    doc.hodges_lehmann_groups("score_post", "program")
    doc.moses("score_post", "program")
    doc.mann_whitney("grade_3", "program", ordinal_as_continuous=True)
    doc.wald_wolfowitz("score_pre", "program")
    doc.kolmogorov_two("score_post", "program")
    doc.kruskal_wallis("score_post", "region",
                       messages=[message(222328, "warning", group="1;2")])
    doc.jonckheere("score_post", "agegroup")
    doc.median_test("score_post", "region")
    doc.median_test("score_post", "gender")
    return doc


def north_document(cases):
    doc = Document(SPLIT_FIELDS, [c for c in cases if c["region"] == "North"])
    doc.chi_square("agegroup")
    doc.binomial_binary("gender")
    doc.ks_normal("score_pre")
    doc.wilcoxon_pairs("score_pre", "score_post")
    doc.mann_whitney("score_post", "program")
    return doc


def south_document(cases):
    doc = Document(SPLIT_FIELDS, [c for c in cases if c["region"] == "South"])
    doc.chi_square("grade_1")
    doc.ks_normal("score_pre")
    doc.sign("score_pre", "score_post")
    doc.mann_whitney("score_post", "program")
    doc.kruskal_wallis("score_post", "agegroup")
    return doc


def manifest():
    variables = []
    for name, label, _, dtype, values, fmt in FIELDS:
        string = dtype == "string"
        # "A5" -> 5, "F8.1" -> 8, "DATE11" -> 11
        width = int(fmt.lstrip("ADTEF").split(".")[0])
        variables.append({
            "name": name,
            "label": label,
            "type": "string" if string else "numeric",
            "width": width,
            "format": fmt,
            "valueLabels": {v: lab for v, lab in (values or [])},
        })
    return {
        "variables": variables,
        "splitVariables": ["region"],
        "splitHeadings": True,
        "splits": [
            {"document": "split-north.xml", "values": {"region": "North"}},
            {"document": "split-south.xml", "values": {"region": "South"}},
        ],
    }


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
    cases = make_cases()
    write_course_data(out, cases)
    full_document(cases).write(out / "full.xml")
    north_document(cases).write(out / "split-north.xml")
    south_document(cases).write(out / "split-south.xml")
    with open(out / "two-splits.json", "w", encoding="utf-8") as f:
        json.dump(manifest(), f, indent=2, ensure_ascii=False)
        f.write("\n")


if __name__ == "__main__":
    main()
