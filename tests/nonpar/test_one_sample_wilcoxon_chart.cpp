// The one-sample Wilcoxon chart: the test field's histogram with guide lines
// and labels at both medians. Documents run through the split loop, or the
// view draws directly with a string table of the test's own; the chart's
// final XML is parsed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>
#include <pugixml.hpp>

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "OneSampleWilcoxonSignedRanks.h"
#include "OutputFixture.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace output_query;

namespace {

const char* const kTitle = "One-Sample Wilcoxon Signed Rank Test";

// A Wilcoxon test of field 0 (score) against the median 5; observed 6.5.
const std::string kDocument = MakeDocument(
    Algorithm("OWilcoxonSignedRanks", "One_Sample",
              Table("Condition", Attribute("ConditionKey", "O_WilcoxonSignedRanks_2") +
                                     Attribute("%0", "0") + Attribute("%1", "5")) +
                  Table("StatisticsResult", Attribute("TotalN", "9")) +
                  Table("ContinuousDistribution",
                        Attribute("HypotheticalMedian", "5") + Attribute("ObservedMedian", "6.5") +
                            Simple("Interval", "Count Value", "1 2", {"4 5", "4.5 6.5"}))),
    kDictionary,
    "<FieldInfos><FieldInfo varIndex=\"0\">" +
        Table("ContinuousDistribution",
              Attribute("TotalN", "9") + Simple("Interval", "Count Value", "1 2", {"4 5", "4.5 6.5"})) +
        "</FieldInfo></FieldInfos>");

struct Chart {
    explicit Chart(const Json& item) : json(item) {
        EXPECT_EQ(document.load_string(item["document"].get<std::string>().c_str()).status,
                  pugi::status_ok);
    }
    std::string attr(const std::string& path, const char* attribute) const {
        return document.select_node(path.c_str()).node().attribute(attribute).value();
    }
    std::string text(const std::string& path) const {
        return document.select_node(path.c_str()).node().text().get();
    }
    // The graph's or a frame's locations as "part method target-or-value".
    std::vector<std::string> locations(const std::string& path) const {
        std::vector<std::string> found;
        for (const auto& node : document.select_nodes((path + "/location").c_str())) {
            const pugi::xml_node location = node.node();
            const std::string where = location.attribute("target") ? location.attribute("target").value()
                                                                   : location.attribute("value").value();
            found.push_back(std::string(location.attribute("part").value()) + " " +
                            location.attribute("method").value() + " " + where);
        }
        return found;
    }
    // The colour of the style an element refers to.
    std::string colorOf(const std::string& path) const {
        return attr("//style[@id='" + attr(path, "style") + "']", "color");
    }
    Json json;
    pugi::xml_document document;
};

// The Wilcoxon chart, found under the test's heading.
std::unique_ptr<Chart> WilcoxonChart(const RunOutcome& outcome) {
    for (const Json& heading : Items(outcome.json, "heading")) {
        if (heading["text"] != kTitle) continue;
        const auto charts = Items(heading, "chart");
        EXPECT_EQ(charts.size(), 1u);
        if (charts.size() == 1) return std::make_unique<Chart>(charts[0]);
    }
    ADD_FAILURE() << "no chart under the test's heading";
    return nullptr;
}

TEST(OneSampleWilcoxonChart, GuidesFramesAxesAndTheRoomForASubtitle) {
    auto source = MakeDataSource();
    const RunOutcome plain = RunDocument(kDocument, source.get());
    ASSERT_TRUE(plain.ok);
    const auto chart = WilcoxonChart(plain);
    ASSERT_TRUE(chart);
    EXPECT_EQ(chart->json["title"], kTitle);
    EXPECT_EQ(chart->json["data"]["graphSource"]["count"], Json({4, 5}));

    EXPECT_EQ(chart->attr("//graph/lineGuide[1]", "x"), "5");
    EXPECT_EQ(chart->colorOf("//graph/lineGuide[1]"), "green");
    EXPECT_EQ(chart->attr("//graph/lineGuide[2]", "x"), "6.5");
    EXPECT_EQ(chart->colorOf("//graph/lineGuide[2]"), "blue");
    // The locations added last count: right edge at 80%, top at 10%.
    std::vector<std::string> graph = chart->locations("//graph");
    ASSERT_GE(graph.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(graph.end() - 2, graph.end()),
              (std::vector<std::string>{"right fixed 80%", "top fixed 10%"}));
    EXPECT_EQ(chart->attr("//graph/location[last()]", "specifiedByUser"), "true");

    EXPECT_EQ(chart->locations("//labelFrame[@id='frameHypotheticalMedian']"),
              (std::vector<std::string>{"top attach graph1", "left same graph1", "height sizeToContent ",
                                        "right fixed 100%"}));
    EXPECT_EQ(chart->locations("//labelFrame[@id='frameObservedMedian']"),
              (std::vector<std::string>{"top same frameHypotheticalMedian",
                                        "left attach frameHypotheticalMedian", "height sizeToContent ",
                                        "right attach frameHypotheticalMedian"}));
    const std::string hypothetical = "//labelFrame[@id='frameHypotheticalMedian']/label";
    const std::string observed = "//labelFrame[@id='frameObservedMedian']/label";
    EXPECT_EQ(chart->text(hypothetical + "/text"), "Hypothetical Median = 5.00");
    EXPECT_EQ(chart->colorOf(hypothetical), "green");
    EXPECT_EQ(chart->attr("//style[@id='" + chart->attr(hypothetical, "style") + "']", "fontWeight"),
              "bold");
    EXPECT_EQ(chart->text(observed + "/text"), "Observed Median = 6.50");
    EXPECT_EQ(chart->colorOf(observed), "blue");

    // Axes named, the statistics label emptied, the value variable formatted
    // as the test field.
    EXPECT_EQ(chart->attr("//axis[@dimension='x']", "label"), "Test score");
    EXPECT_EQ(chart->attr("//axis[@dimension='y']", "label"), "Frequency");
    EXPECT_EQ(chart->text("//labelFrame[@id='statisticsFrame']/label/text"), "");
    EXPECT_EQ(chart->attr("//variable[@id='value']", "label"), "Test score");
    EXPECT_EQ(chart->attr("//variable[@id='value']/format", "decimals"), "2");

    // A split chart has a subtitle: the graph starts lower.
    const RunOutcome split = RunSplits(
        {SplitSpec{kDocument, {source->FindVarIndex("id", 0)}, {OBS(3.0)}, true}}, source.get());
    ASSERT_TRUE(split.ok);
    const auto splitChart = WilcoxonChart(split);
    ASSERT_TRUE(splitChart);
    EXPECT_EQ(splitChart->json["subtitle"], "Case: 3");
    EXPECT_EQ(splitChart->json["description"], kTitle) << "the split has a heading of its own";
    EXPECT_EQ(splitChart->locations("//graph").back(), "top fixed 15%");
}

// Draws the view of the document's one test into a fresh output document.
std::vector<Json> DrawDirectly(const FacSTDictionary& dictionary, const QUOR_DataSource* source) {
    const ReadOutcome read = Read(kDocument, source);
    EXPECT_TRUE(read.ok);
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    PathFactory::SetResourceDirectory(std::string(NPAR_SOURCE_DIR) + "/resources");
    {
        BpProcedure procedure(output, catalogue);
        OneSampleWilcoxonSignedRanks view(&dictionary, read.results.get(),
                                          dynamic_cast<const NOPROutputStats::HTOWilcoxonSignedRanks*>(
                                              read.results->fTests.at(0).get()));
        view.setField(0);
        view.draw("", false);
    }
    return Items(ToJson(output), "chart");
}

TEST(OneSampleWilcoxonChart, LineBreaksFromTheStringTableMarkupAndNoVariable) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("wilcoxon-strings-" + std::to_string(getpid()) + ".txt"))
                                 .string();
    std::ofstream(path) << "[Nonparametric Tests]\n"
                           "OWilcoxonSignedRanksHypotheticalMedian\tHypothetical\\nMedian & <h>: \n"
                           "OWilcoxonSignedRanksObservedMedian\tObserved: \n"
                           "Frequency\tCount \"n\"\n";
    FacSTDictionary dictionary(path);
    dictionary.SetProcedure("Nonparametric Tests");
    std::filesystem::remove(path);

    ProcedureDataSource source;
    source.AddVariable(QUOR_Variable("score", "R&D <\"score\">", 0, QUOR_Format(5, 8, 1)));
    const auto charts = DrawDirectly(dictionary, &source);
    ASSERT_EQ(charts.size(), 1u);
    const Chart chart(charts[0]);
    EXPECT_EQ(chart.text("//labelFrame[@id='frameHypotheticalMedian']/label/text"),
              "Hypothetical\nMedian & <h>: 5.0");
    EXPECT_EQ(chart.text("//labelFrame[@id='frameObservedMedian']/label/text"), "Observed: 6.5");
    EXPECT_EQ(chart.attr("//axis[@dimension='x']", "label"), "R&D <\"score\">");
    EXPECT_EQ(chart.attr("//axis[@dimension='y']", "label"), "Count \"n\"");

    // Without the field's variable the template's tokens stay and the
    // medians are written in their plain form.
    const auto bare = DrawDirectly(dictionary, nullptr);
    ASSERT_EQ(bare.size(), 1u);
    const Chart plain(bare[0]);
    EXPECT_EQ(plain.attr("//axis[@dimension='x']", "label"), "xAxisLabel");
    EXPECT_EQ(plain.text("//labelFrame[@id='statisticsFrame']/label/text"), "labelText");
    EXPECT_EQ(plain.text("//labelFrame[@id='frameObservedMedian']/label/text"), "Observed: 6.5");
    EXPECT_EQ(plain.attr("//graph/lineGuide[2]", "x"), "6.5");
}

}  // namespace
