// The data dictionary: what the user says about the variables (labels, value
// labels, formats, measurement levels, missing values), and the variables the
// engine works with, the dictionary's word taken where given and the rest
// inferred from the data.
//
// {"variables": [{"name": "score", "label": "Test score", "type": "numeric",
//                 "width": 8, "format": "F8.1", "valueLabels": {"99": "Absent"},
//                 "measure": "scale", "missing": [99, "NA"]},
//                {"name": "tension", "order": ["low", "medium", "high"]}, ...]}
#pragma once

#include <set>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "engine/CsvReader.h"
#include "engine/DataTable.h"

namespace npar::engine {

enum class Measure { Nominal, Ordinal, Scale };

struct ValueLabel {
    double number = kMissingNumber;  // numeric and date variables (dates as days)
    std::string text;                // string variables
    std::string label;
    bool missing = false;  // the value is one of the variable's missing values
};

struct Variable {
    std::string name;
    std::string label;
    ColumnType type = ColumnType::Numeric;
    Measure measure = Measure::Scale;
    std::string format;  // print format: "F8.2", "A12", "DATE11"
    int width = 8;       // string variables: the longest value
    std::vector<ValueLabel> valueLabels;
    // A text variable's values in the order the tests and charts take them
    // (low, medium, high); empty: the order of their bytes.
    std::vector<std::string> order;

    bool IsCategorical() const { return measure != Measure::Scale; }
};

// One dictionary entry as the user wrote it; absent keys stay empty.
struct DictionaryEntry {
    std::string name;
    std::string label;
    bool hasLabel = false;
    std::string type;  // "numeric", "string" or empty
    int width = 0;
    std::string format;
    std::string measure;  // "nominal", "ordinal", "scale" or empty
    std::vector<std::pair<std::string, std::string>> valueLabels;  // value text, label
    std::set<std::string> missingTexts;
    std::vector<double> missingNumbers;
    std::vector<std::string> order;
};

struct Dictionary {
    std::vector<DictionaryEntry> entries;
    const DictionaryEntry* Find(const std::string& name) const;
};

// Reads a dictionary from its JSON; name labels the messages. Throws
// UsageError naming the place of every fault it finds first.
Dictionary ParseDictionary(const nlohmann::json& json, const std::string& name);

// What the CSV reader must know before it reads: the delimiter and decimal
// mark, the missing-value texts and the columns the dictionary declares as
// strings.
CsvOptions ReaderOptions(const Dictionary& dictionary, char delimiter, char decimal);

// The variables of the table, one per column. Applies the dictionary's
// numeric missing values to the table. Throws UsageError when the dictionary
// names a variable the table lacks or contradicts the data.
std::vector<Variable> MakeVariables(DataTable& table, const Dictionary& dictionary);

// Gives the text variable of `column` the order of its values `listed`
// (each a value or its value label), as the dictionary's "order" or --order
// names them; `place` begins each message. Every value a case takes must be listed once; a listed value
// no case takes makes no category, unless it looks like a slip for one that is taken. A variable whose
// measure the dictionary leaves open becomes ordinal. Throws UsageError.
void SetCategoryOrder(const Column& column, Variable& variable, const std::vector<std::string>& listed,
                      const std::string& place, bool measureGiven);

// The print format's type name ("F", "A", "DATE", ...) when the format is
// one the reports know; empty otherwise.
std::string FormatTypeName(const std::string& format);
bool IsDateFormat(const std::string& format);

}  // namespace npar::engine
