// Effect sizes written beside each test's statistics, against the published
// formulas evaluated in R (tests/engine/data/effect_sizes.R, whose output is
// EFFECT-SIZES.md; each value there stands under its expression).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EngineFixture.h"

using enginetest::DataFile;
using enginetest::EngineRun;
using enginetest::ExpectNear;

TEST(EffectSizes, RankBiserialCorrelationsOfGroupsAndPairs) {
    // Two groups: r = 2 U / (n1 n2) - 1 with U the second group's (trt2 against
    // ctrl), Fisher-z interval with SE sqrt((n1 + n2 + 1) / (3 n1 n2)).
    const EngineRun groups(DataFile("PlantGrowth.csv"),
                           {"mann-whitney weight by group groups=ctrl,trt2"});
    EXPECT_EQ(groups.Statistic(0, "RankBiserialCorrelation", "EffectSize"), 0.5);
    ExpectNear(groups.Statistic(0, "LowerLimit", "EffectSize"), 0.030738729305766);
    ExpectNear(groups.Statistic(0, "UpperLimit", "EffectSize"), 0.788655074576659);
    // The significance stays the one the summary shows.
    ExpectNear(groups.Statistic(0, "ExactSig2Tailed"), 0.0630128385546342);  // R wilcox.test, exact

    // Pairs: r = (W+ - W-) / (n (n + 1) / 2) of the differences y - x.
    const EngineRun pairs(DataFile("depression.csv"), {"wilcoxon x y", "wilcoxon y x"});
    ExpectNear(pairs.Statistic(0, "RankBiserialCorrelation", "EffectSize"), -0.777777777777778);
    ExpectNear(pairs.Statistic(0, "LowerLimit", "EffectSize"), -0.944155901920081);
    ExpectNear(pairs.Statistic(0, "UpperLimit", "EffectSize"), -0.295363129336242);
    // The other direction turns the sign and the interval.
    ExpectNear(pairs.Statistic(1, "RankBiserialCorrelation", "EffectSize"), 0.777777777777778);
    ExpectNear(pairs.Statistic(1, "UpperLimit", "EffectSize"), 0.944155901920081);
}

// Groups that do not overlap, or differences all of one sign, make r = 1 or
// -1 (by the formulas above: U2 = n1 n2 = 9 gives 2 * 9 / 9 - 1 = 1; W- = 0
// gives 1). Fisher's z is infinite there, so no interval is written, and a
// note says why rather than an interval of zero width.
TEST(EffectSizes, RankBiserialAtItsBoundsHasNoInterval) {
    const EngineRun run("x,g\n1,a\n2,a\n3,a\n4,b\n5,b\n6,b\n",
                        {"mann-whitney x by g", "wilcoxon x median=0", "wilcoxon x median=2.5"});
    for (size_t test : {0, 1}) {
        SCOPED_TRACE(test);
        EXPECT_EQ(run.Statistic(test, "RankBiserialCorrelation", "EffectSize"), 1);
        EXPECT_FALSE(run.HasStatistic(test, "LowerLimit", "EffectSize"));
        EXPECT_FALSE(run.HasStatistic(test, "UpperLimit", "EffectSize"));
        const std::vector<std::string> messages = run.Messages(test);
        EXPECT_NE(std::find(messages.begin(), messages.end(), "40104 helpMessage"), messages.end());
    }
    // Inside the bounds the interval stays, without the note: about 2.5 the
    // distances 0.5 0.5 1.5 1.5 2.5 3.5 rank 1.5 1.5 3.5 3.5 5 6, W+ = 1.5 +
    // 3.5 + 5 + 6 = 16 and W- = 5, r = 11 / 21.
    ExpectNear(run.Statistic(2, "RankBiserialCorrelation", "EffectSize"), 11.0 / 21.0);
    EXPECT_TRUE(run.HasStatistic(2, "LowerLimit", "EffectSize"));
    const std::vector<std::string> inside = run.Messages(2);
    EXPECT_EQ(std::find(inside.begin(), inside.end(), "40104 helpMessage"), inside.end());
}

TEST(EffectSizes, EpsilonSquaredKendallsWAndCochransEtaSquared) {
    const EngineRun run(DataFile("PlantGrowth.csv"), {"kruskal-wallis weight by group compare=none"});
    // epsilon-squared = H / ((n^2 - 1) / (n + 1)), H = kruskal.test's 7.98822874944372
    ExpectNear(run.Statistic(0, "EpsilonSquared", "EffectSize"), 0.275456163773921);
    EXPECT_FALSE(run.HasStatistic(0, "LowerLimit", "EffectSize"));  // no closed-form interval

    // Kendall's W = X2 / (N (k - 1)) with scipy's tie-corrected X2 on RoundingTimes.
    const EngineRun times(DataFile("RoundingTimes.csv"),
                          {"friedman Round.Out Narrow.Angle Wide.Angle compare=none"});
    ExpectNear(times.Statistic(0, "KendallsW", "EffectSize"),
               0.253246753246753);  // REFERENCES.md section 12

    // Cochran's Q: eta-squared Q / (n (k - 1)), Q = friedman.test on the 0/1 items
    // (EFFECT-SIZES.md); the same whichever value is the success.
    const EngineRun tasks(DataFile("cochran.csv"), {"cochran task1 task2 task3 success=1 compare=none",
                                                    "cochran task1 task2 task3 compare=none"});
    ExpectNear(tasks.Statistic(0, "EtaSquaredQ", "EffectSize"), 0.447916666666667, 1e-12);
    ExpectNear(tasks.Statistic(1, "EtaSquaredQ", "EffectSize"), 0.447916666666667, 1e-12);
    EXPECT_FALSE(tasks.HasStatistic(0, "LowerLimit", "EffectSize"));
}

TEST(EffectSizes, CohensWAndCramersVWithNoncentralIntervals) {
    const EngineRun months(DataFile("airquality.csv"),
                           {"chi-square Month expected=0.1,0.2,0.3,0.2,0.2"});
    ExpectNear(months.Statistic(0, "CohensW", "EffectSize"), 0.370267831506176);
    ExpectNear(months.Statistic(0, "LowerLimit", "EffectSize"), 0.173616996101897, 1e-7);
    ExpectNear(months.Statistic(0, "UpperLimit", "EffectSize"), 0.506017287494414, 1e-7);
    const std::vector<std::string> inside = months.Messages(0);
    EXPECT_EQ(std::find(inside.begin(), inside.end(), "40107 helpMessage"), inside.end());

    // chickwts' feeds fit equal proportions closer than chance would
    // (X2 = 0.746 on 5 df, pchisq(X2, 5) = .020 < .025): no noncentrality
    // gives X2 so small with probability .025, so the interval is [0, 0], and
    // w = sqrt(X2 / n) = 0.1025 lies above it, which a note says
    // (EFFECT-SIZES.md).
    const EngineRun feeds(DataFile("chickwts.csv"), {"chi-square feed"});
    ExpectNear(feeds.Statistic(0, "CohensW", "EffectSize"), 0.102536759003951);
    EXPECT_EQ(feeds.Statistic(0, "LowerLimit", "EffectSize"), 0);
    EXPECT_EQ(feeds.Statistic(0, "UpperLimit", "EffectSize"), 0);
    const std::vector<std::string> above = feeds.Messages(0);
    EXPECT_NE(std::find(above.begin(), above.end(), "40107 helpMessage"), above.end());

    // The median test's 2 x 3 table of PlantGrowth: V = sqrt(X2 / n); the
    // lower limit is 0 where even no effect makes X2 this likely.
    const EngineRun median(DataFile("PlantGrowth.csv"), {"median weight by group compare=none"});
    ExpectNear(median.Statistic(0, "CramersV", "EffectSize"), 0.489897948556636);
    EXPECT_EQ(median.Statistic(0, "LowerLimit", "EffectSize"), 0);
    ExpectNear(median.Statistic(0, "UpperLimit", "EffectSize"), 0.821355386019436, 1e-7);

    // Eight cases split perfectly about the median: V = 1, and the interval
    // stays within V's range (the noncentrality's limit alone would give 1.19).
    const EngineRun perfect("v,g\n1,1\n2,1\n3,1\n4,1\n5,2\n6,2\n7,2\n8,2\n",
                            {"median v by g compare=none"});
    EXPECT_DOUBLE_EQ(perfect.Statistic(0, "CramersV", "EffectSize"), 1);
    EXPECT_LE(perfect.Statistic(0, "UpperLimit", "EffectSize"), 1);
    EXPECT_GT(perfect.Statistic(0, "LowerLimit", "EffectSize"), 0);
}

TEST(EffectSizes, OddsRatioProportionAndD) {
    // Performance: 150 cases from approval to disapproval, 86 the other way.
    const EngineRun mcnemar(DataFile("Performance.csv"), {"mcnemar first second success=Approve"});
    ExpectNear(mcnemar.Statistic(0, "OddsRatio", "EffectSize"), 1.74418604651163);
    ExpectNear(mcnemar.Statistic(0, "LowerLimit", "EffectSize"), 1.32922825260526);
    ExpectNear(mcnemar.Statistic(0, "UpperLimit", "EffectSize"), 2.30097908042199);

    // The binomial test's observed proportion with the Clopper-Pearson
    // interval (R binom.test(18, 70)$conf.int).
    const EngineRun binomial(DataFile("precip.csv"), {"binomial precip cut=30"});
    ExpectNear(binomial.Statistic(0, "ObservedProportion", "EffectSize"), 18.0 / 70);
    ExpectNear(binomial.Statistic(0, "LowerLimit", "EffectSize"), 0.160069890932403);

    // Kolmogorov-Smirnov: D itself (scipy.stats.kstest / ks_2samp).
    const EngineRun ks(DataFile("faithful.csv"), {"ks eruptions dist=uniform min=1 max=6"});
    ExpectNear(ks.Statistic(0, "D", "EffectSize"), 0.198694117647059);
}
