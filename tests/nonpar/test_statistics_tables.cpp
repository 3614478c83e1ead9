// The per-test statistics tables: grouping of the statistics, number formats,
// the notes particular tests carry and the message footnotes.
#include <gtest/gtest.h>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "OutputFixture.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace output_query;

namespace {

const char* const kRunsNote = "The test statistic is the number of runs.";
const char* const kSpanNote = "The test statistic is the span.";
const char* const kMessage = "Some values of the category list do not occur in the data.";
const std::vector<std::string> kMessageOnly{kMessage};

std::string Independent(const std::string& name, const std::string& statistics,
                        const std::string& messages = "") {
    return Algorithm(name, "Independent_Samples",
                     Table("Condition", Attribute("ConditionKey", "DefaultAllDistinctValuesUsed_I_" +
                                                                      name.substr(1) + "_2") +
                                            Attribute("%0", "0") + Attribute("%1", "1")) +
                         Table("StatisticsResult", statistics) +
                         (messages.empty() ? "" : Table("WarningMessages", messages)));
}

std::string Message(const std::string& code, const std::string& group = "") {
    return Table("Message", Attribute("code", code) + Attribute("type", "warning") +
                                (group.empty() ? "" : Attribute("group", group)));
}

std::vector<std::string> TableNoteTexts(const Json& table) {
    std::vector<std::string> texts;
    for (const Json& note : table["notes"]) texts.push_back(note["text"]);
    return texts;
}

bool HasGroup(const Json& table, const std::string& label) {
    for (const Json& cell : table["cells"])
        if (cell["row"].size() > 1 && cell["row"][0] == label) return true;
    return false;
}

std::vector<Json> RunTables(const std::string& algorithms, const std::string& title) {
    auto dataSource = MakeDataSource();
    const RunOutcome outcome = RunDocument(MakeDocument(algorithms), dataSource.get());
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
    return Tables(outcome.json, title);
}

TEST(StatisticsTables, FormatsAndMessageNotes) {
    const auto tables = RunTables(
        Independent("IKruskalWallis",
                    Attribute("TotalN", "38") + Attribute("TestStatistic", "1.8") +
                        Attribute("DegreeOfFreedom", "2") + Attribute("StandardizedTestStatistic", "0") +
                        Attribute("AsymptoticSig2Tailed", "0.0004"),
                    Message("10215") + Message("222328", "0;1")),
        "Independent-Samples Kruskal-Wallis Test Summary");
    ASSERT_EQ(tables.size(), 1u);
    const Json& table = tables[0];
    EXPECT_EQ(table["id"], "Independent-Samples Kruskal-Wallis Test Summary");
    EXPECT_EQ(table["dimensions"][0]["title"], "Statistics");
    EXPECT_EQ(Cell(table, {"Total N"}, {})["text"], "38");
    EXPECT_EQ(Cell(table, {"Degrees of Freedom"}, {})["text"], "2");
    EXPECT_EQ(Cell(table, {"Test Statistic"}, {})["text"], "1.800");
    EXPECT_EQ(Cell(table, {"Asymptotic Sig. (2-sided test)"}, {})["text"], "<.001");
    EXPECT_EQ(Cell(table, {"Standardized Test Statistic"}, {})["text"], ".000")
        << "a statistic of 0 is no significance bound";
    // The message located on a comparison stays off the summary.
    EXPECT_EQ(NoteTexts(table, Cell(table, {"Test Statistic"}, {})), kMessageOnly);
    EXPECT_EQ(TableNoteTexts(table), kMessageOnly);
}

// Every statistic of one table reads in the significances' style, whatever
// its size or sign; only a significance shows the "<.001" bound.
TEST(StatisticsTables, StatisticsShareTheSignificanceStyle) {
    const auto tables = RunTables(
        Independent("IMedian", Attribute("TotalN", "40") + Attribute("TestStatistic", "0.0004") +
                                   Attribute("StandardizedTestStatistic", "-0.0004") +
                                   Attribute("AsymptoticSig2Tailed", "0.367") +
                                   Table("YatesContinuityCorrection",
                                         Attribute("TestStatistic", "0.0002") +
                                             Attribute("AsymptoticSig2Tailed", "0.0002"))),
        "Independent-Samples Median Test Summary");
    ASSERT_EQ(tables.size(), 1u);
    const Json& table = tables[0];
    EXPECT_EQ(Cell(table, {"Test Statistic"}, {})["text"], ".000");
    EXPECT_EQ(Cell(table, {"Standardized Test Statistic"}, {})["text"], ".000")
        << "the sign of a value that rounds to 0 does not change its style";
    EXPECT_EQ(Cell(table, {"Asymptotic Sig. (2-sided test)"}, {})["text"], ".367");
    const std::string yates = "Yates's Continuity Correction";
    EXPECT_EQ(Cell(table, {yates, "Test Statistic"}, {})["text"], ".000");
    EXPECT_EQ(Cell(table, {yates, "Asymptotic Sig. (2-sided test)"}, {})["text"], "<.001");
}

// A message number the catalogue has no text for is named as a message, with
// its parameters, so that the footnote says what it is.
TEST(StatisticsTables, MessagesWithoutACatalogueTextAreNamedAsMessages) {
    const std::string withParameters = Table(
        "Message", Attribute("code", "222306") + Attribute("type", "warning") +
                       Attribute("paramNum", "2") + Attribute("%0", "5") + Attribute("%1", "0.25"));
    const std::string withText =
        Table("Message", Attribute("code", "40001") + Attribute("type", "warning") +
                             Attribute("paramNum", "2") + Attribute("%0", "3") + Attribute("%1", "2"));
    const auto tables = RunTables(
        Independent("IKruskalWallis", Attribute("TotalN", "38") + Attribute("TestStatistic", "1.8"),
                    withParameters + Message("222399") + withText),
        "Independent-Samples Kruskal-Wallis Test Summary");
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(NoteTexts(tables[0], Cell(tables[0], {"Test Statistic"}, {})),
              (std::vector<std::string>{
                  "Message 222306: 5, 0.250", "Message 222399",
                  "Too few cases with valid values: the test needs at least 3, these data have 2."}));
}

TEST(StatisticsTables, RunsBoundsAndMosesSpans) {
    auto runs = [](const std::string& maximum) {
        return Independent(
            "IWaldWolfowitzRuns",
            Attribute("TotalN", "30") +
                Table("MinimumPossible", Attribute("TestStatistic", "12") +
                                             Attribute("StandardizedTestStatistic", "-1.5") +
                                             Attribute("AsymptoticSig1Tailed", "0.067")) +
                Table("MaximumPossible",
                      Attribute("TestStatistic", maximum) + Attribute("AsymptoticSig1Tailed", "0.21")),
            Message("10215"));
    };
    const auto runsTables =
        RunTables(runs("12") + runs("14"), "Independent-Samples Wald-Wolfowitz Runs Test Summary");
    ASSERT_EQ(runsTables.size(), 2u);

    // Equal bounds: one flat list, the minimum's statistics after the total.
    const Json& equal = runsTables[0];
    EXPECT_EQ(equal["cells"].size(), 4u);
    EXPECT_FALSE(HasGroup(equal, "Minimum Possible") || HasGroup(equal, "Maximum Possible"));
    EXPECT_EQ(Cell(equal, {"Asymptotic Sig. (1-sided test)"}, {})["text"], ".067");
    EXPECT_EQ(NoteTexts(equal, Cell(equal, {"Test Statistic"}, {})), kMessageOnly);
    EXPECT_EQ(TableNoteTexts(equal), (std::vector<std::string>{kRunsNote, kMessage}));

    // Different bounds: both groups, each statistic with the messages.
    const Json& different = runsTables[1];
    EXPECT_EQ(different["cells"].size(), 6u);
    EXPECT_EQ(Cell(different, {"Test Statistic"}, {}), nullptr);
    EXPECT_EQ(Cell(different, {"Maximum Possible", "Test Statistic"}, {})["text"], "14.000");
    for (const char* bound : {"Minimum Possible", "Maximum Possible"})
        EXPECT_EQ(NoteTexts(different, Cell(different, {bound, "Test Statistic"}, {})), kMessageOnly);
    EXPECT_EQ(TableNoteTexts(different), (std::vector<std::string>{kRunsNote, kMessage}));

    const auto mosesTables = RunTables(
        Independent("IMoses",
                    Attribute("TotalN", "40") +
                        Table("ObservedControlGroup",
                              Attribute("TestStatistic", "30") + Attribute("ExactSig1Tailed", "0.18")) +
                        Table("TrimmedControlGroup", Attribute("TestStatistic", "25"))) +
            Independent("IMoses",
                        Attribute("TotalN", "40") +
                            Table("ObservedControlGroup", Attribute("ExactSig1Tailed", "0.18"))),
        "Independent-Samples Moses Test of Extreme Reaction Summary");
    ASSERT_EQ(mosesTables.size(), 2u);
    EXPECT_EQ(Cell(mosesTables[0], {"Observed Control Group", "Test Statistic"}, {})["text"], "30.000");
    EXPECT_EQ(TableNoteTexts(mosesTables[0]), std::vector<std::string>{kSpanNote});
    EXPECT_TRUE(TableNoteTexts(mosesTables[1]).empty()) << "no span, no note";
    EXPECT_FALSE(HasGroup(mosesTables[1], "Trimmed Control Group"));
}

TEST(StatisticsTables, NormalKolmogorovSmirnovLillieforsSignificance) {
    auto normal = [](const std::string& useSample, const std::string& totalN, const std::string& sig) {
        return Algorithm(
            "OKolmogorovSmirnov", "One_Sample",
            Table("Condition", Attribute("ConditionKey", "NormalDistribution_O_KolmogorovSmirnov_3") +
                                   Attribute("%0", "0") + Attribute("%1", "50") + Attribute("%2", "10") +
                                   Attribute("isUseSample", useSample)) +
                Table("StatisticsResult",
                      Attribute("TotalN", totalN) + Attribute("AsymptoticSig2Tailed", sig)));
    };
    const auto tables = RunTables(normal("true", "3", "0.5") + normal("true", "40", ">0.15") +
                                      normal("true", "40", "0.35") + normal("false", "3", "0.5"),
                                  "One-Sample Kolmogorov-Smirnov Normal Test Summary");
    ASSERT_EQ(tables.size(), 4u);
    const std::vector<std::string> sig{"Asymptotic Sig. (2-sided test)"};
    const std::string lilliefors =
        "Lilliefors corrected: the mean and standard deviation were estimated from the sample.";

    const Json fewCases = Cell(tables[0], sig, {});
    EXPECT_EQ(fewCases["text"], ".");
    EXPECT_EQ(NoteTexts(tables[0], fewCases),
              std::vector<std::string>{
                  "The Lilliefors-corrected significance cannot be computed with fewer than 5 cases."});
    const Json bound = Cell(tables[1], sig, {});
    EXPECT_EQ(bound["text"], ">.200") << "a lower bound says so in its text";
    EXPECT_EQ(bound["value"], 0.2);
    EXPECT_EQ(NoteTexts(tables[1], bound), std::vector<std::string>{lilliefors});
    EXPECT_EQ(Cell(tables[2], sig, {})["text"], ".350");
    EXPECT_EQ(NoteTexts(tables[2], Cell(tables[2], sig, {})), std::vector<std::string>{lilliefors});
    EXPECT_TRUE(Cell(tables[3], sig, {})["notes"].empty()) << "parameters given: no correction";
}

TEST(StatisticsTables, NullTestIsReportedAndMakesNothing) {
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    CFTakeCheckReports();
    {
        BpProcedure procedure(output, catalogue);
        NOPROutputContext context;
        context.fProcedure = &procedure;
        context.fParent = &procedure;
        MakeTestStatisticsTable(context, procedure, nullptr);
    }
    const auto checks = CFTakeCheckReports();
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_NE(checks[0].find("hTest"), std::string::npos);
    EXPECT_TRUE(output.Root().children.empty());
}

}  // namespace

// U and W name the second group of the document's descriptives; a table
// without the statistic a named note belongs to keeps the message it would
// replace, so nothing the document says is lost.
TEST(StatisticsTables, NamedNotesReplaceTheirMessageOnlyWhereTheirRowIsShown) {
    const std::string samples =
        Table("Descriptives", Table("Sample", Attribute("Sample", "0") + Attribute("N", "20")) +
                                  Table("Sample", Attribute("Sample", "1") + Attribute("N", "18")));
    auto mannWhitney = [&](const std::string& statistics) {
        return Algorithm("IMannWhitneyU", "Independent_Samples",
                         Table("Condition", Attribute("ConditionKey",
                                                      "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2") +
                                                Attribute("%0", "0") + Attribute("%1", "1")) +
                             Table("StatisticsResult", statistics) +
                             Table("WarningMessages", Message("40310")) + samples);
    };
    const auto tables =
        RunTables(mannWhitney(Attribute("MannWhitneyU", "100") + Attribute("TestStatistic", "100")) +
                      mannWhitney(Attribute("TestStatistic", "100")),
                  "Independent-Samples Mann-Whitney U Test Summary");
    ASSERT_EQ(tables.size(), 2u);
    const std::string general =
        "U counts the pairs of cases in which the second group's value is the larger (ties count one "
        "half); W is the second group's rank sum. Groups are in ascending order of the grouping values.";
    EXPECT_EQ(TableNoteTexts(tables[0]),
              std::vector<std::string>{"U counts the pairs of cases in which the case of Treatment "
                                       "has the larger value (ties count one half)."});
    EXPECT_EQ(NoteTexts(tables[1], Cell(tables[1], {"Test Statistic"}, {})),
              std::vector<std::string>{general});
}
