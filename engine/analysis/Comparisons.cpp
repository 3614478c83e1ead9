// The multiple-comparison tables of the k-sample tests.
#include "analysis/Comparisons.h"

#include "analysis/Messages.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace npar::engine {
namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

DocNode InfoTable(const char* name, const std::vector<Sample>& samples, const std::string& valueName) {
    std::vector<double> numbers, values;
    std::vector<std::string> columns;
    for (const Sample& sample : samples) {
        numbers.push_back(sample.number);
        values.push_back(sample.value);
        columns.push_back(NumberText(sample.number));
    }
    return SimpleTable(name, {"Sample", valueName}, columns, {numbers, values});
}

std::vector<DocNode> WithField(int groupField, std::vector<DocNode> tables) {
    if (groupField >= 0) tables.insert(tables.begin(), Attribute("fieldIndex", groupField));
    return tables;
}

}  // namespace

bool MakesComparisons(Compare compare, double significance, double alpha, size_t k,
                      std::vector<TestMessage>& notes) {
    if (compare == Compare::None || k <= 2) return false;
    if (k > kMaxComparedSamples) {
        notes.push_back(
            messages::Warning(messages::kComparisonsLimited,
                              {{static_cast<double>(kMaxComparedSamples)}, {static_cast<double>(k)}}));
        return false;
    }
    if (!(significance < alpha)) {
        notes.push_back(messages::Note(messages::kNoComparisonsRetained));
        return false;
    }
    return true;
}

double Bonferroni(double significance, size_t count) {
    if (std::isnan(significance)) return significance;
    return std::min(1.0, significance * static_cast<double>(count));
}

DocNode PairwiseResult(const std::vector<Sample>& samples, const std::string& valueName,
                       const std::function<PairStatistics(size_t, size_t)>& compare, int groupField) {
    struct Row {
        size_t first, second;
        PairStatistics statistics;
    };
    std::vector<Row> rows;
    for (size_t i = 0; i < samples.size(); ++i) {
        for (size_t j = i + 1; j < samples.size(); ++j) {
            const bool ordered = samples[i].value <= samples[j].value;
            const size_t first = ordered ? i : j, second = ordered ? j : i;
            rows.push_back({first, second, compare(first, second)});
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        if (samples[a.first].value != samples[b.first].value)
            return samples[a.first].value < samples[b.first].value;
        return samples[a.second].value < samples[b.second].value;
    });
    std::vector<std::vector<double>> content;
    for (const Row& row : rows) {
        const PairStatistics& s = row.statistics;
        content.push_back({samples[row.first].number, samples[row.second].number, s.statistic,
                           s.standardError, s.standardized, s.significance,
                           Bonferroni(s.significance, rows.size())});
    }
    return StructuredTable(
        "PairwiseResult",
        WithField(groupField, {InfoTable("PairwiseInfo", samples, valueName),
                               SimpleTable("Content", Positions(content.size(), 1),
                                           {"Sample1", "Sample2", "TestStatistic", "StdError",
                                            "StdTestStatistic", "Sig", "AdjSig"},
                                           content)}));
}

DocNode StepwiseResult(const std::vector<Sample>& samples, const std::string& valueName,
                       const std::function<PairStatistics(size_t, size_t)>& testRun, double alpha,
                       int groupField) {
    // The samples ordered by value; testRun gets positions in this order.
    std::vector<Sample> ordered = samples;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Sample& a, const Sample& b) { return a.value < b.value; });
    const size_t k = ordered.size();
    struct Subset {
        size_t first, last;
        PairStatistics statistics;
        double adjusted;
        bool tested;
    };
    std::vector<Subset> found;
    for (size_t size = k; size >= 2; --size) {
        for (size_t first = 0; first + size <= k; ++first) {
            const size_t last = first + size - 1;
            const bool inside = std::any_of(found.begin(), found.end(), [&](const Subset& s) {
                return s.first <= first && last <= s.last;
            });
            if (inside) continue;
            const PairStatistics statistics = testRun(first, last);
            const double adjusted =
                std::isnan(statistics.significance)
                    ? kNone
                    : 1.0 - std::pow(1.0 - statistics.significance,
                                     static_cast<double>(k) / static_cast<double>(size));
            if (!(adjusted < alpha)) found.push_back({first, last, statistics, adjusted, true});
        }
    }
    for (size_t position = 0; position < k; ++position) {
        const bool covered = std::any_of(found.begin(), found.end(), [&](const Subset& s) {
            return s.first <= position && position <= s.last;
        });
        if (!covered) found.push_back({position, position, {kNone, kNone, kNone, kNone}, kNone, false});
    }
    std::sort(found.begin(), found.end(), [](const Subset& a, const Subset& b) {
        return a.first != b.first ? a.first < b.first : a.last < b.last;
    });
    std::vector<std::vector<double>> content;
    for (const Subset& s : found) {
        content.push_back({static_cast<double>(s.first), static_cast<double>(s.last),
                           s.statistics.statistic, s.statistics.standardError, s.statistics.standardized,
                           s.statistics.significance, s.adjusted});
    }
    return StructuredTable(
        "StepwiseResult",
        WithField(groupField, {InfoTable("StepwiseInfo", ordered, valueName),
                               SimpleTable("Content", Positions(content.size(), 1),
                                           {"FirstPosition", "LastPosition", "TestStatistic", "StdError",
                                            "StdTestStatistic", "Sig", "AdjSig"},
                                           content)}));
}

}  // namespace npar::engine
