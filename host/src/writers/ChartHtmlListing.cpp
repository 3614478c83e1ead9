// A chart item as an HTML fragment: its texts and the first rows of its data.
#include <algorithm>
#include <variant>

#include "ChartListing.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"
#include "chart/ChartDocument.h"
#include "text/Escapes.h"

namespace npar {
namespace {

constexpr size_t kListedRows = 8;

// What the chart writes beside its data: the labels of its values and the
// texts of its label frames and guide lines, as kept with the chart, or as
// its document gives them.
struct ShownTexts {
    std::vector<ChartModel::ValueLabels> valueLabels;
    std::vector<ChartModel::ColumnTitle> columnTitles;
    std::vector<ChartModel::FormattedColumn> formattedColumns;
    std::vector<std::string> labels;
};

ShownTexts TextsOf(const ChartModel& chart) {
    if (chart.document.empty())
        return {chart.valueLabels, chart.columnTitles, chart.formattedColumns, chart.labels};
    pugi::xml_document document;
    if (!document.load_buffer(chart.document.data(), chart.document.size())) return {};
    const pugi::xml_node root = document.document_element();
    return {chart::ValueLabelsOf(root), chart::ColumnTitlesOf(root), chart::FormattedColumnsOf(root),
            chart::LabelTextsOf(root)};
}

void WriteSource(std::string& out, const ShownTexts& texts, const ChartDataSource& source) {
    size_t rows = 0;
    for (const ChartColumn& column : source.columns) rows = std::max(rows, column.cells.size());
    const size_t listed = std::min(rows, kListedRows);
    const std::vector<const ChartColumn*> columns = FilledColumns(source);
    out += "<table class=\"chart-data\"><caption>" + EscapeHtml(ListedSourceTitle(source)) +
           "</caption>\n<thead><tr>";
    for (const ChartColumn* column : columns)
        out += "<th>" + EscapeHtml(ListedColumnName(texts.columnTitles, source, *column)) + "</th>";
    out += "</tr></thead>\n<tbody>\n";
    std::vector<const ListedLabels*> columnLabels;
    std::vector<const ChartModel::FormattedColumn*> columnFormats;
    std::vector<int> columnBins;
    for (const ChartColumn* column : columns) {
        columnLabels.push_back(LabelsOf(texts.valueLabels, source, *column));
        columnFormats.push_back(FindColumnEntry(texts.formattedColumns, source.name, column->name));
        columnBins.push_back(CalendarBinsOf(*column, columnFormats.back()));
    }
    for (size_t r = 0; r < listed; ++r) {
        out += "<tr>";
        for (size_t c = 0; c < columns.size(); ++c)
            out += "<td>" +
                   EscapeHtml(
                       ListedCell(*columns[c], r, columnLabels[c], columnFormats[c], columnBins[c])) +
                   "</td>";
        out += "</tr>\n";
    }
    out += "</tbody></table>\n";
    if (rows > listed) {
        out += "<p class=\"chart-more\">" + MoreRows(rows - listed) + "</p>\n";
    }
}

}  // namespace

std::string WriteChartHtml(const ChartModel& chart, const std::string& note) {
    std::string out =
        "<div class=\"chart\">\n<p class=\"chart-title\">" + EscapeHtml(chart.title) + "</p>\n";
    if (!chart.subtitle.empty())
        out += "<p class=\"chart-subtitle\">" + EscapeHtml(chart.subtitle) + "</p>\n";
    if (!note.empty()) out += "<p class=\"chart-note\">" + EscapeHtml(note) + "</p>\n";
    const ShownTexts texts = TextsOf(chart);
    for (const std::string& label : texts.labels)
        out += "<p class=\"chart-label\">" + EscapeHtml(label) + "</p>\n";
    for (const ChartDataSource& source : chart.data) WriteSource(out, texts, source);
    if (!chart.footnote.empty())
        out += "<p class=\"chart-footnote\">" + EscapeHtml(chart.footnote) + "</p>\n";
    out += "</div>\n";
    return out;
}

}  // namespace npar
