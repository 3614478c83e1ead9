// The results line of documents that hold neither effect sizes nor the
// methods of their significances, as documents written before them do: the
// line says what the statistics say, and a test with neither a statistic nor
// a significance gets no line.
#include <gtest/gtest.h>

#include "OutputFixture.h"
#include "ReaderFixture.h"

using namespace nopr_test;

namespace {

std::vector<std::string> ResultsLines(const output_query::Json& report) {
    std::vector<std::string> lines;
    for (const output_query::Json& text : output_query::Items(report, "text")) {
        if (text["role"] == "results") lines.push_back(text["text"]);
    }
    return lines;
}

const std::string kMcNemar = Algorithm(
    "RMcNemar", "Related_Samples",
    Table("Condition", Attribute("ConditionKey", "CategoryListsAreSpecified_R_McNemar_2") +
                           Attribute("%0", "1") + Attribute("%1", "2")) +
        Table("StatisticsResult", Attribute("TotalN", "120") + Attribute("TestStatistic", "10.2272") +
                                      Attribute("DegreeOfFreedom", "1") +
                                      Attribute("AsymptoticSig2Tailed", "0.0013838") +
                                      Attribute("ExactSig2Tailed", "0.00085545")),
    "reject");

const std::string kLilliefors = Algorithm(
    "OKolmogorovSmirnov", "One_Sample",
    Table("Condition", Attribute("ConditionKey", "NormalDistribution_O_KolmogorovSmirnov_3") +
                           Attribute("%0", "0") + Attribute("%1", "62") + Attribute("%2", "9") +
                           Attribute("isUseSample", "true")) +
        Table("StatisticsResult", Attribute("TotalN", "120") + Attribute("TestStatistic", "0.0266") +
                                      Attribute("AsymptoticSig2Tailed", ">0.2")));

const std::string kRunsWithoutStatistics =
    Algorithm("ORuns", "One_Sample",
              Table("Condition", Attribute("ConditionKey", "ACutPointIsSpecified_O_Runs_2") +
                                     Attribute("%0", "0") + Attribute("%1", "60")) +
                  Table("StatisticsResult", Attribute("TotalN", "120")));

}  // namespace

TEST(ResultsLineDocuments, WithoutEffectSizesOrMethodsTheStatisticsSpeak) {
    auto dataSource = MakeDataSource();
    const RunOutcome outcome =
        RunDocument(MakeDocument(kMcNemar + kLilliefors + kRunsWithoutStatistics), dataSource.get());
    ASSERT_TRUE(outcome.ok);
    // The exact significance, shown by the summary, is named by its
    // statistic; the Lilliefors bound by the test's condition.
    EXPECT_EQ(ResultsLines(outcome.json),
              (std::vector<std::string>{
                  "McNemar \xCF\x87\xC2\xB2(1, N = 120) = 10.23, p < .001 (exact)",
                  "Kolmogorov-Smirnov test (normal): D = .03, p > .200 (Lilliefors), N = 120"}))
        << "a test with neither a statistic nor a significance has no line";
}
