// A chart item listed instead of drawn: its texts and the first rows of its
// data, as the text writer shows every chart and the HTML writer shows a
// chart it cannot draw.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "OutputChart.h"

namespace npar {

// The chart as plain text: "Chart: TITLE", its subtitle, its description
// when it says more than the title and subtitle, and
// a compact listing of the first rows of every data source. Lines end with a
// line feed and carry no indentation of their own beyond the listing's.
std::string WriteChartText(const ChartModel& chart);
// The chart as an HTML fragment: title, subtitle, the note (when not empty:
// why the chart is shown this way) and the first rows of its data in a small
// table. Every text is escaped.
std::string WriteChartHtml(const ChartModel& chart, const std::string& note = {});

// A number of a chart's data as the listings show it: "." for the
// system-missing value, "∞" (or "-∞") for an infinite one or the largest
// double, which charts hold in its place (the edge weight 1 / (1 - p)² of
// p = 1), otherwise 15 significant digits, the most a double holds for
// every decimal, so that a value computed as 68.80000000000001 reads 68.8
// (the JSON output keeps the exact value).
std::string ListedNumber(double value);
// A number as the chart writes it when format, a chart's or its document's
// formatted column, is given (a date "01-JUL-2023", a time "08:30:00"),
// else, and for the system-missing value and infinities, as ListedNumber.
std::string FormattedNumber(double value, const ChartModel::FormattedColumn* format);
// What a listing calls a data source: "Data" for a chart's one graph source,
// "Nodes" and "Edges" for a network's, "Data ID" for any other.
std::string ListedSourceTitle(const ChartDataSource& source);
// What a listing says of the rows it leaves out: "1 more row", "2 more rows".
std::string MoreRows(size_t count);
// The columns of a data source that hold a value in some row (a number, or a
// text that is more than blanks), in their order: the listings leave out the
// columns a chart declares but never fills (a network's facet columns).
std::vector<const ChartColumn*> FilledColumns(const ChartDataSource& source);

// What the chart shows for a listed column's values, by the value as listed,
// or null when the chart does not relabel them; from `labels` (a chart's
// valueLabels, or those its document gives).
using ListedLabels = std::map<std::string, std::string>;
const ListedLabels* LabelsOf(const std::vector<ChartModel::ValueLabels>& labels,
                             const ChartDataSource& source, const ChartColumn& column);
// The name a listing gives a data column: the chart's title for it
// ("Frequency"), from `titles` (a chart's columnTitles, or those its document
// gives), else the column's own name.
std::string ListedColumnName(const std::vector<ChartModel::ColumnTitle>& titles,
                             const ChartDataSource& source, const ChartColumn& column);
// A cell as the listings write it, before a writer makes it fit its form:
// the value (FormattedNumber for a number), or in its place
// the label the chart draws for it ("Eastern district" for the chart's code
// 0), a long label cut with an ellipsis. Empty for a cell never written.
// A date column whose values are the middles of calendar bins (a histogram
// of dates over more than three months, binned by months, quarters or years)
// is listed by the bins' periods ("JAN 2023" rather than its middle day,
// 16-JAN-2023), with calendarMonths the months per bin.
std::string ListedCell(const ChartColumn& column, size_t row, const ListedLabels* labels,
                       const ChartModel::FormattedColumn* format = nullptr, int calendarMonths = 0);
// The months per bin when a day-based date column holds the middles of three
// or more calendar bins one after another; 0 otherwise.
int CalendarBinsOf(const ChartColumn& column, const ChartModel::FormattedColumn* format);

}  // namespace npar
