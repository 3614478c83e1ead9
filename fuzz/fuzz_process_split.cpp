// Feeds arbitrary text as a split's result document through the host and the
// plug-in's split loop (reader, tables and charts with the project's
// templates), then renders the output document. Nothing in the input may
// crash, hang, leak or read out of range.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "CFProcCustom.h"
#include "FacSTDictionary.h"
#include "NOPRProcCustom.h"
#include "OutputWriters.h"
#include "QUOR_DataSource.h"

namespace {

// Variables whose names the seed documents use, so that the field records
// get variables and value lists as they do in a real run.
ProcedureDataSource& DataSource() {
    static ProcedureDataSource* dataSource = [] {
        auto* made = new ProcedureDataSource();
        const char* numeric[] = {"score", "group", "id", "age", "income", "before", "after",
                                 "week1", "week2", "week3", "treatment", "visit"};
        for (const char* name : numeric) {
            QUOR_Variable variable(name, std::string(name) + " label", 0, QUOR_Format(5, 8, 2));
            variable.ValueLabels().Add(OBS(1.0), "One");
            made->AddVariable(variable);
        }
        made->AddVariable(QUOR_Variable("region", "Region", 8, QUOR_Format(1, 8, 0)));
        made->AddVariable(QUOR_Variable("enrolled", "Enrolled", 0, QUOR_Format(20, 11, 0)));
        return made;
    }();
    return *dataSource;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool resources = [] {
        PathFactory::SetResourceDirectory(NPAR_SOURCE_DIR "/resources");
        return true;
    }();
    (void)resources;
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    {
        BpProcedure procedure(output, catalogue);
        std::unique_ptr<CFProcCustom> plugin(GetCFProcCustom());
        plugin->Attach(&procedure, &DataSource());
        CFSplit split(std::string(reinterpret_cast<const char*>(data), size), {}, {}, false);
        std::vector<CFSplit*> splits{&split};
        std::vector<std::string> pmml;
        output.ok = plugin->ProcessSplits(pmml, splits, nullptr);
    }
    npar::WriteJson(output);
    npar::WriteText(output);
    npar::WriteHtml(output);
    CFTakeCheckReports();
    return 0;
}
