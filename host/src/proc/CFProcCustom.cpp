// Procedure host library: the plug-in base class and the split record.
#include "CFProcCustom.h"

#include <utility>

CFSplit::CFSplit(std::string document, std::vector<int> variables, std::vector<const OBS*> values,
                 bool splitHeadings)
    : fDocument(std::move(document)),
      fVariables(std::move(variables)),
      fValues(std::move(values)),
      fSplitHeadings(splitHeadings) {}

const std::string& CFSplit::GetResultDocument() const {
    fTaken = true;
    return fDocument;
}

void CFSplit::ReleaseResultDocument() {
    std::string().swap(fDocument);
    fFound.reset();
}

const CFFoundChildren* CFSplit::FoundChildren(std::string_view path, std::string_view name) const {
    return fFound && fFound->path == path && fFound->name == name ? fFound.get() : nullptr;
}

void CFSplit::KeepFoundChildren(CFFoundChildren search) {
    size_t after = 0;
    for (const SDOMXMLRange& range : search.ranges) {
        if (range.begin < after || range.end < range.begin || range.end > fDocument.size()) return;
        after = range.end;
    }
    if (search.found == search.ranges.empty()) return;  // found means some children, and only then
    fFound = std::make_shared<const CFFoundChildren>(std::move(search));
}

CFProcCustom::CFProcCustom(BpProcedure* procedure, ProcedureDataSource* dataSource)
    : fProcedure(procedure), fDataSource(dataSource) {}

CFProcCustom::~CFProcCustom() = default;

bool CFProcCustom::HostCheck(void*, void*) { return true; }

bool CFProcCustom::ProcessSplits(std::vector<std::string>&, std::vector<CFSplit*>& splits, void*) {
    std::string text;
    for (CFSplit* split : splits) {
        if (!ProcessSplit(text, split)) return false;
    }
    return true;
}

bool CFProcCustom::ProcessSplit(std::string&, CFSplit*) { return false; }

void CFProcCustom::Attach(BpProcedure* procedure, ProcedureDataSource* dataSource) {
    fProcedure = procedure;
    fDataSource = dataSource;
}
