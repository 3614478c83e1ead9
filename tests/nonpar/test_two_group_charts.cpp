// The two-group histogram of the Mann-Whitney U, Wald-Wolfowitz runs and
// Kolmogorov-Smirnov tests, drawn through the independent-samples dispatcher
// while an output procedure lives and read back from the output document.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "IndependentSamples.h"
#include "OutputDocument.h"
#include "OutputFixture.h"
#include "OutputQuery.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using output_query::Json;

namespace {

std::vector<Json> DrawCharts(const std::string& document, const QUOR_DataSource* dataSource,
                             const std::string& splitLabel = "", bool splitActive = false) {
    const ReadOutcome read = Read(document, dataSource);
    EXPECT_TRUE(read.ok);
    return nopr_test::DrawCharts([&](FacSTDictionary& dictionary) {
        IndependentSamples dispatcher(&dictionary, read.results.get());
        for (const auto& test : read.results->fTests)
            dispatcher.drawChart(test.get(), splitLabel, splitActive);
    });
}

// One group of the grouping field with its distribution: counts, then means.
std::string Group(int position, int index, int n, const std::string& meanRank,
                  const std::vector<std::string>& rows) {
    return Table("Group_" + std::to_string(position),
                 Attribute("GroupIndex", std::to_string(index)) + Attribute("N", std::to_string(n)) +
                     Attribute("MeanOfRank", meanRank) + Simple("Distribution", "a", "b", rows));
}

const std::string kTwoGroups =
    Group(1, 0, 18, "15.2", {"3 5 2", "10 20 30"}) + Group(2, 1, 20, "23.4", {"4 1", "15 25"});

// A two-sample test of score (field 0) across group (field 1).
std::string TwoGroupTest(const std::string& name, const std::string& groups = kTwoGroups) {
    return Algorithm(name, "Independent_Samples",
                     Table("Condition", Attribute("ConditionKey", "DefaultAllDistinctValuesUsed_I_" +
                                                                      name.substr(1) + "_2") +
                                            Attribute("%0", "0") + Attribute("%1", "1")) +
                         groups);
}

struct ParsedChart {
    pugi::xml_document dom;
    pugi::xml_node root;
    pugi::xml_node graph;

    pugi::xml_node Variable(const char* id) const {
        return root.find_child_by_attribute("variable", "id", id);
    }
    pugi::xml_node Axis(const char* dimension) const {
        return graph.child("coordinates").find_child_by_attribute("axis", "dimension", dimension);
    }
    std::string Relabel(const char* variable, const char* from) const {
        return Variable(variable)
            .find_child_by_attribute("relabel", "from", from)
            .attribute("to")
            .value();
    }
    std::string Top() const {
        return graph.find_child_by_attribute("location", "part", "top").attribute("value").value();
    }
};

void Parse(const Json& chart, ParsedChart& parsed) {
    const std::string text = chart["document"];
    ASSERT_TRUE(parsed.dom.load_string(text.c_str())) << text;
    parsed.root = parsed.dom.child("visualization");
    parsed.graph = parsed.root.child("graph");
    ASSERT_TRUE(parsed.graph);
}

TEST(TwoGroupHistogram, MannWhitney) {
    auto dataSource = MakeDataSource();
    const std::vector<Json> charts =
        DrawCharts(MakeDocument(TwoGroupTest("IMannWhitneyU")), dataSource.get(), "Region: North", true);
    ASSERT_EQ(charts.size(), 1u);
    const Json& chart = charts[0];
    EXPECT_EQ(chart["template"], "NPARRelatedSamplesHistogram.viztemplate");
    EXPECT_EQ(chart["title"], "Independent-Samples Mann-Whitney U Test");
    EXPECT_EQ(chart["subtitle"], "Region: North");
    EXPECT_EQ(chart["description"], "Independent-Samples Mann-Whitney U Test; Region: North");

    const Json& data = chart["data"]["graphSource"];
    EXPECT_EQ(data["COUNTS"], Json::array({3, 5, 2, 4, 1}));
    EXPECT_EQ(data["MEANS"], Json::array({10, 20, 30, 15, 25})) << "a numeric test field writes numbers";
    const Json labels = Json::array({"Control", "Control", "Control", "Treatment", "Treatment"});
    EXPECT_EQ(data["LABELNAME"], labels);
    EXPECT_EQ(data["TYPES"], labels);

    ParsedChart parsed;
    Parse(chart, parsed);
    // Panels stacked along y, the value axis upright, the graph moved down.
    const pugi::xml_node faceting = parsed.graph.child("faceting");
    EXPECT_STREQ(faceting.attribute("alternating").value(), "true");
    EXPECT_STREQ(faceting.attribute("dimension").value(), "y");
    EXPECT_STREQ(parsed.Axis("y").attribute("invert").value(), "false");
    EXPECT_EQ(parsed.Top(), "18%");

    EXPECT_STREQ(parsed.Axis("x").attribute("label").value(), "Frequency");
    EXPECT_STREQ(parsed.Axis("y").attribute("label").value(), "Test score");
    EXPECT_STREQ(parsed.root.child("labelFrame").child("label").child("text").text().get(), "Group");

    EXPECT_EQ(parsed.Relabel("labelname", "Control"), "N = 18\nMean Rank = 15.20");
    EXPECT_EQ(parsed.Relabel("labelname", "Treatment"), "N = 20\nMean Rank = 23.40");
    EXPECT_EQ(parsed.Relabel("types", "0"), "Control");
    EXPECT_STREQ(parsed.Variable("means").child("format").attribute("decimals").value(), "2");
}

TEST(TwoGroupHistogram, GroupsAreLabelledByTheGroupingFieldTheConditionNames) {
    // score across region (field 2): the groups are regions, not categories of field 1.
    auto dataSource = MakeDataSource();
    const std::string test = Algorithm(
        "IMannWhitneyU", "Independent_Samples",
        Table("Condition", Attribute("ConditionKey", "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2") +
                               Attribute("%0", "0") + Attribute("%1", "2")) +
            kTwoGroups);
    const std::vector<Json> charts = DrawCharts(MakeDocument(test), dataSource.get());
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["data"]["graphSource"]["LABELNAME"],
              Json::array({"North", "North", "North", "South", "South"}));
}

TEST(TwoGroupHistogram, KolmogorovSmirnovKeepsItsTemplate) {
    auto dataSource = MakeDataSource();
    // The second group's distribution has a single row: it draws no bars.
    const std::vector<Json> charts = DrawCharts(
        MakeDocument(TwoGroupTest("IKolmogorovSmirnov", Group(1, 0, 18, "15.2", {"3 5 2", "10 20 30"}) +
                                                            Group(2, 1, 20, "23.4", {"4 1"}))),
        dataSource.get());
    ASSERT_EQ(charts.size(), 1u);
    const Json& chart = charts[0];
    EXPECT_EQ(chart["template"], "NPARKolmogorovSmirnov.viztemplate");
    EXPECT_EQ(chart["title"], "Independent-Samples Kolmogorov-Smirnov Test");
    EXPECT_EQ(chart["data"]["graphSource"]["COUNTS"], Json::array({3, 5, 2}));

    ParsedChart parsed;
    Parse(chart, parsed);
    const pugi::xml_node faceting = parsed.graph.child("faceting");
    EXPECT_STREQ(faceting.attribute("alternating").value(), "false");
    EXPECT_STREQ(faceting.attribute("dimension").value(), "x");
    EXPECT_STREQ(parsed.Axis("y").attribute("invert").value(), "false");
    EXPECT_EQ(parsed.Top(), "18%");

    EXPECT_EQ(parsed.Relabel("labelname", "Control"), "N = 18") << "no mean rank";
    EXPECT_EQ(parsed.Relabel("labelname", "Treatment"), "N = 20");
    EXPECT_FALSE(parsed.Variable("types").child("relabel"));
    EXPECT_FALSE(parsed.Variable("means").child("format"));
}

TEST(TwoGroupHistogram, RunsAndSingleGroup) {
    auto dataSource = MakeDataSource();
    const std::vector<Json> charts = DrawCharts(
        MakeDocument(TwoGroupTest("IWaldWolfowitzRuns") +
                     TwoGroupTest("IMannWhitneyU", Group(1, 0, 18, "15.2", {"3 5 2", "10 20 30"}))),
        dataSource.get());
    ASSERT_EQ(charts.size(), 1u) << "a test with a single group draws nothing";
    EXPECT_EQ(charts[0]["title"], "Independent-Samples Wald-Wolfowitz Runs Test");
    ParsedChart parsed;
    Parse(charts[0], parsed);
    EXPECT_STREQ(parsed.graph.child("faceting").attribute("alternating").value(), "true");
    EXPECT_EQ(parsed.Relabel("labelname", "Control"), "N = 18");
    EXPECT_EQ(parsed.Relabel("types", "1"), "Treatment");
}

TEST(TwoGroupHistogram, DateMeansAndMarkupInLabels) {
    auto dataSource = std::make_unique<ProcedureDataSource>();
    dataSource->AddVariable(QUOR_Variable("score", "Visit", 0, QUOR_Format(QUOR_Format::DATE, 11, 0)));
    dataSource->AddVariable(QUOR_Variable("group", "A & B <\"C\">", 0, QUOR_Format(5, 8, 0)));
    // Day 20010 after 1970-01-01 is 14 October 2024.
    const std::vector<Json> charts = DrawCharts(
        MakeDocument(TwoGroupTest("IMannWhitneyU", Group(1, 0, 18, "15.2", {"3 5", "20010 20011"}) +
                                                       Group(2, 1, 20, "23.4", {"4", "20012"}))),
        dataSource.get());
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["data"]["graphSource"]["MEANS"],
              Json::array({"14-OCT-2024", "15-OCT-2024", "16-OCT-2024"}));
    ParsedChart parsed;
    Parse(charts[0], parsed);
    EXPECT_STREQ(parsed.root.child("labelFrame").child("label").child("text").text().get(),
                 "A & B <\"C\">");
    EXPECT_STREQ(parsed.Axis("y").attribute("label").value(), "Visit");
    EXPECT_STREQ(parsed.Variable("means").child("format").attribute("type").value(), "DATE");
}

// The categories of the first y scale of a Vega-Lite chart, in order.
Json YDomain(const Json& node) {
    if (node.is_object() && node.contains("y") && node["y"].is_object() && node["y"].contains("scale") &&
        node["y"]["scale"].contains("domain"))
        return node["y"]["scale"]["domain"];
    if (!node.is_structured()) return nullptr;
    for (const Json& child : node) {
        const Json found = YDomain(child);
        if (!found.is_null()) return found;
    }
    return nullptr;
}

// Date bins are written as dates; whichever group has a bin first, the bins
// stand in the order of their dates.
TEST(TwoGroupHistogram, DateBinsStandInTheOrderOfTheirDates) {
    auto dataSource = std::make_unique<ProcedureDataSource>();
    dataSource->AddVariable(QUOR_Variable("score", "Visit", 0, QUOR_Format(QUOR_Format::DATE, 11, 0)));
    dataSource->AddVariable(QUOR_Variable("group", "Group", 0, QUOR_Format(5, 8, 0)));
    const std::vector<Json> charts = DrawCharts(
        MakeDocument(TwoGroupTest("IMannWhitneyU", Group(1, 0, 18, "15.2", {"3 5", "20011 20012"}) +
                                                       Group(2, 1, 20, "23.4", {"4 2", "20010 20011"}))),
        dataSource.get());
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(YDomain(charts[0]["vegaLite"]),
              Json::array({"14-OCT-2024", "15-OCT-2024", "16-OCT-2024"}));
}

// Dates over more than three months are binned by months, quarters, years or
// runs of years; such bins are named by their periods, not by their middle
// days (16-JAN-2023 for January), in the data and in the axis's order.
TEST(TwoGroupHistogram, CalendarBinsAreNamedByTheirPeriods) {
    auto dataSource = std::make_unique<ProcedureDataSource>();
    dataSource->AddVariable(QUOR_Variable("score", "Visit", 0, QUOR_Format(QUOR_Format::DATE, 11, 0)));
    dataSource->AddVariable(QUOR_Variable("group", "Group", 0, QUOR_Format(5, 8, 0)));
    const auto binNames = [&](const std::string& first, const std::string& second) {
        // Each group has the bins' middles, in days since 1970-01-01.
        const std::vector<Json> charts = DrawCharts(
            MakeDocument(TwoGroupTest("IKolmogorovSmirnov", Group(1, 0, 18, "15.2", {"3 5", first}) +
                                                                Group(2, 1, 20, "23.4", {"4", second}))),
            dataSource.get());
        EXPECT_EQ(charts.size(), 1u);
        return charts.empty() ? Json() : YDomain(charts[0]["vegaLite"]);
    };
    // January to March 2023: the middles of 1 Jan to 1 Feb, and so on.
    EXPECT_EQ(binNames("19373.5 19403", "19432.5"), Json::array({"JAN 2023", "FEB 2023", "MAR 2023"}));
    // The fourth quarter of 2022 to the second of 2023, whose middles are
    // also those of November, February and May: months that do not follow
    // each other.
    EXPECT_EQ(binNames("19312 19403", "19493.5"), Json::array({"4 Q 2022", "1 Q 2023", "2 Q 2023"}));
    EXPECT_EQ(binNames("19540.5", "19906"), Json::array({"2023", "2024"}));
    EXPECT_EQ(binNames("20088.5", "23741"), Json::array({"2020\xE2\x80\x93"
                                                         "2029",
                                                         "2030\xE2\x80\x93"
                                                         "2039"}));
    // Months with one missing between them are no run of bins: dates stay.
    EXPECT_EQ(binNames("19373.5", "19432.5"), Json::array({"16-JAN-2023", "16-MAR-2023"}));
}

}  // namespace
