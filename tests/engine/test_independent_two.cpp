// The two-group independent-samples tests against their published
// references, on R's data sets. Numbers come from
// tests/engine/data/REFERENCES.md (sections 14-18, 22) unless the R
// expression that produced them is given beside them.
//
// Groups are the grouping values in ascending order; U and W are the second
// group's, the Hodges-Lehmann shift is second minus first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "EngineFixture.h"
#include "stats/Independent.h"

using enginetest::DataFile;
using enginetest::EngineRun;
using enginetest::ExpectNear;
using enginetest::UsageErrorOf;

namespace {

// Fifty untied values, 20 in group a and 30 in group b; with the 51st case
// (b = 12.345) the exact rules no longer apply. R: set.seed(11); a <-
// round(rnorm(20, 10, 2), 3); b <- round(rnorm(30, 11.5, 2), 3).
std::string ThresholdData(bool fiftyFirst) {
    const double a[] = {8.818, 10.053, 6.967, 7.275, 12.357, 8.132,  12.647, 11.25,  9.909, 7.992,
                        8.343, 9.303,  6.923, 9.489, 7.7,    10.025, 9.554,  11.776, 8.816, 8.689};
    const double b[] = {10.135, 11.468, 10.615, 12.205, 11.646, 11.514, 11.125, 9.969,  11.058, 9.533,
                        9.291,  9.624,  12.857, 8.345,  9.76,   12.469, 11.128, 14.591, 10.277, 10.804,
                        8.227,  11.541, 13.283, 9.755,  13.28,  10.812, 7.126,  13.26,  12.948, 11.94};
    std::string csv = "x,g\n";
    for (double v : a) csv += std::to_string(v) + ",a\n";
    for (double v : b) csv += std::to_string(v) + ",b\n";
    if (fiftyFirst) csv += "12.345,b\n";
    return csv;
}

double RowSum(const std::vector<double>& row) {
    double sum = 0;
    for (double v : row) sum += v;
    return sum;
}

}  // namespace

TEST(MannWhitneyTest, AgreesWithScipyAndR) {
    const EngineRun pg(DataFile("PlantGrowth.csv"), {"mann-whitney weight by group groups=ctrl,trt1",
                                                     "mann-whitney weight by group groups=trt2,ctrl"});
    // ctrl vs trt1, one tie: U2 = 32.5, R2 = 87.5; scipy mannwhitneyu(trt1, ctrl) asymptotic.
    EXPECT_EQ(pg.ConditionKey(0), "CategoryListsAreSpecified_I_MannWhitneyU_2");
    EXPECT_EQ(pg.Parameter(0, 0), std::vector<double>{0});
    EXPECT_EQ(pg.Parameter(0, 1), std::vector<double>{1});
    EXPECT_EQ(pg.Statistic(0, "TotalN"), 20);
    EXPECT_EQ(pg.Statistic(0, "MannWhitneyU"), 32.5);
    EXPECT_EQ(pg.Statistic(0, "TestStatistic"), 32.5);
    EXPECT_EQ(pg.Statistic(0, "WilcoxonW"), 87.5);
    ExpectNear(pg.Statistic(0, "StandardError"), 13.2237824034061);
    ExpectNear(pg.Statistic(0, "StandardizedTestStatistic"), -1.32337325782769);
    ExpectNear(pg.Statistic(0, "AsymptoticSig2Tailed"), 0.1857112804448);
    EXPECT_FALSE(pg.HasStatistic(0, "ExactSig2Tailed"));  // a tie: no exact significance
    EXPECT_EQ(pg.Messages(0), std::vector<std::string>{"40310 helpMessage"});
    // The two groups' histograms: category, size, mean rank (R1/n1, R2/n2), common bins.
    EXPECT_EQ(pg.TableAttribute(0, {"Group_0"}, "GroupIndex"), 0);
    EXPECT_EQ(pg.TableAttribute(0, {"Group_1"}, "GroupIndex"), 1);
    EXPECT_EQ(pg.TableAttribute(0, {"Group_1"}, "N"), 10);
    ExpectNear(pg.TableAttribute(0, {"Group_0"}, "MeanOfRank"), 12.25);
    ExpectNear(pg.TableAttribute(0, {"Group_1"}, "MeanOfRank"), 8.75);
    const auto first = pg.TableRows(0, {"Group_0", "Interval"});
    const auto second = pg.TableRows(0, {"Group_1", "Interval"});
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(RowSum(first[0]), 10);
    EXPECT_EQ(RowSum(second[0]), 10);
    EXPECT_EQ(first[1], second[1]);

    // ctrl vs trt2 (named in either order), no ties, N = 20: U2 = 75, R2 = 130, exact.
    EXPECT_EQ(pg.Parameter(1, 1), std::vector<double>{1});
    EXPECT_EQ(pg.Statistic(1, "MannWhitneyU"), 75);
    EXPECT_EQ(pg.Statistic(1, "WilcoxonW"), 130);
    ExpectNear(pg.Statistic(1, "StandardizedTestStatistic"), 1.88982236504614);
    ExpectNear(pg.Statistic(1, "AsymptoticSig2Tailed"), 0.0587817213553589);
    ExpectNear(pg.Statistic(1, "ExactSig2Tailed"), 0.0630128385546342);  // R wilcox.test exact
    EXPECT_EQ(pg.Decision(1), "retain");

    const EngineRun cw(DataFile("chickwts.csv"), {"mann-whitney weight by feed groups=horsebean,linseed",
                                                  "mann-whitney weight by feed groups=linseed,soybean"});
    EXPECT_EQ(cw.Statistic(0, "MannWhitneyU"), 100);  // U2 = 120 - U1
    ExpectNear(cw.Statistic(0, "StandardizedTestStatistic"), 2.63752189358315);
    ExpectNear(cw.Statistic(0, "AsymptoticSig2Tailed"), 0.00835142344155688);
    ExpectNear(cw.Statistic(0, "ExactSig2Tailed"), 0.00714455822814956);
    EXPECT_EQ(cw.Decision(0), "reject");
    EXPECT_EQ(cw.Statistic(1, "MannWhitneyU"), 107.5);
    ExpectNear(cw.Statistic(1, "StandardError"), 19.4355740450736);
    ExpectNear(cw.Statistic(1, "AsymptoticSig2Tailed"), 0.226615586190519);
    EXPECT_FALSE(cw.HasStatistic(1, "ExactSig2Tailed"));

    // airquality, 37 cases missing Ozone left out: Month 5 (26) against 6 (9).
    const EngineRun aq(DataFile("airquality.csv"), {"mann-whitney Ozone by Month groups=5,6"});
    EXPECT_EQ(aq.Statistic(0, "TotalN"), 35);
    EXPECT_EQ(aq.Statistic(0, "MannWhitneyU"), 152);
    EXPECT_EQ(aq.Statistic(0, "WilcoxonW"), 197);
    ExpectNear(aq.Statistic(0, "StandardError"), 26.4730082927352);
    ExpectNear(aq.Statistic(0, "AsymptoticSig2Tailed"), 0.186134404351589);
}

TEST(MannWhitneyTest, ExactSignificanceUpToFiftyUntiedCases) {
    // R: wilcox.test(b, a, exact = TRUE) and exact = FALSE, correct = FALSE.
    const EngineRun fifty(ThresholdData(false), {"mann-whitney x by g"});
    EXPECT_EQ(fifty.ConditionKey(0), "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2");
    EXPECT_EQ(fifty.Statistic(0, "MannWhitneyU"), 461);
    ExpectNear(fifty.Statistic(0, "AsymptoticSig2Tailed"), 0.00143124304307136);
    ExpectNear(fifty.Statistic(0, "ExactSig2Tailed"), 0.00111089261999515);
    const EngineRun fiftyOne(ThresholdData(true), {"mann-whitney x by g"});
    EXPECT_EQ(fiftyOne.Statistic(0, "MannWhitneyU"), 479);
    ExpectNear(fiftyOne.Statistic(0, "AsymptoticSig2Tailed"), 0.00111228903420864);
    EXPECT_FALSE(fiftyOne.HasStatistic(0, "ExactSig2Tailed"));
}

TEST(WaldWolfowitzTest, AgreesWithTheTextbookFormulas) {
    const EngineRun pg(DataFile("PlantGrowth.csv"), {"wald-wolfowitz weight by group groups=ctrl,trt2",
                                                     "wald-wolfowitz weight by group groups=ctrl,trt1"});
    // N = 20 < 50: z with the continuity correction; exact P(R <= r) as N <= 50.
    for (const char* bound : {"MinimumPossible", "MaximumPossible"}) {
        EXPECT_EQ(pg.Statistic(0, "TestStatistic", bound), 10);
        ExpectNear(pg.Statistic(0, "StandardizedTestStatistic", bound), -0.22973414586817);
        ExpectNear(pg.Statistic(0, "AsymptoticSig1Tailed", bound), 0.409149179944549);
        ExpectNear(pg.Statistic(0, "ExactSig1Tailed", bound), 0.414070449674165);
        // The tie 4.17 is shared by ctrl and trt1 but its order changes no run.
        EXPECT_EQ(pg.Statistic(1, "TestStatistic", bound), 8);
        ExpectNear(pg.Statistic(1, "StandardizedTestStatistic", bound), -1.14867072934085);
        ExpectNear(pg.Statistic(1, "AsymptoticSig1Tailed", bound), 0.12534588993448);
        ExpectNear(pg.Statistic(1, "ExactSig1Tailed", bound), 0.127638615254714);
    }
    // chickwts linseed vs soybean: a tied block {271, 271} across the groups.
    const EngineRun cw(DataFile("chickwts.csv"),
                       {"wald-wolfowitz weight by feed groups=linseed,soybean"});
    EXPECT_EQ(cw.Statistic(0, "TestStatistic", "MinimumPossible"), 14);
    EXPECT_EQ(cw.Statistic(0, "StandardizedTestStatistic", "MinimumPossible"), 0);
    EXPECT_EQ(cw.Statistic(0, "AsymptoticSig1Tailed", "MinimumPossible"), 0.5);
    ExpectNear(cw.Statistic(0, "ExactSig1Tailed", "MinimumPossible"), 0.593816125992731);
    EXPECT_EQ(cw.Statistic(0, "TestStatistic", "MaximumPossible"), 16);
    ExpectNear(cw.Statistic(0, "StandardizedTestStatistic", "MaximumPossible"), 0.635189595170289);
    ExpectNear(cw.Statistic(0, "AsymptoticSig1Tailed", "MaximumPossible"), 0.737347615774019);
    ExpectNear(cw.Statistic(0, "ExactSig1Tailed", "MaximumPossible"), 0.851810472472742);
    EXPECT_EQ(cw.Decision(0), "retain");
    EXPECT_EQ(cw.TableAttribute(0, {"Group_0"}, "GroupIndex"), 2);  // linseed

    // The hand-made tie example x = 1 2 2 2 5, y = 2 2 3 5 5 (DP and brute force agree).
    const EngineRun ties("v,g\n1,x\n2,x\n2,x\n2,x\n5,x\n2,y\n2,y\n3,y\n5,y\n5,y\n",
                         {"wald-wolfowitz v by g"});
    EXPECT_EQ(ties.Statistic(0, "TestStatistic", "MinimumPossible"), 3);
    EXPECT_EQ(ties.Statistic(0, "TestStatistic", "MaximumPossible"), 8);
}

TEST(WaldWolfowitzTest, ExactUpToFiftyCasesAndUncorrectedFromFifty) {
    // R: the runs of the pooled order; z = (r - E) / SD, moved by 0.5 toward
    // zero below 50 cases only (PlantGrowth above); exact P(R <= r) by the
    // runs distribution (REFERENCES.md section 15, pruns) up to 50 cases.
    const EngineRun fifty(ThresholdData(false), {"wald-wolfowitz x by g"});
    EXPECT_EQ(fifty.Statistic(0, "TestStatistic", "MinimumPossible"), 24);
    ExpectNear(fifty.Statistic(0, "StandardizedTestStatistic", "MinimumPossible"), -0.297939785765562);
    ExpectNear(fifty.Statistic(0, "AsymptoticSig1Tailed", "MinimumPossible"), 0.38287456073033);
    ExpectNear(fifty.Statistic(0, "ExactSig1Tailed", "MinimumPossible"), 0.438467527916687);
    const EngineRun fiftyOne(ThresholdData(true), {"wald-wolfowitz x by g"});
    ExpectNear(fiftyOne.Statistic(0, "StandardizedTestStatistic", "MinimumPossible"),
               -0.390173738571581);
    ExpectNear(fiftyOne.Statistic(0, "AsymptoticSig1Tailed", "MinimumPossible"), 0.348204039680832);
    EXPECT_FALSE(fiftyOne.HasStatistic(0, "ExactSig1Tailed", "MinimumPossible"));
}

TEST(TwoSampleKsTest, AgreesWithScipyKs2samp) {
    const EngineRun pg(DataFile("PlantGrowth.csv"),
                       {"ks weight by group groups=ctrl,trt1", "ks weight by group groups=ctrl,trt2"});
    // D+ = max(F1 - F2); D- is written as min(F1 - F2), the negative of scipy's "less".
    ExpectNear(pg.Statistic(0, "MostExtremeDifferencesAbsolute"), 0.4);
    ExpectNear(pg.Statistic(0, "MostExtremeDifferencesPositive"), 0.1);
    ExpectNear(pg.Statistic(0, "MostExtremeDifferencesNegative"), -0.4);
    ExpectNear(pg.Statistic(0, "TestStatistic"), 0.894427190999916);
    ExpectNear(pg.Statistic(0, "AsymptoticSig2Tailed"), 0.400471036208458, 1e-6);
    EXPECT_EQ(pg.Messages(0), std::vector<std::string>{"40311 helpMessage"});
    ExpectNear(pg.Statistic(1, "MostExtremeDifferencesPositive"), 0.5);
    EXPECT_EQ(pg.Statistic(1, "MostExtremeDifferencesNegative"), 0);
    ExpectNear(pg.Statistic(1, "TestStatistic"), 1.11803398874989);
    ExpectNear(pg.Statistic(1, "AsymptoticSig2Tailed"), 0.164079197726652, 1e-6);

    const EngineRun tg(DataFile("ToothGrowth.csv"),
                       {"ks len by supp", "independent len by supp"});  // OJ, VC
    ExpectNear(tg.Statistic(0, "MostExtremeDifferencesAbsolute"), 0.333333333333333);
    ExpectNear(tg.Statistic(0, "MostExtremeDifferencesPositive"), 0.0666666666666667);
    ExpectNear(tg.Statistic(0, "TestStatistic"), 1.29099444873581);
    ExpectNear(tg.Statistic(0, "AsymptoticSig2Tailed"), 0.0713447475011074, 1e-6);
    // The automatic choice for two groups.
    EXPECT_EQ(std::string(tg.Algorithm(1).attribute("name").as_string()), "IMannWhitneyU");
    const EngineRun cw(DataFile("chickwts.csv"), {"ks weight by feed groups=horsebean,linseed"});
    ExpectNear(cw.Statistic(0, "TestStatistic"), 1.28452325786651);
    ExpectNear(cw.Statistic(0, "AsymptoticSig2Tailed"), 0.0737626336003375, 1e-6);
}

TEST(MosesTest, SpansAndExactSignificancesAgreeWithEnumeration) {
    const EngineRun pg(
        DataFile("PlantGrowth.csv"),
        {"moses weight by group groups=ctrl,trt2", "moses weight by group groups=ctrl,trt2 control=trt2",
         "moses weight by group groups=trt2,ctrl control=trt2 outliers=2"});
    // control = ctrl: h = max(1, floor(0.05 * 10)) = 1.
    EXPECT_EQ(pg.Statistic(0, "TestStatistic", "ObservedControlGroup"), 18);
    ExpectNear(pg.Statistic(0, "ExactSig1Tailed", "ObservedControlGroup"), 0.5);
    EXPECT_EQ(pg.Statistic(0, "TestStatistic", "TrimmedControlGroup"), 15);
    ExpectNear(pg.Statistic(0, "ExactSig1Tailed", "TrimmedControlGroup"), 0.685758513931889);
    EXPECT_EQ(pg.Statistic(0, "OutliersTrimmedFromEachEnd", "TrimmedControlGroup"), 1);
    EXPECT_TRUE(pg.Messages(0).empty());
    // control = trt2 (checked against all C(20, 10) placements).
    EXPECT_EQ(pg.Statistic(1, "TestStatistic", "ObservedControlGroup"), 16);
    ExpectNear(pg.Statistic(1, "ExactSig1Tailed", "ObservedControlGroup"), 0.151702786377709);
    EXPECT_EQ(pg.Statistic(1, "TestStatistic", "TrimmedControlGroup"), 14);
    ExpectNear(pg.Statistic(1, "ExactSig1Tailed", "TrimmedControlGroup"), 0.5);
    EXPECT_EQ(pg.Decision(1), "retain");
    // The box plot shows the control group first, then the experimental group.
    EXPECT_EQ(pg.TableAttribute(1, {"BoxPlotInfo", "Group_0"}, "GroupIndex"), 2);
    EXPECT_EQ(pg.TableAttribute(1, {"BoxPlotInfo", "Group_1"}, "GroupIndex"), 0);
    EXPECT_EQ(pg.TableAttribute(1, {"BoxPlotInfo"}, "GroupCount"), 2);
    // outliers=2
    EXPECT_EQ(pg.Statistic(2, "TestStatistic", "TrimmedControlGroup"), 8);
    ExpectNear(pg.Statistic(2, "ExactSig1Tailed", "TrimmedControlGroup"), 0.174922600619195);

    const EngineRun cw(DataFile("chickwts.csv"), {"moses weight by feed groups=horsebean,linseed"});
    EXPECT_EQ(cw.Statistic(0, "TestStatistic", "ObservedControlGroup"), 16);
    ExpectNear(cw.Statistic(0, "ExactSig1Tailed", "ObservedControlGroup"), 0.0588235294117647);
    EXPECT_EQ(cw.Statistic(0, "TestStatistic", "TrimmedControlGroup"), 14);
    ExpectNear(cw.Statistic(0, "ExactSig1Tailed", "TrimmedControlGroup"), 0.304953560371517);
}

TEST(MosesTest, TiesTakeTheLargestSpanAndTrimmingKeepsTwoControlCases) {
    // Control c = 1 2 2 5, experimental e = 2 3 4. Over the orders of the
    // three 2s the trimmed span (second lowest to second highest control
    // position) is at most 3; the untrimmed span is 7 in every order. By
    // enumeration of the 35 placements of 4 control positions among 7
    // (REFERENCES.md section 17, moses_enum): P(span_1 <= 3) = 6/7, P(span <= 7) = 1.
    const std::string data = "v,g\n1,c\n2,c\n2,c\n5,c\n2,e\n3,e\n4,e\n";
    const EngineRun run(data, {"moses v by g control=c", "moses v by g outliers=3"});
    EXPECT_EQ(run.Statistic(0, "TestStatistic", "ObservedControlGroup"), 7);
    EXPECT_EQ(run.Statistic(0, "ExactSig1Tailed", "ObservedControlGroup"), 1);
    EXPECT_EQ(run.Statistic(0, "TestStatistic", "TrimmedControlGroup"), 3);
    ExpectNear(run.Statistic(0, "ExactSig1Tailed", "TrimmedControlGroup"), 6.0 / 7.0);
    EXPECT_EQ(run.Messages(0), std::vector<std::string>{"40306 warning"});
    // outliers=3 would leave no control case: one from each end is the most.
    EXPECT_EQ(run.Statistic(1, "OutliersTrimmedFromEachEnd", "TrimmedControlGroup"), 1);
    EXPECT_EQ(run.Messages(1), (std::vector<std::string>{"40305 warning", "40306 warning"}));

    // A control group of one case has no span.
    const EngineRun lone("v,g\n1,c\n2,e\n3,e\n", {"moses v by g"});
    EXPECT_EQ(lone.Messages(0), std::vector<std::string>{"40302 error"});
    EXPECT_EQ(lone.Decision(0), "");
}

TEST(MosesTest, SignificanceHoldsForLargeGroups) {
    using npar::engine::stats::MosesSignificance;
    // R, REFERENCES.md section 17's moses_p (choose() in doubles, fine up to m + n = 1000).
    ExpectNear(MosesSignificance(980, 500, 500, 5), 0.669894765409628);
    ExpectNear(MosesSignificance(700, 500, 500, 0), 2.00480537893127e-117);
    // By hand for groups whose first term underflows a double: the span is N
    // only when both end positions hold control cases, P = m(m-1) / (N(N-1)).
    const double m = 1e6, all = 2e6;
    EXPECT_EQ(MosesSignificance(all, 1000000, 1000000, 0), 1);
    ExpectNear(MosesSignificance(all - 1, 1000000, 1000000, 0), 1 - m * (m - 1) / (all * (all - 1)));
}

TEST(HodgesLehmannTest, AgreesWithRWilcoxTestConfInt) {
    const EngineRun pg(DataFile("PlantGrowth.csv"), {"hodges-lehmann weight by group groups=ctrl,trt2",
                                                     "hodges-lehmann weight by group groups=ctrl,trt1"});
    // trt2 - ctrl, no ties, N = 20: exact interval. R: wilcox.test(trt2, ctrl,
    // conf.int = TRUE, exact = TRUE); REFERENCES.md gives ctrl - trt2 = -0.49, (-1, 0.04).
    EXPECT_EQ(pg.ConditionKey(0), "CategoryListsAreSpecified_I_HodgesLehman_2");
    ExpectNear(pg.Statistic(0, "Estimate"), 0.49);
    ExpectNear(pg.Statistic(0, "Lower", "Asymptotic"), -0.04);
    ExpectNear(pg.Statistic(0, "Upper", "Asymptotic"), 1.0);
    EXPECT_EQ(pg.Statistic(0, "TotalN"), 20);
    EXPECT_EQ(pg.Messages(0), std::vector<std::string>{"40314 helpMessage"});
    EXPECT_EQ(pg.Decision(0), "");  // an estimate decides nothing
    // trt1 - ctrl with a tie: the asymptotic interval, R's uniroot bounds
    // snapped to the differences they converge to (ctrl - trt1: -0.28, 1.01).
    ExpectNear(pg.Statistic(1, "Estimate"), -0.405);
    ExpectNear(pg.Statistic(1, "Lower", "Asymptotic"), -1.01);
    ExpectNear(pg.Statistic(1, "Upper", "Asymptotic"), 0.28);
    EXPECT_EQ(pg.Messages(1), std::vector<std::string>{"40315 helpMessage"});

    // Ties within the groups: R median(outer(o6, o5, "-")) = 6, and
    // wilcox.test(o6, o5, conf.int = TRUE, exact = FALSE, correct = FALSE)
    // converges (uniroot, ~1e-4) to -4.99996, 17.99998: the differences -5 and 18.
    const EngineRun aq(DataFile("airquality.csv"), {"hodges-lehmann Ozone by Month groups=5,6"});
    EXPECT_EQ(aq.Statistic(0, "Estimate"), 6);
    EXPECT_NEAR(aq.Statistic(0, "Lower", "Asymptotic"), -4.9999602469922, 1e-3);
    EXPECT_NEAR(aq.Statistic(0, "Upper", "Asymptotic"), 17.9999801463179, 1e-3);
}

// Two cases in each group: even the widest interval, from the smallest
// difference to the largest, is only 1 - 2 P(U = 0) = 1 - 2/6. R:
// wilcox.test(c(3, 5), c(1, 2), conf.int = TRUE) gives [1, 4] with
// conf.level 0.6666667 ("requested conf.level not achievable").
TEST(HodgesLehmannTest, TooFewCasesForTheLevelGiveTheWidestIntervalAndSaySo) {
    const EngineRun run("x,g\n1,a\n2,a\n3,b\n5,b\n", {"hodges-lehmann x by g"});
    EXPECT_EQ(run.Statistic(0, "Estimate"), 2.5);
    EXPECT_EQ(run.Statistic(0, "Lower", "Asymptotic"), 1);
    EXPECT_EQ(run.Statistic(0, "Upper", "Asymptotic"), 4);
    EXPECT_EQ(run.Messages(0), (std::vector<std::string>{"40314 helpMessage", "40105 helpMessage"}));
    ExpectNear(run.MessageNumber(0, 40105), 100 * (1 - 2.0 / 6));
}

TEST(HodgesLehmannTest, SelectionFindsEveryOrderedDifference) {
    // The selection among the m n differences against sorting all of them,
    // on data with many ties and on groups of unequal size.
    std::mt19937 random(7);
    for (const auto& [m, n] : {std::pair<size_t, size_t>{9, 11}, {1, 7}, {40, 3}, {120, 95}}) {
        std::vector<double> first(m), second(n);
        for (double& v : first) v = static_cast<double>(random() % 17) * 0.25;
        for (double& v : second) v = static_cast<double>(random() % 23) * 0.25;
        std::sort(first.begin(), first.end());
        std::sort(second.begin(), second.end());
        std::vector<double> all;
        for (double y : second)
            for (double x : first) all.push_back(y - x);
        std::sort(all.begin(), all.end());
        const uint64_t step = std::max<uint64_t>(1, all.size() / 97);
        for (uint64_t k = 1; k <= all.size(); k += step)
            ASSERT_EQ(npar::engine::stats::KthDifference(first, second, k), all[k - 1])
                << m << "x" << n << " k=" << k;
        EXPECT_EQ(npar::engine::stats::KthDifference(first, second, all.size()), all.back());
    }
}

TEST(TwoGroupTests, BadRequestsAreUsageErrorsAndBadDataAreMessages) {
    const std::string pg = DataFile("PlantGrowth.csv");
    const std::string never = UsageErrorOf(pg, {"mann-whitney weight by group groups=ctrl,placebo"});
    EXPECT_NE(never.find("mann-whitney weight by group groups=ctrl,placebo"), std::string::npos)
        << never;
    EXPECT_NE(never.find("\"placebo\" never occurs in \"group\""), std::string::npos) << never;
    const std::string three = UsageErrorOf(pg, {"ks weight by group"});
    EXPECT_NE(three.find("has 3 values; name the two groups"), std::string::npos) << three;
    const std::string text = UsageErrorOf(pg, {"mann-whitney group by weight groups=4.17,5.58"});
    EXPECT_NE(text.find("field \"group\" holds text"), std::string::npos) << text;
    const std::string one = UsageErrorOf("x,g\n1,a\n2,a\n", {"hodges-lehmann x by g"});
    EXPECT_NE(one.find("\"g\" has only one value"), std::string::npos) << one;
    const std::string control =
        UsageErrorOf(pg, {"moses weight by group groups=ctrl,trt1 control=trt2"});
    EXPECT_NE(control.find("control=trt2 is not one of the two groups"), std::string::npos) << control;

    // Split b has no case of group y; a case without a group value is left
    // out; split c's values are all tied.
    const std::string data = "x,g,s\n1,x,a\n2,y,a\n3,y,a\n4,,a\n1,x,b\n5,x,b\n2,x,c\n2,y,c\n2,y,c\n";
    const EngineRun run(data,
                        {"mann-whitney x by g", "hodges-lehmann x by g", "wald-wolfowitz x by g",
                         "ks x by g", "moses x by g"},
                        [](npar::engine::AnalysisRequest& request) { request.splitBy = {"s"}; });
    ASSERT_EQ(run.SplitCount(), 3u);
    EXPECT_EQ(run.Statistic(0, "TotalN", "", 0), 3);
    EXPECT_EQ(run.Statistic(0, "MannWhitneyU", "", 0), 2);
    for (size_t test = 0; test < 5; ++test) {
        EXPECT_EQ(run.Messages(test, 1).front(), "40009 error") << test;
        EXPECT_EQ(run.Decision(test, 1), "") << test;
    }
    EXPECT_EQ(run.Messages(0, 2), std::vector<std::string>{"40010 error"});
    EXPECT_EQ(run.Statistic(3, "AsymptoticSig2Tailed", "", 2), 1);  // identical distributions
}
