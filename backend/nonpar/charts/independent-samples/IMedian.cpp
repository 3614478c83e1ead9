// The median test's box plot.
#include "IMedian.h"

#include "NOPRChartUtil.h"
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
// value gets one decimal more than the test field shows.
void IMedian::editTemplate(std::string& text) {
    const BoxPlotInfo* info = boxPlotInfo();
    if (!info) return;
    const FieldInfo* field = testField();
    const int decimals = field && field->fVariable ? field->fVariable->GetFormat().GetDecimals() + 1 : 2;
    const std::string median = escapeXml(formatNumber(info->fGrandMedian, 40, decimals));

    const std::string graphEnd = "</graph>";
    insertBefore(text, graphEnd, "<lineGuide y=\"" + median + "\"/>");
    const size_t at = text.find(graphEnd);
    if (at == std::string::npos) return;
    text.insert(at + graphEnd.size(),
                "<labelFrame><location method=\"sizeToContent\" part=\"width\"/>"
                "<location method=\"attach\" part=\"top\" target=\"graph1\"/>"
                "<location method=\"same\" part=\"right\" target=\"graph1\"/><label><text>" +
                    escapeXml(lookUpText(dictionary(), "Grand Median").toUTF8()) + " = " + median +
                    "</text></label></labelFrame>");
}
