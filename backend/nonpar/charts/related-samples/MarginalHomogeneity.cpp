// The marginal homogeneity facet bar chart.
#include "MarginalHomogeneity.h"

#include <climits>

#include "ChartString.h"
#include "FacSTDictionary.h"
#include "FacetBarGrid.h"
#include "NOPRChartUtil.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

struct MarginalHomogeneity::Data : FacetBarGrid {
    using FacetBarGrid::FacetBarGrid;
};

MarginalHomogeneity::MarginalHomogeneity(const NOPRSplitResults* container,
                                         const CategoryComparison* comparison,
                                         FacSTDictionary* dictionary)
    : fData(std::make_unique<Data>(container, comparison, dictionary)) {}

MarginalHomogeneity::~MarginalHomogeneity() = default;

namespace {

// Relabels the category positions of a panel variable with the field's value
// labels, or its values where a label is missing.
void RelabelField(XGraph& graph, const char* name, const FieldInfo& field) {
    XVariable variable = graph.getVariable(name, 0);
    variable.setQUORVariable(field.fVariable);
    variable.setFormatBasedOnQUORVariable(field.fVariable);
    for (const FieldValue& value : field.fValues) {
        const ChartString key = ChartString().assignInteger(value.fIndex);
        const OBS* data = value.fValue.GetObsValue();
        if (value.fLabel.empty() && data)
            variable.addRelabel(key, *data);
        else
            variable.addRelabel(key, ChartString(value.fLabel));
    }
}

// Only observed counts are drawn: no legend of observed against
// hypothesized, and the tooltip keeps its observed value alone.
void KeepObservedOnly(std::string& text) {
    if (text.find("<legend") != std::string::npos && text.find("</legend>") != std::string::npos)
        eraseElement(text, "<legend", "</legend>");
    const size_t firstMapping = text.find("<tokenMapping");
    if (firstMapping == std::string::npos) return;
    const size_t secondMapping = text.find("<tokenMapping", firstMapping + 1);
    if (secondMapping == std::string::npos) return;
    const size_t end = text.find("/>", secondMapping);
    if (end != std::string::npos) text.erase(secondMapping, end + 2 - secondMapping);
}

}  // namespace

int MarginalHomogeneity::fillData(VarDataProcessor& processor) {
    Data& d = *fData;
    d.addColumns(processor, false);
    // One data row per cell of the table, row by row; the diagonal shows its
    // count as text, the other cells as a bar.
    size_t r = 0;
    const auto& rows = d.comparison->fTable.fRows;
    for (size_t i = 0; i < rows.size(); ++i) {
        for (size_t j = 0; j < rows[i].size(); ++j) {
            const double count = rows[i][j];
            processor.SetVariableValue(d.source, d.row, r, static_cast<double>(i));
            processor.SetVariableValue(d.source, d.column, r, static_cast<double>(j));
            processor.SetVariableValue(d.source, d.category, r, 0.0);
            processor.SetVariableValue(d.source, i == j ? d.cellText : d.cellValue, r, count);
            processor.SetVariableValue(d.source, d.observedTooltip, r, count);
            ++r;
        }
    }
    return r > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(r);
}

bool MarginalHomogeneity::draw(const std::string& splitLabel, bool splitActive) {
    Data& d = *fData;
    if (!d.container || !d.comparison) return false;

    VarDataProcessor processor;
    if (fillData(processor) == 0) return false;

    ChartSteps steps = d.steps("Related-Samples Marginal Homogeneity Test", &processor);
    const std::string observed = escapeXml(lookUpText(d.dictionary, "Observed").toUTF8());
    steps.addTemplateEdit([observed](std::string& text) {
        replaceToken(text, "tooltipText", observed + "=$[0]$");
        KeepObservedOnly(text);
    });
    const FieldInfo* rowField = d.rowField();
    const FieldInfo* columnField = d.columnField();
    steps.addDocumentEdit([rowField, columnField](XDocument&, XGraph& graph) {
        if (rowField && rowField->fVariable) RelabelField(graph, "Row", *rowField);
        if (columnField && columnField->fVariable) RelabelField(graph, "Column", *columnField);
    });
    return drawChart(steps, splitLabel, splitActive);
}
