// Time to read the scaled result document, make all its tables and write them
// as JSON, beside the time pugixml alone takes to parse the same text. Charts
// are left out in this program (DEBUG_MODEL_VIEWER=2, as --no-charts sets it;
// the plug-in reads the setting once per process); bench_output has them.
//
//   BM_PugixmlParse     pugixml's parse of the document text
//   BM_FindTests        the host's search for the tests' places in the text, the
//                       first step of reading them one at a time (part of BM_Read)
//   BM_Read             the plug-in's reader: document to records (goal: 3x the parse)
//   BM_ReadAndTables    one split through the plug-in: reading and every table
//   BM_JsonNoCharts     reading, tables and the JSON writer, as --format json
//                       --no-charts runs them (goal: 10x the parse)
//   BM_JsonWriter       the JSON writer alone on that output (NPAR_THREADS
//                       sets its threads)
// Each reports "ratio_to_parse": its time over pugixml's parse of the same
// text, both timed in the same iterations.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "CFProcCustom.h"
#include "NOPRParseOutXML.h"
#include "QUOR_DataSource.h"
#include "SDOMXMLWrapper.h"

namespace {

using npar_bench::Clock;
using npar_bench::ScaledDocument;
using npar_bench::Seconds;

void Report(benchmark::State& state, double seconds, double parseSeconds) {
    state.counters["ratio_to_parse"] = parseSeconds > 0 ? seconds / parseSeconds : 0;
    state.counters["document_MB"] = double(ScaledDocument().size()) / 1e6;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(ScaledDocument().size()));
}

// Times work(state) in each iteration beside pugixml's parse of the document,
// so that a busy machine slows both alike.
template <typename Work>
void CompareWithParse(benchmark::State& state, Work work) {
    ScaledDocument();  // generated outside the timed loop
    npar_bench::ScaledDataSource();
    double seconds = 0;
    double parseSeconds = 0;
    for (auto _ : state) {
        parseSeconds += npar_bench::TimeParse(ScaledDocument());
        const auto start = Clock::now();
        work(state);
        const double elapsed = Seconds(start, Clock::now());
        seconds += elapsed;
        state.SetIterationTime(elapsed);
    }
    Report(state, seconds, parseSeconds);
}

void BM_PugixmlParse(benchmark::State& state) {
    ScaledDocument();
    for (auto _ : state) state.SetIterationTime(npar_bench::TimeParse(ScaledDocument()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(ScaledDocument().size()));
}

void BM_FindTests(benchmark::State& state) {
    std::vector<SDOMXMLRange> ranges;
    CompareWithParse(state, [&ranges](benchmark::State& state) {
        if (!SDOMXMLFindChildren(ScaledDocument(), "Extension/NPAROutput/NonParametricTests",
                                 "Algorithm", ranges))
            state.SkipWithError("the tests were not found");
        benchmark::DoNotOptimize(ranges.data());
    });
    state.counters["tests"] = double(ranges.size());
}

void BM_Read(benchmark::State& state) {
    CompareWithParse(state, [](benchmark::State& state) {
        NOPRSplitResults results;
        NOPRParseOutXML reader(&npar_bench::ScaledDataSource(), &results, &ScaledDocument());
        if (!reader.Parse()) state.SkipWithError("the document could not be read");
        benchmark::DoNotOptimize(results.fTests.size());
    });
}

void BM_ReadAndTables(benchmark::State& state) {
    size_t items = 0;
    CompareWithParse(state, [&items](benchmark::State& state) {
        npar::OutputDocument output;
        if (!npar_bench::RunPlugin(output)) state.SkipWithError("the split failed");
        items = output.Root().children.size();
    });
    state.counters["top_level_items"] = double(items);
}

void BM_JsonNoCharts(benchmark::State& state) {
    size_t bytes = 0;
    CompareWithParse(state, [&bytes](benchmark::State& state) {
        bytes = npar_bench::StreamJsonCounting();
        if (bytes == 0) state.SkipWithError("the split failed");
    });
    state.counters["output_MB"] = double(bytes) / 1e6;
}

// The JSON writer alone, on the plug-in's output made once.
void BM_JsonWriter(benchmark::State& state) {
    npar::OutputDocument output;
    if (!npar_bench::RunPlugin(output)) state.SkipWithError("the split failed");
    size_t bytes = 0;
    CompareWithParse(
        state, [&bytes, &output](benchmark::State&) { bytes = npar_bench::WriteJsonCounting(output); });
    state.counters["output_MB"] = double(bytes) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("DEBUG_MODEL_VIEWER", "2", 1);  // tables only
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

BENCHMARK(BM_PugixmlParse)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindTests)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndTables)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonNoCharts)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonWriter)->UseManualTime()->Unit(benchmark::kMillisecond);
