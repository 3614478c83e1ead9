// Guide lines (<lineGuide>): a rule across every panel at a value of one
// axis, with its label at the rule's end.
#include <cmath>

#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {

// The value a guide stands at on its axis: a category, a number, or a date
// text on a date axis; null when the axis has no such value.
Json GraphView::GuideValue(int dimension, const std::string& written) const {
    const Axis& axis = fAxis[dimension];
    double number = 0;
    if (axis.Nominal()) {
        const long category = axis.categories.Index(written);
        if (category >= 0) return axis.categories.shown[static_cast<size_t>(category)];
    } else if (ParseNumber(written, number) && std::isfinite(number)) {
        return axis.Output(number);
    } else if (axis.kind == Axis::Kind::Temporal && ParseDateText(written, number)) {
        return axis.Output(number);
    }
    return nullptr;
}

void GraphView::AddGuide(pugi::xml_node node, size_t index) {
    const int dimension = node.attribute("x") ? 0 : (node.attribute("y") ? 1 : -1);
    if (dimension < 0) return;
    const Style style = fContext.StyleOf(node);
    if (!style.visible) return;
    const Json value = GuideValue(dimension, std::string(Attr(node, dimension == 0 ? "x" : "y")));
    if (value.is_null()) return;
    if (value.is_number()) Track(dimension, value.get<double>());
    const std::string key = "guide" + std::to_string(index);
    const std::string label = ElementText(node.child("label"));
    const std::string color = style.color.empty() ? kGuideColor : style.color;
    for (size_t panel = 0; panel < std::max<size_t>(fPanels.size(), 1); ++panel) {
        Json row = Json::MakeObject("_layer", key, "_g", value);
        if (!label.empty()) row["_t"] = label;
        Emit(std::move(row), panel);
    }
    Json mark = {{"type", "rule"}, {"stroke", color}, {"strokeWidth", StrokeWidth(style, 1)}};
    if (!style.dash.empty()) mark["strokeDash"] = style.Dash();
    Json encoding = Json::object();
    encoding[PositionName(dimension)] = Channel(dimension, "_g");
    fLayers.push_back(
        {{"transform", LayerFilter(key)}, {"mark", std::move(mark)}, {"encoding", std::move(encoding)}});
    if (label.empty()) return;
    Json text = {{"type", "text"}, {"lineBreak", "\n"}};
    Style textStyle = style;
    textStyle.color = color;
    textStyle.ApplyText(text);
    if (dimension == 0) {
        // Beside the rule's top, clear of the frame's edge.
        text["y"] = 0;
        text["align"] = "left";
        text["baseline"] = "top";
        text["dx"] = 4;
        text["dy"] = 3;
    } else {
        text["x"] = fPanelWidth;
        text["align"] = "right";
        text["baseline"] = "bottom";
        text["dy"] = -3;
    }
    Json textEncoding = Json::object();
    textEncoding[PositionName(dimension)] = Channel(dimension, "_g");
    textEncoding["text"] = {{"field", "_t"}, {"type", "nominal"}};
    fLayers.push_back({{"transform", LayerFilter(key)},
                       {"mark", std::move(text)},
                       {"encoding", std::move(textEncoding)}});
}

}  // namespace render
}  // namespace npar
