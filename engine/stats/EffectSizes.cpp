// Effect sizes and their intervals.
#include "stats/EffectSizes.h"

#include <cmath>
#include <limits>

#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/tools/roots.hpp>

#include "stats/Distributions.h"
#include "stats/OneSample.h"

namespace npar::engine::stats {
namespace {

constexpr double kNoLimit = std::numeric_limits<double>::quiet_NaN();

// An interval for a correlation by Fisher's z: tanh(atanh(r) -+ z SE). At
// r = -1 or 1 the transform is infinite and the interval would shrink to the
// point r whatever the sample size; none is given (NaN limits).
EffectSize FisherInterval(double r, double standardError, double level) {
    if (!(std::fabs(r) < 1)) return {r, kNoLimit, kNoLimit};
    const double z = NormalQuantile(0.5 + level / 2);
    const double centre = std::atanh(r);
    return {r, std::tanh(centre - z * standardError), std::tanh(centre + z * standardError)};
}

// P(X <= x) for a noncentral chi-square with df degrees of freedom.
double NoncentralCdf(double x, double df, double lambda) {
    if (lambda <= 0) return 1.0 - ChiSquareSf(x, df);
    const boost::math::non_central_chi_squared_distribution<double> chi(df, lambda);
    return boost::math::cdf(chi, x);
}

// The noncentrality at which P(X <= x) equals p; 0 when it is below p
// already at no noncentrality.
double NoncentralityFor(double x, double df, double p) {
    if (NoncentralCdf(x, df, 0) <= p) return 0;
    double high = std::max(1.0, x);
    while (NoncentralCdf(x, df, high) > p) high *= 2;
    boost::uintmax_t iterations = 200;
    const auto [a, b] = boost::math::tools::toms748_solve(
        [&](double lambda) { return NoncentralCdf(x, df, lambda) - p; }, 0.0, high,
        boost::math::tools::eps_tolerance<double>(50), iterations);
    return (a + b) / 2;
}

// The interval of the noncentrality of an observed chi-square, as a
// divisor's square root (Cohen's w, Cramer's V).
EffectSize FromNoncentrality(double chiSquare, double df, double divisor, double level) {
    const double alpha = 1 - level;
    return {std::sqrt(chiSquare / divisor),
            std::sqrt(NoncentralityFor(chiSquare, df, 1 - alpha / 2) / divisor),
            std::sqrt(NoncentralityFor(chiSquare, df, alpha / 2) / divisor)};
}

}  // namespace

EffectSize RankBiserialTwoGroups(double uSecond, double n1, double n2, double level) {
    const double r = 2 * uSecond / (n1 * n2) - 1;
    return FisherInterval(r, std::sqrt((n1 + n2 + 1) / (3 * n1 * n2)), level);
}

EffectSize RankBiserialPaired(double wPlus, double wMinus, double n, double level) {
    const double maximum = n * (n + 1) / 2;
    const double r = (wPlus - wMinus) / maximum;
    return FisherInterval(r, std::sqrt((2 * n * n * n + 3 * n * n + n) / 6) / maximum, level);
}

double EpsilonSquared(double h, double n) { return h / ((n * n - 1) / (n + 1)); }

double CochranEtaSquared(double q, double n, double k) { return q / (n * (k - 1)); }

EffectSize CohensW(double chiSquare, double df, double n, double level) {
    return FromNoncentrality(chiSquare, df, n, level);
}

EffectSize CramersV(double chiSquare, double df, double n, double smallerDimension, double level) {
    // V cannot exceed 1; in small samples the noncentrality's limit can, and
    // is then held at the largest V there is.
    EffectSize v = FromNoncentrality(chiSquare, df, n * (smallerDimension - 1), level);
    v.lower = std::min(v.lower, 1.0);
    v.upper = std::min(v.upper, 1.0);
    return v;
}

EffectSize DiscordantOddsRatio(double b, double c, double level) {
    const Interval p = ClopperPearsonInterval(b, b + c, level);
    const auto odds = [](double q) {
        return q >= 1 ? std::numeric_limits<double>::infinity() : q / (1 - q);
    };
    return {c > 0 ? b / c : std::numeric_limits<double>::infinity(), odds(p.lower), odds(p.upper)};
}

}  // namespace npar::engine::stats
