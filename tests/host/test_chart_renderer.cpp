// The chart renderer: chart documents made from the real templates with the
// edits the chart views make, and small data tables, drawn as Vega-Lite
// specifications whose layers, encodings and inlined rows are checked.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ChartRenderer.h"
#include "OutputWriters.h"
#include "VarDataProcessor.h"
#include "render/RenderCommon.h"

namespace {

using Json = nlohmann::json;
constexpr double kPi = 3.14159265358979323846;

std::string TemplateText(const std::string& name) {
    // From the source tree named at build time: __FILE__ may be relative
    // (a compiler cache can make it so), and the tests run from the build tree.
    const auto path = std::filesystem::path(NPAR_SOURCE_DIR) / "resources" / "templates" / name;
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_FALSE(text.str().empty()) << path;
    return text.str();
}

// Text edits the way the chart views make them: at the first occurrence.
void Replace(std::string& text, const std::string& token, const std::string& value) {
    const size_t at = text.find(token);
    ASSERT_NE(at, std::string::npos) << token;
    text.replace(at, token.size(), value);
}
void InsertBefore(std::string& text, const std::string& anchor, const std::string& fragment) {
    const size_t at = text.find(anchor);
    ASSERT_NE(at, std::string::npos) << anchor;
    text.insert(at, fragment);
}
void Erase(std::string& text, const std::string& open, const std::string& close) {
    const size_t from = text.find(open);
    const size_t to = text.find(close, from);
    ASSERT_TRUE(from != std::string::npos && to != std::string::npos) << open;
    text.erase(from, to + close.size() - from);
}

// A data table written through the chart service's data processor.
class Data {
public:
    Data& Source(const std::string& name) {
        fProcessor.AddDataSource(name, 0);
        fSource = name;
        return *this;
    }
    Data& Column(const std::string& name, const std::vector<ChartDatum>& cells) {
        fProcessor.AddVariable(fSource, name, nullptr);
        for (size_t row = 0; row < cells.size(); ++row) {
            if (const double* number = std::get_if<double>(&cells[row]))
                fProcessor.SetVariableValue(fSource, name, row, *number);
            if (const std::string* text = std::get_if<std::string>(&cells[row]))
                fProcessor.SetStringVariableValue(fSource, name, row, *text);
        }
        return *this;
    }
    Data& Numbers(const std::string& name, const std::vector<double>& values) {
        return Column(name, std::vector<ChartDatum>(values.begin(), values.end()));
    }
    npar::ChartModel Chart(const std::string& document) const {
        npar::ChartModel chart;
        chart.document = document;
        chart.data = fProcessor.Sources();
        return chart;
    }

private:
    VarDataProcessor fProcessor;
    std::string fSource;
};

Json Spec(const npar::ChartModel& chart) {
    const npar::RenderedChart rendered = npar::RenderChart(chart);
    EXPECT_TRUE(rendered.drawable) << rendered.note;
    EXPECT_TRUE(rendered.note.empty());
    return rendered.drawable ? Json::parse(rendered.vegaLite) : Json::object();
}

void Walk(const Json& node, const std::function<void(const Json&)>& visit) {
    visit(node);
    if (node.is_structured()) {
        for (const Json& child : node) Walk(child, visit);
    }
}

bool FiltersOn(const Json& layer, const std::string& key) {
    if (!layer.is_object() || !layer.contains("transform") || !layer.contains("mark")) return false;
    const Json& filter = layer["transform"][0]["filter"];
    if (filter.contains("equal")) return filter["equal"] == key;
    for (const Json& one : filter.value("oneOf", Json::array())) {
        if (one == key) return true;
    }
    return false;
}

// The layers drawing the rows of a key, in drawing order.
std::vector<Json> Layers(const Json& spec, const std::string& key) {
    std::vector<Json> found;
    Walk(spec, [&](const Json& node) {
        if (FiltersOn(node, key)) found.push_back(node);
    });
    return found;
}

std::vector<std::string> MarkTypes(const Json& spec, const std::string& key) {
    std::vector<std::string> types;
    for (const Json& layer : Layers(spec, key)) types.push_back(layer["mark"]["type"]);
    return types;
}

// The inlined rows of a key.
std::vector<Json> Rows(const Json& spec, const std::string& key) {
    std::vector<Json> rows;
    Walk(spec, [&](const Json& node) {
        if (!node.is_object() || !node.contains("values")) return;
        for (const Json& row : node["values"]) {
            // An axis's "values" lists its ticks.
            if (row.is_object() && row.value("_layer", "") == key) rows.push_back(row);
        }
    });
    return rows;
}

std::vector<std::string> Strings(const std::vector<Json>& rows, const std::string& field) {
    std::vector<std::string> out;
    for (const Json& row : rows) out.push_back(row.value(field, "<none>"));
    return out;
}
std::vector<double> Numbers(const std::vector<Json>& rows, const std::string& field) {
    std::vector<double> out;
    for (const Json& row : rows) out.push_back(row.value(field, std::nan("")));
    return out;
}

// The first object holding key anywhere in the Vega-Lite definition.
Json Find(const Json& spec, const std::string& key) {
    Json found;
    Walk(spec, [&](const Json& node) {
        if (found.is_null() && node.is_object() && node.contains(key)) found = node;
    });
    return found;
}

// The field-information chart of a categorical field, as the view makes it,
// its categories 1, 2, ... named as given.
std::string CategoricalHistogramOf(const std::vector<std::string>& names) {
    std::string text = TemplateText("NPARHistogram.viztemplate");
    Replace(text, "xAxisLabel", "Sex");
    Replace(text, "<binStatistic/>", "");
    Replace(text, "<summaryStatistic method=\"sum\"/>", "");
    Replace(text, "yAxisLabel", "Frequency");
    Replace(text, "labelText", "Total N =  27");
    Replace(text, "<frame", "<title><text>Categorical Field Information Sex</text></title><frame");
    std::string relabels;
    for (size_t i = 0; i < names.size(); ++i)
        relabels += "<relabel from=\"" + std::to_string(i + 1) + "\" to=\"" + names[i] + "\"/>";
    Replace(text, "measurement=\"scale\" categorical=\"false\"/>",
            "measurement=\"nominal\" categorical=\"true\" label=\"Sex\"><format type=\"F\" "
            "decimals=\"0\" width=\"8\"/>" +
                relabels + "</variable>");
    return text;
}

std::string CategoricalHistogram(const std::string& label) {
    return CategoricalHistogramOf({label, "Male"});
}

TEST(ChartRenderer, DrawsCategoricalBarsWithRelabelsAndTheStatisticsLabel) {
    const Json spec = Spec(Data()
                               .Source("graphSource")
                               .Numbers("value", {2, 1})
                               .Numbers("count", {15, 12})
                               .Chart(CategoricalHistogram("Female")));
    EXPECT_EQ(spec["$schema"], "https://vega.github.io/schema/vega-lite/v5.json");
    EXPECT_EQ(spec["title"]["text"], Json({"Categorical Field Information Sex"}));

    ASSERT_EQ(MarkTypes(spec, "bars"), std::vector<std::string>({"bar"}));
    const Json bars = Layers(spec, "bars")[0];
    EXPECT_EQ(bars["encoding"]["x"]["type"], "nominal");
    EXPECT_EQ(bars["encoding"]["x"]["scale"]["domain"],
              Json({"Female", "Male"}));  // category order: numbers ascending
    EXPECT_EQ(bars["encoding"]["x"]["title"], "Sex");
    EXPECT_EQ(bars["encoding"]["y"]["title"], "Frequency");
    EXPECT_EQ(bars["encoding"]["y"]["scale"]["domainMin"], 0);
    EXPECT_EQ(bars["mark"]["fill"], "#5b8db8");
    const auto rows = Rows(spec, "bars");
    EXPECT_EQ(Strings(rows, "_pos"), std::vector<std::string>({"Female", "Male"}));
    EXPECT_EQ(Numbers(rows, "_l1"), std::vector<double>({12, 15}));
    EXPECT_EQ(Numbers(rows, "_l0"), std::vector<double>({0, 0}));

    // The statistics frame stands right of the graph.
    ASSERT_TRUE(spec.contains("hconcat"));
    ASSERT_EQ(spec["hconcat"].size(), 2u);
    EXPECT_TRUE(spec["hconcat"][0].contains("layer"));
    EXPECT_EQ(Strings(Rows(spec["hconcat"][1], "text0"), "_t"),
              std::vector<std::string>({"Total N =  27"}));
    EXPECT_EQ(Layers(spec["hconcat"][1], "text0")[0]["mark"]["fontSize"], 12);  // 9 pt
}

// Category labels that would run into one another level are turned: half-way
// while their lines still stand apart, upright when the bands are narrower,
// with the room under the plot kept for them; so many categories that even
// upright labels would overlap widen the plot to give each a line.
TEST(ChartRenderer, TurnsCategoryLabelsThatWouldRunIntoOneAnother) {
    auto chart = [](size_t count) {
        std::vector<std::string> names;
        std::vector<double> values, counts;
        for (size_t i = 1; i <= count; ++i) {
            names.push_back(count <= 2 ? (i == 1 ? "Female" : "Male")
                                       : "Aberdeenshire" + std::to_string(i));
            values.push_back(static_cast<double>(i));
            counts.push_back(10);
        }
        return Spec(Data()
                        .Source("graphSource")
                        .Numbers("value", values)
                        .Numbers("count", counts)
                        .Chart(CategoricalHistogramOf(names)));
    };
    struct Case {
        size_t categories;
        int angle;
    };
    double levelHeight = 0;
    // 24 categories widen the plot to bands of 22 pixels, where labels turned
    // by 45 degrees pass; 60 would widen it beyond a page: their bands stay
    // narrow, and their labels stand upright.
    for (const Case& expected : {Case{2, 0}, Case{10, -45}, Case{24, -45}, Case{60, -90}}) {
        SCOPED_TRACE(expected.categories);
        const Json spec = chart(expected.categories);
        const Json axis = Layers(spec, "bars")[0]["encoding"]["x"]["axis"];
        EXPECT_EQ(axis["labelAngle"], expected.angle);
        EXPECT_EQ(Rows(spec, "bars").size(), expected.categories);
        const double height = Find(spec, "layer")["height"], width = Find(spec, "layer")["width"];
        const double step = width / static_cast<double>(expected.categories);
        EXPECT_GE(step, expected.categories < 60 ? 10 : 14) << "a line of room for each label";
        if (expected.categories == 24) {
            EXPECT_GE(step, 22);
        }
        EXPECT_LE(width, 960);
        if (expected.angle == 0) {
            levelHeight = height;
            EXPECT_FALSE(axis.contains("labelLimit"));
            continue;
        }
        // Turned labels are not broken into lines, and a long one ends in
        // an ellipsis rather than pushing the plot away.
        EXPECT_EQ(axis["labelExpr"], npar::render::kSplitLabels);
        EXPECT_EQ(axis["labelLimit"], 180);
        EXPECT_LT(height, levelHeight) << "the plot leaves room under it for the turned labels";
    }
}

// The chart's accessible name: its title, what it plots and its key values;
// marks and guides stay out of the accessibility tree, which it describes.
TEST(ChartRenderer, DescribesTheChartAsItsAccessibleName) {
    npar::ChartModel chart = Data()
                                 .Source("graphSource")
                                 .Numbers("value", {2, 1})
                                 .Numbers("count", {15, 12})
                                 .Chart(CategoricalHistogram("Female"));
    chart.description = "Categorical Field Information Sex; Region: North";
    const Json spec = Spec(chart);
    EXPECT_EQ(
        spec["description"],
        "Categorical Field Information Sex; Region: North. Bars of Frequency by Sex. Total N =  27.");
    EXPECT_EQ(spec["config"]["aria"], false);
    EXPECT_EQ(spec["config"]["mark"]["aria"], false);

    std::string text = TemplateText("NPARWilcoxonPairSignedRank.viztemplate");
    Replace(text, "LegendLabel", "Number of Ties = 2");
    Replace(text, "XAxis Text", "After - Before");
    Replace(text, "YAxis Text", "Frequency");
    Replace(text, "</categorize>",
            "</categorize><relabel from=\"0positive\" to=\"Positive Differences&#10;(7)\"/>"
            "<relabel from=\"1negative\" to=\"Negative Differences&#10;(3)\"/>");
    Replace(text, "<frame", "<title><text>Related-Samples Sign Test</text></title><frame");
    Data data;
    data.Source("graphSource").Numbers("count", {1, 2, 4}).Numbers("value", {-2, -1, 1});
    EXPECT_EQ(Spec(data.Chart(text))["description"],
              "Related-Samples Sign Test. Bars of Frequency by After - Before, in colours for Positive "
              "Differences (7), Negative Differences (3).");
}

TEST(ChartRenderer, KeepsMarkupCharactersAsData) {
    const npar::ChartModel chart =
        Data()
            .Source("graphSource")
            .Numbers("value", {1, 2})
            .Numbers("count", {3, 4})
            .Chart(CategoricalHistogram("A &amp; B &lt;C&gt; &quot;q&quot; 'r'"));
    const Json spec = Spec(chart);
    const std::string label = "A & B <C> \"q\" 'r'";
    EXPECT_EQ(Strings(Rows(spec, "bars"), "_pos")[0], label);
    EXPECT_EQ(Layers(spec, "bars")[0]["encoding"]["x"]["scale"]["domain"][0], label);
    const std::string text = npar::RenderChart(chart).vegaLite;
    EXPECT_EQ(text.find("&amp;"), std::string::npos);
    EXPECT_EQ(text.find("&lt;"), std::string::npos);
    EXPECT_NE(text.find("A & B <C> \\\"q\\\" 'r'"), std::string::npos);
}

// A continuous histogram of 14 bins of width 5 from 37.5, 120 cases.
Data ContinuousBins() {
    Data data;
    data.Source("graphSource")
        .Numbers("value",
                 {37.5, 42.5, 47.5, 52.5, 57.5, 62.5, 67.5, 72.5, 77.5, 82.5, 87.5, 92.5, 97.5, 102.5})
        .Numbers("count", {1, 1, 2, 8, 8, 14, 29, 23, 15, 6, 9, 3, 0, 1});
    return data;
}

std::string FittedHistogram(const std::string& distribution) {
    std::string text = TemplateText("NPARHistogram.viztemplate");
    InsertBefore(text, "</graph>",
                 "<line><distributionStatistic distribution=" + distribution +
                     "/><x variable=\"value\"/><y variable=\"count\"/></line>");
    Replace(text, "xAxisLabel", "Score");
    Replace(text, "yAxisLabel", "Frequency");
    Replace(text, "labelText", "Normal Parameters&#10;Mean 70.2");
    return text;
}

TEST(ChartRenderer, RebuildsBinsAndScalesFittedCurvesToTheBars) {
    const Json spec = Spec(ContinuousBins().Chart(
        FittedHistogram("\"normal\" parameter=\"70\" secondaryParameter=\"10\"")));
    // Equally spaced centres: one adjacent bar per centre, as wide as the spacing.
    const auto bars = Rows(spec, "bars");
    ASSERT_EQ(bars.size(), 14u);
    for (size_t i = 0; i < bars.size(); ++i) {
        EXPECT_DOUBLE_EQ(bars[i]["_p1"].get<double>() - bars[i]["_p0"].get<double>(), 5);
        if (i > 0) {
            EXPECT_DOUBLE_EQ(bars[i]["_p0"], bars[i - 1]["_p1"]);
        }
    }
    EXPECT_DOUBLE_EQ(bars[0]["_p0"], 35);
    EXPECT_EQ(bars[6]["_l1"], 29);
    const Json barLayer = Layers(spec, "bars")[0];
    EXPECT_EQ(barLayer["encoding"]["x"]["field"], "_p0");
    EXPECT_EQ(barLayer["encoding"]["x2"]["field"], "_p1");
    EXPECT_EQ(barLayer["encoding"]["x"]["type"], "quantitative");

    // The curve: N · w · f(x) over the bars' extent, 200 intervals.
    ASSERT_EQ(MarkTypes(spec, "mark1"), std::vector<std::string>({"line"}));
    const auto curve = Rows(spec, "mark1");
    ASSERT_EQ(curve.size(), 201u);
    EXPECT_DOUBLE_EQ(curve.front()["_lx"], 35);
    EXPECT_DOUBLE_EQ(curve.back()["_lx"], 105);
    const double peak = 120 * 5 / (10 * std::sqrt(2 * kPi));
    double highest = 0;
    for (const Json& point : curve) {
        const double x = point["_lx"], y = point["_ly"];
        EXPECT_NEAR(y, peak * std::exp(-(x - 70) * (x - 70) / 200), 1e-9);
        highest = std::max(highest, y);
    }
    EXPECT_NEAR(highest, peak, 1e-9);

    // Poisson: the probability function at the whole numbers.
    Data counts;
    counts.Source("graphSource")
        .Numbers("value", {0, 1, 2, 3, 4, 5, 6})
        .Numbers("count", {5, 15, 22, 22, 17, 10, 9});
    const auto poisson =
        Rows(Spec(counts.Chart(FittedHistogram("\"poisson\" parameter=\"3\""))), "mark1");
    ASSERT_EQ(poisson.size(), 7u);  // 0 to 6 within the bars' extent [-0.5, 6.5]
    for (size_t k = 0; k < poisson.size(); ++k) {
        EXPECT_EQ(poisson[k]["_lx"], static_cast<double>(k));
        EXPECT_NEAR(poisson[k]["_ly"].get<double>(),
                    100 * std::exp(k * std::log(3.0) - 3 - std::lgamma(k + 1.0)), 1e-9);
    }
    // Exponential: zero left of 0, a step to N · w · λ at 0.
    const auto exponential =
        Rows(Spec(counts.Chart(FittedHistogram("\"exponential\" parameter=\"0.5\""))), "mark1");
    bool step = false;
    for (const Json& point : exponential) {
        if (point["_lx"].get<double>() < 0) {
            EXPECT_EQ(point["_ly"], 0);
        }
        if (point["_lx"] == 0 && std::fabs(point["_ly"].get<double>() - 100 * 0.5) < 1e-9) step = true;
    }
    EXPECT_TRUE(step);
    // Uniform: flat at N · w / (b − a) between vertical steps at a and b.
    const auto uniform =
        Rows(Spec(counts.Chart(FittedHistogram("\"uniform\" parameter=\"1\" secondaryParameter=\"5\""))),
             "mark1");
    const std::vector<double> xs = Numbers(uniform, "_lx"), ys = Numbers(uniform, "_ly");
    EXPECT_EQ(xs, std::vector<double>({-0.5, 1, 1, 5, 5, 6.5}));
    EXPECT_EQ(ys, std::vector<double>({0, 0, 25, 25, 0, 0}));
    // Bins of unequal widths (the months January to April, centred at their
    // middles): the curve expects the count of a bin of their mean width,
    // the span of the bars over their number, (120.25 - 0.75) / 4.
    Data months;
    months.Source("graphSource")
        .Numbers("value", {15.5, 45, 74.5, 105})
        .Numbers("count", {10, 10, 10, 10});
    const auto monthly = Rows(
        Spec(months.Chart(FittedHistogram("\"uniform\" parameter=\"0\" secondaryParameter=\"120\""))),
        "mark1");
    ASSERT_FALSE(monthly.empty());
    EXPECT_NEAR(Numbers(monthly, "_ly")[1], 40 * 29.875 / 120, 1e-9);
    // Parameters that describe no distribution draw no curve.
    EXPECT_TRUE(
        Rows(Spec(counts.Chart(FittedHistogram("\"normal\" parameter=\"3\" secondaryParameter=\"0\""))),
             "mark1")
            .empty());
}

TEST(ChartRenderer, DrawsDatesOnATimeAxis) {
    std::string text = TemplateText("NPARHistogram.viztemplate");
    Replace(
        text, "measurement=\"scale\" categorical=\"false\"/>",
        "measurement=\"scale\" categorical=\"false\"><format type=\"DATE\" width=\"11\"/></variable>");
    Data data;
    const double jan1 = 13891910400;  // 2023-01-01 in seconds since 1582-10-14
    data.Source("graphSource")
        .Numbers("value", {jan1, jan1 + 86400, jan1 + 2 * 86400})
        .Numbers("count", {3, 4, 5});
    const Json spec = Spec(data.Chart(text));
    const Json x = Layers(spec, "bars")[0]["encoding"]["x"];
    EXPECT_EQ(x["type"], "temporal");
    EXPECT_EQ(x["scale"]["type"], "utc");
    EXPECT_NE(x["axis"]["labelExpr"].get<std::string>().find("utcFormat(datum.value, '%d-%b-%Y')"),
              std::string::npos);
    // Dates are centred on their ticks: the nice domain starts on a tick, and
    // a first label set flush with the axis would hide the second.
    EXPECT_EQ(x["axis"]["labelFlush"], false);
    const auto bars = Rows(spec, "bars");
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_DOUBLE_EQ(bars[0]["_pm"], 1672531200000.0);  // 2023-01-01T00:00Z in Unix milliseconds
    EXPECT_DOUBLE_EQ(bars[0]["_p1"].get<double>() - bars[0]["_p0"].get<double>(), 86400000.0);
}

std::string BoxTemplate() {
    std::string text = TemplateText("NPARBoxplot.viztemplate");
    Replace(text, "xAxisText", "Group");
    Replace(text, "yAxisText", "Score");
    Replace(text,
            "<variable id=\"Category\" sourceVariable=\"Category\" measurement=\"nominal\" "
            "categorical=\"true\"/>",
            "<variable id=\"Category\" sourceVariable=\"Category\" measurement=\"nominal\" "
            "categorical=\"true\" label=\"Group\">"
            "<relabel from=\"1\" to=\"Low\"/><relabel from=\"2\" to=\"High\"/></variable>");
    return text;
}

TEST(ChartRenderer, DrawsBoxPlotsFromTheSyntheticColumnWithGuidesAndTooltips) {
    Data data;
    data.Source("boxplotSource")
        .Numbers("Value", {10, 20, 20, 30, 50, 40, 40, -20, 5, 15, 15, 15, 25, 45, 35, 35, 35, 35})
        .Column("Label", {ChartDatum(), ChartDatum(), ChartDatum(), ChartDatum(), ChartDatum(),
                          ChartDatum(), ChartDatum(), 101.0})
        .Numbers("Category", {1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2})
        .Column("Tooltips",
                {std::string("12.50"), std::string("12.50"), std::string("12.50"), std::string("12.50"),
                 std::string("12.50"), std::string("12.50"), std::string("12.50"), std::string("7.25")});
    // Kruskal-Wallis popup, median test guide line and label.
    std::string text = BoxTemplate();
    InsertBefore(text, "</visualization>",
                 "<popup part=\"median\" target=\"schema\" tokenTemplate=\"Mean "
                 "Rank=$[1]$\"><tokenMapping valueToken=\"1\" variable=\"Tooltips\"/></popup>");
    InsertBefore(text, "</graph>", "<lineGuide y=\"27.5\"/>");
    InsertBefore(text, "<style", "<title><text>Independent-Samples Median Test</text></title>");
    text.insert(text.find("</graph>") + 8,
                "<labelFrame><location method=\"sizeToContent\" part=\"width\"/><location "
                "method=\"fixed\" part=\"bottom\" value=\"35%\"/>"
                "<location method=\"same\" part=\"right\" target=\"graph1\"/><label><text>Grand Median "
                "= 27.5</text></label></labelFrame>");
    const Json spec = Spec(data.Chart(text));

    // Whisker, caps, box and median of every category.
    EXPECT_EQ(MarkTypes(spec, "schema"),
              std::vector<std::string>({"rule", "tick", "tick", "bar", "tick"}));
    const auto boxes = Rows(spec, "schema");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(Strings(boxes, "_pos"), std::vector<std::string>({"Low", "High"}));
    const std::vector<std::string> five = {"_lo", "_q1", "_med", "_q3", "_hi"};
    EXPECT_EQ(Numbers({boxes[0]}, "_lo")[0], 10);
    for (size_t i = 0; i < five.size(); ++i) {
        EXPECT_EQ(boxes[0][five[i]], 10.0 * (i + 1)) << five[i];
        EXPECT_EQ(boxes[1][five[i]], 5 + 10.0 * i) << five[i];
    }
    const auto outliers = Rows(spec, "schema:outliers");
    ASSERT_EQ(outliers.size(), 1u);
    EXPECT_EQ(outliers[0]["_v"], -20);
    EXPECT_EQ(outliers[0]["_pos"], "High");
    EXPECT_TRUE(Rows(spec, "schema:extremes").empty());
    EXPECT_EQ(Layers(spec, "schema:outliers")[0]["mark"]["shape"], "circle");
    // The popup on the median: the group's first row.
    EXPECT_EQ(Strings(boxes, "_tip"), std::vector<std::string>({"Mean Rank=12.50", "Mean Rank=7.25"}));
    EXPECT_EQ(Layers(spec, "schema")[4]["encoding"]["tooltip"]["field"], "_tip");
    const Json value = Layers(spec, "schema")[3]["encoding"]["y"];
    EXPECT_EQ(value["title"], "Score");
    EXPECT_EQ(value["scale"]["zero"], false);

    // The grand median line across the plot, and its label inside the plot.
    ASSERT_EQ(MarkTypes(spec, "guide0"), std::vector<std::string>({"rule"}));
    EXPECT_EQ(Layers(spec, "guide0")[0]["encoding"]["y"]["field"], "_g");
    EXPECT_EQ(Numbers(Rows(spec, "guide0"), "_g"), std::vector<double>({27.5}));
    const auto inside = Layers(spec, "text0");
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_TRUE(inside[0]["mark"]["x"].is_number());
    EXPECT_LT(inside[0]["mark"]["y"].get<double>(), Find(spec, "width")["height"].get<double>() * 0.4);
    EXPECT_EQ(Strings(Rows(spec, "text0"), "_t"), std::vector<std::string>({"Grand Median = 27.5"}));

    // Moses: outliers labelled, boxes coloured by the derived groups with a legend.
    std::string moses = BoxTemplate();
    InsertBefore(moses, "</schema>",
                 "<labeling variable=\"Label\"/><color id=\"color1\" variable=\"Category_Derived\"/>");
    InsertBefore(
        moses, "<graph",
        "<derivedVariable id=\"Category_Derived\" value=\"Category\"><format><relabel from=\"1\" "
        "to=\"Control Group&#10;N = 7\"/>"
        "<relabel from=\"2\" to=\"Experimental Group&#10;N = 11\"/></format></derivedVariable>"
        "<legend id=\"legend1\"><legendTarget id=\"legend1_target\" aesthetic=\"color1\"/></legend>");
    InsertBefore(moses, "<frame", "<extension legend1=\"legend1\"/>");
    const Json colored = Spec(data.Chart(moses));
    const Json color = Layers(colored, "schema")[3]["encoding"]["color"];
    EXPECT_EQ(color["scale"]["domain"], Json({"Control Group\nN = 7", "Experimental Group\nN = 11"}));
    EXPECT_EQ(color["scale"]["range"], Json({"#4e79a7", "#f28e2b"}));
    EXPECT_EQ(color["legend"]["title"], "Group");  // the label of the variable it derives from
    EXPECT_FALSE(
        Layers(colored, "schema")[0]["encoding"].contains("xOffset"));  // one box a category: no offset
    EXPECT_EQ(MarkTypes(colored, "schema:outliers"), std::vector<std::string>({"point", "text"}));
    EXPECT_EQ(Strings(Rows(colored, "schema:outliers"), "_lab"), std::vector<std::string>({"101"}));
}

TEST(ChartRenderer, ClustersChiSquareBarsWithMappedColoursAndTooltips) {
    std::string text = TemplateText("NPARChiSquareTest.viztemplate");
    Replace(text, "titleText", "One-Sample Chi-Square Test");
    Replace(text, "xAxisText", "Region");
    Replace(text, "yAxisText", "Frequency");
    Replace(text, "legendTitle", "Frequency");
    text.insert(text.find("<popup") + 7,
                "tokenTemplate=\"Region=$[category]$\nObserved=$[observed]$\nHypothesized=$["
                "hypothesized]$\nResidual=$[residual]$\" ");
    Replace(text, "categoryOrder=\"a;b\"/>",
            "categoryOrder=\"a;b\"><relabel from=\"a\" to=\"Observed\"/><relabel from=\"b\" "
            "to=\"Hypothesized\"/></variable>");
    Data data;
    data.Source("graphSource")
        .Column("Category",
                {std::string("North"), std::string("North"), std::string("South"), std::string("South")})
        .Numbers("Frequency", {12, 10, 8, 10})
        .Numbers("Observed", {12, 12, 8, 8})
        .Numbers("Hypothesized", {10, 10, 10, 10})
        .Column("Type", {std::string("a"), std::string("b"), std::string("a"), std::string("b")})
        .Column("Residual",
                {std::string("2.00"), std::string("2.00"), std::string("-2.00"), std::string("-2.00")});
    const Json spec = Spec(data.Chart(text));
    const Json bars = Layers(spec, "bars")[0];
    EXPECT_EQ(bars["encoding"]["xOffset"]["field"], "_c");
    EXPECT_EQ(bars["encoding"]["color"]["scale"]["domain"], Json({"Observed", "Hypothesized"}));
    EXPECT_EQ(bars["encoding"]["color"]["scale"]["range"], Json({"#4e79a7", "#f28e2b"}));
    EXPECT_EQ(bars["encoding"]["color"]["legend"]["title"], "Frequency");
    EXPECT_EQ(bars["encoding"]["x"]["scale"]["domain"],
              Json({"North", "South"}));  // texts in order of appearance
    const auto rows = Rows(spec, "bars");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(Strings(rows, "_c"),
              std::vector<std::string>({"Observed", "Hypothesized", "Observed", "Hypothesized"}));
    EXPECT_EQ(rows[0]["_tip"], "Region=North\nObserved=12\nHypothesized=10.00\nResidual=2.00");
    EXPECT_EQ(bars["encoding"]["tooltip"]["field"], "_tip");
    EXPECT_EQ(spec["title"]["text"], Json({"One-Sample Chi-Square Test"}));
}

// The binomial test's stacked bars, their legend titled as given.
std::string StackedBars(const std::string& legendTitle) {
    std::string text = TemplateText("NPARStackedBar.viztemplate");
    text.replace(text.find("scalingFactor=") + 15, 1, "2.5");  // 100 / 40 cases
    Replace(text, "yAxisLabel", "Frequency");
    Replace(text, "LegendLabel", legendTitle);
    return text;
}

TEST(ChartRenderer, StacksPercentBarsScaledByTheirFactor) {
    Data data;
    data.Source("graphSource")
        .Column("categories", {std::string("Observed"), std::string("Observed"),
                               std::string("Hypothesized"), std::string("Hypothesized")})
        .Column("type",
                {std::string("Female"), std::string("Male"), std::string("Female"), std::string("Male")})
        .Numbers("value", {30, 10, 20, 20})
        .Column("tooltip",
                {std::string("Female 30%\nMale 10%\n"), std::string("Female 30%\nMale 10%\n"),
                 std::string("Female 20%\nMale 20%\n"), std::string("Female 20%\nMale 20%\n")});
    const Json spec = Spec(data.Chart(StackedBars("Sex")));
    const auto rows = Rows(spec, "bars");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(Numbers(rows, "_l0"), std::vector<double>({0, 75, 0, 50}));
    EXPECT_EQ(Numbers(rows, "_l1"), std::vector<double>({75, 100, 50, 100}));
    EXPECT_EQ(rows[1]["_tip"], "Female 30%\nMale 10%\n");
    const Json y = Layers(spec, "bars")[0]["encoding"]["y"];
    EXPECT_EQ(y["stack"], nullptr);  // stacked here, not by the library
    EXPECT_EQ(y["scale"]["domainMax"], 100);
    EXPECT_EQ(y["axis"]["labelExpr"], "format(datum.value, '.0f') + '%'");
    EXPECT_EQ(Layers(spec, "bars")[0]["encoding"]["color"]["legend"]["title"], "Sex");
    // A title longer than the legend writes on one line stands on several.
    const Json title = Layers(Spec(data.Chart(StackedBars("Would recommend the programme to a friend"))),
                              "bars")[0]["encoding"]["color"]["legend"]["title"];
    ASSERT_TRUE(title.is_array());
    EXPECT_GT(title.size(), 1u);
    std::string joined;
    for (const Json& line : title) joined += (joined.empty() ? "" : " ") + line.get<std::string>();
    EXPECT_EQ(joined, "Would recommend the programme to a friend");
}

TEST(ChartRenderer, DrawsTheRunsDistributionWithItsGuideLinesWithoutData) {
    std::string text = TemplateText("NPAROneSampleRunsTest.viztemplate");
    text.replace(text.find("<range max=\"") + 12, 3, "20");
    text.replace(text.find("parameter=\"") + 11, 2, "10.4");
    text.replace(text.find("secondaryParameter=\"") + 20, 1, "2");
    text.replace(text.find("<lineGuide x=\"20") + 14, 2, "7");
    Replace(text, "ObservedRunsText", "Observed Number of Runs = 7");
    text.replace(text.find("<lineGuide x=\"500") + 14, 3, "10.4");
    Replace(text, "TooFewRuns", "Too few runs");
    Replace(text, "TooManyRuns", "Too many runs");
    const Json spec = Spec(Data().Chart(text));

    const auto curve = Rows(spec, "runsDistribution");
    ASSERT_EQ(curve.size(), 201u);
    for (const Json& point : curve) {  // the density itself: no data to scale to
        const double x = point["_lx"], y = point["_ly"];
        EXPECT_NEAR(y, std::exp(-(x - 10.4) * (x - 10.4) / 8) / (2 * std::sqrt(2 * kPi)), 1e-12);
    }
    EXPECT_EQ(Numbers(curve, "_lx").front(), 0);
    EXPECT_EQ(Numbers(curve, "_lx").back(), 20);
    const Json line = Layers(spec, "runsDistribution")[0];
    EXPECT_EQ(line["mark"]["stroke"], "#1f4e79");
    EXPECT_EQ(line["encoding"]["y"]["axis"], nullptr);  // the hidden axis
    EXPECT_EQ(line["encoding"]["x"]["scale"]["domainMax"], 20);

    // Expected runs dashed, observed runs red with its label at the top.
    EXPECT_EQ(Numbers(Rows(spec, "guide0"), "_g"), std::vector<double>({10.4}));
    EXPECT_EQ(Layers(spec, "guide0")[0]["mark"]["strokeDash"], Json({4, 3}));
    EXPECT_EQ(MarkTypes(spec, "guide1"), std::vector<std::string>({"rule", "text"}));
    EXPECT_EQ(Numbers(Rows(spec, "guide1"), "_g"), std::vector<double>({7}));
    EXPECT_EQ(Layers(spec, "guide1")[0]["mark"]["stroke"], "#c0392b");
    EXPECT_EQ(Layers(spec, "guide1")[1]["mark"]["color"], "#c0392b");
    EXPECT_EQ(Strings(Rows(spec, "guide1"), "_t"),
              std::vector<std::string>({"Observed Number of Runs = 7"}));
    // The two region labels inside the plot, left and right.
    const auto left = Layers(spec, "text0"), right = Layers(spec, "text1");
    ASSERT_EQ(left.size(), 1u);
    ASSERT_EQ(right.size(), 1u);
    EXPECT_EQ(Strings(Rows(spec, "text0"), "_t"), std::vector<std::string>({"Too few runs"}));
    EXPECT_LT(left[0]["mark"]["x"].get<double>(), right[0]["mark"]["x"].get<double>());
}

TEST(ChartRenderer, PlacesMedianGuidesAndTheirLabelsAboveTheGraph) {
    std::string text = TemplateText("NPARHistogram.viztemplate");
    Replace(text, "xAxisLabel", "Score");
    Replace(text, "yAxisLabel", "Frequency");
    Replace(text, "labelText", "");
    // What the one-sample Wilcoxon view adds through the object model.
    InsertBefore(
        text, "<graph",
        "<style color=\"green\" id=\"lineGuide1Style\"/><style color=\"blue\" id=\"lineGuide2Style\"/>"
        "<style color=\"green\" fontWeight=\"bold\" id=\"label1Style\"/><style color=\"blue\" "
        "fontWeight=\"bold\" id=\"label2Style\"/>");
    InsertBefore(text, "</graph>",
                 "<lineGuide x=\"70\" style=\"lineGuide1Style\"/><lineGuide x=\"72.5\" "
                 "style=\"lineGuide2Style\"/>"
                 "<location part=\"right\" method=\"fixed\" value=\"80%\" specifiedByUser=\"true\"/>"
                 "<location part=\"top\" method=\"fixed\" value=\"10%\" specifiedByUser=\"true\"/>");
    InsertBefore(
        text, "</visualization>",
        "<labelFrame id=\"frameHypotheticalMedian\"><location part=\"top\" method=\"attach\" "
        "target=\"graph1\"/>"
        "<location part=\"left\" method=\"same\" target=\"graph1\"/><location part=\"height\" "
        "method=\"sizeToContent\"/>"
        "<location part=\"right\" method=\"fixed\" value=\"100%\"/><label "
        "style=\"label1Style\"><text>Hypothetical Median = 70.00</text></label></labelFrame>"
        "<labelFrame id=\"frameObservedMedian\"><location part=\"top\" method=\"same\" "
        "target=\"frameHypotheticalMedian\"/>"
        "<location part=\"left\" method=\"attach\" target=\"frameHypotheticalMedian\"/><location "
        "part=\"height\" method=\"sizeToContent\"/>"
        "<location part=\"right\" method=\"attach\" target=\"frameHypotheticalMedian\"/><label "
        "style=\"label2Style\"><text>Observed Median = 72.50</text></label></labelFrame>");
    const Json spec = Spec(ContinuousBins().Chart(text));
    EXPECT_EQ(Numbers(Rows(spec, "guide0"), "_g"), std::vector<double>({70}));
    EXPECT_EQ(Layers(spec, "guide0")[0]["mark"]["stroke"], "green");
    EXPECT_EQ(Numbers(Rows(spec, "guide1"), "_g"), std::vector<double>({72.5}));
    EXPECT_EQ(Layers(spec, "guide1")[0]["mark"]["stroke"], "blue");
    // Both labels in one row above the graph, side by side; the empty
    // statistics frame takes no room.
    ASSERT_TRUE(spec.contains("vconcat"));
    ASSERT_EQ(spec["vconcat"].size(), 2u);
    const Json above = spec["vconcat"][0];
    EXPECT_EQ(Strings(Rows(above, "text0"), "_t"),
              std::vector<std::string>({"Hypothetical Median = 70.00"}));
    EXPECT_EQ(Strings(Rows(above, "text1"), "_t"),
              std::vector<std::string>({"Observed Median = 72.50"}));
    const Json first = Layers(above, "text0")[0]["mark"], second = Layers(above, "text1")[0]["mark"];
    EXPECT_EQ(first["color"], "green");
    EXPECT_EQ(first["fontWeight"], "bold");
    EXPECT_EQ(second["y"], first["y"]);
    EXPECT_GT(second["x"].get<double>(), first["x"].get<double>() + 100);
    EXPECT_TRUE(spec["vconcat"][1].contains("layer"));
    EXPECT_FALSE(spec["vconcat"][1].contains("hconcat"));
}

// The comparison network's template as the pairwise view edits it, with
// the nodes relabelled (an attribute's "&#10;" is a line break).
std::string NetworkTemplate(const std::string& relabels) {
    std::string text = TemplateText("GLMMPairwiseContrasts.viztemplate");
    Erase(text, "<faceting", "</faceting>");
    Erase(text, "<facetLayout", "</facetLayout>");
    Erase(text, "<legend", "</legend>");
    Replace(text, "TitleText", "Pairwise Comparisons");
    InsertBefore(text, "id=\"style7\"", " visible=\"false\" ");
    Replace(text, "FootnoteText", "Each node shows the sample average rank.");
    InsertBefore(text, "</graphLayoutStatistic>", "<move/>");
    InsertBefore(text, "$[1]$", "Adj.Sig. = ");
    Replace(text, "measurement=\"nominal\" categorical=\"true\" label=\"Sample\"/>",
            "measurement=\"nominal\" categorical=\"true\" label=\"Sample\">" + relabels + "</variable>");
    return text;
}

TEST(ChartRenderer, LaysOutTheComparisonNetworkOnACircle) {
    const std::string text = NetworkTemplate(
        "<relabel from=\"0\" to=\"A&#10;1.50\"/><relabel from=\"1\" to=\"B&#10;2.00\"/>");
    Data data;
    data.Source("nodeSource_1")
        .Numbers("node", {0, 1, 2, 3})
        .Column("facet1", std::vector<ChartDatum>(4, std::string(" ")))
        .Column("facet2", std::vector<ChartDatum>(4, std::string(" ")));
    data.Source("edgeSource_1")
        .Numbers("from", {0, 1, 0})
        .Numbers("to", {1, 2, 7})  // 7 is no node: skipped
        .Numbers("weight", {1, 1, 1})
        .Numbers("weightInPopup", {0.01, 0.6, 0.2})
        .Numbers("type", {1, 2, 2});
    const Json spec = Spec(data.Chart(text));

    const auto nodes = Rows(spec, "nodes");
    ASSERT_EQ(nodes.size(), 4u);
    const Json view = Find(spec, "layer");
    const double width = view["width"], height = view["height"];
    // The first at the top, then clockwise, on a circle that leaves room for
    // the labels outside it: here the top node's two lines above it.
    const double radius = height / 2 - nodes[0]["_py"].get<double>();
    EXPECT_NEAR(nodes[0]["_px"].get<double>(), width / 2, 0.01);
    EXPECT_LE(radius, 0.4 * std::min(width, height));
    EXPECT_GE(nodes[0]["_py"].get<double>() - 14 - 4 - 2 * 13, 0) << "the top label fits above its node";
    EXPECT_NEAR(nodes[1]["_px"].get<double>(), width / 2 + radius, 0.01);
    EXPECT_NEAR(nodes[2]["_py"].get<double>(), height / 2 + radius, 0.01);
    EXPECT_EQ(MarkTypes(spec, "nodes"), std::vector<std::string>({"point"}));
    // Each label stands outside the circle on its node's side, clear of the
    // edges that run inwards: above the top node, right of the right one...
    const std::vector<std::pair<std::string, std::string>> sides = {
        {"above", "A\n1.50"}, {"right", "B\n2.00"}, {"below", "2"}, {"left", "3"}};
    for (const auto& [side, label] : sides) {
        EXPECT_EQ(Strings(Rows(spec, "nodes:" + side), "_lab"), std::vector<std::string>({label}))
            << side;
        ASSERT_EQ(MarkTypes(spec, "nodes:" + side), std::vector<std::string>({"text"})) << side;
    }
    const Json above = Layers(spec, "nodes:above")[0]["mark"],
               left = Layers(spec, "nodes:left")[0]["mark"];
    EXPECT_EQ(above["baseline"], "bottom");
    EXPECT_LT(above["dy"].get<double>(), 0);
    EXPECT_EQ(left["align"], "right");
    EXPECT_LT(left["dx"].get<double>(), 0);
    EXPECT_EQ(Layers(spec, "nodes")[0]["mark"]["size"], 28 * 28);
    EXPECT_EQ(Layers(spec, "nodes")[0]["encoding"]["x"]["scale"], nullptr);  // pixel positions

    // Edges between the nodes' positions, coloured by type, drawn first.
    const auto edges = Rows(spec, "edges");
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_EQ(edges[0]["_px"], nodes[0]["_px"]);
    EXPECT_EQ(edges[0]["_py2"], nodes[1]["_py"]);
    EXPECT_EQ(edges[1]["_px"], nodes[1]["_px"]);
    EXPECT_EQ(edges[1]["_px2"], nodes[2]["_px"]);
    EXPECT_EQ(edges[0]["_tip"], "Adj.Sig. = 0.010");
    const Json edgeLayer = Layers(spec, "edges")[0];
    EXPECT_EQ(edgeLayer["mark"]["type"], "rule");
    // The type's shown texts (1 below the significance level: "Yes") keyed
    // to the colours of its keys.
    EXPECT_EQ(edgeLayer["encoding"]["color"]["scale"]["domain"], Json({"Yes", "No"}));
    EXPECT_EQ(edgeLayer["encoding"]["color"]["scale"]["range"], Json({"#e3701a", "#404040"}));
    EXPECT_EQ(edgeLayer["encoding"]["color"]["legend"], nullptr);  // the view erased the legend
    EXPECT_EQ(Layers(spec, "edges").size(), 1u);                   // edge labels hidden by their style
    std::vector<std::string> order;
    for (const Json& layer : view["layer"]) order.push_back(layer["transform"][0]["filter"]["equal"]);
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), "edges");
    // The footnote under the chart, with the key to the edges' colours that
    // the erased legend would have given.
    EXPECT_EQ(
        Strings(Rows(spec["vconcat"].back(), "text0"), "_t"),
        std::vector<std::string>({"Each node shows the sample average rank.\nOrange lines join the "
                                  "pairs whose adjusted significance is below the significance "
                                  "level."}));
}

// The boxes a network's node symbols and labels cover, in the view's pixels,
// as the chart library draws the marks the specification gives them (label
// widths by the renderer's own measure of text).
struct NodeBox {
    double left, top, right, bottom;
    size_t node;
};

std::vector<NodeBox> NetworkBoxes(const Json& spec) {
    std::vector<NodeBox> boxes;
    const auto nodes = Rows(spec, "nodes");
    const double diameter = std::sqrt(Layers(spec, "nodes")[0]["mark"]["size"].get<double>());
    std::map<std::pair<double, double>, size_t> byPlace;
    for (const Json& node : nodes) {
        const double x = node["_px"], y = node["_py"];
        byPlace[{x, y}] = boxes.size();
        boxes.push_back(
            {x - diameter / 2, y - diameter / 2, x + diameter / 2, y + diameter / 2, boxes.size()});
    }
    const size_t symbols = boxes.size();
    for (const std::string side : {"above", "below", "left", "right"}) {
        const auto layers = Layers(spec, "nodes:" + side);
        if (layers.empty()) continue;
        const Json& mark = layers[0]["mark"];
        const double font = mark.value("fontSize", 11.0), line = font + 2;
        for (const Json& row : Rows(spec, "nodes:" + side)) {
            const std::vector<std::string> lines = npar::render::SplitLines(row["_lab"]);
            double width = 0;
            for (const std::string& text : lines)
                width = std::max(width, npar::render::TextWidth(text, font));
            const double height = static_cast<double>(lines.size()) * line;
            const double x = row["_px"].get<double>() + mark.value("dx", 0.0);
            const double y = row["_py"].get<double>() + mark.value("dy", 0.0);
            const std::string align = mark["align"], baseline = mark["baseline"];
            const double left = align == "left" ? x : align == "right" ? x - width : x - width / 2;
            const double top = baseline == "top" ? y : baseline == "bottom" ? y - line : y - line / 2;
            // The node a label belongs to: the one whose place it is written at
            // (a label above or beside its node is lifted by its extra lines).
            size_t owner = symbols;
            double nearest = HUGE_VAL;
            for (const auto& [place, index] : byPlace) {
                const double distance = std::hypot(place.first - row["_px"].get<double>(),
                                                   place.second - row["_py"].get<double>());
                if (distance < nearest) nearest = distance, owner = index;
            }
            boxes.push_back({left, top, left + width, top + height, owner});
        }
    }
    return boxes;
}

// A network of many groups gets a circle on which no node's symbol or label
// runs into another node's, and a panel that holds it with its labels. (A few
// nodes keep the circle the panel allows, as the test above shows.) Groups
// described at length have their names broken into lines rather than
// widening the chart.
TEST(ChartRenderer, SpreadsANetworkOfManyNodesSoThatNothingOverlaps) {
    const std::string longName = "Placebo with standard care and follow-up visits";
    for (const auto& [count, name] : std::vector<std::pair<int, std::string>>{
             {12, "Group"}, {20, "Group"}, {30, "Group"}, {5, longName}}) {
        SCOPED_TRACE(std::to_string(count) + " " + name);
        std::string relabels;
        std::vector<double> nodeValues, from, to, weights, popups, types;
        for (int i = 0; i < count; ++i) {
            char rank[32];
            std::snprintf(rank, sizeof rank, "%.2f", 100 + 7.25 * i);
            relabels += "<relabel from=\"" + std::to_string(i) + "\" to=\"" + name + " " +
                        std::to_string(i) + "&#10;" + rank + "\"/>";
            nodeValues.push_back(i);
            from.push_back(0);
            to.push_back((i + 1) % count);
            weights.push_back(1);
            popups.push_back(0.5);
            types.push_back(2);
        }
        Data data;
        data.Source("nodeSource_1")
            .Numbers("node", nodeValues)
            .Column("facet1", std::vector<ChartDatum>(nodeValues.size(), std::string(" ")))
            .Column("facet2", std::vector<ChartDatum>(nodeValues.size(), std::string(" ")));
        data.Source("edgeSource_1")
            .Numbers("from", from)
            .Numbers("to", to)
            .Numbers("weight", weights)
            .Numbers("weightInPopup", popups)
            .Numbers("type", types);
        const Json spec = Spec(data.Chart(NetworkTemplate(relabels)));
        const Json view = Find(spec, "layer");
        const double width = view["width"], height = view["height"];
        const std::vector<NodeBox> boxes = NetworkBoxes(spec);
        ASSERT_EQ(boxes.size(), 2u * static_cast<size_t>(count)) << "a symbol and a label for each node";
        if (name == longName) {
            const auto top = Rows(spec, "nodes:above");
            ASSERT_FALSE(top.empty());
            // The name broken at blanks into lines of 160 pixels at most, every
            // word kept, and the rank on its own line after it.
            const double font = Layers(spec, "nodes:above")[0]["mark"].value("fontSize", 11.0);
            const std::vector<std::string> lines = npar::render::SplitLines(top[0]["_lab"]);
            ASSERT_GT(lines.size(), 2u);
            std::string rejoined;
            for (size_t i = 0; i + 1 < lines.size(); ++i) {
                EXPECT_LE(npar::render::TextWidth(lines[i], font), 160) << lines[i];
                rejoined += (i ? " " : "") + lines[i];
            }
            EXPECT_EQ(rejoined, longName + " 0");
            EXPECT_EQ(lines.back(), "100.00");
            EXPECT_LT(width, 500) << "a chart of five groups stays about the size of any other";
        }
        for (size_t i = 0; i < boxes.size(); ++i) {
            const NodeBox& a = boxes[i];
            EXPECT_TRUE(a.left >= -0.5 && a.top >= -0.5 && a.right <= width + 0.5 &&
                        a.bottom <= height + 0.5)
                << "node " << a.node << " sticks out of the " << width << " x " << height << " panel";
            for (size_t j = i + 1; j < boxes.size(); ++j) {
                const NodeBox& b = boxes[j];
                if (a.node == b.node) continue;
                const bool apart = a.right <= b.left + 0.5 || b.right <= a.left + 0.5 ||
                                   a.bottom <= b.top + 0.5 || b.bottom <= a.top + 0.5;
                EXPECT_TRUE(apart) << "nodes " << a.node << " and " << b.node << " overlap";
            }
        }
    }
}

TEST(ChartRenderer, FacetsCellsIntoAGridWithTextsOnTheDiagonal) {
    std::string text = TemplateText("FacetBarChart.viztemplate");
    Replace(text, "TitleText", "Related-Samples McNemar Change Test");
    Replace(text, "Facet1Text", "After");
    Replace(text, "Facet2Text", "Before");
    Replace(text, "tooltipText", "Observed=$[0]$ &#10;Hypothesized=$[1]$");
    Replace(text, "<color id=\"color1\"", "<pattern id=\"color1\"");
    Replace(text, "<format type=\"F\" decimals=\"0\"/>",
            "<format type=\"F\" decimals=\"0\" prefix=\"Observed&#10;Frequency = \"/>");
    for (const char* id : {"Row", "Column"}) {
        const std::string plain = std::string("<variable id=\"") + id + "\" sourceVariable=\"" + id +
                                  "\" measurement=\"nominal\" categorical=\"true\"/>";
        Replace(text, plain,
                plain.substr(0, plain.size() - 2) +
                    "><relabel from=\"0\" to=\"No\"/><relabel from=\"1\" to=\"Yes\"/></variable>");
    }
    Replace(text,
            "<variable id=\"category\" sourceVariable=\"Category\" measurement=\"nominal\" "
            "categorical=\"true\"/>",
            "<variable id=\"category\" sourceVariable=\"Category\" measurement=\"nominal\" "
            "categorical=\"true\">"
            "<relabel from=\"0\" to=\"Observed\"/><relabel from=\"1\" to=\"Hypothesized\"/></variable>");
    Data data;
    const ChartDatum none;
    data.Source("graphSource")
        .Column("CellText", {10.0, none, none, none, none, 20.0})
        .Numbers("Column", {0, 1, 1, 0, 0, 1})
        .Numbers("Row", {0, 0, 0, 1, 1, 1})
        .Numbers("Category", {0, 0, 1, 0, 1, 0})
        .Column("CellValue", {none, 3.0, 5.5, 8.0, 5.5, none})
        .Numbers("ObservedTooltip", {10, 3, 3, 8, 8, 20})
        .Numbers("HypothesizedTooltip", {0, 5.5, 5.5, 5.5, 5.5, 0});
    const Json spec = Spec(data.Chart(text));
    ASSERT_TRUE(spec.contains("facet"));
    EXPECT_EQ(spec["facet"]["column"]["field"], "_fc");
    EXPECT_EQ(spec["facet"]["column"]["sort"], Json({"No", "Yes"}));
    EXPECT_EQ(spec["facet"]["column"]["title"], "After");
    EXPECT_EQ(spec["facet"]["row"]["title"], "Before");
    EXPECT_EQ(spec["facet"]["row"]["header"]["labelOrient"], "right");

    const auto bars = Rows(spec, "bars");
    ASSERT_EQ(bars.size(), 4u);  // off the diagonal only
    EXPECT_EQ(bars[0]["_fc"], "Yes");
    EXPECT_EQ(bars[0]["_fr"], "No");
    EXPECT_EQ(bars[0]["_tip"], "Observed=3 \nHypothesized=5.5");
    const Json encoding = Layers(spec, "bars")[0]["encoding"];
    EXPECT_EQ(encoding["x"]["axis"], nullptr);
    EXPECT_EQ(encoding["opacity"]["scale"]["domain"],
              Json({"Observed", "Hypothesized"}));  // a pattern: graded grey
    EXPECT_EQ(Layers(spec, "bars")[0]["mark"]["fill"], "#404040");
    EXPECT_TRUE(encoding["opacity"]["legend"].is_object());

    // The diagonal's counts written in the middle of their panels.
    const auto texts = Rows(spec, "cellTexts");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(Strings(texts, "_lab"),
              std::vector<std::string>({"Observed\nFrequency = 10", "Observed\nFrequency = 20"}));
    EXPECT_EQ(Strings(texts, "_fc"), std::vector<std::string>({"No", "Yes"}));
    EXPECT_EQ(MarkTypes(spec, "cellTexts"), std::vector<std::string>({"text"}));
    const Json mark = Layers(spec, "cellTexts")[0]["mark"];
    EXPECT_DOUBLE_EQ(mark["x"], spec["spec"]["width"].get<double>() / 2);
    EXPECT_EQ(mark["fontWeight"], "bold");

    // Four categories a side: the panels stay wide enough for the counts'
    // lines (they were narrower than "Frequency = 40" and it ran over the
    // axis of the panel beside).
    Data grid;
    grid.Source("graphSource")
        .Numbers("CellText", {10, 20, 30, 40})
        .Numbers("Column", {0, 1, 2, 3})
        .Numbers("Row", {0, 1, 2, 3})
        .Numbers("Category", {0, 0, 0, 0})
        .Column("CellValue", {none, none, none, none})
        .Numbers("ObservedTooltip", {10, 20, 30, 40})
        .Numbers("HypothesizedTooltip", {0, 0, 0, 0});
    const Json gridSpec = Spec(grid.Chart(text));
    const double font = Layers(gridSpec, "cellTexts")[0]["mark"]["fontSize"];
    EXPECT_GE(gridSpec["spec"]["width"].get<double>(),
              npar::render::TextWidth("Frequency = 40", font) + 4);
}

// The panel histogram of related fields, or of two groups with the view's
// back-to-back edits.
std::string PanelHistogram(bool twoGroups) {
    std::string text = TemplateText("NPARRelatedSamplesHistogram.viztemplate");
    Replace(text, "xTitle", "Frequency");
    if (twoGroups) {
        const size_t alternating = text.find("alternating=");
        text.replace(alternating + 13, 5, "true");
        text.replace(text.find('x', alternating + 13), 1, "y");
        text.replace(text.find("invert=\"") + 8, 4, "false");
        text.replace(text.find("3%"), 1, "18");
        Replace(text, "subTitle", "Course variant");
        Replace(text, "yTitle0", "Score");
        Replace(text, "yTitle1", "Score (right)");
    } else {
        Erase(text, "<label id=\"subLabel\">", "</label>");
        Replace(text, "categoryOrder1", "2;0;1");
        Replace(text, "yTitle0", "Rank");
        Replace(text, "yTitle1", "Rank");
    }
    Replace(text,
            "<variable id=\"labelname\" sourceVariable=\"LABELNAME\" measurement=\"nominal\" "
            "categorical=\"true\" label=\"Panel Label\"/>",
            "<variable id=\"labelname\" sourceVariable=\"LABELNAME\" measurement=\"nominal\" "
            "categorical=\"true\" label=\"Panel Label\">"
            "<relabel from=\"g0\" to=\"Mean Rank = 1.50\"/><relabel from=\"g1\" to=\"N = 2&#10;Mean "
            "Rank = 2.50\"/></variable>");
    return text;
}

// The related-samples histogram's data: two bars in each of three panels,
// their panel labels g0, g1, g2, and the categories that make the panels.
Data RelatedPanels(const std::vector<ChartDatum>& types) {
    Data related;
    related.Source("graphSource")
        .Numbers("COUNTS", {4, 6, 2, 8, 5, 5})
        .Numbers("MEANS", {1, 2, 1, 2, 1, 2})
        .Column("LABELNAME", {std::string("g0"), std::string("g0"), std::string("g1"), std::string("g1"),
                              std::string("g2"), std::string("g2")})
        .Column("TYPES", types);
    return related;
}

// The two-group histogram's data: two bars for each group, back to back.
Data TwoGroupPanels(const std::string& first, const std::string& second) {
    Data groups;
    groups.Source("graphSource")
        .Numbers("COUNTS", {4, 6, 2, 9})
        .Numbers("MEANS", {10, 20, 10, 20})
        .Column("LABELNAME",
                {std::string("g0"), std::string("g0"), std::string("g1"), std::string("g1")})
        .Column("TYPES", {first, first, second, second});
    return groups;
}

TEST(ChartRenderer, DrawsPanelledHistogramsSideBySideOrBackToBack) {
    const Json spec = Spec(RelatedPanels({0.0, 0.0, 1.0, 1.0, 2.0, 2.0}).Chart(PanelHistogram(false)));
    ASSERT_TRUE(spec.contains("facet"));
    EXPECT_EQ(spec["facet"]["column"]["sort"], Json({"2", "0", "1"}));  // the category order
    const Json bars = Layers(spec, "bars")[0]["encoding"];
    EXPECT_EQ(bars["y"]["field"], "_p0");  // horizontal bars: positions on y
    EXPECT_EQ(bars["x"]["field"], "_l1");
    EXPECT_EQ(bars["y"]["scale"]["reverse"], true);  // ranks from the top
    EXPECT_EQ(bars["y"]["title"], "Rank");
    // Panel labels stand in the header under their panel's name, never over the bars.
    EXPECT_TRUE(Rows(spec, "panelLabels").empty());
    EXPECT_EQ(
        spec["facet"]["column"]["header"]["labelExpr"],
        "({'2': ['2', 'g2'], '0': ['0', 'Mean Rank = 1.50'], '1': ['1', 'N = 2', 'Mean Rank = 2.50']})"
        "[datum.value]");

    const Json mirrored = Spec(TwoGroupPanels("Control", "Coaching").Chart(PanelHistogram(true)));
    const Json pair = Find(mirrored, "hconcat")["hconcat"];
    ASSERT_EQ(pair.size(), 2u);
    const Json left = Layers(pair[0], "bars")[0]["encoding"],
               right = Layers(pair[1], "bars")[0]["encoding"];
    EXPECT_EQ(left["x"]["scale"]["reverse"], true);  // bars grow towards the axis on the left
    EXPECT_FALSE(right["x"]["scale"].contains("reverse"));
    EXPECT_EQ(left["x"]["scale"]["domain"], right["x"]["scale"]["domain"]);
    EXPECT_EQ(right["x"]["scale"]["domain"][1], 9);
    EXPECT_EQ(right["y"]["axis"]["orient"], "right");
    EXPECT_EQ(right["y"]["title"], "Score (right)");
    EXPECT_EQ(left["y"]["title"], "Score");
    EXPECT_EQ(pair[0]["title"]["text"], Json({"Control"}));
    EXPECT_EQ(pair[0]["title"]["subtitle"], Json({"Mean Rank = 1.50"}));
    EXPECT_EQ(pair[1]["title"]["subtitle"], Json({"N = 2", "Mean Rank = 2.50"}));
    EXPECT_EQ(pair[1]["title"]["subtitleFontSize"], 12);  // 9 pt
    EXPECT_EQ(Numbers(Rows(pair[1], "bars"), "_l1"), std::vector<double>({2, 9}));
    // The sub-label above the panels.
    EXPECT_EQ(Strings(Rows(mirrored["vconcat"][0], "text0"), "_t"),
              std::vector<std::string>({"Course variant"}));
}

// A panel's name too wide for the step to the next panel is broken at blanks
// in the header, side by side and back to back, every word kept; names that
// fit stay on their line.
TEST(ChartRenderer, BreaksPanelNamesThatWouldRunIntoTheirNeighbours) {
    const std::string placebo = "Placebo with standard care and follow-up visits",
                      active = "Active comparator (established treatment, 20 mg daily)";
    const auto joined = [](const Json& lines) {
        std::string text;
        for (const Json& line : lines) text += (text.empty() ? "" : " ") + line.get<std::string>();
        return text;
    };
    const Json pair =
        Find(Spec(TwoGroupPanels(placebo, active).Chart(PanelHistogram(true))), "hconcat")["hconcat"];
    ASSERT_EQ(pair.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const Json& lines = pair[i]["title"]["text"];
        EXPECT_GT(lines.size(), 1u) << i;
        EXPECT_EQ(joined(lines), i == 0 ? placebo : active);
    }

    const std::string header = Spec(
        RelatedPanels({placebo, placebo, active, active, std::string("Short"), std::string("Short")})
            .Chart(PanelHistogram(false)))["facet"]["column"]["header"]["labelExpr"];
    EXPECT_EQ(header.find("['" + placebo + "'"), std::string::npos) << header;
    EXPECT_NE(header.find("['Placebo with"), std::string::npos) << header;
    EXPECT_NE(header.find("'Short': ['Short', "), std::string::npos) << header;
}

// Eight related fields in a chart three standard widths wide (as the view
// sizes one): the row of panels, wider than a page, is wrapped into two rows
// of four, each panel as wide as in the one row and no narrower in height.
TEST(ChartRenderer, WrapsARowOfPanelsWiderThanAPage) {
    std::string text = PanelHistogram(false);
    Replace(text, "categoryOrder=\"2;0;1\"", "categoryOrder=\"0;1;2;3;4;5;6;7\"");
    std::vector<ChartDatum> types;
    std::vector<double> counts, means;
    for (int field = 0; field < 8; ++field) {
        for (int rank = 1; rank <= 2; ++rank) {
            types.push_back(double(field));
            counts.push_back(field + rank);
            means.push_back(rank);
        }
    }
    const auto spec = [&](const std::string& frame) {
        std::string sized = text;
        Replace(sized, "<frame width=\"1\" height=\"1\"/>", frame);
        Data data;
        data.Source("graphSource")
            .Numbers("COUNTS", counts)
            .Numbers("MEANS", means)
            .Column("LABELNAME", std::vector<ChartDatum>(16, std::string("g0")))
            .Column("TYPES", types);
        return Spec(data.Chart(sized));
    };
    const Json wide = spec("<frame width=\"3\" height=\"1.2\"/>");
    ASSERT_TRUE(wide.contains("facet"));
    EXPECT_EQ(wide["columns"], 4);
    EXPECT_EQ(wide["facet"]["sort"], Json({"0", "1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_TRUE(wide["facet"]["header"].contains("labelExpr"));
    EXPECT_GE(wide["spec"]["width"].get<double>(), 140);
    EXPECT_GE(wide["spec"]["height"].get<double>(), 300);
    // A standard width holds its row as it is.
    const Json standard = spec("<frame width=\"1\" height=\"1\"/>");
    EXPECT_FALSE(standard.contains("columns"));
    EXPECT_EQ(standard["facet"]["column"]["sort"].size(), 8u);
}

TEST(ChartRenderer, ColoursSignedDifferencesAndLeavesTiesPlain) {
    std::string text = TemplateText("NPARWilcoxonPairSignedRank.viztemplate");
    Replace(text, "LegendLabel", "Number of Ties = 2");
    Replace(text, "XAxis Text", "After - Before");
    Replace(text, "YAxis Text", "Frequency");
    Replace(text, "</categorize>",
            "</categorize><relabel from=\"0positive\" to=\"Positive Differences&#10;(7)\"/>"
            "<relabel from=\"1negative\" to=\"Negative Differences&#10;(3)\"/>");
    Data data;
    data.Source("graphSource").Numbers("count", {1, 2, 2, 4, 3}).Numbers("value", {-2, -1, 0, 1, 2});
    const Json spec = Spec(data.Chart(text));
    EXPECT_EQ(Numbers(Rows(spec, "bars"), "_pm"), std::vector<double>({-2, -1, 1, 2}));
    EXPECT_EQ(Numbers(Rows(spec, "bars:plain"), "_pm"),
              std::vector<double>({0}));  // the ties: no category
    const auto layers = Layers(spec, "bars");
    const Json color = layers[0]["encoding"]["color"];
    // The template's category order puts positive differences first.
    EXPECT_EQ(color["scale"]["domain"],
              Json({"Positive Differences\n(7)", "Negative Differences\n(3)"}));
    EXPECT_EQ(color["scale"]["range"], Json({"#2e75b6", "#c55a11"}));
    EXPECT_EQ(color["legend"]["title"], "Number of Ties = 2");
    EXPECT_EQ(color["legend"]["labelExpr"], "split(datum.label, '\\n')");
    const Json plain = Layers(spec, "bars:plain")[0];
    EXPECT_EQ(plain["mark"]["fill"], "#bfbfbf");
    EXPECT_FALSE(plain["encoding"].contains("color"));
    EXPECT_EQ(Numbers(Rows(spec, "guide0"), "_g"), std::vector<double>({0}));
    EXPECT_EQ(Layers(spec, "guide0")[0]["mark"]["strokeDash"], Json({3, 3}));
    EXPECT_EQ(layers[0]["encoding"]["x"]["title"], "After - Before");
}

// Wide tick labels get ticks far enough apart for them: numbers of two
// decimals over a span of 35 on a differences axis take a step of 10, not the
// library's 5, whose labels would run into each other.
TEST(ChartRenderer, SpacesTickLabelsThatWouldCrowd) {
    std::string text = TemplateText("NPARWilcoxonPairSignedRank.viztemplate");
    Replace(text, "LegendLabel", "Number of Ties = 0");
    Replace(text, "XAxis Text", "After - Before");
    Replace(text, "YAxis Text", "Frequency");
    Replace(
        text,
        "<variable id=\"value\" sourceVariable=\"value\" measurement=\"scale\" categorical=\"false\"/>",
        "<variable id=\"value\" sourceVariable=\"value\" measurement=\"scale\" categorical=\"false\">"
        "<format type=\"F\" decimals=\"2\" width=\"8\"/></variable>");
    Data data;
    data.Source("graphSource")
        .Numbers("count", {1, 3, 14, 10, 9, 2})
        .Numbers("value", {-5, -2.5, 0, 10, 20, 30});
    const Json x = Layers(Spec(data.Chart(text)), "bars")[0]["encoding"]["x"]["axis"];
    EXPECT_EQ(x["labelOverlap"], "greedy");
    ASSERT_TRUE(x.contains("values"));
    const Json& values = x["values"];
    ASSERT_GE(values.size(), 2u);
    EXPECT_GE(values[1].get<double>() - values[0].get<double>(), 10);
    EXPECT_LE(values.size(), 5u);
}

// Counts take whole ticks, whatever the curve fitted over them; times of day
// take a clock's steps rather than round numbers of seconds.
TEST(ChartRenderer, TicksCountsAtWholeNumbersAndTimesAtAClocksSteps) {
    Data small;
    small.Source("graphSource")
        .Numbers("value", {3000, 5000, 7000, 9000, 11000, 13000})
        .Numbers("count", {1, 2, 1, 2, 1, 1});
    const Json spec =
        Spec(small.Chart(FittedHistogram("\"normal\" parameter=\"7587\" secondaryParameter=\"3194\"")));
    const Json frequency = Layers(spec, "bars")[0]["encoding"]["y"]["axis"];
    ASSERT_TRUE(frequency.contains("values")) << frequency;
    for (const Json& tick : frequency["values"])
        EXPECT_EQ(tick.get<double>(), std::floor(tick.get<double>()));
    EXPECT_EQ(frequency["values"].front(), 0);

    // The same values as times of day: ticks on the hour, not at 5000 s.
    std::string text = FittedHistogram("\"normal\" parameter=\"7587\" secondaryParameter=\"3194\"");
    Replace(
        text,
        "<variable id=\"value\" sourceVariable=\"value\" measurement=\"scale\" categorical=\"false\"/>",
        "<variable id=\"value\" sourceVariable=\"value\" measurement=\"scale\" categorical=\"false\">"
        "<format type=\"TIME\" width=\"8\"/></variable>");
    const Json time = Layers(Spec(small.Chart(text)), "bars")[0]["encoding"]["x"]["axis"];
    ASSERT_TRUE(time.contains("values")) << time;
    ASSERT_GE(time["values"].size(), 2u);
    for (const Json& tick : time["values"]) EXPECT_EQ(std::fmod(tick.get<double>(), 1800), 0) << tick;
}

// A label as long as a sentence, as a data dictionary may give one: the
// axis's title and the chart's title stand on several lines, none wider than
// the axis or the chart, rather than stretching the chart past the page.
TEST(ChartRenderer, BreaksTitlesLongerThanTheirAxisOrTheChart) {
    const std::string label =
        "The total number of minutes the respondent reported spending on physical activity of "
        "moderate or vigorous intensity during the previous seven days";
    std::string text = FittedHistogram("\"normal\" parameter=\"70\" secondaryParameter=\"10\"");
    Replace(text, "Score", label);
    InsertBefore(text, "<frame",
                 "<title><text>Continuous Field Information " + label + "</text></title>");
    const Json spec = Spec(ContinuousBins().Chart(text));
    const Json& title = spec["title"]["text"];
    ASSERT_TRUE(title.is_array());
    EXPECT_GT(title.size(), 1u);
    const Json x = Layers(spec, "bars")[0]["encoding"]["x"];
    ASSERT_TRUE(x["title"].is_array()) << x["title"];
    EXPECT_GT(x["title"].size(), 1u);
    // The graph takes 74% of the chart's 480 pixels, its axis the same; the
    // reckoned widths are generous by 15%.
    std::string joined;
    for (const Json& line : x["title"]) {
        joined += (joined.empty() ? "" : " ") + line.get<std::string>();
        EXPECT_LE(npar::render::TextWidth(line.get<std::string>(), 12), 1.15 * 0.74 * 480) << line;
    }
    EXPECT_EQ(joined, label);
}

TEST(ChartRenderer, FollowsAnEditedDocumentBeyondTheTemplates) {
    // Lines and labelled points, wrapped panels, texts on several lines and
    // a wider frame: what the elements say, whatever the template. Of two
    // attributes or variables of one name the first counts, and a source
    // variable without a column reads the column of its id.
    const std::string document =
        "<visualization name=\"Custom\" version=\"1\"><title><text>Two&#10;lines</text></title>"
        "<subtitle><text>Split = A</text></subtitle><footnote><text>A note</text></footnote><frame "
        "width=\"1.5\" height=\"1\"/>"
        "<dataSource id=\"s\"><sourceVariable id=\"t\" column=\"t\" type=\"number\"/><sourceVariable "
        "id=\"v\"/>"
        "<sourceVariable id=\"g\" column=\"g\" type=\"string\"/><sourceVariable id=\"p\" column=\"p\" "
        "type=\"string\"/></dataSource>"
        "<variable id=\"t\" sourceVariable=\"t\" label=\"Time\" label=\"Not this\"><format "
        "type=\"COMMA\" decimals=\"1\"/></variable><variable id=\"t\" sourceVariable=\"v\" "
        "label=\"Nor this\"/>"
        "<variable id=\"g\" sourceVariable=\"g\" measurement=\"nominal\"/><variable id=\"p\" "
        "sourceVariable=\"p\" measurement=\"nominal\"/>"
        "<graph><faceting><facet dimension=\"column\" variable=\"p\"/></faceting><facetLayout "
        "columns=\"2\"/>"
        "<line id=\"trend\"><x variable=\"t\"/><y variable=\"v\"/><color id=\"c\" "
        "variable=\"g\"/></line>"
        "<point id=\"dots\"><x variable=\"t\"/><y variable=\"v\"/><labeling "
        "variable=\"v\"/></point></graph></visualization>";
    Data data;
    data.Source("s")
        .Numbers("t", {3, 1, 2, 1, 2, 3})
        .Numbers("v", {30, 10, 20, 5, 6, 7})
        .Column("g", {std::string("a"), std::string("a"), std::string("a"), std::string("b"),
                      std::string("b"), std::string("b")})
        .Column("p", {std::string("P1"), std::string("P1"), std::string("P1"), std::string("P2"),
                      std::string("P2"), std::string("P3")});
    const Json spec = Spec(data.Chart(document));
    EXPECT_EQ(spec["title"]["text"], Json({"Two", "lines"}));
    EXPECT_EQ(spec["title"]["subtitle"], Json({"Split = A"}));
    EXPECT_EQ(Strings(Rows(spec["vconcat"].back(), "text0"), "_t"),
              std::vector<std::string>({"A note"}));
    const Json grid = spec["vconcat"][0];
    EXPECT_EQ(grid["facet"]["field"], "_fc");  // one facet wrapped into rows of two
    EXPECT_EQ(grid["columns"], 2);
    EXPECT_GT(grid["spec"]["width"].get<double>(), 250);

    const auto line = Rows(spec, "trend");
    ASSERT_EQ(line.size(), 6u);
    EXPECT_EQ(Numbers(line, "_lx"), std::vector<double>({1, 2, 3, 1, 2, 3}));  // ascending x per panel
    EXPECT_EQ(Numbers(line, "_ly"), std::vector<double>({10, 20, 30, 5, 6, 7}));
    EXPECT_EQ(Numbers(line, "_o"), std::vector<double>({0, 1, 2, 0, 1, 0}));
    const Json trend = Layers(spec, "trend")[0];
    EXPECT_EQ(trend["mark"]["type"], "line");
    EXPECT_EQ(trend["encoding"]["color"]["scale"]["domain"], Json({"a", "b"}));
    EXPECT_EQ(trend["encoding"]["color"]["legend"], nullptr);  // no legend names it
    EXPECT_EQ(trend["encoding"]["x"]["axis"]["labelExpr"], "format(datum.value, ',.1f')");
    EXPECT_EQ(trend["encoding"]["x"]["title"], "Time");
    EXPECT_EQ(MarkTypes(spec, "dots"), std::vector<std::string>({"point", "text"}));
    EXPECT_EQ(Strings(Rows(spec, "dots"), "_lab"),
              std::vector<std::string>({"30", "10", "20", "5", "6", "7"}));
}

TEST(ChartRenderer, RefusesDocumentsItCannotDrawWithANote) {
    const std::string bars = CategoricalHistogram("Female");
    auto note = [](const std::string& document) {
        const npar::RenderedChart rendered = npar::RenderChart(Data().Chart(document));
        EXPECT_FALSE(rendered.drawable);
        EXPECT_TRUE(rendered.vegaLite.empty());
        return rendered.note;
    };
    std::string unknown = bars;
    InsertBefore(unknown, "</graph>", "<heatmap><x variable=\"value\"/></heatmap>");
    EXPECT_NE(note(unknown).find("<heatmap>"), std::string::npos);
    std::string gamma = bars;
    InsertBefore(gamma, "</graph>",
                 "<line><distributionStatistic distribution=\"gamma\" parameter=\"1\"/></line>");
    EXPECT_NE(note(gamma).find("gamma"), std::string::npos);
    EXPECT_FALSE(note("<visualization><graph id=\"g\"><coordinates/></graph></visualization>").empty());
    EXPECT_FALSE(note("<visualization><frame/></visualization>").empty());
    EXPECT_FALSE(note("<chart><graph><interval/></graph></chart>").empty());
    EXPECT_FALSE(note("<visualization><graph>").empty());
    EXPECT_FALSE(note("").empty());
    std::string deep = "<visualization><graph><interval/>";
    for (int i = 0; i < 20000; ++i) deep += "<nest>";
    for (int i = 0; i < 20000; ++i) deep += "</nest>";
    EXPECT_NE(note(deep + "</graph></visualization>").find("<nest>"), std::string::npos);
}

TEST(ChartRenderer, SurvivesHostileDocuments) {
    // Derived variables naming each other, locations targeting each other,
    // absurd bin counts and frame sizes, missing columns: drawn, no crash.
    const std::string head =
        "<visualization><frame width=\"1e300\" height=\"-3\"/>"
        "<dataSource id=\"s\"><sourceVariable id=\"v\" column=\"v\" type=\"number\"/><sourceVariable "
        "id=\"m\" column=\"missing\"/></dataSource>"
        "<variable id=\"v\" sourceVariable=\"v\"/>"
        "<derivedVariable id=\"a\" value=\"b\"/><derivedVariable id=\"b\" value=\"a\"/>"
        "<graph id=\"g\"><location part=\"left\" method=\"same\" target=\"f\"/>";
    const std::string tail =
        "<edge nodes=\"nowhere\" from=\"a\" to=\"b\"/><lineGuide x=\"not a number\"/></graph>"
        "<labelFrame id=\"f\"><location part=\"left\" method=\"same\" target=\"g\"/><location "
        "part=\"top\" method=\"attach\" target=\"f\"/>"
        "<label><text>loop</text></label></labelFrame>"
        "<popup target=\"bars\" tokenTemplate=\"$[a]$ $[unclosed\"/></visualization>";
    Data data;
    data.Source("s").Numbers("v", {1, 2, 3, 1000});
    const Json binned = Spec(data.Chart(head +
                                        "<interval id=\"bars\"><x variable=\"v\"/><y variable=\"m\"/>"
                                        "<binStatistic binCount=\"1e12\" binWidth=\"1e-300\"/><color "
                                        "id=\"c\" variable=\"a\"/></interval>" +
                                        tail));
    // At most 1000 bins of 0.999 each: every value in a bin of its own.
    const auto bins = Rows(binned, "bars:plain");
    EXPECT_EQ(Numbers(bins, "_l1"), std::vector<double>({1, 1, 1, 1}));
    ASSERT_EQ(bins.size(), 4u);
    EXPECT_NEAR(bins[1]["_p1"].get<double>() - bins[1]["_p0"].get<double>(), 0.999, 1e-12);
    EXPECT_DOUBLE_EQ(bins[3]["_p1"], 1000);
    const Json boxes = Spec(data.Chart(
        head + "<schema><x variable=\"a\"/><y variable=\"v\"/><labeling variable=\"b\"/></schema>" +
        tail));
    EXPECT_TRUE(Rows(boxes, "mark0").empty());  // no category to stand on
}

TEST(ChartRenderer, JsonOutputCarriesTheSpecificationOfEveryChart) {
    npar::OutputDocument document;
    auto add = [&](const std::string& xml) {
        auto item = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Chart);
        item->chart = std::make_unique<npar::ChartModel>(
            Data().Source("graphSource").Numbers("value", {1}).Numbers("count", {2}).Chart(xml));
        item->chart->templateName = "NPARHistogram.viztemplate";
        document.Root().Append(std::move(item));
    };
    add(CategoricalHistogram("Female"));
    add("<visualization><unknown/></visualization>");
    const Json json = Json::parse(npar::WriteJson(document));
    const Json& items = json["items"];
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]["type"], "chart");
    EXPECT_TRUE(items[0]["document"].is_string());
    EXPECT_EQ(items[0]["vegaLite"]["$schema"], "https://vega.github.io/schema/vega-lite/v5.json");
    EXPECT_EQ(Strings(Rows(items[0]["vegaLite"], "bars"), "_pos"), std::vector<std::string>({"Female"}));
    EXPECT_TRUE(items[1]["vegaLite"].is_null());
}

}  // namespace
