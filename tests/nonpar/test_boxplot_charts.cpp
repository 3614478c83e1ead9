// Box plots of the k-sample independent tests and the independent-samples
// dispatcher: documents read by the reader, every test handed to the
// dispatcher while an output procedure lives, charts read back from the
// output document.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "IMedian.h"
#include "IndependentSamples.h"
#include "KruskalWallis.h"
#include "OutputDocument.h"
#include "OutputFixture.h"
#include "OutputQuery.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace NOPROutputStats;
using output_query::Json;

namespace {

// Hands every test record of the document (and a null one) to the
// dispatcher; gives the chart items made.
std::vector<Json> DrawCharts(const std::string& document, const QUOR_DataSource* dataSource,
                             const std::string& splitLabel = "", bool splitActive = false) {
    const ReadOutcome read = Read(document, dataSource);
    EXPECT_TRUE(read.ok);
    return nopr_test::DrawCharts([&](FacSTDictionary& dictionary) {
        IndependentSamples dispatcher(&dictionary, read.results.get());
        for (const auto& test : read.results->fTests)
            dispatcher.drawChart(test.get(), splitLabel, splitActive);
        for (const auto& test : read.results->fConfidenceIntervals)
            dispatcher.drawChart(test.get(), splitLabel, splitActive);
        dispatcher.drawChart(nullptr, splitLabel, splitActive);
    });
}

std::string BoxGroup(int position, int index, int n, const std::string& meanRank, const std::string& box,
                     const std::vector<std::string>& outliers = {}) {
    std::string content =
        Attribute("GroupIndex", std::to_string(index)) + Attribute("N", std::to_string(n)) +
        (meanRank.empty() ? "" : Attribute("MeanOfRank", meanRank)) + Simple("Box", "a", "b", {box});
    if (!outliers.empty()) content += Simple("Outliers", "a", "b", outliers);
    return Table("Group" + std::to_string(position), content);
}

// A k-sample test of score (field 0) across group (field 1).
std::string BoxTest(const std::string& name, const std::string& groups, const std::string& extra = "") {
    return Algorithm(name, "Independent_Samples",
                     Table("Condition", Attribute("ConditionKey", "DefaultAllDistinctValuesUsed_I_" +
                                                                      name.substr(1) + "_2") +
                                            Attribute("%0", "0") + Attribute("%1", "1")) +
                         Table("BoxPlotInfo", Attribute("GroupFieldIndex", "1") +
                                                  Attribute("GrandMedian", "52") + groups) +
                         extra);
}

std::string Message(const std::string& type) {
    return Table("M", Attribute("code", "1") + Attribute("type", type) + Attribute("paramNum", "0"));
}

const Json& Column(const Json& chart, const char* variable) {
    return chart["data"]["boxplotSource"][variable];
}

struct ParsedChart {
    pugi::xml_document dom;
    pugi::xml_node root;
};

void Parse(const Json& chart, ParsedChart& parsed) {
    const std::string text = chart["document"];
    ASSERT_TRUE(parsed.dom.load_string(text.c_str())) << text;
    parsed.root = parsed.dom.child("visualization");
    ASSERT_TRUE(parsed.root);
}

const std::string kBox = "10 20 30 40 50";

TEST(BoxplotCharts, SyntheticColumnPerGroup) {
    auto dataSource = MakeDataSource();
    const std::string groups = BoxGroup(0, 0, 10, "", kBox) +
                               // One outlier below the median, with its label number.
                               BoxGroup(1, 1, 11, "", kBox, {"5", "17"}) +
                               // One outlier equal to the median, one without a label number.
                               BoxGroup(2, 2, 12, "", kBox, {"30 60", "9"}) +
                               // A box of four values draws nothing.
                               BoxGroup(3, 3, 13, "", "1 2 3 4");
    const std::vector<Json> charts =
        DrawCharts(MakeDocument(BoxTest("IJonckheereTerpstra", groups)), dataSource.get());
    ASSERT_EQ(charts.size(), 1u);
    const Json& chart = charts[0];
    EXPECT_EQ(chart["template"], "NPARBoxplot.viztemplate");
    EXPECT_EQ(chart["title"], "Independent-Samples Jonckheere-Terpstra Test for Ordered Alternatives");

    const Json expected = Json::array({10, 20, 20, 30, 50, 40, 40,                  // group 0
                                       5,  10, 20, 20, 20, 30, 50, 40, 40, 40, 40,  // group 1
                                       10, 20, 20, 20, 20, 20, 20, 30, 30, 60, 50, 40, 40, 40, 40});
    EXPECT_EQ(Column(chart, "Value"), expected);
    const Json& categories = Column(chart, "Category");
    ASSERT_EQ(categories.size(), expected.size());
    EXPECT_EQ(categories[6], 0);
    EXPECT_EQ(categories[7], 1);
    EXPECT_EQ(categories.back(), 2);

    const Json& labels = Column(chart, "Label");
    ASSERT_GE(labels.size(), 8u);
    EXPECT_TRUE(labels[0].is_null()) << "box values carry no label";
    EXPECT_EQ(labels[7], 17) << "the outlier's label number";
    EXPECT_TRUE(labels[8].is_null());
    ASSERT_EQ(labels.size(), 27u) << "60, without a label number, writes no Label cell";
    EXPECT_EQ(labels[26], 9) << "the outlier equal to the median sits above it, with its label";
    EXPECT_TRUE(Column(chart, "Tooltips").empty())
        << "Jonckheere-Terpstra boxes carry no tooltip number";

    ParsedChart parsed;
    Parse(chart, parsed);
    const pugi::xml_node category = parsed.root.find_child_by_attribute("variable", "id", "Category");
    EXPECT_TRUE(category.find_child_by_attribute("relabel", "to", "Treatment")) << "group value labels";
    const pugi::xml_node value = parsed.root.find_child_by_attribute("variable", "id", "Value");
    EXPECT_STREQ(value.child("format").attribute("decimals").value(), "2");
}

TEST(BoxplotCharts, KruskalWallisTooltipsAndPopup) {
    auto dataSource = MakeDataSource();
    const std::vector<Json> charts =
        DrawCharts(MakeDocument(BoxTest("IKruskalWallis", BoxGroup(0, 0, 18, "15.25", kBox) +
                                                              BoxGroup(1, 1, 20, "23.4", "1 2 3 4 5"))),
                   dataSource.get(), "Region: North", true);
    ASSERT_EQ(charts.size(), 1u);
    const Json& chart = charts[0];
    EXPECT_EQ(chart["title"], "Independent-Samples Kruskal-Wallis Test");
    EXPECT_EQ(chart["subtitle"], "Region: North");
    EXPECT_EQ(chart["description"], "Independent-Samples Kruskal-Wallis Test; Region: North");
    const Json& tooltips = Column(chart, "Tooltips");
    ASSERT_EQ(tooltips.size(), 14u);
    EXPECT_EQ(tooltips[0], "15.25");
    EXPECT_EQ(tooltips[13], "23.40");

    ParsedChart parsed;
    Parse(chart, parsed);
    const pugi::xml_node popup = parsed.root.child("popup");
    EXPECT_STREQ(popup.attribute("part").value(), "median");
    EXPECT_STREQ(popup.attribute("target").value(), "schema");
    EXPECT_STREQ(popup.attribute("tokenTemplate").value(), "Mean Rank=$[1]$");
    EXPECT_STREQ(popup.child("tokenMapping").attribute("variable").value(), "Tooltips");

    // Not split by a heading: the subtitle shows the split, the description does not.
    const std::vector<Json> quiet =
        DrawCharts(MakeDocument(BoxTest("IKruskalWallis", BoxGroup(0, 0, 18, "15.25", kBox))),
                   dataSource.get(), "Region: North", false);
    ASSERT_EQ(quiet.size(), 1u);
    EXPECT_EQ(quiet[0]["subtitle"], "Region: North");
    EXPECT_EQ(quiet[0]["description"], "Independent-Samples Kruskal-Wallis Test");
}

TEST(BoxplotCharts, MedianLineAndLabel) {
    auto dataSource = MakeDataSource();
    const std::vector<Json> charts =
        DrawCharts(MakeDocument(BoxTest("IMedian", BoxGroup(0, 0, 18, "", kBox))), dataSource.get());
    ASSERT_EQ(charts.size(), 1u);
    ParsedChart parsed;
    Parse(charts[0], parsed);
    // The test field shows two decimals; the grand median gets three.
    const pugi::xml_node graph = parsed.root.child("graph");
    EXPECT_STREQ(graph.child("lineGuide").attribute("y").value(), "52.000");
    const pugi::xml_node frame = graph.next_sibling();
    EXPECT_STREQ(frame.name(), "labelFrame") << "the label frame follows the graph";
    EXPECT_STREQ(frame.child("label").child("text").text().get(), "Grand Median = 52.000");
    // Right above the plot, where it covers no box.
    const pugi::xml_node top = frame.find_child_by_attribute("location", "part", "top");
    EXPECT_STREQ(top.attribute("method").value(), "attach");
    EXPECT_STREQ(top.attribute("target").value(), "graph1");
    EXPECT_FALSE(frame.find_child_by_attribute("location", "part", "bottom"));
    const Json& drawn = charts[0]["vegaLite"];
    ASSERT_TRUE(drawn.contains("vconcat")) << "the label stands in a row of its own above the graph";
    EXPECT_NE(drawn["vconcat"][0].dump().find("Grand Median = 52.000"), std::string::npos);
    EXPECT_EQ(drawn["vconcat"][1].dump().find("Grand Median"), std::string::npos);

    // A template without "</graph>" gets neither; one without
    // "</visualization>" gets no popup.
    const ReadOutcome read =
        Read(MakeDocument(BoxTest("IMedian", BoxGroup(0, 0, 18, "", kBox))), dataSource.get());
    IMedian median(nullptr, read.results.get(), TestAt<HTIMedian>(read, 0));
    std::string text = "<visualization name=\"v\"><graph/></visualization>";
    const std::string original = text;
    median.editTemplate(text);
    EXPECT_EQ(text, original);
    KruskalWallis kruskal(nullptr, read.results.get(), nullptr);
    text = "<visualization name=\"v\"/>";
    kruskal.editTemplate(text);
    EXPECT_EQ(text, "<visualization name=\"v\"/>");
}

TEST(BoxplotCharts, MosesLegendAndGroupRoles) {
    auto dataSource = MakeDataSource();
    // The second group's box is incomplete: it draws no rows, yet it is the
    // experimental group of the legend.
    const std::vector<Json> two =
        DrawCharts(MakeDocument(BoxTest("IMoses", BoxGroup(0, 0, 18, "", kBox, {"5 95", "3 17"}) +
                                                      BoxGroup(1, 1, 20, "", "1 2 3 4"))),
                   dataSource.get());
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0]["title"], "Independent-Samples Moses Test of Extreme Reaction");
    EXPECT_EQ(Column(two[0], "Value").size(), 11u) << "only the first group writes rows";
    ParsedChart parsed;
    Parse(two[0], parsed);
    const pugi::xml_node schema = parsed.root.child("graph").child("schema");
    EXPECT_STREQ(schema.child("labeling").attribute("variable").value(), "Label");
    EXPECT_STREQ(schema.child("color").attribute("id").value(), "color1");
    const pugi::xml_node derived = parsed.root.child("derivedVariable");
    EXPECT_STREQ(derived.attribute("id").value(), "Category_Derived");
    EXPECT_STREQ(derived.attribute("value").value(), "Category");
    EXPECT_STREQ(schema.child("color").attribute("variable").value(), "Category_Derived");
    EXPECT_STREQ(parsed.root.child("legend").child("legendTarget").attribute("aesthetic").value(),
                 "color1");
    EXPECT_STREQ(parsed.root.child("extension").attribute("legend1").value(), "legend1");
    const pugi::xml_node control =
        derived.child("format").find_child_by_attribute("relabel", "from", "0");
    const pugi::xml_node experimental =
        derived.child("format").find_child_by_attribute("relabel", "from", "1");
    EXPECT_STREQ(control.attribute("to").value(), "Control Group\nN = 18");
    EXPECT_STREQ(experimental.attribute("to").value(), "Experimental Group\nN = 20");

    const std::vector<Json> one =
        DrawCharts(MakeDocument(BoxTest("IMoses", BoxGroup(0, 0, 18, "", kBox))), dataSource.get());
    ASSERT_EQ(one.size(), 1u);
    ParsedChart single;
    Parse(one[0], single);
    EXPECT_TRUE(single.root.child("graph").child("schema").child("color"));
    EXPECT_TRUE(single.root.child("legend"));
    EXPECT_FALSE(single.root.child("derivedVariable").child("format")) << "one group: no roles";
}

TEST(IndependentSamplesDispatch, OnlyIndependentTestsWithoutErrorsAreDrawn) {
    auto dataSource = MakeDataSource();
    const std::string groups = BoxGroup(0, 0, 18, "15", kBox);
    const std::string warnings = Table("WarningMessages", Message("warning") + Message("helpMessage"));
    const std::string withError =
        Table("WarningMessages", Message("warning") + Message("error") + Message("warning"));
    const std::string document = MakeDocument(
        BoxTest("IKruskalWallis", groups, withError) + BoxTest("IKruskalWallis", groups, warnings) +
        Algorithm("IHodgesLehmannEstimateGroups", "Independent_Samples",
                  Table("Condition", Attribute("ConditionKey", "X_I_HL_2") + Attribute("%0", "0") +
                                         Attribute("%1", "1"))) +
        Algorithm(
            "OChiSquare", "One_Sample",
            Table("Condition", Attribute("ConditionKey", "DefaultEqualProbabilities_O_ChiSquare_1") +
                                   Attribute("%0", "0"))) +
        Algorithm(
            "RSign", "Related_Samples",
            Table("Condition", Attribute("ConditionKey", "Default_R_Sign_2") + Attribute("%0", "0 1"))));
    const std::vector<Json> charts = DrawCharts(document, dataSource.get());
    ASSERT_EQ(charts.size(), 1u) << "only the test with warnings alone is drawn";
    EXPECT_EQ(charts[0]["title"], "Independent-Samples Kruskal-Wallis Test");

    // A record whose class does not match its type reaches its view as null.
    const ReadOutcome read = Read(MakeDocument(BoxTest("IMedian", groups)), dataSource.get());
    ASSERT_NE(TestAt<HTIMedian>(read, 0), nullptr);
    read.results->fTests[0]->fTestType = TestType::IKruskalWallis;
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    {
        BpProcedure procedure(output, catalogue);
        IndependentSamples(nullptr, read.results.get())
            .drawChart(read.results->fTests[0].get(), "", false);
    }
    EXPECT_TRUE(output_query::Items(output_query::ToJson(output), "chart").empty());
}

}  // namespace
