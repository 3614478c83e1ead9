// The one-sample and related-samples chart dispatchers, and the driver's
// charts over the bundled example: documents run through the split loop, or
// read records are handed to the dispatchers directly.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include <pugixml.hpp>

#include "BpOutput.h"
#include "CFProcCustom.h"
#include "FacSTDictionary.h"
#include "NOPRChartUtil.h"
#include "OneSample.h"
#include "OutputFixture.h"
#include "ReaderFixture.h"
#include "RelatedSamples.h"

using namespace nopr_test;
using namespace output_query;

namespace {

const std::string kExample = std::string(NPAR_SOURCE_DIR) + "/examples/full.xml";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The variables of a document's data dictionary, as npar-report makes them
// without a manifest: integer F8.0, double F8.2, string A as wide as its
// longest value, date DATE11; values with their display values as labels.
std::unique_ptr<ProcedureDataSource> DictionarySource(const std::string& document) {
    auto source = std::make_unique<ProcedureDataSource>();
    pugi::xml_document xml;
    EXPECT_TRUE(xml.load_string(document.c_str()));
    for (const auto& found : xml.select_nodes("//DataDictionary/DataField")) {
        const pugi::xml_node field = found.node();
        const std::string type = field.attribute("dataType").value();
        int width = 1;
        for (pugi::xml_node value : field.children("Value"))
            width =
                std::max(width, static_cast<int>(std::string(value.attribute("value").value()).size()));
        QUOR_Format format(QUOR_Format::F, 8, 2);
        if (type == "integer") format = QUOR_Format(QUOR_Format::F, 8, 0);
        if (type == "string") format = QUOR_Format(QUOR_Format::A, width, 0);
        if (type == "date") format = QUOR_Format(QUOR_Format::DATE, 11, 0);
        QUOR_Variable variable(field.attribute("name").value(), field.attribute("displayName").value(),
                               type == "string" ? width : 0, format);
        for (pugi::xml_node value : field.children("Value")) {
            const std::string text = value.attribute("value").value();
            variable.ValueLabels().Add(type == "string" ? OBS(text) : OBS(String2Double(text)),
                                       value.attribute("displayValue").value());
        }
        source->AddVariable(variable);
    }
    return source;
}

std::string RunsTest(const std::string& messages) {
    return Algorithm("ORuns", "One_Sample",
                     Table("Condition", Attribute("ConditionKey", "ACutPointIsSpecified_O_Runs_2") +
                                            Attribute("%0", "0") + Attribute("%1", "50")) +
                         Table("StatisticsResult", Attribute("TotalN", "20")) +
                         Table("RunsParameters", Attribute("Mean", "10") + Attribute("StdDev", "2") +
                                                     Attribute("ObservedRunNumber", "7")) +
                         Table("WarningMessages", messages));
}

std::string Message(const std::string& code, const std::string& type) {
    return Table("Message",
                 Attribute("code", code) + Attribute("type", type) + Attribute("paramNum", "0"));
}

// The test headings at the top of the output, in order.
std::vector<Json> TestHeadings(const Json& output) {
    std::vector<Json> headings;
    for (const Json& item : output["items"])
        if (item["type"] == "heading") headings.push_back(item);
    return headings;
}

// The charts under a heading that a dispatcher made (not the network charts).
std::vector<std::string> TestChartTemplates(const Json& heading) {
    std::vector<std::string> templates;
    for (const Json& chart : Items(heading, "chart"))
        if (chart["template"] != "GLMMPairwiseContrasts.viztemplate")
            templates.push_back(chart["template"]);
    return templates;
}

TEST(Dispatch, AnErrorStopsTheChartWarningsDoNot) {
    // A located error does not block the test's table, but its chart.
    const std::string withError =
        RunsTest(Message("222328", "error") + Message("10", "warning") + Message("11", "warning"));
    const std::string withWarnings = RunsTest(Message("10", "warning") + Message("11", "helpMessage"));
    auto source = MakeDataSource();
    const RunOutcome outcome = RunDocument(MakeDocument(withError + withWarnings), source.get());
    ASSERT_TRUE(outcome.ok);
    const auto headings = TestHeadings(outcome.json);
    ASSERT_EQ(headings.size(), 2u);
    EXPECT_EQ(Items(headings[0], "table").size(), 1u);
    EXPECT_TRUE(TestChartTemplates(headings[0]).empty());
    EXPECT_EQ(TestChartTemplates(headings[1]),
              std::vector<std::string>{"NPAROneSampleRunsTest.viztemplate"});
}

// Charts each dispatcher draws for a record, in a fresh output document.
struct Drawn {
    size_t oneSample = 0;
    size_t related = 0;
};

Drawn DrawWithBoth(const FacSTDictionary& dictionary, const NOPRSplitResults& results,
                   const NOPROutputStats::BaseHypothesisTest* test, unsigned int fieldIndex) {
    Drawn drawn;
    for (int which = 0; which < 2; ++which) {
        npar::OutputDocument output;
        npar::Catalogue catalogue;
        {
            BpProcedure procedure(output, catalogue);
            auto* table = const_cast<FacSTDictionary*>(&dictionary);
            if (which == 0)
                OneSample(table, &results).drawChart(test, fieldIndex, "", false);
            else
                RelatedSamples(table, &results).drawChart(test, "", false);
        }
        (which == 0 ? drawn.oneSample : drawn.related) = Items(ToJson(output), "chart").size();
    }
    return drawn;
}

TEST(Dispatch, EachFamilyDrawsItsOwnTestsThatHaveAView) {
    const std::string document = ReadFile(kExample);
    auto source = DictionarySource(document);
    const ReadOutcome read = Read(document, source.get());
    ASSERT_TRUE(read.ok);
    PathFactory::SetResourceDirectory(std::string(NPAR_SOURCE_DIR) + "/resources");
    FacSTDictionary dictionary(PathFactory::getPathInstance(3)->StringTableFile());
    dictionary.SetProcedure("Nonparametric Tests");
    const NOPRSplitResults& results = *read.results;

    std::vector<const NOPROutputStats::BaseHypothesisTest*> records;
    for (const auto& test : results.fTests) records.push_back(test.get());
    for (const auto& test : results.fConfidenceIntervals) records.push_back(test.get());
    std::map<int, int> seen;
    for (const auto* test : records) {
        const int type = test->fTestType;
        ++seen[type];
        const std::vector<double> fields = testFieldIndices(test->fCondition);
        const unsigned int field = fields.empty() ? 0u : static_cast<unsigned int>(fields[0]);
        const Drawn drawn = DrawWithBoth(dictionary, results, test, field);
        const bool failed = errorMessageCount(*test) > 0;
        const bool oneSample = type >= 1 && type <= 6 && type != 5 && !failed;
        const bool related = type >= 11 && type <= 17 && !failed;
        EXPECT_EQ(drawn.oneSample, oneSample ? 1u : 0u) << "type " << type;
        EXPECT_EQ(drawn.related, related ? 1u : 0u) << "type " << type;
    }
    // Every type of both families is in the example, the ones without a view too.
    for (int type : {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 17, 18}) EXPECT_GT(seen[type], 0) << type;

    // No record, a record of another class than its type, and a
    // Kolmogorov-Smirnov record of a distribution-specific code draw nothing.
    NOPROutputStats::HTORuns runs;
    runs.fTestType = TestType::OChiSquare;
    NOPROutputStats::HTOKolmogorovSmirnov normal;
    normal.fTestType = TestType::OKolmogorovSmirnovNormal;
    NOPROutputStats::HTRSign sign;
    sign.fTestType = TestType::RCochransQ;
    for (const NOPROutputStats::BaseHypothesisTest* test :
         std::initializer_list<const NOPROutputStats::BaseHypothesisTest*>{nullptr, &runs, &normal,
                                                                           &sign}) {
        const Drawn drawn = DrawWithBoth(dictionary, results, test, 7);
        EXPECT_EQ(drawn.oneSample + drawn.related, 0u);
    }
}

// Counts the pairwise tables in items (at any depth), checking that each is
// directly followed by its network chart.
size_t PairwiseTablesFollowedByNetworks(const Json& items, const std::string& where) {
    size_t tables = 0;
    for (size_t k = 0; k < items.size(); ++k) {
        if (items[k].contains("items"))
            tables += PairwiseTablesFollowedByNetworks(items[k]["items"], where);
        if (items[k]["type"] != "table" || items[k]["id"] != "Pairwise Comparisons Table") continue;
        ++tables;
        EXPECT_TRUE(k + 1 < items.size() && items[k + 1]["type"] == "chart" &&
                    items[k + 1]["template"] == "GLMMPairwiseContrasts.viztemplate")
            << where;
    }
    return tables;
}

TEST(Dispatch, TheExampleHasAChartForEveryTestThatHasAView) {
    const std::string document = ReadFile(kExample);
    auto source = DictionarySource(document);
    const RunOutcome outcome = RunDocument(document, source.get());
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());

    // The tests in the document's order; the confidence-interval records
    // (success rate, both Hodges-Lehmann estimates) have no heading, and the
    // blocked chi-square test has nothing under its heading.
    const std::string histogram = "NPARHistogram.viztemplate";
    const std::string boxplot = "NPARBoxplot.viztemplate";
    const std::string stacked = "NPARStackedBar.viztemplate";
    const std::string facets = "FacetBarChart.viztemplate";
    const std::string ranks = "NPARRelatedSamplesHistogram.viztemplate";
    const std::string differences = "NPARWilcoxonPairSignedRank.viztemplate";
    const std::vector<std::string> expected = {"NPARChiSquareTest.viztemplate",
                                               "",
                                               stacked,
                                               stacked,
                                               "NPAROneSampleRunsTest.viztemplate",
                                               histogram,
                                               histogram,
                                               histogram,
                                               histogram,
                                               histogram,
                                               differences,
                                               differences,
                                               stacked,
                                               facets,
                                               ranks,
                                               ranks,
                                               facets,
                                               boxplot,
                                               ranks,
                                               ranks,
                                               "NPARKolmogorovSmirnov.viztemplate",
                                               boxplot,
                                               boxplot,
                                               boxplot,
                                               boxplot};
    const auto headings = TestHeadings(outcome.json);
    ASSERT_EQ(headings.size(), expected.size());
    size_t networks = 0;
    for (size_t i = 0; i < headings.size(); ++i) {
        const auto templates = TestChartTemplates(headings[i]);
        if (expected[i].empty()) {
            EXPECT_TRUE(templates.empty()) << headings[i]["text"];
            continue;
        }
        EXPECT_EQ(templates, std::vector<std::string>{expected[i]}) << headings[i]["text"];
        for (const Json& chart : Items(headings[i], "chart")) {
            pugi::xml_document xml;
            EXPECT_EQ(xml.load_string(chart["document"].get<std::string>().c_str()).status,
                      pugi::status_ok)
                << chart["title"];
            // The runs chart is drawn from its template alone.
            if (chart["template"] != "NPAROneSampleRunsTest.viztemplate") {
                EXPECT_FALSE(chart["data"].empty()) << chart["title"];
            }
        }
        networks += PairwiseTablesFollowedByNetworks(headings[i]["items"], headings[i]["text"]);
    }
    EXPECT_EQ(networks, 4u);
}

}  // namespace
