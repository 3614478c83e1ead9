// A chart item as plain text: its texts and a compact listing of its data.
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <variant>

#include "ChartListing.h"
#include "ChartString.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"
#include "render/RenderData.h"
#include "text/Blanks.h"
#include "text/Utf8.h"

namespace npar {
namespace {

constexpr size_t kListedRows = 8;

// Sanitized text on one line: line ends and other controls become blanks.
std::string OneLine(const std::string& text) {
    std::string line = SanitizeUtf8(text);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return line;
}

// A listed value on one line with its blanks closed up, so that no value
// looks indented and none reads as two columns (a listing's columns stand two
// blanks apart).
std::string ListedWords(const std::string& text) { return CloseUpBlanks(SanitizeUtf8(text)); }

void RightTrim(std::string& line) {
    const size_t end = line.find_last_not_of(' ');
    line.erase(end == std::string::npos ? 0 : end + 1);
}

void AppendPadded(std::string& line, const std::string& text, size_t width) {
    line += text;
    line.append(width - std::min(width, DisplayWidth(text)), ' ');
}

void WriteSource(std::string& out, const ChartModel& chart, const ChartDataSource& source) {
    size_t rows = 0;
    for (const ChartColumn& column : source.columns) rows = std::max(rows, column.cells.size());
    out += "  Data " + OneLine(source.name) + " (" + std::to_string(rows) +
           (rows == 1 ? " row)\n" : " rows)\n");

    const std::vector<const ChartColumn*> columns = FilledColumns(source);
    if (columns.empty()) return;
    const size_t listed = std::min(rows, kListedRows);
    std::vector<std::vector<std::string>> table(listed + 1);
    std::vector<size_t> widths(columns.size(), 0);
    for (size_t c = 0; c < columns.size(); ++c) {
        table[0].push_back(OneLine(ListedColumnName(chart.columnTitles, source, *columns[c])));
        const ListedLabels* labels = LabelsOf(chart.valueLabels, source, *columns[c]);
        const ChartModel::DateColumn* date =
            FindColumnEntry(chart.dateColumns, source.name, columns[c]->name);
        for (size_t r = 0; r < listed; ++r)
            table[r + 1].push_back(ListedWords(ListedCell(*columns[c], r, labels, date)));
        for (const auto& line : table) widths[c] = std::max(widths[c], DisplayWidth(line[c]));
    }
    for (const auto& cells : table) {
        std::string line = "    ";
        for (size_t c = 0; c < cells.size(); ++c) AppendPadded(line, cells[c], widths[c] + 2);
        RightTrim(line);
        out += line + "\n";
    }
    if (rows > listed) out += "    ... " + MoreRows(rows - listed) + "\n";
}

}  // namespace

std::string ListedNumber(double value) {
    if (value == kSystemMissing) return ".";
    if (std::fabs(value) >= std::numeric_limits<double>::max()) return value > 0 ? "\u221e" : "-\u221e";
    return ChartString().assignDouble(value, 15).toUTF8();
}

std::string MoreRows(size_t count) {
    return std::to_string(count) + (count == 1 ? " more row" : " more rows");
}

const ListedLabels* LabelsOf(const std::vector<ChartModel::ValueLabels>& labels,
                             const ChartDataSource& source, const ChartColumn& column) {
    const ChartModel::ValueLabels* found = FindColumnEntry(labels, source.name, column.name);
    return found ? &found->labels : nullptr;
}

std::string ListedColumnName(const std::vector<ChartModel::ColumnTitle>& titles,
                             const ChartDataSource& source, const ChartColumn& column) {
    const ChartModel::ColumnTitle* found = FindColumnEntry(titles, source.name, column.name);
    return found ? found->title : column.name;
}

std::string ListedCell(const ChartColumn& column, size_t row, const ListedLabels* labels,
                       const ChartModel::DateColumn* date) {
    // The longest a label is listed, in columns, so that a listing stays
    // a few columns wide.
    constexpr size_t kListedLabel = 32;
    if (row >= column.cells.size()) return {};
    const ChartDatum& datum = column.cells[row];
    std::string text;
    const double* number = std::get_if<double>(&datum);
    if (number && date && *number != kSystemMissing)
        return render::FormatNumber(*number, render::Format{date->format, date->decimals, {}, {}});
    if (number) text = ListedNumber(*number);
    if (const std::string* written = std::get_if<std::string>(&datum)) text = *written;
    if (!labels) return text;
    auto label = labels->find(text);
    // A relabel's key is a number written with 16 digits ("1.654166666666667"),
    // one more than the listing shows.
    if (label == labels->end() && number && *number != kSystemMissing)
        label = labels->find(ChartString().assignDouble(*number, 16).toUTF8());
    // The chart draws the label in the value's place, so the listing gives
    // the label alone: the value is often the chart's own code for a
    // category (0 for a field whose first category the data code 1), which
    // would read as the data's coding.
    if (label == labels->end() || label->second.empty()) return text;
    std::string shown = label->second;
    std::replace(shown.begin(), shown.end(), '\n', ' ');
    if (DisplayWidth(shown) > kListedLabel) {
        shown.erase(DisplayPrefix(shown, kListedLabel - 1));
        RightTrim(shown);
        shown += "\u2026";
    }
    return shown;
}

std::vector<const ChartColumn*> FilledColumns(const ChartDataSource& source) {
    std::vector<const ChartColumn*> filled;
    for (const ChartColumn& column : source.columns) {
        const bool holds =
            std::any_of(column.cells.begin(), column.cells.end(), [](const ChartDatum& datum) {
                if (std::holds_alternative<double>(datum)) return true;
                const std::string* text = std::get_if<std::string>(&datum);
                return text && text->find_first_not_of(' ') != std::string::npos;
            });
        if (holds) filled.push_back(&column);
    }
    return filled;
}

std::string WriteChartText(const ChartModel& chart) {
    std::string out = "Chart: " + OneLine(chart.title) + "\n";
    if (!chart.subtitle.empty()) out += "  " + OneLine(chart.subtitle) + "\n";
    // A description that only repeats the title and subtitle (as the plug-in's
    // do: "TITLE; SPLIT") adds nothing to them.
    const bool repeats =
        chart.description == chart.title || chart.description == chart.title + "; " + chart.subtitle;
    if (!chart.description.empty() && !repeats)
        out += "  Description: " + OneLine(chart.description) + "\n";
    for (const std::string& label : chart.labels) out += "  Label: " + OneLine(label) + "\n";
    if (!chart.footnote.empty()) out += "  Footnote: " + OneLine(chart.footnote) + "\n";
    for (const ChartDataSource& source : chart.data) WriteSource(out, chart, source);
    return out;
}

}  // namespace npar
