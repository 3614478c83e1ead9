// Null-hypothesis texts, as the summary tables show them: the condition key's
// catalogue text with the condition's fields, values and categories filled in.
#include <gtest/gtest.h>

#include "OutputFixture.h"
#include "ReaderFixture.h"

using namespace nopr_test;
using namespace output_query;

namespace {

// Fields: a continuous score, a grouping field, a date, three ratings, a
// labelled grade, and the last field (which gets no field record).
const char* const kDictionary = R"(<DataDictionary>
  <DataField index="0" name="score" displayName="Test score" optype="continuous" dataType="double"/>
  <DataField index="1" name="group" displayName="Group" optype="categorical" dataType="integer">
    <Value index="0" value="1" displayValue="Control"/>
    <Value index="1" value="2" displayValue="Treatment"/>
  </DataField>
  <DataField index="2" name="enrolled" displayName="Enrolment date" optype="continuous" dataType="date"/>
  <DataField index="3" name="first" displayName="First rating" optype="ordinal" dataType="integer"/>
  <DataField index="4" name="second" displayName="Second rating" optype="ordinal" dataType="integer"/>
  <DataField index="5" name="third" displayName="Third rating" optype="ordinal" dataType="integer"/>
  <DataField index="6" name="grade" displayName="Grade" optype="ordinal" dataType="integer">
    <Value index="0" value="1" displayValue="Fail"/>
    <Value index="1" value="2" displayValue="Pass"/>
    <Value index="2" value="3" displayValue="Merit"/>
  </DataField>
  <DataField index="7" name="id" displayName="Case" optype="continuous" dataType="integer"/>
</DataDictionary>)";

std::unique_ptr<ProcedureDataSource> MakeDatedSource() {
    auto dataSource = std::make_unique<ProcedureDataSource>();
    dataSource->AddVariable(QUOR_Variable("score", "Test score", 0, QUOR_Format(QUOR_Format::F, 8, 2)));
    QUOR_Variable group("group", "Group", 0, QUOR_Format(QUOR_Format::F, 8, 0));
    group.ValueLabels().Add(OBS(1.0), "Control");
    group.ValueLabels().Add(OBS(2.0), "Treatment");
    dataSource->AddVariable(group);
    dataSource->AddVariable(
        QUOR_Variable("enrolled", "Enrolment date", 0, QUOR_Format(QUOR_Format::DATE, 11, 0)));
    dataSource->AddVariable(
        QUOR_Variable("first", "First rating", 0, QUOR_Format(QUOR_Format::F, 8, 0)));
    dataSource->AddVariable(
        QUOR_Variable("second", "Second rating", 0, QUOR_Format(QUOR_Format::F, 8, 0)));
    dataSource->AddVariable(
        QUOR_Variable("third", "Third rating", 0, QUOR_Format(QUOR_Format::F, 8, 0)));
    QUOR_Variable grade("grade", "Grade", 0, QUOR_Format(QUOR_Format::F, 8, 0));
    grade.ValueLabels().Add(OBS(1.0), "Fail");
    grade.ValueLabels().Add(OBS(2.0), "Pass");
    grade.ValueLabels().Add(OBS(3.0), "Merit");
    dataSource->AddVariable(grade);
    dataSource->AddVariable(QUOR_Variable("id", "Case", 0, QUOR_Format(QUOR_Format::F, 8, 0)));
    return dataSource;
}

// A Condition table: the key and one parameter per text, %0, %1, ...
std::string Condition(const std::string& key, const std::vector<std::string>& parameters) {
    std::string attributes = Attribute("ConditionKey", key);
    for (size_t i = 0; i < parameters.size(); ++i)
        attributes += Attribute("%" + std::to_string(i), parameters[i]);
    return Table("Condition", attributes);
}

std::string Record(const std::string& name, const std::string& family, const std::string& key,
                   const std::vector<std::string>& parameters, const std::string& more = "") {
    return Algorithm(name, family, Condition(key, parameters) + more);
}

std::string Text(const Json& table, int row, const std::string& column) {
    const Json cell = Cell(table, {std::to_string(row)}, {column});
    return cell.is_null() ? "<no cell>" : cell["text"].get<std::string>();
}

TEST(NullHypotheses, FieldsValuesAndCategoriesFillTheKeysArguments) {
    const std::string valuesNotInCategories =
        Table("ValsNotInTheCategoreis", Attribute("Value", "4") + Attribute("Value", "5"));
    const std::string document = MakeDocument(
        Record("RCochransQ", "Related_Samples", "CategoryListsAreSpecified_R_CochransQ_1", {"3 4 5"}) +
            Record("OBinomial", "One_Sample", "ACutPointIsSpecified_O_Binomial_4",
                   {"2", "19539", "0.5", "0.25"}) +
            Record("OBinomial", "One_Sample", "ACutPointIsSpecified_O_Binomial_4",
                   {"0", "62.5", "0.5", "0.5"}) +
            Record("OKolmogorovSmirnov", "One_Sample", "NormalDistribution_O_KolmogorovSmirnov_3",
                   {"2", "19539", "10.25"}) +
            Record("OKolmogorovSmirnov", "One_Sample", "NormalDistribution_O_KolmogorovSmirnov_3",
                   {"0", "62.0042", "9.00532"}) +
            Record("OBinomial", "One_Sample", "CategoryListsAreSpecified_O_Binomial_5",
                   {"6", "0 3", "1 4", "0.5", "0.5"}, valuesNotInCategories) +
            Record("ORuns", "One_Sample", "ABinaryTestVariableIsSpecified_O_Runs_3", {"6", "0", "2"}) +
            Record("OKolmogorovSmirnov", "One_Sample", "PoissonDistribution_O_KolmogorovSmirnov_2",
                   {"3", "3.48333"}) +
            Record("OKolmogorovSmirnov", "One_Sample", "ExponentialDistribution_O_KolmogorovSmirnov_2",
                   {"6", "2"}),
        kDictionary);
    auto dataSource = MakeDatedSource();
    const RunOutcome outcome = RunDocument(document, dataSource.get());
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.checks.empty());
    const auto tables = Tables(outcome.json, "Hypothesis Test Summary");
    ASSERT_EQ(tables.size(), 1u);
    const Json& table = tables[0];

    EXPECT_EQ(Text(table, 1, "Null Hypothesis"),
              "The distributions of First rating, Second rating, Third rating are the same.")
        << "the three related fields fill one argument";
    EXPECT_EQ(Text(table, 2, "Null Hypothesis"),
              "The categories defined by Enrolment date <= 01-JUL-2023 and Enrolment date > 01-JUL-2023 "
              "occur with probabilities .500 and .250.")
        << "the cut point is a date of the test field, the proportions plain numbers";
    EXPECT_EQ(Text(table, 3, "Null Hypothesis"),
              "The categories defined by Test score <= 62.50 and Test score > 62.50 occur with "
              "probabilities .500 and .500.");
    EXPECT_EQ(Text(table, 4, "Null Hypothesis"),
              "The distribution of Enrolment date is normal with mean 01-JUL-2023 and standard "
              "deviation 10 06:00:00.")
        << "a spread of days reads as days and time of day, as the field's chart label";
    EXPECT_EQ(Text(table, 5, "Null Hypothesis"),
              "The distribution of Test score is normal with mean 62.004 and standard deviation 9.005.")
        << "a mean takes one decimal more than the field, as the standard deviation";
    EXPECT_EQ(Text(table, 6, "Null Hypothesis"),
              "The categories defined by Grade in (Fail, 4) and Grade in (Pass, 5) occur with "
              "probabilities .500 and .500.")
        << "the second category list goes on with the texts the first did not take";
    EXPECT_EQ(Text(table, 7, "Null Hypothesis"),
              "The sequence of values defined by Grade = Fail and Grade = Merit is random.");
    EXPECT_EQ(Text(table, 8, "Null Hypothesis"),
              "The distribution of First rating is Poisson with mean 3.5.")
        << "the field's whole-number format does not round the mean away";
    EXPECT_EQ(Text(table, 9, "Null Hypothesis"),
              "The distribution of Grade is exponential with mean 2.0.")
        << "a mean that equals a labelled value is still a number";
}

// A cut point is a value of the test field, shown with at least the field's
// decimals and with every further decimal it has: a cut of 3.5 on a
// whole-number field is not "4".
TEST(NullHypotheses, CutPointsShowTheirValueExactly) {
    const std::string interval =
        Table("ClopperPearson",
              Attribute("computeECIMethod", "ClopperPearson") + Attribute("Estimate", "0.4") +
                  Table("ConfidenceInterval", Attribute("Lower", "0.3") + Attribute("Upper", "0.5")));
    const std::string document = MakeDocument(
        Record("OBinomial", "One_Sample", "ACutPointIsSpecified_O_Binomial_4",
               {"3", "3.5", "0.5", "0.5"}) +
            Record("ORuns", "One_Sample", "ACutPointIsSpecified_O_Runs_2", {"0", "62.125"}) +
            Record("ORuns", "One_Sample", "ACutPointIsSpecified_O_Runs_2", {"3", "2"}) +
            Record("OEstimateConfidenceInterval", "One_Sample", "ACutPointIsSpecified_O_Binomial_2",
                   {"3", "3.25"}, interval),
        kDictionary);
    auto dataSource = MakeDatedSource();
    const RunOutcome outcome = RunDocument(document, dataSource.get());
    ASSERT_TRUE(outcome.ok);
    const Json summary = Tables(outcome.json, "Hypothesis Test Summary").at(0);
    EXPECT_EQ(Text(summary, 1, "Null Hypothesis"),
              "The categories defined by First rating <= 3.5 and First rating > 3.5 occur with "
              "probabilities .500 and .500.");
    EXPECT_EQ(Text(summary, 2, "Null Hypothesis"),
              "The sequence of values defined by Test score < 62.125 and Test score >= 62.125 is "
              "random.");
    EXPECT_EQ(Text(summary, 3, "Null Hypothesis"),
              "The sequence of values defined by First rating < 2 and First rating >= 2 is random.")
        << "a whole cut on a whole-number field needs no decimals";
    const Json intervals = Tables(outcome.json, "Confidence Interval Summary").at(0);
    EXPECT_EQ(Text(intervals, 1, "Parameter"), "Probability of First rating <= 3.25.");
}

TEST(NullHypotheses, UnknownKeysBadIndicesAndMissingFieldsShowPlaceholders) {
    const std::string document = MakeDocument(
        Record("RWilcoxonSignedRanks", "Related_Samples", "R_Sign_2", {"0", "3"}) +
            Record("OBinomial", "One_Sample", "ACutPointIsSpecified_O_Binomial_4", {"0", "62.5"}) +
            Record("OBinomial", "One_Sample", "ABinaryTestVariableIsSpecified_O_Binomial_5",
                   {"-1", "0", "1", "0.5", "0.5"}) +
            Record("IMannWhitneyU", "Independent_Samples",
                   "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2", {"0", "99"}) +
            Record("RSign", "Related_Samples", "R_Sign_2", {"3 99 4", "5"}),
        kDictionary);
    auto dataSource = MakeDatedSource();
    const RunOutcome outcome = RunDocument(document, dataSource.get());
    ASSERT_TRUE(outcome.ok);
    const Json table = Tables(outcome.json, "Hypothesis Test Summary").at(0);

    EXPECT_EQ(Text(table, 1, "Null Hypothesis"), "Unknown Condition Key: R_Sign_2")
        << "a key matches only under its own test type";
    EXPECT_EQ(Text(table, 2, "Null Hypothesis"),
              "The categories defined by Test score <= 62.50 and Test score > 62.50 occur with "
              "probabilities Incorrect Parameter Index and Incorrect Parameter Index.");
    EXPECT_EQ(Text(table, 3, "Null Hypothesis"),
              "The categories defined by Unknown Variable = Incorrect Parameter Index and Unknown "
              "Variable = Incorrect Parameter Index occur with probabilities .500 and .500.")
        << "a negative field index names no category field";
    EXPECT_EQ(Text(table, 4, "Null Hypothesis"),
              "The distribution of Test score is the same across categories of Unknown Variable.");
    EXPECT_EQ(Text(table, 5, "Null Hypothesis"),
              "The median of differences between First rating and Unknown Variable equals 0.")
        << "the field list stops at the first index without a field";
    // The short binomial condition is the one inconsistency reported.
    ASSERT_EQ(outcome.checks.size(), 1u);
    EXPECT_NE(outcome.checks[0].find("fParameters.size()"), std::string::npos);
}

TEST(NullHypotheses, IntervalParametersShowValuesOfTheTestField) {
    const std::string interval =
        Table("ClopperPearson",
              Attribute("computeECIMethod", "ClopperPearson") + Attribute("Estimate", "0.4") +
                  Table("ConfidenceInterval", Attribute("Lower", "0.3") + Attribute("Upper", "0.5")));
    const std::string document = MakeDocument(
        Record("OEstimateConfidenceInterval", "One_Sample", "ACutPointIsSpecified_O_Binomial_2",
               {"2", "19539"}, interval) +
            Record("OEstimateConfidenceInterval", "One_Sample", "CategoryListsAreSpecified_O_Binomial_2",
                   {"6", "1 2 3"}, interval + Table("ValsNotInTheCategoreis", Attribute("Value", "4"))),
        kDictionary);
    auto dataSource = MakeDatedSource();
    const RunOutcome outcome = RunDocument(document, dataSource.get());
    ASSERT_TRUE(outcome.ok);
    const Json table = Tables(outcome.json, "Confidence Interval Summary").at(0);
    EXPECT_EQ(Text(table, 1, "Parameter"), "Probability of Enrolment date <= 01-JUL-2023.");
    EXPECT_EQ(Text(table, 2, "Parameter"), "Probability of Grade in (Pass, Merit, 4).");
}

}  // namespace
