// The stacked bar charts of the binomial and Cochran's Q tests: documents go
// through the reader, the views draw into a live output procedure, and the
// charts are read back from the output document's JSON, their XML parsed.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>

#include <pugixml.hpp>

#include "Binomial.h"
#include "FacSTDictionary.h"
#include "OutputQuery.h"
#include "RSCochransQ.h"
#include "ReaderFixture.h"
#include "XDocument.h"

using namespace nopr_test;
using output_query::Json;

namespace {

std::string StackedTest(const std::string& name, const std::string& key,
                        const std::vector<std::string>& parameters, const std::string& columns = "0 1",
                        const std::vector<std::string>& rows = {"12 28", "20 20"},
                        const std::string& rowNames = "Sample Hypothesized") {
    std::string condition = Attribute("ConditionKey", key);
    for (size_t i = 0; i < parameters.size(); ++i)
        condition += Attribute("%" + std::to_string(i), parameters[i]);
    return Algorithm(name, name[0] == 'O' ? "One_Sample" : "Related_Samples",
                     Table("Condition", condition) +
                         Table("TwoClassComparison", Simple("F", rowNames, columns, rows)));
}

// The data source of the reader's fixture with another label for one variable.
std::unique_ptr<ProcedureDataSource> Labelled(int index, const std::string& label) {
    auto source = MakeDataSource();
    QUOR_Variable* variable = source->GetVariable(index);
    *variable = QUOR_Variable(variable->GetName(), label, variable->GetType(), variable->GetFormat());
    return source;
}

const char* const kCut = "ACutPointIsSpecified_O_Binomial_4";
const char* const kBinary = "ABinaryTestVariableIsSpecified_O_Binomial_5";

// Reads the document and lets the view of its one test draw; the data
// source outlives the drawing.
std::vector<Json> Draw(const std::string& test,
                       std::unique_ptr<ProcedureDataSource> source = MakeDataSource(),
                       const std::string& fields = kDictionary, int totalFreq = 40) {
    PathFactory::SetResourceDirectory(std::string(NPAR_SOURCE_DIR) + "/resources");
    FacSTDictionary dictionary(PathFactory::getPathInstance(3)->StringTableFile());
    dictionary.SetProcedure("Nonparametric Tests");
    const ReadOutcome read = Read(MakeDocument(test, fields), source.get());
    EXPECT_TRUE(read.ok);
    read.results->fTotalFreq = totalFreq;
    const NOPROutputStats::BaseHypothesisTest* record = read.results->fTests.at(0).get();
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    {
        BpProcedure procedure(output, catalogue);
        if (auto* binomial = dynamic_cast<const NOPROutputStats::HTOBinomial*>(record))
            Binomial(&dictionary, read.results.get(), binomial).draw("Region: North", true);
        else
            RSCochransQ(&dictionary, read.results.get(),
                        dynamic_cast<const NOPROutputStats::HTRCochransQ*>(record))
                .draw("", false);
    }
    return output_query::Items(output_query::ToJson(output), "chart");
}

std::string Attr(const Json& chart, const char* path, const char* attribute) {
    pugi::xml_document document;
    const std::string text = chart["document"];
    EXPECT_EQ(document.load_string(text.c_str()).status, pugi::status_ok) << text;
    return document.select_node(path).node().attribute(attribute).value();
}

const Json& Column(const Json& chart, const char* name) { return chart["data"]["graphSource"][name]; }

TEST(StackedCharts, CutPointBinomialRowsTooltipsAndTemplateTexts) {
    const auto charts = Draw(StackedTest("OBinomial", kCut, {"0", "5.5", "0.5"}));
    ASSERT_EQ(charts.size(), 1u);
    const Json& chart = charts[0];
    EXPECT_EQ(chart["title"], "One-Sample Binomial Test");
    EXPECT_EQ(chart["description"], "One-Sample Binomial Test; Region: North");
    // One data row per cell, row by row; both segments of a bar share its tooltip.
    EXPECT_EQ(Column(chart, "categories"),
              Json({"Observed", "Observed", "Hypothesized", "Hypothesized"}));
    EXPECT_EQ(Column(chart, "type"), Json({" <= 5.50", " > 5.50", " <= 5.50", " > 5.50"}));
    EXPECT_EQ(Column(chart, "value"), Json({12, 28, 20, 20}));
    // The tooltip gives each segment's share of the total frequency (40), as the axis does.
    const std::string observed = " <= 5.50 30.0%\n > 5.50 70.0%\n";
    const std::string hypothesized = " <= 5.50 50.0%\n > 5.50 50.0%\n";
    EXPECT_EQ(Column(chart, "tooltip"), Json({observed, observed, hypothesized, hypothesized}));
    EXPECT_EQ(Attr(chart, "//variable[@id='type']", "categoryOrder"), " <= 5.50; > 5.50");
    EXPECT_EQ(Attr(chart, "//legend", "title"), "Test score");
    EXPECT_EQ(Attr(chart, "//axis[@dimension='y']", "label"), "Frequency");
    EXPECT_EQ(Attr(chart, "//interval", "scalingFactor"), "2.5");

    const auto third =
        Draw(StackedTest("OBinomial", kCut, {"0", "5.5"}), MakeDataSource(), kDictionary, 3);
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(Attr(third[0], "//interval", "scalingFactor"), "33.33333333333334");
    // Without cases nothing is divided: the template's factor stays.
    const auto none =
        Draw(StackedTest("OBinomial", kCut, {"0", "5.5"}), MakeDataSource(), kDictionary, 0);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(Attr(none[0], "//interval", "scalingFactor"), "1");
    EXPECT_EQ(Column(none[0], "tooltip")[0], " <= 5.50 12\n > 5.50 28\n") << "counts, not percentages";
}

// The segments name the cut point as it is: at least the field's decimals,
// and every further decimal the value has.
TEST(StackedCharts, CutPointSegmentsShowTheCutExactly) {
    for (const auto& [field, cut, expected] :
         std::vector<std::tuple<const char*, const char*, const char*>>{
             {"1", "1.5", " <= 1.5"}, {"0", "5.125", " <= 5.125"}, {"1", "2", " <= 2"}}) {
        const auto charts = Draw(StackedTest("OBinomial", kCut, {field, cut, "0.5"}));
        ASSERT_EQ(charts.size(), 1u);
        EXPECT_EQ(Column(charts[0], "type")[0], expected) << field << " " << cut;
    }
}

TEST(StackedCharts, BinaryBinomialNamesSegmentsByTheTestFieldsValueLabels) {
    // The test field (group) comes first, then the two category positions; a
    // first position beyond the labels falls back to the second, positions
    // beyond both leave the column names.
    for (const auto& [first, second, expected] : std::vector<std::tuple<const char*, const char*, Json>>{
             {"0", "1", Json({"Control", "Treatment"})},
             {"5", "1", Json({"Treatment", "Treatment"})},
             {"-1", "0", Json({"Control", "Control"})},
             {"7", "9", Json({"0", "1"})}}) {
        const auto charts = Draw(StackedTest("OBinomial", kBinary, {"1", first, second, "0.5"}));
        ASSERT_EQ(charts.size(), 1u);
        const Json& types = Column(charts[0], "type");
        EXPECT_EQ(Json({types[0], types[1]}), expected) << first << " " << second;
        EXPECT_EQ(Attr(charts[0], "//legend", "title"), "Group");
    }

    // Labels with markup characters stay text: the document parses and shows them.
    auto source = Labelled(1, "Group & <\"Sub\">");
    std::string fields = kDictionary;
    fields.replace(fields.find("\"Treatment\""), 11, "\"Yes &amp; &lt;no&gt; &quot;it&apos;s&quot;\"");
    const auto charts =
        Draw(StackedTest("OBinomial", kBinary, {"1", "0", "1"}), std::move(source), fields);
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(Column(charts[0], "type")[1], "Yes & <no> \"it's\"");
    EXPECT_EQ(Attr(charts[0], "//variable[@id='type']", "categoryOrder"), "Control;Yes & <no> \"it's\"");
    EXPECT_EQ(Attr(charts[0], "//legend", "title"), "Group & <\"Sub\">");
}

// Category lists name their segments by the categories they hold: the test
// field's labels (its values where it has none), and for values not among the
// field's the record's texts, the second list going on where the first stopped.
TEST(StackedCharts, CategoryListBinomialNamesSegmentsByTheirCategories) {
    std::string test = StackedTest("OBinomial", "CategoryListsAreSpecified_O_Binomial_5",
                                   {"1", "0 7", "1 8", "0.5", "0.5"});
    test.insert(test.rfind("</Algorithm>"),
                Table("ValsNotInTheCategoreis", Attribute("Value", "4") + Attribute("Value", "5")));
    std::string fields = kDictionary;
    const std::string treatment = " displayValue=\"Treatment\"";
    fields.erase(fields.find(treatment), treatment.size());
    const auto charts = Draw(test, MakeDataSource(), fields);
    ASSERT_EQ(charts.size(), 1u);
    const Json& types = Column(charts[0], "type");
    EXPECT_EQ(Json({types[0], types[1]}), Json({"Control, 4", "2, 5"}));
    EXPECT_EQ(Attr(charts[0], "//variable[@id='type']", "categoryOrder"), "Control, 4;2, 5");
}

TEST(StackedCharts, MissingCellsWriteNoRowsAndNoCellsNoChart) {
    // A short row and a row longer than the column names: only named cells that exist.
    const auto charts = Draw(StackedTest("OBinomial", kCut, {"0", "5.5"}, "0 1", {"12", "20 20 99"}));
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(Column(charts[0], "categories"), Json({"Observed", "Hypothesized", "Hypothesized"}));
    EXPECT_EQ(Column(charts[0], "value"), Json({12, 20, 20}));
    EXPECT_EQ(Column(charts[0], "tooltip")[0], " <= 5.50 30.0%\n");

    // Row names without column names: no chart, and the template is not
    // fetched (a fetched template would name the probe document).
    EXPECT_TRUE(Draw(StackedTest("OBinomial", kCut, {"0", "5.5"}, "")).empty());
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    {
        BpProcedure procedure(output, catalogue);
        XDocument("<visualization name=\"NPARStackedBar\"/>").SendChart(true, false, false);
    }
    EXPECT_EQ(output_query::Items(output_query::ToJson(output), "chart").at(0)["template"],
              "NPARStackedBar");
}

TEST(StackedCharts, CochransQBarsAreTheRelatedFields) {
    auto source = Labelled(2, "Region of residence");
    const auto charts = Draw(StackedTest("RCochransQ", "CochransQ_R_CochransQ_3", {"0 1 2"},
                                         "Success Failure", {"3 7", "5 5", "1 9"}, "2 7 -1"),
                             std::move(source));
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["title"], "Related-Samples Cochran's Q Test");
    // Row 2 is the third field; rows that name no field stay as they are.
    EXPECT_EQ(Column(charts[0], "categories"),
              Json({"Region of residence", "Region of residence", "7", "7", "-1", "-1"}));
    EXPECT_EQ(Column(charts[0], "tooltip")[0], "Success 7.5%\nFailure 17.5%\n");
    EXPECT_EQ(Attr(charts[0], "//legend", "title"), "");
}

}  // namespace
