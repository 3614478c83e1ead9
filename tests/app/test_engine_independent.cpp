// npar-report running independent-samples tests on a data table: every
// table, comparison and chart of each split, read back by the plug-in
// without a complaint.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <nlohmann/json.hpp>

#include "AppTestSupport.h"

using apptest::RunCli;

namespace {

// Two splits of four groups (a and b low, c and d high) and a two-valued field.
std::string StudyTable() {
    std::string csv = "x,g,g2,S\n";
    const double offsets[] = {0, 1, 10, 11};
    for (const char* split : {"A", "B"}) {
        for (int i = 0; i < 24; ++i) {
            const double x = offsets[i % 4] + (i * 7 % 5) + (split[0] == 'B' ? 0.5 : 0);
            csv +=
                std::to_string(x) + "," + "abcd"[i % 4] + "," + (i % 3 ? "m" : "f") + "," + split + "\n";
        }
    }
    return csv;
}

// The titles of the tables and charts under an item, depth first.
void CollectTitles(const nlohmann::json& item, std::vector<std::string>& titles) {
    if (item.contains("title") && (item["type"] == "table" || item["type"] == "chart"))
        titles.push_back(item["type"].get<std::string>() + ": " + item["title"].get<std::string>());
    if (item.contains("items"))
        for (const nlohmann::json& child : item["items"]) CollectTitles(child, titles);
}

// The first table of that title under an item.
const nlohmann::json* FindTable(const nlohmann::json& item, const std::string& title) {
    if (item.value("type", "") == "table" && item.value("title", "") == title) return &item;
    if (item.contains("items")) {
        for (const nlohmann::json& child : item["items"])
            if (const nlohmann::json* found = FindTable(child, title)) return found;
    }
    return nullptr;
}

// The subset columns in which a group of the homogeneous subsets table shows.
std::vector<std::string> SubsetsOf(const nlohmann::json& table, const std::string& group) {
    std::vector<std::string> columns;
    for (const nlohmann::json& cell : table["cells"]) {
        if (cell["row"] == nlohmann::json::array({"Sample", group}))
            columns.push_back(cell["column"][0]);
    }
    return columns;
}

}  // namespace

TEST(EngineIndependent, EveryTableComparisonAndChartPerSplit) {
    apptest::TempDir dir;
    const apptest::CliResult result =
        RunCli({dir.Write("study.csv", StudyTable()), "--test", "kruskal-wallis x by g compare=stepwise",
                "--test", "mann-whitney x by g2", "--split-by", "S", "--format", "json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");  // no warning: the plug-in read every document as written
    const nlohmann::json json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["ok"], true);
    ASSERT_EQ(json["items"].size(), 2u);
    for (size_t split = 0; split < 2; ++split) {
        const nlohmann::json& heading = json["items"][split];
        EXPECT_EQ(heading["text"], split == 0 ? "S = A" : "S = B");
        std::vector<std::string> titles;
        CollectTitles(heading, titles);
        for (const char* expected :
             {"table: Hypothesis Test Summary", "table: Independent-Samples Kruskal-Wallis Test Summary",
              "chart: Independent-Samples Kruskal-Wallis Test", "table: Homogeneous Subsets based on g",
              "table: Independent-Samples Mann-Whitney U Test Summary",
              "chart: Independent-Samples Mann-Whitney U Test"}) {
            EXPECT_NE(std::find(titles.begin(), titles.end(), expected), titles.end())
                << expected << " missing in split " << split;
        }
        const nlohmann::json& summary = heading["items"][0];
        EXPECT_EQ(summary["cells"][4]["column"][0], "Decision");
        EXPECT_EQ(summary["cells"][4]["text"], "Reject the null hypothesis.");
        // The low groups and the high groups form two homogeneous subsets.
        const nlohmann::json* subsets = FindTable(heading, "Homogeneous Subsets based on g");
        ASSERT_NE(subsets, nullptr);
        EXPECT_EQ(SubsetsOf(*subsets, "a"), std::vector<std::string>{"1"});
        EXPECT_EQ(SubsetsOf(*subsets, "b"), std::vector<std::string>{"1"});
        EXPECT_EQ(SubsetsOf(*subsets, "c"), std::vector<std::string>{"2"});
        EXPECT_EQ(SubsetsOf(*subsets, "d"), std::vector<std::string>{"2"});
    }
}

TEST(EngineIndependent, PairwiseComparisonsDrawTheNetwork) {
    apptest::TempDir dir;
    const apptest::CliResult result =
        RunCli({dir.Write("study.csv", StudyTable()), "--test", "kruskal-wallis x by g", "--test",
                "median x by g", "--test", "hodges-lehmann x by g2", "--format", "json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    std::vector<std::string> titles;
    CollectTitles(nlohmann::json::parse(result.out), titles);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "table: Pairwise Comparisons of g"), 2);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "chart: Pairwise Comparisons of g"), 2);
    EXPECT_NE(std::find(titles.begin(), titles.end(), "chart: Independent-Samples Median Test"),
              titles.end());
    EXPECT_NE(std::find(titles.begin(), titles.end(), "table: Confidence Interval Summary"),
              titles.end());
}

// The box plots of a date field stand on the date scale their axis reads:
// the boxes (01-JAN-2024 at the earliest, not a date of 1582) and the median
// test's grand median, 2024-01-04 12:00 between the fourth and fifth of the
// eight dates, 19726.5 days after 1970-01-01.
TEST(EngineIndependent, BoxPlotsOfDatesStandOnTheDateScale) {
    apptest::TempDir dir;
    std::string csv = "when,g\n";
    for (int day = 1; day <= 8; ++day)
        csv += "2024-01-0" + std::to_string(day) + "," + (day % 2 ? "a" : "b") + "\n";
    const apptest::CliResult result = RunCli({dir.Write("dates.csv", csv), "--test", "median when by g",
                                              "--test", "kruskal-wallis when by g", "--format", "json"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<nlohmann::json> boxPlots;
    const std::function<void(const nlohmann::json&)> collect = [&](const nlohmann::json& item) {
        if (item.value("type", "") == "chart" && item["data"].contains("boxplotSource"))
            boxPlots.push_back(item);
        if (item.contains("items"))
            for (const nlohmann::json& child : item["items"]) collect(child);
    };
    collect(nlohmann::json::parse(result.out));
    ASSERT_EQ(boxPlots.size(), 2u);
    constexpr double kFirstOfJanuary2024 = 19723 * 86400.0 + 12219379200.0;
    for (const nlohmann::json& chart : boxPlots) {
        for (const nlohmann::json& value : chart["data"]["boxplotSource"]["Value"]) {
            if (!value.is_number()) continue;
            EXPECT_GE(value.get<double>(), kFirstOfJanuary2024) << chart["title"];
        }
        EXPECT_EQ(chart["vegaLite"].dump().find("1582"), std::string::npos) << chart["title"];
    }
    const std::string median = boxPlots[0]["document"];
    EXPECT_NE(median.find("Grand Median = 04-JAN-2024"), std::string::npos) << median;
    EXPECT_NE(median.find("<lineGuide y=\"13923748800\""), std::string::npos) << median;
}
