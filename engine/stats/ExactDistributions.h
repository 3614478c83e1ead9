// Exact null distributions of rank statistics, computed by recurrence (never
// by simulation). Each gives the probability of every value of the
// statistic; callers keep to the sample sizes the tests' exact rules allow.
#pragma once

#include <cstddef>
#include <vector>

namespace npar::engine::stats {

// P(W+ = w), w = 0 .. n(n+1)/2, for the Wilcoxon signed rank statistic of n
// untied, nonzero differences.
std::vector<double> SignedRankDistribution(size_t n);

// P(U = u), u = 0 .. m n, for the Mann-Whitney statistic of groups of m and
// n untied values.
std::vector<double> MannWhitneyDistribution(size_t m, size_t n);

// P(R = r), r = 0 .. m + n, for the number of runs R in a random order of m
// cases of one kind and n of another (both at least 1).
std::vector<double> RunsDistribution(size_t m, size_t n);

// P(J = j), j = 0 .. sum over group pairs of their size products, for the
// Jonckheere-Terpstra statistic of untied groups of the given sizes: the
// convolution of the Mann-Whitney distributions of each group against the
// groups after it.
std::vector<double> JonckheereDistribution(const std::vector<size_t>& sizes);

// Two-sided exact significance of an observed value of a statistic with the
// given distribution over 0, 1, 2, ...: twice the smaller tail, at most 1 (as
// scipy and R double the tail).
double ExactTwoSided(const std::vector<double>& distribution, double observed);
double ExactLowerTail(const std::vector<double>& distribution, double observed);  // P(X <= x)
double ExactUpperTail(const std::vector<double>& distribution, double observed);  // P(X >= x)

}  // namespace npar::engine::stats
