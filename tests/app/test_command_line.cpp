// The command line: options, usage errors and inputs that stop the run before
// any split is processed (exit status 2, nothing written).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

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
        {{"--colour"}, "unknown option --colour\n"},
        {{"--formt", "json", "a.xml"}, "unknown option --formt (did you mean \"--format\"?)"},
        {{"--no-chart", "a.xml"}, "unknown option --no-chart (did you mean \"--no-charts\"?)"},
        {{"--test=runs x", "--splitby", "g"}, "unknown option --splitby (did you mean \"--split-by\"?)"},
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

TEST(CommandLine, HelpListsTheOptionsAndVersionNamesTheRelease) {
    const apptest::CliResult result = RunCli({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* option :
         {"-o FILE", "--format", "--no-charts", "--plugin", "--resources", "--manifest", "--version"})
        EXPECT_NE(result.out.find(option), std::string::npos) << option;

    const apptest::CliResult version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "npar-report " NPAR_VERSION "\n");
    EXPECT_EQ(RunCli({"--version=1"}).status, 2);
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

    // A resources folder without its catalogue, string table or templates:
    // the report would show every text as its key and draw no chart.
    result = RunCli({"--resources", dir.Path(), "-o", report, good});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("npar-report: the resources folder " + dir.Path() +
                              " (--resources) has no catalogue/en.txt"),
              std::string::npos)
        << result.err;
    const std::filesystem::path resources = std::filesystem::path(dir.Path()) / "resources";
    for (const char* part : {"catalogue", "strings"}) {
        std::filesystem::create_directories(resources / part);
        std::ofstream(resources / part / "en.txt") << "";
    }
    result = RunCli({"--resources", resources.string(), "-o", report, good});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("has no templates: give the folder that holds"), std::string::npos)
        << result.err;
    std::filesystem::remove_all(resources);
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

namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

// -o names where the report goes: a file is replaced whole and keeps its
// permissions, a link's target is replaced and the link stays, a named pipe
// (as a device such as /dev/null) is written as it stands and stays what it
// is, and a folder is refused before anything runs.
TEST(CommandLine, ReportGoesWhereTheOutputNamesAndNothingElseIsReplaced) {
    apptest::TempDir dir;
    const std::string good = dir.Write("good.xml", apptest::Document().Text());
    const apptest::CliResult toStdout = RunCli({"--format", "json", good});
    ASSERT_EQ(toStdout.status, 0) << toStdout.err;
    const std::string& report = toStdout.out;
    struct stat info;

    const std::string file = dir.Write("kept.json", "an older and much longer text than the report's " +
                                                        std::string(report.size(), 'x'));
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(RunCli({"--format", "json", "-o", file, good}).status, 0);
    EXPECT_EQ(FileText(file), report);
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the replaced file's permissions are kept";

    const std::string target = dir.Write("target.json", "old");
    const std::string link = dir.Path() + "/link.json";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    ASSERT_EQ(RunCli({"--format", "json", "-o", link, good}).status, 0);
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link is replaced by a file";
    EXPECT_EQ(FileText(target), report);

    const std::string dangling = dir.Path() + "/dangling.json";
    ASSERT_EQ(symlink((dir.Path() + "/made.json").c_str(), dangling.c_str()), 0);
    ASSERT_EQ(RunCli({"--format", "json", "-o", dangling, good}).status, 0);
    ASSERT_EQ(lstat(dangling.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(FileText(dir.Path() + "/made.json"), report);

    // (The pipe's reading end is open before the run, so that the run's
    // writing end opens at once; the report fits the pipe's buffer, and is
    // read once the run has closed its end.)
    const std::string pipe = dir.Path() + "/pipe.json";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_LT(report.size(), 16u * 1024);
    const int readEnd = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    const apptest::CliResult toPipe = RunCli({"--format", "json", "-o", pipe, good});
    EXPECT_EQ(toPipe.status, 0) << toPipe.err;
    std::string piped;
    char buffer[4096];
    for (ssize_t n; (n = read(readEnd, buffer, sizeof buffer)) > 0;)
        piped.append(buffer, static_cast<size_t>(n));
    close(readEnd);
    EXPECT_EQ(piped, report);
    ASSERT_EQ(lstat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the pipe is replaced by a file";

    const apptest::CliResult toFolder = RunCli({"--format", "json", "-o", dir.Path(), good});
    EXPECT_EQ(toFolder.status, 2);
    EXPECT_NE(toFolder.err.find("cannot write " + dir.Path() + ": Is a directory"), std::string::npos)
        << toFolder.err;

    // No temporary file is left anywhere.
    std::vector<std::string> files = dir.Files();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"dangling.json", "good.xml", "kept.json", "link.json",
                                               "made.json", "pipe.json", "target.json"}));
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

// --no-charts leaves out the dispatchers' and field-information charts, and
// keeps the network the pairwise table makes (the run goes in a child
// process: the plug-in reads the setting once in a process).
TEST(CommandLine, NoChartsAsksThePluginForNone) {
    const std::string full = std::string(NPAR_SOURCE_DIR) + "/examples/full.xml";
    const auto templates = [](const std::string& json) {
        std::set<std::string> found;
        const std::string key = "\"template\": \"";
        for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1))
            found.insert(
                json.substr(at + key.size(), json.find('"', at + key.size()) - at - key.size()));
        return found;
    };
    unsetenv("DEBUG_MODEL_VIEWER");
    const apptest::CliResult charts = RunCli({"--format", "json", full});
    ASSERT_EQ(charts.status, 0) << charts.err;
    EXPECT_GT(templates(charts.out).size(), 5u);
    const apptest::CliResult none = RunCli({"--format", "json", "--no-charts", full});
    ASSERT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(templates(none.out), std::set<std::string>{"GLMMPairwiseContrasts.viztemplate"});
    EXPECT_EQ(std::getenv("DEBUG_MODEL_VIEWER"), nullptr);
}
