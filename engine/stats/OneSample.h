// The one-sample tests' statistics, on plain values.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace npar::engine::stats {

// Pearson's X^2 of observed against expected counts, df = k - 1.
struct ChiSquareResult {
    double statistic = 0;
    double df = 0;
    double significance = 0;
};
ChiSquareResult ChiSquareGoodnessOfFit(const std::vector<double>& observed,
                                       const std::vector<double>& expected);

// The Wilcoxon signed rank test of differences, zeros dropped: W+ (the sum of
// the ranks of the positive differences), its standard error with the tie
// correction, the normal z without continuity correction and its two-sided
// significance; and, for at most 50 differences without ties, the exact
// two-sided significance.
struct SignedRankResult {
    size_t n = 0;  // nonzero differences
    size_t positive = 0, negative = 0, zeros = 0;
    double wPlus = 0, wMinus = 0;
    double standardError = 0;
    double z = 0;
    double asymptotic = 0;
    bool exact = false;
    double exactSignificance = 0;
};
constexpr size_t kSignedRankExactLimit = 50;
SignedRankResult SignedRank(const std::vector<double>& differences);

// The runs test of a sequence of cases below (false) and at or above (true)
// a cut point: the number of runs, its mean and standard deviation under
// randomness, the normal z (with a continuity correction of 0.5 toward the
// mean when there are fewer than 50 cases) and its two-sided significance.
struct RunsResult {
    size_t below = 0, above = 0;
    double runs = 0, mean = 0, standardDeviation = 0, z = 0, significance = 0;
};
// The values that are no NaN, and those of them at or below cut, counted in
// one pass over the column.
struct CutCounts {
    size_t valid = 0;
    size_t atOrBelow = 0;
};
CutCounts CountAboutCut(const std::vector<double>& values, double cut);

RunsResult RunsTest(const std::vector<bool>& atOrAbove);
// The same for values in order about a cut point, without a list of sides.
RunsResult RunsAboutCut(const std::vector<double>& values, double cut);
// The mean, standard deviation and z of a number of runs of n1 and n2 cases.
RunsResult RunsStatistics(double runs, size_t n1, size_t n2, bool continuityCorrection);

// Kolmogorov-Smirnov differences between the empirical distribution of
// sorted values and a distribution function: D+ = max(F_n - F), D- = max(F -
// F_n) (given as a negative number), D = the larger of the two.
struct KsDifferences {
    double absolute = 0, positive = 0, negative = 0;
};
KsDifferences KsContinuous(const std::vector<double>& sorted, const std::function<double(double)>& cdf);
// The same for a distribution on the whole numbers (both step functions).
KsDifferences KsDiscrete(const std::vector<double>& sorted, const std::function<double(double)>& cdf);

// The Lilliefors significance of D for the normal with estimated mean and
// standard deviation, by the approximation of Dallal and Wilkinson (1986).
// Above .2, where the approximation does not hold, the value is .2 and
// lowerBound is set.
double LillieforsSignificance(double d, size_t n, bool& lowerBound);
// The fewest cases the Dallal-Wilkinson approximation is made for (as R's
// nortest::lillie.test requires).
constexpr size_t kLillieforsMinimumCases = 5;

// Intervals for a binomial success rate of x in n at a confidence level.
struct Interval {
    double lower = 0, upper = 0;
};
Interval ClopperPearsonInterval(double x, double n, double level);
Interval JeffreysInterval(double x, double n, double level);
// The likelihood-ratio interval: the rates whose profile log likelihood lies
// within half the chi-square quantile of the maximum.
Interval LikelihoodRatioInterval(double x, double n, double level);

}  // namespace npar::engine::stats
