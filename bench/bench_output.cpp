// The output of the scaled result document, beside pugixml's parse timed in
// the same iterations.
//
//   BM_JsonWithCharts    the plug-in with every chart and the JSON writer
//                        (every chart rendered) as --format json runs them,
//                        over pugixml's parse of the input plus of every chart
//                        document the run produces (goal: 10x)
//   BM_PeakMemory/FORMAT npar-report run on the document written to a file:
//                        its peak resident memory over the input plus the
//                        output (goal: 2x), and its time over the parse
//   BM_Linear/FORMAT     npar-report on the document and on one with ten times
//                        the tests: the ratios of their times and of their
//                        peak memory (goal: at most 11x)
//   BM_WideTable         npar-report running a test on a data table of 5,000
//                        columns and on one of 50,000: the ratio of their
//                        times (at most 11x)
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "BenchCommon.h"
#include "LargeDocument.h"

extern char** environ;

namespace {

using npar_bench::Clock;
using npar_bench::ScaledDocument;
using npar_bench::Seconds;

// As the chart renderer parses a chart document.
constexpr unsigned kChartParse = pugi::parse_default & ~pugi::parse_wconv_attribute;

void CollectChartDocuments(const npar::OutputItem& parent, std::vector<std::string>& documents) {
    for (const auto& child : parent.children) {
        CollectChartDocuments(*child, documents);
        if (child->chart) documents.push_back(child->chart->document);
    }
}

// The chart documents a run produces (the same in every run): the JSON
// stream frees each item once written, so they are kept from a run of their own.
const std::vector<std::string>& ChartDocuments() {
    static const std::vector<std::string> documents = [] {
        std::vector<std::string> made;
        npar::OutputDocument output;
        if (npar_bench::RunPlugin(output)) CollectChartDocuments(output.Root(), made);
        return made;
    }();
    return documents;
}

void BM_JsonWithCharts(benchmark::State& state) {
    ScaledDocument();
    npar_bench::ScaledDataSource();
    ChartDocuments();
    double seconds = 0;
    double parseSeconds = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        double parse = npar_bench::TimeParse(ScaledDocument());
        for (const std::string& document : ChartDocuments())
            parse += npar_bench::TimeParse(document, kChartParse);
        const auto start = Clock::now();
        bytes = npar_bench::StreamJsonCounting();
        if (bytes == 0) state.SkipWithError("the split failed");
        const double elapsed = Seconds(start, Clock::now());
        parseSeconds += parse;
        seconds += elapsed;
        state.SetIterationTime(elapsed);
    }
    state.counters["ratio_to_parse"] = parseSeconds > 0 ? seconds / parseSeconds : 0;
    state.counters["parse_ms"] = parseSeconds * 1e3 / double(state.iterations());
    state.counters["charts"] = double(ChartDocuments().size());
    state.counters["output_MB"] = double(bytes) / 1e6;
}

// ---------------------------------------------------------------------------
// npar-report as a process

struct Variant {
    const char* name;
    std::vector<std::string> options;
};

const std::vector<Variant>& Variants() {
    static const std::vector<Variant> variants = {
        {"json", {"--format", "json"}},
        {"json_no_charts", {"--format", "json", "--no-charts"}},
        {"text", {"--format", "text"}},
        {"html", {"--format", "html"}},
    };
    return variants;
}

std::string TemporaryFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/npar-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

// The document with testsPerType tests of each type, written once to a file.
std::string DocumentFile(int testsPerType) {
    const std::string path = TemporaryFolder() + "/document-" + std::to_string(testsPerType) + ".xml";
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        std::ofstream(path, std::ios::binary)
            << (testsPerType == npar_bench::kTestsPerType
                    ? ScaledDocument()
                    : npar_bench::MakeLargeDocument(testsPerType, npar_bench::kFields));
    }
    return path;
}

double FileBytes(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? double(status.st_size) : 0;
}

struct ProcessRun {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time, which other work on the machine slows less
    double peakBytes = 0;
    double outputBytes = 0;
};

// The program measured: the build's own, or the one NPAR_REPORT names (to
// measure another build with the same benchmark).
std::string ReportProgram() {
    const char* named = std::getenv("NPAR_REPORT");
    return named && *named ? named : NPAR_REPORT_PATH;
}

// npar-report run under /usr/bin/time, which reports its child's peak
// memory: a child this process started directly would count this process's
// memory, in whose place it starts, as its own peak.
ProcessRun RunReport(const std::string& document, const Variant& variant) {
    const std::string output = TemporaryFolder() + "/output";
    const std::string usageFile = TemporaryFolder() + "/usage";
    std::vector<std::string> arguments = {"/usr/bin/time", "-f",    "%U %S %M", "-o", usageFile,
                                          ReportProgram(), document};
    arguments.insert(arguments.end(), variant.options.begin(), variant.options.end());
    arguments.insert(arguments.end(), {"-o", output});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    ProcessRun run;
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return run;
    int status = 0;
    if (waitpid(child, &status, 0) != child) return run;
    run.seconds = Seconds(start, Clock::now());
    double user = 0, system = 0, peakKilobytes = 0;
    std::ifstream usage(usageFile);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && (usage >> user >> system >> peakKilobytes);
    run.cpuSeconds = user + system;
    run.peakBytes = peakKilobytes * 1024;
    run.outputBytes = FileBytes(output);
    std::remove(output.c_str());
    std::remove(usageFile.c_str());
    return run;
}

void BM_PeakMemory(benchmark::State& state, const Variant& variant) {
    const std::string document = DocumentFile(npar_bench::kTestsPerType);
    ProcessRun best;
    double parseSeconds = 0;
    for (auto _ : state) {
        parseSeconds += npar_bench::TimeParse(ScaledDocument());
        const ProcessRun run = RunReport(document, variant);
        if (!run.ok) state.SkipWithError("npar-report failed");
        state.SetIterationTime(run.seconds);
        if (best.seconds == 0 || run.seconds < best.seconds) best = run;
    }
    const double input = FileBytes(document);
    state.counters["cpu_s"] = best.cpuSeconds;
    state.counters["peak_MB"] = best.peakBytes / 1e6;
    state.counters["output_MB"] = best.outputBytes / 1e6;
    state.counters["memory_ratio"] = best.peakBytes / (input + best.outputBytes);
    state.counters["ratio_to_parse"] = best.seconds / (parseSeconds / double(state.iterations()));
}

// npar-report on a small and a large input in every iteration: the best run
// of each.
void TimeSmallAndLarge(benchmark::State& state, const std::string& small, const std::string& large,
                       const Variant& variant, ProcessRun& bestSmall, ProcessRun& bestLarge) {
    for (auto _ : state) {
        const ProcessRun runSmall = RunReport(small, variant);
        const ProcessRun runLarge = RunReport(large, variant);
        if (!runSmall.ok || !runLarge.ok) state.SkipWithError("npar-report failed");
        state.SetIterationTime(runSmall.seconds + runLarge.seconds);
        if (bestSmall.seconds == 0 || runSmall.seconds < bestSmall.seconds) bestSmall = runSmall;
        if (bestLarge.seconds == 0 || runLarge.seconds < bestLarge.seconds) bestLarge = runLarge;
    }
}

void BM_Linear(benchmark::State& state, const Variant& variant) {
    const std::string small = DocumentFile(npar_bench::kTestsPerType);
    const std::string large = DocumentFile(10 * npar_bench::kTestsPerType);
    ProcessRun bestSmall, bestLarge;
    TimeSmallAndLarge(state, small, large, variant, bestSmall, bestLarge);
    state.counters["time_ratio"] = bestLarge.seconds / bestSmall.seconds;
    state.counters["memory_ratio"] = bestLarge.peakBytes / bestSmall.peakBytes;
    state.counters["size_ratio"] = FileBytes(large) / FileBytes(small);
}

// A data table of `columns` columns (v0, v1, ...) and 20 rows of whole
// numbers from 1 to 5, written once to a file.
std::string WideTableFile(int columns) {
    const std::string path = TemporaryFolder() + "/wide-" + std::to_string(columns) + ".csv";
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        std::ofstream out(path, std::ios::binary);
        for (int c = 0; c < columns; ++c) out << (c ? ",v" : "v") << c;
        out << '\n';
        for (int row = 0; row < 20; ++row) {
            for (int c = 0; c < columns; ++c) out << (c ? "," : "") << 1 + (row * 7 + c * 3) % 5;
            out << '\n';
        }
    }
    return path;
}

// npar-report running one test on a table of 5,000 columns and on one of
// 50,000: every column is a variable of every split's document, so the time
// may grow with the columns, but no faster (at most 11x).
void BM_WideTable(benchmark::State& state) {
    const Variant variant{"wide", {"--test", "one-sample v1 v2 v3", "--format", "text"}};
    ProcessRun bestNarrow, bestWide;
    TimeSmallAndLarge(state, WideTableFile(5000), WideTableFile(50000), variant, bestNarrow, bestWide);
    state.counters["wide_s"] = bestWide.seconds;
    state.counters["time_ratio"] = bestWide.seconds / bestNarrow.seconds;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("BM_JsonWithCharts", BM_JsonWithCharts)
        ->UseManualTime()
        ->Iterations(5)  // a run takes half a second: one alone would be the machine's mood
        ->Unit(benchmark::kMillisecond);
    for (const Variant& variant : Variants()) {
        benchmark::RegisterBenchmark(("BM_PeakMemory/" + std::string(variant.name)).c_str(),
                                     BM_PeakMemory, variant)
            ->UseManualTime()
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
    }
    for (const Variant& variant : Variants()) {
        benchmark::RegisterBenchmark(("BM_Linear/" + std::string(variant.name)).c_str(), BM_Linear,
                                     variant)
            ->UseManualTime()
            ->Iterations(2)  // the best of two runs of each size: one slow run is no trend
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_WideTable", BM_WideTable)
        ->UseManualTime()
        ->Iterations(2)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::string folder = TemporaryFolder();
    for (int tests : {npar_bench::kTestsPerType, 10 * npar_bench::kTestsPerType})
        std::remove(DocumentFile(tests).c_str());
    for (int columns : {5000, 50000}) std::remove(WideTableFile(columns).c_str());
    rmdir(folder.c_str());
    return 0;
}
