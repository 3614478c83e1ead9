// The independent-samples tests as result documents: Mann-Whitney,
// Wald-Wolfowitz, two-sample Kolmogorov-Smirnov, Moses and the
// Hodges-Lehmann estimate of two groups; Kruskal-Wallis, Jonckheere-Terpstra
// and the median test of k groups with their multiple comparisons.
//
// A group is a category of the grouping field; its sample number in the
// document is the category's position (ascending values). Only groups with
// cases in the split take part. A two-group test compares the field's two
// categories, or the two groups= names, always in ascending order.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>

#include "analysis/Comparisons.h"
#include "analysis/Messages.h"
#include "analysis/TestRunner.h"
#include "stats/Descriptives.h"
#include "stats/EffectSizes.h"
#include "stats/Independent.h"

namespace npar::engine {
namespace {

constexpr const char* kFamily = "Independent_Samples";
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// Multiple comparisons grow with the square of the groups (k(k-1)/2 pairs,
// as many runs of the stepwise procedure); beyond this many groups a test
// gives its overall result and says why it shows no comparisons.

double Count(size_t n) { return static_cast<double>(n); }

// The cases of a test, group by group.
struct Groups {
    std::vector<int> categories;              // category position of each group, ascending
    std::vector<std::vector<double>> values;  // the test field's values of each group
    std::vector<std::vector<uint32_t>> rows;  // and their data rows
    std::vector<stats::Hinges> hinges;        // each group's median and Tukey hinges, found once
                                              // for its descriptives and its box
    BinScale scale = BinScale::Numbers;       // of the test field's values
    size_t Total() const {
        size_t total = 0;
        for (const auto& group : values) total += group.size();
        return total;
    }
    std::vector<size_t> Sizes() const {
        std::vector<size_t> sizes;
        for (const auto& group : values) sizes.push_back(group.size());
        return sizes;
    }
    std::vector<double> Pooled() const {
        std::vector<double> all;
        all.reserve(Total());
        for (const auto& group : values) all.insert(all.end(), group.begin(), group.end());
        return all;
    }
    // The median of all the groups' values together.
    double PooledMedian() const {
        std::vector<const std::vector<double>*> parts;
        for (const auto& group : values) parts.push_back(&group);
        return stats::MedianOfParts(parts);
    }
};

// The test's cases by group: for a two-group test the two chosen
// categories (empty ones kept, so that the caller can say which is empty),
// otherwise every category with cases in the split.
Groups CollectGroups(const TestRequest& request, const SplitData& split) {
    const size_t field = request.fields[0];
    const size_t groupField = static_cast<size_t>(request.group);
    const Categories& categories = split.data.CategoriesOf(groupField);
    std::vector<int> chosen = request.groupCategories;
    std::sort(chosen.begin(), chosen.end());
    std::vector<int> slot(categories.Count(), -1);
    Groups groups;
    groups.scale = BinScaleOf(split.data.ColumnAt(field));
    if (chosen.empty()) {
        for (size_t c = 0; c < categories.Count(); ++c) groups.categories.push_back(static_cast<int>(c));
    } else {
        groups.categories = chosen;
    }
    for (size_t g = 0; g < groups.categories.size(); ++g)
        slot[static_cast<size_t>(groups.categories[g])] = static_cast<int>(g);
    groups.values.resize(groups.categories.size());
    groups.rows.resize(groups.categories.size());
    // The groups' sizes first, then each case written straight to its place,
    // so that every group's lists are sized once. The first pass notes each
    // case's group in two bytes (0 for none, else the group + 1) for the
    // second, which then only copies; with more groups than two bytes hold,
    // the second finds each case's group again.
    const std::vector<double>& numbers = split.data.ColumnAt(field).numbers;
    // A grouping field of codes (1..k, the common case) takes a case's group
    // straight from its value's offset.
    const Column& grouping = split.data.ColumnAt(groupField);
    const bool byOffset = categories.IsShortWholeRange();
    std::vector<int> groupOfOffset;
    const double smallest = byOffset ? categories.Number(0) : 0;
    if (byOffset) {
        groupOfOffset.assign(
            static_cast<size_t>(categories.Number(categories.Count() - 1) - smallest) + 1, -1);
        for (size_t c = 0; c < categories.Count(); ++c)
            groupOfOffset[static_cast<size_t>(categories.Number(c) - smallest)] = slot[c];
    }
    const auto groupOfRow = [&](uint32_t row) {
        if (!(numbers[row] == numbers[row])) return -1;  // NaN: missing
        if (byOffset) {
            const double code = grouping.numbers[row];
            return code == code ? groupOfOffset[static_cast<size_t>(code - smallest)] : -1;
        }
        const int category = categories.IndexOfRow(row);
        return category < 0 ? -1 : slot[static_cast<size_t>(category)];
    };
    const size_t cases = split.rows.size();
    const bool narrow = groups.categories.size() < 65535;
    std::unique_ptr<uint16_t[]> code(narrow ? new uint16_t[cases] : nullptr);
    std::vector<size_t> sizes(groups.categories.size(), 0);
    for (size_t i = 0; i < cases; ++i) {
        const int g = groupOfRow(split.rows[i]);
        if (narrow) code[i] = static_cast<uint16_t>(g + 1);
        if (g >= 0) ++sizes[static_cast<size_t>(g)];
    }
    std::vector<double*> nextValue(sizes.size());
    std::vector<uint32_t*> nextRow(sizes.size());
    for (size_t g = 0; g < sizes.size(); ++g) {
        groups.values[g].resize(sizes[g]);
        groups.rows[g].resize(sizes[g]);
        nextValue[g] = groups.values[g].data();
        nextRow[g] = groups.rows[g].data();
    }
    for (size_t i = 0; i < cases; ++i) {
        const uint32_t row = split.rows[i];
        const int g = narrow ? int{code[i]} - 1 : groupOfRow(row);
        if (g < 0) continue;
        *nextValue[static_cast<size_t>(g)]++ = numbers[row];
        *nextRow[static_cast<size_t>(g)]++ = row;
    }
    if (chosen.empty()) {
        // Only groups with cases in the split take part.
        size_t kept = 0;
        for (size_t g = 0; g < groups.categories.size(); ++g) {
            if (groups.values[g].empty()) continue;
            if (kept != g) {
                groups.categories[kept] = groups.categories[g];
                groups.values[kept] = std::move(groups.values[g]);
                groups.rows[kept] = std::move(groups.rows[g]);
            }
            ++kept;
        }
        groups.categories.resize(kept);
        groups.values.resize(kept);
        groups.rows.resize(kept);
    }
    for (const std::vector<double>& values : groups.values)
        groups.hinges.push_back(stats::TukeyHinges(values));
    return groups;
}

// Each group's row of the descriptives table, with its mean rank where the
// test ranks.
void DescribeGroups(TestResult& result, const Groups& groups,
                    const std::vector<double>& meanRanks = {}) {
    for (size_t g = 0; g < groups.values.size(); ++g)
        result.descriptives.push_back(SampleDescription(Count(static_cast<size_t>(groups.categories[g])),
                                                        groups.values[g].size(), groups.hinges[g],
                                                        g < meanRanks.size() ? meanRanks[g] : kNone));
}

// A test's result with its condition: the test field and the grouping
// field; "CategoryListsAreSpecified" when groups= picked two of more groups.
TestResult Start(const TestRequest& request, const SplitData& split, const char* algorithm,
                 const char* test, const char* defaultKey = "DefaultAllDistinctValuesUsed") {
    const size_t groupField = static_cast<size_t>(request.group);
    const bool picked =
        !request.groupCategories.empty() && split.data.CategoriesOf(groupField).Count() > 2;
    const std::string key =
        std::string(picked ? "CategoryListsAreSpecified" : defaultKey) + "_I_" + test + "_2";
    TestResult result = NewResult(algorithm, kFamily, key,
                                  {FieldParameter(request.fields[0]), FieldParameter(groupField)});
    if (request.ordinalAsContinuous)
        result.conditionAttributes.push_back(OrdinalAsContinuous({request.fields[0]}));
    return result;
}

// Both groups of a two-group test must have cases.
bool BothGroupsHaveCases(TestResult& result, const Groups& groups) {
    if (!groups.values[0].empty() && !groups.values[1].empty()) return true;
    Unable(result, messages::kGroupEmpty);
    return false;
}

// A k-sample test needs two groups with cases.
bool TwoGroupsHaveCases(TestResult& result, const Groups& groups) {
    if (groups.values.size() >= 2) return true;
    Unable(result, messages::kTooFewGroups, {{Count(groups.values.size())}});
    return false;
}

// ---------------------------------------------------------------------------
// Tables the charts read

// The two groups of a two-group test on common bins (the two-group histogram).
std::vector<DocNode> GroupDistributions(const Groups& groups,
                                        const std::vector<double>& meanRanks = {}) {
    const std::vector<double> all = groups.Pooled();
    std::vector<DocNode> tables;
    for (size_t g = 0; g < groups.values.size(); ++g) {
        std::vector<DocNode> children = {Attribute("GroupIndex", groups.categories[g]),
                                         Attribute("N", Count(groups.values[g].size()))};
        if (!meanRanks.empty()) children.push_back(Attribute("MeanOfRank", meanRanks[g]));
        children.push_back(HistogramTable(groups.values[g], all, groups.scale));
        tables.push_back(StructuredTable("Group_" + std::to_string(g), std::move(children)));
    }
    return tables;
}

// The box of one group with its outliers, labelled by their 1-based data rows.
std::vector<DocNode> BoxTables(const std::vector<double>& values, const std::vector<uint32_t>& rows,
                               const stats::Hinges& hinges) {
    const stats::BoxValues box =
        stats::Box(values, hinges, [&](size_t i) { return Count(rows[i]) + 1; });
    std::vector<DocNode> tables = {SimpleTable(
        "Box", {"Value"}, {"LowerWhisker", "LowerHinge", "Median", "UpperHinge", "UpperWhisker"},
        {{box.lowerWhisker, box.lowerHinge, box.median, box.upperHinge, box.upperWhisker}})};
    if (!box.outliers.empty())
        tables.push_back(SimpleTable("Outliers", {"Value", "CaseId"}, Positions(box.outliers.size(), 1),
                                     {box.outliers, box.outlierCases}));
    return tables;
}

// The box plot of the groups, in the order given; extra(g) adds a group's
// own attributes (mean rank, counts about the median).
DocNode BoxPlot(const TestRequest& request, const Groups& groups, const std::vector<size_t>& order,
                const std::function<std::vector<DocNode>(size_t)>& extra, double grandMedian = kNone) {
    std::vector<DocNode> children = {Attribute("GroupFieldIndex", request.group),
                                     Attribute("GroupCount", Count(order.size()))};
    if (!std::isnan(grandMedian)) children.push_back(Attribute("GrandMedian", grandMedian));
    for (size_t j = 0; j < order.size(); ++j) {
        const size_t g = order[j];
        std::vector<DocNode> group = {Attribute("GroupIndex", groups.categories[g]),
                                      Attribute("N", Count(groups.values[g].size()))};
        if (extra) {
            for (DocNode& node : extra(g)) group.push_back(std::move(node));
        }
        for (DocNode& table : BoxTables(groups.values[g], groups.rows[g], groups.hinges[g]))
            group.push_back(std::move(table));
        children.push_back(StructuredTable("Group_" + std::to_string(j), std::move(group)));
    }
    return StructuredTable("BoxPlotInfo", std::move(children));
}

std::vector<size_t> AllGroups(const Groups& groups) {
    std::vector<size_t> order(groups.values.size());
    std::iota(order.begin(), order.end(), size_t{0});
    return order;
}

// ---------------------------------------------------------------------------
// Two groups

TestResult MannWhitney(const TestRequest& request, const SplitData& split) {
    TestResult result = Start(request, split, "IMannWhitneyU", "MannWhitneyU");
    const Groups groups = CollectGroups(request, split);
    result.statistics.push_back(Attribute("TotalN", Count(groups.Total())));
    if (!BothGroupsHaveCases(result, groups)) return result;
    const stats::MannWhitneyResult test = stats::MannWhitney(stats::Pool(groups.values));
    if (std::isnan(test.z)) return Unable(result, messages::kAllTied);

    result.statistics.push_back(Attribute("MannWhitneyU", test.u));
    result.statistics.push_back(Attribute("WilcoxonW", test.w));
    result.statistics.push_back(Attribute("TestStatistic", test.u));
    result.statistics.push_back(Attribute("StandardError", test.standardError));
    result.statistics.push_back(Attribute("StandardizedTestStatistic", test.z));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", test.asymptotic));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodNormalTies");
    if (test.exact) {
        result.statistics.push_back(Attribute("ExactSig2Tailed", test.exactSignificance));
        StateMethod(result, "ExactSig2Tailed", "MethodExactMannWhitney");
    }
    DescribeGroups(result, groups, {test.meanRankFirst, test.meanRankSecond});
    const stats::EffectSize r = stats::RankBiserialTwoGroups(
        test.u, Count(groups.values[0].size()), Count(groups.values[1].size()), split.data.confidence);
    result.messages.push_back(messages::Note(messages::kMannWhitneySecondGroup));
    AddRankBiserial(result, r);
    result.tables = GroupDistributions(groups, {test.meanRankFirst, test.meanRankSecond});
    return result;
}

DocNode RunsGroup(const char* name, double runs, size_t m, size_t n) {
    const stats::RunsSignificance significance = stats::WaldWolfowitz(runs, m, n);
    std::vector<DocNode> values = {Attribute("TestStatistic", runs),
                                   Attribute("StandardizedTestStatistic", significance.normal.z),
                                   Attribute("AsymptoticSig1Tailed", significance.asymptotic)};
    if (significance.exact)
        values.push_back(Attribute("ExactSig1Tailed", significance.exactSignificance));
    return StructuredTable(name, std::move(values));
}

TestResult WaldWolfowitz(const TestRequest& request, const SplitData& split) {
    TestResult result = Start(request, split, "IWaldWolfowitzRuns", "WaldWolfowitzRuns");
    const Groups groups = CollectGroups(request, split);
    result.statistics.push_back(Attribute("TotalN", Count(groups.Total())));
    if (!BothGroupsHaveCases(result, groups)) return result;
    // Two cases make two runs whatever the groups: nothing varies.
    if (groups.Total() < 3)
        return Unable(result, messages::kTooFewCases, {{3}, {Count(groups.Total())}});
    const stats::RunsRange range = stats::RunsBetweenGroups(stats::Pool(groups.values));
    const size_t m = groups.values[0].size(), n = groups.values[1].size();
    result.statistics.push_back(RunsGroup("MinimumPossible", range.fewest, m, n));
    result.statistics.push_back(RunsGroup("MaximumPossible", range.most, m, n));
    for (const char* group : {"MinimumPossible", "MaximumPossible"}) {
        StateMethod(result, std::string(group) + "/AsymptoticSig1Tailed",
                    m + n < 50 ? "MethodNormalLowerContinuity" : "MethodNormalLower");
        StateMethod(result, std::string(group) + "/ExactSig1Tailed", "MethodExactRuns");
    }
    DescribeGroups(result, groups);
    result.tables = GroupDistributions(groups);
    return result;
}

TestResult KolmogorovSmirnov(const TestRequest& request, const SplitData& split) {
    TestResult result = Start(request, split, "IKolmogorovSmirnov", "KolmogorovSmirnov");
    const Groups groups = CollectGroups(request, split);
    result.statistics.push_back(Attribute("TotalN", Count(groups.Total())));
    if (!BothGroupsHaveCases(result, groups)) return result;
    const stats::TwoSampleKsResult test = stats::KolmogorovSmirnovTwoSample(stats::Pool(groups.values));
    result.statistics.push_back(Attribute("MostExtremeDifferencesAbsolute", test.absolute));
    result.statistics.push_back(Attribute("MostExtremeDifferencesPositive", test.positive));
    result.statistics.push_back(Attribute("MostExtremeDifferencesNegative", test.negative));
    result.statistics.push_back(Attribute("TestStatistic", test.z));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", test.significance));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodKolmogorov");
    result.statistics.push_back(EffectSizeGroup("D", test.absolute));
    DescribeGroups(result, groups);
    result.tables = GroupDistributions(groups);
    result.messages.push_back(messages::Note(messages::kKsFirstMinusSecond));
    return result;
}

// The control cases trimmed from each end: outliers=, or the trim fraction
// of the control group (at least one when the fraction is above zero).
size_t TrimOf(const TestRequest& request, size_t control) {
    if (request.outliers) return static_cast<size_t>(*request.outliers);
    const double fraction = request.trimFraction.value_or(0.05);
    if (!(fraction > 0)) return 0;
    return std::max<size_t>(1, static_cast<size_t>(std::floor(fraction * Count(control))));
}

TestResult Moses(const TestRequest& request, const SplitData& split) {
    TestResult result = Start(request, split, "IMoses", "Moses");
    const Groups groups = CollectGroups(request, split);
    result.statistics.push_back(Attribute("TotalN", Count(groups.Total())));
    if (!BothGroupsHaveCases(result, groups)) return result;
    const size_t control = groups.categories[0] == request.controlCategory ? 0 : 1;
    const size_t m = groups.values[control].size();
    if (m < 2) return Unable(result, messages::kControlTooSmall, {{2}, {Count(m)}});
    size_t trim = TrimOf(request, m);
    const size_t mostTrim = (m - 2) / 2;  // at least two control cases stay
    if (trim > mostTrim) {
        result.messages.push_back(
            messages::Warning(messages::kTrimReduced, {{Count(mostTrim)}, {Count(trim)}, {Count(m)}}));
        trim = mostTrim;
    }
    const stats::MosesResult test = stats::Moses(stats::Pool(groups.values), control, trim);
    result.statistics.push_back(StructuredTable(
        "ObservedControlGroup", {Attribute("TestStatistic", test.observed.span),
                                 Attribute("ExactSig1Tailed", test.observed.significance)}));
    result.statistics.push_back(
        StructuredTable("TrimmedControlGroup", {Attribute("TestStatistic", test.trimmed.span),
                                                Attribute("ExactSig1Tailed", test.trimmed.significance),
                                                Attribute("OutliersTrimmedFromEachEnd", Count(trim))}));
    if (test.tiesBetweenGroups) result.messages.push_back(messages::Warning(messages::kSpanTies));
    StateMethod(result, "ObservedControlGroup/ExactSig1Tailed", "MethodExactMoses");
    StateMethod(result, "TrimmedControlGroup/ExactSig1Tailed", "MethodExactMoses");
    DescribeGroups(result, groups);
    // The control group first, then the experimental group.
    result.tables.push_back(BoxPlot(request, groups, {control, 1 - control}, {}));
    return result;
}

TestResult HodgesLehmann(const TestRequest& request, const SplitData& split) {
    TestResult result =
        Start(request, split, "IHodgesLehmannEstimateGroups", "HodgesLehman", "AllDistinctValuesUsed");
    result.decides = false;
    const Groups groups = CollectGroups(request, split);
    if (groups.values[0].empty() || groups.values[1].empty()) {
        result.statistics.push_back(Attribute("TotalN", Count(groups.Total())));
        return Unable(result, messages::kGroupEmpty);
    }
    // The exact interval's rule: few cases (checked first) and no ties.
    const bool exact =
        groups.Total() <= stats::kMannWhitneyExactLimit &&
        stats::MannWhitneyExact(groups.Total(), stats::RankGroups(stats::Pool(groups.values)).hasTies);
    const stats::ShiftEstimate shift =
        stats::HodgesLehmannShift(groups.values[0], groups.values[1], split.data.confidence, exact);
    // The reader takes the estimate from the first statistic and the bounds
    // from the group named "Asymptotic", whichever method made them; the
    // note says which.
    result.statistics = {
        Attribute("Estimate", shift.estimate), Attribute("TotalN", Count(groups.Total())),
        StructuredTable("Asymptotic",
                        {Attribute("Lower", shift.lower), Attribute("Upper", shift.upper)})};
    result.messages.push_back(
        messages::Note(exact ? messages::kShiftExactInterval : messages::kShiftAsymptoticInterval));
    messages::NoteIntervalLevel(result.messages, shift);
    DescribeGroups(result, groups);
    return result;
}

// ---------------------------------------------------------------------------
// k groups: multiple comparisons

// A located note on a comparison ("a;b": sample numbers for pairs, ordered
// positions for subsets).
std::string PairLabel(double a, double b) { return NumberText(a) + ";" + NumberText(b); }

// The groups' samples (sample number, value), ordered by value so that the
// stepwise procedure's positions are positions in this order.
struct OrderedSamples {
    std::vector<Sample> samples;
    std::vector<size_t> groupAt;  // the group of each position
};

OrderedSamples OrderByValue(const Groups& groups, const std::vector<double>& values) {
    OrderedSamples ordered;
    ordered.groupAt = AllGroups(groups);
    std::stable_sort(ordered.groupAt.begin(), ordered.groupAt.end(),
                     [&](size_t a, size_t b) { return values[a] < values[b]; });
    for (size_t g : ordered.groupAt) ordered.samples.push_back({Count(groups.categories[g]), values[g]});
    return ordered;
}

std::vector<size_t> GroupsOfRun(const OrderedSamples& ordered, size_t first, size_t last) {
    return std::vector<size_t>(ordered.groupAt.begin() + static_cast<std::ptrdiff_t>(first),
                               ordered.groupAt.begin() + static_cast<std::ptrdiff_t>(last) + 1);
}

// Adds the pairwise or stepwise table: pair(a, b) compares groups a and b
// (a with the smaller value), run(groups) tests a run of groups.
void AddComparisons(const TestRequest& request, const SplitData& split, TestResult& result,
                    const OrderedSamples& ordered, const std::string& valueName,
                    const std::function<PairStatistics(size_t, size_t)>& pair,
                    const std::function<PairStatistics(const std::vector<size_t>&)>& run) {
    if (request.compare == Compare::Stepwise) {
        result.tables.push_back(StepwiseResult(
            ordered.samples, valueName,
            [&](size_t first, size_t last) {
                const PairStatistics statistics = run(GroupsOfRun(ordered, first, last));
                if (std::isnan(statistics.significance))
                    result.messages.push_back(messages::Located(messages::kComparisonUndefined,
                                                                PairLabel(Count(first), Count(last))));
                return statistics;
            },
            split.data.alpha, request.group));
        return;
    }
    result.tables.push_back(PairwiseResult(
        ordered.samples, valueName,
        [&](size_t first, size_t second) {
            const PairStatistics statistics = pair(ordered.groupAt[first], ordered.groupAt[second]);
            if (std::isnan(statistics.significance))
                result.messages.push_back(messages::Located(
                    messages::kComparisonUndefined,
                    PairLabel(ordered.samples[first].number, ordered.samples[second].number)));
            return statistics;
        },
        request.group));
}

std::vector<double> MeanRanks(const Groups& groups, const stats::GroupRanks& ranks) {
    std::vector<double> means;
    for (size_t g = 0; g < groups.values.size(); ++g)
        means.push_back(ranks.sums[g] / Count(groups.values[g].size()));
    return means;
}

std::function<std::vector<DocNode>(size_t)> MeanRankOf(const std::vector<double>& meanRanks) {
    return [meanRanks](size_t g) { return std::vector<DocNode>{Attribute("MeanOfRank", meanRanks[g])}; };
}

std::vector<size_t> SizesOf(const stats::GroupPairCounts& counts, const std::vector<size_t>& chosen) {
    std::vector<size_t> sizes;
    for (size_t g : chosen) sizes.push_back(counts.Size(g));
    return sizes;
}

// ---------------------------------------------------------------------------
// Kruskal-Wallis

TestResult KruskalWallis(const TestRequest& request, const SplitData& split) {
    TestResult result = Start(request, split, "IKruskalWallis", "KruskalWallis");
    const Groups groups = CollectGroups(request, split);
    const size_t total = groups.Total();
    result.statistics.push_back(Attribute("TotalN", Count(total)));
    if (!TwoGroupsHaveCases(result, groups)) return result;
    const stats::PooledSample pooled = stats::Pool(groups.values);
    const stats::GroupRanks ranks = stats::RankGroups(pooled);
    const stats::KruskalWallisResult test =
        stats::KruskalWallis(groups.Sizes(), ranks.sums, ranks.tieSum);
    if (test.allTied) return Unable(result, messages::kAllTied);

    result.statistics.push_back(Attribute("TestStatistic", test.h));
    result.statistics.push_back(Attribute("DegreeOfFreedom", test.df));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", test.significance));
    result.statistics.push_back(
        EffectSizeGroup("EpsilonSquared", stats::EpsilonSquared(test.h, Count(total))));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodChiSquareTies");
    const std::vector<double> meanRanks = MeanRanks(groups, ranks);
    DescribeGroups(result, groups, meanRanks);
    result.tables.push_back(BoxPlot(request, groups, AllGroups(groups), MeanRankOf(meanRanks)));
    if (!MakesComparisons(request.compare, test.significance, split.data.alpha, groups.values.size(),
                          result.messages))
        return result;

    const OrderedSamples ordered = OrderByValue(groups, meanRanks);
    const auto dunn = [&](size_t a, size_t b) {
        const stats::DunnComparison d = stats::Dunn(meanRanks[a], groups.values[a].size(), meanRanks[b],
                                                    groups.values[b].size(), total, ranks.tieSum);
        return PairStatistics{d.difference, d.standardError, d.z, d.significance};
    };
    std::unique_ptr<stats::GroupPairCounts> counts;
    if (request.compare == Compare::Stepwise) counts = std::make_unique<stats::GroupPairCounts>(pooled);
    const auto subset = [&](const std::vector<size_t>& chosen) {
        const stats::KruskalWallisResult h = stats::KruskalWallis(
            SizesOf(*counts, chosen), counts->RankSums(chosen), counts->TieSum(chosen));
        return PairStatistics{h.h, kNone, kNone, h.significance};
    };
    AddComparisons(request, split, result, ordered, "MeanRank", dunn, subset);
    return result;
}

// ---------------------------------------------------------------------------
// Jonckheere-Terpstra

TestResult Jonckheere(const TestRequest& request, const SplitData& split) {
    TestResult result = Start(request, split, "IJonckheereTerpstra", "JonckheereTerpstra");
    const Groups groups = CollectGroups(request, split);
    result.statistics.push_back(Attribute("TotalN", Count(groups.Total())));
    if (!TwoGroupsHaveCases(result, groups)) return result;
    // The test order: ascending category values, or descending.
    std::vector<size_t> order = AllGroups(groups);
    if (request.descending) std::reverse(order.begin(), order.end());
    std::vector<size_t> rankInOrder(order.size());
    for (size_t p = 0; p < order.size(); ++p) rankInOrder[order[p]] = p;
    const stats::PooledSample pooled = stats::Pool(groups.values);
    const stats::JonckheereResult test = stats::JonckheereTerpstra(pooled, order);
    if (std::isnan(test.z)) return Unable(result, messages::kAllTied);

    result.statistics.push_back(Attribute("TestStatistic", test.j));
    result.statistics.push_back(Attribute("MeanOfTestStatistic", test.mean));
    result.statistics.push_back(Attribute("StandardError", test.standardDeviation));
    result.statistics.push_back(Attribute("StandardizedTestStatistic", test.z));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", test.twoSided));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodNormalTies");
    if (test.exact) {
        result.statistics.push_back(Attribute("ExactSig2Tailed", test.exactTwoSided));
        StateMethod(result, "ExactSig2Tailed", "MethodExactJonckheere");
    }
    result.messages.push_back(messages::Note(request.descending ? messages::kJonckheereDescending
                                                                : messages::kJonckheereAscending));
    const std::vector<double> meanRanks = MeanRanks(groups, stats::RankGroups(pooled));
    DescribeGroups(result, groups, meanRanks);
    result.tables.push_back(BoxPlot(request, groups, order, MeanRankOf(meanRanks)));
    const double significance = test.exact ? test.exactTwoSided : test.twoSided;
    if (!MakesComparisons(request.compare, significance, split.data.alpha, groups.values.size(),
                          result.messages))
        return result;

    // Each comparison is one-sided in the test order: J of the chosen groups
    // taken in that order.
    const stats::GroupPairCounts counts(pooled);
    const auto inOrder = [&](std::vector<size_t> chosen) {
        std::sort(chosen.begin(), chosen.end(),
                  [&](size_t a, size_t b) { return rankInOrder[a] < rankInOrder[b]; });
        double j = 0;
        for (size_t later = 1; later < chosen.size(); ++later)
            for (size_t earlier = 0; earlier < later; ++earlier)
                j += counts.Above(chosen[later], chosen[earlier]);
        const stats::JonckheereResult r =
            stats::JonckheereMoments(j, SizesOf(counts, chosen), counts.Ties(chosen));
        return PairStatistics{r.j, r.standardDeviation, r.z, r.oneSided};
    };
    AddComparisons(
        request, split, result, OrderByValue(groups, meanRanks), "MeanRank",
        [&](size_t a, size_t b) {
            return inOrder({a, b});
        },
        inOrder);
    return result;
}

// ---------------------------------------------------------------------------
// Median test

TestResult MedianTest(const TestRequest& request, const SplitData& split) {
    TestResult result = Start(request, split, "IMedian", "Median");
    const Groups groups = CollectGroups(request, split);
    const size_t total = groups.Total();
    result.statistics.push_back(Attribute("TotalN", Count(total)));
    if (!TwoGroupsHaveCases(result, groups)) return result;
    const double median = request.pooledMedian ? groups.PooledMedian() : request.median;
    const stats::MedianCounts counts = stats::CountAboutMedian(groups.values, median);
    const stats::TableChiSquare chi = stats::ChiSquareOfTable(counts.above, counts.atOrBelow, false);
    if (std::isnan(chi.statistic)) {
        // Every value tied says more than "on one side of the median".
        const double first = groups.values.front().front();
        const bool tied =
            std::all_of(groups.values.begin(), groups.values.end(), [&](const std::vector<double>& g) {
                return std::all_of(g.begin(), g.end(), [&](double v) { return v == first; });
            });
        return Unable(result,
                      tied && request.pooledMedian ? messages::kAllTied : messages::kOneSideOfMedian);
    }
    result.statistics.push_back(Attribute("Median", median));
    result.statistics.push_back(Attribute("TestStatistic", chi.statistic));
    result.statistics.push_back(Attribute("DegreeOfFreedom", chi.df));
    result.statistics.push_back(Attribute("AsymptoticSig2Tailed", chi.significance));
    StateMethod(result, "AsymptoticSig2Tailed", "MethodChiSquare");
    double deciding = chi.significance;
    bool exact = false;
    if (groups.values.size() == 2) {
        const stats::TableChiSquare yates =
            stats::ChiSquareOfTable(counts.above, counts.atOrBelow, true);
        result.statistics.push_back(StructuredTable(
            "YatesContinuityCorrection",
            {Attribute("TestStatistic", yates.statistic), Attribute("DegreeOfFreedom", yates.df),
             Attribute("AsymptoticSig2Tailed", yates.significance)}));
        StateMethod(result, "YatesContinuityCorrection/AsymptoticSig2Tailed", "MethodYates");
        deciding = yates.significance;
        if (total <= stats::kFisherExactLimit) {
            deciding = stats::FisherExact(counts.above[0], counts.above[1], counts.atOrBelow[0],
                                          counts.atOrBelow[1]);
            result.statistics.push_back(Attribute("FisherExactSig", deciding));
            StateMethod(result, "FisherExactSig", "MethodFisher");
            exact = true;
        }
    }
    DescribeGroups(result, groups);
    // Cramer's V of the 2 x k table of counts about the median.
    const stats::EffectSize v =
        stats::CramersV(chi.statistic, chi.df, Count(total), 2, split.data.confidence);
    AddNoncentralityEffect(result, "CramersV", v);
    if (chi.smallCells > 0 && !exact)
        result.messages.push_back(
            messages::Warning(messages::kSmallExpectedCells,
                              {{Count(chi.smallCells)},
                               {100.0 * Count(chi.smallCells) / Count(2 * groups.values.size())},
                               {chi.smallestExpected}}));
    result.tables.push_back(BoxPlot(
        request, groups, AllGroups(groups),
        [&](size_t g) {
            return std::vector<DocNode>{Attribute("GTMedian", counts.above[g]),
                                        Attribute("STMedian", counts.atOrBelow[g])};
        },
        median));
    if (!MakesComparisons(request.compare, deciding, split.data.alpha, groups.values.size(),
                          result.messages))
        return result;

    // Each comparison: the chi-square of the chosen groups' counts about the
    // test's median.
    std::vector<double> medians;
    for (const stats::Hinges& hinges : groups.hinges) medians.push_back(hinges.median);
    const auto subset = [&](const std::vector<size_t>& chosen) {
        std::vector<double> above, below;
        for (size_t g : chosen) above.push_back(counts.above[g]), below.push_back(counts.atOrBelow[g]);
        const stats::TableChiSquare c = stats::ChiSquareOfTable(above, below, false);
        return PairStatistics{c.statistic, kNone, kNone, c.significance};
    };
    AddComparisons(
        request, split, result, OrderByValue(groups, medians), "Median",
        [&](size_t a, size_t b) {
            return subset({a, b});
        },
        subset);
    return result;
}

}  // namespace

TestResult RunIndependentTest(const TestRequest& request, const SplitData& split) {
    switch (request.kind) {
        case TestKind::MannWhitney:
            return MannWhitney(request, split);
        case TestKind::WaldWolfowitz:
            return WaldWolfowitz(request, split);
        case TestKind::TwoSampleKs:
            return KolmogorovSmirnov(request, split);
        case TestKind::Moses:
            return Moses(request, split);
        case TestKind::IndependentHodgesLehmann:
            return HodgesLehmann(request, split);
        case TestKind::KruskalWallis:
            return KruskalWallis(request, split);
        case TestKind::Jonckheere:
            return Jonckheere(request, split);
        case TestKind::MedianTest:
            return MedianTest(request, split);
        default:
            return {};
    }
}

}  // namespace npar::engine
