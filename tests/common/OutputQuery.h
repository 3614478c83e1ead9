// Looking things up in an output document through its JSON form, the way a
// reader of npar-report's output would.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "OutputWriters.h"

namespace output_query {

using Json = nlohmann::json;

inline Json ToJson(const npar::OutputDocument& document) {
    return Json::parse(npar::WriteJson(document));
}

// Every item of a type, depth-first in document order.
inline void Collect(const Json& items, const std::string& type, std::vector<Json>& found) {
    for (const Json& item : items) {
        if (item["type"] == type) found.push_back(item);
        if (item.contains("items")) Collect(item["items"], type, found);
    }
}

inline std::vector<Json> Items(const Json& document, const std::string& type) {
    std::vector<Json> found;
    Collect(document["items"], type, found);
    return found;
}

// Tables whose title is title.
inline std::vector<Json> Tables(const Json& document, const std::string& title) {
    std::vector<Json> found;
    for (const Json& table : Items(document, "table")) {
        if (table["title"] == title) found.push_back(table);
    }
    return found;
}

// The cell at these label paths, or null.
inline Json Cell(const Json& table, const std::vector<std::string>& row,
                 const std::vector<std::string>& column) {
    for (const Json& cell : table["cells"]) {
        if (cell["row"] == Json(row) && cell["column"] == Json(column)) return cell;
    }
    return nullptr;
}

// The footnote texts of a cell, by its marks.
inline std::vector<std::string> NoteTexts(const Json& table, const Json& cell) {
    std::vector<std::string> texts;
    for (const Json& mark : cell["notes"]) {
        for (const Json& note : table["notes"]) {
            if (note["mark"] == mark) texts.push_back(note["text"]);
        }
    }
    return texts;
}

// Texts of the headings, depth-first.
inline std::vector<std::string> HeadingTexts(const Json& document) {
    std::vector<std::string> texts;
    for (const Json& heading : Items(document, "heading")) texts.push_back(heading["text"]);
    return texts;
}

}  // namespace output_query
