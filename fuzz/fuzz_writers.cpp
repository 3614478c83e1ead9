// Feeds arbitrary output documents to the text and HTML writers. The input is
// an output document in its JSON form ("npar-output/1", as npar-report writes
// it), read back into the document model: headings, tables with their
// dimensions, cells and footnotes, charts with their texts and data, texts
// with their role, errors.
// A table's row and column label paths go to its first row and first column
// dimension. Nothing in the input may crash, hang, leak or read out of range.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "OutputWriters.h"

namespace {

using Json = nlohmann::json;
using npar::OutputItem;

constexpr int kMaxDepth = 64;

std::string Text(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

const Json& Member(const Json& object, const char* key) {
    static const Json kNone;
    const auto found = object.find(key);
    return found != object.end() ? *found : kNone;
}

// The category a label path names under a dimension's root: groups for all
// labels but the last, made as they are first named.
const npar::TableNode* NodeOf(npar::TableDimension& dimension, const Json& path) {
    if (!path.is_array() || path.empty()) return nullptr;
    npar::TableNode* node = &dimension.root;
    for (size_t i = 0; i < path.size(); ++i) {
        const std::string label = path[i].is_string() ? path[i].get<std::string>() : std::string();
        const bool group = i + 1 < path.size();
        npar::TableNode* child = node->Find(label, group);
        if (!child) child = dimension.Add(*node, label, group);
        node = child;
    }
    return node;
}

std::unique_ptr<npar::TableModel> ReadTable(const Json& item) {
    auto table = std::make_unique<npar::TableModel>();
    table->title = Text(item, "title");
    table->identifier = Text(item, "id");
    table->hasCaption = Member(item, "caption").is_string();
    table->caption = Text(item, "caption");
    std::map<std::string, int> marks;
    for (const Json& note : Member(item, "notes")) {
        if (note.is_object()) marks.emplace(Text(note, "mark"), table->Footnote(Text(note, "text")));
    }
    npar::TableDimension* firstOf[2] = {nullptr, nullptr};
    for (const Json& entry : Member(item, "dimensions")) {
        if (!entry.is_object()) continue;
        npar::TableDimension& dimension = table->AddDimension();
        dimension.title = Text(entry, "title");
        dimension.column = Text(entry, "place") == "column";
        dimension.split = Member(entry, "split").is_boolean() && Member(entry, "split").get<bool>();
        if (!firstOf[dimension.column]) firstOf[dimension.column] = &dimension;
    }
    for (const Json& entry : Member(item, "cells")) {
        if (!entry.is_object()) continue;
        std::vector<const npar::TableNode*> at(table->dimensions.size(), nullptr);
        for (size_t d = 0; d < table->dimensions.size(); ++d) {
            npar::TableDimension& dimension = *table->dimensions[d];
            if (&dimension == firstOf[dimension.column])
                at[d] = NodeOf(dimension, Member(entry, dimension.column ? "column" : "row"));
        }
        npar::TableCell& cell = table->CellAt(at);
        cell.text = Text(entry, "text");
        if (Member(entry, "value").is_number()) cell.value = Member(entry, "value").get<double>();
        for (const Json& mark : Member(entry, "notes")) {
            const auto found = mark.is_string() ? marks.find(mark.get<std::string>()) : marks.end();
            if (found != marks.end()) cell.notes.push_back(found->second);
        }
    }
    return table;
}

std::unique_ptr<npar::ChartModel> ReadChart(const Json& item) {
    auto chart = std::make_unique<npar::ChartModel>();
    chart->templateName = Text(item, "template");
    chart->title = Text(item, "title");
    chart->subtitle = Text(item, "subtitle");
    chart->footnote = Text(item, "footnote");
    chart->description = Text(item, "description");
    chart->document = Text(item, "document");
    const Json& data = Member(item, "data");
    if (!data.is_object()) return chart;
    for (const auto& source : data.items()) {
        ChartDataSource table{source.key(), {}};
        if (!source.value().is_object()) continue;
        for (const auto& variable : source.value().items()) {
            ChartColumn column{variable.key(), {}};
            if (variable.value().is_array()) {
                for (const Json& cell : variable.value()) {
                    if (cell.is_number())
                        column.cells.emplace_back(cell.get<double>());
                    else if (cell.is_string())
                        column.cells.emplace_back(cell.get<std::string>());
                    else
                        column.cells.emplace_back(std::monostate());
                }
            }
            table.columns.push_back(std::move(column));
        }
        chart->data.push_back(std::move(table));
    }
    return chart;
}

void ReadItems(const Json& items, OutputItem& parent, int depth) {
    if (!items.is_array() || depth > kMaxDepth) return;
    for (const Json& item : items) {
        if (!item.is_object()) continue;
        const std::string type = Text(item, "type");
        if (type == "heading") {
            OutputItem& heading = parent.Append(
                std::make_unique<OutputItem>(OutputItem::Kind::Heading, Text(item, "text")));
            ReadItems(Member(item, "items"), heading, depth + 1);
        } else if (type == "table") {
            auto table = std::make_unique<OutputItem>(OutputItem::Kind::Table);
            table->table = ReadTable(item);
            parent.Append(std::move(table));
        } else if (type == "chart") {
            auto chart = std::make_unique<OutputItem>(OutputItem::Kind::Chart, Text(item, "title"));
            chart->chart = ReadChart(item);
            parent.Append(std::move(chart));
        } else if (type == "text") {
            auto text = std::make_unique<OutputItem>(OutputItem::Kind::Text, Text(item, "text"));
            text->role = Text(item, "role");
            parent.Append(std::move(text));
        } else if (type == "error") {
            parent.Append(std::make_unique<OutputItem>(OutputItem::Kind::Error, Text(item, "text")));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::DataSource();  // the resources, without the chart library: charts are listed
    const Json input = Json::parse(data, data + size, nullptr, false);
    if (!input.is_object()) return 0;
    npar::OutputDocument document;
    document.ok = !Member(input, "ok").is_boolean() || Member(input, "ok").get<bool>();
    ReadItems(Member(input, "items"), document.Root(), 0);
    npar::WriteText(document);
    npar::WriteHtml(document);
    return 0;
}
