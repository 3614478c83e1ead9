// Effect sizes of the tests, with confidence intervals where a published
// method gives one:
//
//   rank-biserial correlation, two groups    r = 2 U2 / (n1 n2) - 1; Fisher's z interval
//                                            with SE sqrt((n1 + n2 + 1) / (3 n1 n2)); none
//                                            at r = -1 or 1, where z is infinite
//   matched-pairs rank-biserial correlation  r = (W+ - W-) / (n (n + 1) / 2); Fisher's z
//                                            interval with SE sqrt((2n^3 + 3n^2 + n) / 6)
//                                            / (n (n + 1) / 2) (Kerby 2014; the method of
//                                            the R package effectsize); none at r = -1 or 1
//   epsilon-squared                          H / ((n^2 - 1) / (n + 1)) (Tomczak & Tomczak 2014)
//   eta-squared of Cochran's Q               Q / (n (k - 1)) (Serlin, Carr & Marascuilo 1982;
//                                            Tomczak & Tomczak 2014)
//   Cohen's w, Cramer's V                    sqrt(X^2 / n), sqrt(X^2 / (n (m - 1))); interval
//                                            by inverting the noncentral chi-square in its
//                                            noncentrality (Steiger 2004)
//   odds ratio of the discordant pairs       b / c; exact interval from the Clopper-Pearson
//                                            interval of b / (b + c) (Agresti 2013, 11.1.4)
//
// NaN marks a bound no method gives.
#pragma once

#include <cstddef>

namespace npar::engine::stats {

struct EffectSize {
    double estimate = 0;
    double lower;
    double upper;
};

EffectSize RankBiserialTwoGroups(double uSecond, double n1, double n2, double level);
EffectSize RankBiserialPaired(double wPlus, double wMinus, double n, double level);
double EpsilonSquared(double h, double n);
double CochranEtaSquared(double q, double n, double k);
EffectSize CohensW(double chiSquare, double df, double n, double level);
EffectSize CramersV(double chiSquare, double df, double n, double smallerDimension, double level);
EffectSize DiscordantOddsRatio(double b, double c, double level);

}  // namespace npar::engine::stats
