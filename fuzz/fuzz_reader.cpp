// Feeds arbitrary text as a split's result document to the plug-in's reader
// alone: the frame, every test's tables and the field information into the
// split's records, without tables or charts. Nothing in the input may crash,
// hang, leak or read out of range; a document the reader refuses may say why.
#include <cstddef>
#include <cstdint>
#include <string>

#include "BpOutput.h"
#include "CFProcCustom.h"
#include "FuzzSupport.h"
#include "NOPRParseOutXML.h"
#include "NOPRSplitResults.h"
#include "OutputDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProcedureDataSource& dataSource = fuzz::DataSource();
    npar::OutputDocument output;  // takes the names the reader does not know
    npar::Catalogue catalogue;
    BpProcedure procedure(output, catalogue);
    CFSplit split(std::string(reinterpret_cast<const char*>(data), size), {}, {}, false);
    NOPRSplitResults results;
    results.fDataSource = &dataSource;
    results.fSplit = &split;
    NOPRParseOutXML reader(&dataSource, &results, &split.GetResultDocument());
    reader.Parse();
    CFTakeCheckReports();
    CFTakeReadFailure();
    return 0;
}
