// The k-sample independent-samples tests and their multiple comparisons
// against published references, on R's data sets. Numbers come from
// tests/engine/data/REFERENCES.md (sections 19-22) unless the R expression
// that produced them is given beside them.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineFixture.h"

using enginetest::DataFile;
using enginetest::EngineRun;
using enginetest::ExpectNear;
using enginetest::UsageErrorOf;

namespace {

// The comparison row of two samples (category positions), in either order.
std::vector<double> ComparisonRow(const EngineRun& run, size_t test, double a, double b) {
    for (const std::vector<double>& row : run.TableRows(test, {"PairwiseResult", "Content"})) {
        if ((row[0] == a && row[1] == b) || (row[0] == b && row[1] == a)) return row;
    }
    ADD_FAILURE() << "no comparison of " << a << " and " << b;
    return std::vector<double>(7, std::nan(""));
}

// Expects a row: statistic, standard error, z, significance, Bonferroni's
// adjustment over `pairs` comparisons (NaN where the test has none).
void ExpectComparison(const std::vector<double>& row, double statistic, double error, double z, double p,
                      double pairs) {
    ExpectNear(row[2], statistic);
    if (std::isnan(error))
        EXPECT_TRUE(std::isnan(row[3]));
    else
        ExpectNear(row[3], error);
    if (std::isnan(z))
        EXPECT_TRUE(std::isnan(row[4]));
    else
        ExpectNear(row[4], z);
    ExpectNear(row[5], p);
    ExpectNear(row[6], std::min(1.0, p * pairs));
}

// The Campbell-Skillings adjustment of a run of p of k samples.
double StepwiseAdjusted(double significance, double size, double k) {
    return 1 - std::pow(1 - significance, k / size);
}

// PlantGrowth without the cases of one group.
std::string PlantGrowthWithout(const std::string& group) {
    const std::string all = DataFile("PlantGrowth.csv");
    std::string kept;
    size_t start = 0;
    while (start < all.size()) {
        const size_t end = all.find('\n', start);
        const std::string line = all.substr(start, end - start);
        if (line.find("," + group) == std::string::npos) kept += line + "\n";
        start = end == std::string::npos ? all.size() : end + 1;
    }
    return kept;
}

}  // namespace

TEST(KruskalWallisTest, AgreesWithScipyKruskalAndDunn) {
    const EngineRun pg(DataFile("PlantGrowth.csv"),
                       {"kruskal-wallis weight by group", "independent weight by group"});
    EXPECT_EQ(pg.ConditionKey(0), "DefaultAllDistinctValuesUsed_I_KruskalWallis_2");
    EXPECT_EQ(pg.Statistic(0, "TotalN"), 30);
    ExpectNear(pg.Statistic(0, "TestStatistic"), 7.98822874944372);
    EXPECT_EQ(pg.Statistic(0, "DegreeOfFreedom"), 2);
    ExpectNear(pg.Statistic(0, "AsymptoticSig2Tailed"), 0.018423755731472);
    EXPECT_EQ(pg.Decision(0), "reject");
    // Mean ranks for the box plot and the network chart.
    ExpectNear(pg.TableAttribute(0, {"BoxPlotInfo", "Group_0"}, "MeanOfRank"), 14.75);
    ExpectNear(pg.TableAttribute(0, {"BoxPlotInfo", "Group_1"}, "MeanOfRank"), 10.35);
    ExpectNear(pg.TableAttribute(0, {"BoxPlotInfo", "Group_2"}, "MeanOfRank"), 21.4);
    EXPECT_EQ(pg.TableAttribute(0, {"BoxPlotInfo"}, "GroupFieldIndex"), 1);
    EXPECT_EQ(pg.TableAttribute(0, {"PairwiseResult"}, "fieldIndex"), 1);
    // Dunn's z, tie-corrected SE, Bonferroni over 3 pairs; each row has the
    // sample of the smaller mean rank first (trt1 - ctrl = -4.4).
    ExpectComparison(ComparisonRow(pg, 0, 1, 0), -4.4, 3.93656598117419, -1.11772545437879,
                     0.263684267891386, 3);
    ExpectComparison(ComparisonRow(pg, 0, 1, 2), -11.05, 3.93656598117419, -2.80701506156491,
                     0.0050002903702577, 3);
    ExpectComparison(ComparisonRow(pg, 0, 0, 2), -6.65, 3.93656598117419, -1.68928960718612,
                     0.0911639440484998, 3);
    EXPECT_EQ(pg.TableRows(0, {"PairwiseResult", "Content"})[0][0], 1);  // trt1 first
    // The automatic choice for three groups.
    EXPECT_EQ(std::string(pg.Algorithm(1).attribute("name").as_string()), "IKruskalWallis");

    const EngineRun cw(DataFile("chickwts.csv"), {"kruskal-wallis weight by feed"});
    ExpectNear(cw.Statistic(0, "TestStatistic"), 37.3427176942562);
    ExpectNear(cw.Statistic(0, "AsymptoticSig2Tailed"), 5.11282951193715e-07, 1e-6);
    EXPECT_EQ(cw.TableRows(0, {"PairwiseResult", "Content"}).size(), 15u);
    // horsebean (1) - sunflower (5), casein (0) - soybean (4)
    ExpectComparison(ComparisonRow(cw, 0, 1, 5), -44.075, 8.83704998180685, -4.98752412747906,
                     6.11579839644438e-07, 15);
    ExpectComparison(ComparisonRow(cw, 0, 4, 0), -20.2976190476191, 8.11930072221045, -2.49992206743798,
                     0.012422062968442, 15);

    const EngineRun ir(DataFile("iris.csv"), {"kruskal-wallis Sepal.Length by Species compare=none",
                                              "kruskal-wallis Petal.Width by Species"});
    ExpectNear(ir.Statistic(0, "TestStatistic"), 96.9374360006482);
    ExpectNear(ir.Statistic(0, "AsymptoticSig2Tailed"), 8.91873433246246e-22, 1e-6);
    EXPECT_TRUE(ir.TableRows(0, {"PairwiseResult", "Content"}).empty());  // compare=none
    ExpectNear(ir.Statistic(1, "TestStatistic"), 131.185379740245);
    // R: kruskal.test(Speed ~ Expt, data = morley)
    const EngineRun mo(DataFile("morley.csv"), {"kruskal-wallis Speed by Expt"});
    ExpectNear(mo.Statistic(0, "TestStatistic"), 15.0221246612466);
    ExpectNear(mo.Statistic(0, "AsymptoticSig2Tailed"), 0.00465554841753268);
}

TEST(KruskalWallisTest, MissingValuesAndStepwiseSubsetsOnAirquality) {
    const EngineRun aq(DataFile("airquality.csv"), {"kruskal-wallis Ozone by Month",
                                                    "kruskal-wallis Ozone by Month compare=stepwise"});
    EXPECT_EQ(aq.Statistic(0, "TotalN"), 116);
    ExpectNear(aq.Statistic(0, "TestStatistic"), 29.2665763061169);
    ExpectNear(aq.Statistic(0, "AsymptoticSig2Tailed"), 6.90071411854678e-06);
    EXPECT_EQ(aq.TableAttribute(0, {"BoxPlotInfo", "Group_1"}, "N"), 9);  // June
    // Months are categories 0..4 (5..9). 5 - 7, and 9 - 6 (9 has the smaller mean rank).
    ExpectComparison(ComparisonRow(aq, 0, 0, 2), -41.2115384615385, 9.32499428389363, -4.41947064061156,
                     9.89429615000047e-06, 10);
    ExpectComparison(ComparisonRow(aq, 0, 4, 1), -0.0325670498084278, 12.8289701624469,
                     -0.00253855526952261, 0.997974528119149, 10);

    // Stepwise: months by mean rank 5, 9, 6, 8, 7; a run is homogeneous when
    // its Kruskal-Wallis significance, moved to 1 - (1 - p)^(k/size), is not
    // below .05. R: kruskal.test(Ozone ~ Month, subset = Month %in% run):
    // {5, 9, 6}: p = 0.213818513850859; {6, 8, 7}: p = 0.0386722860876543;
    // {9, 6, 8}: p = 0.00583214152557444 and the four- and five-month runs are not.
    EXPECT_EQ(aq.TableRows(1, {"StepwiseResult", "StepwiseInfo"})[0],
              (std::vector<double>{0, 4, 1, 3, 2}));
    const auto subsets = aq.TableRows(1, {"StepwiseResult", "Content"});
    ASSERT_EQ(subsets.size(), 2u);
    EXPECT_EQ(subsets[0][0], 0);
    EXPECT_EQ(subsets[0][1], 2);
    ExpectNear(subsets[0][2], 3.08525537977856);
    ExpectNear(subsets[0][5], 0.213818513850859);
    ExpectNear(subsets[0][6], StepwiseAdjusted(0.213818513850859, 3, 5));
    EXPECT_EQ(subsets[1][0], 2);
    EXPECT_EQ(subsets[1][1], 4);
    ExpectNear(subsets[1][2], 6.50526411450023);
    ExpectNear(subsets[1][6], StepwiseAdjusted(0.0386722860876543, 3, 5));
    EXPECT_TRUE(aq.TableRows(1, {"PairwiseResult", "Content"}).empty());
}

TEST(JonckheereTerpstraTest, AgreesWithTheHollanderWolfeFormulas) {
    const EngineRun pg(
        DataFile("PlantGrowth.csv"),
        {"jonckheere-terpstra weight by group", "jonckheere-terpstra weight by group order=descending"});
    EXPECT_EQ(pg.Statistic(0, "TestStatistic"), 191.5);
    EXPECT_EQ(pg.Statistic(0, "MeanOfTestStatistic"), 150);
    ExpectNear(pg.Statistic(0, "StandardError"), 26.296278308414);
    ExpectNear(pg.Statistic(0, "StandardizedTestStatistic"), 1.57817009362581);
    ExpectNear(pg.Statistic(0, "AsymptoticSig2Tailed"), 0.114526538766043);
    EXPECT_FALSE(pg.HasStatistic(0, "ExactSig2Tailed"));  // a tie
    EXPECT_EQ(pg.Messages(0), (std::vector<std::string>{"40312 helpMessage", "40103 helpMessage"}));
    EXPECT_EQ(pg.Statistic(1, "TestStatistic"), 108.5);
    ExpectNear(pg.Statistic(1, "StandardizedTestStatistic"), -1.57817009362581);
    EXPECT_EQ(pg.Messages(1), (std::vector<std::string>{"40313 helpMessage", "40103 helpMessage"}));
    // The box plot shows the groups in the test order.
    EXPECT_EQ(pg.TableAttribute(1, {"BoxPlotInfo", "Group_0"}, "GroupIndex"), 2);

    // No ties, N = 10: exact two-sided from the convolution (enumeration agrees).
    const EngineRun small(DataFile("jt_small.csv"), {"jonckheere-terpstra score by group"});
    EXPECT_EQ(small.Statistic(0, "TestStatistic"), 28);
    EXPECT_EQ(small.Statistic(0, "MeanOfTestStatistic"), 16.5);
    ExpectNear(small.Statistic(0, "StandardError"), 5.22015325445528);
    ExpectNear(small.Statistic(0, "StandardizedTestStatistic"), 2.20300045600865);
    ExpectNear(small.Statistic(0, "AsymptoticSig2Tailed"), 0.0275947165013741);
    ExpectNear(small.Statistic(0, "ExactSig2Tailed"), 0.0309523809523811);

    const EngineRun aq(DataFile("airquality.csv"), {"jonckheere-terpstra Ozone by Month"});
    EXPECT_EQ(aq.Statistic(0, "TotalN"), 116);
    EXPECT_EQ(aq.Statistic(0, "TestStatistic"), 2931);
    EXPECT_EQ(aq.Statistic(0, "MeanOfTestStatistic"), 2626.5);
    ExpectNear(aq.Statistic(0, "StandardError"), 203.98354727329);
    ExpectNear(aq.Statistic(0, "AsymptoticSig2Tailed"), 0.13549807007107);
}

TEST(JonckheereTerpstraTest, PairsAreOneSidedInTheTestOrder) {
    // At alpha = .2 the ordered test rejects (p = .115) and compares the pairs:
    // each J on its two groups in the test order, one-sided, Bonferroni over 3.
    const EngineRun pg(DataFile("PlantGrowth.csv"), {"jonckheere-terpstra weight by group"},
                       [](npar::engine::AnalysisRequest& request) { request.alpha = 0.2; });
    // trt1 has the smaller mean rank, but ctrl comes first in the order: J(ctrl < trt1).
    ExpectComparison(ComparisonRow(pg, 0, 1, 0), 32.5, 13.2237824034061, -1.32337325782769,
                     0.9071443597776, 3);
    // The other two pairs hold no tie (4.17 is in ctrl and trt1): their SD is
    // the untied one of REFERENCES.md (whose pairwise "sd" takes the ties of
    // all three groups), p = 1 - Phi(z_untied) (R: pnorm(z, lower.tail = FALSE)).
    ExpectComparison(ComparisonRow(pg, 0, 1, 2), 84, 13.228756555323, 2.57015841646275,
                     0.00508260094597807, 3);
    ExpectComparison(ComparisonRow(pg, 0, 0, 2), 75, 13.228756555323, 1.88982236504614,
                     0.0293908606776792, 3);
}

TEST(MedianTest, AgreesWithScipyMedianTest) {
    const EngineRun pg(DataFile("PlantGrowth.csv"),
                       {"median weight by group", "median weight by group median=5"});
    ExpectNear(pg.Statistic(0, "Median"), 5.155);
    EXPECT_EQ(pg.Statistic(0, "TestStatistic"), 7.2);
    EXPECT_EQ(pg.Statistic(0, "DegreeOfFreedom"), 2);
    ExpectNear(pg.Statistic(0, "AsymptoticSig2Tailed"), 0.0273237224472926);
    EXPECT_FALSE(pg.HasStatistic(0, "TestStatistic", "YatesContinuityCorrection"));
    // Counts above and at or below the grand median, and the grand median line.
    ExpectNear(pg.TableAttribute(0, {"BoxPlotInfo"}, "GrandMedian"), 5.155);
    const double above[] = {5, 2, 8}, below[] = {5, 8, 2};
    for (size_t g = 0; g < 3; ++g) {
        const std::string group = "Group_" + std::to_string(g);
        EXPECT_EQ(pg.TableAttribute(0, {"BoxPlotInfo", group}, "GTMedian"), above[g]);
        EXPECT_EQ(pg.TableAttribute(0, {"BoxPlotInfo", group}, "STMedian"), below[g]);
    }
    // Pairs: the chi-square of their counts about the grand median. R:
    // chisq.test(matrix(c(2, 8, 5, 5), 2), correct = FALSE) and so on; sample
    // values are the group medians (R: tapply(weight, group, median)).
    const std::vector<double> medians = pg.TableRows(0, {"PairwiseResult", "PairwiseInfo"})[1];
    ASSERT_EQ(medians.size(), 3u);
    ExpectNear(medians[0], 4.55);
    ExpectNear(medians[1], 5.155);
    ExpectNear(medians[2], 5.435);
    const double none = std::nan("");
    ExpectComparison(ComparisonRow(pg, 0, 1, 0), 1.97802197802198, none, none, 0.159598942442649, 3);
    ExpectComparison(ComparisonRow(pg, 0, 1, 2), 7.2, none, none, 0.00729035809153564, 3);
    // median=5: counts 6, 2, 9 above.
    ExpectNear(pg.Statistic(1, "TestStatistic"), 10.0452488687783);
    ExpectNear(pg.Statistic(1, "AsymptoticSig2Tailed"), 0.00658721628726403);
    EXPECT_EQ(pg.TableAttribute(1, {"BoxPlotInfo", "Group_2"}, "GTMedian"), 9);

    const EngineRun cw(DataFile("chickwts.csv"), {"median weight by feed compare=none"});
    EXPECT_EQ(cw.Statistic(0, "Median"), 258);
    ExpectNear(cw.Statistic(0, "TestStatistic"), 27.8918813990242);
    ExpectNear(cw.Statistic(0, "AsymptoticSig2Tailed"), 3.82135517372736e-05);

    const EngineRun aq(DataFile("airquality.csv"), {"median Ozone by Month"});
    EXPECT_EQ(aq.Statistic(0, "Median"), 31.5);
    ExpectNear(aq.Statistic(0, "TestStatistic"), 24.4031830238727);
    ExpectNear(aq.Statistic(0, "AsymptoticSig2Tailed"), 6.6304411765132e-05);
    EXPECT_EQ(aq.TableAttribute(0, {"BoxPlotInfo", "Group_4"}, "STMedian"), 20);
}

TEST(MedianTest, TwoGroupsAddYatesAndFisherUpToThirtyCases) {
    // ctrl and trt1 (N = 20): scipy median_test with and without correction, fisher_exact.
    const EngineRun two(PlantGrowthWithout("trt2"), {"median weight by group"});
    ExpectNear(two.Statistic(0, "Median"), 4.75);
    ExpectNear(two.Statistic(0, "TestStatistic"), 0.8);
    ExpectNear(two.Statistic(0, "AsymptoticSig2Tailed"), 0.371093369522698);
    ExpectNear(two.Statistic(0, "TestStatistic", "YatesContinuityCorrection"), 0.2);
    ExpectNear(two.Statistic(0, "AsymptoticSig2Tailed", "YatesContinuityCorrection"), 0.654720846018577);
    ExpectNear(two.Statistic(0, "FisherExactSig"), 0.656281798696659);

    // trt1 against the other 20 (N = 30): R fisher.test and chisq.test(correct = TRUE)
    // of the table above 13, 2 / at or below 7, 8.
    std::string thirty = DataFile("PlantGrowth.csv");
    for (const std::string from : {",ctrl", ",trt2"}) {
        for (size_t at = thirty.find(from); at != std::string::npos; at = thirty.find(from))
            thirty.replace(at, from.size(), ",other");
    }
    const EngineRun n30(thirty, {"median weight by group"});
    ExpectNear(n30.Statistic(0, "TestStatistic", "YatesContinuityCorrection"), 3.75);
    ExpectNear(n30.Statistic(0, "AsymptoticSig2Tailed", "YatesContinuityCorrection"),
               0.0528075114161134);
    ExpectNear(n30.Statistic(0, "FisherExactSig"), 0.0501749125437281);
    EXPECT_EQ(n30.Decision(0), "retain");
    EXPECT_TRUE(n30.Messages(0).empty());
    // One more case (6.5, other): median 5.17, no Fisher; one expected count is 15 * 10 / 31.
    const EngineRun n31(thirty + "6.5,other\n", {"median weight by group"});
    EXPECT_EQ(n31.Statistic(0, "Median"), 5.17);
    ExpectNear(n31.Statistic(0, "TestStatistic", "YatesContinuityCorrection"), 3.23301091269841);
    ExpectNear(n31.Statistic(0, "AsymptoticSig2Tailed", "YatesContinuityCorrection"),
               0.0721678901066573);
    EXPECT_FALSE(n31.HasStatistic(0, "FisherExactSig"));
    EXPECT_EQ(n31.Messages(0), std::vector<std::string>{"40307 warning"});

    // ToothGrowth len by supp (N = 60): scipy.stats.median_test(OJ, VC, ties="below",
    // correction=True / False) = (5.4, 0.0201367515503463) / (6.66666666666667, 0.00982327450751924).
    const EngineRun tg(DataFile("ToothGrowth.csv"), {"median len by supp"});
    EXPECT_EQ(tg.Statistic(0, "Median"), 19.25);
    ExpectNear(tg.Statistic(0, "TestStatistic"), 6.66666666666667);
    ExpectNear(tg.Statistic(0, "AsymptoticSig2Tailed"), 0.00982327450751924);
    ExpectNear(tg.Statistic(0, "AsymptoticSig2Tailed", "YatesContinuityCorrection"), 0.0201367515503463);
    EXPECT_FALSE(tg.HasStatistic(0, "FisherExactSig"));
    EXPECT_EQ(tg.Decision(0), "reject");
}

TEST(BoxPlots, WhiskersAndOutliersAsRBoxplotStats) {
    // R: boxplot.stats(weight[group == "trt1"]): 3.59 4.17 4.55 4.89 5.87, out 6.03 (data row 17).
    const EngineRun pg(DataFile("PlantGrowth.csv"), {"kruskal-wallis weight by group"});
    const auto box = pg.TableRows(0, {"BoxPlotInfo", "Group_1", "Box"});
    ASSERT_EQ(box.size(), 1u);
    ASSERT_EQ(box[0].size(), 5u);
    const double stats[] = {3.59, 4.17, 4.55, 4.89, 5.87};
    for (size_t i = 0; i < 5; ++i) ExpectNear(box[0][i], stats[i], 1e-12);
    EXPECT_EQ(pg.TableRows(0, {"BoxPlotInfo", "Group_1", "Outliers"}),
              (std::vector<std::vector<double>>{{6.03}, {17}}));
    EXPECT_TRUE(pg.TableRows(0, {"BoxPlotInfo", "Group_0", "Outliers"}).empty());
}

TEST(KSampleTests, ManyGroupsKeepTheTestAndLeaveOutTheComparisons) {
    // 400 groups of two cases rising with the group: each test rejects, and
    // the comparisons (79800 pairs) give way to a warning.
    std::string data = "x,g\n";
    for (int g = 0; g < 400; ++g)
        data += std::to_string(3 * g) + "," + std::to_string(g) + "\n" + std::to_string(3 * g + 1) +
                "," + std::to_string(g) + "\n";
    const EngineRun run(
        data, {"kruskal-wallis x by g", "jonckheere-terpstra x by g compare=stepwise", "median x by g"});
    for (size_t test = 0; test < 3; ++test) {
        EXPECT_EQ(run.Statistic(test, "TotalN"), 800) << test;
        EXPECT_EQ(run.Decision(test), "reject") << test;
        EXPECT_EQ(run.Messages(test).back(), "40304 warning") << test;
        EXPECT_EQ(run.TableAttribute(test, {"BoxPlotInfo"}, "GroupCount"), 400);
    }
    EXPECT_EQ(run.Statistic(0, "DegreeOfFreedom"), 399);
    EXPECT_TRUE(run.TableRows(0, {"PairwiseResult", "Content"}).empty());
    EXPECT_TRUE(run.TableRows(1, {"StepwiseResult", "Content"}).empty());
}

TEST(KSampleTests, BadRequestsAreUsageErrorsAndBadDataAreMessages) {
    const std::string one = UsageErrorOf("x,g\n1,a\n2,a\n", {"kruskal-wallis x by g"});
    EXPECT_NE(one.find("test \"kruskal-wallis x by g\""), std::string::npos) << one;
    EXPECT_NE(one.find("\"g\" has only one value"), std::string::npos) << one;
    const std::string text = UsageErrorOf(DataFile("chickwts.csv"), {"median feed by weight"});
    EXPECT_NE(text.find("field \"feed\" holds text"), std::string::npos) << text;

    // airquality split by Month: each split holds one month, so one group.
    const EngineRun months(DataFile("airquality.csv"),
                           {"kruskal-wallis Ozone by Month", "jonckheere-terpstra Ozone by Month",
                            "median Ozone by Month", "mann-whitney Ozone by Month groups=5,6"},
                           [](npar::engine::AnalysisRequest& request) { request.splitBy = {"Month"}; });
    ASSERT_EQ(months.SplitCount(), 5u);
    for (size_t split = 0; split < 5; ++split) {
        for (size_t test = 0; test < 3; ++test) {
            EXPECT_EQ(months.Messages(test, split), std::vector<std::string>{"40301 error"});
            EXPECT_EQ(months.Decision(test, split), "");
        }
        EXPECT_EQ(months.Messages(3, split).front(), "40009 error");
    }
    EXPECT_EQ(months.Statistic(0, "TotalN", "", 1), 9);  // June's cases with Ozone

    const std::string tied = "x,g\n2,a\n2,a\n2,b\n2,c\n";
    const EngineRun flat(tied, {"kruskal-wallis x by g", "jonckheere-terpstra x by g", "median x by g",
                                "median x by g median=1"});
    for (size_t test = 0; test < 3; ++test)
        EXPECT_EQ(flat.Messages(test), std::vector<std::string>{"40010 error"}) << test;
    EXPECT_EQ(flat.Messages(3), std::vector<std::string>{"40303 error"});
}
