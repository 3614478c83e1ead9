// Running one test on one split: the family runners, and the pieces of a
// result that every test shares.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "analysis/SplitData.h"
#include "analysis/TestRequest.h"
#include "document/ResultModel.h"
#include "stats/Descriptives.h"
#include "stats/EffectSizes.h"

namespace npar::engine {

constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();

TestResult RunTest(const TestRequest& request, const SplitData& split);

// The family runners (OneSampleTests.cpp, RelatedTests.cpp, IndependentTests.cpp).
TestResult RunOneSampleTest(const TestRequest& request, const SplitData& split);
TestResult RunRelatedTest(const TestRequest& request, const SplitData& split);
TestResult RunIndependentTest(const TestRequest& request, const SplitData& split);

// A result with its algorithm, family, condition key and parameters.
TestResult NewResult(const char* algorithm, const char* family, std::string conditionKey,
                     std::vector<std::vector<double>> parameters);
// Marks a result as not computed on these data: the error message says why.
TestResult& Unable(TestResult& result, int code, std::vector<std::vector<double>> parameters = {});

// A field index as a condition parameter.
inline std::vector<double> FieldParameter(size_t column) { return {static_cast<double>(column)}; }
// Category positions as a condition parameter.
std::vector<double> CategoryParameter(const std::vector<int>& categories);

// The condition attribute that marks ordinal fields ranked as continuous ones.
DocNode OrdinalAsContinuous(const std::vector<size_t>& columns);

// The test's effect size as a group of its statistics ("EffectSize": the
// measure by name, then LowerLimit and UpperLimit, the bounds of its
// interval at the document's confidence level, where there is one).
DocNode EffectSizeGroup(const char* measure, double estimate, double lower = kNoNumber,
                        double upper = kNoNumber);

// Adds the rank-biserial correlation r as the test's effect size; at r = -1
// or 1, where Fisher's z gives no interval, a note says why none is shown.
void AddRankBiserial(TestResult& result, const stats::EffectSize& r);

// Adds an effect size whose interval inverts the noncentral chi-square
// (Cohen's w, Cramer's V) under measure; where the sample's value lies above
// the interval (a chi-square below its degrees of freedom), a note says why.
void AddNoncentralityEffect(TestResult& result, const char* measure, const stats::EffectSize& effect);

// Says how a significance was found: statistic is its name, or "Group/Name"
// for one in a named group of the statistics; method a catalogue key.
inline void StateMethod(TestResult& result, std::string statistic, const char* method) {
    result.methods.emplace_back(std::move(statistic), method);
}

// Each field's row of the descriptives table over rows (the cases a test of
// several fields used), with the fields' mean ranks where the test ranks.
void DescribeFields(TestResult& result, const SplitData& split, const std::vector<size_t>& fields,
                    const std::vector<uint32_t>& rows, const std::vector<double>& meanRanks = {});

// One sample's row of the descriptives table: its sample number (field index
// or grouping category), N, median and Tukey's hinges as quartiles, and its
// mean rank where the test ranks (NaN: none).
DocNode SampleDescription(double sample, const std::vector<double>& values, double meanRank = kNoNumber);
// The same from hinges already found for the sample's n values.
DocNode SampleDescription(double sample, size_t n, const stats::Hinges& hinges, double meanRank);

// The scale a histogram's bins follow: equal bins of numbers, the
// calendar's over dates (days), clock and calendar units over dates with
// times of day (seconds).
enum class BinScale { Numbers, Dates, DateTimes };
BinScale BinScaleOf(const Column& column);

// A distribution table of values ("Interval": counts and bin middles), on
// bins of the scale.
DocNode HistogramTable(const std::vector<double>& values, BinScale scale);
// The same on the bins laid over binsFrom, so that several groups share them.
DocNode HistogramTable(const std::vector<double>& values, const std::vector<double>& binsFrom,
                       BinScale scale);

}  // namespace npar::engine
