// Resolving <location> elements into boxes.
#include "render/RenderLayout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

namespace npar {
namespace render {
namespace {

// Targets name targets; a chain longer than this is not followed.
constexpr int kMaxDepth = 32;
constexpr double kGap = 8;

int PartIndex(std::string_view part) {
    static const char* const kParts[] = {"left", "right", "top", "bottom", "width", "height"};
    for (int i = 0; i < 6; ++i) {
        if (part == kParts[i]) return i;
    }
    return -1;
}

}  // namespace

Layout::Layout(pugi::xml_node root, double width, double height,
               std::function<Size(pugi::xml_node)> contentSize)
    : fWidth(width), fHeight(height), fContentSize(std::move(contentSize)) {
    for (pugi::xml_node node : root.children()) {
        const std::string_view tag = node.name();
        if (tag != "graph" && tag != "labelFrame") continue;
        Element element;
        element.node = node;
        for (pugi::xml_node location : node.children("location")) {
            const int part = PartIndex(location.attribute("part").value());
            if (part < 0) continue;
            Location& slot = element.parts[part];  // the last of a part counts
            slot.present = true;
            slot.method = location.attribute("method").value();
            slot.value = location.attribute("value").value();
            slot.target = location.attribute("target").value();
        }
        const size_t index = fElements.size();
        for (int part : {0, 1}) {
            if (element.parts[part].method == "attach") {
                fAttached[element.parts[part].target].push_back(index);
                break;
            }
        }
        fNodes.emplace(node.internal_object(), index);
        fElements.push_back(std::move(element));
        if (const char* id = node.attribute("id").value(); *id) fIds.emplace(id, index);
        if (tag == "graph") {
            // A location may target a mark; it stands for the mark's graph.
            for (pugi::xml_node mark : node.children()) {
                if (const char* id = mark.attribute("id").value(); *id) fIds.emplace(id, index);
            }
        }
    }
}

Layout::Element* Layout::Find(const std::string& id) {
    const auto found = fIds.find(id);
    return found == fIds.end() ? nullptr : &fElements[found->second];
}

double Layout::Length(const std::string& value, int direction) const {
    const double whole = direction == 0 ? fWidth : fHeight;
    // A C-locale number and its unit: "%" of the content area, else pixels.
    double number = 0;
    const auto read = std::from_chars(value.data(), value.data() + value.size(), number);
    if (read.ec != std::errc() || !std::isfinite(number)) return 0;
    const std::string unit(read.ptr, value.data() + value.size());
    if (unit == "%") return whole * std::clamp(number, -1000.0, 1000.0) / 100;
    return std::clamp(number, -1e5, 1e5);
}

Size Layout::Content(const Element& element) const {
    return fContentSize ? fContentSize(element.node) : Size();
}

void Layout::Resolve(Element& element, int d, int depth) {
    if (element.done[d]) return;
    const bool graph = std::string_view(element.node.name()) == "graph";
    const double whole = d == 0 ? fWidth : fHeight;
    const Size contentSize = Content(element);
    const double content = d == 0 ? contentSize.width : contentSize.height;
    const Location& s = element.parts[d == 0 ? 0 : 2];
    const Location& e = element.parts[d == 0 ? 1 : 3];
    const Location& z = element.parts[d == 0 ? 4 : 5];
    element.busy[d] = true;

    // The box of a target, resolved first; none for a missing target, a
    // cycle or a chain too long.
    auto target = [&](const std::string& id) -> Element* {
        Element* t = Find(id);
        if (!t || t == &element || t->busy[d] || depth >= kMaxDepth) return nullptr;
        Resolve(*t, d, depth + 1);
        return t->done[d] ? t : nullptr;
    };

    std::optional<double> start, end, size;
    bool placed = false;
    if (d == 0 && (s.method == "attach" || e.method == "attach")) {
        const std::string& id = s.method == "attach" ? s.target : e.target;
        if (Element* t = target(id)) {
            // Joins the target's row: after the target's content and the
            // elements that joined it earlier, each as wide as its content.
            const double targetContent = Content(*t).width;
            double offset = t->start[0] + (targetContent > 0 ? targetContent : t->size[0]) + kGap;
            const std::vector<size_t>& row = fAttached[id];
            std::vector<double>& widths = fAttachedWidths[id];
            if (widths.empty()) {
                widths.push_back(0);
                for (size_t other : row)
                    widths.push_back(widths.back() + Content(fElements[other]).width + kGap);
            }
            const size_t self = static_cast<size_t>(&element - fElements.data());
            const size_t before =
                static_cast<size_t>(std::lower_bound(row.begin(), row.end(), self) - row.begin());
            start = offset + widths[std::min(before, widths.size() - 1)];
            size = content;
            placed = true;
        }
    } else if (d == 1 && s.method == "attach") {
        if (Element* t = target(s.target)) {
            size = z.present && z.method == "fixed" ? Length(z.value, d) : content;
            start = t->start[1] - *size;
            placed = true;
        }
    } else if (d == 1 && e.method == "attach") {
        if (Element* t = target(e.target)) {
            start = t->start[1] + t->size[1];
            size = z.present && z.method == "fixed" ? Length(z.value, d) : content;
            placed = true;
        }
    }
    if (!placed) {
        if (s.present && s.method == "fixed") start = Length(s.value, d);
        if (s.present && s.method == "same") {
            if (Element* t = target(s.target)) start = t->start[d];
        }
        if (e.present && e.method == "fixed") end = Length(e.value, d);
        if (e.present && e.method == "same") {
            if (Element* t = target(e.target)) end = t->start[d] + t->size[d];
        }
        if (z.present && z.method == "fixed") size = Length(z.value, d);
        if (z.present && z.method == "same") {
            if (Element* t = target(z.target)) size = t->size[d];
        }
        if (z.present && z.method == "sizeToContent") size = content;
        if (start && end) {
            size = *end - *start;
        } else if (end && size) {
            start = *end - *size;
        } else if (start && !size) {
            size = graph || content <= 0 ? whole - *start : content;
        } else if (end) {
            size = graph || content <= 0 ? *end : content;
            start = *end - *size;
        } else if (!start) {
            start = 0;
            if (!size) size = graph || content <= 0 ? whole : content;
        }
    }
    element.start[d] = start.value_or(0);
    element.size[d] = std::max(0.0, size.value_or(0));
    element.busy[d] = false;
    element.done[d] = true;
}

Box Layout::BoxOf(pugi::xml_node node) {
    const auto found = fNodes.find(node.internal_object());
    if (found == fNodes.end()) return {};
    Element& element = fElements[found->second];
    Resolve(element, 0, 0);
    Resolve(element, 1, 0);
    return Box{element.start[0], element.start[1], element.size[0], element.size[1]};
}

}  // namespace render
}  // namespace npar
