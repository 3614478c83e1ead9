// The output document as plain text: headings as a numbered outline, tables
// drawn as boxed grids that fit in 100 columns (long texts wrap inside their
// column; a table whose numbers alone are wider runs past the line rather
// than cut one), footnote marks written as "text[a]".
#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ChartListing.h"
#include "OutputWriters.h"
#include "TableLayout.h"
#include "WorkerStream.h"
#include "text/Blanks.h"
#include "text/Utf8.h"

namespace npar {
namespace {

constexpr int kLineWidth = 100;
constexpr int kNarrowestBody = 40;  // tables deep in the outline still get this much
constexpr int kWrapFloor = 15;      // a text column is not squeezed below this (or its longest word)
constexpr int kShortText = 10;      // a body text this short is not broken: "ε² = .17" reads as one
constexpr int kCappedText = 8;      // texts squeezed below their floor keep this much

// ---------------------------------------------------------------------------
// Texts: widths in characters (UTF-8 code points) and word wrapping.

int Width(std::string_view text) { return static_cast<int>(DisplayWidth(text)); }

std::vector<std::string> Paragraphs(const std::string& text) {
    std::vector<std::string> paragraphs;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        paragraphs.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return paragraphs;
}

std::vector<std::string> Words(const std::string& paragraph) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= paragraph.size()) {
        size_t end = paragraph.find(' ', start);
        if (end == std::string::npos) end = paragraph.size();
        if (end > start) words.push_back(paragraph.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// A hyphenated word's parts, each up to and including its hyphen ("Kolmogorov-" "Smirnov").
std::vector<std::string> HyphenParts(const std::string& word) {
    std::vector<std::string> parts;
    for (size_t from = 0; from < word.size();) {
        const size_t hyphen = word.find('-', from + 1);
        const size_t to =
            hyphen != std::string::npos && hyphen + 1 < word.size() ? hyphen + 1 : word.size();
        parts.push_back(word.substr(from, to - from));
        from = to;
    }
    return parts;
}

// Calls each(paragraph) for the paragraphs of text, as Paragraphs makes them.
template <typename Each>
void ForEachParagraph(std::string_view text, Each each) {
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        each(text.substr(start, end - start));
        start = end + 1;
    }
}

// The widest part wrapping keeps whole: of the words of each paragraph, as
// Words makes them, the parts HyphenParts makes; counted without copying them.
int LongestPiece(std::string_view text) {
    int longest = 0;
    ForEachParagraph(text, [&longest](std::string_view paragraph) {
        for (size_t from = 0; from <= paragraph.size();) {
            size_t to = paragraph.find(' ', from);
            if (to == std::string_view::npos) to = paragraph.size();
            const std::string_view word = paragraph.substr(from, to - from);
            from = to + 1;
            for (size_t at = 0; at < word.size();) {
                const size_t hyphen = word.find('-', at + 1);
                const size_t stop = hyphen != std::string_view::npos && hyphen + 1 < word.size()
                                        ? hyphen + 1
                                        : word.size();
                longest = std::max(longest, Width(word.substr(at, stop - at)));
                at = stop;
            }
        }
    });
    return longest;
}

int LongestLine(std::string_view text) {
    int longest = 0;
    ForEachParagraph(
        text, [&longest](std::string_view paragraph) { longest = std::max(longest, Width(paragraph)); });
    return longest;
}

// Fills lines of a width greedily; what is longer than a line is cut.
class LineFiller {
public:
    LineFiller(std::vector<std::string>& lines, int width) : fLines(lines), fWidth(width) {}

    void Add(std::string piece, bool spaced) {
        int size = Width(piece);
        const int join = fLine.empty() || !spaced ? 0 : 1;
        if (!fLine.empty() && fUsed + join + size <= fWidth) {
            fLine += (join ? " " : "") + piece;
            fUsed += join + size;
            return;
        }
        if (!fLine.empty()) fLines.push_back(fLine);
        while (size > fWidth) {
            const size_t cut = DisplayPrefix(piece, static_cast<size_t>(fWidth));
            fLines.push_back(piece.substr(0, cut));
            piece.erase(0, cut);
            size = Width(piece);
        }
        fLine = piece;
        fUsed = size;
    }
    void Finish() { fLines.push_back(fLine); }

private:
    std::vector<std::string>& fLines;
    int fWidth;
    std::string fLine;
    int fUsed = 0;
};

// Whether text is one line as it stands at a width: no line break, no blank
// that wrapping would drop (leading, trailing or doubled), and it fits. Most
// cells are; wrapping gives them back whole.
bool FitsAsItStands(std::string_view text, int width) {
    if (text.find('\n') != std::string_view::npos) return false;
    if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) return false;
    if (text.find("  ") != std::string_view::npos) return false;
    return Width(text) <= width;
}

// Greedy wrap at blanks; a word longer than the width breaks after its
// hyphens, and a part still too long is cut. Newlines break lines.
std::vector<std::string> Wrap(const std::string& text, int width) {
    width = std::max(width, 1);
    if (FitsAsItStands(text, width)) return {text};
    std::vector<std::string> lines;
    for (const std::string& paragraph : Paragraphs(text)) {
        LineFiller filler(lines, width);
        for (const std::string& word : Words(paragraph)) {
            if (Width(word) <= width) {
                filler.Add(word, true);
                continue;
            }
            bool first = true;
            for (const std::string& part : HyphenParts(word)) {
                filler.Add(part, first);
                first = false;
            }
        }
        filler.Finish();
    }
    return lines;
}

// The number of lines Wrap(text, width) makes, counted the same way without
// making them: the search for column widths asks it of every cell at many
// widths.
size_t LineCount(std::string_view text, int width) {
    width = std::max(width, 1);
    if (FitsAsItStands(text, width)) return 1;
    size_t lines = 0;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view paragraph = text.substr(start, end - start);
        start = end + 1;
        // As LineFiller::Add: a piece joins the line when it fits, else it
        // starts a new one, cut into whole lines while longer than one.
        bool lineEmpty = true;
        int used = 0;
        const auto add = [&](std::string_view piece, bool spaced) {
            int size = Width(piece);
            const int join = lineEmpty || !spaced ? 0 : 1;
            if (!lineEmpty && used + join + size <= width) {
                used += join + size;
                return;
            }
            if (!lineEmpty) ++lines;
            while (size > width) {
                piece.remove_prefix(DisplayPrefix(piece, static_cast<size_t>(width)));
                ++lines;
                size = Width(piece);
            }
            lineEmpty = false;  // a piece is never empty
            used = size;
        };
        for (size_t from = 0; from <= paragraph.size();) {
            size_t to = paragraph.find(' ', from);
            if (to == std::string_view::npos) to = paragraph.size();
            const std::string_view word = paragraph.substr(from, to - from);
            from = to + 1;
            if (word.empty()) continue;
            if (Width(word) <= width) {
                add(word, true);
                continue;
            }
            // The word's parts after its hyphens, as HyphenParts makes them.
            bool first = true;
            for (size_t at = 0; at < word.size();) {
                const size_t hyphen = word.find('-', at + 1);
                const size_t stop = hyphen != std::string_view::npos && hyphen + 1 < word.size()
                                        ? hyphen + 1
                                        : word.size();
                add(word.substr(at, stop - at), first);
                first = false;
                at = stop;
            }
        }
        ++lines;  // the paragraph's last line
    }
    return lines;
}

std::string Pad(const std::string& text, int width, CellAlign align) {
    const int space = std::max(0, width - Width(text));
    const int left = align == CellAlign::Right ? space : align == CellAlign::Center ? space / 2 : 0;
    return std::string(static_cast<size_t>(left), ' ') + text +
           std::string(static_cast<size_t>(space - left), ' ');
}

// Blanks held while a line is wrapped, written as blanks again.
constexpr char kHeldBlank = '\x01';

// A results line reads best when its statements stay whole (HeldBlanks):
// those blanks are held while the line is wrapped to width. A held run
// longer than a line (an unclosed bracket, a long interval) is let go, so
// that nothing is cut inside a word that would not have been before; a text
// that holds the marker itself is wrapped as it stands.
std::string HoldTogether(std::string text, int width) {
    if (text.find(kHeldBlank) != std::string::npos) return text;
    const std::vector<bool> held = HeldBlanks(text);
    for (size_t i = 0; i < text.size(); ++i)
        if (held[i]) text[i] = kHeldBlank;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of(" \n", start);
        if (end == std::string::npos) end = text.size();
        const std::string_view run(text.data() + start, end - start);
        if (Width(run) > width) std::replace(text.begin() + start, text.begin() + end, kHeldBlank, ' ');
        start = end + 1;
    }
    return text;
}

// Text wrapped to width under indent, its statements held together, the
// lines after the first hung hang blanks deeper.
std::string HangingLines(const std::string& text, const std::string& indent, int hang, int width) {
    std::string out;
    const bool holds = text.find(kHeldBlank) == std::string::npos;
    const std::vector<std::string> lines = Wrap(HoldTogether(text, width - hang), width - hang);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (holds) std::replace(line.begin(), line.end(), kHeldBlank, ' ');
        out += indent + std::string(i == 0 ? 0 : static_cast<size_t>(hang), ' ') + line + "\n";
    }
    return out;
}

// Wrapped lines of a paragraph under the table (its title, caption and
// notes), continuation lines indented, its statements held together.
void WriteParagraph(const std::string& text, int hang, const std::string& indent, int width,
                    OutputSink& out) {
    out += HangingLines(text, indent, hang, width);
}

// ---------------------------------------------------------------------------
// The grid of a table.

struct Grid {
    const TableLayout& layout;
    std::vector<int> widths;                      // per grid column
    std::vector<int> heights;                     // text lines per grid row
    std::vector<std::vector<std::string>> lines;  // per layout cell
    std::vector<bool> ruleAbove;                  // per grid row, and one past the last

    int SpanWidth(const LayoutCell& cell) const {
        int width = 3 * (cell.columnSpan - 1);
        for (int c = cell.column; c < cell.column + cell.columnSpan; ++c)
            width += widths[static_cast<size_t>(c)];
        return width;
    }
};

// Column widths: what the cells need, squeezed to fit the line width. Numbers
// and short body texts keep their width; other texts wrap, down to a floor. A squeezed table gets the
// narrowest widths at which no body cell takes more than some number of lines
// (the smallest number that fits) and no header more than that or three, so
// headers wrap before rows grow. What is left over then saves lines where
// that is cheapest, and last widens the columns that were cut.
class WidthPlan {
public:
    WidthPlan(const TableLayout& layout, int lineWidth);
    std::vector<int> Widths();

private:
    static constexpr size_t kHeaderLines = 3;
    struct Texts {
        std::vector<std::string> body, head;  // of the cells one column wide
    };
    static bool IsHeader(const LayoutCell& cell) {
        return cell.kind == LayoutCell::Kind::ColumnLabel || cell.kind == LayoutCell::Kind::Corner;
    }
    static size_t MostLines(const std::vector<std::string>& texts, int width);
    struct Lines {
        size_t body, head;
    };
    // The most lines a body cell and a header cell of column c take at a width.
    Lines LinesAt(size_t c, int width) const;
    static long Sum(const std::vector<int>& widths);
    int SpanWidth(const LayoutCell& cell) const;
    // The narrowest width of column c at which its body and header cells take
    // at most these many lines.
    int Narrowest(size_t c, size_t body, size_t head) const;
    long Limit(size_t body);  // sets the widths for a line limit, gives their sum
    std::vector<int> CapFloors();
    void SaveLines(long& slack);
    void Spread(long& slack);

    size_t fColumns;
    long fBudget;
    std::vector<int> fNatural, fFloor, fWidths;
    std::vector<int> fNumbers;  // the widest number of each column, which is never cut
    std::vector<Texts> fTexts;
    std::vector<const LayoutCell*> fSpanning;          // narrowest span first
    mutable std::vector<std::map<int, Lines>> fLines;  // per column, by width
};

WidthPlan::WidthPlan(const TableLayout& layout, int lineWidth)
    : fColumns(static_cast<size_t>(layout.columns)),
      fBudget(lineWidth - 1 - 3L * layout.columns),
      fNatural(fColumns, 1),
      fFloor(fColumns, 1),
      fWidths(fColumns, 1),
      fNumbers(fColumns, 0),
      fTexts(fColumns),
      fLines(fColumns) {
    for (const LayoutCell& cell : layout.cells) {
        if (cell.columnSpan != 1) {
            fSpanning.push_back(&cell);
            continue;
        }
        const size_t c = static_cast<size_t>(cell.column);
        std::string text = WithMarks(cell.content);
        fNatural[c] = std::max(fNatural[c], LongestLine(text));
        const int longest = LongestLine(text);
        const bool whole = cell.numeric || (!IsHeader(cell) && longest <= kShortText);
        fFloor[c] = std::max(fFloor[c], whole ? longest : std::min(LongestPiece(text), kWrapFloor));
        if (cell.numeric) fNumbers[c] = std::max(fNumbers[c], longest);
        (IsHeader(cell) ? fTexts[c].head : fTexts[c].body).push_back(std::move(text));
    }
    std::stable_sort(fSpanning.begin(), fSpanning.end(), [](const LayoutCell* a, const LayoutCell* b) {
        return a->columnSpan < b->columnSpan;
    });
    // Spanning cells widen the columns they span so that they fit on one line.
    for (const LayoutCell* cell : fSpanning) {
        int have = 3 * (cell->columnSpan - 1);
        for (int c = cell->column; c < cell->column + cell->columnSpan; ++c)
            have += fNatural[static_cast<size_t>(c)];
        const int need = LongestLine(WithMarks(cell->content)) - have;
        for (int i = 0; i < need; ++i)
            ++fNatural[static_cast<size_t>(cell->column + i % cell->columnSpan)];
    }
}

size_t WidthPlan::MostLines(const std::vector<std::string>& texts, int width) {
    size_t most = 1;
    for (const std::string& text : texts) most = std::max(most, LineCount(text, width));
    return most;
}

WidthPlan::Lines WidthPlan::LinesAt(size_t c, int width) const {
    auto found = fLines[c].find(width);
    if (found == fLines[c].end())
        found = fLines[c]
                    .emplace(width,
                             Lines{MostLines(fTexts[c].body, width), MostLines(fTexts[c].head, width)})
                    .first;
    return found->second;
}

long WidthPlan::Sum(const std::vector<int>& widths) {
    long total = 0;
    for (int width : widths) total += width;
    return total;
}

int WidthPlan::SpanWidth(const LayoutCell& cell) const {
    int width = 3 * (cell.columnSpan - 1);
    for (int c = cell.column; c < cell.column + cell.columnSpan; ++c)
        width += fWidths[static_cast<size_t>(c)];
    return width;
}

int WidthPlan::Narrowest(size_t c, size_t body, size_t head) const {
    int lo = fFloor[c], hi = std::max(fFloor[c], fNatural[c]);
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const Lines lines = LinesAt(c, mid);
        if (lines.body <= body && lines.head <= head)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

long WidthPlan::Limit(size_t body) {
    const size_t head = std::max(body, kHeaderLines);
    for (size_t c = 0; c < fColumns; ++c) fWidths[c] = Narrowest(c, body, head);
    // A spanning cell that needs more lines widens the columns it spans.
    for (const LayoutCell* cell : fSpanning) {
        const std::string text = WithMarks(cell->content);
        const size_t most = IsHeader(*cell) ? head : body;
        const int have = SpanWidth(*cell);
        int lo = have, hi = std::max(have, LongestLine(text));
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (LineCount(text, mid) <= most)
                hi = mid;
            else
                lo = mid + 1;
        }
        for (int i = 0; i < lo - have; ++i)
            ++fWidths[static_cast<size_t>(cell->column + i % cell->columnSpan)];
    }
    return Sum(fWidths);
}

// When even the floors do not fit, the texts' floors are capped alike, but
// not below a few characters, and a number is never cut: "153.579" broken
// into "153." and "579" would read as two numbers. A table that does not fit
// even so keeps its floors, wider than the line.
std::vector<int> WidthPlan::CapFloors() {
    auto capped = [&](int cap) {
        for (size_t c = 0; c < fColumns; ++c)
            fWidths[c] = std::max(fNumbers[c], std::min(fFloor[c], cap));
        return Sum(fWidths);
    };
    if (capped(kCappedText) > fBudget) return fWidths = fFloor;
    int lo = kCappedText, hi = std::max(kCappedText, *std::max_element(fFloor.begin(), fFloor.end()));
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (capped(mid) <= fBudget)
            lo = mid;
        else
            hi = mid - 1;
    }
    capped(lo);
    return fWidths;
}

void WidthPlan::SaveLines(long& slack) {
    for (;;) {
        size_t best = fColumns;
        int bestCost = 0;
        for (size_t c = 0; c < fColumns; ++c) {
            if (fWidths[c] >= fNatural[c]) continue;
            const size_t body = LinesAt(c, fWidths[c]).body;
            const size_t head = LinesAt(c, fWidths[c]).head;
            // A body line saved counts before a header line at the same cost.
            for (int saveHead = 0; saveHead < 2; ++saveHead) {
                if ((saveHead ? head : body) <= 1) continue;
                const int cost =
                    Narrowest(c, body - (saveHead ? 0 : 1), head - (saveHead ? 1 : 0)) - fWidths[c];
                if (cost > 0 && cost <= slack && (best == fColumns || cost < bestCost))
                    best = c, bestCost = cost;
            }
        }
        if (best == fColumns) return;
        fWidths[best] += bestCost;
        slack -= bestCost;
    }
}

void WidthPlan::Spread(long& slack) {
    std::vector<size_t> cut;
    for (size_t c = 0; c < fColumns; ++c)
        if (fWidths[c] < fNatural[c]) cut.push_back(c);
    std::stable_sort(cut.begin(), cut.end(),
                     [&](size_t a, size_t b) { return fNatural[a] > fNatural[b]; });
    for (bool gave = true; slack > 0 && gave;) {
        gave = false;
        for (size_t c : cut) {
            if (slack > 0 && fWidths[c] < fNatural[c]) ++fWidths[c], --slack, gave = true;
        }
    }
}

std::vector<int> WidthPlan::Widths() {
    if (Sum(fNatural) <= fBudget) return fNatural;
    if (Sum(fFloor) > fBudget) return CapFloors();
    size_t lo = 1, hi = 1;
    for (size_t c = 0; c < fColumns; ++c) hi = std::max(hi, LinesAt(c, fFloor[c]).body);
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (Limit(mid) <= fBudget)
            hi = mid;
        else
            lo = mid + 1;
    }
    long slack = fBudget - Limit(lo);
    SaveLines(slack);
    Spread(slack);
    return fWidths;
}

// Rules go above the first row, between header rows, under the header, around
// groups of rows and at the bottom; between all rows when some row wraps.
std::vector<bool> Rules(const TableLayout& layout, const std::vector<int>& heights) {
    std::vector<bool> rules(static_cast<size_t>(layout.rows) + 1, false);
    bool wrapped = false;
    for (int r = layout.headerRows; r < layout.rows; ++r)
        wrapped = wrapped || heights[static_cast<size_t>(r)] > 1;
    for (int r = 0; r <= layout.rows; ++r) {
        bool rule = r == 0 || r == layout.rows || r <= layout.headerRows || wrapped;
        if (!rule && layout.labelColumns > 0) {
            const LayoutCell& above = layout.cells[static_cast<size_t>(layout.Owner(r - 1, 0))];
            const LayoutCell& below = layout.cells[static_cast<size_t>(layout.Owner(r, 0))];
            rule = &above != &below && (above.rowSpan > 1 || below.rowSpan > 1);
        }
        rules[static_cast<size_t>(r)] = rule;
    }
    return rules;
}

Grid LayOutGrid(const TableLayout& layout, int lineWidth) {
    Grid grid{layout,
              WidthPlan(layout, lineWidth).Widths(),
              std::vector<int>(static_cast<size_t>(layout.rows), 1),
              {},
              {}};
    std::vector<size_t> byRowSpan;
    for (size_t i = 0; i < layout.cells.size(); ++i) {
        const LayoutCell& cell = layout.cells[i];
        grid.lines.push_back(Wrap(WithMarks(cell.content), grid.SpanWidth(cell)));
        if (cell.rowSpan == 1) {
            int& height = grid.heights[static_cast<size_t>(cell.row)];
            height = std::max(height, static_cast<int>(grid.lines.back().size()));
        } else {
            byRowSpan.push_back(i);
        }
    }
    // A cell over several rows that needs more lines than they have lengthens its last row.
    std::stable_sort(byRowSpan.begin(), byRowSpan.end(), [&](size_t a, size_t b) {
        return layout.cells[a].rowSpan < layout.cells[b].rowSpan;
    });
    for (size_t i : byRowSpan) {
        const LayoutCell& cell = layout.cells[i];
        const int last = std::min(cell.row + cell.rowSpan, layout.rows) - 1;
        int have = 0;
        for (int r = cell.row; r <= last; ++r) have += grid.heights[static_cast<size_t>(r)];
        const int need = static_cast<int>(grid.lines[i].size()) - have;
        if (need > 0) grid.heights[static_cast<size_t>(last)] += need;
    }
    grid.ruleAbove = Rules(layout, grid.heights);
    return grid;
}

// The rule between grid rows row - 1 and row: dashes where a cell ends, blanks
// where a cell goes on across it, corners where lines meet.
std::string RuleLine(const Grid& grid, int row) {
    const TableLayout& layout = grid.layout;
    const int columns = layout.columns;
    auto owner = [&](int r, int c) { return r < 0 || r >= layout.rows ? -1 : layout.Owner(r, c); };
    auto across = [&](int c) { return owner(row - 1, c) != owner(row, c); };
    auto edge = [&](int r, int j) {
        if (r < 0 || r >= layout.rows) return false;
        return j == 0 || j == columns || owner(r, j - 1) != owner(r, j);
    };
    std::string line;
    for (int j = 0; j <= columns; ++j) {
        const bool horizontal = (j > 0 && across(j - 1)) || (j < columns && across(j));
        const bool vertical = edge(row - 1, j) || edge(row, j);
        line += horizontal && vertical ? '+' : horizontal ? '-' : vertical ? '|' : ' ';
        if (j == columns) break;
        line += std::string(static_cast<size_t>(grid.widths[static_cast<size_t>(j)]) + 2,
                            across(j) ? '-' : ' ');
    }
    return line;
}

// The text line `line` of grid row `row`.
std::string TextLine(const Grid& grid, int row, int line) {
    const TableLayout& layout = grid.layout;
    std::string text = "|";
    for (int c = 0; c < layout.columns;) {
        const size_t index = static_cast<size_t>(layout.Owner(row, c));
        const LayoutCell& cell = layout.cells[index];
        const std::vector<std::string>& lines = grid.lines[index];
        int offset = line;
        for (int r = cell.row; r < row; ++r) offset += grid.heights[static_cast<size_t>(r)];
        if (cell.kind == LayoutCell::Kind::ColumnLabel || cell.kind == LayoutCell::Kind::Corner) {
            // Headers sit on the bottom line of the rows they span.
            int total = 0;
            for (int r = cell.row; r < cell.row + cell.rowSpan && r < layout.rows; ++r)
                total += grid.heights[static_cast<size_t>(r)];
            offset -= total - static_cast<int>(lines.size());
        }
        const std::string content = offset >= 0 && offset < static_cast<int>(lines.size())
                                        ? lines[static_cast<size_t>(offset)]
                                        : "";
        text += " " + Pad(content, grid.SpanWidth(cell), cell.align) + " |";
        c = cell.column + cell.columnSpan;
    }
    return text;
}

void WriteGrid(const TableLayout& layout, const std::string& indent, int lineWidth, OutputSink& out) {
    if (layout.rows == 0 || layout.columns == 0) return;
    const Grid grid = LayOutGrid(layout, lineWidth);
    for (int r = 0; r <= layout.rows; ++r) {
        if (grid.ruleAbove[static_cast<size_t>(r)]) out += indent + RuleLine(grid, r) + "\n";
        if (r == layout.rows) break;
        for (int line = 0; line < grid.heights[static_cast<size_t>(r)]; ++line)
            out += indent + TextLine(grid, r, line) + "\n";
    }
}

void WriteTable(const TableModel& table, const std::string& indent, OutputSink& out) {
    const int lineWidth = std::max(kNarrowestBody, kLineWidth - static_cast<int>(indent.size()));
    const TableLayout layout = LayOutTable(table);
    // One blank line between a table and what stands around it.
    if (out.Size() > 0 && !out.EndsWith("\n\n")) out += "\n";
    WriteParagraph(WithMarks(layout.title), 0, indent, lineWidth, out);
    for (const SplitLine& split : layout.splits) {
        const std::string text =
            split.title.empty() ? WithMarks(split.value) : split.title + ": " + WithMarks(split.value);
        WriteParagraph(text, 2, indent, lineWidth, out);
    }
    WriteGrid(layout, indent, lineWidth, out);
    if (layout.hasCaption) WriteParagraph(layout.caption, 0, indent, lineWidth, out);
    for (const Footnote& note : layout.footnotes)
        WriteParagraph(note.mark + ". " + note.text, Width(note.mark) + 2, indent, lineWidth, out);
    out += "\n";
}

// A paragraph of the outline, wrapped to the line width, with a blank line
// after it as after a table.
void WriteTextItem(const std::string& text, const std::string& indent, OutputSink& out) {
    const int lineWidth = std::max(kNarrowestBody, kLineWidth - static_cast<int>(indent.size()));
    out += HangingLines(text, indent, 0, lineWidth) + "\n";
}

// A chart's listing under indent: its head lines (title, subtitle, labels,
// footnote, the names of its data sources: indented by at most two blanks)
// wrapped to the line width, their continuations hung two blanks deeper and
// their statements held together ("Std. Deviation = 9.005"); the rows of its
// data as they stand, since they are columns.
std::string IndentedListing(const std::string& listing, const std::string& indent) {
    const int width = std::max(kNarrowestBody, kLineWidth - static_cast<int>(indent.size()));
    std::string out;
    for (const std::string& line : Paragraphs(listing)) {
        if (line.empty()) continue;
        const size_t lead = std::min(line.find_first_not_of(' '), line.size());
        if (lead > 2 || Width(line) <= width) {
            out += indent + line + "\n";
            continue;
        }
        const int hang = static_cast<int>(lead) + 2;
        out += HangingLines(line.substr(lead), indent + std::string(lead, ' '),
                            hang - static_cast<int>(lead), width - static_cast<int>(lead));
    }
    return out;
}

// ---------------------------------------------------------------------------
// The outline

void WriteItems(const OutputItem& parent, const std::string& number, int depth, OutputSink& out);

// One item of the outline at depth; position counts the headings before it
// under the same parent, numbered after number.
void WriteItem(const OutputItem& child, const std::string& number, int& position, int depth,
               OutputSink& out) {
    const std::string indent(static_cast<size_t>(depth) * 2, ' ');
    switch (child.kind) {
        case OutputItem::Kind::Heading: {
            const std::string childNumber = number + std::to_string(++position) + ".";
            out += indent + childNumber + " " + SanitizeUtf8(child.text) + "\n";
            WriteItems(child, childNumber, depth + 1, out);
            break;
        }
        case OutputItem::Kind::Text:
            WriteTextItem(SanitizeUtf8(child.text), indent, out);
            break;
        case OutputItem::Kind::Error:
            out += HangingLines("[error] " + SanitizeUtf8(child.text), indent, 8,
                                std::max(kNarrowestBody, kLineWidth - static_cast<int>(indent.size())));
            break;
        case OutputItem::Kind::Table:
            if (child.table)
                WriteTable(*child.table, indent, out);
            else
                out += indent + SanitizeUtf8(child.text) + "\n";
            break;
        case OutputItem::Kind::Chart:
            if (child.chart)
                out += IndentedListing(WriteChartText(*child.chart), indent);
            else
                out += indent + "Chart: " + SanitizeUtf8(child.text) + "\n";
            break;
    }
}

void WriteItems(const OutputItem& parent, const std::string& number, int depth, OutputSink& out) {
    int position = 0;
    for (const auto& child : parent.children) WriteItem(*child, number, position, depth, out);
}

// The line that says what the report was made from and the run's notes,
// each wrapped, then a blank line.
void WriteSource(const OutputDocument& document, OutputSink& out) {
    if (!document.source.empty()) out += SanitizeUtf8(document.source) + "\n";
    for (const std::string& note : document.notes)
        WriteParagraph("Note: " + SanitizeUtf8(note), 2, "", kLineWidth, out);
    if (!document.source.empty() || !document.notes.empty()) out += "\n";
}

void WriteEnd(const OutputDocument& document, OutputSink& out) {
    if (!document.ok) out += "\nThe run stopped at a split whose result document could not be read.\n";
}

// The text written top-level item by top-level item.
class TextStreamWriter : public DocumentStream {
public:
    explicit TextStreamWriter(OutputSink& out) : fOut(out) {}
    void Begin(const OutputDocument& document) override { WriteSource(document, fOut); }
    std::unique_ptr<OutputItem> Item(std::unique_ptr<OutputItem> item) override {
        WriteItem(*item, "", fPosition, 0, fOut);
        return item;
    }
    void End(const OutputDocument& document) override { WriteEnd(document, fOut); }

private:
    OutputSink& fOut;
    int fPosition = 0;
};

}  // namespace

void WriteText(const OutputDocument& document, OutputSink& out) {
    WriteSource(document, out);
    int position = 0;
    for (const auto& item : document.Root().children) WriteItem(*item, "", position, 0, out);
    WriteEnd(document, out);
}

std::unique_ptr<DocumentStream> TextStream(OutputSink& out) {
    return OnWorkerThread(std::make_unique<TextStreamWriter>(out));
}

std::string WriteText(const OutputDocument& document) {
    return WrittenText([&document](OutputSink& out) { WriteText(document, out); });
}

}  // namespace npar
