// The McNemar facet bar chart.
#include "RSMcNemarChangeTestView.h"

#include <vector>

#include "ChartString.h"
#include "FacSTDictionary.h"
#include "FacetBarGrid.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

struct RSMcNemarChangeTestView::Data : FacetBarGrid {
    using FacetBarGrid::FacetBarGrid;
    unsigned int nextRow = 0;  // the next data row to write
};

RSMcNemarChangeTestView::RSMcNemarChangeTestView(const NOPRSplitResults* container,
                                                 const CategoryComparison* comparison,
                                                 FacSTDictionary* dictionary)
    : fData(std::make_unique<Data>(container, comparison, dictionary)) {}

RSMcNemarChangeTestView::~RSMcNemarChangeTestView() = default;

namespace {

// The counts of cell (r, c): the observed count and, off the diagonal, the
// count expected under no change, the mean of the cell and its mirror cell
// (c, r). A table without the mirror cell gives no expected count.
std::vector<double> CellValues(const ValueTable& table, size_t r, size_t c) {
    const auto& rows = table.fRows;
    if (r >= rows.size() || c >= rows[r].size()) return {};
    const double observed = rows[r][c];
    if (r == c) return {observed};
    if (c >= rows.size() || r >= rows[c].size()) return {observed};
    return {observed, (observed + rows[c][r]) * 0.5};
}

// The text of a list of a field's values: each value's category label, or,
// for a value outside the field's categories, the next entry of the field's
// list of such values (the value as the test named it), joined by ", ". The
// cursor into that list goes on across the field's lists. A value without
// such an entry is left out: its position is no value of the data.
std::string CategoryText(const std::vector<double>& values, const FieldInfo& field,
                         const std::vector<std::string>& notInCategories, size_t& nextNotInCategories) {
    std::string text;
    for (double number : values) {
        const int position = TruncateToInt(number);
        std::string name;
        if (position >= 0 && static_cast<size_t>(position) < field.fValues.size()) {
            const FieldValue& value = field.fValues[static_cast<size_t>(position)];
            name = value.fLabel.empty() ? value.fValue.GetStringValue() : value.fLabel;
        } else if (nextNotInCategories < notInCategories.size()) {
            name = notInCategories[nextNotInCategories++];
        }
        if (name.empty()) continue;
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

// Relabels the two panel positions of a field: 0 the success categories, 1
// the failure categories.
void RelabelSuccessFail(XVariable& variable, const FieldInfo& field, const std::vector<double>& success,
                        const std::vector<double>& fail,
                        const std::vector<std::string>& notInCategories) {
    if (success.empty() || fail.empty()) return;
    size_t next = 0;
    const std::string successText = CategoryText(success, field, notInCategories, next);
    const std::string failText = CategoryText(fail, field, notInCategories, next);
    variable.addRelabel(0u, ChartString(successText));
    variable.addRelabel(1u, ChartString(failText));
}

}  // namespace

void RSMcNemarChangeTestView::writeCell(VarDataProcessor& processor, size_t r, size_t c, int kind) {
    Data& d = *fData;
    const std::vector<double> values = CellValues(d.comparison->fTable, r, c);
    const bool diagonal = r == c;
    const size_t row = d.nextRow;
    processor.SetVariableValue(d.source, d.row, row, static_cast<double>(r));
    processor.SetVariableValue(d.source, d.column, row, static_cast<double>(c));
    processor.SetVariableValue(d.source, d.category, row, static_cast<double>(kind));
    if (diagonal) {
        processor.SetStringVariableValue(d.source, d.cellValue, row, "");
        if (!values.empty()) processor.SetVariableValue(d.source, d.cellText, row, values[0]);
    } else {
        const size_t which = kind == 0 ? 0 : 1;
        if (which < values.size()) processor.SetVariableValue(d.source, d.cellValue, row, values[which]);
        processor.SetStringVariableValue(d.source, d.cellText, row, "");
    }
    processor.SetVariableValue(d.source, d.observedTooltip, row, values.empty() ? 0.0 : values[0]);
    // The diagonal has no expected count (0); an off-diagonal cell without
    // a mirror cell has an unknown one and leaves the tooltip value empty.
    if (values.size() >= 2)
        processor.SetVariableValue(d.source, d.hypothesizedTooltip, row, values[1]);
    else if (diagonal)
        processor.SetVariableValue(d.source, d.hypothesizedTooltip, row, 0.0);
    ++d.nextRow;
}

unsigned int RSMcNemarChangeTestView::fillData(VarDataProcessor& processor) {
    Data& d = *fData;
    d.addColumns(processor, true);

    const ValueTable& table = d.comparison->fTable;
    for (size_t r = 0; r < table.fRows.size(); ++r) {
        for (size_t c = 0; c < table.fRows[r].size(); ++c) {
            writeCell(processor, r, c, 0);
            // The expected bar needs the mirror cell.
            if (r != c && CellValues(table, r, c).size() >= 2) writeCell(processor, r, c, 1);
        }
    }
    return d.nextRow;
}

bool RSMcNemarChangeTestView::draw(const std::string& splitLabel, bool splitActive) {
    Data& d = *fData;
    if (!d.container || !d.comparison) return false;

    VarDataProcessor processor;
    if (fillData(processor) == 0) return false;

    ChartSteps steps = d.steps("Related-Samples McNemar Change Test", &processor);
    const ChartString observed = lookUpText(d.dictionary, "Observed");
    const ChartString hypothesized = lookUpText(d.dictionary, "Hypothesized");
    steps.addTemplateEdit([&](std::string& text) {
        if (text.find("tooltipText") != std::string::npos) {
            replaceToken(text, "tooltipText",
                         escapeXml(observed.toUTF8()) + "=$[0]$ &#10;" +
                             escapeXml(hypothesized.toUTF8()) + "=$[1]$");
        }
        // Observed and expected bars are told apart by fill pattern unless
        // colours alone are wanted.
        if (!XDocument::useColorsOnly()) {
            const size_t color = text.find("<color");
            if (color != std::string::npos) text.replace(color + 1, 5, "pattern");
        }
    });
    steps.addDocumentEdit([&](XDocument&, XGraph& graph) {
        relabelFields(graph);
        XVariable category = graph.getVariable("category", 0);
        category.addRelabel(0u, observed);
        category.addRelabel(1u, hypothesized);
    });
    return drawChart(steps, splitLabel, splitActive);
}

// The panels of both fields: 0 their success categories, 1 their failure
// categories; only when both fields have variables.
void RSMcNemarChangeTestView::relabelFields(XGraph& graph) {
    const Data& d = *fData;
    const FieldInfo* rowInfo = d.rowField();
    const FieldInfo* columnInfo = d.columnField();
    const QUOR_Variable* rowVariable = rowInfo ? rowInfo->fVariable : nullptr;
    const QUOR_Variable* columnVariable = columnInfo ? columnInfo->fVariable : nullptr;
    if (!rowVariable || !columnVariable) return;
    const CategoryComparison& comparison = *d.comparison;
    XVariable rowVar = graph.getVariable("Row", 0);
    rowVar.setQUORVariable(rowVariable);
    rowVar.setFormatBasedOnQUORVariable(rowVariable);
    RelabelSuccessFail(rowVar, *rowInfo, comparison.fRowSuccess, comparison.fRowFail,
                       comparison.fRowValsNotInCategories);
    XVariable columnVar = graph.getVariable("Column", 0);
    RelabelSuccessFail(columnVar, *columnInfo, comparison.fColumnSuccess, comparison.fColumnFail,
                       comparison.fColValsNotInCategories);
}
