// Pivot-table output service: the procedure, headings and error items.
#include "BpOutput.h"

#include <algorithm>
#include <iostream>

#include "OutputDocument.h"

namespace {
// The procedure whose output BpError reports into; set while one lives.
BpProcedure* gLiveProcedure = nullptr;
}  // namespace

BpHeading::BpHeading(BpProcedure* procedure, npar::OutputItem* item)
    : fProcedure(procedure), fItem(item) {
    if (fProcedure) fProcedure->Open(this);
}

BpHeading::~BpHeading() {
    if (fProcedure && fProcedure != this) fProcedure->Close(this);
}

BpHeading* BpHeading::Heading(const BpCellText& label) {
    auto item =
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading, fProcedure->Render(label));
    npar::OutputItem& added = fItem->Append(std::move(item));
    return new BpHeading(fProcedure, &added);
}

void BpHeading::Text(const BpCellText& text, const std::string& role) {
    auto item =
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Text, fProcedure->Render(text));
    item->role = role;
    fItem->Append(std::move(item));
}

BpProcedure::BpProcedure(npar::OutputDocument& document, const npar::Catalogue& catalogue)
    : BpHeading(nullptr, &document.Root()), fDocument(document) {
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

void BpProcedure::Open(BpHeading* heading) { fOpen.push_back(heading); }

void BpProcedure::Close(BpHeading* heading) {
    auto found = std::find(fOpen.rbegin(), fOpen.rend(), heading);
    if (found != fOpen.rend()) fOpen.erase(std::next(found).base());
}

BpProcedure* BpLiveProcedure() { return gLiveProcedure; }

void BpError(const BpCellText& text, int, int) {
    if (!gLiveProcedure) {
        BpTextContext context;
        std::cerr << "error: " << text.Render(context) << '\n';
        return;
    }
    gLiveProcedure->CurrentItem().Append(
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Error, gLiveProcedure->Render(text)));
}
