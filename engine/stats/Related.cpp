// The related-samples tests' statistics.
#include "stats/Related.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "stats/Distributions.h"
#include "stats/ExactDistributions.h"
#include "stats/OneSample.h"
#include "stats/Ranks.h"

namespace npar::engine::stats {
namespace {

// The columns a test takes of a table of k columns: those given, or all.
std::vector<size_t> ChosenColumns(const std::vector<size_t>& columns, size_t k) {
    if (!columns.empty()) return columns;
    std::vector<size_t> all(k);
    for (size_t j = 0; j < k; ++j) all[j] = j;
    return all;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Doubles mapped to unsigned integers in the same order (-0 just below +0),
// so that a bisection over the integers visits every double between two.
uint64_t OrderKey(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits >> 63) ? ~bits : (bits | 0x8000000000000000ULL);
}

double FromOrderKey(uint64_t key) {
    const uint64_t bits = (key >> 63) ? (key & 0x7fffffffffffffffULL) : ~key;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The number of Walsh averages (x_i + x_j)/2, i <= j, of sorted values that
// are at most t. The average is computed as the list of them would be, so the
// count agrees with sorting that list.
uint64_t WalshCountAtMost(const std::vector<double>& sorted, double t) {
    const size_t n = sorted.size();
    uint64_t count = 0;
    size_t j = n;  // one past the largest partner of x_i whose average is <= t
    for (size_t i = 0; i < n; ++i) {
        while (j > i && (sorted[i] + sorted[j - 1]) / 2 > t) --j;
        if (j <= i) break;
        count += j - i;
    }
    return count;
}

}  // namespace

SignResult SignTest(const std::vector<double>& differences) {
    SignResult result;
    for (double d : differences) {
        if (d > 0)
            ++result.positive;
        else if (d < 0)
            ++result.negative;
        else
            ++result.ties;
    }
    result.n = result.positive + result.negative;
    if (result.n == 0) return result;
    const double n = static_cast<double>(result.n);
    result.standardError = std::sqrt(n) / 2.0;
    const double deviation = static_cast<double>(result.positive) - n / 2.0;
    const double corrected = std::max(std::fabs(deviation) - 0.5, 0.0);
    result.z = (deviation < 0 ? -corrected : corrected) / result.standardError;
    result.asymptotic = NormalTwoSided(result.z);
    if (result.n <= kSignExactLimit) {
        result.exact = true;
        result.exactSignificance =
            BinomialTwoSided(static_cast<int64_t>(result.positive), static_cast<int64_t>(result.n), 0.5);
    }
    return result;
}

McNemarResult McNemar(double b, double c) {
    McNemarResult result;
    const double discordant = b + c;
    // The continuity correction never carries the difference past 0: equal
    // counts give 0 (as R mcnemar.test), not 1/(b + c).
    const double corrected = std::max(std::fabs(b - c) - 1.0, 0.0);
    result.statistic = corrected * corrected / discordant;
    result.asymptotic = ChiSquareSf(result.statistic, 1);
    if (discordant <= kMcNemarExactLimit) {
        result.exact = true;
        result.exactSignificance =
            std::min(1.0, 2.0 * BinomialCdf(static_cast<int64_t>(std::min(b, c)),
                                            static_cast<int64_t>(discordant), 0.5));
    }
    return result;
}

MarginalHomogeneityResult MarginalHomogeneity(const std::vector<std::vector<double>>& table) {
    MarginalHomogeneityResult result;
    double variance = 0;
    for (size_t r = 0; r < table.size(); ++r) {
        for (size_t c = 0; c < table[r].size(); ++c) {
            if (r == c) continue;
            const double count = table[r][c];
            const double rowScore = static_cast<double>(r + 1), columnScore = static_cast<double>(c + 1);
            result.offDiagonal += count;
            result.observed += count * rowScore;
            result.mean += count * (rowScore + columnScore) / 2.0;
            variance += count * (rowScore - columnScore) * (rowScore - columnScore) / 4.0;
        }
    }
    result.standardDeviation = std::sqrt(variance);
    if (variance > 0) {
        result.z = (result.observed - result.mean) / result.standardDeviation;
        result.significance = NormalTwoSided(result.z);
    } else {
        result.z = result.significance = kNaN;
    }
    return result;
}

CochranResult CochranQ(const std::vector<uint8_t>& successes, size_t k,
                       const std::vector<size_t>& columns) {
    const std::vector<size_t> chosen = ChosenColumns(columns, k);
    CochranResult result;
    result.k = chosen.size();
    result.n = k == 0 ? 0 : successes.size() / k;
    result.successes.assign(result.k, 0.0);
    double total = 0, rowSquares = 0;
    for (size_t i = 0; i < result.n; ++i) {
        double row = 0;
        for (size_t j = 0; j < result.k; ++j) {
            const double success = successes[i * k + chosen[j]] ? 1.0 : 0.0;
            result.successes[j] += success;
            row += success;
        }
        total += row;
        rowSquares += row * row;
    }
    const double kk = static_cast<double>(result.k);
    double columnSquares = 0;
    for (double c : result.successes) columnSquares += c * c;
    result.df = kk - 1;
    result.denominator = kk * total - rowSquares;
    if (result.denominator > 0) {
        result.statistic = (kk - 1) * (kk * columnSquares - total * total) / result.denominator;
        result.significance = ChiSquareSf(result.statistic, result.df);
    } else {
        result.statistic = result.significance = kNaN;
    }
    return result;
}

double CochranPairStandardError(const CochranResult& result) {
    const double n = static_cast<double>(result.n), k = static_cast<double>(result.k);
    return std::sqrt(2.0 * result.denominator / (n * n * k * (k - 1)));
}

RowRanks RanksWithinCases(const std::vector<double>& values, size_t k,
                          const std::vector<size_t>& columns) {
    const std::vector<size_t> chosen = ChosenColumns(columns, k);
    RowRanks result;
    result.k = chosen.size();
    result.n = k == 0 ? 0 : values.size() / k;
    result.ranks.resize(result.n * result.k);
    std::vector<double> row(result.k);
    for (size_t i = 0; i < result.n; ++i) {
        for (size_t j = 0; j < result.k; ++j) row[j] = values[i * k + chosen[j]];
        double* ranks = &result.ranks[i * result.k];
        if (result.k <= 16) {
            // Few fields: count the smaller and the equal values directly.
            for (size_t j = 0; j < result.k; ++j) {
                double below = 0, equal = 0;
                for (size_t l = 0; l < result.k; ++l) {
                    below += row[l] < row[j];
                    equal += row[l] == row[j];
                }
                ranks[j] = below + (equal + 1.0) / 2.0;
                result.tieSum += equal * equal - 1.0;  // t of them make t^3 - t
            }
        } else {
            const Ranking ranking = AverageRanks(row);
            std::copy(ranking.ranks.begin(), ranking.ranks.end(), ranks);
            result.tieSum += ranking.tieSum;
        }
    }
    return result;
}

FriedmanResult Friedman(const RowRanks& ranks) {
    FriedmanResult result;
    result.n = ranks.n;
    result.k = ranks.k;
    const double n = static_cast<double>(ranks.n), k = static_cast<double>(ranks.k);
    std::vector<double> sums(ranks.k, 0.0);
    for (size_t i = 0; i < ranks.n; ++i)
        for (size_t j = 0; j < ranks.k; ++j) sums[j] += ranks.ranks[i * ranks.k + j];
    double squares = 0;
    for (size_t j = 0; j < ranks.k; ++j) {
        result.meanRanks.push_back(sums[j] / n);
        const double deviation = sums[j] - n * (k + 1) / 2.0;
        squares += deviation * deviation;
    }
    result.df = k - 1;
    const double denominator = n * k * (k + 1) - ranks.tieSum / (k - 1);
    // The tie sum is a sum of whole numbers: a case tied in every field adds
    // exactly k^3 - k, so all cases tied give exactly 0.
    if (denominator > 0 && n > 0) {
        result.statistic = 12.0 * squares / denominator;
        result.significance = ChiSquareSf(result.statistic, result.df);
        result.kendallsW = result.statistic / (n * (k - 1));
    } else {
        result.statistic = result.significance = result.kendallsW = kNaN;
    }
    return result;
}

double FriedmanPairStandardError(const FriedmanResult& result) {
    const double n = static_cast<double>(result.n), k = static_cast<double>(result.k);
    return std::sqrt(k * (k + 1) / (6.0 * n));
}

double WalshOrderStatistic(const std::vector<double>& sorted, uint64_t k) {
    const size_t n = sorted.size();
    const uint64_t total = static_cast<uint64_t>(n) * (n + 1) / 2;
    k = std::clamp<uint64_t>(k, 1, total);
    if (total <= (uint64_t{1} << 22)) {
        std::vector<double> averages;
        averages.reserve(total);
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i; j < n; ++j) averages.push_back((sorted[i] + sorted[j]) / 2);
        std::nth_element(averages.begin(), averages.begin() + static_cast<std::ptrdiff_t>(k - 1),
                         averages.end());
        return averages[k - 1] + 0.0;
    }
    // Many averages: bisect over the doubles between the smallest and the
    // largest average for the smallest t with at least k averages <= t. The
    // count only grows at averages, so t is one of them.
    uint64_t low = OrderKey(sorted.front()), high = OrderKey(sorted.back());
    while (low < high) {
        const uint64_t middle = low + (high - low) / 2;
        if (WalshCountAtMost(sorted, FromOrderKey(middle)) >= k)
            high = middle;
        else
            low = middle + 1;
    }
    return FromOrderKey(low) + 0.0;
}

HodgesLehmannResult PairedHodgesLehmann(const std::vector<double>& differences, double level) {
    HodgesLehmannResult result;
    std::vector<double> sorted;
    sorted.reserve(differences.size());
    for (double d : differences)
        if (d != 0) sorted.push_back(d);
    std::sort(sorted.begin(), sorted.end());
    result.n = sorted.size();
    if (result.n == 0) return result;
    const uint64_t m = static_cast<uint64_t>(result.n) * (result.n + 1) / 2;
    result.estimate =
        m % 2 == 1 ? WalshOrderStatistic(sorted, (m + 1) / 2)
                   : (WalshOrderStatistic(sorted, m / 2) + WalshOrderStatistic(sorted, m / 2 + 1)) / 2;

    std::vector<double> magnitudes(sorted.size());
    std::transform(sorted.begin(), sorted.end(), magnitudes.begin(),
                   [](double d) { return std::fabs(d); });
    std::sort(magnitudes.begin(), magnitudes.end());
    const bool ties = std::adjacent_find(magnitudes.begin(), magnitudes.end()) != magnitudes.end();
    result.exact = result.n <= kSignedRankExactLimit && !ties;

    const double alpha = 1.0 - level;
    uint64_t q = 0;
    if (result.exact) {
        // qsignrank(alpha/2, n): the smallest w with P(W+ <= w) >= alpha/2
        // (with R's allowance of 10 machine epsilons).
        const std::vector<double> distribution = SignedRankDistribution(result.n);
        const double target = alpha / 2 - 10 * DBL_EPSILON;
        double cumulative = 0;
        for (; q + 1 < distribution.size(); ++q) {
            cumulative += distribution[q];
            if (cumulative >= target) break;
        }
        const double widestAlpha = 2 * distribution.front();
        if (widestAlpha > alpha + 10 * DBL_EPSILON) {
            result.levelReached = false;
            result.achievedLevel = 1 - widestAlpha;
        }
    } else {
        const double n = static_cast<double>(result.n);
        const double sd = std::sqrt(n * (n + 1) * (2 * n + 1) / 24.0);
        const double z = NormalQuantile(1 - alpha / 2);
        const double ordinal = std::ceil(static_cast<double>(m) / 2.0 - z * sd);
        result.levelReached = ordinal >= 1;
        q = ordinal < 1 ? 1 : static_cast<uint64_t>(ordinal);
    }
    q = std::clamp<uint64_t>(q, 1, (m + 1) / 2);
    result.lower = WalshOrderStatistic(sorted, q);
    result.upper = WalshOrderStatistic(sorted, m + 1 - q);
    return result;
}

}  // namespace npar::engine::stats
