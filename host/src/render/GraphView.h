// One <graph> of a chart document as a Vega-Lite view: its axes, facets,
// marks (with their statistics), guide lines, panel labels and the label
// frames placed inside its plot area. GraphLayout.cpp prepares the facets,
// axes and sizes, GraphView.cpp the rows, channels and assembly; each kind
// of mark is turned into layers in a file of its own (BarMarks,
// BoxPlotMarks, LineMarks, PointMarks, EdgeMarks, GuideLines),
// NetworkLayout.cpp places a network's nodes, and GraphDescription.cpp says
// in words what the graph shows.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "render/RenderCommon.h"
#include "render/RenderLayout.h"
#include "render/RenderStats.h"

namespace npar {
namespace render {

// A text placed at a pixel position of a view (label frames, footnotes).
struct PlacedText {
    std::string text;
    Style style;
    double x = 0, y = 0;
    double fallbackPoints = kDefaultFontPoints;
};

class GraphView {
public:
    // box: the graph's box in the content area (axes and headers included).
    GraphView(const ChartContext& context, pugi::xml_node graph, Box box);

    // The plot area (the panels with their spacing) in content coordinates.
    Box PlotBox() const;
    bool Faceted() const { return fFacetColumn.var || fFacetRow.var; }
    // Whether the graph holds something to draw (a mark or a guide line).
    bool HasMarks() const { return fHasMarks; }
    // A text drawn inside the plot area at a pixel position of the plot.
    void AddInsideText(const PlacedText& text) { fInside.push_back(text); }
    // What the graph plots, in words, for readers who do not see it: its
    // marks over its axes, its panels and the categories its legends explain.
    std::string Describe() const;
    Json Build();

private:
    // The font sizes of the panels' header: the chart configuration's, and
    // the larger one of back-to-back panels' titles.
    static constexpr double kHeaderFont = 11, kPanelTitleFont = 12;

    struct Axis {
        const Var* var = nullptr;
        enum class Kind { Quantitative, Nominal, Temporal } kind = Kind::Quantitative;
        bool visible = true;
        Style style;
        Json title;  // text or null
        std::string opposite;
        bool hasOpposite = false;
        Format tickFormat;
        bool hasTickFormat = false;
        std::optional<double> min, max;  // data units
        bool invert = false;
        bool zero = false;
        CategoryScale categories;
        double low = 0, high = 0;  // the extent of the values drawn (output units)
        bool tracked = false;
        // Bars drawn along the axis, and whether their ends are all whole
        // numbers (counts), which then take whole-number ticks.
        bool barLengths = false;
        bool wholeBarLengths = true;

        bool Nominal() const { return kind == Kind::Nominal; }
        // Counts along a number axis without a tick format of its own.
        bool Counts() const {
            return kind == Kind::Quantitative && barLengths && wholeBarLengths && !hasTickFormat;
        }
        // A value in the units the chart library draws (dates in milliseconds).
        double Output(double value) const;
        // The format of the tick labels: the axis's own, else its variable's;
        // and the type of it, the axis's own type only where it names one.
        Format LabelFormat() const;
        std::string LabelFormatType() const;
    };
    struct Facet {
        const Var* var = nullptr;
        pugi::xml_node node;
        CategoryScale categories;
        // The panel label of each category (by its shown text), written
        // under the category in the panels' header.
        std::map<std::string, std::string> labels;

        // The width a category's text is broken to in the panels' header
        // (at blanks, where a line is wider); 0 leaves it as it is.
        double headerWidth = 0;

        // The most lines a category's panel label takes.
        size_t LabelLines() const;
        // A category's own lines in the header, at a font size.
        std::vector<std::string> CategoryLines(const std::string& category, double font) const;
        // The most lines a category's own text takes in the header, and
        // the most it is written with.
        size_t CategoryLineCount(double font) const;
        size_t WrittenLineCount() const;
        // Whether the header breaks some category's text into more lines.
        bool BreaksCategories(double font) const;
        // The header text of a category: its own lines, then its label's.
        std::vector<std::string> HeaderLines(const std::string& category) const;
        // A label expression writing every category's header lines.
        std::string HeaderExpression() const;
    };
    struct Panel {
        long column = -1, row = -1;
    };
    struct Mark {
        pugi::xml_node node;
        std::string key;  // the layer key of its rows
        const Var* x = nullptr;
        const Var* y = nullptr;
        const SourceTable* source = nullptr;
        Style style;
        const Var* colorVar = nullptr;
        std::string colorId;
        bool pattern = false;
        CategoryScale colors;
        Json colorRange = Json::array();
        const Var* labelVar = nullptr;
        Style labelStyle;
        std::vector<pugi::xml_node> popups;
    };
    // Node places of a network layout: per panel, the place of each node by key.
    using NodePlaces = std::vector<std::map<std::string, std::pair<double, double>>>;
    struct BarShape;
    struct Bar;
    struct BoxGroup;
    struct PointMarks;
    struct Variant {
        bool reverse[2] = {false, false};
        bool opposite[2] = {false, false};
        bool explicitDomain = false;
    };

    void PrepareAxes();
    void PrepareFacets();
    void PrepareSize();
    void PrepareLayouts();
    double NetworkRadius(const Mark& mark, const std::vector<std::string>& labels) const;
    // From `radius` up, the radius at which the symbols and labels of a
    // network's nodes stand clear of one another; the panels grow to hold
    // a larger circle.
    double ClearNetworkRadius(const Mark& mark, const std::vector<std::string>& labels, size_t nodes,
                              double radius);
    // A network node's label: the label variable's text of its row, a long
    // line of it broken at blanks.
    std::string NodeLabel(const Mark& mark, const SourceTable& source, size_t row) const;
    Mark ReadMark(pugi::xml_node node, size_t index) const;
    // What a legend says of a mark's colours: whether one explains them, and
    // their shown texts. Kept when the mark is first read, as reading it
    // again gives the same.
    struct MarkLegend {
        bool explained = false;
        std::vector<std::string> shown;
    };
    const MarkLegend& LegendOf(pugi::xml_node node) const;
    std::vector<std::vector<size_t>> PanelRows(const SourceTable& source) const;
    bool Readable(const Var& var, const SourceTable& source) const;
    void Emit(Json row, size_t panel);
    void Track(int dimension, double value);
    Json AxisValue(int dimension, const Var* var, const Cell& cell);
    std::string Tooltip(const Mark& mark, size_t row) const;
    Json Channel(int dimension, const std::string& field, Json extra = Json::object()) const;
    Json ColorChannel(const Mark& mark) const;
    // The colour (or pattern) channel and the tooltip of a mark's layer.
    void AddColorAndTooltip(Json& encoding, Json& mark, const Mark& info, bool stroke) const;
    double BinWidth() const;
    // The width of a category's band on an axis, in pixels.
    double BandWidth(int dimension) const;
    // The height the category labels of the horizontal axis take under it,
    // and the angle they are written at (0 level; -45 or -90 when level
    // labels would run into one another); the number-axis labels' line for
    // any other axis. columns: the panels side by side.
    double CategoryLabelRoom(size_t columns);
    // Wraps a row of panels wider than a page into rows.
    void WrapLongRow();
    // The longest a turned category label is drawn, in pixels (the chart
    // library ends a longer one with an ellipsis).
    static constexpr double kCategoryLabelLimit = 180;
    // The narrowest band a category of the horizontal axis is given, in
    // pixels, unless the plot would grow wider than the widest for them.
    static constexpr double kLeastCategoryBand = 22;
    static constexpr double kWidestCategoryPlot = 960;

    // Bars (BarMarks.cpp).
    void AddInterval(pugi::xml_node node, size_t index);
    BarShape ReadBarShape(pugi::xml_node node, const Mark& bars) const;
    std::vector<Bar> CollectBars(const Mark& bars, const BarShape& shape,
                                 const std::vector<size_t>& rows);
    bool EmitBars(const Mark& bars, const BarShape& shape, const std::vector<Bar>& panelBars,
                  size_t panel);
    void AddBarLayer(const Mark& bars, const BarShape& shape, const std::string& key, bool coloured);
    void AddBarLabels(const Mark& bars, const BarShape& shape);
    // Box plots (BoxPlotMarks.cpp).
    void AddSchema(pugi::xml_node node, size_t index);
    std::vector<BoxGroup> CollectBoxGroups(const Mark& boxes, int positionAxis,
                                           const std::vector<size_t>& rows);
    void EmitBox(const Mark& boxes, int positionAxis, const BoxGroup& group, size_t panel);
    void AddBoxLayers(const Mark& boxes, int positionAxis, bool sideBySide);
    // Lines and distribution curves (LineMarks.cpp).
    void AddLine(pugi::xml_node node, size_t index);
    bool ReadDistribution(pugi::xml_node statistic, const Mark& line, Distribution& distribution) const;
    std::pair<double, double> CurveSpan(const Mark& line, const Distribution& distribution) const;
    double CurveBarWidth(const Mark& line) const;
    void AddDistributionCurve(pugi::xml_node statistic, const Mark& line, Json lineMark,
                              const std::vector<std::vector<size_t>>& panels);
    void AddPolyline(const Mark& line, Json lineMark, const std::vector<std::vector<size_t>>& panels);
    // Points and network nodes (PointMarks.cpp).
    void AddPoint(pugi::xml_node node, size_t index);
    PointMarks MakePointMarks(Mark& points) const;
    void AddNetworkNodes(pugi::xml_node node, pugi::xml_node layout, const Mark& nodes,
                         PointMarks marks);
    void AddPlainPoints(const Mark& points, PointMarks marks);
    // The widest line written in place of points that have no symbol (a
    // cell's count in a grid of panels), in pixels; 0 when there is none.
    double WidestPointText() const;
    // Network edges (EdgeMarks.cpp).
    void AddEdge(pugi::xml_node node, size_t index);
    bool EmitEdges(const Mark& edges, const Var& from, const Var& to, const NodePlaces& layout);
    // Guide lines (GuideLines.cpp).
    void AddGuide(pugi::xml_node node, size_t index);
    Json GuideValue(int dimension, const std::string& written) const;

    void PreparePanelLabels();
    void AddInsideTexts();

    // The channel of each axis (x, y) in one variant of the view, made when
    // a layer first asks for it: the layers of a view share them. The
    // layers' channels that take it are counted beforehand, so that the
    // last of them takes the channel itself rather than a copy.
    struct AxisChannels {
        std::optional<Json> channel[2];
        size_t uses[2] = {0, 0};
    };
    // The axis channels of the view's layers, with their uses counted.
    AxisChannels CountAxisChannels() const;
    // The layer with each channel on an axis completed by the axis's channel.
    Json ResolveChannels(Json layer, const Variant& variant, AxisChannels& axes) const;
    Json AxisChannel(int dimension, const Variant& variant) const;
    double TickLabelWidth(int dimension) const;
    void SpaceTickLabels(int dimension, Json& axis) const;
    Json BuildAlternating();

    const ChartContext& fContext;
    const ChartData& fData;
    pugi::xml_node fGraph;
    Box fBox;
    Axis fAxis[2];
    Facet fFacetColumn, fFacetRow;
    int fWrapColumns = 0;
    bool fAlternating = false;
    int fAlternatingDimension = 1;
    std::vector<Panel> fPanels;
    double fLeftRoom = 0, fBottomRoom = 0, fTopRoom = 0, fRightRoom = 0;
    double fPlotWidth = 0, fPlotHeight = 0, fPanelWidth = 0, fPanelHeight = 0;
    double fSpacing = 10;
    int fCategoryLabelAngle = 0;
    size_t fGridColumns = 1, fGridRows = 1;
    bool fHasMarks = false;
    bool fHasLegend = false;
    Json fRows = Json::array();
    std::vector<Json> fLayers;
    std::vector<PlacedText> fInside;
    // Node places of network layouts, per point element.
    std::map<const void*, NodePlaces> fNodes;
    // By mark element (ReadMark fills it).
    mutable std::map<const void*, MarkLegend> fMarkLegends;
};

}  // namespace render
}  // namespace npar
