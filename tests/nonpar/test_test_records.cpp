// Every test's own tables, read into its record.
#include <gtest/gtest.h>

#include "ReaderFixture.h"

using namespace nopr_test;
using namespace NOPROutputStats;

namespace {

const std::string kDistribution = Simple("Distribution", "Count Value", "x", {"2 3 1", "-1 0 1"});

ReadOutcome ReadOne(const std::string& name, const std::string& family, const std::string& tables) {
    return Read(MakeDocument(Algorithm(name, family, tables)));
}

TEST(OneSampleRecords, TwoClassTablesRunsAndWilcoxon) {
    const std::string twoClass = Table(
        "TwoClassComparison", Simple("Content", "1 2", "Observed Hypothesized", {"12 10", "8 10"}));
    const ReadOutcome chiSquare = ReadOne("OChiSquare", "One_Sample", twoClass);
    ASSERT_TRUE(chiSquare.ok);
    const auto* chi = TestAt<HTOChiSquare>(chiSquare, 0);
    ASSERT_NE(chi, nullptr);
    EXPECT_EQ(chi->fTestFamily, 1);
    EXPECT_EQ(chi->fDecision, 2);
    EXPECT_EQ(chi->fTwoClassComparison.fName, "Content");
    EXPECT_EQ(chi->fTwoClassComparison.fRows[0], (std::vector<double>{12, 10}));

    const ReadOutcome binomial = ReadOne("OBinomial", "One_Sample", twoClass + Table("Extra", ""));
    ASSERT_TRUE(binomial.ok);
    EXPECT_EQ(TestAt<HTOBinomial>(binomial, 0)->fTwoClassComparison.fRowNames.size(), 2u);
    EXPECT_EQ(binomial.errors, std::vector<std::string>{"Not parse element: Extra"});
    EXPECT_FALSE(ReadOne("OBinomial", "One_Sample", Table("TwoClassComparison", "")).ok)
        << "a two-class table needs its SimpleTable";

    const ReadOutcome runs = ReadOne(
        "ORuns", "One_Sample",
        Table("RunsParameters", Attribute("Mean", "10.6") + Attribute("StdDev", "2.1") +
                                    Attribute("ObservedRunNumber", "7.9") + Attribute("Median", "3")));
    ASSERT_TRUE(runs.ok);
    const auto* runsTest = TestAt<HTORuns>(runs, 0);
    EXPECT_DOUBLE_EQ(runsTest->fMean, 10.6);
    EXPECT_DOUBLE_EQ(runsTest->fStdDev, 2.1);
    EXPECT_EQ(runsTest->fObservedRunNumber, 7);
    EXPECT_EQ(runs.errors, std::vector<std::string>{"Not parse element: Median"});
    EXPECT_FALSE(ReadOne("ORuns", "One_Sample", Table("RunsParameters", "")).ok);
    const ReadOutcome hugeRuns = ReadOne(
        "ORuns", "One_Sample",
        Table("RunsParameters", Attribute("ObservedRunNumber", "1e300") + Attribute("Mean", "x")));
    EXPECT_EQ(TestAt<HTORuns>(hugeRuns, 0)->fObservedRunNumber, 2147483647);
    EXPECT_EQ(TestAt<HTORuns>(hugeRuns, 0)->fMean, kNOPRMissing);

    const ReadOutcome wilcoxon =
        ReadOne("OWilcoxonSignedRanks", "One_Sample",
                Table("ContinuousDistribution", Attribute("HypotheticalMedian", "5") +
                                                    Attribute("ObservedMedian", "6.5") + kDistribution));
    ASSERT_TRUE(wilcoxon.ok);
    const auto& continuous = TestAt<HTOWilcoxonSignedRanks>(wilcoxon, 0)->fContinuousDistribution;
    EXPECT_DOUBLE_EQ(continuous.fHypotheticalMedian, 5);
    EXPECT_DOUBLE_EQ(continuous.fObservedMedian, 6.5);
    EXPECT_EQ(continuous.fDistribution.fRows.size(), 2u);
}

TEST(OneSampleRecords, SuccessRateIntervalsAndKolmogorovSmirnov) {
    auto interval = [](const std::string& method, const std::string& limits) {
        return Table(method, Attribute("computeECIMethod", method) + Attribute("Estimate", "0.4") +
                                 Table("Limits", limits));
    };
    const ReadOutcome outcome = Read(MakeDocument(
        Algorithm("OEstimateConfidenceInterval", "One_Sample",
                  interval("ClopperPearson", Attribute("Lower", "0.25") + Attribute("Upper", "0.57")) +
                      interval("Jeffreys", Attribute("Lower", "0.26") + Attribute("Width", "1")) +
                      Table("Wald", "")) +
        Algorithm("IMannWhitneyU", "Independent_Samples", Table("Condition", "")) +
        Algorithm("OKolmogorovSmirnov", "One_Sample", Table("Anything", ""))));
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.results->fConfidenceIntervals.size(), 1u);
    ASSERT_EQ(outcome.results->fTests.size(), 2u);
    const auto* rate = dynamic_cast<const HTOEstimateConfidenceInterval*>(
        outcome.results->fConfidenceIntervals[0].get());
    ASSERT_NE(rate, nullptr);
    ASSERT_EQ(rate->fIntervals.size(), 2u);
    EXPECT_EQ(rate->fIntervals[0].fMethod, "ClopperPearson");
    EXPECT_DOUBLE_EQ(rate->fIntervals[0].fEstimate, 0.4);
    EXPECT_DOUBLE_EQ(rate->fIntervals[0].fUpper, 0.57);
    EXPECT_EQ(rate->fIntervals[1].fUpper, kNOPRMissing);
    EXPECT_EQ(outcome.errors,
              (std::vector<std::string>{"Not parse element: Width", "Not parse element: Wald"}))
        << "the Kolmogorov-Smirnov test reads no table of its own and reports none";

    EXPECT_FALSE(ReadOne("OEstimateConfidenceInterval", "One_Sample",
                         Table("Jeffreys", Attribute("Estimate", "0.4")))
                     .ok)
        << "an interval without its limits table cannot be read";
}

TEST(RelatedSamplesRecords, DifferencesAndCategoryComparisons) {
    const std::string differences =
        Table("ContinuousDistribution", Attribute("NegativeDifferences", "7") + Attribute("Ties", "0") +
                                            Attribute("PositiveDifferences", "12") + kDistribution);
    for (const char* name : {"RSign", "RWilcoxonSignedRanks"}) {
        const ReadOutcome outcome = ReadOne(name, "Related_Samples", differences);
        ASSERT_TRUE(outcome.ok) << name;
        const auto* sign = TestAt<HTRSign>(outcome, 0);
        const auto* wilcoxon = TestAt<HTRWilcoxonSignedRanks>(outcome, 0);
        const DifferenceCounts& counts = sign ? sign->fDifferences : wilcoxon->fDifferences;
        EXPECT_EQ(counts.fNegative, 7);
        EXPECT_EQ(counts.fPositive, 12);
        EXPECT_EQ(counts.fDistribution.fRows[1], (std::vector<double>{-1, 0, 1}));
    }

    const std::string comparison =
        Table("CategoryFieldsComparison",
              Attribute("RowNames", "0") + Attribute("RowSuccessList", "1") +
                  Attribute("RowFailList", "2 3") + Attribute("ColumnNames", "1") +
                  Attribute("ColumnSuccessList", "1") + Attribute("ColumnFailList", "2") +
                  Attribute("Color", "red") + Table("RowValsNotInTheCategoreis", Attribute("a", "x")) +
                  Table("RowValsNotInTheCategoreis", Attribute("a", "y") + Attribute("b", "z")) +
                  Table("ColValsNotInTheCategoreis", Attribute("a", "w")) +
                  Simple("Table", "0 1", "0 1", {"5 3", "2 6"}));
    for (const char* name : {"RMcNemar", "RMarginalHomogeneity"}) {
        const ReadOutcome outcome = ReadOne(name, "Related_Samples", comparison);
        ASSERT_TRUE(outcome.ok) << name;
        const auto* mcNemar = TestAt<HTRMcNemar>(outcome, 0);
        const auto* marginal = TestAt<HTRMarginalHomogeneity>(outcome, 0);
        const CategoryComparison& table =
            mcNemar ? mcNemar->fCategoryFieldsComparison : marginal->fCategoryFieldsComparison;
        EXPECT_EQ(table.fRowField, 0);
        EXPECT_EQ(table.fColumnField, 1);
        EXPECT_EQ(table.fRowFail, (std::vector<double>{2, 3}));
        EXPECT_EQ(table.fRowValsNotInCategories, (std::vector<std::string>{"y", "z"}));
        EXPECT_EQ(table.fColValsNotInCategories, std::vector<std::string>{"w"});
        EXPECT_EQ(table.fTable.fRows[1], (std::vector<double>{2, 6}));
        EXPECT_EQ(outcome.errors, std::vector<std::string>{"Not parse element: Color"});
    }
}

TEST(RelatedSamplesRecords, CochranFriedmanAndKendall) {
    const std::string pairwise = Table(
        "PairwiseResult",
        Simple("PairwiseInfo", "Sample Value", "a b c", {"0 1 2", "3 2 1"}) +
            Simple("Content", "r", "Sample1 Sample2 T SE Z Sig AdjSig", {"0 2 1.5 0.5 3 0.01 0.03"}) +
            Simple("Legend", "a", "b", {"1"}) + Attribute("fieldIndex", "-1.9"));
    const ReadOutcome cochran =
        ReadOne("RCochransQ", "Related_Samples",
                Table("TwoClassComparison", Simple("Content", "0 1 2", "0 1", {"4 6", "5 5", "7 3"})) +
                    pairwise);
    ASSERT_TRUE(cochran.ok);
    const auto* q = TestAt<HTRCochransQ>(cochran, 0);
    EXPECT_EQ(q->fTwoClassComparison.fRows.size(), 3u);
    EXPECT_EQ(q->fPairwise.fKind, 1);
    EXPECT_EQ(q->fPairwise.fFieldIndex, -1);
    EXPECT_EQ(q->fPairwise.fInfo.fRows[1], (std::vector<double>{3, 2, 1}));
    EXPECT_EQ(q->fPairwise.fContent.fColumnNames.size(), 7u);

    const std::string variables =
        Table("VariableInformation_0", Attribute("GroupIndex", "0") + Attribute("MeanOfRank", "1.5") +
                                           Attribute("N", "20") + kDistribution) +
        Table("VariableInformation_1",
              Attribute("GroupIndex", "1") + Attribute("MeanOfRank", "2.5") + kDistribution) +
        Table("StepwiseResult", Simple("StepwiseInfo", "a", "b", {"0 1", "1.5 2.5"}) +
                                    Simple("Content", "a", "b", {"0 1 1 1 1 1 1"}));
    for (const char* name : {"RFriedmansTwoWayByRanks", "RKendallsCoefficient"}) {
        const ReadOutcome outcome = ReadOne(name, "Related_Samples", variables);
        ASSERT_TRUE(outcome.ok) << name;
        const auto* friedman = TestAt<HTRFriedmansTwoWayByRanks>(outcome, 0);
        const auto* kendall = TestAt<HTRKendallsCoefficient>(outcome, 0);
        const auto& list = friedman ? friedman->fVariables : kendall->fVariables;
        const PairwiseInfo& steps = friedman ? friedman->fPairwise : kendall->fPairwise;
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[1].fGroupIndex, 1);
        EXPECT_DOUBLE_EQ(list[1].fMeanOfRank, 2.5);
        EXPECT_EQ(list[0].fN, 0) << "related-samples variables carry no size";
        EXPECT_EQ(steps.fKind, 2);
        EXPECT_EQ(outcome.errors, std::vector<std::string>{"Not parse element: N"});
    }
    EXPECT_FALSE(
        ReadOne("RCochransQ", "Related_Samples", Table("PairwiseResult", Attribute("fieldIndex", "1")))
            .ok)
        << "a pairwise result without SimpleTables cannot be read";
}

TEST(RelatedSamplesRecords, HodgesLehmannEstimateComesFromTheStatistics) {
    auto statistics = [](const std::string& extra) {
        return Table("StatisticsResult",
                     Attribute("Estimate", "1.5") + Attribute("N", "20") +
                         Table("Asymptotic", Attribute("Lower", "0.5") + Attribute("Upper", "2.5")) +
                         extra);
    };
    const ReadOutcome outcome =
        Read(MakeDocument(Algorithm("RHodgesLehmannEstimatePairs", "Related_Samples",
                                    statistics("") + Table("Extra", "")) +
                          Algorithm("IHodgesLehmannEstimateGroups", "Independent_Samples",
                                    statistics(Table("Exact", Attribute("Lower", "0"))))));
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.results->fConfidenceIntervals.size(), 2u);
    const auto* pairs = dynamic_cast<const HTRHodgesLehmannEstimatePairs*>(
        outcome.results->fConfidenceIntervals[0].get());
    ASSERT_NE(pairs, nullptr);
    EXPECT_DOUBLE_EQ(pairs->fEstimate.fEstimate, 1.5);
    EXPECT_DOUBLE_EQ(pairs->fEstimate.fLower, 0.5);
    EXPECT_DOUBLE_EQ(pairs->fEstimate.fUpper, 2.5);
    EXPECT_TRUE(pairs->fEstimate.fMethod.empty());
    EXPECT_EQ(outcome.errors, std::vector<std::string>{"Not parse element: StructuredTable"});

    const auto* groups = dynamic_cast<const HTIHodgesLehmannEstimateGroups*>(
        outcome.results->fConfidenceIntervals[1].get());
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(groups->fEstimate.fEstimate, kNOPRMissing) << "three groups: nothing is derived";
    EXPECT_EQ(groups->fEstimate.fLower, kNOPRMissing);
}

TEST(IndependentSamplesRecords, TwoGroupTests) {
    const std::string groups = Table("Group_1", Attribute("GroupIndex", "0") + Attribute("N", "18") +
                                                    Attribute("MeanOfRank", "15.2") + kDistribution) +
                               Table("Group_2", Attribute("GroupIndex", "1") + Attribute("N", "20") +
                                                    Attribute("MeanOfRank", "23.4") + kDistribution) +
                               Table("Legend", "");
    for (const char* name : {"IMannWhitneyU", "IWaldWolfowitzRuns", "IKolmogorovSmirnov"}) {
        const ReadOutcome outcome = ReadOne(name, "Independent_Samples", groups);
        ASSERT_TRUE(outcome.ok) << name;
        const std::vector<GroupInfo>* list = nullptr;
        if (const auto* u = TestAt<HTIMannWhitneyU>(outcome, 0))
            list = &u->fGroups;
        else if (const auto* runs = TestAt<HTIWaldWolfowitzRuns>(outcome, 0))
            list = &runs->fGroups;
        else
            list = &TestAt<HTIKolmogorovSmirnov>(outcome, 0)->fGroups;
        ASSERT_EQ(list->size(), 2u);
        EXPECT_EQ((*list)[1].fN, 20);
        EXPECT_DOUBLE_EQ((*list)[1].fMeanOfRank, 23.4);
        EXPECT_EQ(outcome.errors, std::vector<std::string>{"Not parse element: Legend"});
    }
    EXPECT_FALSE(
        ReadOne("IMannWhitneyU", "Independent_Samples", Table("Group_1", Attribute("N", "3"))).ok)
        << "a group without its distribution cannot be read";
}

TEST(IndependentSamplesRecords, BoxPlotsAndComparisons) {
    const std::string box = Table(
        "BoxPlotInfo", Attribute("GroupFieldIndex", "1") + Attribute("GroupCount", "1000000000") +
                           Attribute("GrandMedian", "52") +
                           Table("Group1", Attribute("GroupIndex", "0") + Attribute("N", "18") +
                                               Attribute("MeanOfRank", "15") +
                                               Attribute("GTMedian", "6") + Attribute("STMedian", "12") +
                                               Simple("Box", "a", "b", {"30 41 50 58 70"}) +
                                               Simple("Outliers", "a", "b", {"12 95", "3 17"}) +
                                               Simple("Whatever", "a", "b", {"1"})) +
                           Table("Legend", "") +
                           Table("Group2", Attribute("GroupIndex", "1") + Attribute("N", "20") +
                                               Simple("Box", "a", "b", {"35 45 55 60 72"})));
    const std::string steps =
        Table("StepwiseResult", Simple("StepwiseInfo", "a", "b", {"0 1", "15 23"}) +
                                    Simple("Content", "a", "b", {"0 1 1 1 1 1 1"}) +
                                    Attribute("fieldIndex", "1"));
    const ReadOutcome moses = ReadOne("IMoses", "Independent_Samples", box);
    ASSERT_TRUE(moses.ok);
    const BoxPlotInfo& info = TestAt<HTIMoses>(moses, 0)->fBoxPlotInfo;
    EXPECT_EQ(info.fGroupFieldIndex, 1);
    EXPECT_EQ(info.fGroupCount, 1000000000) << "the group count sizes nothing";
    EXPECT_DOUBLE_EQ(info.fGrandMedian, 52);
    ASSERT_EQ(info.fGroups.size(), 3u) << "groups keep the position of their nested table";
    EXPECT_EQ(info.fGroups[0].fN, 18);
    EXPECT_DOUBLE_EQ(info.fGroups[0].fSTMedian, 12);
    EXPECT_EQ(info.fGroups[0].fBox.fRows[0].size(), 5u);
    EXPECT_EQ(info.fGroups[0].fOutliers.fRows[1], (std::vector<double>{3, 17}));
    EXPECT_EQ(info.fGroups[1].fN, 0);
    EXPECT_TRUE(info.fGroups[1].fBox.fRows.empty());
    EXPECT_EQ(info.fGroups[2].fGroupIndex, 1);

    for (const char* name : {"IKruskalWallis", "IJonckheereTerpstra", "IMedian"}) {
        const ReadOutcome outcome = ReadOne(name, "Independent_Samples", box + steps);
        ASSERT_TRUE(outcome.ok) << name;
        const BoxPlotInfo* boxPlot = nullptr;
        const PairwiseInfo* comparisons = nullptr;
        if (const auto* k = TestAt<HTIKruskalWallis>(outcome, 0)) {
            boxPlot = &k->fBoxPlotInfo;
            comparisons = &k->fPairwise;
        } else if (const auto* j = TestAt<HTIJonckheereTerpstra>(outcome, 0)) {
            boxPlot = &j->fBoxPlotInfo;
            comparisons = &j->fPairwise;
        } else {
            const auto* m = TestAt<HTIMedian>(outcome, 0);
            boxPlot = &m->fBoxPlotInfo;
            comparisons = &m->fPairwise;
        }
        EXPECT_EQ(boxPlot->fGroups.size(), 3u);
        EXPECT_EQ(comparisons->fKind, 2);
        EXPECT_EQ(comparisons->fFieldIndex, 1);
        EXPECT_EQ(comparisons->fContent.fRows[0].size(), 7u);
    }
}

TEST(Records, UnknownTablesAreReportedAndBrokenTablesFailTheDocument) {
    const ReadOutcome outcome = Read(MakeDocument(
        Algorithm("IKruskalWallis", "Independent_Samples", Table("Mystery", "") + "<Note/>") +
        Algorithm("IMoses", "Independent_Samples", "<StructuredTable/>")));
    EXPECT_FALSE(outcome.ok) << "a table without a name cannot be dispatched";
    EXPECT_EQ(outcome.errors,
              (std::vector<std::string>{"Not parse element: Mystery", "Not parse element: "}));
    ASSERT_EQ(outcome.results->fTests.size(), 2u) << "the failing test stays filed, partly filled";

    EXPECT_FALSE(ReadOne("RMcNemar", "Related_Samples",
                         Table("CategoryFieldsComparison", Attribute("RowNames", "0")))
                     .ok);
    EXPECT_TRUE(ReadOne("RMcNemar", "Related_Samples", Table("Other", Attribute("RowNames", "0"))).ok);
}

}  // namespace
