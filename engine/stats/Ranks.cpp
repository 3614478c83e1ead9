// Average ranks.
#include "stats/Ranks.h"

#include <algorithm>
#include <numeric>

namespace npar::engine::stats {

Ranking AverageRanks(const std::vector<double>& values) {
    const size_t n = values.size();
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return values[a] < values[b]; });
    Ranking ranking;
    ranking.ranks.resize(n);
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        while (j < n && values[order[j]] == values[order[i]]) ++j;
        const double rank = (static_cast<double>(i) + static_cast<double>(j) + 1.0) / 2.0;
        for (size_t k = i; k < j; ++k) ranking.ranks[order[k]] = rank;
        const double t = static_cast<double>(j - i);
        if (j - i > 1) {
            ranking.tieSum += t * t * t - t;
            ranking.hasTies = true;
        }
        i = j;
    }
    return ranking;
}

double TieSumOfSorted(const std::vector<double>& sorted) {
    double sum = 0;
    for (size_t i = 0; i < sorted.size();) {
        size_t j = i + 1;
        while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
        const double t = static_cast<double>(j - i);
        sum += t * t * t - t;
        i = j;
    }
    return sum;
}

}  // namespace npar::engine::stats
