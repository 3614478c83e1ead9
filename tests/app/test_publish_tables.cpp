// What a reader needs to publish from the report, seen in npar-report's JSON
// output of tests run on data: the effect-size column of the Hypothesis Test
// Summary, the descriptives and contingency tables, the method behind each
// significance and the direction of each difference, by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "OutputQuery.h"

using apptest::RunCli;
using namespace output_query;

namespace {

std::string ReferenceData(const std::string& name) {
    return std::string(NPAR_SOURCE_DIR) + "/tests/engine/data/" + name;
}

// The JSON report of the tests run on a data file.
Json Report(const std::string& data, const std::vector<std::string>& tests,
            const std::vector<std::string>& options = {}) {
    std::vector<std::string> arguments = {"--resources", std::string(NPAR_SOURCE_DIR) + "/resources",
                                          "--format",    "json",
                                          "--no-charts", data};
    for (const std::string& test : tests) {
        arguments.push_back("--test");
        arguments.push_back(test);
    }
    arguments.insert(arguments.end(), options.begin(), options.end());
    const apptest::CliResult result = RunCli(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    return Json::parse(result.out);
}

Json Summary(const Json& report) {
    const std::vector<Json> tables = Tables(report, "Hypothesis Test Summary");
    return tables.empty() ? Json() : tables.front();
}

std::string SummaryText(const Json& report, const std::string& row, const std::string& column) {
    const Json cell = Cell(Summary(report), {row}, {column});
    return cell.is_null() ? std::string("(none)") : cell["text"].get<std::string>();
}

std::vector<std::string> SummaryNotes(const Json& report, const std::string& row) {
    const Json summary = Summary(report);
    return NoteTexts(summary, Cell(summary, {row}, {"Sig."}));
}

// The one table of a title, or null.
Json OnlyTable(const Json& report, const std::string& title) {
    const std::vector<Json> tables = Tables(report, title);
    EXPECT_EQ(tables.size(), 1u) << title;
    return tables.empty() ? Json() : tables.front();
}

std::string Text(const Json& table, const std::vector<std::string>& row,
                 const std::vector<std::string>& column) {
    const Json cell = Cell(table, row, column);
    return cell.is_null() ? std::string("(none)") : cell["text"].get<std::string>();
}

// Whether a footnote of the table (on a cell, a label or the table) reads text.
bool HasNote(const Json& table, const std::string& text) {
    for (const Json& note : table["notes"])
        if (note["text"] == text) return true;
    return false;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    for (const std::string& each : texts)
        if (each == text) return true;
    return false;
}

}  // namespace

// Each measure as papers write it, against the reference values of
// tests/engine/data/EFFECT-SIZES.md (R 4.2, the expressions written there):
// bounded measures without the leading zero, the odds ratio with it.
TEST(PublishSummary, EffectSizeColumnWritesEachMeasureWithItsInterval) {
    const Json plants =
        Report(ReferenceData("PlantGrowth.csv"),
               {"mann-whitney weight by group groups=ctrl,trt2",
                "kruskal-wallis weight by group compare=none", "median weight by group compare=none"});
    // r = 0.5 [0.0307, 0.7887]; epsilon-squared 0.2755; V = 0.4899 [0, 0.8214]
    EXPECT_EQ(SummaryText(plants, "1", "Effect Size"), "r = .50 [.03, .79]");
    EXPECT_EQ(SummaryText(plants, "2", "Effect Size"), "ε² = .28");
    EXPECT_EQ(SummaryText(plants, "3", "Effect Size"), "V = .49 [.00, .82]");

    // Kendall's W 0.2532 (scipy's tie-corrected Friedman X2, REFERENCES.md section 12)
    const Json rounding = Report(ReferenceData("RoundingTimes.csv"),
                                 {"friedman Round.Out Narrow.Angle Wide.Angle compare=none"});
    EXPECT_EQ(SummaryText(rounding, "1", "Effect Size"), "W = .25");
    // Kendall's test has W as its statistic: its table shows it once, the
    // summary as its effect size.
    const Json kendall = Report(ReferenceData("RoundingTimes.csv"),
                                {"kendall Round.Out Narrow.Angle Wide.Angle compare=none"});
    EXPECT_EQ(SummaryText(kendall, "1", "Effect Size"), "W = .25");
    const Json statistics =
        OnlyTable(kendall, "Related-Samples Kendall's Coefficient of Concordance Summary");
    EXPECT_EQ(Text(statistics, {"Kendall's W"}, {}), ".253");
    EXPECT_EQ(Text(statistics, {"Effect Size", "Kendall's W"}, {}), "(none)");
    // Friedman's test shows W only as its effect size.
    EXPECT_EQ(Text(OnlyTable(rounding,
                             "Related-Samples Friedman's Two-Way Analysis of Variance by Ranks "
                             "Summary"),
                   {"Effect Size", "Kendall's W"}, {}),
              ".253");

    // Cohen's w 0.3703 [0.1736, 0.5060]; it keeps its leading zero, since with
    // five categories it can reach 2.
    const Json months =
        Report(ReferenceData("airquality.csv"), {"chi-square Month expected=0.1,0.2,0.3,0.2,0.2"});
    EXPECT_EQ(SummaryText(months, "1", "Effect Size"), "w = 0.37 [0.17, 0.51]");

    // b / c = 150 / 86 = 1.7442 [1.3292, 2.3010]
    const Json approval =
        Report(ReferenceData("Performance.csv"), {"mcnemar first second success=Approve"});
    EXPECT_EQ(SummaryText(approval, "1", "Effect Size"), "OR = 1.74 [1.33, 2.30]");

    // 18 / 70 with R binom.test(18, 70)$conf.int = 0.1601, 0.3756
    const Json rain = Report(ReferenceData("precip.csv"), {"binomial precip cut=30", "runs precip"});
    EXPECT_EQ(SummaryText(rain, "1", "Effect Size"), "p̂ = .26 [.16, .38]");
    EXPECT_EQ(SummaryText(rain, "2", "Effect Size"), "(none)") << "the runs test has no effect size";

    // scipy.stats.kstest(eruptions, uniform(1, 5)).statistic = 0.1987
    const Json eruptions =
        Report(ReferenceData("faithful.csv"), {"ks eruptions dist=uniform min=1 max=6"});
    EXPECT_EQ(SummaryText(eruptions, "1", "Effect Size"), "D = .20");
    // D is the table's most extreme absolute difference, shown once there.
    const Json ks = OnlyTable(eruptions, "One-Sample Kolmogorov-Smirnov Uniform Test Summary");
    EXPECT_EQ(Text(ks, {"Most Extreme Differences (Absolute)"}, {}), ".199");
    EXPECT_EQ(Text(ks, {"Effect Size", "D"}, {}), "(none)");
}

// Where a measure has no finite value or interval the report says why rather
// than print one: groups that do not overlap give r = 2 * 9 / 9 - 1 = 1, whose
// Fisher interval would be the point 1; four changes from success to failure
// and none back give the odds 4 / 0.
TEST(PublishSummary, EffectSizesWithoutAFiniteValueOrIntervalSayWhy) {
    apptest::TempDir dir;
    const Json report = Report(dir.Write("bounds.csv",
                                         "x,g,before,after\n1,a,1,0\n2,a,1,0\n3,a,1,0\n"
                                         "4,b,1,0\n5,b,0,0\n6,b,1,1\n"),
                               {"mann-whitney x by g", "mcnemar before after success=1"});
    EXPECT_EQ(SummaryText(report, "1", "Effect Size"), "r = 1.00");
    const Json groups = OnlyTable(report, "Independent-Samples Mann-Whitney U Test Summary");
    // The note stands on the measure it concerns, not on the test's statistic.
    EXPECT_EQ(NoteTexts(groups, Cell(groups, {"Effect Size", "Rank-Biserial Correlation"}, {})),
              std::vector<std::string>{"The rank-biserial correlation is -1 or 1, where Fisher's z "
                                       "transform is infinite, so no confidence interval is given "
                                       "for it."});
    EXPECT_TRUE(NoteTexts(groups, Cell(groups, {"Test Statistic"}, {})).empty());

    EXPECT_EQ(SummaryText(report, "2", "Effect Size"), "(none)");
    const Json changes = OnlyTable(report, "Related-Samples McNemar Change Test Summary");
    EXPECT_EQ(Text(changes, {"Effect Size", "Odds Ratio of the Discordant Pairs"}, {}), "(none)");
    EXPECT_TRUE(HasNote(changes,
                        "No case changes from failure to success, so the odds ratio of the "
                        "discordant pairs is infinite and is not shown."));
    // On the table, as no row shows the odds ratio: not on the chi-square.
    EXPECT_TRUE(NoteTexts(changes, Cell(changes, {"Test Statistic"}, {})).empty());
}

TEST(PublishSummary, SignificancesSayTheirMethodSideAndBound) {
    const Json report =
        Report(ReferenceData("PlantGrowth.csv"),
               {"mann-whitney weight by group groups=ctrl,trt2",
                "moses weight by group groups=ctrl,trt1", "kruskal-wallis weight by group"});
    const Json summary = Summary(report);
    // The effect sizes' key names the measures shown, in their order, and the
    // level of the one interval (Kruskal-Wallis' epsilon-squared has none).
    EXPECT_EQ(summary["caption"],
              "Significances are two-sided and asymptotic unless a note says otherwise. The "
              "significance level is .050.\nEffect sizes: r = Rank-Biserial Correlation; ε² = "
              "Epsilon-Squared. Brackets hold 95% confidence intervals.");
    // Ten cases a group without ties: the exact significance, named as such.
    EXPECT_EQ(SummaryNotes(report, "1"),
              (std::vector<std::string>{"Exact distribution of U (no ties)."}));
    const std::vector<std::string> moses = SummaryNotes(report, "2");
    EXPECT_TRUE(Contains(moses, "This significance is one-sided.")) << moses.size();
    EXPECT_TRUE(Contains(moses, "Exact distribution of the span."));
    EXPECT_EQ(
        SummaryNotes(report, "3"),
        (std::vector<std::string>{"Chi-square approximation; the statistic is corrected for ties."}));

    // Without intervals the key says nothing of brackets; at another confidence
    // level it names that level; a table without effect sizes has no key.
    EXPECT_EQ(
        Summary(Report(ReferenceData("PlantGrowth.csv"), {"kruskal-wallis weight by group"}))["caption"],
        "Significances are two-sided and asymptotic unless a note says otherwise. The "
        "significance level is .050.\nEffect sizes: ε² = Epsilon-Squared.");
    const Json at90 =
        Summary(Report(ReferenceData("PlantGrowth.csv"),
                       {"mann-whitney weight by group groups=ctrl,trt2"}, {"--confidence", "90"}));
    EXPECT_NE(at90["caption"].get<std::string>().find("Brackets hold 90% confidence intervals."),
              std::string::npos);
    EXPECT_EQ(Summary(Report(ReferenceData("PlantGrowth.csv"),
                             {"moses weight by group groups=ctrl,trt1"}))["caption"],
              "Significances are two-sided and asymptotic unless a note says otherwise. The "
              "significance level is .050.");

    // statsmodels lilliefors(sleep extra): above .2, so only the bound is known.
    const Json sleep = Report(ReferenceData("sleep.csv"), {"ks extra dist=normal"});
    const Json bound = Cell(Summary(sleep), {"1"}, {"Sig."});
    EXPECT_EQ(bound["text"], ">.200");
    EXPECT_EQ(bound["value"], 0.2);
    const Json statistics = OnlyTable(sleep, "One-Sample Kolmogorov-Smirnov Normal Test Summary");
    const Json cell = Cell(statistics, {"Asymptotic Sig. (2-sided test)"}, {});
    EXPECT_EQ(cell["text"], ">.200");
    EXPECT_EQ(NoteTexts(statistics, cell),
              (std::vector<std::string>{"Lilliefors significance (Dallal-Wilkinson approximation): the "
                                        "mean and standard deviation were estimated from the sample."}));
    EXPECT_EQ(Text(statistics, {"Test Statistic (D)"}, {}), ".143");
}

TEST(PublishSummary, LevelsAreStatedWithTheDecimalsTheyNeed) {
    // Kruskal-Wallis on PlantGrowth: p = .018 (R kruskal.test), below .025, so the
    // pairs are compared. The level reads .025 and 0.025, not 0.03.
    const Json at025 = Report(ReferenceData("PlantGrowth.csv"), {"kruskal-wallis weight by group"},
                              {"--alpha", "0.025"});
    const auto captionOf = [](const Json& table) { return table["caption"].get<std::string>(); };
    EXPECT_NE(captionOf(Summary(at025)).find("The significance level is .025."), std::string::npos);
    EXPECT_NE(captionOf(OnlyTable(at025, "Pairwise Comparisons of group"))
                  .find("The significance level is 0.025."),
              std::string::npos);
    // .0005 is not "<.001"; the usual level keeps its usual form.
    const Json tiny = Report(ReferenceData("PlantGrowth.csv"), {"kruskal-wallis weight by group"},
                             {"--alpha", "0.0005"});
    EXPECT_NE(captionOf(Summary(tiny)).find("The significance level is .0005."), std::string::npos);
    const Json usual = Report(ReferenceData("PlantGrowth.csv"), {"kruskal-wallis weight by group"});
    EXPECT_NE(captionOf(OnlyTable(usual, "Pairwise Comparisons of group"))
                  .find("The significance level is 0.05."),
              std::string::npos);
    // A level that is no whole percent is not rounded to one: 99.9 is not 100.
    const Json at999 = Report(ReferenceData("PlantGrowth.csv"),
                              {"mann-whitney weight by group groups=ctrl,trt2",
                               "hodges-lehmann weight by group groups=ctrl,trt2"},
                              {"--confidence", "99.9"});
    EXPECT_NE(
        Summary(at999)["caption"].get<std::string>().find("Brackets hold 99.9% confidence intervals."),
        std::string::npos);
    EXPECT_FALSE(Text(OnlyTable(at999, "Confidence Interval Summary"), {"1"},
                      {"99.9% Confidence Interval", "Lower"})
                     .empty());
}

TEST(PublishSummary, UncomputableTestSaysWhyUnderItsHeadingAndInTheSummary) {
    const Json report = Report(ReferenceData("precip.csv"), {"ks precip dist=poisson"});
    const Json sig = Cell(Summary(report), {"1"}, {"Sig."});
    EXPECT_EQ(sig["text"], "Not computed");
    EXPECT_EQ(NoteTexts(Summary(report), sig),
              (std::vector<std::string>{
                  "The Poisson distribution needs counts: whole numbers of at least 0."}));
    const std::vector<Json> reasons = Items(report, "error");
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_EQ(reasons[0]["text"],
              "This test could not be computed. The Poisson distribution needs counts: whole numbers "
              "of at least 0.");
}

// Every parameter estimated from the sample is stated, for each distribution.
TEST(PublishStatistics, EstimatedParametersAreStatedForEveryDistribution) {
    const Json report = Report(ReferenceData("warpbreaks.csv"),
                               {"ks breaks dist=poisson", "ks breaks dist=exponential",
                                "ks breaks dist=uniform", "ks breaks dist=poisson mean=28"});
    const std::string estimated =
        "Kolmogorov's limiting distribution; the parameters were estimated from the sample, so the "
        "significance is conservative.";
    for (const char* row : {"1", "2", "3"})
        EXPECT_TRUE(Contains(SummaryNotes(report, row), estimated)) << row;
    EXPECT_EQ(SummaryNotes(report, "4"),
              (std::vector<std::string>{"Kolmogorov's limiting distribution."}));
    // The statistics table says it once, on the significance it concerns.
    const std::vector<Json> poisson =
        Tables(report, "One-Sample Kolmogorov-Smirnov Poisson Test Summary");
    ASSERT_EQ(poisson.size(), 2u);
    EXPECT_TRUE(Cell(poisson[0], {"Test Statistic (D)"}, {})["notes"].empty());
    EXPECT_EQ(NoteTexts(poisson[0], Cell(poisson[0], {"Asymptotic Sig. (2-sided test)"}, {})),
              std::vector<std::string>{estimated});
}

// The Descriptive Statistics table against a hand count of PlantGrowth's
// ctrl and trt2 weights (ten each). Sorted ctrl: 4.17 4.50 4.53 4.61 5.14
// 5.17 5.18 5.33 5.58 6.11: median (5.14 + 5.17) / 2 = 5.155, hinges the
// medians of each half, 4.53 and 5.33. trt2: 4.92 5.12 5.26 5.29 5.37 5.50
// 5.54 5.80 6.15 6.31: median 5.435, hinges 5.26 and 5.80 (R fivenum).
TEST(PublishDescriptives, SamplesShowNMedianHingesAndMeanRank) {
    const Json report =
        Report(ReferenceData("PlantGrowth.csv"), {"mann-whitney weight by group groups=ctrl,trt2"});
    const Json table = OnlyTable(report, "Descriptive Statistics");
    EXPECT_EQ(Text(table, {"ctrl"}, {"N"}), "10");
    EXPECT_EQ(Text(table, {"ctrl"}, {"Median"}), "5.155");
    EXPECT_EQ(Text(table, {"ctrl"}, {"Lower Quartile"}), "4.530");
    EXPECT_EQ(Text(table, {"ctrl"}, {"Upper Quartile"}), "5.330");
    EXPECT_EQ(Text(table, {"trt2"}, {"Median"}), "5.435");
    EXPECT_EQ(Text(table, {"trt2"}, {"Lower Quartile"}), "5.260");
    EXPECT_EQ(Text(table, {"trt2"}, {"Upper Quartile"}), "5.800");
    // U of trt2 = 75 (R wilcox.test(trt2, ctrl)): its rank sum 75 + 55 = 130,
    // mean rank 13.0; ctrl's 210 - 130 = 80, mean rank 8.0.
    EXPECT_EQ(Text(table, {"trt2"}, {"Mean Rank"}), "13.000");
    EXPECT_EQ(Text(table, {"ctrl"}, {"Mean Rank"}), "8.000");
    EXPECT_EQ(table["caption"], "The quartiles are Tukey's hinges, as the box plots draw them.");
}

// The counts of ten cases, by hand: McNemar's two-by-two table with the
// categories of each class named, Cochran's successes and failures, the
// chi-square and binomial tests' observed and expected counts.
TEST(PublishDescriptives, ContingencyTablesOfTheCategoricalTests) {
    apptest::TempDir dir;
    // before to after: 3 stay Pass, 4 go Fail to Pass, 1 Pass to Fail, 2 stay
    // Fail; later is Pass but once.
    const std::string data = dir.Write("change.csv",
                                       "before,after,later\n"
                                       "Pass,Pass,Pass\nPass,Pass,Pass\nPass,Pass,Pass\n"
                                       "Fail,Pass,Pass\nFail,Pass,Pass\nFail,Pass,Pass\nFail,Pass,Fail\n"
                                       "Pass,Fail,Pass\nFail,Fail,Pass\nFail,Fail,Pass\n");
    const Json report =
        Report(data, {"mcnemar before after success=Pass", "cochran before after later success=Pass",
                      "chi-square after", "binomial before success=Pass"});
    const std::vector<Json> tables = Tables(report, "Contingency Table");
    ASSERT_EQ(tables.size(), 2u);
    const Json& mcnemar = tables[0];
    EXPECT_EQ(Text(mcnemar, {"before", "Success (Pass)"}, {"after", "Success (Pass)"}), "3");
    EXPECT_EQ(Text(mcnemar, {"before", "Success (Pass)"}, {"after", "Failure (Fail)"}), "1");
    EXPECT_EQ(Text(mcnemar, {"before", "Failure (Fail)"}, {"after", "Success (Pass)"}), "4");
    EXPECT_EQ(Text(mcnemar, {"before", "Failure (Fail)"}, {"after", "Failure (Fail)"}), "2");

    const Json& cochran = tables[1];
    EXPECT_EQ(Text(cochran, {"Field", "before"}, {"Cases", "Success"}), "4");
    EXPECT_EQ(Text(cochran, {"Field", "after"}, {"Cases", "Failure"}), "3");
    EXPECT_EQ(Text(cochran, {"Field", "later"}, {"Cases", "Success"}), "9");

    const std::vector<Json> frequencies = Tables(report, "Frequencies");
    ASSERT_EQ(frequencies.size(), 2u);
    // after: 7 Pass, 3 Fail against 5 and 5.
    EXPECT_EQ(Text(frequencies[0], {"after", "Pass"}, {"Cases", "Observed N"}), "7");
    EXPECT_EQ(Text(frequencies[0], {"after", "Pass"}, {"Cases", "Expected N"}), "5.0");
    EXPECT_EQ(Text(frequencies[0], {"after", "Fail"}, {"Cases", "Residual"}), "-2.0");
    EXPECT_EQ(Text(frequencies[1], {"before", "before = Pass"}, {"Cases", "Observed N"}), "4");
    EXPECT_EQ(Text(frequencies[1], {"before", "before = Fail"}, {"Cases", "Expected N"}), "5.0");
}

TEST(PublishDescriptives, MedianTestAndMarginalHomogeneityCounts) {
    apptest::TempDir dir;
    // Pooled median of 1..8 is 4.5: group a holds 1 2 3 7, group b 4 5 6 8.
    const std::string data = dir.Write("median.csv",
                                       "x,g,r1,r2\n1,a,1,1\n2,a,1,2\n3,a,2,2\n7,a,2,3\n"
                                       "4,b,3,3\n5,b,3,2\n6,b,1,1\n8,b,2,2\n");
    const Json report = Report(data, {"median x by g", "marginal-homogeneity r1 r2"});
    const std::vector<Json> tables = Tables(report, "Contingency Table");
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(Text(tables[0], {"g", "a"}, {"Cases", "Above the median"}), "1");
    EXPECT_EQ(Text(tables[0], {"g", "a"}, {"Cases", "At or below the median"}), "3");
    EXPECT_EQ(Text(tables[0], {"g", "b"}, {"Cases", "Above the median"}), "3");
    // The changed cases (1,2), (2,3), (3,2) score 1 + 2 + 3 on r1, as the note says.
    const Json homogeneity = OnlyTable(report, "Related-Samples Marginal Homogeneity Test Summary");
    const Json statistic = Cell(homogeneity, {"Test Statistic"}, {});
    EXPECT_EQ(statistic["text"], "6.000");
    EXPECT_EQ(
        NoteTexts(homogeneity, statistic),
        std::vector<std::string>{"The test statistic is the sum of the first field's scores (1 for "
                                 "its first category, 2 for the next, and so on) over the cases "
                                 "whose category changes."});
    // r1 against r2: (1,1) twice, (1,2), (2,2), (2,3), (3,3), (3,2), (2,2) once more.
    EXPECT_EQ(Text(tables[1], {"r1", "1"}, {"r2", "1"}), "2");
    EXPECT_EQ(Text(tables[1], {"r1", "2"}, {"r2", "2"}), "2");
    EXPECT_EQ(Text(tables[1], {"r1", "3"}, {"r2", "2"}), "1");
    EXPECT_EQ(Text(tables[1], {"r1", "1"}, {"r2", "3"}), "0");
}

// The one-sample tests' statistics say what they count, on their rows.
TEST(PublishDirections, OneSampleStatisticsSayWhatTheyCount) {
    const Json rain = Report(ReferenceData("precip.csv"),
                             {"binomial precip cut=30", "runs precip", "wilcoxon precip median=35"});
    // 18 of the 70 cities have at most 30 inches, as R binom.test(18, 70) is
    // called: the count of the hypothesis' first category.
    const Json binomial = OnlyTable(rain, "One-Sample Binomial Test Summary");
    const Json count = Cell(binomial, {"Test Statistic"}, {});
    EXPECT_EQ(count["text"], "18.000");
    EXPECT_EQ(NoteTexts(binomial, count),
              std::vector<std::string>{
                  "The test statistic is the number of cases in the hypothesis' first category."});
    const Json runs = OnlyTable(rain, "One-Sample Runs Test Summary");
    EXPECT_EQ(NoteTexts(runs, Cell(runs, {"Test Statistic"}, {})),
              std::vector<std::string>{"The test statistic is the number of runs."});
    const Json wilcoxon = OnlyTable(rain, "One-Sample Wilcoxon Signed Rank Test Summary");
    EXPECT_EQ(NoteTexts(wilcoxon, Cell(wilcoxon, {"Test Statistic"}, {})),
              std::vector<std::string>{"The test statistic is the sum of the ranks of the values above "
                                       "the hypothesized median, each value ranked by its distance "
                                       "from it."});
}

// Differences, whose U, the control group and pairs are named.
TEST(PublishDirections, DifferencesAndStatisticsNameTheirFieldsAndGroups) {
    const Json pairs =
        Report(ReferenceData("depression.csv"), {"wilcoxon x y", "sign x y", "hodges-lehmann x y"});
    EXPECT_EQ(OnlyTable(pairs, "Related-Samples Wilcoxon Signed Rank Test Summary")["caption"],
              "Differences: y − x.");
    EXPECT_EQ(OnlyTable(pairs, "Related-Samples Sign Test Summary")["caption"], "Differences: y − x.");
    EXPECT_EQ(Text(OnlyTable(pairs, "Confidence Interval Summary"), {"1"}, {"Parameter"}),
              "Median of the differences y − x.");

    const Json plants =
        Report(ReferenceData("PlantGrowth.csv"),
               {"mann-whitney weight by group groups=ctrl,trt2",
                "moses weight by group groups=ctrl,trt1 control=trt1",
                "hodges-lehmann weight by group groups=ctrl,trt2", "kruskal-wallis weight by group",
                "ks weight by group groups=ctrl,trt1"});
    const Json mannWhitney = OnlyTable(plants, "Independent-Samples Mann-Whitney U Test Summary");
    EXPECT_TRUE(HasNote(mannWhitney,
                        "U counts the pairs of cases in which the case of trt2 has the "
                        "larger value (ties count one half)."));
    EXPECT_TRUE(HasNote(mannWhitney, "W is the rank sum of trt2."));
    EXPECT_EQ(mannWhitney["notes"].size(), 4u) << "both significances' methods and the two named notes";
    const Json moses = OnlyTable(plants, "Independent-Samples Moses Test of Extreme Reaction Summary");
    EXPECT_EQ(moses["caption"], "The control group is trt1.");
    // 4.17 is in both groups: the note on the ties goes on each span, and no
    // row without a number is made to carry it.
    for (const char* span : {"Observed Control Group", "Trimmed Control Group"}) {
        const std::vector<std::string> notes =
            NoteTexts(moses, Cell(moses, {span, "Test Statistic"}, {}));
        EXPECT_EQ(notes.size(), 1u) << span;
        EXPECT_EQ(notes.empty() ? "" : notes[0].substr(0, 35), "Some values occur in both groups; t")
            << span;
    }
    EXPECT_EQ(Cell(moses, {"Test Statistic"}, {}), nullptr);
    EXPECT_EQ(Text(OnlyTable(plants, "Confidence Interval Summary"), {"1"}, {"Parameter"}),
              "Median difference of weight, trt2 − ctrl.");
    // J's order of the groups, ascending and descending, by name.
    const Json ordered = Report(ReferenceData("PlantGrowth.csv"),
                                {"jonckheere-terpstra weight by group compare=none",
                                 "jonckheere-terpstra weight by group order=descending compare=none"});
    const std::vector<Json> jonckheere =
        Tables(ordered, "Independent-Samples Jonckheere-Terpstra Test for Ordered Alternatives Summary");
    ASSERT_EQ(jonckheere.size(), 2u);
    auto orderNote = [](const std::string& order) {
        return "J counts the pairs of cases from two groups in which the later group in the order " +
               order + " has the larger value (ties count one half).";
    };
    EXPECT_TRUE(HasNote(jonckheere[0], orderNote("ctrl, trt1, trt2")));
    EXPECT_TRUE(HasNote(jonckheere[1], orderNote("trt2, trt1, ctrl")));

    const Json pairwise = OnlyTable(plants, "Pairwise Comparisons of group");
    EXPECT_NE(Cell(pairwise, {"trt1 vs ctrl"}, {"Sig."}), nullptr);
    // A pair's statistic is Sample 1's average rank less Sample 2's, as its
    // note says: trt1's and ctrl's mean ranks in the Kruskal-Wallis test's
    // descriptives.
    EXPECT_TRUE(HasNote(pairwise, "The test statistic is Sample 1's average rank less Sample 2's."));
    Json ranks;  // the descriptives with all three groups' mean ranks
    for (const Json& table : Tables(plants, "Descriptive Statistics"))
        if (!Cell(table, {"trt1"}, {"Mean Rank"}).is_null() &&
            !Cell(table, {"trt2"}, {"Mean Rank"}).is_null())
            ranks = table;
    ASSERT_FALSE(ranks.is_null());
    const double difference = Cell(ranks, {"trt1"}, {"Mean Rank"})["value"].get<double>() -
                              Cell(ranks, {"ctrl"}, {"Mean Rank"})["value"].get<double>();
    EXPECT_NEAR(Cell(pairwise, {"trt1 vs ctrl"}, {"Test Statistic"})["value"].get<double>(), difference,
                1e-9);
    EXPECT_LT(difference, 0);
    EXPECT_NE(Text(OnlyTable(plants, "Independent-Samples Kolmogorov-Smirnov Test Summary"),
                   {"Test Statistic (Z)"}, {}),
              "(none)");
}
