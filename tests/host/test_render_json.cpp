// The renderer's JSON values and their writing: the same construction made
// with render::Json and with nlohmann::ordered_json, whose texts the outputs
// have always carried, must write the same bytes, compact (a chart's
// vegaLite text) and indented (the JSON writer).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "OutputSink.h"
#include "render/JsonValue.h"
#include "writers/JsonStream.h"

namespace {

// A Vega-Lite-like value built the ways the renderer builds its views:
// braced lists (objects, arrays, pairs that stay arrays), members added and
// replaced, values moved out, erased and copied.
template <typename J>
J Built() {
    const std::string invalid = std::string("caf\xc3") + "\xa9 \xff end\xe2\x82";
    std::vector<std::string> lines = {"first", "second \"quoted\"", "tab\there"};
    J mark = {{"type", "text"}, {"x", 0.1 + 0.2}, {"y", 480.0}, {"align", "left"}, {"lineBreak", "\n"}};
    mark["fontSize"] = 13.333333333333334;
    mark["type"] = "rule";  // replaces, keeping the member's place
    J encoding = J::object();
    encoding["x"] = {{"field", "_lx"}, {"type", "quantitative"}, {"__axis", 0}};
    encoding["color"] = {{"field", "_c"}, {"legend", nullptr}};
    encoding["color"]["scale"] = {{"domain", lines}, {"range", J::array({"#5b8db8", "#2f4f6f"})}};
    encoding.erase("color");
    J rows = J::array();
    rows.push_back({{"_layer", "bars0"}, {"_t", invalid}, {"_n", size_t(7)}, {"_i", -3}});
    rows.push_back({"pair", "stays an array"});
    rows.push_back({{"_layer", "dup"}, {"_layer", "second is dropped"}});
    rows.push_back({1, 2.5, -0.0, 1e21, 1.5e-7, std::numeric_limits<double>::quiet_NaN(), true, false});
    rows.push_back(J::array({{"a", 1}}));
    rows.push_back(J::object());
    rows.push_back(J::array());
    rows.push_back(std::string("\x01\x1f\x7f\b\f\r\\/"));
    // Long texts, read eight bytes at a time: escapes and characters of
    // several bytes across the eights, invalid bytes after a long valid run.
    rows.push_back(std::string(200, 'a') +
                   "\"quoted\" and \\ back\x01slash 1234567\xc3\xa9\xe2\x82\xac" + std::string(13, 'b') +
                   "\n");
    rows.push_back(std::string(20, 'x') + "\xff" + std::string(9, 'y') + "\xe2\x82");
    J values = {{"values", std::move(rows)}};
    J moved = std::move(mark);
    J copy = encoding;
    copy["x"]["title"] = "copied";
    J view = {{"width", 480},
              {"height", std::max(1.0, std::ceil(359.2))},
              {"data", std::move(values)},
              {"layer", J::array({{{"mark", moved}, {"encoding", encoding}}})},
              {"copy", copy},
              {"emptied", mark},  // null once moved from
              {"transform", J::array({{{"filter", {{"field", "_layer"}, {"oneOf", lines}}}}})}};
    view["layer"][0]["mark"]["dash"] = J::array({4, 2});
    view["config"]["view"]["stroke"] = nullptr;
    view["padding"] = 8;
    return view;
}

std::string Written(const npar::render::Json& value, int indent) {
    return npar::WrittenText([&](npar::OutputSink& out) { npar::JsonStream(out, indent).Value(value); });
}

TEST(RenderJson, WritesTheBytesOfOrderedJsonCompactAndIndented) {
    using Expected = nlohmann::ordered_json;
    const Expected expected = Built<Expected>();
    const npar::render::Json built = Built<npar::render::Json>();
    EXPECT_EQ(Written(built, -1), expected.dump(-1, ' ', false, Expected::error_handler_t::replace));
    EXPECT_EQ(Written(built, 2), expected.dump(2, ' ', false, Expected::error_handler_t::replace));
}

}  // namespace
