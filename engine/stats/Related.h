// The related-samples tests' statistics, on plain values: the sign test,
// McNemar's test, marginal homogeneity, Cochran's Q, Friedman's test with
// Kendall's W, and the Hodges-Lehmann estimate of a median difference. The
// Wilcoxon signed rank test of paired differences is the one-sample test on
// the differences (stats/OneSample.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace npar::engine::stats {

// The sign test of paired differences, zeros (ties) dropped: the number of
// positive differences against Binomial(n, 1/2). The standard error is that
// of the count, sqrt(n)/2; z has a continuity correction of 0.5 toward n/2;
// for at most 25 nonzero differences the exact two-sided significance (as R
// binom.test) is given too.
struct SignResult {
    size_t positive = 0, negative = 0, ties = 0;
    size_t n = 0;  // nonzero differences
    double standardError = 0, z = 0, asymptotic = 0;
    bool exact = false;
    double exactSignificance = 0;
};
constexpr size_t kSignExactLimit = 25;
SignResult SignTest(const std::vector<double>& differences);

// McNemar's test of b cases that change from success to failure against c
// that change from failure to success: the chi-square with continuity
// correction, (|b - c| - 1)^2 / (b + c), df = 1, and for at most 25
// discordant cases the exact two-sided binomial significance on them.
// Needs b + c > 0.
struct McNemarResult {
    double statistic = 0, asymptotic = 0;
    bool exact = false;
    double exactSignificance = 0;
};
constexpr double kMcNemarExactLimit = 25;
McNemarResult McNemar(double b, double c);

// The ordinal marginal homogeneity statistic of a square table of counts
// (rows the first field, columns the second, both in the same category
// order) with scores 1..k: over the off-diagonal cells, the sum of the row
// scores, its mean sum((r + c)/2) and standard deviation sqrt(sum((r - c)^2)/4)
// under homogeneity, the standardized value and its two-sided significance.
struct MarginalHomogeneityResult {
    double offDiagonal = 0;
    double observed = 0, mean = 0, standardDeviation = 0, z = 0, significance = 0;
};
MarginalHomogeneityResult MarginalHomogeneity(const std::vector<std::vector<double>>& table);

// Cochran's Q of N cases by k fields of successes (row-major, 1 = success):
// Q = (k - 1)(k sum C_j^2 - T^2) / (k T - sum R_i^2), df = k - 1. The
// denominator k T - sum R_i^2 is zero when every case succeeds in all fields
// or in none; the statistic is NaN then.
struct CochranResult {
    size_t n = 0, k = 0;
    std::vector<double> successes;  // C_j per field
    double denominator = 0;         // k T - sum R_i^2
    double statistic = 0, df = 0, significance = 0;
};
CochranResult CochranQ(const std::vector<uint8_t>& successes, size_t k,
                       const std::vector<size_t>& columns = {});
// The standard error of the difference of two fields' success proportions
// under the hypothesis, sqrt(2 (k T - sum R_i^2) / (N^2 k (k - 1))).
double CochranPairStandardError(const CochranResult& result);

// Ranks within each case of N cases by k fields (row-major), ties averaged,
// and the sum of t^3 - t over the tied groups of all cases.
struct RowRanks {
    size_t n = 0, k = 0;
    std::vector<double> ranks;  // row-major, as the values
    double tieSum = 0;
};
// columns: the fields to rank over (all when empty); the ranks have one
// entry per chosen field.
RowRanks RanksWithinCases(const std::vector<double>& values, size_t k,
                          const std::vector<size_t>& columns = {});

// Friedman's chi-square with the tie correction, as R friedman.test:
// 12 sum (R_j - N(k+1)/2)^2 / (N k (k+1) - sum(t^3 - t)/(k - 1)), df = k - 1,
// and Kendall's W = X^2 / (N (k - 1)). NaN when every case is tied in all
// fields (the denominator is zero).
struct FriedmanResult {
    size_t n = 0, k = 0;
    std::vector<double> meanRanks;
    double statistic = 0, df = 0, significance = 0, kendallsW = 0;
};
FriedmanResult Friedman(const RowRanks& ranks);
// The standard error of the difference of two mean ranks, sqrt(k(k+1)/(6N)).
double FriedmanPairStandardError(const FriedmanResult& result);

// The Hodges-Lehmann estimate of the median of paired differences with its
// interval, as R wilcox.test(paired = TRUE, conf.int = TRUE): the zero
// differences dropped, the estimate the median of the Walsh averages
// (d_i + d_j)/2, i <= j, of the n others (M = n(n+1)/2 of them); the
// interval the Walsh averages of ordinal q and M + 1 - q. Exact (no ties
// among |d| and n <= 50, the Wilcoxon test's exact rule): q from the
// signed-rank distribution, q = qsignrank((1 - level)/2, n), at least 1.
// Otherwise the normal approximation of the signed-rank statistic without
// tie correction: q = ceiling(M/2 - z sqrt(n(n+1)(2n+1)/24)), z the normal
// quantile of (1 + level)/2, kept inside 1..M.
// When no interval reaches the level (few differences), the widest there is,
// from the smallest Walsh average to the largest, is given: levelReached is
// false, and achievedLevel its exact level 1 - 2 P(W+ = 0) (R's achieved
// alpha) or, for the normal approximation, NaN.
struct HodgesLehmannResult {
    size_t n = 0;  // nonzero differences
    bool exact = false;
    double estimate = 0, lower = 0, upper = 0;
    bool levelReached = true;
    double achievedLevel = std::numeric_limits<double>::quiet_NaN();
};
HodgesLehmannResult PairedHodgesLehmann(const std::vector<double>& differences, double level);

// The k-th smallest (1-based) of the Walsh averages (x_i + x_j)/2, i <= j, of
// sorted values, without listing them all when they are many.
double WalshOrderStatistic(const std::vector<double>& sorted, uint64_t k);

}  // namespace npar::engine::stats
