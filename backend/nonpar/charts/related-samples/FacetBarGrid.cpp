// The facet bar grid both related-samples category views draw.
#include "FacetBarGrid.h"

#include "FacSTDictionary.h"
#include "NOPRChartUtil.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

FacetBarGrid::FacetBarGrid(const NOPRSplitResults* container, const CategoryComparison* comparison,
                           FacSTDictionary* dictionary)
    : container(container), comparison(comparison), dictionary(dictionary) {}

// A negative position wraps to a large unsigned one and finds nothing.
const FieldInfo* FacetBarGrid::rowField() const {
    return container->FieldInfoAt(static_cast<unsigned>(comparison->fRowField));
}

const FieldInfo* FacetBarGrid::columnField() const {
    return container->FieldInfoAt(static_cast<unsigned>(comparison->fColumnField));
}

void FacetBarGrid::addColumns(VarDataProcessor& processor, bool withExpected) const {
    processor.AddDataSource(source, 0);
    for (const std::string* variable :
         {&cellText, &column, &row, &category, &cellValue, &observedTooltip})
        processor.AddVariable(source, *variable, nullptr);
    if (withExpected) processor.AddVariable(source, hypothesizedTooltip, nullptr);
}

ChartSteps FacetBarGrid::steps(const char* titleKey, const VarDataProcessor* data) const {
    ChartSteps steps;
    steps.templateFile = "FacetBarChart.viztemplate";
    steps.title = lookUpText(dictionary, titleKey);
    steps.data = data;
    const FieldInfo* rows = rowField();
    const FieldInfo* columns = columnField();
    const std::string title = escapeXml(steps.title.toUTF8());
    steps.editTemplate = [title, rows, columns](std::string& text) {
        replaceToken(text, "TitleText", title);
        // The columns are the second field's categories, the rows the first's.
        if (columns && columns->fVariable)
            replaceToken(text, "Facet1Text", templateLabel(columns->fVariable));
        if (rows && rows->fVariable) replaceToken(text, "Facet2Text", templateLabel(rows->fVariable));
    };
    const FacSTDictionary* strings = dictionary;
    steps.editDocument = [strings](XDocument&, XGraph& graph) {
        // The diagonal's count is written after "Observed Frequency = ".
        const ChartTranscoder transcoder("CP1252");
        ChartString prefix = transcoder.transcode(strings ? strings->LookUp("ObservedFrequency")
                                                          : std::string("ObservedFrequency"));
        prefix.replaceSubstring(transcoder.transcode("\\n"), ChartString("\n"));
        prefix.append(u' ');
        graph.getVariable("celltext", 0).SetFormatPrefix(prefix);
    };
    return steps;
}
