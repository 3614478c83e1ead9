// The pairwise comparisons network chart: documents run through the split
// loop; the chart that follows each pairwise table is read back from the
// output document's JSON and its final XML parsed.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cstdlib>

#include <pugixml.hpp>

#include "OutputFixture.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace output_query;

namespace {

// The second line of every network's footnote: the template's key to the
// colours of the edges.
const std::string kColourKey =
    "\nOrange lines join the pairs whose adjusted significance is below the significance level.";

// Three continuous fields, the grouping field "band" (its label holds markup)
// and the last field, which gets no field record.
const char* const kDictionary = R"(<DataDictionary>
  <DataField index="0" name="f0" displayName="Zero" optype="continuous" dataType="double"/>
  <DataField index="1" name="f1" displayName="One" optype="continuous" dataType="double"/>
  <DataField index="2" name="f2" displayName="Two" optype="continuous" dataType="double"/>
  <DataField index="3" name="band" displayName="Band &amp; &lt;Co&gt;" optype="categorical" dataType="integer">
    <Value index="0" value="1" displayValue="B1"/>
    <Value index="1" value="2" displayValue="B2"/>
    <Value index="2" value="3" displayValue="B3 &amp; &quot;x&quot;"/>
    <Value index="3" value="4" displayValue="B4"/>
  </DataField>
  <DataField index="4" name="id" displayName="Case" optype="continuous" dataType="integer"/>
</DataDictionary>)";

const char* const kColumns = "Sample1 Sample2 TestStatistic StdError StdTestStatistic Sig AdjSig";

std::unique_ptr<ProcedureDataSource> MakeSource() {
    auto source = std::make_unique<ProcedureDataSource>();
    const char* labels[] = {"Zero", "One", "Two"};
    for (int i = 0; i < 3; ++i)
        source->AddVariable(QUOR_Variable("f" + std::to_string(i), labels[i], 0, QUOR_Format(5, 8, 2)));
    source->AddVariable(QUOR_Variable("band", "Band & <Co>", 0, QUOR_Format(5, 8, 0)));
    source->AddVariable(QUOR_Variable("id", "Case", 0, QUOR_Format(5, 8, 0)));
    return source;
}

std::string Pairwise(const std::vector<std::string>& info, const std::vector<std::string>& content,
                     const std::string& fieldIndex = "") {
    return Table("PairwiseResult", (fieldIndex.empty() ? "" : Attribute("fieldIndex", fieldIndex)) +
                                       Simple("PairwiseInfo", "Sample Value", "0", info) +
                                       Simple("Content", "1", kColumns, content));
}

// parameters: the condition's "%0", "%1", ... in order.
std::string KSampleTest(const std::string& name, const std::string& family, const std::string& key,
                        const std::vector<std::string>& parameters, const std::string& comparisons) {
    std::string condition = Attribute("ConditionKey", key);
    for (size_t i = 0; i < parameters.size(); ++i)
        condition += Attribute("%" + std::to_string(i), parameters[i]);
    return Algorithm(name, family,
                     Table("Condition", condition) +
                         Table("StatisticsResult", Attribute("TotalN", "40")) + comparisons,
                     "reject");
}

std::string KruskalWallis(const std::string& comparisons) {
    return KSampleTest("IKruskalWallis", "Independent_Samples",
                       "DefaultAllDistinctValuesUsed_I_KruskalWallis_2", {"0", "3"}, comparisons);
}

// Adjusted significances 1, 0.5, 0, 0.01 and 0.05 at the level 0.05.
const std::string kKruskalWallis =
    KruskalWallis(Pairwise({"0 1 2 3", "10.5 4 7.25 1.5"},
                           {"0 2 1 1 1 0.5 1", "1 0 1 1 1 0.1 0.5", "1 2 1 1 1 0 0",
                            "3 0 1 1 1 0.001 0.01", "3 1 1 1 1 0.01 0.05"},
                           "3"));

struct Charted {
    Json chart;
    pugi::xml_document document;
};

// Every network chart of the output, each with its parsed document, after
// checking that it directly follows a pairwise table.
std::vector<std::unique_ptr<Charted>> NetworkCharts(const Json& items) {
    std::vector<std::unique_ptr<Charted>> found;
    for (size_t i = 0; i < items.size(); ++i) {
        const Json& item = items[i];
        if (item.contains("items")) {
            auto inner = NetworkCharts(item["items"]);
            for (auto& chart : inner) found.push_back(std::move(chart));
        }
        if (item["type"] != "chart" || item["template"] != "GLMMPairwiseContrasts.viztemplate") continue;
        EXPECT_TRUE(i > 0 && items[i - 1]["type"] == "table" &&
                    items[i - 1]["id"] == "Pairwise Comparisons Table")
            << "the network chart follows its pairwise table";
        auto charted = std::make_unique<Charted>();
        charted->chart = item;
        EXPECT_EQ(charted->document.load_string(item["document"].get<std::string>().c_str()).status,
                  pugi::status_ok);
        found.push_back(std::move(charted));
    }
    return found;
}

std::string Relabel(const pugi::xml_document& document, const std::string& key) {
    const std::string path = "//variable[@id='node']/relabel[@from='" + key + "']";
    return document.select_node(path.c_str()).node().attribute("to").value();
}

TEST(NetworkChart, EdgesNodesTextsAndTemplateEdits) {
    auto source = MakeSource();
    const int split = source->FindVarIndex("id", 0);
    const RunOutcome outcome =
        RunSplits({SplitSpec{MakeDocument(kKruskalWallis, kDictionary), {split}, {OBS(7.0)}, false}},
                  source.get());
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
    const auto charts = NetworkCharts(outcome.json["items"]);
    ASSERT_EQ(charts.size(), 1u);
    const Json& chart = charts[0]->chart;
    const pugi::xml_document& document = charts[0]->document;

    const Json& nodes = chart["data"]["nodeSource_1"];
    EXPECT_EQ(nodes["node"], Json({0, 1, 2, 3}));
    EXPECT_EQ(nodes["facet1"], Json({" ", " ", " ", " "}));
    EXPECT_EQ(nodes["facet2"], Json({" ", " ", " ", " "}));
    // Edges in the document's order, joining node values.
    const Json& edges = chart["data"]["edgeSource_1"];
    EXPECT_EQ(edges["from"], Json({0, 1, 1, 3, 3}));
    EXPECT_EQ(edges["to"], Json({2, 0, 2, 0, 1}));
    ASSERT_EQ(edges["weight"].size(), 5u);
    EXPECT_EQ(edges["weight"][0].get<double>(), DBL_MAX);
    EXPECT_EQ(edges["weight"][1].get<double>(), 4.0);
    EXPECT_EQ(edges["weight"][2].get<double>(), 1.0);
    EXPECT_DOUBLE_EQ(edges["weight"][3].get<double>(), 1.0 / (0.99 * 0.99));
    EXPECT_EQ(edges["weightInPopup"], Json({1, 0.5, 0, 0.01, 0.05}));
    EXPECT_EQ(edges["type"], Json({2, 2, 1, 1, 2}));
    for (const char* unset : {"facet1", "facet2", "tooltip"}) EXPECT_TRUE(edges[unset].empty()) << unset;

    // The grouping field names the chart; its value labels and the nodes'
    // mean ranks name the nodes.
    EXPECT_EQ(chart["title"], "Pairwise Comparisons of Band & <Co>");
    EXPECT_EQ(chart["footnote"], "Each node shows the sample average rank of Band & <Co>." + kColourKey);
    EXPECT_EQ(chart["subtitle"], "Case: 7");
    EXPECT_EQ(chart["description"], "Pairwise Comparisons of Band & <Co>; Case: 7");
    EXPECT_EQ(Relabel(document, "0"), "B1\n10.50");
    EXPECT_EQ(Relabel(document, "2"), "B3 & \"x\"\n7.25");
    EXPECT_EQ(Relabel(document, "3"), "B4\n1.50");
    EXPECT_STREQ(document.select_node("//variable[@id='node']").node().attribute("label").value(),
                 "Band & <Co>");

    // One network: no panels, no legend; edge labels hidden, nodes movable,
    // the popup names the adjusted significance.
    for (const char* gone : {"//faceting", "//facetLayout", "//legend"})
        EXPECT_FALSE(document.select_node(gone)) << gone;
    EXPECT_STREQ(document.select_node("//style[@id='style7']").node().attribute("visible").value(),
                 "false");
    EXPECT_TRUE(document.select_node("//graphLayoutStatistic/move"));
    EXPECT_STREQ(document.select_node("//popup").node().attribute("tokenTemplate").value(),
                 "Adj. Sig. = $[1]$");
    const std::string xml = chart["document"];
    EXPECT_NE(xml.find("<style visible=\"false\" id=\"style7\""), std::string::npos);
}

TEST(NetworkChart, RelatedSamplesNodesAreFieldsAndRowlessTablesHaveNoChart) {
    const std::string cochran = KSampleTest(
        "RCochransQ", "Related_Samples", "CategoryListsAreSpecified_R_CochransQ_1", {"0 1 2"},
        Pairwise({"0 1 2", "89 105 107"},
                 {"0 1 1 1 1 0.01 0.02", "0 2 1 1 1 0.5 0.9", "1 2 1 1 1 0.6 1"}));
    // Samples are fields 1 and 2: each node is named by its own field.
    const std::string friedman =
        KSampleTest("RFriedmansTwoWayByRanks", "Related_Samples", "R_FriedmansTwoWayByRanks_1", {"1 2"},
                    Pairwise({"1 2", "1.25 1.75"}, {"1 2 1 1 1 0.2 0.2"}));
    // Comparisons naming a sample without a value: the table gets no rows and
    // there is no chart.
    const std::string rowless = KruskalWallis(Pairwise({"0 1", "1 2"}, {"0 9 1 1 1 0.2 0.2"}, "3"));
    auto source = MakeSource();
    const RunOutcome outcome =
        RunDocument(MakeDocument(cochran + friedman + rowless, kDictionary), source.get());
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(Tables(outcome.json, "Pairwise Comparisons").size(), 2u);
    ASSERT_EQ(Tables(outcome.json, "Pairwise Comparisons of Band & <Co>").size(), 1u);
    const auto charts = NetworkCharts(outcome.json["items"]);
    ASSERT_EQ(charts.size(), 2u);

    const Json& q = charts[0]->chart;
    EXPECT_EQ(q["title"], "Pairwise Comparisons");
    EXPECT_EQ(q["footnote"], "Each node shows the sample number of successes." + kColourKey);
    EXPECT_EQ(q["subtitle"], "");
    EXPECT_EQ(q["description"], "Pairwise Comparisons");
    EXPECT_EQ(q["data"]["edgeSource_1"]["from"], Json({0, 0, 1}));
    EXPECT_EQ(q["data"]["edgeSource_1"]["to"], Json({1, 2, 2}));
    EXPECT_EQ(Relabel(charts[0]->document, "0"), "Zero\n89.00");
    EXPECT_EQ(Relabel(charts[0]->document, "2"), "Two\n107.00");

    EXPECT_EQ(Relabel(charts[1]->document, "1"), "One\n1.25");
    EXPECT_EQ(Relabel(charts[1]->document, "2"), "Two\n1.75");
    EXPECT_FALSE(charts[1]->document.select_node("//relabel[@from='0']"));
    // The comparison of samples 1 and 2 joins the nodes of fields 1 and 2.
    EXPECT_EQ(charts[1]->chart["data"]["edgeSource_1"]["from"], Json({1}));
    EXPECT_EQ(charts[1]->chart["data"]["edgeSource_1"]["to"], Json({2}));
}

// The footnote names the statistic each node shows, by the test, as the
// homogeneous-subsets notes do: successes, average ranks or medians.
TEST(NetworkChart, FootnotesNameEachTestsStatistic) {
    const std::string comparisons = Pairwise({"0 1", "1.25 1.75"}, {"0 1 1 1 1 0.2 0.2"});
    const std::string groups = Pairwise({"0 1", "61.5 70.25"}, {"0 1 1 1 1 0.2 0.2"}, "3");
    const std::string tests =
        KSampleTest("RCochransQ", "Related_Samples", "CategoryListsAreSpecified_R_CochransQ_1", {"0 1"},
                    comparisons) +
        KSampleTest("RFriedmansTwoWayByRanks", "Related_Samples", "R_FriedmansTwoWayByRanks_1", {"0 1"},
                    comparisons) +
        KSampleTest("RKendallsCoefficient", "Related_Samples", "R_KendallsCoefficient_1", {"0 1"},
                    comparisons) +
        KruskalWallis(groups) +
        KSampleTest("IJonckheereTerpstra", "Independent_Samples",
                    "DefaultAllDistinctValuesUsed_I_JonckheereTerpstra_2", {"0", "3"}, groups) +
        KSampleTest("IMedian", "Independent_Samples", "DefaultAllDistinctValuesUsed_I_Median_2",
                    {"0", "3"}, groups);
    auto source = MakeSource();
    const RunOutcome outcome = RunDocument(MakeDocument(tests, kDictionary), source.get());
    ASSERT_TRUE(outcome.ok);
    std::vector<std::string> footnotes;
    for (const auto& charted : NetworkCharts(outcome.json["items"])) {
        const std::string footnote = charted->chart["footnote"];
        // Each ends in the template's key to the edges' colours.
        ASSERT_GE(footnote.size(), kColourKey.size());
        EXPECT_EQ(footnote.substr(footnote.size() - kColourKey.size()), kColourKey);
        footnotes.push_back(footnote.substr(0, footnote.size() - kColourKey.size()));
    }
    EXPECT_EQ(footnotes, (std::vector<std::string>{
                             "Each node shows the sample number of successes.",
                             "Each node shows the sample average rank.",
                             "Each node shows the sample average rank.",
                             "Each node shows the sample average rank of Band & <Co>.",
                             "Each node shows the sample average rank of Band & <Co>.",
                             "Each node shows the sample median of Band & <Co>.",
                         }));
}

// The driver reads DEBUG_MODEL_VIEWER once per process, so the run with the
// other charts switched off goes to a process of its own.
TEST(NetworkChartDeathTest, MadeWhenTheOtherChartsAreOff) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string fieldInfo =
        "<FieldInfos><FieldInfo varIndex=\"0\">" +
        Table("ContinuousDistribution",
              Attribute("TotalN", "9") + Simple("Interval", "Count Value", "1 2", {"4 5", "1.5 2.5"})) +
        "</FieldInfo></FieldInfos>";
    const std::string document = MakeDocument(kKruskalWallis, kDictionary, fieldInfo);
    EXPECT_EXIT(
        {
            setenv("DEBUG_MODEL_VIEWER", "2", 1);
            auto source = MakeSource();
            const RunOutcome outcome = RunDocument(document, source.get());
            std::string templates;
            for (const Json& chart : Items(outcome.json, "chart"))
                templates += chart["template"].get<std::string>() + ";";
            std::fprintf(stderr, "charts: %s\n", templates.c_str());
            std::exit(outcome.ok && NetworkCharts(outcome.json["items"]).size() == 1 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "charts: GLMMPairwiseContrasts\\.viztemplate;\n");
}

}  // namespace
