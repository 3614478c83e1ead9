// The one-sample chi-square and runs charts: documents go through the
// reader, the views draw into a live output procedure, and the charts are
// read back from the output document's JSON, their XML parsed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>
#include <pugixml.hpp>

#include "ChiSquare.h"
#include "FacSTDictionary.h"
#include "OneSampleRuns.h"
#include "OutputQuery.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using output_query::Json;
namespace fs = std::filesystem;

namespace {

const std::string kResources = std::string(NPAR_SOURCE_DIR) + "/resources";

std::string ChiSquareTest(const std::string& table) {
    return Algorithm(
        "OChiSquare", "One_Sample",
        Table("Condition", Attribute("ConditionKey", "DefaultEqualProbabilities_O_ChiSquare_1") +
                               Attribute("%0", "1")) +
            Table("TwoClassComparison", table));
}

std::string RunsTest(const std::string& mean) {
    return Algorithm("ORuns", "One_Sample",
                     Table("Condition", Attribute("ConditionKey", "ACutPointIsSpecified_O_Runs_2") +
                                            Attribute("%0", "0") + Attribute("%1", "50")) +
                         Table("RunsParameters", Attribute("Mean", mean) + Attribute("StdDev", "2.25") +
                                                     Attribute("ObservedRunNumber", "7")));
}

const std::string kFrequencies =
    Simple("Content", "0 1 -1 5", "Observed Expected", {"12 10", "8 10", "3 2.5", "7"});

struct Drawing {
    std::string splitLabel;
    std::string strings = kResources + "/strings/en.txt";
    std::string resources = kResources;
};

// Reads the document and lets the view of its one test draw.
std::vector<Json> Draw(const std::string& test, const Drawing& how = {},
                       std::unique_ptr<ProcedureDataSource> source = MakeDataSource()) {
    FacSTDictionary dictionary(how.strings);
    dictionary.SetProcedure("Nonparametric Tests");
    const ReadOutcome read = Read(MakeDocument(test), source.get());
    EXPECT_TRUE(read.ok);
    const NOPROutputStats::BaseHypothesisTest* record = read.results->fTests.at(0).get();
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    PathFactory::SetResourceDirectory(how.resources);
    {
        BpProcedure procedure(output, catalogue);
        const bool active = !how.splitLabel.empty();
        if (auto* runs = dynamic_cast<const NOPROutputStats::HTORuns*>(record))
            OneSampleRuns(&dictionary, read.results.get(), runs).draw(how.splitLabel, active);
        else
            ChiSquare(&dictionary, read.results.get(),
                      dynamic_cast<const NOPROutputStats::HTOChiSquare*>(record))
                .draw(how.splitLabel, active);
    }
    PathFactory::SetResourceDirectory(kResources);
    return output_query::Items(output_query::ToJson(output), "chart");
}

struct Parsed {
    explicit Parsed(const Json& chart) {
        const std::string text = chart["document"];
        EXPECT_EQ(document.load_string(text.c_str()).status, pugi::status_ok) << text;
    }
    std::string attr(const char* path, const char* attribute) const {
        return document.select_node(path).node().attribute(attribute).value();
    }
    std::string text(const char* path) const { return document.select_node(path).node().text().get(); }
    pugi::xml_document document;
};

TEST(OneSampleCharts, ChiSquareBarsResidualsAndTooltip) {
    const auto charts = Draw(ChiSquareTest(kFrequencies), {"Region: North"});
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["title"], "One-Sample Chi-Square Test");
    EXPECT_EQ(charts[0]["subtitle"], "Region: North");
    // Two rows per category; "-1" is a category without a value; a row with
    // a single value is left out.
    const Json& data = charts[0]["data"]["graphSource"];
    EXPECT_EQ(data["Category"], Json({"Control", "Control", "Treatment", "Treatment", "", ""}));
    EXPECT_EQ(data["Frequency"], Json({12, 10, 8, 10, 3, 2.5}));
    EXPECT_EQ(data["Observed"], Json({12, 12, 8, 8, 3, 3}));
    EXPECT_EQ(data["Hypothesized"], Json({10, 10, 10, 10, 2.5, 2.5}));
    EXPECT_EQ(data["Type"], Json({"a", "b", "a", "b", "a", "b"}));
    EXPECT_EQ(data["Residual"], Json({"2.00", "2.00", "-2.00", "-2.00", "0.50", "0.50"}));

    const Parsed chart(charts[0]);
    EXPECT_EQ(chart.attr("//axis[@dimension='x']", "label"), "Group");
    EXPECT_EQ(chart.attr("//axis[@dimension='y']", "label"), "Frequency");
    EXPECT_EQ(chart.attr("//legend", "title"), "Frequency");
    EXPECT_EQ(chart.attr("//popup", "tokenTemplate"),
              "Group=$[category]$\nObserved=$[observed]$\nHypothesized=$[hypothesized]$\nResidual=$["
              "residual]$");
    EXPECT_EQ(chart.attr("//variable[@id='Type']/relabel[@from='b']", "to"), "Hypothesized");
}

TEST(OneSampleCharts, ChiSquareNeedsTheContentTableAndTheTestVariable) {
    for (const std::string& table :
         {Simple("Frequencies", "0 1", "Observed Expected", {"12 10", "8 10"}),
          Simple("Content", "", "Observed Expected", {"12 10"})})
        EXPECT_TRUE(Draw(ChiSquareTest(table)).empty()) << table;
    EXPECT_TRUE(Draw(ChiSquareTest(kFrequencies), {}, std::make_unique<ProcedureDataSource>()).empty());
}

TEST(OneSampleCharts, RunsNumbersGuidesAndTexts) {
    auto charts = Draw(RunsTest("10.4"));
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["title"], "One-Sample Runs Test");
    EXPECT_TRUE(charts[0]["data"].empty()) << "no data table";
    Parsed chart(charts[0]);
    EXPECT_EQ(chart.attr("//axis[@dimension='x']/range", "max"), "20");
    EXPECT_EQ(chart.attr("//distributionStatistic", "parameter"), "10.4");
    EXPECT_EQ(chart.attr("//distributionStatistic", "secondaryParameter"), "2.25");
    EXPECT_EQ(chart.attr("//lineGuide[1]", "x"), "10.4");
    EXPECT_EQ(chart.attr("//lineGuide[2]", "x"), "7");
    EXPECT_EQ(chart.text("//lineGuide[2]/label/text"), "Observed Number of Runs = 7");
    EXPECT_EQ(chart.text("//labelFrame[@id='tooManyRunsFrame']/label/text"), "Too many runs");
    EXPECT_EQ(chart.attr("//graph/location[@part='top']", "value"), "10%");

    // 2 x 10.6 = 21.2 is cut to 21; a split label moves the graph down.
    charts = Draw(RunsTest("10.6"), {"Region: North"});
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["description"], "One-Sample Runs Test; Region: North");
    const Parsed split(charts[0]);
    EXPECT_EQ(split.attr("//axis[@dimension='x']/range", "max"), "21");
    EXPECT_EQ(split.attr("//graph/location[@part='top']", "value"), "15%");
}

TEST(OneSampleCharts, RunsTemplateVariantsAndStringTableMarkup) {
    const fs::path folder = fs::temp_directory_path() / ("runs_charts_" + std::to_string(::getpid()));
    fs::create_directories(folder / "templates");
    std::ofstream(folder / "templates" / "NPAROneSampleRunsTest.viztemplate")
        << "<visualization name=\"NPAROneSampleRunsTest\" version=\"1\"><graph id=\"graph1\">"
           "<location part=\"top\" method=\"fixed\" value=\"10%\"/>"
           "<location part=\"left\" method=\"fixed\" value=\"10%\"/>"
           "<lineGuide x=\"500\"/><lineGuide x=\"20\"/></graph></visualization>";
    std::ofstream(folder / "strings.txt") << "[Nonparametric Tests]\n"
                                             "Observed Number of Runs = ^1\tRuns: ^1 & <seen>\n"
                                             "Too few runs\t\"Few\" & <less>\n";
    // Without the observed-runs label both guides are still set; only the
    // first "10%" becomes "15%".
    const auto variant =
        Draw(RunsTest("10.4"), {"Region: North", kResources + "/strings/en.txt", folder.string()});
    // String-table texts with markup characters stay text.
    const auto marked = Draw(RunsTest("10.4"), {"", (folder / "strings.txt").string()});
    fs::remove_all(folder);

    ASSERT_EQ(variant.size(), 1u);
    const Parsed chart(variant[0]);
    EXPECT_EQ(chart.attr("//lineGuide[1]", "x"), "10.4");
    EXPECT_EQ(chart.attr("//lineGuide[2]", "x"), "7");
    EXPECT_EQ(chart.attr("//location[@part='top']", "value"), "15%");
    EXPECT_EQ(chart.attr("//location[@part='left']", "value"), "10%");
    ASSERT_EQ(marked.size(), 1u);
    const Parsed escaped(marked[0]);
    EXPECT_EQ(escaped.text("//lineGuide/label/text"), "Runs: 7 & <seen>");
    EXPECT_EQ(escaped.text("//labelFrame[@id='tooFewRunsFrame']/label/text"), "\"Few\" & <less>");
}

}  // namespace
