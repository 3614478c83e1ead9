// The chart service: its strings and data table, chart documents made from
// template texts and edited the way the chart views edit them, and the chart
// items they send into the output document, checked through the document's
// JSON form and the chart's final XML.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <string>

#include <unistd.h>
#include <pugixml.hpp>

#include "BpOutput.h"
#include "ChartString.h"
#include "FacSTDictionary.h"
#include "OutputQuery.h"
#include "OutputWriters.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "ViZModel.h"
#include "XDocument.h"
#include "chart/ChartDocument.h"
#include "writers/ChartListing.h"

using namespace output_query;

namespace {

std::string Number(double value) { return ChartString().assignDouble(value, 16).toUTF8(); }

TEST(ChartString, ConvertsTextAndWritesNumbers) {
    EXPECT_EQ(Number(0.25), "0.25");
    EXPECT_EQ(Number(7), "7");
    EXPECT_EQ(Number(-0.0), "0");
    EXPECT_EQ(Number(1e20), "1e+20");
    EXPECT_EQ(Number(2.0 / 3), "0.6666666666666666");
    EXPECT_EQ(Number(6.5), "6.5");
    EXPECT_EQ(ChartString().assignDouble(2.0 / 3, 3).toUTF8(), "0.667");
    EXPECT_EQ(Number(std::nan("")), "NaN");
    EXPECT_EQ(Number(kSystemMissing), "-1.797693134862316e+308");
    EXPECT_EQ(ChartString().assignInteger(-42).toUTF8(), "-42");
    // Whole numbers, at every precision, as C's printf writes them with
    // "%.*g": the digits alone while they fit the precision, else the
    // exponent form.
    for (int precision = 1; precision <= 17; ++precision) {
        for (double whole = 1; whole < 1e18; whole *= 10) {
            for (double value : {whole - 1, whole, whole + 1, -whole, 3 * whole, -7 * whole - 1}) {
                char expected[64];
                std::snprintf(expected, sizeof expected, "%.*g", precision, value);
                EXPECT_EQ(ChartString().assignDouble(value, precision).toUTF8(), expected)
                    << value << " at " << precision << " digits";
            }
        }
    }

    const ChartString text(
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(text.str(), u"Grüße € \U0001F600");
    EXPECT_EQ(text.toUTF8(),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(ChartString("a\xFF"
                          "b\xC3")
                  .str(),
              u"a\uFFFDb\uFFFD");

    ChartString built("Mean");
    built.append(" = ").append(u"x").append(u'!').append(ChartString(" n=")).appendInteger(12);
    EXPECT_EQ(built.toUTF8(), "Mean = x! n=12");
    EXPECT_TRUE(built.equals(ChartString("Mean = x! n=12")));
    EXPECT_FALSE(built.equals(ChartString("Mean")));

    ChartString lines("Control\\ngroup\\nN = ");
    lines.replaceSubstring(ChartString("\\n"), ChartString("\n"));
    EXPECT_EQ(lines.toUTF8(), "Control\ngroup\nN = ");
    ChartString overlapping("aaaaa");
    overlapping.replaceSubstring(ChartString("aa"), ChartString("b"));
    EXPECT_EQ(overlapping.toUTF8(), "bba");
    overlapping.replaceSubstring(ChartString(), ChartString("x"));
    EXPECT_EQ(overlapping.toUTF8(), "bba");
}

TEST(ChartString, TranscodesWindows1252AndFormatsDates) {
    const ChartTranscoder cp1252("CP1252");
    EXPECT_EQ(cp1252.transcode("\x80 \x93quoted\x94 caf\xE9").str(), u"€ “quoted” café");
    EXPECT_EQ(cp1252.transcode("\x81").str(), u"\uFFFD");
    EXPECT_EQ(ChartTranscoder("UTF-8").transcode("\xE2\x82\xAC").str(), u"€");
    EXPECT_EQ(XUtility::ChartStringFromOLANG("\xC3\xA9").str(), u"é");
    EXPECT_EQ(XUtility::ChartStringFromLocalCodePage("\xC3\xA9").str(), u"é");

    EXPECT_EQ(formatter::formattedDate(0).toUTF8(), "1582-10-14");
    // 2024-10-14 is 20010 days after 1970-01-01, which is 141428 days after the origin.
    EXPECT_EQ(formatter::formattedDate((20010.0 + 141428) * 86400).toUTF8(), "2024-10-14");
    EXPECT_EQ(formatter::formattedDate((20010.0 + 141428) * 86400 + 47100).toUTF8(),
              "2024-10-14T13:05:00");
    EXPECT_EQ(formatter::formattedDate(-86400).toUTF8(), "1582-10-13");
    EXPECT_EQ(formatter::formattedDate(std::nan("")).toUTF8(), "");
    EXPECT_EQ(formatter::formattedDate(1e300).toUTF8(), "");
    EXPECT_EQ(formatter::formattedDate(kSystemMissing).toUTF8(), "");
}

TEST(ChartData, ColumnsGrowToTheHighestRowWritten) {
    VarDataProcessor data;
    data.AddDataSource("graphSource", 0);
    EXPECT_TRUE(data.AddVariable("graphSource", "value", nullptr));
    VarDataProcessor::Handle label;
    EXPECT_TRUE(data.AddVariable("graphSource", "label", &label));
    EXPECT_FALSE(data.AddVariable("nowhere", "value", nullptr));
    data.SetVariableValue("graphSource", "value", 2, 1.5);
    data.SetStringVariableValue("graphSource", "label", 0, "first");
    data.SetVariableValue(label, 1, 9);
    data.SetVariableValue("graphSource", "missing", 0, 1);  // unknown variable
    data.SetVariableValue("nowhere", "value", 0, 1);        // unknown source
    data.SetVariableValue("graphSource", "value", VarDataProcessor::kMaxRows, 1);
    data.SetVariableValue(VarDataProcessor::Handle{7, 7}, 0, 1);

    ASSERT_EQ(data.Sources().size(), 1u);
    const auto& columns = data.Sources()[0].columns;
    ASSERT_EQ(columns.size(), 2u);
    ASSERT_EQ(columns[0].cells.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(columns[0].cells[0]));
    EXPECT_EQ(std::get<double>(columns[0].cells[2]), 1.5);
    ASSERT_EQ(columns[1].cells.size(), 2u);
    EXPECT_EQ(std::get<std::string>(columns[1].cells[0]), "first");
    EXPECT_EQ(std::get<double>(columns[1].cells[1]), 9);
}

// A resource folder with templates, and a live procedure charts go into.
class ChartService : public ::testing::Test {
protected:
    void SetUp() override {
        fSavedResources = PathFactory::ResourceDirectory();
        fResources =
            std::filesystem::temp_directory_path() / ("npar-chart-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(fResources / "templates");
        PathFactory::SetResourceDirectory(fResources.string());
        WriteTemplate("Bars.viztemplate", kBars);
    }
    void TearDown() override {
        PathFactory::SetResourceDirectory(fSavedResources);
        std::error_code ignored;
        std::filesystem::remove_all(fResources, ignored);
    }

    void WriteTemplate(const std::string& name, const std::string& text) {
        std::ofstream(fResources / "templates" / name, std::ios::binary) << text;
    }
    void RemoveTemplate(const std::string& name) {
        std::filesystem::remove(fResources / "templates" / name);
    }

    std::vector<Json> Charts() { return Items(ToJson(fDocument), "chart"); }

    static pugi::xml_node Parse(pugi::xml_document& dom, const Json& chart) {
        const std::string text = chart["document"];
        EXPECT_EQ(dom.load_string(text.c_str()).status, pugi::status_ok) << text;
        return dom.document_element();
    }

    static constexpr const char* kBars =
        "<visualization name=\"bars\" version=\"1\">"
        "<dataSource id=\"graphSource\">"
        "<sourceVariable id=\"Value\" column=\"Value\" type=\"number\"/>"
        "<sourceVariable id=\"Label\" column=\"Label\" type=\"string\"/>"
        "<sourceVariable id=\"Category\" column=\"Category\" type=\"number\"/></dataSource>"
        "<variable id=\"value\" sourceVariable=\"Value\"/>"
        "<variable id=\"Category\" sourceVariable=\"Category\"/>"
        "<graph id=\"graph1\"><coordinates><axis dimension=\"x\" label=\"xAxisLabel\"/></coordinates>"
        "<schema id=\"schema\"><x variable=\"Category\"/><y variable=\"Value\"/></schema></graph>"
        "</visualization>";

    npar::OutputDocument fDocument;
    npar::Catalogue fCatalogue;
    BpProcedure fProcedure{fDocument, fCatalogue};

private:
    std::filesystem::path fResources;
    std::string fSavedResources;
};

TEST_F(ChartService, FetchesTemplatesOnlyFromTheTemplateFolder) {
    EXPECT_EQ(XDocument::fetchTemplateFile("Bars.viztemplate"), kBars);
    EXPECT_EQ(XDocument::fetchTemplateFile("Missing.viztemplate"), "");
    EXPECT_EQ(XDocument::fetchTemplateFile("../templates/Bars.viztemplate"), "");
    EXPECT_EQ(XDocument::fetchTemplateFile("templates/Bars.viztemplate"), "");
    EXPECT_EQ(XDocument::fetchTemplateFile(""), "");

    // Read once, but read again when the file changes; gone, it is gone.
    const std::string changed = kBars + std::string("<!-- changed -->");
    WriteTemplate("Bars.viztemplate", changed);
    EXPECT_EQ(XDocument::fetchTemplateFile("Bars.viztemplate"), changed);
    RemoveTemplate("Bars.viztemplate");
    EXPECT_EQ(XDocument::fetchTemplateFile("Bars.viztemplate"), "");
}

// The text report lists charts: it gets their data without their document,
// and with the labels the document gives the listed values.
TEST_F(ChartService, AnOutputThatOnlyListsChartsGetsTheirDataWithoutTheirDocument) {
    fDocument.keepChartDocuments = false;
    VarDataProcessor data;
    data.AddDataSource("graphSource", 0);
    data.AddVariable("graphSource", "Value", nullptr);
    data.AddVariable("graphSource", "Category", nullptr);
    const double values[] = {3.5, 4, 6, 7};
    for (int row = 0; row < 4; ++row) {
        data.SetVariableValue("graphSource", "Value", row, values[row]);
        data.SetVariableValue("graphSource", "Category", row, row);
    }
    XDocument document(XDocument::fetchTemplateFile("Bars.viztemplate"));
    XGraph& graph = document.getExternalGraph();
    graph.setTitle(ChartString("Scores"));
    XVariable category = graph.getVariable("Category", 0);
    category.addRelabel(ChartString("0"), ChartString("Placebo with standard care and follow-up"));
    category.addRelabel(ChartString("1"), ChartString("Active\ndrug"));
    category.addRelabel(ChartString("2"), ChartString("2"));
    category.addRelabel(ChartString("3"), ChartString("N = 60"));
    document.SetChartData(&data);
    EXPECT_TRUE(document.SendChart(true, false, false));

    const auto charts = Charts();
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["title"], "Scores");
    EXPECT_EQ(charts[0]["data"],
              Json::parse(R"({"graphSource": {"Value": [3.5, 4, 6, 7], "Category": [0, 1, 2, 3]}})"));
    EXPECT_EQ(charts[0]["document"], "");
    // A category is listed by the label the chart draws in its place, not by
    // the chart's code for it; a long label is cut.
    EXPECT_NE(npar::WriteText(fDocument).find("    Value  Category\n"
                                              "    3.5    Placebo with standard care and\u2026\n"
                                              "    4      Active drug\n"
                                              "    6      2\n"
                                              "    7      N = 60\n"),
              std::string::npos)
        << npar::WriteText(fDocument);

    // The text report after one more chart, made from document.
    const auto listedAfter = [this](const std::string& document) {
        XDocument chart(document);
        EXPECT_TRUE(chart.SendChart(true, false, false));
        return npar::WriteText(fDocument);
    };

    // What the chart writes beside its data, which a listing would lose
    // with the document: its label frames and guide lines, each on a line of
    // its own, and its footnote's every line.
    const std::string text = listedAfter(
        "<visualization name=\"x\" version=\"1\"><title><text>Runs</text></title>"
        "<footnote><text>Each node is a sample.</text><text>Orange: significant.</text></footnote>"
        "<labelFrame id=\"f\"><label><text>N = 120</text><text>Mean  =  62.0\nSD = 9.0</text>"
        "</label></labelFrame><labelFrame id=\"empty\"><label><text> </text></label></labelFrame>"
        "<graph id=\"g\"><lineGuide x=\"58\"><label><text>Observed = 58</text></label></lineGuide>"
        "</graph></visualization>");
    EXPECT_NE(text.find("Chart: Runs\n  Label: N = 120; Mean = 62.0; SD = 9.0\n  Label: Observed = 58\n"
                        "  Footnote: Each node is a sample. Orange: significant.\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(Charts().back()["footnote"], "Each node is a sample.\nOrange: significant.");

    // A line longer than the report's width wraps, hung under its start; the
    // rows of the data stay whole.
    std::string words;
    for (int i = 0; i < 14; ++i) words += "note" + std::to_string(i) + " ";
    const std::string wrapped = listedAfter(
        "<visualization name=\"x\" version=\"1\"><title><text>Wide</text></title><footnote><text>" +
        words + "ends at p = .05</text></footnote></visualization>");
    EXPECT_NE(wrapped.find("Chart: Wide\n  Footnote: note0 note1 note2 note3 note4 note5 note6 note7 "
                           "note8 note9 note10 note11 note12\n    note13 ends at p = .05\n"),
              std::string::npos)
        << wrapped;
}

TEST_F(ChartService, SendsTheEditedDocumentWithTextsAndData) {
    QUOR_Variable score("score", "Test score", 0, QUOR_Format(QUOR_Format::F, 8, 2));
    QUOR_Variable group("group", "", 0, QUOR_Format(QUOR_Format::F, 8, 0));
    group.ValueLabels().Add(OBS(1.0), "Female");
    group.ValueLabels().Add(OBS(2.0), "Male");

    VarDataProcessor data;
    data.AddDataSource("graphSource", 0);
    data.AddVariable("graphSource", "Value", nullptr);
    data.AddVariable("graphSource", "Label", nullptr);
    data.SetVariableValue("graphSource", "Value", 0, 3.5);
    data.SetVariableValue("graphSource", "Value", 2, -1);
    data.SetStringVariableValue("graphSource", "Label", 1, "outlier");

    std::string text = XDocument::fetchTemplateFile("Bars.viztemplate");
    text.replace(text.find("xAxisLabel"), 10, "Score");
    XDocument document(text);
    document.setEditor(2);
    document.setLanguage();
    XGraph& graph = document.getExternalGraph();
    graph.setTitle(ChartString("First title"));
    graph.setTitle(ChartString("Independent-Samples Test"));
    graph.setSubtitle(ChartString("Region = North"));
    graph.setFootnote(ChartString("A footnote"));
    graph.setOuterFrameWidth(2.5);

    XVariable value = graph.getVariable("value", 0);
    ASSERT_TRUE(value.isValid());
    value.setQUORVariable(&score);
    value.setFormatBasedOnQUORVariable(&score);
    value.SetFormatPrefix(ChartString("n = "));
    value.addRelabel(ChartString("3"), OBS(3.0));  // under the variable's format
    XVariable category = graph.getVariable("Category", 0);
    category.setQUORVariable(&group);
    category.setCategorical(true);
    category.addRelabel(0u, ChartString("Female"));
    category.addRelabel(ChartString("1"), ChartString("Male"));  // replaces the value label of 1
    category.addRelabel(ChartString("5"), OBS(std::string("five   ")));
    category.setQUORVariable(&group);  // keeps the relabels set
    EXPECT_FALSE(graph.getVariable("nothing", 0).isValid());
    graph.getVariable("nothing", 0).addRelabel(ChartString("1"), ChartString("x"));

    document.SetDescription(ChartString("Independent-Samples Test; Region = North"));
    document.SetChartData(&data);
    EXPECT_TRUE(document.SendChart(true, false, false));
    data.SetVariableValue("graphSource", "Value", 5, 1);  // after sending: not in the chart

    const auto charts = Charts();
    ASSERT_EQ(charts.size(), 1u);
    const Json& chart = charts[0];
    EXPECT_EQ(chart["template"], "Bars.viztemplate");
    EXPECT_EQ(chart["title"], "Independent-Samples Test");
    EXPECT_EQ(chart["subtitle"], "Region = North");
    EXPECT_EQ(chart["footnote"], "A footnote");
    EXPECT_EQ(chart["description"], "Independent-Samples Test; Region = North");
    EXPECT_EQ(chart["data"], Json::parse(R"({"graphSource": {"Value": [3.5, null, -1],
                                                              "Label": [null, "outlier"]}})"));

    pugi::xml_document dom;
    const pugi::xml_node root = Parse(dom, chart);
    EXPECT_STREQ(root.child("title").child("text").text().get(), "Independent-Samples Test");
    EXPECT_EQ(std::distance(root.children("title").begin(), root.children("title").end()), 1);
    EXPECT_STREQ(root.child("subtitle").child("text").text().get(), "Region = North");
    EXPECT_STREQ(root.child("extension").attribute("subtitle").value(), "true");
    EXPECT_STREQ(root.child("footnote").child("text").text().get(), "A footnote");
    EXPECT_STREQ(root.child("frame").attribute("width").value(), "2.5");
    EXPECT_STREQ(root.child("graph").child("coordinates").child("axis").attribute("label").value(),
                 "Score");

    const pugi::xml_node valueNode = root.find_child_by_attribute("variable", "id", "value");
    EXPECT_STREQ(valueNode.attribute("label").value(), "Test score");
    EXPECT_STREQ(valueNode.attribute("measurement").value(), "scale");
    EXPECT_STREQ(valueNode.child("format").attribute("type").value(), "F");
    EXPECT_STREQ(valueNode.child("format").attribute("decimals").value(), "2");
    EXPECT_STREQ(valueNode.child("format").attribute("width").value(), "8");
    EXPECT_STREQ(valueNode.child("format").attribute("prefix").value(), "n = ");
    EXPECT_STREQ(valueNode.find_child_by_attribute("relabel", "from", "3").attribute("to").value(),
                 "3.00");

    const pugi::xml_node categoryNode = root.find_child_by_attribute("variable", "id", "Category");
    EXPECT_STREQ(categoryNode.attribute("label").value(), "group");
    EXPECT_STREQ(categoryNode.attribute("measurement").value(), "nominal");
    EXPECT_STREQ(categoryNode.attribute("categorical").value(), "true");
    std::vector<std::pair<std::string, std::string>> relabels;
    for (pugi::xml_node relabel : categoryNode.children("relabel"))
        relabels.emplace_back(relabel.attribute("from").value(), relabel.attribute("to").value());
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"1", "Male"}, {"2", "Male"}, {"0", "Female"}, {"5", "five"}};
    EXPECT_EQ(relabels, expected);
}

TEST_F(ChartService, ObjectModelEditsEndUpInTheDocument) {
    XDocument document(kBars);
    ViZVisualization& vis = document.getVisualization();
    document.getExternalGraph().setSubtitle(ChartString("split"));
    ASSERT_TRUE(vis.getExtension().isValid());
    EXPECT_TRUE(vis.getExtension().getSubtitle());

    const auto graphs = vis.getGraphs();
    ASSERT_EQ(graphs.size(), 1u);
    ViZGraph graph = graphs[0];
    EXPECT_EQ(graph.getId(), "graph1");

    // Guide lines with styles, and the graph's placement.
    ViZStyleElement green = vis.addStyle();
    green.setColor(ChartString("green"));
    green.setId(ChartString("lineGuide1Style"));
    ViZLineGuide guide = graph.addLineGuide();
    guide.setX(ChartString().assignDouble(6.5, 16));
    guide.setStyle(green);
    ViZLocationElement right = graph.addLocation(ViZLocation::Right);
    right.setMethod(ViZLocation::Fixed);
    right.setValue(ChartString("80%"));
    right.setSpecifiedByUser(true);

    // A label frame placed against the graph, whose label's style gets its id
    // only after the label refers to it.
    ViZLabelFrame frame = vis.addLabelFrame(ChartString("frameHypotheticalMedian"));
    ViZLocationElement top = frame.addLocation(ViZLocation::Top);
    top.setMethod(ViZLocation::Attach);
    top.setTarget(graph);
    frame.addLocation(ViZLocation::Height).setMethod(ViZLocation::SizeToContent);
    CTLabelType label = frame.addLabel();
    ViZStyleElement bold = vis.addStyle();
    label.setStyle(bold);
    bold.setColor(ChartString("blue"));
    bold.setFont_weight(ViZStyle::Bold);
    bold.setId(ChartString("label1Style"));
    label.addText().setText(ChartString("Hypothetical median\n5"));
    ViZLabelFrame second = vis.addLabelFrame(ChartString("frameObservedMedian"));
    second.addLocation(ViZLocation::Left).setTarget(frame);

    // A labeling, a colour by a derived variable with relabels, and its legend.
    ViZSourceVariable labelVariable, categoryVariable;
    for (const ViZSourceVariable& variable : vis.getSourceVariables()) {
        if (variable.getId() == "Label") labelVariable = variable;
        if (variable.getId() == "Category") categoryVariable = variable;
    }
    ASSERT_TRUE(labelVariable.isValid() && categoryVariable.isValid());
    ASSERT_EQ(graph.getSchemas().size(), 1u);
    ViZSchema schema = graph.getSchemas()[0];
    schema.addLabeling().setVariable(labelVariable);
    ViZDerivedVariable derived = vis.addDerivedVariable(ChartString("Category_Derived"));
    derived.setValue(ChartString("Category"));
    ViZColor colour = schema.addColor();
    colour.setId(ChartString("color1"));
    colour.setVariable(derived);
    ViZLegend legend = vis.addLegend(ChartString("legend1"));
    legend.addLegendTarget(ChartString("legend1_target"), colour);
    vis.addExtension().setLegend1(legend);
    ViZFormat format = derived.addFormat();
    format.addRelabel(ChartString("1"), ChartString("Control group\nN = 10"));
    format.addRelabel(ChartString("2"), ChartString("Experimental group"));

    ASSERT_TRUE(document.SendChart(true, false, false));
    const auto charts = Charts();
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["template"], "bars") << "no template fetched: the root's name";
    pugi::xml_document dom;
    const pugi::xml_node root = Parse(dom, charts[0]);

    // Root children in order: styles, derived variable and legend before the
    // graph, label frames after it, in the order made.
    std::vector<std::string> order;
    for (pugi::xml_node child : root.children()) order.push_back(child.name());
    const std::vector<std::string> expectedOrder = {
        "extension", "subtitle",        "dataSource", "variable", "variable",   "style",
        "style",     "derivedVariable", "legend",     "graph",    "labelFrame", "labelFrame"};
    EXPECT_EQ(order, expectedOrder);
    EXPECT_EQ(std::distance(root.children("extension").begin(), root.children("extension").end()), 1);
    EXPECT_STREQ(root.child("extension").attribute("legend1").value(), "legend1");

    const pugi::xml_node graphNode = root.child("graph");
    const pugi::xml_node guideNode = graphNode.child("lineGuide");
    EXPECT_STREQ(guideNode.attribute("x").value(), "6.5");
    EXPECT_STREQ(guideNode.attribute("style").value(), "lineGuide1Style");
    const pugi::xml_node location = graphNode.child("location");
    EXPECT_STREQ(location.attribute("part").value(), "right");
    EXPECT_STREQ(location.attribute("method").value(), "fixed");
    EXPECT_STREQ(location.attribute("value").value(), "80%");
    EXPECT_STREQ(location.attribute("specifiedByUser").value(), "true");

    const pugi::xml_node frameNode =
        root.find_child_by_attribute("labelFrame", "id", "frameHypotheticalMedian");
    const pugi::xml_node topNode = frameNode.child("location");
    EXPECT_STREQ(topNode.attribute("part").value(), "top");
    EXPECT_STREQ(topNode.attribute("method").value(), "attach");
    EXPECT_STREQ(topNode.attribute("target").value(), "graph1");
    EXPECT_STREQ(topNode.next_sibling("location").attribute("method").value(), "sizeToContent");
    const pugi::xml_node labelNode = frameNode.child("label");
    EXPECT_STREQ(labelNode.attribute("style").value(), "label1Style");
    EXPECT_STREQ(labelNode.child("text").text().get(), "Hypothetical median\n5");
    const pugi::xml_node styleNode = root.find_child_by_attribute("style", "id", "label1Style");
    EXPECT_STREQ(styleNode.attribute("color").value(), "blue");
    EXPECT_STREQ(styleNode.attribute("fontWeight").value(), "bold");
    EXPECT_STREQ(root.child("labelFrame")
                     .next_sibling("labelFrame")
                     .child("location")
                     .attribute("target")
                     .value(),
                 "frameHypotheticalMedian");

    const pugi::xml_node schemaNode = graphNode.child("schema");
    EXPECT_STREQ(schemaNode.child("labeling").attribute("variable").value(), "Label");
    EXPECT_STREQ(schemaNode.child("color").attribute("id").value(), "color1");
    EXPECT_STREQ(schemaNode.child("color").attribute("variable").value(), "Category_Derived");
    const pugi::xml_node derivedNode = root.child("derivedVariable");
    EXPECT_STREQ(derivedNode.attribute("value").value(), "Category");
    EXPECT_STREQ(derivedNode.child("format")
                     .find_child_by_attribute("relabel", "from", "1")
                     .attribute("to")
                     .value(),
                 "Control group\nN = 10");
    const pugi::xml_node target = root.child("legend").child("legendTarget");
    EXPECT_STREQ(target.attribute("id").value(), "legend1_target");
    EXPECT_STREQ(target.attribute("aesthetic").value(), "color1");
}

TEST_F(ChartService, TextsWithMarkupCharactersStayWellFormed) {
    XDocument document(kBars);
    const std::string label = "Tom & Jerry <\"quoted\"> 'x'";
    document.getExternalGraph().setTitle(ChartString(label + "\x01\x1F"));
    XVariable category = document.getExternalGraph().getVariable("Category", 0);
    category.addRelabel(ChartString("1"), ChartString(label));
    // A variable's label and value labels come from the data source as they
    // are: controls XML forbids are dropped, bytes that are no UTF-8 replaced.
    QUOR_Variable group("group", "Group\x01 \xFF", 0, QUOR_Format(QUOR_Format::F, 8, 0));
    group.ValueLabels().Add(OBS(2.0), "two\x1F");
    category.setQUORVariable(&group);
    ASSERT_TRUE(document.SendChart(true, false, false));

    const auto charts = Charts();
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]["title"], label) << "controls XML forbids are dropped";
    pugi::xml_document dom;
    const pugi::xml_node root = Parse(dom, charts[0]);
    EXPECT_EQ(std::string(root.child("title").child("text").text().get()), label);
    EXPECT_EQ(std::string(root.find_child_by_attribute("variable", "id", "Category")
                              .child("relabel")
                              .attribute("to")
                              .value()),
              label);
    const pugi::xml_node categoryNode = root.find_child_by_attribute("variable", "id", "Category");
    EXPECT_STREQ(categoryNode.attribute("label").value(), "Group \xEF\xBF\xBD");
    EXPECT_STREQ(categoryNode.find_child_by_attribute("relabel", "from", "2").attribute("to").value(),
                 "two");
}

TEST_F(ChartService, LineFeedsInsideAttributesSurvive) {
    // A view inserts a tooltip template whose lines are separated by line feeds.
    XDocument document(
        "<visualization name=\"t\"><popup part=\"bar\" target=\"bars\" "
        "tokenTemplate=\"Observed=$[observed]$\nExpected=$[hypothesized]$\"/></visualization>");
    ASSERT_TRUE(document.SendChart(true, false, false));
    const auto charts = Charts();
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_NE(charts[0]["document"].get<std::string>().find("$&#10;Expected"), std::string::npos);
    pugi::xml_document dom;
    EXPECT_EQ(std::string(Parse(dom, charts[0]).child("popup").attribute("tokenTemplate").value()),
              "Observed=$[observed]$\nExpected=$[hypothesized]$");
}

TEST_F(ChartService, InvalidTemplateSendsNoChart) {
    for (const std::string& text :
         {std::string("<visualization><graph></visualization>"), std::string("<other/>"),
          std::string(""), std::string("<visualization/><visualization/>"),
          std::string("<visualization/>trailing <")}) {
        XDocument document(text);
        EXPECT_FALSE(document.isValid()) << text;
        XGraph& graph = document.getExternalGraph();
        graph.setTitle(ChartString("T"));
        graph.setSubtitle(ChartString("S"));
        graph.setOuterFrameHeight(1);
        graph.getVariable("value", 0).setCategorical(true);
        ViZVisualization& vis = document.getVisualization();
        vis.addStyle().setColor(ChartString("red"));
        vis.addLabelFrame(ChartString("f")).addLabel().addText().setText(ChartString("x"));
        vis.addExtension().setLegend1(vis.addLegend(ChartString("l")));
        EXPECT_TRUE(vis.getGraphs().empty());
        EXPECT_FALSE(document.SendChart(true, false, false)) << text;
    }
    EXPECT_TRUE(Charts().empty());
}

TEST_F(ChartService, ChartsGoUnderTheInnermostOpenHeading) {
    std::unique_ptr<BpHeading> test(fProcedure.Heading(BpString("Test", false)));
    std::unique_ptr<BpHeading> field(test->Heading(BpString("Field", false)));
    XDocument(kBars).SendChart(true, false, false);
    field.reset();
    {
        XDocument document(kBars);
        document.getExternalGraph().setTitle(ChartString("After"));
        document.SendChart(true, false, false);
    }
    const Json json = ToJson(fDocument);
    const Json& testItems = json["items"][0]["items"];
    ASSERT_EQ(testItems.size(), 2u);
    EXPECT_EQ(testItems[0]["type"], "heading");
    ASSERT_EQ(testItems[0]["items"].size(), 1u);
    EXPECT_EQ(testItems[0]["items"][0]["type"], "chart");
    EXPECT_EQ(testItems[1]["type"], "chart");
    EXPECT_EQ(testItems[1]["title"], "After");
    EXPECT_EQ(testItems[1]["data"], Json::object()) << "no data was given";
}

TEST(ChartWriters, ListTextsAndTheFirstRows) {
    npar::ChartModel chart;
    chart.title = "Histogram";
    chart.subtitle = "Split <1>";
    chart.description = "Histogram; Split <1>";
    // A column declared but never filled (or filled with blanks only) is
    // left out of the listings.
    ChartDataSource source{"graphSource", {{"value", {}}, {"facet", {}}, {"label", {}}, {"blank", {}}}};
    for (int row = 0; row < 10; ++row) source.columns[0].cells.emplace_back(row * 0.5);
    source.columns[1].cells.emplace_back();
    source.columns[2].cells.emplace_back(std::string("a & b"));
    source.columns[2].cells.emplace_back(std::string(" <= 1  or\n more "));
    source.columns[3].cells.emplace_back(std::string(" "));
    chart.data.push_back(source);
    // Computed values carry binary noise the listing does not show; missing
    // is a dot; a value with more digits than noise keeps them.
    chart.data.push_back(
        ChartDataSource{"lineSource", {{"y", {0.1 + 0.2, kSystemMissing, 1234567.125, 68.8 + 1e-14}}}});

    const std::string text = npar::WriteChartText(chart);
    // The description repeats the title and subtitle, so it is not listed.
    EXPECT_EQ(text.rfind("Chart: Histogram\n  Split <1>\n  Data (10 rows)", 0), 0u) << text;
    // Blanks at a value's ends are dropped and runs of them closed up, so
    // that the columns stay in line and two blanks always part columns.
    EXPECT_NE(text.find("  Data (10 rows)\n    value  label\n    0      a & b\n"
                        "    0.5    <= 1 or more\n    1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("    3.5\n    ... 2 more rows\n"), std::string::npos) << text;
    npar::ChartModel nine;
    nine.data.push_back(ChartDataSource{
        "graphSource",
        {{"weight", {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, std::numeric_limits<double>::max(), 9.0}}}});
    EXPECT_NE(npar::WriteChartText(nine).find("    \u221e\n    ... 1 more row\n"), std::string::npos)
        << npar::WriteChartText(nine);
    EXPECT_EQ(text.find("4.5"), std::string::npos);
    EXPECT_NE(
        text.find("  Data lineSource (4 rows)\n    y\n    0.3\n    .\n    1234567.125\n    68.8\n"),
        std::string::npos)
        << text;

    // A relabel's key is the number written with 16 digits, one more than
    // the listing shows: the label is found all the same.
    npar::ChartModel ranked;
    ranked.title = "Ranks";
    ranked.data.push_back(ChartDataSource{"graphSource", {{"rank", {39.7 / 24}}}});
    ranked.valueLabels.push_back({"graphSource", "rank", {{"1.654166666666667", "Mean Rank = 1.65"}}});
    EXPECT_NE(npar::WriteChartText(ranked).find("    Mean Rank = 1.65\n"), std::string::npos)
        << npar::WriteChartText(ranked);

    chart.description = "Histogram of scores; Split <1>";
    EXPECT_EQ(npar::WriteChartText(chart).rfind(
                  "Chart: Histogram\n  Split <1>\n  Description: Histogram of scores; Split <1>\n", 0),
              0u);

    const std::string html = npar::WriteChartHtml(chart);
    EXPECT_NE(html.find("Split &lt;1&gt;"), std::string::npos) << html;
    EXPECT_NE(html.find("<td>a &amp; b</td>"), std::string::npos) << html;
    EXPECT_NE(html.find("<th>value</th><th>label</th></tr>"), std::string::npos) << html;
    EXPECT_NE(html.find("2 more rows"), std::string::npos) << html;
    EXPECT_EQ(html.find("<1>"), std::string::npos);
    EXPECT_NE(html.find("<td>0.3</td></tr>\n<tr><td>.</td>"), std::string::npos) << html;

    // A chart drawn from its document lists, where it cannot be drawn, what
    // the document gives its data: the labels of the values, the columns'
    // titles (the axis's, else the variable's label; the others keep their
    // names), dates as dates, and the texts of its label frames and guide
    // lines.
    const auto listedFrom = [](npar::ChartModel listed, const std::string& document) {
        listed.document = "<visualization name=\"x\" version=\"1\">" + document + "</visualization>";
        return npar::WriteChartHtml(listed);
    };
    const std::string sources =
        "<dataSource id=\"graphSource\"><sourceVariable id=\"v\" column=\"value\"/>"
        "<sourceVariable id=\"l\" column=\"label\"/></dataSource>";
    std::string listing =
        listedFrom(chart, sources +
                              "<variable id=\"labels\" sourceVariable=\"l\"><relabel from=\"a &amp; b\" "
                              "to=\"A &lt;and&gt; B\"/></variable>");
    EXPECT_NE(listing.find("<td>A &lt;and&gt; B</td>"), std::string::npos) << listing;
    listing =
        listedFrom(chart, sources +
                              "<variable id=\"value\" sourceVariable=\"v\" label=\"Score\"/>"
                              "<variable id=\"label\" sourceVariable=\"l\" label=\"label\"/><graph "
                              "id=\"g\"><coordinates><axis dimension=\"x\" variable=\"value\" "
                              "label=\"Score &amp; more\"/></coordinates></graph>");
    EXPECT_NE(listing.find("<th>Score &amp; more</th><th>label</th></tr>"), std::string::npos)
        << listing;
    listing = listedFrom(chart,
                         "<graph id=\"g\"><lineGuide x=\"1\"><label><text>Observed &lt; 2</text>"
                         "</label></lineGuide></graph>");
    EXPECT_NE(listing.find("<p class=\"chart-label\">Observed &lt; 2</p>"), std::string::npos)
        << listing;
    // A network's edges name their ends as the nodes are labelled.
    npar::ChartModel network;
    network.data.push_back(ChartDataSource{"edges", {{"from", {7.0}}, {"to", {8.0}}}});
    listing = listedFrom(
        network,
        "<dataSource id=\"edges\"><sourceVariable id=\"f\" column=\"from\"/><sourceVariable id=\"t\" "
        "column=\"to\"/></dataSource><dataSource id=\"nodes\"><sourceVariable id=\"n\" column=\"node\"/>"
        "</dataSource><variable id=\"node\" sourceVariable=\"n\"><relabel from=\"7\" to=\"First\"/>"
        "<relabel from=\"8\" to=\"Second\"/></variable><variable id=\"from\" sourceVariable=\"f\"/>"
        "<variable id=\"to\" sourceVariable=\"t\"/><graph id=\"g\"><edge nodes=\"points\" from=\"from\" "
        "to=\"to\"/><point id=\"points\"><graphLayoutStatistic node=\"node\"/></point></graph>");
    EXPECT_NE(listing.find("<td>First</td><td>Second</td>"), std::string::npos) << listing;
    npar::ChartModel titled = ranked;
    titled.columnTitles.push_back({"graphSource", "rank", "Mean rank"});
    EXPECT_NE(npar::WriteChartText(titled).find("    Mean rank\n    Mean Rank = 1.65\n"),
              std::string::npos)
        << npar::WriteChartText(titled);
    // A date column's numbers (seconds since 14 October 1582) are listed as
    // the chart writes them.
    npar::ChartModel dated;
    dated.data.push_back(ChartDataSource{"graphSource", {{"value", {13891219200.0, kSystemMissing}}}});
    dated.formattedColumns.push_back({"graphSource", "value", "DATE", -1});
    EXPECT_NE(npar::WriteChartText(dated).find("    value\n    24-DEC-2022\n    .\n"), std::string::npos)
        << npar::WriteChartText(dated);
    listing = listedFrom(dated, sources +
                                    "<variable id=\"value\" sourceVariable=\"v\"><format "
                                    "type=\"DATE\"/></variable>");
    EXPECT_NE(listing.find("<td>24-DEC-2022</td>"), std::string::npos) << listing;
}

}  // namespace

// A listing titles a column by what the chart calls it: an axis, a facet or
// the variable's label first; then a legend's title or a popup's words, when
// no other column is listed under them.
TEST(ChartListing, ColumnsTakeTheTitlesTheChartGivesThem) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(R"(<visualization>
  <dataSource id="s">
    <sourceVariable id="a" column="a"/><sourceVariable id="b" column="b"/>
    <sourceVariable id="c" column="c"/><sourceVariable id="d" column="d"/>
    <sourceVariable id="e" column="e"/><sourceVariable id="f" column="f"/>
  </dataSource>
  <variable id="va" sourceVariable="a"/>
  <variable id="vb" sourceVariable="b" label="Beta"/>
  <variable id="ve" sourceVariable="e"/>
  <variable id="vf" sourceVariable="f"/>
  <graph><coordinates><axis dimension="x" variable="va" label="Alpha"/></coordinates>
    <interval><color id="col" variable="ve"/><color id="other" variable="vf"/></interval></graph>
  <legend title="Alpha"><legendTarget aesthetic="col"/></legend>
  <legend title="Counted"><legendTarget aesthetic="other"/></legend>
  <popup tokenTemplate="Gamma: $[c]$ x]$[1]$">
    <tokenMapping valueToken="1" variable="d"/>
  </popup>
</visualization>)"));
    const std::vector<npar::ChartModel::ColumnTitle> titles =
        chart::ColumnTitlesOf(document.child("visualization"));
    std::map<std::string, std::string> byColumn;
    for (const auto& title : titles) byColumn[title.column] = title.title;
    // e's legend is titled as column a is listed: e keeps its name. d's token
    // follows another with no words between them: no title.
    EXPECT_EQ(byColumn, (std::map<std::string, std::string>{
                            {"a", "Alpha"}, {"b", "Beta"}, {"c", "Gamma"}, {"f", "Counted"}}));
}
