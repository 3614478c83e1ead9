// The facet bar charts of the marginal homogeneity and McNemar tests:
// documents read by the reader, views drawn while an output procedure lives,
// the charts read back from the output document and their XML parsed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <unistd.h>
#include <pugixml.hpp>

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "MarginalHomogeneity.h"
#include "OutputDocument.h"
#include "OutputFixture.h"
#include "OutputQuery.h"
#include "RSMcNemarChangeTestView.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace NOPROutputStats;
using output_query::Json;
using Labels = std::map<std::string, std::string>;

namespace {

const std::string kResources = std::string(NPAR_SOURCE_DIR) + "/resources";

// pre and post with the values 1 and 2 (post's 1 without a label); "other"
// has no variable.
const char* const kFields = R"(<DataDictionary>
  <DataField index="0" name="pre" optype="categorical" dataType="integer">
    <Value index="0" value="1" displayValue="No"/><Value index="1" value="2" displayValue="Yes"/>
  </DataField>
  <DataField index="1" name="post" optype="categorical" dataType="integer">
    <Value index="0" value="1" displayValue=""/><Value index="1" value="2" displayValue="Yes"/>
  </DataField>
  <DataField index="2" name="other" optype="categorical" dataType="integer"/>
  <DataField index="3" name="id" optype="continuous" dataType="integer"/>
</DataDictionary>)";

// A McNemar or marginal homogeneity test of the fields at rowField and
// columnField; extra holds success and fail lists and nested tables.
std::string Comparison(const std::string& name, const std::vector<std::string>& rows, int rowField = 0,
                       int columnField = 1, const std::string& extra = "") {
    return Algorithm(
        name, "Related_Samples",
        Table("Condition", Attribute("ConditionKey", "R_X_2")) +
            Table("CategoryFieldsComparison", Attribute("RowNames", std::to_string(rowField)) +
                                                  Attribute("ColumnNames", std::to_string(columnField)) +
                                                  extra + Simple("Content", "a b", "a b", rows)));
}

// Draws every test of the document with its view while a procedure lives.
std::vector<Json> Charts(const std::string& algorithms, const std::string& preLabel = "Pre",
                         const std::string& resources = kResources) {
    ProcedureDataSource data;
    data.AddVariable(QUOR_Variable("pre", preLabel, 0, QUOR_Format(5, 8, 0)));
    data.AddVariable(QUOR_Variable("post", "Post", 0, QUOR_Format(5, 8, 0)));
    const ReadOutcome read = Read(MakeDocument(algorithms, kFields), &data);
    EXPECT_TRUE(read.ok);
    return DrawCharts(
        [&](FacSTDictionary& dictionary) {
            for (const auto& test : read.results->fTests) {
                if (auto* mcnemar = dynamic_cast<const HTRMcNemar*>(test.get()))
                    RSMcNemarChangeTestView(read.results.get(), &mcnemar->fCategoryFieldsComparison,
                                            &dictionary)
                        .draw("S: 1", true);
                if (auto* homogeneity = dynamic_cast<const HTRMarginalHomogeneity*>(test.get()))
                    MarginalHomogeneity(read.results.get(), &homogeneity->fCategoryFieldsComparison,
                                        &dictionary)
                        .draw("S: 1", true);
            }
        },
        resources);
}

struct Chart {
    explicit Chart(const Json& chart) {
        const std::string text = chart["document"];
        EXPECT_EQ(dom.load_string(text.c_str()).status, pugi::status_ok) << text;
    }
    std::string Attr(const std::string& path, const char* attribute) const {
        return dom.select_node(("/visualization/" + path).c_str()).node().attribute(attribute).value();
    }
    size_t Count(const std::string& path) const {
        return dom.select_nodes(("/visualization/" + path).c_str()).size();
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

const Json& Column(const Json& chart, const char* variable) {
    return chart["data"]["graphSource"][variable];
}
const char* const kColumnFacet = "graph/faceting/facet[@dimension='column']";
const char* const kRowFacet = "graph/faceting/facet[@dimension='row']";

TEST(FacetCharts, MarginalHomogeneityCellsAndTexts) {
    const auto charts = Charts(Comparison("RMarginalHomogeneity", {"5 3", "2 8"}) +
                               Comparison("RMarginalHomogeneity", {}) +
                               Comparison("RMarginalHomogeneity", {"5 3", "2"}, 99, -1));
    ASSERT_EQ(charts.size(), 2u) << "no rows, no chart";
    EXPECT_EQ(charts[0]["description"], "Related-Samples Marginal Homogeneity Test; S: 1");
    EXPECT_EQ(Column(charts[0], "Row"), Json::array({0, 0, 1, 1}));
    EXPECT_EQ(Column(charts[0], "Column"), Json::array({0, 1, 0, 1}));
    EXPECT_EQ(Column(charts[0], "CellText"), Json::parse("[5, null, null, 8]"));
    EXPECT_EQ(Column(charts[0], "CellValue"), Json::parse("[null, 3, 2]"));
    EXPECT_EQ(Column(charts[0], "ObservedTooltip"), Json::array({5, 3, 2, 8}));
    const Chart chart(charts[0]);
    EXPECT_EQ(chart.Attr(kColumnFacet, "label"), "Post") << "the second field";
    EXPECT_EQ(chart.Attr(kRowFacet, "label"), "Pre") << "the first field";
    EXPECT_EQ(chart.Attr("popup", "tokenTemplate"), "Observed=$[0]$");
    EXPECT_EQ(chart.Count("legend"), 0u);
    EXPECT_EQ(chart.Count("popup/tokenMapping[@valueToken='0']"), 1u);
    EXPECT_EQ(chart.Count("popup/tokenMapping"), 1u);
    EXPECT_EQ(chart.Attr("variable[@id='celltext']/format", "prefix"), "Observed\nFrequency = ");
    EXPECT_EQ(chart.Relabels("Row"), (Labels{{"0", "No"}, {"1", "Yes"}}));
    EXPECT_EQ(chart.Relabels("Column"), (Labels{{"0", "1"}, {"1", "Yes"}})) << "no label: the value";

    // A short row; fields outside the list.
    EXPECT_EQ(Column(charts[1], "Row"), Json::array({0, 0, 1}));
    const Chart outside(charts[1]);
    EXPECT_EQ(outside.Attr(kColumnFacet, "label"), "Facet1Text");
    EXPECT_TRUE(outside.Relabels("Row").empty());
}

TEST(FacetCharts, MarginalHomogeneityKeepsASingleTooltipValue) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("facet_resources_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::copy(kResources, dir, std::filesystem::copy_options::recursive);
    const auto path = dir / "templates" / "FacetBarChart.viztemplate";
    std::stringstream original;
    original << std::ifstream(path).rdbuf();
    std::string text = original.str();
    const size_t second = text.find("<tokenMapping", text.find("<tokenMapping") + 1);
    text.erase(second, text.find("/>", second) + 2 - second);
    std::ofstream(path, std::ios::trunc) << text;
    const auto charts = Charts(Comparison("RMarginalHomogeneity", {"5 3", "2 8"}), "Pre", dir.string());
    std::filesystem::remove_all(dir);
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(Chart(charts[0]).Count("popup/tokenMapping[@valueToken='0']"), 1u);
}

TEST(FacetCharts, McNemarObservedAndExpectedBars) {
    unsetenv("NPAR_COLORS_ONLY");
    // Column fail values 5, 7 and 8 are outside the categories: 5 takes
    // "Five", 7 the empty entry and so its value, 8 finds no entry left.
    const std::string lists =
        Attribute("RowSuccessList", "1 0") + Attribute("RowFailList", "0") +
        Attribute("ColumnSuccessList", "1") + Attribute("ColumnFailList", "5 7 8") +
        Table("ColValsNotInTheCategoreis", Attribute("Value", "Five") + Attribute("Value", ""));
    const auto charts = Charts(Comparison("RMcNemar", {"6 10", "4 9"}, 0, 1, lists));
    ASSERT_EQ(charts.size(), 1u);
    const Json& data = charts[0];
    EXPECT_EQ(data["title"], "Related-Samples McNemar Change Test");
    EXPECT_EQ(Column(data, "Row"), Json::array({0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(Column(data, "Column"), Json::array({0, 1, 1, 0, 0, 1}));
    EXPECT_EQ(Column(data, "Category"), Json::array({0, 0, 1, 0, 1, 0}));
    EXPECT_EQ(Column(data, "CellValue"), Json::parse(R"(["", 10, 7, 4, 7, ""])"));
    EXPECT_EQ(Column(data, "CellText"), Json::parse(R"([6, "", "", "", "", 9])"));
    EXPECT_EQ(Column(data, "ObservedTooltip"), Json::array({6, 10, 10, 4, 4, 9}));
    EXPECT_EQ(Column(data, "HypothesizedTooltip"), Json::array({0, 7, 7, 7, 7, 0}));
    const Chart chart(charts[0]);
    EXPECT_EQ(chart.Attr(kColumnFacet, "label"), "Post");
    EXPECT_EQ(chart.Attr(kRowFacet, "label"), "Pre");
    EXPECT_EQ(chart.Attr("popup", "tokenTemplate"), "Observed=$[0]$ \nHypothesized=$[1]$");
    EXPECT_EQ(chart.Count("popup/tokenMapping"), 2u);
    EXPECT_EQ(chart.Count("legend"), 1u);
    EXPECT_EQ(chart.Attr("graph/interval/pattern", "id"), "color1");
    EXPECT_EQ(chart.Count("graph/interval/color"), 0u);
    EXPECT_EQ(chart.Attr("variable[@id='celltext']/format", "prefix"), "Observed\nFrequency = ");
    EXPECT_EQ(chart.Relabels("category"), (Labels{{"0", "Observed"}, {"1", "Hypothesized"}}));
    EXPECT_EQ(chart.Relabels("Row").at("0"), "Yes, No") << "positions 1 and 0";
    EXPECT_EQ(chart.Relabels("Row").at("1"), "No");
    // Of the positions past the field's values, 5 is named by its entry; 7
    // (an empty entry) and 8 (none left) name no value and are not shown.
    EXPECT_EQ(chart.Relabels("Column"), (Labels{{"0", "Yes"}, {"1", "Five"}}));
    EXPECT_EQ(chart.Attr("variable[@id='Column']", "label"), "") << "no data-source variable";

    setenv("NPAR_COLORS_ONLY", "1", 1);
    const auto colours = Charts(Comparison("RMcNemar", {"6 10", "4 9"}));
    unsetenv("NPAR_COLORS_ONLY");
    ASSERT_EQ(colours.size(), 1u);
    EXPECT_EQ(Chart(colours[0]).Attr("graph/interval/color", "id"), "color1");
}

TEST(FacetCharts, McNemarWithoutMirrorCellDrawsNoExpectedBar) {
    // Cell (0, 2) has no mirror cell (2, 0); row 1 is short.
    const auto charts = Charts(Comparison("RMcNemar", {"6 10 3", "4"}) + Comparison("RMcNemar", {}));
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(Column(charts[0], "Column"), Json::array({0, 1, 1, 2, 0, 0}));
    EXPECT_EQ(Column(charts[0], "Category"), Json::array({0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(Column(charts[0], "HypothesizedTooltip"), Json::parse("[0, 7, 7, null, 7, 7]"));
}

}  // namespace
