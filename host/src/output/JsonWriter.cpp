// The output document in its JSON form, "npar-output/1".
#include <nlohmann/json.hpp>

#include "OutputDocument.h"

namespace npar {
namespace {

using Json = nlohmann::ordered_json;

Json ItemToJson(const OutputItem& item);

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
        case OutputItem::Kind::Chart:
            json["type"] = item.kind == OutputItem::Kind::Table ? "table" : "chart";
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
