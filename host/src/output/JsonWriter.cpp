// The output document in its JSON form, "npar-output/1".
#include <nlohmann/json.hpp>

#include "OutputDocument.h"

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
            json["type"] = "chart";
            json["title"] = SanitizeUtf8(item.text);
            break;
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
