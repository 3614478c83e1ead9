// A graph as a Vega-Lite view. Rows of every mark go into one data set with a
// "_layer" field naming the layer that draws them (so facets, which need one
// data set, work the same as single views); positions of axis channels are
// written as placeholders and resolved when the view is built, once every
// category of the axes is known. This file holds the rows and channels every
// mark uses and the assembly of the view; the facets, axes and sizes are
// prepared in GraphLayout, each kind of mark has a file of its own
// (BarMarks, BoxPlotMarks, LineMarks, PointMarks, EdgeMarks, GuideLines),
// and the places of a network's nodes are worked out in NetworkLayout.
#include "render/GraphView.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <utility>

#include "render/AxisLabels.h"
#include "render/GraphMarks.h"

namespace npar {
namespace render {
namespace {

constexpr double kOpacities[] = {1.0, 0.55, 0.3, 0.8, 0.42, 0.18};
// A bound on the rows facets give to panels.
constexpr size_t kMaxPanelRows = size_t(1) << 22;

}  // namespace

double GraphView::Axis::Output(double value) const {
    return kind == Kind::Temporal ? UnixMilliseconds(value) : value;
}

Format GraphView::Axis::LabelFormat() const {
    return hasTickFormat ? tickFormat : (var ? var->format : Format());
}

std::string GraphView::Axis::LabelFormatType() const {
    if (hasTickFormat && !tickFormat.type.empty()) return tickFormat.type;
    return var ? var->format.type : "";
}

GraphView::GraphView(const ChartContext& context, pugi::xml_node graph, Box box)
    : fContext(context), fData(*context.data), fGraph(graph), fBox(box) {
    // Legends stand right of the graph: one placed without a right edge or
    // width is narrowed to make room for them.
    bool sized = false;
    for (pugi::xml_node location : graph.children("location")) {
        const std::string_view part = Attr(location, "part");
        sized = sized || part == "right" || part == "width";
    }
    for (pugi::xml_node mark : graph.children()) {
        for (const char* aesthetic : {"color", "pattern"}) {
            if (IsMark(mark.name()) && fContext.LegendFor(Attr(mark.child(aesthetic), "id")))
                fHasLegend = true;
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
        const std::string_view tag = child.name();
        if (!IsMark(tag)) continue;
        fHasMarks = true;
        if (tag == "interval")
            AddInterval(child, index);
        else if (tag == "schema")
            AddSchema(child, index);
        else if (tag == "line")
            AddLine(child, index);
        else if (tag == "point")
            AddPoint(child, index);
        else
            AddEdge(child, index);
        ++index;
    }
    size_t guides = 0;
    for (pugi::xml_node guide : graph.children("lineGuide")) {
        fHasMarks = true;
        AddGuide(guide, guides++);
    }
}

// ---------------------------------------------------------------------------
// Rows, panels and channels

GraphView::Mark GraphView::ReadMark(pugi::xml_node node, size_t index) const {
    Mark mark;
    mark.node = node;
    mark.key = Attr(node, "id");
    if (mark.key.empty()) mark.key = "mark" + std::to_string(index);
    mark.x = fData.Find(Attr(node.child("x"), "variable"));
    mark.y = fData.Find(Attr(node.child("y"), "variable"));
    mark.style = fContext.StyleOf(node);
    // The mark's first colour or pattern aesthetic.
    pugi::xml_node aesthetic;
    for (pugi::xml_node child : node.children()) {
        const std::string_view tag = child.name();
        if (tag == "color" || tag == "pattern") {
            aesthetic = child;
            break;
        }
    }
    mark.colorVar = aesthetic ? fData.Find(Attr(aesthetic, "variable")) : nullptr;
    mark.colorId = Attr(aesthetic, "id");
    mark.pattern = aesthetic && std::string_view(aesthetic.name()) == "pattern";
    if (pugi::xml_node labeling = node.child("labeling")) {
        mark.labelVar = fData.Find(Attr(labeling, "variable"));
        mark.labelStyle = fContext.StyleOf(labeling);
    }
    // The mark's data source: that of its first binding.
    std::vector<const Var*> bindings{mark.x, mark.y};
    const std::string_view tag = node.name();
    if (tag == "edge") bindings.push_back(fData.Find(Attr(node, "from")));
    if (pugi::xml_node layout = node.child("graphLayoutStatistic"))
        bindings.push_back(fData.Find(Attr(layout, "node")));
    bindings.push_back(mark.colorVar);
    bindings.push_back(mark.labelVar);
    for (const Var* var : bindings) {
        if (var && !mark.source) mark.source = fData.Home(*var);
    }
    if (mark.colorVar && mark.source) {
        std::map<std::string, std::string> mapped;
        for (pugi::xml_node mapping : aesthetic.children("colorMapping"))
            mapped[std::string(Attr(mapping, "key"))] = Attr(mapping, "color");
        for (const Cell& cell : fData.Categories(*mark.colorVar, *mark.source)) {
            const std::string key = KeyText(cell);
            const size_t i = mark.colors.Add(key, fData.Shown(*mark.colorVar, cell));
            if (mark.pattern) {
                mark.colorRange.push_back(kOpacities[i % (sizeof kOpacities / sizeof kOpacities[0])]);
            } else {
                const auto found = mapped.find(key);
                mark.colorRange.push_back(
                    found != mapped.end() && !found->second.empty() ? found->second : kPalette[i % 10]);
            }
        }
    }
    if (!Attr(node, "id").empty()) {
        const auto range = fContext.popups.equal_range(Attr(node, "id"));
        for (auto it = range.first; it != range.second; ++it) mark.popups.push_back(it->second);
    }
    const auto legend = fMarkLegends.try_emplace(node.internal_object());
    if (legend.second && mark.colorVar && fContext.LegendFor(mark.colorId)) {
        legend.first->second.explained = true;
        legend.first->second.shown = mark.colors.shown;
    }
    return mark;
}

const GraphView::MarkLegend& GraphView::LegendOf(pugi::xml_node node) const {
    auto known = fMarkLegends.find(node.internal_object());
    if (known == fMarkLegends.end()) {
        ReadMark(node, 0);
        known = fMarkLegends.find(node.internal_object());
    }
    return known->second;
}

bool GraphView::Readable(const Var& var, const SourceTable& source) const {
    const Var* v = &var;
    for (int depth = 0; v && depth < 16; ++depth) {
        if (v->kind == Var::Kind::Source || v->kind == Var::Kind::Graph)
            return source.Column(v->column) != nullptr;
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
            for (size_t i = 0; i < facet.categories.keys.size(); ++i)
                out.push_back(static_cast<long>(i));
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
            for (long c : columnIndices)
                rows[static_cast<size_t>(r) * columns + static_cast<size_t>(c)].push_back(row);
        }
        given += rowIndices.size() * columnIndices.size();
    }
    return rows;
}

void GraphView::Emit(Json row, size_t panel) {
    // The panel's categories: its column's, then its row's.
    if (panel < fPanels.size()) {
        const size_t added = (fPanels[panel].column >= 0 ? 1 : 0) + (fPanels[panel].row >= 0 ? 1 : 0);
        if (added > 0) row.reserve(row.size() + added);
        if (fPanels[panel].column >= 0)
            row["_fc"] = fFacetColumn.categories.shown[static_cast<size_t>(fPanels[panel].column)];
        if (fPanels[panel].row >= 0)
            row["_fr"] = fFacetRow.categories.shown[static_cast<size_t>(fPanels[panel].row)];
    }
    fRows.push_back(std::move(row));
}

void GraphView::Track(int dimension, double value) {
    Axis& axisData = fAxis[dimension];
    if (!std::isfinite(value)) return;
    if (!axisData.tracked) {
        axisData.low = axisData.high = value;
        axisData.tracked = true;
    }
    axisData.low = std::min(axisData.low, value);
    axisData.high = std::max(axisData.high, value);
}

Json GraphView::AxisValue(int dimension, const Var* var, const Cell& cell) {
    Axis& axisData = fAxis[dimension];
    if (cell.Missing()) return nullptr;
    if (axisData.Nominal()) {
        const std::string key = KeyText(cell);
        long index = axisData.categories.Index(key);
        if (index < 0)
            index = static_cast<long>(axisData.categories.Add(key, var ? fData.Shown(*var, cell) : key));
        return axisData.categories.shown[static_cast<size_t>(index)];
    }
    if (!cell.IsNumber()) return nullptr;
    const double value = axisData.Output(cell.number);
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
        const std::string_view text = Attr(popup, "tokenTemplate");
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t open = text.find("$[", pos);
            if (open == std::string_view::npos) {
                out += text.substr(pos);
                break;
            }
            const size_t close = text.find("]$", open + 2);
            if (close == std::string_view::npos) {
                out += text.substr(pos);
                break;
            }
            out += text.substr(pos, open - pos);
            const std::string_view name = text.substr(open + 2, close - open - 2);
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
    const Axis& axisData = fAxis[dimension];
    Json channel = Json::object();
    Json scale = Json::object();
    Json axis = Json::object();
    if (axisData.Nominal()) {
        channel["type"] = "nominal";
        channel["sort"] = axisData.categories.Domain();
        scale["domain"] = axisData.categories.Domain();
        const bool level = dimension != 0 || fCategoryLabelAngle == 0;
        axis["labelExpr"] = dimension == 0 && level
                                ? WrappedLabels(axisData.categories.shown, BandWidth(dimension))
                                : kSplitLabels;
        if (dimension == 0) axis["labelAngle"] = fCategoryLabelAngle;
        if (!level) axis["labelLimit"] = kCategoryLabelLimit;
    } else {
        channel["type"] = axisData.kind == Axis::Kind::Temporal ? "temporal" : "quantitative";
        if (axisData.kind == Axis::Kind::Temporal) {
            scale["type"] = "utc";
            axis["labelExpr"] = DateLabelExpression(axisData.LabelFormatType());
            // A date's label is wide and the nice domain starts on a tick:
            // flush with the axis end, the first label would cover the next
            // one's place, which the overlap rule then leaves empty.
            if (dimension == 0) axis["labelFlush"] = false;
        } else {
            const Format format = axisData.LabelFormat();
            const std::string expression = NumberLabelExpression(format);
            if (!expression.empty()) axis["labelExpr"] = expression;
            // Whole-number labels need whole-number ticks. Vega-Lite passes
            // a tick step of 1 on to the axis only for the "d" format (an
            // explicit tickMinStep is dropped); the label text still comes
            // from the label expression. Counts get their ticks below.
            if (format.decimals == 0 || axisData.Counts()) {
                axis["format"] = "d";
                axis["tickMinStep"] = 1;
            }
        }
        if (axisData.kind != Axis::Kind::Temporal) scale["zero"] = axisData.zero;
        scale["nice"] = true;
        if (variant.explicitDomain && axisData.tracked) {
            double low = axisData.low, high = axisData.high;
            if (axisData.zero) {
                low = std::min(low, 0.0);
                high = std::max(high, 0.0);
            }
            if (axisData.min) low = axisData.Output(*axisData.min);
            if (axisData.max) high = axisData.Output(*axisData.max);
            scale["domain"] = Json::array({low, high});
        } else {
            if (axisData.min) scale["domainMin"] = axisData.Output(*axisData.min);
            if (axisData.max) scale["domainMax"] = axisData.Output(*axisData.max);
        }
    }
    if (!axisData.Nominal()) SpaceTickLabels(dimension, axis);
    if (axisData.invert != variant.reverse[dimension]) scale["reverse"] = true;
    channel["scale"] = scale;
    channel["title"] =
        variant.opposite[dimension] && axisData.hasOpposite ? Json(axisData.opposite) : axisData.title;
    if (channel["title"].is_string() && channel["title"].get<std::string>().empty())
        channel["title"] = nullptr;
    // A title longer than its axis stands on several lines, none longer than
    // the axis, rather than running past the chart's ends. Text widths are
    // reckoned generously (a character 0.58 of the font size, where the
    // library's sans-serif takes about half): a title up to that much longer
    // still fits.
    constexpr double kAxisTitleFont = 12, kGenerousWidths = 1.15;
    const double axisLength = (dimension == 0 ? fPanelWidth : fPanelHeight) * kGenerousWidths;
    if (channel["title"].is_string() && axisLength > 0 &&
        TextWidth(channel["title"].get_ref<const std::string&>(), kAxisTitleFont) > axisLength)
        channel["title"] =
            WrapText(channel["title"].get_ref<const std::string&>(), axisLength, kAxisTitleFont);
    if (variant.opposite[dimension]) axis["orient"] = dimension == 0 ? "top" : "right";
    if (!axisData.style.color.empty()) {
        for (const char* part : {"domainColor", "tickColor", "labelColor", "titleColor"})
            axis[part] = axisData.style.color;
    }
    if (axisData.style.fontSize > 0)
        axis["labelFontSize"] = axis["titleFontSize"] = axisData.style.FontPixels();
    channel["axis"] = axisData.visible ? axis : Json(nullptr);
    return channel;
}

// The widest tick label a continuous axis may write: a date of its format,
// or the ends of its extent in its number format.
double GraphView::TickLabelWidth(int dimension) const {
    const Axis& axisData = fAxis[dimension];
    if (axisData.kind == Axis::Kind::Temporal)
        return TextWidth(WidestDateLabel(axisData.LabelFormatType()), 11);
    const Format format = axisData.LabelFormat();
    double width = 0;
    for (double end : {axisData.low, axisData.high})
        width = std::max(width, TextWidth(FormatNumber(end, format), 11));
    return width;
}

// Ticks far enough apart for their labels: as many as the panel's length
// holds labels of the widest width with a gap between them (a horizontal
// axis; a vertical one stacks labels of one line), and labels that would
// still touch are left out.
void GraphView::SpaceTickLabels(int dimension, Json& axis) const {
    const Axis& axisData = fAxis[dimension];
    const double length = dimension == 0 ? fPanelWidth : fPanelHeight;
    const double label = dimension == 0 ? TickLabelWidth(dimension) : 13;
    const double fits = std::max(2.0, std::floor(length / (label + 10)));
    axis["labelOverlap"] = "greedy";
    axis["labelSeparation"] = 6;
    // The chart library's own ticks, one each 40 pixels, serve where they
    // fit, but for counts (a histogram's frequencies), whose ticks must be
    // whole however fractional the fitted curve over them, and for times of
    // day and durations, whose ticks fall at a clock's steps (02:00, 02:30)
    // rather than at round numbers of seconds (5000, 10000).
    const double libraryTicks = std::ceil(length / 40);
    const bool crowded = fits < libraryTicks;
    const bool clock =
        axisData.kind == Axis::Kind::Quantitative && IsClockFormat(axisData.LabelFormatType());
    if (!crowded && !axisData.Counts() && !clock) return;
    if (crowded) axis["tickCount"] = fits;
    // The library may still make more ticks than asked: numbers get theirs
    // here, at a round step that leaves each label its room.
    if (axisData.kind != Axis::Kind::Quantitative || !axisData.tracked ||
        !(axisData.high > axisData.low))
        return;
    const auto roundUp = [&](double step) {
        step = clock ? ClockStep(step) : RoundStep(step);
        return axisData.Counts() ? std::max(step, 1.0) : step;
    };
    const auto ticksAt = [&](double step) {
        Json values = Json::array();
        for (double tick = std::ceil(axisData.low / step) * step;
             tick <= axisData.high + step * 1e-9 && values.size() < 100; tick += step)
            values.push_back(std::fabs(tick) < step * 1e-9 ? 0.0 : tick);
        return values;
    };
    double step = roundUp((axisData.high - axisData.low) / ((crowded ? fits : libraryTicks) - 1));
    Json values = ticksAt(step);
    // A step rounded up past the extent leaves a single tick: halve it.
    for (int halved = 0; values.size() < 2 && halved < 4; ++halved) {
        const double smaller = roundUp(step / 2);
        if (!(smaller < step)) break;
        values = ticksAt(step = smaller);
    }
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
    // A title wider than the chart library writes one (180 pixels at the
    // legend's 12) stands on several lines rather than ending in an ellipsis.
    constexpr double kTitleWidth = 180, kTitleFont = 12;
    if (title.is_string() && TextWidth(title.get_ref<const std::string&>(), kTitleFont) > kTitleWidth)
        title = WrapText(title.get_ref<const std::string&>(), kTitleWidth, kTitleFont);
    channel["legend"] = {{"title", title}, {"labelExpr", kSplitLabels}, {"labelLimit", 260}};
    // Too little room right of the graph: the legend goes below it.
    if (fContext.contentWidth - fBox.Right() < 0.15 * fContext.contentWidth)
        channel["legend"]["orient"] = "bottom";
    return channel;
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
    if (!info.popups.empty()) encoding["tooltip"] = TooltipChannel();
}

// ---------------------------------------------------------------------------
// Bars

// The bins an interval's <binStatistic> asks for over its positions. Rows
// whose lengths are summed are counted already, one row per bin: without a
// count or width from the document each is its own bin at its place, so a

double GraphView::BinWidth() const {
    Bins bins;
    bool nominal[2] = {fAxis[0].Nominal(), fAxis[1].Nominal()};
    return GraphBins(fData, fGraph, bins, nominal) ? bins.width : 0;
}

// ---------------------------------------------------------------------------
// Texts placed in the plot area

void GraphView::AddInsideTexts() {
    for (size_t i = 0; i < fInside.size(); ++i) {
        const PlacedText& placed = fInside[i];
        const std::string key = "text" + std::to_string(i);
        for (size_t p = 0; p < std::max<size_t>(fPanels.size(), 1); ++p)
            Emit({{"_layer", key}, {"_t", placed.text}}, p);
        Json mark = {{"type", "text"},
                     {"x", Clamp(placed.x, 0, fPanelWidth)},
                     {"y", Clamp(placed.y, 0, fPanelHeight)},
                     {"align", "left"},
                     {"baseline", "top"},
                     {"lineBreak", "\n"}};
        placed.style.ApplyText(mark, placed.fallbackPoints);
        fLayers.push_back({{"transform", LayerFilter(key)},
                           {"mark", std::move(mark)},
                           {"encoding", {{"text", {{"field", "_t"}, {"type", "nominal"}}}}}});
    }
    fInside.clear();
}

// ---------------------------------------------------------------------------
// The view

GraphView::AxisChannels GraphView::CountAxisChannels() const {
    AxisChannels axes;
    for (const Json& layer : fLayers) {
        if (!layer.contains("encoding")) continue;
        for (const auto& channel : layer["encoding"].items()) {
            const Json& value = channel.value();
            if (!value.is_object() || !value.contains("__axis")) continue;
            const Json& axis = value["__axis"];
            if (!axis.is_number()) continue;
            const int dimension = axis.get<int>();
            if (dimension == 0 || dimension == 1) ++axes.uses[dimension];
        }
    }
    return axes;
}

Json GraphView::ResolveChannels(Json layer, const Variant& variant, AxisChannels& axes) const {
    Json resolved = std::move(layer);
    if (!resolved.contains("encoding")) return resolved;
    for (auto& channel : resolved["encoding"].items()) {
        Json& value = channel.value();
        if (!value.is_object() || !value.contains("__axis")) continue;
        const int dimension = value["__axis"].get<int>();
        if (dimension != 0 && dimension != 1) throw std::out_of_range("a channel names no axis");
        std::optional<Json>& shared = axes.channel[dimension];
        if (!shared) shared = AxisChannel(dimension, variant);
        // The last use takes the channel; were the count short, a later use
        // would make the channel afresh, the same.
        size_t& uses = axes.uses[dimension];
        Json merged;
        if (uses <= 1) {
            merged = std::move(*shared);
            shared.reset();
        } else {
            merged = *shared;
            --uses;
        }
        for (auto& item : value.items()) {
            if (item.key() != "__axis") merged[item.key()] = std::move(item.value());
        }
        value = std::move(merged);
    }
    return resolved;
}

Json GraphView::BuildAlternating() {
    const Facet& facet = fAlternatingDimension == 1 ? fFacetColumn : fFacetRow;
    const char* field = fAlternatingDimension == 1 ? "_fc" : "_fr";
    Json views = Json::array();
    const AxisChannels counted = CountAxisChannels();
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
        AxisChannels axes = counted;
        for (const Json& layer : fLayers) layers.push_back(ResolveChannels(layer, variant, axes));
        Json title = {{"text", facet.CategoryLines(panel, kPanelTitleFont)},
                      {"fontSize", 12},
                      {"fontWeight", "normal"}};
        const auto label = facet.labels.find(panel);
        if (label != facet.labels.end()) {
            title["subtitle"] = SplitLines(label->second);
            title["subtitleFontSize"] = fContext.StyleOf(facet.node).FontPixels();
        }
        Json view = {{"title", std::move(title)},
                     {"width", fPanelWidth},
                     {"height", fPanelHeight},
                     {"data", {{"values", std::move(rows)}}},
                     {"layer", std::move(layers)}};
        views.push_back(std::move(view));
    }
    Json concat = {{fAlternatingDimension == 1 ? "hconcat" : "vconcat", std::move(views)},
                   {"spacing", fSpacing}};
    concat["resolve"] = {{"scale", {{"x", "independent"}, {"y", "independent"}}}};
    return concat;
}

// ---------------------------------------------------------------------------
// The graph in words

Json GraphView::Build() {
    AddInsideTexts();
    // Layers without rows draw nothing; they are left out (one stays, so the
    // view keeps its axes).
    // The layer keys the rows carry: a few, each in a run of rows.
    std::vector<std::string_view> filled;
    for (const Json& row : std::as_const(fRows)) {
        const std::string& key = row["_layer"].get_ref<const std::string&>();
        if (filled.empty() || filled.back() != key) {
            if (std::find(filled.begin(), filled.end(), key) == filled.end()) filled.push_back(key);
        }
    }
    const auto isFilled = [&filled](const Json& key) {
        return std::find(filled.begin(), filled.end(), key.get_ref<const std::string&>()) !=
               filled.end();
    };
    std::vector<Json> kept;
    for (Json& layer : fLayers) {
        const Json& filter = std::as_const(layer)["transform"][0]["filter"];
        bool used = filter.contains("equal") && isFilled(filter["equal"]);
        if (filter.contains("oneOf")) {
            for (const Json& key : filter["oneOf"]) used = used || isFilled(key);
        }
        if (used) kept.push_back(std::move(layer));
    }
    if (kept.empty() && !fLayers.empty()) kept.push_back(fLayers.front());
    fLayers = std::move(kept);
    if (fAlternating) return BuildAlternating();
    Json layers = Json::array();
    AxisChannels axes = CountAxisChannels();
    for (Json& layer : fLayers) layers.push_back(ResolveChannels(std::move(layer), Variant(), axes));
    if (!Faceted()) {
        Json view = {{"width", fPanelWidth},
                     {"height", fPanelHeight},
                     {"data", {{"values", std::move(fRows)}}},
                     {"layer", std::move(layers)}};
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
        const std::string label(Attr(facet.node, "label"));
        def["title"] = label.empty() ? Json(nullptr) : Json(label);
        const bool asWritten = facet.labels.empty() && !facet.BreaksCategories(kHeaderFont);
        Json header = {{"labelExpr", asWritten ? std::string(kSplitLabels) : facet.HeaderExpression()}};
        if (row) {
            header["labelOrient"] = "right";
            header["titleOrient"] = "right";
        }
        def["header"] = header;
        return def;
    };
    Json facet = Json::object();
    if (fWrapColumns > 0) {
        facet = fFacetColumn.var ? facetField(fFacetColumn, "_fc", false)
                                 : facetField(fFacetRow, "_fr", false);
    } else {
        if (fFacetColumn.var) facet["column"] = facetField(fFacetColumn, "_fc", false);
        if (fFacetRow.var) facet["row"] = facetField(fFacetRow, "_fr", true);
    }
    Json view = {
        {"data", {{"values", std::move(fRows)}}},
        {"facet", std::move(facet)},
        {"spec", {{"width", fPanelWidth}, {"height", fPanelHeight}, {"layer", std::move(layers)}}},
        {"spacing", fSpacing},
        {"resolve", {{"scale", {{"x", "shared"}, {"y", "shared"}}}}}};
    if (fWrapColumns > 0) view["columns"] = fWrapColumns;
    return view;
}

}  // namespace render
}  // namespace npar
