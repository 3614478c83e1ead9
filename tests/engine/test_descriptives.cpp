// What the report's descriptives table and significance notes are made
// from: each sample's N, median, Tukey's hinges and mean rank, and the method
// behind each significance.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "EngineFixture.h"
#include "stats/Calendar.h"
#include "stats/Descriptives.h"

using enginetest::DataFile;
using enginetest::EngineRun;

namespace {

// The values of one sample of a test's "Descriptives" table.
std::map<std::string, double> Sample(const EngineRun& run, size_t test, size_t sample) {
    std::map<std::string, double> values;
    size_t i = 0;
    for (pugi::xml_node table : run.Algorithm(test).children("StructuredTable")) {
        if (std::string(table.attribute("name").as_string()) != "Descriptives") continue;
        for (pugi::xml_node nested : table.children("StructuredTable")) {
            if (i++ != sample) continue;
            for (pugi::xml_node attribute : nested.children("Attribute"))
                values[attribute.attribute("name").as_string()] =
                    attribute.attribute("value").as_double();
        }
    }
    return values;
}

std::map<std::string, std::string> Methods(const EngineRun& run, size_t test) {
    std::map<std::string, std::string> methods;
    for (pugi::xml_node table : run.Algorithm(test).children("StructuredTable")) {
        if (std::string(table.attribute("name").as_string()) != "Methods") continue;
        for (pugi::xml_node attribute : table.children("Attribute"))
            methods[attribute.attribute("name").as_string()] = attribute.attribute("value").as_string();
    }
    return methods;
}

}  // namespace

TEST(Descriptives, GroupsWithHingesAndMeanRanks) {
    const EngineRun run(DataFile("PlantGrowth.csv"), {"kruskal-wallis weight by group compare=none"});
    // R: tapply(weight, group, fivenum) and tapply(rank(weight), group, mean)
    const std::map<std::string, double> ctrl = Sample(run, 0, 0);
    EXPECT_EQ(ctrl.at("Sample"), 0);  // the first category of group
    EXPECT_EQ(ctrl.at("N"), 10);
    EXPECT_DOUBLE_EQ(ctrl.at("LowerQuartile"), 4.53);
    EXPECT_DOUBLE_EQ(ctrl.at("Median"), 5.155);
    EXPECT_DOUBLE_EQ(ctrl.at("UpperQuartile"), 5.33);
    EXPECT_DOUBLE_EQ(ctrl.at("MeanRank"), 14.75);
    const std::map<std::string, double> trt2 = Sample(run, 0, 2);
    EXPECT_DOUBLE_EQ(trt2.at("Median"), 5.435);
    EXPECT_DOUBLE_EQ(trt2.at("MeanRank"), 21.4);
    EXPECT_EQ(Methods(run, 0).at("AsymptoticSig2Tailed"), "MethodChiSquareTies");
}

TEST(Descriptives, FieldsOfAPairAndTheMethodOfEachSignificance) {
    const EngineRun run(DataFile("depression.csv"), {"wilcoxon x y", "sign x y"});
    // R: fivenum(x), fivenum(y); no mean rank for a test of differences
    const std::map<std::string, double> x = Sample(run, 0, 0);
    EXPECT_EQ(x.at("Sample"), 0);
    EXPECT_DOUBLE_EQ(x.at("Median"), 1.68);
    EXPECT_DOUBLE_EQ(x.at("LowerQuartile"), 1.55);
    EXPECT_EQ(x.count("MeanRank"), 0u);
    EXPECT_DOUBLE_EQ(Sample(run, 0, 1).at("UpperQuartile"), 1.29);
    // 9 untied differences: the exact significance is written and says so.
    EXPECT_EQ(Methods(run, 0),
              (std::map<std::string, std::string>{{"AsymptoticSig2Tailed", "MethodNormalTies"},
                                                  {"ExactSig2Tailed", "MethodExactSignedRank"}}));
    EXPECT_EQ(Methods(run, 1).at("AsymptoticSig2Tailed"), "MethodNormalContinuity");
    EXPECT_EQ(Methods(run, 1).at("ExactSig2Tailed"), "MethodExactSigns");
}

TEST(Descriptives, OneSampleRunsAboutTheMedianKeepTheirSample) {
    const EngineRun run(DataFile("sleep.csv"), {"runs extra"});
    // R: fivenum(sleep$extra) = -1.60 -0.05 0.95 3.40 5.50. The cut is the
    // median as the decimal 0.95; R's median(sleep$extra) == 0.95 is FALSE,
    // the binary mean of 0.8 and 1.1 carrying noise that a reader would see.
    const std::map<std::string, double> extra = Sample(run, 0, 0);
    EXPECT_EQ(extra.at("N"), 20);
    EXPECT_DOUBLE_EQ(extra.at("Median"), 0.95);
    EXPECT_DOUBLE_EQ(extra.at("LowerQuartile"), -0.05);
    EXPECT_DOUBLE_EQ(extra.at("UpperQuartile"), 3.4);
    EXPECT_EQ(run.Parameter(0, 1)[0], 0.95);
}

// A field's histogram of values whose range overflows the doubles, or whose
// bins would be narrower than the smallest double, still counts every value
// in a bin of finite bounds.
TEST(Descriptives, HistogramsOfExtremeRangesCountEveryValue) {
    namespace stats = npar::engine::stats;
    const std::vector<std::vector<double>> samples = {{1e308, -1e308, 1e308, -1e308, 3, 4},
                                                      {-1.7e308, 1.5e308, 3},
                                                      {1e-320, 2e-320, 3e-320, 4e-320, 1.5e-320},
                                                      {0, 5e-324}};
    for (const std::vector<double>& values : samples) {
        const stats::Histogram histogram = stats::Bins(values);
        ASSERT_FALSE(histogram.counts.empty());
        EXPECT_EQ(std::accumulate(histogram.counts.begin(), histogram.counts.end(), 0.0),
                  static_cast<double>(values.size()));
        for (double middle : histogram.middles) EXPECT_TRUE(std::isfinite(middle)) << middle;
    }
}

// Dates are binned by the calendar: each bin runs from the first day of a
// month, quarter, year or run of years to the first day of the next, the
// unit growing with the range; a range of three months or less keeps the
// equal bins of days. Day numbers are days since 1970-01-01.
TEST(Descriptives, DatesAreBinnedByTheCalendar) {
    namespace stats = npar::engine::stats;
    const auto day = [](long long year, int month, int date) {
        return stats::DaysFromCivil(year, month, date);
    };
    const struct {
        std::vector<double> days;
        std::vector<double> firstEdges;  // the first three edges
        size_t bins;
    } cases[] = {
        // 2023, January 1 to December 31: the twelve months.
        {{day(2023, 1, 1), day(2023, 2, 28), day(2023, 3, 1), day(2023, 12, 31)},
         {day(2023, 1, 1), day(2023, 2, 1), day(2023, 3, 1)},
         12},
        // Five years from May 2019: quarters, from the one May lies in.
        {{day(2019, 5, 20), day(2024, 5, 19)}, {day(2019, 4, 1), day(2019, 7, 1), day(2019, 10, 1)}, 21},
        // 1990 to 2020: years.
        {{day(1990, 6, 30), day(2020, 1, 1)}, {day(1990, 1, 1), day(1991, 1, 1), day(1992, 1, 1)}, 31},
        // 1703 to 1999: runs of ten years, from a multiple of ten.
        {{day(1703, 1, 1), day(1999, 12, 31)}, {day(1700, 1, 1), day(1710, 1, 1), day(1720, 1, 1)}, 30},
    };
    for (const auto& dated : cases) {
        const stats::BinLayout layout = stats::LayOutDateBins(dated.days);
        ASSERT_EQ(layout.count, dated.bins) << dated.days.front();
        ASSERT_EQ(layout.edges.size(), dated.bins + 1);
        EXPECT_EQ(std::vector<double>(layout.edges.begin(), layout.edges.begin() + 3), dated.firstEdges);
        EXPECT_GT(layout.edges.back(), dated.days.back());
        const stats::Histogram histogram = stats::CountInBins(layout, dated.days);
        EXPECT_EQ(std::accumulate(histogram.counts.begin(), histogram.counts.end(), 0.0),
                  static_cast<double>(dated.days.size()));
        EXPECT_EQ(histogram.counts.front(), 1);
        EXPECT_EQ(histogram.middles.front(), (dated.firstEdges[0] + dated.firstEdges[1]) / 2);
    }
    // February 28 and March 1 of 2023 fall in the second and third month.
    const stats::Histogram months =
        stats::CountInBins(stats::LayOutDateBins(cases[0].days), cases[0].days);
    EXPECT_EQ(months.counts, (std::vector<double>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    // Ninety days keep equal bins of days; forty days or fewer one bin a day.
    const std::vector<double> quarter = {day(2023, 1, 1), day(2023, 4, 1)};
    EXPECT_TRUE(stats::LayOutDateBins(quarter).edges.empty());
    EXPECT_EQ(stats::LayOutDateBins({day(2023, 1, 1), day(2023, 2, 9)}).count, 40u);
}

// Dates with times of day are binned by the clock: units of seconds,
// minutes, hours or days from a multiple of the unit since 1970-01-01 00:00
// (midnights, for units that divide a day); over more than three months, by
// the calendar as dates are, in seconds.
TEST(Descriptives, DatesWithTimesOfDayAreBinnedByTheClock) {
    namespace stats = npar::engine::stats;
    const double midnight = 1688169600;  // 2023-07-01 00:00
    const auto clockOf = [&](std::vector<double> offsets) {
        for (double& offset : offsets) offset += midnight;
        return stats::LayOutDateTimeBins(offsets);
    };
    // A working day, 08:10 to 17:50, every ten minutes: Freedman-Diaconis asks for 5 bins
    // of 1.9 hours, which become two hours from 08:00 (equal bins would take 2.5 hours).
    std::vector<double> day;
    for (double t = 8 * 3600 + 600; t <= 17 * 3600 + 3000; t += 600) day.push_back(t);
    const stats::BinLayout hours = clockOf(day);
    EXPECT_EQ(hours.width, 7200);
    EXPECT_EQ(hours.origin, midnight + 8 * 3600);
    EXPECT_EQ(hours.count, 5u);
    // Twenty days, a case every six hours: 5 bins of 4 days become five days, from a
    // multiple of five days since 1970-01-01, a midnight.
    std::vector<double> days;
    for (double t = 9 * 3600; t <= 20 * 86400; t += 6 * 3600) days.push_back(t);
    const stats::BinLayout fiveDays = clockOf(days);
    EXPECT_EQ(fiveDays.width, 5 * 86400);
    EXPECT_EQ(std::fmod(fiveDays.origin, 5 * 86400), 0);
    EXPECT_LE(fiveDays.origin, days.front() + midnight);
    EXPECT_GT(fiveDays.origin + 5 * 86400, days.front() + midnight);
    // Ninety-three days and more: the months, in seconds.
    const stats::BinLayout months = clockOf({3600, 120 * 86400.0});
    ASSERT_EQ(months.count, 4u);                        // July to October
    EXPECT_EQ(months.edges[1], midnight + 31 * 86400);  // 2023-08-01
}

// The histograms a date field gets in the document (its distribution, and the
// two groups of a two-group test, on common bins) are those calendar bins.
TEST(Descriptives, DateFieldsGetMonthlyHistograms) {
    std::string csv = "when,group\n";
    for (int month = 1; month <= 12; ++month) {
        for (int day : {3, 17}) {
            char line[40];
            std::snprintf(line, sizeof line, "2023-%02d-%02d,%d\n", month, day, day == 3 ? 1 : 2);
            csv += line;
        }
    }
    const EngineRun run(csv, {"ks when dist=uniform", "mann-whitney when by group"});
    const pugi::xpath_node_set tables = run.Root().select_nodes(
        "//StructuredTable[@name='ContinuousDistribution' or starts-with(@name, 'Group_')]"
        "/SimpleTable[@name='Interval']");
    ASSERT_EQ(tables.size(), 3u);  // the field's and the two groups'
    for (const pugi::xpath_node& table : tables) {
        const pugi::xml_node rows = table.node();
        EXPECT_EQ(rows.child("ColumnNames").text().as_string(),
                  std::string("1 2 3 4 5 6 7 8 9 10 11 12"));
    }
    // The groups first (one case a month each), then the field (two).
    EXPECT_EQ(std::string(tables[0].node().child("Row").text().as_string()), "1 1 1 1 1 1 1 1 1 1 1 1");
    EXPECT_EQ(std::string(tables[2].node().child("Row").text().as_string()), "2 2 2 2 2 2 2 2 2 2 2 2");
}
