// Distribution functions over Boost.Math.
#include "stats/Distributions.h"

#include <algorithm>
#include <cmath>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/kolmogorov_smirnov.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/poisson.hpp>

namespace npar::engine::stats {
namespace {

// Domain errors give NaN rather than throwing; overflow gives infinity.
using Policy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>>;

const boost::math::normal_distribution<double, Policy> kStandardNormal(0.0, 1.0);

}  // namespace

double NormalCdf(double z) { return boost::math::cdf(kStandardNormal, z); }

double NormalSf(double z) { return boost::math::cdf(boost::math::complement(kStandardNormal, z)); }

double NormalTwoSided(double z) {
    if (std::isnan(z)) return z;
    return std::min(1.0, 2.0 * NormalSf(std::fabs(z)));
}

double NormalQuantile(double p) { return boost::math::quantile(kStandardNormal, p); }

double ChiSquareSf(double x, double df) {
    if (std::isnan(x) || !(df > 0)) return std::nan("");
    if (x <= 0) return 1.0;
    const boost::math::chi_squared_distribution<double, Policy> chi(df);
    return boost::math::cdf(boost::math::complement(chi, x));
}

double ChiSquareQuantile(double p, double df) {
    const boost::math::chi_squared_distribution<double, Policy> chi(df);
    return boost::math::quantile(chi, p);
}

double BinomialPmf(int64_t k, int64_t n, double p) {
    if (k < 0 || k > n) return 0.0;
    const boost::math::binomial_distribution<double, Policy> binomial(static_cast<double>(n), p);
    return boost::math::pdf(binomial, static_cast<double>(k));
}

double BinomialCdf(int64_t k, int64_t n, double p) {
    if (k < 0) return 0.0;
    if (k >= n) return 1.0;
    const boost::math::binomial_distribution<double, Policy> binomial(static_cast<double>(n), p);
    return boost::math::cdf(binomial, static_cast<double>(k));
}

double BinomialSf(int64_t k, int64_t n, double p) {
    if (k < 0) return 1.0;
    if (k >= n) return 0.0;
    const boost::math::binomial_distribution<double, Policy> binomial(static_cast<double>(n), p);
    return boost::math::cdf(boost::math::complement(binomial, static_cast<double>(k)));
}

namespace {

// In [from, to], where the probabilities rise to the mode and then fall,
// how many outcomes are no more likely than limit. The outcomes that
// qualify form a run at each end of the range, found by bisection.
int64_t CountAtMost(int64_t from, int64_t to, int64_t n, double p, double limit) {
    if (from > to) return 0;
    const int64_t mode = std::clamp(static_cast<int64_t>(std::floor((n + 1) * p)), from, to);
    int64_t count = 0;
    // Rising part [from, mode]: the first outcome above limit ends the run.
    int64_t lo = from, hi = mode + 1;
    while (lo < hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (BinomialPmf(mid, n, p) <= limit)
            lo = mid + 1;
        else
            hi = mid;
    }
    count += lo - from;
    if (lo > mode) return to - from + 1;  // every outcome qualifies
    // Falling part (mode, to]: the last outcome above limit starts the run after it.
    lo = mode + 1, hi = to + 1;
    while (lo < hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (BinomialPmf(mid, n, p) <= limit)
            hi = mid;
        else
            lo = mid + 1;
    }
    count += to + 1 - lo;
    return count;
}

}  // namespace

double BinomialTwoSided(int64_t x, int64_t n, double p) {
    if (n <= 0) return std::nan("");
    if (p <= 0.0) return x == 0 ? 1.0 : 0.0;
    if (p >= 1.0) return x == n ? 1.0 : 0.0;
    constexpr double kRelativeError = 1 + 1e-7;
    const double d = BinomialPmf(x, n, p);
    const double m = static_cast<double>(n) * p;
    double result;
    if (static_cast<double>(x) == m) {
        result = 1.0;
    } else if (static_cast<double>(x) < m) {
        const int64_t y = CountAtMost(static_cast<int64_t>(std::ceil(m)), n, n, p, d * kRelativeError);
        result = BinomialCdf(x, n, p) + BinomialSf(n - y, n, p);
    } else {
        const int64_t y = CountAtMost(0, static_cast<int64_t>(std::floor(m)), n, p, d * kRelativeError);
        result = BinomialCdf(y - 1, n, p) + BinomialSf(x - 1, n, p);
    }
    return std::min(1.0, result);
}

double BetaQuantile(double p, double a, double b) {
    const boost::math::beta_distribution<double, Policy> beta(a, b);
    return boost::math::quantile(beta, p);
}

double PoissonCdf(double k, double mean) {
    if (k < 0) return 0.0;
    const boost::math::poisson_distribution<double, Policy> poisson(mean);
    return boost::math::cdf(poisson, std::floor(k));
}

double KolmogorovSf(double z) {
    if (std::isnan(z)) return z;
    if (z <= 0) return 1.0;
    const boost::math::kolmogorov_smirnov_distribution<double, Policy> kolmogorov(1.0);
    return std::clamp(boost::math::cdf(boost::math::complement(kolmogorov, z)), 0.0, 1.0);
}

}  // namespace npar::engine::stats
