// A chart item as plain text: its texts and a compact listing of its data.
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <variant>

#include "CalendarDays.h"
#include "ChartListing.h"
#include "ChartString.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"
#include "render/RenderData.h"
#include "render/RenderStats.h"
#include "text/Blanks.h"
#include "text/Utf8.h"

namespace npar {
namespace {

// A date of the charts' scale (seconds since 1582-10-14) in days since
// 1970-01-01, as calendar bins are reckoned.
double DaysSince1970(double seconds) { return (seconds - kSecondsFrom1582To1970) / 86400.0; }

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

// Rows of cells as columns two blanks apart, each line indented by four.
void WriteColumns(std::string& out, const std::vector<std::vector<std::string>>& table) {
    std::vector<size_t> widths;
    for (const auto& cells : table) {
        widths.resize(std::max(widths.size(), cells.size()), 0);
        for (size_t c = 0; c < cells.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(cells[c]));
    }
    for (const auto& cells : table) {
        std::string line = "    ";
        for (size_t c = 0; c < cells.size(); ++c) AppendPadded(line, cells[c], widths[c] + 2);
        RightTrim(line);
        out += line + "\n";
    }
}

void WriteSource(std::string& out, const ChartModel& chart, const ChartDataSource& source) {
    size_t rows = 0;
    for (const ChartColumn& column : source.columns) rows = std::max(rows, column.cells.size());
    out += "  " + OneLine(ListedSourceTitle(source)) + " (" + std::to_string(rows) +
           (rows == 1 ? " row)\n" : " rows)\n");

    const std::vector<const ChartColumn*> columns = FilledColumns(source);
    if (columns.empty()) return;
    const size_t listed = std::min(rows, kListedRows);
    std::vector<std::vector<std::string>> table(listed + 1);
    for (const ChartColumn* column : columns) {
        table[0].push_back(OneLine(ListedColumnName(chart.columnTitles, source, *column)));
        const ListedLabels* labels = LabelsOf(chart.valueLabels, source, *column);
        const ChartModel::FormattedColumn* format =
            FindColumnEntry(chart.formattedColumns, source.name, column->name);
        const int calendarMonths = CalendarBinsOf(*column, format);
        for (size_t r = 0; r < listed; ++r)
            table[r + 1].push_back(ListedWords(ListedCell(*column, r, labels, format, calendarMonths)));
    }
    WriteColumns(out, table);
    if (rows > listed) out += "    ... " + MoreRows(rows - listed) + "\n";
}

const ChartColumn* ColumnNamed(const ChartDataSource& source, const std::string& name) {
    for (const ChartColumn& column : source.columns)
        if (column.name == name) return &column;
    return nullptr;
}

// The values of one box of a box plot and the rows they come from.
struct ListedBox {
    std::string position;  // the category as listed
    std::vector<double> values;
    std::vector<size_t> rows;
};

// The boxes of a box plot's rows, in the order their first rows come.
std::vector<ListedBox> BoxesOf(const ChartModel& chart, const ChartDataSource& source,
                               const ChartColumn& values, const ChartColumn& positions) {
    const ListedLabels* labels = LabelsOf(chart.valueLabels, source, positions);
    const ChartModel::FormattedColumn* format =
        FindColumnEntry(chart.formattedColumns, source.name, positions.name);
    std::vector<ListedBox> boxes;
    for (size_t row = 0; row < values.cells.size(); ++row) {
        const double* value = std::get_if<double>(&values.cells[row]);
        if (!value || *value == kSystemMissing) continue;
        const std::string position = ListedWords(ListedCell(positions, row, labels, format));
        auto box = std::find_if(boxes.begin(), boxes.end(),
                                [&](const ListedBox& listed) { return listed.position == position; });
        if (box == boxes.end()) box = boxes.insert(boxes.end(), ListedBox{position, {}, {}});
        box->values.push_back(*value);
        box->rows.push_back(row);
    }
    return boxes;
}

// Whether a cell holds a value: a number, or a text that is more than blanks.
bool Filled(const ChartDatum& datum) {
    if (std::holds_alternative<double>(datum)) return true;
    const std::string* text = std::get_if<std::string>(&datum);
    return text && text->find_first_not_of(' ') != std::string::npos;
}

// The column that labels a box plot's outliers: the one the chart labels
// them by, else one filled on outlier rows only (a label the chart carries
// but does not draw), else none.
const ChartColumn* CaseColumn(const ChartDataSource& source, const ChartModel::BoxPlot& plot,
                              const std::vector<const ChartColumn*>& candidates,
                              const std::set<size_t>& outlierRows) {
    if (!plot.label.empty()) return ColumnNamed(source, plot.label);
    for (const ChartColumn* column : candidates) {
        bool onlyOutliers = true;
        for (size_t row = 0; row < column->cells.size() && onlyOutliers; ++row)
            onlyOutliers = !Filled(column->cells[row]) || outlierRows.count(row) > 0;
        if (onlyOutliers) return column;
    }
    return nullptr;
}

// Whether a column holds one value over each box's rows (a popup's mean rank):
// a value of the box rather than of its rows.
bool OneValuePerBox(const ChartColumn& column, const std::vector<ListedBox>& boxes) {
    for (const ListedBox& box : boxes) {
        for (size_t row : box.rows)
            if (ListedCell(column, row, nullptr) != ListedCell(column, box.rows.front(), nullptr))
                return false;
    }
    return true;
}

// A box plot's source as each box's Tukey statistics, the numbers the chart
// draws, rather than the rows it draws them from (which repeat a box's hinges
// and whiskers so that they come out as drawn): a line per box, in the order
// the boxes come, with the values of the columns that hold one per box (a
// popup's mean rank), and its outliers and extremes with their cases.
void WriteBoxPlots(std::string& out, const ChartModel& chart, const ChartDataSource& source,
                   const ChartModel::BoxPlot& plot) {
    const ChartColumn* values = ColumnNamed(source, plot.value);
    const ChartColumn* positions = ColumnNamed(source, plot.position);
    if (!values || !positions) return WriteSource(out, chart, source);
    const std::vector<ListedBox> boxes = BoxesOf(chart, source, *values, *positions);
    std::vector<render::BoxStats> stats;
    std::set<size_t> outlierRows;
    for (const ListedBox& box : boxes) {
        stats.push_back(render::TukeyBox(box.values));
        for (const auto* points : {&stats.back().outliers, &stats.back().extremes})
            for (size_t i : *points) outlierRows.insert(box.rows[i]);
    }
    std::vector<const ChartColumn*> rest;
    for (const ChartColumn* column : FilledColumns(source))
        if (column != values && column != positions) rest.push_back(column);
    const ChartColumn* cases = CaseColumn(source, plot, rest, outlierRows);
    std::vector<const ChartColumn*> others;
    for (const ChartColumn* column : rest)
        if (column != cases && OneValuePerBox(*column, boxes)) others.push_back(column);

    const ChartModel::FormattedColumn* format =
        FindColumnEntry(chart.formattedColumns, source.name, values->name);
    const auto number = [&](double value) { return ListedWords(FormattedNumber(value, format)); };
    const auto title = [&](const ChartColumn& column) {
        return OneLine(ListedColumnName(chart.columnTitles, source, column));
    };
    out += "  Box plots of " + title(*values) + " by " + title(*positions) +
           ": whiskers reach the furthest values within 1.5 box lengths of the box; outliers lie "
           "beyond, extremes beyond 3\n";
    std::vector<std::vector<std::string>> table = {{title(*positions), "Lower Whisker", "Lower Quartile",
                                                    "Median", "Upper Quartile", "Upper Whisker"}};
    for (const ChartColumn* other : others) table[0].push_back(title(*other));
    table[0].push_back("Outliers");
    for (size_t b = 0; b < boxes.size(); ++b) {
        const ListedBox& box = boxes[b];
        const render::BoxStats& box5 = stats[b];
        std::vector<std::string> line = {
            box.position,        number(box5.lowerWhisker), number(box5.lowerHinge),
            number(box5.median), number(box5.upperHinge),   number(box5.upperWhisker)};
        for (const ChartColumn* other : others)
            line.push_back(ListedWords(
                ListedCell(*other, box.rows.front(), LabelsOf(chart.valueLabels, source, *other))));
        std::string outliers;
        const auto list = [&](const std::vector<size_t>& points, bool extreme) {
            for (size_t i : points) {
                std::string notes = cases ? ListedWords(ListedCell(*cases, box.rows[i], nullptr)) : "";
                if (!notes.empty()) notes = "case " + notes;
                if (extreme) notes += notes.empty() ? "extreme" : ", extreme";
                outliers += (outliers.empty() ? "" : ", ") + number(box.values[i]) +
                            (notes.empty() ? "" : " (" + notes + ")");
            }
        };
        list(box5.outliers, false);
        list(box5.extremes, true);
        line.push_back(outliers);
        table.push_back(std::move(line));
    }
    WriteColumns(out, table);
}

}  // namespace

std::string ListedNumber(double value) {
    if (value == kSystemMissing) return ".";
    if (std::fabs(value) >= std::numeric_limits<double>::max()) return value > 0 ? "\u221e" : "-\u221e";
    return ChartString().assignDouble(value, 15).toUTF8();
}

std::string FormattedNumber(double value, const ChartModel::FormattedColumn* format) {
    const bool special = value == kSystemMissing || !std::isfinite(value) ||
                         std::fabs(value) == std::numeric_limits<double>::max();
    if (!format || special) return ListedNumber(value);
    return render::FormatNumber(value, render::Format{format->format, format->decimals, {}, {}});
}

std::string ListedSourceTitle(const ChartDataSource& source) {
    // The templates' source ids, a network's numbered by its panel set.
    std::string_view id = source.name;
    const size_t underscore = id.rfind('_');
    if (underscore != std::string_view::npos &&
        id.find_first_not_of("0123456789", underscore + 1) == std::string_view::npos &&
        underscore + 1 < id.size())
        id = id.substr(0, underscore);
    if (id == "graphSource") return "Data";
    if (id == "nodeSource") return "Nodes";
    if (id == "edgeSource") return "Edges";
    return "Data " + source.name;
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

int CalendarBinsOf(const ChartColumn& column, const ChartModel::FormattedColumn* format) {
    static const std::set<std::string> kDayBased = {"DATE", "ADATE", "EDATE", "SDATE", "JDATE",
                                                    "MOYR", "QYR",   "WKYR",  "WKDAY", "MONTH"};
    if (!format || kDayBased.count(format->format) == 0) return 0;
    std::vector<double> days;
    for (const ChartDatum& cell : column.cells) {
        const double* seconds = std::get_if<double>(&cell);
        if (seconds && *seconds != kSystemMissing) days.push_back(DaysSince1970(*seconds));
    }
    return CalendarBinMonths(days, 3);
}

std::string ListedCell(const ChartColumn& column, size_t row, const ListedLabels* labels,
                       const ChartModel::FormattedColumn* format, int calendarMonths) {
    // The longest a label is listed, in columns, so that a listing stays
    // a few columns wide.
    constexpr size_t kListedLabel = 32;
    if (row >= column.cells.size()) return {};
    const ChartDatum& datum = column.cells[row];
    std::string text;
    const double* number = std::get_if<double>(&datum);
    if (number && format && *number != kSystemMissing && calendarMonths > 0)
        return CalendarBinName(DaysSince1970(*number), calendarMonths);
    if (number && format) return FormattedNumber(*number, format);
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
        if (std::any_of(column.cells.begin(), column.cells.end(), Filled)) filled.push_back(&column);
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
    for (const ChartDataSource& source : chart.data) {
        const auto boxes =
            std::find_if(chart.boxPlots.begin(), chart.boxPlots.end(),
                         [&](const ChartModel::BoxPlot& box) { return box.source == source.name; });
        if (boxes != chart.boxPlots.end())
            WriteBoxPlots(out, chart, source, *boxes);
        else
            WriteSource(out, chart, source);
    }
    return out;
}

}  // namespace npar
