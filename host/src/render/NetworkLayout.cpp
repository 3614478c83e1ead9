// The places of a network's nodes (<point> with a <graphLayoutStatistic>):
// on a circle in the middle of each panel, with each node's label outside
// it. The circle is as large as the panel allows its labels; a network of
// many nodes, whose symbols or labels would run into one another on that
// circle, gets a larger circle and panels large enough to hold it.
#include <algorithm>
#include <cmath>
#include <set>

#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {
namespace {

// A box relative to a node's place: what its symbol or its label covers.
struct Extent {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// The symbol and the label of one node, relative to its place, with the
// node's place on the circle of radius 1.
struct NodeShape {
    double unitX = 0, unitY = 0;
    Extent symbol;
    bool labelled = false;
    Extent label;
};

// What a mark's nodes and labels take, as AddNetworkNodes draws them.
struct NodeStyle {
    double symbol = 0;      // the symbol's diameter (0 without symbols)
    double gap = 0;         // from a node's place to its label
    double lineHeight = 0;  // of a label's lines
    double font = 0;
};

// What nodes drawn in a point style, with labels in a label style, take.
NodeStyle NodeStyleOf(const Style& style, const Style& labelStyle) {
    NodeStyle node;
    node.symbol = style.symbol != "none" ? NodeDiameter(style) : 0;
    node.gap = LabelGap(style) + 4;
    node.font = labelStyle.FontPixels();
    node.lineHeight = node.font + 2;
    return node;
}

// The shapes of n nodes on the circle, labels[i] the label of the i-th (none
// past the labels' end).
std::vector<NodeShape> NodeShapes(size_t n, const std::vector<std::string>& labels,
                                  const NodeStyle& style) {
    std::vector<NodeShape> shapes(n);
    const auto units = CircleLayout(n, 0, 0, 1);
    const double half = style.symbol / 2;
    for (size_t i = 0; i < n; ++i) {
        NodeShape& shape = shapes[i];
        shape.unitX = units[i].first;
        shape.unitY = units[i].second;
        shape.symbol = Extent{-half, -half, half, half};
        if (i >= labels.size()) continue;
        const std::vector<std::string> lines = SplitLines(labels[i]);
        double width = 0;
        for (const std::string& line : lines) width = std::max(width, TextWidth(line, style.font));
        const double height = static_cast<double>(lines.size()) * style.lineHeight;
        const std::string side = NodeLabelSide(shape.unitX, shape.unitY);
        shape.labelled = true;
        if (side == "above")
            shape.label = Extent{-width / 2, -style.gap - height, width / 2, -style.gap};
        else if (side == "below")
            shape.label = Extent{-width / 2, style.gap, width / 2, style.gap + height};
        else if (side == "left")
            shape.label = Extent{-style.gap - width, -height / 2, -style.gap, height / 2};
        else
            shape.label = Extent{style.gap, -height / 2, style.gap + width, height / 2};
    }
    return shapes;
}

// The radii r at which two extents, about nodes at r·unit1 and r·unit2,
// overlap along one axis (with `margin` to spare): an open interval, the
// whole line when the nodes stand level on that axis and the extents
// overlap there, or nothing.
struct Interval {
    double low = -HUGE_VAL, high = HUGE_VAL;
    bool empty = false;
};

Interval OverlapAlong(double unit1, double low1, double high1, double unit2, double low2, double high2,
                      double margin) {
    // Overlap: r·unit2 + low2 < r·unit1 + high1 + margin and
    //          r·unit1 + low1 < r·unit2 + high2 + margin, i.e.
    //          r·d < high1 - low2 + margin and r·d > low1 - high2 - margin, d = unit2 - unit1.
    const double d = unit2 - unit1;
    const double upper = high1 - low2 + margin, lower = low1 - high2 - margin;
    Interval overlap;
    if (std::fabs(d) < 1e-12) {
        overlap.empty = !(lower < 0 && 0 < upper);
        return overlap;
    }
    overlap.low = std::min(lower / d, upper / d);
    overlap.high = std::max(lower / d, upper / d);
    return overlap;
}

// The radii at which two extents about two nodes overlap.
Interval Overlap(const NodeShape& a, const Extent& first, const NodeShape& b, const Extent& second) {
    constexpr double kMargin = 2;
    const Interval x =
        OverlapAlong(a.unitX, first.left, first.right, b.unitX, second.left, second.right, kMargin);
    const Interval y =
        OverlapAlong(a.unitY, first.top, first.bottom, b.unitY, second.top, second.bottom, kMargin);
    Interval both{std::max(x.low, y.low), std::min(x.high, y.high), false};
    both.empty = x.empty || y.empty || !(both.low < both.high);
    return both;
}

// The largest circle a network gets: a few dozen nodes fit on it; more
// than that crowd it rather than make the chart ever larger.
constexpr double kLargestRadius = 400;

// The smallest radius from `radius` up at which no symbol or label of one
// node overlaps one of another node (kLargestRadius at most).
double ClearRadius(const std::vector<NodeShape>& shapes, double radius) {
    const double start = radius;
    std::vector<Interval> overlaps;
    for (size_t i = 0; i < shapes.size(); ++i) {
        for (size_t j = i + 1; j < shapes.size(); ++j) {
            const NodeShape &a = shapes[i], &b = shapes[j];
            std::vector<std::pair<const Extent*, const Extent*>> pairs = {{&a.symbol, &b.symbol}};
            if (a.labelled) pairs.emplace_back(&a.label, &b.symbol);
            if (b.labelled) pairs.emplace_back(&a.symbol, &b.label);
            if (a.labelled && b.labelled) pairs.emplace_back(&a.label, &b.label);
            for (const auto& [first, second] : pairs) {
                const Interval overlap = Overlap(a, *first, b, *second);
                // Overlaps that end at or below the radius no longer matter.
                if (!overlap.empty && overlap.high > radius) overlaps.push_back(overlap);
            }
        }
    }
    // Out of each overlap the radius is in, to its end: taken by where they
    // begin, an overlap that begins beyond the radius ends the search, as
    // every later one begins further still.
    std::sort(overlaps.begin(), overlaps.end(),
              [](const Interval& a, const Interval& b) { return a.low < b.low; });
    for (const Interval& overlap : overlaps) {
        if (overlap.low >= radius) break;
        radius = std::max(radius, overlap.high);
    }
    return std::min(radius, std::max(kLargestRadius, start));
}

}  // namespace

// The circle of a network leaves room around it for the nodes' labels, which
// stand outside it (each on the side NodeLabelSide gives): 40 % of the
// panel's smaller side at most, 15 % at least. labels: the nodes' labels in
// the order of the circle.
double GraphView::NetworkRadius(const Mark& mark, const std::vector<std::string>& labels) const {
    const double side = std::min(fPanelWidth, fPanelHeight);
    double radius = 0.4 * side;
    const double halfWidth = fPanelWidth / 2 - 2, halfHeight = fPanelHeight / 2 - 2;
    // r·|factor| + room <= half: the largest r a label lets the circle have,
    // the room being how far the label reaches from its node outwards.
    auto limit = [&](double factor, double room, double half) {
        if (std::fabs(factor) > 1e-9) radius = std::min(radius, (half - room) / std::fabs(factor));
    };
    for (const NodeShape& shape :
         NodeShapes(labels.size(), labels, NodeStyleOf(mark.style, mark.labelStyle))) {
        limit(shape.unitX, std::max(-shape.label.left, shape.label.right), halfWidth);
        limit(shape.unitY, std::max(-shape.label.top, shape.label.bottom), halfHeight);
    }
    return std::max(radius, 0.15 * side);
}

// A network whose nodes or labels would overlap on the circle the panel
// allows gets the smallest circle on which they stand clear, and the panels
// grow to hold it with its labels.
double GraphView::ClearNetworkRadius(const Mark& mark, const std::vector<std::string>& labels,
                                     size_t nodes, double radius) {
    const NodeStyle style = NodeStyleOf(mark.style, mark.labelStyle);
    const std::vector<NodeShape> shapes = NodeShapes(nodes, labels, style);
    const double clear = ClearRadius(shapes, radius);
    if (clear <= radius) return radius;
    double halfWidth = 0, halfHeight = 0;
    for (const NodeShape& shape : shapes) {
        const Extent& outer = shape.labelled ? shape.label : shape.symbol;
        const double x = clear * shape.unitX, y = clear * shape.unitY;
        halfWidth = std::max({halfWidth, std::fabs(x + outer.left), std::fabs(x + outer.right),
                              std::fabs(x) + style.symbol / 2});
        halfHeight = std::max({halfHeight, std::fabs(y + outer.top), std::fabs(y + outer.bottom),
                               std::fabs(y) + style.symbol / 2});
    }
    fPanelWidth = std::max(fPanelWidth, std::ceil(2 * halfWidth + 4));
    fPanelHeight = std::max(fPanelHeight, std::ceil(2 * halfHeight + 4));
    return clear;
}

std::string GraphView::NodeLabel(const Mark& mark, const SourceTable& source, size_t row) const {
    // Group names of a few words stand on a line of their own; a longer one
    // (a treatment described in full) is broken into lines of a shorter
    // width rather than widening the whole chart.
    constexpr double kLongestLine = 240, kBrokenWidth = 160;
    const std::string label = fData.Shown(*mark.labelVar, fData.Value(*mark.labelVar, source, row));
    const double font = mark.labelStyle.FontPixels();
    const std::vector<std::string> lines = SplitLines(label);
    if (std::none_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return TextWidth(line, font) > kLongestLine; }))
        return label;
    std::string wrapped;
    for (const std::string& line : WrapText(label, kBrokenWidth, font))
        wrapped += (wrapped.empty() ? "" : "\n") + line;
    return wrapped;
}

void GraphView::PrepareLayouts() {
    // The circle of every panel first: a network of many nodes widens the
    // panels, and every circle stands in the middle of the final ones.
    struct Circle {
        NodePlaces* places;
        size_t panel;
        std::vector<std::string> keys;
        double radius;
    };
    std::vector<Circle> circles;
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
                    labels.push_back(NodeLabel(mark, *source, row));
                }
            }
            const double radius =
                ClearNetworkRadius(mark, labels, keys.size(), NetworkRadius(mark, labels));
            circles.push_back(Circle{&panels, p, std::move(keys), radius});
        }
    }
    for (const Circle& circle : circles) {
        const auto positions =
            CircleLayout(circle.keys.size(), fPanelWidth, fPanelHeight, circle.radius);
        for (size_t i = 0; i < circle.keys.size(); ++i) {
            (*circle.places)[circle.panel][circle.keys[i]] = {
                std::round(positions[i].first * 100) / 100, std::round(positions[i].second * 100) / 100};
        }
    }
}

}  // namespace render
}  // namespace npar
