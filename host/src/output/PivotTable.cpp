// Pivot tables of the pivot-table service: the table, its dimensions, groups
// and categories, and the cell rule. A category's cell is where it meets the
// categories asked for last in the other dimensions.
#include <cmath>

#include "BpOutput.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"

BpPivotTable* BpHeading::PivotTable(const BpCellText& title, const BpCellText& identifier, bool) {
    auto item =
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Table, fProcedure->Render(title));
    // The tables of one heading share a store: a report's many small tables
    // then share blocks, and each heading's go when it goes. A table at the
    // document's root has a store of its own.
    std::shared_ptr<npar::TableStore> store;
    if (fItem != &fProcedure->fDocument.Root()) {
        if (!fItem->tableStore) fItem->tableStore = std::make_shared<npar::TableStore>();
        store = fItem->tableStore;
    } else {
        store = std::make_shared<npar::TableStore>();
    }
    item->table = std::make_unique<npar::TableModel>(std::move(store));
    item->table->title = item->text;
    item->table->identifier = fProcedure->Render(identifier);
    npar::OutputItem& added = fItem->Append(std::move(item));
    return new BpPivotTable(fProcedure, added.table.get(), TopOf(added));
}

BpFormatSpec BpProcedure::CountOrCoefficent(double value) const {
    return std::isfinite(value) && value == std::floor(value) ? Count() : Coefficient();
}

BpFormatSpec BpProcedure::StdDev(int variableIndex) const {
    const QUOR_Variable* variable = fDataSource ? fDataSource->GetVariable(variableIndex) : nullptr;
    if (!variable) return Coefficient();
    return {BpFormatSpec::Decimals, variable->GetFormat().GetDecimals() + 1};
}

// ---------------------------------------------------------------------------

BpPivotTable::BpPivotTable(BpProcedure* procedure, npar::TableModel* model, const npar::OutputItem* top)
    : fProcedure(procedure), fModel(model), fTop(top) {
    fProcedure->Hold(fTop);
}

BpPivotTable::~BpPivotTable() {
    // The handles go first: nothing may reach the table once it is handed over.
    fCategories.clear();
    fGroups.clear();
    fProcedure->Release(fTop);
}

template <class Handle>
Handle* BpPivotTable::Keep(std::unique_ptr<Handle> handle) {
    Handle* kept = handle.get();
    if constexpr (std::is_same_v<Handle, BpCategory>)
        fCategories.push_back(std::move(handle));
    else
        fGroups.push_back(std::move(handle));
    return kept;
}

void BpPivotTable::MinDataColumnWidth(int width) { fModel->minDataColumnWidth = width; }

void BpPivotTable::MaxDataColumnWidth(int width) { fModel->maxDataColumnWidth = width; }

void BpPivotTable::Caption(const BpCellText& caption) {
    fModel->caption = fProcedure->Render(caption);
    fModel->hasCaption = true;
}

int BpPivotTable::NoteIndex(const BpAnnotation& note) {
    return fModel->Footnote(note.Text() ? fProcedure->Render(*note.Text()) : std::string());
}

void BpPivotTable::Note(const BpAnnotation& note) { fModel->notes.push_back(NoteIndex(note)); }

BpDimension* BpPivotTable::Dimension(const BpCellText& title, int sort) {
    npar::TableDimension* made = &fModel->AddDimension();
    made->title = fProcedure->Render(title);
    made->sort = sort;
    made->split = sort == 0;  // split-file dimensions are the unsorted ones
    return Keep(std::unique_ptr<BpDimension>(new BpDimension(this, made, &made->root)));
}

// ---------------------------------------------------------------------------

BpGroup::BpGroup(BpPivotTable* table, npar::TableDimension* dimension, npar::TableNode* node)
    : fTable(table), fDimension(dimension), fNode(node) {}

BpGroup::~BpGroup() = default;

BpGroup* BpGroup::Group(const BpCellText& label, bool, int) {
    std::string text = fTable->fProcedure->Render(label);
    npar::TableNode* node = fNode->Find(text, true);
    if (!node) node = fDimension->Add(*fNode, std::move(text), true);
    return fTable->Keep(std::unique_ptr<BpGroup>(new BpGroup(fTable, fDimension, node)));
}

BpCategory* BpGroup::Category(const BpCellText& label) {
    std::string text = fTable->fProcedure->Render(label);
    npar::TableNode* node = fNode->Find(text, false);
    if (!node) node = fDimension->Add(*fNode, std::move(text), false);
    fDimension->current = node;
    return fTable->Keep(std::unique_ptr<BpCategory>(new BpCategory(fTable, fDimension, node)));
}

void BpGroup::Note(const BpAnnotation& note) { fNode->notes.push_back(fTable->NoteIndex(note)); }

void BpDimension::Position(int place, int, bool flag1, bool flag2) {
    fDimension->column = place == Column;
    fDimension->positionFlags[0] = flag1;
    fDimension->positionFlags[1] = flag2;
}

// ---------------------------------------------------------------------------

BpCategory::BpCategory(BpPivotTable* table, npar::TableDimension* dimension, npar::TableNode* node)
    : fTable(table), fDimension(dimension), fNode(node) {}

npar::TableCell& BpCategory::CurrentCell() {
    npar::TableModel& model = *fTable->fModel;
    // The categories in place for the usual few dimensions.
    constexpr size_t kInPlace = 8;
    const npar::TableNode* inPlace[kInPlace];
    std::vector<const npar::TableNode*> onHeap;
    const size_t count = model.dimensions.size();
    const npar::TableNode** at = inPlace;
    if (count > kInPlace) {
        onHeap.resize(count);
        at = onHeap.data();
    }
    for (size_t d = 0; d < count; ++d) {
        const npar::TableDimension* dimension = model.dimensions[d].get();
        at[d] = dimension == fDimension ? fNode : dimension->current;
    }
    return model.CellAt(at, count);
}

void BpCategory::Cell(const BpCellText& text) {
    npar::TableCell& cell = CurrentCell();
    cell.text = fTable->fProcedure->Render(text);
    double value = 0;
    if (text.GetValue(value))
        cell.value = value;
    else
        cell.value.reset();
}

void BpCategory::CellNote(const BpAnnotation& note) {
    CurrentCell().notes.push_back(fTable->NoteIndex(note));
}

void BpCategory::Note(const BpAnnotation& note) { fNode->notes.push_back(fTable->NoteIndex(note)); }
