// The output driver's order of output, split headings and split dimensions.
#include <gtest/gtest.h>

#include <algorithm>

#include "OutputFixture.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace output_query;

namespace {

const std::string kMannWhitney = Algorithm(
    "IMannWhitneyU", "Independent_Samples",
    Table("Condition", Attribute("ConditionKey", "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2") +
                           Attribute("%0", "0") + Attribute("%1", "1")) +
        Table("StatisticsResult", Attribute("TotalN", "38") + Attribute("AsymptoticSig2Tailed", "0.02")),
    "reject");
const std::string kBlocked = Algorithm(
    "OChiSquare", "One_Sample",
    Table("Condition",
          Attribute("ConditionKey", "DefaultEqualProbabilities_O_ChiSquare_1") + Attribute("%0", "2")) +
        Table("WarningMessages", Table("M", Attribute("code", "10001") + Attribute("type", "error"))),
    "");

TEST(Driver, TestHeadingsFieldHeadingsAndBlockingErrors) {
    auto dataSource = MakeDataSource();
    const RunOutcome outcome = RunDocument(MakeDocument(kMannWhitney + kBlocked), dataSource.get());
    ASSERT_TRUE(outcome.ok);
    const auto headings = HeadingTexts(outcome.json);
    ASSERT_EQ(headings.size(), 4u);
    EXPECT_EQ(headings[0], "Independent-Samples Mann-Whitney U Test");
    EXPECT_EQ(headings[1], "Test score across Group") << "the field heading names both fields";
    EXPECT_EQ(headings[2], "One-Sample Chi-Square Test");
    // A blocked test says why under its headings, instead of its tables.
    const Json& blocked = outcome.json["items"].back();
    EXPECT_EQ(blocked["text"], "One-Sample Chi-Square Test");
    EXPECT_TRUE(Items(blocked, "table").empty());
    EXPECT_TRUE(Items(blocked, "chart").empty());
    const std::vector<Json> reasons = Items(blocked, "error");
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_EQ(reasons[0]["text"],
              "This test could not be computed. The specified probabilities do not match the "
              "categories of the field. The test was not run.");
    // The summary tables come first, then one heading per test.
    EXPECT_EQ(outcome.json["items"][0]["title"], "Hypothesis Test Summary");
}

// Fields that resolve to no variable name nothing: the related-samples test
// then gets no field heading, as the other families do, rather than an empty one.
TEST(Driver, TestsWhoseFieldsAreUnknownGetNoFieldHeading) {
    const std::string unknownPair =
        Algorithm("RSign", "Related_Samples",
                  Table("Condition", Attribute("ConditionKey", "R_Sign_2") + Attribute("%0", "98") +
                                         Attribute("%1", "99")) +
                      Table("StatisticsResult", Attribute("TotalN", "38")));
    const std::string unknownGroups = Algorithm(
        "IMannWhitneyU", "Independent_Samples",
        Table("Condition", Attribute("ConditionKey", "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2") +
                               Attribute("%0", "98") + Attribute("%1", "99")) +
            Table("StatisticsResult", Attribute("TotalN", "38")));
    auto dataSource = MakeDataSource();
    const RunOutcome outcome = RunDocument(MakeDocument(unknownPair + unknownGroups), dataSource.get());
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(HeadingTexts(outcome.json),
              (std::vector<std::string>{"Related-Samples Sign Test",
                                        "Independent-Samples Mann-Whitney U Test"}));
    const Json& sign = outcome.json["items"][1];
    ASSERT_FALSE(sign["items"].empty());
    EXPECT_EQ(sign["items"][0]["type"], "table") << "the statistics table stands under the test heading";
}

TEST(Driver, SplitHeadingsOrSplitDimensions) {
    auto dataSource = MakeDataSource();
    const int region = dataSource->FindVarIndex("region", 0);
    const std::string document = MakeDocument(kMannWhitney);
    const RunOutcome headed =
        RunSplits({SplitSpec{document, {region}, {OBS(std::string("North"))}, true},
                   SplitSpec{document, {region}, {OBS(std::string("South"))}, true}},
                  dataSource.get());
    ASSERT_TRUE(headed.ok);
    ASSERT_EQ(headed.json["items"].size(), 2u);
    EXPECT_EQ(headed.json["items"][0]["text"], "region = North");
    EXPECT_EQ(headed.json["items"][1]["text"], "region = South");
    const auto southHeadings = HeadingTexts(headed.json["items"][1]);
    ASSERT_FALSE(southHeadings.empty());
    EXPECT_EQ(southHeadings[0], "Independent-Samples Mann-Whitney U Test");
    for (const Json& table : Items(headed.json, "table"))
        for (const Json& dimension : table["dimensions"]) EXPECT_FALSE(dimension["split"].get<bool>());

    const RunOutcome flat =
        RunSplits({SplitSpec{document, {region}, {OBS(std::string("North"))}, false}}, dataSource.get());
    ASSERT_TRUE(flat.ok);
    EXPECT_EQ(HeadingTexts(flat.json)[0], "Independent-Samples Mann-Whitney U Test");
    const auto tables = Items(flat.json, "table");
    EXPECT_GE(tables.size(), 2u);
    for (const Json& table : tables) {
        ASSERT_FALSE(table["dimensions"].empty()) << table["title"];
        EXPECT_EQ(table["dimensions"][0]["title"], "region") << table["title"];
        EXPECT_EQ(table["dimensions"][0]["split"], true);
    }
}

// A split's document text is freed once the plug-in has read it, before the
// split's output is made; the split whose read fails keeps its text, from
// which the host tells where the document breaks, and the run stops there.
TEST(Driver, ReadDocumentsAreFreedAndTheFailedOneIsKept) {
    auto dataSource = MakeDataSource();
    const std::string good = MakeDocument(kMannWhitney);
    const std::string broken = good.substr(0, good.size() - 10);
    const SplitSpec never{good, {}, {}, false};
    const RunOutcome outcome = RunSplits({SplitSpec{good, {}, {}, false}, SplitSpec{good, {}, {}, false},
                                          SplitSpec{broken, {}, {}, false}, never},
                                         dataSource.get());
    EXPECT_FALSE(outcome.ok);
    ASSERT_EQ(outcome.textsAfter.size(), 4u);
    EXPECT_EQ(outcome.textsAfter[0], "");
    EXPECT_EQ(outcome.textsAfter[1], "");
    EXPECT_EQ(outcome.textsAfter[2], broken);
    EXPECT_EQ(outcome.textsAfter[3], good) << "a split the run never reached is left as it was";
    // Both read splits still made their whole output.
    const auto headings = HeadingTexts(outcome.json);
    EXPECT_EQ(std::count(headings.begin(), headings.end(), "Independent-Samples Mann-Whitney U Test"),
              2);
}

}  // namespace
