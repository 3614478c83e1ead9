// A table's layout grid as tab-separated text, for pasting into a spreadsheet.
#include "TableLayout.h"

namespace npar {
namespace {

// The text of a cell on one line of its own: tabs and line breaks would start
// another cell or row.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

// The grid row on which a cell's text shows: column labels and the corner sit
// on the last row they span, as both renderings draw them, so the last header
// row names every column; every other cell on its first row.
int TextRow(const LayoutCell& cell) {
    const bool header =
        cell.kind == LayoutCell::Kind::ColumnLabel || cell.kind == LayoutCell::Kind::Corner;
    return header ? cell.row + cell.rowSpan - 1 : cell.row;
}

}  // namespace

std::string TableAsTabSeparated(const TableLayout& layout) {
    std::string out;
    for (int row = 0; row < layout.rows; ++row) {
        if (row > 0) out += '\n';
        for (int column = 0; column < layout.columns; ++column) {
            if (column > 0) out += '\t';
            const LayoutCell& cell = layout.cells[static_cast<size_t>(layout.Owner(row, column))];
            if (TextRow(cell) == row && cell.column == column) out += OneLine(cell.content.text);
        }
    }
    return out;
}

}  // namespace npar
