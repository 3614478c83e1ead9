// The one-sample tests' statistics.
#include "stats/OneSample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <boost/math/tools/roots.hpp>

#include "stats/Distributions.h"
#include "stats/ExactDistributions.h"

namespace npar::engine::stats {

ChiSquareResult ChiSquareGoodnessOfFit(const std::vector<double>& observed,
                                       const std::vector<double>& expected) {
    ChiSquareResult result;
    for (size_t i = 0; i < observed.size(); ++i) {
        const double deviation = observed[i] - expected[i];
        result.statistic += deviation * deviation / expected[i];
    }
    result.df = static_cast<double>(observed.size()) - 1;
    result.significance = ChiSquareSf(result.statistic, result.df);
    return result;
}

SignedRankResult SignedRank(const std::vector<double>& differences) {
    SignedRankResult result;
    // The nonzero differences sorted by magnitude: ranks by position, tied
    // magnitudes sharing their average rank.
    std::vector<double> nonzero;
    nonzero.reserve(differences.size());
    for (double d : differences) {
        if (d == 0)
            ++result.zeros;
        else
            nonzero.push_back(d);
    }
    result.n = nonzero.size();
    if (result.n == 0) return result;
    std::sort(nonzero.begin(), nonzero.end(),
              [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    double tieSum = 0;
    for (size_t i = 0; i < result.n;) {
        size_t j = i + 1;
        while (j < result.n && std::fabs(nonzero[j]) == std::fabs(nonzero[i])) ++j;
        const double rank = (static_cast<double>(i) + static_cast<double>(j) + 1.0) / 2.0;
        for (size_t k = i; k < j; ++k) {
            if (nonzero[k] > 0)
                result.wPlus += rank, ++result.positive;
            else
                result.wMinus += rank, ++result.negative;
        }
        const double t = static_cast<double>(j - i);
        tieSum += t * t * t - t;
        i = j;
    }
    const double n = static_cast<double>(result.n);
    const double variance = n * (n + 1) * (2 * n + 1) / 24.0 - tieSum / 48.0;
    result.standardError = std::sqrt(variance);
    result.z = (result.wPlus - n * (n + 1) / 4.0) / result.standardError;
    result.asymptotic = NormalTwoSided(result.z);
    if (result.n <= kSignedRankExactLimit && tieSum == 0) {
        result.exact = true;
        result.exactSignificance = ExactTwoSided(SignedRankDistribution(result.n), result.wPlus);
    }
    return result;
}

RunsResult RunsStatistics(double runs, size_t n1, size_t n2, bool continuityCorrection) {
    RunsResult result;
    result.below = n1;
    result.above = n2;
    result.runs = runs;
    const double a = static_cast<double>(n1), b = static_cast<double>(n2), n = a + b;
    result.mean = 2.0 * a * b / n + 1.0;
    result.standardDeviation = std::sqrt(2.0 * a * b * (2.0 * a * b - n) / (n * n * (n - 1.0)));
    double difference = runs - result.mean;
    if (continuityCorrection) {
        if (difference > 0.5)
            difference -= 0.5;
        else if (difference < -0.5)
            difference += 0.5;
        else
            difference = 0;
    }
    result.z = difference / result.standardDeviation;
    result.significance = NormalTwoSided(result.z);
    return result;
}

CutCounts CountAboutCut(const std::vector<double>& values, double cut) {
    CutCounts counts;
    const size_t n = values.size();
    const double* data = values.data();
    size_t i = 0;
#if defined(__SSE2__)
    // Two values a step in each of two lanes; a true comparison is all ones
    // (-1 as an integer), so subtracting the mask counts it.
    __m128i valid = _mm_setzero_si128(), atOrBelow = _mm_setzero_si128();
    const __m128d cuts = _mm_set1_pd(cut);
    for (; i + 4 <= n; i += 4) {
        const __m128d a = _mm_loadu_pd(data + i);
        const __m128d b = _mm_loadu_pd(data + i + 2);
        valid = _mm_sub_epi64(valid, _mm_castpd_si128(_mm_cmpord_pd(a, a)));
        valid = _mm_sub_epi64(valid, _mm_castpd_si128(_mm_cmpord_pd(b, b)));
        atOrBelow = _mm_sub_epi64(atOrBelow, _mm_castpd_si128(_mm_cmple_pd(a, cuts)));
        atOrBelow = _mm_sub_epi64(atOrBelow, _mm_castpd_si128(_mm_cmple_pd(b, cuts)));
    }
    int64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), valid);
    counts.valid = static_cast<size_t>(lanes[0] + lanes[1]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), atOrBelow);
    counts.atOrBelow = static_cast<size_t>(lanes[0] + lanes[1]);
#endif
    for (; i < n; ++i) {
        counts.valid += data[i] == data[i];  // NaN is unequal to itself
        counts.atOrBelow += data[i] <= cut;
    }
    return counts;
}

RunsResult RunsTest(const std::vector<bool>& atOrAbove) {
    size_t above = 0;
    double runs = atOrAbove.empty() ? 0 : 1;
    for (size_t i = 0; i < atOrAbove.size(); ++i) {
        above += atOrAbove[i];
        if (i > 0 && atOrAbove[i] != atOrAbove[i - 1]) ++runs;
    }
    return RunsStatistics(runs, atOrAbove.size() - above, above, atOrAbove.size() < 50);
}

RunsResult RunsAboutCut(const std::vector<double>& values, double cut) {
    size_t above = 0;
    size_t changes = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const bool up = values[i] >= cut;
        above += up;
        changes += i > 0 && up != (values[i - 1] >= cut);
    }
    const double runs = values.empty() ? 0 : static_cast<double>(changes) + 1;
    return RunsStatistics(runs, values.size() - above, above, values.size() < 50);
}

KsDifferences KsContinuous(const std::vector<double>& sorted, const std::function<double(double)>& cdf) {
    KsDifferences result;
    const double n = static_cast<double>(sorted.size());
    double plus = 0, minus = 0;
    for (size_t i = 0; i < sorted.size();) {
        size_t j = i + 1;
        while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
        const double f = cdf(sorted[i]);
        plus = std::max(plus, static_cast<double>(j) / n - f);
        minus = std::max(minus, f - static_cast<double>(i) / n);
        i = j;
    }
    result.positive = plus;
    result.negative = -minus;
    result.absolute = std::max(plus, minus);
    return result;
}

KsDifferences KsDiscrete(const std::vector<double>& sorted, const std::function<double(double)>& cdf) {
    // Both functions are steps at whole numbers. Between two neighbouring
    // data values a < b the empirical one stays at F_n(a) while the other
    // rises, so F_n - F is largest at a and F - F_n at b - 1.
    KsDifferences result;
    const double n = static_cast<double>(sorted.size());
    double plus = 0, minus = 0;
    if (!sorted.empty() && sorted.front() > 0) minus = std::max(minus, cdf(sorted.front() - 1));
    for (size_t i = 0; i < sorted.size();) {
        size_t j = i + 1;
        while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
        const double empirical = static_cast<double>(j) / n;
        plus = std::max(plus, empirical - cdf(sorted[i]));
        minus = std::max(minus, cdf(sorted[i]) - empirical);
        if (j < sorted.size() && sorted[j] - 1 > sorted[i])
            minus = std::max(minus, cdf(sorted[j] - 1) - empirical);
        i = j;
    }
    result.positive = plus;
    result.negative = -minus;
    result.absolute = std::max(plus, minus);
    return result;
}

double LillieforsSignificance(double d, size_t count, bool& lowerBound) {
    double n = static_cast<double>(count);
    if (n > 100) {
        d *= std::pow(n / 100.0, 0.49);
        n = 100;
    }
    const double p = std::exp(-7.01256 * d * d * (n + 2.78019) + 2.99587 * d * std::sqrt(n + 2.78019) -
                              0.122119 + 0.974598 / std::sqrt(n) + 1.67997 / n);
    lowerBound = p > 0.2;
    return lowerBound ? 0.2 : p;
}

Interval ClopperPearsonInterval(double x, double n, double level) {
    const double alpha = 1 - level;
    Interval interval;
    interval.lower = x <= 0 ? 0.0 : BetaQuantile(alpha / 2, x, n - x + 1);
    interval.upper = x >= n ? 1.0 : BetaQuantile(1 - alpha / 2, x + 1, n - x);
    return interval;
}

Interval JeffreysInterval(double x, double n, double level) {
    const double alpha = 1 - level;
    return {BetaQuantile(alpha / 2, x + 0.5, n - x + 0.5),
            BetaQuantile(1 - alpha / 2, x + 0.5, n - x + 0.5)};
}

namespace {

double LogLikelihood(double x, double n, double p) {
    double value = 0;
    if (x > 0) value += x * std::log(p);
    if (n - x > 0) value += (n - x) * std::log1p(-p);
    return value;
}

// The root of f in [a, b], where f changes sign.
template <typename F>
double Root(F f, double a, double b) {
    boost::uintmax_t iterations = 200;
    const auto [low, high] = boost::math::tools::toms748_solve(
        f, a, b, boost::math::tools::eps_tolerance<double>(52), iterations);
    return (low + high) / 2;
}

}  // namespace

Interval LikelihoodRatioInterval(double x, double n, double level) {
    const double limit = ChiSquareQuantile(level, 1.0) / 2.0;
    const double estimate = x / n;
    const double top = LogLikelihood(x, n, estimate);
    const auto excess = [&](double p) { return top - LogLikelihood(x, n, p) - limit; };
    Interval interval;
    interval.lower = x <= 0 ? 0.0 : Root(excess, 0.0 + 1e-300, estimate);
    interval.upper = x >= n ? 1.0 : Root(excess, estimate, 1.0 - 1e-16);
    return interval;
}

}  // namespace npar::engine::stats
