"""Small, dependency-free statistics used to compute the example result documents.

Only what the example tests need: distribution functions, ranks, box values,
histograms and the test statistics themselves. Everything works on plain lists.
"""

import math
from statistics import NormalDist

_STD_NORMAL = NormalDist()


# ---------------------------------------------------------------------------
# Distribution functions


def normal_cdf(z):
    return 0.5 * math.erfc(-z / math.sqrt(2.0))


def normal_sf(z):
    """Upper tail of the standard normal distribution, accurate far out in the tail."""
    return 0.5 * math.erfc(z / math.sqrt(2.0))


def normal_two_sided(z):
    return min(1.0, 2.0 * normal_sf(abs(z)))


def normal_quantile(p):
    return _STD_NORMAL.inv_cdf(p)


def _gamma_upper_regularized(a, x):
    """Q(a, x), the regularized upper incomplete gamma function."""
    if x <= 0.0:
        return 1.0
    log_front = -x + a * math.log(x) - math.lgamma(a)
    if x < a + 1.0:
        term = total = 1.0 / a
        ap = a
        for _ in range(10000):
            ap += 1.0
            term *= x / ap
            total += term
            if abs(term) < abs(total) * 1e-16:
                break
        return max(0.0, 1.0 - total * math.exp(log_front))
    tiny = 1e-300
    b = x + 1.0 - a
    c = 1.0 / tiny
    d = 1.0 / b
    h = d
    for i in range(1, 10000):
        an = -i * (i - a)
        b += 2.0
        d = an * d + b
        d = tiny if abs(d) < tiny else d
        c = b + an / c
        c = tiny if abs(c) < tiny else c
        d = 1.0 / d
        delta = d * c
        h *= delta
        if abs(delta - 1.0) < 1e-16:
            break
    return math.exp(log_front) * h


def chi2_sf(x, df):
    return _gamma_upper_regularized(df / 2.0, x / 2.0)


def _beta_cf(a, b, x):
    tiny = 1e-300
    qab, qap, qam = a + b, a + 1.0, a - 1.0
    c = 1.0
    d = 1.0 - qab * x / qap
    d = tiny if abs(d) < tiny else d
    d = 1.0 / d
    h = d
    for m in range(1, 10000):
        m2 = 2 * m
        aa = m * (b - m) * x / ((qam + m2) * (a + m2))
        d = 1.0 + aa * d
        d = tiny if abs(d) < tiny else d
        c = 1.0 + aa / c
        c = tiny if abs(c) < tiny else c
        d = 1.0 / d
        h *= d * c
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2))
        d = 1.0 + aa * d
        d = tiny if abs(d) < tiny else d
        c = 1.0 + aa / c
        c = tiny if abs(c) < tiny else c
        d = 1.0 / d
        delta = d * c
        h *= delta
        if abs(delta - 1.0) < 1e-15:
            break
    return h


def beta_cdf(x, a, b):
    """Regularized incomplete beta function I_x(a, b)."""
    if x <= 0.0:
        return 0.0
    if x >= 1.0:
        return 1.0
    front = math.exp(math.lgamma(a + b) - math.lgamma(a) - math.lgamma(b)
                     + a * math.log(x) + b * math.log(1.0 - x))
    if x < (a + 1.0) / (a + b + 2.0):
        return front * _beta_cf(a, b, x) / a
    return 1.0 - front * _beta_cf(b, a, 1.0 - x) / b


def beta_quantile(p, a, b):
    lo, hi = 0.0, 1.0
    for _ in range(200):
        mid = (lo + hi) / 2.0
        if beta_cdf(mid, a, b) < p:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2.0


def kolmogorov_sf(z):
    """P(K > z) for the limiting Kolmogorov distribution."""
    if z <= 0.0:
        return 1.0
    if z < 1.18:
        s = sum(math.exp(-((2 * j - 1) ** 2) * math.pi ** 2 / (8.0 * z * z))
                for j in range(1, 50))
        return max(0.0, min(1.0, 1.0 - math.sqrt(2.0 * math.pi) / z * s))
    s = sum((-1) ** (j - 1) * math.exp(-2.0 * j * j * z * z) for j in range(1, 100))
    return max(0.0, min(1.0, 2.0 * s))


def binomial_two_sided(k, n, p=0.5):
    """Exact two-sided binomial significance (doubled smaller tail)."""
    pmf = [math.comb(n, i) * p ** i * (1 - p) ** (n - i) for i in range(n + 1)]
    lower = sum(pmf[: k + 1])
    upper = sum(pmf[k:])
    return min(1.0, 2.0 * min(lower, upper))


def poisson_cdf(k, mean):
    total, term = 0.0, math.exp(-mean)
    for i in range(k + 1):
        if i > 0:
            term *= mean / i
        total += term
    return total


# ---------------------------------------------------------------------------
# Descriptives


def median(values):
    xs = sorted(values)
    n = len(xs)
    mid = n // 2
    return xs[mid] if n % 2 else (xs[mid - 1] + xs[mid]) / 2.0


def mean(values):
    return sum(values) / len(values)


def std_dev(values):
    m = mean(values)
    return math.sqrt(sum((v - m) ** 2 for v in values) / (len(values) - 1))


def average_ranks(values):
    """Ranks 1..n with ties given their average rank, plus the tie-group sizes."""
    order = sorted(range(len(values)), key=lambda i: values[i])
    ranks = [0.0] * len(values)
    ties = []
    i = 0
    while i < len(order):
        j = i
        while j + 1 < len(order) and values[order[j + 1]] == values[order[i]]:
            j += 1
        rank = (i + j + 2) / 2.0
        for k in range(i, j + 1):
            ranks[order[k]] = rank
        ties.append(j - i + 1)
        i = j + 1
    return ranks, ties


def tie_sum(ties):
    return sum(t ** 3 - t for t in ties)


def box_values(values, labels):
    """Tukey box: whiskers, hinges, median, plus the outliers and their labels."""
    pairs = sorted(zip(values, labels))
    xs = [v for v, _ in pairs]
    n = len(xs)
    depth = (math.floor((n + 1) / 2) + 1) / 2.0
    lo_idx, hi_idx = math.floor(depth) - 1, math.ceil(depth) - 1
    lower_hinge = (xs[lo_idx] + xs[hi_idx]) / 2.0
    upper_hinge = (xs[n - 1 - lo_idx] + xs[n - 1 - hi_idx]) / 2.0
    spread = upper_hinge - lower_hinge
    low_fence, high_fence = lower_hinge - 1.5 * spread, upper_hinge + 1.5 * spread
    inside = [v for v in xs if low_fence <= v <= high_fence]
    outliers = [(v, lab) for v, lab in pairs if v < low_fence or v > high_fence]
    return [min(inside), lower_hinge, median(xs), upper_hinge, max(inside)], outliers


def histogram(values, width, origin):
    """Bins of the given width starting at origin: (bin middles, counts), inner empty bins kept."""
    first = math.floor((min(values) - origin) / width)
    last = math.floor((max(values) - origin) / width)
    counts = [0] * (last - first + 1)
    for v in values:
        counts[math.floor((v - origin) / width) - first] += 1
    middles = [origin + (first + i + 0.5) * width for i in range(len(counts))]
    return middles, counts


def value_counts(values, levels):
    return [sum(1 for v in values if v == level) for level in levels]


# ---------------------------------------------------------------------------
# One-sample tests


def chi_square_gof(observed, expected):
    stat = sum((o - e) ** 2 / e for o, e in zip(observed, expected))
    df = len(observed) - 1
    return stat, df, chi2_sf(stat, df)


def runs_about(values, cut):
    """Runs of values below the cut point against values at or above it."""
    signs = [v >= cut for v in values]
    runs = 1 + sum(1 for a, b in zip(signs, signs[1:]) if a != b)
    n1 = sum(1 for s in signs if not s)
    n2 = len(signs) - n1
    return runs_statistics(runs, n1, n2)


def runs_statistics(runs, n1, n2):
    n = n1 + n2
    expected = 2.0 * n1 * n2 / n + 1.0
    sd = math.sqrt(2.0 * n1 * n2 * (2.0 * n1 * n2 - n) / (n * n * (n - 1.0)))
    return {"runs": runs, "mean": expected, "sd": sd, "z": (runs - expected) / sd}


def signed_rank(differences):
    """Wilcoxon signed rank statistic over the non-zero differences."""
    nonzero = [d for d in differences if d != 0]
    n = len(nonzero)
    ranks, ties = average_ranks([abs(d) for d in nonzero])
    w_plus = sum(r for r, d in zip(ranks, nonzero) if d > 0)
    expected = n * (n + 1) / 4.0
    variance = n * (n + 1) * (2 * n + 1) / 24.0 - tie_sum(ties) / 48.0
    se = math.sqrt(variance)
    z = (w_plus - expected) / se
    return {"n": n, "w_plus": w_plus, "se": se, "z": z, "p": normal_two_sided(z)}


def ks_continuous(values, cdf):
    """One-sample Kolmogorov-Smirnov differences against a continuous distribution."""
    xs = sorted(values)
    n = len(xs)
    d_pos = d_neg = 0.0
    i = 0
    while i < n:
        j = i
        while j + 1 < n and xs[j + 1] == xs[i]:
            j += 1
        f = cdf(xs[i])
        d_pos = max(d_pos, (j + 1) / n - f)
        d_neg = max(d_neg, f - i / n)
        i = j + 1
    return d_pos, -d_neg


def ks_discrete(values, cdf):
    """One-sample Kolmogorov-Smirnov differences against a distribution on whole numbers."""
    n = len(values)
    d_pos = d_neg = 0.0
    for k in range(0, int(max(values)) + 1):
        diff = sum(1 for v in values if v <= k) / n - cdf(k)
        d_pos = max(d_pos, diff)
        d_neg = max(d_neg, -diff)
    return d_pos, -d_neg


def lilliefors_sig(d, n):
    """Significance of the normal test with estimated parameters.

    Returns (value, is_lower_bound); above the .20 critical value only the bound is known.
    """
    critical = 0.736 / math.sqrt(n) if n > 30 else _lilliefors_020(n)
    if d < critical:
        return 0.2, True
    dd, nn = d, n
    if nn > 100:
        dd = d * (n / 100.0) ** 0.49
        nn = 100
    p = math.exp(-7.01256 * dd * dd * (nn + 2.78019)
                 + 2.99587 * dd * math.sqrt(nn + 2.78019)
                 - 0.122119 + 0.974598 / math.sqrt(nn) + 1.67997 / nn)
    return min(p, 0.2), False


def _lilliefors_020(n):
    # Critical values at the .20 level for small samples.
    table = {4: .300, 5: .285, 6: .265, 7: .247, 8: .233, 9: .223, 10: .215, 11: .206,
             12: .199, 13: .190, 14: .183, 15: .177, 16: .173, 17: .169, 18: .166,
             19: .163, 20: .160, 25: .142, 30: .131}
    keys = sorted(table)
    best = max(k for k in keys if k <= max(n, 4))
    return table[best]


def clopper_pearson(x, n, level):
    alpha = 1.0 - level
    lower = 0.0 if x == 0 else beta_quantile(alpha / 2.0, x, n - x + 1)
    upper = 1.0 if x == n else beta_quantile(1.0 - alpha / 2.0, x + 1, n - x)
    return lower, upper


def jeffreys(x, n, level):
    alpha = 1.0 - level
    return (beta_quantile(alpha / 2.0, x + 0.5, n - x + 0.5),
            beta_quantile(1.0 - alpha / 2.0, x + 0.5, n - x + 0.5))


def likelihood_interval(x, n, level):
    """Profile likelihood interval of a binomial proportion."""
    crit = (normal_quantile(1.0 - (1.0 - level) / 2.0)) ** 2
    phat = x / n

    def loglik(p):
        return x * math.log(p) + (n - x) * math.log(1.0 - p)

    top = loglik(phat)

    def solve(lo, hi, rising):
        for _ in range(200):
            mid = (lo + hi) / 2.0
            inside = 2.0 * (top - loglik(mid)) < crit
            if inside == rising:
                hi = mid
            else:
                lo = mid
        return (lo + hi) / 2.0

    return solve(1e-12, phat, True), solve(phat, 1.0 - 1e-12, False)


# ---------------------------------------------------------------------------
# Related-samples tests


def within_case_ranks(rows):
    """Ranks within each case (row) across the related fields, plus the tie sum."""
    ranked, total_ties = [], 0
    for row in rows:
        r, ties = average_ranks(row)
        ranked.append(r)
        total_ties += tie_sum(ties)
    return ranked, total_ties


def friedman(rows):
    n, k = len(rows), len(rows[0])
    ranked, ties = within_case_ranks(rows)
    sums = [sum(r[j] for r in ranked) for j in range(k)]
    stat = 12.0 / (n * k * (k + 1)) * sum(s * s for s in sums) - 3.0 * n * (k + 1)
    stat /= 1.0 - ties / (n * (k ** 3 - k))
    return {"stat": stat, "df": k - 1, "p": chi2_sf(stat, k - 1),
            "mean_ranks": [s / n for s in sums], "ranked": ranked,
            "w": stat / (n * (k - 1))}


def cochran_q(rows):
    """rows: per case a list of 0/1 successes over the related fields."""
    k = len(rows[0])
    col = [sum(r[j] for r in rows) for j in range(k)]
    row_sums = [sum(r) for r in rows]
    total = sum(col)
    denom = k * total - sum(s * s for s in row_sums)
    q = (k - 1) * (k * sum(c * c for c in col) - total * total) / denom
    return {"q": q, "df": k - 1, "p": chi2_sf(q, k - 1), "successes": col,
            "denom": denom}


# ---------------------------------------------------------------------------
# Independent-samples tests


def mann_whitney(group1, group2):
    data = group1 + group2
    n1, n2, n = len(group1), len(group2), len(group1) + len(group2)
    ranks, ties = average_ranks(data)
    r1, r2 = sum(ranks[:n1]), sum(ranks[n1:])
    u = r2 - n2 * (n2 + 1) / 2.0
    se = math.sqrt(n1 * n2 / 12.0 * ((n + 1) - tie_sum(ties) / (n * (n - 1.0))))
    z = (u - n1 * n2 / 2.0) / se
    return {"u": u, "w": r2, "se": se, "z": z, "p": normal_two_sided(z),
            "mean_ranks": [r1 / n1, r2 / n2]}


def kruskal_wallis(groups):
    data = [v for g in groups for v in g]
    n = len(data)
    ranks, ties = average_ranks(data)
    sums, pos = [], 0
    for g in groups:
        sums.append(sum(ranks[pos:pos + len(g)]))
        pos += len(g)
    h = 12.0 / (n * (n + 1)) * sum(s * s / len(g) for s, g in zip(sums, groups)) - 3.0 * (n + 1)
    h /= 1.0 - tie_sum(ties) / (n ** 3 - n)
    df = len(groups) - 1
    return {"h": h, "df": df, "p": chi2_sf(h, df),
            "mean_ranks": [s / len(g) for s, g in zip(sums, groups)],
            "n": n, "tie_sum": tie_sum(ties)}


def jonckheere(groups):
    """Jonckheere-Terpstra statistic for groups in their natural (increasing) order."""
    j_stat = 0.0
    for a in range(len(groups)):
        for b in range(a + 1, len(groups)):
            for x in groups[a]:
                for y in groups[b]:
                    j_stat += 1.0 if x < y else (0.5 if x == y else 0.0)
    sizes = [len(g) for g in groups]
    n = sum(sizes)
    expected = (n * n - sum(s * s for s in sizes)) / 4.0
    variance = (n * n * (2 * n + 3) - sum(s * s * (2 * s + 3) for s in sizes)) / 72.0
    se = math.sqrt(variance)
    z = (j_stat - expected) / se
    return {"j": j_stat, "se": se, "z": z, "p2": normal_two_sided(z), "p1": normal_sf(z)}


def median_test_table(groups, grand_median):
    above = [sum(1 for v in g if v > grand_median) for g in groups]
    below = [len(g) - a for g, a in zip(groups, above)]
    return above, below


def chi_square_independence(table, yates=False):
    rows = [sum(r) for r in table]
    cols = [sum(c) for c in zip(*table)]
    n = sum(rows)
    stat = 0.0
    for i, r in enumerate(table):
        for j, o in enumerate(r):
            e = rows[i] * cols[j] / n
            dev = abs(o - e) - 0.5 if yates else abs(o - e)
            stat += max(dev, 0.0) ** 2 / e
    df = (len(rows) - 1) * (len(cols) - 1)
    return stat, df, chi2_sf(stat, df)


def wald_wolfowitz_bounds(group1, group2):
    """Smallest and largest possible number of runs over all orderings of tied values."""
    blocks = {}
    for v in group1:
        blocks.setdefault(v, [0, 0])[0] += 1
    for v in group2:
        blocks.setdefault(v, [0, 0])[1] += 1

    def arrangements(a, b, largest):
        # (first label, last label, runs inside the block) for the extreme orderings.
        if a == 0:
            return [(1, 1, 1)]
        if b == 0:
            return [(0, 0, 1)]
        if not largest:
            return [(0, 1, 2), (1, 0, 2)]
        options = []
        for first in (0, 1):
            counts = [a, b]
            seq, label = [], first
            while counts[0] or counts[1]:
                if counts[label] == 0:
                    label = 1 - label
                seq.append(label)
                counts[label] -= 1
                label = 1 - label
            runs = 1 + sum(1 for x, y in zip(seq, seq[1:]) if x != y)
            options.append((seq[0], seq[-1], runs))
        return options

    result = []
    for largest in (False, True):
        best = {None: 0}
        for value in sorted(blocks):
            a, b = blocks[value]
            nxt = {}
            for last, total in best.items():
                for first, end, runs in arrangements(a, b, largest):
                    add = runs - (1 if last == first else 0)
                    cand = total + add
                    if end not in nxt or (cand > nxt[end] if largest else cand < nxt[end]):
                        nxt[end] = cand
            best = nxt
        result.append(max(best.values()) if largest else min(best.values()))
    return result[0], result[1]


def ks_two_sample(group1, group2):
    n1, n2 = len(group1), len(group2)
    d_pos = d_neg = 0.0
    for v in sorted(set(group1 + group2)):
        f1 = sum(1 for x in group1 if x <= v) / n1
        f2 = sum(1 for x in group2 if x <= v) / n2
        d_pos = max(d_pos, f1 - f2)
        d_neg = min(d_neg, f1 - f2)
    d_abs = max(d_pos, -d_neg)
    z = d_abs * math.sqrt(n1 * n2 / (n1 + n2))
    return {"abs": d_abs, "pos": d_pos, "neg": d_neg, "z": z, "p": kolmogorov_sf(z)}


def moses_span_sig(span, m, n, trimmed):
    """Exact one-sided significance of a control-group span (m control, n experimental cases)."""
    g = span - (m - 2 * trimmed)
    if g < 0:
        return 0.0
    total = sum(math.comb(i + m - 2 * trimmed - 2, i) * math.comb(n + 2 * trimmed + 1 - i, n - i)
                for i in range(0, min(g, n) + 1))
    return min(1.0, total / math.comb(m + n, m))


def hodges_lehmann_one(differences, level):
    """Median of the Walsh averages with its distribution-free confidence limits."""
    n = len(differences)
    walsh = sorted((differences[i] + differences[j]) / 2.0
                   for i in range(n) for j in range(i, n))
    z = normal_quantile(1.0 - (1.0 - level) / 2.0)
    c = int(math.floor(n * (n + 1) / 4.0 - z * math.sqrt(n * (n + 1) * (2 * n + 1) / 24.0)))
    return median(walsh), walsh[c - 1], walsh[len(walsh) - c]


def hodges_lehmann_two(group1, group2, level):
    """Median of all differences group2 - group1 with its confidence limits."""
    n1, n2 = len(group1), len(group2)
    diffs = sorted(y - x for x in group1 for y in group2)
    z = normal_quantile(1.0 - (1.0 - level) / 2.0)
    c = int(math.floor(n1 * n2 / 2.0 - z * math.sqrt(n1 * n2 * (n1 + n2 + 1) / 12.0)))
    return median(diffs), diffs[c - 1], diffs[len(diffs) - c]


def homogeneous_subsets(count, subset_sig, alpha):
    """Maximal runs of consecutive positions 0..count-1 whose subset test is not significant.

    Positions not covered by any run form subsets of their own (significance None).
    Returns (first, last, sig) triples ordered by first position.
    """
    found = []
    for size in range(count, 1, -1):
        for first in range(0, count - size + 1):
            last = first + size - 1
            if any(f <= first and last <= l for f, l, _ in found):
                continue
            sig = subset_sig(first, last)
            if sig >= alpha:
                found.append((first, last, sig))
    covered = {p for f, l, _ in found for p in range(f, l + 1)}
    found += [(p, p, None) for p in range(count) if p not in covered]
    return sorted(found)
