// The independent-samples tests' statistics.
#include "stats/Independent.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <queue>
#include <random>

#include "stats/Distributions.h"
#include "stats/ExactDistributions.h"
#include "stats/Ranks.h"

namespace npar::engine::stats {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Real(size_t n) { return static_cast<double>(n); }

// Calls block(begin, end) for every run [begin, end) of equal values of the pool.
template <typename Block>
void ForEachBlock(const PooledSample& pooled, Block block) {
    const size_t n = pooled.Size();
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        while (j < n && pooled.values[j] == pooled.values[i]) ++j;
        block(i, j);
        i = j;
    }
}

double LogChoose(double n, double k) {
    return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1);
}

}  // namespace

PooledSample Pool(const std::vector<std::vector<double>>& groups) {
    // Each group sorted on its own (plain doubles sort fast), then merged:
    // at every step the group whose next value is smallest gives its value,
    // found by a heap over the groups' heads.
    PooledSample pooled;
    std::vector<std::vector<double>> sorted = groups;
    size_t total = 0;
    for (std::vector<double>& group : sorted) {
        std::sort(group.begin(), group.end());
        pooled.sizes.push_back(group.size());
        total += group.size();
    }
    pooled.values.reserve(total);
    pooled.groups.reserve(total);
    if (sorted.size() == 2) {
        // Two groups, the common case: a plain merge.
        const std::vector<double>& a = sorted[0];
        const std::vector<double>& b = sorted[1];
        size_t i = 0, j = 0;
        while (i < a.size() || j < b.size()) {
            const bool first = j == b.size() || (i < a.size() && a[i] <= b[j]);
            pooled.values.push_back(first ? a[i++] : b[j++]);
            pooled.groups.push_back(first ? 0u : 1u);
        }
        return pooled;
    }
    using Head = std::pair<double, uint32_t>;  // value, group
    std::priority_queue<Head, std::vector<Head>, std::greater<Head>> heads;
    std::vector<size_t> next(sorted.size(), 0);
    for (size_t g = 0; g < sorted.size(); ++g)
        if (!sorted[g].empty()) heads.push({sorted[g][0], static_cast<uint32_t>(g)});
    while (!heads.empty()) {
        const auto [value, g] = heads.top();
        heads.pop();
        pooled.values.push_back(value);
        pooled.groups.push_back(g);
        if (++next[g] < sorted[g].size()) heads.push({sorted[g][next[g]], g});
    }
    return pooled;
}

GroupRanks RankGroups(const PooledSample& pooled) {
    GroupRanks ranks;
    ranks.sums.assign(pooled.sizes.size(), 0.0);
    ForEachBlock(pooled, [&](size_t begin, size_t end) {
        const double rank = (Real(begin) + Real(end) + 1.0) / 2.0;
        for (size_t i = begin; i < end; ++i) ranks.sums[pooled.groups[i]] += rank;
        const double t = Real(end - begin);
        if (end - begin > 1) ranks.tieSum += t * t * t - t, ranks.hasTies = true;
    });
    return ranks;
}

// ---------------------------------------------------------------------------
// Two groups

MannWhitneyResult MannWhitney(const PooledSample& pooled) {
    MannWhitneyResult result;
    const size_t m = pooled.sizes[0], n = pooled.sizes[1];
    const double a = Real(m), b = Real(n), total = a + b;
    const GroupRanks ranks = RankGroups(pooled);
    result.w = ranks.sums[1];
    result.u = ranks.sums[1] - b * (b + 1) / 2.0;
    result.meanRankFirst = ranks.sums[0] / a;
    result.meanRankSecond = ranks.sums[1] / b;
    const double variance = a * b / 12.0 * (total + 1 - ranks.tieSum / (total * (total - 1)));
    result.standardError = std::sqrt(variance);
    result.z = result.standardError > 0 ? (result.u - a * b / 2.0) / result.standardError : kNaN;
    result.asymptotic = NormalTwoSided(result.z);
    if (MannWhitneyExact(m + n, ranks.hasTies)) {
        result.exact = true;
        result.exactSignificance = ExactTwoSided(MannWhitneyDistribution(m, n), result.u);
    }
    return result;
}

namespace {

// The fewest and most label changes inside a block of a cases of group 0
// and b of group 1 that starts with label first and ends with label last;
// possible is false when no order of the block does so.
struct BlockChanges {
    bool possible = false;
    double fewest = 0, most = 0;
};

BlockChanges ChangesInside(size_t a, size_t b, int first, int last) {
    if (a == 0 || b == 0) {
        const int only = a > 0 ? 0 : 1;
        if (first == only && last == only) return {true, 0, 0};
        return {};
    }
    if (first == last) {
        const size_t same = first == 0 ? a : b, other = first == 0 ? b : a;
        if (same < 2) return {};
        return {true, 2, 2.0 * Real(std::min(other, same - 1))};
    }
    return {true, 1, 2.0 * Real(std::min(a, b)) - 1};
}

}  // namespace

RunsRange RunsBetweenGroups(const PooledSample& pooled) {
    // Dynamic programming over the blocks of tied values: the fewest and most
    // label changes so far for each label the order can end with.
    constexpr double kImpossible = std::numeric_limits<double>::infinity();
    double fewest[2] = {kImpossible, kImpossible}, most[2] = {-kImpossible, -kImpossible};
    bool first = true;
    ForEachBlock(pooled, [&](size_t begin, size_t end) {
        size_t counts[2] = {0, 0};
        for (size_t i = begin; i < end; ++i) ++counts[pooled.groups[i]];
        double nextFewest[2] = {kImpossible, kImpossible}, nextMost[2] = {-kImpossible, -kImpossible};
        for (int start = 0; start < 2; ++start) {
            for (int last = 0; last < 2; ++last) {
                const BlockChanges inside = ChangesInside(counts[0], counts[1], start, last);
                if (!inside.possible) continue;
                if (first) {
                    nextFewest[last] = std::min(nextFewest[last], inside.fewest);
                    nextMost[last] = std::max(nextMost[last], inside.most);
                    continue;
                }
                for (int previous = 0; previous < 2; ++previous) {
                    const double change = previous != start ? 1 : 0;
                    if (fewest[previous] != kImpossible)
                        nextFewest[last] =
                            std::min(nextFewest[last], fewest[previous] + inside.fewest + change);
                    if (most[previous] != -kImpossible)
                        nextMost[last] = std::max(nextMost[last], most[previous] + inside.most + change);
                }
            }
        }
        std::copy(nextFewest, nextFewest + 2, fewest);
        std::copy(nextMost, nextMost + 2, most);
        first = false;
    });
    return {1 + std::min(fewest[0], fewest[1]), 1 + std::max(most[0], most[1])};
}

RunsSignificance WaldWolfowitz(double runs, size_t m, size_t n) {
    RunsSignificance result;
    result.normal = RunsStatistics(runs, m, n, m + n < 50);
    result.asymptotic = NormalCdf(result.normal.z);
    if (m + n <= kMannWhitneyExactLimit) {
        result.exact = true;
        result.exactSignificance = ExactLowerTail(RunsDistribution(m, n), runs);
    }
    return result;
}

TwoSampleKsResult KolmogorovSmirnovTwoSample(const PooledSample& pooled) {
    TwoSampleKsResult result;
    const double m = Real(pooled.sizes[0]), n = Real(pooled.sizes[1]);
    double seen[2] = {0, 0};
    ForEachBlock(pooled, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) seen[pooled.groups[i]] += 1;
        const double difference = seen[0] / m - seen[1] / n;
        result.positive = std::max(result.positive, difference);
        result.negative = std::min(result.negative, difference);
    });
    result.absolute = std::max(result.positive, -result.negative);
    result.z = result.absolute * std::sqrt(m * n / (m + n));
    result.significance = KolmogorovSf(result.z);
    return result;
}

namespace {

// The blocks of tied values of a pool with their control cases.
struct ControlBlock {
    double start = 0, end = 0;  // first and last pooled position, 1-based
    size_t control = 0;
};

// The lowest position the j-th smallest control case can take, and the
// highest the j-th largest can, over the orders of tied values.
double LowestPosition(const std::vector<ControlBlock>& blocks, size_t j) {
    size_t before = 0;
    for (const ControlBlock& block : blocks) {
        if (before + block.control >= j) return block.start + Real(j - before) - 1;
        before += block.control;
    }
    return kNaN;
}

double HighestPosition(const std::vector<ControlBlock>& blocks, size_t j) {
    size_t after = 0;
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
        if (after + it->control >= j) return it->end - Real(j - after) + 1;
        after += it->control;
    }
    return kNaN;
}

}  // namespace

MosesResult Moses(const PooledSample& pooled, size_t control, size_t trim) {
    MosesResult result;
    std::vector<ControlBlock> blocks;
    ForEachBlock(pooled, [&](size_t begin, size_t end) {
        size_t count = 0;
        for (size_t i = begin; i < end; ++i) count += pooled.groups[i] == control;
        if (count == 0) return;
        blocks.push_back({Real(begin) + 1, Real(end), count});
        result.tiesBetweenGroups |= count < end - begin;
    });
    const size_t m = pooled.sizes[control], n = pooled.sizes[1 - control];
    const auto span = [&](size_t cut) {
        const double value = HighestPosition(blocks, cut + 1) - LowestPosition(blocks, cut + 1) + 1;
        return MosesSpan{value, MosesSignificance(value, m, n, cut)};
    };
    result.observed = span(0);
    result.trimmed = span(trim);
    return result;
}

double MosesSignificance(double span, size_t m, size_t n, size_t trim) {
    // P(S <= m - 2h + g) = sum_{i=0}^{g} C(i + m - 2h - 2, i) C(n + 2h + 1 - i, n - i) / C(m + n, m)
    // (Moses 1952). The terms for i = 0 .. n sum to C(m + n, m) (Vandermonde),
    // so the significance is the ratio of two sums of the same terms, each
    // from the one before by their ratio and rescaled where they grow large:
    // no binomial coefficient of large groups is ever formed.
    const double kept = Real(m) - 2.0 * Real(trim);
    const double excess = std::floor(span) - kept;
    if (excess < 0) return 0.0;
    const size_t g = static_cast<size_t>(std::min(excess, Real(n)));
    const double a = kept - 2, b = Real(n) + 2.0 * Real(trim) + 1;
    constexpr double kRescale = 1e250;
    double term = 1, upToSpan = 0, total = 0;
    for (size_t i = 0; i <= n; ++i) {
        total += term;
        if (i <= g) upToSpan += term;
        const double k = Real(i);
        term *= (k + 1 + a) / (k + 1) * (Real(n) - k) / (b - k);
        if (term > kRescale) term /= kRescale, upToSpan /= kRescale, total /= kRescale;
    }
    return std::min(1.0, upToSpan / total);
}

namespace {

// Selection of the k-th smallest of the differences second[j] - first[i]:
// row i holds them in ascending order of j, and rows fall as i grows, so
// one sweep counts a row's differences below a value for every row. Each
// round keeps the candidates between two pivots that a random sample of the
// candidates places just below and above the wanted rank (Floyd and
// Rivest's choice), so that a few sweeps suffice.
class DifferenceMatrix {
public:
    DifferenceMatrix(const std::vector<double>& first, const std::vector<double>& second)
        : fFirst(first),
          fSecond(second),
          fLow(first.size()),
          fHigh(first.size()),
          fBelow(first.size()),
          fUpTo(first.size()) {}

    // The k-th smallest (1-based).
    double Select(uint64_t k) {
        std::fill(fLow.begin(), fLow.end(), Column{0});
        std::fill(fHigh.begin(), fHigh.end(), static_cast<Column>(fSecond.size()));
        std::mt19937_64 random(20240611);
        const uint64_t spare = fFirst.size() + fSecond.size();
        for (;;) {
            const uint64_t candidates = Candidates();
            if (candidates <= spare) return SelectAmong(k);
            const auto [lowPivot, highPivot] = Bracket(random, candidates, k - Sum(fLow));
            if (Narrow(k, lowPivot, highPivot)) return lowPivot;
            // No candidate left out: the pivots span them all. One pivot
            // always removes itself.
            if (Candidates() == candidates && Narrow(k, highPivot, highPivot)) return highPivot;
        }
    }

private:
    using Column = uint32_t;  // a case index of the second group (cases are 32-bit row numbers)

    double At(size_t i, size_t j) const { return fSecond[j] - fFirst[i]; }

    static uint64_t Sum(const std::vector<Column>& counts) {
        return std::accumulate(counts.begin(), counts.end(), uint64_t{0});
    }

    uint64_t Candidates() const {
        uint64_t count = 0;
        for (size_t i = 0; i < fLow.size(); ++i) count += fHigh[i] - fLow[i];
        return count;
    }

    // Per row the differences below lowPivot (fBelow) and at most highPivot
    // (fUpTo); gives the total of the latter.
    uint64_t Count(double lowPivot, double highPivot) {
        Column below = 0, upTo = 0;
        const Column columns = static_cast<Column>(fSecond.size());
        uint64_t total = 0;
        for (size_t i = 0; i < fFirst.size(); ++i) {
            while (below < columns && At(i, below) < lowPivot) ++below;
            while (upTo < columns && At(i, upTo) <= highPivot) ++upTo;
            fBelow[i] = below;
            fUpTo[i] = upTo;
            total += upTo;
        }
        return total;
    }

    // Keeps the candidates on the side of the pivots where the k-th lies;
    // true when it is lowPivot itself (the pivots equal and k among them).
    bool Narrow(uint64_t k, double lowPivot, double highPivot) {
        const uint64_t upTo = Count(lowPivot, highPivot);
        const uint64_t below = Sum(fBelow);
        if (k <= below) {
            for (size_t i = 0; i < fHigh.size(); ++i) fHigh[i] = std::min(fHigh[i], fBelow[i]);
        } else if (k > upTo) {
            for (size_t i = 0; i < fLow.size(); ++i) fLow[i] = std::max(fLow[i], fUpTo[i]);
        } else {
            if (lowPivot == highPivot) return true;
            for (size_t i = 0; i < fLow.size(); ++i) {
                fLow[i] = std::max(fLow[i], fBelow[i]);
                fHigh[i] = std::min(fHigh[i], fUpTo[i]);
            }
        }
        return false;
    }

    // Two candidates that, by a random sample of the candidates, lie a few
    // standard errors below and above the rank wanted among them.
    std::pair<double, double> Bracket(std::mt19937_64& random, uint64_t candidates,
                                      uint64_t rank) const {
        constexpr size_t kSample = 2048;
        std::vector<uint64_t> picks(kSample);
        std::uniform_int_distribution<uint64_t> pick(0, candidates - 1);
        for (uint64_t& p : picks) p = pick(random);
        std::sort(picks.begin(), picks.end());
        std::vector<double> sample;
        sample.reserve(kSample);
        uint64_t start = 0;
        size_t next = 0;
        for (size_t i = 0; i < fLow.size() && next < picks.size(); ++i) {
            const uint64_t width = fHigh[i] - fLow[i];
            for (; next < picks.size() && picks[next] < start + width; ++next)
                sample.push_back(At(i, fLow[i] + static_cast<Column>(picks[next] - start)));
            start += width;
        }
        std::sort(sample.begin(), sample.end());
        const double at =
            static_cast<double>(rank) / static_cast<double>(candidates) * Real(sample.size());
        const double margin = 2.0 * std::sqrt(Real(sample.size()));
        const auto index = [&](double position) {
            return static_cast<size_t>(std::clamp(position, 0.0, Real(sample.size() - 1)));
        };
        return {sample[index(at - margin)], sample[index(at + margin)]};
    }

    double SelectAmong(uint64_t k) const {
        std::vector<double> values;
        uint64_t below = 0;
        for (size_t i = 0; i < fLow.size(); ++i) {
            below += fLow[i];
            for (Column j = fLow[i]; j < fHigh[i]; ++j) values.push_back(At(i, j));
        }
        const auto rank = static_cast<std::ptrdiff_t>(k - below - 1);
        std::nth_element(values.begin(), values.begin() + rank, values.end());
        return values[static_cast<size_t>(rank)];
    }

    const std::vector<double>& fFirst;
    const std::vector<double>& fSecond;
    std::vector<Column> fLow, fHigh;    // the candidate columns of each row: [low, high)
    std::vector<Column> fBelow, fUpTo;  // the last count's columns per row
};

// The differences second - first, selected in the matrix whose rows are the
// smaller group: -(first - second) is second - first exactly.
class ShiftDifferences {
public:
    ShiftDifferences(const std::vector<double>& first, const std::vector<double>& second)
        : fSwapped(first.size() > second.size()),
          fMatrix(fSwapped ? second : first, fSwapped ? first : second),
          fCount(static_cast<uint64_t>(first.size()) * second.size()) {}

    double Select(uint64_t k) { return fSwapped ? -fMatrix.Select(fCount + 1 - k) : fMatrix.Select(k); }

private:
    bool fSwapped;
    DifferenceMatrix fMatrix;
    uint64_t fCount;
};

double QuantileOrdinal(const std::vector<double>& distribution, double probability) {
    // R's qwilcox: the smallest q with P(U <= q) >= probability.
    double cumulative = 0;
    for (size_t q = 0; q < distribution.size(); ++q) {
        cumulative += distribution[q];
        if (cumulative >= probability) return Real(q);
    }
    return Real(distribution.size() - 1);
}

}  // namespace

double KthDifference(const std::vector<double>& first, const std::vector<double>& second, uint64_t k) {
    return ShiftDifferences(first, second).Select(k);
}

ShiftEstimate HodgesLehmannShift(std::vector<double> first, std::vector<double> second, double level,
                                 bool exact) {
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    const size_t m = first.size(), n = second.size();
    const uint64_t pairs = static_cast<uint64_t>(m) * n;
    ShiftEstimate result;
    ShiftDifferences differences(first, second);
    const uint64_t half = (pairs + 1) / 2;
    const double lowerMiddle = differences.Select(half);
    result.estimate = pairs % 2 ? lowerMiddle : (lowerMiddle + differences.Select(half + 1)) / 2.0;

    const double alpha = 1 - level;
    const auto ordinal = [&](double k) {
        return static_cast<uint64_t>(std::clamp(k, 1.0, static_cast<double>(pairs)));
    };
    uint64_t lower, upper;
    if (exact) {
        const std::vector<double> distribution = MannWhitneyDistribution(m, n);
        const double q = std::max(1.0, QuantileOrdinal(distribution, alpha / 2));
        lower = ordinal(q);
        upper = ordinal(static_cast<double>(pairs) - q + 1);
        const double widestAlpha = 2 * distribution.front();
        if (widestAlpha > alpha + 10 * DBL_EPSILON) {
            result.levelReached = false;
            result.achievedLevel = 1 - widestAlpha;
        }
    } else {
        // The normal statistic of the shifted samples changes sign where the
        // count of differences above the shift crosses mn/2 +- z sigma; with
        // the shift between differences only ties within a group remain.
        const double a = Real(m), b = Real(n), total = a + b;
        const double ties = TieSumOfSorted(first) + TieSumOfSorted(second);
        const double sigma = std::sqrt(a * b / 12.0 * (total + 1 - ties / (total * (total - 1))));
        const double z = NormalQuantile(1 - alpha / 2);
        const double lowest = std::ceil(a * b / 2.0 - z * sigma);
        result.levelReached = lowest >= 1;
        lower = ordinal(lowest);
        upper = ordinal(std::ceil(a * b / 2.0 + z * sigma));
    }
    result.lower = differences.Select(lower);
    result.upper = differences.Select(upper);
    return result;
}

// ---------------------------------------------------------------------------
// k groups

KruskalWallisResult KruskalWallis(const std::vector<size_t>& sizes, const std::vector<double>& rankSums,
                                  double tieSum) {
    KruskalWallisResult result;
    const double total = Real(std::accumulate(sizes.begin(), sizes.end(), size_t{0}));
    result.df = Real(sizes.size()) - 1;
    const double correction = 1 - tieSum / (total * total * total - total);
    if (!(correction > 0)) {
        result.allTied = true;
        result.h = result.significance = kNaN;
        return result;
    }
    // 12 / (N(N+1)) sum n (mean rank - (N+1)/2)^2: no cancellation of large sums.
    const double middle = (total + 1) / 2.0;
    double spread = 0;
    for (size_t g = 0; g < sizes.size(); ++g) {
        const double deviation = rankSums[g] / Real(sizes[g]) - middle;
        spread += Real(sizes[g]) * deviation * deviation;
    }
    result.h = 12.0 / (total * (total + 1)) * spread / correction;
    result.significance = ChiSquareSf(result.h, result.df);
    return result;
}

DunnComparison Dunn(double meanRankFirst, size_t firstSize, double meanRankSecond, size_t secondSize,
                    size_t total, double tieSum) {
    DunnComparison result;
    const double n = Real(total);
    const double spread = n * (n + 1) / 12.0 - tieSum / (12.0 * (n - 1));
    result.difference = meanRankFirst - meanRankSecond;
    result.standardError = std::sqrt(spread * (1.0 / Real(firstSize) + 1.0 / Real(secondSize)));
    result.z = result.standardError > 0 ? result.difference / result.standardError : kNaN;
    result.significance = NormalTwoSided(result.z);
    return result;
}

JonckheereResult JonckheereMoments(double j, const std::vector<size_t>& sizes, const TieMoments& ties) {
    JonckheereResult result;
    result.j = j;
    double total = 0, squares = 0, cubic = 0, falling3 = 0, falling2 = 0;
    for (size_t size : sizes) {
        const double n = Real(size);
        total += n;
        squares += n * n;
        cubic += n * (n - 1) * (2 * n + 5);
        falling3 += n * (n - 1) * (n - 2);
        falling2 += n * (n - 1);
    }
    const double N = total;
    result.mean = (N * N - squares) / 4.0;
    double variance = (N * (N - 1) * (2 * N + 5) - cubic - ties.cubic) / 72.0;
    if (N > 2) variance += falling3 * ties.falling3 / (36.0 * N * (N - 1) * (N - 2));
    if (N > 1) variance += falling2 * ties.falling2 / (8.0 * N * (N - 1));
    result.standardDeviation = std::sqrt(std::max(0.0, variance));
    result.z = result.standardDeviation > 0 ? (j - result.mean) / result.standardDeviation : kNaN;
    result.oneSided = std::isnan(result.z) ? kNaN : NormalSf(result.z);
    result.twoSided = NormalTwoSided(result.z);
    return result;
}

namespace {

// Counts of cases by position 0 .. k-1, with prefix sums in O(log k).
class Fenwick {
public:
    explicit Fenwick(size_t size) : fTree(size + 1, 0) {}
    void Add(size_t position, uint64_t count) {
        for (size_t i = position + 1; i < fTree.size(); i += i & (~i + 1)) fTree[i] += count;
    }
    uint64_t Before(size_t position) const {  // positions 0 .. position-1
        uint64_t sum = 0;
        for (size_t i = position; i > 0; i -= i & (~i + 1)) sum += fTree[i];
        return sum;
    }

private:
    std::vector<uint64_t> fTree;
};

}  // namespace

JonckheereResult JonckheereTerpstra(const PooledSample& pooled, const std::vector<size_t>& order) {
    constexpr size_t kLeftOut = std::numeric_limits<size_t>::max();
    std::vector<size_t> position(pooled.sizes.size(), kLeftOut);
    std::vector<size_t> sizes;
    for (size_t p = 0; p < order.size(); ++p) {
        position[order[p]] = p;
        sizes.push_back(pooled.sizes[order[p]]);
    }
    Fenwick earlier(order.size());
    TieMoments ties;
    double j = 0;
    std::vector<size_t> block;
    ForEachBlock(pooled, [&](size_t begin, size_t end) {
        block.clear();
        for (size_t i = begin; i < end; ++i)
            if (position[pooled.groups[i]] != kLeftOut) block.push_back(position[pooled.groups[i]]);
        for (size_t p : block) j += static_cast<double>(earlier.Before(p));
        if (block.size() > 1) {
            // Ties count one half for each pair from two different groups.
            std::sort(block.begin(), block.end());
            for (size_t i = 0; i < block.size();) {
                size_t k = i + 1;
                while (k < block.size() && block[k] == block[i]) ++k;
                j += 0.5 * Real(k - i) * Real(i);
                i = k;
            }
            ties.Add(Real(block.size()));
        }
        for (size_t p : block) earlier.Add(p, 1);
    });
    JonckheereResult result = JonckheereMoments(j, sizes, ties);
    const size_t total = std::accumulate(sizes.begin(), sizes.end(), size_t{0});
    if (MannWhitneyExact(total, ties.falling2 > 0)) {
        result.exact = true;
        result.exactTwoSided = ExactTwoSided(JonckheereDistribution(sizes), j);
    }
    return result;
}

GroupPairCounts::GroupPairCounts(const PooledSample& pooled)
    : fGroups(pooled.sizes.size()), fSizes(pooled.sizes), fAbove(fGroups * fGroups, 0.0) {
    std::vector<double> below(fGroups, 0.0);
    std::vector<double> inBlock(fGroups, 0.0);
    std::vector<uint32_t> present;
    fTieStarts.push_back(0);
    ForEachBlock(pooled, [&](size_t begin, size_t end) {
        present.clear();
        for (size_t i = begin; i < end; ++i) {
            const uint32_t g = pooled.groups[i];
            if (inBlock[g] == 0) present.push_back(g);
            inBlock[g] += 1;
        }
        for (uint32_t g : present) {
            double* row = &fAbove[g * fGroups];
            for (size_t h = 0; h < fGroups; ++h) row[h] += inBlock[g] * below[h];
            for (uint32_t h : present)
                if (h != g) row[h] += 0.5 * inBlock[g] * inBlock[h];
        }
        if (end - begin > 1) {
            for (uint32_t g : present) fTieCounts.emplace_back(g, inBlock[g]);
            fTieStarts.push_back(fTieCounts.size());
        }
        for (uint32_t g : present) below[g] += inBlock[g], inBlock[g] = 0;
    });
}

std::vector<double> GroupPairCounts::RankSums(const std::vector<size_t>& chosen) const {
    std::vector<double> sums;
    for (size_t g : chosen) {
        const double n = Real(fSizes[g]);
        double sum = n * (n + 1) / 2.0;
        for (size_t h : chosen)
            if (h != g) sum += Above(g, h);
        sums.push_back(sum);
    }
    return sums;
}

std::vector<double> GroupPairCounts::TiedCounts(const std::vector<size_t>& chosen) const {
    std::vector<bool> member(fGroups, false);
    for (size_t g : chosen) member[g] = true;
    std::vector<double> counts;
    for (size_t set = 0; set + 1 < fTieStarts.size(); ++set) {
        double t = 0;
        for (size_t i = fTieStarts[set]; i < fTieStarts[set + 1]; ++i)
            if (member[fTieCounts[i].first]) t += fTieCounts[i].second;
        if (t > 1) counts.push_back(t);
    }
    return counts;
}

double GroupPairCounts::TieSum(const std::vector<size_t>& chosen) const {
    double sum = 0;
    for (double t : TiedCounts(chosen)) sum += t * t * t - t;
    return sum;
}

TieMoments GroupPairCounts::Ties(const std::vector<size_t>& chosen) const {
    TieMoments moments;
    for (double t : TiedCounts(chosen)) moments.Add(t);
    return moments;
}

// ---------------------------------------------------------------------------
// Median test

TableChiSquare ChiSquareOfTable(const std::vector<double>& top, const std::vector<double>& bottom,
                                bool yates) {
    TableChiSquare result;
    const double topTotal = std::accumulate(top.begin(), top.end(), 0.0);
    const double bottomTotal = std::accumulate(bottom.begin(), bottom.end(), 0.0);
    const double total = topTotal + bottomTotal;
    result.df = Real(top.size()) - 1;
    result.smallestExpected = std::numeric_limits<double>::infinity();
    bool degenerate = topTotal == 0 || bottomTotal == 0;
    for (size_t g = 0; g < top.size(); ++g) {
        const double column = top[g] + bottom[g];
        degenerate |= column == 0;
        for (const auto& [observed, rowTotal] :
             {std::pair{top[g], topTotal}, std::pair{bottom[g], bottomTotal}}) {
            const double expected = rowTotal * column / total;
            result.smallCells += expected < 5;
            result.smallestExpected = std::min(result.smallestExpected, expected);
            if (expected <= 0) continue;
            double deviation = std::fabs(observed - expected);
            if (yates) deviation -= std::min(0.5, deviation);
            result.statistic += deviation * deviation / expected;
        }
    }
    if (degenerate) result.statistic = kNaN;
    result.significance = ChiSquareSf(result.statistic, result.df);
    return result;
}

double FisherExact(double a, double b, double c, double d) {
    // The first cell given the margins is hypergeometric.
    const double row = a + b, column = a + c, total = a + b + c + d;
    const double low = std::max(0.0, row + column - total), high = std::min(row, column);
    const auto logProbability = [&](double x) {
        return LogChoose(column, x) + LogChoose(total - column, row - x) - LogChoose(total, row);
    };
    const double observed = logProbability(a);
    constexpr double kRelativeError = 1 + 1e-7;
    double sum = 0;
    for (double x = low; x <= high; x += 1) {
        const double lp = logProbability(x);
        if (std::exp(lp - observed) <= kRelativeError) sum += std::exp(lp);
    }
    return std::min(1.0, sum);
}

MedianCounts CountAboutMedian(const std::vector<std::vector<double>>& groups, double median) {
    MedianCounts counts;
    for (const std::vector<double>& group : groups) {
        double above = 0;
        for (double v : group) above += v > median;
        counts.above.push_back(above);
        counts.atOrBelow.push_back(Real(group.size()) - above);
    }
    return counts;
}

}  // namespace npar::engine::stats
