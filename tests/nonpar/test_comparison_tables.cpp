// The multiple-comparison tables: pairwise comparisons (orientation, order,
// labels, columns, located notes, bad sample numbers) and homogeneous subsets.
#include <gtest/gtest.h>

#include <algorithm>

#include "OutputFixture.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace output_query;

namespace {

// Four continuous fields, a grouping field "band" of five values and the last
// field, which gets no field record.
const char* const kComparisonDictionary = R"(<DataDictionary>
  <DataField index="0" name="f0" displayName="Zero" optype="continuous" dataType="double"/>
  <DataField index="1" name="f1" displayName="One" optype="continuous" dataType="double"/>
  <DataField index="2" name="f2" displayName="Two" optype="continuous" dataType="double"/>
  <DataField index="3" name="f3" displayName="Three" optype="continuous" dataType="double"/>
  <DataField index="4" name="band" displayName="Band" optype="categorical" dataType="integer">
    <Value index="0" value="1" displayValue="B1"/>
    <Value index="1" value="2" displayValue="B2"/>
    <Value index="2" value="3" displayValue="B3"/>
    <Value index="3" value="4" displayValue="B4"/>
    <Value index="4" value="5" displayValue="B5"/>
  </DataField>
  <DataField index="5" name="id" displayName="Case" optype="continuous" dataType="integer"/>
</DataDictionary>)";

std::unique_ptr<ProcedureDataSource> MakeComparisonDataSource() {
    auto dataSource = std::make_unique<ProcedureDataSource>();
    const char* labels[] = {"Zero", "One", "Two", "Three"};
    for (int i = 0; i < 4; ++i)
        dataSource->AddVariable(
            QUOR_Variable("f" + std::to_string(i), labels[i], 0, QUOR_Format(5, 8, 2)));
    QUOR_Variable band("band", "Band", 0, QUOR_Format(5, 8, 0));
    for (int value = 1; value <= 5; ++value)
        band.ValueLabels().Add(OBS(static_cast<double>(value)), "B" + std::to_string(value));
    dataSource->AddVariable(band);
    dataSource->AddVariable(QUOR_Variable("id", "Case", 0, QUOR_Format(5, 8, 0)));
    return dataSource;
}

const char* const kColumns = "Sample1 Sample2 TestStatistic StdError StdTestStatistic Sig AdjSig";

std::string Comparisons(const std::string& kind, const std::vector<std::string>& info,
                        const std::vector<std::string>& content, const std::string& fieldIndex = "") {
    std::string tables = fieldIndex.empty() ? "" : Attribute("fieldIndex", fieldIndex);
    tables += Simple(kind + "Info", "Sample MeanRank", "0", info);
    tables += Simple("Content", "1", kColumns, content);
    return Table(kind + "Result", tables);
}

std::string Located(const std::string& code, const std::string& group) {
    return Table("Message",
                 Attribute("code", code) + Attribute("type", "warning") + Attribute("group", group));
}

// An independent-samples k-sample test of f0 across band.
std::string GroupTest(const std::string& name, const std::string& comparisons,
                      const std::string& messages = "") {
    return Algorithm(name, "Independent_Samples",
                     Table("Condition", Attribute("ConditionKey", "DefaultAllDistinctValuesUsed_I_" +
                                                                      name.substr(1) + "_2") +
                                            Attribute("%0", "0") + Attribute("%1", "4")) +
                         Table("StatisticsResult", Attribute("TotalN", "50")) + comparisons +
                         (messages.empty() ? "" : Table("WarningMessages", messages)),
                     "reject");
}

RunOutcome RunTables(const std::string& algorithms) {
    auto dataSource = MakeComparisonDataSource();
    return RunDocument(MakeDocument(algorithms, kComparisonDictionary), dataSource.get());
}

// Row labels in the order the table lists them.
std::vector<std::string> RowLabels(const Json& table) {
    std::vector<std::string> labels;
    for (const Json& cell : table["cells"]) {
        const std::string label = cell["row"].back();
        if (labels.empty() || labels.back() != label) labels.push_back(label);
    }
    return labels;
}

std::vector<std::string> ColumnLabels(const Json& table) {
    std::vector<std::string> labels;
    for (const Json& cell : table["cells"]) {
        const std::string label = cell["column"].back();
        if (std::find(labels.begin(), labels.end(), label) == labels.end()) labels.push_back(label);
    }
    return labels;
}

TEST(PairwiseTable, OrientationLocatedNotesColumnsAndCaptions) {
    const std::string other =
        Comparisons("Pairwise", {"0 1", "3 4"}, {"0 1 2.5 __MISSING__ __MISSING__ 0.11 0.22"}, "4");
    const RunOutcome outcome = RunTables(
        GroupTest("IKruskalWallis",
                  Comparisons("Pairwise", {"0 1", "10.5 4.0"}, {"0 1 6.5 2.0 3.25 0.0004 0.002"}, "4"),
                  Located("222328", "1;0") + Located("222329", "0;1")) +
        GroupTest("IMedian", other) + GroupTest("IJonckheereTerpstra", other));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
    const auto tables = Tables(outcome.json, "Pairwise Comparisons of Band");
    ASSERT_EQ(tables.size(), 3u);
    const Json& kruskal = tables[0];
    EXPECT_EQ(kruskal["id"], "Pairwise Comparisons Table");
    EXPECT_EQ(kruskal["dimensions"][0]["title"], "Sample 1 vs Sample 2");
    EXPECT_EQ(kruskal["dimensions"][1]["place"], "column");

    // Mean ranks 10.5 and 4.0: the pair shows as 1-0, and its notes are the
    // ones located on "1;0".
    EXPECT_EQ(RowLabels(kruskal), std::vector<std::string>{"B2 vs B1"});
    EXPECT_EQ(ColumnLabels(kruskal),
              (std::vector<std::string>{"Test Statistic", "Std. Error", "Std. Test Statistic", "Sig.",
                                        "Adj. Sig."}));
    const Json statistic = Cell(kruskal, {"B2 vs B1"}, {"Test Statistic"});
    EXPECT_EQ(statistic["text"], "6.500");
    EXPECT_EQ(Cell(kruskal, {"B2 vs B1"}, {"Sig."})["text"], "<.001");
    EXPECT_EQ(NoteTexts(kruskal, statistic),
              std::vector<std::string>{"Ties are present in this comparison."});
    // The row was turned: its difference keeps the document's sign, so the
    // note on the statistic does not say which way it runs.
    ASSERT_EQ(kruskal["notes"].size(), 2u);
    EXPECT_EQ(kruskal["notes"][1]["text"],
              "The test statistic is the difference of the two samples' average ranks.");
    auto caption = [](const Json& table) { return table["caption"].get<std::string>(); };
    EXPECT_NE(caption(kruskal).find("(2-sided tests) are displayed. The significance level is 0.05."),
              std::string::npos);
    // Dunn's standard error of the Kruskal-Wallis pairs holds the tie
    // correction; the caption says so there and nowhere else.
    const std::string ties = "The standard errors are corrected for ties (Dunn's method).";
    EXPECT_NE(caption(kruskal).find(ties), std::string::npos);
    EXPECT_EQ(caption(tables[1]).find(ties), std::string::npos);

    EXPECT_EQ(ColumnLabels(tables[1]),
              (std::vector<std::string>{"Test Statistic", "Sig.", "Adj. Sig."}));
    EXPECT_EQ(Cell(tables[1], {"B1 vs B2"}, {"Adj. Sig."})["text"], ".220");
    EXPECT_EQ(ColumnLabels(tables[2]).size(), 5u);
    EXPECT_NE(caption(tables[2]).find("(1-sided tests)"), std::string::npos);
}

TEST(PairwiseTable, RelatedSamplesOrderAndFieldLabels) {
    // Samples are fields 1, 2, 3 (more than the three samples listed), with
    // values 3, 2, 1.
    const std::string friedman =
        Algorithm("RFriedmansTwoWayByRanks", "Related_Samples",
                  Table("Condition", Attribute("ConditionKey", "R_FriedmansTwoWayByRanks_1") +
                                         Attribute("%0", "1 2 3")) +
                      Table("StatisticsResult", Attribute("TotalN", "20")) +
                      Comparisons("Pairwise", {"1 2 3", "3 2 1"},
                                  {"1 3 0.13 0.1 1.3 0.19 0.57", "2 3 0.23 0.1 2.3 0.02 0.06",
                                   "1 2 0.12 0.1 1.2 0.23 0.69"}),
                  "reject");
    const RunOutcome outcome = RunTables(friedman);
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
    const auto tables = Tables(outcome.json, "Pairwise Comparisons");
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(RowLabels(tables[0]),
              (std::vector<std::string>{"Three vs Two", "Three vs One", "Two vs One"}));
    EXPECT_EQ(Cell(tables[0], {"Three vs Two"}, {"Test Statistic"})["text"], "0.230");
    EXPECT_EQ(Cell(tables[0], {"Three vs One"}, {"Test Statistic"})["text"], "0.130");
    EXPECT_EQ(Cell(tables[0], {"Two vs One"}, {"Test Statistic"})["text"], "0.120");
}

// A comparison that cannot be shown is left out on its own; a sample number
// beyond the fields or values the document defines is shown by its number.
TEST(PairwiseTable, BadComparisonsAreLeftOutAndUnknownSamplesShowTheirNumbers) {
    struct Case {
        std::string samples, values;
        std::vector<std::string> content;
        std::vector<std::string> rows;
    };
    const std::string good = "0 1 2.5 1 2.5 0.01 0.02";
    const Case cases[] = {
        {"0 1", "10.5", {good}, {}},                                       // rank rows of unequal length
        {"0 1", "1 2", {good, "-1 1 2.5 1 2.5 0.01 0.02"}, {"B1 vs B2"}},  // negative sample
        {"0 1", "1 2", {good, "0 5 2.5 1 2.5 0.01 0.02"}, {"B1 vs B2"}},   // a sample without a value
        {"0 1 7",
         "1 2 3",
         {good, "7 0 2.5 1 2.5 0.01 0.02", "1 7 2.5 1 2.5 0.01 0.02"},
         {"B1 vs B2", "B1 vs 7", "B2 vs 7"}},  // beyond the grouping field's values
        {"0 1e9", "1 2", {"0 1e9 2.5 1 2.5 0.01 0.02"}, {"B1 vs 1000000000"}},  // huge sample number
        {"0 1", "1 2", {good, "0 1 2.5"}, {"B1 vs B2"}},  // a comparison without all its numbers
        {"0 1", "1 2", {}, {}},                           // no comparisons
    };
    std::string algorithms;
    for (const Case& c : cases)
        algorithms +=
            GroupTest("IKruskalWallis", Comparisons("Pairwise", {c.samples, c.values}, c.content, "4"));
    const RunOutcome outcome = RunTables(algorithms);
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
    const auto tables = Tables(outcome.json, "Pairwise Comparisons of Band");
    ASSERT_EQ(tables.size(), std::size(cases));
    for (size_t i = 0; i < tables.size(); ++i) {
        EXPECT_EQ(RowLabels(tables[i]), cases[i].rows) << "case " << i;
        EXPECT_EQ(tables[i]["dimensions"].size(), 2u) << "case " << i;
    }
    EXPECT_EQ(Cell(tables[3], {"B1 vs 7"}, {"Test Statistic"})["text"], "2.500");

    // Every table with rows has its network chart, right after it.
    size_t charts = 0;
    for (const Json& chart : Items(outcome.json, "chart"))
        charts += chart["template"] == "GLMMPairwiseContrasts.viztemplate";
    EXPECT_EQ(charts, 5u);

    // A missing rank row is a broken document: reported, and no rows.
    const RunOutcome oneRow = RunTables(GroupTest(
        "IKruskalWallis", Table("PairwiseResult", Attribute("fieldIndex", "4") +
                                                      Simple("PairwiseInfo", "Sample", "0", {"0 1"}) +
                                                      Simple("Content", "1", kColumns, {good}))));
    ASSERT_TRUE(oneRow.ok);
    ASSERT_EQ(oneRow.checks.size(), 1u);
    EXPECT_NE(oneRow.checks[0].find("rankData.fRows.size() == 2"), std::string::npos);
    EXPECT_TRUE(Tables(oneRow.json, "Pairwise Comparisons of Band").at(0)["cells"].empty());
}

TEST(SubsetsTable, SubsetOrderOverlapAndOneSidedRows) {
    // Positions 0..4 hold samples 0..4; the subsets come out of order and the
    // sample at position 2 is in two of them.
    const std::string stepwise = Comparisons(
        "Stepwise", {"0 1 2 3 4", "10 20 30 40 50"},
        {"3 4 7.5 1.5 5.0 0.03 0.09", "1 2 5.5 1.1 5.0 0.01 0.04", "2 3 6.5 1.3 5.0 0.02 0.06"}, "4");
    const RunOutcome outcome =
        RunTables(GroupTest("IJonckheereTerpstra", stepwise, Located("220013", "1;2")) +
                  GroupTest("IKruskalWallis", stepwise));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
    const auto tables = Tables(outcome.json, "Homogeneous Subsets based on Band");
    ASSERT_EQ(tables.size(), 2u);
    const Json& jonckheere = tables[0];
    EXPECT_EQ(jonckheere["id"], "Homogeneous Subsets Table");
    EXPECT_EQ(
        jonckheere["caption"],
        "Homogeneous subsets are based on asymptotic significances. The significance level is 0.05.");

    EXPECT_EQ(Cell(jonckheere, {"Sample", "B2"}, {"1"})["text"], "20.000");
    EXPECT_EQ(Cell(jonckheere, {"Sample", "B3"}, {"1"})["text"], "30.000");
    EXPECT_EQ(Cell(jonckheere, {"Sample", "B3"}, {"2"})["text"], "30.000") << "in two subsets";
    EXPECT_EQ(Cell(jonckheere, {"Sample", "B4"}, {"3"})["text"], "40.000");
    EXPECT_EQ(Cell(jonckheere, {"Sample", "B4"}, {"1"}), nullptr);
    EXPECT_EQ(Cell(jonckheere, {"Sample", "B1"}, {"1"}), nullptr);
    EXPECT_EQ(Cell(jonckheere, {"Test Statistic"}, {"1"})["text"], "5.500");
    EXPECT_EQ(Cell(jonckheere, {"Test Statistic"}, {"3"})["text"], "7.500");
    EXPECT_EQ(NoteTexts(jonckheere, Cell(jonckheere, {"Test Statistic"}, {"1"})),
              std::vector<std::string>{"The test statistic could not be computed for this subset "
                                       "because it holds a single sample."});
    EXPECT_TRUE(Cell(jonckheere, {"Test Statistic"}, {"2"})["notes"].empty());

    const std::vector<std::string> oneSided{"Test Statistic", "Standard Error",
                                            "Standardized Test Statistic", "Sig. (1-sided test)",
                                            "Adjusted Sig. (1-sided test)"};
    const std::vector<std::string> twoSided{"Test Statistic", "Sig. (2-sided test)",
                                            "Adjusted Sig. (2-sided test)"};
    auto statisticRows = [](const Json& table) {
        std::vector<std::string> rows;
        for (const std::string& label : RowLabels(table))
            if (label.rfind("B", 0) != 0 && std::find(rows.begin(), rows.end(), label) == rows.end())
                rows.push_back(label);
        return rows;
    };
    EXPECT_EQ(statisticRows(jonckheere), oneSided);
    EXPECT_EQ(Cell(jonckheere, {"Adjusted Sig. (1-sided test)"}, {"2"})["text"], ".060");
    EXPECT_EQ(statisticRows(tables[1]), twoSided);

    auto notes = [](const Json& table) {
        std::vector<std::string> texts;
        for (const Json& note : table["notes"]) texts.push_back(note["text"]);
        return texts;
    };
    EXPECT_NE(std::find(notes(tables[1]).begin(), notes(tables[1]).end(),
                        "Each cell shows the sample average rank of Band."),
              notes(tables[1]).end());
    // The statistic's row says what the statistic is, for each test.
    EXPECT_EQ(notes(jonckheere).back(),
              "The test statistic is J of the subset's samples, counted in the order of the test; a "
              "subset of one sample has none.");
    EXPECT_EQ(notes(tables[1]).back(),
              "The test statistic is the Kruskal-Wallis H of the subset's samples; a subset of one "
              "sample has none.");
}

TEST(SubsetsTable, PositionsOutsideTheSamplesAreSkipped) {
    const std::string stepwise = Comparisons(
        "Stepwise", {"0 1 2", "10 20 30"},
        {"-3 0 1.0 0.1 1.0 0.5 0.9", "2 1e9 2.0 0.2 1.0 0.4 0.8", "7 9 3.0 0.3 1.0 0.3 0.7", "4 5"},
        "4");
    const RunOutcome outcome = RunTables(GroupTest("IMedian", stepwise));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
    const auto tables = Tables(outcome.json, "Homogeneous Subsets based on Band");
    ASSERT_EQ(tables.size(), 1u);
    const Json& table = tables[0];
    EXPECT_EQ(Cell(table, {"Sample", "B1"}, {"1"})["text"], "10.000");
    EXPECT_EQ(Cell(table, {"Sample", "B3"}, {"2"})["text"], "30.000");
    EXPECT_EQ(Cell(table, {"Test Statistic"}, {"3"})["text"], "3.000")
        << "a subset without samples shown";
    EXPECT_EQ(Cell(table, {"Test Statistic"}, {"4"}), nullptr)
        << "a row without its numbers is left out";
    size_t sampleCells = 0;
    for (const Json& cell : table["cells"]) sampleCells += cell["row"][0] == "Sample";
    EXPECT_EQ(sampleCells, 2u);
    EXPECT_EQ(table["notes"][0]["text"], "Each cell shows the sample median of Band.");
}

}  // namespace
