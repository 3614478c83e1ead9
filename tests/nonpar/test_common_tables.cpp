// The tables every test may carry: Condition, WarningMessages,
// StatisticsResult and ValsNotInTheCategoreis.
#include <gtest/gtest.h>

#include "ReaderFixture.h"

using namespace nopr_test;
using namespace NOPROutputStats;

namespace {

TEST(CommonTables, ConditionParametersAndOrdinalFields) {
    const ReadOutcome outcome = Read(MakeDocument(Algorithm(
        "OChiSquare", "One_Sample",
        Table("Condition", Attribute("ConditionKey", "DefaultEqualProbabilities_O_ChiSquare_1") +
                               Attribute("%0", "1") + Attribute("%1", "3 __MISSING__") +
                               Attribute("Unknown", "x") + Attribute("isUseSample", "True") +
                               Attribute("OrdinalTreatedAsCont", "2 0 7 -1")))));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.errors.empty()) << "unknown condition attributes are skipped silently";
    const auto* test = TestAt<HTOChiSquare>(outcome, 0);
    ASSERT_NE(test, nullptr);
    const ConditionInfo& condition = test->fCondition;
    EXPECT_EQ(condition.fConditionKey, "DefaultEqualProbabilities_O_ChiSquare_1");
    ASSERT_EQ(condition.fParameters.size(), 2u);
    EXPECT_EQ(condition.fParameters[1].fIndex, 1);
    EXPECT_EQ(condition.fParameters[1].fValues, (std::vector<double>{3, kNOPRMissing}));
    // Indices that name no field record stay in the list and mark nothing.
    EXPECT_EQ(condition.fOrdinalAsContinuous, (std::vector<int>{2, 0, 7, -1}));
    EXPECT_TRUE(outcome.results->FieldInfoAt(0)->fOrdinalAsContinuous);
    EXPECT_FALSE(outcome.results->FieldInfoAt(1)->fOrdinalAsContinuous);
    EXPECT_TRUE(outcome.results->FieldInfoAt(2)->fOrdinalAsContinuous);
}

// The reader keeps the generic tables of one test in scratch memory it
// reuses for the next: a test whose tables outgrow it, between two small
// ones, must read whole, and so must the tests around it.
TEST(CommonTables, LargeTablesBetweenSmallOnes) {
    std::string parameters;
    for (int i = 0; i < 6000; ++i) parameters += Attribute("%" + std::to_string(i), std::to_string(i));
    const std::string small =
        Table("Condition", Attribute("ConditionKey", "Small") + Attribute("%0", "7"));
    const std::string large =
        Table("Condition", Attribute("ConditionKey", "Large") + parameters) +
        Table("StatisticsResult", Attribute("TotalN", "12") + Table("Nested", parameters));
    const ReadOutcome outcome = Read(MakeDocument(Algorithm("OChiSquare", "One_Sample", small) +
                                                  Algorithm("OChiSquare", "One_Sample", large) +
                                                  Algorithm("OChiSquare", "One_Sample", small)));
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.results->fTests.size(), 3u);
    for (size_t t : {0, 2}) {
        const ConditionInfo& condition = TestAt<HTOChiSquare>(outcome, t)->fCondition;
        EXPECT_EQ(condition.fConditionKey, "Small");
        ASSERT_EQ(condition.fParameters.size(), 1u);
        EXPECT_EQ(condition.fParameters[0].fValues, std::vector<double>{7});
    }
    const auto* test = TestAt<HTOChiSquare>(outcome, 1);
    EXPECT_EQ(test->fCondition.fConditionKey, "Large");
    ASSERT_EQ(test->fCondition.fParameters.size(), 6000u);
    EXPECT_EQ(test->fCondition.fParameters[5999].fIndex, 5999);
    EXPECT_EQ(test->fCondition.fParameters[5999].fValues, std::vector<double>{5999});
    ASSERT_EQ(test->fStatistics.size(), 2u);
    EXPECT_EQ(test->fStatistics[0].fValues[0].fName, "TotalN");
    ASSERT_EQ(test->fStatistics[1].fValues.size(), 6000u);
    EXPECT_EQ(test->fStatistics[1].fName, "Nested");
    EXPECT_EQ(test->fStatistics[1].fValues[4321].fName, "%4321");
    EXPECT_EQ(test->fStatistics[1].fValues[4321].fValue, 4321);
}

TEST(CommonTables, MessagesWithParameters) {
    const std::string messages = Table(
        "WarningMessages", Table("M0", Attribute("code", "222328") + Attribute("type", "warning") +
                                           Attribute("paramNum", "2") + Attribute("%0", "5") +
                                           Attribute("%1", "0.25") + Attribute("group", "1;2")) +
                               Table("M1", Attribute("code", "10001") + Attribute("type", "Error") +
                                               Attribute("paramNum", "2") + Attribute("%0", "1")) +
                               Table("M2", Attribute("type", "error")));
    const ReadOutcome outcome = Read(MakeDocument(Algorithm("OChiSquare", "One_Sample", messages)));
    ASSERT_TRUE(outcome.ok);
    const auto* test = TestAt<HTOChiSquare>(outcome, 0);
    ASSERT_EQ(test->fMessages.size(), 3u);
    const MessageInfo& located = test->fMessages[0];
    EXPECT_EQ(located.fCode, 222328);
    EXPECT_EQ(located.fType, 1);
    EXPECT_EQ(located.fCount, 2);
    EXPECT_EQ(located.fGroup, "1;2");
    ASSERT_EQ(located.fParameters.size(), 2u);
    EXPECT_EQ(located.fParameters[1].fValues, std::vector<double>{0.25});
    EXPECT_EQ(test->fMessages[1].fType, 2) << "only the exact text \"error\" is an error";
    EXPECT_EQ(test->fMessages[2].fType, 0);
    // The second message announces two parameters and carries one: reported, read on.
    ASSERT_EQ(outcome.checks.size(), 1u);
    EXPECT_NE(outcome.checks[0].find("fCount"), std::string::npos);
}

TEST(CommonTables, StatisticsGroupsFollowTheDocumentOrder) {
    const std::string statistics =
        Table("StatisticsResult",
              Attribute("TotalN", "38") + Attribute("TestStatistic", "4.5") +
                  Attribute("StandardError", "__MISSING__") +
                  Table("Asymptotic", Attribute("Lower", "__MISSING__") + Attribute("Upper", ">2")) +
                  Simple("Ignored", "a", "b", {"1"}) + Attribute("AsymptoticSig2Tailed", ">0.2"));
    const ReadOutcome outcome = Read(MakeDocument(
        Algorithm(
            "OKolmogorovSmirnov", "One_Sample",
            Table("Condition", Attribute("ConditionKey", "NormalDistribution_O_KolmogorovSmirnov_3") +
                                   Attribute("isUseSample", "true")) +
                statistics) +
        Algorithm("OKolmogorovSmirnov", "One_Sample",
                  Table("Condition", Attribute("isUseSample", "TRUE")))));
    ASSERT_TRUE(outcome.ok);
    const auto* test = TestAt<HTOKolmogorovSmirnov>(outcome, 0);
    ASSERT_NE(test, nullptr);
    ASSERT_EQ(test->fStatistics.size(), 3u);
    EXPECT_EQ(test->fStatistics[0].fName, "");
    ASSERT_EQ(test->fStatistics[0].fValues.size(), 3u);
    EXPECT_EQ(test->fStatistics[0].fValues[1].fName, "TestStatistic");
    EXPECT_DOUBLE_EQ(test->fStatistics[0].fValues[1].fValue, 4.5);
    // The missing-value token is a missing statistic, directly or in a group,
    // not the 0 a failed conversion gives.
    EXPECT_EQ(test->fStatistics[0].fValues[2].fValue, kNOPRMissing);
    EXPECT_EQ(test->fStatistics[1].fName, "Asymptotic");
    EXPECT_EQ(test->fStatistics[1].fValues[0].fValue, kNOPRMissing);
    EXPECT_DOUBLE_EQ(test->fStatistics[1].fValues[1].fValue, 0.0) << "no bound marker inside groups";
    EXPECT_EQ(test->fStatistics[2].fName, "");
    EXPECT_DOUBLE_EQ(test->fStatistics[2].fValues[0].fValue, 0.2);
    EXPECT_TRUE(test->fIsUseSample);
    EXPECT_TRUE(test->fSigLowerBound);

    // The next test has neither the bound nor "true" spelled exactly, and must
    // not inherit the flags of the test before it.
    const auto* next = TestAt<HTOKolmogorovSmirnov>(outcome, 1);
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->fIsUseSample);
    EXPECT_FALSE(next->fSigLowerBound);
}

TEST(CommonTables, ValuesNotInTheCategories) {
    const ReadOutcome outcome = Read(MakeDocument(Algorithm(
        "OBinomial", "One_Sample",
        "<StructuredTable name=\"ValsNotInTheCategoreis\"><Attribute name=\"a\" value=\"Other\"/>"
        "<Attribute name=\"b\"/></StructuredTable>")));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(TestAt<HTOBinomial>(outcome, 0)->fValsNotInCategories,
              (std::vector<std::string>{"Other", ""}));

    EXPECT_FALSE(
        Read(MakeDocument(Algorithm("OBinomial", "One_Sample", Table("ValsNotInTheCategoreis", "")))).ok)
        << "a value list without attributes cannot be read";
    EXPECT_FALSE(Read(MakeDocument(Algorithm("OBinomial", "One_Sample",
                                             Table("Condition", "<Attribute value=\"1\"/>"))))
                     .ok);
    EXPECT_FALSE(Read(MakeDocument(Algorithm("OBinomial", "One_Sample",
                                             Table("StatisticsResult", "<StructuredTable/>"))))
                     .ok);
    EXPECT_FALSE(Read(MakeDocument(Algorithm("OBinomial", "One_Sample",
                                             Table("WarningMessages", Table("M", "<Attribute/>")))))
                     .ok);
}

}  // namespace
