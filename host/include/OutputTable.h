// A pivot table of the output document: dimensions on the row and column
// edges, each a tree of groups and categories, cells addressed by one
// category per dimension, and footnotes on cells, labels and the table.
// The pivot-table service (BpOutput.h) builds it; the writers read it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace npar {

// A group or a category of a dimension. The dimension's root is a node too.
struct TableNode {
    std::string label;
    bool isGroup = false;
    std::vector<int> notes;  // footnote indices on the label
    TableNode* parent = nullptr;
    std::vector<std::unique_ptr<TableNode>> children;

    // The child with this label, or null.
    TableNode* Find(const std::string& childLabel, bool group) const;
    // Adds a child (a group or a category with its label set) and returns it.
    TableNode* Add(std::unique_ptr<TableNode> child);
    // Group labels outer to inner, then this node's label (the root excluded).
    std::vector<std::string> LabelPath() const;

private:
    // The children by label, groups and categories apart, once there are
    // more than a few: a summary of thousands of tests finds each row in
    // constant time. The keys view the children's labels, which never change.
    std::unordered_map<std::string_view, TableNode*> fByLabel[2];
};

struct TableDimension {
    std::string title;
    bool column = false;  // on the column edge; else on the row edge
    bool split = false;   // a split-file dimension
    int sort = 0;
    bool positionFlags[2] = {false, false};
    TableNode root;
    TableNode* current = nullptr;  // the category asked for last

    // Categories (leaves) depth-first, each parent's children in the order made.
    std::vector<const TableNode*> Categories() const;
};

struct TableCell {
    std::vector<const TableNode*> at;  // one category per dimension, null where it has none
    std::string text;
    std::optional<double> value;  // the number a numeric cell holds
    std::vector<int> notes;
};

struct TableModel {
    std::string title;
    std::string identifier;
    std::string caption;
    bool hasCaption = false;
    int minDataColumnWidth = 0;
    int maxDataColumnWidth = 0;
    std::vector<std::unique_ptr<TableDimension>> dimensions;
    std::vector<std::string> footnotes;  // texts, in order of first use; index gives the mark
    std::vector<int> notes;              // footnotes on the table itself

    // The index of a footnote text, added when new: notes with the same text share it.
    int Footnote(const std::string& text);
    // The cell at these categories, made empty when new.
    TableCell& CellAt(const std::vector<const TableNode*>& at);
    // Cells in row order (the rows as shown: row dimensions outer first, each by
    // its category order), and within a row in column order.
    std::vector<const TableCell*> OrderedCells() const;
    std::vector<const TableDimension*> Dimensions(bool column) const;
    size_t CellCount() const { return fCells.size(); }

private:
    // Cells by their categories.
    struct CategoriesHash {
        size_t operator()(const std::vector<const TableNode*>& at) const {
            size_t hash = at.size();
            for (const TableNode* node : at)
                hash = hash * 1000003u ^ std::hash<const TableNode*>()(node);
            return hash;
        }
    };
    std::unordered_map<std::vector<const TableNode*>, size_t, CategoriesHash> fCellIndex;
    std::vector<std::unique_ptr<TableCell>> fCells;
};

// The mark of footnote index i: "a" to "z", then "aa", "ab", ...
std::string FootnoteMark(int index);

}  // namespace npar
