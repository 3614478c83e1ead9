// The histogram of the differences between two related fields.
#include "RSWilcoxonPairSignedRank.h"

#include "CFMetaData.h"
#include "ChartString.h"
#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

struct RSWilcoxonPairSignedRank::Data {
    FacSTDictionary* dictionary = nullptr;
    const NOPRSplitResults* container = nullptr;
    const DifferenceCounts* differences = nullptr;
    const NOPROutputStats::BaseHypothesisTest* record = nullptr;
    int testType = TestType::None;
};

RSWilcoxonPairSignedRank::RSWilcoxonPairSignedRank(FacSTDictionary* dictionary,
                                                   const NOPRSplitResults* container,
                                                   const DifferenceCounts* differences,
                                                   const NOPROutputStats::BaseHypothesisTest* record,
                                                   int testType)
    : fData(std::make_unique<Data>()) {
    fData->dictionary = dictionary;
    fData->container = container;
    fData->differences = differences;
    fData->record = record;
    fData->testType = testType;
}

RSWilcoxonPairSignedRank::~RSWilcoxonPairSignedRank() = default;

namespace {

const char* const kSource = "graphSource";

// The position of a related field: the first value of a condition entry,
// truncated; -1 when the entry has no value.
int FieldPosition(const IndexedValues& entry) {
    return entry.fValues.empty() ? -1 : TruncateToInt(entry.fValues.front());
}

const QUOR_Variable* VariableAt(const NOPRSplitResults& container, int position) {
    // A negative position wraps to a large unsigned one and finds nothing.
    const FieldInfo* field = container.FieldInfoAt(static_cast<unsigned>(position));
    return field ? field->fVariable : nullptr;
}

std::string FieldLabel(const CFMetaData& metaData, int position) {
    const CFField* field = metaData.GetField(position);
    return field ? field->GetLabel() : std::string();
}

// "Positive Differences", a line break and the count in parentheses.
ChartString CountLabel(const FacSTDictionary* dictionary, const char* key, int count) {
    ChartString label = lookUpText(dictionary, key);
    label.append(u'\n').append("(").appendInteger(count).append(")");
    return label;
}

}  // namespace

bool RSWilcoxonPairSignedRank::draw(const std::string& splitLabel, bool splitActive) {
    Data& d = *fData;
    if (!d.container || !d.differences) return false;

    VarDataProcessor processor;
    processor.AddDataSource(kSource, 0);
    VarDataProcessor::Handle count;
    VarDataProcessor::Handle value;
    processor.AddVariable(kSource, "count", &count);
    processor.AddVariable(kSource, "value", &value);
    // Row 1 of the distribution holds the counts, row 2 the differences, bar
    // by bar. Rows of different lengths do not pair up into bars: no chart.
    const auto& rows = d.differences->fDistribution.fRows;
    if (rows.size() < 2) return false;
    const size_t bars = rows[0].size();
    if (bars == 0 || rows[1].size() != bars) return false;
    for (size_t i = 0; i < bars; ++i) {
        processor.SetVariableValue(count, i, rows[0][i]);
        processor.SetVariableValue(value, i, rows[1][i]);
    }

    // The condition names the first related field in its first entry and the
    // second in its second; the axis shows the second minus the first.
    const QUOR_Variable* variableA = nullptr;
    const QUOR_Variable* variableB = nullptr;
    const char* titleKey = d.testType == TestType::RSign ? "Related-Samples Sign Test"
                           : d.testType == TestType::RWilcoxonSignedRanks
                               ? "Related-Samples Wilcoxon Signed Rank Test"
                               : "";
    ChartSteps steps;
    steps.templateFile = "NPARWilcoxonPairSignedRank.viztemplate";
    steps.title = *titleKey ? lookUpText(d.dictionary, titleKey) : ChartString();
    steps.data = &processor;
    steps.editTemplate = [&](std::string& text) {
        if (text.find("LegendLabel") != std::string::npos) {
            ChartString legend = lookUpText(d.dictionary, "Number of Ties = ^1");
            legend.replaceSubstring(ChartString("^1"),
                                    ChartString().assignInteger(d.differences->fTies));
            replaceToken(text, "LegendLabel", escapeXml(legend.toUTF8()));
        }
        const std::vector<IndexedValues>* parameters =
            d.record ? &d.record->fCondition.fParameters : nullptr;
        if (text.find("XAxis Text") != std::string::npos && parameters && parameters->size() >= 2) {
            const int a = FieldPosition((*parameters)[0]);
            const int b = FieldPosition((*parameters)[1]);
            variableA = VariableAt(*d.container, a);
            variableB = VariableAt(*d.container, b);
            if (d.container->fMetaData) {
                std::string axis = FieldLabel(*d.container->fMetaData, b) + " - " +
                                   FieldLabel(*d.container->fMetaData, a);
                // Both fields dates or times of one unit: "(days)".
                const char* unit = variableA && variableB ? SpanUnitOf({variableA, variableB}) : nullptr;
                if (unit) axis += std::string(" (") + unit + ")";
                replaceToken(text, "XAxis Text", escapeXml(ChartString(axis).toUTF8()));
            }
        }
        replaceToken(text, "YAxis Text", escapeXml(lookUpText(d.dictionary, "Frequency").toUTF8()));
    };
    steps.editDocument = [&](XDocument&, XGraph& graph) {
        if (!variableA) return;
        XVariable type = graph.getVariable("type", 0);
        type.addRelabel(ChartString("0positive"),
                        CountLabel(d.dictionary, "Positive Differences", d.differences->fPositive));
        type.addRelabel(ChartString("1negative"),
                        CountLabel(d.dictionary, "Negative Differences", d.differences->fNegative));
        // The differences print like the fields only when both print alike,
        // and never as dates: a difference of two dates is a number of days.
        if (variableB && variableB->GetFormat() == variableA->GetFormat() &&
            !IsDateFormatType(variableA->GetFormat().GetType())) {
            XVariable differences = graph.getVariable("value", 0);
            differences.setQUORVariable(variableA);
            differences.setFormatBasedOnQUORVariable(variableA);
        }
    };
    return drawChart(steps, splitLabel, splitActive);
}
