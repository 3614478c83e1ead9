// The independent-samples tests' statistics, on plain values: the groups'
// values in, statistics and significances out. Groups are numbered 0, 1, ...
// in the order the caller gives them; the two-group tests take group 0 as
// the first group and group 1 as the second.
//
// Everything that compares values across groups works on one sorted pool
// of the cases (O(N log N) once); nothing loops over pairs of cases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "stats/OneSample.h"

namespace npar::engine::stats {

// The cases of the groups pooled and ordered by value.
struct PooledSample {
    std::vector<double> values;    // ascending
    std::vector<uint32_t> groups;  // the group of each value
    std::vector<size_t> sizes;     // cases per group
    size_t Size() const { return values.size(); }
};
PooledSample Pool(const std::vector<std::vector<double>>& groups);

// The sums of the groups' average ranks in the pool, and the sum of t^3 - t
// over the sets of t tied values.
struct GroupRanks {
    std::vector<double> sums;
    double tieSum = 0;
    bool hasTies = false;
};
GroupRanks RankGroups(const PooledSample& pooled);

// The exact rule of the Mann-Whitney test (and of the tests that share its
// distribution): at most 50 cases and no ties.
constexpr size_t kMannWhitneyExactLimit = 50;
inline bool MannWhitneyExact(size_t cases, bool ties) {
    return cases <= kMannWhitneyExactLimit && !ties;
}

// ---------------------------------------------------------------------------
// Two groups

// The Mann-Whitney test. U is the second group's: the number of pairs in
// which the second group's value is the larger, ties counting one half (R's
// wilcox.test(second, first) statistic, scipy's mannwhitneyu(second, first));
// W is the second group's rank sum. z = (U - mn/2) / SE with the tie
// correction and no continuity correction, positive when the second group
// tends to the larger values; two-sided significances.
struct MannWhitneyResult {
    double u = 0, w = 0;
    double meanRankFirst = 0, meanRankSecond = 0;
    double standardError = 0, z = 0, asymptotic = 0;
    bool exact = false;
    double exactSignificance = 0;
};
MannWhitneyResult MannWhitney(const PooledSample& pooled);

// The fewest and the most runs of group labels the pooled order can have
// when the order of tied values is free (Wald-Wolfowitz).
struct RunsRange {
    double fewest = 0, most = 0;
};
RunsRange RunsBetweenGroups(const PooledSample& pooled);

// The one-sided significance of a number of runs of m and n cases (few runs
// speak against the hypothesis): the normal approximation as the
// one-sample runs test has it (continuity correction below 50 cases),
// P(Z <= z), and for at most 50 cases the exact P(R <= runs).
struct RunsSignificance {
    RunsResult normal;  // mean, standard deviation, z
    double asymptotic = 0;
    bool exact = false;
    double exactSignificance = 0;
};
RunsSignificance WaldWolfowitz(double runs, size_t m, size_t n);

// The two-sample Kolmogorov-Smirnov test: D+ = max(F1 - F2), D- = min(F1 -
// F2) (zero or negative), D = the larger magnitude, with F1 and F2 the
// empirical distribution functions of the first and second group; Z = D
// sqrt(mn / (m + n)) and P(K > Z) from the limiting Kolmogorov distribution.
struct TwoSampleKsResult {
    double absolute = 0, positive = 0, negative = 0, z = 0, significance = 0;
};
TwoSampleKsResult KolmogorovSmirnovTwoSample(const PooledSample& pooled);

// The Moses test of extreme reactions. The span of the control group is the
// number of pooled positions from its lowest to its highest case, after
// trimming `trim` control cases from each end; its exact one-sided
// significance is P(span <= observed) over all placements of the control
// cases. Tied values take the order that makes the span largest, so that
// the significance is conservative; tiesBetweenGroups says whether a value
// is shared by the two groups (then the order mattered).
struct MosesSpan {
    double span = 0;
    double significance = 0;
};
struct MosesResult {
    MosesSpan observed, trimmed;
    bool tiesBetweenGroups = false;
};
MosesResult Moses(const PooledSample& pooled, size_t control, size_t trim);
// P(span <= span) for m control and n experimental cases, trim cases cut
// from each end of the control group (m - 2 trim >= 2).
double MosesSignificance(double span, size_t m, size_t n, size_t trim);

// The k-th smallest (1 .. m n) of the m n differences second[j] - first[i],
// both sorted ascending, found without forming the differences (selection
// in the sorted matrix of differences, Monahan 1984, with pivots from a
// random sample of the candidates): O(m + n) time per round, a few rounds
// expected, O(min(m, n)) memory.
double KthDifference(const std::vector<double>& first, const std::vector<double>& second, uint64_t k);

// The Hodges-Lehmann estimate of the shift from the first group to the
// second: the median of the differences second - first, and its interval
// (R's wilcox.test(second, first, conf.int = TRUE, correct = FALSE)): exact
// from the Mann-Whitney distribution, or asymptotic (normal, tie corrected)
// where R's root of the standardized statistic lands on a difference.
// When no interval reaches the level (few cases), the widest there is, from
// the smallest difference to the largest, is given: levelReached is false,
// and achievedLevel its exact level 1 - 2 P(U = 0) (R's achieved alpha) or,
// for the normal approximation, NaN.
struct ShiftEstimate {
    double estimate = 0, lower = 0, upper = 0;
    bool levelReached = true;
    double achievedLevel = std::numeric_limits<double>::quiet_NaN();
};
ShiftEstimate HodgesLehmannShift(std::vector<double> first, std::vector<double> second, double level,
                                 bool exact);

// ---------------------------------------------------------------------------
// k groups

// The Kruskal-Wallis H with the tie correction, df = k - 1, from the groups'
// sizes and rank sums; tied is set (and H is NaN) when every value is tied.
struct KruskalWallisResult {
    double h = 0, df = 0, significance = 0;
    bool allTied = false;
};
KruskalWallisResult KruskalWallis(const std::vector<size_t>& sizes, const std::vector<double>& rankSums,
                                  double tieSum);

// Dunn's (1964) comparison of two groups' mean ranks: the difference first -
// second, its standard error sqrt((N(N+1)/12 - sum(t^3 - t)/(12(N-1))) (1/n1
// + 1/n2)), z and the two-sided significance.
struct DunnComparison {
    double difference = 0, standardError = 0, z = 0, significance = 0;
};
DunnComparison Dunn(double meanRankFirst, size_t firstSize, double meanRankSecond, size_t secondSize,
                    size_t total, double tieSum);

// The sums over the sets of t tied values that the Jonckheere-Terpstra
// variance needs.
struct TieMoments {
    double cubic = 0;     // sum of t(t-1)(2t+5)
    double falling3 = 0;  // sum of t(t-1)(t-2)
    double falling2 = 0;  // sum of t(t-1)
    void Add(double t) {
        cubic += t * (t - 1) * (2 * t + 5);
        falling3 += t * (t - 1) * (t - 2);
        falling2 += t * (t - 1);
    }
};

// The Jonckheere-Terpstra test: J counts the pairs of cases from two groups
// in which the case of the group later in the test order has the larger
// value, ties counting one half; its mean (N^2 - sum n^2)/4, its standard
// deviation with the tie correction of Hollander and Wolfe, z = (J - mean)
// / SD, the one-sided significance P(Z >= z) (larger values later in the
// order) and the two-sided one. For at most 50 cases without ties, the exact
// two-sided significance from the convolution of Mann-Whitney distributions.
struct JonckheereResult {
    double j = 0, mean = 0, standardDeviation = 0, z = 0, oneSided = 0, twoSided = 0;
    bool exact = false;
    double exactTwoSided = 0;
};
// order: the groups of the pool in the test order. O(N log k).
JonckheereResult JonckheereTerpstra(const PooledSample& pooled, const std::vector<size_t>& order);
// The moments and significances of an observed J for groups of the given
// sizes and ties.
JonckheereResult JonckheereMoments(double j, const std::vector<size_t>& sizes, const TieMoments& ties);

// The pairwise counts between the groups of a pool, from which the rank
// statistics of any subset of the groups follow without ranking again: the
// Kruskal-Wallis rank sums, Jonckheere-Terpstra's J and the ties of the
// subset. Building it takes O(N k); use it only for a bounded number of
// groups.
class GroupPairCounts {
public:
    explicit GroupPairCounts(const PooledSample& pooled);

    // Pairs in which the case of group `upper` has the larger value than the
    // case of group `lower`, ties counting one half.
    double Above(size_t upper, size_t lower) const { return fAbove[upper * fGroups + lower]; }
    size_t Size(size_t group) const { return fSizes[group]; }
    // The groups' rank sums when only the chosen groups are pooled.
    std::vector<double> RankSums(const std::vector<size_t>& chosen) const;
    // Over the sets of tied values among the chosen groups' cases:
    double TieSum(const std::vector<size_t>& chosen) const;  // sum of t^3 - t
    TieMoments Ties(const std::vector<size_t>& chosen) const;

private:
    // The number of tied cases of the chosen groups, per set of tied values.
    std::vector<double> TiedCounts(const std::vector<size_t>& chosen) const;

    size_t fGroups = 0;
    std::vector<size_t> fSizes;
    std::vector<double> fAbove;  // fGroups x fGroups
    // The sets of tied values: per set, its groups' case counts.
    std::vector<size_t> fTieStarts;  // into fTieCounts; one more than the sets
    std::vector<std::pair<uint32_t, double>> fTieCounts;
};

// ---------------------------------------------------------------------------
// Median test

// Pearson's chi-square of a 2 x k table given as its two rows (with Yates's
// correction, min(0.5, |O - E|), when asked), df = k - 1; NaN when a row or
// column total is zero. smallCells counts cells expected below 5.
struct TableChiSquare {
    double statistic = 0, df = 0, significance = 0;
    size_t smallCells = 0;
    double smallestExpected = 0;
};
TableChiSquare ChiSquareOfTable(const std::vector<double>& top, const std::vector<double>& bottom,
                                bool yates);

// Fisher's exact two-sided significance of the 2 x 2 table [[a, b], [c, d]]:
// the probability of every table with the same margins no more likely than
// this one (with R's relative tolerance of 1e-7).
double FisherExact(double a, double b, double c, double d);

// The counts of each group's values above the median and at or below it.
struct MedianCounts {
    std::vector<double> above, atOrBelow;
};
MedianCounts CountAboutMedian(const std::vector<std::vector<double>>& groups, double median);

// Fisher's exact test of the median test's 2 x 2 table applies up to 30 cases.
constexpr size_t kFisherExactLimit = 30;

}  // namespace npar::engine::stats
