// Lines (<line>): a distribution curve scaled to the bars it is drawn over,
// or a line through the rows of a mark in the order of their x values.
#include <algorithm>
#include <cmath>

#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {
namespace {

// The layer of a line through rows that carry "_lx", "_ly" and their order "_o".
Json LineEncoding(const Json& x, const Json& y) {
    return {{"x", x}, {"y", y}, {"order", {{"field", "_o"}, {"type", "quantitative"}}}};
}

}  // namespace

// The distribution a <distributionStatistic> names, its parameters read as
// numbers or, on a date axis, as date texts and durations; false when they
// do not describe one.
bool GraphView::ReadDistribution(pugi::xml_node statistic, const Mark& line,
                                 Distribution& distribution) const {
    distribution.name = Attr(statistic, "distribution");
    const bool dates =
        fAxis[0].kind == Axis::Kind::Temporal || (line.x && IsDateFormat(line.x->format.type));
    const std::string first(Attr(statistic, "parameter")), second(Attr(statistic, "secondaryParameter"));
    bool ok =
        ParseNumber(first, distribution.first) || (dates && ParseDateText(first, distribution.first));
    if (distribution.name == "normal" || distribution.name == "uniform") {
        ok = ok && (ParseNumber(second, distribution.second) ||
                    (dates && (ParseDuration(second, distribution.second) ||
                               ParseDateText(second, distribution.second))));
        // A uniform maximum written as a duration counts the days since
        // 1970-01-01 (the result document's day count), not a length.
        if (ok && dates && distribution.name == "uniform" && !second.empty() && second[0] == 'P') {
            distribution.second += kSecondsFrom1582To1970;
        }
    }
    return ok && distribution.Valid();
}

// The span a curve covers: the axis range, else the bars' bins, else the
// data's extent, else what the distribution covers.
std::pair<double, double> GraphView::CurveSpan(const Mark& line,
                                               const Distribution& distribution) const {
    std::pair<double, double> span = distribution.NaturalSpan();
    Bins bins;
    bool nominal[2] = {false, false};
    if (GraphBins(fData, fGraph, bins, nominal)) {
        span = {bins.lower.front(), bins.upper.back()};
    } else if (line.x && line.source) {
        bool any = false;
        for (size_t row = 0; row < line.source->rows; ++row) {
            const Cell cell = fData.Value(*line.x, *line.source, row);
            if (!cell.IsNumber()) continue;
            span = any ? std::make_pair(std::min(span.first, cell.number),
                                        std::max(span.second, cell.number))
                       : std::make_pair(cell.number, cell.number);
            any = true;
        }
    }
    if (fAxis[0].min) span.first = *fAxis[0].min;
    if (fAxis[0].max) span.second = *fAxis[0].max;
    return span;
}

// The width of one bar under the curve: the bins' width, else the smallest
// gap between the x values (1 for a curve without y, drawn as a density).
double GraphView::CurveBarWidth(const Mark& line) const {
    if (!line.y) return 1;
    double width = BinWidth();
    if (width <= 0 && line.x && line.source) {
        std::vector<double> xs;
        for (size_t row = 0; row < line.source->rows; ++row) {
            const Cell cell = fData.Value(*line.x, *line.source, row);
            if (cell.IsNumber()) xs.push_back(cell.number);
        }
        width = SmallestGap(xs);
    }
    return width;
}

// A distribution curve per panel, scaled to the bars: cases × bar width.
void GraphView::AddDistributionCurve(pugi::xml_node statistic, const Mark& line, Json lineMark,
                                     const std::vector<std::vector<size_t>>& panels) {
    Distribution distribution;
    if (ReadDistribution(statistic, line, distribution)) {
        const std::pair<double, double> span = CurveSpan(line, distribution);
        const double width = CurveBarWidth(line);
        for (size_t panel = 0; panel < panels.size(); ++panel) {
            double scale = 1;
            if (line.y && line.source) {
                double cases = 0;
                for (size_t row : panels[panel]) {
                    const Cell cell = fData.Value(*line.y, *line.source, row);
                    if (cell.IsNumber()) cases += cell.number;
                }
                scale = cases * width;
            }
            const auto points = DistributionCurve(distribution, span.first, span.second, scale);
            for (size_t i = 0; i < points.size(); ++i) {
                const double x = fAxis[0].Output(points[i].first);
                Track(0, x);
                Track(1, points[i].second);
                Emit(Json::MakeObject("_layer", line.key, "_lx", x, "_ly", points[i].second, "_o", i),
                     panel);
            }
        }
    }
    fLayers.push_back({{"transform", LayerFilter(line.key)},
                       {"mark", std::move(lineMark)},
                       {"encoding", LineEncoding(Channel(0, "_lx"), Channel(1, "_ly"))}});
}

// A line through each panel's rows in the order of their x values, with
// labels above its vertices.
void GraphView::AddPolyline(const Mark& line, Json lineMark,
                            const std::vector<std::vector<size_t>>& panels) {
    for (size_t panel = 0; panel < panels.size(); ++panel) {
        struct Vertex {
            double order;
            size_t row;
        };
        std::vector<Vertex> vertices;
        for (size_t row : panels[panel]) {
            const Cell x = fData.Value(*line.x, *line.source, row);
            if (x.Missing() || fData.Value(*line.y, *line.source, row).Missing()) continue;
            double order = 0;
            if (fAxis[0].Nominal())
                order = static_cast<double>(fAxis[0].categories.Index(KeyText(x)));
            else if (x.IsNumber())
                order = x.number;
            else
                continue;
            vertices.push_back({order, row});
        }
        std::stable_sort(vertices.begin(), vertices.end(),
                         [](const Vertex& a, const Vertex& b) { return a.order < b.order; });
        for (size_t i = 0; i < vertices.size(); ++i) {
            const size_t row = vertices[i].row;
            Json out = {{"_layer", line.key},
                        {"_lx", AxisValue(0, line.x, fData.Value(*line.x, *line.source, row))},
                        {"_ly", AxisValue(1, line.y, fData.Value(*line.y, *line.source, row))},
                        {"_o", i}};
            if (line.colorVar) {
                const Cell cell = fData.Value(*line.colorVar, *line.source, row);
                const long colour = cell.Missing() ? -1 : line.colors.Index(KeyText(cell));
                if (colour >= 0) out["_c"] = line.colors.shown[static_cast<size_t>(colour)];
            }
            if (!line.popups.empty()) out["_tip"] = Tooltip(line, row);
            if (line.labelVar)
                out["_lab"] =
                    fData.Shown(*line.labelVar, fData.Value(*line.labelVar, *line.source, row));
            Emit(std::move(out), panel);
        }
    }
    Json encoding = LineEncoding(Channel(0, "_lx"), Channel(1, "_ly"));
    AddColorAndTooltip(encoding, lineMark, line, true);
    fLayers.push_back({{"transform", LayerFilter(line.key)},
                       {"mark", std::move(lineMark)},
                       {"encoding", std::move(encoding)}});
    if (line.labelVar && line.labelStyle.visible) {
        Json labels = {{"x", Channel(0, "_lx")}, {"y", Channel(1, "_ly")}, {"text", LabelTextChannel()}};
        Json text = {{"type", "text"}, {"dy", -6}, {"baseline", "bottom"}, {"lineBreak", "\n"}};
        line.labelStyle.ApplyText(text);
        fLayers.push_back({{"transform", LayerFilter(line.key)},
                           {"mark", std::move(text)},
                           {"encoding", std::move(labels)}});
    }
}

void GraphView::AddLine(pugi::xml_node node, size_t index) {
    const Mark line = ReadMark(node, index);
    Json lineMark = {{"type", "line"},
                     {"stroke", line.style.color.empty() ? kLineColor : line.style.color},
                     {"strokeWidth", StrokeWidth(line.style, 1.5)}};
    if (!line.style.dash.empty()) lineMark["strokeDash"] = line.style.Dash();
    if (!line.style.visible) return;
    const auto panels = line.source
                            ? PanelRows(*line.source)
                            : std::vector<std::vector<size_t>>(std::max<size_t>(fPanels.size(), 1));
    if (pugi::xml_node statistic = node.child("distributionStatistic")) {
        if (fAxis[0].Nominal() || fAxis[1].Nominal()) return;  // a curve needs continuous axes
        AddDistributionCurve(statistic, line, std::move(lineMark), panels);
        return;
    }
    if (!line.x || !line.y || !line.source) return;
    AddPolyline(line, std::move(lineMark), panels);
}

}  // namespace render
}  // namespace npar
