// Selecting order statistics without sorting: the k-th value and the
// partition about it must be what a full sort gives, ties and all.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

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
