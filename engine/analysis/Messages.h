// The messages a test's document may carry, by number. Their texts are in
// the report's catalogue (resources/catalogue/en.txt); an error stops the
// test ("Unable to compute" in the summary, the message as its note), a
// warning is a note on the test's statistic.
#pragma once

#include <vector>

#include "document/ResultModel.h"

namespace npar::engine::messages {

// Errors: the data of the split do not allow the test.
constexpr int kTooFewCases = 40001;       // ^1 cases needed, ^2 valid
constexpr int kSingleCategory = 40002;    // every case has the same value
constexpr int kOneSideOfCut = 40003;      // every value on one side of the cut point
constexpr int kAllDifferencesZero = 40004;
constexpr int kNoSpread = 40005;          // standard deviation zero: no normal to fit
constexpr int kNotCounts = 40006;         // Poisson needs whole numbers >= 0
constexpr int kNegativeValues = 40007;    // exponential needs values >= 0
constexpr int kGroupEmpty = 40009;        // a group of the comparison has no case in the split
constexpr int kAllTied = 40010;           // every value tied
// Related samples.
constexpr int kAllPairsTied = 40020;      // both fields equal in every case: no difference
constexpr int kNoChange = 40021;          // every case on the diagonal of the fields' table
constexpr int kSameAcrossFields = 40022;  // every case has one outcome in all fields
// Notes of the related-samples tests: what a statistic measures.
constexpr int kSignCountsPositive = 40023;     // d = second - first; the statistic counts d > 0
constexpr int kSignedRankOfPositive = 40024;   // d = second - first; W+ sums the ranks of d > 0
constexpr int kPairedExactInterval = 40025;    // second minus first; exact interval
constexpr int kPairedAsymptoticInterval = 40026;  // second minus first; normal-approximation interval

// Warnings.
constexpr int kSmallExpected = 40101;     // ^1 categories (^2%) expected below 5, smallest ^3
constexpr int kEstimatedParameters = 40102;  // significance assumes known parameters

inline TestMessage Error(int code, std::vector<std::vector<double>> parameters = {}) {
    return TestMessage{code, "error", std::move(parameters), ""};
}
inline TestMessage Warning(int code, std::vector<std::vector<double>> parameters = {}) {
    return TestMessage{code, "warning", std::move(parameters), ""};
}

}  // namespace npar::engine::messages
