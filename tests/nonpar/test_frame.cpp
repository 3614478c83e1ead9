// The document frame: root check, counts, data dictionary, settings and field
// information, and what makes a document unreadable.
#include <gtest/gtest.h>

#include "CFMetaData.h"
#include "ReaderFixture.h"

using namespace nopr_test;

namespace {

const std::string kChiSquare =
    Algorithm("OChiSquare", "One_Sample", Table("Condition", Attribute("ConditionKey", "K")));

std::string CategoricalInfo(int varIndex, const std::string& extra = "") {
    return "<FieldInfo varIndex=\"" + std::to_string(varIndex) + "\">" +
           Table("CategoricalDistribution",
                 Attribute("TotalN", "38") + Attribute("Min", "1") + Attribute("Max", "2") +
                     Attribute("Mean", "1.45") + Attribute("StdDev", "0.5") +
                     Attribute("Skewness", "0.1") +
                     Simple("Interval", "Count Value", "x", {"21 17", "0 1"}) + extra) +
           "</FieldInfo>";
}

TEST(Frame, CountsSettingsAndDictionary) {
    auto dataSource = MakeDataSource();
    const ReadOutcome outcome =
        Read(MakeDocument(
                 kChiSquare, kDictionary,
                 "<FieldInfos>" + CategoricalInfo(1) + "<FieldInfo varIndex=\"0\">" +
                     Table("ContinuousDistribution",
                           Attribute("TotalN", "38") + Simple("Interval", "a", "b", {"3 5", "10 20"})) +
                     "</FieldInfo></FieldInfos>"),
             dataSource.get());
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.errors.empty()) << "unknown FieldInfo attributes are skipped silently";
    EXPECT_TRUE(outcome.checks.empty());
    const NOPRSplitResults& results = *outcome.results;
    EXPECT_EQ(results.fTotalFreq, 40);
    EXPECT_EQ(results.fTotalCount, 38);
    EXPECT_EQ(results.fDroppedCount, 2);
    EXPECT_EQ(results.fBadWeightCount, 1);
    EXPECT_EQ(results.fDroppedFreq, 3);
    EXPECT_EQ(results.fNumber, 3);
    EXPECT_DOUBLE_EQ(results.fSigLevel, 0.05);
    EXPECT_DOUBLE_EQ(results.fConfidenceLevel, 0.95);
    EXPECT_TRUE(results.fListwise);

    ASSERT_NE(results.fMetaData, nullptr);
    ASSERT_EQ(results.fMetaData->FieldCount(), 4);
    const CFField* group = results.fMetaData->GetField(1);
    EXPECT_EQ(group->GetName(), "group");
    EXPECT_EQ(group->GetLabel(), "Group");
    EXPECT_EQ(group->GetFieldType(), 1);
    EXPECT_EQ(group->GetStorageType(), 1);
    EXPECT_EQ(group->GetRoleType(), 7);
    ASSERT_EQ(group->GetValues().size(), 2u);
    EXPECT_EQ(group->GetValues()[1].GetText(), "2");
    EXPECT_EQ(group->GetValues()[1].GetDatum().GetInteger(), 2);
    EXPECT_EQ(group->GetValueLabels()[1].GetText(), "Treatment");
    EXPECT_EQ(results.fMetaData->GetField(2)->GetValues()[0].GetDatum().GetText(), "North");
    EXPECT_EQ(results.fMetaData->GetField(0)->GetStorageType(), 2);

    // One field record per field but the last.
    ASSERT_EQ(results.fFieldInfos.size(), 3u);
    const FieldInfo& groupInfo = *results.FieldInfoAt(1);
    EXPECT_EQ(groupInfo.fFieldIndex, 1);
    ASSERT_NE(groupInfo.fVariable, nullptr);
    EXPECT_EQ(groupInfo.fVariable->GetName(), "group");
    ASSERT_EQ(groupInfo.fValues.size(), 2u);
    EXPECT_EQ(groupInfo.fValues[1].fIndex, 1);
    EXPECT_EQ(groupInfo.fValues[1].fLabel, "Treatment");
    ASSERT_NE(groupInfo.fValues[1].fValue.GetObsValue(), nullptr);
    EXPECT_DOUBLE_EQ(groupInfo.fValues[1].fValue.GetObsValue()->GetNumber(), 2.0);
    EXPECT_EQ(results.FieldInfoAt(2)->fValues[1].fValue.GetStringValue(), "South");

    EXPECT_TRUE(groupInfo.fHasInfo);
    EXPECT_EQ(groupInfo.fIsCategorical, 1);
    EXPECT_EQ(groupInfo.fTotalN, 38);
    EXPECT_DOUBLE_EQ(groupInfo.fMean, 1.45);
    EXPECT_DOUBLE_EQ(groupInfo.fStdDev, 0.5);
    EXPECT_EQ(groupInfo.fDistribution.fName, "Interval");
    EXPECT_EQ(groupInfo.fDistribution.fRows[0], (std::vector<double>{21, 17}));
    const FieldInfo& scoreInfo = *results.FieldInfoAt(0);
    EXPECT_EQ(scoreInfo.fIsCategorical, 0);
    EXPECT_EQ(scoreInfo.fMin, kNOPRMissing) << "an attribute not given stays missing";
    EXPECT_FALSE(results.FieldInfoAt(2)->fHasInfo) << "no FieldInfo element for region";
}

TEST(Frame, WithoutDataSourceVariablesFieldsHaveNoValues) {
    const ReadOutcome outcome = Read(MakeDocument(kChiSquare));
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.results->fFieldInfos.size(), 3u);
    EXPECT_EQ(outcome.results->FieldInfoAt(1)->fVariable, nullptr);
    EXPECT_TRUE(outcome.results->FieldInfoAt(1)->fValues.empty());
}

TEST(Frame, DictionaryEdgeCases) {
    const ReadOutcome noDictionary = Read(MakeDocument(kChiSquare, ""));
    ASSERT_TRUE(noDictionary.ok);
    EXPECT_EQ(noDictionary.results->fMetaData, nullptr);
    EXPECT_TRUE(noDictionary.results->fFieldInfos.empty());

    // A dictionary without fields has no field records (there is no "last" field).
    const ReadOutcome noFields = Read(MakeDocument(kChiSquare, "<DataDictionary/>"));
    ASSERT_TRUE(noFields.ok);
    ASSERT_NE(noFields.results->fMetaData, nullptr);
    EXPECT_EQ(noFields.results->fMetaData->FieldCount(), 0);
    EXPECT_TRUE(noFields.results->fFieldInfos.empty());

    const ReadOutcome oneField = Read(MakeDocument(
        kChiSquare, "<DataDictionary><DataField index=\"0\" name=\"a\"/></DataDictionary>"));
    ASSERT_TRUE(oneField.ok);
    EXPECT_TRUE(oneField.results->fFieldInfos.empty());

    // Indices out of order are reported and read on; missing attributes take defaults.
    const ReadOutcome misnumbered = Read(
        MakeDocument(kChiSquare,
                     "<DataDictionary><DataField index=\"5\" name=\"a\"><Value index=\"3\" value=\"x\"/>"
                     "</DataField><DataField/><DataField name=\"c\"/></DataDictionary>"));
    ASSERT_TRUE(misnumbered.ok);
    EXPECT_EQ(misnumbered.checks.size(), 4u);
    EXPECT_NE(misnumbered.checks[0].find("index == curIndex"), std::string::npos);
    EXPECT_EQ(misnumbered.results->fMetaData->FieldCount(), 3);
    EXPECT_EQ(misnumbered.results->fMetaData->GetField(1)->GetFieldType(), 6);
    EXPECT_EQ(misnumbered.results->fMetaData->GetField(0)->GetStorageType(), 0);
    EXPECT_EQ(misnumbered.results->fMetaData->GetField(0)->GetValues()[0].GetDatum().GetDouble(), 0.0);
}

TEST(Frame, SettingsDefaults) {
    std::string document = MakeDocument(kChiSquare);
    document.replace(document.find(" sigLevel=\"0.05\""), 16, "");
    document.replace(document.find("listwise"), 8, "Listwise");
    const ReadOutcome outcome = Read(document);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.results->fSigLevel, kNOPRMissing);
    EXPECT_FALSE(outcome.results->fListwise);

    std::string noCounts = MakeDocument(kChiSquare);
    noCounts.replace(noCounts.find(" totalCount=\"38\""), 16, "");
    EXPECT_EQ(Read(noCounts).results->fTotalCount, 0);
}

TEST(Frame, FieldInfoChoices) {
    // A FieldInfo for the last field, or for no field, has no record to fill:
    // it is read and skipped.
    for (int varIndex : {3, 99, -1}) {
        const ReadOutcome outcome = Read(MakeDocument(
            kChiSquare, kDictionary, "<FieldInfos>" + CategoricalInfo(varIndex) + "</FieldInfos>"));
        EXPECT_TRUE(outcome.ok) << varIndex;
        for (const auto& info : outcome.results->fFieldInfos) EXPECT_FALSE(info->fHasInfo);
    }
    const ReadOutcome absent =
        Read(MakeDocument(kChiSquare, kDictionary,
                          "<FieldInfos><FieldInfo>" + Table("X", Simple("I", "a", "b", {"1"})) +
                              "</FieldInfo></FieldInfos>"));
    EXPECT_TRUE(absent.ok);

    // A table without its distribution cannot be read; a second one is reported.
    const ReadOutcome noDistribution =
        Read(MakeDocument(kChiSquare, kDictionary,
                          "<FieldInfos><FieldInfo varIndex=\"0\">" +
                              Table("X", Attribute("TotalN", "3")) + "</FieldInfo></FieldInfos>"));
    EXPECT_FALSE(noDistribution.ok);
    ASSERT_EQ(noDistribution.checks.size(), 1u);
    EXPECT_NE(noDistribution.checks[0].find("fSimpleTables.size() == 1"), std::string::npos);

    const ReadOutcome twoDistributions = Read(MakeDocument(
        kChiSquare, kDictionary,
        "<FieldInfos>" + CategoricalInfo(0, Simple("Other", "a", "b", {"9"})) + "</FieldInfos>"));
    ASSERT_TRUE(twoDistributions.ok);
    EXPECT_EQ(twoDistributions.checks.size(), 1u);
    EXPECT_EQ(twoDistributions.results->FieldInfoAt(0)->fDistribution.fName, "Interval");

    const ReadOutcome empty = Read(MakeDocument(kChiSquare, kDictionary, "<FieldInfos></FieldInfos>"));
    EXPECT_TRUE(empty.ok);
}

TEST(Frame, WhatMakesADocumentUnreadable) {
    const std::string valid = MakeDocument(kChiSquare);
    ASSERT_TRUE(Read(valid).ok);
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string document = valid;
        const size_t at = document.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) document.replace(at, from.size(), to);
        return document;
    };
    const std::pair<const char*, std::string> broken[] = {
        {"empty text", ""},
        {"not XML", "<StatXML><PMMLModel>"},
        {"wrong root", replaced("<StatXML>", "<Stat>").replace(valid.size() - 10, 10, "</Stat>")},
        {"no PMMLModel", replaced("<PMMLModel modelType=\"NonParametricTests\"/>", "")},
        {"singular model type", replaced("NonParametricTests\"/>", "NonParametricTest\"/>")},
        {"no counts", replaced("<Counts ", "<Count ")},
        {"no tests", MakeDocument("")
                         .replace(MakeDocument("").find("<NonParametricTests"), 19, "<Other")
                         .replace(MakeDocument("").find("</NonParametricTests>") - 0, 0, "")},
        {"no Algorithm", MakeDocument("")},
        {"Algorithm without tables", MakeDocument("<Algorithm name=\"OChiSquare\"/>")},
        {"no FieldInfos", replaced("<FieldInfos/>", "")},
        {"FieldInfo without table",
         replaced("<FieldInfos/>", "<FieldInfos><FieldInfo varIndex=\"0\"/></FieldInfos>")},
    };
    for (const auto& [cause, document] : broken) EXPECT_FALSE(Read(document).ok) << cause;

    // A test without a record of its own is skipped, with nothing of it read.
    const ReadOutcome skipped =
        Read(MakeDocument("<Algorithm name=\"OKolmogorovSmirnovNormal\"/>" + kChiSquare));
    EXPECT_TRUE(skipped.ok);
    EXPECT_EQ(skipped.results->fTests.size(), 1u);
    EXPECT_TRUE(skipped.errors.empty());
}

TEST(Frame, ParsingAgainGivesTrueWithoutReading) {
    const std::string document = MakeDocument(kChiSquare);
    NOPRSplitResults results;
    NOPRParseOutXML reader(nullptr, &results, &document);
    ASSERT_TRUE(reader.Parse());
    ASSERT_EQ(results.fTests.size(), 1u);
    EXPECT_TRUE(reader.Parse());
    EXPECT_EQ(results.fTests.size(), 1u);
}

}  // namespace
