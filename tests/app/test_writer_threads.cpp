// The writers work on worker threads (JSON and HTML make tables' JSON and
// charts' drawings ahead, every format writes items while the plug-in runs):
// whatever the number of threads, every format of the bundled example, of
// its analysis and of a run of many splits is the same byte for byte.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "ReportRun.h"
#include "ThreadSetting.h"

namespace {

std::string WithThreads(const char* threads, const std::vector<std::string>& arguments) {
    const ThreadSetting setting(threads);
    const apptest::CliResult result = apptest::RunCli(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
}

}  // namespace

TEST(WriterThreads, OutputIsTheSameWithOneThreadOrMany) {
    const std::string folder = report::ProgramFolder() + "/examples/";
    if (!std::ifstream(folder + "full.xml")) GTEST_SKIP() << "no bundled example in " << folder;
    const std::vector<std::vector<std::string>> inputs = {
        {folder + "full.xml"},
        {"--analysis", folder + "full.analysis.json"},
        // The example split ten ways: hundreds of tables and charts, more
        // than the workers' window.
        {folder + "full.xml", folder + "full.xml", folder + "full.xml", folder + "full.xml",
         folder + "full.xml", folder + "full.xml", folder + "full.xml", folder + "full.xml",
         folder + "full.xml", folder + "full.xml"},
    };
    for (const auto& input : inputs) {
        for (const std::vector<std::string>& format : {std::vector<std::string>{"--format", "json"},
                                                       {"--format", "json", "--no-charts"},
                                                       {"--format", "html"},
                                                       {"--format", "text"}}) {
            std::vector<std::string> arguments = format;
            arguments.insert(arguments.end(), input.begin(), input.end());
            const std::string one = WithThreads("1", arguments);
            ASSERT_FALSE(one.empty());
            EXPECT_EQ(WithThreads("2", arguments), one) << format.back() << " " << input.back();
            EXPECT_EQ(WithThreads("5", arguments), one) << format.back() << " " << input.back();
        }
    }
}
