// The pairwise comparisons network chart.
#include "PairwiseContrastsChart.h"

#include <cfloat>
#include <limits>

#include "CFMetaData.h"
#include "FacSTDictionary.h"
#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

namespace {

constexpr const char* kNodes = "nodeSource_1";
constexpr const char* kEdges = "edgeSource_1";
constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();

// A comparison's sample as the node it joins. The comparisons name their
// samples by sample number, as the pairwise table reads them, and the nodes
// are those sample numbers: a number that is no node joins nothing (NaN).
double NodeOf(const std::vector<double>& nodes, double sample) {
    const int number = TruncateToInt(sample);
    for (double node : nodes)
        if (TruncateToInt(node) == number) return node;
    return kNoNumber;
}

// A node's label: its name, a line feed and its statistic with two decimals,
// or as many more as the nodes' smallest statistic needs to show three
// digits (the median test's sample medians of data measured in millionths).
ChartString NodeLabel(const std::string& name, const std::vector<double>& statistics, size_t i) {
    ChartString label(name);
    if (i < statistics.size())
        label.append(u'\n').append(
            formatNumber(statistics[i], 40, DecimalsForSmallValues(statistics, 2)));
    return label;
}

// The footnote's key: the statistic the nodes of the test show, "of" the
// grouping field when the samples are its values.
const char* FootnoteKey(int testType, bool byGroups) {
    switch (testType) {
        case TestType::RCochransQ:
            return "Each node shows the sample number of successes.";
        case TestType::IMedian:
            return byGroups ? "Each node shows the sample median of ^1."
                            : "Each node shows the sample median.";
        default:
            return byGroups ? "Each node shows the sample average rank of ^1."
                            : "Each node shows the sample average rank.";
    }
}

}  // namespace

struct PairwiseContrastsChart::Data {
    const NOPRSplitResults* container = nullptr;
    const PairwiseInfo* pairwise = nullptr;
    const FacSTDictionary* dictionary = nullptr;
    int testType = TestType::None;

    const std::vector<double>* nodes() const {
        return pairwise->fInfo.fRows.empty() ? nullptr : &pairwise->fInfo.fRows[0];
    }
    const std::vector<double>* statistics() const {
        return pairwise->fInfo.fRows.size() < 2 ? nullptr : &pairwise->fInfo.fRows[1];
    }
};

PairwiseContrastsChart::PairwiseContrastsChart(const NOPRSplitResults* container,
                                               const PairwiseInfo* pairwise,
                                               const FacSTDictionary* dictionary, int testType)
    : fData(std::make_unique<Data>()) {
    fData->container = container;
    fData->pairwise = pairwise;
    fData->dictionary = dictionary;
    fData->testType = testType;
}

PairwiseContrastsChart::~PairwiseContrastsChart() = default;

std::vector<double> PairwiseContrastsChart::column(const std::string& name, bool raw) const {
    const ValueTable& content = fData->pairwise->fContent;
    size_t c = 0;
    while (c < content.fColumnNames.size() && content.fColumnNames[c] != name) ++c;
    if (c == content.fColumnNames.size()) return {};

    static const std::vector<double> kNone;
    const std::vector<double>* nodes = fData->nodes();
    std::vector<double> values;
    values.reserve(content.fRows.size());
    for (const std::vector<double>& row : content.fRows) {
        const double cell = c < row.size() ? row[c] : kNoNumber;
        values.push_back(raw ? cell : NodeOf(nodes ? *nodes : kNone, cell));
    }
    return values;
}

// Nodes are the sample numbers; edges join the node values of the two samples
// of each comparison. An edge's weight grows as its adjusted significance
// falls; its type tells significant (1) from not (2).
void PairwiseContrastsChart::fillData(VarDataProcessor& processor) const {
    processor.AddDataSource(kNodes, 0);
    processor.AddDataSource(kEdges, 0);
    for (const char* variable : {"node", "facet1", "facet2"})
        processor.AddVariable(kNodes, variable, nullptr);
    for (const char* variable :
         {"from", "to", "weight", "weightInPopup", "type", "facet1", "facet2", "tooltip"})
        processor.AddVariable(kEdges, variable, nullptr);

    if (const std::vector<double>* nodes = fData->nodes()) {
        for (size_t i = 0; i < nodes->size(); ++i) {
            processor.SetVariableValue(kNodes, "node", i, (*nodes)[i]);
            processor.SetStringVariableValue(kNodes, "facet1", i, " ");
            processor.SetStringVariableValue(kNodes, "facet2", i, " ");
        }
    }

    const std::vector<double> from = column("Sample1", false);
    const std::vector<double> to = column("Sample2", false);
    const std::vector<double> adjusted = column("AdjSig", true);
    const double sigLevel = fData->container->fSigLevel;
    for (size_t j = 0; j < from.size(); ++j) {
        processor.SetVariableValue(kEdges, "from", j, from[j]);
        if (j < to.size()) processor.SetVariableValue(kEdges, "to", j, to[j]);
        if (j >= adjusted.size()) continue;
        const double adj = adjusted[j];
        const double weight = adj != 1.0 ? 1.0 / ((1.0 - adj) * (1.0 - adj)) : DBL_MAX;
        processor.SetVariableValue(kEdges, "weight", j, weight);
        processor.SetVariableValue(kEdges, "weightInPopup", j, adj);
        processor.SetVariableValue(kEdges, "type", j, adj < sigLevel ? 1.0 : 2.0);
    }
}

bool PairwiseContrastsChart::draw(const std::string& splitLabel, bool splitActive) {
    const NOPRSplitResults* container = fData->container;
    const PairwiseInfo* pairwise = fData->pairwise;
    if (!container || !pairwise) return false;

    VarDataProcessor processor;
    fillData(processor);

    // Independent-samples tests compare the values of a grouping field.
    const FieldInfo* grouping = container->FieldInfoAt(static_cast<unsigned int>(pairwise->fFieldIndex));
    const QUOR_Variable* variable = grouping ? grouping->fVariable : nullptr;
    const CFMetaData* meta = container->fMetaData.get();
    const CFField* groupingField = meta ? meta->GetField(pairwise->fFieldIndex) : nullptr;
    const bool byGroups = variable && groupingField;

    const FacSTDictionary* dictionary = fData->dictionary;
    ChartString title =
        lookUpText(dictionary, byGroups ? "Pairwise Comparisons of ^1" : "Pairwise Comparisons");
    ChartString footnote = lookUpText(dictionary, FootnoteKey(fData->testType, byGroups));
    if (byGroups) {
        const ChartString name(groupingField->GetLabel());
        const ChartString placeholder("^1");
        title.replaceSubstring(placeholder, name);
        footnote.replaceSubstring(placeholder, name);
    }

    ChartSteps steps;
    steps.templateFile = "GLMMPairwiseContrasts.viztemplate";
    steps.title = title;
    steps.titleOnGraph = false;
    steps.data = &processor;
    steps.editTemplate = [&](std::string& text) {
        // One network, no panels and no legend of the edge colours.
        eraseElement(text, "<faceting", "</faceting>");
        eraseElement(text, "<facetLayout", "</facetLayout>");
        eraseElement(text, "<legend", "</legend>");
        replaceToken(text, "TitleText", escapeXml(title.toUTF8()));
        // The edge labels are hidden: the edges' popups show the significance.
        insertBefore(text, "id=\"style7\"", " visible=\"false\" ");
        replaceToken(text, "FootnoteText", escapeXml(footnote.toUTF8()));
        insertBefore(text, "</graphLayoutStatistic>", "<move/>");
        insertBefore(text, "$[1]$",
                     escapeXml(lookUpText(dictionary, "Adj.Sig.").append(" = ").toUTF8()));
    };
    steps.editDocument = [&](XDocument&, XGraph& graph) {
        XVariable nodeVariable = graph.getVariable("node", 0);
        if (byGroups)
            labelGroupNodes(nodeVariable, variable, *groupingField);
        else
            labelFieldNodes(nodeVariable);
    };
    return drawChart(steps, splitLabel, splitActive);
}

// Nodes are keyed by their values, the sample numbers. A node is a position
// in the grouping field's values: its label is the value label at that
// position, as in the pairwise table, or the value itself when it has none.
void PairwiseContrastsChart::labelGroupNodes(XVariable& nodeVariable, const QUOR_Variable* variable,
                                             const CFField& groupingField) {
    static const std::vector<double> kNone;
    const std::vector<double>& nodes = fData->nodes() ? *fData->nodes() : kNone;
    const std::vector<double>* statistics = fData->statistics();
    nodeVariable.setQUORVariable(variable);
    nodeVariable.setFormatBasedOnQUORVariable(variable);
    const std::vector<CFValue> labels = groupingField.GetValueLabels();
    const std::vector<CFValue> values = groupingField.GetValues();
    for (size_t i = 0; i < nodes.size(); ++i) {
        const int position = TruncateToInt(nodes[i]);
        if (position < 0 || static_cast<size_t>(position) >= labels.size()) continue;
        std::string name = labels[static_cast<size_t>(position)].GetText();
        if (name.empty() && static_cast<size_t>(position) < values.size())
            name = values[static_cast<size_t>(position)].GetText();
        nodeVariable.addRelabel(ChartString().assignDouble(nodes[i], 16),
                                NodeLabel(name, statistics ? *statistics : kNone, i));
    }
}

// A related-samples node is a field: named by the field's variable.
void PairwiseContrastsChart::labelFieldNodes(XVariable& nodeVariable) {
    const std::vector<double>* statistics = fData->statistics();
    if (!statistics || !fData->nodes()) return;
    const std::vector<double>& nodes = *fData->nodes();
    for (size_t i = 0; i < nodes.size(); ++i) {
        const int index = TruncateToInt(nodes[i]);
        const FieldInfo* sample =
            index < 0 ? nullptr : fData->container->FieldInfoAt(static_cast<unsigned int>(index));
        if (!sample || !sample->fVariable) continue;
        nodeVariable.addRelabel(ChartString().assignDouble(nodes[i], 16),
                                NodeLabel(sample->fVariable->GetPreferredLabel(), *statistics, i));
    }
}
