// Placement of graphs and label frames in the chart's content area from their
// <location> elements, in pixels (approximate: text sizes are estimated).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace npar {
namespace render {

struct Box {
    double left = 0, top = 0, width = 0, height = 0;
    double Right() const { return left + width; }
    double Bottom() const { return top + height; }
};

struct Size {
    double width = 0, height = 0;
};

// Lays out the graphs and label frames of a document. contentSize gives the
// size an element's content needs (zero for a graph: it takes the room it is
// given).
class Layout {
public:
    Layout(pugi::xml_node root, double width, double height,
           std::function<Size(pugi::xml_node)> contentSize);

    // The box of a graph or label frame (an empty box for anything else).
    Box BoxOf(pugi::xml_node element);
    double Width() const { return fWidth; }
    double Height() const { return fHeight; }

private:
    struct Location {
        std::string method, value, target;
        bool present = false;
    };
    struct Element {
        pugi::xml_node node;
        Location parts[6];  // left, right, top, bottom, width, height
        bool done[2] = {false, false};
        bool busy[2] = {false, false};
        double start[2] = {0, 0};
        double size[2] = {0, 0};
    };

    Element* Find(const std::string& id);
    void Resolve(Element& element, int direction, int depth);
    double Length(const std::string& value, int direction) const;
    Size Content(const Element& element) const;

    double fWidth, fHeight;
    std::function<Size(pugi::xml_node)> fContentSize;
    std::vector<Element> fElements;
    std::map<std::string, size_t> fIds;
    std::map<const void*, size_t> fNodes;
    // Elements that join a target's row, in document order, and the sums of
    // their content widths before each (made when first needed).
    std::map<std::string, std::vector<size_t>> fAttached;
    std::map<std::string, std::vector<double>> fAttachedWidths;
};

}  // namespace render
}  // namespace npar
