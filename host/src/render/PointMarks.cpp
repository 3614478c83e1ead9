// Points (<point>): symbols and labels at their rows' values, or, with a
// <graphLayoutStatistic>, the nodes of a network at their places on a circle
// with labels outside it.
#include <set>

#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {
namespace {

// A symbol shape of the template language in Vega-Lite's names.
std::string Shape(const std::string& symbol) {
    if (symbol == "square" || symbol == "diamond") return symbol;
    return "circle";
}

}  // namespace

// The marks points are drawn with: the symbol, and the text of their labels
// (under the symbol, or in its place when there is none).
struct GraphView::PointMarks {
    bool symbol = true;
    bool labels = false;
    Json point;
    Json text;
    double lineHeight = 0;  // of a label's lines, in pixels
};

GraphView::PointMarks GraphView::MakePointMarks(Mark& points) const {
    PointMarks marks;
    marks.symbol = points.style.symbol != "none";
    const double diameter = NodeDiameter(points.style);
    marks.point = {{"type", "point"},
                   {"shape", Shape(points.style.symbol)},
                   {"filled", true},
                   {"fill", points.style.fill.empty() ? kBarFill : points.style.fill},
                   {"stroke", points.style.color.empty() ? kBarStroke : points.style.color},
                   {"strokeWidth", 1},
                   {"size", diameter * diameter},
                   {"opacity", 1}};
    marks.labels = points.labelVar && points.labelStyle.visible;
    marks.text = {{"type", "text"}, {"align", "center"}, {"lineBreak", "\n"}};
    if (marks.symbol) {
        marks.text["baseline"] = "top";
        marks.text["dy"] = diameter / 2 + 3;
    } else {
        marks.text["baseline"] = "middle";
    }
    if (points.labelStyle.fontWeight.empty()) points.labelStyle.fontWeight = points.style.fontWeight;
    points.labelStyle.ApplyText(marks.text);
    marks.lineHeight = points.labelStyle.FontPixels() + 2;  // the chart library's default
    return marks;
}

// The nodes of a network: one row per distinct node of a panel at its place
// on the circle, and its label on the side of the node that faces away from
// the circle.
void GraphView::AddNetworkNodes(pugi::xml_node node, pugi::xml_node layout, const Mark& nodes,
                                PointMarks marks) {
    const Var* nodeVar = fData.Find(Attr(layout, "node"));
    const SourceTable* source = nodeVar ? fData.Home(*nodeVar) : nullptr;
    const auto found = fNodes.find(node.internal_object());
    if (!source || found == fNodes.end()) return;
    const auto panels = PanelRows(*source);
    for (size_t panel = 0; panel < panels.size() && panel < found->second.size(); ++panel) {
        std::set<std::string> seen;
        for (size_t row : panels[panel]) {
            const Cell cell = fData.Value(*nodeVar, *source, row);
            if (cell.Missing() || !seen.insert(KeyText(cell)).second) continue;
            const auto position = found->second[panel].find(KeyText(cell));
            if (position == found->second[panel].end()) continue;
            const double x = position->second.first, y = position->second.second;
            Json out = Json::MakeObject("_layer", nodes.key, "_px", x, "_py", y, "_key", KeyText(cell));
            if (!nodes.popups.empty()) out["_tip"] = Tooltip(nodes, row);
            Emit(std::move(out), panel);
            if (!marks.labels) continue;
            // The label stands outside the circle, away from the edges
            // that run inwards from its node.
            const std::string label = NodeLabel(nodes, *source, row);
            const std::string side = NodeLabelSide(x - fPanelWidth / 2, y - fPanelHeight / 2);
            // Lines after the first go downwards: a label above its node
            // starts higher by them, one beside it by half of them.
            const double below = static_cast<double>(SplitLines(label).size() - 1) * marks.lineHeight;
            const double lift = side == "above" ? below : side == "below" ? 0 : below / 2;
            Emit(Json::MakeObject("_layer", nodes.key + ":" + side, "_px", x, "_py", y - lift, "_lab",
                                  label),
                 panel);
        }
    }
    if (marks.symbol) {
        Json encoding = {{"x", PixelChannel("_px")}, {"y", PixelChannel("_py")}};
        AddColorAndTooltip(encoding, marks.point, nodes, false);
        fLayers.push_back({{"transform", LayerFilter(nodes.key)},
                           {"mark", std::move(marks.point)},
                           {"encoding", std::move(encoding)}});
    }
    if (!marks.labels) return;
    const double gap = LabelGap(nodes.style) + 4;
    Json encoding = {
        {"x", PixelChannel("_px")}, {"y", PixelChannel("_py")}, {"text", LabelTextChannel()}};
    for (const std::string side : {"above", "below", "left", "right"}) {
        Json mark = marks.text;
        mark.erase("dy");
        mark["align"] = side == "left" ? "right" : side == "right" ? "left" : "center";
        mark["baseline"] = side == "above" ? "bottom" : side == "below" ? "top" : "middle";
        if (side == "above" || side == "below")
            mark["dy"] = side == "above" ? -gap : gap;
        else
            mark["dx"] = side == "left" ? -gap : gap;
        fLayers.push_back({{"transform", LayerFilter(nodes.key + ":" + side)},
                           {"mark", std::move(mark)},
                           {"encoding", encoding}});
    }
}

double GraphView::WidestPointText() const {
    double widest = 0;
    for (pugi::xml_node node : fGraph.children("point")) {
        const pugi::xml_node labeling = node.child("labeling");
        if (!labeling || node.child("graphLayoutStatistic")) continue;
        const Var* labelVar = fData.Find(Attr(labeling, "variable"));
        const Style style = fContext.StyleOf(node);
        if (!labelVar || style.symbol != "none") continue;
        Style labelStyle = fContext.StyleOf(labeling);
        if (labelStyle.fontWeight.empty()) labelStyle.fontWeight = style.fontWeight;
        const SourceTable* source = fData.Home(*labelVar);
        if (!labelStyle.visible || !source) continue;
        // Bold text is some tenth wider than the estimate's ordinary text.
        const double scale = labelStyle.fontWeight == "bold" ? 1.1 : 1.0;
        for (size_t row = 0; row < source->rows; ++row) {
            const std::string text = fData.Shown(*labelVar, fData.Value(*labelVar, *source, row));
            widest = std::max(widest, scale * TextWidth(text, labelStyle.FontPixels()));
        }
    }
    return widest;
}

// Points at their rows' x and y values; an unbound dimension places them at
// the centre of the panel.
void GraphView::AddPlainPoints(const Mark& points, PointMarks marks) {
    const auto panels = PanelRows(*points.source);
    for (size_t panel = 0; panel < panels.size(); ++panel) {
        for (size_t row : panels[panel]) {
            Json out = {{"_layer", points.key}};
            if (points.x) {
                Json value = AxisValue(0, points.x, fData.Value(*points.x, *points.source, row));
                if (value.is_null()) continue;
                out["_lx"] = value;
            }
            if (points.y) {
                Json value = AxisValue(1, points.y, fData.Value(*points.y, *points.source, row));
                if (value.is_null()) continue;
                out["_ly"] = value;
            }
            if (points.labelVar) {
                out["_lab"] =
                    fData.Shown(*points.labelVar, fData.Value(*points.labelVar, *points.source, row));
                if (!marks.symbol && out["_lab"].get<std::string>().empty())
                    continue;  // nothing to write
            }
            if (points.colorVar) {
                const Cell cell = fData.Value(*points.colorVar, *points.source, row);
                const long colour = cell.Missing() ? -1 : points.colors.Index(KeyText(cell));
                if (colour >= 0) out["_c"] = points.colors.shown[static_cast<size_t>(colour)];
            }
            if (!points.popups.empty()) out["_tip"] = Tooltip(points, row);
            Emit(std::move(out), panel);
        }
    }
    Json encoding = Json::object();
    if (points.x)
        encoding["x"] = Channel(0, "_lx");
    else
        marks.point["x"] = marks.text["x"] = fPanelWidth / 2;
    if (points.y)
        encoding["y"] = Channel(1, "_ly");
    else
        marks.point["y"] = marks.text["y"] = fPanelHeight / 2;
    if (marks.symbol) {
        Json pointEncoding = encoding;
        AddColorAndTooltip(pointEncoding, marks.point, points, false);
        fLayers.push_back({{"transform", LayerFilter(points.key)},
                           {"mark", std::move(marks.point)},
                           {"encoding", std::move(pointEncoding)}});
    }
    if (marks.labels) {
        Json textEncoding = encoding;
        textEncoding["text"] = LabelTextChannel();
        if (!marks.symbol && !points.popups.empty()) textEncoding["tooltip"] = TooltipChannel();
        fLayers.push_back({{"transform", LayerFilter(points.key)},
                           {"mark", std::move(marks.text)},
                           {"encoding", std::move(textEncoding)}});
    }
}

void GraphView::AddPoint(pugi::xml_node node, size_t index) {
    Mark points = ReadMark(node, index);
    if (!points.style.visible) return;
    PointMarks marks = MakePointMarks(points);
    if (pugi::xml_node layout = node.child("graphLayoutStatistic")) {
        AddNetworkNodes(node, layout, points, std::move(marks));
        return;
    }
    if (!points.source) return;
    AddPlainPoints(points, std::move(marks));
}

}  // namespace render
}  // namespace npar
