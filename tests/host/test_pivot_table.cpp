// The pivot-table service: building tables through the Bp* calls the plug-in
// makes, checked through the output document's JSON form.
#include <gtest/gtest.h>

#include <memory>

#include "BpOutput.h"
#include "OutputDocument.h"
#include "OutputQuery.h"
#include "QUOR_DataSource.h"

using namespace output_query;

namespace {

struct Service {
    npar::OutputDocument document;
    npar::Catalogue catalogue;
    BpProcedure procedure{document, catalogue};

    std::string Render(const BpCellText& text) { return procedure.Render(text); }
    Json AsJson() { return ToJson(document); }
};

BpAnnotation Note(const std::string& key) {
    return BpAnnotation(BpString(key, true).Replicate(), -1, false);
}

TEST(PivotTable, CellsMeetTheCategoriesAskedForLast) {
    Service service;
    service.catalogue.Add("Sig.", "Significance");
    std::unique_ptr<BpPivotTable> table(
        service.procedure.PivotTable(BpString("Summary", true), BpString("Summary", false), false));
    table->Caption(BpString("A caption", false));
    BpDimension* rows = table->Dimension(BpString("Item", false), 2);
    rows->Position(BpDimension::Row, 1, true, false);
    BpDimension* columns = table->Dimension(BpString("Statistics", true), 2);
    columns->Position(BpDimension::Column, 1, true, false);
    for (int n = 1; n <= 2; ++n) {
        rows->Category(BpNumber(n, service.procedure.Count()));
        columns->Category(BpString("Test", true))->Cell(BpString("Test " + std::to_string(n), false));
        BpCategory* sig = columns->Category(BpString("Sig.", true));
        sig->Cell(BpNumber(0.5, service.procedure.Significance()));
        sig->Cell(BpNumber(0.0004 * n, service.procedure.Significance()));  // replaces
        sig->CellNote(Note("exact"));
    }
    rows->Category(BpNumber(1, service.procedure.Count()))->Note(Note("first row"));

    const Json json = service.AsJson();
    const auto tables = Tables(json, "Summary");
    ASSERT_EQ(tables.size(), 1u);
    const Json& summary = tables[0];
    EXPECT_EQ(summary["caption"], "A caption");
    EXPECT_EQ(summary["dimensions"][1]["place"], "column");
    EXPECT_EQ(summary["dimensions"][0]["split"], false);
    ASSERT_EQ(summary["cells"].size(), 4u) << "asking again for a label gives back the category";
    EXPECT_EQ(summary["cells"][0]["row"], Json({"1"}));
    EXPECT_EQ(summary["cells"][0]["column"], Json({"Test"}));
    EXPECT_EQ(summary["cells"][3]["row"], Json({"2"}));
    const Json sig = Cell(summary, {"2"}, {"Significance"});
    ASSERT_FALSE(sig.is_null());
    EXPECT_EQ(sig["text"], "<.001");
    EXPECT_DOUBLE_EQ(sig["value"].get<double>(), 0.0008);
    EXPECT_EQ(NoteTexts(summary, sig), std::vector<std::string>{"exact"});
    EXPECT_EQ(Cell(summary, {"1"}, {"Test"})["value"], nullptr);
    // Notes with the same text share one mark; marks follow first use.
    ASSERT_EQ(summary["notes"].size(), 2u);
    EXPECT_EQ(summary["notes"][0]["mark"], "a");
    EXPECT_EQ(summary["notes"][1]["text"], "first row");
}

TEST(PivotTable, GroupsNestAndRowsFollowTheTree) {
    Service service;
    std::unique_ptr<BpPivotTable> table(
        service.procedure.PivotTable(BpString("Subsets", true), BpString("Subsets", false), false));
    BpDimension* rows = table->Dimension(BpString("Statistics", false), 2);
    rows->Position(BpDimension::Row, 1, true, false);
    BpDimension* columns = table->Dimension(BpString("Subset", true), 2);
    columns->Position(BpDimension::Column, 1, false, false);
    for (int subset = 1; subset <= 2; ++subset) {
        columns->Category(BpString(std::to_string(subset), false));
        BpGroup* samples = rows->Group(BpString("Sample", true), true, 2);
        samples->Note(Note("Each cell shows the sample average rank."));
        samples->Category(BpString("Sample " + std::to_string(subset), false))
            ->Cell(BpNumber(1.5 * subset, service.procedure.Coefficient()));
        rows->Category(BpString("Test Statistic", true))
            ->Cell(BpNumber(subset, service.procedure.Coefficient()));
    }
    const Json subsets = Tables(service.AsJson(), "Subsets")[0];
    ASSERT_EQ(subsets["cells"].size(), 4u);
    // The second subset's sample was made after "Test Statistic", yet shows in its group.
    EXPECT_EQ(subsets["cells"][0]["row"], Json({"Sample", "Sample 1"}));
    EXPECT_EQ(subsets["cells"][1]["row"], Json({"Sample", "Sample 2"}));
    EXPECT_EQ(subsets["cells"][2]["row"], Json({"Test Statistic"}));
    EXPECT_EQ(Cell(subsets, {"Sample", "Sample 2"}, {"2"})["text"], "3.000");
    EXPECT_EQ(subsets["notes"].size(), 1u);
}

TEST(PivotTable, SplitDimensionsComeFirstInTheLabelPaths) {
    Service service;
    QUOR_Variable region("region", "Region", 8, QUOR_Format(QUOR_Format::A, 8, 0));
    std::unique_ptr<BpPivotTable> table(
        service.procedure.PivotTable(BpString("T", true), BpString("T", false), false));
    BpDimension* split = table->Dimension(BpVariable(&region, 2), 0);
    split->Position(BpDimension::Row, 1, false, false);
    split->Category(BpDataValue(&region, OBS(std::string("North")), 2));
    BpDimension* statistics = table->Dimension(BpString("Statistics", true), 2);
    statistics->Position(BpDimension::Row, 1, true, false);
    statistics->Category(BpString("TotalN", true))->Cell(BpNumber(38, service.procedure.Count()));
    const Json t = Tables(service.AsJson(), "T")[0];
    EXPECT_EQ(t["dimensions"][0]["title"], "Region");
    EXPECT_EQ(t["dimensions"][0]["split"], true);
    EXPECT_EQ(t["cells"][0]["row"], Json({"North", "TotalN"}));
    EXPECT_EQ(t["cells"][0]["column"], Json::array());
    EXPECT_EQ(t["cells"][0]["text"], "38");
}

TEST(CellTexts, NumberFormats) {
    Service service;
    const BpProcedure& p = service.procedure;
    auto text = [&](double value, BpFormatSpec format) {
        return service.Render(BpNumber(value, format));
    };
    EXPECT_EQ(text(0.012, p.Significance()), ".012");
    EXPECT_EQ(text(0.0009, p.Significance()), "<.001");
    EXPECT_EQ(text(1, p.Significance()), "1.000");
    EXPECT_EQ(text(-2.5, p.Significance()), "-2.500");
    EXPECT_EQ(text(45.25, p.Significance()), "45.250");
    EXPECT_EQ(text(37.6, p.Count()), "38");
    EXPECT_EQ(text(95, p.Percent()), "95%");
    EXPECT_EQ(text(0.05, p.Proportion()), "0.05");
    EXPECT_EQ(text(-0.0001, p.Coefficient()), "0.000");
    EXPECT_EQ(text(0.0009, p.Statistic()), ".001");
    EXPECT_EQ(text(0.0004, p.Statistic()), ".000") << "no significance bound";
    EXPECT_EQ(text(-2.5, p.Statistic()), "-2.500");
    EXPECT_EQ(text(0.2, p.SignificanceAbove()), ">.200") << "a significance known as a lower bound";
    EXPECT_EQ(text(0.495, p.BoundedMeasure()), ".49") << "two decimals without the leading zero";
    EXPECT_EQ(text(-0.7778, p.BoundedMeasure()), "-.78");
    EXPECT_EQ(text(2, p.CountOrCoefficent(2)), "2");
    EXPECT_EQ(text(0.25, p.CountOrCoefficent(0.25)), "0.250");
    for (auto format : {p.Count(), p.Significance(), p.Percent(), p.Proportion(), p.Coefficient(),
                        p.Statistic(), p.SignificanceAbove(), p.BoundedMeasure()})
        EXPECT_EQ(text(kSystemMissing, format), ".");

    ProcedureDataSource dataSource;
    dataSource.AddVariable(QUOR_Variable("x", "", 0, QUOR_Format(QUOR_Format::F, 8, 2)));
    service.procedure.SetDataSource(&dataSource);
    EXPECT_EQ(text(1.23456, p.StdDev(0)), "1.235");
    EXPECT_EQ(text(1.23456, p.StdDev(7)), "1.235") << "an unknown variable falls back to three decimals";
}

TEST(CellTexts, VariablesAndDataValues) {
    Service service;
    QUOR_Variable sex("sex", "Sex", 0, QUOR_Format(QUOR_Format::F, 8, 0));
    sex.ValueLabels().Add(OBS(1.0), "Female");
    QUOR_Variable code("code", "", 0, QUOR_Format(QUOR_Format::F, 8, 2));
    QUOR_Variable when("when", "", 0, QUOR_Format(QUOR_Format::DATE, 11, 0));
    EXPECT_EQ(service.Render(BpVariable(&sex, 2)), "Sex");
    EXPECT_EQ(service.Render(BpVariable(&code, 2)), "code");
    EXPECT_EQ(service.Render(BpDataValue(&sex, 1.0, 2)), "Female");
    EXPECT_EQ(service.Render(BpDataValue(&sex, 2.0, 2)), "2");
    EXPECT_EQ(service.Render(BpDataValue(&code, 3.14159, 2)), "3.14");
    EXPECT_EQ(service.Render(BpDataValue(&when, 12219379200.0 + 1728864000.0, 2)), "14-OCT-2024");
    EXPECT_EQ(service.Render(BpDataValue(&code, kSystemMissing, 2)), ".");
    EXPECT_EQ(service.Render(BpVariable(nullptr, 2)), "");
}

TEST(CellTexts, CompositesAndListSyntax) {
    Service service;
    service.catalogue.Add("KEY_2", "The median of differences between ^1 and ^2 equals 0.");
    service.catalogue.Add("LIST_1", "The distributions of ^1 are the same.");
    BpComposite pair("KEY_2", true);
    pair.Add(BpString("before", false));
    pair.Add(BpString("after", false));
    pair.Finish();
    EXPECT_EQ(service.Render(pair), "The median of differences between before and after equals 0.");

    BpComposite list("LIST_1", true);
    list.Sublist();
    for (const char* field : {"a", "b", "c"}) list.Add(BpString(field, false));
    list.EndSublist();
    list.Finish();
    EXPECT_EQ(service.Render(list), "The distributions of a, b, c are the same.");

    BpComposite bracket("[%1:, ^1]1", false);
    bracket.Sublist();
    for (const char* field : {"a", "b", "c"}) bracket.Add(BpString(field, false));
    bracket.EndSublist();
    EXPECT_EQ(service.Render(bracket), "a, b, c");

    BpComposite pairs("[%1 = %2:, ^1 = ^2:]1", false);
    pairs.Sublist();
    for (const char* text : {"Sex", "Female", "Region", "North"}) pairs.Add(BpString(text, false));
    pairs.EndSublist();
    EXPECT_EQ(service.Render(pairs), "Sex = Female, Region = North");

    const std::vector<std::vector<std::string>> one{{"x"}};
    EXPECT_EQ(FillPattern("^1 and ^2 and ^ and ^99999999999", one), "x and ^2 and ^ and ^99999999999");
    // A bracket that is no list form is written as it stands; ^1 in it is still an argument.
    EXPECT_EQ(FillPattern("[%1:, ^1", one), "[%1:, x");
    EXPECT_EQ(FillPattern("[%1:, ^1]", one), "[%1:, x]");
    EXPECT_EQ(FillPattern("[%1:, ^1]2", one), "[%1:, x]2");
    EXPECT_EQ(FillPattern("[%1 = %2:, ^1 = ^2]1", {{"a", "b", "c"}}), "a = b, c = ^2");
    EXPECT_EQ(FillPattern("", one), "");
}

}  // namespace
