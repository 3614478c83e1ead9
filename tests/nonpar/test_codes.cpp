// Code tables, titles and the container's lookups.
#include <gtest/gtest.h>

#include "NOPRSplitResults.h"

namespace {

TEST(Codes, MappingsAreExactAndCaseSensitive) {
    EXPECT_EQ(TestTypeFromText("IKruskalWallis"), 24);
    EXPECT_EQ(TestTypeFromText("ikruskalwallis"), 0);
    EXPECT_EQ(TestTypeFromText("OKolmogorovSmirnovPoisson"), 9);
    EXPECT_EQ(TestTypeFromText(""), 0);
    EXPECT_EQ(TestFamilyFromText("Related_Samples"), 2);
    EXPECT_EQ(TestFamilyFromText("related_samples"), 0);
    EXPECT_EQ(DecisionFromText("reject"), 1);
    EXPECT_EQ(DecisionFromText("retain"), 2);
    EXPECT_EQ(DecisionFromText("Retain"), 0);
    EXPECT_EQ(MessageTypeFromText("error"), 0);
    EXPECT_EQ(MessageTypeFromText("warning"), 1);
    for (const char* other : {"error ", "Error", "", "helpMessage", "fatal"})
        EXPECT_EQ(MessageTypeFromText(other), 2) << other;
}

TEST(Codes, TitlesExistOnlyForTestsWithRecords) {
    EXPECT_EQ(TestTitle(1), "One-Sample Chi-Square Test");
    EXPECT_EQ(TestTitle(18), "Related-Samples Hodges-Lehman Median Difference");
    EXPECT_EQ(TestTitle(25), "Independent-Samples Jonckheere-Terpstra Test for Ordered Alternatives");
    for (int code : {0, 7, 8, 9, 10, 27, -1}) EXPECT_EQ(TestTitle(code), "Unknown") << code;
}

TEST(Container, FactoryFilesRecordsByKindAndLookupsStayInRange) {
    NOPRSplitResults results;
    EXPECT_EQ(results.CreateTest(1, 7, 1), nullptr);
    EXPECT_EQ(results.CreateTest(1, 0, 1), nullptr);
    auto* interval = results.CreateTest(1, 5, 0);
    auto* mannWhitney = results.CreateTest(3, 21, 1);
    auto* hodgesLehmann = results.CreateTest(2, 18, 0);
    ASSERT_NE(interval, nullptr);
    ASSERT_NE(mannWhitney, nullptr);
    EXPECT_NE(dynamic_cast<NOPROutputStats::HTIMannWhitneyU*>(mannWhitney), nullptr);
    EXPECT_EQ(mannWhitney->fTestFamily, 3);
    EXPECT_EQ(mannWhitney->fDecision, 1);
    ASSERT_EQ(results.fConfidenceIntervals.size(), 2u);
    EXPECT_EQ(results.fConfidenceIntervals[0].get(), interval);
    EXPECT_EQ(results.fConfidenceIntervals[1].get(), hodgesLehmann);
    ASSERT_EQ(results.fTests.size(), 1u);

    results.CreateFieldInfo();
    EXPECT_NE(results.FieldInfoAt(0), nullptr);
    EXPECT_EQ(results.FieldInfoAt(1), nullptr);
    EXPECT_EQ(results.FieldInfoAt(static_cast<unsigned int>(-1)), nullptr);
}

TEST(Container, UnsetNumbersHoldTheSystemMissingValue) {
    NOPROutputStats::HTORuns runs;
    EXPECT_EQ(runs.fMean, -1.7976931348623157e308);
    EXPECT_EQ(runs.fObservedRunNumber, 0);
    ConfidenceInterval interval;
    EXPECT_EQ(interval.fLower, kNOPRMissing);
    EXPECT_TRUE(interval.fMethod.empty());
    PairwiseInfo pairwise;
    EXPECT_EQ(pairwise.fFieldIndex, -1);
    EXPECT_EQ(pairwise.fKind, 0);
}

}  // namespace
