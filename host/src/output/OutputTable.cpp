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
    std::map<const TableNode*, size_t> position;
    for (const auto& dimension : dimensions) {
        const auto categories = dimension->Categories();
        for (size_t i = 0; i < categories.size(); ++i) position[categories[i]] = i;
    }
    std::vector<size_t> order;  // dimension indices: row dimensions first, then columns
    for (bool column : {false, true}) {
        for (size_t d = 0; d < dimensions.size(); ++d) {
            if (dimensions[d]->column == column) order.push_back(d);
        }
    }
    auto key = [&](const TableCell& cell) {
        std::vector<long> sortKey;
        for (size_t d : order) {
            const TableNode* node = d < cell.at.size() ? cell.at[d] : nullptr;
            sortKey.push_back(node ? static_cast<long>(position[node]) : -1);
        }
        return sortKey;
    };
    std::vector<std::pair<std::vector<long>, const TableCell*>> keyed;
    keyed.reserve(fCells.size());
    for (const auto& cell : fCells) keyed.emplace_back(key(*cell), cell.get());
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const TableCell*> cells;
    cells.reserve(keyed.size());
    for (const auto& entry : keyed) cells.push_back(entry.second);
    return cells;
}

std::string FootnoteMark(int index) {
    std::string mark;
    for (int n = index; n >= 0; n = n / 26 - 1) mark.insert(mark.begin(), char('a' + n % 26));
    return mark;
}

}  // namespace npar
