// The output document in its JSON form, "npar-output/1".
#include <nlohmann/json.hpp>

#include "OutputWriters.h"
#include "render/VegaLiteChart.h"
#include "text/Utf8.h"

namespace npar {
namespace {

using Json = nlohmann::ordered_json;

Json ItemToJson(const OutputItem& item);

Json Marks(const std::vector<int>& notes) {
    Json marks = Json::array();
    for (int note : notes) marks.push_back(FootnoteMark(note));
    return marks;
}

// A cell's label path over the dimensions of one edge, outer dimension first.
Json LabelPath(const TableModel& table, const TableCell& cell, bool column) {
    Json path = Json::array();
    for (size_t d = 0; d < table.dimensions.size() && d < cell.at.size(); ++d) {
        if (table.dimensions[d]->column != column || !cell.at[d]) continue;
        for (const std::string& label : cell.at[d]->LabelPath()) path.push_back(SanitizeUtf8(label));
    }
    return path;
}

Json TableToJson(const TableModel& table) {
    Json json;
    json["type"] = "table";
    json["title"] = SanitizeUtf8(table.title);
    json["id"] = SanitizeUtf8(table.identifier);
    json["caption"] = table.hasCaption ? Json(SanitizeUtf8(table.caption)) : Json(nullptr);
    json["dimensions"] = Json::array();
    for (const auto& dimension : table.dimensions) {
        json["dimensions"].push_back({{"title", SanitizeUtf8(dimension->title)},
                                      {"place", dimension->column ? "column" : "row"},
                                      {"split", dimension->split}});
    }
    json["cells"] = Json::array();
    for (const TableCell* cell : table.OrderedCells()) {
        json["cells"].push_back({{"row", LabelPath(table, *cell, false)},
                                 {"column", LabelPath(table, *cell, true)},
                                 {"text", SanitizeUtf8(cell->text)},
                                 {"value", cell->value ? Json(*cell->value) : Json(nullptr)},
                                 {"notes", Marks(cell->notes)}});
    }
    json["notes"] = Json::array();
    for (size_t i = 0; i < table.footnotes.size(); ++i) {
        json["notes"].push_back(
            {{"mark", FootnoteMark(static_cast<int>(i))}, {"text", SanitizeUtf8(table.footnotes[i])}});
    }
    return json;
}

Json ChartDatumToJson(const ChartDatum& datum) {
    if (const double* number = std::get_if<double>(&datum)) return Json(*number);
    if (const std::string* text = std::get_if<std::string>(&datum)) return Json(SanitizeUtf8(*text));
    return Json(nullptr);
}

// {SOURCE: {VARIABLE: [cell, ...]}}, sources and variables in the order declared.
Json ChartDataToJson(const std::vector<ChartDataSource>& sources) {
    Json data = Json::object();
    for (const ChartDataSource& source : sources) {
        Json columns = Json::object();
        for (const ChartColumn& column : source.columns) {
            Json cells = Json::array();
            for (const ChartDatum& datum : column.cells) cells.push_back(ChartDatumToJson(datum));
            columns[SanitizeUtf8(column.name)] = std::move(cells);
        }
        data[SanitizeUtf8(source.name)] = std::move(columns);
    }
    return data;
}

Json ChartToJson(const OutputItem& item) {
    static const ChartModel kNoChart;
    const ChartModel& chart = item.chart ? *item.chart : kNoChart;
    Json json;
    json["type"] = "chart";
    json["template"] = SanitizeUtf8(chart.templateName);
    json["title"] = SanitizeUtf8(item.chart ? chart.title : item.text);
    json["subtitle"] = SanitizeUtf8(chart.subtitle);
    json["footnote"] = SanitizeUtf8(chart.footnote);
    json["description"] = SanitizeUtf8(chart.description);
    json["data"] = ChartDataToJson(chart.data);
    json["document"] = SanitizeUtf8(chart.document);
    // The chart drawn as a Vega-Lite specification; null when it cannot be drawn.
    json["vegaLite"] = item.chart ? render::VegaLiteOrNull(chart) : Json(nullptr);
    return json;
}

Json ItemsToJson(const OutputItem& parent) {
    Json items = Json::array();
    for (const auto& child : parent.children) items.push_back(ItemToJson(*child));
    return items;
}

Json ItemToJson(const OutputItem& item) {
    Json json;
    switch (item.kind) {
        case OutputItem::Kind::Heading:
            json["type"] = "heading";
            json["text"] = SanitizeUtf8(item.text);
            json["items"] = ItemsToJson(item);
            break;
        case OutputItem::Kind::Text:
            json["type"] = "text";
            json["role"] = SanitizeUtf8(item.role);
            json["text"] = SanitizeUtf8(item.text);
            break;
        case OutputItem::Kind::Error:
            json["type"] = "error";
            json["text"] = SanitizeUtf8(item.text);
            break;
        case OutputItem::Kind::Table:
            if (item.table) return TableToJson(*item.table);
            json["type"] = "table";
            json["title"] = SanitizeUtf8(item.text);
            break;
        case OutputItem::Kind::Chart:
            return ChartToJson(item);
    }
    return json;
}

}  // namespace

std::string WriteJson(const OutputDocument& document) {
    Json json;
    json["format"] = "npar-output/1";
    json["ok"] = document.ok;
    json["items"] = ItemsToJson(document.Root());
    // Texts are sanitized above; replace stands guard so dumping never throws.
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace npar
