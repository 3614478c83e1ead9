// The median test's box plot.
#include "IMedian.h"

#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"

IMedian::IMedian(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                 const NOPROutputStats::HTIMedian* record)
    : Boxplot(dictionary, container) {
    setTitle(lookUpText(dictionary, "Independent-Samples Median Test"));
    if (record) {
        setBoxPlotInfo(&record->fBoxPlotInfo);
        setCondition(&record->fCondition);
    }
}

// A horizontal line at the grand median inside the graph, and right above the
// graph, at its right edge, a label frame that names it with its value: there
// it covers none of the boxes, which may reach any height of the plot. The
// value gets one decimal more than the test field shows; a date is written as
// one, and its line stands on the host's date scale, as the boxes do.
void IMedian::editTemplate(std::string& text) {
    const BoxPlotInfo* info = boxPlotInfo();
    if (!info) return;
    const FieldInfo* field = testField();
    const QUOR_Variable* variable = field ? field->fVariable : nullptr;
    const int type = variable ? variable->GetFormat().GetType() : QUOR_Format::F;
    const int decimals = variable ? variable->GetFormat().GetDecimals() + 1 : 2;
    const bool isDate = IsDateFormatType(type);
    const std::string median = escapeXml(isDate ? formatValue(info->fGrandMedian, variable)
                                                : formatNumber(info->fGrandMedian, 40, decimals));
    const std::string lineAt =
        isDate ? formatNumber(NumericFormatCFToStat(info->fGrandMedian, type), 40, 0) : median;

    const std::string graphEnd = "</graph>";
    insertBefore(text, graphEnd, "<lineGuide y=\"" + lineAt + "\"/>");
    const size_t at = text.find(graphEnd);
    if (at == std::string::npos) return;
    text.insert(at + graphEnd.size(),
                "<labelFrame><location method=\"sizeToContent\" part=\"width\"/>"
                "<location method=\"attach\" part=\"top\" target=\"graph1\"/>"
                "<location method=\"same\" part=\"right\" target=\"graph1\"/><label><text>" +
                    escapeXml(lookUpText(dictionary(), "Grand Median").toUTF8()) + " = " + median +
                    "</text></label></labelFrame>");
}
