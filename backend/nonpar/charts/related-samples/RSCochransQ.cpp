// The Cochran's Q stacked bars: each row of the table is a related field.
#include "RSCochransQ.h"

#include "CFProcCustom.h"
#include "NOPRChartUtil.h"
#include "QUOR_DataSource.h"

RSCochransQ::RSCochransQ(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                         const NOPROutputStats::HTRCochransQ* record)
    : NOPRStackedRecordChart(dictionary, container, record, "Related-Samples Cochran's Q Test") {}

// A row name is the position of its field; one that names no field with a
// variable is shown as it stands.
std::string RSCochransQ::seriesLabel(const std::string& rowName) {
    const int index = String2Integer(rowName);
    const NOPRSplitResults* results = container();
    if (results && index >= 0 && static_cast<size_t>(index) < results->fFieldInfos.size()) {
        const FieldInfo* field = results->fFieldInfos[static_cast<size_t>(index)].get();
        if (field && field->fVariable) return field->fVariable->GetPreferredLabel();
    }
    return rowName;
}

std::string RSCochransQ::categoryText(const std::string& columnName, bool escaped) {
    return escaped ? escapeXml(columnName) : columnName;
}

// The bars of related fields need no legend title.
void RSCochransQ::editTemplate(std::string& text) {
    if (text.find("LegendLabel") != std::string::npos) replaceToken(text, "LegendLabel", "");
}
