// Variables taken from the documents' data dictionaries when there is no
// manifest: formats, widths, labels and value labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "AppTestSupport.h"
#include "CFProcCustom.h"
#include "DictionaryVariables.h"
#include "ThreadSetting.h"

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

// Documents are read on several threads and merged in their order, so the
// first definition and the longest width are those of the documents' order
// whatever the threads.
TEST(DictionaryVariables, FieldsOfSeveralDocumentsMerge) {
    const std::string first = WithDictionary(R"(
      <DataField name="region" displayName="Region" dataType="string"><Value value="N" displayValue="North"/></DataField>
      <DataField name="score" displayName="Score" dataType="integer"/>)");
    const std::string second = WithDictionary(R"(
      <DataField name="score" displayName="Other" dataType="double"/>
      <DataField name="region" displayName="Area" dataType="string"><Value value="West" displayValue="W"/></DataField>
      <DataField name="age" dataType="integer"/>)");
    // Many documents, each adding a field of its own, one breaking, and a
    // late one widening region further.
    std::vector<std::string> many = {first, "<StatXML><broken", "", second};
    for (int i = 0; i < 150; ++i)
        many.push_back(WithDictionary("<DataField name=\"f" + std::to_string(i) + "\" displayName=\"F" +
                                      std::to_string(i) + "\" dataType=\"integer\"/>"));
    many.push_back(WithDictionary(
        R"(<DataField name="region" displayName="Late" dataType="string"><Value value="Central"/></DataField>)"));

    for (const char* threads : {"1", "2", "4"}) {
        SCOPED_TRACE(std::string("threads ") + threads);
        const ThreadSetting setting(threads);
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

        std::vector<std::string_view> texts(many.begin(), many.end());
        std::vector<CFFoundChildren> searches;
        const std::vector<QUOR_Variable> all = DictionaryVariables(texts, &searches);
        EXPECT_EQ(searches.size(), many.size());
        ASSERT_EQ(all.size(), 153u);
        EXPECT_EQ(all[0].GetLabel(), "Region");
        EXPECT_EQ(all[0].GetType(), 7);  // "Central"
        for (int i = 0; i < 150; ++i) {
            EXPECT_EQ(all[3 + i].GetName(), "f" + std::to_string(i));
            EXPECT_EQ(all[3 + i].GetLabel(), "F" + std::to_string(i));
        }
    }
}

// A value listed without a display value (or with an empty one) has no value
// label, so everything that names it shows the value itself: the pairwise
// rows, the network's nodes and the field's bars.
TEST(DictionaryVariables, ValuesWithoutADisplayValueHaveNoLabel) {
    const std::string fields = R"(
      <DataField index="0" name="score" displayName="Score" optype="continuous" dataType="double"/>
      <DataField index="1" name="band" displayName="Band" optype="categorical" dataType="integer">
        <Value index="0" value="1"/><Value index="1" value="2" displayValue=""/>
        <Value index="2" value="3" displayValue="Top"/>
      </DataField>
      <DataField index="2" name="id" displayName="Case" optype="continuous" dataType="integer"/>)";
    const std::vector<QUOR_Variable> variables = DictionaryVariables({WithDictionary(fields)});
    ASSERT_EQ(variables.size(), 3u);
    EXPECT_EQ(LabelOf(variables[1], OBS(1.0)), "(none)");
    EXPECT_EQ(LabelOf(variables[1], OBS(2.0)), "(none)");
    EXPECT_EQ(LabelOf(variables[1], OBS(3.0)), "Top");

    apptest::Document document;
    document.dictionary = "<DataDictionary>" + fields + "</DataDictionary>";
    document.algorithms =
        R"(<Algorithm name="IKruskalWallis" classification="Independent_Samples" decision="reject">)"
        R"(<StructuredTable name="Condition"><Attribute name="ConditionKey" )"
        R"(value="DefaultAllDistinctValuesUsed_I_KruskalWallis_2"/><Attribute name="%0" value="0"/>)"
        R"(<Attribute name="%1" value="1"/></StructuredTable>)"
        R"(<StructuredTable name="PairwiseResult"><Attribute name="fieldIndex" value="1"/>)"
        R"(<SimpleTable name="PairwiseInfo"><RowNames>Sample MeanRank</RowNames><ColumnNames>0</ColumnNames>)"
        R"(<Row>0 1 2</Row><Row>1 2 3</Row></SimpleTable>)"
        R"(<SimpleTable name="Content"><RowNames>1</RowNames>)"
        R"(<ColumnNames>Sample1 Sample2 TestStatistic StdError StdTestStatistic Sig AdjSig</ColumnNames>)"
        R"(<Row>0 1 1 1 1 0.5 1</Row><Row>0 2 1 1 1 0.5 1</Row><Row>1 2 1 1 1 0.5 1</Row></SimpleTable>)"
        R"(</StructuredTable></Algorithm>)";
    document.fieldInfos =
        R"(<FieldInfos><FieldInfo varIndex="1"><StructuredTable name="CategoricalDistribution">)"
        R"(<Attribute name="TotalN" value="15"/><SimpleTable name="Interval"><RowNames>Count Value</RowNames>)"
        R"(<ColumnNames>1 2 3</ColumnNames><Row>4 5 6</Row><Row>0 1 2</Row></SimpleTable>)"
        R"(</StructuredTable></FieldInfo></FieldInfos>)";
    apptest::TempDir dir;
    const apptest::CliResult result =
        apptest::RunCli({"--format", "json", dir.Write("a.xml", document.Text())});
    ASSERT_EQ(result.status, 0) << result.err;
    const nlohmann::json json = nlohmann::json::parse(result.out);

    std::vector<std::string> rows;
    std::vector<std::string> relabels;
    const std::function<void(const nlohmann::json&)> walk = [&](const nlohmann::json& items) {
        for (const nlohmann::json& item : items) {
            if (item.contains("items")) walk(item["items"]);
            if (item["type"] == "table" && item["id"] == "Pairwise Comparisons Table")
                for (const nlohmann::json& cell : item["cells"])
                    if (cell["column"][0] == "Test Statistic") rows.push_back(cell["row"][0]);
            if (item["type"] != "chart") continue;
            pugi::xml_document chart;
            ASSERT_TRUE(chart.load_string(item["document"].get<std::string>().c_str()));
            for (const auto& found : chart.select_nodes("//relabel"))
                relabels.push_back(std::string(found.node().attribute("from").value()) + "=" +
                                   found.node().attribute("to").value());
        }
    };
    walk(json["items"]);
    EXPECT_EQ(rows, (std::vector<std::string>{"1 vs 2", "1 vs Top", "2 vs Top"}));
    // Network nodes by position, with their mean ranks; bars by value.
    for (const char* relabel : {"0=1\n1.00", "1=2\n2.00", "2=Top\n3.00", "3=Top"})
        EXPECT_NE(std::find(relabels.begin(), relabels.end(), relabel), relabels.end()) << relabel;
    for (const std::string& relabel : relabels)
        EXPECT_NE(relabel.back(), '=') << "an empty label: " << relabel;
}

// Documents with tests: the dictionary is taken from the document without
// them, which must change nothing, and a document that breaks inside a test
// still contributes nothing, as it does not parse.
TEST(DictionaryVariables, DocumentsWithTestsGiveTheirDictionaryOnlyWhenTheyParse) {
    const std::string fields = R"(<DataField index="0" name="a" dataType="integer">)"
                               R"(<Value index="0" value="1" displayValue="One"/></DataField>)";
    auto document = [&](const std::string& tests) {
        return "<StatXML><Extension><NPAROutput><DataDictionary>" + fields +
               "</DataDictionary><NonParametricTests>" + tests +
               "</NonParametricTests><FieldInfos/></NPAROutput></Extension></StatXML>";
    };
    const std::string test = R"(<Algorithm name="OChiSquare"><DataField name="inTest"/></Algorithm>)";
    const std::vector<QUOR_Variable> variables = DictionaryVariables({document(test + test)});
    ASSERT_EQ(variables.size(), 1u);
    EXPECT_EQ(variables[0].GetName(), "a");
    EXPECT_EQ(LabelOf(variables[0], OBS(1.0)), "One");

    EXPECT_TRUE(DictionaryVariables({document(test + "<Algorithm><Broken></Algorithm>")}).empty());
    EXPECT_TRUE(DictionaryVariables({document(test) + "<"}).empty());

    // Each document's search for its tests is given for its split record to
    // keep: what the host's search finds, tests or none.
    const std::string texts[] = {document(test + test),
                                 document(test + "<Algorithm><Broken></Algorithm>")};
    std::vector<CFFoundChildren> searches;
    DictionaryVariables({texts[0], texts[1]}, &searches);
    ASSERT_EQ(searches.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        std::vector<SDOMXMLRange> ranges;
        const bool found = SDOMXMLFindChildren(texts[i], "Extension/NPAROutput/NonParametricTests",
                                               "Algorithm", ranges);
        EXPECT_EQ(searches[i].path, "Extension/NPAROutput/NonParametricTests");
        EXPECT_EQ(searches[i].name, "Algorithm");
        EXPECT_EQ(searches[i].found, found);
        ASSERT_EQ(searches[i].ranges.size(), ranges.size());
        for (size_t r = 0; r < ranges.size(); ++r) {
            EXPECT_EQ(searches[i].ranges[r].begin, ranges[r].begin);
            EXPECT_EQ(searches[i].ranges[r].end, ranges[r].end);
        }
    }
    EXPECT_EQ(searches[0].ranges.size(), 2u);
    EXPECT_FALSE(searches[1].found);
}
