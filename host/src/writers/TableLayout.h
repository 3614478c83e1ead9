// The layout of a pivot table as the human renderings show it: a grid of
// column header rows, row label columns and data cells, with spans for nested
// groups, plus the lines around the grid (title, split values, caption,
// footnotes). The text and HTML writers both draw this grid; neither looks at
// the table model itself.
#pragma once

#include <string>
#include <vector>

#include "OutputTable.h"

namespace npar {

// A text with the marks of the footnotes on it. Texts are valid UTF-8.
struct MarkedText {
    std::string text;
    std::vector<std::string> marks;  // "a", "b", ... in order, each once
};

enum class CellAlign { Left, Center, Right };

struct LayoutCell {
    enum class Kind { Corner, ColumnLabel, RowLabel, Data };
    Kind kind = Kind::Data;
    int row = 0;  // grid position of the top-left corner
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    MarkedText content;
    CellAlign align = CellAlign::Left;
    bool numeric = false;  // a data cell holding a number (or the missing value)
};

// A split-file dimension with a single category, shown as "title: value".
struct SplitLine {
    std::string title;
    MarkedText value;
};

struct Footnote {
    std::string mark;
    std::string text;
};

struct TableLayout {
    MarkedText title;
    std::vector<SplitLine> splits;
    int headerRows = 0;    // grid rows above the data: one per column level
    int labelColumns = 0;  // grid columns left of the data: one per row level
    int rows = 0;          // grid size, headers and labels included
    int columns = 0;
    // Every grid position is covered by exactly one cell; cells are listed by
    // the row, then the column, of their top-left corner.
    std::vector<LayoutCell> cells;
    bool hasCaption = false;
    std::string caption;
    std::vector<Footnote> footnotes;

    // The index in cells of the cell covering a grid position.
    int Owner(int row, int column) const {
        return owners[static_cast<size_t>(row) * static_cast<size_t>(columns) +
                      static_cast<size_t>(column)];
    }
    std::vector<int> owners;  // rows x columns, row-major
};

TableLayout LayOutTable(const TableModel& table);

// A text followed by its marks as the plain-text rendering writes them: "text[a,b]".
std::string WithMarks(const MarkedText& text);

// The grid as tab-separated text: one line per grid row, header rows first,
// cells separated by tabs. A cell spanning several positions gives its text
// once, where the renderings show it (a column label on the last row it
// spans, in its first column), and leaves the others empty; footnote marks
// are left out (the notes are not copied), and tabs and line breaks inside a
// text become blanks.
std::string TableAsTabSeparated(const TableLayout& layout);

}  // namespace npar
