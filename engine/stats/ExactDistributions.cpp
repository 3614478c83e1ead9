// Exact distributions by recurrence over counts of arrangements.
#include "stats/ExactDistributions.h"

#include <algorithm>
#include <cmath>

namespace npar::engine::stats {

std::vector<double> SignedRankDistribution(size_t n) {
    // counts[w]: the number of subsets of {1..k} whose ranks sum to w, built
    // up one rank at a time.
    const size_t maximum = n * (n + 1) / 2;
    std::vector<double> counts(maximum + 1, 0.0);
    counts[0] = 1.0;
    size_t reach = 0;
    for (size_t k = 1; k <= n; ++k) {
        reach += k;
        for (size_t w = reach; w >= k; --w) counts[w] += counts[w - k];
    }
    const double total = std::ldexp(1.0, static_cast<int>(n));
    for (double& count : counts) count /= total;
    return counts;
}

std::vector<double> MannWhitneyDistribution(size_t m, size_t n) {
    // Frequencies of U over arrangements, by the recurrence of Mann and
    // Whitney: f(u; i, j) = f(u - j; i - 1, j) + f(u; i, j - 1), kept as
    // probabilities so that large counts never overflow.
    const size_t small = std::min(m, n);
    const size_t large = std::max(m, n);
    // table[j][u] for the current i.
    std::vector<std::vector<double>> table(large + 1);
    for (size_t j = 0; j <= large; ++j) table[j] = {1.0};  // i = 0: U = 0 surely
    for (size_t i = 1; i <= small; ++i) {
        std::vector<std::vector<double>> next(large + 1);
        next[0] = {1.0};  // j = 0: U = 0 surely
        for (size_t j = 1; j <= large; ++j) {
            // P(u; i, j) = i/(i+j) P(u - j; i-1, j) + j/(i+j) P(u; i, j-1)
            std::vector<double> row(i * j + 1, 0.0);
            const double a = static_cast<double>(i) / static_cast<double>(i + j);
            const double b = static_cast<double>(j) / static_cast<double>(i + j);
            for (size_t u = 0; u < table[j].size(); ++u) row[u + j] += a * table[j][u];
            for (size_t u = 0; u < next[j - 1].size(); ++u) row[u] += b * next[j - 1][u];
            next[j] = std::move(row);
        }
        table = std::move(next);
    }
    return table[large];
}

double ExactLowerTail(const std::vector<double>& distribution, double observed) {
    double sum = 0;
    for (size_t w = 0; w < distribution.size() && static_cast<double>(w) <= observed + 1e-9; ++w)
        sum += distribution[w];
    return std::min(1.0, sum);
}

double ExactUpperTail(const std::vector<double>& distribution, double observed) {
    double sum = 0;
    for (size_t w = distribution.size(); w-- > 0 && static_cast<double>(w) >= observed - 1e-9;)
        sum += distribution[w];
    return std::min(1.0, sum);
}

double ExactTwoSided(const std::vector<double>& distribution, double observed) {
    return std::min(1.0, 2.0 * std::min(ExactLowerTail(distribution, observed),
                                        ExactUpperTail(distribution, observed)));
}

}  // namespace npar::engine::stats
