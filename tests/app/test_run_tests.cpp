// npar-report on a data table: tests run by the engine, their documents read
// by the plug-in, the report written; saved documents give the same report;
// usage errors stop the run before anything is computed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "AppTestSupport.h"
#include "OutputQuery.h"

using apptest::RunCli;
using output_query::Json;

namespace {

const char* kData =
    "id,region,score,visits\n"
    "1,North,62.5,3\n2,South,58.1,2\n3,North,71.3,5\n4,East,49.9,1\n5,West,66.0,4\n"
    "6,North,55.2,3\n7,South,60.7,2\n8,East,68.4,6\n9,West,73.0,3\n10,North,59.9,2\n";

std::vector<std::string> SummaryColumn(const Json& report, const std::string& column) {
    std::vector<std::string> texts;
    for (const Json& table : output_query::Tables(report, "Hypothesis Test Summary")) {
        for (const Json& cell : table["cells"]) {
            if (cell["column"] == Json({column})) texts.push_back(cell["text"]);
        }
    }
    return texts;
}

}  // namespace

TEST(RunTests, DataInReportOutWithEveryTableAndChart) {
    apptest::TempDir dir;
    const std::string data = dir.Write("course.csv", kData);
    const apptest::CliResult result = RunCli(
        {data, "--test", "chi-square region", "--test", "ks score dist=normal", "--format", "json"});
    ASSERT_EQ(result.status, 0) << result.err;
    // The documents the engine wrote read back without a single check report.
    EXPECT_TRUE(result.err.empty()) << result.err;
    const Json report = Json::parse(result.out);
    EXPECT_EQ(report["ok"], true);
    EXPECT_EQ(
        SummaryColumn(report, "Null Hypothesis"),
        (std::vector<std::string>{"The categories of region occur with equal probabilities.",
                                  "The distribution of score is normal with mean 62.50 and standard "
                                  "deviation 7.27."}));
    EXPECT_EQ(SummaryColumn(report, "Decision"),
              (std::vector<std::string>{"Retain the null hypothesis.", "Retain the null hypothesis."}));
    EXPECT_EQ(output_query::Tables(report, "One-Sample Chi-Square Test Summary").size(), 1u);
    EXPECT_EQ(output_query::Tables(report, "One-Sample Kolmogorov-Smirnov Normal Test Summary").size(),
              1u);
    std::vector<std::string> charts;
    for (const Json& chart : output_query::Items(report, "chart")) charts.push_back(chart["title"]);
    EXPECT_EQ(charts,
              (std::vector<std::string>{
                  "One-Sample Chi-Square Test", "One-Sample Kolmogorov-Smirnov Test (Normal)",
                  "Categorical Field Information region", "Continuous Field Information score"}));
}

TEST(RunTests, ATestTheDataDoNotAllowSaysWhyAndTheOthersRun) {
    apptest::TempDir dir;
    const std::string data = dir.Write("d.csv", "x,y\n1,a\n1,a\n2,b\n");
    const apptest::CliResult result =
        RunCli({data, "--test", "chi-square y", "--test", "runs x cut=5", "--format", "json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json report = Json::parse(result.out);
    EXPECT_EQ(SummaryColumn(report, "Decision"),
              (std::vector<std::string>{"Retain the null hypothesis.", "Unable to compute."}));
    const Json summary = output_query::Tables(report, "Hypothesis Test Summary").at(0);
    const Json sig = output_query::Cell(summary, {"2"}, {"Sig."});
    EXPECT_EQ(
        output_query::NoteTexts(summary, sig),
        std::vector<std::string>{"Every value lies on one side of the cut point, so the number of runs "
                                 "cannot vary."});
}

TEST(RunTests, SavedDocumentsGiveTheSameReport) {
    apptest::TempDir dir;
    const std::string data = dir.Write("d.csv", kData);
    const std::string saved = dir.Path() + "/documents/run";
    const std::vector<std::string> tests = {
        "--test",     "runs score", "--test",   "binomial score cut=60",
        "--split-by", "region",     "--format", "json"};
    std::vector<std::string> arguments = {data, "--save-documents", saved};
    arguments.insert(arguments.end(), tests.begin(), tests.end());
    const apptest::CliResult direct = RunCli(arguments);
    ASSERT_EQ(direct.status, 0) << direct.err;

    const apptest::CliResult again =
        RunCli({"--manifest", saved + "/manifest.json", "--format", "json"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(direct.out, again.out);
    // One split per region, in ascending order, each under its heading.
    const Json report = Json::parse(direct.out);
    const std::vector<std::string> headings = output_query::HeadingTexts(report);
    std::vector<std::string> splits;
    for (const std::string& heading : headings)
        if (heading.rfind("region = ", 0) == 0) splits.push_back(heading);
    EXPECT_EQ(splits, (std::vector<std::string>{"region = East", "region = North", "region = South",
                                                "region = West"}));
}

// A file written with decimal commas and semicolons, as spreadsheets in many
// locales save it, read with --decimal , (or "decimal": "," in an analysis
// file) gives the report of the same numbers written with points: the same
// values and the same decimals in every table. Read without it, the message
// points to the option.
TEST(RunTests, DecimalCommasGiveTheReportOfTheSameNumbers) {
    apptest::TempDir dir;
    std::string commas = kData;
    for (char& c : commas) c = c == ',' ? ';' : c == '.' ? ',' : c;
    const std::string points = dir.Write("points.csv", kData);
    const std::string semicolons = dir.Write("commas.csv", commas);
    const std::vector<std::string> tests = {
        "--test", "kruskal-wallis score by region", "--test",   "ks score dist=normal",
        "--test", "wilcoxon score median=60.5",     "--format", "json"};
    const auto run = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), tests.begin(), tests.end());
        return RunCli(arguments);
    };
    const apptest::CliResult expected = run({points});
    ASSERT_EQ(expected.status, 0) << expected.err;
    const apptest::CliResult read = run({semicolons, "--decimal", ","});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, expected.out);
    // The same with the delimiter given, and from an analysis file.
    EXPECT_EQ(run({semicolons, "--decimal", ",", "--delimiter", ";"}).out, expected.out);
    const std::string analysis = dir.Write(
        "run.json", R"({"data": "commas.csv", "decimal": ",", "tests": ["kruskal-wallis score by region",
                     "ks score dist=normal", "wilcoxon score median=60.5"]})");
    EXPECT_EQ(RunCli({"--analysis", analysis, "--format", "json"}).out, expected.out);

    const apptest::CliResult unread = run({semicolons});
    EXPECT_EQ(unread.status, 2);
    EXPECT_NE(unread.err.find("give --delimiter ;, or --decimal , if its numbers have decimal commas"),
              std::string::npos)
        << unread.err;
    const apptest::CliResult pointed = run({semicolons, "--delimiter", ";"});
    EXPECT_NE(pointed.err.find("(\"62,5\" in data row 1 is not a number)"), std::string::npos)
        << pointed.err;
    EXPECT_NE(pointed.err.find("for a file with decimal commas give --decimal ,"), std::string::npos)
        << pointed.err;
    // Commas as both delimiter and decimal mark split an unquoted number.
    const std::string unquoted = dir.Write("unquoted.csv", "score,region\n62,5,North\n58,1,South\n");
    const apptest::CliResult split = run({unquoted, "--decimal", ",", "--delimiter", ","});
    EXPECT_EQ(split.status, 2);
    EXPECT_NE(split.err.find("the row has 3 fields, the header 2; with commas as both delimiter and "
                             "decimal mark, a number's comma splits it unless the cell is quoted"),
              std::string::npos)
        << split.err;
    // With decimal commas a point is no decimal mark: the column is text.
    const apptest::CliResult mixed = run({points, "--decimal", ",", "--delimiter", ","});
    EXPECT_NE(mixed.err.find("(\"62.5\" in data row 1 is not a number), but kruskal-wallis needs "
                             "numbers; numbers are read with a decimal comma and no thousands "
                             "separators (1234,5)"),
              std::string::npos)
        << mixed.err;
}

// Whole numbers of six digits and more (a hundred thousand cases, a group
// coded 200000) reach the report whole: the shortest form of such a number
// is "2e+05", which a reader of whole numbers takes for 2.
TEST(RunTests, LargeWholeNumbersReachTheReportWhole) {
    apptest::TempDir dir;
    std::string csv = "x,group\n";
    for (int i = 0; i < 100000; ++i) csv += std::to_string(i % 7) + (i % 2 ? ",100000\n" : ",200000\n");
    const std::string data = dir.Write("large.csv", csv);
    const apptest::CliResult result =
        RunCli({data, "--test", "mann-whitney x by group", "--format", "text"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Label: Total N = 100000\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("| 100000 | 50000 |"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("| 200000 | 50000 |"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("e+0"), std::string::npos) << result.out;
}

// A file written by R marks missing values NA: --na (or "na" in an
// analysis file) makes that text missing in every column, which the numeric
// columns then stay.
TEST(RunTests, MissingValueCodesForEveryColumn) {
    apptest::TempDir dir;
    const std::string data =
        dir.Write("r.csv", "\"x\",\"g\"\n1,\"a\"\nNA,\"a\"\n3,NA\n4,\"b\"\n5,\"b\"\n");
    const apptest::CliResult refused =
        RunCli({data, "--test", "mann-whitney x by g", "--format", "json"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("if \"NA\" marks a missing value, give --na NA"), std::string::npos)
        << refused.err;
    const apptest::CliResult read =
        RunCli({data, "--na", "NA", "--test", "mann-whitney x by g", "--format", "json"});
    ASSERT_EQ(read.status, 0) << read.err;
    const Json report = Json::parse(read.out);
    const Json statistics =
        output_query::Tables(report, "Independent-Samples Mann-Whitney U Test Summary").at(0);
    EXPECT_EQ(output_query::Cell(statistics, {"Total N"}, {})["text"], "3");
    const std::string analysis =
        dir.Write("run.json", R"({"data": "r.csv", "na": ["NA"], "tests": ["mann-whitney x by g"]})");
    EXPECT_EQ(RunCli({"--analysis", analysis, "--format", "json"}).out, read.out);
}

// --order puts a text variable's values in the order it gives: the tables'
// rows and the box plots follow it, as they follow numbers' order.
TEST(RunTests, TextCategoriesInTheOrderGiven) {
    apptest::TempDir dir;
    const std::string data = dir.Write(
        "w.csv", "breaks,tension\n26,L\n30,L\n54,L\n18,M\n21,M\n29,M\n36,H\n21,H\n24,H\n17,M\n");
    const std::vector<std::string> test = {"--test", "kruskal-wallis breaks by tension", "--format",
                                           "text"};
    const auto rowsInOrder = [](const std::string& text, const std::string& after,
                                const std::vector<std::string>& rows) {
        size_t at = text.find(after);
        for (const std::string& row : rows) {
            const size_t next = text.find(row, at);
            if (next == std::string::npos) return false;
            at = next;
        }
        return true;
    };
    std::vector<std::string> arguments = {data, "--order", "tension=L,M,H"};
    arguments.insert(arguments.end(), test.begin(), test.end());
    const apptest::CliResult ordered = RunCli(arguments);
    ASSERT_EQ(ordered.status, 0) << ordered.err;
    EXPECT_TRUE(rowsInOrder(ordered.out, "Descriptive Statistics", {"| L ", "| M ", "| H "}))
        << ordered.out;
    EXPECT_TRUE(rowsInOrder(ordered.out, "Box plots of breaks", {"\n    L ", "\n    M ", "\n    H "}))
        << ordered.out;
    const std::string analysis = dir.Write(
        "run.json",
        R"({"data": "w.csv", "order": ["tension=L,M,H"], "tests": ["kruskal-wallis breaks by tension"]})");
    const auto afterSource = [](const std::string& text) { return text.substr(text.find('\n')); };
    EXPECT_EQ(afterSource(RunCli({"--analysis", analysis, "--format", "text"}).out),
              afterSource(ordered.out));

    arguments[2] = "tension=L,M";
    const apptest::CliResult refused = RunCli(arguments);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--order tension: \"tension\" also takes \"H\""), std::string::npos)
        << refused.err;
    EXPECT_EQ(RunCli({"--order", "tension=L,M,H", "a.xml"}).status, 2);  // no tests to order for
}

// "-" as the data file reads the table from standard input, which the
// report and its messages call so.
TEST(RunTests, DataFromStandardInput) {
    const auto runWithInput = [](const std::string& input, std::vector<std::string> arguments) {
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        std::thread writer([&] {
            EXPECT_EQ(write(ends[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
            close(ends[1]);
        });
        const int saved = dup(STDIN_FILENO);
        dup2(ends[0], STDIN_FILENO);
        close(ends[0]);
        const apptest::CliResult result = RunCli(std::move(arguments));
        dup2(saved, STDIN_FILENO);
        close(saved);
        writer.join();
        return result;
    };
    const apptest::CliResult read =
        runWithInput(kData, {"-", "--test", "runs score", "--format", "text"});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out.rfind("Data: standard input, 10 cases\n", 0), 0u) << read.out;
    const apptest::CliResult ragged =
        runWithInput("a,b\n1\n", {"-", "--test", "runs a", "--format", "text"});
    EXPECT_EQ(ragged.status, 2);
    EXPECT_NE(ragged.err.find("standard input: line 2, column 1: the row has 1 field, the header 2"),
              std::string::npos)
        << ragged.err;
    // Result documents are not read from it.
    EXPECT_EQ(RunCli({"-"}).status, 2);
}

TEST(RunTests, UsageErrorsStopBeforeAnythingIsComputed) {
    apptest::TempDir dir;
    const std::string data = dir.Write("d.csv", kData);
    const std::string ragged = dir.Write("ragged.csv", "a,b\n1,2\n3\n");
    const std::string output = dir.Path() + "/report.html";
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{data, "--test", "t-test score"}, "test \"t-test score\": unknown test \"t-test\""},
        {{data, "--test", "runs nothing"}, "the data have no variable \"nothing\""},
        {{ragged, "--test", "runs a"}, ragged + ": line 3, column 1: the row has 1 field, the header 2"},
        {{dir.Path() + "/none.csv", "--test", "runs a"},
         "cannot open data file " + dir.Path() + "/none.csv"},
        // A folder reads as nothing: said so rather than as an empty file or
        // as text that is no JSON.
        {{dir.Path(), "--test", "runs a"},
         "cannot open data file " + dir.Path() + ": it is a folder, not a file"},
        {{data, "--test", "runs score", "--dictionary", dir.Path()},
         "cannot open dictionary " + dir.Path() + ": it is a folder, not a file"},
        {{"--analysis", dir.Path()}, "cannot open analysis file " + dir.Path() + ": it is a folder"},
        {{"--test", "runs a"}, "--test needs the data file (DATA.csv) to run on"},
        {{data, data, "--test", "runs a"}, "give one data file with --test, not 2"},
        {{data, "--split-by", "region"}, "option --split-by needs --test or --analysis"},
        {{data, "--test", "runs score", "--alpha", "five"},
         "option --alpha needs a number, not \"five\""},
        {{data, "--test", "runs score", "--missing", "pairwise"},
         "option --missing takes test-by-test or listwise"},
        {{data, "--test", "runs score", "--delimiter", "|"}, "option --delimiter takes"},
        {{data, "--test", "runs score", "--decimal", "comma"},
         "option --decimal takes \".\" or \",\", not \"comma\""},
        {{data, "--decimal", ","}, "option --decimal needs --test or --analysis"},
        {{data, "--na", "NA"}, "option --na needs --test or --analysis"},
        {{data, "--test", "runs score", "--analysis", "a.json"}, "not both"},
        {{data, "--test", "runs score", "--save-documents", data}, "is a file"},
    };
    for (const auto& usage : cases) {
        SCOPED_TRACE(usage.message);
        std::vector<std::string> arguments = usage.arguments;
        arguments.insert(arguments.end(), {"-o", output});
        const apptest::CliResult result = RunCli(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind("npar-report: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(usage.message), std::string::npos) << result.err;
        EXPECT_FALSE(std::ifstream(output).good()) << "an output file was written";
    }
}

TEST(RunTests, ListTestsNamesEveryTestWithItsOptions) {
    const apptest::CliResult result = RunCli({"--list-tests"});
    EXPECT_EQ(result.status, 0);
    for (const char* line :
         {"chi-square FIELD... [expected=W1,W2,...]", "ks FIELD... dist=normal|uniform|poisson",
          "friedman A B C... [compare=all|stepwise|none]", "median FIELD... by GROUP",
          "independent FIELD... by GROUP"})
        EXPECT_NE(result.out.find(line), std::string::npos) << line;
}
