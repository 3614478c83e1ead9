// npar-report running independent-samples tests on a data table: every
// table, comparison and chart of each split, read back by the plug-in
// without a complaint.
#include <gtest/gtest.h>

#include <algorithm>

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
