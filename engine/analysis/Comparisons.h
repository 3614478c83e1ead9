// Multiple comparisons of the k-sample tests, as the result document holds
// them: every pair of samples (PairwiseResult) or the homogeneous subsets of
// a stepwise step-down procedure (StepwiseResult).
//
// A sample is named by its sample number: a field index for related-samples
// tests, a category position of the grouping field for independent-samples
// tests. Each sample has a value (mean rank, number of successes, median) by
// which the comparisons are ordered.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analysis/TestRequest.h"
#include "document/ResultModel.h"

namespace npar::engine {

struct Sample {
    double number = 0;  // field index or category position
    double value = 0;   // mean rank, successes or median
};

// One comparison of two samples (given by their positions in the sample
// list): the statistic, its standard error, the standardized statistic and
// the two-sided (or, where the test says so, one-sided) significance. NaN
// where a test has no such value.
struct PairStatistics {
    double statistic = 0, standardError = 0, standardized = 0, significance = 0;
};

// Every pair of samples, the one with the smaller value first, compared by
// compare(first, second), with Bonferroni-adjusted significances (times the
// number of pairs, at most 1), ordered by the values of the first and then
// the second sample. groupField is the grouping field's index, -1 for
// related samples.
DocNode PairwiseResult(const std::vector<Sample>& samples, const std::string& valueName,
                       const std::function<PairStatistics(size_t, size_t)>& compare, int groupField);

// The homogeneous subsets of a stepwise step-down procedure (Campbell and
// Skillings 1985): the samples ordered by value, every run of consecutive
// samples is tested, the longest first; a run is homogeneous when its test
// does not reject at the level of its size, alpha_p = 1 - (1 - alpha)^(p/k)
// for p of k samples, and it lies in no longer homogeneous run. The adjusted
// significance is the significance moved to that scale, 1 - (1 - p)^(k/p),
// so that it compares with alpha. A sample in no homogeneous run forms a
// subset of its own, without a test. testRun(first, last) tests the ordered
// samples first..last.
DocNode StepwiseResult(const std::vector<Sample>& samples, const std::string& valueName,
                       const std::function<PairStatistics(size_t, size_t)>& testRun, double alpha,
                       int groupField);

// Whether a k-sample test's comparisons of k samples are made: asked for,
// more than two samples, no more than kMaxComparedSamples (their pairs would
// bury the report), and the test rejects its hypothesis (a retained test has
// no difference to locate). Where they are asked for but not made, a note in
// messages says why.
constexpr size_t kMaxComparedSamples = 30;
bool MakesComparisons(Compare compare, double significance, double alpha, size_t k,
                      std::vector<TestMessage>& messages);

// The two-sided Bonferroni adjustment of one of count comparisons.
double Bonferroni(double significance, size_t count);

}  // namespace npar::engine
