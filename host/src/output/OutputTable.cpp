// The pivot-table model of the output document.
#include "OutputTable.h"

#include <algorithm>
#include <functional>

namespace npar {

namespace {
// Below this many children a scan is as quick as a look-up and needs no index.
constexpr size_t kIndexedChildren = 16;
}  // namespace

TableNode* TableNode::Find(const std::string& childLabel, bool group) const {
    if (children.size() > kIndexedChildren) {
        const auto& index = fByLabel[group ? 1 : 0];
        const auto found = index.find(childLabel);
        return found == index.end() ? nullptr : found->second;
    }
    for (const auto& child : children) {
        if (child->isGroup == group && child->label == childLabel) return child.get();
    }
    return nullptr;
}

TableNode* TableNode::Add(std::unique_ptr<TableNode> child) {
    child->parent = this;
    children.push_back(std::move(child));
    if (children.size() == kIndexedChildren + 1) {
        for (const auto& each : children)
            fByLabel[each->isGroup ? 1 : 0].emplace(each->label, each.get());
    } else if (children.size() > kIndexedChildren + 1) {
        TableNode* added = children.back().get();
        fByLabel[added->isGroup ? 1 : 0].emplace(added->label, added);
    }
    return children.back().get();
}

std::vector<std::string> TableNode::LabelPath() const {
    std::vector<std::string> path;
    for (const TableNode* node = this; node && node->parent; node = node->parent)
        path.push_back(node->label);
    std::reverse(path.begin(), path.end());
    return path;
}

std::vector<const TableNode*> TableDimension::Categories() const {
    std::vector<const TableNode*> categories;
    std::function<void(const TableNode&)> walk = [&](const TableNode& node) {
        for (const auto& child : node.children) {
            if (child->isGroup)
                walk(*child);
            else
                categories.push_back(child.get());
        }
    };
    walk(root);
    return categories;
}

int TableModel::Footnote(const std::string& text) {
    auto found = std::find(footnotes.begin(), footnotes.end(), text);
    if (found != footnotes.end()) return static_cast<int>(found - footnotes.begin());
    footnotes.push_back(text);
    return static_cast<int>(footnotes.size() - 1);
}

TableCell& TableModel::CellAt(const std::vector<const TableNode*>& at) {
    auto found = fCellIndex.find(at);
    if (found != fCellIndex.end()) return *fCells[found->second];
    fCellIndex.emplace(at, fCells.size());
    fCells.push_back(std::make_unique<TableCell>());
    fCells.back()->at = at;
    return *fCells.back();
}

std::vector<const TableDimension*> TableModel::Dimensions(bool column) const {
    std::vector<const TableDimension*> chosen;
    for (const auto& dimension : dimensions) {
        if (dimension->column == column) chosen.push_back(dimension.get());
    }
    return chosen;
}

std::vector<const TableCell*> TableModel::OrderedCells() const {
    // The position of every category in its dimension's display order.
    std::unordered_map<const TableNode*, long> position;
    for (const auto& dimension : dimensions) {
        const auto categories = dimension->Categories();
        for (size_t i = 0; i < categories.size(); ++i) position[categories[i]] = static_cast<long>(i);
    }
    std::vector<size_t> order;  // dimension indices: row dimensions first, then columns
    for (bool column : {false, true}) {
        for (size_t d = 0; d < dimensions.size(); ++d) {
            if (dimensions[d]->column == column) order.push_back(d);
        }
    }
    // Each cell's sort key, the positions of its categories in that order
    // (-1 where it has none), side by side in one array.
    const size_t width = order.size();
    std::vector<long> keys(fCells.size() * width);
    for (size_t i = 0; i < fCells.size(); ++i) {
        const TableCell& cell = *fCells[i];
        for (size_t k = 0; k < width; ++k) {
            const size_t d = order[k];
            const TableNode* node = d < cell.at.size() ? cell.at[d] : nullptr;
            const auto found = node ? position.find(node) : position.end();
            keys[i * width + k] = !node ? -1 : found == position.end() ? 0 : found->second;
        }
    }
    std::vector<size_t> sorted(fCells.size());
    for (size_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
    const auto keyOf = [&](size_t i) { return keys.begin() + static_cast<std::ptrdiff_t>(i * width); };
    std::stable_sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) {
        return std::lexicographical_compare(keyOf(a), keyOf(a + 1), keyOf(b), keyOf(b + 1));
    });
    std::vector<const TableCell*> cells;
    cells.reserve(sorted.size());
    for (size_t i : sorted) cells.push_back(fCells[i].get());
    return cells;
}

std::string FootnoteMark(int index) {
    std::string mark;
    for (int n = index; n >= 0; n = n / 26 - 1) mark.insert(mark.begin(), char('a' + n % 26));
    return mark;
}

}  // namespace npar
