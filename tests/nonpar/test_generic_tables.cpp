// Attribute, SimpleTable and StructuredTable elements and their numeric form.
#include <gtest/gtest.h>

#include <memory>

#include "NOPRXMLGeneral.h"
#include "ReaderFixture.h"
#include "SDOMXMLWrapper.h"

using namespace nopr_test;

namespace {

class GenericTables : public ::testing::Test {
protected:
    // Loads one element and reads it as a StructuredTable. A table's texts
    // point into its document, so every document stays loaded until the
    // test ends.
    bool ReadTable(const std::string& xml, StructuredTable& table) {
        fDocuments.push_back(std::make_unique<SDOMXMLWrapper>());
        if (!fDocuments.back()->LoadFromString(xml)) return false;
        return ReadStructuredTable(fDocuments.back().get(), table);
    }

private:
    std::vector<std::unique_ptr<SDOMXMLWrapper>> fDocuments;
};

TEST_F(GenericTables, ChildrenKeepTheirKindsAndOrder) {
    StructuredTable table;
    const std::string xml = Table("T", Simple("S", "r", "c", {"1"}) + Attribute("a", "1") + "<Other/>" +
                                           Table("N", Attribute("b", "2")));
    ASSERT_TRUE(ReadTable(xml, table));
    ASSERT_EQ(table.fChildren.size(), 3u);
    EXPECT_EQ(table.fChildren[0].fKind, ChildRef::SimpleTable);
    EXPECT_EQ(table.fChildren[1].fKind, ChildRef::Attribute);
    EXPECT_EQ(table.fChildren[2].fKind, ChildRef::StructuredTable);
    for (const auto& child : table.fChildren) EXPECT_EQ(child.fIndex, 0);
    EXPECT_EQ(table.fStrucTables[0].fAttributes[0].fValue, "2");

    StructuredTable between;
    ASSERT_TRUE(
        ReadTable(Table("T", Attribute("a", "1") + "<Note>x</Note>" + Attribute("b", "2")), between));
    ASSERT_EQ(between.fAttributes.size(), 2u);
    EXPECT_EQ(between.fChildren[1].fIndex, 1);
}

TEST_F(GenericTables, WhatFailsATable) {
    StructuredTable table;
    EXPECT_FALSE(ReadTable("<StructuredTable><Attribute name=\"a\"/></StructuredTable>", table))
        << "a table without a name";
    EXPECT_FALSE(ReadTable(Table("T", "<Attribute value=\"1\"/>"), table))
        << "an attribute without a name";
    EXPECT_FALSE(ReadTable(Table("T", "<SimpleTable name=\"s\"><RowNames/></SimpleTable>"), table))
        << "a simple table without column names";
    EXPECT_FALSE(ReadTable(Table("T", "<SimpleTable><RowNames/><ColumnNames/></SimpleTable>"), table));
    EXPECT_TRUE(ReadTable(Table("T", Attribute("a", "1") + "<Attribute name=\"b\"/>"), table))
        << "a missing value is no failure";
    StructuredTable empty;
    EXPECT_TRUE(ReadTable(Table("Empty", ""), empty));
    EXPECT_EQ(empty.fName, "Empty");
    EXPECT_TRUE(empty.fChildren.empty());
}

TEST_F(GenericTables, SimpleTablesBecomeNumbers) {
    StructuredTable table;
    const std::string xml = Table(
        "T", Simple("Counts", " a  b\tc ", "x y", {"1 2 3 4", "1 __MISSING__ 3", "", "5e-1 junk"}) +
                 Simple("NoRows", "r", "c", {}) +
                 "<SimpleTable name=\"Pieces\"><RowNames>a<!-- - -->b</RowNames><ColumnNames>"
                 "<![CDATA[x]]> y</ColumnNames><Row>1 2<!-- - -->5</Row></SimpleTable>");
    ASSERT_TRUE(ReadTable(xml, table));
    ASSERT_EQ(table.fSimpleTables.size(), 3u);
    EXPECT_TRUE(table.fSimpleTables[1].fRows.empty());

    NOPRSplitResults results;
    const std::string none;
    NOPRParseOutXML reader(nullptr, &results, &none);
    ValueTable values;
    ASSERT_TRUE(reader.ConvertSimpleTable(table.fSimpleTables[0], values));
    EXPECT_EQ(values.fName, "Counts");
    EXPECT_EQ(values.fRowNames, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(values.fColumnNames, (std::vector<std::string>{"x", "y"}));
    ASSERT_EQ(values.fRows.size(), 4u);
    EXPECT_EQ(values.fRows[0], (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(values.fRows[1], (std::vector<double>{1, kNOPRMissing, 3}));
    EXPECT_TRUE(values.fRows[2].empty());
    EXPECT_EQ(values.fRows[3], (std::vector<double>{0.5, 0.0}));

    // Texts broken by comments or CDATA sections read as one text.
    ValueTable pieces;
    ASSERT_TRUE(reader.ConvertSimpleTable(table.fSimpleTables[2], pieces));
    EXPECT_EQ(pieces.fRowNames, (std::vector<std::string>{"ab"}));
    EXPECT_EQ(pieces.fColumnNames, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(pieces.fRows, (std::vector<std::vector<double>>{{1, 25}}));

    std::vector<double> kept{9};
    reader.ParseNumberList("  ", kept);
    EXPECT_EQ(kept, std::vector<double>{9}) << "no tokens leave the list as it was";
    std::vector<int> integers{1, 2, 3};
    reader.ParseIntegerList("4 x", integers);
    EXPECT_EQ(integers, (std::vector<int>{4, 0}));
}

TEST_F(GenericTables, NestingIsLimited) {
    std::string deep;
    for (int i = 0; i < 300; ++i) deep += "<StructuredTable name=\"n\">";
    for (int i = 0; i < 300; ++i) deep += "</StructuredTable>";
    StructuredTable table;
    EXPECT_FALSE(ReadTable(deep, table));

    std::string allowed;
    for (int i = 0; i < 200; ++i) allowed += "<StructuredTable name=\"n\">";
    for (int i = 0; i < 200; ++i) allowed += "</StructuredTable>";
    EXPECT_TRUE(ReadTable(allowed, table));
}

}  // namespace
