// Bars (<interval>): rows grouped into bars by category, bin or value,
// lengths summed or counted, stacked or clustered by colour, drawn as one
// layer per colouring with optional labels at their ends.
#include <algorithm>
#include <cmath>
#include <map>

#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {

// How a mark's rows become bars.
struct GraphView::BarShape {
    int positionAxis = 0;  // the dimension the bars stand along (x for upright bars)
    int lengthAxis = 1;
    const Var* position = nullptr;
    const Var* length = nullptr;
    bool nominal = false;    // positions are categories, not numbers
    bool binned = false;     // rows fall into bins
    bool summed = false;     // lengths are added up, not rows counted
    bool stacked = false;    // bars of one position stand on each other
    bool clustered = false;  // bars of one position stand side by side by colour
    double scale = 1;        // the factor every length is drawn at
    Bins bins;               // the bins of binned bars
    double gap = 1;          // the width of unbinned bars on a continuous axis
};

// One bar of a panel: where it stands, its colour, its length and the row
// that gives its tooltip and label.
struct GraphView::Bar {
    double start = 0, end = 0;  // on a continuous position
    double order = 0;           // its place among the panel's bars
    long category = -1;         // on a categorical position
    long colour = -1;
    double length = 0;
    bool hasLength = false;
    size_t firstRow = 0;
};

GraphView::BarShape GraphView::ReadBarShape(pugi::xml_node node, const Mark& bars) const {
    BarShape shape;
    const bool horizontal = Attr(node, "orientation") == "horizontal";
    shape.positionAxis = horizontal ? 1 : 0;
    shape.lengthAxis = 1 - shape.positionAxis;
    shape.position = shape.positionAxis == 0 ? bars.x : bars.y;
    shape.length = shape.positionAxis == 0 ? bars.y : bars.x;
    shape.nominal = fAxis[shape.positionAxis].Nominal();
    shape.binned = node.child("binStatistic");
    shape.summed = Attr(node.child("summaryStatistic"), "method") == "sum";
    shape.stacked = node.child("stack");
    shape.clustered = node.child("cluster") && bars.colorVar;
    if (!ParseNumber(Attr(node, "scalingFactor"), shape.scale) || !std::isfinite(shape.scale))
        shape.scale = 1;
    if (shape.nominal || !shape.position || !bars.source) return shape;
    std::vector<double> positions;
    for (size_t row = 0; row < bars.source->rows; ++row) {
        const Cell cell = fData.Value(*shape.position, *bars.source, row);
        if (cell.IsNumber()) positions.push_back(cell.number);
    }
    if (shape.binned)
        shape.bins = IntervalBins(node, positions);
    else
        shape.gap = SmallestGap(positions);
    return shape;
}

// The bars of one panel's rows, in position order and, within a position, in
// colour order (uncoloured last). Rows without a position, outside every bin
// or without a length add no bar.
std::vector<GraphView::Bar> GraphView::CollectBars(const Mark& bars, const BarShape& shape,
                                                   const std::vector<size_t>& rows) {
    Axis& positionAxis = fAxis[shape.positionAxis];
    std::vector<Bar> collected;
    std::map<std::string, size_t> groups;
    for (size_t row : rows) {
        const Cell position = fData.Value(*shape.position, *bars.source, row);
        if (position.Missing()) continue;
        const Cell length = shape.length ? fData.Value(*shape.length, *bars.source, row) : Cell();
        long colour = -1;
        if (bars.colorVar) {
            const Cell cell = fData.Value(*bars.colorVar, *bars.source, row);
            if (!cell.Missing()) colour = bars.colors.Index(KeyText(cell));
        }
        Bar bar;
        std::string group;
        if (shape.nominal) {
            const std::string key = KeyText(position);
            long category = positionAxis.categories.Index(key);
            if (category < 0)
                category = static_cast<long>(
                    positionAxis.categories.Add(key, fData.Shown(*shape.position, position)));
            bar.category = category;
            bar.order = static_cast<double>(category);
            group = "c" + key;
        } else {
            if (!position.IsNumber()) continue;
            const double value = position.number;
            if (shape.binned) {
                const long bin = shape.bins.Find(value);
                if (bin < 0) continue;
                bar.start = shape.bins.lower[static_cast<size_t>(bin)];
                bar.end = shape.bins.upper[static_cast<size_t>(bin)];
                group = "b" + std::to_string(bin);
            } else {
                bar.start = value - shape.gap / 2;
                bar.end = value + shape.gap / 2;
                group = "v" + NumberKey(value);
            }
            bar.order = bar.start;
        }
        if (!shape.binned && !shape.summed) group = "r" + std::to_string(row);
        group += "|" + std::to_string(colour);
        auto found = groups.find(group);
        if (found == groups.end()) {
            bar.colour = colour;
            bar.firstRow = row;
            found = groups.emplace(group, collected.size()).first;
            collected.push_back(bar);
        }
        Bar& target = collected[found->second];
        if (shape.binned && !shape.summed) {
            target.length += 1;
            target.hasLength = true;
        } else if (length.IsNumber()) {
            target.length += length.number;
            target.hasLength = true;
        }
    }
    collected.erase(std::remove_if(collected.begin(), collected.end(),
                                   [](const Bar& bar) { return !bar.hasLength; }),
                    collected.end());
    std::stable_sort(collected.begin(), collected.end(), [](const Bar& a, const Bar& b) {
        if (a.order != b.order) return a.order < b.order;
        const long aColour = a.colour < 0 ? 1L << 30 : a.colour,
                   bColour = b.colour < 0 ? 1L << 30 : b.colour;
        return aColour < bColour;
    });
    return collected;
}

// The rows of one panel's bars; gives whether a bar of a coloured mark had no
// colour (it goes to a plain layer of its own).
bool GraphView::EmitBars(const Mark& bars, const BarShape& shape, const std::vector<Bar>& panelBars,
                         size_t panel) {
    Axis& positionAxis = fAxis[shape.positionAxis];
    bool plain = false;
    // Stacks grow from the axis outwards per position, in category order.
    std::map<double, std::pair<double, double>> stacks;
    const size_t colourCount = std::max<size_t>(bars.colors.keys.size(), 1);
    for (const Bar& bar : panelBars) {
        double from = 0, to = bar.length;
        if (shape.stacked) {
            auto& running = stacks[bar.order];
            double& base = bar.length >= 0 ? running.first : running.second;
            from = base;
            to = base + bar.length;
            base = to;
        }
        from *= shape.scale;
        to *= shape.scale;
        Json row = Json::object();
        const bool uncoloured = bars.colorVar && bar.colour < 0;
        plain = plain || uncoloured;
        row["_layer"] = uncoloured ? bars.key + ":plain" : bars.key;
        if (shape.nominal) {
            row["_pos"] = positionAxis.categories.shown[static_cast<size_t>(bar.category)];
        } else {
            double start = bar.start, end = bar.end;
            if (shape.clustered && bar.colour >= 0 && colourCount > 1) {
                const double width = (end - start) / static_cast<double>(colourCount);
                start += width * static_cast<double>(bar.colour);
                end = start + width;
            }
            row["_p0"] = positionAxis.Output(start);
            row["_p1"] = positionAxis.Output(end);
            row["_pm"] = positionAxis.Output((start + end) / 2);
            Track(shape.positionAxis, positionAxis.Output(start));
            Track(shape.positionAxis, positionAxis.Output(end));
        }
        row["_l0"] = from;
        row["_l1"] = to;
        row["_len"] = bar.length;
        Track(shape.lengthAxis, from);
        Track(shape.lengthAxis, to);
        Axis& lengthAxis = fAxis[shape.lengthAxis];
        lengthAxis.barLengths = true;
        lengthAxis.wholeBarLengths =
            lengthAxis.wholeBarLengths && from == std::floor(from) && to == std::floor(to);
        if (bar.colour >= 0) row["_c"] = bars.colors.shown[static_cast<size_t>(bar.colour)];
        if (!bars.popups.empty()) row["_tip"] = Tooltip(bars, bar.firstRow);
        if (bars.labelVar)
            row["_lab"] =
                fData.Shown(*bars.labelVar, fData.Value(*bars.labelVar, *bars.source, bar.firstRow));
        Emit(std::move(row), panel);
    }
    return plain;
}

void GraphView::AddBarLayer(const Mark& bars, const BarShape& shape, const std::string& key,
                            bool coloured) {
    const int position = shape.positionAxis, length = shape.lengthAxis;
    Json encoding = Json::object();
    Json mark = {{"type", "bar"},
                 {"fill", bars.style.fill.empty() ? kBarFill : bars.style.fill},
                 {"stroke", bars.style.color.empty() ? kBarStroke : bars.style.color},
                 {"strokeWidth", StrokeWidth(bars.style, 0.5)}};
    if (shape.nominal) {
        encoding[PositionName(position)] = Channel(position, "_pos");
        if (shape.clustered && coloured)
            encoding[OffsetName(position)] = ColourOffsetChannel(bars.colors);
        else
            mark[position == 0 ? "width" : "height"] = {{"band", 0.8}};
    } else {
        encoding[PositionName(position)] = Channel(position, "_p0");
        encoding[SecondName(position)] = {{"field", "_p1"}};
    }
    encoding[PositionName(length)] = Channel(length, "_l1", {{"stack", nullptr}});
    encoding[SecondName(length)] = {{"field", "_l0"}};
    if (coloured)
        AddColorAndTooltip(encoding, mark, bars, false);
    else if (!bars.popups.empty())
        encoding["tooltip"] = TooltipChannel();
    fLayers.push_back(
        {{"transform", LayerFilter(key)}, {"mark", std::move(mark)}, {"encoding", std::move(encoding)}});
}

// Labels at the bars' outer ends, of coloured and plain bars alike.
void GraphView::AddBarLabels(const Mark& bars, const BarShape& shape) {
    const int position = shape.positionAxis, length = shape.lengthAxis;
    Json encoding = Json::object();
    encoding[PositionName(position)] =
        shape.nominal ? Channel(position, "_pos") : Channel(position, "_pm");
    if (shape.nominal && shape.clustered)
        encoding[OffsetName(position)] = ColourOffsetChannel(bars.colors);
    encoding[PositionName(length)] = Channel(length, "_l1", {{"stack", nullptr}});
    encoding["text"] = LabelTextChannel();
    Json mark = {{"type", "text"}, {"lineBreak", "\n"}};
    if (position == 0) {
        mark["baseline"] = "bottom";
        mark["dy"] = -3;
    } else {
        mark["align"] = "left";
        mark["dx"] = 3;
    }
    bars.labelStyle.ApplyText(mark);
    fLayers.push_back({{"transform", LayersFilter({bars.key, bars.key + ":plain"})},
                       {"mark", std::move(mark)},
                       {"encoding", std::move(encoding)}});
}

void GraphView::AddInterval(pugi::xml_node node, size_t index) {
    const Mark bars = ReadMark(node, index);
    const BarShape shape = ReadBarShape(node, bars);
    if (!shape.position || !bars.source || fAxis[shape.lengthAxis].Nominal()) return;
    bool plain = false;
    const auto panels = PanelRows(*bars.source);
    for (size_t panel = 0; panel < panels.size(); ++panel) {
        const std::vector<Bar> panelBars = CollectBars(bars, shape, panels[panel]);
        plain = EmitBars(bars, shape, panelBars, panel) || plain;
    }
    AddBarLayer(bars, shape, bars.key, bars.colorVar != nullptr);
    if (plain) AddBarLayer(bars, shape, bars.key + ":plain", false);
    if (bars.labelVar && bars.labelStyle.visible) AddBarLabels(bars, shape);
}

}  // namespace render
}  // namespace npar
