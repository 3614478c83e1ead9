// The exported factory, the split loop and the steps of one split.
#include "NOPRProcCustom.h"

#include <new>

#include "NOPRParseOutXML.h"
#include "NOPRSplitResults.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"

namespace {
constexpr const char* kUnit = "backend/nonpar/NOPRProcCustom";
}

NOPRProcCustom::NOPRProcCustom(BpProcedure* procedure, ProcedureDataSource* dataSource)
    : CFProcCustom(procedure, dataSource) {}

NOPRProcCustom::~NOPRProcCustom() = default;

bool NOPRProcCustom::HostCheck(void*, void*) { return true; }

bool NOPRProcCustom::ProcessSplits(std::vector<std::string>& vPMMLStr,
                                   std::vector<CFSplit*>& splits, void*) {
    NOPR_CHECK(vPMMLStr.size() == 0, kUnit);
    std::string text;  // handed to every split, never filled
    const size_t nSplits = splits.size();
    NOPR_CHECK(nSplits > 0, kUnit);
    bool result = true;
    for (size_t i = 0; i < nSplits && result; ++i) result = ProcessSplit(text, splits[i]);
    return result;
}

bool NOPRProcCustom::ProcessSplit(std::string&, CFSplit* split) {
    if (!NOPR_CHECK(split, kUnit)) return false;
    NOPRSplitResults results;
    results.fDataSource = fDataSource;
    results.fSplit = split;
    NOPRParseOutXML reader(fDataSource, &results, &split->GetResultDocument());
    return reader.Parse();
}

extern "C" CFProcCustom* GetCFProcCustom() {
    return new (std::nothrow) NOPRProcCustom();
}
