// What the parts of the renderer share: styles, texts, category scales, the
// chart-wide index of elements, and small writers of Vega-Lite pieces.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "render/JsonValue.h"
#include "render/RenderData.h"
#include "text/Escapes.h"

namespace npar {
namespace render {

// Defaults of the template language.
constexpr const char* kBarFill = "#5b8db8";
constexpr const char* kBarStroke = "#2f4f6f";
constexpr const char* kLineColor = "#1f4e79";
constexpr const char* kGuideColor = "#404040";
constexpr const char* kPatternColor = "#404040";
constexpr double kDefaultFontPoints = 10;
extern const char* const kPalette[10];

// A <style>, with what it leaves unset marked as such.
struct Style {
    std::string color, fill, dash, fontWeight, symbol;
    double width = -1, size = -1, fontSize = -1;
    bool visible = true;

    // The font size in pixels (points × 4/3), or fallback points when unset.
    double FontPixels(double fallbackPoints = kDefaultFontPoints) const;
    // Pieces of a mark definition: stroke dash as a list of numbers.
    Json Dash() const;
    // Text properties of a mark (size, weight, colour).
    void ApplyText(Json& mark, double fallbackPoints = kDefaultFontPoints) const;
};

// The text of an element: its <text> children joined with line breaks, or
// its own character data when it has none.
std::string ElementText(pugi::xml_node element);
std::vector<std::string> SplitLines(const std::string& text);
// The lines of a text, each broken at blanks into lines no wider than width
// pixels at a font size (a word wider than that stands on a line of its own).
std::vector<std::string> WrapText(const std::string& text, double width, double fontPixels);
// An estimate of the pixel width and height of a (multi-line) text.
double TextWidth(const std::string& text, double fontPixels);
double TextHeight(const std::string& text, double fontPixels);
// The label expression that breaks labels at line breaks.
extern const char* const kSplitLabels;

// The categories shown on an axis, a legend or facet headers: key texts with
// their shown texts, kept distinct so that two categories never merge.
struct CategoryScale {
    std::vector<std::string> keys;
    std::vector<std::string> shown;

    // Adds a category (no change when the key is known); gives its index.
    size_t Add(const std::string& key, std::string shownText);
    // The index of a key, or -1.
    long Index(const std::string& key) const;
    Json Domain() const;

private:
    std::map<std::string, size_t> fIndex;
    std::set<std::string> fUsed;
    std::map<std::string, size_t> fDuplicates;
};

// Document-wide lookups the graphs need.
struct ChartContext {
    pugi::xml_node root;
    const ChartData* data = nullptr;
    // Keyed by views of the document's attribute texts, which live as long
    // as the document the context reads.
    std::map<std::string_view, pugi::xml_node> styles;
    std::map<std::string_view, pugi::xml_node> elements;     // marks, aesthetics, frames, legends by id
    std::vector<pugi::xml_node> legends;                     // the main legend first
    std::multimap<std::string_view, pugi::xml_node> popups;  // by target id
    double contentWidth = 480;                               // of the content area, in pixels

    explicit ChartContext(pugi::xml_node root, const ChartData& data);
    Style StyleOf(std::string_view id) const;
    Style StyleOf(pugi::xml_node element) const { return StyleOf(element.attribute("style").value()); }
    // The legend that explains an aesthetic (a <color> or <pattern> id).
    pugi::xml_node LegendFor(std::string_view aesthetic) const;
};

}  // namespace render
}  // namespace npar
