// A chart of the output document: what the chart service sent for it, namely
// the template it was made from, its texts, its data table and the final XML
// of the chart document. The writers read it.
#pragma once

#include <string>
#include <vector>

#include "VarDataProcessor.h"

namespace npar {

struct ChartModel {
    std::string templateName;  // the template file the chart was made from
    std::string title;
    std::string subtitle;
    std::string footnote;
    std::string description;
    // A copy of the chart's data sources when it was sent (none when the
    // chart was given no data).
    std::vector<ChartDataSource> data;
    std::string document;  // the chart document's XML (UTF-8, no declaration)
};

// The chart as plain text: "Chart: TITLE", its subtitle and description, and
// a compact listing of the first rows of every data source. Lines end with a
// line feed and carry no indentation of their own beyond the listing's.
std::string WriteChartText(const ChartModel& chart);
// The chart as an HTML fragment: title, subtitle, the note (when not empty:
// why the chart is shown this way) and the first rows of its data in a small
// table. Every text is escaped.
std::string WriteChartHtml(const ChartModel& chart, const std::string& note = {});

}  // namespace npar
