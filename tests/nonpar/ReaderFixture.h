// Reading result documents through the host the way a split does: the host's
// XML wrapper, data source and output procedure around the plug-in's reader.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "NOPRParseOutXML.h"
#include "NOPRSplitResults.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"

namespace nopr_test {

// A data dictionary of four fields: score (continuous), group (categorical,
// 1 "Control", 2 "Treatment"), region (string, "North", "South") and id (the
// last field, which gets no field record).
extern const char* const kDictionary;

// A complete result document around the given Algorithm elements.
std::string MakeDocument(const std::string& algorithms, const std::string& dictionary = kDictionary,
                         const std::string& fieldInfos = "<FieldInfos/>");

// One Algorithm element with the given tables.
std::string Algorithm(const std::string& name, const std::string& family, const std::string& tables,
                      const std::string& decision = "retain");

// A StructuredTable element.
std::string Table(const std::string& name, const std::string& content);
std::string Attribute(const std::string& name, const std::string& value);
std::string Simple(const std::string& name, const std::string& rowNames, const std::string& columnNames,
                   const std::vector<std::string>& rows);

// The variables of kDictionary in a data source.
std::unique_ptr<ProcedureDataSource> MakeDataSource();

struct ReadOutcome {
    bool ok = false;
    std::unique_ptr<NOPRSplitResults> results = std::make_unique<NOPRSplitResults>();
    std::vector<std::string> errors;  // error items the reader added to the output
    std::vector<std::string> checks;  // consistency checks that failed
};

ReadOutcome Read(const std::string& document, const QUOR_DataSource* dataSource = nullptr);

// The test record of the given class at position index of fTests.
template <class Record>
const Record* TestAt(const ReadOutcome& outcome, size_t index) {
    if (index >= outcome.results->fTests.size()) return nullptr;
    return dynamic_cast<const Record*>(outcome.results->fTests[index].get());
}

}  // namespace nopr_test
