// What a run writes: the JSON form, text, the HTML page, warnings of the
// plug-in's checks, and the bundled example.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "AppTestSupport.h"
#include "OutputWriters.h"
#include "ReportRun.h"

using apptest::Document;
using apptest::RunCli;

TEST(ReportOutput, JsonHoldsTheReadersErrorItems) {
    apptest::TempDir dir;
    Document document;
    document.algorithms += apptest::MarkerAlgorithm("Oddity");
    const apptest::CliResult result = RunCli({"--format", "json", dir.Write("a.xml", document.Text())});
    ASSERT_EQ(result.status, 0) << result.err;
    const nlohmann::json json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["format"], "npar-output/1");
    EXPECT_EQ(json["ok"], true);
    ASSERT_TRUE(json["items"].is_array());
    ASSERT_FALSE(json["items"].empty());
    // The reader reports the unknown table before the test's output is made.
    EXPECT_EQ(json["items"][0],
              nlohmann::json::parse(R"({"type": "error", "text": "Not parse element: Oddity"})"));
    EXPECT_TRUE(result.err.empty()) << result.err;
}

TEST(ReportOutput, PluginChecksAreWarnings) {
    apptest::TempDir dir;
    Document document;
    document.dictionary = R"(<DataDictionary><DataField index="5" name="a" dataType="integer"/>)"
                          R"(</DataDictionary>)";
    const apptest::CliResult result = RunCli({dir.Write("a.xml", document.Text())});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("npar-report: warning: backend/nonpar/NOPRParseOutXML"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("index == curIndex"), std::string::npos);
}

TEST(ReportOutput, HtmlPageIsSelfContainedAndEscaped) {
    npar::OutputDocument document;
    auto& test = document.Root().Append(
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading, "Tests <&>"));
    test.Append(std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading, "Inner"));
    test.Append(std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Error,
                                                   "<script>alert('x')</script> \xff"));
    document.ok = false;
    const std::string html = npar::WriteHtml(document);

    EXPECT_NE(html.find("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
                        "'none'; style-src 'unsafe-inline'\">"),
              std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("src=\"http"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; \xEF\xBF\xBD"),
              std::string::npos);
    // The outline links to every heading's anchor.
    EXPECT_NE(html.find("<a href=\"#heading-1\">Tests &lt;&amp;&gt;</a>"), std::string::npos);
    EXPECT_NE(html.find("<a href=\"#heading-2\">Inner</a>"), std::string::npos);
    EXPECT_NE(html.find("id=\"heading-1\""), std::string::npos);
    EXPECT_NE(html.find("id=\"heading-2\""), std::string::npos);
    EXPECT_NE(html.find("class=\"stopped\""), std::string::npos);
}

TEST(ReportOutput, FormatFollowsTheOutputFile) {
    apptest::TempDir dir;
    Document document;
    document.algorithms += apptest::MarkerAlgorithm("Oddity");
    const std::string input = dir.Write("a.xml", document.Text());
    for (const char* name : {"r.html", "r.json", "r.txt"}) {
        const std::string path = dir.Path() + "/" + name;
        ASSERT_EQ(RunCli({"-o", path, input}).status, 0);
        std::ifstream in(path);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (std::string(name) == "r.html") {
            EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
            EXPECT_NE(text.find("<p class=\"error\">Not parse element: Oddity</p>"), std::string::npos);
        } else if (std::string(name) == "r.json") {
            EXPECT_FALSE(nlohmann::json::parse(text, nullptr, false).is_discarded());
        } else {
            EXPECT_NE(text.find("[error] Not parse element: Oddity"), std::string::npos);
        }
    }
}

// The report goes out in chunks as it is written (the example's JSON and
// HTML take many): a file and standard output get the same text, whole.
TEST(ReportOutput, FileAndStandardOutputGetTheSameText) {
    const std::string example = report::ProgramFolder() + "/examples/full.xml";
    if (!std::ifstream(example)) GTEST_SKIP() << "no bundled example at " << example;
    apptest::TempDir dir;
    for (const char* format : {"html", "json", "text"}) {
        const std::string path = dir.Path() + "/report";
        const apptest::CliResult written = RunCli({"--format", format, "-o", path, example});
        const apptest::CliResult shown = RunCli({"--format", format, example});
        ASSERT_EQ(written.status, 0) << written.err;
        ASSERT_EQ(shown.status, 0) << shown.err;
        std::ifstream in(path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text, shown.out) << format;
    }
}

TEST(ReportOutput, WithoutInputsTheBundledExampleIsRead) {
    const std::string example = report::ProgramFolder() + "/examples/full.xml";
    if (!std::ifstream(example)) GTEST_SKIP() << "no bundled example at " << example;
    // The default plug-in beside the program is loaded, too.
    std::ostringstream out;
    std::ostringstream err;
    const int status = report::RunReport({"--format", "json"}, out, err);
    EXPECT_EQ(status, 0) << err.str();
    EXPECT_EQ(nlohmann::json::parse(out.str())["ok"], true);
}

// A report says what it was made from: the text and HTML forms begin with a
// line naming the data file and its cases (and the splits), or the result
// documents, and the HTML form's head names the program's release; the JSON
// form, whose fields are fixed, does not.
TEST(ReportOutput, TextAndHtmlSayWhatTheReportWasMadeFrom) {
    apptest::TempDir dir;
    const std::string data = dir.Write("study.csv", "g,x\na,1\nb,2\na,3\nb,4\na,5\n");
    const apptest::CliResult text =
        RunCli({data, "--test", "runs x", "--split-by", "g", "--format", "text"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Data: " + data + ", 5 cases, 2 splits\n\n", 0), 0u)
        << text.out.substr(0, 200);

    const apptest::CliResult html = RunCli({data, "--test", "runs x", "--format", "html"});
    ASSERT_EQ(html.status, 0) << html.err;
    EXPECT_NE(
        html.out.find("<main class=\"report\">\n<p class=\"source\">Data: " + data + ", 5 cases</p>\n"),
        std::string::npos);
    // The page's title leads with the data file's name, so that tabs tell
    // apart; its head names the program and release that made it.
    EXPECT_NE(html.out.find("<title>study.csv \u2014 Nonparametric Tests</title>"), std::string::npos);
    EXPECT_NE(html.out.find("<meta name=\"generator\" content=\"npar-report " NPAR_VERSION "\">\n"),
              std::string::npos);

    const apptest::CliResult json = RunCli({data, "--test", "runs x", "--format", "json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.find("Data: "), std::string::npos);

    const std::string document = dir.Write("split.xml", Document().Text());
    const apptest::CliResult documents =
        RunCli({document, document, document, document, "--format", "text"});
    EXPECT_EQ(
        documents.out.rfind(
            "Result documents: " + document + ", " + document + ", " + document + " and 1 more\n\n", 0),
        0u)
        << documents.out.substr(0, 200);
    const apptest::CliResult page = RunCli({document, "--format", "html"});
    EXPECT_NE(page.out.find("<title>split.xml \u2014 Nonparametric Tests</title>"), std::string::npos);
}

// What the run notes before it begins reaches the report's reader, not only
// the terminal: under the source line in text and HTML, on standard error too.
TEST(ReportOutput, TheRunsNotesStandUnderTheSourceLine) {
    apptest::TempDir dir;
    const std::string data = dir.Write("units.csv", "g,defect\na,no\n,no\nb,no\na,no\n");
    const std::vector<std::string> run = {data, "--test", "binomial defect success=yes", "--split-by",
                                          "g"};
    const std::string missing = "Note: 1 case has no value for split variable \"g\" and is left out\n";
    const std::string absent =
        "Note: test \"binomial defect success=yes\": no case has \"defect\" = \"yes\"; it is the "
        "success category\n  with 0 cases\n";

    std::vector<std::string> text = run;
    text.insert(text.end(), {"--format", "text"});
    const apptest::CliResult written = RunCli(text);
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out.rfind("Data: " + data + ", 4 cases, 2 splits\n" + absent + missing + "\n", 0),
              0u)
        << written.out.substr(0, 400);
    EXPECT_NE(written.err.find("note: 1 case has no value"), std::string::npos) << written.err;

    std::vector<std::string> html = run;
    html.insert(html.end(), {"--format", "html"});
    const apptest::CliResult page = RunCli(html);
    ASSERT_EQ(page.status, 0) << page.err;
    EXPECT_NE(page.out.find("</p>\n<p class=\"source run-note\">Note: test &quot;binomial defect "
                            "success=yes&quot;: no case has"),
              std::string::npos);
}

namespace {

// The column titles of the first listing of data source `source` after
// `from`: its heading line split where two blanks or more stand.
// The cells of a listing's line, which stand two blanks or more apart.
std::vector<std::string> ListedCells(const std::string& line) {
    std::vector<std::string> titles;
    for (size_t i = line.find_first_not_of(' '); i != std::string::npos;) {
        const size_t end = line.find("  ", i);
        titles.push_back(line.substr(i, end == std::string::npos ? std::string::npos : end - i));
        i = end == std::string::npos ? end : line.find_first_not_of(' ', end);
    }
    return titles;
}

// The line after the first at or after `from` that begins with `marker`
// (after its indentation), or the line itself when `same`.
std::string LineAfter(const std::string& text, const std::string& marker, size_t from,
                      bool same = false) {
    size_t at = text.find(marker, from);
    if (at == std::string::npos) return {};
    const size_t begin = same ? text.rfind('\n', at) + 1 : text.find('\n', at) + 1;
    return text.substr(begin, text.find('\n', begin) - begin);
}

std::vector<std::string> ListingHeading(const std::string& text, const std::string& source,
                                        size_t from) {
    return ListedCells(LineAfter(text, "  " + source + " (", from));
}

}  // namespace

TEST(ReportOutput, TextListsTheNetworksEdgesByWhatTheyShow) {
    // Kruskal-Wallis over four groups (y = 1..12 by g = a, b, c, d, three cases
    // each): the groups differ, so the pairwise network is drawn.
    apptest::TempDir dir;
    const std::string data =
        dir.Write("groups.csv", "g,y\na,1\na,2\na,3\nb,4\nb,5\nb,6\nc,7\nc,8\nc,9\nd,10\nd,11\nd,12\n");
    const apptest::CliResult text =
        RunCli({data, "--test", "kruskal-wallis y by g", "--format", "text"});
    ASSERT_EQ(text.status, 0) << text.err;
    const size_t edges = text.out.find("  Edges (6 rows)\n");
    ASSERT_NE(edges, std::string::npos) << text.out;
    // The nodes are named by the grouping field; the edges' columns as the
    // comparisons table names them, the edge's colour by what it marks, and
    // its weight by the formula that makes it.
    EXPECT_EQ(ListingHeading(text.out, "Nodes", 0), (std::vector<std::string>{"g"}));
    EXPECT_EQ(ListingHeading(text.out, "Edges", 0),
              (std::vector<std::string>{"Sample 1", "Sample 2", "Edge Weight, 1 / (1 - Adj. Sig.)\u00b2",
                                        "Adj. Sig.", "Adj. Sig. Below the Significance Level"}));
    const size_t header = text.out.find('\n', edges) + 1;
    // a against d: the farthest apart, below the level; a against b: not.
    const size_t rows = text.out.find('\n', header) + 1;
    const std::string listed = text.out.substr(rows, text.out.find("\n\n", rows) - rows);
    EXPECT_NE(listed.find("  Yes\n"), std::string::npos) << listed;
    EXPECT_NE(listed.find("  No\n"), std::string::npos) << listed;
    // a against b: an adjusted significance of 1, whose weight is infinite
    // (the chart holds the largest double in its place).
    EXPECT_NE(listed.find("  \u221e  "), std::string::npos) << listed;
    EXPECT_EQ(listed.find("e+308"), std::string::npos) << listed;
}

TEST(ReportOutput, TextListsChartColumnsUnderTheChartsOwnTitles) {
    apptest::TempDir dir;
    const std::string data = dir.Write("answers.csv",
                                       "colour,a,b,c\nred,1,2,3\nblue,2,3,1\nred,1,3,2\ngreen,1,2,3\n"
                                       "red,2,3,1\nblue,1,3,2\n");
    const apptest::CliResult text =
        RunCli({data, "--test", "binomial colour success=red", "--test", "chi-square colour", "--test",
                "friedman a b c", "--test", "kruskal-wallis c by colour", "--format", "text"});
    ASSERT_EQ(text.status, 0) << text.err;
    // The binomial bars: their colours are keyed by the field, the tooltip
    // gives the percentages.
    const size_t binomial = text.out.find("Chart: One-Sample Binomial Test");
    EXPECT_EQ(ListingHeading(text.out, "Data", binomial),
              (std::vector<std::string>{"categories", "colour", "Frequency", "Percentages"}));
    // The chi-square's legend is titled by what the bars count; the column
    // its colours tell apart keeps its own name rather than a second
    // "Frequency".
    const size_t chiSquare = text.out.find("Chart: One-Sample Chi-Square Test");
    EXPECT_EQ(ListingHeading(text.out, "Data", chiSquare),
              (std::vector<std::string>{"colour", "Frequency", "Observed", "Hypothesized", "Type",
                                        "Residual"}));
    // The related histograms: one panel per field, labelled by its mean rank.
    const size_t friedman = text.out.find("Chart: Related-Samples Friedman");
    EXPECT_EQ(ListingHeading(text.out, "Data", friedman),
              (std::vector<std::string>{"Frequency", "Rank", "Panel Label", "Panel"}));
    // The box plots' mean ranks, which only their popup names, one a box.
    const size_t kruskal = text.out.find("Chart: Independent-Samples Kruskal-Wallis Test");
    const std::vector<std::string> boxes =
        ListedCells(LineAfter(text.out, "Lower Whisker", kruskal, true));
    ASSERT_GE(boxes.size(), 2u) << text.out;
    EXPECT_EQ(boxes[boxes.size() - 2], "Mean Rank");
}

// The text report gives each box of a box plot as the chart draws it: the
// whiskers, hinges and median, and the outliers with the cases they come
// from, rather than the rows the chart is fed. PlantGrowth, as R gives it:
// boxplot.stats(weight[group == g]) for each group (the outlier 6.03 of trt1
// is row 17), and the mean ranks tapply(rank(weight), group, mean).
TEST(ReportOutput, TextListsEachBoxByItsTukeyStatistics) {
    const apptest::CliResult text =
        RunCli({NPAR_SOURCE_DIR "/tests/engine/data/PlantGrowth.csv", "--test",
                "kruskal-wallis weight by group compare=none", "--format", "text"});
    ASSERT_EQ(text.status, 0) << text.err;
    const size_t chart = text.out.find("Chart: Independent-Samples Kruskal-Wallis Test");
    ASSERT_NE(chart, std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Box plots of weight by group: whiskers reach the furthest values", chart),
              std::string::npos)
        << text.out.substr(chart);
    const std::vector<std::string> header =
        ListedCells(LineAfter(text.out, "Lower Whisker", chart, true));
    EXPECT_EQ(header,
              (std::vector<std::string>{"group", "Lower Whisker", "Lower Quartile", "Median",
                                        "Upper Quartile", "Upper Whisker", "Mean Rank", "Outliers"}));
    const std::string listing = text.out.substr(chart, text.out.find("\n\n", chart) - chart);
    const auto line = [&](const std::string& group) {
        const size_t at = listing.find("\n        " + group + "  ");
        if (at == std::string::npos) return std::vector<std::string>{};
        return ListedCells(listing.substr(at + 1, listing.find('\n', at + 1) - at - 1));
    };
    EXPECT_EQ(line("ctrl"),
              (std::vector<std::string>{"ctrl", "4.17", "4.53", "5.155", "5.33", "6.11", "14.75"}))
        << listing;
    EXPECT_EQ(line("trt1"), (std::vector<std::string>{"trt1", "3.59", "4.17", "4.55", "4.89", "5.87",
                                                      "10.35", "6.03 (case 17)"}))
        << listing;
    EXPECT_EQ(line("trt2"),
              (std::vector<std::string>{"trt2", "4.92", "5.26", "5.435", "5.8", "6.31", "21.40"}))
        << listing;
}

TEST(ReportOutput, ListingsNameACategoryByItsLabelNotByTheChartsCode) {
    // dose is coded 1, 2, 3 with value labels; the box plots code the groups
    // 0, 1, 2, so a listing that gave the code beside the label would read
    // "0 = low" against the data's 1 = low.
    apptest::TempDir dir;
    const std::string data = dir.Write(
        "doses.csv", "dose,y\n1,3\n1,5\n1,4\n2,6\n2,8\n2,7\n3,9\n3,12\n3,10\n1,2\n2,9\n3,11\n");
    const std::string dictionary =
        dir.Write("doses.json", R"({"variables": [{"name": "dose", "measure": "ordinal",
                          "valueLabels": {"1": "low", "2": "medium", "3": "high"}}]})");
    const apptest::CliResult text =
        RunCli({data, "--dictionary", dictionary, "--test", "kruskal-wallis y by dose compare=none",
                "--format", "text"});
    ASSERT_EQ(text.status, 0) << text.err;
    const size_t boxes = text.out.find("Box plots of");
    ASSERT_NE(boxes, std::string::npos) << text.out;
    const std::string listing = text.out.substr(boxes, text.out.find("\n\n", boxes) - boxes);
    EXPECT_NE(listing.find("  low  "), std::string::npos) << listing;
    EXPECT_EQ(listing.find(" = low"), std::string::npos) << listing;
    const size_t field = text.out.find("Chart: Categorical Field Information");
    ASSERT_NE(field, std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\n    high    4\n", field), std::string::npos) << text.out.substr(field);
}
