// Distribution functions the tests take their significances from, over
// Boost.Math. Tails are computed as tails (never 1 - cdf) so that small
// significances keep their digits.
#pragma once

#include <cstdint>

namespace npar::engine::stats {

double NormalCdf(double z);
double NormalSf(double z);  // P(Z > z)
// Two-sided significance of a standard normal statistic, 2 P(Z > |z|), at most 1.
double NormalTwoSided(double z);
double NormalQuantile(double p);

// P(X > x) for a chi-square variable with df degrees of freedom.
double ChiSquareSf(double x, double df);
double ChiSquareQuantile(double p, double df);

double BinomialPmf(int64_t k, int64_t n, double p);
double BinomialCdf(int64_t k, int64_t n, double p);  // P(X <= k)
double BinomialSf(int64_t k, int64_t n, double p);   // P(X > k)
// The exact two-sided significance of x successes in n trials with success
// probability p: the probability of every outcome no more likely than x (with
// a relative tolerance of 1e-7, as R's binom.test counts them).
double BinomialTwoSided(int64_t x, int64_t n, double p);

double BetaQuantile(double p, double a, double b);

double PoissonCdf(double k, double mean);  // P(X <= floor(k))

// P(K > z) for the limiting Kolmogorov distribution (K = sqrt(n) D).
double KolmogorovSf(double z);

}  // namespace npar::engine::stats
