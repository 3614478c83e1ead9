// Feeds arbitrary chart documents with their data tables to the chart
// renderer, which turns them into Vega-Lite specifications. The input is the
// chart document's XML, a line "--data--", then the data table, one column a
// line: source TAB column TAB value TAB value ..., a value that reads as a
// number being a number, "." a cell never written, anything else a string.
// Nothing in the input may crash, hang, leak or read out of range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ChartRenderer.h"

namespace {

constexpr std::string_view kDataLine = "\n--data--\n";

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

ChartDatum Datum(std::string_view text) {
    if (text == ".") return std::monostate();
    const std::string value(text);
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (!value.empty() && end == value.c_str() + value.size()) return number;
    return value;
}

ChartColumn& ColumnOf(npar::ChartModel& chart, std::string_view source, std::string_view column) {
    ChartDataSource* found = nullptr;
    for (ChartDataSource& candidate : chart.data) {
        if (candidate.name == source) found = &candidate;
    }
    if (!found) {
        chart.data.push_back(ChartDataSource{std::string(source), {}});
        found = &chart.data.back();
    }
    found->columns.push_back(ChartColumn{std::string(column), {}});
    return found->columns.back();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t separator = input.find(kDataLine);
    npar::ChartModel chart;
    chart.document = std::string(input.substr(0, separator));
    if (separator != std::string_view::npos) {
        for (std::string_view line : Split(input.substr(separator + kDataLine.size()), '\n')) {
            const std::vector<std::string_view> fields = Split(line, '\t');
            if (fields.size() < 2) continue;
            ChartColumn& column = ColumnOf(chart, fields[0], fields[1]);
            for (size_t i = 2; i < fields.size(); ++i) column.cells.push_back(Datum(fields[i]));
        }
    }
    npar::RenderChart(chart);
    return 0;
}
