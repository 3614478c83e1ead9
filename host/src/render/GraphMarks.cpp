// What the mark files share.
#include "render/GraphMarks.h"

#include <cmath>

namespace npar {
namespace render {

bool IsMark(std::string_view tag) {
    return tag == "interval" || tag == "schema" || tag == "line" || tag == "point" || tag == "edge";
}

double NodeDiameter(const Style& style) { return style.size > 0 ? std::min(style.size, 200.0) : 8; }

double LabelGap(const Style& style) { return style.symbol != "none" ? NodeDiameter(style) / 2 : 0; }

std::string NodeLabelSide(double dx, double dy) {
    if (std::fabs(dy) >= 0.3 * std::hypot(dx, dy)) return dy < 0 ? "above" : "below";
    return dx < 0 ? "left" : "right";
}

Bins IntervalBins(pugi::xml_node interval, const std::vector<double>& positions) {
    double count = 0, width = 0;
    ParseNumber(Attr(interval.child("binStatistic"), "binCount"), count);
    ParseNumber(Attr(interval.child("binStatistic"), "binWidth"), width);
    const bool summed = Attr(interval.child("summaryStatistic"), "method") == "sum";
    if (summed && !(count >= 1) && !(width > 0)) {
        Bins centred = CentredBins(positions);
        if (!centred.lower.empty()) return centred;
    }
    return MakeBins(positions, positions.size(), count, width);
}

bool GraphBins(const ChartData& data, pugi::xml_node graph, Bins& bins, const bool nominalPosition[2]) {
    for (pugi::xml_node interval : graph.children("interval")) {
        if (!interval.child("binStatistic")) continue;
        const bool horizontal = Attr(interval, "orientation") == "horizontal";
        const int positionAxis = horizontal ? 1 : 0;
        if (nominalPosition[positionAxis]) continue;
        const Var* position = data.Find(Attr(interval.child(PositionName(positionAxis)), "variable"));
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

Json LayerFilter(const std::string& key) {
    return Json::array({{{"filter", {{"field", "_layer"}, {"equal", key}}}}});
}

Json LayersFilter(const std::vector<std::string>& keys) {
    return Json::array({{{"filter", {{"field", "_layer"}, {"oneOf", keys}}}}});
}

Json TooltipChannel() { return {{"field", "_tip"}, {"type", "nominal"}}; }

Json ColourOffsetChannel(const CategoryScale& colours) {
    return {{"field", "_c"},
            {"type", "nominal"},
            {"sort", colours.Domain()},
            {"scale", {{"domain", colours.Domain()}}}};
}

Json LabelTextChannel() { return {{"field", "_lab"}, {"type", "nominal"}}; }

Json PixelChannel(const char* field) {
    return {{"field", field}, {"type", "quantitative"}, {"scale", nullptr}, {"axis", nullptr}};
}

double StrokeWidth(const Style& style, double fallback) {
    return style.width > 0 ? std::min(style.width, 20.0) : fallback;
}

}  // namespace render
}  // namespace npar
