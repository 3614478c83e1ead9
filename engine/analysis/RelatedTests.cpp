// The related-samples tests as result documents: sign, Wilcoxon signed rank,
// McNemar, marginal homogeneity, Cochran's Q, Friedman, Kendall's W and the
// Hodges-Lehmann estimate of the median difference. Each test takes the
// split's cases that have a value in every one of its fields; the
// differences of two fields are second minus first (B - A for "TEST A B").
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "analysis/Comparisons.h"
#include "analysis/Messages.h"
#include "analysis/TestRunner.h"
#include "stats/Descriptives.h"
#include "stats/Distributions.h"
#include "stats/EffectSizes.h"
#include "stats/OneSample.h"
#include "stats/Related.h"

namespace npar::engine {
namespace {

constexpr const char* kFamily = "Related_Samples";
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

double Count(size_t n) { return static_cast<double>(n); }

// A note that says what a number is; it stops nothing and warns of nothing.
TestMessage Note(int code) { return TestMessage{code, "helpMessage", {}, ""}; }

std::vector<double> FieldList(const std::vector<size_t>& fields) {
    return std::vector<double>(fields.begin(), fields.end());
}

// The condition of a test of two fields: %0 the first, %1 the second.
TestResult PairResult(const char* algorithm, const char* key, const TestRequest& request) {
    return NewResult(algorithm, kFamily, key,
                     {FieldParameter(request.fields[0]), FieldParameter(request.fields[1])});
}

// The ordinal fields that a test of differences treats as continuous.
void MarkOrdinalFields(TestResult& result, const TestRequest& request, const SplitData& split) {
    if (!request.ordinalAsContinuous) return;
    std::vector<size_t> ordinal;
    for (size_t field : request.fields)
        if (split.data.VariableAt(field).measure == Measure::Ordinal) ordinal.push_back(field);
    if (!ordinal.empty()) result.conditionAttributes.push_back(OrdinalAsContinuous(ordinal));
}

// The differences B - A of the cases valid on both fields. Values written
// with decimals differ by a number with as many decimals, but their binary
// difference carries representation noise (61.4 - 60.6 and 70.1 - 69.3 are
// two different doubles near 0.8) that would break ties the data have: each
// difference is rounded to the most decimals the two columns were written
// with, so that equal decimal differences are equal doubles.
std::vector<double> Differences(const TestRequest& request, const SplitData& split,
                                const std::vector<uint32_t>& rows) {
    const Column& a = split.data.ColumnAt(request.fields[0]);
    const Column& b = split.data.ColumnAt(request.fields[1]);
    const int decimals = std::max(a.allWhole ? 0 : a.decimals, b.allWhole ? 0 : b.decimals);
    std::vector<double> differences;
    differences.reserve(rows.size());
    for (uint32_t row : rows)
        differences.push_back(stats::RoundToDecimals(b.numbers[row] - a.numbers[row], decimals));
    return differences;
}

// What the difference chart reads: the counts of negative differences, ties
// and positive differences, and the histogram of all differences.
DocNode DifferenceTable(const std::vector<double>& differences, size_t negative, size_t ties,
                        size_t positive) {
    return StructuredTable("ContinuousDistribution", {Attribute("NegativeDifferences", Count(negative)),
                                                      Attribute("Ties", Count(ties)),
                                                      Attribute("PositiveDifferences", Count(positive)),
                                                      HistogramTable(differences, BinScale::Numbers)});
}

// The asymptotic significance and, where the exact rule applies, the exact
// one after it: the report shows the last and notes that it is exact.
void AddSignificances(TestResult& result, double asymptotic, bool exact, double exactSignificance,
                      const char* asymptoticMethod, const char* exactMethod) {
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", asymptotic));
    StateMethod(result, "AsymptoticSig2Tailed", asymptoticMethod);
    if (!exact) return;
    result.statistics.push_back(Attribute("ExactSig2Tailed", exactSignificance));
    StateMethod(result, "ExactSig2Tailed", exactMethod);
}

// ---------------------------------------------------------------------------
// Sign test and Wilcoxon signed rank test of paired differences

TestResult Sign(const TestRequest& request, const SplitData& split) {
    TestResult result = PairResult("RSign", "R_Sign_2", request);
    const std::vector<uint32_t> rows = split.ValidRows(request.fields);
    result.statistics.push_back(Attribute("TotalN", Count(rows.size())));
    if (rows.empty()) return Unable(result, messages::kTooFewCases, {{1}, {0}});
    const std::vector<double> differences = Differences(request, split, rows);
    const stats::SignResult test = stats::SignTest(differences);
    if (test.n == 0) return Unable(result, messages::kAllPairsTied);

    result.statistics.push_back(Attribute("TestStatistic", Count(test.positive)));
    result.statistics.push_back(Attribute("StandardError", test.standardError));
    result.statistics.push_back(Attribute("StandardizedTestStatistic", test.z));
    AddSignificances(result, test.asymptotic, test.exact, test.exactSignificance,
                     "MethodNormalContinuity", "MethodExactSigns");
    DescribeFields(result, split, request.fields, rows);
    result.tables.push_back(DifferenceTable(differences, test.negative, test.ties, test.positive));
    result.messages.push_back(Note(messages::kSignCountsPositive));
    return result;
}

TestResult Wilcoxon(const TestRequest& request, const SplitData& split) {
    TestResult result = PairResult("RWilcoxonSignedRanks", "R_WilcoxonSignedRanks_2", request);
    MarkOrdinalFields(result, request, split);
    const std::vector<uint32_t> rows = split.ValidRows(request.fields);
    result.statistics.push_back(Attribute("TotalN", Count(rows.size())));
    if (rows.empty()) return Unable(result, messages::kTooFewCases, {{1}, {0}});
    const std::vector<double> differences = Differences(request, split, rows);
    const stats::SignedRankResult test = stats::SignedRank(differences);
    if (test.n == 0) return Unable(result, messages::kAllPairsTied);

    result.statistics.push_back(Attribute("TestStatistic", test.wPlus));
    result.statistics.push_back(Attribute("StandardError", test.standardError));
    result.statistics.push_back(Attribute("StandardizedTestStatistic", test.z));
    AddSignificances(result, test.asymptotic, test.exact, test.exactSignificance, "MethodNormalTies",
                     "MethodExactSignedRank");
    DescribeFields(result, split, request.fields, rows);
    const stats::EffectSize r =
        stats::RankBiserialPaired(test.wPlus, test.wMinus, Count(test.n), split.data.confidence);
    result.messages.push_back(Note(messages::kSignedRankOfPositive));
    AddRankBiserial(result, r);
    result.tables.push_back(DifferenceTable(differences, test.negative, test.zeros, test.positive));
    return result;
}

// ---------------------------------------------------------------------------
// Hodges-Lehmann estimate of the median difference

TestResult HodgesLehmann(const TestRequest& request, const SplitData& split) {
    TestResult result = PairResult("RHodgesLehmannEstimatePairs", "R_HodgesLehman_2", request);
    result.decides = false;
    MarkOrdinalFields(result, request, split);
    const std::vector<uint32_t> rows = split.ValidRows(request.fields);
    if (rows.empty()) {
        result.statistics.push_back(Attribute("TotalN", 0));
        return Unable(result, messages::kTooFewCases, {{1}, {0}});
    }
    const stats::HodgesLehmannResult estimate =
        stats::PairedHodgesLehmann(Differences(request, split, rows), split.data.confidence);
    if (estimate.n == 0) {
        result.statistics.push_back(Attribute("TotalN", Count(rows.size())));
        return Unable(result, messages::kAllPairsTied);
    }
    // The report reads the estimate first, the case count, then the
    // interval's ends from the group it names "Asymptotic" (the exact
    // interval goes there too).
    result.statistics.push_back(Attribute("Estimate", estimate.estimate));
    result.statistics.push_back(Attribute("TotalN", Count(rows.size())));
    result.statistics.push_back(StructuredTable(
        "Asymptotic", {Attribute("Lower", estimate.lower), Attribute("Upper", estimate.upper)}));
    result.messages.push_back(
        Note(estimate.exact ? messages::kPairedExactInterval : messages::kPairedAsymptoticInterval));
    messages::NoteIntervalLevel(result.messages, estimate);
    DescribeFields(result, split, request.fields, rows);
    return result;
}

// ---------------------------------------------------------------------------
// Success and failure of McNemar's and Cochran's tests

// A field's categories split by the success values: the positions of the
// success categories (a value the field does not have gets a position past
// its categories and is listed as not in them), the failure positions, and
// per category whether it is a success.
struct FieldSuccess {
    std::vector<double> successPositions, failPositions;
    std::vector<std::string> notInCategories;
    std::vector<bool> isSuccess;
};

FieldSuccess SuccessOf(const TestRequest& request, const SplitData& split, size_t field) {
    const Categories& categories = split.data.CategoriesOf(field);
    FieldSuccess success;
    success.isSuccess.assign(categories.Count(), false);
    for (const std::string& value : request.successValues) {
        const int found = categories.Find(value, split.data.VariableAt(field));
        if (found >= 0) {
            if (!success.isSuccess[static_cast<size_t>(found)])
                success.successPositions.push_back(found);
            success.isSuccess[static_cast<size_t>(found)] = true;
        } else {
            success.successPositions.push_back(
                Count(categories.Count() + success.notInCategories.size()));
            success.notInCategories.push_back(value);
        }
    }
    for (size_t i = 0; i < categories.Count(); ++i)
        if (!success.isSuccess[i]) success.failPositions.push_back(Count(i));
    return success;
}

bool IsSuccess(const FieldSuccess& success, const SplitData& split, size_t field, uint32_t row) {
    return success.isSuccess[static_cast<size_t>(split.data.CategoriesOf(field).IndexOfRow(row))];
}

std::string ListText(const std::vector<double>& numbers) {
    std::string text;
    for (double number : numbers) text += (text.empty() ? "" : " ") + NumberText(number);
    return text;
}

DocNode ValuesTable(const char* name, const std::vector<std::string>& values) {
    std::vector<DocNode> children;
    for (const std::string& value : values) children.push_back(TextAttribute("Value", value));
    return StructuredTable(name, std::move(children));
}

// ---------------------------------------------------------------------------
// McNemar's test

TestResult McNemar(const TestRequest& request, const SplitData& split) {
    TestResult result = PairResult("RMcNemar",
                                   request.successGiven ? "CategoryListsAreSpecified_R_McNemar_2"
                                                        : "AllDistinctValuesUsed_R_McNemar_2",
                                   request);
    const size_t first = request.fields[0], second = request.fields[1];
    const std::vector<uint32_t> rows = split.ValidRows(request.fields);
    result.statistics.push_back(Attribute("TotalN", Count(rows.size())));
    if (rows.empty()) return Unable(result, messages::kTooFewCases, {{1}, {0}});

    const FieldSuccess rowSuccess = SuccessOf(request, split, first);
    const FieldSuccess columnSuccess = SuccessOf(request, split, second);
    // Rows: the first field success, failure; columns: the second's.
    std::vector<std::vector<double>> table = {{0, 0}, {0, 0}};
    for (uint32_t row : rows)
        table[IsSuccess(rowSuccess, split, first, row) ? 0 : 1]
             [IsSuccess(columnSuccess, split, second, row) ? 0 : 1] += 1;
    const double b = table[0][1], c = table[1][0];
    if (b + c == 0) return Unable(result, messages::kNoChange);

    const stats::McNemarResult test = stats::McNemar(b, c);
    result.statistics.push_back(Attribute("TestStatistic", test.statistic));
    result.statistics.push_back(Attribute("DegreeOfFreedom", 1));
    AddSignificances(result, test.asymptotic, test.exact, test.exactSignificance,
                     "MethodChiSquareContinuity", "MethodExactDiscordant");
    // Without a change from failure to success the odds b / c are infinite,
    // a number the document cannot carry: a note says so instead.
    if (c > 0) {
        const stats::EffectSize odds = stats::DiscordantOddsRatio(b, c, split.data.confidence);
        result.statistics.push_back(EffectSizeGroup("OddsRatio", odds.estimate, odds.lower, odds.upper));
    } else {
        result.messages.push_back(Note(messages::kOddsRatioInfinite));
    }

    std::vector<DocNode> comparison = {
        Attribute("RowNames", Count(first)),
        TextAttribute("RowSuccessList", ListText(rowSuccess.successPositions)),
        TextAttribute("RowFailList", ListText(rowSuccess.failPositions)),
        Attribute("ColumnNames", Count(second)),
        TextAttribute("ColumnSuccessList", ListText(columnSuccess.successPositions)),
        TextAttribute("ColumnFailList", ListText(columnSuccess.failPositions)),
        SimpleTable("Content", {"Success", "Failure"}, {"Success", "Failure"}, table)};
    if (!rowSuccess.notInCategories.empty())
        comparison.push_back(ValuesTable("RowValsNotInTheCategoreis", rowSuccess.notInCategories));
    if (!columnSuccess.notInCategories.empty())
        comparison.push_back(ValuesTable("ColValsNotInTheCategoreis", columnSuccess.notInCategories));
    result.tables.push_back(StructuredTable("CategoryFieldsComparison", std::move(comparison)));
    return result;
}

// ---------------------------------------------------------------------------
// Marginal homogeneity

// The categories of two fields together, in ascending order, and the
// position in that list of each field's categories. Texts go in the order
// the first field's variable gives them, then the second's, then the rest in
// the order of their bytes.
struct CommonCategories {
    size_t count = 0;
    std::vector<int> ofFirst, ofSecond;
};

CommonCategories Common(const SplitData& split, size_t first, size_t second) {
    const Categories& a = split.data.CategoriesOf(first);
    const Categories& b = split.data.CategoriesOf(second);
    const bool text = split.data.ColumnAt(first).type == ColumnType::String;
    std::vector<std::string> order = split.data.VariableAt(first).order;
    for (const std::string& listed : split.data.VariableAt(second).order)
        if (std::find(order.begin(), order.end(), listed) == order.end()) order.push_back(listed);
    const auto value = [&](const Categories& categories, size_t i) {
        if (!text) return std::make_pair(categories.Number(i), std::string());
        const std::string name = categories.ValueText(i);
        return std::make_pair(
            static_cast<double>(std::find(order.begin(), order.end(), name) - order.begin()), name);
    };
    std::vector<std::pair<double, std::string>> values;
    for (size_t i = 0; i < a.Count(); ++i) values.push_back(value(a, i));
    for (size_t i = 0; i < b.Count(); ++i) values.push_back(value(b, i));
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    CommonCategories common;
    common.count = values.size();
    const auto position = [&](const Categories& categories, size_t i) {
        return static_cast<int>(std::lower_bound(values.begin(), values.end(), value(categories, i)) -
                                values.begin());
    };
    for (size_t i = 0; i < a.Count(); ++i) common.ofFirst.push_back(position(a, i));
    for (size_t i = 0; i < b.Count(); ++i) common.ofSecond.push_back(position(b, i));
    return common;
}

TestResult MarginalHomogeneity(const TestRequest& request, const SplitData& split) {
    TestResult result =
        PairResult("RMarginalHomogeneity", "AllDistinctValuesUsed_R_MarginalHomogeneity_2", request);
    const size_t first = request.fields[0], second = request.fields[1];
    const std::vector<uint32_t> rows = split.ValidRows(request.fields);
    result.statistics.push_back(Attribute("TotalN", Count(rows.size())));
    if (rows.empty()) return Unable(result, messages::kTooFewCases, {{1}, {0}});

    const CommonCategories common = Common(split, first, second);
    const Categories& a = split.data.CategoriesOf(first);
    const Categories& b = split.data.CategoriesOf(second);
    std::vector<std::vector<double>> table(common.count, std::vector<double>(common.count, 0.0));
    for (uint32_t row : rows)
        table[static_cast<size_t>(common.ofFirst[static_cast<size_t>(a.IndexOfRow(row))])]
             [static_cast<size_t>(common.ofSecond[static_cast<size_t>(b.IndexOfRow(row))])] += 1;
    const stats::MarginalHomogeneityResult test = stats::MarginalHomogeneity(table);
    if (test.offDiagonal == 0) return Unable(result, messages::kNoChange);

    result.statistics.push_back(Attribute("TestStatistic", test.observed));
    result.messages.push_back(Note(messages::kMarginalScores));
    result.statistics.push_back(Attribute("MeanOfTestStatistic", test.mean));
    result.statistics.push_back(Attribute("StandardError", test.standardDeviation));
    result.statistics.push_back(Attribute("StandardizedTestStatistic", test.z));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", test.significance));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodNormal");
    // Rows and columns by their position among the common categories (the
    // values themselves may hold blanks).
    result.tables.push_back(StructuredTable(
        "CategoryFieldsComparison",
        {Attribute("RowNames", Count(first)), Attribute("ColumnNames", Count(second)),
         SimpleTable("Content", Positions(common.count), Positions(common.count), table)}));
    return result;
}

// ---------------------------------------------------------------------------
// Multiple comparisons of the k-sample tests

std::vector<Sample> Samples(const std::vector<size_t>& fields, const std::vector<double>& values) {
    std::vector<Sample> samples;
    for (size_t j = 0; j < fields.size(); ++j) samples.push_back({Count(fields[j]), values[j]});
    return samples;
}

// The positions, in the request's field order, of the samples first..last
// of the samples ordered by value (as StepwiseResult orders them).
std::vector<size_t> OrderedRun(const std::vector<Sample>& samples, size_t first, size_t last) {
    std::vector<size_t> order(samples.size());
    for (size_t j = 0; j < order.size(); ++j) order[j] = j;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return samples[x].value < samples[y].value; });
    return std::vector<size_t>(order.begin() + static_cast<std::ptrdiff_t>(first),
                               order.begin() + static_cast<std::ptrdiff_t>(last) + 1);
}

// The comparisons a request asks for, made when the test rejects its
// hypothesis (as for the independent-samples tests: a retained test has no
// differences to locate): every pair by a normal statistic of the difference
// of the samples' values over its standard error, or the homogeneous
// subsets, each run of samples tested by the test itself.
void AddComparisons(TestResult& result, const TestRequest& request, const SplitData& split,
                    double significance, const std::vector<Sample>& samples, const char* valueName,
                    double scale, double standardError,
                    const std::function<stats::ChiSquareResult(std::vector<size_t>)>& runTest) {
    if (!MakesComparisons(request.compare, significance, split.data.alpha, samples.size(),
                          result.messages))
        return;
    if (request.compare == Compare::All) {
        result.tables.push_back(PairwiseResult(
            samples, valueName,
            [&](size_t first, size_t second) {
                const double difference = (samples[first].value - samples[second].value) / scale;
                const double z = difference / standardError;
                return PairStatistics{difference, standardError, z, stats::NormalTwoSided(z)};
            },
            -1));
        return;
    }
    result.tables.push_back(StepwiseResult(
        samples, valueName,
        [&](size_t first, size_t last) {
            const stats::ChiSquareResult run = runTest(OrderedRun(samples, first, last));
            return PairStatistics{run.statistic, kNone, kNone, run.significance};
        },
        split.data.alpha, -1));
}

// ---------------------------------------------------------------------------
// Cochran's Q

TestResult Cochran(const TestRequest& request, const SplitData& split) {
    TestResult result = NewResult("RCochransQ", kFamily,
                                  request.successGiven ? "CategoryListsAreSpecified_R_CochransQ_1"
                                                       : "DefaultAllDistinctValuesUsed_R_CochransQ_1",
                                  {FieldList(request.fields)});
    const std::vector<uint32_t> rows = split.ValidRows(request.fields);
    result.statistics.push_back(Attribute("TotalN", Count(rows.size())));
    if (rows.empty()) return Unable(result, messages::kTooFewCases, {{1}, {0}});

    const size_t k = request.fields.size();
    std::vector<uint8_t> successes(rows.size() * k);
    for (size_t j = 0; j < k; ++j) {
        const size_t field = request.fields[j];
        const FieldSuccess success = SuccessOf(request, split, field);
        for (size_t i = 0; i < rows.size(); ++i)
            successes[i * k + j] = IsSuccess(success, split, field, rows[i]);
    }
    const stats::CochranResult test = stats::CochranQ(successes, k);
    if (std::isnan(test.statistic)) return Unable(result, messages::kSameAcrossFields);

    result.statistics.push_back(Attribute("TestStatistic", test.statistic));
    result.statistics.push_back(Attribute("DegreeOfFreedom", test.df));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", test.significance));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodChiSquareApproximation");
    result.statistics.push_back(EffectSizeGroup(
        "EtaSquaredQ", stats::CochranEtaSquared(test.statistic, Count(rows.size()), Count(k))));
    std::vector<std::string> names;
    std::vector<std::vector<double>> counts;
    for (size_t j = 0; j < k; ++j) {
        names.push_back(NumberText(Count(request.fields[j])));
        counts.push_back({test.successes[j], Count(rows.size()) - test.successes[j]});
    }
    result.tables.push_back(StructuredTable(
        "TwoClassComparison", {SimpleTable("Content", names, {"Success", "Failure"}, counts)}));
    // Pairs: the difference of the success proportions.
    AddComparisons(result, request, split, test.significance, Samples(request.fields, test.successes),
                   "Successes", Count(rows.size()), stats::CochranPairStandardError(test),
                   [&](const std::vector<size_t>& columns) {
                       const stats::CochranResult run = stats::CochranQ(successes, k, columns);
                       return stats::ChiSquareResult{run.statistic, run.df, run.significance};
                   });
    return result;
}

// ---------------------------------------------------------------------------
// Friedman's test and Kendall's W

// A field's ranks within the cases: its mean rank and the count of each rank.
DocNode RankTable(size_t position, size_t field, const stats::RowRanks& ranks, double meanRank) {
    std::map<double, double> counts;
    for (size_t i = 0; i < ranks.n; ++i) counts[ranks.ranks[i * ranks.k + position]] += 1;
    std::vector<double> count, rank;
    for (const auto& [value, times] : counts) rank.push_back(value), count.push_back(times);
    return StructuredTable(
        "VariableInformation_" + std::to_string(position),
        {Attribute("GroupIndex", Count(field)), Attribute("MeanOfRank", meanRank),
         SimpleTable("Interval", {"Count", "Rank"}, Positions(count.size(), 1), {count, rank})});
}

TestResult FriedmanOrKendall(const TestRequest& request, const SplitData& split, bool kendall) {
    TestResult result = NewResult(kendall ? "RKendallsCoefficient" : "RFriedmansTwoWayByRanks", kFamily,
                                  kendall ? "R_KendallsCoefficient_1" : "R_FriedmansTwoWayByRanks_1",
                                  {FieldList(request.fields)});
    const std::vector<uint32_t> rows = split.ValidRows(request.fields);
    result.statistics.push_back(Attribute("TotalN", Count(rows.size())));
    if (rows.empty()) return Unable(result, messages::kTooFewCases, {{1}, {0}});

    const size_t k = request.fields.size();
    std::vector<double> values(rows.size() * k);
    for (size_t j = 0; j < k; ++j) {
        const std::vector<double>& numbers = split.data.ColumnAt(request.fields[j]).numbers;
        for (size_t i = 0; i < rows.size(); ++i) values[i * k + j] = numbers[rows[i]];
    }
    const stats::RowRanks ranks = stats::RanksWithinCases(values, k);
    const stats::FriedmanResult test = stats::Friedman(ranks);
    if (std::isnan(test.statistic)) return Unable(result, messages::kSameAcrossFields);

    if (kendall) result.statistics.push_back(Attribute("KendallsW", test.kendallsW));
    result.statistics.push_back(Attribute("TestStatistic", test.statistic));
    result.statistics.push_back(Attribute("DegreeOfFreedom", test.df));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", test.significance));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodChiSquareTies");
    result.statistics.push_back(EffectSizeGroup("KendallsW", test.kendallsW));
    for (size_t j = 0; j < k; ++j)
        result.tables.push_back(RankTable(j, request.fields[j], ranks, test.meanRanks[j]));
    DescribeFields(result, split, request.fields, rows, test.meanRanks);
    // Pairs: the difference of the mean ranks.
    AddComparisons(result, request, split, test.significance, Samples(request.fields, test.meanRanks),
                   "MeanRank", 1.0, stats::FriedmanPairStandardError(test),
                   [&](const std::vector<size_t>& columns) {
                       const stats::FriedmanResult run =
                           stats::Friedman(stats::RanksWithinCases(values, k, columns));
                       return stats::ChiSquareResult{run.statistic, run.df, run.significance};
                   });
    return result;
}

}  // namespace

TestResult RunRelatedTest(const TestRequest& request, const SplitData& split) {
    switch (request.kind) {
        case TestKind::Sign:
            return Sign(request, split);
        case TestKind::RelatedWilcoxon:
            return Wilcoxon(request, split);
        case TestKind::McNemar:
            return McNemar(request, split);
        case TestKind::MarginalHomogeneity:
            return MarginalHomogeneity(request, split);
        case TestKind::Cochran:
            return Cochran(request, split);
        case TestKind::Friedman:
            return FriedmanOrKendall(request, split, false);
        case TestKind::Kendall:
            return FriedmanOrKendall(request, split, true);
        case TestKind::RelatedHodgesLehmann:
            return HodgesLehmann(request, split);
        default:
            return {};
    }
}

}  // namespace npar::engine
