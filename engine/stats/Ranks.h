// Average ranks over ties, computed once per sample by sorting.
#pragma once

#include <cstddef>
#include <vector>

namespace npar::engine::stats {

struct Ranking {
    std::vector<double> ranks;  // rank of each value in input order, ties averaged
    double tieSum = 0;          // the sum of t^3 - t over the groups of t tied values
    bool hasTies = false;
};

// Ranks 1..n of values (no NaN); tied values share their average rank.
Ranking AverageRanks(const std::vector<double>& values);

// The sum of t^3 - t over the groups of equal values of sorted (ascending).
double TieSumOfSorted(const std::vector<double>& sorted);

}  // namespace npar::engine::stats
