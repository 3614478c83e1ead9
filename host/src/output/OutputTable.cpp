// The pivot-table model of the output document.
#include "OutputTable.h"

#include <algorithm>
#include <functional>

namespace npar {

namespace {
// Below this many children a scan is as quick as a look-up and needs no index.
constexpr size_t kIndexedChildren = 16;
}  // namespace

TableNode::TableNode() = default;
TableNode::~TableNode() = default;

TableNode* TableNode::Find(std::string_view childLabel, bool group) const {
    if (fIndex) {
        const auto& index = fIndex->byLabel[group ? 1 : 0];
        const auto found = index.find(childLabel);
        return found == index.end() ? nullptr : found->second;
    }
    for (TableNode* child : children) {
        if (child->isGroup == group && child->label == childLabel) return child;
    }
    return nullptr;
}

void TableNode::PathNodes(std::vector<const TableNode*>& path) const {
    path.clear();
    for (const TableNode* node = this; node && node->parent; node = node->parent) path.push_back(node);
    std::reverse(path.begin(), path.end());
}

std::vector<std::string> TableNode::LabelPath() const {
    std::vector<const TableNode*> nodes;
    PathNodes(nodes);
    std::vector<std::string> path;
    path.reserve(nodes.size());
    for (const TableNode* node : nodes) path.push_back(node->label);
    return path;
}

TableDimension::TableDimension(std::shared_ptr<TableStore> store) : fStore(std::move(store)) {}
TableDimension::~TableDimension() = default;

TableNode* TableDimension::Add(TableNode& parent, std::string label, bool group) {
    TableNode* child = fStore->nodes.Make();
    child->label = std::move(label);
    child->isGroup = group;
    child->parent = &parent;
    parent.children.push_back(child);
    if (parent.fIndex) {
        parent.fIndex->byLabel[group ? 1 : 0].emplace(child->label, child);
    } else if (parent.children.size() > kIndexedChildren) {
        parent.fIndex = std::make_unique<TableNode::LabelIndex>();
        for (TableNode* each : parent.children)
            parent.fIndex->byLabel[each->isGroup ? 1 : 0].emplace(each->label, each);
    }
    return child;
}

std::vector<const TableNode*> TableDimension::Categories() const {
    std::vector<const TableNode*> categories;
    std::function<void(const TableNode&)> walk = [&](const TableNode& node) {
        for (const TableNode* child : node.children) {
            if (child->isGroup)
                walk(*child);
            else
                categories.push_back(child);
        }
    };
    walk(root);
    return categories;
}

void CellCategories::Assign(const TableNode* const* nodes, size_t count) {
    // The new categories are copied before the old ones go: nodes may view them.
    if (count > kInline) {
        const TableNode** heap = new const TableNode*[count];
        std::copy(nodes, nodes + count, heap);
        Release();
        fHeap = heap;
    } else {
        const TableNode* copied[kInline] = {};
        std::copy(nodes, nodes + count, copied);
        Release();
        std::copy(copied, copied + kInline, fInline);
    }
    fSize = static_cast<std::uint32_t>(count);
}

void CellCategories::Release() {
    if (fSize > kInline) delete[] fHeap;
    fSize = 0;
    std::fill(fInline, fInline + kInline, nullptr);
}

TableModel::TableModel(std::shared_ptr<TableStore> store) : fStore(std::move(store)) {}
TableModel::~TableModel() = default;

TableDimension& TableModel::AddDimension() {
    dimensions.push_back(std::make_unique<TableDimension>(fStore));
    return *dimensions.back();
}

int TableModel::Footnote(const std::string& text) {
    auto found = std::find(footnotes.begin(), footnotes.end(), text);
    if (found != footnotes.end()) return static_cast<int>(found - footnotes.begin());
    footnotes.push_back(text);
    return static_cast<int>(footnotes.size() - 1);
}

size_t TableModel::Hash(const TableNode* const* at, size_t count) {
    size_t hash = count;
    for (size_t i = 0; i < count; ++i) hash = hash * 1000003u ^ std::hash<const TableNode*>()(at[i]);
    // Node addresses differ mostly in their middle bits; fold them into the
    // low bits, which pick the slot.
    hash ^= hash >> 17;
    hash *= 0x9E3779B97F4A7C15u;
    return hash ^ (hash >> 29);
}

void TableModel::Rehash(size_t slots) {
    fSlots.assign(slots, 0);
    const size_t mask = slots - 1;
    for (size_t i = 0; i < fCells.size(); ++i) {
        const CellCategories& at = fCells[i]->at;
        size_t slot = Hash(at.data(), at.size()) & mask;
        while (fSlots[slot] != 0) slot = (slot + 1) & mask;
        fSlots[slot] = static_cast<std::uint32_t>(i + 1);
    }
}

TableCell& TableModel::CellAt(const TableNode* const* at, size_t count) {
    // At most half the slots in use, so that probes stay short.
    if (fSlots.size() < 2 * (fCells.size() + 1)) Rehash(std::max<size_t>(8, 2 * fSlots.size()));
    const size_t mask = fSlots.size() - 1;
    size_t slot = Hash(at, count) & mask;
    for (; fSlots[slot] != 0; slot = (slot + 1) & mask) {
        TableCell& cell = *fCells[fSlots[slot] - 1];
        if (cell.at.size() == count && std::equal(at, at + count, cell.at.data())) return cell;
    }
    TableCell* made = fStore->cells.Make();
    made->at.Assign(at, count);
    fCells.push_back(made);
    fSlots[slot] = static_cast<std::uint32_t>(fCells.size());
    return *made;
}

std::vector<const TableDimension*> TableModel::Dimensions(bool column) const {
    std::vector<const TableDimension*> chosen;
    for (const auto& dimension : dimensions) {
        if (dimension->column == column) chosen.push_back(dimension.get());
    }
    return chosen;
}

namespace {

// The position of every category of a table in its dimension's display order,
// looked up by node: an open-addressed table over the node addresses.
class CategoryPositions {
public:
    explicit CategoryPositions(size_t count) {
        size_t slots = 8;
        while (slots < 2 * count) slots *= 2;
        fSlots.assign(slots, {nullptr, 0});
    }
    void Add(const TableNode* node, long position) {
        size_t slot = SlotOf(node);
        while (fSlots[slot].first && fSlots[slot].first != node) slot = (slot + 1) & (fSlots.size() - 1);
        fSlots[slot] = {node, position};
    }
    // The position of node; 0 for a node of none of the dimensions.
    long Find(const TableNode* node) const {
        for (size_t slot = SlotOf(node); fSlots[slot].first; slot = (slot + 1) & (fSlots.size() - 1)) {
            if (fSlots[slot].first == node) return fSlots[slot].second;
        }
        return 0;
    }

private:
    size_t SlotOf(const TableNode* node) const {
        size_t hash = reinterpret_cast<std::uintptr_t>(node);
        hash ^= hash >> 17;
        hash *= 0x9E3779B97F4A7C15u;
        return (hash ^ (hash >> 29)) & (fSlots.size() - 1);
    }
    std::vector<std::pair<const TableNode*, long>> fSlots;
};

}  // namespace

std::vector<const TableCell*> TableModel::OrderedCells() const {
    std::vector<std::vector<const TableNode*>> categories;
    size_t count = 0;
    for (const auto& dimension : dimensions) {
        categories.push_back(dimension->Categories());
        count += categories.back().size();
    }
    CategoryPositions position(count);
    for (const auto& each : categories) {
        for (size_t i = 0; i < each.size(); ++i) position.Add(each[i], static_cast<long>(i));
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
            keys[i * width + k] = node ? position.Find(node) : -1;
        }
    }
    std::vector<size_t> sorted(fCells.size());
    for (size_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
    const auto keyOf = [&](size_t i) { return keys.begin() + static_cast<std::ptrdiff_t>(i * width); };
    const auto before = [&](size_t a, size_t b) {
        return std::lexicographical_compare(keyOf(a), keyOf(a + 1), keyOf(b), keyOf(b + 1));
    };
    // Cells are mostly made in the order shown; those need no sort.
    if (!std::is_sorted(sorted.begin(), sorted.end(), before))
        std::stable_sort(sorted.begin(), sorted.end(), before);
    std::vector<const TableCell*> cells;
    cells.reserve(sorted.size());
    for (size_t i : sorted) cells.push_back(fCells[i]);
    return cells;
}

std::string FootnoteMark(int index) {
    std::string mark;
    for (int n = index; n >= 0; n = n / 26 - 1) mark.insert(mark.begin(), char('a' + n % 26));
    return mark;
}

}  // namespace npar
