// Dispatching a test to its family, and the shared pieces of a result.
#include "analysis/TestRunner.h"

#include <cmath>

#include "analysis/Messages.h"
#include "stats/Descriptives.h"

namespace npar::engine {

TestResult RunTest(const TestRequest& request, const SplitData& split) {
    switch (DefinitionOf(request.kind).family) {
        case Family::OneSample:
            return RunOneSampleTest(request, split);
        case Family::Related:
            return RunRelatedTest(request, split);
        case Family::Independent:
            return RunIndependentTest(request, split);
    }
    return {};
}

TestResult NewResult(const char* algorithm, const char* family, std::string conditionKey,
                     std::vector<std::vector<double>> parameters) {
    TestResult result;
    result.algorithm = algorithm;
    result.family = family;
    result.conditionKey = std::move(conditionKey);
    result.parameters = std::move(parameters);
    return result;
}

TestResult& Unable(TestResult& result, int code, std::vector<std::vector<double>> parameters) {
    result.messages.push_back(messages::Error(code, std::move(parameters)));
    return result;
}

std::vector<double> CategoryParameter(const std::vector<int>& categories) {
    return std::vector<double>(categories.begin(), categories.end());
}

DocNode OrdinalAsContinuous(const std::vector<size_t>& columns) {
    std::string list;
    for (size_t column : columns) list += (list.empty() ? "" : " ") + std::to_string(column);
    return TextAttribute("OrdinalTreatedAsCont", list);
}

DocNode EffectSizeGroup(const char* measure, double estimate, double lower, double upper) {
    std::vector<DocNode> values = {Attribute(measure, estimate)};
    if (!std::isnan(lower)) values.push_back(Attribute("LowerLimit", lower));
    if (!std::isnan(upper)) values.push_back(Attribute("UpperLimit", upper));
    return StructuredTable("EffectSize", std::move(values));
}

void AddRankBiserial(TestResult& result, const stats::EffectSize& r) {
    result.statistics.push_back(
        EffectSizeGroup("RankBiserialCorrelation", r.estimate, r.lower, r.upper));
    if (std::isnan(r.lower)) result.messages.push_back(messages::Note(messages::kCorrelationAtBound));
}

void AddNoncentralityEffect(TestResult& result, const char* measure, const stats::EffectSize& effect) {
    result.statistics.push_back(EffectSizeGroup(measure, effect.estimate, effect.lower, effect.upper));
    // The interval estimates the population's value from the noncentrality,
    // which the chi-square less its degrees of freedom estimates; the sample's
    // value, from the whole chi-square, lies above it when the chi-square is
    // small. Rounding aside: the limit and the value may meet.
    if (effect.estimate > effect.upper * (1 + 1e-9))
        result.messages.push_back(messages::Note(messages::kEstimateAboveInterval));
}

DocNode SampleDescription(double sample, const std::vector<double>& values, double meanRank) {
    return SampleDescription(sample, values.size(), stats::TukeyHinges(values), meanRank);
}

DocNode SampleDescription(double sample, size_t n, const stats::Hinges& hinges, double meanRank) {
    std::vector<DocNode> entries = {Attribute("Sample", sample), Attribute("N", static_cast<double>(n)),
                                    Attribute("Median", hinges.median),
                                    Attribute("LowerQuartile", hinges.lower),
                                    Attribute("UpperQuartile", hinges.upper)};
    if (!std::isnan(meanRank)) entries.push_back(Attribute("MeanRank", meanRank));
    return StructuredTable("Sample", std::move(entries));
}

void DescribeFields(TestResult& result, const SplitData& split, const std::vector<size_t>& fields,
                    const std::vector<uint32_t>& rows, const std::vector<double>& meanRanks) {
    for (size_t i = 0; i < fields.size(); ++i)
        result.descriptives.push_back(
            SampleDescription(static_cast<double>(fields[i]), split.Numbers(fields[i], rows),
                              i < meanRanks.size() ? meanRanks[i] : kNoNumber));
}

BinScale BinScaleOf(const Column& column) {
    if (column.type == ColumnType::Date) return BinScale::Dates;
    return column.dateTime ? BinScale::DateTimes : BinScale::Numbers;
}

DocNode HistogramTable(const std::vector<double>& values, BinScale scale) {
    return HistogramTable(values, values, scale);
}

DocNode HistogramTable(const std::vector<double>& values, const std::vector<double>& binsFrom,
                       BinScale scale) {
    const stats::BinLayout layout = scale == BinScale::Dates       ? stats::LayOutDateBins(binsFrom)
                                    : scale == BinScale::DateTimes ? stats::LayOutDateTimeBins(binsFrom)
                                                                   : stats::LayOutBins(binsFrom);
    const stats::Histogram bins = stats::CountInBins(layout, values);
    return SimpleTable("Interval", {"Count", "Value"}, Positions(bins.counts.size(), 1),
                       {bins.counts, bins.middles});
}

}  // namespace npar::engine
