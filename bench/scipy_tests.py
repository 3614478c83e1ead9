#!/usr/bin/env python3
"""Times the tests in scipy and statsmodels on the data bench_engine writes.

    python3 bench/scipy_tests.py FOLDER

FOLDER holds one file per column (normal-N.f64, counts-N.f64, ..., raw
doubles) for N = 10^6 and 10^7, written by `bench_engine --write-data FOLDER`. Prints one
JSON object: {"Test/N": seconds, ...}, the best of three runs of each test
from the raw values to its significance, as the engine computes it.
"""
import json
import sys
import time

import numpy as np
import scipy.stats as st
from statsmodels.sandbox.stats.runs import runstest_1samp
from statsmodels.stats.diagnostic import lilliefors


def best(run, repeat=3):
    """The best of three runs; a run of more than 5 s is not repeated."""
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
        if times[-1] > 5:
            break
    return min(times)


def main():
    folder = sys.argv[1]
    results = {}
    for n in (1000000, 10000000):
        normal = np.fromfile(f"{folder}/normal-{n}.f64")
        counts = np.fromfile(f"{folder}/counts-{n}.f64")
        category = np.fromfile(f"{folder}/category-{n}.f64")
        after = np.fromfile(f"{folder}/after-{n}.f64")
        third = np.fromfile(f"{folder}/third-{n}.f64")
        g2 = np.fromfile(f"{folder}/g2-{n}.f64")
        g20 = np.fromfile(f"{folder}/g20-{n}.f64")

        def groups(of):
            return [normal[of == value] for value in np.unique(of)]

        def success_rate():
            x = int((normal <= 50).sum())
            st.binomtest(x, n).proportion_ci(method="exact")
            st.beta.ppf([0.025, 0.975], x + 0.5, n - x + 0.5)

        tests = {
            "ChiSquare": lambda: st.chisquare(np.unique(category, return_counts=True)[1]),
            "Binomial": lambda: st.binomtest(int((normal <= 50).sum()), n, 0.4),
            "Runs": lambda: runstest_1samp(normal, cutoff="median", correction=True),
            "Wilcoxon": lambda: st.wilcoxon(normal - 50, method="approx", correction=False),
            "KsNormal": lambda: lilliefors(normal, dist="norm", pvalmethod="approx"),
            "KsPoisson": lambda: st.kstest(counts, "poisson", args=(counts.mean(),)),
            "SuccessRate": success_rate,
            "RelatedWilcoxon": lambda: st.wilcoxon(after - normal, method="approx", correction=False),
            "Friedman": lambda: st.friedmanchisquare(normal, after, third),
            "MannWhitney": lambda: st.mannwhitneyu(*groups(g2), method="asymptotic", use_continuity=False),
            "TwoSampleKs": lambda: st.ks_2samp(*groups(g2), method="asymp"),
            "KruskalWallis2": lambda: st.kruskal(*groups(g2)),
            "KruskalWallis20": lambda: st.kruskal(*groups(g20)),
            "Median2": lambda: st.median_test(*groups(g2)),
            "Median20": lambda: st.median_test(*groups(g20)),
        }
        for name, run in tests.items():
            # scipy's Friedman test ranks row by row in Python: minutes at 10^6.
            if name == "Friedman" and n > 1000000:
                continue
            results[f"{name}/{n}"] = best(run)
    print(json.dumps(results))


if __name__ == "__main__":
    main()
