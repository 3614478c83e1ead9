// Selecting order statistics without sorting: the k-th value and the
// partition about it must be what a full sort gives, ties and all.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "EngineFixture.h"
#include "engine/CsvReader.h"
#include "stats/Descriptives.h"

TEST(Selection, FindsTheKthValueAsSortingDoes) {
    std::mt19937_64 random(5);
    for (size_t n : {1u, 2u, 7u, 600u, 601u, 5000u, 100000u}) {
        for (int distinct : {3, 1000000}) {
            std::uniform_int_distribution<int> draw(0, distinct);
            std::vector<double> values(n);
            for (double& v : values) v = draw(random) / 7.0;
            std::vector<double> sorted = values;
            std::sort(sorted.begin(), sorted.end());
            for (size_t k : {size_t{0}, n / 3, n / 2, n - 1}) {
                std::vector<double> selected = values;
                npar::engine::stats::Select(selected, 0, n, k);
                ASSERT_EQ(selected[k], sorted[k]) << "n " << n << " k " << k;
                EXPECT_TRUE(std::all_of(selected.begin(), selected.begin() + static_cast<long>(k),
                                        [&](double v) { return v <= selected[k]; }));
                EXPECT_TRUE(std::all_of(selected.begin() + static_cast<long>(k), selected.end(),
                                        [&](double v) { return v >= selected[k]; }));
            }
            const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
            EXPECT_EQ(npar::engine::stats::Median(values), median) << n;
        }
    }
}

TEST(Selection, OrderStatisticsOfSeveralPartsAreThoseOfTheSortedPool) {
    // Skewed, tied, signed-zero and infinite values, in one part or many:
    // the histogram's buckets must never misplace a rank.
    std::mt19937_64 random(11);
    std::exponential_distribution<double> skewed(0.01);
    const auto draw = [&](int kind) {
        switch (kind) {
            case 0:
                return skewed(random);  // a long right tail: most values in few buckets
            case 1:
                return static_cast<double>(random() % 4) - 1.5;  // four values, heavily tied
            case 2:
                return random() % 2 ? 0.0 : -0.0;
            default:
                return random() % 1000 == 0 ? -std::numeric_limits<double>::infinity()
                                            : static_cast<double>(random() % 100);
        }
    };
    for (int kind = 0; kind < 4; ++kind) {
        for (size_t n : {3u, 300u, 20001u}) {
            std::vector<std::vector<double>> parts(kind + 1);
            std::vector<double> pooled;
            for (size_t i = 0; i < n; ++i) {
                const double v = kind == 1 && i == n / 2 ? 1e300 : draw(kind);  // one far outlier
                parts[i % parts.size()].push_back(v);
                pooled.push_back(v);
            }
            std::sort(pooled.begin(), pooled.end());
            std::vector<const std::vector<double>*> pointers;
            for (const auto& part : parts) pointers.push_back(&part);
            const std::vector<size_t> ranks = {0, n / 4, n / 4, n / 2, n - 2, n - 1};
            const std::vector<double> found = npar::engine::stats::OrderStatistics(pointers, ranks);
            for (size_t r = 0; r < ranks.size(); ++r)
                EXPECT_EQ(found[r], pooled[ranks[r]])
                    << "kind " << kind << " n " << n << " rank " << ranks[r];
            const double median = n % 2 ? pooled[n / 2] : (pooled[n / 2 - 1] + pooled[n / 2]) / 2;
            EXPECT_EQ(npar::engine::stats::MedianOfParts(pointers), median);
        }
    }
}

TEST(Selection, BoxValuesAreRsBoxplotStats) {
    // R: boxplot.stats(x) on the data sets columns (tests/engine/data),
    // with which(x %in% out) for the outliers' case numbers.
    const auto column = [](const std::string& file, const std::string& name) {
        const npar::engine::DataTable table = npar::engine::ReadCsv(enginetest::DataFile(file));
        return table.At(static_cast<size_t>(table.Find(name))).numbers;
    };
    const auto cases = [](size_t n) {
        std::vector<double> numbers(n);
        for (size_t i = 0; i < n; ++i) numbers[i] = static_cast<double>(i + 1);
        return numbers;
    };
    const struct {
        std::vector<double> values;
        std::vector<double> box, outliers, outlierCases;
    } sets[] = {
        {column("precip.csv", "precip"),
         {11.5, 29.1, 36.6, 42.8, 59.8},
         {7, 7.2, 7.8, 7.8, 67},
         {3, 36, 39, 59, 1}},
        {column("morley.csv", "Speed"), {720, 805, 850, 895, 1000}, {620, 650, 1070}, {47, 14, 4}},
    };
    for (const auto& set : sets) {
        const npar::engine::stats::BoxValues box =
            npar::engine::stats::Box(set.values, cases(set.values.size()));
        EXPECT_EQ((std::vector<double>{box.lowerWhisker, box.lowerHinge, box.median, box.upperHinge,
                                       box.upperWhisker}),
                  set.box);
        EXPECT_EQ(box.outliers, set.outliers);  // ascending
        EXPECT_EQ(box.outlierCases, set.outlierCases);
    }
}
