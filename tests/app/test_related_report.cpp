// The related-samples tests end to end: npar-report runs them on a data table
// and the plug-in reads the engine's documents back into the report, with
// every table and chart they ask for and no warning of the plug-in's checks.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "AppTestSupport.h"

using apptest::RunCli;
using Json = nlohmann::json;

namespace {

// Thirty learners with three graded checks (1 Fail, 2 Pass, 3 Merit) that rise
// from the first check to the later two, a score before and after the course,
// and a pass/fail outcome before and after.
std::string CourseCsv() {
    std::string csv = "grade_1,grade_2,grade_3,score_pre,score_post,passed_pre,passed_post\n";
    for (int i = 0; i < 30; ++i) {
        const int g1 = 1 + (i % 4 == 0) + (i % 9 == 0);
        const int g2 = 2 + (i % 3 == 0) - (i % 7 == 0);
        const int g3 = 2 + (i % 2 == 0) - (i % 11 == 0);
        const double pre = 50 + (i * 37) % 23 + 0.1 * (i % 10);
        const double post = pre + (i % 6) - 1.5 + 0.2 * (i % 4);
        csv += std::to_string(g1) + "," + std::to_string(g2) + "," + std::to_string(g3) + "," +
               std::to_string(pre).substr(0, 4) + "," + std::to_string(post).substr(0, 4) + "," +
               (i % 3 == 0 ? "no" : "yes") + "," + (i % 5 == 0 ? "no" : "yes") + "\n";
    }
    return csv;
}

void Collect(const Json& items, const std::string& type, std::vector<Json>& found) {
    for (const Json& item : items) {
        if (item["type"] == type) found.push_back(item);
        if (item.contains("items")) Collect(item["items"], type, found);
    }
}

std::vector<std::string> Titles(const Json& document, const std::string& type) {
    std::vector<Json> found;
    Collect(document["items"], type, found);
    std::vector<std::string> titles;
    for (const Json& item : found) titles.push_back(item["title"]);
    return titles;
}

bool Has(const std::vector<std::string>& titles, const std::string& title) {
    return std::find(titles.begin(), titles.end(), title) != titles.end();
}

std::vector<std::string> Arguments(const std::string& data, const std::vector<std::string>& tests) {
    std::vector<std::string> arguments = {"--resources", std::string(NPAR_SOURCE_DIR) + "/resources",
                                          "--format", "json", data};
    for (const std::string& test : tests) {
        arguments.push_back("--test");
        arguments.push_back(test);
    }
    return arguments;
}

}  // namespace

TEST(RelatedReport, FriedmanWithSubsetsAndWilcoxonGiveTheirTablesAndCharts) {
    apptest::TempDir dir;
    const std::string data = dir.Write("course.csv", CourseCsv());
    const apptest::CliResult result = RunCli(Arguments(
        data, {"friedman grade_1 grade_2 grade_3 compare=stepwise", "wilcoxon score_pre score_post"}));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(result.err.empty()) << result.err;
    const Json json = Json::parse(result.out);
    EXPECT_EQ(json["ok"], true);

    const std::vector<std::string> tables = Titles(json, "table");
    EXPECT_TRUE(Has(tables, "Hypothesis Test Summary"));
    EXPECT_TRUE(Has(tables, "Related-Samples Friedman's Two-Way Analysis of Variance by Ranks Summary"));
    EXPECT_TRUE(Has(tables, "Homogeneous Subsets"));
    EXPECT_TRUE(Has(tables, "Related-Samples Wilcoxon Signed Rank Test Summary"));
    EXPECT_FALSE(Has(tables, "Pairwise Comparisons"));

    const std::vector<std::string> charts = Titles(json, "chart");
    EXPECT_TRUE(Has(charts, "Related-Samples Friedman's Two-Way Analysis of Variance by Ranks"));
    EXPECT_TRUE(Has(charts, "Related-Samples Wilcoxon Signed Rank Test"));
    std::vector<Json> items;
    Collect(json["items"], "chart", items);
    for (const Json& chart : items) EXPECT_FALSE(chart["data"].empty()) << chart["title"];
}

TEST(RelatedReport, EveryRelatedTestReadsBackWithItsOutput) {
    apptest::TempDir dir;
    const std::string data = dir.Write("course.csv", CourseCsv());
    const apptest::CliResult result = RunCli(
        Arguments(data, {"sign score_pre score_post", "mcnemar passed_pre passed_post success=yes",
                         "marginal-homogeneity grade_1 grade_2",
                         "cochran grade_1 grade_2 grade_3 success=3", "kendall grade_1 grade_2 grade_3",
                         "hodges-lehmann score_pre score_post", "related passed_pre passed_post"}));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(result.err.empty()) << result.err;
    const Json json = Json::parse(result.out);

    const std::vector<std::string> tables = Titles(json, "table");
    for (const char* title :
         {"Related-Samples Sign Test Summary", "Related-Samples McNemar Change Test Summary",
          "Related-Samples Marginal Homogeneity Test Summary",
          "Related-Samples Cochran's Q Test Summary",
          "Related-Samples Kendall's Coefficient of Concordance Summary", "Pairwise Comparisons",
          "Confidence Interval Summary"})
        EXPECT_TRUE(Has(tables, title)) << title;
    const std::vector<std::string> charts = Titles(json, "chart");
    for (const char* title :
         {"Related-Samples Sign Test", "Related-Samples McNemar Change Test",
          "Related-Samples Marginal Homogeneity Test", "Related-Samples Cochran's Q Test",
          "Related-Samples Kendall's Coefficient of Concordance", "Pairwise Comparisons"})
        EXPECT_TRUE(Has(charts, title)) << title;
}

TEST(RelatedReport, WrongRequestsStopWithAUsageError) {
    apptest::TempDir dir;
    const std::string data = dir.Write("course.csv", CourseCsv());
    const apptest::CliResult twice = RunCli(Arguments(data, {"wilcoxon score_pre score_pre"}));
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("wilcoxon score_pre score_pre"), std::string::npos) << twice.err;
    EXPECT_NE(twice.err.find("\"score_pre\" is listed twice"), std::string::npos) << twice.err;
    EXPECT_TRUE(twice.out.empty());

    const apptest::CliResult types = RunCli(Arguments(data, {"friedman grade_1 grade_2 passed_pre"}));
    EXPECT_EQ(types.status, 2);
    EXPECT_NE(types.err.find("\"passed_pre\""), std::string::npos) << types.err;

    // Data that allow no test are no usage error: the report says the test could not be computed.
    const std::string tied = dir.Write("tied.csv", "a,b\n1,1\n2,2\n3,3\n");
    const apptest::CliResult unable = RunCli(Arguments(tied, {"sign a b"}));
    EXPECT_EQ(unable.status, 0) << unable.err;
    EXPECT_NE(unable.out.find("Every case has the same value in both fields"), std::string::npos);
}
