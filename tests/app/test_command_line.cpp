// The command line: options, usage errors and inputs that stop the run before
// any split is processed (exit status 2, nothing written).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "AppTestSupport.h"
#include "OutputFormats.h"
#include "ReportOptions.h"

using apptest::RunCli;
using report::ParseReportOptions;
using report::ReportOptions;

TEST(CommandLine, OptionsAreRead) {
    ReportOptions options;
    std::string error;
    ASSERT_TRUE(ParseReportOptions({"-o", "out.html", "--no-charts", "--plugin=p.so", "--resources",
                                    "res", "a.xml", "--", "-b.xml"},
                                   options, error))
        << error;
    EXPECT_EQ(options.outputPath, "out.html");
    EXPECT_TRUE(options.noCharts);
    EXPECT_EQ(options.pluginPath, "p.so");
    EXPECT_EQ(options.resourcesDir, "res");
    EXPECT_EQ(options.documents, (std::vector<std::string>{"a.xml", "-b.xml"}));

    const report::OutputFormat* format = nullptr;
    options.outputPath = "report.pdf";
    options.format = report::FormatNamed("json");  // --format wins over the extension
    ASSERT_TRUE(report::ResolveOutputFormat(options, format, error));
    EXPECT_EQ(format, report::FormatNamed("json"));
}

TEST(CommandLine, UsageErrorsNameTheFault) {
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"--format", "pdf", "a.xml"}, "unknown format \"pdf\""},
        {{"--colour"}, "unknown option --colour"},
        {{"a.xml", "-o"}, "option -o needs a value"},
        {{"-o", "report.pdf", "a.xml"}, "cannot tell the format of output file report.pdf"},
        {{"--manifest", "run.json", "a.xml"}, "give either documents or --manifest, not both"},
        {{"-o", "a.txt", "-o", "b.txt"}, "option -o given twice"},
        {{"--no-charts=yes"}, "option --no-charts takes no value"},
    };
    for (const auto& usage : cases) {
        SCOPED_TRACE(usage.message);
        const apptest::CliResult result = RunCli(usage.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find("npar-report: " + usage.message), std::string::npos) << result.err;
    }
}

TEST(CommandLine, HelpListsTheOptions) {
    const apptest::CliResult result = RunCli({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* option :
         {"-o FILE", "--format", "--no-charts", "--plugin", "--resources", "--manifest"})
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
}

TEST(CommandLine, InputsThatCannotBeUsedStopBeforeAnySplit) {
    apptest::TempDir dir;
    const std::string good = dir.Write("good.xml", apptest::Document().Text());
    const std::string report = dir.Path() + "/report.json";

    // A missing document among good ones: nothing runs, no report file.
    apptest::CliResult result = RunCli({"-o", report, good, dir.Path() + "/missing.xml"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("npar-report: cannot open " + dir.Path() + "/missing.xml"),
              std::string::npos);
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"good.xml"}));
    result = RunCli({dir.Path()});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot open " + dir.Path() + ": Is a directory"), std::string::npos);

    // An output folder that does not exist.
    result = RunCli({"-o", dir.Path() + "/no/such/report.txt", good});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot write " + dir.Path() + "/no/such/report.txt"), std::string::npos);

    // A plug-in that is no module.
    result = RunCli({"--plugin", good, "-o", report, good});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("npar-report: cannot load plug-in " + good + ": "), std::string::npos);
    EXPECT_TRUE(result.out.empty());
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"good.xml"}));
}

TEST(CommandLine, ReportFileIsWrittenWholeEvenWhenASplitFails) {
    apptest::TempDir dir;
    const std::string good = dir.Write("good.xml", apptest::Document().Text());
    const std::string bad = dir.Write("bad.xml", "<StatXML/>");
    const std::string report = dir.Path() + "/report.json";
    const apptest::CliResult result = RunCli({"-o", report, good, bad});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.empty());
    std::ifstream in(report);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"ok\": false"), std::string::npos);
    // No temporary file is left beside the report.
    EXPECT_EQ(dir.Files().size(), 3u);
}

// A document of no known size (a pipe) is read whole, as a file is: its text
// is longer than one read's chunk.
TEST(CommandLine, DocumentsAreReadWholeFromFilesAndPipes) {
    apptest::TempDir dir;
    apptest::Document document;
    for (int i = 0; i < 1000; ++i)
        document.algorithms += apptest::MarkerAlgorithm("Mark" + std::to_string(i));
    const std::string text = document.Text();
    ASSERT_GT(text.size(), 64u * 1024);
    const apptest::CliResult fromFile = RunCli({"--format", "json", dir.Write("a.xml", text)});
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_NE(fromFile.out.find("Not parse element: Mark999"), std::string::npos);

    const std::string pipe = dir.Path() + "/pipe.xml";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << text; });
    const apptest::CliResult fromPipe = RunCli({"--format", "json", pipe});
    writer.join();
    EXPECT_EQ(fromPipe.status, 0) << fromPipe.err;
    EXPECT_EQ(fromPipe.out, fromFile.out);
}

TEST(CommandLine, NoChartsAsksThePluginForNone) {
    apptest::TempDir dir;
    const std::string good = dir.Write("good.xml", apptest::Document().Text());
    unsetenv("DEBUG_MODEL_VIEWER");
    ASSERT_EQ(RunCli({good}).status, 0);
    EXPECT_EQ(std::getenv("DEBUG_MODEL_VIEWER"), nullptr);
    ASSERT_EQ(RunCli({"--no-charts", good}).status, 0);
    ASSERT_NE(std::getenv("DEBUG_MODEL_VIEWER"), nullptr);
    EXPECT_STREQ(std::getenv("DEBUG_MODEL_VIEWER"), "2");
    unsetenv("DEBUG_MODEL_VIEWER");
}
