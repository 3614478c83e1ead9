// The multiple-comparison tables of k-sample tests: pairwise comparisons, and
// homogeneous subsets for stepwise comparisons.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "BpOutput.h"
#include "NOPRChartUtil.h"
#include "NOPROutput.h"
#include "NOPRSupport.h"
#include "PairwiseContrastsChart.h"

namespace {

constexpr const char* kUnit = "backend/nonpar/NOPROutput";

// The numbers of one comparison or subset row: two samples (or positions),
// test statistic, standard error, standardized statistic, significance and
// adjusted significance.
constexpr size_t kContentColumns = 7;

// For these tests the samples are the values of a grouping field; for the
// related-samples tests they are fields.
bool IsGroupComparison(int testType) {
    return testType == TestType::IKruskalWallis || testType == TestType::IJonckheereTerpstra ||
           testType == TestType::IMedian;
}

// Ascending order with NaN last, so that sorting always sees a consistent order.
bool ValueLess(double a, double b) { return !std::isnan(a) && (std::isnan(b) || a < b); }

const BpProcedure& ProcedureOf(const NOPROutputContext& context, BpHeading& heading) {
    return context.fProcedure ? *context.fProcedure : heading.Procedure();
}

double SigLevel(const NOPROutputContext& context) {
    return context.fResults ? context.fResults->fSigLevel : context.fMissingValue;
}

void AddGroupingVariable(BpComposite& composite, const FieldInfo* grouping) {
    if (grouping && grouping->fVariable)
        composite.Add(BpVariable(grouping->fVariable, 2));
    else
        composite.Add(BpString("Unknown Variable", false));
}

// How a sample is named: a value of the grouping field (by its position in
// the field's values) or a field (by its index). Null when it cannot be named.
class SampleNamer {
public:
    SampleNamer(const NOPROutputContext& context, const PairwiseInfo& pairwise, int testType)
        : fContext(context),
          fComparesGroups(IsGroupComparison(testType)),
          fGroupingIndex(pairwise.fFieldIndex),
          fGrouping(fComparesGroups ? FindField(context, pairwise.fFieldIndex) : nullptr) {}

    bool ComparesGroups() const { return fComparesGroups; }
    const FieldInfo* Grouping() const { return fGrouping; }

    std::unique_ptr<BpCellText> Label(int sample) const {
        if (!fComparesGroups) return MakeFieldText(fContext, sample);
        return fGrouping ? MakeCategoryText(fContext, fGroupingIndex, sample) : nullptr;
    }

private:
    const NOPROutputContext& fContext;
    bool fComparesGroups;
    int fGroupingIndex;
    const FieldInfo* fGrouping;
};

// The table every multiple-comparison output starts with: title, identifier,
// widths, caption and the split-file dimensions.
std::unique_ptr<BpPivotTable> MakeComparisonTable(const NOPROutputContext& context, BpHeading& heading,
                                                  const SampleNamer& namer, const char* groupsTitle,
                                                  const char* fieldsTitle, const char* identifier,
                                                  const char* captionKey) {
    BpComposite title(namer.ComparesGroups() ? groupsTitle : fieldsTitle, true);
    if (namer.ComparesGroups()) AddGroupingVariable(title, namer.Grouping());
    title.Finish();
    std::unique_ptr<BpPivotTable> table(heading.PivotTable(title, BpString(identifier, false), false));
    table->MinDataColumnWidth(60);
    table->MaxDataColumnWidth(100);

    BpComposite caption(captionKey, true);
    const double level = SigLevel(context);
    caption.Add(BpNumber(level, LevelFormat(level, ProcedureOf(context, heading).Proportion())));
    caption.Finish();
    table->Caption(caption);
    AddSplitDimensions(context, *table);
    return table;
}

// Each listed sample's value (mean rank, successes or median) by its sample
// number; a negative number names no sample. Keyed by the numbers the
// document lists, so no number sizes anything.
using SampleValues = std::map<int, double>;

SampleValues ValuesBySample(const ValueTable& rankData) {
    const std::vector<double>& samples = rankData.fRows[0];
    const std::vector<double>& values = rankData.fRows[1];
    SampleValues bySample;
    for (size_t j = 0; j < samples.size(); ++j) {
        const int sample = TruncateToInt(samples[j]);
        if (sample >= 0) bySample[sample] = values[j];
    }
    return bySample;
}

// The value of the sample a comparison names in column, which must have one.
double ValueAt(const std::vector<double>& row, size_t column, const SampleValues& values) {
    return values.at(TruncateToInt(row[column]));
}

// The comparisons that can be shown, each with its lower-valued sample first:
// a row needs all its numbers and a value for both its samples. turned is
// set when a row had to be turned.
std::vector<std::vector<double>> ShownComparisons(const std::vector<std::vector<double>>& rows,
                                                  const SampleValues& values, bool& turned) {
    std::vector<std::vector<double>> shown;
    for (std::vector<double> row : rows) {
        if (row.size() < kContentColumns) continue;
        if (!values.count(TruncateToInt(row[0])) || !values.count(TruncateToInt(row[1]))) continue;
        if (ValueAt(row, 1, values) < ValueAt(row, 0, values)) {
            std::swap(row[0], row[1]);
            turned = true;
        }
        shown.push_back(std::move(row));
    }
    return shown;
}

// By the first sample's value; then, within each run of rows with the same
// first sample, by the second sample's value. Rows must be shown ones.
void OrderComparisons(std::vector<std::vector<double>>& comparisons, const SampleValues& values) {
    std::stable_sort(comparisons.begin(), comparisons.end(),
                     [&](const std::vector<double>& a, const std::vector<double>& b) {
                         return ValueLess(ValueAt(a, 0, values), ValueAt(b, 0, values));
                     });
    for (auto start = comparisons.begin(); start != comparisons.end();) {
        const int first = TruncateToInt((*start)[0]);
        auto end = std::find_if(start, comparisons.end(), [&](const std::vector<double>& row) {
            return TruncateToInt(row[0]) != first;
        });
        std::stable_sort(start, end, [&](const std::vector<double>& a, const std::vector<double>& b) {
            return ValueLess(ValueAt(a, 1, values), ValueAt(b, 1, values));
        });
        start = end;
    }
}

// The caption of a pairwise table says how its significances were found.
const char* PairwiseCaptionKey(int testType) {
    switch (testType) {
        case TestType::IJonckheereTerpstra:
            return "PairwiseComparisonsTableCaptionJ^1";
        case TestType::IKruskalWallis:
            return "PairwiseComparisonsTableCaptionKW^1";
        default:
            return "PairwiseComparisonsTableCaptionCFKKM^1";
    }
}

void AddSampleArgument(BpComposite& label, const SampleNamer& namer, int sample) {
    if (std::unique_ptr<BpCellText> text = namer.Label(sample))
        label.Add(*text);
    else
        label.Add(BpString(Integer2String(sample), false));  // a sample it cannot name shows its number
}

const char* SubsetSampleNote(int testType) {
    switch (testType) {
        case TestType::RCochransQ:
            return "Each cell shows the sample number of successes.";
        case TestType::RFriedmansTwoWayByRanks:
        case TestType::RKendallsCoefficient:
            return "Each cell shows the sample average rank.";
        case TestType::IKruskalWallis:
        case TestType::IJonckheereTerpstra:
            return "Each cell shows the sample average rank of ^1.";
        case TestType::IMedian:
            return "Each cell shows the sample median ^1.";
        default:
            return nullptr;
    }
}

// What a pairwise row's test statistic is: the note on the column's label.
// A row as the document gives it reads as Sample 1's value less Sample 2's;
// when a row was turned to show the smaller value first, its difference
// keeps the document's sign, so the note says which way it runs only when
// no row was turned.
const char* PairwiseStatisticNote(int testType, bool turned) {
    switch (testType) {
        case TestType::RCochransQ:
            return turned ? "The test statistic is the difference of the two samples' proportions of "
                            "successes."
                          : "The test statistic is Sample 1's proportion of successes less Sample 2's.";
        case TestType::RFriedmansTwoWayByRanks:
        case TestType::RKendallsCoefficient:
        case TestType::IKruskalWallis:
            return turned ? "The test statistic is the difference of the two samples' average ranks."
                          : "The test statistic is Sample 1's average rank less Sample 2's.";
        case TestType::IJonckheereTerpstra:
            return "The test statistic is J of the two samples, counted in the order of the test.";
        case TestType::IMedian:
            return "The test statistic is the chi-square of the two samples' counts above and at or "
                   "below the median.";
        default:
            return nullptr;
    }
}

// What a homogeneous subset's test statistic is: the note on its row's label.
const char* SubsetStatisticNote(int testType) {
    switch (testType) {
        case TestType::RCochransQ:
            return "The test statistic is Cochran's Q of the subset's samples; "
                   "a subset of one sample has none.";
        case TestType::RFriedmansTwoWayByRanks:
        case TestType::RKendallsCoefficient:
            return "The test statistic is Friedman's chi-square of the subset's samples; "
                   "a subset of one sample has none.";
        case TestType::IKruskalWallis:
            return "The test statistic is the Kruskal-Wallis H of the subset's samples; "
                   "a subset of one sample has none.";
        case TestType::IJonckheereTerpstra:
            return "The test statistic is J of the subset's samples, counted in the order of the "
                   "test; a subset of one sample has none.";
        case TestType::IMedian:
            return "The test statistic is the chi-square of the subset's samples' counts above and "
                   "at or below the median; a subset of one sample has none.";
        default:
            return nullptr;
    }
}

void SetNumber(BpDimension& dimension, const char* label, double value, BpFormatSpec format,
               BpCategory** made = nullptr) {
    BpCategory* category = dimension.Category(BpString(label, true));
    category->Cell(BpNumber(value, format));
    if (made) *made = category;
}

}  // namespace

void MakePairwiseComparisonsTable(const NOPROutputContext& context, BpHeading& heading,
                                  const PairwiseInfo& pairwise, int testType,
                                  const std::vector<MessageInfo>& messages,
                                  FacSTDictionary* dictionary) {
    const BpProcedure& procedure = ProcedureOf(context, heading);
    const SampleNamer namer(context, pairwise, testType);
    std::unique_ptr<BpPivotTable> table = MakeComparisonTable(
        context, heading, namer, "Pairwise Comparisons of ^1", "Pairwise Comparisons",
        "Pairwise Comparisons Table", PairwiseCaptionKey(testType));

    BpDimension* pairs = table->Dimension(BpString("Sample 1 vs Sample 2", false), 2);
    pairs->Position(BpDimension::Row, 1, false, false);
    BpDimension* statistics = table->Dimension(BpString("Statistics", true), 2);
    statistics->Position(BpDimension::Column, 1, true, false);

    const ValueTable& rankData = pairwise.fInfo;
    if (!NOPR_CHECK(rankData.fRows.size() == 2, kUnit)) return;
    if (rankData.fRows[0].size() != rankData.fRows[1].size()) return;
    const SampleValues sampleValues = ValuesBySample(rankData);

    const size_t nCol = pairwise.fContent.fColumnNames.size();
    if (!NOPR_CHECK(nCol == 7, kUnit)) return;
    bool turned = false;
    std::vector<std::vector<double>> comparisons =
        ShownComparisons(pairwise.fContent.fRows, sampleValues, turned);
    if (comparisons.empty()) return;
    OrderComparisons(comparisons, sampleValues);

    for (const std::vector<double>& row : comparisons) {
        const int s1 = TruncateToInt(row[0]);
        const int s2 = TruncateToInt(row[1]);
        BpComposite label("^1 vs ^2", true);
        AddSampleArgument(label, namer, s1);
        AddSampleArgument(label, namer, s2);
        label.Finish();
        pairs->Category(label);

        BpCategory* testStatistic = nullptr;
        SetNumber(*statistics, "Test Statistic", row[2], procedure.Coefficient(), &testStatistic);
        AddLocatedMessageNotes(procedure, *testStatistic, messages, s1, s2);
        if (testType != TestType::IMedian) {
            SetNumber(*statistics, "Std. Error", row[3], procedure.Coefficient());
            SetNumber(*statistics, "Std. Test Statistic", row[4], procedure.Coefficient());
        }
        SetNumber(*statistics, "Sig.", row[5], procedure.Significance());
        SetNumber(*statistics, "Adj. Sig.", row[6], procedure.Significance());
    }
    if (const char* note = PairwiseStatisticNote(testType, turned))
        statistics->Category(BpString("Test Statistic", true))
            ->Note(BpAnnotation(BpString(note, true).Replicate(), -1, false));

    // The same comparisons as a network; made whether or not the other charts are.
    if (context.fResults) {
        std::string splitLabel;
        bool splitActive = false;
        GetSplitLabel(*context.fResults, splitLabel, splitActive);
        PairwiseContrastsChart(context.fResults, &pairwise, dictionary, testType)
            .draw(splitLabel, splitActive);
    }
}

void MakeHomogeneousSubsetsTable(const NOPROutputContext& context, BpHeading& heading,
                                 const NOPRTest& test, const PairwiseInfo& pairwise) {
    const int testType = test.fTestType;
    const std::vector<MessageInfo>& messages = test.fMessages;
    const BpProcedure& procedure = ProcedureOf(context, heading);
    // The cells are average ranks, or the median test's sample medians, which
    // are values of its field.
    const BpFormatSpec sampleFormat = testType == TestType::IMedian
                                          ? FieldUnitsFormat(context, test, procedure.Coefficient())
                                          : procedure.Coefficient();
    const SampleNamer namer(context, pairwise, testType);
    std::unique_ptr<BpPivotTable> table = MakeComparisonTable(
        context, heading, namer, "Homogeneous Subsets based on ^1", "Homogeneous Subsets",
        "Homogeneous Subsets Table", "HomogeneousSubsetsTableCaption^1");

    BpDimension* statistics = table->Dimension(BpString("Statistics", false), 2);
    statistics->Position(BpDimension::Row, 1, true, false);
    BpDimension* subsets = table->Dimension(BpString("Subset", true), 2);
    subsets->Position(BpDimension::Column, 1, false, false);

    const ValueTable& info = pairwise.fInfo;
    if (info.fRows.size() != 2 || info.fRows[0].size() != info.fRows[1].size() ||
        pairwise.fContent.fColumnNames.size() != kContentColumns)
        return;
    const std::vector<double>& samples = info.fRows[0];
    const std::vector<double>& values = info.fRows[1];

    // Subsets in the order of their first position; a row without all its
    // numbers cannot be shown.
    std::vector<std::vector<double>> rows;
    for (const std::vector<double>& row : pairwise.fContent.fRows)
        if (row.size() >= kContentColumns) rows.push_back(row);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const std::vector<double>& a, const std::vector<double>& b) {
                         return ValueLess(a[0], b[0]);
                     });

    BpGroup* sampleGroup = statistics->Group(BpString("Sample", true), true, 2);
    if (const char* pattern = SubsetSampleNote(testType)) {
        BpComposite note(pattern, true);
        if (namer.ComparesGroups()) AddGroupingVariable(note, namer.Grouping());
        note.Finish();
        sampleGroup->Note(BpAnnotation(note.Replicate(), -1, false));
    }

    const bool oneSided = testType == TestType::IJonckheereTerpstra;
    int k = 0;
    for (const std::vector<double>& row : rows) {
        subsets->Category(BpString(Integer2String(++k), false));
        const int first = TruncateToInt(row[0]);
        const int last = TruncateToInt(row[1]);
        // Only positions inside the sample list are shown.
        const long long from = std::max(first, 0);
        const long long to = std::min<long long>(last, static_cast<long long>(samples.size()) - 1);
        for (long long j = from; j <= to; ++j) {
            const size_t at = static_cast<size_t>(j);
            std::unique_ptr<BpCellText> label = namer.Label(TruncateToInt(samples[at]));
            if (!label) continue;
            sampleGroup->Category(*label)->Cell(BpNumber(values[at], sampleFormat));
        }

        BpCategory* testStatistic = nullptr;
        SetNumber(*statistics, "Test Statistic", row[2], procedure.Coefficient(), &testStatistic);
        AddLocatedMessageNotes(procedure, *testStatistic, messages, first, last);
        if (oneSided) {
            SetNumber(*statistics, "Standard Error", row[3], procedure.Coefficient());
            SetNumber(*statistics, "Standardized Test Statistic", row[4], procedure.Coefficient());
            SetNumber(*statistics, "Sig. (1-sided test)", row[5], procedure.Significance());
            SetNumber(*statistics, "Adjusted Sig. (1-sided test)", row[6], procedure.Significance());
        } else {
            SetNumber(*statistics, "Sig. (2-sided test)", row[5], procedure.Significance());
            SetNumber(*statistics, "Adjusted Sig. (2-sided test)", row[6], procedure.Significance());
        }
    }
    if (const char* note = SubsetStatisticNote(testType); note && !rows.empty())
        statistics->Category(BpString("Test Statistic", true))
            ->Note(BpAnnotation(BpString(note, true).Replicate(), -1, false));
}
