// The related-samples tests against their published references: sign,
// Wilcoxon signed rank, McNemar, marginal homogeneity and the Hodges-Lehmann
// median difference. Every expected number from a data file comes from
// tests/engine/data/REFERENCES.md (sections 7 to 10 and 13), which names the
// R, scipy or statsmodels expression that produced it; the numbers on both
// sides of the exact thresholds come from R 4.2 with the expression written
// beside them. The k-sample tests are in test_related_ksample.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "EngineFixture.h"
#include "stats/Related.h"

using enginetest::DataFile;
using enginetest::EngineRun;
using enginetest::ExpectNear;
using enginetest::UsageErrorOf;

namespace {

// Paired data whose differences B - A are d_i = i, or -i when i is a
// multiple of 3 (i = 1..n): distinct magnitudes, no zero, exact in doubles.
// In R: i <- 1:n; d <- ifelse(i %% 3 == 0, -i, i).
std::string ThresholdPairs(int n) {
    std::string csv = "A,B\n";
    for (int i = 1; i <= n; ++i) {
        const int a = 100 + (i * 13) % 17;
        const int d = i % 3 == 0 ? -i : i;
        csv += std::to_string(a) + "," + std::to_string(a + d) + "\n";
    }
    return csv;
}

// Cases of two 0/1 fields given by the counts of the four combinations.
std::string TwoByTwo(int successBoth, int successThenFailure, int failureThenSuccess, int failureBoth) {
    std::string csv = "before,after\n";
    for (int i = 0; i < successBoth; ++i) csv += "1,1\n";
    for (int i = 0; i < successThenFailure; ++i) csv += "1,0\n";
    for (int i = 0; i < failureThenSuccess; ++i) csv += "0,1\n";
    for (int i = 0; i < failureBoth; ++i) csv += "0,0\n";
    return csv;
}

}  // namespace

// ---------------------------------------------------------------------------
// Sign test (REFERENCES.md section 7: R binom.test on the signs of B - A)

TEST(SignTest, AgreesWithRBinomTestOnTheSigns) {
    const EngineRun depression(DataFile("depression.csv"), {"sign x y"});
    // signt(dep$x, dep$y): n+ = 2, n- = 7, no zeros
    EXPECT_EQ(depression.ConditionKey(0), "R_Sign_2");
    EXPECT_EQ(depression.Parameter(0, 0), std::vector<double>{0});
    EXPECT_EQ(depression.Parameter(0, 1), std::vector<double>{1});
    EXPECT_EQ(depression.Statistic(0, "TotalN"), 9);
    EXPECT_EQ(depression.Statistic(0, "TestStatistic"), 2);
    ExpectNear(depression.Statistic(0, "StandardError"), 1.5);  // sqrt(9)/2
    ExpectNear(depression.Statistic(0, "StandardizedTestStatistic"), -1.33333333333333, 1e-12);
    ExpectNear(depression.Statistic(0, "AsymptoticSig2Tailed"), 0.182422439451736);
    ExpectNear(depression.Statistic(0, "ExactSig2Tailed"), 0.1796875);
    EXPECT_EQ(depression.Decision(0), "retain");
    EXPECT_EQ(depression.Messages(0), std::vector<std::string>{"40023 helpMessage"});  // what is counted
    EXPECT_EQ(depression.TableAttribute(0, {"ContinuousDistribution"}, "NegativeDifferences"), 7);
    EXPECT_EQ(depression.TableAttribute(0, {"ContinuousDistribution"}, "Ties"), 0);
    EXPECT_EQ(depression.TableAttribute(0, {"ContinuousDistribution"}, "PositiveDifferences"), 2);
    // The histogram of the differences: as many counted as there are pairs.
    const auto bins = depression.TableRows(0, {"ContinuousDistribution", "Interval"});
    ASSERT_EQ(bins.size(), 2u);
    double counted = 0;
    for (double count : bins[0]) counted += count;
    EXPECT_EQ(counted, 9);

    const EngineRun sleep(DataFile("sleep_wide.csv"), {"sign drug1 drug2"});
    // signt(sw$drug1, sw$drug2): n+ = 9 of 9, one zero dropped
    EXPECT_EQ(sleep.Statistic(0, "TotalN"), 10);
    EXPECT_EQ(sleep.Statistic(0, "TestStatistic"), 9);
    ExpectNear(sleep.Statistic(0, "StandardizedTestStatistic"), 2.66666666666667, 1e-12);
    ExpectNear(sleep.Statistic(0, "AsymptoticSig2Tailed"), 0.00766076113517947);
    ExpectNear(sleep.Statistic(0, "ExactSig2Tailed"), 0.00390625);
    EXPECT_EQ(sleep.TableAttribute(0, {"ContinuousDistribution"}, "Ties"), 1);
    EXPECT_EQ(sleep.Decision(0), "reject");

    const EngineRun rounding(DataFile("RoundingTimes.csv"), {"sign Round.Out Narrow.Angle"});
    // signt(rt$Round.Out, rt$Narrow.Angle): 6 positive, 12 negative, 4 zeros
    EXPECT_EQ(rounding.Statistic(0, "TestStatistic"), 6);
    ExpectNear(rounding.Statistic(0, "StandardizedTestStatistic"), -1.17851130197758, 1e-12);
    ExpectNear(rounding.Statistic(0, "AsymptoticSig2Tailed"), 0.238592829316435);
    ExpectNear(rounding.Statistic(0, "ExactSig2Tailed"), 0.237884521484375);
    EXPECT_EQ(rounding.TableAttribute(0, {"ContinuousDistribution"}, "Ties"), 4);
}

TEST(SignTest, AboveTwentyFiveDifferencesUsesTheCorrectedNormal) {
    const EngineRun iris(DataFile("iris.csv"), {"sign Sepal.Width Petal.Length"});
    // signt(ir$Sepal.Width, ir$Petal.Length): 100 of 150, normal with continuity correction
    EXPECT_EQ(iris.Statistic(0, "TestStatistic"), 100);
    ExpectNear(iris.Statistic(0, "StandardizedTestStatistic"), 4.00083324654586, 1e-12);
    ExpectNear(iris.Statistic(0, "AsymptoticSig2Tailed"), 6.31198278058994e-05);
    EXPECT_FALSE(iris.HasStatistic(0, "ExactSig2Tailed"));

    const EngineRun air(DataFile("airquality.csv"), {"sign Ozone Temp"});
    // signt(aq$Ozone, aq$Temp): the 116 complete pairs, 106 positive
    EXPECT_EQ(air.Statistic(0, "TotalN"), 116);
    EXPECT_EQ(air.Statistic(0, "TestStatistic"), 106);
    ExpectNear(air.Statistic(0, "StandardizedTestStatistic"), 8.82052856340996, 1e-12);
    ExpectNear(air.Statistic(0, "AsymptoticSig2Tailed"), 1.13920682277666e-18, 1e-6);
    EXPECT_FALSE(air.HasStatistic(0, "ExactSig2Tailed"));
}

TEST(SignTest, ExactThresholdOnBothSides) {
    // 25 nonzero differences: exact. R: binom.test(17, 25)$p.value; z = (|17 - 12.5| - .5)/2.5
    const EngineRun at(ThresholdPairs(25), {"sign A B"});
    EXPECT_EQ(at.Statistic(0, "TestStatistic"), 17);
    ExpectNear(at.Statistic(0, "StandardizedTestStatistic"), 1.6);
    ExpectNear(at.Statistic(0, "AsymptoticSig2Tailed"), 0.109598583399116);
    ExpectNear(at.Statistic(0, "ExactSig2Tailed"), 0.107752144336701);
    // 26: normal only. R: z = (|18 - 13| - .5)/sqrt(26/4), 2 * pnorm(-z)
    const EngineRun above(ThresholdPairs(26), {"sign A B"});
    EXPECT_EQ(above.Statistic(0, "TestStatistic"), 18);
    ExpectNear(above.Statistic(0, "StandardizedTestStatistic"), 1.7650452162436565);
    ExpectNear(above.Statistic(0, "AsymptoticSig2Tailed"), 0.0775561667436655);
    EXPECT_FALSE(above.HasStatistic(0, "ExactSig2Tailed"));
}

// ---------------------------------------------------------------------------
// Wilcoxon signed rank test (section 8: scipy.stats.wilcoxon and R wilcox.test)

TEST(RelatedWilcoxonTest, AgreesWithScipyAndR) {
    const EngineRun depression(DataFile("depression.csv"), {"wilcoxon x y"});
    // wil1(dep$y - dep$x, 0): W+ of y - x = 5; scipy wilcoxon(x, y) gives the same |z| and p
    EXPECT_EQ(depression.ConditionKey(0), "R_WilcoxonSignedRanks_2");
    EXPECT_EQ(depression.Statistic(0, "TestStatistic"), 5);
    ExpectNear(depression.Statistic(0, "StandardError"), 8.44097150806707, 1e-12);
    ExpectNear(depression.Statistic(0, "StandardizedTestStatistic"), -2.07322107215682, 1e-12);
    ExpectNear(depression.Statistic(0, "AsymptoticSig2Tailed"), 0.0381517101734152);
    ExpectNear(depression.Statistic(0, "ExactSig2Tailed"), 0.0390625);  // 9 untied differences
    EXPECT_EQ(depression.Decision(0), "reject");
    EXPECT_EQ(depression.Messages(0), std::vector<std::string>{"40024 helpMessage"});
    EXPECT_EQ(depression.TableAttribute(0, {"ContinuousDistribution"}, "PositiveDifferences"), 2);

    const EngineRun sleep(DataFile("sleep_wide.csv"), {"wilcoxon drug1 drug2"});
    // wil1(sw$drug2 - sw$drug1, 0): one zero dropped, ties, so normal only
    EXPECT_EQ(sleep.Statistic(0, "TotalN"), 10);
    EXPECT_EQ(sleep.Statistic(0, "TestStatistic"), 45);
    ExpectNear(sleep.Statistic(0, "StandardError"), 8.4335638967165, 1e-12);
    ExpectNear(sleep.Statistic(0, "StandardizedTestStatistic"), 2.66791125027939, 1e-12);
    ExpectNear(sleep.Statistic(0, "AsymptoticSig2Tailed"), 0.00763244164820552);
    EXPECT_FALSE(sleep.HasStatistic(0, "ExactSig2Tailed"));
    EXPECT_EQ(sleep.TableAttribute(0, {"ContinuousDistribution"}, "Ties"), 1);

    const EngineRun air(DataFile("airquality.csv"), {"wilcoxon Ozone Temp"});
    // wil1(aq$Temp - aq$Ozone, 0): 116 complete pairs, ties
    EXPECT_EQ(air.Statistic(0, "TotalN"), 116);
    EXPECT_EQ(air.Statistic(0, "TestStatistic"), 6425.5);
    ExpectNear(air.Statistic(0, "StandardError"), 362.960052898387, 1e-12);
    ExpectNear(air.Statistic(0, "StandardizedTestStatistic"), 8.35491392450553, 1e-12);
    ExpectNear(air.Statistic(0, "AsymptoticSig2Tailed"), 6.54804423811901e-17, 1e-6);
    EXPECT_FALSE(air.HasStatistic(0, "ExactSig2Tailed"));
}

TEST(RelatedWilcoxonTest, ExactThresholdOnBothSides) {
    // 50 untied differences: exact. R: wilcox.test(d, exact = TRUE) and (exact = FALSE, correct = FALSE)
    const EngineRun at(ThresholdPairs(50), {"wilcoxon A B"});
    EXPECT_EQ(at.Statistic(0, "TestStatistic"), 867);
    ExpectNear(at.Statistic(0, "AsymptoticSig2Tailed"), 0.0267307385473927);
    ExpectNear(at.Statistic(0, "ExactSig2Tailed"), 0.0261669681711965);
    // 51: normal only. R: wilcox.test(d, exact = FALSE, correct = FALSE)$p.value
    const EngineRun above(ThresholdPairs(51), {"wilcoxon A B"});
    EXPECT_EQ(above.Statistic(0, "TestStatistic"), 867);
    ExpectNear(above.Statistic(0, "AsymptoticSig2Tailed"), 0.0558521820355847);
    EXPECT_FALSE(above.HasStatistic(0, "ExactSig2Tailed"));
}

TEST(RelatedWilcoxonTest, DecimalDifferencesTieAsWritten) {
    // 61.4 - 60.6 and 5.3 - 4.5 are both 0.8 as written, but two different doubles
    // (0.7999999999999972, 0.7999999999999998). Rounded to the data's one decimal they tie.
    const EngineRun run("A,B\n60.6,61.4\n4.5,5.3\n3.0,1.9\n10,12.5\n7,7.3\n", {"wilcoxon A B"});
    // |d| = .8 .8 1.1 2.5 .3: ranks 2.5 2.5 4 5 1; W+ = 2.5 + 2.5 + 5 + 1
    EXPECT_EQ(run.Statistic(0, "TestStatistic"), 11);
    // Var = 5 * 6 * 11/24 - (2^3 - 2)/48, with the tie correction
    ExpectNear(run.Statistic(0, "StandardError"), std::sqrt(13.625));
    EXPECT_FALSE(run.HasStatistic(0, "ExactSig2Tailed"));  // ties: normal only
}

TEST(RelatedWilcoxonTest, OrdinalFieldsAreMarkedAsTreatedAsContinuous) {
    const EngineRun run(
        "a,b\n1,2\n2,2\n3,1\n1,3\n2,3\n", {"wilcoxon a b", "sign a b"}, [](auto& request) {
            request.dictionaryJson = R"({"variables": [{"name": "a", "measure": "ordinal"}]})";
        });
    const pugi::xml_node condition = run.Algorithm(0).child("StructuredTable");
    bool marked = false;
    for (pugi::xml_node attribute : condition.children("Attribute"))
        marked |= std::string(attribute.attribute("name").as_string()) == "OrdinalTreatedAsCont" &&
                  std::string(attribute.attribute("value").as_string()) == "0";
    EXPECT_TRUE(marked);
}

// ---------------------------------------------------------------------------
// McNemar (section 9: statsmodels mcnemar, R mcnemar.test)

TEST(McNemarTest, AgreesWithStatsmodels) {
    const EngineRun performance(DataFile("Performance.csv"), {"mcnemar first second"});
    // Without success= the first value, Approve, is the success. mcnemar(tab_perf,
    // exact=False, correction=True): 236 discordant pairs, chi-square only
    EXPECT_EQ(performance.ConditionKey(0), "AllDistinctValuesUsed_R_McNemar_2");
    EXPECT_EQ(performance.Statistic(0, "TotalN"), 1600);
    ExpectNear(performance.Statistic(0, "TestStatistic"), 16.8177966101695, 1e-12);
    EXPECT_EQ(performance.Statistic(0, "DegreeOfFreedom"), 1);
    ExpectNear(performance.Statistic(0, "AsymptoticSig2Tailed"), 4.11456228134594e-05);
    EXPECT_FALSE(performance.HasStatistic(0, "ExactSig2Tailed"));
    EXPECT_EQ(performance.Decision(0), "reject");
    EXPECT_EQ(performance.TableRows(0, {"CategoryFieldsComparison", "Content"}),
              (std::vector<std::vector<double>>{{794, 150}, {86, 570}}));

    const EngineRun small(DataFile("mcnemar_small.csv"),
                          {"mcnemar first second", "mcnemar first second success=1"});
    // The success is 0: b = #(0, 1) = 9, c = #(1, 0) = 2. mcnemar(tab_mcs, exact=True).pvalue;
    // the corrected chi-square and its p as R mcnemar.test(tab_mcs)
    ExpectNear(small.Statistic(0, "TestStatistic"), 3.27272727272727, 1e-12);
    ExpectNear(small.Statistic(0, "AsymptoticSig2Tailed"), 0.0704404292720882);
    ExpectNear(small.Statistic(0, "ExactSig2Tailed"), 0.0654296875);
    EXPECT_EQ(small.Decision(0), "retain");  // decided by the exact significance, written last
    // success=1: the same test seen from the other value.
    EXPECT_EQ(small.ConditionKey(1), "CategoryListsAreSpecified_R_McNemar_2");
    ExpectNear(small.Statistic(1, "ExactSig2Tailed"), 0.0654296875);
    EXPECT_EQ(small.TableRows(1, {"CategoryFieldsComparison", "Content"}),
              (std::vector<std::vector<double>>{{7, 2}, {9, 5}}));
}

TEST(McNemarTest, ExactThresholdOnBothSides) {
    // 25 discordant pairs (8 and 17): exact. R: binom.test(8, 25)$p.value; (|8 - 17| - 1)^2/25
    const EngineRun at(TwoByTwo(10, 8, 17, 10), {"mcnemar before after success=1"});
    ExpectNear(at.Statistic(0, "TestStatistic"), 2.56);
    ExpectNear(at.Statistic(0, "AsymptoticSig2Tailed"), 0.109598583399116);
    ExpectNear(at.Statistic(0, "ExactSig2Tailed"), 0.107752144336701);
    // 26 (8 and 18): chi-square only. R: mcnemar.test(matrix(c(10, 18, 8, 10), 2))
    const EngineRun above(TwoByTwo(10, 8, 18, 10), {"mcnemar before after success=1"});
    ExpectNear(above.Statistic(0, "TestStatistic"), 3.11538461538462, 1e-12);
    ExpectNear(above.Statistic(0, "AsymptoticSig2Tailed"), 0.0775561667436659);
    EXPECT_FALSE(above.HasStatistic(0, "ExactSig2Tailed"));
    // Equal discordant counts: the corrected difference stops at 0 (R mcnemar.test gives 0).
    const EngineRun equal(TwoByTwo(3, 30, 30, 3), {"mcnemar before after"});
    EXPECT_EQ(equal.Statistic(0, "TestStatistic"), 0);
    EXPECT_EQ(equal.Statistic(0, "AsymptoticSig2Tailed"), 1);
}

TEST(McNemarTest, SuccessListsNameCategoryPositionsPerField) {
    // grades: success = 2 or 3; the second field never takes 1, and 4 occurs nowhere.
    const EngineRun run("g1,g2\n1,2\n2,2\n3,3\n1,3\n2,2\n3,2\n1,2\n", {"mcnemar g1 g2 success=2,3,4"});
    EXPECT_EQ(run.ConditionKey(0), "CategoryListsAreSpecified_R_McNemar_2");
    const pugi::xml_node comparison =
        run.Algorithm(0).find_child_by_attribute("name", "CategoryFieldsComparison");
    const auto text = [&](const char* name) {
        return std::string(comparison.find_child_by_attribute("Attribute", "name", name)
                               .attribute("value")
                               .as_string());
    };
    EXPECT_EQ(text("RowNames"), "0");
    EXPECT_EQ(text("RowSuccessList"),
              "1 2 3");  // 2 and 3 at positions 1, 2; 4 past the three categories
    EXPECT_EQ(text("RowFailList"), "0");
    EXPECT_EQ(text("ColumnNames"), "1");
    EXPECT_EQ(text("ColumnSuccessList"), "0 1 2");  // g2 has only 2 and 3
    EXPECT_EQ(text("ColumnFailList"), "");
    const pugi::xml_node rowValues =
        comparison.find_child_by_attribute("name", "RowValsNotInTheCategoreis");
    EXPECT_EQ(std::string(rowValues.child("Attribute").attribute("value").as_string()), "4");
    // The first field fails three times (1), changing to success each time.
    EXPECT_EQ(run.TableRows(0, {"CategoryFieldsComparison", "Content"}),
              (std::vector<std::vector<double>>{{4, 0}, {3, 0}}));
    ExpectNear(run.Statistic(0, "ExactSig2Tailed"), 0.25);  // binom.test(0, 3)
}

// ---------------------------------------------------------------------------
// Marginal homogeneity (section 10: the ordinal statistic of Agresti, by hand)

TEST(MarginalHomogeneityTest, AgreesWithTheOrdinalStatistic) {
    const EngineRun run(DataFile("grades.csv"),
                        {"marginal-homogeneity before after", "marginal-homogeneity after before"});
    // mh(gr$before, gr$after): 24 off-diagonal cases
    EXPECT_EQ(run.ConditionKey(0), "AllDistinctValuesUsed_R_MarginalHomogeneity_2");
    EXPECT_EQ(run.Statistic(0, "TotalN"), 55);
    EXPECT_EQ(run.Statistic(0, "TestStatistic"), 42);
    EXPECT_EQ(run.Statistic(0, "MeanOfTestStatistic"), 46.5);
    ExpectNear(run.Statistic(0, "StandardError"), 2.87228132326901, 1e-12);
    ExpectNear(run.Statistic(0, "StandardizedTestStatistic"), -1.56669890360128, 1e-12);
    ExpectNear(run.Statistic(0, "AsymptoticSig2Tailed"), 0.117185087198138);
    EXPECT_EQ(run.Decision(0), "retain");
    EXPECT_EQ(run.TableRows(0, {"CategoryFieldsComparison", "Content"}),
              (std::vector<std::vector<double>>{{10, 8, 2}, {4, 12, 6}, {1, 3, 9}}));
    // mh(gr$after, gr$before)
    EXPECT_EQ(run.Statistic(1, "TestStatistic"), 51);
    ExpectNear(run.Statistic(1, "StandardizedTestStatistic"), 1.56669890360128, 1e-12);

    // Two text categories scored 1 and 2: z^2 is McNemar's uncorrected chi-square.
    const EngineRun performance(DataFile("Performance.csv"), {"marginal-homogeneity first second"});
    const double z = performance.Statistic(0, "StandardizedTestStatistic");
    ExpectNear(z * z, 17.3559322033898, 1e-12);
}

TEST(MarginalHomogeneityTest, ScoresTheCategoriesOfBothFieldsTogether) {
    // a takes 1, 2, 5; b takes 2, 5, 7: scores 1..4 over 1, 2, 5, 7.
    const EngineRun run("a,b\n1,2\n2,5\n5,7\n5,5\n1,1\n2,2\n", {"marginal-homogeneity a b"});
    // Off the diagonal: (1,2), (2,3), (3,4) in scores: observed 6, mean 7.5, var 3/4
    EXPECT_EQ(run.Statistic(0, "TestStatistic"), 6);
    EXPECT_EQ(run.Statistic(0, "MeanOfTestStatistic"), 7.5);
    ExpectNear(run.Statistic(0, "StandardizedTestStatistic"), -1.5 / std::sqrt(0.75));
    EXPECT_EQ(run.TableRows(0, {"CategoryFieldsComparison", "Content"}).size(), 4u);
}

// ---------------------------------------------------------------------------
// Hodges-Lehmann median difference (section 13: R wilcox.test(paired, conf.int))

TEST(RelatedHodgesLehmannTest, AgreesWithRWilcoxTest) {
    const EngineRun depression(DataFile("depression.csv"), {"hodges-lehmann x y"});
    // d = y - x: R's numbers for x - y negated with the ends swapped. 9 untied differences:
    // the exact interval, Walsh averages 6 and 40 (q = qsignrank(0.025, 9) = 6).
    EXPECT_EQ(depression.Algorithm(0).attribute("name").as_string(),
              std::string("RHodgesLehmannEstimatePairs"));
    EXPECT_EQ(depression.ConditionKey(0), "R_HodgesLehman_2");
    EXPECT_EQ(depression.Decision(0), "");
    ExpectNear(depression.Statistic(0, "Estimate"), -0.46, 1e-12);
    EXPECT_EQ(depression.Statistic(0, "TotalN"), 9);
    ExpectNear(depression.Statistic(0, "Lower", "Asymptotic"), -0.786, 1e-12);
    ExpectNear(depression.Statistic(0, "Upper", "Asymptotic"), -0.01, 1e-12);
    EXPECT_EQ(depression.Messages(0), std::vector<std::string>{"40025 helpMessage"});  // exact interval
    // The order the report reads: the estimate first, then the interval group.
    const pugi::xml_node statistics =
        depression.Algorithm(0).find_child_by_attribute("name", "StatisticsResult");
    EXPECT_EQ(std::string(statistics.first_child().attribute("name").as_string()), "Estimate");
    EXPECT_EQ(std::string(statistics.last_child().attribute("name").as_string()), "Asymptotic");

    const EngineRun air(DataFile("airquality.csv"), {"hodges-lehmann Ozone Temp"});
    // d = Temp - Ozone, 116 pairs with ties: median of the Walsh averages 39; the normal
    // interval is R's uniroot interval snapped to the Walsh averages (-44, -34.5 for Ozone - Temp).
    EXPECT_EQ(air.Statistic(0, "TotalN"), 116);
    EXPECT_EQ(air.Statistic(0, "Estimate"), 39);
    EXPECT_EQ(air.Statistic(0, "Lower", "Asymptotic"), 34.5);
    EXPECT_EQ(air.Statistic(0, "Upper", "Asymptotic"), 44);
    EXPECT_EQ(air.Messages(0), std::vector<std::string>{"40026 helpMessage"});  // normal interval
}

TEST(RelatedHodgesLehmannTest, ExactThresholdOnBothSides) {
    // 50 untied differences: exact. R: wilcox.test(d, conf.int = TRUE, exact = TRUE)
    const EngineRun at(ThresholdPairs(50), {"hodges-lehmann A B"});
    EXPECT_EQ(at.Statistic(0, "Estimate"), 10);
    EXPECT_EQ(at.Statistic(0, "Lower", "Asymptotic"), 1);
    EXPECT_EQ(at.Statistic(0, "Upper", "Asymptotic"), 19.5);
    // 51: normal. R: wilcox.test(d, conf.int = TRUE, exact = FALSE, correct = FALSE), whose
    // uniroot ends (-0.49998, 18.500002) snap to the Walsh averages -0.5 and 18.5; the
    // estimate is the median of the Walsh averages (R's uniroot lands inside the flat step).
    const EngineRun above(ThresholdPairs(51), {"hodges-lehmann A B"});
    EXPECT_EQ(above.Statistic(0, "Estimate"), 9.25);
    EXPECT_EQ(above.Statistic(0, "Lower", "Asymptotic"), -0.5);
    EXPECT_EQ(above.Statistic(0, "Upper", "Asymptotic"), 18.5);
    // A 90% interval is narrower, inside the 95% one.
    const EngineRun ninety(ThresholdPairs(50), {"hodges-lehmann A B"},
                           [](auto& request) { request.confidencePercent = 90; });
    EXPECT_GT(ninety.Statistic(0, "Lower", "Asymptotic"), 1);
    EXPECT_LT(ninety.Statistic(0, "Upper", "Asymptotic"), 19.5);
}

// Three untied differences 1, 2, 4: even the widest interval, from the
// smallest Walsh average to the largest, is 1 - 2 P(W+ = 0) = 75%. R:
// wilcox.test(c(1, 2, 4), conf.int = TRUE) gives [1, 4] with conf.level .75
// ("requested conf.level not achievable"). With a tie (1, 2, 4, 1) the
// normal approximation's ordinal ceiling(10 / 2 - 1.96 sqrt(4 * 5 * 9 / 24))
// is 0: no interval reaches 95% either, and no exact level is known.
TEST(RelatedHodgesLehmannTest, TooFewDifferencesForTheLevelGiveTheWidestIntervalAndSaySo) {
    const EngineRun exact("a,b\n1,2\n2,4\n3,7\n", {"hodges-lehmann a b"});
    EXPECT_EQ(exact.Statistic(0, "Estimate"), 2.25);
    EXPECT_EQ(exact.Statistic(0, "Lower", "Asymptotic"), 1);
    EXPECT_EQ(exact.Statistic(0, "Upper", "Asymptotic"), 4);
    EXPECT_EQ(exact.Messages(0), (std::vector<std::string>{"40025 helpMessage", "40105 helpMessage"}));
    ExpectNear(exact.MessageNumber(0, 40105), 75);

    const EngineRun tied("a,b\n1,2\n2,4\n3,7\n4,5\n", {"hodges-lehmann a b"});
    EXPECT_EQ(tied.Statistic(0, "Lower", "Asymptotic"), 1);
    EXPECT_EQ(tied.Statistic(0, "Upper", "Asymptotic"), 4);
    EXPECT_EQ(tied.Messages(0), (std::vector<std::string>{"40026 helpMessage", "40106 helpMessage"}));

    // Enough differences reach the level without a note (depression: 9 untied).
    const EngineRun depression(DataFile("depression.csv"), {"hodges-lehmann x y"});
    EXPECT_EQ(depression.Messages(0), std::vector<std::string>{"40025 helpMessage"});
}

TEST(RelatedHodgesLehmannTest, WalshOrderStatisticsWithoutListingThem) {
    // Past 2^22 averages the k-th is found by bisection; it must be the one a sort gives.
    std::mt19937 random(7);
    std::normal_distribution<double> normal(0.5, 2.0);
    std::vector<double> values(3000);
    for (double& v : values) v = std::round(normal(random) * 100) / 100;  // ties included
    std::sort(values.begin(), values.end());
    std::vector<double> averages;
    for (size_t i = 0; i < values.size(); ++i)
        for (size_t j = i; j < values.size(); ++j) averages.push_back((values[i] + values[j]) / 2);
    std::sort(averages.begin(), averages.end());
    ASSERT_GT(averages.size(), size_t{1} << 22);
    for (uint64_t k :
         {uint64_t{1}, uint64_t{1000}, uint64_t{averages.size() / 2}, uint64_t{averages.size() / 2 + 1},
          uint64_t{averages.size() - 17}, uint64_t{averages.size()}})
        EXPECT_EQ(npar::engine::stats::WalshOrderStatistic(values, k), averages[k - 1]) << "k = " << k;
}

// ---------------------------------------------------------------------------
// The automatic choice and bad input

TEST(RelatedAutomatic, ChoosesTheTestTheFieldsCallFor) {
    // Text fields of two values between them are categorical: McNemar, Cochran.
    const EngineRun run("p,q,r\nyes,no,no\nno,no,yes\nyes,yes,no\n", {"related p q", "related p q r"});
    EXPECT_EQ(std::string(run.Algorithm(0).attribute("name").as_string()), "RMcNemar");
    EXPECT_EQ(run.ConditionKey(0), "AllDistinctValuesUsed_R_McNemar_2");
    EXPECT_EQ(std::string(run.Algorithm(1).attribute("name").as_string()), "RCochransQ");
    EXPECT_EQ(run.ConditionKey(1), "DefaultAllDistinctValuesUsed_R_CochransQ_1");
    const EngineRun continuous(
        DataFile("RoundingTimes.csv"),
        {"related Round.Out Wide.Angle", "related Round.Out Narrow.Angle Wide.Angle"});
    EXPECT_EQ(std::string(continuous.Algorithm(0).attribute("name").as_string()),
              "RWilcoxonSignedRanks");
    EXPECT_EQ(std::string(continuous.Algorithm(1).attribute("name").as_string()),
              "RFriedmansTwoWayByRanks");
    const EngineRun grades(DataFile("grades.csv"), {"related before after"}, [](auto& request) {
        request.dictionaryJson = R"({"variables": [{"name": "before", "measure": "ordinal"},
                                                    {"name": "after", "measure": "ordinal"}]})";
    });
    EXPECT_EQ(std::string(grades.Algorithm(0).attribute("name").as_string()), "RMarginalHomogeneity");
}

TEST(RelatedBadInput, RequestsThatCannotWorkAreUsageErrorsNamingTestAndField) {
    const std::string csv = "a,b,c,s\n1,2,3,x\n2,3,4,y\n";
    const auto expectError = [&](const std::string& test, const std::vector<std::string>& parts) {
        const std::string error = UsageErrorOf(csv, {test});
        EXPECT_FALSE(error.empty()) << test;
        for (const std::string& part : parts) EXPECT_NE(error.find(part), std::string::npos) << error;
    };
    expectError("sign a s", {"sign a s", "\"s\""});  // a number against a text
    expectError("wilcoxon a a", {"wilcoxon a a", "\"a\" is listed twice"});
    expectError("mcnemar a", {"mcnemar a", "exactly 2"});
    expectError("friedman a b", {"friedman a b", "at least 3"});
    expectError("cochran a b", {"at least 3"});
    expectError("hodges-lehmann a b c", {"exactly 2"});
    expectError("friedman a b s", {"\"s\""});
    expectError("mcnemar a b success=9", {"success=9", "never occurs"});
    expectError("mcnemar a b", {"mcnemar a b", "success=VALUE"});  // four values between them
    expectError("friedman a b c compare=some", {"compare="});
    expectError("sign a b compare=all", {"no option compare="});
    expectError("wilcoxon a nothere", {"\"nothere\""});
}

TEST(RelatedBadInput, DataThatAllowNoTestSayWhy) {
    const std::string csv =
        "a,b,c,empty,x,y,z\n"
        "1,1,1,,0,0,0\n"
        "2,2,2,,1,1,1\n"
        "3,3,3,,0,0,0\n";
    const EngineRun run(csv, {"sign a b", "wilcoxon a b", "hodges-lehmann a b", "sign a empty",
                              "mcnemar x y", "marginal-homogeneity a b", "cochran x y z success=1",
                              "friedman a b c", "kendall a b c", "friedman a b empty"});
    const std::vector<std::string> expected = {
        "40020 error", "40020 error", "40020 error", "40001 error", "40021 error",
        "40021 error", "40022 error", "40022 error", "40022 error", "40001 error"};
    for (size_t test = 0; test < expected.size(); ++test) {
        EXPECT_EQ(run.Messages(test), std::vector<std::string>{expected[test]}) << "test " << test;
        EXPECT_EQ(run.Decision(test), "") << "test " << test;
    }
    EXPECT_EQ(run.Parameter(3, 0), std::vector<double>{0});  // still names its fields
}

TEST(RelatedBadInput, ACategoryInOnlyOneFieldIsASuccessOrAFailureThere) {
    // "c" occurs only in the second field: with success=a it is a failure there.
    const EngineRun run("p,q\na,a\na,b\nb,c\nb,a\na,c\n", {"mcnemar p q success=a"});
    EXPECT_TRUE(run.Messages(0).empty());
    EXPECT_EQ(run.TableRows(0, {"CategoryFieldsComparison", "Content"}),
              (std::vector<std::vector<double>>{{1, 2}, {1, 1}}));
    ExpectNear(run.Statistic(0, "ExactSig2Tailed"), 1);  // binom.test(1, 3)
}
