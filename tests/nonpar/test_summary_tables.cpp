// The Hypothesis Test Summary and the Confidence Interval Summary of a split.
#include <gtest/gtest.h>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "OutputDocument.h"
#include "OutputFixture.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace output_query;

namespace {

std::string MannWhitney(const std::string& statistics, const std::string& decision = "retain",
                        const std::string& more = "") {
    return Algorithm(
        "IMannWhitneyU", "Independent_Samples",
        Table("Condition", Attribute("ConditionKey", "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2") +
                               Attribute("%0", "0") + Attribute("%1", "1")) +
            Table("StatisticsResult", statistics) + more,
        decision);
}

std::string AlgorithmWithStatistics(const std::string& name, const std::string& family,
                                    const std::string& key, const std::string& parameters,
                                    const std::string& statistics) {
    return Algorithm(name, family,
                     Table("Condition", Attribute("ConditionKey", key) + parameters) +
                         Table("StatisticsResult", statistics));
}

std::string WaldWolfowitz(const std::string& minimum, const std::string& maximum) {
    return AlgorithmWithStatistics(
        "IWaldWolfowitzRuns", "Independent_Samples",
        "DefaultAllDistinctValuesUsed_I_WaldWolfowitzRuns_2",
        Attribute("%0", "0") + Attribute("%1", "1"),
        Attribute("TotalN", "38") +
            Table("MinimumPossible",
                  Attribute("TestStatistic", minimum) + Attribute("AsymptoticSig1Tailed", "0.3")) +
            Table("MaximumPossible",
                  Attribute("TestStatistic", maximum) + Attribute("AsymptoticSig1Tailed", "0.4")));
}

std::string NormalKolmogorovSmirnov(const std::string& totalN, const std::string& significance) {
    return Algorithm(
        "OKolmogorovSmirnov", "One_Sample",
        Table("Condition", Attribute("ConditionKey", "NormalDistribution_O_KolmogorovSmirnov_3") +
                               Attribute("%0", "0") + Attribute("%1", "62") + Attribute("%2", "9") +
                               Attribute("isUseSample", "true")) +
            Table("StatisticsResult",
                  Attribute("TotalN", totalN) + Attribute("AsymptoticSig2Tailed", significance)));
}

std::string Median(const std::string& statistics) {
    return AlgorithmWithStatistics("IMedian", "Independent_Samples",
                                   "DefaultAllDistinctValuesUsed_I_Median_2",
                                   Attribute("%0", "0") + Attribute("%1", "1"), statistics);
}

struct SigCell {
    std::string text;
    Json value;
    std::vector<std::string> notes;
};

SigCell Significance(const Json& table, int row) {
    const Json cell = Cell(table, {std::to_string(row)}, {"Sig."});
    if (cell.is_null()) return {"<no cell>", nullptr, {}};
    return {cell["text"], cell["value"], NoteTexts(table, cell)};
}

const std::vector<std::string> kNone;

TEST(HypothesisTestSummary, SignificanceAndItsFootnotes) {
    const std::string document = MakeDocument(
        MannWhitney(
            Attribute("AsymptoticSig2Tailed", "0.3") +
            Table("Exact", Attribute("ExactSig2Tailed", "0.04") + Attribute("TestStatistic", "7"))) +
        WaldWolfowitz("12", "12") + WaldWolfowitz("11", "14") + NormalKolmogorovSmirnov("4", "0.3") +
        NormalKolmogorovSmirnov("5", "&gt;0.3") + Median(Attribute("FisherExactSig", "0.02")) +
        Median(Attribute("AsymptoticSig2Tailed", "0.5") +
               Table("YatesContinuityCorrection", Attribute("AsymptoticSig2Tailed", "0.7"))) +
        MannWhitney(Attribute("AsymptoticSig2Tailed", "0.02"), "reject",
                    Table("WarningMessages",
                          Table("M", Attribute("code", "10001") + Attribute("type", "error")))));
    auto dataSource = MakeDataSource();
    const RunOutcome outcome = RunDocument(document, dataSource.get());
    ASSERT_TRUE(outcome.ok);
    const auto tables = Tables(outcome.json, "Hypothesis Test Summary");
    ASSERT_EQ(tables.size(), 1u);
    const Json& table = tables[0];
    EXPECT_EQ(table["id"], "Hypothesis Test Summary");
    EXPECT_EQ(table["caption"],
              "Significances are two-sided and asymptotic unless a note says otherwise. The "
              "significance level is .050.");

    SigCell exact = Significance(table, 1);
    EXPECT_EQ(exact.text, ".040") << "the last significance found, searching backwards, is shown";
    EXPECT_EQ(exact.notes, std::vector<std::string>{"Exact significance is displayed for this test."});

    EXPECT_EQ(Significance(table, 2).text, ".400");
    const std::string oneSided = "This significance is one-sided.";
    EXPECT_EQ(Significance(table, 2).notes, std::vector<std::string>{oneSided})
        << "equal minimum and maximum runs need no note of ties";
    EXPECT_EQ(Significance(table, 3).notes,
              (std::vector<std::string>{"Because of ties, the number of runs is not unique; the "
                                        "significance shown uses the largest possible number of runs.",
                                        oneSided}));

    SigCell fewCases = Significance(table, 4);
    EXPECT_EQ(fewCases.text, ".");
    EXPECT_TRUE(fewCases.value.is_null());
    EXPECT_EQ(fewCases.notes,
              std::vector<std::string>{
                  "The Lilliefors-corrected significance cannot be computed with fewer than 5 cases."});
    SigCell bound = Significance(table, 5);
    EXPECT_EQ(bound.text, ">.200");
    EXPECT_EQ(
        bound.notes,
        (std::vector<std::string>{
            "Lilliefors corrected: the mean and standard deviation were estimated from the sample."}));

    EXPECT_EQ(Significance(table, 6).notes,
              std::vector<std::string>{"Fisher's exact significance is displayed for this test."})
        << "the median test names Fisher's exact significance, not just an exact one";
    SigCell yates = Significance(table, 7);
    EXPECT_EQ(yates.text, ".700");
    EXPECT_EQ(yates.notes,
              std::vector<std::string>{"Asymptotic significance with Yates's continuity correction "
                                       "is displayed for this test."});

    SigCell blocked = Significance(table, 8);
    EXPECT_EQ(blocked.text, "Not computed") << "a blocked test shows no significance";
    EXPECT_TRUE(blocked.value.is_null());
    EXPECT_EQ(blocked.notes,
              std::vector<std::string>{"The specified probabilities do not match the categories of "
                                       "the field. The test was not run."});
}

TEST(HypothesisTestSummary, RowsColumnsAndDecisions) {
    const std::string document =
        MakeDocument(MannWhitney(Attribute("AsymptoticSig2Tailed", "0.02"), "reject") +
                     NormalKolmogorovSmirnov("30", "0.3") + MannWhitney(Attribute("TotalN", "3"), "") +
                     MannWhitney(Attribute("AsymptoticSig2Tailed", "0.9"), "retain"));
    auto dataSource = MakeDataSource();
    const RunOutcome outcome = RunDocument(document, dataSource.get());
    ASSERT_TRUE(outcome.ok);
    const Json table = Tables(outcome.json, "Hypothesis Test Summary").at(0);

    ASSERT_EQ(table["dimensions"].size(), 2u);
    EXPECT_EQ(table["dimensions"][0], Json({{"title", "Item"}, {"place", "row"}, {"split", false}}));
    EXPECT_EQ(table["dimensions"][1],
              Json({{"title", "Statistics"}, {"place", "column"}, {"split", false}}));
    std::vector<std::string> rows;
    std::vector<std::string> firstRowColumns;
    for (const Json& cell : table["cells"]) {
        if (rows.empty() || rows.back() != cell["row"][0]) rows.push_back(cell["row"][0]);
        if (cell["row"][0] == "1") firstRowColumns.push_back(cell["column"][0]);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(firstRowColumns,
              (std::vector<std::string>{"Null Hypothesis", "Test", "Sig.", "Decision"}));

    EXPECT_EQ(Cell(table, {"1"}, {"Null Hypothesis"})["text"],
              "The distribution of Test score is the same across categories of Group.");
    EXPECT_EQ(Cell(table, {"2"}, {"Test"})["text"], "One-Sample Kolmogorov-Smirnov Test");
    EXPECT_EQ(Cell(table, {"2"}, {"Sig."})["notes"].size(), 1u) << "the Lilliefors note alone";
    EXPECT_EQ(Cell(table, {"1"}, {"Decision"})["text"], "Reject the null hypothesis.");
    EXPECT_EQ(Cell(table, {"2"}, {"Decision"})["text"], "Retain the null hypothesis.");
    EXPECT_EQ(Cell(table, {"3"}, {"Decision"})["text"], "Unable to compute.");
    EXPECT_EQ(Cell(table, {"3"}, {"Sig."})["text"], ".") << "no statistic named as a significance";
}

// A decision code outside the known ones cannot come from a document, so the
// record is made directly and the table built from it.
TEST(HypothesisTestSummary, UnknownDecisionLeavesTheCellEmpty) {
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    NOPRSplitResults results;
    results.fSigLevel = 0.05;
    results.CreateTest(TestFamily::Independent_Samples, TestType::IMannWhitneyU, 7);
    results.CreateTest(TestFamily::Independent_Samples, TestType::IMannWhitneyU, Decision::Retain);
    {
        BpProcedure procedure(output, catalogue);
        NOPROutputContext context;
        context.fProcedure = &procedure;
        context.fParent = &procedure;
        context.fResults = &results;
        MakeHypothesisTestSummary(context);
    }
    const Json table = Tables(ToJson(output), "Hypothesis Test Summary").at(0);
    EXPECT_TRUE(Cell(table, {"1"}, {"Decision"}).is_null());
    EXPECT_EQ(Cell(table, {"1"}, {"Test"})["text"], "Independent-Samples Mann-Whitney U Test");
    EXPECT_EQ(Cell(table, {"2"}, {"Decision"})["text"], "Retain the null hypothesis.");
}

TEST(HypothesisTestSummary, NoTestsNoTable) {
    auto dataSource = MakeDataSource();
    // A test name without a record of its own leaves the split without tests.
    const RunOutcome outcome = RunDocument(
        MakeDocument(Algorithm("OKolmogorovSmirnovNormal", "One_Sample", "")), dataSource.get());
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(Tables(outcome.json, "Hypothesis Test Summary").empty());
    EXPECT_TRUE(Tables(outcome.json, "Confidence Interval Summary").empty());
}

std::string Interval(const std::string& table, const std::string& method, const std::string& estimate,
                     const std::string& lower, const std::string& upper) {
    return Table(table,
                 Attribute("computeECIMethod", method) + Attribute("Estimate", estimate) +
                     Table("ConfidenceInterval", Attribute("Lower", lower) + Attribute("Upper", upper)));
}

std::string SuccessRate(const std::string& intervals, const std::string& messages = "") {
    return Algorithm(
        "OEstimateConfidenceInterval", "One_Sample",
        Table("Condition", Attribute("ConditionKey", "ABinaryTestVariableIsSpecified_O_Binomial_2") +
                               Attribute("%0", "1") + Attribute("%1", "0")) +
            Table("StatisticsResult", Attribute("TotalN", "38")) + intervals + messages,
        "");
}

std::string HodgesLehmannPairs() {
    return Algorithm(
        "RHodgesLehmannEstimatePairs", "Related_Samples",
        Table("Condition", Attribute("ConditionKey", "R_HodgesLehman_2") + Attribute("%0", "0") +
                               Attribute("%1", "1")) +
            Table("StatisticsResult",
                  Attribute("Estimate", "7.65") + Attribute("TotalN", "38") +
                      Table("Asymptotic", Attribute("Lower", "6.55") + Attribute("Upper", "8.7"))),
        "");
}

TEST(ConfidenceIntervalSummary, RowsAcrossRecordsWithNotesAndLevel) {
    const std::string warning = Table(
        "WarningMessages", Table("M", Attribute("code", "10215") + Attribute("type", "warning") +
                                          Attribute("paramNum", "1") + Attribute("%0", "1")) +
                               Table("M", Attribute("code", "10502") + Attribute("type", "warning")));
    const std::string document =
        MakeDocument(SuccessRate(Interval("ClopperPearson", "ClopperPearson", "0.4", "0.25", "0.57") +
                                     Interval("Jeffreys", "Jeffreys", "0.4", "0.26", "0.56"),
                                 warning) +
                     HodgesLehmannPairs() + SuccessRate(""));
    auto dataSource = MakeDataSource();
    const RunOutcome outcome = RunDocument(document, dataSource.get());
    ASSERT_TRUE(outcome.ok);
    const auto tables = Tables(outcome.json, "Confidence Interval Summary");
    ASSERT_EQ(tables.size(), 1u);
    const Json& table = tables[0];
    EXPECT_EQ(table["id"], "Confidence Interval Summary");
    EXPECT_TRUE(table["caption"].is_null());

    const std::string group = "95% Confidence Interval";
    EXPECT_EQ(Cell(table, {"1"}, {"Confidence Interval Type"})["text"],
              "One-Sample Binomial Success Rate (Clopper-Pearson)");
    EXPECT_EQ(Cell(table, {"2"}, {"Confidence Interval Type"})["text"],
              "One-Sample Binomial Success Rate (Jeffreys)");
    EXPECT_EQ(Cell(table, {"3"}, {"Confidence Interval Type"})["text"],
              "Related-Samples Hodges-Lehmann Median Difference");
    EXPECT_EQ(Cell(table, {"4"}, {"Confidence Interval Type"})["text"],
              "One-Sample Binomial Success Rate")
        << "a success rate without intervals still gets its row";

    EXPECT_EQ(Cell(table, {"1"}, {"Parameter"})["text"], "Probability of Group = Control.");
    EXPECT_EQ(Cell(table, {"3"}, {"Parameter"})["text"],
              "Median of the differences Group − Test score.");
    EXPECT_EQ(Cell(table, {"1"}, {"Estimate"})["text"], "0.400");
    EXPECT_EQ(Cell(table, {"1"}, {group, "Lower"})["text"], "0.250");
    EXPECT_EQ(Cell(table, {"2"}, {group, "Upper"})["text"], "0.560");
    EXPECT_EQ(Cell(table, {"3"}, {"Estimate"})["value"], 7.65);
    EXPECT_EQ(Cell(table, {"3"}, {group, "Upper"})["text"], "8.700");
    EXPECT_EQ(Cell(table, {"4"}, {"Estimate"})["text"], ".");
    EXPECT_TRUE(Cell(table, {"4"}, {group, "Lower"})["value"].is_null());

    // Every message of the record, in order, on every Estimate cell of the
    // record, and on nothing else: this table is the only place an interval
    // estimate's messages appear, so none is dropped.
    const std::vector<std::string> notes{
        "Some values of the category list do not occur in the data.",
        "The mean of the Poisson distribution was estimated from the sample."};
    EXPECT_EQ(NoteTexts(table, Cell(table, {"1"}, {"Estimate"})), notes);
    EXPECT_EQ(NoteTexts(table, Cell(table, {"2"}, {"Estimate"})), notes);
    EXPECT_TRUE(Cell(table, {"1"}, {group, "Lower"})["notes"].empty());
    EXPECT_TRUE(Cell(table, {"3"}, {"Estimate"})["notes"].empty());
    EXPECT_EQ(table["notes"].size(), 2u);
}

}  // namespace
