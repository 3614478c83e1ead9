// Time to read a large result document and make all its tables, beside the
// time pugixml alone takes to parse the same text.
//
//   BM_PugixmlParse     pugixml's parse of the document text
//   BM_Read             the plug-in's reader: document to records
//   BM_ReadAndTables    one split through the plug-in: reading and every table
// Each reports "ratio_to_parse": its time over pugixml's parse of the same
// text, both timed in the same iterations.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include <pugixml.hpp>

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "LargeDocument.h"
#include "NOPRParseOutXML.h"
#include "NOPRProcCustom.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"

namespace {

constexpr int kTestsPerType = 500;
constexpr int kFields = 200;

const std::string& Document() {
    static const std::string document = npar_bench::MakeLargeDocument(kTestsPerType, kFields);
    return document;
}

ProcedureDataSource& DataSource() {
    static ProcedureDataSource* dataSource = [] {
        auto* made = new ProcedureDataSource();
        for (int i = 0; i <= kFields; ++i) {
            QUOR_Variable variable("field" + std::to_string(i), "Field " + std::to_string(i), 0,
                                   QUOR_Format(QUOR_Format::F, 8, i % 2 ? 0 : 2));
            if (i % 2)
                for (int v = 1; v <= 5; ++v)
                    variable.ValueLabels().Add(OBS(double(v)), "Level " + std::to_string(v));
            made->AddVariable(variable);
        }
        return made;
    }();
    return *dataSource;
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// pugixml's parse of the document, timed in the same iteration as the work it
// is compared with, so that a busy machine slows both alike.
double TimeParse() {
    const auto start = Clock::now();
    pugi::xml_document dom;
    dom.load_buffer(Document().data(), Document().size());
    return Seconds(start, Clock::now());
}

void Report(benchmark::State& state, double seconds, double parseSeconds) {
    state.counters["ratio_to_parse"] = parseSeconds > 0 ? seconds / parseSeconds : 0;
    state.counters["document_MB"] = double(Document().size()) / 1e6;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Document().size()));
}

void BM_PugixmlParse(benchmark::State& state) {
    Document();  // generated outside the timed loop
    for (auto _ : state) state.SetIterationTime(TimeParse());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Document().size()));
}

void BM_Read(benchmark::State& state) {
    Document();
    double seconds = 0;
    double parseSeconds = 0;
    for (auto _ : state) {
        parseSeconds += TimeParse();
        const auto start = Clock::now();
        NOPRSplitResults results;
        NOPRParseOutXML reader(&DataSource(), &results, &Document());
        if (!reader.Parse()) state.SkipWithError("the document could not be read");
        benchmark::DoNotOptimize(results.fTests.size());
        const double elapsed = Seconds(start, Clock::now());
        seconds += elapsed;
        state.SetIterationTime(elapsed);
    }
    Report(state, seconds, parseSeconds);
}

void BM_ReadAndTables(benchmark::State& state) {
    setenv("DEBUG_MODEL_VIEWER", "2", 1);  // tables only
    npar::Catalogue catalogue;
    catalogue.Load(std::string(NPAR_SOURCE_DIR) + "/resources/catalogue/en.txt");
    PathFactory::SetResourceDirectory(std::string(NPAR_SOURCE_DIR) + "/resources");
    Document();
    DataSource();
    double seconds = 0;
    double parseSeconds = 0;
    size_t items = 0;
    for (auto _ : state) {
        parseSeconds += TimeParse();
        const auto start = Clock::now();
        npar::OutputDocument output;
        BpProcedure procedure(output, catalogue);
        procedure.SetDataSource(&DataSource());
        NOPRProcCustom plugin(&procedure, &DataSource());
        CFSplit split(Document(), {}, {}, false);
        std::vector<CFSplit*> splits{&split};
        std::vector<std::string> pmml;
        if (!plugin.ProcessSplits(pmml, splits, nullptr)) state.SkipWithError("the split failed");
        items = output.Root().children.size();
        const double elapsed = Seconds(start, Clock::now());
        seconds += elapsed;
        state.SetIterationTime(elapsed);
        CFTakeCheckReports();
    }
    state.counters["top_level_items"] = double(items);
    Report(state, seconds, parseSeconds);
}

}  // namespace

BENCHMARK(BM_PugixmlParse)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndTables)->UseManualTime()->Unit(benchmark::kMillisecond);
