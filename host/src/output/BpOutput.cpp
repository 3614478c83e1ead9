// Pivot-table output service: the procedure, headings and error items.
#include "BpOutput.h"

#include <algorithm>
#include <iostream>

#include "OutputDocument.h"

namespace {
// The procedure whose output BpError reports into; set while one lives.
BpProcedure* gLiveProcedure = nullptr;
}  // namespace

BpHeading::BpHeading(BpProcedure* procedure, npar::OutputItem* item, const npar::OutputItem* top)
    : fProcedure(procedure), fItem(item), fTop(top) {
    if (fProcedure) fProcedure->Open(this);
}

BpHeading::~BpHeading() {
    if (fProcedure && fProcedure != this) fProcedure->Close(this);
}

const npar::OutputItem* BpHeading::TopOf(const npar::OutputItem& added) const {
    return fTop ? fTop : &added;
}

BpHeading* BpHeading::Heading(const BpCellText& label) {
    auto item =
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading, fProcedure->Render(label));
    npar::OutputItem& added = fItem->Append(std::move(item));
    return new BpHeading(fProcedure, &added, TopOf(added));
}

void BpHeading::Text(const BpCellText& text, const std::string& role) {
    auto item =
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Text, fProcedure->Render(text));
    item->role = role;
    fItem->Append(std::move(item));
    fProcedure->HandOverFinished();
}

BpProcedure::BpProcedure(npar::OutputDocument& document, const npar::Catalogue& catalogue)
    : BpHeading(nullptr, &document.Root(), nullptr), fDocument(document) {
    BindRoot(this);
    fContext.catalogue = &catalogue;
    gLiveProcedure = this;
}

BpProcedure::~BpProcedure() {
    if (gLiveProcedure == this) gLiveProcedure = nullptr;
}

bool BpProcedure::KeepsChartDocuments() const { return fDocument.keepChartDocuments; }

npar::OutputItem& BpProcedure::CurrentItem() {
    return fOpen.empty() ? fDocument.Root() : fOpen.back()->Item();
}

void BpProcedure::AddAtCurrent(std::unique_ptr<npar::OutputItem> item) {
    CurrentItem().Append(std::move(item));
    HandOverFinished();
}

void BpProcedure::Open(BpHeading* heading) {
    fOpen.push_back(heading);
    Hold(heading->fTop);
}

void BpProcedure::Close(BpHeading* heading) {
    auto found = std::find(fOpen.rbegin(), fOpen.rend(), heading);
    if (found != fOpen.rend()) fOpen.erase(std::next(found).base());
    Release(heading->fTop);
}

void BpProcedure::Hold(const npar::OutputItem* top) {
    if (top) fHeld.push_back(top);
}

void BpProcedure::Release(const npar::OutputItem* top) {
    if (!top) return;
    auto found = std::find(fHeld.rbegin(), fHeld.rend(), top);
    if (found != fHeld.rend()) fHeld.erase(std::next(found).base());
    HandOverFinished();
}

void BpProcedure::HandOverFinished() {
    if (!fDocument.Streams()) return;
    fDocument.HandOverFinished([this](const npar::OutputItem& item) {
        return std::find(fHeld.begin(), fHeld.end(), &item) != fHeld.end();
    });
}

BpProcedure* BpLiveProcedure() { return gLiveProcedure; }

void BpError(const BpCellText& text, int, int) {
    if (!gLiveProcedure) {
        BpTextContext context;
        std::cerr << "error: " << text.Render(context) << '\n';
        return;
    }
    gLiveProcedure->AddAtCurrent(
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Error, gLiveProcedure->Render(text)));
}
