// Variables taken from the documents' data dictionaries when there is no
// manifest: formats, widths, labels and value labels.
#include <gtest/gtest.h>

#include "CFProcCustom.h"
#include "DictionaryVariables.h"

using report::DictionaryVariables;

namespace {

std::string WithDictionary(const std::string& fields) {
    return "<StatXML><Extension><NPAROutput><DataDictionary>" + fields +
           "</DataDictionary></NPAROutput></Extension></StatXML>";
}

std::string LabelOf(const QUOR_Variable& variable, const OBS& value) {
    std::string label;
    return variable.GetValueLabels().Find(value, label) ? label : "(none)";
}

}  // namespace

TEST(DictionaryVariables, FieldsBecomeVariablesWithFormatsAndLabels) {
    const std::string document = WithDictionary(R"(
      <DataField index="0" name="count" displayName="Count" dataType="integer">
        <Value index="0" value="1" displayValue="One"/><Value index="1" value="2.0" displayValue="Two"/>
      </DataField>
      <DataField index="1" name="score" displayName="Score" dataType="double"/>
      <DataField index="2" name="weight" dataType="float"/>
      <DataField index="3" name="region" displayName="Region" dataType="string">
        <Value index="0" value="N" displayValue="North"/><Value index="1" value="South-East" displayValue="SE"/>
      </DataField>
      <DataField index="4" name="note" dataType="string"/>
      <DataField index="5" name="visit" displayName="Visit" dataType="date">
        <Value index="0" value="19645" displayValue="First visit"/>
      </DataField>)");
    const std::vector<QUOR_Variable> variables = DictionaryVariables({document});
    ASSERT_EQ(variables.size(), 6u);

    EXPECT_EQ(variables[0].GetName(), "count");
    EXPECT_EQ(variables[0].GetLabel(), "Count");
    EXPECT_EQ(variables[0].GetType(), 0);
    EXPECT_EQ(variables[0].GetFormat(), QUOR_Format(QUOR_Format::F, 8, 0));
    EXPECT_EQ(LabelOf(variables[0], OBS(1.0)), "One");
    EXPECT_EQ(LabelOf(variables[0], OBS(2.0)), "Two");

    EXPECT_EQ(variables[1].GetFormat(), QUOR_Format(QUOR_Format::F, 8, 2));
    EXPECT_EQ(variables[2].GetFormat(), QUOR_Format(QUOR_Format::F, 8, 2));
    EXPECT_EQ(variables[2].GetLabel(), "");

    EXPECT_EQ(variables[3].GetType(), 10);  // "South-East"
    EXPECT_EQ(variables[3].GetFormat(), QUOR_Format(QUOR_Format::A, 10, 0));
    EXPECT_EQ(LabelOf(variables[3], OBS(std::string("N"))), "North");
    EXPECT_EQ(variables[4].GetType(), 1);  // no values: width 1
    EXPECT_EQ(variables[4].GetFormat(), QUOR_Format(QUOR_Format::A, 1, 0));

    // Dates: DATE11, value labels keyed by the host's date value of the day.
    EXPECT_EQ(variables[5].GetFormat(), QUOR_Format(QUOR_Format::DATE, 11, 0));
    EXPECT_EQ(LabelOf(variables[5], OBS(NumericFormatCFToStat(19645, QUOR_Format::DATE))),
              "First visit");
    EXPECT_EQ(LabelOf(variables[5], OBS(19645.0)), "(none)");
}

TEST(DictionaryVariables, FieldsOfSeveralDocumentsMerge) {
    const std::string first = WithDictionary(R"(
      <DataField name="region" displayName="Region" dataType="string"><Value value="N" displayValue="North"/></DataField>
      <DataField name="score" displayName="Score" dataType="integer"/>)");
    const std::string second = WithDictionary(R"(
      <DataField name="score" displayName="Other" dataType="double"/>
      <DataField name="region" displayName="Area" dataType="string"><Value value="West" displayValue="W"/></DataField>
      <DataField name="age" dataType="integer"/>)");
    const std::vector<QUOR_Variable> variables =
        DictionaryVariables({first, "<StatXML><broken", "", second});
    ASSERT_EQ(variables.size(), 3u);
    EXPECT_EQ(variables[0].GetName(), "region");
    EXPECT_EQ(variables[0].GetLabel(), "Region");  // the first definition wins
    EXPECT_EQ(variables[0].GetType(), 4);          // but takes the longest width
    EXPECT_EQ(variables[0].GetFormat(), QUOR_Format(QUOR_Format::A, 4, 0));
    EXPECT_EQ(LabelOf(variables[0], OBS(std::string("N"))), "North");
    EXPECT_EQ(variables[1].GetLabel(), "Score");
    EXPECT_EQ(variables[1].GetFormat(), QUOR_Format(QUOR_Format::F, 8, 0));
    EXPECT_EQ(variables[2].GetName(), "age");
}
