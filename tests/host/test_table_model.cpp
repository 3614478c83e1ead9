// The table model's own storage: cells found by their categories through the
// open-addressed index, categories of cells with more dimensions than a cell
// holds in place, nodes of several tables in one shared store, and the label
// index of a node with many children.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "OutputTable.h"

namespace {

using npar::CellCategories;
using npar::TableCell;
using npar::TableDimension;
using npar::TableModel;
using npar::TableNode;

TEST(TableModel, ThousandsOfCellsAreEachFoundAgainByTheirCategories) {
    TableModel table;
    TableDimension& rows = table.AddDimension();
    TableDimension& columns = table.AddDimension();
    columns.column = true;
    std::vector<TableNode*> rowNodes, columnNodes;
    for (int r = 0; r < 600; ++r) rowNodes.push_back(rows.Add(rows.root, std::to_string(r), false));
    for (int c = 0; c < 7; ++c)
        columnNodes.push_back(columns.Add(columns.root, "c" + std::to_string(c), false));
    for (TableNode* row : rowNodes) {
        for (TableNode* column : columnNodes)
            table.CellAt({row, column}).text = row->label + "/" + column->label;
    }
    ASSERT_EQ(table.CellCount(), 600u * 7u);
    // Asking again gives the same cell, however much the index grew since.
    for (TableNode* row : rowNodes) {
        for (TableNode* column : columnNodes) {
            TableCell& cell = table.CellAt({row, column});
            EXPECT_EQ(cell.text, row->label + "/" + column->label);
            ASSERT_EQ(cell.at.size(), 2u);
            EXPECT_EQ(cell.at[0], row);
            EXPECT_EQ(cell.at[1], column);
        }
    }
    EXPECT_EQ(table.CellCount(), 600u * 7u) << "no cell made twice";
    // A shorter tuple (a cell made before a dimension was added) is another cell.
    table.CellAt({rowNodes[0]}).text = "row only";
    EXPECT_EQ(table.CellCount(), 600u * 7u + 1);
    EXPECT_EQ(table.CellAt({rowNodes[0], columnNodes[0]}).text, "0/c0");
    EXPECT_EQ(table.CellAt({rowNodes[0]}).text, "row only");
}

TEST(TableModel, CellsOfManyDimensionsKeepEveryCategory) {
    TableModel table;
    std::vector<const TableNode*> at;
    for (int d = 0; d < 6; ++d) {
        TableDimension& dimension = table.AddDimension();
        at.push_back(dimension.Add(dimension.root, "d" + std::to_string(d), false));
    }
    TableCell& cell = table.CellAt(at);
    cell.text = "six";
    ASSERT_EQ(cell.at.size(), 6u);
    EXPECT_EQ(std::vector<const TableNode*>(cell.at.begin(), cell.at.end()), at);
    EXPECT_EQ(&table.CellAt(at), &cell);
    at[5] = nullptr;  // no category in the last dimension: another cell
    EXPECT_NE(&table.CellAt(at), &cell);

    // Copies own their categories, whether in place or on the heap.
    CellCategories many;
    many.Assign(cell.at.data(), cell.at.size());
    CellCategories copy = many;
    CellCategories few;
    few.Assign(at.data(), 2);
    copy = few;
    ASSERT_EQ(copy.size(), 2u);
    EXPECT_EQ(copy[1], at[1]);
    few = many;
    ASSERT_EQ(few.size(), 6u);
    EXPECT_EQ(few[5], cell.at[5]);
    const CellCategories& same = few;
    few = same;
    EXPECT_EQ(few.size(), 6u);
    few.Assign(few.data() + 1, 3);  // from its own heap array into place
    ASSERT_EQ(few.size(), 3u);
    EXPECT_EQ(few[0], cell.at[1]);
    EXPECT_EQ(few[2], cell.at[3]);
}

TEST(TableModel, TablesSharingAStoreOutliveEachOtherInAnyOrder) {
    auto store = std::make_shared<npar::TableStore>();
    auto first = std::make_unique<TableModel>(store);
    auto second = std::make_unique<TableModel>(store);
    TableDimension& a = first->AddDimension();
    TableDimension& b = second->AddDimension();
    for (int i = 0; i < 300; ++i) {
        // Interleaved, so that both tables' nodes and cells share blocks.
        const TableNode* x =
            a.Add(a.root, "a long label that does not fit in place " + std::to_string(i), false);
        const TableNode* y = b.Add(b.root, "b" + std::to_string(i), false);
        first->CellAt({x}).text = "cell text long enough to live on the heap " + std::to_string(i);
        second->CellAt({y}).text = std::to_string(i);
    }
    store.reset();
    first.reset();  // the second table's nodes and cells stay
    ASSERT_EQ(b.root.children.size(), 300u);
    EXPECT_EQ(b.root.children[299]->label, "b299");
    EXPECT_EQ(second->CellAt({b.root.children[7]}).text, "7");
    EXPECT_EQ(second->CellCount(), 300u);
}

TEST(TableModel, ManyChildrenAreFoundByLabelGroupsAndCategoriesApart) {
    TableDimension dimension;
    for (int i = 0; i < 40; ++i) {
        dimension.Add(dimension.root, "label " + std::to_string(i), i % 2 == 0);
        // The same label as a group and as a category are two children.
        if (i == 30) dimension.Add(dimension.root, "label 30", false);
    }
    ASSERT_EQ(dimension.root.children.size(), 41u);
    for (int i = 0; i < 40; ++i) {
        const std::string label = "label " + std::to_string(i);
        TableNode* found = dimension.root.Find(label, i % 2 == 0);
        ASSERT_NE(found, nullptr) << label;
        EXPECT_EQ(found->label, label);
        EXPECT_EQ(found->isGroup, i % 2 == 0);
        EXPECT_EQ(found->parent, &dimension.root);
        if (i != 30) {
            EXPECT_EQ(dimension.root.Find(label, i % 2 != 0), nullptr) << label;
        }
    }
    EXPECT_FALSE(dimension.root.Find("label 30", false)->isGroup);
    EXPECT_EQ(dimension.root.Find("label 40", true), nullptr);
    // Children of a group in its own path; categories depth-first.
    TableNode* group = dimension.root.Find("label 0", true);
    const TableNode* leaf = dimension.Add(*group, "inner", false);
    EXPECT_EQ(leaf->LabelPath(), (std::vector<std::string>{"label 0", "inner"}));
    const auto categories = dimension.Categories();
    ASSERT_FALSE(categories.empty());
    EXPECT_EQ(categories[0], leaf);
}

TEST(TableModel, NoteListsCopyTheirNotes) {
    npar::NoteList notes;
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(notes.begin(), notes.end());
    notes.push_back(2);
    notes.push_back(0);
    npar::NoteList copy = notes;
    notes.push_back(5);
    ASSERT_EQ(copy.size(), 2u);
    EXPECT_EQ(copy[0], 2);
    EXPECT_EQ(copy[1], 0);
    EXPECT_EQ(std::vector<int>(notes.begin(), notes.end()), (std::vector<int>{2, 0, 5}));
    copy = npar::NoteList();
    EXPECT_TRUE(copy.empty());
}

}  // namespace
