// The test engine's speed: reading a CSV table, and each one-sample test on
// 10^6 and 10^7 cases. scripts/bench-engine.sh runs the same tests in scipy
// and statsmodels on the same data (written by --write-data) and prints the
// ratios.
//
//   BM_ReadCsv/1000000          a generated table of 10^6 rows and 20 numeric
//                               columns; reports bytes_per_second
//   BM_<Test>/N                 one test on N cases held in memory, the way a
//                               split's document computes it
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "analysis/RequestResolver.h"
#include "analysis/TestRunner.h"
#include "engine/CsvReader.h"

namespace {

using namespace npar::engine;

// A table of numeric columns: "normal" (normal values with 3 decimals),
// "counts" (Poisson counts), "category" (5 values). Seeded, so every run and
// the scipy side see the same data.
struct BenchData {
    RunData data;
    std::vector<uint32_t> rows;
};

BenchData& DataOf(size_t n) {
    static std::map<size_t, std::unique_ptr<BenchData>> made;
    std::unique_ptr<BenchData>& slot = made[n];
    if (slot) return *slot;
    slot = std::make_unique<BenchData>();
    std::mt19937_64 random(20240611);
    std::normal_distribution<double> normal(50.0, 10.0);
    std::poisson_distribution<int> poisson(3.2);
    std::uniform_int_distribution<int> category(1, 5);
    std::vector<Column>& columns = slot->data.table.Columns();
    columns.resize(3);
    columns[0].name = "normal";
    columns[1].name = "counts";
    columns[2].name = "category";
    for (Column& column : columns) column.numbers.resize(n);
    for (size_t i = 0; i < n; ++i) {
        columns[0].numbers[i] = std::round(normal(random) * 1000.0) / 1000.0;
        columns[1].numbers[i] = poisson(random);
        columns[2].numbers[i] = category(random);
    }
    columns[0].allWhole = false;
    columns[0].decimals = 3;
    for (const Column& column : columns) {
        Variable variable;
        variable.name = column.name;
        variable.measure = column.name == "category" ? Measure::Nominal : Measure::Scale;
        slot->data.variables.push_back(variable);
    }
    slot->rows.resize(n);
    for (size_t i = 0; i < n; ++i) slot->rows[i] = static_cast<uint32_t>(i);
    return *slot;
}

void RunSpec(benchmark::State& state, const std::string& spec) {
    BenchData& bench = DataOf(static_cast<size_t>(state.range(0)));
    const std::vector<TestRequest> requests = ResolveTests({spec}, bench.data);
    const SplitData split{bench.data, bench.rows};
    for (auto _ : state) {
        TestResult result = RunTest(requests.front(), split);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ChiSquare(benchmark::State& state) { RunSpec(state, "chi-square category"); }
void BM_Binomial(benchmark::State& state) { RunSpec(state, "binomial normal cut=50 p=0.4"); }
void BM_Runs(benchmark::State& state) { RunSpec(state, "runs normal"); }
void BM_Wilcoxon(benchmark::State& state) { RunSpec(state, "wilcoxon normal median=50"); }
void BM_KsNormal(benchmark::State& state) { RunSpec(state, "ks normal dist=normal"); }
void BM_KsPoisson(benchmark::State& state) { RunSpec(state, "ks counts dist=poisson"); }
void BM_SuccessRate(benchmark::State& state) { RunSpec(state, "success-rate normal cut=50"); }

// A 10^6 x 20 CSV of numbers written with up to 3 decimals.
const std::string& CsvText() {
    static const std::string text = [] {
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> uniform(0.0, 1000.0);
        std::string csv;
        for (int c = 0; c < 20; ++c) csv += (c ? ",c" : "c") + std::to_string(c);
        csv += '\n';
        char cell[32];
        for (int r = 0; r < 1000000; ++r) {
            for (int c = 0; c < 20; ++c) {
                const int length = std::snprintf(cell, sizeof cell, c ? ",%.3f" : "%.3f", uniform(random));
                csv.append(cell, static_cast<size_t>(length));
            }
            csv += '\n';
        }
        return csv;
    }();
    return text;
}

void BM_ReadCsv(benchmark::State& state) {
    const std::string& text = CsvText();
    for (auto _ : state) {
        DataTable table = ReadCsv(text);
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

}  // namespace

BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
#define ENGINE_SIZES ->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_ChiSquare) ENGINE_SIZES;
BENCHMARK(BM_Binomial) ENGINE_SIZES;
BENCHMARK(BM_Runs) ENGINE_SIZES;
BENCHMARK(BM_Wilcoxon) ENGINE_SIZES;
BENCHMARK(BM_KsNormal) ENGINE_SIZES;
BENCHMARK(BM_KsPoisson) ENGINE_SIZES;
BENCHMARK(BM_SuccessRate) ENGINE_SIZES;

// --write-data FOLDER writes the benchmark's columns as raw doubles
// (normal-N.f64, counts-N.f64, category-N.f64) for the scipy side, then exits.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-data") == 0) {
        for (size_t n : {size_t{1000000}, size_t{10000000}}) {
            const BenchData& bench = DataOf(n);
            for (const Column& column : bench.data.table.Columns()) {
                std::ofstream out(std::string(argv[2]) + "/" + column.name + "-" + std::to_string(n) + ".f64",
                                  std::ios::binary);
                out.write(reinterpret_cast<const char*>(column.numbers.data()),
                          static_cast<std::streamsize>(column.numbers.size() * sizeof(double)));
            }
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
