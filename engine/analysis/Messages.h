// The messages a test's document may carry, by number. Their texts are in
// the report's catalogue (resources/catalogue/en.txt); an error stops the
// test ("Unable to compute" in the summary, the message as its note), a
// warning is a note on the test's statistic.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "document/ResultModel.h"

namespace npar::engine::messages {

// Errors: the data of the split do not allow the test.
constexpr int kTooFewCases = 40001;     // ^1 cases needed, ^2 valid
constexpr int kSingleCategory = 40002;  // every case has the same value
constexpr int kOneSideOfCut = 40003;    // every value on one side of the cut point
constexpr int kAllDifferencesZero = 40004;
constexpr int kNoSpread = 40005;           // standard deviation zero: no normal to fit
constexpr int kNotCounts = 40006;          // Poisson needs whole numbers >= 0
constexpr int kNegativeValues = 40007;     // exponential needs values >= 0
constexpr int kGroupEmpty = 40009;         // a group of the comparison has no case in the split
constexpr int kAllTied = 40010;            // every value tied
constexpr int kParameterOverflow = 40011;  // a distribution's parameter overflows the doubles
// Related samples.
constexpr int kAllPairsTied = 40020;      // both fields equal in every case: no difference
constexpr int kNoChange = 40021;          // every case on the diagonal of the fields' table
constexpr int kSameAcrossFields = 40022;  // every case has one outcome in all fields
// Notes of the one-sample tests: what a statistic measures.
constexpr int kBinomialFirstCategory = 40030;  // cases in the hypothesis' first category
constexpr int kRunsCounted = 40031;            // the number of runs
constexpr int kSignedRankAboveMedian = 40032;  // W+ sums the ranks of values above the median
// Notes of the related-samples tests: what a statistic measures.
constexpr int kSignCountsPositive = 40023;        // d = second - first; the statistic counts d > 0
constexpr int kSignedRankOfPositive = 40024;      // d = second - first; W+ sums the ranks of d > 0
constexpr int kPairedExactInterval = 40025;       // second minus first; exact interval
constexpr int kPairedAsymptoticInterval = 40026;  // second minus first; normal-approximation interval
constexpr int kMarginalScores = 40027;            // the first field's scores over the changed cases
constexpr int kOddsRatioInfinite = 40028;         // no failure turned success: the odds are infinite

// Errors of the independent-samples tests.
constexpr int kTooFewGroups = 40301;     // ^1 groups have cases; the test compares at least two
constexpr int kControlTooSmall = 40302;  // the control group needs ^1 cases, it has ^2
constexpr int kOneSideOfMedian = 40303;  // every value on one side of the median

// Warnings.
constexpr int kSmallExpected = 40101;          // ^1 categories (^2%) expected below 5, smallest ^3
constexpr int kEstimatedParameters = 40102;    // significance assumes known parameters
constexpr int kNoComparisonsRetained = 40103;  // the test retains: no comparisons to show
// Notes on effect sizes and intervals that cannot be given as asked.
constexpr int kCorrelationAtBound = 40104;        // r = -1 or 1: no Fisher's z interval
constexpr int kIntervalLevelShort = 40105;        // the widest interval; its exact level is ^1%
constexpr int kNormalIntervalLevelShort = 40106;  // the widest interval; the normal approximation
constexpr int kEstimateAboveInterval = 40107;     // w or V above its noncentrality interval
// Warnings of the independent-samples tests.
constexpr int kComparisonsLimited = 40304;  // ^2 groups; comparisons are made for at most ^1
constexpr int kTrimReduced =
    40305;                        // ^1 cases trimmed from each end instead of ^2 (control group of ^3)
constexpr int kSpanTies = 40306;  // values shared by both groups: the largest span is used
constexpr int kSmallExpectedCells = 40307;  // ^1 cells (^2%) expected below 5, smallest ^3

// A comparison of the multiple comparisons whose significance cannot be
// computed (a note located on its row or subset).
constexpr int kComparisonUndefined = 222333;

// Notes: what a statistic of the independent-samples tests measures.
constexpr int kMannWhitneySecondGroup = 40310;   // U and W are the second group's
constexpr int kKsFirstMinusSecond = 40311;       // differences are first minus second
constexpr int kJonckheereAscending = 40312;      // J counts larger values in later (ascending) groups
constexpr int kJonckheereDescending = 40313;     // ... in later (descending) groups
constexpr int kShiftExactInterval = 40314;       // second minus first; exact interval
constexpr int kShiftAsymptoticInterval = 40315;  // second minus first; asymptotic interval

inline TestMessage Error(int code, std::vector<std::vector<double>> parameters = {}) {
    return TestMessage{code, "error", std::move(parameters), ""};
}
inline TestMessage Warning(int code, std::vector<std::vector<double>> parameters = {}) {
    return TestMessage{code, "warning", std::move(parameters), ""};
}
// A note that says what a number is; it stops nothing and warns of nothing.
inline TestMessage Note(int code, std::vector<std::vector<double>> parameters = {}) {
    return TestMessage{code, "helpMessage", std::move(parameters), ""};
}
// A note on one pairwise comparison or homogeneous subset ("a;b").
inline TestMessage Located(int code, std::string group) {
    return TestMessage{code, "warning", {}, std::move(group)};
}

// The note of an interval that cannot reach the requested level, or none.
template <typename Estimate>
void NoteIntervalLevel(std::vector<TestMessage>& messages, const Estimate& estimate) {
    if (estimate.levelReached) return;
    messages.push_back(std::isnan(estimate.achievedLevel)
                           ? Note(kNormalIntervalLevelShort)
                           : Note(kIntervalLevelShort, {{100 * estimate.achievedLevel}}));
}

}  // namespace npar::engine::messages
