// Box plots (<schema>): one box per position category (and colour), drawn
// from Tukey statistics of its values, with whiskers, a median tick, and
// outliers and extremes as points that may carry labels.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "render/GraphMarks.h"
#include "render/GraphView.h"

namespace npar {
namespace render {
namespace {

// A five-pointed star as a unit symbol path, for extreme values.
constexpr const char* kStarPath =
    "M0,-1L0.2245,-0.309L0.9511,-0.309L0.3633,0.118L0.5878,0.809L0,0.382L-0.5878,0.809L-0.3633,0.118L-0."
    "9511,"
    "-0.309L-0.2245,-0.309Z";

}  // namespace

// The values of one box, with the rows they come from.
struct GraphView::BoxGroup {
    long category = -1, colour = -1;
    std::vector<double> values;
    std::vector<size_t> rows;
};

// The boxes of one panel's rows, in the order their first rows come.
std::vector<GraphView::BoxGroup> GraphView::CollectBoxGroups(const Mark& boxes, int positionAxis,
                                                             const std::vector<size_t>& rows) {
    const Var* position = positionAxis == 0 ? boxes.x : boxes.y;
    const Var* value = positionAxis == 0 ? boxes.y : boxes.x;
    CategoryScale& categories = fAxis[positionAxis].categories;
    std::vector<BoxGroup> groups;
    std::map<std::pair<long, long>, size_t> index;
    for (size_t row : rows) {
        const Cell cell = fData.Value(*value, *boxes.source, row);
        if (!cell.IsNumber()) continue;
        long category = 0;
        if (position) {
            const Cell at = fData.Value(*position, *boxes.source, row);
            if (at.Missing()) continue;
            category = categories.Index(KeyText(at));
            if (category < 0)
                category = static_cast<long>(categories.Add(KeyText(at), fData.Shown(*position, at)));
        } else if (categories.keys.empty()) {
            categories.Add("", "");
        }
        long colour = -1;
        if (boxes.colorVar) {
            const Cell shade = fData.Value(*boxes.colorVar, *boxes.source, row);
            if (!shade.Missing()) colour = boxes.colors.Index(KeyText(shade));
        }
        auto found = index.find({category, colour});
        if (found == index.end()) {
            found = index.emplace(std::make_pair(category, colour), groups.size()).first;
            groups.push_back(BoxGroup{category, colour, {}, {}});
        }
        groups[found->second].values.push_back(cell.number);
        groups[found->second].rows.push_back(row);
    }
    return groups;
}

// The rows of one box: its statistics, then its outliers and extremes.
void GraphView::EmitBox(const Mark& boxes, int positionAxis, const BoxGroup& group, size_t panel) {
    const int valueAxis = 1 - positionAxis;
    const BoxStats box = TukeyBox(group.values);
    if (box.n == 0) return;
    const std::string position =
        fAxis[positionAxis].categories.shown[static_cast<size_t>(group.category)];
    Json row = {{"_layer", boxes.key}, {"_pos", position}};
    if (group.colour >= 0) row["_c"] = boxes.colors.shown[static_cast<size_t>(group.colour)];
    const Axis& axis = fAxis[valueAxis];
    row["_lo"] = axis.Output(box.lowerWhisker);
    row["_q1"] = axis.Output(box.lowerHinge);
    row["_med"] = axis.Output(box.median);
    row["_q3"] = axis.Output(box.upperHinge);
    row["_hi"] = axis.Output(box.upperWhisker);
    row["_n"] = box.n;
    Track(valueAxis, axis.Output(box.lowerWhisker));
    Track(valueAxis, axis.Output(box.upperWhisker));
    if (!boxes.popups.empty()) row["_tip"] = Tooltip(boxes, group.rows.front());
    Emit(std::move(row), panel);
    auto outlier = [&](size_t i, const char* kind) {
        Json point = {{"_layer", boxes.key + ":" + kind},
                      {"_pos", position},
                      {"_v", axis.Output(group.values[i])}};
        Track(valueAxis, axis.Output(group.values[i]));
        if (group.colour >= 0) point["_c"] = boxes.colors.shown[static_cast<size_t>(group.colour)];
        if (boxes.labelVar)
            point["_lab"] =
                fData.Shown(*boxes.labelVar, fData.Value(*boxes.labelVar, *boxes.source, group.rows[i]));
        Emit(std::move(point), panel);
    };
    for (size_t i : box.outliers) outlier(i, "outliers");
    for (size_t i : box.extremes) outlier(i, "extremes");
}

// The layers of the boxes: whisker rule and ends, box, median, outliers,
// extremes and their labels. Boxes of one position stand side by side when
// their colours differ.
void GraphView::AddBoxLayers(const Mark& boxes, int positionAxis, bool sideBySide) {
    const int valueAxis = 1 - positionAxis;
    const double band =
        (positionAxis == 0 ? fPanelWidth : fPanelHeight) /
        static_cast<double>(std::max<size_t>(fAxis[positionAxis].categories.keys.size(), 1)) /
        (sideBySide ? static_cast<double>(std::max<size_t>(boxes.colors.keys.size(), 1)) : 1.0);
    const double boxSize = std::max(3.0, std::floor(band * 0.5));
    const std::string stroke = boxes.style.color.empty() ? kBarStroke : boxes.style.color;
    auto encodingFor = [&](const char* value, const char* second) {
        Json encoding = Json::object();
        encoding[PositionName(positionAxis)] = Channel(positionAxis, "_pos");
        if (sideBySide) encoding[OffsetName(positionAxis)] = ColourOffsetChannel(boxes.colors);
        encoding[PositionName(valueAxis)] = Channel(valueAxis, value, {{"stack", nullptr}});
        if (second) encoding[SecondName(valueAxis)] = {{"field", second}};
        return encoding;
    };
    const char* tickOrient = positionAxis == 0 ? "horizontal" : "vertical";
    auto push = [&](const std::string& key, Json mark, Json encoding) {
        fLayers.push_back({{"transform", LayerFilter(key)},
                           {"mark", std::move(mark)},
                           {"encoding", std::move(encoding)}});
    };
    push(boxes.key, {{"type", "rule"}, {"stroke", stroke}}, encodingFor("_lo", "_hi"));
    for (const char* end : {"_lo", "_hi"}) {
        push(boxes.key,
             {{"type", "tick"},
              {"orient", tickOrient},
              {"color", stroke},
              {"size", std::floor(boxSize * 0.6)}},
             encodingFor(end, nullptr));
    }
    Json boxMark = {{"type", "bar"},
                    {"fill", boxes.style.fill.empty() ? kBarFill : boxes.style.fill},
                    {"stroke", stroke},
                    {"strokeWidth", 1},
                    {positionAxis == 0 ? "width" : "height", boxSize}};
    Json boxEncoding = encodingFor("_q1", "_q3");
    AddColorAndTooltip(boxEncoding, boxMark, boxes, false);
    push(boxes.key, std::move(boxMark), std::move(boxEncoding));
    Json medianEncoding = encodingFor("_med", nullptr);
    if (!boxes.popups.empty()) medianEncoding["tooltip"] = TooltipChannel();
    push(boxes.key,
         {{"type", "tick"},
          {"orient", tickOrient},
          {"color", stroke},
          {"size", boxSize},
          {"thickness", 3}},
         std::move(medianEncoding));
    push(boxes.key + ":outliers",
         {{"type", "point"}, {"shape", "circle"}, {"filled", false}, {"stroke", stroke}, {"size", 36}},
         encodingFor("_v", nullptr));
    push(boxes.key + ":extremes",
         {{"type", "point"}, {"shape", kStarPath}, {"filled", true}, {"fill", stroke}, {"size", 60}},
         encodingFor("_v", nullptr));
    if (boxes.labelVar && boxes.labelStyle.visible) {
        Json encoding = encodingFor("_v", nullptr);
        encoding["text"] = LabelTextChannel();
        Json mark = {
            {"type", "text"}, {"align", "left"}, {"dx", 7}, {"baseline", "middle"}, {"lineBreak", "\n"}};
        boxes.labelStyle.ApplyText(mark, 8);
        fLayers.push_back(
            {{"transform", LayersFilter({boxes.key + ":outliers", boxes.key + ":extremes"})},
             {"mark", std::move(mark)},
             {"encoding", std::move(encoding)}});
    }
}

void GraphView::AddSchema(pugi::xml_node node, size_t index) {
    const Mark boxes = ReadMark(node, index);
    const int positionAxis = fAxis[0].Nominal() ? 0 : (fAxis[1].Nominal() ? 1 : 0);
    const int valueAxis = 1 - positionAxis;
    const Var* value = positionAxis == 0 ? boxes.y : boxes.x;
    if (!value || !boxes.source || !fAxis[positionAxis].Nominal() || fAxis[valueAxis].Nominal()) return;

    // Boxes stand side by side only when a position holds more than one
    // colour category.
    bool sideBySide = false;
    std::vector<std::vector<BoxGroup>> panelGroups;
    for (const auto& rows : PanelRows(*boxes.source)) {
        std::vector<BoxGroup> groups = CollectBoxGroups(boxes, positionAxis, rows);
        std::set<long> seen;
        for (const BoxGroup& group : groups) {
            if (!seen.insert(group.category).second) sideBySide = true;
        }
        panelGroups.push_back(std::move(groups));
    }
    for (size_t panel = 0; panel < panelGroups.size(); ++panel) {
        for (const BoxGroup& group : panelGroups[panel]) EmitBox(boxes, positionAxis, group, panel);
    }
    AddBoxLayers(boxes, positionAxis, sideBySide);
}

}  // namespace render
}  // namespace npar
