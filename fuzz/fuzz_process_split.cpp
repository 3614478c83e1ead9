// Feeds arbitrary text as a split's result document through the host and the
// plug-in's split loop (reader, tables and charts with the project's
// templates), then renders the output document in every format, or, for
// inputs of odd length, lists it as the text report does. Nothing in the
// input may crash, hang, leak or read out of range.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "CFProcCustom.h"
#include "FuzzSupport.h"
#include "NOPRProcCustom.h"
#include "OutputWriters.h"
#include "QUOR_DataSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProcedureDataSource& dataSource = fuzz::DataSource();
    npar::OutputDocument output;
    // Inputs of odd length run as the text report runs: each chart keeps
    // what its listing needs (value labels, column titles, box plots) rather
    // than its document, and only the text writer writes them.
    const bool listed = size % 2 == 1;
    output.keepChartDocuments = !listed;
    npar::Catalogue catalogue;
    {
        BpProcedure procedure(output, catalogue);
        std::unique_ptr<CFProcCustom> plugin(GetCFProcCustom());
        plugin->Attach(&procedure, &dataSource);
        CFSplit split(std::string(reinterpret_cast<const char*>(data), size), {}, {}, false);
        std::vector<CFSplit*> splits{&split};
        std::vector<std::string> pmml;
        output.ok = plugin->ProcessSplits(pmml, splits, nullptr);
    }
    npar::WriteText(output);
    if (!listed) {
        npar::WriteJson(output);
        npar::WriteHtml(output);
    }
    CFTakeCheckReports();
    CFTakeReadFailure();
    return 0;
}
