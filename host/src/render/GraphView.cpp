// A graph as a Vega-Lite view. Rows of every mark go into one data set with a
// "_layer" field naming the layer that draws them (so facets, which need one
// data set, work the same as single views); positions of axis channels are
// written as placeholders and resolved when the view is built, once every
// category of the axes is known.
#include "render/GraphView.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

namespace npar {
namespace render {
namespace {

constexpr double kOpacities[] = {1.0, 0.55, 0.3, 0.8, 0.42, 0.18};
// Bounds on what facets multiply: panels, and rows given to panels.
constexpr size_t kMaxPanels = 1000;
constexpr size_t kMaxPanelRows = size_t(1) << 22;
// A five-pointed star as a unit symbol path, for extreme values.
constexpr const char* kStarPath =
    "M0,-1L0.2245,-0.309L0.9511,-0.309L0.3633,0.118L0.5878,0.809L0,0.382L-0.5878,0.809L-0.3633,0.118L-0.9511,"
    "-0.309L-0.2245,-0.309Z";

bool IsMark(const std::string& tag) {
    return tag == "interval" || tag == "schema" || tag == "line" || tag == "point" || tag == "edge";
}

std::string Attr(pugi::xml_node node, const char* name) { return node.attribute(name).value(); }

double Clamp(double value, double low, double high) { return std::max(low, std::min(value, high)); }

// The position channel of a dimension and its second and offset channels.
const char* PositionName(int dimension) { return dimension == 0 ? "x" : "y"; }
const char* SecondName(int dimension) { return dimension == 0 ? "x2" : "y2"; }
const char* OffsetName(int dimension) { return dimension == 0 ? "xOffset" : "yOffset"; }

std::string Decimals(int decimals) { return decimals >= 0 ? std::to_string(decimals) : std::string(); }

// Tick labels of a continuous axis written in a number format.
std::string NumberLabelExpression(const Format& format) {
    const std::string& type = format.type;
    const int d = format.decimals;
    std::string core;
    if (type == "COMMA" || type == "DOT") core = "format(datum.value, '," + (d >= 0 ? "." + Decimals(d) + "f" : std::string()) + "')";
    else if (type == "DOLLAR") core = "'$' + format(datum.value, '," + (d >= 0 ? "." + Decimals(d) + "f" : std::string()) + "')";
    else if (type == "E") core = "format(datum.value, '." + (d >= 0 ? Decimals(d) : std::string("3")) + "e')";
    else if (type == "PCT") core = (d >= 0 ? "format(datum.value, '." + Decimals(d) + "f')" : std::string("datum.label")) + " + '%'";
    else if (d >= 0) core = "format(datum.value, '." + Decimals(d) + "f')";
    else if (format.prefix.empty() && format.suffix.empty()) return {};
    else core = "datum.label";
    std::string expression = core;
    if (!format.prefix.empty()) expression = ExpressionString(format.prefix) + " + " + expression;
    if (!format.suffix.empty()) expression += " + " + ExpressionString(format.suffix);
    return expression;
}

// Tick labels of a date axis in the format's pattern.
std::string DateLabelExpression(const std::string& type) {
    const auto utc = [](const char* pattern, bool upper) {
        std::string call = std::string("utcFormat(datum.value, '") + pattern + "')";
        return upper ? "upper(" + call + ")" : call;
    };
    if (type == "ADATE") return utc("%m/%d/%Y", false);
    if (type == "EDATE") return utc("%d.%m.%Y", false);
    if (type == "SDATE") return utc("%Y/%m/%d", false);
    if (type == "JDATE") return utc("%Y%j", false);
    if (type == "DATETIME") return utc("%d-%b-%Y %H:%M:%S", true);
    if (type == "WKDAY") return utc("%a", true);
    if (type == "MONTH") return utc("%b", true);
    if (type == "MOYR") return utc("%b %Y", true);
    if (type == "QYR") return "utcquarter(datum.value) + ' Q ' + " + utc("%Y", false);
    if (type == "WKYR") return utc("%V WK %Y", false);
    return utc("%d-%b-%Y", true);
}

// Words of a label broken into lines no wider than width pixels (existing
// line breaks kept).
std::vector<std::string> WrapLabel(const std::string& label, double width) {
    if (label.size() > 400) return SplitLines(label);  // too long to fit anyway
    std::vector<std::string> lines;
    for (const std::string& paragraph : SplitLines(label)) {
        std::string line;
        size_t start = 0;
        while (start <= paragraph.size()) {
            const size_t end = std::min(paragraph.find(' ', start), paragraph.size());
            const std::string word = paragraph.substr(start, end - start);
            const std::string joined = line.empty() ? word : line + " " + word;
            if (!line.empty() && TextWidth(joined, 11) > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = joined;
            }
            start = end + 1;
        }
        lines.push_back(line);
    }
    return lines;
}

// Tick labels of a categorical axis: broken at their line breaks, and at
// blanks when they are wider than their band.
std::string WrappedLabels(const std::vector<std::string>& labels, double band) {
    bool wrap = false;
    for (const std::string& label : labels) wrap = wrap || TextWidth(label, 11) > band;
    if (!wrap || labels.size() > 200) return kSplitLabels;
    std::string table = "{";
    for (size_t i = 0; i < labels.size(); ++i) {
        if (i) table += ", ";
        table += ExpressionString(labels[i]) + ": [";
        const std::vector<std::string> lines = WrapLabel(labels[i], band);
        for (size_t j = 0; j < lines.size(); ++j) table += (j ? ", " : "") + ExpressionString(lines[j]);
        table += "]";
    }
    return "(" + table + "})[datum.value]";
}

// The diameter of a point's symbol, in pixels.
double NodeDiameter(const Style& style) { return style.size > 0 ? std::min(style.size, 200.0) : 8; }

// The distance from a point's position to the edge of its symbol.
double LabelGap(const Style& style) { return style.symbol != "none" ? NodeDiameter(style) / 2 : 0; }

// Where a network node's label stands, from the node's offset from the
// circle's centre: above a node in the upper part of the circle, below one
// in the lower part, and beside a node near the horizontal through the
// centre, always outside the circle and away from its edges.
std::string NodeLabelSide(double dx, double dy) {
    if (std::fabs(dy) >= 0.3 * std::hypot(dx, dy)) return dy < 0 ? "above" : "below";
    return dx < 0 ? "left" : "right";
}

// The smallest of 1, 2 and 5 times a power of ten that is at least step.
double RoundStep(double step) {
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= step * (1 - 1e-12)) return factor * power;
    return 10 * power;
}

// A date as an axis writes it in the format's pattern, at its widest.
std::string WidestDateLabel(const std::string& type) {
    if (type == "ADATE" || type == "EDATE" || type == "SDATE") return "28/09/2023";
    if (type == "JDATE") return "2023271";
    if (type == "DATETIME") return "28-SEP-2023 13:05:00";
    if (type == "WKDAY" || type == "MONTH") return "WED";
    if (type == "MOYR") return "SEP 2023";
    if (type == "QYR") return "3 Q 2023";
    if (type == "WKYR") return "39 WK 2023";
    return "28-SEP-2023";
}

// A symbol shape of the template language in Vega-Lite's names.
std::string Shape(const std::string& symbol) {
    if (symbol == "square" || symbol == "diamond") return symbol;
    return "circle";
}

}  // namespace

double GraphView::Axis::Output(double value) const {
    return kind == Kind::Temporal ? UnixMilliseconds(value) : value;
}

GraphView::GraphView(const ChartContext& context, pugi::xml_node graph, Box box)
    : fContext(context), fData(*context.data), fGraph(graph), fBox(box) {
    // Legends stand right of the graph: one placed without a right edge or
    // width is narrowed to make room for them.
    bool sized = false;
    for (pugi::xml_node location : graph.children("location")) {
        const std::string part = Attr(location, "part");
        sized = sized || part == "right" || part == "width";
    }
    for (pugi::xml_node mark : graph.children()) {
        for (const char* aesthetic : {"color", "pattern"}) {
            if (IsMark(mark.name()) && fContext.LegendFor(Attr(mark.child(aesthetic), "id"))) fHasLegend = true;
        }
    }
    if (fHasLegend && !sized) fBox.width *= 0.75;
    PrepareFacets();
    PreparePanelLabels();
    PrepareAxes();
    PrepareSize();
    PrepareLayouts();
    size_t index = 0;
    for (pugi::xml_node child : graph.children()) {
        const std::string tag = child.name();
        if (!IsMark(tag)) continue;
        fHasMarks = true;
        if (tag == "interval") AddInterval(child, index);
        else if (tag == "schema") AddSchema(child, index);
        else if (tag == "line") AddLine(child, index);
        else if (tag == "point") AddPoint(child, index);
        else AddEdge(child, index);
        ++index;
    }
    size_t guides = 0;
    for (pugi::xml_node guide : graph.children("lineGuide")) {
        fHasMarks = true;
        AddGuide(guide, guides++);
    }
}

// ---------------------------------------------------------------------------
// Preparation: facets, axes, sizes and network layouts

void GraphView::PrepareFacets() {
    pugi::xml_node faceting = fGraph.child("faceting");
    if (!faceting) return;
    for (pugi::xml_node facet : faceting.children("facet")) {
        const std::string dimension = Attr(facet, "dimension");
        Facet* target = dimension == "column" ? &fFacetColumn : dimension == "row" ? &fFacetRow : nullptr;
        const Var* var = fData.Find(Attr(facet, "variable"));
        const SourceTable* home = var ? fData.Home(*var) : nullptr;
        if (!target || !var || !home) continue;
        Facet made;
        made.var = var;
        made.node = facet;
        for (const Cell& cell : fData.Categories(*var, *home)) made.categories.Add(KeyText(cell), fData.Shown(*var, cell));
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
            fPanels.push_back(Panel{fFacetColumn.var ? static_cast<long>(c) : -1, fFacetRow.var ? static_cast<long>(r) : -1});
        }
    }
    fGridColumns = columns;
    fGridRows = rows;
    // Back-to-back panels are views of their own: only for a few panels.
    if (std::string(Attr(faceting, "alternating")) == "true" && fPanels.size() <= 24) {
        const std::string dimension = Attr(faceting, "dimension");
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
}

void GraphView::PrepareAxes() {
    for (pugi::xml_node axis : fGraph.child("coordinates").children("axis")) {
        const std::string dimension = Attr(axis, "dimension");
        if (dimension != "x" && dimension != "y") continue;
        Axis& a = fAxis[dimension == "x" ? 0 : 1];
        a.var = fData.Find(Attr(axis, "variable"));
        const std::string label = Attr(axis, "label");
        if (!label.empty()) a.title = label;
        if (axis.attribute("oppositeLabel")) {
            a.hasOpposite = true;
            a.opposite = Attr(axis, "oppositeLabel");
        }
        a.style = fContext.StyleOf(axis);
        a.visible = a.style.visible;
        a.invert = std::string(Attr(axis, "invert")) == "true";
        if (axis.child("format")) {
            a.hasTickFormat = true;
            a.tickFormat = ReadFormat(axis);
        }
        // Range ends: numbers, or date texts on a date axis (read below).
        pugi::xml_node range = axis.child("range");
        double value = 0;
        if (ParseNumber(Attr(range, "min"), value) && std::isfinite(value)) a.min = value;
        else if (ParseDateText(Attr(range, "min"), value)) a.min = value;
        if (ParseNumber(Attr(range, "max"), value) && std::isfinite(value)) a.max = value;
        else if (ParseDateText(Attr(range, "max"), value)) a.max = value;
    }
    // Axes without a variable take the first mark's binding; kinds follow
    // the variables; box plots and bars make their positions categorical or
    // their lengths start at zero.
    bool schemaPosition[2] = {false, false};
    for (pugi::xml_node mark : fGraph.children()) {
        const std::string tag = mark.name();
        if (!IsMark(tag)) continue;
        const Var* bound[2] = {fData.Find(Attr(mark.child("x"), "variable")),
                               fData.Find(Attr(mark.child("y"), "variable"))};
        for (int d = 0; d < 2; ++d) {
            if (!fAxis[d].var && bound[d]) fAxis[d].var = bound[d];
        }
        if (tag == "interval") {
            const bool horizontal = std::string(Attr(mark, "orientation")) == "horizontal";
            fAxis[horizontal ? 0 : 1].zero = true;
        }
        if (tag == "schema") {
            const bool yPosition = !(bound[0] && fData.IsCategorical(*bound[0])) && bound[1] &&
                                   fData.IsCategorical(*bound[1]);
            schemaPosition[yPosition ? 1 : 0] = true;
        }
    }
    for (int d = 0; d < 2; ++d) {
        Axis& a = fAxis[d];
        if (a.var && fData.IsCategorical(*a.var)) a.kind = Axis::Kind::Nominal;
        else if (schemaPosition[d]) a.kind = Axis::Kind::Nominal;
        else if (a.var && fData.IsDate(*a.var)) a.kind = Axis::Kind::Temporal;
        if (a.title.is_null() && a.var) {
            const std::string label = fData.Label(*a.var);
            if (!label.empty()) a.title = label;
        }
        if (!a.Nominal()) continue;
        // Categories: the axis variable's, then those of the marks' bindings.
        if (a.var) {
            if (const SourceTable* home = fData.Home(*a.var)) {
                for (const Cell& cell : fData.Categories(*a.var, *home)) a.categories.Add(KeyText(cell), fData.Shown(*a.var, cell));
            }
        }
        for (pugi::xml_node mark : fGraph.children()) {
            if (!IsMark(mark.name())) continue;
            const Var* var = fData.Find(Attr(mark.child(PositionName(d)), "variable"));
            const SourceTable* home = var ? fData.Home(*var) : nullptr;
            if (!home) continue;
            for (const Cell& cell : fData.Categories(*var, *home)) a.categories.Add(KeyText(cell), fData.Shown(*var, cell));
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
            for (const std::string& text : y.categories.shown) labels = std::max(labels, TextWidth(text, 10) + 8);
            labels = std::min(labels, 0.4 * fBox.width);
        }
        fLeftRoom = labels + (y.title.is_null() ? 0 : 18);
    }
    if (xShown) {
        size_t lines = 1;
        if (x.Nominal()) {
            for (const std::string& text : x.categories.shown) lines = std::max(lines, SplitLines(text).size());
        }
        fBottomRoom = 8 + 13.0 * static_cast<double>(lines) + (x.title.is_null() ? 0 : 18);
    }
    if (fFacetColumn.var) {
        fTopRoom = 20 + (fFacetColumn.node.attribute("label") ? 18 : 0) +
                   13 * static_cast<double>(fFacetColumn.LabelLines());
    }
    if (fFacetRow.var) {
        double labels = 0;
        for (const auto& label : fFacetRow.labels) {
            for (const std::string& line : SplitLines(label.second)) labels = std::max(labels, TextWidth(line, 11));
        }
        fRightRoom = 20 + (fFacetRow.node.attribute("label") ? 18 : 0) + labels;
    }
    if (fAlternating || y.hasOpposite) fRightRoom += fAlternatingDimension == 1 ? fLeftRoom : 0;
    if (fAlternating) fSpacing = fPanels.size() == 2 ? 2 : 40;
    fPlotWidth = Clamp(fBox.width - fLeftRoom - fRightRoom, 40, 10000);
    fPlotHeight = Clamp(fBox.height - fTopRoom - fBottomRoom, 40, 10000);
    size_t columns = fGridColumns, rows = fGridRows;
    if (fAlternating) {
        columns = fAlternatingDimension == 1 ? fPanels.size() : 1;
        rows = fAlternatingDimension == 1 ? 1 : fPanels.size();
    }
    columns = std::max<size_t>(columns, 1);
    rows = std::max<size_t>(rows, 1);
    fPanelWidth = std::floor(std::max(20.0, (fPlotWidth - fSpacing * static_cast<double>(columns - 1)) / static_cast<double>(columns)));
    fPanelHeight = std::floor(std::max(20.0, (fPlotHeight - fSpacing * static_cast<double>(rows - 1)) / static_cast<double>(rows)));
}

// The circle of a network leaves room around it for the nodes' labels, which
// stand outside it (each on the side NodeLabelSide gives): 40 % of the
// panel's smaller side at most, 15 % at least. labels: the nodes' labels in
// the order of the circle.
double GraphView::NetworkRadius(const Mark& mark, const std::vector<std::string>& labels) const {
    const double side = std::min(fPanelWidth, fPanelHeight);
    double radius = 0.4 * side;
    const double font = mark.labelStyle.FontPixels(), lineHeight = font + 2;
    const double gap = LabelGap(mark.style) + 4;
    const double halfWidth = fPanelWidth / 2 - 2, halfHeight = fPanelHeight / 2 - 2;
    // r·|factor| + room <= half: the largest r a label lets the circle have.
    auto limit = [&](double factor, double room, double half) {
        if (std::fabs(factor) > 1e-9) radius = std::min(radius, (half - room) / std::fabs(factor));
    };
    const auto units = CircleLayout(labels.size(), 0, 0, 1);
    for (size_t i = 0; i < labels.size(); ++i) {
        const auto& unit = units[i];
        double width = 0;
        const std::vector<std::string> lines = SplitLines(labels[i]);
        for (const std::string& line : lines) width = std::max(width, TextWidth(line, font));
        const double height = static_cast<double>(lines.size()) * lineHeight;
        const std::string where = NodeLabelSide(unit.first, unit.second);
        if (where == "above" || where == "below") {
            limit(unit.second, gap + height, halfHeight);
            limit(unit.first, width / 2, halfWidth);
        } else {
            limit(unit.first, gap + width, halfWidth);
            limit(unit.second, height / 2, halfHeight);
        }
    }
    return std::max(radius, 0.15 * side);
}

void GraphView::PrepareLayouts() {
    for (pugi::xml_node point : fGraph.children("point")) {
        pugi::xml_node layout = point.child("graphLayoutStatistic");
        const Var* node = layout ? fData.Find(Attr(layout, "node")) : nullptr;
        const SourceTable* source = node ? fData.Home(*node) : nullptr;
        if (!source) continue;
        const Mark mark = ReadMark(point, 0);
        auto& panels = fNodes[point.internal_object()];
        const auto rows = PanelRows(*source);
        panels.resize(rows.size());
        for (size_t p = 0; p < rows.size(); ++p) {
            std::vector<std::string> keys;
            std::set<std::string> seen;
            for (size_t row : rows[p]) {
                const Cell cell = fData.Value(*node, *source, row);
                if (!cell.Missing() && seen.insert(KeyText(cell)).second) keys.push_back(KeyText(cell));
            }
            std::vector<std::string> labels;
            if (mark.labelVar && mark.labelStyle.visible) {
                std::set<std::string> labelled;
                for (size_t row : rows[p]) {
                    const Cell cell = fData.Value(*node, *source, row);
                    if (cell.Missing() || !labelled.insert(KeyText(cell)).second) continue;
                    labels.push_back(fData.Shown(*mark.labelVar, fData.Value(*mark.labelVar, *source, row)));
                }
            }
            const double radius = NetworkRadius(mark, labels);
            const auto positions = CircleLayout(keys.size(), fPanelWidth, fPanelHeight, radius);
            for (size_t i = 0; i < keys.size(); ++i) {
                panels[p][keys[i]] = {std::round(positions[i].first * 100) / 100, std::round(positions[i].second * 100) / 100};
            }
        }
    }
}

double GraphView::BandWidth(int dimension) const {
    const double length = dimension == 0 ? fPanelWidth : fPanelHeight;
    return length / static_cast<double>(std::max<size_t>(fAxis[dimension].categories.keys.size(), 1)) - 4;
}

Box GraphView::PlotBox() const { return Box{fBox.left + fLeftRoom, fBox.top + fTopRoom, fPlotWidth, fPlotHeight}; }

// ---------------------------------------------------------------------------
// Rows, panels and channels

GraphView::Mark GraphView::ReadMark(pugi::xml_node node, size_t index) const {
    Mark m;
    m.node = node;
    m.key = Attr(node, "id");
    if (m.key.empty()) m.key = "mark" + std::to_string(index);
    m.x = fData.Find(Attr(node.child("x"), "variable"));
    m.y = fData.Find(Attr(node.child("y"), "variable"));
    m.style = fContext.StyleOf(node);
    // The mark's first colour or pattern aesthetic.
    pugi::xml_node aesthetic;
    for (pugi::xml_node child : node.children()) {
        const std::string tag = child.name();
        if (tag == "color" || tag == "pattern") {
            aesthetic = child;
            break;
        }
    }
    m.colorVar = aesthetic ? fData.Find(Attr(aesthetic, "variable")) : nullptr;
    m.colorId = Attr(aesthetic, "id");
    m.pattern = aesthetic && std::string(aesthetic.name()) == "pattern";
    if (pugi::xml_node labeling = node.child("labeling")) {
        m.labelVar = fData.Find(Attr(labeling, "variable"));
        m.labelStyle = fContext.StyleOf(labeling);
    }
    // The mark's data source: that of its first binding.
    std::vector<const Var*> bindings{m.x, m.y};
    const std::string tag = node.name();
    if (tag == "edge") bindings.push_back(fData.Find(Attr(node, "from")));
    if (pugi::xml_node layout = node.child("graphLayoutStatistic")) bindings.push_back(fData.Find(Attr(layout, "node")));
    bindings.push_back(m.colorVar);
    bindings.push_back(m.labelVar);
    for (const Var* var : bindings) {
        if (var && !m.source) m.source = fData.Home(*var);
    }
    if (m.colorVar && m.source) {
        std::map<std::string, std::string> mapped;
        for (pugi::xml_node mapping : aesthetic.children("colorMapping")) mapped[Attr(mapping, "key")] = Attr(mapping, "color");
        for (const Cell& cell : fData.Categories(*m.colorVar, *m.source)) {
            const std::string key = KeyText(cell);
            const size_t i = m.colors.Add(key, fData.Shown(*m.colorVar, cell));
            if (m.pattern) {
                m.colorRange.push_back(kOpacities[i % (sizeof kOpacities / sizeof kOpacities[0])]);
            } else {
                const auto found = mapped.find(key);
                m.colorRange.push_back(found != mapped.end() && !found->second.empty() ? found->second : kPalette[i % 10]);
            }
        }
    }
    if (!Attr(node, "id").empty()) {
        const auto range = fContext.popups.equal_range(Attr(node, "id"));
        for (auto it = range.first; it != range.second; ++it) m.popups.push_back(it->second);
    }
    return m;
}

bool GraphView::Readable(const Var& var, const SourceTable& source) const {
    const Var* v = &var;
    for (int depth = 0; v && depth < 16; ++depth) {
        if (v->kind == Var::Kind::Source || v->kind == Var::Kind::Graph) return source.Column(v->column) != nullptr;
        v = v->base;
    }
    return false;
}

std::vector<std::vector<size_t>> GraphView::PanelRows(const SourceTable& source) const {
    std::vector<std::vector<size_t>> rows(std::max<size_t>(fPanels.size(), 1));
    if (!Faceted()) {
        for (size_t row = 0; row < source.rows; ++row) rows[0].push_back(row);
        return rows;
    }
    const size_t columns = fFacetColumn.var ? fFacetColumn.categories.keys.size() : 1;
    // Indices of a facet for a row: its category, or every category when the
    // source has no such column; none for a missing or unknown value.
    auto indices = [&](const Facet& facet, size_t row, std::vector<long>& out) {
        out.clear();
        if (!facet.var) {
            out.push_back(0);
        } else if (!Readable(*facet.var, source)) {
            for (size_t i = 0; i < facet.categories.keys.size(); ++i) out.push_back(static_cast<long>(i));
        } else {
            const Cell cell = fData.Value(*facet.var, source, row);
            const long index = cell.Missing() ? -1 : facet.categories.Index(KeyText(cell));
            if (index >= 0) out.push_back(index);
        }
    };
    std::vector<long> columnIndices, rowIndices;
    size_t given = 0;
    for (size_t row = 0; row < source.rows && given < kMaxPanelRows; ++row) {
        indices(fFacetColumn, row, columnIndices);
        indices(fFacetRow, row, rowIndices);
        for (long r : rowIndices) {
            for (long c : columnIndices) rows[static_cast<size_t>(r) * columns + static_cast<size_t>(c)].push_back(row);
        }
        given += rowIndices.size() * columnIndices.size();
    }
    return rows;
}

Json GraphView::PanelFields(size_t panel) const {
    Json fields = Json::object();
    if (panel >= fPanels.size()) return fields;
    if (fPanels[panel].column >= 0) fields["_fc"] = fFacetColumn.categories.shown[static_cast<size_t>(fPanels[panel].column)];
    if (fPanels[panel].row >= 0) fields["_fr"] = fFacetRow.categories.shown[static_cast<size_t>(fPanels[panel].row)];
    return fields;
}

void GraphView::Emit(Json row, size_t panel) {
    const Json fields = PanelFields(panel);
    for (auto& field : fields.items()) row[field.key()] = field.value();
    fRows.push_back(std::move(row));
}

void GraphView::Track(int dimension, double value) {
    Axis& a = fAxis[dimension];
    if (!std::isfinite(value)) return;
    if (!a.tracked) {
        a.low = a.high = value;
        a.tracked = true;
    }
    a.low = std::min(a.low, value);
    a.high = std::max(a.high, value);
}

Json GraphView::AxisValue(int dimension, const Var* var, const Cell& cell) {
    Axis& a = fAxis[dimension];
    if (cell.Missing()) return nullptr;
    if (a.Nominal()) {
        const std::string key = KeyText(cell);
        long index = a.categories.Index(key);
        if (index < 0) index = static_cast<long>(a.categories.Add(key, var ? fData.Shown(*var, cell) : key));
        return a.categories.shown[static_cast<size_t>(index)];
    }
    if (!cell.IsNumber()) return nullptr;
    const double value = a.Output(cell.number);
    Track(dimension, value);
    return value;
}

std::string GraphView::Tooltip(const Mark& mark, size_t row) const {
    if (mark.popups.empty() || !mark.source) return {};
    std::string out;
    for (pugi::xml_node popup : mark.popups) {
        if (!out.empty()) out += '\n';
        if (!popup.attribute("tokenTemplate")) {
            // The mark's x and y values.
            std::string lines;
            const Var* vars[2] = {mark.x, mark.y};
            for (int d = 0; d < 2; ++d) {
                if (!vars[d]) continue;
                if (!lines.empty()) lines += '\n';
                if (fAxis[d].title.is_string()) lines += fAxis[d].title.get<std::string>() + ": ";
                lines += fData.Shown(*vars[d], fData.Value(*vars[d], *mark.source, row));
            }
            out += lines;
            continue;
        }
        const std::string text = Attr(popup, "tokenTemplate");
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t open = text.find("$[", pos);
            if (open == std::string::npos) {
                out += text.substr(pos);
                break;
            }
            const size_t close = text.find("]$", open + 2);
            if (close == std::string::npos) {
                out += text.substr(pos);
                break;
            }
            out += text.substr(pos, open - pos);
            const std::string name = text.substr(open + 2, close - open - 2);
            const Var* var = nullptr;
            for (pugi::xml_node mapping : popup.children("tokenMapping")) {
                if (name == Attr(mapping, "valueToken")) var = fData.Find(Attr(mapping, "variable"));
            }
            if (!var) var = fData.Find(name);
            if (var) out += fData.Shown(*var, fData.Value(*var, *mark.source, row));
            pos = close + 2;
        }
    }
    return out;
}

Json GraphView::Channel(int dimension, const std::string& field, Json extra) const {
    Json channel = Json::object();
    channel["__axis"] = dimension;
    channel["field"] = field;
    for (auto& item : extra.items()) channel[item.key()] = item.value();
    return channel;
}

Json GraphView::AxisChannel(int dimension, const Variant& variant) const {
    const Axis& a = fAxis[dimension];
    Json channel = Json::object();
    Json scale = Json::object();
    Json axis = Json::object();
    if (a.Nominal()) {
        channel["type"] = "nominal";
        channel["sort"] = a.categories.Domain();
        scale["domain"] = a.categories.Domain();
        axis["labelExpr"] = dimension == 0 ? WrappedLabels(a.categories.shown, BandWidth(dimension)) : kSplitLabels;
        if (dimension == 0) axis["labelAngle"] = 0;
    } else {
        channel["type"] = a.kind == Axis::Kind::Temporal ? "temporal" : "quantitative";
        if (a.kind == Axis::Kind::Temporal) {
            scale["type"] = "utc";
            const std::string type = a.hasTickFormat && !a.tickFormat.type.empty() ? a.tickFormat.type
                                                                                   : (a.var ? a.var->format.type : "");
            axis["labelExpr"] = DateLabelExpression(type);
        } else {
            const Format& format = a.hasTickFormat ? a.tickFormat : (a.var ? a.var->format : Format());
            const std::string expression = NumberLabelExpression(format);
            if (!expression.empty()) axis["labelExpr"] = expression;
            // Whole-number labels need whole-number ticks. Vega-Lite passes
            // a tick step of 1 on to the axis only for the "d" format (an
            // explicit tickMinStep is dropped); the label text still comes
            // from the label expression.
            if (format.decimals == 0) {
                axis["format"] = "d";
                axis["tickMinStep"] = 1;
            }
        }
        if (a.kind != Axis::Kind::Temporal) scale["zero"] = a.zero;
        scale["nice"] = true;
        if (variant.explicitDomain && a.tracked) {
            double low = a.low, high = a.high;
            if (a.zero) {
                low = std::min(low, 0.0);
                high = std::max(high, 0.0);
            }
            if (a.min) low = a.Output(*a.min);
            if (a.max) high = a.Output(*a.max);
            scale["domain"] = Json::array({low, high});
        } else {
            if (a.min) scale["domainMin"] = a.Output(*a.min);
            if (a.max) scale["domainMax"] = a.Output(*a.max);
        }
    }
    if (!a.Nominal()) SpaceTickLabels(dimension, axis);
    if (a.invert != variant.reverse[dimension]) scale["reverse"] = true;
    channel["scale"] = scale;
    channel["title"] = variant.opposite[dimension] && a.hasOpposite ? Json(a.opposite) : a.title;
    if (channel["title"].is_string() && channel["title"].get<std::string>().empty()) channel["title"] = nullptr;
    if (variant.opposite[dimension]) axis["orient"] = dimension == 0 ? "top" : "right";
    if (!a.style.color.empty()) {
        for (const char* part : {"domainColor", "tickColor", "labelColor", "titleColor"}) axis[part] = a.style.color;
    }
    if (a.style.fontSize > 0) axis["labelFontSize"] = axis["titleFontSize"] = a.style.FontPixels();
    channel["axis"] = a.visible ? axis : Json(nullptr);
    return channel;
}

// The widest tick label a continuous axis may write: a date of its format,
// or the ends of its extent in its number format.
double GraphView::TickLabelWidth(int dimension) const {
    const Axis& a = fAxis[dimension];
    const Format& format = a.hasTickFormat ? a.tickFormat : (a.var ? a.var->format : Format());
    if (a.kind == Axis::Kind::Temporal) {
        const std::string type = a.hasTickFormat && !a.tickFormat.type.empty() ? a.tickFormat.type
                                                                               : (a.var ? a.var->format.type : "");
        return TextWidth(WidestDateLabel(type), 11);
    }
    double width = 0;
    for (double end : {a.low, a.high}) width = std::max(width, TextWidth(FormatNumber(end, format), 11));
    return width;
}

// Ticks far enough apart for their labels: as many as the panel's length
// holds labels of the widest width with a gap between them (a horizontal
// axis; a vertical one stacks labels of one line), and labels that would
// still touch are left out.
void GraphView::SpaceTickLabels(int dimension, Json& axis) const {
    const Axis& a = fAxis[dimension];
    const double length = dimension == 0 ? fPanelWidth : fPanelHeight;
    const double label = dimension == 0 ? TickLabelWidth(dimension) : 13;
    const double fits = std::max(2.0, std::floor(length / (label + 10)));
    axis["labelOverlap"] = "greedy";
    axis["labelSeparation"] = 6;
    if (fits >= std::ceil(length / 40)) return;  // the chart library's own ticks fit
    axis["tickCount"] = fits;
    // The library may still make more ticks than asked: numbers get theirs
    // here, at a round step that leaves each label its room.
    if (a.kind != Axis::Kind::Quantitative || !a.tracked || !(a.high > a.low)) return;
    const double step = RoundStep((a.high - a.low) / (fits - 1));
    Json values = Json::array();
    for (double tick = std::ceil(a.low / step) * step; tick <= a.high + step * 1e-9 && values.size() < 100; tick += step)
        values.push_back(std::fabs(tick) < step * 1e-9 ? 0.0 : tick);
    if (values.size() >= 2) axis["values"] = values;
}

Json GraphView::ColorChannel(const Mark& mark) const {
    Json channel = {{"field", "_c"}, {"type", "nominal"}, {"sort", mark.colors.Domain()}};
    channel["scale"] = {{"domain", mark.colors.Domain()}, {"range", mark.colorRange}};
    pugi::xml_node legend = fContext.LegendFor(mark.colorId);
    if (!legend) {
        channel["legend"] = nullptr;
        return channel;
    }
    Json title = nullptr;
    if (legend.attribute("title")) {
        if (!Attr(legend, "title").empty()) title = Attr(legend, "title");
    } else if (!fData.Label(*mark.colorVar).empty()) {
        title = fData.Label(*mark.colorVar);
    }
    channel["legend"] = {{"title", title}, {"labelExpr", kSplitLabels}, {"labelLimit", 260}};
    // Too little room right of the graph: the legend goes below it.
    if (fContext.contentWidth - fBox.Right() < 0.15 * fContext.contentWidth) channel["legend"]["orient"] = "bottom";
    return channel;
}

Json GraphView::Filter(const std::string& key) const {
    return Json::array({{{"filter", {{"field", "_layer"}, {"equal", key}}}}});
}

void GraphView::AddColorAndTooltip(Json& encoding, Json& mark, const Mark& info, bool stroke) const {
    if (info.colorVar) {
        if (info.pattern) {
            // No fill patterns in Vega-Lite: dark grey in graded opacities.
            encoding["opacity"] = ColorChannel(info);
            encoding["opacity"]["type"] = "ordinal";
            mark[stroke ? "stroke" : "fill"] = kPatternColor;
        } else {
            encoding["color"] = ColorChannel(info);
            mark.erase(stroke ? "stroke" : "fill");
        }
    }
    if (!info.popups.empty()) encoding["tooltip"] = {{"field", "_tip"}, {"type", "nominal"}};
}

// ---------------------------------------------------------------------------
// Bars

// The bins an interval's <binStatistic> asks for over its positions. Rows
// whose lengths are summed are counted already, one row per bin: without a
// count or width from the document each is its own bin at its place, so a
// table that is binned is not binned again.
static Bins IntervalBins(pugi::xml_node interval, const std::vector<double>& positions) {
    double count = 0, width = 0;
    ParseNumber(Attr(interval.child("binStatistic"), "binCount"), count);
    ParseNumber(Attr(interval.child("binStatistic"), "binWidth"), width);
    const bool summed = std::string(Attr(interval.child("summaryStatistic"), "method")) == "sum";
    if (summed && !(count >= 1) && !(width > 0)) {
        Bins centred = CentredBins(positions);
        if (!centred.lower.empty()) return centred;
    }
    return MakeBins(positions, positions.size(), count, width);
}

// The bins of the graph's first binned bars on a continuous position.
static bool GraphBins(const ChartData& data, pugi::xml_node graph, Bins& bins, const bool nominalPosition[2]) {
    for (pugi::xml_node interval : graph.children("interval")) {
        if (!interval.child("binStatistic")) continue;
        const bool horizontal = std::string(Attr(interval, "orientation")) == "horizontal";
        const int pd = horizontal ? 1 : 0;
        if (nominalPosition[pd]) continue;
        const Var* position = data.Find(Attr(interval.child(PositionName(pd)), "variable"));
        const SourceTable* source = position ? data.Home(*position) : nullptr;
        if (!source) continue;
        std::vector<double> values;
        for (size_t row = 0; row < source->rows; ++row) {
            const Cell cell = data.Value(*position, *source, row);
            if (cell.IsNumber()) values.push_back(cell.number);
        }
        bins = IntervalBins(interval, values);
        return !bins.lower.empty();
    }
    return false;
}

double GraphView::BinWidth() const {
    Bins bins;
    bool nominal[2] = {fAxis[0].Nominal(), fAxis[1].Nominal()};
    return GraphBins(fData, fGraph, bins, nominal) ? bins.width : 0;
}

void GraphView::AddInterval(pugi::xml_node node, size_t index) {
    Mark m = ReadMark(node, index);
    const bool horizontal = std::string(Attr(node, "orientation")) == "horizontal";
    const int pd = horizontal ? 1 : 0, ld = 1 - pd;
    const Var* posVar = pd == 0 ? m.x : m.y;
    const Var* lenVar = pd == 0 ? m.y : m.x;
    if (!posVar || !m.source || fAxis[ld].Nominal()) return;
    const bool nominal = fAxis[pd].Nominal();
    const bool bin = node.child("binStatistic");
    const bool sum = std::string(Attr(node.child("summaryStatistic"), "method")) == "sum";
    const bool stack = node.child("stack");
    const bool cluster = node.child("cluster") && m.colorVar;
    double factor = 1;
    if (!ParseNumber(Attr(node, "scalingFactor"), factor) || !std::isfinite(factor)) factor = 1;

    Bins bins;
    double gap = 1;
    if (!nominal) {
        std::vector<double> positions;
        for (size_t row = 0; row < m.source->rows; ++row) {
            const Cell cell = fData.Value(*posVar, *m.source, row);
            if (cell.IsNumber()) positions.push_back(cell.number);
        }
        if (bin) {
            bins = IntervalBins(node, positions);
        } else {
            gap = SmallestGap(positions);
        }
    }

    struct Bar {
        double p0 = 0, p1 = 0, order = 0;
        long category = -1;  // position category (nominal)
        long color = -1;
        double length = 0;
        bool hasLength = false;
        size_t first = 0;
    };
    bool plain = false;
    const auto panels = PanelRows(*m.source);
    for (size_t p = 0; p < panels.size(); ++p) {
        std::vector<Bar> bars;
        std::map<std::string, size_t> groups;
        for (size_t row : panels[p]) {
            const Cell pos = fData.Value(*posVar, *m.source, row);
            if (pos.Missing()) continue;
            const Cell len = lenVar ? fData.Value(*lenVar, *m.source, row) : Cell();
            long color = -1;
            if (m.colorVar) {
                const Cell c = fData.Value(*m.colorVar, *m.source, row);
                if (!c.Missing()) color = m.colors.Index(KeyText(c));
            }
            Bar bar;
            std::string group;
            if (nominal) {
                const std::string key = KeyText(pos);
                long category = fAxis[pd].categories.Index(key);
                if (category < 0) category = static_cast<long>(fAxis[pd].categories.Add(key, fData.Shown(*posVar, pos)));
                bar.category = category;
                bar.order = static_cast<double>(category);
                group = "c" + key;
            } else {
                if (!pos.IsNumber()) continue;
                const double v = pos.number;
                if (bin) {
                    const long b = bins.Find(v);
                    if (b < 0) continue;
                    bar.p0 = bins.lower[static_cast<size_t>(b)];
                    bar.p1 = bins.upper[static_cast<size_t>(b)];
                    group = "b" + std::to_string(b);
                } else {
                    bar.p0 = v - gap / 2;
                    bar.p1 = v + gap / 2;
                    group = "v" + NumberKey(v);
                }
                bar.order = bar.p0;
            }
            if (!bin && !sum) group = "r" + std::to_string(row);
            group += "|" + std::to_string(color);
            auto found = groups.find(group);
            if (found == groups.end()) {
                bar.color = color;
                bar.first = row;
                found = groups.emplace(group, bars.size()).first;
                bars.push_back(bar);
            }
            Bar& target = bars[found->second];
            if (bin && !sum) {
                target.length += 1;
                target.hasLength = true;
            } else if (len.IsNumber()) {
                target.length += len.number;
                target.hasLength = true;
            }
        }
        bars.erase(std::remove_if(bars.begin(), bars.end(), [](const Bar& b) { return !b.hasLength; }), bars.end());
        std::stable_sort(bars.begin(), bars.end(), [](const Bar& a, const Bar& b) {
            if (a.order != b.order) return a.order < b.order;
            const long ac = a.color < 0 ? 1L << 30 : a.color, bc = b.color < 0 ? 1L << 30 : b.color;
            return ac < bc;
        });
        // Stacks grow from the axis outwards per position, in category order.
        std::map<double, std::pair<double, double>> stacks;
        const size_t colorCount = std::max<size_t>(m.colors.keys.size(), 1);
        for (const Bar& bar : bars) {
            double l0 = 0, l1 = bar.length;
            if (stack) {
                auto& running = stacks[bar.order];
                double& base = bar.length >= 0 ? running.first : running.second;
                l0 = base;
                l1 = base + bar.length;
                base = l1;
            }
            l0 *= factor;
            l1 *= factor;
            Json row = Json::object();
            const bool uncolored = m.colorVar && bar.color < 0;
            plain = plain || uncolored;
            row["_layer"] = uncolored ? m.key + ":plain" : m.key;
            if (nominal) {
                row["_pos"] = fAxis[pd].categories.shown[static_cast<size_t>(bar.category)];
            } else {
                double p0 = bar.p0, p1 = bar.p1;
                if (cluster && bar.color >= 0 && colorCount > 1) {
                    const double width = (p1 - p0) / static_cast<double>(colorCount);
                    p0 += width * static_cast<double>(bar.color);
                    p1 = p0 + width;
                }
                row["_p0"] = fAxis[pd].Output(p0);
                row["_p1"] = fAxis[pd].Output(p1);
                row["_pm"] = fAxis[pd].Output((p0 + p1) / 2);
                Track(pd, fAxis[pd].Output(p0));
                Track(pd, fAxis[pd].Output(p1));
            }
            row["_l0"] = l0;
            row["_l1"] = l1;
            row["_len"] = bar.length;
            Track(ld, l0);
            Track(ld, l1);
            if (bar.color >= 0) row["_c"] = m.colors.shown[static_cast<size_t>(bar.color)];
            if (!m.popups.empty()) row["_tip"] = Tooltip(m, bar.first);
            if (m.labelVar) row["_lab"] = fData.Shown(*m.labelVar, fData.Value(*m.labelVar, *m.source, bar.first));
            Emit(std::move(row), p);
        }
    }

    auto layer = [&](const std::string& key, bool colored) {
        Json encoding = Json::object();
        Json mark = {{"type", "bar"},
                     {"fill", m.style.fill.empty() ? kBarFill : m.style.fill},
                     {"stroke", m.style.color.empty() ? kBarStroke : m.style.color},
                     {"strokeWidth", m.style.width > 0 ? std::min(m.style.width, 20.0) : 0.5}};
        if (nominal) {
            encoding[PositionName(pd)] = Channel(pd, "_pos");
            if (cluster && colored) {
                encoding[OffsetName(pd)] = {{"field", "_c"}, {"type", "nominal"}, {"sort", m.colors.Domain()},
                                            {"scale", {{"domain", m.colors.Domain()}}}};
            } else {
                mark[pd == 0 ? "width" : "height"] = {{"band", 0.8}};
            }
        } else {
            encoding[PositionName(pd)] = Channel(pd, "_p0");
            encoding[SecondName(pd)] = {{"field", "_p1"}};
        }
        encoding[PositionName(ld)] = Channel(ld, "_l1", {{"stack", nullptr}});
        encoding[SecondName(ld)] = {{"field", "_l0"}};
        if (colored) {
            AddColorAndTooltip(encoding, mark, m, false);
        } else if (!m.popups.empty()) {
            encoding["tooltip"] = {{"field", "_tip"}, {"type", "nominal"}};
        }
        fLayers.push_back({{"transform", Filter(key)}, {"mark", mark}, {"encoding", encoding}});
    };
    layer(m.key, m.colorVar != nullptr);
    if (plain) layer(m.key + ":plain", false);
    if (m.labelVar && m.labelStyle.visible) {
        Json encoding = Json::object();
        encoding[PositionName(pd)] = nominal ? Channel(pd, "_pos") : Channel(pd, "_pm");
        if (nominal && cluster) {
            encoding[OffsetName(pd)] = {{"field", "_c"}, {"type", "nominal"}, {"sort", m.colors.Domain()},
                                        {"scale", {{"domain", m.colors.Domain()}}}};
        }
        encoding[PositionName(ld)] = Channel(ld, "_l1", {{"stack", nullptr}});
        encoding["text"] = {{"field", "_lab"}, {"type", "nominal"}};
        Json mark = {{"type", "text"}, {"lineBreak", "\n"}};
        if (pd == 0) {
            mark["baseline"] = "bottom";
            mark["dy"] = -3;
        } else {
            mark["align"] = "left";
            mark["dx"] = 3;
        }
        m.labelStyle.ApplyText(mark);
        Json filter = Json::array({{{"filter", {{"field", "_layer"}, {"oneOf", {m.key, m.key + ":plain"}}}}}});
        fLayers.push_back({{"transform", filter}, {"mark", mark}, {"encoding", encoding}});
    }
}

// ---------------------------------------------------------------------------
// Box plots

void GraphView::AddSchema(pugi::xml_node node, size_t index) {
    Mark m = ReadMark(node, index);
    const int pd = fAxis[0].Nominal() ? 0 : (fAxis[1].Nominal() ? 1 : 0);
    const int ld = 1 - pd;
    const Var* posVar = pd == 0 ? m.x : m.y;
    const Var* valueVar = pd == 0 ? m.y : m.x;
    if (!valueVar || !m.source || !fAxis[pd].Nominal() || fAxis[ld].Nominal()) return;

    struct Group {
        long category = -1, color = -1;
        std::vector<double> values;
        std::vector<size_t> rows;
    };
    // Boxes stand side by side only when a position holds more than one
    // colour category.
    bool sideBySide = false;
    std::vector<std::vector<Group>> panelGroups;
    const auto panels = PanelRows(*m.source);
    for (const auto& rows : panels) {
        std::vector<Group> groups;
        std::map<std::pair<long, long>, size_t> index;
        for (size_t row : rows) {
            const Cell value = fData.Value(*valueVar, *m.source, row);
            if (!value.IsNumber()) continue;
            long category = 0;
            if (posVar) {
                const Cell pos = fData.Value(*posVar, *m.source, row);
                if (pos.Missing()) continue;
                category = fAxis[pd].categories.Index(KeyText(pos));
                if (category < 0) category = static_cast<long>(fAxis[pd].categories.Add(KeyText(pos), fData.Shown(*posVar, pos)));
            } else if (fAxis[pd].categories.keys.empty()) {
                fAxis[pd].categories.Add("", "");
            }
            long color = -1;
            if (m.colorVar) {
                const Cell c = fData.Value(*m.colorVar, *m.source, row);
                if (!c.Missing()) color = m.colors.Index(KeyText(c));
            }
            auto found = index.find({category, color});
            if (found == index.end()) {
                found = index.emplace(std::make_pair(category, color), groups.size()).first;
                groups.push_back(Group{category, color, {}, {}});
            }
            groups[found->second].values.push_back(value.number);
            groups[found->second].rows.push_back(row);
        }
        std::set<long> seen;
        for (const Group& g : groups) {
            if (!seen.insert(g.category).second) sideBySide = true;
        }
        panelGroups.push_back(std::move(groups));
    }

    for (size_t p = 0; p < panelGroups.size(); ++p) {
        for (const Group& g : panelGroups[p]) {
            const BoxStats box = TukeyBox(g.values);
            if (box.n == 0) continue;
            const std::string pos = fAxis[pd].categories.shown[static_cast<size_t>(g.category)];
            Json row = {{"_layer", m.key}, {"_pos", pos}};
            if (g.color >= 0) row["_c"] = m.colors.shown[static_cast<size_t>(g.color)];
            const Axis& a = fAxis[ld];
            row["_lo"] = a.Output(box.lowerWhisker);
            row["_q1"] = a.Output(box.lowerHinge);
            row["_med"] = a.Output(box.median);
            row["_q3"] = a.Output(box.upperHinge);
            row["_hi"] = a.Output(box.upperWhisker);
            row["_n"] = box.n;
            Track(ld, a.Output(box.lowerWhisker));
            Track(ld, a.Output(box.upperWhisker));
            if (!m.popups.empty()) row["_tip"] = Tooltip(m, g.rows.front());
            Emit(row, p);
            auto outlier = [&](size_t i, const char* kind) {
                Json point = {{"_layer", m.key + ":" + kind}, {"_pos", pos}, {"_v", a.Output(g.values[i])}};
                Track(ld, a.Output(g.values[i]));
                if (g.color >= 0) point["_c"] = m.colors.shown[static_cast<size_t>(g.color)];
                if (m.labelVar) point["_lab"] = fData.Shown(*m.labelVar, fData.Value(*m.labelVar, *m.source, g.rows[i]));
                Emit(point, p);
            };
            for (size_t i : box.outliers) outlier(i, "outliers");
            for (size_t i : box.extremes) outlier(i, "extremes");
        }
    }

    const double band = (pd == 0 ? fPanelWidth : fPanelHeight) /
                        static_cast<double>(std::max<size_t>(fAxis[pd].categories.keys.size(), 1)) /
                        (sideBySide ? static_cast<double>(std::max<size_t>(m.colors.keys.size(), 1)) : 1.0);
    const double boxSize = std::max(3.0, std::floor(band * 0.5));
    const std::string stroke = m.style.color.empty() ? kBarStroke : m.style.color;
    auto encodingFor = [&](const char* value, const char* second) {
        Json encoding = Json::object();
        encoding[PositionName(pd)] = Channel(pd, "_pos");
        if (sideBySide) {
            encoding[OffsetName(pd)] = {{"field", "_c"}, {"type", "nominal"}, {"sort", m.colors.Domain()},
                                        {"scale", {{"domain", m.colors.Domain()}}}};
        }
        encoding[PositionName(ld)] = Channel(ld, value, {{"stack", nullptr}});
        if (second) encoding[SecondName(ld)] = {{"field", second}};
        return encoding;
    };
    const char* tickOrient = pd == 0 ? "horizontal" : "vertical";
    auto push = [&](const std::string& key, Json mark, Json encoding) {
        fLayers.push_back({{"transform", Filter(key)}, {"mark", std::move(mark)}, {"encoding", std::move(encoding)}});
    };
    push(m.key, {{"type", "rule"}, {"stroke", stroke}}, encodingFor("_lo", "_hi"));
    for (const char* end : {"_lo", "_hi"}) {
        push(m.key, {{"type", "tick"}, {"orient", tickOrient}, {"color", stroke}, {"size", std::floor(boxSize * 0.6)}},
             encodingFor(end, nullptr));
    }
    Json boxMark = {{"type", "bar"},
                    {"fill", m.style.fill.empty() ? kBarFill : m.style.fill},
                    {"stroke", stroke},
                    {"strokeWidth", 1},
                    {pd == 0 ? "width" : "height", boxSize}};
    Json boxEncoding = encodingFor("_q1", "_q3");
    AddColorAndTooltip(boxEncoding, boxMark, m, false);
    push(m.key, boxMark, boxEncoding);
    Json medianEncoding = encodingFor("_med", nullptr);
    if (!m.popups.empty()) medianEncoding["tooltip"] = {{"field", "_tip"}, {"type", "nominal"}};
    push(m.key, {{"type", "tick"}, {"orient", tickOrient}, {"color", stroke}, {"size", boxSize}, {"thickness", 3}},
         medianEncoding);
    push(m.key + ":outliers",
         {{"type", "point"}, {"shape", "circle"}, {"filled", false}, {"stroke", stroke}, {"size", 36}},
         encodingFor("_v", nullptr));
    push(m.key + ":extremes", {{"type", "point"}, {"shape", kStarPath}, {"filled", true}, {"fill", stroke}, {"size", 60}},
         encodingFor("_v", nullptr));
    if (m.labelVar && m.labelStyle.visible) {
        Json encoding = encodingFor("_v", nullptr);
        encoding["text"] = {{"field", "_lab"}, {"type", "nominal"}};
        Json mark = {{"type", "text"}, {"align", "left"}, {"dx", 7}, {"baseline", "middle"}, {"lineBreak", "\n"}};
        m.labelStyle.ApplyText(mark, 8);
        Json filter = Json::array({{{"filter", {{"field", "_layer"}, {"oneOf", {m.key + ":outliers", m.key + ":extremes"}}}}}});
        fLayers.push_back({{"transform", filter}, {"mark", mark}, {"encoding", encoding}});
    }
}

// ---------------------------------------------------------------------------
// Lines and distribution curves

void GraphView::AddLine(pugi::xml_node node, size_t index) {
    Mark m = ReadMark(node, index);
    Json mark = {{"type", "line"},
                 {"stroke", m.style.color.empty() ? kLineColor : m.style.color},
                 {"strokeWidth", m.style.width > 0 ? std::min(m.style.width, 20.0) : 1.5}};
    if (!m.style.dash.empty()) mark["strokeDash"] = m.style.Dash();
    if (!m.style.visible) return;
    const auto panels = m.source ? PanelRows(*m.source) : std::vector<std::vector<size_t>>(std::max<size_t>(fPanels.size(), 1));

    if (pugi::xml_node statistic = node.child("distributionStatistic")) {
        if (fAxis[0].Nominal() || fAxis[1].Nominal()) return;  // a curve needs continuous axes
        Distribution distribution;
        distribution.name = Attr(statistic, "distribution");
        const bool dates = fAxis[0].kind == Axis::Kind::Temporal || (m.x && IsDateFormat(m.x->format.type));
        const std::string first = Attr(statistic, "parameter"), second = Attr(statistic, "secondaryParameter");
        bool ok = ParseNumber(first, distribution.first) || (dates && ParseDateText(first, distribution.first));
        if (distribution.name == "normal" || distribution.name == "uniform") {
            ok = ok && (ParseNumber(second, distribution.second) ||
                        (dates && (ParseDuration(second, distribution.second) || ParseDateText(second, distribution.second))));
            // A uniform maximum written as a duration counts the days since
            // 1970-01-01 (the result document's day count), not a length.
            if (ok && dates && distribution.name == "uniform" && !second.empty() && second[0] == 'P') {
                distribution.second += kUnixEpochSeconds;
            }
        }
        if (ok && distribution.Valid()) {
            // The span: the axis range, else the data's extent, else what
            // the distribution covers.
            std::pair<double, double> span = distribution.NaturalSpan();
            Bins bins;
            bool nominal[2] = {false, false};
            if (GraphBins(fData, fGraph, bins, nominal)) {
                span = {bins.lower.front(), bins.upper.back()};
            } else if (m.x && m.source) {
                bool any = false;
                for (size_t row = 0; row < m.source->rows; ++row) {
                    const Cell cell = fData.Value(*m.x, *m.source, row);
                    if (!cell.IsNumber()) continue;
                    span = any ? std::make_pair(std::min(span.first, cell.number), std::max(span.second, cell.number))
                               : std::make_pair(cell.number, cell.number);
                    any = true;
                }
            }
            if (fAxis[0].min) span.first = *fAxis[0].min;
            if (fAxis[0].max) span.second = *fAxis[0].max;
            // Scaled to the bars: cases × bin width.
            double width = 1;
            if (m.y) {
                width = BinWidth();
                if (width <= 0 && m.x && m.source) {
                    std::vector<double> xs;
                    for (size_t row = 0; row < m.source->rows; ++row) {
                        const Cell cell = fData.Value(*m.x, *m.source, row);
                        if (cell.IsNumber()) xs.push_back(cell.number);
                    }
                    width = SmallestGap(xs);
                }
            }
            for (size_t p = 0; p < panels.size(); ++p) {
                double scale = 1;
                if (m.y && m.source) {
                    double cases = 0;
                    for (size_t row : panels[p]) {
                        const Cell cell = fData.Value(*m.y, *m.source, row);
                        if (cell.IsNumber()) cases += cell.number;
                    }
                    scale = cases * width;
                }
                const auto points = DistributionCurve(distribution, span.first, span.second, scale);
                for (size_t i = 0; i < points.size(); ++i) {
                    const double x = fAxis[0].Output(points[i].first);
                    Track(0, x);
                    Track(1, points[i].second);
                    Emit({{"_layer", m.key}, {"_lx", x}, {"_ly", points[i].second}, {"_o", i}}, p);
                }
            }
        }
        Json encoding = {{"x", Channel(0, "_lx")}, {"y", Channel(1, "_ly")}, {"order", {{"field", "_o"}, {"type", "quantitative"}}}};
        fLayers.push_back({{"transform", Filter(m.key)}, {"mark", mark}, {"encoding", encoding}});
        return;
    }

    if (!m.x || !m.y || !m.source) return;
    for (size_t p = 0; p < panels.size(); ++p) {
        struct Vertex {
            double order;
            size_t row;
        };
        std::vector<Vertex> vertices;
        for (size_t row : panels[p]) {
            const Cell x = fData.Value(*m.x, *m.source, row);
            if (x.Missing() || fData.Value(*m.y, *m.source, row).Missing()) continue;
            double order = 0;
            if (fAxis[0].Nominal()) order = static_cast<double>(fAxis[0].categories.Index(KeyText(x)));
            else if (x.IsNumber()) order = x.number;
            else continue;
            vertices.push_back({order, row});
        }
        std::stable_sort(vertices.begin(), vertices.end(), [](const Vertex& a, const Vertex& b) { return a.order < b.order; });
        for (size_t i = 0; i < vertices.size(); ++i) {
            const size_t row = vertices[i].row;
            Json out = {{"_layer", m.key},
                        {"_lx", AxisValue(0, m.x, fData.Value(*m.x, *m.source, row))},
                        {"_ly", AxisValue(1, m.y, fData.Value(*m.y, *m.source, row))},
                        {"_o", i}};
            if (m.colorVar) {
                const Cell c = fData.Value(*m.colorVar, *m.source, row);
                const long color = c.Missing() ? -1 : m.colors.Index(KeyText(c));
                if (color >= 0) out["_c"] = m.colors.shown[static_cast<size_t>(color)];
            }
            if (!m.popups.empty()) out["_tip"] = Tooltip(m, row);
            if (m.labelVar) out["_lab"] = fData.Shown(*m.labelVar, fData.Value(*m.labelVar, *m.source, row));
            Emit(std::move(out), p);
        }
    }
    Json encoding = {{"x", Channel(0, "_lx")}, {"y", Channel(1, "_ly")}, {"order", {{"field", "_o"}, {"type", "quantitative"}}}};
    AddColorAndTooltip(encoding, mark, m, true);
    fLayers.push_back({{"transform", Filter(m.key)}, {"mark", mark}, {"encoding", encoding}});
    if (m.labelVar && m.labelStyle.visible) {
        Json labels = {{"x", Channel(0, "_lx")}, {"y", Channel(1, "_ly")}, {"text", {{"field", "_lab"}, {"type", "nominal"}}}};
        Json text = {{"type", "text"}, {"dy", -6}, {"baseline", "bottom"}, {"lineBreak", "\n"}};
        m.labelStyle.ApplyText(text);
        fLayers.push_back({{"transform", Filter(m.key)}, {"mark", text}, {"encoding", labels}});
    }
}

// ---------------------------------------------------------------------------
// Points, networks and edges

void GraphView::AddPoint(pugi::xml_node node, size_t index) {
    Mark m = ReadMark(node, index);
    if (!m.style.visible) return;
    const bool symbol = m.style.symbol != "none";
    const double diameter = NodeDiameter(m.style);
    Json pointMark = {{"type", "point"}, {"shape", Shape(m.style.symbol)}, {"filled", true},
                      {"fill", m.style.fill.empty() ? kBarFill : m.style.fill},
                      {"stroke", m.style.color.empty() ? kBarStroke : m.style.color},
                      {"strokeWidth", 1}, {"size", diameter * diameter}, {"opacity", 1}};
    const bool labels = m.labelVar && m.labelStyle.visible;
    Json textMark = {{"type", "text"}, {"align", "center"}, {"lineBreak", "\n"}};
    if (symbol) {
        textMark["baseline"] = "top";
        textMark["dy"] = diameter / 2 + 3;
    } else {
        textMark["baseline"] = "middle";
    }
    m.labelStyle.fontWeight = m.labelStyle.fontWeight.empty() ? m.style.fontWeight : m.labelStyle.fontWeight;
    m.labelStyle.ApplyText(textMark);
    const double lineHeight = m.labelStyle.FontPixels() + 2;  // the chart library's default

    if (pugi::xml_node layout = node.child("graphLayoutStatistic")) {
        const Var* nodeVar = fData.Find(Attr(layout, "node"));
        const SourceTable* source = nodeVar ? fData.Home(*nodeVar) : nullptr;
        const auto found = fNodes.find(node.internal_object());
        if (!source || found == fNodes.end()) return;
        const auto panels = PanelRows(*source);
        for (size_t p = 0; p < panels.size() && p < found->second.size(); ++p) {
            std::set<std::string> seen;
            for (size_t row : panels[p]) {
                const Cell cell = fData.Value(*nodeVar, *source, row);
                if (cell.Missing() || !seen.insert(KeyText(cell)).second) continue;
                const auto position = found->second[p].find(KeyText(cell));
                if (position == found->second[p].end()) continue;
                const double x = position->second.first, y = position->second.second;
                Json out = {{"_layer", m.key}, {"_px", x}, {"_py", y}, {"_key", KeyText(cell)}};
                if (!m.popups.empty()) out["_tip"] = Tooltip(m, row);
                Emit(out, p);
                if (!labels) continue;
                // The label stands outside the circle, away from the edges
                // that run inwards from its node.
                const std::string label = fData.Shown(*m.labelVar, fData.Value(*m.labelVar, *source, row));
                const std::string side = NodeLabelSide(x - fPanelWidth / 2, y - fPanelHeight / 2);
                // Lines after the first go downwards: a label above its node
                // starts higher by them, one beside it by half of them.
                const double below = static_cast<double>(SplitLines(label).size() - 1) * lineHeight;
                const double lift = side == "above" ? below : side == "below" ? 0 : below / 2;
                Emit({{"_layer", m.key + ":" + side}, {"_px", x}, {"_py", y - lift}, {"_lab", label}}, p);
            }
        }
        const Json pixelX = {{"field", "_px"}, {"type", "quantitative"}, {"scale", nullptr}, {"axis", nullptr}};
        const Json pixelY = {{"field", "_py"}, {"type", "quantitative"}, {"scale", nullptr}, {"axis", nullptr}};
        if (symbol) {
            Json encoding = {{"x", pixelX}, {"y", pixelY}};
            AddColorAndTooltip(encoding, pointMark, m, false);
            fLayers.push_back({{"transform", Filter(m.key)}, {"mark", pointMark}, {"encoding", encoding}});
        }
        if (labels) {
            const double gap = LabelGap(m.style) + 4;
            Json encoding = {{"x", pixelX}, {"y", pixelY}, {"text", {{"field", "_lab"}, {"type", "nominal"}}}};
            for (const char* side : {"above", "below", "left", "right"}) {
                Json mark = textMark;
                mark.erase("dy");
                const std::string where = side;
                mark["align"] = where == "left" ? "right" : where == "right" ? "left" : "center";
                mark["baseline"] = where == "above" ? "bottom" : where == "below" ? "top" : "middle";
                if (where == "above" || where == "below") mark["dy"] = where == "above" ? -gap : gap;
                else mark["dx"] = where == "left" ? -gap : gap;
                fLayers.push_back({{"transform", Filter(m.key + ":" + where)}, {"mark", mark}, {"encoding", encoding}});
            }
        }
        return;
    }

    if (!m.source) return;
    const auto panels = PanelRows(*m.source);
    for (size_t p = 0; p < panels.size(); ++p) {
        for (size_t row : panels[p]) {
            Json out = {{"_layer", m.key}};
            if (m.x) {
                Json value = AxisValue(0, m.x, fData.Value(*m.x, *m.source, row));
                if (value.is_null()) continue;
                out["_lx"] = value;
            }
            if (m.y) {
                Json value = AxisValue(1, m.y, fData.Value(*m.y, *m.source, row));
                if (value.is_null()) continue;
                out["_ly"] = value;
            }
            if (m.labelVar) {
                out["_lab"] = fData.Shown(*m.labelVar, fData.Value(*m.labelVar, *m.source, row));
                if (!symbol && out["_lab"].get<std::string>().empty()) continue;  // nothing to write
            }
            if (m.colorVar) {
                const Cell c = fData.Value(*m.colorVar, *m.source, row);
                const long color = c.Missing() ? -1 : m.colors.Index(KeyText(c));
                if (color >= 0) out["_c"] = m.colors.shown[static_cast<size_t>(color)];
            }
            if (!m.popups.empty()) out["_tip"] = Tooltip(m, row);
            Emit(std::move(out), p);
        }
    }
    // Unbound dimensions place the marks at the centre of the panel.
    Json encoding = Json::object();
    if (m.x) encoding["x"] = Channel(0, "_lx");
    else pointMark["x"] = textMark["x"] = fPanelWidth / 2;
    if (m.y) encoding["y"] = Channel(1, "_ly");
    else pointMark["y"] = textMark["y"] = fPanelHeight / 2;
    if (symbol) {
        Json pointEncoding = encoding;
        AddColorAndTooltip(pointEncoding, pointMark, m, false);
        fLayers.push_back({{"transform", Filter(m.key)}, {"mark", pointMark}, {"encoding", pointEncoding}});
    }
    if (labels) {
        Json textEncoding = encoding;
        textEncoding["text"] = {{"field", "_lab"}, {"type", "nominal"}};
        if (!symbol && !m.popups.empty()) textEncoding["tooltip"] = {{"field", "_tip"}, {"type", "nominal"}};
        fLayers.push_back({{"transform", Filter(m.key)}, {"mark", textMark}, {"encoding", textEncoding}});
    }
}

void GraphView::AddEdge(pugi::xml_node node, size_t index) {
    Mark m = ReadMark(node, index);
    const Var* from = fData.Find(Attr(node, "from"));
    const Var* to = fData.Find(Attr(node, "to"));
    const auto target = fContext.elements.find(Attr(node, "nodes"));
    if (!from || !to || !m.source || !m.style.visible || target == fContext.elements.end()) return;
    const auto layout = fNodes.find(target->second.internal_object());
    if (layout == fNodes.end()) return;
    bool plain = false;
    const auto panels = PanelRows(*m.source);
    for (size_t p = 0; p < panels.size() && p < layout->second.size(); ++p) {
        const auto& nodes = layout->second[p];
        for (size_t row : panels[p]) {
            const Cell a = fData.Value(*from, *m.source, row), b = fData.Value(*to, *m.source, row);
            if (a.Missing() || b.Missing()) continue;
            const auto pa = nodes.find(KeyText(a)), pb = nodes.find(KeyText(b));
            if (pa == nodes.end() || pb == nodes.end()) continue;
            Json out = {{"_layer", m.key},
                        {"_px", pa->second.first},
                        {"_py", pa->second.second},
                        {"_px2", pb->second.first},
                        {"_py2", pb->second.second},
                        {"_mx", (pa->second.first + pb->second.first) / 2},
                        {"_my", (pa->second.second + pb->second.second) / 2},
                        {"_from", KeyText(a)},
                        {"_to", KeyText(b)}};
            if (m.colorVar) {
                const Cell c = fData.Value(*m.colorVar, *m.source, row);
                const long color = c.Missing() ? -1 : m.colors.Index(KeyText(c));
                if (color >= 0) out["_c"] = m.colors.shown[static_cast<size_t>(color)];
                else {
                    out["_layer"] = m.key + ":plain";
                    plain = true;
                }
            }
            if (m.labelVar) out["_lab"] = fData.Shown(*m.labelVar, fData.Value(*m.labelVar, *m.source, row));
            if (!m.popups.empty()) out["_tip"] = Tooltip(m, row);
            Emit(std::move(out), p);
        }
    }
    auto pixel = [](const char* field) {
        return Json{{"field", field}, {"type", "quantitative"}, {"scale", nullptr}, {"axis", nullptr}};
    };
    Json mark = {{"type", "rule"},
                 {"stroke", m.style.color.empty() ? kLineColor : m.style.color},
                 {"strokeWidth", m.style.width > 0 ? std::min(m.style.width, 20.0) : 1.5}};
    if (!m.style.dash.empty()) mark["strokeDash"] = m.style.Dash();
    const Json position = {{"x", pixel("_px")}, {"y", pixel("_py")}, {"x2", {{"field", "_px2"}}}, {"y2", {{"field", "_py2"}}}};
    Json encoding = position;
    AddColorAndTooltip(encoding, mark, m, true);
    fLayers.push_back({{"transform", Filter(m.key)}, {"mark", mark}, {"encoding", encoding}});
    if (plain) {
        Json plainEncoding = position;
        Json plainMark = mark;
        plainMark["stroke"] = m.style.color.empty() ? kLineColor : m.style.color;
        if (!m.popups.empty()) plainEncoding["tooltip"] = {{"field", "_tip"}, {"type", "nominal"}};
        fLayers.push_back({{"transform", Filter(m.key + ":plain")}, {"mark", plainMark}, {"encoding", plainEncoding}});
    }
    if (m.labelVar && m.labelStyle.visible) {
        Json labels = {{"x", pixel("_mx")}, {"y", pixel("_my")}, {"text", {{"field", "_lab"}, {"type", "nominal"}}}};
        Json text = {{"type", "text"}, {"align", "center"}, {"baseline", "bottom"}, {"dy", -2}, {"lineBreak", "\n"}};
        m.labelStyle.ApplyText(text, 8);
        Json filter = Json::array({{{"filter", {{"field", "_layer"}, {"oneOf", {m.key, m.key + ":plain"}}}}}});
        fLayers.push_back({{"transform", filter}, {"mark", text}, {"encoding", labels}});
    }
}

// ---------------------------------------------------------------------------
// Guide lines, panel labels and texts

void GraphView::AddGuide(pugi::xml_node node, size_t index) {
    const int d = node.attribute("x") ? 0 : (node.attribute("y") ? 1 : -1);
    if (d < 0) return;
    const Style style = fContext.StyleOf(node);
    if (!style.visible) return;
    Axis& a = fAxis[d];
    const std::string written = Attr(node, d == 0 ? "x" : "y");
    Json value = nullptr;
    double number = 0;
    if (a.Nominal()) {
        const long category = a.categories.Index(written);
        if (category >= 0) value = a.categories.shown[static_cast<size_t>(category)];
    } else if (ParseNumber(written, number) && std::isfinite(number)) {
        value = a.Output(number);
    } else if (a.kind == Axis::Kind::Temporal && ParseDateText(written, number)) {
        value = a.Output(number);
    }
    if (value.is_null()) return;
    if (value.is_number()) Track(d, value.get<double>());
    const std::string key = "guide" + std::to_string(index);
    const std::string label = ElementText(node.child("label"));
    const std::string color = style.color.empty() ? kGuideColor : style.color;
    for (size_t p = 0; p < std::max<size_t>(fPanels.size(), 1); ++p) {
        Json row = {{"_layer", key}, {"_g", value}};
        if (!label.empty()) row["_t"] = label;
        Emit(row, p);
    }
    Json mark = {{"type", "rule"}, {"stroke", color}, {"strokeWidth", style.width > 0 ? std::min(style.width, 20.0) : 1}};
    if (!style.dash.empty()) mark["strokeDash"] = style.Dash();
    Json encoding = Json::object();
    encoding[PositionName(d)] = Channel(d, "_g");
    fLayers.push_back({{"transform", Filter(key)}, {"mark", mark}, {"encoding", encoding}});
    if (label.empty()) return;
    Json text = {{"type", "text"}, {"lineBreak", "\n"}};
    Style textStyle = style;
    textStyle.color = color;
    textStyle.ApplyText(text);
    if (d == 0) {
        text["y"] = 0;
        text["align"] = "left";
        text["baseline"] = "top";
        text["dx"] = 4;
    } else {
        text["x"] = fPanelWidth;
        text["align"] = "right";
        text["baseline"] = "bottom";
        text["dy"] = -3;
    }
    Json textEncoding = Json::object();
    textEncoding[PositionName(d)] = Channel(d, "_g");
    textEncoding["text"] = {{"field", "_t"}, {"type", "nominal"}};
    fLayers.push_back({{"transform", Filter(key)}, {"mark", text}, {"encoding", textEncoding}});
}

size_t GraphView::Facet::LabelLines() const {
    size_t lines = 0;
    for (const auto& label : labels) lines = std::max(lines, SplitLines(label.second).size());
    return lines;
}

std::vector<std::string> GraphView::Facet::HeaderLines(const std::string& category) const {
    std::vector<std::string> lines = SplitLines(category);
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

void GraphView::AddInsideTexts() {
    for (size_t i = 0; i < fInside.size(); ++i) {
        const PlacedText& placed = fInside[i];
        const std::string key = "text" + std::to_string(i);
        for (size_t p = 0; p < std::max<size_t>(fPanels.size(), 1); ++p) Emit({{"_layer", key}, {"_t", placed.text}}, p);
        Json mark = {{"type", "text"},
                     {"x", Clamp(placed.x, 0, fPanelWidth)},
                     {"y", Clamp(placed.y, 0, fPanelHeight)},
                     {"align", "left"},
                     {"baseline", "top"},
                     {"lineBreak", "\n"}};
        placed.style.ApplyText(mark, placed.fallbackPoints);
        fLayers.push_back({{"transform", Filter(key)}, {"mark", mark}, {"encoding", {{"text", {{"field", "_t"}, {"type", "nominal"}}}}}});
    }
    fInside.clear();
}

// ---------------------------------------------------------------------------
// The view

Json GraphView::ResolveChannels(const Json& layer, const Variant& variant) const {
    Json resolved = layer;
    if (!resolved.contains("encoding")) return resolved;
    for (auto& channel : resolved["encoding"].items()) {
        Json& value = channel.value();
        if (!value.is_object() || !value.contains("__axis")) continue;
        Json merged = AxisChannel(value["__axis"].get<int>(), variant);
        for (auto& item : value.items()) {
            if (item.key() != "__axis") merged[item.key()] = item.value();
        }
        value = std::move(merged);
    }
    return resolved;
}

Json GraphView::BuildAlternating() {
    const Facet& facet = fAlternatingDimension == 1 ? fFacetColumn : fFacetRow;
    const char* field = fAlternatingDimension == 1 ? "_fc" : "_fr";
    Json views = Json::array();
    for (size_t p = 0; p < fPanels.size(); ++p) {
        const std::string panel = facet.categories.shown[p];
        Variant variant;
        variant.explicitDomain = true;
        const bool first = p % 2 == 0;
        // Back to back: the first panel of a pair runs towards its axis, the
        // second carries the axis on the far side.
        const int flipped = fAlternatingDimension == 1 ? 0 : 1;
        variant.reverse[flipped] = first;
        variant.opposite[fAlternatingDimension] = !first;
        Json rows = Json::array();
        for (const Json& row : fRows) {
            if (row.contains(field) && row[field] == panel) rows.push_back(row);
        }
        Json layers = Json::array();
        for (const Json& layer : fLayers) layers.push_back(ResolveChannels(layer, variant));
        Json title = {{"text", SplitLines(panel)}, {"fontSize", 12}, {"fontWeight", "normal"}};
        const auto label = facet.labels.find(panel);
        if (label != facet.labels.end()) {
            title["subtitle"] = SplitLines(label->second);
            title["subtitleFontSize"] = fContext.StyleOf(facet.node).FontPixels();
        }
        Json view = {{"title", title},
                     {"width", fPanelWidth},
                     {"height", fPanelHeight},
                     {"data", {{"values", rows}}},
                     {"layer", layers}};
        views.push_back(view);
    }
    Json concat = {{fAlternatingDimension == 1 ? "hconcat" : "vconcat", views}, {"spacing", fSpacing}};
    concat["resolve"] = {{"scale", {{"x", "independent"}, {"y", "independent"}}}};
    return concat;
}

// ---------------------------------------------------------------------------
// The graph in words

namespace {

// A text on one line: its line breaks become the separator.
std::string OneLine(const std::string& text, const std::string& separator) {
    std::string line;
    for (const std::string& part : SplitLines(text)) {
        if (part.empty()) continue;
        if (!line.empty()) line += separator;
        line += part;
    }
    return line;
}

std::string JoinTexts(const std::vector<std::string>& texts, const std::string& separator) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : separator) + text;
    return joined;
}

const char* MarkNoun(const std::string& tag, pugi::xml_node mark) {
    if (tag == "interval") return "bars";
    if (tag == "schema") return "box plots";
    if (tag == "line") return "a curve";
    if (tag == "edge" || mark.child("graphLayoutStatistic")) return "a network of nodes and edges";
    return "points";
}

}  // namespace

std::string GraphView::Describe() const {
    auto title = [&](int dimension) {
        const Json& text = fAxis[dimension].title;
        return text.is_string() ? OneLine(text.get<std::string>(), " ") : std::string();
    };
    std::vector<std::string> nouns;
    std::vector<std::string> legends;
    bool horizontal = false;
    for (pugi::xml_node child : fGraph.children()) {
        const std::string tag = child.name();
        if (!IsMark(tag)) continue;
        const std::string noun = MarkNoun(tag, child);
        if (std::find(nouns.begin(), nouns.end(), noun) == nouns.end()) nouns.push_back(noun);
        horizontal = horizontal || (tag == "interval" && std::string(Attr(child, "orientation")) == "horizontal");
        const Mark mark = ReadMark(child, nouns.size());
        if (mark.colorVar && fContext.LegendFor(mark.colorId)) {
            std::vector<std::string> shown;
            for (const std::string& text : mark.colors.shown) shown.push_back(OneLine(text, " "));
            legends.push_back("in colours for " + JoinTexts(shown, ", "));
        }
    }
    if (nouns.empty()) return {};
    std::string text = JoinTexts(nouns, " and ");
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    // The value axis first: "bars of Frequency by Region".
    const std::string value = title(horizontal ? 0 : 1), position = title(horizontal ? 1 : 0);
    if (!value.empty()) text += " of " + value;
    if (!position.empty()) text += " by " + position;
    for (const Facet* facet : {&fFacetColumn, &fFacetRow}) {
        if (!facet->var) continue;
        std::vector<std::string> panels;
        for (const std::string& shown : facet->categories.shown) {
            const auto label = facet->labels.find(shown);
            panels.push_back(OneLine(shown, " ") +
                             (label == facet->labels.end() ? "" : " (" + OneLine(label->second, ", ") + ")"));
        }
        text += (facet == &fFacetColumn ? ", in panels across for " : ", in panels down for ") +
                JoinTexts(panels, ", ");
    }
    for (const std::string& legend : legends) text += ", " + legend;
    return text;
}

Json GraphView::Build() {
    AddInsideTexts();
    // Layers without rows draw nothing; they are left out (one stays, so the
    // view keeps its axes).
    std::set<std::string> filled;
    for (const Json& row : fRows) filled.insert(row["_layer"].get<std::string>());
    std::vector<Json> kept;
    for (const Json& layer : fLayers) {
        const Json& filter = layer["transform"][0]["filter"];
        bool used = filter.contains("equal") && filled.count(filter["equal"].get<std::string>());
        if (filter.contains("oneOf")) {
            for (const Json& key : filter["oneOf"]) used = used || filled.count(key.get<std::string>());
        }
        if (used) kept.push_back(layer);
    }
    if (kept.empty() && !fLayers.empty()) kept.push_back(fLayers.front());
    fLayers = std::move(kept);
    if (fAlternating) return BuildAlternating();
    Json layers = Json::array();
    for (const Json& layer : fLayers) layers.push_back(ResolveChannels(layer, Variant()));
    if (!Faceted()) {
        Json view = {{"width", fPanelWidth}, {"height", fPanelHeight}, {"data", {{"values", fRows}}}, {"layer", layers}};
        const Style style = fContext.StyleOf(fGraph);
        if (!style.fill.empty() || !style.color.empty()) {
            view["view"] = Json::object();
            if (!style.fill.empty()) view["view"]["fill"] = style.fill;
            if (!style.color.empty()) view["view"]["stroke"] = style.color;
        }
        return view;
    }
    auto facetField = [&](const Facet& facet, const char* field, bool row) {
        Json def = {{"field", field}, {"type", "nominal"}, {"sort", facet.categories.Domain()}};
        const std::string label = Attr(facet.node, "label");
        def["title"] = label.empty() ? Json(nullptr) : Json(label);
        Json header = {{"labelExpr", facet.labels.empty() ? std::string(kSplitLabels) : facet.HeaderExpression()}};
        if (row) {
            header["labelOrient"] = "right";
            header["titleOrient"] = "right";
        }
        def["header"] = header;
        return def;
    };
    Json facet = Json::object();
    if (fWrapColumns > 0) {
        facet = fFacetColumn.var ? facetField(fFacetColumn, "_fc", false) : facetField(fFacetRow, "_fr", false);
    } else {
        if (fFacetColumn.var) facet["column"] = facetField(fFacetColumn, "_fc", false);
        if (fFacetRow.var) facet["row"] = facetField(fFacetRow, "_fr", true);
    }
    Json view = {{"data", {{"values", fRows}}},
                 {"facet", facet},
                 {"spec", {{"width", fPanelWidth}, {"height", fPanelHeight}, {"layer", layers}}},
                 {"spacing", fSpacing},
                 {"resolve", {{"scale", {{"x", "shared"}, {"y", "shared"}}}}}};
    if (fWrapColumns > 0) view["columns"] = fWrapColumns;
    return view;
}

}  // namespace render
}  // namespace npar
