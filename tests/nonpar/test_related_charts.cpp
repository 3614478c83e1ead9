// The related-samples rank histograms (Friedman, Kendall) and the chart of the
// differences of two related fields (sign, Wilcoxon): documents read by the
// reader, views drawn while an output procedure lives, the charts read back
// from the output document and their XML parsed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include <unistd.h>
#include <pugixml.hpp>

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "OutputDocument.h"
#include "OutputFixture.h"
#include "OutputQuery.h"
#include "RSHistogram.h"
#include "RSWilcoxonPairSignedRank.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace NOPROutputStats;
using output_query::Json;
using Labels = std::map<std::string, std::string>;

namespace {

const std::string kResources = std::string(NPAR_SOURCE_DIR) + "/resources";

// Fields 0 to 6 ("orphan" has no variable; "later" prints without decimals).
const char* const kFields = R"(<DataDictionary>
  <DataField index="0" name="before" displayName="Before" optype="continuous" dataType="double"/>
  <DataField index="1" name="after" displayName="After" optype="continuous" dataType="double"/>
  <DataField index="2" name="later" displayName="Later" optype="continuous" dataType="integer"/>
  <DataField index="3" name="orphan" displayName="Orphan" optype="continuous" dataType="double"/>
  <DataField index="4" name="f4" optype="continuous" dataType="double"/>
  <DataField index="5" name="f5" optype="continuous" dataType="double"/>
  <DataField index="6" name="f6" optype="continuous" dataType="double"/>
  <DataField index="7" name="id" optype="continuous" dataType="integer"/>
</DataDictionary>)";

using DrawView = std::function<void(FacSTDictionary&, const ReadOutcome&)>;

// Reads the document, draws while a procedure lives, gives the chart items.
std::vector<Json> Charts(const std::string& algorithms, const DrawView& draw,
                         const std::string& resources = kResources) {
    ProcedureDataSource data;
    data.AddVariable(QUOR_Variable("before", "Before", 0, QUOR_Format(5, 8, 2)));
    data.AddVariable(QUOR_Variable("after", "After", 0, QUOR_Format(5, 8, 2)));
    data.AddVariable(QUOR_Variable("later", "Later", 0, QUOR_Format(5, 8, 0)));
    for (const char* name : {"f4", "f5", "f6"})
        data.AddVariable(QUOR_Variable(name, "", 0, QUOR_Format(5, 8, 2)));
    const ReadOutcome read = Read(MakeDocument(algorithms, kFields), &data);
    EXPECT_TRUE(read.ok);
    return DrawCharts([&](FacSTDictionary& dictionary) { draw(dictionary, read); }, resources);
}

struct Chart {
    explicit Chart(const Json& chart) {
        const std::string text = chart["document"];
        EXPECT_EQ(dom.load_string(text.c_str()).status, pugi::status_ok) << text;
    }
    std::string Attr(const std::string& path, const char* attribute) const {
        return dom.select_node(("/visualization/" + path).c_str()).node().attribute(attribute).value();
    }
    Labels Relabels(const std::string& variable) const {
        Labels relabels;
        for (const auto& found :
             dom.select_nodes(("//variable[@id='" + variable + "']/relabel").c_str()))
            relabels[found.node().attribute("from").value()] = found.node().attribute("to").value();
        return relabels;
    }
    pugi::xml_document dom;
};

const char* const kXAxis = "graph/coordinates/axis[@dimension='x']";

// ---------------------------------------------------------------------------
// Friedman and Kendall

std::string Ranks(int position, int field, const std::string& meanRank,
                  const std::vector<std::string>& rows) {
    return Table("VariableInformation_" + std::to_string(position),
                 Attribute("GroupIndex", std::to_string(field)) + Attribute("MeanOfRank", meanRank) +
                     Simple("Distribution", "Count Rank", "", rows));
}

std::string RankTest(const std::string& name, const std::string& condition,
                     const std::string& variables) {
    return Algorithm(name, "Related_Samples",
                     Table("Condition", Attribute("ConditionKey", "R_X_1") + condition) + variables);
}

// Fields 0 .. k-1 with mean ranks 1.5, 2.5, ...
std::string Friedman(int k) {
    std::string variables, order;
    for (int i = 0; i < k; ++i) {
        variables += Ranks(i, i, std::to_string(1.5 + i), {"2 3", "1 2"});
        order += (i ? " " : "") + std::to_string(i);
    }
    return RankTest("RFriedmansTwoWayByRanks", Attribute("%0", order), variables);
}

const DrawView kFriedman = [](FacSTDictionary& dictionary, const ReadOutcome& read) {
    RSHistogram(&dictionary, read.results.get(), TestAt<HTRFriedmansTwoWayByRanks>(read, 0))
        .draw("", false);
};

TEST(RelatedHistogramCharts, PanelsTextsAndFrameByFieldCount) {
    const std::map<int, std::string> widths = {{3, "1"}, {4, "2"}, {5, "2.5"}, {6, "3"}, {7, "3"}};
    for (const auto& [k, width] : widths) {
        const auto charts = Charts(Friedman(k), kFriedman);
        ASSERT_EQ(charts.size(), 1u);
        const Chart chart(charts[0]);
        EXPECT_EQ(chart.Attr("frame", "width"), width) << k;
        EXPECT_EQ(chart.Attr("frame", "height"), k > 3 ? "1.2" : "1") << k;
    }
    const auto charts = Charts(Friedman(3), kFriedman);
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["title"], "Related-Samples Friedman's Two-Way Analysis of Variance by Ranks");
    const Json& data = charts[0]["data"]["graphSource"];
    EXPECT_EQ(data["MEANS"], Json::array({1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(data["LABELNAME"], Json::array({1.5, 1.5, 2.5, 2.5, 3.5, 3.5}));
    EXPECT_EQ(data["TYPES"], Json::array({0, 0, 1, 1, 2, 2}));
    const Chart chart(charts[0]);
    EXPECT_EQ(chart.Attr(kXAxis, "label"), "Frequency");
    EXPECT_EQ(chart.Attr("graph/coordinates/axis[@dimension='y']", "oppositeLabel"), "Rank");
    EXPECT_EQ(chart.Attr("variable[@id='types']", "categoryOrder"), "0;1;2");
    EXPECT_FALSE(chart.dom.select_node("//label")) << "the sub-label is erased";
    EXPECT_EQ(chart.Relabels("types"), (Labels{{"0", "Before"}, {"1", "After"}, {"2", "Later"}}));
    EXPECT_EQ(chart.Relabels("labelname").at("2.5"), "Mean Rank = 2.50");

    const auto kendall = Charts(
        RankTest("RKendallsCoefficient", "", Ranks(0, 0, "1", {"1", "1"})),
        [](FacSTDictionary& d, const ReadOutcome& r) {
            RSHistogram(&d, r.results.get(), TestAt<HTRKendallsCoefficient>(r, 0)).draw("S: 1", true);
        });
    ASSERT_EQ(kendall.size(), 1u);
    EXPECT_EQ(kendall[0]["description"], "Related-Samples Kendall's Coefficient of Concordance; S: 1");
    EXPECT_EQ(Chart(kendall[0]).Attr("variable[@id='types']", "categoryOrder"), "categoryOrder1")
        << "no field list in the condition";
}

TEST(RelatedHistogramCharts, RepeatedAndMisshapenFields) {
    // Field 0 twice; one row and three rows draw no bars; -1 and 9 name no field.
    const std::string variables = Ranks(0, 0, "1.5", {"1 1", "1 2"}) + Ranks(1, 0, "2.5", {"4", "1"}) +
                                  Ranks(2, 1, "3", {"7"}) + Ranks(3, 2, "4", {"1", "2", "3"}) +
                                  Ranks(4, -1, "5", {"6", "2"}) + Ranks(5, 9, "6", {"8", "3"});
    const auto charts =
        Charts(RankTest("RFriedmansTwoWayByRanks", Attribute("%0", "0 0 1 2"), variables), kFriedman);
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["data"]["graphSource"]["COUNTS"], Json::array({1, 1, 4, 6, 8}));
    const Chart chart(charts[0]);
    EXPECT_EQ(chart.Attr("frame", "width"), "2.5") << "five distinct fields";
    EXPECT_EQ(chart.Relabels("types"), (Labels{{"0", "Before"}, {"1", "After"}, {"2", "Later"}}));
    EXPECT_EQ(chart.Relabels("labelname").size(), 6u) << "every entry labels its mean rank";
    EXPECT_EQ(chart.Relabels("labelname").at("1.5"), "Mean Rank = 1.50");

    EXPECT_TRUE(Charts(RankTest("RFriedmansTwoWayByRanks", "",
                                Ranks(0, 0, "1", {"4"}) + Ranks(1, 1, "2", {"1", "2", "3"})),
                       kFriedman)
                    .empty())
        << "no field with a two-row histogram";
}

// ---------------------------------------------------------------------------
// Sign and Wilcoxon signed rank

// A test of the fields at first and second (none when negative) with the
// distribution rows given as "counts|differences".
std::string PairTest(const std::string& name, int first, int second, const std::string& rows,
                     int ties = 0) {
    std::vector<std::string> rowList;
    std::istringstream in(rows);
    for (std::string row; std::getline(in, row, '|');) rowList.push_back(row);
    std::string fields = first >= -1 ? Attribute("%0", std::to_string(first)) : "";
    if (second >= -1) fields += Attribute("%1", std::to_string(second));
    return Algorithm(
        name, "Related_Samples",
        Table("Condition", Attribute("ConditionKey", "R_Sign_2") + fields) +
            Table("ContinuousDistribution", Attribute("NegativeDifferences", "7") +
                                                Attribute("Ties", std::to_string(ties)) +
                                                Attribute("PositiveDifferences", "12") +
                                                Simple("Interval", "Count Value", "", rowList)));
}

// The categories of the first colour scale of a Vega-Lite chart, in order.
Json ColorDomain(const Json& node) {
    if (node.is_object() && node.contains("color") && node["color"].contains("scale"))
        return node["color"]["scale"]["domain"];
    if (!node.is_structured()) return nullptr;
    for (const Json& child : node) {
        const Json found = ColorDomain(child);
        if (!found.is_null()) return found;
    }
    return nullptr;
}

// Draws every test of the document.
const DrawView kPairs = [](FacSTDictionary& dictionary, const ReadOutcome& read) {
    for (const auto& test : read.results->fTests) {
        const DifferenceCounts* differences = nullptr;
        if (auto* sign = dynamic_cast<const HTRSign*>(test.get())) differences = &sign->fDifferences;
        if (auto* wilcoxon = dynamic_cast<const HTRWilcoxonSignedRanks*>(test.get()))
            differences = &wilcoxon->fDifferences;
        RSWilcoxonPairSignedRank(&dictionary, read.results.get(), differences, test.get(),
                                 test->fTestType)
            .draw("S: 1", true);
    }
};

TEST(RelatedDifferenceCharts, AxisLegendAndSignRelabels) {
    // Fields 0 and 1 print alike; fields 2 and 0 do not.
    const auto charts = Charts(
        PairTest("RSign", 0, 1, "3 5 4|-2 1 3") + PairTest("RWilcoxonSignedRanks", 2, 0, "1|4", 3),
        kPairs);
    ASSERT_EQ(charts.size(), 2u);
    EXPECT_EQ(charts[0]["description"], "Related-Samples Sign Test; S: 1");
    EXPECT_EQ(charts[0]["data"]["graphSource"]["count"], Json::array({3, 5, 4}));
    EXPECT_EQ(charts[0]["data"]["graphSource"]["value"], Json::array({-2, 1, 3}));
    const Chart sign(charts[0]);
    EXPECT_EQ(sign.Attr(kXAxis, "label"), "After - Before") << "second field minus first field";
    EXPECT_EQ(sign.Attr("graph/coordinates/axis[@dimension='y']", "label"), "Frequency");
    EXPECT_EQ(sign.Attr("legend", "title"), "Number of Ties = 0");
    EXPECT_EQ(sign.Relabels("type"), (Labels{{"0positive", "Positive Differences\n(12)"},
                                             {"1negative", "Negative Differences\n(7)"}}));
    // The legend lists the signs in the order of their keys, positive first,
    // whichever sign the first difference has.
    EXPECT_EQ(ColorDomain(charts[0]["vegaLite"]),
              Json::array({"Positive Differences\n(12)", "Negative Differences\n(7)"}));
    EXPECT_EQ(sign.Attr("variable[@id='value']", "label"), "Before");
    EXPECT_EQ(sign.Attr("variable[@id='value']/format", "decimals"), "2");

    EXPECT_EQ(charts[1]["title"], "Related-Samples Wilcoxon Signed Rank Test");
    const Chart wilcoxon(charts[1]);
    EXPECT_EQ(wilcoxon.Attr(kXAxis, "label"), "Before - Later");
    EXPECT_EQ(wilcoxon.Attr("legend", "title"), "Number of Ties = 3");
    EXPECT_EQ(wilcoxon.Relabels("type").size(), 2u);
    EXPECT_FALSE(wilcoxon.dom.select_node("//variable[@id='value']/format"))
        << "the template's format stays";
}

TEST(RelatedDifferenceCharts, MissingFieldsAndBadDistributions) {
    // First field without a variable; positions outside the fields; one entry.
    const auto charts = Charts(PairTest("RSign", 3, 0, "2|1") + PairTest("RSign", -1, 40, "2|1") +
                                   PairTest("RSign", 0, -2, "2|1"),
                               kPairs);
    ASSERT_EQ(charts.size(), 3u);
    const Chart orphan(charts[0]);
    EXPECT_EQ(orphan.Attr(kXAxis, "label"), "Before - Orphan");
    EXPECT_TRUE(orphan.Relabels("type").empty());
    EXPECT_FALSE(orphan.dom.select_node("//variable[@id='value']/format"));
    EXPECT_EQ(Chart(charts[1]).Attr(kXAxis, "label"), " - ");
    EXPECT_TRUE(Chart(charts[1]).Relabels("type").empty());
    EXPECT_EQ(Chart(charts[2]).Attr(kXAxis, "label"), "XAxis Text");

    // Rows of different lengths, one row, an empty first row: no chart.
    EXPECT_TRUE(Charts(PairTest("RSign", 0, 1, "1 2|3") + PairTest("RSign", 0, 1, "1 2") +
                           PairTest("RSign", 0, 1, "|1"),
                       kPairs)
                    .empty());
}

}  // namespace
