// The marginal homogeneity facet bar chart.
#include "MarginalHomogeneity.h"

#include <climits>

#include "ChartString.h"
#include "FacSTDictionary.h"
#include "NOPRChartUtil.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

struct MarginalHomogeneity::Data {
    const NOPRSplitResults* container = nullptr;
    const CategoryComparison* comparison = nullptr;
    FacSTDictionary* dictionary = nullptr;
    const std::string source = "graphSource";
    const std::string cellText = "CellText";
    const std::string column = "Column";
    const std::string row = "Row";
    const std::string category = "Category";
    const std::string cellValue = "CellValue";
    const std::string observedTooltip = "ObservedTooltip";
};

MarginalHomogeneity::MarginalHomogeneity(const NOPRSplitResults* container,
                                         const CategoryComparison* comparison,
                                         FacSTDictionary* dictionary)
    : fData(std::make_unique<Data>()) {
    fData->container = container;
    fData->comparison = comparison;
    fData->dictionary = dictionary;
}

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
        if (value.fLabel.empty() && data) variable.addRelabel(key, *data);
        else variable.addRelabel(key, ChartString(value.fLabel));
    }
}

}  // namespace

int MarginalHomogeneity::fillData(VarDataProcessor& processor) {
    Data& d = *fData;
    processor.AddDataSource(d.source, 0);
    for (const std::string* variable :
         {&d.cellText, &d.column, &d.row, &d.category, &d.cellValue, &d.observedTooltip})
        processor.AddVariable(d.source, *variable, nullptr);

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

    std::string text = XDocument::fetchTemplateFile("FacetBarChart.viztemplate");
    if (text.empty()) return false;

    const ChartString title = lookUpText(d.dictionary, "Related-Samples Marginal Homogeneity Test");
    replaceToken(text, "TitleText", escapeXml(title.toUTF8()));

    // A negative position wraps to a large unsigned one and finds nothing.
    const FieldInfo* rowField = d.container->FieldInfoAt(static_cast<unsigned>(d.comparison->fRowField));
    const FieldInfo* columnField = d.container->FieldInfoAt(static_cast<unsigned>(d.comparison->fColumnField));

    // The columns are the second field's categories, the rows the first's.
    if (columnField && columnField->fVariable && text.find("Facet1Text") != std::string::npos)
        replaceToken(text, "Facet1Text",
                     templateLabel(columnField->fVariable));
    if (rowField && rowField->fVariable && text.find("Facet2Text") != std::string::npos)
        replaceToken(text, "Facet2Text", templateLabel(rowField->fVariable));

    replaceToken(text, "tooltipText", escapeXml(lookUpText(d.dictionary, "Observed").toUTF8()) + "=$[0]$");

    // Only observed counts are drawn: no legend of observed against
    // hypothesized, and the tooltip keeps its observed value alone.
    if (text.find("<legend") != std::string::npos && text.find("</legend>") != std::string::npos)
        eraseElement(text, "<legend", "</legend>");
    const size_t firstMapping = text.find("<tokenMapping");
    if (firstMapping != std::string::npos) {
        const size_t secondMapping = text.find("<tokenMapping", firstMapping + 1);
        if (secondMapping != std::string::npos) {
            const size_t end = text.find("/>", secondMapping);
            if (end != std::string::npos) text.erase(secondMapping, end + 2 - secondMapping);
        }
    }

    XDocument document(text);
    document.setEditor(2);
    document.setLanguage();
    document.SetChartData(&processor);
    XGraph& graph = document.getExternalGraph();

    // The diagonal's count is written after "Observed Frequency = ".
    const ChartTranscoder transcoder("CP1252");
    ChartString prefix = transcoder.transcode(d.dictionary ? d.dictionary->LookUp("ObservedFrequency")
                                                           : std::string("ObservedFrequency"));
    prefix.replaceSubstring(transcoder.transcode("\\n"), ChartString("\n"));
    prefix.append(u' ');
    graph.getVariable("celltext", 0).SetFormatPrefix(prefix);

    graph.setTitle(title);
    if (!splitLabel.empty()) graph.setSubtitle(ChartString(splitLabel));

    if (rowField && rowField->fVariable) RelabelField(graph, "Row", *rowField);
    if (columnField && columnField->fVariable) RelabelField(graph, "Column", *columnField);

    document.SetDescription(chartDescription(title, splitLabel, splitActive));
    document.SendChart(true, false, false);
    return true;
}
