// Running documents through the plug-in's split loop with the host's output
// procedure, data source and catalogue, as npar-report does, and looking at
// the output document that results.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CFProcCustom.h"
#include "OutputQuery.h"
#include "QUOR_DataSource.h"

class FacSTDictionary;

namespace nopr_test {

inline std::string ProjectResources() { return std::string(NPAR_SOURCE_DIR) + "/resources"; }

struct SplitSpec {
    std::string document;
    std::vector<int> variables;  // split-variable indices into the data source
    std::vector<OBS> values;     // the split's value of each
    bool splitHeadings = false;
    // A search of the document the split record keeps (KeepFoundChildren).
    std::optional<CFFoundChildren> search = std::nullopt;
};

struct RunOutcome {
    bool ok = false;
    output_query::Json json;  // the output document
    std::vector<std::string> checks;
    std::vector<std::string> textsAfter;  // the document text each split holds after the run
};

// Runs the splits in order with the project's catalogue (resources/catalogue/en.txt).
RunOutcome RunSplits(const std::vector<SplitSpec>& splits, ProcedureDataSource* dataSource);
// One split, not split by any variable.
RunOutcome RunDocument(const std::string& document, ProcedureDataSource* dataSource);

// The chart items that draw makes while an output procedure lives, given the
// string table of the resources folder (the project's unless named).
std::vector<output_query::Json> DrawCharts(const std::function<void(FacSTDictionary& dictionary)>& draw,
                                           const std::string& resources = ProjectResources());

}  // namespace nopr_test
