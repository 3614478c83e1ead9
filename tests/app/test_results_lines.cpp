// The results line of each test, through npar-report on the published data
// sets of tests/engine/data: every number in an expected line is a reference
// value of tests/engine/data/REFERENCES.md or EFFECT-SIZES.md (R 4.2, scipy,
// statsmodels; the expression is named beside it), rounded as APA writes it.
// Then the number style across the full example, and the line in each format.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "OutputQuery.h"

using apptest::RunCli;
using output_query::Json;

namespace {

constexpr const char* kMinus = "\xE2\x88\x92";

std::string DataFile(const std::string& name) {
    return std::string(NPAR_SOURCE_DIR) + "/tests/engine/data/" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "−" for every "~" of the pattern, so that expected lines stay readable.
std::string Typeset(std::string text) {
    for (size_t at; (at = text.find('~')) != std::string::npos;) text.replace(at, 1, kMinus);
    return text;
}

std::vector<std::string> LinesOf(const Json& report) {
    std::vector<std::string> lines;
    for (const Json& text : output_query::Items(report, "text")) {
        if (text["role"] == "results") lines.push_back(text["text"]);
    }
    return lines;
}

// The results lines of a run of npar-report on data with these tests, in
// document order.
std::vector<std::string> ResultsLines(const std::string& data, const std::vector<std::string>& tests) {
    std::vector<std::string> arguments = {data, "--format", "json"};
    for (const std::string& test : tests) arguments.insert(arguments.end(), {"--test", test});
    const apptest::CliResult result = RunCli(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    return LinesOf(Json::parse(result.out));
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

TEST(ResultsLines, OneSampleTestsOnPublishedData) {
    // airquality Month against .1 .2 .3 .2 .2: R chisq.test(month, p = ...)
    // X2 20.9760348583878, df 4, p 0.00032, counts 31 30 31 31 30; Cohen's w
    // 0.370267831506176 in [0.173616996101897, 0.506017287494414]
    // (effect_sizes.R). w can exceed 1, so it keeps its leading zero.
    EXPECT_EQ(
        ResultsLines(DataFile("airquality.csv"), {"chi-square Month expected=0.1,0.2,0.3,0.2,0.2"}),
        std::vector<std::string>{
            "\xCF\x87\xC2\xB2(4, N = 153) = 20.98, p < .001, w = 0.37, 95% CI [0.17, 0.51]"});

    // precip <= 30: 18 of 70, R binom.test p 5.85e-05, z -4.06377727173694,
    // Clopper-Pearson [0.160069890932403, 0.375614385723677]; statsmodels
    // lilliefors(precip) D 0.109086398258071, p 0.0381216621465795.
    EXPECT_EQ(
        ResultsLines(DataFile("precip.csv"), {"binomial precip cut=30", "ks precip dist=normal"}),
        (std::vector<std::string>{
            Typeset("Binomial test: 18 of 70, proportion = .26, 95% CI [.16, .38], z = ~4.06, p < .001 "
                    "(exact)"),
            "Kolmogorov-Smirnov test (normal): D = .11, p = .038 (Lilliefors), N = 70"}));

    // PlantGrowth weight: statsmodels D 0.0933872517135398, Dallal-Wilkinson
    // p 0.747, above the table: only the bound .200.
    EXPECT_EQ(ResultsLines(DataFile("PlantGrowth.csv"), {"ks weight dist=normal"}),
              std::vector<std::string>{
                  "Kolmogorov-Smirnov test (normal): D = .09, p > .200 (Lilliefors), N = 30"});
}

TEST(ResultsLines, RelatedSamplesTestsOnPublishedData) {
    // depression, d = y - x: W+ 5, z -2.07322107215682, R exact p 0.0390625;
    // matched-pairs r -0.777777777777778 in [-0.944155901920081,
    // -0.295363129336242] (effect_sizes.R); sign test n+ 2 of 9, z
    // -1.33333333333333, binom.test p 0.1796875; Hodges-Lehmann of x - y 0.46
    // in [0.01, 0.786] (R wilcox.test conf.int), so of y - x -0.46 in
    // [-0.786, -0.01].
    const std::vector<std::string> depression =
        ResultsLines(DataFile("depression.csv"), {"wilcoxon x y", "sign x y", "hodges-lehmann x y"});
    ASSERT_EQ(depression.size(), 3u);
    // The interval estimate's line follows the Confidence Interval Summary,
    // before the tests' headings.
    EXPECT_TRUE(EndsWith(depression[0],
                         Typeset(": Hodges-Lehmann estimate ~0.46, 95% CI [~0.79, ~0.01], N = 9")))
        << depression[0];
    EXPECT_EQ(depression[1],
              Typeset("Wilcoxon signed-rank test: V = 5, z = ~2.07, p = .039 (exact), r = ~.78, 95% CI "
                      "[~.94, ~.30], N = 9"));
    EXPECT_EQ(depression[2], Typeset("Sign test: S = 2, z = ~1.33, p = .180 (exact), N = 9"));

    // Performance (Approve a success): R mcnemar.test X2 16.8177966101695, p
    // 4.1e-05; discordant odds 150 / 86 = 1.74418604651163 in
    // [1.32922825260526, 2.30097908042199] (binom.test interval transformed).
    EXPECT_EQ(
        ResultsLines(DataFile("Performance.csv"), {"mcnemar first second success=Approve"}),
        std::vector<std::string>{"McNemar \xCF\x87\xC2\xB2(1, N = 1600) = 16.82, p < .001, OR = 1.74, "
                                 "95% CI [1.33, 2.30]"});

    // RoundingTimes: R friedman.test X2 11.1428571428571, df 2, p
    // 0.00380504077551136; Kendall's W 0.253246753246753.
    const std::string fields = "Round.Out Narrow.Angle Wide.Angle";
    EXPECT_EQ(
        ResultsLines(DataFile("RoundingTimes.csv"), {"friedman " + fields, "kendall " + fields}),
        (std::vector<std::string>{"Friedman \xCF\x87\xC2\xB2(2) = 11.14, p = .004, W = .25, N = 22",
                                  "Kendall's W = .25, \xCF\x87\xC2\xB2(2) = 11.14, p = .004, N = 22"}));

    // cochran.csv: Q 10.75, df 2, p 0.00463091873353325 (statsmodels cochrans_q); eta-squared
    // of Q 0.447916666666667 (effect_sizes.R), which the summary's caption names.
    EXPECT_EQ(
        ResultsLines(DataFile("cochran.csv"), {"cochran task1 task2 task3 success=1"}),
        std::vector<std::string>{"Cochran's Q(2) = 10.75, p = .005, \xCE\xB7\xC2\xB2Q = .45, N = 12"});
}

TEST(ResultsLines, IndependentSamplesTestsOnPublishedData) {
    // PlantGrowth ctrl vs trt2: U of trt2 75, |z| 1.88982236504614 (trt2
    // larger), R exact p 0.0630128385546342; r 0.5 in [0.030738729305766,
    // 0.788655074576659] (effect_sizes.R). All groups: R kruskal.test H
    // 7.98822874944372, df 2, p 0.018423755731472, epsilon-squared
    // 0.275456163773921; median test X2 7.2, p 0.0273237224472926, Cramer's V
    // 0.489897948556636 in [0, 0.821355386019436].
    const std::string data = DataFile("PlantGrowth.csv");
    EXPECT_EQ(
        ResultsLines(data, {"mann-whitney weight by group groups=ctrl,trt2",
                            "kruskal-wallis weight by group", "median weight by group"}),
        (std::vector<std::string>{
            "Mann-Whitney U = 75, z = 1.89, p = .063 (exact), r = .50, 95% CI [.03, .79], N = 20",
            "Kruskal-Wallis H(2) = 7.99, p = .018, \xCE\xB5\xC2\xB2 = .28, N = 30",
            "Median test \xCF\x87\xC2\xB2(2, N = 30) = 7.20, p = .027, V = .49, 95% CI [.00, .82]"}));

    // ctrl and trt1 alone (20 cases): X2 without correction 0.8, Fisher's
    // exact p 0.656281798696659 (R fisher.test), which the summary shows.
    apptest::TempDir dir;
    std::istringstream rows(ReadFile(data));
    std::string twoGroups, row;
    for (bool header = true; std::getline(rows, row); header = false) {
        if (header || EndsWith(row, "ctrl") || EndsWith(row, "trt1")) twoGroups += row + "\n";
    }
    const std::vector<std::string> fisher =
        ResultsLines(dir.Write("two.csv", twoGroups), {"median weight by group"});
    ASSERT_EQ(fisher.size(), 1u);
    EXPECT_EQ(fisher[0].rfind(
                  "Median test \xCF\x87\xC2\xB2(1, N = 20) = 0.80, p = .656 (Fisher's exact), V = ", 0),
              0u)
        << fisher[0];
}

// The results line of one interval estimate, and the notes of the Confidence
// Interval Summary it comes with.
struct IntervalReport {
    std::string line;
    std::vector<std::string> notes;
};

IntervalReport IntervalEstimate(const std::string& data, const std::string& test) {
    IntervalReport report;
    const std::vector<std::string> lines = ResultsLines(data, {test});
    EXPECT_EQ(lines.size(), 1u) << test;
    if (!lines.empty()) report.line = lines.front();
    const apptest::CliResult result = RunCli({data, "--format", "json", "--test", test});
    const Json summary =
        output_query::Tables(Json::parse(result.out), "Confidence Interval Summary").at(0);
    for (const Json& note : summary["notes"]) report.notes.push_back(note["text"]);
    return report;
}

// Where no interval reaches the requested level the line gives the level the
// widest one has (R: wilcox.test(c(3, 5), c(1, 2), conf.int = TRUE) has
// conf.level 0.6666667 for [1, 4]), or, for the normal approximation, which
// knows no such level, no interval (the pairs' differences 1, 2, 4, 1 give
// 1.75); the summary's notes say why.
TEST(ResultsLines, AnIntervalBelowItsLevelSaysTheLevelItHas) {
    apptest::TempDir dir;
    const IntervalReport shift =
        IntervalEstimate(dir.Write("groups.csv", "x,g\n1,a\n2,a\n3,b\n5,b\n"), "hodges-lehmann x by g");
    EXPECT_TRUE(EndsWith(shift.line, "Hodges-Lehmann estimate 2.50, 66.667% CI [1.00, 4.00], N = 4"))
        << shift.line;
    EXPECT_EQ(shift.notes, (std::vector<std::string>{
                               "Exact interval from the Mann-Whitney distribution.",
                               "With so few cases no interval reaches the requested confidence level; "
                               "the one shown is the widest there is, and its confidence level is "
                               "66.667%."}));
    const IntervalReport paired =
        IntervalEstimate(dir.Write("pairs.csv", "a,b\n1,2\n2,4\n3,7\n4,5\n"), "hodges-lehmann a b");
    EXPECT_TRUE(EndsWith(paired.line, "Hodges-Lehmann estimate 1.75, N = 4")) << paired.line;
}

// A Hodges-Lehmann estimate of dates is a number of days: the same data as
// above moved onto the calendar, which changes no estimate.
TEST(ResultsLines, ADifferenceOfDatesIsInDays) {
    apptest::TempDir dir;
    const std::string inDays = "The estimate and its interval are in days.";
    const IntervalReport shift = IntervalEstimate(
        dir.Write("groups.csv", "x,g\n2024-01-01,a\n2024-01-02,a\n2024-01-03,b\n2024-01-05,b\n"),
        "hodges-lehmann x by g");
    EXPECT_TRUE(
        EndsWith(shift.line, "Hodges-Lehmann estimate 2.50 days, 66.667% CI [1.00, 4.00], N = 4"))
        << shift.line;
    EXPECT_NE(std::find(shift.notes.begin(), shift.notes.end(), inDays), shift.notes.end());
    const IntervalReport paired =
        IntervalEstimate(dir.Write("pairs.csv",
                                   "a,b\n2024-02-28,2024-02-29\n2024-03-01,2024-03-03\n"
                                   "2024-03-02,2024-03-06\n2024-03-03,2024-03-04\n"),
                         "hodges-lehmann a b");
    EXPECT_TRUE(EndsWith(paired.line, "Hodges-Lehmann estimate 1.75 days, N = 4")) << paired.line;
    EXPECT_NE(std::find(paired.notes.begin(), paired.notes.end(), inDays), paired.notes.end());
}

// Values in the data's units keep their digits however small they are.
// Millionths: the differences b - a are 1.3 1.9 1.9 2.5 3.2 3.8 (e-6), so the
// estimate is (1.9 + 2.5) / 2 = 2.2e-6 (by hand); with 2 and 3 cases the
// widest interval [1.3e-6, 3.8e-6] has the level 1 - 2/10 = 80%. The median
// test's pooled median is the middle value, 3.1e-6.
TEST(ResultsLines, ValuesInSmallUnitsKeepTheirDigits) {
    apptest::TempDir dir;
    const std::string data =
        dir.Write("small.csv", "x,g\n0.0000012,a\n0.0000025,a\n0.0000031,a\n0.0000044,b\n0.0000050,b\n");
    const apptest::CliResult result =
        RunCli({data, "--format", "json", "--test", "hodges-lehmann x by g", "--test", "median x by g"});
    const Json report = Json::parse(result.out);
    const std::vector<std::string> lines = LinesOf(report);
    ASSERT_EQ(lines.size(), 2u);  // the interval estimate first, then the median test
    EXPECT_TRUE(
        EndsWith(lines[0], "Hodges-Lehmann estimate 0.00000220, 80% CI [0.00000130, 0.00000380], N = 5"))
        << lines[0];
    const Json summary = output_query::Tables(report, "Confidence Interval Summary").at(0);
    EXPECT_EQ(output_query::Cell(summary, {"1"}, {"Estimate"})["text"], "0.00000220");
    EXPECT_EQ(output_query::Cell(summary, {"1"}, {"95% Confidence Interval", "Lower"})["text"],
              "0.00000130");
    const Json median = output_query::Tables(report, "Independent-Samples Median Test Summary").at(0);
    EXPECT_EQ(output_query::Cell(median, {"Median"}, {})["text"], "0.00000310");

    // But no more decimals than the table gives: differences of data written
    // with three decimals, R wilcox.test(after, before, paired = TRUE,
    // conf.int = TRUE) (exact, no ties): estimate 5e-04, 95% CI [-0.0050,
    // 0.0055]; the line reads 0.0005 as the table does, not 0.000500.
    const std::string paired =
        dir.Write("paired.csv",
                  "before,after\n2.512,2.508\n2.498,2.501\n2.503,2.502\n2.507,2.509\n2.495,2.490\n"
                  "2.501,2.507\n2.509,2.517\n2.500,2.493\n");
    const std::vector<std::string> three = ResultsLines(paired, {"hodges-lehmann before after"});
    ASSERT_EQ(three.size(), 1u);
    EXPECT_TRUE(
        EndsWith(three[0], Typeset("Hodges-Lehmann estimate 0.0005, 95% CI [~0.0050, 0.0055], N = 8")))
        << three[0];

    // Three groups of 1..4, 5..8 and 9..12 millionths: above the pooled median
    // 6.5 are 0, 2 and 4 of 4 cases, X2 = 8, p = .018, so the stepwise
    // comparisons run; the subsets show the sample medians 2.5, 6.5, 10.5.
    std::string groups = "x,g\n";
    for (int i = 1; i <= 12; ++i)  // i millionths, written with seven decimals
        groups += (i < 10 ? "0.00000" : "0.0000") + std::to_string(i) + "0," +
                  std::to_string((i - 1) / 4 + 1) + "\n";
    const apptest::CliResult stepwise = RunCli({dir.Write("groups.csv", groups), "--format", "json",
                                                "--test", "median x by g compare=stepwise"});
    const Json subsets =
        output_query::Tables(Json::parse(stepwise.out), "Homogeneous Subsets based on g").at(0);
    EXPECT_EQ(output_query::Cell(subsets, {"Sample", "1"}, {"1"})["text"], "0.00000250");
    // So do the nodes of the comparisons' network (listed in the text report).
    const apptest::CliResult network =
        RunCli({dir.Write("network.csv", groups), "--format", "text", "--test", "median x by g"});
    EXPECT_NE(network.out.find("Pairwise Comparisons of g"), std::string::npos);
    EXPECT_NE(network.out.find("1 0.00000250"), std::string::npos) << network.out;
}

TEST(ResultsLines, AProportionNearZeroOrOneIsNotShownAsZeroOrOne) {
    // faithful: 1 of 272 eruptions last at most 1.6 minutes, 271 at most 5.067.
    // R binom.test(1, 272)$conf.int 9.307584459e-05, 2.031266703e-02, so for
    // 271 of 272 the mirror 0.97968733, 0.99990692; Jeffreys
    // qbeta(c(.025, .975), 271.5, 1.5) 0.98294667, 0.99960303; likelihood
    // ratio (uniroot, REFERENCES.md) 0.98391336, 0.99978986; z (without a
    // continuity correction) (271 - 136) / sqrt(68) = 16.3711. At two
    // decimals .996 and .004 would read 1.00 and .00: the estimate and its
    // limits take the three decimals the tables show.
    const apptest::CliResult result =
        RunCli({DataFile("faithful.csv"), "--format", "json", "--test", "binomial eruptions cut=5.067",
                "--test", "success-rate eruptions cut=5.067", "--test", "binomial eruptions cut=1.6"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json report = Json::parse(result.out);
    EXPECT_EQ(
        LinesOf(report),
        (std::vector<std::string>{
            "Probability of eruptions <= 5.067: proportion = .996, 95% CI [.980, 1.000] "
            "(Clopper-Pearson), [.983, 1.000] (Jeffreys), [.984, 1.000] (Likelihood Ratio), N = 272",
            "Binomial test: 271 of 272, proportion = .996, 95% CI [.980, 1.000], z = 16.37, "
            "p < .001 (exact)",
            Typeset("Binomial test: 1 of 272, proportion = .004, 95% CI [.000, .020], z = ~16.37, "
                    "p < .001 (exact)")}));
    const Json summary = output_query::Tables(report, "Hypothesis Test Summary").at(0);
    EXPECT_EQ(output_query::Cell(summary, {"1"}, {"Effect Size"})["text"], "p̂ = .996 [.980, 1.000]");
    EXPECT_EQ(output_query::Cell(summary, {"2"}, {"Effect Size"})["text"], "p̂ = .004 [.000, .020]");
}

TEST(ResultsLines, AnIntervalFromManyCasesIsNotShownAsOnePoint) {
    // Laplace's births in Paris, 1745-1784: 251527 boys, 241945 girls. R
    // binom.test(251527, 493472): estimate 0.5097087575, 95% CI
    // 0.5083129132, 0.5111044879; z (without a continuity correction)
    // (251527 - 246736) / sqrt(123368) = 13.6404; Jeffreys
    // qbeta(c(.025, .975), 251527.5, 241945.5) 0.5083139265, 0.5111034747;
    // likelihood ratio (uniroot, REFERENCES.md) 0.5083139323, 0.5111034820.
    // At two decimals the estimate and both limits would read .51: they take
    // the three decimals the tables show.
    apptest::TempDir dir;
    std::string births = "sex\n";
    births.reserve(births.size() + 2 * 493472);
    for (int i = 0; i < 493472; ++i) births += i < 251527 ? "1\n" : "0\n";
    const apptest::CliResult result =
        RunCli({dir.Write("births.csv", births), "--format", "json", "--test", "binomial sex success=1",
                "--test", "success-rate sex success=1"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json report = Json::parse(result.out);
    EXPECT_EQ(LinesOf(report),
              (std::vector<std::string>{
                  "Probability of sex = 1: proportion = .510, 95% CI [.508, .511] (Clopper-Pearson), "
                  "[.508, .511] (Jeffreys), [.508, .511] (Likelihood Ratio), N = 493472",
                  "Binomial test: 251527 of 493472, proportion = .510, 95% CI [.508, .511], z = 13.64, "
                  "p < .001 (exact)"}));
    const Json summary = output_query::Tables(report, "Hypothesis Test Summary").at(0);
    EXPECT_EQ(output_query::Cell(summary, {"1"}, {"Effect Size"})["text"], "p̂ = .510 [.508, .511]");
}

// chickwts' feeds fit equal proportions closely (X2 = 0.746 on 5 df): the
// noncentral interval of Cohen's w is [0, 0] (EFFECT-SIZES.md) and w = 0.10
// lies above it. The summary and the statistics table say why beside it.
TEST(ResultsLines, AnEffectSizeAboveItsIntervalIsExplained) {
    const apptest::CliResult result =
        RunCli({DataFile("chickwts.csv"), "--format", "json", "--test", "chi-square feed"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json report = Json::parse(result.out);
    EXPECT_EQ(LinesOf(report),
              (std::vector<std::string>{
                  "\u03c7\u00b2(5, N = 71) = 0.75, p = .980, w = 0.10, 95% CI [0.00, 0.00]"}));
    const std::vector<std::string> why = {
        "The interval is for the population's effect size, from the noncentrality of the chi-square "
        "(about the chi-square less its degrees of freedom); the sample's effect size, from the whole "
        "chi-square, lies above it because the chi-square is below its degrees of freedom."};
    const Json summary = output_query::Tables(report, "Hypothesis Test Summary").at(0);
    const Json effect = output_query::Cell(summary, {"1"}, {"Effect Size"});
    EXPECT_EQ(effect["text"], "w = 0.10 [0.00, 0.00]");
    EXPECT_EQ(output_query::NoteTexts(summary, effect), why);
    const Json statistics = output_query::Tables(report, "One-Sample Chi-Square Test Summary").at(0);
    EXPECT_EQ(output_query::NoteTexts(statistics,
                                      output_query::Cell(statistics, {"Effect Size", "Cohen's w"}, {})),
              why);
}

TEST(ResultsLines, ATestThatCannotBeComputedHasNoLine) {
    apptest::TempDir dir;
    const std::string data = dir.Write("d.csv", "x,y\n1,a\n1,a\n2,b\n");
    const std::vector<std::string> lines = ResultsLines(data, {"runs x cut=5", "chi-square y"});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("\xCF\x87\xC2\xB2(1, N = 3) = ", 0), 0u) << lines[0];
}

TEST(ResultsLines, EveryTestOfTheFullExampleHasOneLineInApaNumberStyle) {
    const apptest::CliResult result =
        RunCli({"--analysis", NPAR_SOURCE_DIR "/examples/full.analysis.json", "--format", "json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json report = Json::parse(result.out);

    // One line per test that was computed, under its heading right after its
    // statistics table; one per interval estimate.
    size_t computed = 0;
    for (const Json& heading : report["items"]) {
        if (heading["type"] != "heading" || heading["items"].empty()) continue;
        const Json& items = heading["items"][0]["items"];
        // A test the data do not allow says why in place of its tables.
        if (!items.empty() && items[0]["type"] == "error") continue;
        ++computed;
        ASSERT_GE(items.size(), 2u) << heading["text"];
        EXPECT_EQ(items[0]["type"], "table") << heading["text"];
        EXPECT_EQ(items[1]["type"], "text") << heading["text"];
        EXPECT_EQ(items[1]["role"], "results") << heading["text"];
    }
    const std::vector<std::string> lines = LinesOf(report);
    EXPECT_EQ(computed, 24u) << "25 tests, one of which the data do not allow";
    EXPECT_EQ(lines.size(), computed + 3) << "the success rate and two Hodges-Lehmann estimates";

    // p with three decimals and no leading zero, never "= .000"; a value
    // bounded by 1 without its leading zero; negative numbers with the minus
    // sign; no number written with more than two decimals but p.
    const std::regex anyP("\\bp [=<>] ");
    const std::regex pValue("\\bp ([=<>]) (1\\.000|\\.\\d{3})\\b");
    const std::regex boundedWithZero(
        "(^|[ (])(p|r|W|V|D|\xCE\xB5\xC2\xB2|proportion) = (\xE2\x88\x92)?0\\.");
    const std::regex asciiNegative("(= |\\[|, )-\\d");
    const std::regex longDecimals("\\d\\.\\d{3}");
    size_t withP = 0;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        std::smatch match;
        if (std::regex_search(line, anyP)) {
            ++withP;
            ASSERT_TRUE(std::regex_search(line, match, pValue));
            EXPECT_FALSE(match[1] == "=" && match[2] == ".000");
            if (match[1] == "<") {
                EXPECT_EQ(match[2], ".001");
            }
        }
        EXPECT_FALSE(std::regex_search(line, boundedWithZero));
        EXPECT_FALSE(std::regex_search(line, asciiNegative));
        EXPECT_FALSE(std::regex_search(std::regex_replace(line, pValue, ""), longDecimals));
    }
    EXPECT_EQ(withP, computed) << "every test's line gives its significance, no estimate's does";
}

TEST(ResultsLines, JsonTextAndHtmlEachCarryTheLine) {
    const std::string line = "Kruskal-Wallis H(2) = 7.99, p = .018, \xCE\xB5\xC2\xB2 = .28, N = 30";
    const std::vector<std::string> base = {DataFile("PlantGrowth.csv"), "--test",
                                           "kruskal-wallis weight by group"};
    std::vector<std::string> json = base, text = base, html = base;
    json.insert(json.end(), {"--format", "json"});
    text.insert(text.end(), {"--format", "text"});
    html.insert(html.end(), {"--format", "html"});

    EXPECT_EQ(LinesOf(Json::parse(RunCli(json).out)), std::vector<std::string>{line});
    const std::string textOut = RunCli(text).out;
    // A plain paragraph right after the statistics table and its notes.
    const size_t table = textOut.find("Independent-Samples Kruskal-Wallis Test Summary");
    const size_t paragraph = textOut.find("\n\n    " + line + "\n");
    ASSERT_NE(paragraph, std::string::npos) << textOut;
    EXPECT_LT(table, paragraph);
    EXPECT_EQ(textOut.find("Descriptive Statistics", table) > paragraph, true);
    // The page's paragraph reads as the line once the spans that keep its
    // statements on one line are taken out, and its copy button follows it.
    const std::string htmlOut = RunCli(html).out;
    const std::string open = "<p class=\"results\" id=\"text-1\">";
    const size_t begin = htmlOut.find(open);
    ASSERT_NE(begin, std::string::npos) << htmlOut;
    const size_t end = htmlOut.find("</p>", begin);
    std::string shown = htmlOut.substr(begin + open.size(), end - begin - open.size());
    for (const std::string tag : {"<span class=\"held\">", "</span>"})
        for (size_t at; (at = shown.find(tag)) != std::string::npos;) shown.erase(at, tag.size());
    EXPECT_EQ(shown, line);
    const std::string button = "</p><button type=\"button\" class=\"copy\" aria-label";
    EXPECT_EQ(htmlOut.compare(end, button.size(), button), 0);
}
