// The histogram charts: field information (one chart per field, from the view
// matching the field's kind) and the one-sample Kolmogorov-Smirnov chart with
// its fitted distribution. Documents go through the reader; the views draw
// into a live output procedure; the charts are read back from the output
// document's JSON and their final XML is parsed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include <unistd.h>
#include <pugixml.hpp>

#include "FacSTDictionary.h"
#include "FieldInformation.h"
#include "KolmogorovSmirnov.h"
#include "OutputFixture.h"
#include "OutputQuery.h"
#include "ReaderFixture.h"
#include "XDocument.h"

using namespace nopr_test;
using output_query::Json;

namespace {

constexpr double kOrigin = 12219379200.0;
// A variable label with every character XML gives a meaning.
const std::string kMarkup = "R&D <\"Lab\"> 'x'";

// score (continuous), group (categorical, no value labels in the data source),
// region (string A8), visit (categorical date), born (continuous date), id,
// stamp (date-time: seconds since 1970), clock (time of day: seconds), and
// the trailing field that stands for no variable.
const char* const kFields = R"(<DataDictionary>
  <DataField index="0" name="score" displayName="S" optype="continuous" dataType="double"/>
  <DataField index="1" name="group" displayName="Group" optype="categorical" dataType="integer">
    <Value index="0" value="1" displayValue="Control"/><Value index="1" value="2" displayValue="Treatment"/>
  </DataField>
  <DataField index="2" name="region" displayName="" optype="categorical" dataType="string">
    <Value index="0" value="Abc     " displayValue="Alpha"/><Value index="1" value="Northwestern" displayValue="Northwestern"/>
  </DataField>
  <DataField index="3" name="visit" displayName="Visit" optype="categorical" dataType="date">
    <Value index="0" value="19358" displayValue=""/><Value index="1" value="19359" displayValue="Second day"/>
  </DataField>
  <DataField index="4" name="born" displayName="Born" optype="continuous" dataType="date"/>
  <DataField index="5" name="id" displayName="Case" optype="continuous" dataType="integer"/>
  <DataField index="6" name="stamp" displayName="Stamp" optype="continuous" dataType="double"/>
  <DataField index="7" name="clock" displayName="Clock" optype="continuous" dataType="double"/>
  <DataField index="8" name="@case" displayName="Case" optype="continuous" dataType="integer"/>
</DataDictionary>)";

std::string FieldInfoXml(int field, bool categorical, const std::vector<std::string>& rows,
                         const std::string& statistics = "", const std::string& tableName = "Interval") {
    return "<FieldInfo varIndex=\"" + std::to_string(field) + "\">" +
           Table(categorical ? "CategoricalDistribution" : "ContinuousDistribution",
                 statistics + Simple(tableName, "Count Value", "", rows)) +
           "</FieldInfo>";
}

std::string Statistics(const std::string& n, const std::string& min, const std::string& max,
                       const std::string& mean, const std::string& sd) {
    return Attribute("TotalN", n) + Attribute("Min", min) + Attribute("Max", max) +
           Attribute("Mean", mean) + Attribute("StdDev", sd);
}
const std::string kScore = FieldInfoXml(0, false, {"3 5 2", "40 50 60"},
                                        Statistics("120", "39.1", "85.8", "62.0042", "9.00532"));

std::string KSTest(const std::string& key, const std::vector<std::string>& parameters) {
    std::string condition = Attribute("ConditionKey", key);
    for (size_t i = 0; i < parameters.size(); ++i)
        condition += Attribute("%" + std::to_string(i), parameters[i]);
    return Algorithm("OKolmogorovSmirnov", "One_Sample", Table("Condition", condition));
}

// A read split; the data source outlives the records that point into it.
struct Split {
    std::unique_ptr<ProcedureDataSource> source = std::make_unique<ProcedureDataSource>();
    ReadOutcome read;
    const NOPRSplitResults* results() const { return read.results.get(); }
};

Split ReadSplit(const std::string& fieldInfos, const std::string& tests = KSTest("Other", {"0"})) {
    Split split;
    QUOR_Format f82(QUOR_Format::F, 8, 2), f80(QUOR_Format::F, 8, 0), date(QUOR_Format::DATE, 11, 0);
    split.source->AddVariable(QUOR_Variable("score", kMarkup, 0, f82));
    split.source->AddVariable(QUOR_Variable("group", "Group", 0, f80));
    split.source->AddVariable(QUOR_Variable("region", "", 8, QUOR_Format(QUOR_Format::A, 8, 0)));
    split.source->AddVariable(QUOR_Variable("visit", "Visit", 0, date));
    split.source->AddVariable(QUOR_Variable("born", "Born", 0, date));
    split.source->AddVariable(QUOR_Variable("id", "Case", 0, f80));
    split.source->AddVariable(
        QUOR_Variable("stamp", "Stamp", 0, QUOR_Format(QUOR_Format::DATETIME, 20, 0)));
    split.source->AddVariable(QUOR_Variable("clock", "Clock", 0, QUOR_Format(QUOR_Format::TIME, 8, 0)));
    split.read = Read(MakeDocument(tests, kFields, "<FieldInfos>" + fieldInfos + "</FieldInfos>"),
                      split.source.get());
    EXPECT_TRUE(split.read.ok);
    return split;
}

// The charts the drawing sends into a fresh output document.
std::vector<Json> Charts(const std::function<void()>& draw) {
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    {
        BpProcedure procedure(output, catalogue);
        draw();
    }
    return output_query::Items(output_query::ToJson(output), "chart");
}

// The chart service keeps a fetched template until a document is made from
// it, and names a document with the template's root name after that file: so
// a probe document tells whether a view fetched the template and gave up.
bool HistogramTemplateLeftPending() {
    const auto charts = Charts(
        [] { XDocument("<visualization name=\"NPARHistogram\"/>").SendChart(true, false, false); });
    return charts.size() == 1 && charts[0]["template"] == "NPARHistogram.viztemplate";
}

std::unique_ptr<pugi::xml_document> Parse(const Json& chart) {
    auto document = std::make_unique<pugi::xml_document>();
    EXPECT_EQ(document->load_string(chart["document"].get<std::string>().c_str()).status,
              pugi::status_ok);
    return document;
}
std::string Text(const pugi::xml_document& document, const std::string& path,
                 const char* attribute = nullptr) {
    const pugi::xml_node node = document.select_node(path.c_str()).node();
    return attribute ? node.attribute(attribute).value() : node.text().get();
}
std::string Label(const pugi::xml_document& document) {
    return Text(document, "//labelFrame/label/text");
}
std::string Axis(const pugi::xml_document& document, char dimension) {
    return Text(document, std::string("//axis[@dimension='") + dimension + "']", "label");
}
std::map<std::string, std::string> Relabels(const pugi::xml_document& document) {
    std::map<std::string, std::string> relabels;
    for (const auto& found : document.select_nodes("//variable[@id='value']/relabel"))
        relabels[found.node().attribute("from").value()] = found.node().attribute("to").value();
    return relabels;
}
Json Values(const Json& chart) { return chart["data"]["graphSource"]["value"]; }

class HistogramCharts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PathFactory::SetResourceDirectory(std::string(NPAR_SOURCE_DIR) + "/resources");
        const auto path = std::filesystem::temp_directory_path() /
                          ("histogram_strings_" + std::to_string(::getpid()) + ".txt");
        std::ofstream(path) << "[Nonparametric Tests]\nTotalN\tTotal N\nE60352\tCount\nhistoN\t\\nN =\n"
                               "histoMin\t\\nMinimum =\nhistoMax\t\\nMaximum =\nhistoMean\t\\nMean =\n"
                               "histoStdDev\t\\nStd. Deviation =\n"
                               "ORDINAL_AS_CON\tThe ordinal field ^1 is treated as continuous.\n"
                               "Poisson Parameter\tPoisson <rate> & \"mean\"\n";
        dictionary = std::make_unique<FacSTDictionary>(path.string());
        dictionary->SetProcedure("Nonparametric Tests");
        std::filesystem::remove(path);
    }
    static void TearDownTestSuite() { dictionary.reset(); }

    static std::vector<Json> FieldCharts(const Split& split, unsigned field, bool categorical,
                                         const std::string& splitLabel = "", bool splitActive = false) {
        return Charts([&] {
            FieldInformation view(dictionary.get(), split.results(), categorical);
            view.setField(field);
            view.draw(splitLabel, splitActive);
        });
    }
    static std::vector<Json> KSCharts(const Split& split, unsigned field) {
        return Charts([&] {
            KolmogorovSmirnov view(dictionary.get(), split.results(),
                                   split.results()->fTests.at(0).get());
            view.setField(field);
            view.draw("", false);
        });
    }

    static std::unique_ptr<FacSTDictionary> dictionary;
};
std::unique_ptr<FacSTDictionary> HistogramCharts::dictionary;

TEST_F(HistogramCharts, EachFieldIsDrawnOnceByTheViewOfItsKindInFieldOrder) {
    auto source = MakeDataSource();
    const std::string infos = "<FieldInfos>" + kScore +
                              FieldInfoXml(1, true, {"31 55", "0 1"}, Attribute("TotalN", "86")) +
                              FieldInfoXml(2, true, {"10 12", "0 1"}) + "</FieldInfos>";
    const ReadOutcome read =
        Read(MakeDocument(KSTest("Other", {"0"}), kDictionary, infos), source.get());
    ASSERT_EQ(read.results->fFieldInfos.size(), 3u);

    const auto charts =
        Charts([&] { DrawFieldInformationCharts(dictionary.get(), *read.results, "", false); });
    ASSERT_EQ(charts.size(), 3u) << "six views, one chart per field";
    EXPECT_EQ(charts[0]["title"], "Continuous Field Information Test score");
    EXPECT_EQ(charts[1]["title"], "Categorical Field Information Group");
    EXPECT_EQ(charts[2]["title"], "Categorical Field Information region");
    EXPECT_EQ(charts[0]["template"], "NPARHistogram.viztemplate");

    // The continuous histogram bins and sums; the categorical bars do neither.
    const auto continuous = Parse(charts[0]);
    EXPECT_TRUE(continuous->select_node("//interval/binStatistic"));
    EXPECT_TRUE(continuous->select_node("//interval/summaryStatistic[@method='sum']"));
    EXPECT_EQ(Axis(*continuous, 'y'), "Frequency");
    EXPECT_EQ(Values(charts[0]), Json({40, 50, 60}));
    EXPECT_EQ(charts[0]["data"]["graphSource"]["count"], Json({3, 5, 2}));
    const auto categorical = Parse(charts[1]);
    EXPECT_FALSE(categorical->select_node("//binStatistic") ||
                 categorical->select_node("//summaryStatistic"));
    EXPECT_EQ(Text(*categorical, "//variable[@id='value']", "categorical"), "true");
    EXPECT_EQ(Axis(*categorical, 'x'), "Group");
    EXPECT_EQ(Axis(*categorical, 'y'), "Count");
    EXPECT_EQ(Label(*categorical), "Total N =  86");
    EXPECT_EQ(Values(charts[1]), Json({1, 2}));

    EXPECT_TRUE(Charts([&] {
                    FieldInformation view(dictionary.get(), read.results.get(), false);
                    view.setField(3);  // past the fields: no field
                    EXPECT_FALSE(view.draw("", false));
                }).empty());
}

TEST_F(HistogramCharts, TablesThatAreNotTwoEqualRowsDrawNothingAndFetchNoTemplate) {
    XDocument::fetchTemplateFile("NPARHistogram.viztemplate");
    ASSERT_TRUE(HistogramTemplateLeftPending()) << "the probe sees a template fetched and not used";
    ASSERT_FALSE(HistogramTemplateLeftPending());

    for (const auto& rows : std::vector<std::vector<std::string>>{
             {"3 5 2"}, {"3 5 2", "40 50"}, {"3 5", "40 50", "60 70"}, {"", ""}}) {
        const Split split = ReadSplit(FieldInfoXml(0, false, rows));
        EXPECT_TRUE(FieldCharts(split, 0, false).empty()) << rows.size();
        EXPECT_FALSE(HistogramTemplateLeftPending()) << rows.size();
    }
    // A table not named "Interval" is not a distribution to draw.
    const Split other = ReadSplit(FieldInfoXml(0, false, {"3 5", "40 50"}, "", "Bins"));
    EXPECT_TRUE(FieldCharts(other, 0, false).empty());
    EXPECT_TRUE(KSCharts(other, 0).empty());
}

TEST_F(HistogramCharts, CategoricalBarValuesStringsAndRelabels) {
    const Split split = ReadSplit(FieldInfoXml(1, true, {"4 6 1 2", "0 1 5 -1"}) +
                                  FieldInfoXml(2, true, {"7 8", "0 1"}));
    // A position outside the field's values shows the position itself.
    const auto groups = FieldCharts(split, 1, true);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(Values(groups[0]), Json({1, 2, 5, -1}));
    // The data source has no value labels for group: the document's labels relabel the bars.
    EXPECT_EQ(Relabels(*Parse(groups[0])),
              (std::map<std::string, std::string>{{"1", "Control"}, {"2", "Treatment"}}));

    // Strings are cut to the format's width and lose their trailing blanks;
    // relabels use the same keys, and a label equal to its key is none.
    const auto regions = FieldCharts(split, 2, true);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(Values(regions[0]), Json({"Abc", "Northwes"}));
    EXPECT_EQ(Relabels(*Parse(regions[0])),
              (std::map<std::string, std::string>{{"Abc", "Alpha"}, {"Northwes", "Northwestern"}}));
}

// A continuous field's bars are its bins: a field with values in the data
// dictionary (here the two of group) still draws each bar at its bin's value,
// not at the value whose position the bin's value happens to be.
TEST_F(HistogramCharts, ContinuousBarsHoldTheirBinValues) {
    const Split split = ReadSplit(FieldInfoXml(1, false, {"4 6 1", "0 1 2"}),
                                  KSTest("PoissonDistribution_O_KolmogorovSmirnov_2", {"1", "0.8"}));
    const auto fields = FieldCharts(split, 1, false);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(Values(fields[0]), Json({0, 1, 2}));
    const auto tests = KSCharts(split, 1);
    ASSERT_EQ(tests.size(), 1u);
    EXPECT_EQ(Values(tests[0]), Json({0, 1, 2}));
}

TEST_F(HistogramCharts, DateValuesReachTheDateScaleExactlyOnce) {
    const Split split =
        ReadSplit(FieldInfoXml(3, true, {"5 4", "0 1"}) +
                      FieldInfoXml(4, false, {"5 4", "19358.5 19360.5"},
                                   Statistics("9", "19358", "19361", "19359.25", "1.5")),
                  KSTest("NormalDistribution_O_KolmogorovSmirnov_3", {"4", "19358", "1.5"}));
    // The field's own values are already on the host's date scale.
    const auto visits = FieldCharts(split, 3, true);
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(Values(visits[0]), Json({19358 * 86400.0 + kOrigin, 19359 * 86400.0 + kOrigin}));
    const std::string second = ChartString().assignDouble(19359 * 86400.0 + kOrigin, 16).toUTF8();
    EXPECT_EQ(Relabels(*Parse(visits[0])), (std::map<std::string, std::string>{{second, "Second day"}}));

    // Bin values of the table are days since 1970 and are moved.
    const auto births = FieldCharts(split, 4, false);
    ASSERT_EQ(births.size(), 1u);
    EXPECT_EQ(Values(births[0]), Json({19358.5 * 86400.0 + kOrigin, 19360.5 * 86400.0 + kOrigin}));
    const std::string label = Label(*Parse(births[0]));
    EXPECT_EQ(label.rfind("N = 9\nMinimum = 01-JAN-2023\nMaximum = 04-JAN-2023\nMean = ", 0), 0u)
        << label;
    EXPECT_EQ(label.substr(label.size() - 28), "\nStd. Deviation = 1 12:00:00") << label;

    // The fitted line takes a date and a duration.
    const auto tests = KSCharts(split, 4);
    ASSERT_EQ(tests.size(), 1u);
    EXPECT_EQ(tests[0]["data"], births[0]["data"]);
    const auto document = Parse(tests[0]);
    EXPECT_EQ(Text(*document, "//graph/line/distributionStatistic", "parameter"), "2023-01-01");
    EXPECT_EQ(Text(*document, "//graph/line/distributionStatistic", "secondaryParameter"),
              "P1DT12H00M00S");
    EXPECT_EQ(Label(*document), "Normal Parameters\nMean 01-JAN-2023\nStd. Deviation 1 12:00:00");
}

// A date-time is held in seconds since 1970: its bins move onto the date scale
// by the origin alone, and its spread of 129,600 seconds is a day and a half.
// A time of day keeps its seconds, and its spread is written as a time.
TEST_F(HistogramCharts, DateTimesAndTimesOfDayKeepTheirSeconds) {
    const Split split =
        ReadSplit(FieldInfoXml(6, false, {"5 4", "1672531200 1672617600"},
                               Statistics("9", "1672531200", "1672790400", "1672617600", "129600")) +
                      FieldInfoXml(7, false, {"5 4", "3600 7200"},
                                   Statistics("9", "3000", "9000", "5400", "1800")),
                  KSTest("NormalDistribution_O_KolmogorovSmirnov_3", {"6", "1672531200", "129600"}));
    const auto stamps = FieldCharts(split, 6, false);
    ASSERT_EQ(stamps.size(), 1u);
    EXPECT_EQ(Values(stamps[0]), Json({1672531200 + kOrigin, 1672617600 + kOrigin}));
    const std::string stampLabel = Label(*Parse(stamps[0]));
    EXPECT_EQ(stampLabel.substr(stampLabel.size() - 28), "\nStd. Deviation = 1 12:00:00") << stampLabel;
    const auto document = Parse(KSCharts(split, 6).at(0));
    EXPECT_EQ(Text(*document, "//graph/line/distributionStatistic", "secondaryParameter"),
              "P1DT12H00M00S");

    const auto clocks = FieldCharts(split, 7, false);
    ASSERT_EQ(clocks.size(), 1u);
    EXPECT_EQ(Values(clocks[0]), Json({3600, 7200}));
    const std::string clockLabel = Label(*Parse(clocks[0]));
    EXPECT_EQ(clockLabel.substr(clockLabel.size() - 29), "\nStd. Deviation = 00:30:00.00") << clockLabel;
}

// Statistics the document marks as not computed (values so far apart that
// their standard deviation overflows) show as missing, not as 0, on a date
// field as on any other.
TEST_F(HistogramCharts, StatisticsTheDocumentCouldNotComputeShowAsMissing) {
    const Split split =
        ReadSplit(FieldInfoXml(0, false, {"2 3", "-9e+307 7e+307"},
                               Statistics("5", "-1.7e+308", "1.5e+308", "-4e+306", "__MISSING__")) +
                      FieldInfoXml(4, false, {"5 4", "19358.5 19360.5"},
                                   Statistics("9", "19358", "19361", "__MISSING__", "__MISSING__")),
                  KSTest("Other", {"0"}));
    for (const unsigned field : {0u, 4u}) {
        const auto charts = FieldCharts(split, field, false);
        ASSERT_EQ(charts.size(), 1u);
        const std::string label = Label(*Parse(charts[0]));
        EXPECT_EQ(label.substr(label.size() - 18), "Std. Deviation = .") << label;
        if (field == 4) {
            EXPECT_NE(label.find("\nMean = .\n"), std::string::npos) << label;
        }
    }
}

// The bars of the drawn chart (its Vega-Lite rows of the layer "bars").
std::vector<Json> DrawnBars(const Json& node) {
    std::vector<Json> bars;
    if (node.is_object() && node.contains("values") && node["values"].is_array()) {
        for (const Json& row : node["values"])  // data rows; an axis's tick values are numbers
            if (row.is_object() && row.value("_layer", "") == "bars") bars.push_back(row);
    }
    if (node.is_structured())
        for (const Json& child : node) {
            const auto inner = DrawnBars(child);
            bars.insert(bars.end(), inner.begin(), inner.end());
        }
    return bars;
}

// A distribution table is binned already: its bins, given as centres rounded
// to a tenth of a day (months are not equally long), draw as one bar per row
// at its place, side by side, never merged into bins of their own.
TEST_F(HistogramCharts, MonthlyBinsDrawOneBarPerRow) {
    const std::string counts = "9 9 10 11 9 8 12 10 13 9 15 5";
    const std::string centres =
        "19373.2 19403.8 19434.2 19464.8 19495.2 19525.8 19556.2 19586.8 19617.2 19647.8 19678.2 "
        "19708.8";
    const Split split =
        ReadSplit(FieldInfoXml(4, false, {counts, centres},
                               Statistics("120", "19358", "19723", "19543.3", "102.46")),
                  KSTest("UniformDistribution_O_KolmogorovSmirnov_3", {"4", "19358", "19722"}));
    for (const auto& charts : {FieldCharts(split, 4, false), KSCharts(split, 4)}) {
        ASSERT_EQ(charts.size(), 1u);
        const std::vector<Json> bars = DrawnBars(charts[0]["vegaLite"]);
        ASSERT_EQ(bars.size(), 12u) << charts[0]["title"];
        for (size_t i = 0; i < bars.size(); ++i) {
            EXPECT_LT(bars[i]["_p0"].get<double>(), bars[i]["_pm"].get<double>());
            if (i > 0) {
                EXPECT_EQ(bars[i]["_p0"], bars[i - 1]["_p1"]) << "bar " << i;
            }
        }
        EXPECT_EQ(bars[0]["_l1"], 9);
        EXPECT_EQ(bars[10]["_l1"], 15);
    }
}

TEST_F(HistogramCharts, ContinuousLabelOrdinalFootnoteSplitTextsAndEscaping) {
    const std::string ordinal = Algorithm(
        "OChiSquare", "One_Sample",
        Table("Condition", Attribute("ConditionKey", "DefaultEqualProbabilities_O_ChiSquare_1") +
                               Attribute("%0", "1") + Attribute("OrdinalTreatedAsCont", "1")));
    const Split split = ReadSplit(kScore + FieldInfoXml(1, true, {"4 6", "0 1"}), ordinal);

    // The leading line break of the first text is dropped, the others kept.
    const auto scores = FieldCharts(split, 0, false, "Region: North", true);
    ASSERT_EQ(scores.size(), 1u);
    const auto document = Parse(scores[0]);
    EXPECT_EQ(Label(*document),
              "N = 120\nMinimum = 39.10\nMaximum = 85.80\nMean = 62.004\nStd. Deviation = 9.0053");
    // The label with markup characters stays text.
    EXPECT_EQ(Axis(*document, 'x'), kMarkup);
    EXPECT_EQ(Text(*document, "//variable[@id='value']", "label"), kMarkup);
    EXPECT_EQ(scores[0]["title"], "Continuous Field Information " + kMarkup);
    EXPECT_EQ(scores[0]["subtitle"], "Region: North");
    EXPECT_EQ(scores[0]["description"], "Continuous Field Information " + kMarkup + "; Region: North");

    // An ordinal field a test treats as continuous is drawn by the categorical view, with a note.
    const auto groups = FieldCharts(split, 1, true, "Region: North", false);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]["footnote"], "The ordinal field Group is treated as continuous.");
    EXPECT_EQ(groups[0]["subtitle"], "Region: North");
    EXPECT_EQ(groups[0]["description"], "Categorical Field Information Group");
    EXPECT_TRUE(FieldCharts(split, 1, false).empty());

    const auto plain = FieldCharts(split, 0, false);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0]["subtitle"], "");
    EXPECT_EQ(plain[0]["description"], "Continuous Field Information " + kMarkup);
}

// An ordinal field that a test treats as continuous is still drawn by its
// categories: the project's note says so, in agreement with the chart's title
// and bars, rather than claiming the field is shown as continuous.
TEST_F(HistogramCharts, OrdinalFieldNoteAgreesWithTheCategoricalBars) {
    const std::string ordinal = Algorithm(
        "OChiSquare", "One_Sample",
        Table("Condition", Attribute("ConditionKey", "DefaultEqualProbabilities_O_ChiSquare_1") +
                               Attribute("%0", "1") + Attribute("OrdinalTreatedAsCont", "1")));
    auto source = MakeDataSource();
    const RunOutcome outcome = RunDocument(
        MakeDocument(ordinal, kDictionary,
                     "<FieldInfos>" + FieldInfoXml(1, true, {"4 6", "0 1"}, Attribute("TotalN", "10")) +
                         "</FieldInfos>"),
        source.get());
    ASSERT_TRUE(outcome.ok);
    std::vector<Json> fieldCharts;
    for (const Json& chart : output_query::Items(outcome.json, "chart"))
        if (chart["title"].get<std::string>().find("Field Information") != std::string::npos)
            fieldCharts.push_back(chart);
    ASSERT_EQ(fieldCharts.size(), 1u);
    EXPECT_EQ(fieldCharts[0]["title"], "Categorical Field Information Group");
    EXPECT_EQ(fieldCharts[0]["footnote"],
              "The tests treat the ordinal field Group as continuous; the chart shows its categories.");
}

TEST_F(HistogramCharts, KolmogorovSmirnovFittedLinesTitlesAndParameterLabels) {
    struct Case {
        std::string key;
        std::vector<std::string> parameters;
        std::string title, distribution, parameter, secondary, label;  // no distribution: no line
    };
    const std::string ks = "One-Sample Kolmogorov-Smirnov ";
    const std::vector<Case> cases = {
        {"NormalDistribution_O_KolmogorovSmirnov_3",
         {"0", "62.0042", "9.25"},
         ks + "Normal Test",
         "normal",
         "62.0042",
         "9.25",
         "Normal Parameters\nMean 62.004\nStd. Deviation 9.2500"},
        {"UniformDistribution_O_KolmogorovSmirnov_3",
         {"0", "39.1", "85.8"},
         ks + "Uniform Test",
         "uniform",
         "39.1",
         "85.8",
         "Uniform Parameters\nMinimum 39.10\nMaximum 85.80"},
        // A string-table text with markup characters stays text.
        {"PoissonDistribution_O_KolmogorovSmirnov_2",
         {"0", "3.48333"},
         ks + "Poisson Test",
         "poisson",
         "3.48333",
         "",
         "Poisson <rate> & \"mean\"\nMean 3.483"},
        // The line takes the rate, the label the mean.
        {"ExponentialDistribution_O_KolmogorovSmirnov_2",
         {"0", "4"},
         ks + "Exponential Test",
         "exponential",
         "0.25",
         "",
         "Exponential Parameter\nMean 4.000"},
        // Two condition entries are too few for a two-parameter line.
        {"NormalDistribution_O_KolmogorovSmirnov_3",
         {"0", "62.0042"},
         ks + "Normal Test",
         "",
         "",
         "",
         "Normal Parameters\nMean 62.004\nStd. Deviation "},
        {"SomethingElse_O_KolmogorovSmirnov_2", {"0", "1"}, ks + "Test", "", "", "", ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.key + " with " + std::to_string(test.parameters.size()) + " entries");
        const Split split = ReadSplit(kScore, KSTest(test.key, test.parameters));
        const auto charts = KSCharts(split, 0);
        ASSERT_EQ(charts.size(), 1u);
        EXPECT_EQ(charts[0]["title"], test.title);
        EXPECT_EQ(Values(charts[0]), Json({40, 50, 60}));
        const auto document = Parse(charts[0]);
        const pugi::xml_node line = document->select_node("//graph/line").node();
        EXPECT_EQ(!line, test.distribution.empty());
        if (line) {
            const pugi::xml_node statistic = line.child("distributionStatistic");
            EXPECT_EQ(statistic.attribute("distribution").value(), test.distribution);
            EXPECT_EQ(statistic.attribute("parameter").value(), test.parameter);
            EXPECT_EQ(statistic.attribute("secondaryParameter").value(), test.secondary);
            EXPECT_EQ(!statistic.attribute("secondaryParameter"), test.secondary.empty());
            // After the bars, at the end of the graph.
            EXPECT_STREQ(line.previous_sibling().name(), "interval");
            EXPECT_FALSE(line.next_sibling());
        }
        EXPECT_EQ(Label(*document), test.label);
        EXPECT_EQ(Axis(*document, 'x'), kMarkup);
        EXPECT_EQ(Axis(*document, 'y'), "Frequency");
        EXPECT_EQ(Text(*document, "//variable[@id='value']/format", "type"), "F");
    }
    // A categorical field is no histogram for the test.
    const Split categorical = ReadSplit(FieldInfoXml(1, true, {"4 6", "0 1"}),
                                        KSTest("PoissonDistribution_O_KolmogorovSmirnov_2", {"1", "2"}));
    EXPECT_TRUE(KSCharts(categorical, 1).empty());
}

}  // namespace
