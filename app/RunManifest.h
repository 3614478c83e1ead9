// The run manifest of npar-report: the variables of the data source, the split
// variables and one entry per split with its result document and split values.
//
// {
//   "variables": [{"name": "region", "label": "Region", "type": "string", "width": 8,
//                  "format": "A8", "valueLabels": {"N": "North"}}, ...],
//   "splitVariables": ["region"],
//   "splitHeadings": true,
//   "splits": [{"document": "north.xml", "values": {"region": "N"}}, ...]
// }
//
// Numbers (value-label keys written as text, split values) are on the result
// documents' scale, as the documents write values: a date variable's values
// are days since 1970-01-01. They are moved to the data source's scale here.
#pragma once

#include <string>
#include <vector>

#include "QUOR_DataSource.h"

namespace report {

struct ManifestSplit {
    std::string document;     // the path, resolved against the manifest's folder
    std::vector<OBS> values;  // one per split variable, in the order of splitVariables
};

struct RunManifest {
    std::vector<QUOR_Variable> variables;
    std::vector<std::string> splitVariables;
    bool splitHeadings = false;
    std::vector<ManifestSplit> splits;
};

// Reads the manifest file at path. Gives false with one message per fault
// ("manifest PATH: splits[1].values: no value for split variable \"region\"").
bool ReadRunManifest(const std::string& path, RunManifest& manifest, std::vector<std::string>& errors);

// Reads manifest text; name labels the messages, folder resolves the documents.
bool ParseRunManifest(const std::string& text, const std::string& name, const std::string& folder,
                      RunManifest& manifest, std::vector<std::string>& errors);

}  // namespace report
