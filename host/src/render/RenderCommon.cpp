// Styles, texts, category scales and the chart-wide element index.
#include "render/RenderCommon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <sstream>

#include "text/Utf8.h"

namespace npar {
namespace render {

const char* const kPalette[10] = {"#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f",
                                  "#edc948", "#b07aa1", "#ff9da7", "#9c755f", "#bab0ac"};
const char* const kSplitLabels = "split(datum.label, '\\n')";

double Style::FontPixels(double fallbackPoints) const {
    const double points = fontSize > 0 ? fontSize : fallbackPoints;
    return std::round(points * 4.0 / 3.0 * 10) / 10;
}

Json Style::Dash() const {
    Json dashes = Json::array();
    std::istringstream in(dash);
    std::string piece;
    while (in >> piece && dashes.size() < 16) {
        double value = 0;
        if (ParseNumber(piece, value) && value >= 0 && value < 1000) dashes.push_back(value);
    }
    return dashes;
}

void Style::ApplyText(Json& mark, double fallbackPoints) const {
    mark["fontSize"] = FontPixels(fallbackPoints);
    if (fontWeight == "bold") mark["fontWeight"] = "bold";
    if (fontWeight == "light") mark["fontWeight"] = 300;
    mark["color"] = color.empty() ? "#000000" : color;
}

std::string ElementText(pugi::xml_node element) {
    std::string text;
    bool first = true;
    for (pugi::xml_node child : element.children("text")) {
        if (!first) text += '\n';
        text += child.text().get();
        first = false;
    }
    if (first) text = element.text().get();
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> WrapText(const std::string& text, double width, double fontPixels) {
    if (text.size() > 400) return SplitLines(text);  // too long to fit anyway
    std::vector<std::string> lines;
    for (const std::string& paragraph : SplitLines(text)) {
        std::string line;
        size_t start = 0;
        while (start <= paragraph.size()) {
            const size_t end = std::min(paragraph.find(' ', start), paragraph.size());
            const std::string word = paragraph.substr(start, end - start);
            const std::string joined = line.empty() ? word : line + " " + word;
            if (!line.empty() && TextWidth(joined, fontPixels) > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = joined;
            }
            start = end + 1;
        }
        lines.push_back(line);
    }
    return lines;
}

double TextWidth(const std::string& text, double fontPixels) {
    size_t widest = 0;
    for (const std::string& line : SplitLines(text)) widest = std::max(widest, DisplayWidth(line));
    return std::ceil(static_cast<double>(widest) * fontPixels * 0.58);
}

double TextHeight(const std::string& text, double fontPixels) {
    return std::ceil(static_cast<double>(SplitLines(text).size()) * fontPixels * 1.25);
}

size_t CategoryScale::Add(const std::string& key, std::string shownText) {
    const auto known = fIndex.find(key);
    if (known != fIndex.end()) return known->second;
    // Two categories with the same shown text stay apart: invisible
    // characters (a word joiner, then the duplicate's number in zero-width
    // spaces and non-joiners) make the later ones distinct without changing
    // what is drawn, and stay short however many duplicates there are.
    if (fUsed.count(shownText)) {
        const std::string base = shownText;
        for (size_t n = ++fDuplicates[base];; n = ++fDuplicates[base]) {
            std::string suffix = "\u2060";
            for (size_t bits = n; bits; bits >>= 1) suffix += (bits & 1) ? "\u200c" : "\u200b";
            if (!fUsed.count(base + suffix)) {
                shownText = base + suffix;
                break;
            }
        }
    }
    fUsed.insert(shownText);
    keys.push_back(key);
    shown.push_back(shownText);
    return fIndex[key] = keys.size() - 1;
}

long CategoryScale::Index(const std::string& key) const {
    const auto known = fIndex.find(key);
    return known == fIndex.end() ? -1 : static_cast<long>(known->second);
}

Json CategoryScale::Domain() const {
    Json domain = Json::array();
    for (const std::string& text : shown) domain.push_back(text);
    return domain;
}

ChartContext::ChartContext(pugi::xml_node rootNode, const ChartData& chartData)
    : root(rootNode), data(&chartData) {
    // Ids of styles and of the other elements, wherever they stand; the first
    // of an id counts. Elements are visited without recursion.
    std::vector<pugi::xml_node> pending{root};
    while (!pending.empty()) {
        pugi::xml_node node = pending.back();
        pending.pop_back();
        for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling()) {
            if (child.type() == pugi::node_element) pending.push_back(child);
        }
        const char* id = node.attribute("id").value();
        if (!*id || node == root) continue;
        const std::string_view tag = node.name();
        if (tag == "style")
            styles.emplace(id, node);
        else if (tag != "sourceVariable" && tag != "variable" && tag != "derivedVariable")
            elements.emplace(id, node);
    }
    std::string main;
    for (pugi::xml_node extension : root.children("extension")) {
        if (pugi::xml_attribute legend = extension.attribute("legend1")) main = legend.value();
    }
    for (pugi::xml_node legend : root.children("legend")) {
        if (!main.empty() && main == legend.attribute("id").value())
            legends.insert(legends.begin(), legend);
        else
            legends.push_back(legend);
    }
    for (pugi::xml_node popup : root.children("popup"))
        popups.emplace(popup.attribute("target").value(), popup);
}

Style ChartContext::StyleOf(std::string_view id) const {
    Style style;
    const auto found = styles.find(id);
    if (id.empty() || found == styles.end()) return style;
    enum Field {
        kColor,
        kFill,
        kDash,
        kFontWeight,
        kSymbol,
        kWidth,
        kSize,
        kFontSize,
        kVisible,
        kFields
    };
    static constexpr std::string_view kNames[kFields] = {
        "color", "fill", "dash", "fontWeight", "symbol", "width", "size", "fontSize", "visible"};
    const auto attributes = FirstAttributes(found->second, kNames);
    auto text = [&attributes](Field field, std::string& target) {
        if (attributes[field]) target = attributes[field].value();
    };
    auto number = [&attributes](Field field, double& target) {
        double value = 0;
        if (attributes[field])
            target = ParseNumber(attributes[field].value(), value) && std::isfinite(value) ? value : -1;
    };
    text(kColor, style.color);
    text(kFill, style.fill);
    text(kDash, style.dash);
    text(kFontWeight, style.fontWeight);
    text(kSymbol, style.symbol);
    number(kWidth, style.width);
    number(kSize, style.size);
    number(kFontSize, style.fontSize);
    if (attributes[kVisible]) style.visible = std::string_view(attributes[kVisible].value()) != "false";
    return style;
}

pugi::xml_node ChartContext::LegendFor(std::string_view aesthetic) const {
    if (aesthetic.empty()) return {};
    for (pugi::xml_node legend : legends) {
        for (pugi::xml_node target : legend.children("legendTarget")) {
            if (aesthetic == target.attribute("aesthetic").value()) return legend;
        }
    }
    return {};
}

}  // namespace render
}  // namespace npar
