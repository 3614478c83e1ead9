// The one-sample tests against their published references, on R's data sets.
// Every expected number comes from tests/engine/data/REFERENCES.md, which
// names the R, scipy or statsmodels expression that produced it.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineFixture.h"
#include "stats/OneSample.h"

using enginetest::DataFile;
using enginetest::EngineRun;
using enginetest::ExpectNear;

TEST(ChiSquareTest, AgreesWithScipyChisquare) {
    const EngineRun run(DataFile("chickwts.csv"),
                        {"chi-square feed", "chi-square feed expected=1,1,1,1,2,1"});
    // scipy.stats.chisquare(feed counts 12, 10, 12, 11, 14, 12)
    EXPECT_EQ(run.ConditionKey(0), "DefaultEqualProbabilities_O_ChiSquare_1");
    EXPECT_EQ(run.Statistic(0, "TotalN"), 71);
    ExpectNear(run.Statistic(0, "TestStatistic"), 0.746478873239437);
    EXPECT_EQ(run.Statistic(0, "DegreeOfFreedom"), 5);
    ExpectNear(run.Statistic(0, "AsymptoticSig2Tailed"), 0.980320767408536);
    EXPECT_EQ(run.Decision(0), "retain");
    // The observed and hypothesized counts per category, in ascending order.
    const auto rows = run.TableRows(1, {"TwoClassComparison", "Content"});
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[4][0], 14);                        // soybean
    ExpectNear(rows[4][1], 20.2857142857143, 1e-12);  // 71 * 2/7
    // scipy.stats.chisquare(f_exp = 71 * w / sum(w)), w = 1,1,1,1,2,1
    EXPECT_EQ(run.ConditionKey(1), "UserSpecifiesProbabilities_O_ChiSquare_1");
    ExpectNear(run.Statistic(1, "TestStatistic"), 3.04225352112676);
    ExpectNear(run.Statistic(1, "AsymptoticSig2Tailed"), 0.69347149486935);

    const EngineRun months(DataFile("airquality.csv"),
                           {"chi-square Month expected=0.1,0.2,0.3,0.2,0.2"});
    // scipy.stats.chisquare(month counts 31, 30, 31, 31, 30, f_exp = 153 * p)
    ExpectNear(months.Statistic(0, "TestStatistic"), 20.9760348583878);
    ExpectNear(months.Statistic(0, "AsymptoticSig2Tailed"), 0.0003201525683418);
    EXPECT_EQ(months.Decision(0), "reject");
}

TEST(ChiSquareTest, WarnsOfSmallExpectedCountsAndStopsOnOneCategory) {
    const EngineRun run("g,h\na,x\na,x\nb,x\nc,x\n", {"chi-square g", "chi-square h"});
    EXPECT_EQ(run.Messages(0), (std::vector<std::string>{"40101 warning"}));
    EXPECT_FALSE(run.Decision(0).empty());
    // One category: nothing to compare, so no decision and the reason.
    EXPECT_EQ(run.Messages(1), (std::vector<std::string>{"40002 error"}));
    EXPECT_EQ(run.Decision(1), "");
}

TEST(BinomialTest, AgreesWithRBinomTest) {
    const EngineRun precip(DataFile("precip.csv"),
                           {"binomial precip cut=30", "binomial precip cut=30 p=0.3"});
    // R: binom.test(sum(precip <= 30), 70, p)
    EXPECT_EQ(precip.ConditionKey(0), "ACutPointIsSpecified_O_Binomial_4");
    EXPECT_EQ(precip.Statistic(0, "TestStatistic"), 18);
    ExpectNear(precip.Statistic(0, "ExactSig2Tailed"), 5.84954731869587e-05);
    ExpectNear(precip.Statistic(0, "StandardizedTestStatistic"), -4.06377727173694);
    ExpectNear(precip.Statistic(0, "StandardError"), 4.18330013267038);
    ExpectNear(precip.Statistic(1, "ExactSig2Tailed"), 0.514690082498923);
    ExpectNear(precip.Statistic(1, "StandardizedTestStatistic"), -0.782460796435952);
    EXPECT_EQ(precip.Parameter(1, 1), std::vector<double>{30});
    EXPECT_EQ(precip.Parameter(1, 2), std::vector<double>{0.3});

    const EngineRun feed(DataFile("chickwts.csv"),
                         {"binomial feed success=casein", "binomial feed success=casein p=0.2"});
    // R: binom.test(12, 71, p); casein is the first of six categories
    EXPECT_EQ(feed.ConditionKey(0), "CategoryListsAreSpecified_O_Binomial_5");
    EXPECT_EQ(feed.Parameter(0, 1), std::vector<double>{0});
    EXPECT_EQ(feed.Parameter(0, 2), (std::vector<double>{1, 2, 3, 4, 5}));
    ExpectNear(feed.Statistic(0, "ExactSig2Tailed"), 1.34776685189778e-08);
    ExpectNear(feed.Statistic(1, "ExactSig2Tailed"), 0.655827433485513);
    ExpectNear(feed.Statistic(1, "StandardizedTestStatistic"), -0.65272991200662);

    const EngineRun supp(DataFile("ToothGrowth.csv"), {"binomial supp p=0.4", "binomial supp"});
    // R: binom.test(30, 60, 0.4); without success= the first value (OJ) is the success
    EXPECT_EQ(supp.ConditionKey(0), "ABinaryTestVariableIsSpecified_O_Binomial_5");
    EXPECT_EQ(supp.Statistic(0, "TestStatistic"), 30);
    ExpectNear(supp.Statistic(0, "ExactSig2Tailed"), 0.115911913163612);
    ExpectNear(supp.Statistic(0, "StandardizedTestStatistic"), 1.58113883008419);
    EXPECT_EQ(supp.Statistic(1, "ExactSig2Tailed"), 1);
}

TEST(BinomialTest, ASuccessValueNoCaseTakesIsACategoryWithNoCases) {
    const EngineRun run(DataFile("chickwts.csv"),
                        {"binomial feed success=barley", "success-rate feed success=barley"});
    // No chick was fed barley: x = 0 of 71. R: binom.test(0, 71, 0.5) and the intervals of
    // REFERENCES.md ("chickwts feed = barley").
    EXPECT_EQ(run.ConditionKey(0), "CategoryListsAreSpecified_O_Binomial_5");
    EXPECT_EQ(run.Parameter(0, 1), (std::vector<double>{6}));  // after the six feeds
    EXPECT_EQ(run.Parameter(0, 2), (std::vector<double>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(run.Statistic(0, "TotalN"), 71);
    EXPECT_EQ(run.Statistic(0, "TestStatistic"), 0);
    ExpectNear(run.Statistic(0, "ExactSig2Tailed"), 8.47032947254302e-22);
    ExpectNear(run.Statistic(0, "StandardizedTestStatistic"), -8.42614977317636);
    ExpectNear(run.Statistic(0, "UpperLimit", "EffectSize"), 0.0506294079544037);
    EXPECT_EQ(run.Decision(0), "reject");
    EXPECT_EQ(run.TableRows(0, {"TwoClassComparison", "Content"})[0], (std::vector<double>{0, 71}));

    EXPECT_EQ(run.ConditionKey(1), "CategoryListsAreSpecified_O_Binomial_2");
    ExpectNear(run.TableAttribute(1, {"ClopperPearson", "ConfidenceInterval"}, "Upper"),
               0.0506294079544037);
    ExpectNear(run.TableAttribute(1, {"Jeffreys", "ConfidenceInterval"}, "Lower"), 6.89164691943005e-06);
    ExpectNear(run.TableAttribute(1, {"Jeffreys", "ConfidenceInterval"}, "Upper"), 0.0346405512510507);
    ExpectNear(run.TableAttribute(1, {"ProfileLikelihood", "ConfidenceInterval"}, "Upper"),
               0.0266898847876243);

    // The value is the feed's seventh in the dictionary, named once for both tests,
    // and the run says that no case has it.
    const pugi::xml_node feed =
        run.Root().select_node("//DataDictionary/DataField[@name='feed']").node();
    const pugi::xml_node barley = feed.find_child_by_attribute("Value", "index", "6");
    EXPECT_STREQ(barley.attribute("value").as_string(), "barley");
    EXPECT_FALSE(barley.next_sibling("Value"));
    ASSERT_EQ(run.Analysis().Notes().size(), 2u);
    EXPECT_EQ(run.Analysis().Notes()[0],
              "test \"binomial feed success=barley\": no case has \"feed\" = \"barley\"; it is the "
              "success category with 0 cases");
}

TEST(BinomialTest, WhenEveryCaseIsASuccessTheOtherCategoryIsStillNamed) {
    // mtcars' fourteen eight-cylinder cars all have V-shaped engines (vs = 0).
    std::string csv = "car,vs,engine\n";
    for (const char* car :
         {"Hornet Sportabout", "Duster 360", "Merc 450SE", "Merc 450SL", "Merc 450SLC",
          "Cadillac Fleetwood", "Lincoln Continental", "Chrysler Imperial", "Dodge Challenger",
          "AMC Javelin", "Camaro Z28", "Pontiac Firebird", "Ford Pantera L", "Maserati Bora"})
        csv += std::string(car) + ",0,V-shaped\n";
    const std::vector<std::string> tests = {"binomial vs success=0", "binomial engine success=V-shaped"};
    const EngineRun run(csv, tests);
    // R: binom.test(14, 14), REFERENCES.md "mtcars cyl = 8": p = 2 / 2^14, Clopper-Pearson
    // lower limit 0.025^(1/14).
    // On numbers the cut point at the success parts the same cases: vs <= 0 against vs > 0.
    EXPECT_EQ(run.ConditionKey(0), "ACutPointIsSpecified_O_Binomial_4");
    EXPECT_EQ(run.Parameter(0, 1), std::vector<double>{0});
    EXPECT_EQ(run.Statistic(0, "TestStatistic"), 14);
    ExpectNear(run.Statistic(0, "ExactSig2Tailed"), 0.0001220703125);
    ExpectNear(run.Statistic(0, "LowerLimit", "EffectSize"), 0.768364238349884);
    // A text field's other category is a value of its own, placed after the
    // field's one value, with no case.
    EXPECT_EQ(run.ConditionKey(1), "CategoryListsAreSpecified_O_Binomial_5");
    EXPECT_EQ(run.Parameter(1, 1), std::vector<double>{0});
    EXPECT_EQ(run.Parameter(1, 2), std::vector<double>{1});
    ExpectNear(run.Statistic(1, "ExactSig2Tailed"), 0.0001220703125);
    EXPECT_EQ(run.TableRows(1, {"TwoClassComparison", "Content"})[0], (std::vector<double>{14, 0}));
    const pugi::xml_node engine =
        run.Root().select_node("//DataDictionary/DataField[@name='engine']").node();
    EXPECT_STREQ(engine.find_child_by_attribute("Value", "index", "1").attribute("value").as_string(),
                 "any other value");

    // With value labels, the labelled value no case takes names it; a
    // missing value's label does not.
    const EngineRun labelled(csv, {"binomial vs success=0"}, [](auto& request) {
        request.dictionaryJson = R"({"variables": [{"name": "vs", "missing": [9],
            "valueLabels": {"0": "V-shaped", "1": "straight", "9": "not known"}}]})";
    });
    EXPECT_EQ(labelled.ConditionKey(0), "CategoryListsAreSpecified_O_Binomial_5");
    EXPECT_EQ(labelled.Parameter(0, 2), std::vector<double>{1});
    ExpectNear(labelled.Statistic(0, "ExactSig2Tailed"), 0.0001220703125);
    const pugi::xml_node vs =
        labelled.Root().select_node("//DataDictionary/DataField[@name='vs']").node();
    const pugi::xml_node straight = vs.find_child_by_attribute("Value", "index", "1");
    EXPECT_STREQ(straight.attribute("value").as_string(), "1");
    EXPECT_FALSE(straight.next_sibling("Value"));
}

TEST(BinomialTest, CountsAboutTheCutSkipMissingValuesInEveryPosition) {
    // Hand count: NaN in the first block of four and in the tail; the values
    // at or below 3 are 1, 3 and 2 (and 3 again at the end).
    const double nan = std::nan("");
    const npar::engine::stats::CutCounts counts =
        npar::engine::stats::CountAboutCut({1, nan, 3, 4, 5, 6, 7, 8, 9, nan, 2, 3}, 3);
    EXPECT_EQ(counts.valid, 10u);
    EXPECT_EQ(counts.atOrBelow, 4u);
    const npar::engine::stats::CutCounts tail = npar::engine::stats::CountAboutCut({nan, 2, 4}, 3);
    EXPECT_EQ(tail.valid, 2u);
    EXPECT_EQ(tail.atOrBelow, 1u);
}

TEST(SuccessRateTest, IntervalsAgreeWithPublishedMethods) {
    const EngineRun run(DataFile("precip.csv"), {"success-rate precip cut=30"});
    // x = 18 of 70. Clopper-Pearson: R binom.test()$conf.int; Jeffreys: qbeta(.025/.975,
    // x + .5, n - x + .5); likelihood ratio: the roots of 2 (logL(x/n) - logL(p)) = qchisq(.95, 1).
    EXPECT_EQ(run.ConditionKey(0), "ACutPointIsSpecified_O_Binomial_2");
    EXPECT_EQ(run.Decision(0), "");  // an estimate, no hypothesis
    ExpectNear(run.TableAttribute(0, {"ClopperPearson"}, "Estimate"), 18.0 / 70);
    ExpectNear(run.TableAttribute(0, {"ClopperPearson", "ConfidenceInterval"}, "Lower"),
               0.160069890932403);
    ExpectNear(run.TableAttribute(0, {"ClopperPearson", "ConfidenceInterval"}, "Upper"),
               0.375614385723677);
    ExpectNear(run.TableAttribute(0, {"Jeffreys", "ConfidenceInterval"}, "Lower"), 0.166013453411812);
    ExpectNear(run.TableAttribute(0, {"Jeffreys", "ConfidenceInterval"}, "Upper"), 0.367881965317346);
    ExpectNear(run.TableAttribute(0, {"ProfileLikelihood", "ConfidenceInterval"}, "Lower"),
               0.164688260046261);
    ExpectNear(run.TableAttribute(0, {"ProfileLikelihood", "ConfidenceInterval"}, "Upper"),
               0.367064542113937);

    const EngineRun ninety(DataFile("precip.csv"), {"success-rate precip cut=30 methods=likelihood"},
                           [](auto& request) { request.confidencePercent = 90; });
    ExpectNear(ninety.TableAttribute(0, {"ProfileLikelihood", "ConfidenceInterval"}, "Lower"),
               0.178110803387768);
    ExpectNear(ninety.TableAttribute(0, {"ProfileLikelihood", "ConfidenceInterval"}, "Upper"),
               0.348539646748371);

    // No success at all, x = 0 of 10: the intervals reach 0.
    const EngineRun none("v\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", {"success-rate v cut=0"});
    EXPECT_EQ(none.TableAttribute(0, {"ClopperPearson", "ConfidenceInterval"}, "Lower"), 0);
    ExpectNear(none.TableAttribute(0, {"ClopperPearson", "ConfidenceInterval"}, "Upper"),
               0.308497107818761);
    ExpectNear(none.TableAttribute(0, {"Jeffreys", "ConfidenceInterval"}, "Lower"), 4.7890433157582e-05);
    ExpectNear(none.TableAttribute(0, {"ProfileLikelihood", "ConfidenceInterval"}, "Upper"),
               0.17475332804983);
}

TEST(RunsTest, AgreesWithStatsmodelsRunstest) {
    const EngineRun sleep(DataFile("sleep.csv"),
                          {"runs extra", "runs extra cut=mean", "runs extra cut=0"});
    // statsmodels runstest_1samp(extra, cutoff, correction=True): N = 20 < 50, corrected
    EXPECT_EQ(sleep.Parameter(0, 1)[0], 0.95);  // the median, R: median(sleep$extra)
    EXPECT_EQ(sleep.Statistic(0, "TestStatistic"), 8);
    ExpectNear(sleep.Statistic(0, "StandardError"), 2.17642875033004);
    ExpectNear(sleep.Statistic(0, "StandardizedTestStatistic"), -1.14867072934085);
    ExpectNear(sleep.Statistic(0, "AsymptoticSig2Tailed"), 0.250691779868959);
    EXPECT_EQ(sleep.TableAttribute(0, {"RunsParameters"}, "Mean"), 11);
    ExpectNear(sleep.Statistic(1, "StandardizedTestStatistic"), -2.04322821121287);
    ExpectNear(sleep.Statistic(1, "AsymptoticSig2Tailed"), 0.0410298522917297);
    // A value equal to the cut counts as at or above it.
    EXPECT_EQ(sleep.Statistic(2, "TestStatistic"), 5);
    ExpectNear(sleep.Statistic(2, "AsymptoticSig2Tailed"), 0.0610844850796054);

    // N >= 50: no continuity correction.
    const EngineRun morley(DataFile("morley.csv"), {"runs Speed"});
    EXPECT_EQ(morley.Statistic(0, "TestStatistic"), 29);
    ExpectNear(morley.Statistic(0, "StandardizedTestStatistic"), -4.40221849855399);
    ExpectNear(morley.Statistic(0, "AsymptoticSig2Tailed"), 1.07149566244254e-05);
    const EngineRun faithful(DataFile("faithful.csv"), {"runs eruptions cut=mean"});
    ExpectNear(faithful.Statistic(0, "StandardizedTestStatistic"), 7.65789461157103);
    ExpectNear(faithful.Statistic(0, "AsymptoticSig2Tailed"), 1.89005881625136e-14, 1e-6);

    // Every value on one side of the cut: the number of runs cannot vary.
    const EngineRun side("v\n1\n2\n3\n", {"runs v cut=0"});
    EXPECT_EQ(side.Messages(0), (std::vector<std::string>{"40003 error"}));
}

TEST(OneSampleWilcoxonTest, ExactBelowTheThresholdNormalAbove) {
    const EngineRun depression(DataFile("depression.csv"), {"wilcoxon x median=1.5"});
    // scipy.stats.wilcoxon(x - 1.5, method='exact'); N = 9 without ties
    EXPECT_EQ(depression.Statistic(0, "TestStatistic"), 33);  // W+ (R's V)
    ExpectNear(depression.Statistic(0, "StandardError"), 8.44097150806707);
    ExpectNear(depression.Statistic(0, "StandardizedTestStatistic"), 1.24393264329409);
    ExpectNear(depression.Statistic(0, "AsymptoticSig2Tailed"), 0.213524354036182);
    ExpectNear(depression.Statistic(0, "ExactSig2Tailed"), 0.25);
    EXPECT_EQ(depression.TableAttribute(0, {"ContinuousDistribution"}, "HypotheticalMedian"), 1.5);

    // airquality Solar.R in the split Month = 5: 27 values after 4 missing, exact.
    const EngineRun may(DataFile("airquality.csv"), {"wilcoxon Solar.R median=150.25"},
                        [](auto& request) { request.splitBy = {"Month"}; });
    ASSERT_EQ(may.SplitCount(), 5u);
    EXPECT_EQ(may.Statistic(0, "TotalN"), 27);
    EXPECT_EQ(may.Statistic(0, "TestStatistic"), 251);
    ExpectNear(may.Statistic(0, "ExactSig2Tailed"), 0.141405865550041);
    ExpectNear(may.Statistic(0, "AsymptoticSig2Tailed"), 0.136342613420467);

    // Ties (and a zero, dropped): the tie-corrected normal only.
    const EngineRun sleep(DataFile("sleep.csv"), {"wilcoxon extra median=0"});
    EXPECT_EQ(sleep.Statistic(0, "TestStatistic"), 162.5);
    ExpectNear(sleep.Statistic(0, "StandardError"), 24.831935083678);
    ExpectNear(sleep.Statistic(0, "AsymptoticSig2Tailed"), 0.00656234975166864);
    EXPECT_FALSE(sleep.HasStatistic(0, "ExactSig2Tailed"));

    // More than 50 differences: normal.
    const EngineRun precip(DataFile("precip.csv"), {"wilcoxon precip median=35"});
    EXPECT_EQ(precip.Statistic(0, "TestStatistic"), 1286.5);
    ExpectNear(precip.Statistic(0, "AsymptoticSig2Tailed"), 0.6366796570635);
    EXPECT_FALSE(precip.HasStatistic(0, "ExactSig2Tailed"));
}

// Wind is written with one decimal: |7.4 - 10.3| and |13.2 - 10.3| are one
// decimal, 2.9, but two doubles when subtracted in binary. The differences
// are taken as the decimals they are, with the median's own decimals when it
// has more (10.35: two), so the ties the data have stay ties.
TEST(OneSampleWilcoxonTest, DecimalDifferencesKeepTheirTies) {
    const EngineRun wind(DataFile("airquality.csv"),
                         {"wilcoxon Wind median=10.3", "wilcoxon Wind median=10.35"});
    // R: wil1(round(aq$Wind - 10.3, 1), 0) and
    // wilcox.test(round(aq$Wind - 10.3, 1), exact = FALSE, correct = FALSE)
    EXPECT_EQ(wind.Statistic(0, "TestStatistic"), 4433.5);  // 4306.5 with the ties broken
    ExpectNear(wind.Statistic(0, "StandardError"), 490.584982444428);
    ExpectNear(wind.Statistic(0, "StandardizedTestStatistic"), -1.31068015330624);
    ExpectNear(wind.Statistic(0, "AsymptoticSig2Tailed"), 0.189965846626276);
    // R: wil1(round(aq$Wind - 10.35, 2), 0); rounded to one decimal W+ would be 4284
    EXPECT_EQ(wind.Statistic(1, "TestStatistic"), 4889.5);
    ExpectNear(wind.Statistic(1, "StandardError"), 548.571440197172);
    ExpectNear(wind.Statistic(1, "AsymptoticSig2Tailed"), 0.0680403427310871);
}

TEST(OneSampleWilcoxonTest, ExactRuleAtFiftyAndFiftyOneDifferences) {
    // 1..n minus 0.5: n untied positive differences, W+ = n(n+1)/2, so the
    // exact significance is 2 / 2^n (R: 2 * psignrank(0, n)).
    for (int n : {50, 51}) {
        std::string csv = "v\n";
        for (int i = 1; i <= n; ++i) csv += std::to_string(i) + "\n";
        const EngineRun run(csv, {"wilcoxon v median=0.5"});
        EXPECT_EQ(run.HasStatistic(0, "ExactSig2Tailed"), n <= 50) << n;
        if (n <= 50) ExpectNear(run.Statistic(0, "ExactSig2Tailed"), 2.0 / std::ldexp(1.0, n));
    }
}

TEST(KolmogorovSmirnovTest, GivenDistributionsAgreeWithScipyKstest) {
    const EngineRun faithful(DataFile("faithful.csv"),
                             {"ks eruptions dist=uniform min=1 max=6", "ks eruptions dist=uniform"});
    // scipy.stats.kstest(eruptions, 'uniform', (1, 5)); p = kstwobign.sf(sqrt(n) D)
    ExpectNear(faithful.Statistic(0, "MostExtremeDifferencesAbsolute"), 0.198694117647059);
    ExpectNear(faithful.Statistic(0, "MostExtremeDifferencesPositive"), 0.198694117647059);
    ExpectNear(faithful.Statistic(0, "MostExtremeDifferencesNegative"), -0.135570588235294);
    ExpectNear(faithful.Statistic(0, "AsymptoticSig2Tailed"), 9.41430566528432e-10, 1e-6);
    // min and max from the sample: 1.6 and 5.1
    EXPECT_EQ(faithful.Parameter(1, 1), std::vector<double>{1.6});
    ExpectNear(faithful.Statistic(1, "TestStatistic"), 0.2005);
    ExpectNear(faithful.Statistic(1, "AsymptoticSig2Tailed"), 6.36021454644212e-10, 1e-6);

    const EngineRun precip(DataFile("precip.csv"),
                           {"ks precip dist=exponential", "ks precip dist=exponential mean=30"});
    // scipy.stats.kstest(precip, 'expon', (0, mean))
    ExpectNear(precip.Statistic(0, "MostExtremeDifferencesAbsolute"), 0.32290043920821);
    ExpectNear(precip.Statistic(0, "MostExtremeDifferencesPositive"), 0.165827669916523);
    ExpectNear(precip.Statistic(0, "AsymptoticSig2Tailed"), 9.15395221228239e-07, 1e-6);
    EXPECT_EQ(precip.Messages(0), (std::vector<std::string>{"40102 warning"}));  // mean estimated
    ExpectNear(precip.Statistic(1, "TestStatistic"), 0.378059819039458);
    ExpectNear(precip.Statistic(1, "AsymptoticSig2Tailed"), 4.08091516906109e-09, 1e-6);
    EXPECT_TRUE(precip.Messages(1).empty());

    const EngineRun iris(DataFile("iris.csv"), {"ks Sepal.Width dist=normal mean=3 sd=0.5"});
    ExpectNear(iris.Statistic(0, "TestStatistic"), 0.124578258389676);
    ExpectNear(iris.Statistic(0, "AsymptoticSig2Tailed"), 0.019010260538644, 1e-6);
}

TEST(KolmogorovSmirnovTest, PoissonComparesTheStepFunctionsOnTheWholeNumbers) {
    // By hand on k = 0..max (REFERENCES.md, Poisson): D+ = max(Fn - F), D- = max(F - Fn).
    const EngineRun breaks(DataFile("warpbreaks.csv"), {"ks breaks dist=poisson"});
    ExpectNear(breaks.Parameter(0, 1)[0], 28.1481481481481, 1e-12);
    ExpectNear(breaks.Statistic(0, "MostExtremeDifferencesPositive"), 0.306255815688979);
    // D- falls between two observed values, where only the integers show it.
    ExpectNear(breaks.Statistic(0, "MostExtremeDifferencesNegative"), -0.173423850514904);
    ExpectNear(breaks.Statistic(0, "AsymptoticSig2Tailed"), 7.97625644362327e-05, 1e-6);
    const EngineRun morley(DataFile("morley.csv"), {"ks Run dist=poisson"});
    ExpectNear(morley.Statistic(0, "TestStatistic"), 0.199619548911064);
    ExpectNear(morley.Statistic(0, "AsymptoticSig2Tailed"), 0.00069163950752132, 1e-6);

    const EngineRun fractions("v\n1\n2.5\n", {"ks v dist=poisson"});
    EXPECT_EQ(fractions.Messages(0), (std::vector<std::string>{"40006 error"}));
}

// Values near the largest double vary, but their standard deviation (or the
// uniform's range) overflows: the test says so rather than that they do not
// vary, or fitting a distribution of infinite spread.
TEST(KolmogorovSmirnovTest, ParametersThatOverflowAreRefused) {
    const EngineRun huge("v\n1e308\n-1e308\n1e308\n-1e308\n3\n4\n",
                         {"ks v dist=normal", "ks v dist=uniform", "ks v dist=normal mean=0 sd=1"});
    EXPECT_EQ(huge.Messages(0), (std::vector<std::string>{"40011 error"}));
    EXPECT_EQ(huge.Messages(1), (std::vector<std::string>{"40011 error"}));
    EXPECT_TRUE(huge.Messages(2).empty());  // given parameters fit

    // One case has no standard deviation: it is too few for the Lilliefors
    // test, not a value too large.
    const EngineRun one("v\n5\n", {"ks v dist=normal"});
    EXPECT_EQ(one.Messages(0), (std::vector<std::string>{"40001 error"}));
}

TEST(KolmogorovSmirnovTest, NormalWithEstimatedParametersIsLilliefors) {
    const EngineRun precip(DataFile("precip.csv"), {"ks precip dist=normal"});
    // statsmodels lilliefors(precip, pvalmethod='approx') = Dallal-Wilkinson, p < 0.1
    EXPECT_EQ(precip.ConditionKey(0), "NormalDistribution_O_KolmogorovSmirnov_3");
    ExpectNear(precip.Parameter(0, 1)[0], 34.8857142857143, 1e-12);
    ExpectNear(precip.Parameter(0, 2)[0], 13.7066500914256, 1e-12);
    ExpectNear(precip.Statistic(0, "TestStatistic"), 0.109086398258071);
    ExpectNear(precip.Statistic(0, "AsymptoticSig2Tailed"), 0.0381216621465795);
    // n > 100: D scaled by (n/100)^0.49 first.
    const EngineRun iris(DataFile("iris.csv"), {"ks Sepal.Width dist=normal"});
    ExpectNear(iris.Statistic(0, "AsymptoticSig2Tailed"), 0.000314214677885356);
    // Between .1 and .2 the approximation itself: pval_lf(D, n).
    const EngineRun chicks(DataFile("chickwts.csv"), {"ks weight dist=normal"});
    ExpectNear(chicks.Statistic(0, "AsymptoticSig2Tailed"), 0.134173855182328);
    // Above .2 only the bound .2 is known, written as ">0.2".
    const EngineRun sleep(DataFile("sleep.csv"), {"ks extra dist=normal"});
    ExpectNear(sleep.Statistic(0, "TestStatistic"), 0.143083927316929);
    EXPECT_EQ(sleep.StatisticText(0, "AsymptoticSig2Tailed"), ">0.2");
    EXPECT_EQ(sleep.Decision(0), "retain");
    EXPECT_EQ(sleep.Algorithm(0)
                  .child("StructuredTable")
                  .find_child_by_attribute("Attribute", "name", "isUseSample")
                  .attribute("value")
                  .as_string(),
              std::string("true"));

    // The approximation is made for five cases and more (R's nortest::lillie.test
    // refuses fewer: "sample size must be greater than 4"): four cases cannot
    // be tested, five can; given parameters need no correction.
    const EngineRun four("x\n1.2\n3.4\n2.2\n5.1\n",
                         {"ks x dist=normal", "ks x dist=normal mean=3 sd=1.5"});
    EXPECT_EQ(four.Messages(0), std::vector<std::string>{"40001 error"});
    EXPECT_EQ(four.Decision(0), "");
    EXPECT_TRUE(four.HasStatistic(1, "AsymptoticSig2Tailed"));
    const EngineRun five("x\n1.2\n3.4\n2.2\n5.1\n4.0\n", {"ks x dist=normal"});
    EXPECT_TRUE(five.HasStatistic(0, "AsymptoticSig2Tailed"));
}

TEST(OneSampleAutomatic, ChoosesTheTestFromTheField) {
    const EngineRun run(DataFile("ToothGrowth.csv"), {"one-sample supp dose len"}, [](auto& request) {
        request.dictionaryJson = R"({"variables": [{"name": "dose", "measure": "ordinal"}]})";
    });
    EXPECT_EQ(run.Algorithm(0).attribute("name").as_string(), std::string("OBinomial"));   // two values
    EXPECT_EQ(run.Algorithm(1).attribute("name").as_string(), std::string("OChiSquare"));  // ordinal
    EXPECT_EQ(run.ConditionKey(2), "NormalDistribution_O_KolmogorovSmirnov_3");            // scale
}
