// The renderer's JSON values and their writing: the same construction made
// with render::Json and with nlohmann::ordered_json, whose texts the outputs
// have always carried, must write the same bytes, compact (a chart's
// vegaLite text) and indented (the JSON writer).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "ChartString.h"
#include "OutputSink.h"
#include "render/JsonValue.h"
#include "render/RenderData.h"
#include "text/Utf8.h"
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
    // Names of one length that differ only at the end, as a row's are.
    J bar = {{"_p0", 1}, {"_p1", 2}, {"_p0", "second is dropped"}, {"", "empty name"}};
    bar["_p1"] = 4;  // replaces
    bar["_pm"] = 5;  // adds
    bar[""] = "replaced";
    rows.push_back(std::move(bar));
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

// Every length up to a few words, with a byte to escape, a character beyond
// ASCII, an invalid byte or a cut sequence (or none) at each place: the
// checks that read whole, overlapping words must find it wherever it
// stands, in a specification's texts and in the writer's own.
TEST(RenderJson, EscapesABytePlacedAnywhereInTextsOfEveryShortLength) {
    using Expected = nlohmann::ordered_json;
    const auto replace = Expected::error_handler_t::replace;
    for (const std::string special :
         {"\"", "\\", "\n", "\x01", "\x1f", "\x7f", "\xc3\xa9", "\xff", "\xe2\x82"}) {
        const bool validKey = special != "\xff" && special != "\xe2\x82";
        for (size_t length = 0; length <= 24; ++length) {
            for (size_t at = 0; at <= length; ++at) {
                std::string text(length, 'a');
                if (at < length) text.replace(at, 1, special);
                const std::string key = validKey ? text : "k";
                npar::render::Json value = {{key, text}};
                Expected expected = {{key, text}};
                ASSERT_EQ(Written(value, 2), expected.dump(2, ' ', false, replace))
                    << special << " " << length << " " << at;
                ASSERT_EQ(Written(value, -1), expected.dump(-1, ' ', false, replace))
                    << special << " " << length << " " << at;
                const std::string streamed = npar::WrittenText([&](npar::OutputSink& out) {
                    npar::JsonStream json(out);
                    json.BeginObject();
                    json.Member(key, text);
                    json.EndObject();
                });
                const Expected sanitized = {{key, npar::SanitizeUtf8(text)}};
                ASSERT_EQ(streamed, sanitized.dump(2)) << special << " " << length << " " << at;
            }
        }
    }
}

// Texts many times longer than the writer's buffer, with escapes packed as a
// chart document packs them (a quote or a line break every few bytes), runs
// of every length between them, and texts of nothing but escapes (a control
// character takes six bytes): the same bytes as the reference dump.
TEST(RenderJson, EscapesTextsLongerThanTheWritersBuffer) {
    using Expected = nlohmann::ordered_json;
    std::string packed;
    const char* const escapes[] = {"\"", "\n", "\\", "\x01", "\t"};
    for (size_t run = 0; packed.size() < 40000; ++run) {
        packed += std::string(run % 41, static_cast<char>('a' + run % 26));
        packed += escapes[run % 5];
    }
    const std::string texts[] = {packed, std::string(20000, '"'), std::string(9000, '\x02'),
                                 std::string(30000, 'p') + "\n" + std::string(30000, 'q')};
    for (const std::string& text : texts) {
        npar::render::Json value = {{"document", text}};
        const Expected expected = {{"document", text}};
        EXPECT_EQ(Written(value, 2), expected.dump(2)) << text.size();
        const std::string streamed = npar::WrittenText([&](npar::OutputSink& out) {
            npar::JsonStream json(out);
            json.BeginObject();
            json.Member("document", text);
            json.EndObject();
        });
        EXPECT_EQ(streamed, expected.dump(2)) << text.size();
    }
}

// Whole numbers, and numbers of one or two decimal places below 10^13, are
// written without the shortest-digits search; every number must still read
// as nlohmann::json writes it: digits and ".0" below 10^15, exponents from
// there on, negative zero with its sign.
TEST(RenderJson, WritesNumbersAsTheShortestFormDoes) {
    std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1e-7, 123456.789, 1e15, -1e15, 1e21, 1e300};
    for (int i = -2000; i <= 2000; ++i) values.push_back(i);
    for (double power = 1; power <= 1e17; power *= 10) {
        for (double value : {power, power - 1, power + 1, std::nextafter(power, 0.0),
                             std::nextafter(power, 1e300), 2 * power, 5 * power, 9.5 * power}) {
            values.push_back(value);
            values.push_back(-value);
        }
    }
    for (int bits = 0; bits <= 60; ++bits) values.push_back(std::ldexp(1.0, bits) + 1);
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::int64_t> whole(-999999999999999, 999999999999999);
    for (int i = 0; i < 20000; ++i) values.push_back(static_cast<double>(whole(random)));
    // Numbers of one or two places are written without the search too; their
    // neighbours, and numbers of more places, are not.
    for (int hundredths = -300000; hundredths <= 300000; ++hundredths)
        values.push_back(hundredths / 100.0);
    std::uniform_int_distribution<std::int64_t> wide(-999999999999999, 999999999999999);
    for (int i = 0; i < 20000; ++i) {
        const double value = static_cast<double>(wide(random)) / 100;
        for (double near : {value, std::nextafter(value, 0.0), std::nextafter(value, 1e300), value / 10,
                            value / 1000, value * 1e-7}) {
            values.push_back(near);
        }
    }
    for (const double value : values) {
        const std::string written =
            npar::WrittenText([&](npar::OutputSink& out) { npar::JsonStream(out).Number(value); });
        ASSERT_EQ(written, nlohmann::json(value).dump()) << value;
    }
}

// The stream hands on what it holds once a top-level value is complete, so
// that what the caller then writes to the sink itself follows it, also
// through a sink that passes its text on in small chunks; texts longer than
// the stream's buffer pass whole.
TEST(RenderJson, StreamHandsOnEachTopLevelValueBeforeTheCallerWritesOn) {
    std::string chunks;
    npar::OutputSink sink(
        [&chunks](const char* data, size_t size) {
            chunks.append(data, size);
            return true;
        },
        16);
    const std::string longText(20000, 'x');
    {
        npar::JsonStream json(sink);
        json.BeginObject();
        json.Member("long", longText);
        json.Key("list");
        json.Value(npar::render::Json::array({1, 2.5, "three"}));
        json.EndObject();
        sink += '\n';
        json.Number(4);
        sink += ';';
    }
    sink.Flush();
    EXPECT_EQ(chunks, "{\n  \"long\": \"" + longText +
                          "\",\n  \"list\": [\n    1,\n    2.5,\n    \"three\"\n  ]\n}\n4.0;");
}

// Containers' storage is reused from chart to chart: a value built from
// blocks another value gave back holds only what it was given, and the
// blocks kept stay bounded however many values are freed.
TEST(RenderJson, ReusedStorageHoldsOnlyTheNewValueAndStaysBounded) {
    using npar::render::Json;
    auto make = [](int seed) {
        Json rows = Json::array();
        for (int i = 0; i < 50; ++i) {
            Json row = {{"_layer", "mark" + std::to_string(seed)}, {"_v", seed * 100 + i}};
            for (int extra = 0; extra < i % 7; ++extra) row["e" + std::to_string(extra)] = extra;
            rows.push_back(std::move(row));
        }
        return rows;
    };
    const std::string first = Written(make(1), -1);
    for (int round = 0; round < 3; ++round) {
        std::vector<Json> many;
        for (int i = 0; i < 300; ++i) many.push_back(make(i));
        many.clear();
        EXPECT_LE(npar::render::json_storage::KeptBlocks(), 64u * 512u);
        EXPECT_EQ(Written(make(1), -1), first);
    }
    const std::string big = Written(make(2), 2);
    Json copy = make(2);
    Json moved = std::move(copy);
    EXPECT_EQ(Written(moved, 2), big);
}

// A row made in place is the object its braced list makes: the same
// members in the same order, each value of the same kind (a whole number of
// each signedness stays one, as it is written without a decimal point), and
// the same bytes written.
TEST(RenderJson, ObjectsMadeInPlaceAreThoseOfTheirBracedLists) {
    using npar::render::Json;
    const std::string key = "line:1";
    const size_t order = 7;
    const Json nested = {{"a", 1}, {"b", Json::array({1.5, "x"})}};
    const Json made = Json::MakeObject("_layer", key, "_lx", 0.25, "_ly", -3.0, "_o", order, "_n", -2,
                                       "_t", "text", "_b", true, "_z", nullptr, "_j", nested);
    const Json braced = {{"_layer", key}, {"_lx", 0.25}, {"_ly", -3.0},   {"_o", order}, {"_n", -2},
                         {"_t", "text"},  {"_b", true},  {"_z", nullptr}, {"_j", nested}};
    EXPECT_EQ(made, braced);
    ASSERT_EQ(made.size(), 9u);
    EXPECT_EQ(made["_o"].type(), Json::value_t::number_unsigned);
    EXPECT_EQ(made["_n"].type(), Json::value_t::number_integer);
    EXPECT_EQ(made["_ly"].type(), Json::value_t::number_float);
    EXPECT_EQ(Written(made, 2), Written(braced, 2));
    EXPECT_EQ(
        Written(made, -1),
        R"({"_layer":"line:1","_lx":0.25,"_ly":-3.0,"_o":7,"_n":-2,"_t":"text","_b":true,"_z":null,)"
        R"("_j":{"a":1,"b":[1.5,"x"]}})");
}

// Number keys are the texts ChartString gives a number with 16 digits,
// whole numbers (written by the integer conversion) and others alike, at
// the edges where the general form turns to exponents.
TEST(RenderJson, NumberKeysAreTheTextsOfSixteenDigits) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1,
                                  -1,
                                  7,
                                  10,
                                  100,
                                  0.5,
                                  -2.25,
                                  1e-5,
                                  123456.789,
                                  1.0 / 3,
                                  999999999999999.0,
                                  -999999999999999.0,
                                  1e15,
                                  -1e15,
                                  1e15 + 1,
                                  9999999999999998.0,
                                  1e16,
                                  1e17,
                                  -1e20,
                                  4503599627370496.5,
                                  1e300,
                                  std::numeric_limits<double>::quiet_NaN(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity()};
    for (double power = 1; power < 1e18; power *= 10) {
        values.push_back(power - 1);
        values.push_back(power + 1);
        values.push_back(-power);
    }
    for (const double value : values)
        EXPECT_EQ(npar::render::NumberKey(value), ChartString().assignDouble(value, 16).toUTF8())
            << value;
}

}  // namespace
