// The related-samples rank histograms.
#include "RSHistogram.h"

#include <algorithm>
#include <climits>
#include <set>
#include <vector>

#include "ChartString.h"
#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

struct RSHistogram::Data {
    FacSTDictionary* dictionary = nullptr;
    const NOPRSplitResults* container = nullptr;
    const NOPROutputStats::HTRKendallsCoefficient* kendall = nullptr;
    const NOPROutputStats::HTRFriedmansTwoWayByRanks* friedman = nullptr;
    // The fields drawn (a field listed twice counts once) and the mean rank
    // of every entry, in the record's order.
    std::set<int> groupIndices;
    std::vector<double> meanRanks;

    const NOPROutputStats::BaseHypothesisTest* record() const {
        if (kendall) return kendall;
        return friedman;
    }
    const std::vector<GroupInfo>* variables() const {
        if (kendall) return &kendall->fVariables;
        if (friedman) return &friedman->fVariables;
        return nullptr;
    }
};

namespace {

const char* const kSource = "graphSource";

}  // namespace

RSHistogram::RSHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                         const NOPROutputStats::HTRKendallsCoefficient* record)
    : fData(std::make_unique<Data>()) {
    fData->dictionary = dictionary;
    fData->container = container;
    fData->kendall = record;
}

RSHistogram::RSHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                         const NOPROutputStats::HTRFriedmansTwoWayByRanks* record)
    : fData(std::make_unique<Data>()) {
    fData->dictionary = dictionary;
    fData->container = container;
    fData->friedman = record;
}

RSHistogram::~RSHistogram() = default;

int RSHistogram::fillData(VarDataProcessor& processor) {
    Data& d = *fData;
    processor.AddDataSource(kSource, 0);
    for (const char* variable : {"COUNTS", "MEANS", "LABELNAME", "TYPES"})
        processor.AddVariable(kSource, variable, nullptr);

    const std::vector<GroupInfo>* variables = d.variables();
    if (!variables) return 0;
    size_t row = 0;
    for (const GroupInfo& group : *variables) {
        d.groupIndices.insert(group.fGroupIndex);
        d.meanRanks.push_back(group.fMeanOfRank);
        // A field's histogram is its counts and its ranks; any other shape
        // is not drawn.
        const auto& rows = group.fDistribution.fRows;
        if (rows.size() != 2) continue;
        for (size_t i = 0; i < rows[0].size(); ++i) {
            processor.SetVariableValue(kSource, "COUNTS", row, rows[0][i]);
            if (i < rows[1].size()) processor.SetVariableValue(kSource, "MEANS", row, rows[1][i]);
            processor.SetVariableValue(kSource, "LABELNAME", row, group.fMeanOfRank);
            processor.SetVariableValue(kSource, "TYPES", row, static_cast<double>(group.fGroupIndex));
            ++row;
        }
    }
    return row > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(row);
}

bool RSHistogram::draw(const std::string& splitLabel, bool splitActive) {
    Data& d = *fData;
    const NOPROutputStats::BaseHypothesisTest* record = d.record();
    if (!d.container || !record) return false;

    VarDataProcessor processor;
    if (fillData(processor) == 0) return false;

    ChartSteps steps;
    steps.templateFile = "NPARRelatedSamplesHistogram.viztemplate";
    steps.title = lookUpText(
        d.dictionary, d.kendall ? "Related-Samples Kendall's Coefficient of Concordance"
                                : "Related-Samples Friedman's Two-Way Analysis of Variance by Ranks");
    steps.data = &processor;
    steps.editTemplate = [&](std::string& text) { editTemplate(text, *record); };
    steps.editDocument = [&](XDocument&, XGraph& graph) { editDocument(graph); };
    return drawChart(steps, splitLabel, splitActive);
}

void RSHistogram::editTemplate(std::string& text, const NOPROutputStats::BaseHypothesisTest& record) {
    const FacSTDictionary* dictionary = fData->dictionary;
    replaceToken(text, "xTitle", escapeXml(lookUpText(dictionary, "Frequency").toUTF8()));
    const std::string rank = escapeXml(lookUpText(dictionary, "Rank").toUTF8());
    replaceToken(text, "yTitle0", rank);
    replaceToken(text, "yTitle1", rank);
    // The panels are the related fields themselves: no line names a grouping
    // field above them.
    eraseElement(text, "<label id=\"subLabel\">", "</label>");
    // The panels stand in the order the test lists its fields.
    const auto& parameters = record.fCondition.fParameters;
    if (!parameters.empty() && parameters.front().fIndex == 0) {
        std::string order;
        for (size_t i = 0; i < parameters.front().fValues.size(); ++i) {
            if (i > 0) order += ";";
            order +=
                formatValue(parameters.front().fValues[i], static_cast<const QUOR_Format*>(nullptr));
        }
        replaceToken(text, "categoryOrder1", escapeXml(order));
    }
}

// More than three panels widen the chart, up to three standard widths; each
// panel is named by its field, each mean rank line by its value.
void RSHistogram::editDocument(XGraph& graph) {
    const Data& d = *fData;
    const size_t fields = d.groupIndices.size();
    if (fields > 3) {
        graph.setOuterFrameWidth(std::min(0.5 * static_cast<double>(fields), 3.0));
        graph.setOuterFrameHeight(1.2);
    }
    XVariable types = graph.getVariable("types", 0);
    for (const int index : d.groupIndices) {
        // A negative position wraps to a large unsigned one and finds nothing.
        const FieldInfo* field = d.container->FieldInfoAt(static_cast<unsigned>(index));
        if (!field || !field->fVariable) continue;
        types.addRelabel(ChartString().assignInteger(index),
                         ChartString(field->fVariable->GetPreferredLabel()));
    }
    ChartString prefix = lookUpText(d.dictionary, "Mean Rank");
    prefix.append(" = ");
    XVariable labels = graph.getVariable("labelname", 0);
    for (const double meanRank : d.meanRanks) {
        ChartString label = prefix;
        label.append(formatNumber(meanRank, 40, 2));
        labels.addRelabel(ChartString().assignDouble(meanRank, 16), label);
    }
}
