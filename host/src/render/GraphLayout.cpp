// Where a graph's panels stand and how large they are, worked out before any
// mark is drawn: its facets (a row too long for a page wrapped), the panel
// labels and header lines, its axes with their categories and ranges, the
// rooms around the plot (axis labels, headers, turned category labels) and
// the size of a panel.
#include <algorithm>
#include <cmath>

#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {
namespace {

// A bound on the panels facets multiply to.
constexpr size_t kMaxPanels = 1000;

}  // namespace

// ---------------------------------------------------------------------------
// Facets and axes

void GraphView::PrepareFacets() {
    pugi::xml_node faceting = fGraph.child("faceting");
    if (!faceting) return;
    for (pugi::xml_node facet : faceting.children("facet")) {
        const std::string_view dimension = Attr(facet, "dimension");
        Facet* target = dimension == "column" ? &fFacetColumn
                        : dimension == "row"  ? &fFacetRow
                                              : nullptr;
        const Var* var = fData.Find(Attr(facet, "variable"));
        const SourceTable* home = var ? fData.Home(*var) : nullptr;
        if (!target || !var || !home) continue;
        Facet made;
        made.var = var;
        made.node = facet;
        for (const Cell& cell : fData.Categories(*var, *home))
            made.categories.Add(KeyText(cell), fData.Shown(*var, cell));
        if (made.categories.keys.empty()) continue;  // no panel to draw: as if unfaceted
        *target = std::move(made);
    }
    size_t columns = fFacetColumn.var ? fFacetColumn.categories.keys.size() : 1;
    size_t rows = fFacetRow.var ? fFacetRow.categories.keys.size() : 1;
    if (columns * rows > kMaxPanels) {
        // More panels than a chart can show: drawn as one panel.
        fFacetColumn = Facet();
        fFacetRow = Facet();
        return;
    }
    for (size_t r = 0; r < rows; ++r) {
        for (size_t c = 0; c < columns; ++c) {
            fPanels.push_back(Panel{fFacetColumn.var ? static_cast<long>(c) : -1,
                                    fFacetRow.var ? static_cast<long>(r) : -1});
        }
    }
    fGridColumns = columns;
    fGridRows = rows;
    // Back-to-back panels are views of their own: only for a few panels.
    if (Attr(faceting, "alternating") == "true" && fPanels.size() <= 24) {
        const std::string_view dimension = Attr(faceting, "dimension");
        if (dimension == "y" && fFacetColumn.var && !fFacetRow.var) {
            fAlternating = true;
            fAlternatingDimension = 1;
        } else if (dimension == "x" && fFacetRow.var && !fFacetColumn.var) {
            fAlternating = true;
            fAlternatingDimension = 0;
        }
    }
    double wrap = 0;
    if (ParseNumber(Attr(fGraph.child("facetLayout"), "columns"), wrap) && wrap >= 1 && !fAlternating &&
        (fFacetColumn.var != nullptr) != (fFacetRow.var != nullptr)) {
        const size_t count = fPanels.size();
        fWrapColumns = static_cast<int>(std::min(wrap, static_cast<double>(count)));
        fGridColumns = static_cast<size_t>(fWrapColumns);
        fGridRows = (count + fGridColumns - 1) / fGridColumns;
    }
    WrapLongRow();
}

// A row of panels wider than a page (a chart of many related fields) is
// wrapped into rows that fit one, each panel keeping its size: the graph's
// box narrows and grows taller by the rows.
void GraphView::WrapLongRow() {
    constexpr double kWidestRow = 1000;
    const size_t count = fPanels.size();
    if (fWrapColumns > 0 || fAlternating || !fFacetColumn.var || fFacetRow.var || count < 2 ||
        fBox.width <= kWidestRow)
        return;
    const size_t rows = std::min(count, static_cast<size_t>(std::ceil(fBox.width / kWidestRow)));
    const size_t columns = (count + rows - 1) / rows;
    fWrapColumns = static_cast<int>(columns);
    fGridColumns = columns;
    fGridRows = (count + columns - 1) / columns;
    fBox.width *= static_cast<double>(columns) / static_cast<double>(count);
    fBox.height *= static_cast<double>(fGridRows);
}

void GraphView::PrepareAxes() {
    for (pugi::xml_node axis : fGraph.child("coordinates").children("axis")) {
        const std::string_view dimension = Attr(axis, "dimension");
        if (dimension != "x" && dimension != "y") continue;
        Axis& target = fAxis[dimension == "x" ? 0 : 1];
        target.var = fData.Find(Attr(axis, "variable"));
        const std::string label(Attr(axis, "label"));
        if (!label.empty()) target.title = label;
        if (axis.attribute("oppositeLabel")) {
            target.hasOpposite = true;
            target.opposite = Attr(axis, "oppositeLabel");
        }
        target.style = fContext.StyleOf(axis);
        target.visible = target.style.visible;
        target.invert = Attr(axis, "invert") == "true";
        if (axis.child("format")) {
            target.hasTickFormat = true;
            target.tickFormat = ReadFormat(axis);
        }
        // Range ends: numbers, or date texts on a date axis (read below).
        pugi::xml_node range = axis.child("range");
        double value = 0;
        if (ParseNumber(Attr(range, "min"), value) && std::isfinite(value))
            target.min = value;
        else if (ParseDateText(std::string(Attr(range, "min")), value))
            target.min = value;
        if (ParseNumber(Attr(range, "max"), value) && std::isfinite(value))
            target.max = value;
        else if (ParseDateText(std::string(Attr(range, "max")), value))
            target.max = value;
    }
    // Axes without a variable take the first mark's binding; kinds follow
    // the variables; box plots and bars make their positions categorical or
    // their lengths start at zero.
    bool schemaPosition[2] = {false, false};
    for (pugi::xml_node mark : fGraph.children()) {
        const std::string_view tag = mark.name();
        if (!IsMark(tag)) continue;
        const Var* bound[2] = {fData.Find(Attr(mark.child("x"), "variable")),
                               fData.Find(Attr(mark.child("y"), "variable"))};
        for (int d = 0; d < 2; ++d) {
            if (!fAxis[d].var && bound[d]) fAxis[d].var = bound[d];
        }
        if (tag == "interval") {
            const bool horizontal = Attr(mark, "orientation") == "horizontal";
            fAxis[horizontal ? 0 : 1].zero = true;
        }
        if (tag == "schema") {
            const bool yPosition = !(bound[0] && fData.IsCategorical(*bound[0])) && bound[1] &&
                                   fData.IsCategorical(*bound[1]);
            schemaPosition[yPosition ? 1 : 0] = true;
        }
    }
    for (int d = 0; d < 2; ++d) {
        Axis& target = fAxis[d];
        if (target.var && fData.IsCategorical(*target.var))
            target.kind = Axis::Kind::Nominal;
        else if (schemaPosition[d])
            target.kind = Axis::Kind::Nominal;
        else if (target.var && fData.IsDate(*target.var))
            target.kind = Axis::Kind::Temporal;
        if (target.title.is_null() && target.var) {
            const std::string label = fData.Label(*target.var);
            if (!label.empty()) target.title = label;
        }
        if (!target.Nominal()) continue;
        // Categories: the axis variable's, then those of the marks' bindings.
        if (target.var) {
            if (const SourceTable* home = fData.Home(*target.var)) {
                for (const Cell& cell : fData.Categories(*target.var, *home))
                    target.categories.Add(KeyText(cell), fData.Shown(*target.var, cell));
            }
        }
        for (pugi::xml_node mark : fGraph.children()) {
            if (!IsMark(mark.name())) continue;
            const Var* var = fData.Find(Attr(mark.child(PositionName(d)), "variable"));
            const SourceTable* home = var ? fData.Home(*var) : nullptr;
            if (!home) continue;
            for (const Cell& cell : fData.Categories(*var, *home))
                target.categories.Add(KeyText(cell), fData.Shown(*var, cell));
        }
    }
}

void GraphView::PrepareSize() {
    const Axis& x = fAxis[0];
    const Axis& y = fAxis[1];
    const bool yShown = y.visible && (y.var || !y.title.is_null());
    const bool xShown = x.visible && (x.var || !x.title.is_null());
    if (yShown) {
        double labels = 32;
        if (y.Nominal()) {
            labels = 20;
            for (const std::string& text : y.categories.shown)
                labels = std::max(labels, TextWidth(text, 10) + 8);
            labels = std::min(labels, 0.4 * fBox.width);
        }
        fLeftRoom = labels + (y.title.is_null() ? 0 : 18);
    }
    if (fFacetColumn.var) {
        fTopRoom = 20 + (fFacetColumn.node.attribute("label") ? 18 : 0) +
                   13 * static_cast<double>(fFacetColumn.LabelLines());
    }
    if (fFacetRow.var) {
        double labels = 0;
        for (const auto& label : fFacetRow.labels) {
            for (const std::string& line : SplitLines(label.second))
                labels = std::max(labels, TextWidth(line, 11));
        }
        fRightRoom = 20 + (fFacetRow.node.attribute("label") ? 18 : 0) + labels;
    }
    if (fAlternating || y.hasOpposite) fRightRoom += fAlternatingDimension == 1 ? fLeftRoom : 0;
    if (fAlternating) fSpacing = fPanels.size() == 2 ? 2 : 40;
    fPlotWidth = Clamp(fBox.width - fLeftRoom - fRightRoom, 40, 10000);
    size_t columns = fGridColumns, rows = fGridRows;
    if (fAlternating) {
        columns = fAlternatingDimension == 1 ? fPanels.size() : 1;
        rows = fAlternatingDimension == 1 ? 1 : fPanels.size();
    }
    columns = std::max<size_t>(columns, 1);
    rows = std::max<size_t>(rows, 1);
    fPanelWidth = std::floor(std::max(20.0, (fPlotWidth - fSpacing * static_cast<double>(columns - 1)) /
                                                static_cast<double>(columns)));
    // A text written in place of points (a cell's count) stays inside its
    // panel, and categories side by side keep bands wide enough to tell
    // their boxes and bars apart (box plots of 25 groups would otherwise
    // stand 11 pixels apart) while the plot stays within a page's width:
    // the panels, and the chart, grow.
    const double across = static_cast<double>(columns);
    double leastPanel = WidestPointText() + 8;
    if (x.Nominal()) {
        const double widest =
            std::max(fPanelWidth, (kWidestCategoryPlot - (across - 1) * fSpacing) / across);
        const double bands = kLeastCategoryBand * static_cast<double>(x.categories.keys.size());
        leastPanel = std::max(leastPanel, std::min(widest, bands));
    }
    if (leastPanel > fPanelWidth) {
        fPanelWidth = std::ceil(leastPanel);
        fPlotWidth = std::max(fPlotWidth, across * fPanelWidth + (across - 1) * fSpacing);
    }
    // A category wider than the step from one panel to the next would run
    // into its neighbour's: it is broken into lines in the header (the
    // back-to-back panels' titles are a size larger), which take room above
    // the plot. Text widths are estimated on the wide side (ordinary text
    // takes some 15 % less), so a header is broken only where it would
    // surely overrun.
    if (fFacetColumn.var) {
        fFacetColumn.headerWidth = 1.15 * (fPanelWidth + fSpacing);
        const double font = fAlternating ? kPanelTitleFont : kHeaderFont;
        fTopRoom += 13 * static_cast<double>(fFacetColumn.CategoryLineCount(font) -
                                             fFacetColumn.WrittenLineCount());
    }
    // The room under the plot: the category labels as they stand (turned
    // when they would run into one another), and the axis title.
    if (xShown) fBottomRoom = CategoryLabelRoom(columns) + 8 + (x.title.is_null() ? 0 : 18);
    fPlotHeight = Clamp(fBox.height - fTopRoom - fBottomRoom, 40, 10000);
    fPanelHeight = std::floor(std::max(
        20.0, (fPlotHeight - fSpacing * static_cast<double>(rows - 1)) / static_cast<double>(rows)));
}

double GraphView::CategoryLabelRoom(size_t columns) {
    const Axis& x = fAxis[0];
    constexpr double kLineHeight = 13;
    if (!x.Nominal()) return kLineHeight;
    // So many categories that even upright labels would overlap widen the
    // panels until each has a line's room (up to a width where a chart of
    // a hundred or so categories is better read from its table).
    constexpr double kUprightStep = kLineHeight + 1, kWidestPanel = 1600;
    const double categories = static_cast<double>(std::max<size_t>(x.categories.keys.size(), 1));
    if (fPanelWidth / categories < kUprightStep && fPanelWidth < kWidestPanel) {
        fPanelWidth = std::min(kWidestPanel, std::ceil(categories * kUprightStep));
        const double across = static_cast<double>(columns);
        fPlotWidth = std::max(fPlotWidth, across * fPanelWidth + (across - 1) * fSpacing);
    }
    // The labels as the axis writes them level: broken at blanks when wider
    // than their band.
    const double band = BandWidth(0), step = band + 4;
    std::vector<double> widths;
    size_t lines = 1;
    for (const std::string& text : x.categories.shown) {
        const std::vector<std::string> level =
            TextWidth(text, 11) > band ? WrapText(text, band, 11) : SplitLines(text);
        double widest = 0;
        for (const std::string& line : level) widest = std::max(widest, TextWidth(line, 11));
        widths.push_back(widest);
        lines = std::max(lines, SplitLines(text).size());
    }
    bool crowded = false;
    for (size_t i = 0; i + 1 < widths.size(); ++i)
        crowded = crowded || (widths[i] + widths[i + 1]) / 2 + 2 > step;
    if (!crowded) {
        fCategoryLabelAngle = 0;
        return kLineHeight * static_cast<double>(lines);
    }
    // Labels that run into one another are turned: half-way while their
    // lines still stand apart that way, else upright.
    fCategoryLabelAngle = step * std::sqrt(0.5) >= kLineHeight ? -45 : -90;
    double longest = 0;
    for (const std::string& text : x.categories.shown) longest = std::max(longest, TextWidth(text, 11));
    longest = std::min(longest, kCategoryLabelLimit);
    const double across = kLineHeight * static_cast<double>(lines);
    const double room = fCategoryLabelAngle == -90 ? longest : (longest + across) * std::sqrt(0.5);
    return std::min(room, 0.35 * fBox.height);
}

double GraphView::BandWidth(int dimension) const {
    const double length = dimension == 0 ? fPanelWidth : fPanelHeight;
    return length / static_cast<double>(std::max<size_t>(fAxis[dimension].categories.keys.size(), 1)) -
           4;
}

Box GraphView::PlotBox() const {
    return Box{fBox.left + fLeftRoom, fBox.top + fTopRoom, fPlotWidth, fPlotHeight};
}

// ---------------------------------------------------------------------------
// Panel headers and labels

size_t GraphView::Facet::LabelLines() const {
    size_t lines = 0;
    for (const auto& label : labels) lines = std::max(lines, SplitLines(label.second).size());
    return lines;
}

std::vector<std::string> GraphView::Facet::CategoryLines(const std::string& category,
                                                         double font) const {
    std::vector<std::string> lines = SplitLines(category);
    if (headerWidth <= 0) return lines;
    for (const std::string& line : lines) {
        if (TextWidth(line, font) > headerWidth) return WrapText(category, headerWidth, font);
    }
    return lines;
}

size_t GraphView::Facet::CategoryLineCount(double font) const {
    size_t most = 1;
    for (const std::string& category : categories.shown)
        most = std::max(most, CategoryLines(category, font).size());
    return most;
}

size_t GraphView::Facet::WrittenLineCount() const {
    size_t most = 1;
    for (const std::string& category : categories.shown)
        most = std::max(most, SplitLines(category).size());
    return most;
}

bool GraphView::Facet::BreaksCategories(double font) const {
    for (const std::string& category : categories.shown) {
        if (CategoryLines(category, font).size() != SplitLines(category).size()) return true;
    }
    return false;
}

std::vector<std::string> GraphView::Facet::HeaderLines(const std::string& category) const {
    std::vector<std::string> lines = CategoryLines(category, kHeaderFont);
    const auto label = labels.find(category);
    if (label != labels.end()) {
        for (const std::string& line : SplitLines(label->second)) lines.push_back(line);
    }
    return lines;
}

std::string GraphView::Facet::HeaderExpression() const {
    std::string table = "{";
    for (size_t i = 0; i < categories.shown.size(); ++i) {
        const std::string& category = categories.shown[i];
        table += (i ? ", " : "") + ExpressionString(category) + ": [";
        const std::vector<std::string> lines = HeaderLines(category);
        for (size_t j = 0; j < lines.size(); ++j) table += (j ? ", " : "") + ExpressionString(lines[j]);
        table += "]";
    }
    return "(" + table + "})[datum.value]";
}

// A facet's panel label: the shown text of its panelLabel variable in the
// first row of the first panel of each category. It stands in the panels'
// header, under the category, so that it never covers what the panel draws.
void GraphView::PreparePanelLabels() {
    for (Facet* facet : {&fFacetColumn, &fFacetRow}) {
        if (!facet->var) continue;
        const Var* var = fData.Find(Attr(facet->node, "panelLabel"));
        const SourceTable* source = var ? fData.Home(*var) : nullptr;
        if (!source) continue;
        const auto panels = PanelRows(*source);
        for (size_t p = 0; p < panels.size() && p < fPanels.size(); ++p) {
            const long index = facet == &fFacetColumn ? fPanels[p].column : fPanels[p].row;
            if (panels[p].empty() || index < 0) continue;
            const std::string& category = facet->categories.shown[static_cast<size_t>(index)];
            const std::string text = fData.Shown(*var, fData.Value(*var, *source, panels[p].front()));
            if (!text.empty()) facet->labels.emplace(category, text);
        }
    }
}

}  // namespace render
}  // namespace npar
