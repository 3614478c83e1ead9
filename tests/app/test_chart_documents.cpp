// The chart documents the real views emit, checked as the renderer and the
// writers receive them: every chart of the full example (and of the split
// example, with subtitles, and with labels that hold markup characters) is
// well-formed, has every placeholder of its template replaced and no
// string-table key left untranslated, references only what it defines, has
// the data columns its template declares, and is drawable.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "AppTestSupport.h"
#include "ChartRenderer.h"

namespace {

using Json = nlohmann::json;

// The placeholders each template carries for the views to replace.
const std::map<std::string, std::vector<std::string>>& Placeholders() {
    static const std::map<std::string, std::vector<std::string>> placeholders = {
        {"NPARHistogram.viztemplate", {"xAxisLabel", "yAxisLabel", "labelText"}},
        {"NPARBoxplot.viztemplate", {"xAxisText", "yAxisText"}},
        {"NPARChiSquareTest.viztemplate", {"titleText", "xAxisText", "yAxisText", "legendTitle"}},
        {"NPARKolmogorovSmirnov.viztemplate", {"xTitle", "yTitle0", "yTitle1", "subTitle"}},
        {"NPARRelatedSamplesHistogram.viztemplate",
         {"xTitle", "yTitle0", "yTitle1", "subTitle", "categoryOrder1"}},
        {"FacetBarChart.viztemplate", {"TitleText", "Facet1Text", "Facet2Text", "tooltipText"}},
        {"NPARStackedBar.viztemplate", {"yAxisLabel", "LegendLabel", "CategoryOrderText"}},
        {"NPAROneSampleRunsTest.viztemplate", {"ObservedRunsText", "TooFewRuns", "TooManyRuns"}},
        {"GLMMPairwiseContrasts.viztemplate", {"TitleText", "FootnoteText"}},
        {"NPARWilcoxonPairSignedRank.viztemplate", {"LegendLabel", "XAxis Text", "YAxis Text"}},
    };
    return placeholders;
}

// Placeholders a view leaves in a category order the renderer reads as no
// order (no category has that name): the two-group histograms drawn from the
// related-samples template, and the Cochran's Q stacked bars.
bool LeftOnPurpose(const std::string& placeholder, const std::string& title) {
    return (placeholder == "categoryOrder1" && title.find("Independent-Samples") == 0) ||
           (placeholder == "CategoryOrderText" && title.find("Cochran") != std::string::npos);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void CollectCharts(const Json& items, std::vector<Json>& charts) {
    for (const Json& item : items) {
        if (item["type"] == "heading") CollectCharts(item["items"], charts);
        if (item["type"] == "chart") charts.push_back(item);
    }
}

std::vector<Json> ChartsOf(const std::vector<std::string>& arguments) {
    std::vector<std::string> withFormat = arguments;
    withFormat.insert(withFormat.end(), {"--format", "json"});
    const apptest::CliResult result = apptest::RunCli(withFormat);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<Json> charts;
    CollectCharts(Json::parse(result.out)["items"], charts);
    return charts;
}

// Every id the document defines with elements of a tag.
std::set<std::string> Defined(const pugi::xml_node root, const char* tag) {
    std::set<std::string> ids;
    for (const pugi::xpath_node& node : root.select_nodes((std::string("//") + tag).c_str()))
        ids.insert(node.node().attribute("id").value());
    return ids;
}

// Every reference names an element the document defines: variables (a graph,
// derived or source variable), source variables, styles, targets of popups
// and locations, legend aesthetics and network nodes.
void CheckReferences(const pugi::xml_node root) {
    std::set<std::string> variables = Defined(root, "variable");
    for (const char* tag : {"derivedVariable", "sourceVariable"}) {
        for (const std::string& id : Defined(root, tag)) variables.insert(id);
    }
    const std::set<std::string> sources = Defined(root, "sourceVariable");
    const std::set<std::string> styles = Defined(root, "style");
    std::set<std::string> targets;
    for (const char* tag :
         {"graph", "interval", "schema", "line", "point", "edge", "color", "pattern", "labelFrame"}) {
        for (const std::string& id : Defined(root, tag)) targets.insert(id);
    }
    for (const pugi::xpath_node& found : root.select_nodes("//*")) {
        const pugi::xml_node node = found.node();
        const std::string tag = node.name();
        auto expect = [&](const char* attribute, const std::set<std::string>& ids) {
            if (!node.attribute(attribute)) return;
            EXPECT_TRUE(ids.count(node.attribute(attribute).value()))
                << "<" << tag << " " << attribute << "=\"" << node.attribute(attribute).value()
                << "\"> names nothing";
        };
        expect("variable", variables);
        if (tag == "variable") expect("sourceVariable", sources);
        expect("style", styles);
        if (tag == "popup" || tag == "location") expect("target", targets);
        if (tag == "legendTarget") expect("aesthetic", targets);
        if (tag == "edge") expect("nodes", targets);
    }
}

// Every data column a variable reference reads (through a graph variable to
// its source variable, or a source variable itself) is in the chart's data.
void CheckColumns(const pugi::xml_node root, const Json& data) {
    std::map<std::string, std::string> sourceOf;  // graph variable -> source variable
    for (const pugi::xpath_node& found : root.select_nodes("/visualization/variable"))
        sourceOf[found.node().attribute("id").value()] =
            found.node().attribute("sourceVariable").value();
    std::map<std::string, std::pair<std::string, std::string>>
        columnOf;  // source variable -> data column
    for (const pugi::xpath_node& found : root.select_nodes("//dataSource/sourceVariable")) {
        columnOf[found.node().attribute("id").value()] = {found.node().parent().attribute("id").value(),
                                                          found.node().attribute("column").value()};
    }
    for (const pugi::xpath_node& found : root.select_nodes("//*[@variable]")) {
        std::string id = found.node().attribute("variable").value();
        if (!columnOf.count(id) && sourceOf.count(id)) id = sourceOf[id];
        const auto column = columnOf.find(id);
        if (column == columnOf.end()) continue;  // a derived or categorized variable
        const auto& [source, name] = column->second;
        EXPECT_TRUE(data.contains(source) && data[source].contains(name))
            << "the data has no column " << source << "/" << name;
    }
}

// No text or attribute still holds a placeholder, a catalogue code (E60564)
// or an argument that was not filled (^1).
void CheckTexts(const pugi::xml_node root, const std::vector<std::string>& placeholders,
                const std::string& title) {
    static const std::regex untranslated("(^|[^A-Za-z0-9])E[0-9]{5}($|[^0-9])|\\^[0-9]");
    std::vector<std::string> texts;
    for (const pugi::xpath_node& found : root.select_nodes("//*")) {
        for (const pugi::xml_attribute& attribute : found.node().attributes())
            texts.push_back(attribute.value());
        if (found.node().text()) texts.push_back(found.node().text().get());
    }
    for (const std::string& text : texts) {
        EXPECT_FALSE(std::regex_search(text, untranslated)) << "untranslated: " << text;
        for (const std::string& placeholder : placeholders) {
            if (LeftOnPurpose(placeholder, title)) continue;
            EXPECT_NE(text, placeholder) << "placeholder left";
        }
    }
}

void CheckChart(const Json& chart) {
    const std::string templateName = chart["template"];
    SCOPED_TRACE(templateName + ": " + chart["title"].get<std::string>());
    ASSERT_TRUE(Placeholders().count(templateName)) << "a template this check does not know";
    const std::string document = chart["document"];
    pugi::xml_document dom;
    ASSERT_TRUE(dom.load_buffer(document.data(), document.size())) << "not well-formed";
    const pugi::xml_node root = dom.document_element();
    ASSERT_STREQ(root.name(), "visualization");
    CheckReferences(root);
    CheckColumns(root, chart["data"]);
    CheckTexts(root, Placeholders().at(templateName), chart["title"]);
    EXPECT_NE(chart["title"].get<std::string>(), "");
    EXPECT_NE(chart["description"].get<std::string>(), "");

    npar::ChartModel model;
    model.templateName = templateName;
    model.document = document;
    for (const auto& source : chart["data"].items()) {
        ChartDataSource table{source.key(), {}};
        for (const auto& column : source.value().items()) {
            ChartColumn cells{column.key(), {}};
            for (const Json& cell : column.value()) {
                if (cell.is_number())
                    cells.cells.emplace_back(cell.get<double>());
                else if (cell.is_string())
                    cells.cells.emplace_back(cell.get<std::string>());
                else
                    cells.cells.emplace_back(std::monostate());
            }
            table.columns.push_back(std::move(cells));
        }
        model.data.push_back(std::move(table));
    }
    const npar::RenderedChart rendered = npar::RenderChart(model);
    EXPECT_TRUE(rendered.drawable) << rendered.note;
}

}  // namespace

TEST(ChartDocuments, EveryChartOfTheFullExampleIsCompleteAndDrawable) {
    const std::vector<Json> charts = ChartsOf({NPAR_SOURCE_DIR "/examples/full.xml"});
    std::set<std::string> templates;
    for (const Json& chart : charts) {
        templates.insert(chart["template"].get<std::string>());
        CheckChart(chart);
    }
    EXPECT_EQ(templates.size(), Placeholders().size()) << "every template is drawn by the full example";
}

TEST(ChartDocuments, SplitSubtitlesAndColoursOnlyKeepTheDocumentsComplete) {
    for (const Json& chart :
         ChartsOf({"--manifest", NPAR_SOURCE_DIR "/examples/splits/manifest.json"})) {
        EXPECT_NE(chart["subtitle"].get<std::string>(), "");
        CheckChart(chart);
    }
    setenv("NPAR_COLORS_ONLY", "1", 1);
    for (const Json& chart : ChartsOf({NPAR_SOURCE_DIR "/examples/full.xml"})) CheckChart(chart);
    unsetenv("NPAR_COLORS_ONLY");
}

TEST(ChartDocuments, LabelsWithMarkupCharactersStayText) {
    std::string text = ReadFile(NPAR_SOURCE_DIR "/examples/full.xml");
    const std::string label = " displayName=\"";
    for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + label.size()))
        text.insert(at + label.size(), "&lt;b&gt; &amp; &quot;q&quot; &apos;");
    apptest::TempDir dir;
    size_t labelled = 0;
    for (const Json& chart : ChartsOf({dir.Write("markup.xml", text)})) {
        CheckChart(chart);
        pugi::xml_document dom;
        dom.load_string(chart["document"].get<std::string>().c_str());
        for (const pugi::xpath_node& axis : dom.select_nodes("//axis[@label]"))
            labelled +=
                std::string(axis.node().attribute("label").value()).rfind("<b> & \"q\" '", 0) == 0;
    }
    EXPECT_GT(labelled, 10u) << "axis labels keep the markup characters as text";
}
