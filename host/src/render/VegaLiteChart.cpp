// The chart as a whole: the document is checked, its texts, graphs and label
// frames are laid out in the frame, and the graph views are joined with the
// label frames placed around them (above, beside, below) or inside them.
#include "render/VegaLiteChart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <memory>
#include <set>
#include <string_view>

#include "render/GraphView.h"
#include "render/RenderLayout.h"

namespace npar {
namespace render {
namespace {

// The standard chart size in pixels (frame 1 × 1).
constexpr double kStandardWidth = 480;
constexpr double kStandardHeight = 360;

// The elements the renderer draws, by the length of their names: every
// element of every chart is looked up, and a name is compared only with the
// few of its length.
bool IsKnownElement(std::string_view tag) {
    static constexpr std::string_view kKnown[] = {"visualization",
                                                  "extension",
                                                  "title",
                                                  "subtitle",
                                                  "footnote",
                                                  "text",
                                                  "frame",
                                                  "dataSource",
                                                  "sourceVariable",
                                                  "variable",
                                                  "format",
                                                  "relabel",
                                                  "categorize",
                                                  "when",
                                                  "derivedVariable",
                                                  "style",
                                                  "graph",
                                                  "location",
                                                  "coordinates",
                                                  "axis",
                                                  "range",
                                                  "faceting",
                                                  "facet",
                                                  "facetLayout",
                                                  "interval",
                                                  "schema",
                                                  "line",
                                                  "point",
                                                  "edge",
                                                  "x",
                                                  "y",
                                                  "binStatistic",
                                                  "summaryStatistic",
                                                  "distributionStatistic",
                                                  "graphLayoutStatistic",
                                                  "move",
                                                  "color",
                                                  "pattern",
                                                  "colorMapping",
                                                  "stack",
                                                  "cluster",
                                                  "labeling",
                                                  "lineGuide",
                                                  "label",
                                                  "labelFrame",
                                                  "legend",
                                                  "legendTarget",
                                                  "popup",
                                                  "tokenMapping"};
    constexpr size_t kLongest = [] {
        size_t longest = 0;
        for (std::string_view name : kKnown) longest = std::max(longest, name.size());
        return longest;
    }();
    static const auto kByLength = [] {
        std::array<std::vector<std::string_view>, kLongest + 1> byLength;
        for (std::string_view name : kKnown) byLength[name.size()].push_back(name);
        return byLength;
    }();
    if (tag.size() > kLongest) return false;
    for (std::string_view name : kByLength[tag.size()]) {
        if (name.front() == tag.front() && name == tag) return true;
    }
    return false;
}

// Whether every element is one the renderer draws; else a note naming the
// first that is not. The tree is walked without recursion.
bool CheckElements(pugi::xml_node root, std::string& note) {
    static const std::set<std::string_view> kDistributions = {"normal", "uniform", "poisson",
                                                              "exponential"};
    std::vector<pugi::xml_node> pending;
    pending.reserve(64);
    pending.push_back(root);
    while (!pending.empty()) {
        pugi::xml_node node = pending.back();
        pending.pop_back();
        const std::string_view tag = node.name();
        if (!IsKnownElement(tag)) {
            note =
                "The chart uses the element <" + std::string(tag) + ">, which this report cannot draw.";
            return false;
        }
        if (tag == "distributionStatistic" &&
            !kDistributions.count(node.attribute("distribution").value())) {
            note = std::string("The chart asks for a distribution curve (\"") +
                   node.attribute("distribution").value() + "\") that this report cannot draw.";
            return false;
        }
        if (tag == "graphLayoutStatistic" &&
            std::string_view(node.attribute("method").value()) != "circle") {
            note = std::string("The chart asks for a network layout (\"") +
                   node.attribute("method").value() + "\") that this report cannot draw.";
            return false;
        }
        if (tag == "summaryStatistic" && std::string_view(node.attribute("method").value()) != "sum") {
            note = std::string("The chart asks for a summary (\"") + node.attribute("method").value() +
                   "\") that this report cannot draw.";
            return false;
        }
        for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling()) {
            if (child.type() == pugi::node_element) pending.push_back(child);
        }
    }
    return true;
}

// A paragraph of a label frame.
struct Paragraph {
    std::string text;
    Style style;
};

std::vector<Paragraph> FrameParagraphs(const ChartContext& context, pugi::xml_node frame) {
    std::vector<Paragraph> paragraphs;
    const Style frameStyle = context.StyleOf(frame);
    if (!frameStyle.visible) return paragraphs;
    for (pugi::xml_node label : frame.children("label")) {
        Paragraph paragraph{ElementText(label),
                            label.attribute("style") ? context.StyleOf(label) : frameStyle};
        if (paragraph.style.fontSize <= 0) paragraph.style.fontSize = frameStyle.fontSize;
        if (paragraph.style.fontWeight.empty()) paragraph.style.fontWeight = frameStyle.fontWeight;
        if (paragraph.style.color.empty()) paragraph.style.color = frameStyle.color;
        if (!paragraph.text.empty() && paragraph.style.visible) paragraphs.push_back(paragraph);
    }
    return paragraphs;
}

Size ParagraphsSize(const std::vector<Paragraph>& paragraphs) {
    Size size;
    for (const Paragraph& paragraph : paragraphs) {
        const double font = paragraph.style.FontPixels();
        size.width = std::max(size.width, TextWidth(paragraph.text, font) + 4);
        size.height += TextHeight(paragraph.text, font);
    }
    return size;
}

// A view that writes texts at pixel positions, without axes or frame.
Json TextView(const std::vector<PlacedText>& texts, double width, double height) {
    Json rows = Json::array();
    Json layers = Json::array();
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string key = "text" + std::to_string(i);
        rows.push_back({{"_layer", key}, {"_t", texts[i].text}});
        Json mark = {{"type", "text"},
                     {"x", std::max(0.0, texts[i].x)},
                     {"y", std::max(0.0, texts[i].y)},
                     {"align", "left"},
                     {"baseline", "top"},
                     {"lineBreak", "\n"}};
        texts[i].style.ApplyText(mark, texts[i].fallbackPoints);
        layers.push_back(
            {{"transform", Json::array({{{"filter", {{"field", "_layer"}, {"equal", key}}}}})},
             {"mark", std::move(mark)},
             {"encoding", {{"text", {{"field", "_t"}, {"type", "nominal"}}}}}});
    }
    return {{"width", std::max(1.0, std::ceil(width))},
            {"height", std::max(1.0, std::ceil(height))},
            {"view", {{"stroke", nullptr}}},
            {"data", {{"values", std::move(rows)}}},
            {"layer", std::move(layers)}};
}

double FrameFactor(pugi::xml_node frame, const char* name) {
    double value = 1;
    if (!ParseNumber(frame.attribute(name).value(), value) || !(value > 0) || !std::isfinite(value))
        return 1;
    return std::min(value, 20.0);
}

// Adds a sentence: its text on one line, ending in a full stop.
void AppendSentence(std::string& text, const std::string& sentence, const std::string& lineSeparator) {
    std::string line;
    for (const std::string& part : SplitLines(sentence)) {
        if (part.empty()) continue;
        if (!line.empty()) line += lineSeparator;
        line += part;
    }
    if (line.empty()) return;
    if (!text.empty()) text += " ";
    text += line;
    if (line.back() != '.') text += ".";
}

// The chart in words, its accessible name: the heading (title and split),
// what each graph plots, the texts of the label frames (the key values:
// counts, statistics, parameters) and the footnote.
std::string ChartDescription(const std::string& heading,
                             const std::vector<std::unique_ptr<GraphView>>& graphs,
                             const std::vector<std::vector<Paragraph>>& frames,
                             const std::string& footnote) {
    std::string text;
    AppendSentence(text, heading, " ");
    for (const auto& graph : graphs) AppendSentence(text, graph->Describe(), " ");
    for (const auto& frame : frames) {
        for (const Paragraph& paragraph : frame) AppendSentence(text, paragraph.text, ", ");
    }
    AppendSentence(text, footnote, " ");
    return text;
}

}  // namespace

bool BuildVegaLite(const ChartModel& chart, Json& spec, std::string& note) {
    pugi::xml_document document;
    // Attribute whitespace is kept: a line break in an attribute is a line break.
    const unsigned flags = pugi::parse_default & ~pugi::parse_wconv_attribute;
    const pugi::xml_parse_result parsed =
        document.load_buffer(chart.document.data(), chart.document.size(), flags, pugi::encoding_utf8);
    const pugi::xml_node root = document.document_element();
    if (!parsed || std::string_view(root.name()) != "visualization") {
        note = "The chart document could not be read.";
        return false;
    }
    if (!CheckElements(root, note)) return false;
    if (!root.child("graph")) {
        note = "The chart has no graph to draw.";
        return false;
    }

    const ChartData data(root, chart.data);
    ChartContext context(root, data);

    // Texts and the blocks they take.
    const std::string title = ElementText(root.child("title"));
    bool showSubtitle = true;
    for (pugi::xml_node extension : root.children("extension")) {
        if (extension.attribute("subtitle")) showSubtitle = extension.attribute("subtitle").as_bool();
    }
    const std::string subtitle = showSubtitle ? ElementText(root.child("subtitle")) : std::string();
    const std::string footnote = ElementText(root.child("footnote"));
    const double width = kStandardWidth * FrameFactor(root.child("frame"), "width");
    const double height = kStandardHeight * FrameFactor(root.child("frame"), "height");
    // A title or subtitle may stand wider than the graphs (the chart library
    // centres them over a view widened for them), but one far wider, such as
    // a field's label as long as a sentence, would push the graphs aside and
    // run off the page: it stands on several lines, each at most half as wide
    // again as the chart (the title's bold 16 pixels measured as 17).
    const double titleWidth = 1.5 * width;
    const std::vector<std::string> titleLines =
        TextWidth(title, 17) > titleWidth ? WrapText(title, titleWidth, 17) : SplitLines(title);
    const std::vector<std::string> subtitleLines =
        TextWidth(subtitle, 13) > titleWidth ? WrapText(subtitle, titleWidth, 13) : SplitLines(subtitle);
    double titleBlock = 0;
    if (!title.empty()) titleBlock += 20 * static_cast<double>(titleLines.size());
    if (!subtitle.empty()) titleBlock += 16 * static_cast<double>(subtitleLines.size());
    if (titleBlock > 0) titleBlock += 8;
    const double footnoteBlock =
        footnote.empty() ? 0 : 14 * static_cast<double>(SplitLines(footnote).size()) + 8;
    const double contentHeight = std::max(80.0, height - titleBlock - footnoteBlock);
    context.contentWidth = width;

    // Boxes of graphs and label frames.
    std::map<const void*, std::vector<Paragraph>> paragraphs;
    for (pugi::xml_node frame : root.children("labelFrame"))
        paragraphs[frame.internal_object()] = FrameParagraphs(context, frame);
    Layout layout(root, width, contentHeight, [&](pugi::xml_node node) {
        const auto found = paragraphs.find(node.internal_object());
        return found == paragraphs.end() ? Size() : ParagraphsSize(found->second);
    });

    std::vector<std::unique_ptr<GraphView>> graphs;
    std::vector<Box> graphBoxes;
    bool anything = false;
    for (pugi::xml_node graph : root.children("graph")) {
        const Box box = layout.BoxOf(graph);
        graphs.push_back(std::make_unique<GraphView>(context, graph, box));
        graphBoxes.push_back(box);
        anything = anything || graphs.back()->HasMarks();
    }
    if (!anything) {
        note = "The chart has no mark to draw.";
        return false;
    }

    // Label frames around the main graph, or inside its plot area.
    const Box main = graphBoxes.front();
    const Box plot = graphs.front()->PlotBox();
    std::vector<PlacedText> above, below, left, right;
    std::vector<Box> aboveBoxes, belowBoxes, leftBoxes, rightBoxes;
    for (pugi::xml_node frame : root.children("labelFrame")) {
        const auto& frameParagraphs = paragraphs[frame.internal_object()];
        if (frameParagraphs.empty()) continue;
        const Box box = layout.BoxOf(frame);
        std::vector<PlacedText>* region = nullptr;
        std::vector<Box>* boxes = nullptr;
        if (box.Bottom() <= main.top + 2)
            region = &above, boxes = &aboveBoxes;
        else if (box.top >= main.Bottom() - 2)
            region = &below, boxes = &belowBoxes;
        else if (box.left >= main.Right() - 2)
            region = &right, boxes = &rightBoxes;
        else if (box.Right() <= main.left + 2)
            region = &left, boxes = &leftBoxes;
        else if (graphs.front()->Faceted())
            region = &above, boxes = &aboveBoxes;
        double y = box.top;
        for (const Paragraph& paragraph : frameParagraphs) {
            PlacedText text{paragraph.text, paragraph.style, box.left, y};
            y += TextHeight(paragraph.text, paragraph.style.FontPixels());
            if (region) {
                region->push_back(text);
                boxes->push_back(Box{box.left, text.y, box.width, y - text.y});
            } else {
                // Inside the plot area, at the frame's place in it, clear of
                // the area's left and right edges.
                constexpr double kInset = 4;
                const double widest =
                    plot.width - TextWidth(text.text, paragraph.style.FontPixels()) - kInset;
                text.x = std::max(std::min(text.x - plot.left, widest), kInset);
                text.y -= plot.top;
                graphs.front()->AddInsideText(text);
            }
        }
    }

    // Views: graphs side by side or one under the other as their boxes stand.
    Json center;
    if (graphs.size() == 1) {
        center = graphs.front()->Build();
    } else {
        bool stacked = false;
        for (size_t i = 1; i < graphBoxes.size(); ++i)
            stacked = stacked || graphBoxes[i].top >= graphBoxes[0].Bottom() - 2;
        Json views = Json::array();
        for (auto& graph : graphs) views.push_back(graph->Build());
        center = {{stacked ? "vconcat" : "hconcat", std::move(views)}, {"spacing", 16}};
    }

    // A region view: its texts relative to the region's own corner.
    auto regionView = [](std::vector<PlacedText> texts, const std::vector<Box>& boxes, double originX,
                         double originY) {
        double w = 1, h = 1;
        for (size_t i = 0; i < texts.size(); ++i) {
            texts[i].x -= originX;
            texts[i].y -= originY;
            w = std::max(w, boxes[i].Right() - originX);
            h = std::max(h, boxes[i].Bottom() - originY);
        }
        return TextView(texts, w, h);
    };
    auto minimum = [](const std::vector<Box>& boxes, bool vertical) {
        double m = 1e300;
        for (const Box& box : boxes) m = std::min(m, vertical ? box.top : box.left);
        return m;
    };
    Json row = std::move(center);
    if (!left.empty() || !right.empty()) {
        Json parts = Json::array();
        double spacing = 10;
        if (!left.empty())
            parts.push_back(regionView(left, leftBoxes, minimum(leftBoxes, false), main.top));
        parts.push_back(std::move(row));
        if (!right.empty()) {
            const double start = minimum(rightBoxes, false);
            spacing = std::clamp(start - main.Right(), 4.0, 40.0);
            parts.push_back(regionView(right, rightBoxes, start, main.top));
        }
        row = {{"hconcat", std::move(parts)}, {"spacing", spacing}};
    }
    Json column = Json::array();
    if (!above.empty())
        column.push_back(regionView(above, aboveBoxes, main.left, minimum(aboveBoxes, true)));
    column.push_back(std::move(row));
    if (!below.empty() || !footnote.empty()) {
        std::vector<PlacedText> texts = below;
        std::vector<Box> boxes = belowBoxes;
        double top = below.empty() ? 0 : minimum(belowBoxes, true);
        double bottom = top;
        for (const Box& box : boxes) bottom = std::max(bottom, box.Bottom());
        if (!footnote.empty()) {
            Style style;
            style.color = "#333333";
            PlacedText text{footnote, style, main.left, bottom + 4, 8};
            texts.push_back(text);
            boxes.push_back(Box{main.left, text.y, TextWidth(footnote, style.FontPixels(8)),
                                TextHeight(footnote, style.FontPixels(8))});
        }
        column.push_back(regionView(texts, boxes, main.left, top));
    }
    Json body =
        column.size() == 1 ? std::move(column[0]) : Json{{"vconcat", std::move(column)}, {"spacing", 8}};

    spec = Json::object();
    spec["$schema"] = "https://vega.github.io/schema/vega-lite/v5.json";
    std::vector<std::vector<Paragraph>> frameTexts;
    for (pugi::xml_node frame : root.children("labelFrame"))
        frameTexts.push_back(paragraphs[frame.internal_object()]);
    spec["description"] = ChartDescription(chart.description.empty() ? title : chart.description, graphs,
                                           frameTexts, footnote);
    if (!title.empty() || !subtitle.empty()) {
        Json heading = {{"text", title.empty() ? Json(" ") : Json(titleLines)}, {"anchor", "middle"}};
        if (!subtitle.empty()) heading["subtitle"] = subtitleLines;
        spec["title"] = heading;
    }
    spec["padding"] = 8;
    // The description names the chart for assistive technology; its marks
    // and guides, which would only repeat it in drawing terms, stay silent.
    static const Json kConfig = {
        {"aria", false},
        {"mark", {{"aria", false}}},
        {"font", "sans-serif"},
        {"view", {{"stroke", "#d9d9d9"}}},
        {"title",
         {{"fontSize", 16},
          {"fontWeight", "bold"},
          {"subtitleFontSize", 13},
          {"subtitleColor", "#333333"}}},
        {"axis",
         {{"labelFontSize", 11}, {"titleFontSize", 12}, {"titleFontWeight", "normal"}, {"grid", false}}},
        {"legend", {{"labelFontSize", 11}, {"titleFontSize", 12}, {"titleFontWeight", "normal"}}},
        {"header", {{"labelFontSize", 11}, {"titleFontSize", 12}, {"titleFontWeight", "normal"}}}};
    spec["config"] = kConfig;
    for (auto& item : body.items()) spec[item.key()] = std::move(item.value());
    return true;
}

Json VegaLiteOrNull(const ChartModel& chart) {
    try {
        Json spec;
        std::string note;
        if (BuildVegaLite(chart, spec, note)) return spec;
    } catch (const std::exception&) {
        // A chart the renderer fails on is left out; the report goes on.
    }
    return nullptr;
}

}  // namespace render
}  // namespace npar
