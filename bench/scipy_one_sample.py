#!/usr/bin/env python3
"""Times the one-sample tests in scipy and statsmodels on the data bench_engine writes.

    python3 bench/scipy_one_sample.py FOLDER

FOLDER holds normal-N.f64, counts-N.f64 and category-N.f64 (raw doubles) for
N = 10^6 and 10^7, written by `bench_engine --write-data FOLDER`. Prints one
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
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    folder = sys.argv[1]
    results = {}
    for n in (1000000, 10000000):
        normal = np.fromfile(f"{folder}/normal-{n}.f64")
        counts = np.fromfile(f"{folder}/counts-{n}.f64")
        category = np.fromfile(f"{folder}/category-{n}.f64")

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
        }
        for name, run in tests.items():
            results[f"{name}/{n}"] = best(run)
    print(json.dumps(results))


if __name__ == "__main__":
    main()
