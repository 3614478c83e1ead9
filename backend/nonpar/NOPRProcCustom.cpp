// The exported factory, the split loop and the steps of one split.
#include "NOPRProcCustom.h"

#include <memory>
#include <new>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "NOPRParseOutXML.h"
#include "NOPRSplitResults.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"

namespace {
constexpr const char* kUnit = "backend/nonpar/NOPRProcCustom";

// The heading that names the split, made when every split's output stands
// under a heading of its own: "Variable = Value, Variable = Value".
BpHeading* MakeSplitHeading(BpProcedure* procedure, const NOPRSplitResults& results) {
    if (!results.fDataSource || !procedure) return nullptr;
    const CFSplit* split = results.fSplit;
    if (!split || split->GetSplitVariables().empty() || !split->GetSplitHeadings()) return nullptr;
    const auto& indices = split->GetSplitVariables();
    const auto& values = split->GetSplitValues();
    const OBS missing(kSystemMissing);
    BpComposite label("[%1 = %2:, ^1 = ^2:]1", false);
    label.Sublist();
    for (size_t i = 0; i < indices.size(); ++i) {
        const QUOR_Variable* variable = results.fDataSource->GetVariable(indices[i]);
        label.Add(BpVariable(variable, 2));
        label.Add(BpDataValue(variable, i < values.size() && values[i] ? *values[i] : missing, 2));
    }
    label.EndSublist();
    label.Finish();
    return procedure->Heading(label);
}
}  // namespace

NOPRProcCustom::NOPRProcCustom(BpProcedure* procedure, ProcedureDataSource* dataSource)
    : CFProcCustom(procedure, dataSource) {}

NOPRProcCustom::~NOPRProcCustom() = default;

bool NOPRProcCustom::HostCheck(void*, void*) { return true; }

bool NOPRProcCustom::ProcessSplits(std::vector<std::string>& vPMMLStr, std::vector<CFSplit*>& splits,
                                   void*) {
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
    auto reader = std::make_unique<NOPRParseOutXML>(fDataSource, &results, &split->GetResultDocument());
    const bool ok = reader->Parse();
    // The records hold all the output needs; the document's text goes before
    // the output is made. A failed read keeps it for the host's diagnosis.
    reader.reset();
    if (ok) split->ReleaseResultDocument();
    if (ok && fProcedure) {
        std::unique_ptr<BpHeading> heading(MakeSplitHeading(fProcedure, results));
        NOPROutputContext context;
        context.fProcedure = fProcedure;
        context.fParent = heading ? heading.get() : fProcedure;
        context.fDataSource = fDataSource;
        context.fResults = &results;
        RunOutput(context);
    }
    return ok;
}

extern "C" CFProcCustom* GetCFProcCustom() { return new (std::nothrow) NOPRProcCustom(); }
