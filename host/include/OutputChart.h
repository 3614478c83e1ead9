// A chart of the output document: what the chart service sent for it, namely
// the template it was made from, its texts, its data table and the final XML
// of the chart document. The writers read it.
#pragma once

#include <map>
#include <string>
#include <string_view>
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

    // The texts the chart shows for a data column's values (a variable's
    // relabels: category 0 drawn as "Eastern district"), by the value as
    // the data listing writes it. Kept for a writer that lists the data
    // instead of drawing them, which gets no document.
    struct ValueLabels {
        std::string source;  // the data source's id
        std::string column;
        std::map<std::string, std::string> labels;
    };
    std::vector<ValueLabels> valueLabels;
    // What the chart calls a data column: the title of the axis that shows
    // it ("Frequency"), or the label of the variable that reads it; kept,
    // like the value labels, for a writer that gets no document.
    struct ColumnTitle {
        std::string source;  // the data source's id
        std::string column;
        std::string title;
    };
    std::vector<ColumnTitle> columnTitles;
    // The data columns whose numbers the chart shows as dates (seconds since
    // 1582-10-14 written as "01-JUL-2023") or clock times (seconds written
    // as "08:30:00"), with the format and its decimals (-1: as the format has
    // them); kept for a writer that gets no document.
    struct FormattedColumn {
        std::string source;
        std::string column;
        std::string format;
        int decimals = -1;
    };
    std::vector<FormattedColumn> formattedColumns;
    // The texts of the chart's label frames and guide lines, in the order the
    // document has them ("Observed Median = 69.6", "Too few runs"), each on
    // one line; kept, like the value labels, for a writer that gets no
    // document.
    std::vector<std::string> labels;
    // The box plots the chart draws: the data source, the column of the
    // values, the column that places a box (its category), and the column
    // of the outliers' labels (empty when they have none); kept for a writer
    // that lists the data, which gives each box's Tukey statistics instead of
    // the rows.
    struct BoxPlot {
        std::string source;
        std::string value;
        std::string position;
        std::string label;
    };
    std::vector<BoxPlot> boxPlots;
};

// The entry of entries (a chart's value labels, column titles or date
// columns) kept for the column named column of the data source named source;
// null when there is none.
template <typename Entry>
const Entry* FindColumnEntry(const std::vector<Entry>& entries, std::string_view source,
                             std::string_view column) {
    for (const Entry& entry : entries) {
        if (entry.source == source && entry.column == column) return &entry;
    }
    return nullptr;
}

}  // namespace npar
