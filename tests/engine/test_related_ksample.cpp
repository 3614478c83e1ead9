// The related k-sample tests against their references: Cochran's Q,
// Friedman's test and Kendall's W (tests/engine/data/REFERENCES.md, sections
// 11 and 12), with their multiple comparisons. The pairwise significances are
// checked against a hand computation of the standard formulas:
// - Friedman and Kendall: the difference of two mean ranks over its standard
//   error sqrt(k(k+1)/(6N)) (Siegel & Castellan 1988, section 7.2.2; Conover
//   1999, section 5.8), two-sided normal significance;
// - Cochran: the difference of two success proportions over
//   sqrt(2 (k T - sum R_i^2) / (N^2 k (k - 1))), the standard error of that
//   difference when, within each case, the R_i successes are spread over the
//   k fields at random (Cochran 1950's null model; the same variance gives Q);
// both Bonferroni-adjusted (times the number of pairs, at most 1). The
// values were computed in R 4.2 with the expressions written beside them;
// the homogeneous subsets with R's friedman.test on the subsets of columns.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineFixture.h"

using enginetest::DataFile;
using enginetest::EngineRun;
using enginetest::ExpectNear;

namespace {

using Rows = std::vector<std::vector<double>>;

void ExpectRowsNear(const Rows& actual, const Rows& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(actual[i].size(), expected[i].size()) << "row " << i;
        for (size_t j = 0; j < expected[i].size(); ++j) {
            if (std::isnan(expected[i][j]))
                EXPECT_TRUE(std::isnan(actual[i][j])) << "row " << i << " column " << j;
            else
                ExpectNear(actual[i][j], expected[i][j], 1e-12);
        }
    }
}

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// ---------------------------------------------------------------------------
// Cochran's Q (section 11: statsmodels cochrans_q on cochran.csv)

TEST(CochranTest, AgreesWithStatsmodelsCochransQ) {
    const EngineRun run(DataFile("cochran.csv"),
                        {"cochran task1 task2 task3 success=1", "cochran task1 task2 task3"});
    // cochrans_q(coch[['task1', 'task2', 'task3']]): Q = 10.75, df = 2
    EXPECT_EQ(run.ConditionKey(0), "CategoryListsAreSpecified_R_CochransQ_1");
    EXPECT_EQ(run.Parameter(0, 0), (std::vector<double>{1, 2, 3}));  // the fields' column positions
    EXPECT_EQ(run.Statistic(0, "TotalN"), 12);
    ExpectNear(run.Statistic(0, "TestStatistic"), 10.75, 1e-12);
    EXPECT_EQ(run.Statistic(0, "DegreeOfFreedom"), 2);
    ExpectNear(run.Statistic(0, "AsymptoticSig2Tailed"), 0.00463091873353325);
    EXPECT_EQ(run.Decision(0), "reject");
    // The stacked bars: successes and failures per field (column totals 9, 10, 3).
    EXPECT_EQ(run.TableRows(0, {"TwoClassComparison", "Content"}), (Rows{{9, 3}, {10, 2}, {3, 9}}));
    // Without success= the first value, 0, is the success: Q does not change.
    EXPECT_EQ(run.ConditionKey(1), "DefaultAllDistinctValuesUsed_R_CochransQ_1");
    ExpectNear(run.Statistic(1, "TestStatistic"), 10.75, 1e-12);
    EXPECT_EQ(run.TableRows(1, {"TwoClassComparison", "Content"}), (Rows{{3, 9}, {2, 10}, {9, 3}}));
}

TEST(CochranTest, PairwiseComparisonsAgreeWithTheHandComputation) {
    const EngineRun run(DataFile("cochran.csv"), {"cochran task1 task2 task3 success=1"});
    // Samples are the fields' column positions, valued by their successes.
    ExpectRowsNear(run.TableRows(0, {"PairwiseResult", "PairwiseInfo"}), Rows{{1, 2, 3}, {9, 10, 3}});
    // N = 12, k = 3, T = 22, sum R_i^2 = 50: se = sqrt(2 * 16 / (144 * 6)) = 0.192450089729875.
    // Rows ordered by the first sample's successes, the smaller first; statistic = (C1 - C2)/N,
    // z = statistic/se, p = 2 * pnorm(-abs(z)), adjusted = min(1, 3 p).
    const double se = 0.192450089729875;
    ExpectRowsNear(
        run.TableRows(0, {"PairwiseResult", "Content"}),
        Rows{{3, 1, -0.5, se, -2.59807621135332, 0.00937476845943489, 0.0281243053783047},
             {3, 2, -0.583333333333333, se, -3.03108891324554, 0.00243673480898901, 0.00731020442696704},
             {1, 2, -0.0833333333333333, se, -0.433012701892219, 0.665005542102029, 1}});
}

TEST(CochranTest, HomogeneousSubsets) {
    const EngineRun run(DataFile("cochran.csv"),
                        {"cochran task1 task2 task3 success=1 compare=stepwise"});
    // Ordered by successes: task3 (3), task1 (9), task2 (10). All three: p = .0046, apart.
    // {task3, task1}: Q = 6, p = .0143, adjusted 1 - (1 - p)^(3/2) = .0214 < .05, apart.
    // {task1, task2}: Q = 1/3, p = .5637, adjusted .7118: homogeneous. task3 stands alone.
    ExpectRowsNear(run.TableRows(0, {"StepwiseResult", "StepwiseInfo"}), Rows{{3, 1, 2}, {3, 9, 10}});
    ExpectRowsNear(run.TableRows(0, {"StepwiseResult", "Content"}),
                   Rows{{0, 0, kNone, kNone, kNone, kNone, kNone},
                        {1, 2, 0.333333333333333, kNone, kNone, 0.563702861650773, 0.711813556970446}});
    EXPECT_TRUE(run.TableRows(0, {"PairwiseResult", "Content"}).empty());
}

TEST(CochranTest, NoComparisonsWhenAskedForNoneOrWhenTheTestRetains) {
    const EngineRun run(DataFile("cochran.csv"), {"cochran task1 task2 task3 success=1 compare=none"});
    EXPECT_FALSE(run.Algorithm(0).find_child_by_attribute("name", "PairwiseResult"));
    EXPECT_FALSE(run.Algorithm(0).find_child_by_attribute("name", "StepwiseResult"));
    ExpectNear(run.Statistic(0, "TestStatistic"), 10.75, 1e-12);
    EXPECT_TRUE(run.Messages(0).empty());  // none asked for: no note either
    // At the level .001 the test (p = .0046) retains: nothing to locate, and a
    // note says why no comparisons are shown.
    const EngineRun strict(
        DataFile("cochran.csv"),
        {"cochran task1 task2 task3 success=1", "friedman task1 task2 task3 compare=stepwise"},
        [](auto& request) { request.alpha = 0.001; });
    for (size_t test : {0, 1}) {
        EXPECT_EQ(strict.Decision(test), "retain");
        EXPECT_FALSE(strict.Algorithm(test).find_child_by_attribute("name", "PairwiseResult"));
        EXPECT_FALSE(strict.Algorithm(test).find_child_by_attribute("name", "StepwiseResult"));
        EXPECT_EQ(strict.Messages(test), std::vector<std::string>{"40103 helpMessage"});
    }
}

// ---------------------------------------------------------------------------
// Friedman and Kendall's W (section 12: scipy friedmanchisquare, R friedman.test)

TEST(FriedmanTest, AgreesWithScipyAndR) {
    const EngineRun run(DataFile("RoundingTimes.csv"), {"friedman Round.Out Narrow.Angle Wide.Angle"});
    // friedman.test(RT): tie-corrected, ties within rows
    EXPECT_EQ(run.ConditionKey(0), "R_FriedmansTwoWayByRanks_1");
    EXPECT_EQ(std::string(run.Algorithm(0).attribute("name").as_string()), "RFriedmansTwoWayByRanks");
    EXPECT_EQ(run.Parameter(0, 0), (std::vector<double>{0, 1, 2}));
    EXPECT_EQ(run.Statistic(0, "TotalN"), 22);
    ExpectNear(run.Statistic(0, "TestStatistic"), 11.1428571428571, 1e-12);
    EXPECT_EQ(run.Statistic(0, "DegreeOfFreedom"), 2);
    ExpectNear(run.Statistic(0, "AsymptoticSig2Tailed"), 0.00380504077551136);
    EXPECT_FALSE(run.HasStatistic(0, "KendallsW"));
    EXPECT_EQ(run.Decision(0), "reject");
    // The rank histograms, one per field: table(rank) within the rows, and the mean ranks
    // colMeans(t(apply(RT, 1, rank))).
    ExpectNear(run.TableAttribute(0, {"VariableInformation_0"}, "MeanOfRank"), 2.40909090909091, 1e-12);
    ExpectNear(run.TableAttribute(0, {"VariableInformation_1"}, "MeanOfRank"), 2.13636363636364, 1e-12);
    ExpectNear(run.TableAttribute(0, {"VariableInformation_2"}, "MeanOfRank"), 1.45454545454545, 1e-12);
    EXPECT_EQ(run.TableAttribute(0, {"VariableInformation_2"}, "GroupIndex"), 2);
    EXPECT_EQ(run.TableRows(0, {"VariableInformation_0", "Interval"}),
              (Rows{{5, 1, 4, 12}, {1, 2, 2.5, 3}}));
    EXPECT_EQ(run.TableRows(0, {"VariableInformation_1", "Interval"}),
              (Rows{{2, 13, 4, 3}, {1, 2, 2.5, 3}}));
    EXPECT_EQ(run.TableRows(0, {"VariableInformation_2", "Interval"}), (Rows{{15, 4, 3}, {1, 2, 3}}));

    // 0/1 data: Friedman equals Cochran's Q (scipy friedmanchisquare on cochran.csv).
    const EngineRun binary(DataFile("cochran.csv"), {"friedman task1 task2 task3"});
    ExpectNear(binary.Statistic(0, "TestStatistic"), 10.75, 1e-12);
    ExpectNear(binary.Statistic(0, "AsymptoticSig2Tailed"), 0.00463091873353325);
}

TEST(FriedmanTest, PairwiseComparisonsAgreeWithTheHandComputation) {
    const EngineRun run(DataFile("RoundingTimes.csv"),
                        {"friedman Round.Out Narrow.Angle Wide.Angle compare=all"});
    ExpectRowsNear(run.TableRows(0, {"PairwiseResult", "PairwiseInfo"}),
                   Rows{{0, 1, 2}, {2.40909090909091, 2.13636363636364, 1.45454545454545}});
    // se = sqrt(3 * 4 / (6 * 22)); statistic = mean rank difference (smaller first),
    // z = statistic/se, p = 2 * pnorm(-abs(z)), adjusted = min(1, 3 p)
    const double se = 0.301511344577764;
    ExpectRowsNear(
        run.TableRows(0, {"PairwiseResult", "Content"}),
        Rows{{2, 1, -0.681818181818182, se, -2.26133508433323, 0.0237385152500546, 0.0712155457501638},
             {2, 0, -0.954545454545455, se, -3.16586911806652, 0.00154620347708074, 0.00463861043124222},
             {1, 0, -0.272727272727273, se, -0.904534033733292, 0.365712296281513, 1}});
}

TEST(FriedmanTest, HomogeneousSubsets) {
    const EngineRun run(DataFile("RoundingTimes.csv"),
                        {"friedman Round.Out Narrow.Angle Wide.Angle compare=stepwise"});
    // Ordered by mean rank: Wide.Angle (2), Narrow.Angle (1), Round.Out (0). All three apart
    // (p = .0038). friedman.test(RT[, c(3, 2)]): X2 = 6.545, p = .0105, adjusted .0157: apart.
    // friedman.test(RT[, c(2, 1)]): X2 = 2, p = .1573, adjusted 1 - (1 - p)^(3/2) = .2264: homogeneous.
    ExpectRowsNear(run.TableRows(0, {"StepwiseResult", "StepwiseInfo"}),
                   Rows{{2, 1, 0}, {1.45454545454545, 2.13636363636364, 2.40909090909091}});
    ExpectRowsNear(run.TableRows(0, {"StepwiseResult", "Content"}),
                   Rows{{0, 0, kNone, kNone, kNone, kNone, kNone},
                        {1, 2, 2, kNone, kNone, 0.157299207050284, 0.226411323888238}});
}

TEST(KendallTest, IsFriedmansStatisticOverNTimesKMinusOne) {
    const EngineRun run(DataFile("RoundingTimes.csv"),
                        {"kendall Round.Out Narrow.Angle Wide.Angle compare=stepwise"});
    // fr$statistic / (N * (k - 1)), written before the test statistic
    EXPECT_EQ(run.ConditionKey(0), "R_KendallsCoefficient_1");
    EXPECT_EQ(std::string(run.Algorithm(0).attribute("name").as_string()), "RKendallsCoefficient");
    ExpectNear(run.Statistic(0, "KendallsW"), 0.253246753246753, 1e-12);
    ExpectNear(run.Statistic(0, "TestStatistic"), 11.1428571428571, 1e-12);
    ExpectNear(run.Statistic(0, "AsymptoticSig2Tailed"), 0.00380504077551136);
    const pugi::xml_node statistics =
        run.Algorithm(0).find_child_by_attribute("name", "StatisticsResult");
    const pugi::xml_node w = statistics.find_child_by_attribute("Attribute", "name", "KendallsW");
    EXPECT_EQ(std::string(w.next_sibling().attribute("name").as_string()), "TestStatistic");
    ExpectRowsNear(run.TableRows(0, {"StepwiseResult", "Content"}),
                   Rows{{0, 0, kNone, kNone, kNone, kNone, kNone},
                        {1, 2, 2, kNone, kNone, 0.157299207050284, 0.226411323888238}});
    ExpectNear(run.TableAttribute(0, {"VariableInformation_1"}, "MeanOfRank"), 2.13636363636364, 1e-12);
}

TEST(FriedmanTest, MissingValuesDropTheCaseFromEveryField) {
    // The third case lacks b: N = 3 cases, ranked over a, b, c.
    const EngineRun run("a,b,c\n1,2,3\n1,3,2\n5,,1\n2,3,1\n", {"friedman a b c"});
    EXPECT_EQ(run.Statistic(0, "TotalN"), 3);
    // Ranks (1,2,3), (1,3,2), (2,3,1): sums 4, 8, 6; X2 = 12 (4 + 4 + 0) / (3 * 3 * 4) = 8/3
    ExpectNear(run.Statistic(0, "TestStatistic"), 8.0 / 3.0, 1e-12);
}
