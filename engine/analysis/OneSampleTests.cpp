// The one-sample tests as result documents: chi-square, binomial, runs,
// Wilcoxon signed rank, Kolmogorov-Smirnov and the success-rate intervals.
#include <algorithm>
#include <cmath>

#include "analysis/Messages.h"
#include "analysis/TestRunner.h"
#include "stats/Descriptives.h"
#include "stats/Distributions.h"
#include "stats/EffectSizes.h"
#include "stats/OneSample.h"

namespace npar::engine {
namespace {

constexpr const char* kFamily = "One_Sample";

double Count(size_t n) { return static_cast<double>(n); }

// ---------------------------------------------------------------------------
// Chi-square

TestResult ChiSquare(const TestRequest& request, const SplitData& split) {
    const size_t field = request.fields[0];
    TestResult result = NewResult("OChiSquare", kFamily,
                                  request.expected.empty() ? "DefaultEqualProbabilities_O_ChiSquare_1"
                                                           : "UserSpecifiesProbabilities_O_ChiSquare_1",
                                  {FieldParameter(field)});
    const Categories& categories = split.data.CategoriesOf(field);
    const size_t k = categories.Count();
    std::vector<double> observed(k, 0.0);
    split.ForEachValid(
        field, [&](uint32_t row) { observed[static_cast<size_t>(categories.IndexOfRow(row))] += 1; });
    double n = 0;
    for (double count : observed) n += count;
    result.statistics.push_back(Attribute("TotalN", n));
    if (n == 0) return Unable(result, messages::kTooFewCases, {{1}, {0}});
    if (k < 2) return Unable(result, messages::kSingleCategory);

    std::vector<double> expected(k, n / Count(k));
    if (!request.expected.empty()) {
        double total = 0;
        for (double weight : request.expected) total += weight;
        for (size_t i = 0; i < k; ++i) expected[i] = n * request.expected[i] / total;
    }
    const stats::ChiSquareResult chi = stats::ChiSquareGoodnessOfFit(observed, expected);
    result.statistics.push_back(Attribute("TestStatistic", chi.statistic));
    result.statistics.push_back(Attribute("DegreeOfFreedom", chi.df));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", chi.significance));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodChiSquare");
    const stats::EffectSize w = stats::CohensW(chi.statistic, chi.df, n, split.data.confidence);
    AddNoncentralityEffect(result, "CohensW", w);

    std::vector<std::vector<double>> rowsOfTable;
    size_t small = 0;
    double smallest = expected[0];
    for (size_t i = 0; i < k; ++i) {
        rowsOfTable.push_back({observed[i], expected[i]});
        small += expected[i] < 5;
        smallest = std::min(smallest, expected[i]);
    }
    result.tables.push_back(StructuredTable(
        "TwoClassComparison",
        {SimpleTable("Content", Positions(k), {"Observed", "Hypothesized"}, rowsOfTable)}));
    if (small > 0)
        result.messages.push_back(messages::Warning(
            messages::kSmallExpected, {{Count(small)}, {100.0 * Count(small) / Count(k)}, {smallest}}));
    return result;
}

// ---------------------------------------------------------------------------
// Binomial test and success-rate intervals: the two categories a field's
// cases fall into.

struct TwoCategories {
    std::string conditionKey;                     // without the parameter count
    std::vector<std::vector<double>> parameters;  // after the field
    double first = 0;                             // cases in the first category (successes)
    double n = 0;
};

// Splits the valid cases of a field by cut point or success categories.
// keyStem is "_O_Binomial_"; binaryParameters tells whether the two-category
// form names both categories (binomial test) or only the success (intervals).
TwoCategories SplitInTwo(const TestRequest& request, const SplitData& split, bool nameBoth) {
    const size_t field = request.fields[0];
    TwoCategories two;
    if (request.cut == CutKind::Value) {
        const std::vector<double>& numbers = split.data.ColumnAt(field).numbers;
        size_t valid = 0, first = 0;  // whole counts: the loop runs on integers
        if (split.AllRows()) {
            const stats::CutCounts counts = stats::CountAboutCut(numbers, request.cutValue);
            valid = counts.valid;
            first = counts.atOrBelow;
        } else {
            split.ForEachValid(field, [&](uint32_t row) {
                ++valid;
                first += numbers[row] <= request.cutValue;
            });
        }
        two.n = Count(valid);
        two.first = Count(first);
        two.conditionKey = "ACutPointIsSpecified";
        two.parameters = {{request.cutValue}};
        return two;
    }
    // A success category may be a value the field never takes, placed after
    // the field's own categories: it counts no case.
    const Categories& categories = split.data.CategoriesOf(field);
    std::vector<bool> success(categories.Count(), false);
    bool named = false;
    for (int category : request.successCategories) {
        if (static_cast<size_t>(category) < success.size())
            success[static_cast<size_t>(category)] = true;
        else
            named = true;
    }
    split.ForEachValid(field, [&](uint32_t row) {
        two.n += 1;
        two.first += success[static_cast<size_t>(categories.IndexOfRow(row))];
    });
    std::vector<int> others;
    for (size_t i = 0; i < categories.Count(); ++i)
        if (!success[i]) others.push_back(static_cast<int>(i));
    if (others.empty()) others = request.failureCategories;
    const bool binary = categories.Count() == 2 && request.successCategories.size() == 1 && !named;
    two.conditionKey = binary ? "ABinaryTestVariableIsSpecified" : "CategoryListsAreSpecified";
    two.parameters = {CategoryParameter(request.successCategories)};
    if (nameBoth) two.parameters.push_back(CategoryParameter(others));
    return two;
}

TestResult Binomial(const TestRequest& request, const SplitData& split) {
    const size_t field = request.fields[0];
    const TwoCategories two = SplitInTwo(request, split, true);
    const double p = request.proportion;
    std::vector<std::vector<double>> parameters = {FieldParameter(field)};
    parameters.insert(parameters.end(), two.parameters.begin(), two.parameters.end());
    parameters.push_back({p});
    parameters.push_back({1 - p});
    TestResult result =
        NewResult("OBinomial", kFamily,
                  two.conditionKey + "_O_Binomial_" + std::to_string(parameters.size()), parameters);
    result.statistics.push_back(Attribute("TotalN", two.n));
    if (two.n == 0) return Unable(result, messages::kTooFewCases, {{1}, {0}});

    const double standardError = std::sqrt(two.n * p * (1 - p));
    result.statistics.push_back(Attribute("TestStatistic", two.first));
    result.messages.push_back(messages::Note(messages::kBinomialFirstCategory));
    result.statistics.push_back(Attribute("StandardError", standardError));
    result.statistics.push_back(
        Attribute("StandardizedTestStatistic", (two.first - two.n * p) / standardError));
    result.statistics.push_back(Attribute(
        "ExactSig2Tailed",
        stats::BinomialTwoSided(static_cast<int64_t>(two.first), static_cast<int64_t>(two.n), p)));
    StateMethod(result, "ExactSig2Tailed", "MethodExactBinomial");
    const stats::Interval rate = stats::ClopperPearsonInterval(two.first, two.n, split.data.confidence);
    result.statistics.push_back(
        EffectSizeGroup("ObservedProportion", two.first / two.n, rate.lower, rate.upper));
    result.tables.push_back(
        StructuredTable("TwoClassComparison",
                        {SimpleTable("Content", {"Observed", "Hypothesized"}, {"0", "1"},
                                     {{two.first, two.n - two.first}, {two.n * p, two.n * (1 - p)}})}));
    return result;
}

TestResult SuccessRate(const TestRequest& request, const SplitData& split) {
    const size_t field = request.fields[0];
    const TwoCategories two = SplitInTwo(request, split, false);
    std::vector<std::vector<double>> parameters = {FieldParameter(field)};
    parameters.insert(parameters.end(), two.parameters.begin(), two.parameters.end());
    TestResult result = NewResult("OEstimateConfidenceInterval", kFamily,
                                  two.conditionKey + "_O_Binomial_2", parameters);
    result.decides = false;
    result.statistics.push_back(Attribute("TotalN", two.n));
    if (two.n == 0) return Unable(result, messages::kTooFewCases, {{1}, {0}});

    const double level = split.data.confidence;
    const auto add = [&](const char* table, const char* method, stats::Interval interval) {
        result.tables.push_back(StructuredTable(
            table, {TextAttribute("computeECIMethod", method), Attribute("Estimate", two.first / two.n),
                    StructuredTable("ConfidenceInterval", {Attribute("Lower", interval.lower),
                                                           Attribute("Upper", interval.upper)})}));
    };
    if (request.clopperPearson)
        add("ClopperPearson", "Clopper-Pearson", stats::ClopperPearsonInterval(two.first, two.n, level));
    if (request.jeffreys) add("Jeffreys", "Jeffreys", stats::JeffreysInterval(two.first, two.n, level));
    if (request.likelihood)
        add("ProfileLikelihood", "Likelihood", stats::LikelihoodRatioInterval(two.first, two.n, level));
    return result;
}

// ---------------------------------------------------------------------------
// Runs test

TestResult Runs(const TestRequest& request, const SplitData& split) {
    const size_t field = request.fields[0];
    TestResult result;
    stats::RunsResult runs;
    size_t n = 0;
    if (request.cut == CutKind::None) {
        // A field of two values: runs of the first value against the second.
        const Categories& categories = split.data.CategoriesOf(field);
        std::vector<bool> second;
        split.ForEachValid(field,
                           [&](uint32_t row) { second.push_back(categories.IndexOfRow(row) != 0); });
        n = second.size();
        runs = stats::RunsTest(second);
        result = NewResult("ORuns", kFamily, "ABinaryTestVariableIsSpecified_O_Runs_3",
                           {FieldParameter(field), {0}, {1}});
    } else {
        const std::vector<double> values = split.ValidNumbers(field);
        double cut = request.cutValue;
        // The median of values written with d decimals has at most d + 1;
        // rounded to them, the cut reads as the decimal it is.
        const Column& column = split.data.ColumnAt(field);
        if (request.cut == CutKind::Median)
            cut =
                stats::RoundToDecimals(stats::Median(values), column.allWhole ? 1 : column.decimals + 1);
        if (request.cut == CutKind::Mean) cut = stats::Mean(values);
        n = values.size();
        runs = stats::RunsAboutCut(values, cut);
        result =
            NewResult("ORuns", kFamily, "ACutPointIsSpecified_O_Runs_2", {FieldParameter(field), {cut}});
        result.descriptives.push_back(SampleDescription(Count(field), values));
    }
    result.statistics.push_back(Attribute("TotalN", Count(n)));
    if (n < 2) return Unable(result, messages::kTooFewCases, {{2}, {Count(n)}});
    if (runs.below == 0 || runs.above == 0) return Unable(result, messages::kOneSideOfCut);

    result.statistics.push_back(Attribute("TestStatistic", runs.runs));
    result.messages.push_back(messages::Note(messages::kRunsCounted));
    result.statistics.push_back(Attribute("StandardError", runs.standardDeviation));
    result.statistics.push_back(Attribute("StandardizedTestStatistic", runs.z));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", runs.significance));
    StateMethod(result, "AsymptoticSig2Tailed", n < 50 ? "MethodNormalContinuity" : "MethodNormal");
    result.tables.push_back(StructuredTable(
        "RunsParameters", {Attribute("Mean", runs.mean), Attribute("StdDev", runs.standardDeviation),
                           Attribute("ObservedRunNumber", runs.runs)}));
    return result;
}

// ---------------------------------------------------------------------------
// Wilcoxon signed rank test of the median

TestResult Wilcoxon(const TestRequest& request, const SplitData& split) {
    const size_t field = request.fields[0];
    TestResult result = NewResult("OWilcoxonSignedRanks", kFamily, "O_WilcoxonSignedRanks_2",
                                  {FieldParameter(field), {request.median}});
    if (request.ordinalAsContinuous) result.conditionAttributes.push_back(OrdinalAsContinuous({field}));
    const std::vector<double> values = split.ValidNumbers(field);
    result.statistics.push_back(Attribute("TotalN", Count(values.size())));
    if (values.empty()) return Unable(result, messages::kTooFewCases, {{1}, {0}});
    // Each difference is rounded to the decimals of the data and of the
    // median as written: the binary difference carries representation noise
    // (6.1 - 5 and 5 - 3.9 are two different doubles near 1.1) that would
    // break ties the data have and change the ranks.
    const Column& column = split.data.ColumnAt(field);
    const int decimals =
        std::max(column.allWhole ? 0 : column.decimals, stats::WrittenDecimals(request.median));
    std::vector<double> differences;
    differences.reserve(values.size());
    for (double v : values) differences.push_back(stats::RoundToDecimals(v - request.median, decimals));
    const stats::SignedRankResult test = stats::SignedRank(differences);
    if (test.n == 0) return Unable(result, messages::kAllDifferencesZero);

    result.statistics.push_back(Attribute("TestStatistic", test.wPlus));
    result.messages.push_back(messages::Note(messages::kSignedRankAboveMedian));
    result.statistics.push_back(Attribute("StandardError", test.standardError));
    result.statistics.push_back(Attribute("StandardizedTestStatistic", test.z));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", test.asymptotic));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodNormalTies");
    if (test.exact) {
        result.statistics.push_back(Attribute("ExactSig2Tailed", test.exactSignificance));
        StateMethod(result, "ExactSig2Tailed", "MethodExactSignedRank");
    }
    result.descriptives.push_back(SampleDescription(Count(field), values));
    const stats::EffectSize r =
        stats::RankBiserialPaired(test.wPlus, test.wMinus, Count(test.n), split.data.confidence);
    AddRankBiserial(result, r);
    result.tables.push_back(
        StructuredTable("ContinuousDistribution", {Attribute("HypotheticalMedian", request.median),
                                                   Attribute("ObservedMedian", stats::Median(values)),
                                                   HistogramTable(values, BinScaleOf(column))}));
    return result;
}

// ---------------------------------------------------------------------------
// Kolmogorov-Smirnov test

TestResult Kolmogorov(const TestRequest& request, const SplitData& split) {
    const size_t field = request.fields[0];
    std::vector<double> values = split.ValidNumbers(field);
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const bool estimated = !request.first.has_value();
    double first = request.first.value_or(0), second = request.second.value_or(0);
    if (estimated && n > 0) {
        switch (request.distribution) {
            case Distribution::Normal:
                first = stats::Mean(values), second = stats::StandardDeviation(values);
                break;
            case Distribution::Uniform:
                first = values.front(), second = values.back();
                break;
            case Distribution::Poisson:
            case Distribution::Exponential:
                first = stats::Mean(values);
                break;
        }
    }
    const char* keys[] = {
        "NormalDistribution_O_KolmogorovSmirnov_3", "UniformDistribution_O_KolmogorovSmirnov_3",
        "PoissonDistribution_O_KolmogorovSmirnov_2", "ExponentialDistribution_O_KolmogorovSmirnov_2"};
    const bool twoParameters =
        request.distribution == Distribution::Normal || request.distribution == Distribution::Uniform;
    std::vector<std::vector<double>> parameters = {FieldParameter(field), {first}};
    if (twoParameters) parameters.push_back({second});
    TestResult result = NewResult("OKolmogorovSmirnov", kFamily,
                                  keys[static_cast<int>(request.distribution)], parameters);
    result.conditionAttributes.push_back(TextAttribute("isUseSample", estimated ? "true" : "false"));
    result.statistics.push_back(Attribute("TotalN", Count(n)));
    if (n == 0) return Unable(result, messages::kTooFewCases, {{1}, {0}});
    // The Lilliefors significance is not known below five cases (nor is the
    // standard deviation of one).
    if (request.distribution == Distribution::Normal && estimated && n < stats::kLillieforsMinimumCases)
        return Unable(result, messages::kTooFewCases,
                      {{Count(stats::kLillieforsMinimumCases)}, {Count(n)}});
    // Values near the largest double make a parameter overflow (the standard
    // deviation, the uniform's range), which would fit no distribution.
    if (!std::isfinite(first) || !std::isfinite(second) ||
        (request.distribution == Distribution::Uniform && !std::isfinite(second - first)))
        return Unable(result, messages::kParameterOverflow);

    stats::KsDifferences d;
    switch (request.distribution) {
        case Distribution::Normal: {
            if (!(second > 0)) return Unable(result, messages::kNoSpread);
            d = stats::KsContinuous(values,
                                    [&](double x) { return stats::NormalCdf((x - first) / second); });
            break;
        }
        case Distribution::Uniform: {
            if (!(second > first)) return Unable(result, messages::kAllTied);
            d = stats::KsContinuous(
                values, [&](double x) { return std::clamp((x - first) / (second - first), 0.0, 1.0); });
            break;
        }
        case Distribution::Poisson: {
            for (double v : values)
                if (v < 0 || v != std::floor(v)) return Unable(result, messages::kNotCounts);
            if (!(first > 0)) return Unable(result, messages::kAllTied);
            d = stats::KsDiscrete(values, [&](double k) { return stats::PoissonCdf(k, first); });
            break;
        }
        case Distribution::Exponential: {
            if (values.front() < 0) return Unable(result, messages::kNegativeValues);
            if (!(first > 0)) return Unable(result, messages::kAllTied);
            d = stats::KsContinuous(values,
                                    [&](double x) { return x <= 0 ? 0.0 : -std::expm1(-x / first); });
            break;
        }
    }
    result.statistics.push_back(Attribute("MostExtremeDifferencesAbsolute", d.absolute));
    result.statistics.push_back(Attribute("MostExtremeDifferencesPositive", d.positive));
    result.statistics.push_back(Attribute("MostExtremeDifferencesNegative", d.negative));
    result.statistics.push_back(Attribute("TestStatistic", d.absolute));
    if (request.distribution == Distribution::Normal && estimated) {
        // Lilliefors: the parameters came from the sample.
        bool lowerBound = false;
        const double p = stats::LillieforsSignificance(d.absolute, n, lowerBound);
        result.statistics.push_back(lowerBound
                                        ? TextAttribute("AsymptoticSig2Tailed", ">" + NumberText(p))
                                        : Attribute("AsymptoticSig2Tailed", p));
        StateMethod(result, "AsymptoticSig2Tailed", "MethodLilliefors");
    } else {
        result.statistics.push_back(
            Attribute("AsymptoticSig2Tailed", stats::KolmogorovSf(std::sqrt(Count(n)) * d.absolute)));
        StateMethod(result, "AsymptoticSig2Tailed",
                    estimated ? "MethodKolmogorovEstimated" : "MethodKolmogorov");
        if (estimated) result.messages.push_back(messages::Warning(messages::kEstimatedParameters));
    }
    result.descriptives.push_back(SampleDescription(Count(field), values));
    result.statistics.push_back(EffectSizeGroup("D", d.absolute));
    return result;
}

}  // namespace

TestResult RunOneSampleTest(const TestRequest& request, const SplitData& split) {
    switch (request.kind) {
        case TestKind::ChiSquare:
            return ChiSquare(request, split);
        case TestKind::Binomial:
            return Binomial(request, split);
        case TestKind::SuccessRate:
            return SuccessRate(request, split);
        case TestKind::Runs:
            return Runs(request, split);
        case TestKind::OneSampleWilcoxon:
            return Wilcoxon(request, split);
        case TestKind::OneSampleKs:
            return Kolmogorov(request, split);
        default:
            return {};
    }
}

}  // namespace npar::engine
