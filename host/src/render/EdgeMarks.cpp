// Edges (<edge>): the lines of a network between the places of its nodes,
// coloured by their rows (uncoloured ones plain), with labels at their middles.
#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {
// The rows of the edges whose both ends are nodes of the panel's layout;
// gives whether an edge of a coloured mark had no colour.
bool GraphView::EmitEdges(const Mark& edges, const Var& from, const Var& to, const NodePlaces& layout) {
    bool plain = false;
    const auto panels = PanelRows(*edges.source);
    for (size_t panel = 0; panel < panels.size() && panel < layout.size(); ++panel) {
        const auto& nodes = layout[panel];
        for (size_t row : panels[panel]) {
            const Cell start = fData.Value(from, *edges.source, row),
                       end = fData.Value(to, *edges.source, row);
            if (start.Missing() || end.Missing()) continue;
            const auto startPlace = nodes.find(KeyText(start)), endPlace = nodes.find(KeyText(end));
            if (startPlace == nodes.end() || endPlace == nodes.end()) continue;
            Json out = Json::MakeObject("_layer", edges.key, "_px", startPlace->second.first, "_py",
                                        startPlace->second.second, "_px2", endPlace->second.first,
                                        "_py2", endPlace->second.second, "_mx",
                                        (startPlace->second.first + endPlace->second.first) / 2, "_my",
                                        (startPlace->second.second + endPlace->second.second) / 2,
                                        "_from", KeyText(start), "_to", KeyText(end));
            if (edges.colorVar) {
                const Cell cell = fData.Value(*edges.colorVar, *edges.source, row);
                const long colour = cell.Missing() ? -1 : edges.colors.Index(KeyText(cell));
                if (colour >= 0) {
                    out["_c"] = edges.colors.shown[static_cast<size_t>(colour)];
                } else {
                    out["_layer"] = edges.key + ":plain";
                    plain = true;
                }
            }
            if (edges.labelVar)
                out["_lab"] =
                    fData.Shown(*edges.labelVar, fData.Value(*edges.labelVar, *edges.source, row));
            if (!edges.popups.empty()) out["_tip"] = Tooltip(edges, row);
            Emit(std::move(out), panel);
        }
    }
    return plain;
}

void GraphView::AddEdge(pugi::xml_node node, size_t index) {
    const Mark edges = ReadMark(node, index);
    const Var* from = fData.Find(Attr(node, "from"));
    const Var* to = fData.Find(Attr(node, "to"));
    const auto target = fContext.elements.find(Attr(node, "nodes"));
    if (!from || !to || !edges.source || !edges.style.visible || target == fContext.elements.end())
        return;
    const auto layout = fNodes.find(target->second.internal_object());
    if (layout == fNodes.end()) return;
    const bool plain = EmitEdges(edges, *from, *to, layout->second);

    const std::string stroke = edges.style.color.empty() ? kLineColor : edges.style.color;
    Json mark = {{"type", "rule"}, {"stroke", stroke}, {"strokeWidth", StrokeWidth(edges.style, 1.5)}};
    if (!edges.style.dash.empty()) mark["strokeDash"] = edges.style.Dash();
    const Json position = {{"x", PixelChannel("_px")},
                           {"y", PixelChannel("_py")},
                           {"x2", {{"field", "_px2"}}},
                           {"y2", {{"field", "_py2"}}}};
    Json encoding = position;
    AddColorAndTooltip(encoding, mark, edges, true);
    // The plain edges' layer: the coloured one's mark in the plain stroke.
    Json plainMark = plain ? mark : Json();
    fLayers.push_back({{"transform", LayerFilter(edges.key)},
                       {"mark", std::move(mark)},
                       {"encoding", std::move(encoding)}});
    if (plain) {
        Json plainEncoding = position;
        plainMark["stroke"] = stroke;
        if (!edges.popups.empty()) plainEncoding["tooltip"] = TooltipChannel();
        fLayers.push_back({{"transform", LayerFilter(edges.key + ":plain")},
                           {"mark", std::move(plainMark)},
                           {"encoding", std::move(plainEncoding)}});
    }
    if (edges.labelVar && edges.labelStyle.visible) {
        Json labels = {
            {"x", PixelChannel("_mx")}, {"y", PixelChannel("_my")}, {"text", LabelTextChannel()}};
        Json text = {{"type", "text"},
                     {"align", "center"},
                     {"baseline", "bottom"},
                     {"dy", -2},
                     {"lineBreak", "\n"}};
        edges.labelStyle.ApplyText(text, 8);
        fLayers.push_back({{"transform", LayersFilter({edges.key, edges.key + ":plain"})},
                           {"mark", std::move(text)},
                           {"encoding", std::move(labels)}});
    }
}

}  // namespace render
}  // namespace npar
