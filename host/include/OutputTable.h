// A pivot table of the output document: dimensions on the row and column
// edges, each a tree of groups and categories, cells addressed by one
// category per dimension, and footnotes on cells, labels and the table.
// The pivot-table service (BpOutput.h) builds it; the writers read it.
//
// A table holds tens of thousands of cells in a large report, and a report
// holds thousands of tables, most of them small: the nodes and cells of the
// tables of one heading live in blocks of one store (TableStore), so that
// making them takes few allocations, freeing them few frees, and a small
// table wastes little room on blocks of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace npar {

// Objects made one at a time and destroyed together with the store, in
// blocks that double in size from a few objects to a few hundred: a small
// table takes little room, a large one few allocations. Objects never move.
template <typename T>
class BlockStore {
public:
    BlockStore() = default;
    BlockStore(const BlockStore&) = delete;
    BlockStore& operator=(const BlockStore&) = delete;
    ~BlockStore() {
        for (size_t b = 0; b < fBlocks.size(); ++b) {
            const size_t used = b + 1 == fBlocks.size() ? fUsed : fBlocks[b].second;
            for (size_t i = used; i-- > 0;) fBlocks[b].first[i].~T();
            std::allocator<T>().deallocate(fBlocks[b].first, fBlocks[b].second);
        }
    }

    template <typename... Args>
    T* Make(Args&&... args) {
        if (fBlocks.empty() || fUsed == fBlocks.back().second) Grow();
        T* made =
            ::new (static_cast<void*>(fBlocks.back().first + fUsed)) T(std::forward<Args>(args)...);
        ++fUsed;
        return made;
    }

private:
    static constexpr size_t kFirstBlock = 4;
    static constexpr size_t kLargestBlock = 512;
    void Grow() {
        const size_t size =
            fBlocks.empty()
                ? kFirstBlock
                : (fBlocks.back().second < kLargestBlock ? 2 * fBlocks.back().second : kLargestBlock);
        fBlocks.reserve(fBlocks.size() + 1);
        fBlocks.emplace_back(std::allocator<T>().allocate(size), size);
        fUsed = 0;
    }

    std::vector<std::pair<T*, size_t>> fBlocks;  // storage and its size in objects
    size_t fUsed = 0;                            // objects made in the last block
};

// Footnote indices on a label or a cell, in the order added. Most labels and
// cells have none: an empty list is one pointer and no allocation.
class NoteList {
public:
    NoteList() = default;
    NoteList(const NoteList& other)
        : fNotes(other.fNotes ? std::make_unique<std::vector<int>>(*other.fNotes) : nullptr) {}
    NoteList& operator=(const NoteList& other) {
        if (this != &other)
            fNotes = other.fNotes ? std::make_unique<std::vector<int>>(*other.fNotes) : nullptr;
        return *this;
    }
    NoteList(NoteList&&) noexcept = default;
    NoteList& operator=(NoteList&&) noexcept = default;

    void push_back(int note) {
        if (!fNotes) fNotes = std::make_unique<std::vector<int>>();
        fNotes->push_back(note);
    }
    bool empty() const { return !fNotes || fNotes->empty(); }
    size_t size() const { return fNotes ? fNotes->size() : 0; }
    int operator[](size_t i) const { return (*fNotes)[i]; }
    const int* begin() const { return fNotes ? fNotes->data() : nullptr; }
    const int* end() const { return fNotes ? fNotes->data() + fNotes->size() : nullptr; }

private:
    std::unique_ptr<std::vector<int>> fNotes;
};

// A group or a category of a dimension. The dimension's root is a node too.
// Its dimension makes and owns it (TableDimension::Add).
struct TableNode {
    TableNode();
    ~TableNode();
    TableNode(const TableNode&) = delete;
    TableNode& operator=(const TableNode&) = delete;

    std::string label;
    bool isGroup = false;
    NoteList notes;  // footnote indices on the label
    TableNode* parent = nullptr;
    std::vector<TableNode*> children;  // in the order made

    // The child with this label, or null.
    TableNode* Find(std::string_view childLabel, bool group) const;
    // Group labels outer to inner, then this node's label (the root excluded).
    std::vector<std::string> LabelPath() const;
    // The same path as nodes: the outermost group first, this node last.
    void PathNodes(std::vector<const TableNode*>& path) const;

private:
    friend struct TableDimension;
    // The children by label, groups and categories apart, once there are
    // more than a few: a summary of thousands of tests finds each row in
    // constant time. The keys view the children's labels, which never change.
    struct LabelIndex {
        std::unordered_map<std::string_view, TableNode*> byLabel[2];
    };
    std::unique_ptr<LabelIndex> fIndex;
};

struct TableCell;

// Where the nodes and cells of tables live until the last table (or the
// document) that shares the store is gone.
struct TableStore {
    BlockStore<TableNode> nodes;
    BlockStore<TableCell> cells;
};

struct TableDimension {
    // A dimension whose nodes go to store; by default to a store of its own.
    explicit TableDimension(std::shared_ptr<TableStore> store = std::make_shared<TableStore>());
    ~TableDimension();

    std::string title;
    bool column = false;  // on the column edge; else on the row edge
    bool split = false;   // a split-file dimension
    int sort = 0;
    bool positionFlags[2] = {false, false};
    TableNode root;
    TableNode* current = nullptr;  // the category asked for last

    // A new child of parent (a node of this dimension): a group or a category.
    TableNode* Add(TableNode& parent, std::string label, bool group);
    // Categories (leaves) depth-first, each parent's children in the order made.
    std::vector<const TableNode*> Categories() const;

private:
    std::shared_ptr<TableStore> fStore;
};

// The categories of a cell, one per dimension, null where it has none: up to
// three in the cell itself (a split, a row and a column dimension), more on
// the heap.
class CellCategories {
public:
    CellCategories() = default;
    CellCategories(const CellCategories& other) { Assign(other.data(), other.size()); }
    CellCategories& operator=(const CellCategories& other) {
        if (this != &other) Assign(other.data(), other.size());
        return *this;
    }
    ~CellCategories() { Release(); }

    void Assign(const TableNode* const* nodes, size_t count);
    size_t size() const { return fSize; }
    bool empty() const { return fSize == 0; }
    const TableNode* const* data() const { return fSize > kInline ? fHeap : fInline; }
    const TableNode* operator[](size_t i) const { return data()[i]; }
    const TableNode* const* begin() const { return data(); }
    const TableNode* const* end() const { return data() + fSize; }

private:
    static constexpr size_t kInline = 3;
    void Release();
    union {
        const TableNode* fInline[kInline] = {};
        const TableNode** fHeap;  // when there are more than kInline
    };
    std::uint32_t fSize = 0;
};

struct TableCell {
    CellCategories at;
    std::string text;
    std::optional<double> value;  // the number a numeric cell holds
    NoteList notes;
};

struct TableModel {
    // A table whose cells go to store; by default to a store of its own.
    explicit TableModel(std::shared_ptr<TableStore> store = std::make_shared<TableStore>());
    ~TableModel();
    TableModel(const TableModel&) = delete;
    TableModel& operator=(const TableModel&) = delete;

    std::string title;
    std::string identifier;
    std::string caption;
    bool hasCaption = false;
    int minDataColumnWidth = 0;
    int maxDataColumnWidth = 0;
    std::vector<std::unique_ptr<TableDimension>> dimensions;
    std::vector<std::string> footnotes;  // texts, in order of first use; index gives the mark
    std::vector<int> notes;              // footnotes on the table itself

    // A new dimension, last in the table, whose nodes go to the table's store.
    TableDimension& AddDimension();
    // The index of a footnote text, added when new: notes with the same text share it.
    int Footnote(const std::string& text);
    // The cell at these categories (count of them), made empty when new.
    TableCell& CellAt(const TableNode* const* at, size_t count);
    TableCell& CellAt(const std::vector<const TableNode*>& at) { return CellAt(at.data(), at.size()); }
    // Cells in row order (the rows as shown: row dimensions outer first, each by
    // its category order), and within a row in column order.
    std::vector<const TableCell*> OrderedCells() const;
    std::vector<const TableDimension*> Dimensions(bool column) const;
    size_t CellCount() const { return fCells.size(); }

private:
    static size_t Hash(const TableNode* const* at, size_t count);
    void Rehash(size_t slots);

    std::shared_ptr<TableStore> fStore;
    std::vector<TableCell*> fCells;  // in the order made
    // Cells by their categories: open addressing over indices into fCells
    // plus one, 0 marking a free slot; the slot count is a power of two.
    std::vector<std::uint32_t> fSlots;
};

// The mark of footnote index i: "a" to "z", then "aa", "ab", ...
std::string FootnoteMark(int index);

}  // namespace npar
