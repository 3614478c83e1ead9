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

namespace {

// Row n of Pascal's triangle, C(n, 0) .. C(n, n); exact in doubles up to n = 56.
std::vector<double> BinomialRow(size_t n) {
    std::vector<double> row(n + 1, 0.0);
    row[0] = 1.0;
    for (size_t i = 1; i <= n; ++i)
        for (size_t k = i; k >= 1; --k) row[k] += row[k - 1];
    return row;
}

double Choose(const std::vector<double>& row, size_t k) { return k < row.size() ? row[k] : 0.0; }

std::vector<double> Convolve(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> result(a.size() + b.size() - 1, 0.0);
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == 0) continue;
        for (size_t j = 0; j < b.size(); ++j) result[i + j] += a[i] * b[j];
    }
    return result;
}

}  // namespace

std::vector<double> RunsDistribution(size_t m, size_t n) {
    // With s runs of each kind (r = 2s) the m cases split into s nonempty
    // runs in C(m-1, s-1) ways, and likewise the n cases; the order starts
    // with either kind. With r = 2s + 1 one kind has s + 1 runs.
    std::vector<double> distribution(m + n + 1, 0.0);
    if (m == 0 || n == 0) return distribution;
    const std::vector<double> first = BinomialRow(m - 1), second = BinomialRow(n - 1);
    const double orders = Choose(BinomialRow(m + n), m);
    for (size_t r = 2; r <= m + n; ++r) {
        const size_t s = r / 2;
        const double ways = r % 2 == 0 ? 2.0 * Choose(first, s - 1) * Choose(second, s - 1)
                                       : Choose(first, s - 1) * Choose(second, s) +
                                             Choose(first, s) * Choose(second, s - 1);
        distribution[r] = ways / orders;
    }
    return distribution;
}

std::vector<double> JonckheereDistribution(const std::vector<size_t>& sizes) {
    std::vector<double> distribution = {1.0};
    size_t later = 0;
    for (size_t i = sizes.size(); i-- > 0;) {
        if (later > 0 && sizes[i] > 0)
            distribution = Convolve(distribution, MannWhitneyDistribution(sizes[i], later));
        later += sizes[i];
    }
    return distribution;
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
