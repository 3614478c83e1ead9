// Charts of date fields, run by npar-report on a data table: every value,
// guide line and label stands on the date scale the axis reads (the host's
// seconds since 1582-10-14, where the documents hold days since 1970-01-01),
// and a difference of two dates is a number of days, not a date.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "OutputQuery.h"

using apptest::RunCli;
using output_query::Json;

namespace {

// A day since 1970-01-01 on the host's date scale.
double OnDateScale(double days) { return days * 86400.0 + 12219379200.0; }

// The charts of the report of tests run on a data table.
std::vector<Json> Charts(const std::string& data, const std::vector<std::string>& tests,
                         const std::vector<std::string>& options = {}) {
    std::vector<std::string> arguments = {"--resources", std::string(NPAR_SOURCE_DIR) + "/resources",
                                          "--format", "json", data};
    arguments.insert(arguments.end(), options.begin(), options.end());
    for (const std::string& test : tests) {
        arguments.push_back("--test");
        arguments.push_back(test);
    }
    const apptest::CliResult result = RunCli(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.status == 0 ? output_query::Items(Json::parse(result.out), "chart")
                              : std::vector<Json>();
}

// Eight dates, 2024-01-01 to 2024-01-08, in two groups.
std::string EightDays(apptest::TempDir& dir) {
    std::string csv = "when,g\n";
    for (int day = 1; day <= 8; ++day)
        csv += "2024-01-0" + std::to_string(day) + "," + (day % 2 ? "a" : "b") + "\n";
    return dir.Write("dates.csv", csv);
}

constexpr double kFirstOfJanuary2024 = 19723;  // days since 1970-01-01

}  // namespace

// The box plots' values (01-JAN-2024 at the earliest, not a date of 1582) and
// the median test's grand median, 2024-01-04 12:00 between the fourth and
// fifth of the eight dates.
TEST(DateCharts, BoxPlotsAndTheGrandMedianStandOnTheDateScale) {
    apptest::TempDir dir;
    const std::vector<Json> charts =
        Charts(EightDays(dir), {"median when by g", "kruskal-wallis when by g"});
    std::vector<Json> boxPlots;
    for (const Json& chart : charts)
        if (chart["data"].contains("boxplotSource")) boxPlots.push_back(chart);
    ASSERT_EQ(boxPlots.size(), 2u);
    for (const Json& chart : boxPlots) {
        for (const Json& value : chart["data"]["boxplotSource"]["Value"]) {
            if (!value.is_number()) continue;
            EXPECT_GE(value.get<double>(), OnDateScale(kFirstOfJanuary2024)) << chart["title"];
        }
        EXPECT_EQ(chart["vegaLite"].dump().find("1582"), std::string::npos) << chart["title"];
    }
    const std::string median = boxPlots[0]["document"];
    EXPECT_NE(median.find("Grand Median = 04-JAN-2024"), std::string::npos) << median;
    EXPECT_NE(median.find(
                  "<lineGuide y=\"" +
                  std::to_string(static_cast<long long>(OnDateScale(kFirstOfJanuary2024 + 3.5))) + "\""),
              std::string::npos)
        << median;
}

// The one-sample Wilcoxon chart's lines at the hypothesized and observed
// medians (2024-01-02, and 2024-01-04 12:00) stand among the histogram's bars.
TEST(DateCharts, TheWilcoxonMediansStandAmongTheBars) {
    apptest::TempDir dir;
    const std::vector<Json> charts = Charts(EightDays(dir), {"wilcoxon when median=2024-01-02"});
    ASSERT_FALSE(charts.empty());
    const Json& chart = charts.front();
    ASSERT_EQ(chart["title"], "One-Sample Wilcoxon Signed Rank Test");
    const std::string document = chart["document"];
    for (double day : {kFirstOfJanuary2024 + 1, kFirstOfJanuary2024 + 3.5}) {
        const std::string x = "x=\"" + std::to_string(static_cast<long long>(OnDateScale(day))) + "\"";
        EXPECT_NE(document.find(x), std::string::npos) << x << "\n" << document;
    }
    EXPECT_EQ(chart["vegaLite"].dump().find("1582"), std::string::npos);
}

// The sign and Wilcoxon tests' histogram of differences shows numbers of days
// under an axis that says so.
TEST(DateCharts, DifferencesOfDatesAreDays) {
    apptest::TempDir dir;
    const std::string data = dir.Write("stay.csv",
                                       "start,end\n2024-01-01,2024-01-04\n2024-01-03,2024-01-03\n"
                                       "2024-01-05,2024-01-15\n2024-02-01,2024-01-30\n"
                                       "2024-02-10,2024-02-17\n2024-02-11,2024-02-12\n");
    const std::vector<Json> charts = Charts(data, {"sign start end", "wilcoxon start end"});
    ASSERT_EQ(charts.size(), 4u);  // the two tests' and the two fields' own
    for (size_t i = 0; i < 2; ++i) {
        const Json& chart = charts[i];
        EXPECT_EQ(chart["data"]["graphSource"]["value"].front(), -2) << chart["title"];
        EXPECT_EQ(chart["data"]["graphSource"]["value"].back(), 10) << chart["title"];
        const std::string document = chart["document"];
        EXPECT_NE(document.find("label=\"end - start (days)\""), std::string::npos) << document;
        const std::string drawn = chart["vegaLite"].dump();
        EXPECT_EQ(drawn.find("1582"), std::string::npos) << "no date on the axis";
        EXPECT_NE(drawn.find("end - start (days)"), std::string::npos);
    }
}

// Categories that are dates are named by a date in every chart that shows
// them, never by the number a date is held as (19723 days, or 13923446400
// seconds on the date scale), and in the field's own format, as the tables
// name them: 01-JAN-2024 for the inferred DATE11, the others as a dictionary
// gives them.
TEST(DateCharts, DateCategoriesAreNamedByDatesAsTheTablesNameThem) {
    apptest::TempDir dir;
    const std::string data = dir.Write("visits.csv",
                                       "y,d\n1,2024-01-01\n2,2024-01-01\n3,2024-02-01\n4,2024-02-01\n"
                                       "5,2024-03-01\n6,2024-03-01\n");
    const std::vector<Json> charts =
        Charts(data, {"chi-square d", "binomial d success=2024-01-01", "kruskal-wallis y by d"});
    ASSERT_EQ(charts.size(), 5u);  // the three tests' and the two fields' own
    for (const Json& chart : charts) {
        const std::string drawn = chart["vegaLite"].dump();
        for (const char* number : {"19723", "13923446400", "2024-01-01"})
            EXPECT_EQ(drawn.find(number), std::string::npos) << chart["title"] << ": " << number;
    }
    for (size_t i = 0; i < 3; ++i)
        EXPECT_NE(charts[i]["vegaLite"].dump().find("01-JAN-2024"), std::string::npos)
            << charts[i]["title"];

    const struct {
        const char* format;
        const char* first;  // how the tables write 2024-01-01
    } formats[] = {{"ADATE10", "01/01/2024"}, {"EDATE8", "01.01.24"}, {"SDATE10", "2024/01/01"},
                   {"JDATE7", "2024001"},     {"MOYR8", "JAN 2024"},  {"QYR6", "1 Q 24"},
                   {"WKYR10", "1 WK 2024"},   {"WKDAY9", "MONDAY"}};
    for (const auto& format : formats) {
        const std::string dictionary =
            dir.Write("visits.json", std::string(R"({"variables": [{"name": "d", "format": ")") +
                                         format.format + "\"}]}");
        const apptest::CliResult report =
            RunCli({"--resources", std::string(NPAR_SOURCE_DIR) + "/resources", "--format", "json", data,
                    "--dictionary", dictionary, "--test", "chi-square d"});
        ASSERT_EQ(report.status, 0) << report.err;
        const Json output = Json::parse(report.out);
        const std::string frequencies = output_query::Tables(output, "Frequencies").at(0).dump();
        EXPECT_NE(frequencies.find(std::string("\"") + format.first), std::string::npos)
            << format.format << ": " << frequencies;
        const std::string drawn = output_query::Items(output, "chart").at(0)["vegaLite"].dump();
        EXPECT_NE(drawn.find(std::string("\"") + format.first + "\""), std::string::npos)
            << format.format << ": " << drawn.substr(0, 400);
    }
}

// The engine bins dates over a year by months, and the two groups'
// histograms and the text report's listings name each bin by its month.
TEST(DateCharts, MonthlyBinsAreNamedByTheirMonths) {
    apptest::TempDir dir;
    std::string csv = "when,g\n";
    for (int month = 1; month <= 12; ++month)
        csv += "2023-" + std::string(month < 10 ? "0" : "") + std::to_string(month) + "-15," +
               (month % 2 ? "a" : "b") + "\n";
    const std::vector<Json> charts = Charts(dir.Write("months.csv", csv), {"ks when by g"});
    ASSERT_FALSE(charts.empty());
    const Json means = charts.front()["data"]["graphSource"]["MEANS"];
    ASSERT_EQ(means.size(), 24u);  // twelve bins for each group
    EXPECT_EQ(means[0], "JAN 2023");
    EXPECT_EQ(means[11], "DEC 2023");

    // The text report lists the field's own histogram, drawn on a time axis,
    // by its months too.
    const apptest::CliResult text =
        RunCli({"--resources", std::string(NPAR_SOURCE_DIR) + "/resources", "--format", "text",
                dir.Path() + "/months.csv", "--test", "ks when by g"});
    ASSERT_EQ(text.status, 0) << text.err;
    const size_t field = text.out.find("Chart: Continuous Field Information when");
    ASSERT_NE(field, std::string::npos) << text.out;
    EXPECT_NE(text.out.find("    when      Frequency\n    JAN 2023  1\n    FEB 2023  1\n", field),
              std::string::npos)
        << text.out.substr(field, 400);
}

// A time of day is held in seconds and stays so: the Kolmogorov-Smirnov
// chart's bars and its fitted normal curve (mean 8,100 seconds, 02:15:00) are
// not moved onto the date scale, and the axis writes its seconds as a clock,
// as the text report's listing of the chart does.
TEST(DateCharts, TimesOfDayKeepTheirSeconds) {
    apptest::TempDir dir;
    const std::string data = dir.Write("times.csv", "t\n3600\n7200\n5400\n9000\n10800\n12600\n");
    const std::string dictionary =
        dir.Write("times.json", R"({"variables": [{"name": "t", "format": "TIME8"}]})");
    const std::vector<Json> charts = Charts(data, {"ks t dist=normal"}, {"--dictionary", dictionary});
    ASSERT_FALSE(charts.empty());
    const Json& chart = charts.front();
    ASSERT_EQ(chart["title"], "One-Sample Kolmogorov-Smirnov Test (Normal)");
    for (const Json& value : chart["data"]["graphSource"]["value"]) {
        EXPECT_GT(value.get<double>(), 0);
        EXPECT_LT(value.get<double>(), 86400);
    }
    const std::string document = chart["document"];
    EXPECT_NE(document.find("parameter=\"8100\""), std::string::npos) << document;
    EXPECT_NE(chart["vegaLite"].dump().find("format(floor(datum.value / 3600), '02d')"),
              std::string::npos);

    const apptest::CliResult text =
        RunCli({"--format", "text", data, "--dictionary", dictionary, "--test", "ks t dist=normal"});
    ASSERT_EQ(text.status, 0) << text.err;
    const size_t field = text.out.find("Chart: Continuous Field Information t");
    ASSERT_NE(field, std::string::npos) << text.out;
    EXPECT_NE(text.out.find("    t         Frequency\n    00:50:00  1\n    01:23:20  1\n", field),
              std::string::npos)
        << text.out.substr(field, 400);
}

// Timestamps, as R writes a POSIXct column: the report gives the medians as
// dates with times of day, and the charts stand on the host's date scale.
TEST(DateCharts, TimestampsAreShownAsDatesWithTimesOfDay) {
    apptest::TempDir dir;
    const std::string data = dir.Write("stamps.csv",
                                       "ts,g\n2023-07-01 08:30:00,a\n2023-07-02 09:15:00,b\n"
                                       "2023-07-03 00:00:00,a\n2023-07-04 11:45:30,b\n"
                                       "2023-07-05 12:00:00,a\n2023-07-06 18:20:00,b\n");
    const apptest::CliResult text = RunCli({"--format", "text", data, "--test", "mann-whitney ts by g"});
    ASSERT_EQ(text.status, 0) << text.err;
    // Tukey's hinges of a (R: fivenum(as.numeric(a))): 02-JUL 04:15, 03-JUL 00:00, 04-JUL 06:00.
    EXPECT_NE(text.out.find("| a      | 3 | 03-JUL-2023 00:00:00 | 02-JUL-2023 04:15:00 | "
                            "04-JUL-2023 06:00:00 |"),
              std::string::npos)
        << text.out;
    size_t values = 0;
    for (const Json& chart : Charts(data, {"mann-whitney ts by g"})) {
        if (chart["title"] != "Continuous Field Information ts") continue;
        const double first = OnDateScale(19539), last = OnDateScale(19545);  // 2023-07-01, -07
        for (const Json& value : chart["data"]["graphSource"]["value"]) {
            EXPECT_GE(value.get<double>(), first);
            EXPECT_LE(value.get<double>(), last);
            ++values;
        }
    }
    EXPECT_GT(values, 0u);
}
