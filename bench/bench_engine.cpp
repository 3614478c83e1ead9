// The test engine's speed: reading a CSV table, and each test on 10^6 and
// 10^7 cases (two and twenty groups for the independent-samples tests). scripts/bench-engine.sh runs the
// same tests in scipy and statsmodels on the same data (written by --write-data) and prints the ratios.
//
//   BM_ReadCsv/1000000          a generated table of 10^6 rows and 20 numeric
//                               columns; reports bytes_per_second
//   BM_<Test>/N                 one test on N cases held in memory, the way a
//                               split's document computes it (the k-sample
//                               tests without their comparisons)
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
// "counts" (Poisson counts), "category" (5 values), "after" and "third"
// (the normal values plus a shift and noise: related measures), "g2" and
// "g20" (2 and 20 groups). Seeded, so every run and the scipy side see the
// same data.
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
    std::normal_distribution<double> noise(0.0, 5.0);
    std::uniform_int_distribution<int> twenty(1, 20);
    std::vector<Column>& columns = slot->data.table.Columns();
    const char* names[] = {"normal", "counts", "category", "after", "third", "g2", "g20"};
    columns.resize(std::size(names));
    for (size_t c = 0; c < columns.size(); ++c) {
        columns[c].name = names[c];
        columns[c].numbers.resize(n);
    }
    const auto rounded = [](double v) { return std::round(v * 1000.0) / 1000.0; };
    for (size_t i = 0; i < n; ++i) {
        const double value = rounded(normal(random));
        columns[0].numbers[i] = value;
        columns[1].numbers[i] = poisson(random);
        columns[2].numbers[i] = category(random);
        columns[3].numbers[i] = rounded(value + 1.0 + noise(random));
        columns[4].numbers[i] = rounded(value + 0.5 + noise(random));
        columns[5].numbers[i] = 1 + (i % 2);
        columns[6].numbers[i] = twenty(random);
    }
    for (size_t c : {0, 3, 4}) {
        columns[c].allWhole = false;
        columns[c].decimals = 3;
    }
    for (const Column& column : columns) {
        Variable variable;
        variable.name = column.name;
        variable.measure =
            column.name[0] == 'g' || column.name == "category" ? Measure::Nominal : Measure::Scale;
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

void BM_Sign(benchmark::State& state) { RunSpec(state, "sign normal after"); }
void BM_RelatedWilcoxon(benchmark::State& state) { RunSpec(state, "wilcoxon normal after"); }
void BM_Friedman(benchmark::State& state) { RunSpec(state, "friedman normal after third compare=none"); }
void BM_RelatedHodgesLehmann(benchmark::State& state) { RunSpec(state, "hodges-lehmann normal after"); }

void BM_MannWhitney(benchmark::State& state) { RunSpec(state, "mann-whitney normal by g2"); }
void BM_TwoSampleKs(benchmark::State& state) { RunSpec(state, "ks normal by g2"); }
void BM_WaldWolfowitz(benchmark::State& state) { RunSpec(state, "wald-wolfowitz normal by g2"); }
void BM_Moses(benchmark::State& state) { RunSpec(state, "moses normal by g2"); }
void BM_IndependentHodgesLehmann(benchmark::State& state) {
    RunSpec(state, "hodges-lehmann normal by g2");
}
void BM_KruskalWallis2(benchmark::State& state) {
    RunSpec(state, "kruskal-wallis normal by g2 compare=none");
}
void BM_KruskalWallis20(benchmark::State& state) {
    RunSpec(state, "kruskal-wallis normal by g20 compare=none");
}
void BM_Jonckheere20(benchmark::State& state) {
    RunSpec(state, "jonckheere-terpstra normal by g20 compare=none");
}
void BM_Median2(benchmark::State& state) { RunSpec(state, "median normal by g2 compare=none"); }
void BM_Median20(benchmark::State& state) { RunSpec(state, "median normal by g20 compare=none"); }

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
                const int length =
                    std::snprintf(cell, sizeof cell, c ? ",%.3f" : "%.3f", uniform(random));
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
BENCHMARK(BM_Sign) ENGINE_SIZES;
BENCHMARK(BM_RelatedWilcoxon) ENGINE_SIZES;
BENCHMARK(BM_Friedman) ENGINE_SIZES;
BENCHMARK(BM_RelatedHodgesLehmann) ENGINE_SIZES;
BENCHMARK(BM_MannWhitney) ENGINE_SIZES;
BENCHMARK(BM_TwoSampleKs) ENGINE_SIZES;
BENCHMARK(BM_WaldWolfowitz) ENGINE_SIZES;
BENCHMARK(BM_Moses) ENGINE_SIZES;
BENCHMARK(BM_IndependentHodgesLehmann) ENGINE_SIZES;
BENCHMARK(BM_KruskalWallis2) ENGINE_SIZES;
BENCHMARK(BM_KruskalWallis20) ENGINE_SIZES;
BENCHMARK(BM_Jonckheere20) ENGINE_SIZES;
BENCHMARK(BM_Median2) ENGINE_SIZES;
BENCHMARK(BM_Median20) ENGINE_SIZES;

// --write-data FOLDER writes the benchmark's columns as raw doubles
// (normal-N.f64, counts-N.f64, category-N.f64) for the scipy side, then exits.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-data") == 0) {
        for (size_t n : {size_t{1000000}, size_t{10000000}}) {
            const BenchData& bench = DataOf(n);
            for (const Column& column : bench.data.table.Columns()) {
                std::ofstream out(
                    std::string(argv[2]) + "/" + column.name + "-" + std::to_string(n) + ".f64",
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
