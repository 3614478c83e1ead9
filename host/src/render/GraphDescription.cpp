// The graph in words, for readers who do not see it: its marks over its
// axes, its panels and the categories its legends explain.
#include <algorithm>
#include <cctype>

#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {
namespace {

// A text on one line: its line breaks become the separator.
std::string OneLine(const std::string& text, const std::string& separator) {
    std::string line;
    for (const std::string& part : SplitLines(text)) {
        if (part.empty()) continue;
        if (!line.empty()) line += separator;
        line += part;
    }
    return line;
}

std::string JoinTexts(const std::vector<std::string>& texts, const std::string& separator) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : separator) + text;
    return joined;
}

const char* MarkNoun(std::string_view tag, pugi::xml_node mark) {
    if (tag == "interval") return "bars";
    if (tag == "schema") return "box plots";
    if (tag == "line") return "a curve";
    if (tag == "edge" || mark.child("graphLayoutStatistic")) return "a network of nodes and edges";
    return "points";
}

}  // namespace

std::string GraphView::Describe() const {
    auto title = [&](int dimension) {
        const Json& text = fAxis[dimension].title;
        return text.is_string() ? OneLine(text.get<std::string>(), " ") : std::string();
    };
    std::vector<std::string> nouns;
    std::vector<std::string> legends;
    bool horizontal = false;
    for (pugi::xml_node child : fGraph.children()) {
        const std::string_view tag = child.name();
        if (!IsMark(tag)) continue;
        const std::string noun = MarkNoun(tag, child);
        if (std::find(nouns.begin(), nouns.end(), noun) == nouns.end()) nouns.push_back(noun);
        horizontal = horizontal || (tag == "interval" && Attr(child, "orientation") == "horizontal");
        const MarkLegend& legend = LegendOf(child);
        if (legend.explained) {
            std::vector<std::string> shown;
            for (const std::string& text : legend.shown) shown.push_back(OneLine(text, " "));
            legends.push_back("in colours for " + JoinTexts(shown, ", "));
        }
    }
    if (nouns.empty()) return {};
    std::string text = JoinTexts(nouns, " and ");
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    // The value axis first: "bars of Frequency by Region".
    const std::string value = title(horizontal ? 0 : 1), position = title(horizontal ? 1 : 0);
    if (!value.empty()) text += " of " + value;
    if (!position.empty()) text += " by " + position;
    for (const Facet* facet : {&fFacetColumn, &fFacetRow}) {
        if (!facet->var) continue;
        std::vector<std::string> panels;
        for (const std::string& shown : facet->categories.shown) {
            const auto label = facet->labels.find(shown);
            panels.push_back(OneLine(shown, " ") + (label == facet->labels.end()
                                                        ? ""
                                                        : " (" + OneLine(label->second, ", ") + ")"));
        }
        text += (facet == &fFacetColumn ? ", in panels across for " : ", in panels down for ") +
                JoinTexts(panels, ", ");
    }
    for (const std::string& legend : legends) text += ", " + legend;
    return text;
}

}  // namespace render
}  // namespace npar
