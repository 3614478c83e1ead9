// What the files that turn a graph's marks into layers share: attribute
// texts, the names of position channels, the sizes of network nodes, the bins
// of binned bars (which curves scale to) and pieces of layer definitions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "render/RenderCommon.h"
#include "render/RenderStats.h"

namespace npar {
namespace render {

// Whether an element of a graph is a mark (interval, schema, line, point, edge).
bool IsMark(std::string_view tag);
// A view of the attribute's text in the document (empty when it is absent).
inline std::string_view Attr(pugi::xml_node node, const char* name) {
    return node.attribute(name).value();
}
inline double Clamp(double value, double low, double high) {
    return std::max(low, std::min(value, high));
}

// The position channel of a dimension (0 x, 1 y) and its second and offset channels.
inline const char* PositionName(int dimension) { return dimension == 0 ? "x" : "y"; }
inline const char* SecondName(int dimension) { return dimension == 0 ? "x2" : "y2"; }
inline const char* OffsetName(int dimension) { return dimension == 0 ? "xOffset" : "yOffset"; }

// The diameter of a point's symbol, in pixels.
double NodeDiameter(const Style& style);
// The distance from a point's position to the edge of its symbol.
double LabelGap(const Style& style);
// Where a network node's label stands ("above", "below", "left" or
// "right"), from the node's offset from the circle's centre: above a node in
// the upper part of the circle, below one in the lower part, and beside a
// node near the horizontal through the centre, always outside the circle
// and away from its edges.
std::string NodeLabelSide(double dx, double dy);

// The bins an interval's <binStatistic> asks for over its positions. Rows
// whose lengths are summed are counted already, one row per bin: without a
// count or width from the document each is its own bin at its place, so a
// table that is binned is not binned again.
Bins IntervalBins(pugi::xml_node interval, const std::vector<double>& positions);
// The bins of the graph's first binned bars on a continuous position.
bool GraphBins(const ChartData& data, pugi::xml_node graph, Bins& bins, const bool nominalPosition[2]);

// The transform that keeps the rows of one layer, or of any of several.
Json LayerFilter(const std::string& key);
Json LayersFilter(const std::vector<std::string>& keys);
// The tooltip channel of a layer whose rows carry their tooltip text.
Json TooltipChannel();
// The offset channel that sets groups of one position side by side by colour.
Json ColourOffsetChannel(const CategoryScale& colours);
// The text channel of a layer whose rows carry their label.
Json LabelTextChannel();
// A channel of a pixel position that no scale or axis touches.
Json PixelChannel(const char* field);
// A stroke width of the template language (pixels, at most 20), or fallback.
double StrokeWidth(const Style& style, double fallback);

}  // namespace render
}  // namespace npar
