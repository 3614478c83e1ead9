// Turns a pivot table into the grid both human renderings draw.
//
// Each edge (rows, columns) shows the product of its dimensions as a list of
// tuples, one category per dimension, outer dimension first. Every dimension
// takes as many levels as its deepest category has labels (groups outer to
// inner, then the category); a category less deep than that stretches over
// the levels left below it. Neighbouring tuples that share a label at a level
// and at every level before it share one spanning header cell.
//
// A dimension whose first position flag is clear shows its title: above its
// categories on the column edge, in the corner over its label columns on the
// row edge. Split dimensions with a single category become lines above the grid.
#include "TableLayout.h"

#include <algorithm>
#include <map>
#include <memory>

#include "OutputDocument.h"
#include "text/Utf8.h"

namespace npar {
namespace {

using Tuple = std::vector<const TableNode*>;

// The labels of a category: its groups outer to inner, then itself.
Tuple PathOf(const TableNode* leaf) {
    Tuple path;
    for (const TableNode* node = leaf; node && node->parent; node = node->parent) path.push_back(node);
    std::reverse(path.begin(), path.end());
    return path;
}

template <typename Notes>
std::vector<std::string> Marks(const Notes& notes) {
    std::vector<std::string> marks;
    for (int note : notes) {
        std::string mark = FootnoteMark(note);
        if (!mark.empty() && std::find(marks.begin(), marks.end(), mark) == marks.end())
            marks.push_back(std::move(mark));
    }
    return marks;
}

template <typename Notes>
MarkedText Marked(const std::string& text, const Notes& notes) {
    return {SanitizeUtf8(text), Marks(notes)};
}

// One edge of the table: the dimensions shown on it and the tuples they make.
struct Edge {
    std::vector<size_t> dimensions;                  // indices into the table's dimensions
    std::vector<int> depths;                         // levels each dimension takes
    std::vector<std::unique_ptr<TableNode>> titles;  // a title level's label, or null
    int levels = 0;
    std::vector<Tuple> tuples;
    std::map<Tuple, int> index;  // tuple -> position on the edge
};

// The tuple of a cell on an edge; false when the cell lacks a category there.
bool CellTuple(const TableCell& cell, const Edge& edge, Tuple& tuple) {
    tuple.clear();
    for (size_t d : edge.dimensions) {
        const TableNode* node = d < cell.at.size() ? cell.at[d] : nullptr;
        if (!node) return false;
        tuple.push_back(node);
    }
    return true;
}

bool ShowsTitle(const TableDimension& dimension) { return !dimension.positionFlags[0]; }

// titleLevels: whether dimensions that show their title get a level for it.
Edge MakeEdge(const TableModel& table, const std::vector<size_t>& dimensions,
              const std::vector<const TableCell*>& cells, bool titleLevels) {
    Edge edge;
    edge.dimensions = dimensions;
    std::map<const TableNode*, size_t> position;
    std::vector<std::vector<const TableNode*>> categories;
    for (size_t d : dimensions) {
        categories.push_back(table.dimensions[d]->Categories());
        int depth = 1;
        for (size_t i = 0; i < categories.back().size(); ++i) {
            position[categories.back()[i]] = i;
            depth = std::max(depth, static_cast<int>(PathOf(categories.back()[i]).size()));
        }
        edge.titles.emplace_back();
        if (titleLevels && ShowsTitle(*table.dimensions[d])) {
            edge.titles.back() = std::make_unique<TableNode>();
            edge.titles.back()->label = table.dimensions[d]->title;
            ++depth;
        }
        edge.depths.push_back(depth);
        edge.levels += depth;
    }
    if (dimensions.empty()) {
        edge.tuples.push_back({});
    } else if (dimensions.size() == 1) {
        // One dimension shows every category, even one without cells.
        for (const TableNode* category : categories[0]) edge.tuples.push_back({category});
    } else {
        // Several dimensions show the combinations that hold cells, in category order.
        std::map<std::vector<size_t>, Tuple> ordered;
        Tuple tuple;
        for (const TableCell* cell : cells) {
            if (!CellTuple(*cell, edge, tuple)) continue;
            std::vector<size_t> key;
            for (const TableNode* node : tuple) key.push_back(position[node]);
            ordered.emplace(std::move(key), tuple);
        }
        for (auto& entry : ordered) edge.tuples.push_back(std::move(entry.second));
    }
    for (size_t i = 0; i < edge.tuples.size(); ++i)
        edge.index.emplace(edge.tuples[i], static_cast<int>(i));
    return edge;
}

// The node shown at every level of every tuple of an edge.
std::vector<Tuple> LevelNodes(const Edge& edge) {
    std::vector<Tuple> nodes;
    nodes.reserve(edge.tuples.size());
    for (const Tuple& tuple : edge.tuples) {
        Tuple levels;
        for (size_t d = 0; d < tuple.size(); ++d) {
            const Tuple path = PathOf(tuple[d]);
            const TableNode* title = edge.titles[d].get();
            if (title) levels.push_back(title);
            for (int level = 0; level < edge.depths[d] - (title ? 1 : 0); ++level) {
                // Levels past the category's own depth repeat the category.
                const size_t at = std::min(static_cast<size_t>(level), path.size() - 1);
                levels.push_back(path.empty() ? tuple[d] : path[at]);
            }
        }
        nodes.push_back(std::move(levels));
    }
    return nodes;
}

struct EdgeSpan {
    int level = 0;
    int levelSpan = 1;
    int start = 0;
    int count = 1;
    const TableNode* node = nullptr;
};

// The header cells of an edge: one per run of tuples that share the labels of
// a level and of every level before it.
std::vector<EdgeSpan> EdgeSpans(const Edge& edge) {
    const std::vector<Tuple> nodes = LevelNodes(edge);
    const int count = static_cast<int>(nodes.size());
    auto samePrefix = [&](int a, int b, int level) {
        for (int l = 0; l <= level; ++l) {
            if (nodes[a][l] != nodes[b][l]) return false;
        }
        return true;
    };
    std::vector<EdgeSpan> spans;
    for (int level = 0; level < edge.levels; ++level) {
        for (int t = 0; t < count;) {
            int end = t + 1;
            while (end < count && samePrefix(t, end, level)) ++end;
            const TableNode* node = nodes[t][level];
            // A category stretched from the level above is covered by that cell.
            if (level == 0 || nodes[t][level - 1] != node) {
                EdgeSpan span;
                span.level = level;
                span.start = t;
                span.count = end - t;
                span.node = node;
                while (level + span.levelSpan < edge.levels && nodes[t][level + span.levelSpan] == node)
                    ++span.levelSpan;
                spans.push_back(span);
            }
            t = end;
        }
    }
    return spans;
}

// Data columns whose cells all hold numbers (and that have at least one).
std::vector<bool> NumericColumns(const std::vector<LayoutCell>& data, const TableLayout& layout) {
    const size_t columns = static_cast<size_t>(layout.columns);
    std::vector<int> numbers(columns, 0), texts(columns, 0);
    for (const LayoutCell& cell : data) {
        if (cell.content.text.empty() && cell.content.marks.empty()) continue;
        ++(cell.numeric ? numbers : texts)[static_cast<size_t>(cell.column)];
    }
    std::vector<bool> numeric(columns, false);
    for (size_t c = 0; c < columns; ++c) numeric[c] = numbers[c] > 0 && texts[c] == 0;
    return numeric;
}

// The corner over the row labels: one blank cell, or one cell per row
// dimension when some of them show their titles.
std::vector<LayoutCell> Corner(const TableModel& table, const Edge& rows, int headerRows) {
    std::vector<LayoutCell> corner;
    if (headerRows == 0 || rows.levels == 0) return corner;
    bool titled = false;
    for (size_t d : rows.dimensions) titled = titled || ShowsTitle(*table.dimensions[d]);
    LayoutCell cell;
    cell.kind = LayoutCell::Kind::Corner;
    cell.rowSpan = headerRows;
    if (!titled) {
        cell.columnSpan = rows.levels;
        corner.push_back(cell);
        return corner;
    }
    for (size_t i = 0; i < rows.dimensions.size(); ++i) {
        const TableDimension& dimension = *table.dimensions[rows.dimensions[i]];
        cell.columnSpan = rows.depths[i];
        cell.content = Marked(ShowsTitle(dimension) ? dimension.title : std::string(), NoteList());
        corner.push_back(cell);
        cell.column += cell.columnSpan;
    }
    return corner;
}

// Orders the cells by their top-left corner and records which cell covers
// each grid position. A position no cell covers gets an empty one, so the
// writers can rely on the grid being whole.
void Place(std::vector<LayoutCell> cells, TableLayout& layout) {
    const size_t columns = static_cast<size_t>(layout.columns);
    std::vector<bool> covered(static_cast<size_t>(layout.rows) * columns, false);
    for (const LayoutCell& cell : cells) {
        for (int r = cell.row; r < cell.row + cell.rowSpan && r < layout.rows; ++r) {
            for (int c = cell.column; c < cell.column + cell.columnSpan && c < layout.columns; ++c)
                covered[static_cast<size_t>(r) * columns + static_cast<size_t>(c)] = true;
        }
    }
    for (size_t at = 0; at < covered.size(); ++at) {
        if (covered[at]) continue;
        LayoutCell blank;
        blank.row = static_cast<int>(at / columns);
        blank.column = static_cast<int>(at % columns);
        cells.push_back(blank);
    }
    std::stable_sort(cells.begin(), cells.end(), [](const LayoutCell& a, const LayoutCell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    layout.owners.assign(covered.size(), -1);
    for (size_t i = 0; i < cells.size(); ++i) {
        const LayoutCell& cell = cells[i];
        for (int r = cell.row; r < cell.row + cell.rowSpan && r < layout.rows; ++r) {
            for (int c = cell.column; c < cell.column + cell.columnSpan && c < layout.columns; ++c)
                layout.owners[static_cast<size_t>(r) * columns + static_cast<size_t>(c)] =
                    static_cast<int>(i);
        }
    }
    layout.cells = std::move(cells);
}

// Split dimensions with one category become lines above the grid; empty
// dimensions show nothing; the rest go to their edge.
void AssignDimensions(const TableModel& table, TableLayout& layout, std::vector<size_t>& rows,
                      std::vector<size_t>& columns) {
    for (size_t d = 0; d < table.dimensions.size(); ++d) {
        const TableDimension& dimension = *table.dimensions[d];
        const auto categories = dimension.Categories();
        if (categories.empty()) continue;
        if (dimension.split && categories.size() == 1) {
            layout.splits.push_back(
                {SanitizeUtf8(dimension.title), Marked(categories[0]->label, categories[0]->notes)});
            continue;
        }
        (dimension.column ? columns : rows).push_back(d);
    }
}

// The data part of the grid, row by row; empty where the table has no cell.
std::vector<LayoutCell> DataCells(const std::vector<const TableCell*>& cells, const Edge& rows,
                                  const Edge& columns, const TableLayout& layout) {
    const size_t width = columns.tuples.size();
    std::vector<LayoutCell> data(rows.tuples.size() * width);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i].row = layout.headerRows + static_cast<int>(i / width);
        data[i].column = layout.labelColumns + static_cast<int>(i % width);
    }
    Tuple rowTuple, columnTuple;
    for (const TableCell* cell : cells) {
        if (!CellTuple(*cell, rows, rowTuple) || !CellTuple(*cell, columns, columnTuple)) continue;
        const auto r = rows.index.find(rowTuple);
        const auto c = columns.index.find(columnTuple);
        if (r == rows.index.end() || c == columns.index.end()) continue;
        LayoutCell& placed =
            data[static_cast<size_t>(r->second) * width + static_cast<size_t>(c->second)];
        placed.content = Marked(cell->text, cell->notes);
        // The missing value of a numeric cell shows as "." and aligns as a number.
        placed.numeric = cell->value.has_value() || cell->text == ".";
        placed.align = placed.numeric ? CellAlign::Right : CellAlign::Left;
    }
    return data;
}

// Column labels: spanning ones centred, those over a column of numbers right-aligned.
void AddColumnLabels(const Edge& columns, const std::vector<bool>& numericColumn,
                     const TableLayout& layout, std::vector<LayoutCell>& cells) {
    for (const EdgeSpan& span : EdgeSpans(columns)) {
        LayoutCell label;
        label.kind = LayoutCell::Kind::ColumnLabel;
        label.row = span.level;
        label.rowSpan = span.levelSpan;
        label.column = layout.labelColumns + span.start;
        label.columnSpan = span.count;
        label.content = Marked(span.node->label, span.node->notes);
        label.align = span.count > 1                                     ? CellAlign::Center
                      : numericColumn[static_cast<size_t>(label.column)] ? CellAlign::Right
                                                                         : CellAlign::Left;
        cells.push_back(std::move(label));
    }
}

void AddRowLabels(const Edge& rows, const TableLayout& layout, std::vector<LayoutCell>& cells) {
    for (const EdgeSpan& span : EdgeSpans(rows)) {
        LayoutCell label;
        label.kind = LayoutCell::Kind::RowLabel;
        label.row = layout.headerRows + span.start;
        label.rowSpan = span.count;
        label.column = span.level;
        label.columnSpan = span.levelSpan;
        label.content = Marked(span.node->label, span.node->notes);
        cells.push_back(std::move(label));
    }
}

}  // namespace

std::string WithMarks(const MarkedText& text) {
    if (text.marks.empty()) return text.text;
    std::string out = text.text + "[";
    for (size_t i = 0; i < text.marks.size(); ++i) out += (i ? "," : "") + text.marks[i];
    return out + "]";
}

TableLayout LayOutTable(const TableModel& table) {
    TableLayout layout;
    layout.title = Marked(table.title, table.notes);
    layout.hasCaption = table.hasCaption;
    layout.caption = SanitizeUtf8(table.caption);
    for (size_t i = 0; i < table.footnotes.size(); ++i)
        layout.footnotes.push_back(
            {FootnoteMark(static_cast<int>(i)), SanitizeUtf8(table.footnotes[i])});

    std::vector<size_t> rowDimensions, columnDimensions;
    AssignDimensions(table, layout, rowDimensions, columnDimensions);
    const std::vector<const TableCell*> cells = table.OrderedCells();
    // A table that got neither categories nor cells has no grid to show.
    if (rowDimensions.empty() && columnDimensions.empty() && cells.empty()) return layout;
    const Edge rows = MakeEdge(table, rowDimensions, cells, false);
    const Edge columns = MakeEdge(table, columnDimensions, cells, true);
    layout.headerRows = columns.levels;
    layout.labelColumns = rows.levels;
    layout.rows = layout.headerRows + static_cast<int>(rows.tuples.size());
    layout.columns = layout.labelColumns + static_cast<int>(columns.tuples.size());

    std::vector<LayoutCell> data = DataCells(cells, rows, columns, layout);
    std::vector<LayoutCell> all = Corner(table, rows, layout.headerRows);
    AddColumnLabels(columns, NumericColumns(data, layout), layout, all);
    AddRowLabels(rows, layout, all);
    for (LayoutCell& cell : data) all.push_back(std::move(cell));
    Place(std::move(all), layout);
    return layout;
}

}  // namespace npar
