// Charts in the HTML report: the chart library read from the resources'
// vendor folder and inlined, a policy that allows exactly the inlined
// scripts by their hashes, specifications that cannot end their script
// element, and the fallbacks when the library is missing or a chart cannot
// be drawn. (tests/browser draws the report in a real browser.)
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "AppTestSupport.h"
#include "FacSTDictionary.h"
#include "OutputWriters.h"
#include "ThreadSetting.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

std::string Policy(const std::string& html) {
    const std::string start = "<meta http-equiv=\"Content-Security-Policy\" content=\"";
    const size_t at = html.find(start);
    if (at == std::string::npos) return {};
    const size_t end = html.find('"', at + start.size());
    return html.substr(at + start.size(), end - at - start.size());
}

// Stand-ins for the library files whose SHA-256 digests are known: the
// one-block, two-block, exactly-one-block-of-padding and multi-block cases.
struct VendorFile {
    const char* name;
    std::string text;
    const char* digest;
};
const std::vector<VendorFile>& VendorFiles() {
    static const std::vector<VendorFile> files = {
        {"vega.min.js", "abc", "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0="},
        {"vega-interpreter.min.js", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "JI1qYdIGOLjlwCaTDD5gOaM85Flk/yFn9uzt1BnbBsE="},
        {"vega-lite.min.js", std::string(1000000, 'a'), "zcduXJkU+5KBocfihNc+Z/GAmkiklyAOBG05zMcRLNA="},
        {"vega-embed.min.js", std::string(55, 'a'), "n0OQ+NMMLdkuyfCVtl4rmumwqSWlJY4kHJ8ekQ9zQxg="},
    };
    return files;
}

// A copy of the project's resources in a scratch folder, with the stand-in
// library or without any; removed with everything in it.
class ResourcesCopy {
public:
    ResourcesCopy(const apptest::TempDir& dir, bool withLibrary)
        : fPath((fs::path(dir.Path()) / "resources").string()) {
        const fs::path resources(fPath);
        fs::copy(fs::path(NPAR_SOURCE_DIR) / "resources", resources, fs::copy_options::recursive);
        fs::remove_all(resources / "vendor");
        if (withLibrary) {
            fs::create_directories(resources / "vendor");
            for (const VendorFile& file : VendorFiles())
                std::ofstream(resources / "vendor" / file.name, std::ios::binary) << file.text;
        }
    }
    ~ResourcesCopy() {
        std::error_code ignored;
        fs::remove_all(fPath, ignored);
    }
    ResourcesCopy(const ResourcesCopy&) = delete;
    ResourcesCopy& operator=(const ResourcesCopy&) = delete;

    const std::string& Path() const { return fPath; }

private:
    std::string fPath;
};

// The full example with a field label that tries to end a script element.
const char* const kHostileLabel = "Gender </script><!--<script>";
std::string HostileExample(const apptest::TempDir& dir) {
    std::string text = ReadFile(std::string(NPAR_SOURCE_DIR) + "/examples/full.xml");
    const std::string plain = "displayName=\"Gender\"";
    const size_t at = text.find(plain);
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos)
        text.replace(at, plain.size(), "displayName=\"Gender &lt;/script&gt;&lt;!--&lt;script&gt;\"");
    return dir.Write("hostile.xml", text);
}

// Restores the process-wide resource folder after a test that sets it.
class ResourceFolder {
public:
    explicit ResourceFolder(const std::string& folder) : fSaved(PathFactory::ResourceDirectory()) {
        PathFactory::SetResourceDirectory(folder);
    }
    ~ResourceFolder() { PathFactory::SetResourceDirectory(fSaved); }

private:
    std::string fSaved;
};

TEST(HtmlCharts, TheLibraryIsInlinedAndAllowedByItsHashes) {
    apptest::TempDir dir;
    const ResourcesCopy resources(dir, true);
    const std::string input = HostileExample(dir);
    const apptest::CliResult result =
        apptest::RunCli({"--resources", resources.Path(), "--format", "html", input});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string& html = result.out;

    // One hash per inline script: the four library files in order, then the
    // script that draws the charts and the one that serves the copy buttons.
    // Nothing else is allowed.
    std::string expected = "default-src 'none'; style-src 'unsafe-inline'; script-src";
    for (const VendorFile& file : VendorFiles())
        expected += std::string(" 'sha256-") + file.digest + "'";
    const std::string policy = Policy(html);
    EXPECT_EQ(policy.rfind(expected + " 'sha256-", 0), 0u) << policy;
    EXPECT_EQ(Count(policy, "'sha256-"), 6u) << policy;
    EXPECT_EQ(policy.find("unsafe-eval"), std::string::npos);
    EXPECT_EQ(Count(html, "<script>"), 6u);
    size_t last = 0;
    for (const VendorFile& file : VendorFiles()) {
        const size_t at = html.find("<script>" + file.text + "</script>", last);
        ASSERT_NE(at, std::string::npos) << file.name << " is not inlined in order";
        last = at;
    }

    // Every chart stands in a figure; each drawn one has its specification in
    // a JSON data block. The label's markup never reaches the page as markup,
    // and the specification still holds it as text.
    const size_t figures = Count(html, "<figure class=\"item chart\"");
    const size_t views = Count(html, "<div class=\"chart-view\" data-spec=");
    EXPECT_GT(figures, 20u);
    EXPECT_GT(views, 0u);
    EXPECT_EQ(Count(html, "<script type=\"application/json\""), views);
    EXPECT_EQ(Count(html, "<p class=\"chart-note\">"), figures)
        << "every chart has a note: the placeholder's, or why it is not drawn";
    EXPECT_EQ(html.find("</script><!--"), std::string::npos);
    EXPECT_EQ(html.find("<script><!--"), std::string::npos);

    bool labelSeen = false;
    size_t blocks = 0;
    const std::string open = "<script type=\"application/json\" id=\"";
    for (size_t at = html.find(open); at != std::string::npos; at = html.find(open, at + 1)) {
        ++blocks;
        const size_t idEnd = html.find('"', at + open.size());
        const std::string id = html.substr(at + open.size(), idEnd - at - open.size());
        const size_t body = html.find('>', idEnd) + 1;
        const size_t end = html.find("</script>", body);
        const std::string data = html.substr(body, end - body);
        EXPECT_EQ(data.find('<'), std::string::npos) << id;
        const nlohmann::json spec = nlohmann::json::parse(data);
        if (spec.dump().find(kHostileLabel) != std::string::npos) labelSeen = true;
        EXPECT_NE(html.find("data-spec=\"" + id + "\""), std::string::npos) << id;
    }
    EXPECT_EQ(blocks, views);
    EXPECT_TRUE(labelSeen) << "no specification holds the field's label";
}

TEST(HtmlCharts, WithoutTheLibraryEveryChartShowsItsDataAndANote) {
    apptest::TempDir dir;
    const ResourcesCopy resources(dir, false);
    const apptest::CliResult result =
        apptest::RunCli({"--resources", resources.Path(), "--format", "html",
                         std::string(NPAR_SOURCE_DIR) + "/examples/full.xml"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string& html = result.out;

    // The one script left serves the copy buttons of the tables and lines.
    EXPECT_EQ(
        Policy(html).rfind("default-src 'none'; style-src 'unsafe-inline'; script-src 'sha256-", 0), 0u);
    EXPECT_EQ(Count(Policy(html), "'sha256-"), 1u);
    EXPECT_EQ(Count(html, "<script"), 1u);
    const size_t figures = Count(html, "<figure class=\"item chart\"");
    EXPECT_GT(figures, 20u);
    EXPECT_EQ(Count(html, "The chart library was not found"), figures);
    EXPECT_GE(Count(html, "<table class=\"chart-data\">"), figures)
        << "every chart of the example has data";
    EXPECT_NE(html.find("<li class=\"chart\"><a href=\"#chart-1\">"), std::string::npos);
}

TEST(HtmlCharts, AnUndrawableChartShowsItsTitleAndWhy) {
    apptest::TempDir dir;
    const ResourcesCopy resources(dir, true);
    const ResourceFolder folder(resources.Path());
    npar::OutputDocument document;
    auto& test = document.Root().Append(
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading, "A test"));
    auto chartItem = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Chart);
    chartItem->chart = std::make_unique<npar::ChartModel>();
    chartItem->chart->title = "Bad <chart>";
    chartItem->chart->document = "<visualization><unfinished";
    test.Append(std::move(chartItem));
    const std::string html = npar::WriteHtml(document);

    const size_t figure = html.find("<figure class=\"item chart\" id=\"chart-1\">");
    ASSERT_NE(figure, std::string::npos) << html;
    EXPECT_LT(html.find("id=\"heading-1\""), figure) << "the chart stands under its test's heading";
    EXPECT_NE(
        html.find("<p class=\"chart-title\">Bad &lt;chart&gt;</p>\n<p class=\"chart-note\">", figure),
        std::string::npos)
        << html.substr(figure);
    EXPECT_NE(html.find("<li class=\"chart\"><a href=\"#chart-1\">Bad &lt;chart&gt;</a>"),
              std::string::npos);
    // Nothing to draw: the page holds no script and its policy allows none.
    EXPECT_EQ(html.find("class=\"chart-view\""), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(Policy(html), "default-src 'none'; style-src 'unsafe-inline'");
}

// A chart as the plug-in made it for the example's first drawn chart: its
// document and data, read back from the JSON report.
std::unique_ptr<npar::OutputItem> ExampleChart() {
    const apptest::CliResult result =
        apptest::RunCli({"--format", "json", std::string(NPAR_SOURCE_DIR) + "/examples/full.xml"});
    EXPECT_EQ(result.status, 0) << result.err;
    const nlohmann::ordered_json report = nlohmann::ordered_json::parse(result.out);
    std::function<const nlohmann::ordered_json*(const nlohmann::ordered_json&)> find =
        [&](const nlohmann::ordered_json& items) -> const nlohmann::ordered_json* {
        for (const auto& item : items) {
            if (item["type"] == "chart" && !item["vegaLite"].is_null()) return &item;
            if (item["type"] == "heading") {
                if (const auto* found = find(item["items"])) return found;
            }
        }
        return nullptr;
    };
    const nlohmann::ordered_json* found = find(report["items"]);
    auto item = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Chart);
    item->chart = std::make_unique<npar::ChartModel>();
    if (!found) {
        ADD_FAILURE() << "the example has no drawn chart";
        return item;
    }
    item->chart->title = (*found)["title"];
    item->chart->document = (*found)["document"];
    for (const auto& [sourceName, variables] : (*found)["data"].items()) {
        ChartDataSource source{sourceName, {}};
        for (const auto& [variable, cells] : variables.items()) {
            ChartColumn column{variable, {}};
            for (const auto& cell : cells) {
                if (cell.is_number())
                    column.cells.emplace_back(cell.get<double>());
                else if (cell.is_string())
                    column.cells.emplace_back(cell.get<std::string>());
                else
                    column.cells.emplace_back();
            }
            source.columns.push_back(std::move(column));
        }
        item->chart->data.push_back(std::move(source));
    }
    return item;
}

std::unique_ptr<npar::OutputItem> UndrawableChart(const std::string& title) {
    auto item = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Chart);
    item->chart = std::make_unique<npar::ChartModel>();
    item->chart->title = title;
    item->chart->document = "<visualization><unfinished";
    return item;
}

// The page written as the procedure hands its items over, with one thread
// (every item written at the end) and with several (items written by a
// worker while the next come, the pauses letting it catch up), is the page
// of the whole document: the same anchors and outline, and the library
// inlined just when some chart draws, whether that chart was written early
// or at the end.
TEST(HtmlCharts, StreamedPageIsTheWholeDocumentsPage) {
    // (The run sets the resource folder: first the chart, then the folder.)
    const std::unique_ptr<npar::OutputItem> drawable = ExampleChart();
    apptest::TempDir dir;
    const ResourcesCopy resources(dir, true);
    const ResourceFolder folder(resources.Path());

    // Top-level items: charts that cannot be drawn first, then (or not) one
    // that draws, a results line and an error between them.
    const auto items = [&](bool withDrawn) {
        std::vector<std::unique_ptr<npar::OutputItem>> made;
        auto early = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading, "Early <test>");
        early->Append(UndrawableChart("First"));
        early->Append(std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading, "Inner"));
        made.push_back(std::move(early));
        auto line = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Text, "H(2) = 1.00");
        line->role = "results";
        made.push_back(std::move(line));
        made.push_back(UndrawableChart("Second"));
        auto late = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading, "Late");
        if (withDrawn) {
            auto chart = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Chart);
            chart->chart = std::make_unique<npar::ChartModel>(*drawable->chart);
            late->Append(std::move(chart));
        }
        late->Append(UndrawableChart("Third"));
        made.push_back(std::move(late));
        made.push_back(std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Error, "a failure"));
        return made;
    };
    for (const bool withDrawn : {true, false}) {
        npar::OutputDocument whole;
        for (auto& item : items(withDrawn)) whole.Root().Append(std::move(item));
        const std::string expected = npar::WriteHtml(whole);
        EXPECT_EQ(Count(expected, "<script type=\"application/json\""), withDrawn ? 1u : 0u);
        EXPECT_EQ(Count(expected, "<script>abc</script>"), withDrawn ? 1u : 0u) << "the library";
        EXPECT_NE(expected.find(withDrawn ? "<a href=\"#chart-4\">Third</a>"
                                          : "<a href=\"#chart-3\">Third</a>"),
                  std::string::npos)
            << expected;

        for (const char* threads : {"1", "2", "4"}) {
            for (const bool pause : {false, true}) {
                const ThreadSetting setting(threads);
                std::string streamed;
                {
                    npar::OutputSink sink(streamed);
                    std::unique_ptr<npar::DocumentStream> writer = npar::HtmlDocumentStream(sink);
                    for (auto& item : items(withDrawn)) {
                        writer->Item(std::move(item));
                        if (pause) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    }
                    npar::OutputDocument document;
                    writer->End(document);
                    sink.Flush();
                }
                EXPECT_EQ(streamed, expected)
                    << threads << " threads, pauses " << pause << ", drawn " << withDrawn;
            }
        }
    }
}

}  // namespace
