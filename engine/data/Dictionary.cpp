// Reading the data dictionary and making the variables of a table.
#include "data/Dictionary.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <string_view>

#include <nlohmann/json.hpp>

#include "engine/NameHints.h"
#include "engine/TestText.h"

namespace npar::engine {
namespace {

using Json = nlohmann::json;

struct FormatName {
    const char* name;
    bool hasDecimals;
    bool isDate;  // a date counted in days
};

const FormatName kFormatNames[] = {
    {"A", false, false},     {"COMMA", true, false}, {"DOLLAR", true, false}, {"F", true, false},
    {"E", true, false},      {"DATE", false, true},  {"TIME", true, false},   {"DATETIME", true, false},
    {"ADATE", false, true},  {"JDATE", false, true}, {"DTIME", true, false},  {"WKDAY", false, true},
    {"MONTH", false, false}, {"MOYR", false, true},  {"QYR", false, true},    {"WKYR", false, true},
    {"PCT", true, false},    {"DOT", true, false},   {"EDATE", false, true},  {"SDATE", false, true},
};

const FormatName* FindFormat(const std::string& format) {
    size_t pos = 0;
    std::string name;
    while (pos < format.size() && std::isalpha(static_cast<unsigned char>(format[pos])))
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(format[pos++])));
    const FormatName* found = nullptr;
    for (const FormatName& entry : kFormatNames) {
        if (name == entry.name) found = &entry;
    }
    if (!found) return nullptr;
    unsigned width = 0, decimals = 0;
    const char* end = format.data() + format.size();
    auto result = std::from_chars(format.data() + pos, end, width);
    if (result.ec != std::errc() || width == 0 || width > 0xFFFF) return nullptr;
    if (result.ptr != end) {
        if (*result.ptr != '.') return nullptr;
        result = std::from_chars(result.ptr + 1, end, decimals);
        if (result.ec != std::errc() || result.ptr != end || decimals > 0xFF) return nullptr;
        if (decimals && !found->hasDecimals) return nullptr;
    }
    return found;
}

class Reader {
public:
    explicit Reader(std::string name) : fName(std::move(name)) {}

    [[noreturn]] void Fail(const std::string& place, const std::string& what) const {
        throw UsageError("dictionary " + fName + ": " + place + ": " + what);
    }

    std::string Text(const Json& entry, const char* key, const std::string& place) const {
        const Json& value = entry[key];
        if (!value.is_string()) Fail(place + "." + key, "must be a text");
        return value.get<std::string>();
    }

    DictionaryEntry Entry(const Json& json, const std::string& place) const {
        if (!json.is_object()) Fail(place, "must be an object");
        static const std::vector<std::string> kKeys = {
            "name", "label", "type", "width", "format", "valueLabels", "measure", "missing", "order"};
        for (auto it = json.begin(); it != json.end(); ++it) {
            if (std::find(kKeys.begin(), kKeys.end(), it.key()) == kKeys.end())
                Fail(place, "unknown key " + Quoted(it.key()) + HintAfter(it.key(), kKeys));
        }
        DictionaryEntry entry;
        if (!json.contains("name")) Fail(place, "no \"name\"");
        entry.name = Text(json, "name", place);
        if (entry.name.empty()) Fail(place + ".name", "must not be empty");
        if (json.contains("label")) entry.label = Text(json, "label", place), entry.hasLabel = true;
        if (json.contains("type")) {
            entry.type = Text(json, "type", place);
            if (entry.type != "numeric" && entry.type != "string")
                Fail(place + ".type", "must be \"numeric\" or \"string\", not " + Quoted(entry.type));
        }
        if (json.contains("width")) {
            const Json& width = json["width"];
            if (!width.is_number_integer() || width.get<long long>() < 1 ||
                width.get<long long>() > 32767)
                Fail(place + ".width", "must be a whole number from 1 to 32767");
            entry.width = static_cast<int>(width.get<long long>());
        }
        if (json.contains("format")) {
            entry.format = Text(json, "format", place);
            if (!FindFormat(entry.format))
                Fail(place + ".format", Quoted(entry.format) + " is no format");
        }
        if (json.contains("measure")) {
            entry.measure = Text(json, "measure", place);
            if (entry.measure != "nominal" && entry.measure != "ordinal" && entry.measure != "scale")
                Fail(place + ".measure",
                     "must be \"nominal\", \"ordinal\" or \"scale\", not " + Quoted(entry.measure));
        }
        if (json.contains("valueLabels")) ValueLabels(json["valueLabels"], place, entry);
        if (json.contains("missing")) Missing(json["missing"], place, entry);
        if (json.contains("order")) Order(json["order"], place, entry);
        return entry;
    }

private:
    void ValueLabels(const Json& json, const std::string& place, DictionaryEntry& entry) const {
        if (!json.is_object()) Fail(place + ".valueLabels", "must be an object from value to label");
        for (auto it = json.begin(); it != json.end(); ++it) {
            if (!it->is_string()) Fail(place + ".valueLabels." + it.key(), "the label must be a text");
            entry.valueLabels.emplace_back(it.key(), it->get<std::string>());
        }
    }

    void Order(const Json& json, const std::string& place, DictionaryEntry& entry) const {
        if (!json.is_array() || json.empty())
            Fail(place + ".order", "must be a list of the variable's values, in their order");
        for (const Json& value : json) {
            if (!value.is_string())
                Fail(place + ".order", "holds " + value.dump() + ", which is no text");
            entry.order.push_back(value.get<std::string>());
        }
    }

    void Missing(const Json& json, const std::string& place, DictionaryEntry& entry) const {
        if (!json.is_array()) Fail(place + ".missing", "must be a list of values");
        for (const Json& value : json) {
            if (value.is_number()) {
                const double number = value.get<double>();
                entry.missingNumbers.push_back(number);
                // A whole number as its digits ("100000", where the shortest
                // form is "1e+05"), as a text column writes it.
                char buffer[32];
                const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
                entry.missingTexts.insert(value.is_number_integer() ? value.dump()
                                                                    : std::string(buffer, result.ptr));
            } else if (value.is_string()) {
                entry.missingTexts.insert(value.get<std::string>());
            } else {
                Fail(place + ".missing", "holds " + value.dump() + ", which is no number or text");
            }
        }
    }

    std::string fName;
};

// The format a numeric column's values need: F, wide enough for the largest
// value, with the decimals the cells were written with.
std::string InferredNumericFormat(const Column& column) {
    double largest = 0;
    for (double v : column.numbers) {
        if (!std::isnan(v)) largest = std::max(largest, std::fabs(v));
    }
    const int decimals = column.allWhole ? 0 : std::max(column.decimals, 1);
    const int digits = largest >= 1 ? static_cast<int>(std::floor(std::log10(largest))) + 1 : 1;
    const int width = std::clamp(digits + decimals + 2, 8, 40);
    return "F" + std::to_string(width) + "." + std::to_string(decimals);
}

// A column of dates with times of day: DATETIME20 ("01-JUL-2023
// 08:30:00"), with room for the seconds' decimals.
std::string DateTimeFormat(const Column& column) {
    if (column.decimals == 0) return "DATETIME20";
    return "DATETIME" + std::to_string(21 + column.decimals) + "." + std::to_string(column.decimals);
}

int LongestText(const Column& column) {
    size_t longest = 1;
    for (size_t code = 0; code < column.strings.Size(); ++code)
        longest = std::max(longest, column.strings.Text(static_cast<int32_t>(code)).size());
    return static_cast<int>(std::min<size_t>(longest, 32767));
}

// The first cell of a string column that is no number (in the file's decimal
// mark), for the message that says why the column is not numeric.
std::string FirstNonNumber(const Column& column, char decimal, size_t& row) {
    for (row = 0; row < column.codes.size(); ++row) {
        if (column.codes[row] == kMissingCode) continue;
        double value;
        const std::string& text = column.strings.Text(column.codes[row]);
        if (!ParseCsvNumber(text, value, decimal) && !ParseIsoDate(text, value)) return text;
    }
    row = 0;
    return "";
}

// A value label's key: a number with a decimal point, or with the data
// file's decimal mark (a file read with decimal commas may have its labels
// keyed "1,5"); a date on a date column.
ValueLabel MakeValueLabel(const Column& column, const std::string& place, const std::string& key,
                          const std::string& label, char decimal) {
    ValueLabel value;
    value.label = label;
    if (column.type == ColumnType::String) {
        value.text = key;
        return value;
    }
    if (column.type == ColumnType::Date && ParseIsoDate(key, value.number)) return value;
    int decimals = 0;
    if (column.dateTime && ParseIsoDateTime(key, value.number, decimals)) return value;
    if (!ParseCsvNumber(key, value.number) && !ParseCsvNumber(key, value.number, decimal))
        throw UsageError("dictionary: " + place + ": the value label key " + Quoted(key) + " is not a " +
                         (column.type == ColumnType::Date ? "date" : "number"));
    return value;
}

Variable VariableOf(const Column& column, const DictionaryEntry* entry, char decimal) {
    Variable variable;
    variable.name = column.name;
    variable.type = column.type;
    variable.label = entry && entry->hasLabel && !entry->label.empty() ? entry->label : column.name;
    const std::string place = "variable " + Quoted(column.name);

    if (entry && entry->type == "numeric" && column.type == ColumnType::String) {
        size_t row;
        const std::string text = FirstNonNumber(column, decimal, row);
        throw UsageError("dictionary: " + place + " is numeric, but its value " + Quoted(text) +
                         " in data row " + std::to_string(row + 1) + " is not a number" +
                         NonNumberHint(text, column.name, decimal));
    }
    if (entry) {
        for (const auto& [key, label] : entry->valueLabels) {
            ValueLabel made = MakeValueLabel(column, place, key, label, decimal);
            made.missing = column.type == ColumnType::String
                               ? entry->missingTexts.count(made.text) > 0
                               : std::find(entry->missingNumbers.begin(), entry->missingNumbers.end(),
                                           made.number) != entry->missingNumbers.end();
            variable.valueLabels.push_back(std::move(made));
        }
    }

    switch (column.type) {
        case ColumnType::String:
            variable.width = entry && entry->width ? entry->width : LongestText(column);
            variable.format = "A" + std::to_string(variable.width);
            variable.measure = Measure::Nominal;
            break;
        case ColumnType::Date:
            variable.format = "DATE11";
            variable.measure = Measure::Scale;
            break;
        case ColumnType::Numeric:
            variable.format = column.dateTime ? DateTimeFormat(column) : InferredNumericFormat(column);
            variable.measure = variable.valueLabels.empty() ? Measure::Scale : Measure::Nominal;
            break;
    }
    if (entry && !entry->format.empty()) {
        const FormatName* format = FindFormat(entry->format);
        const bool isString = std::string(format->name) == "A";
        if (isString != (column.type == ColumnType::String))
            throw UsageError("dictionary: " + place + ": format " + Quoted(entry->format) + " is " +
                             (isString ? "a string format, but the values are not strings"
                                       : "no string format, but the values are strings"));
        if (!isString && format->isDate != (column.type == ColumnType::Date))
            throw UsageError("dictionary: " + place + ": format " + Quoted(entry->format) +
                             (!format->isDate ? " is no date format, but the values are dates"
                              : column.dateTime
                                  ? " is a format of dates alone, but the values are dates with times "
                                    "of day: give DATETIME20"
                                  : " is a date format, but the values are no ISO dates (2023-07-01)"));
        variable.format = entry->format;
        if (isString) variable.width = std::max(variable.width, LongestText(column));
    }
    if (entry && !entry->measure.empty()) {
        if (entry->measure == "scale" && column.type == ColumnType::String)
            throw UsageError("dictionary: " + place +
                             ": a variable of texts cannot be measured on a scale");
        variable.measure = entry->measure == "nominal"   ? Measure::Nominal
                           : entry->measure == "ordinal" ? Measure::Ordinal
                                                         : Measure::Scale;
    }
    if (entry && !entry->order.empty())
        SetCategoryOrder(column, variable, entry->order, "dictionary: " + place + ": \"order\"",
                         !entry->measure.empty());
    return variable;
}

void ApplyMissingNumbers(Column& column, const DictionaryEntry& entry) {
    if (column.type == ColumnType::String || entry.missingNumbers.empty()) return;
    for (double& value : column.numbers) {
        if (std::find(entry.missingNumbers.begin(), entry.missingNumbers.end(), value) !=
            entry.missingNumbers.end())
            value = kMissingNumber;
    }
}

}  // namespace

const DictionaryEntry* Dictionary::Find(const std::string& name) const {
    for (const DictionaryEntry& entry : entries) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

Dictionary ParseDictionary(const Json& json, const std::string& name) {
    Reader reader(name);
    if (!json.is_object() || !json.contains("variables"))
        reader.Fail("top", "must be an object with a \"variables\" list");
    const Json& variables = json["variables"];
    if (!variables.is_array()) reader.Fail("variables", "must be a list");
    for (auto it = json.begin(); it != json.end(); ++it) {
        if (it.key() != "variables") reader.Fail("top", "unknown key " + Quoted(it.key()));
    }
    Dictionary dictionary;
    for (size_t i = 0; i < variables.size(); ++i) {
        const std::string place = "variables[" + std::to_string(i) + "]";
        DictionaryEntry entry = reader.Entry(variables[i], place);
        if (dictionary.Find(entry.name))
            reader.Fail(place + ".name", Quoted(entry.name) + " is described twice");
        dictionary.entries.push_back(std::move(entry));
    }
    return dictionary;
}

CsvOptions ReaderOptions(const Dictionary& dictionary, char delimiter, char decimal) {
    CsvOptions options;
    options.delimiter = delimiter;
    options.decimal = decimal;
    for (const DictionaryEntry& entry : dictionary.entries) {
        if (!entry.missingTexts.empty()) options.missingTexts[entry.name] = entry.missingTexts;
        if (entry.type == "string" || (!entry.format.empty() && FindFormat(entry.format) &&
                                       std::string(FindFormat(entry.format)->name) == "A"))
            options.stringColumns.insert(entry.name);
    }
    return options;
}

std::vector<Variable> MakeVariables(DataTable& table, const Dictionary& dictionary) {
    for (const DictionaryEntry& entry : dictionary.entries) {
        if (table.Find(entry.name) < 0 ||
            table.At(static_cast<size_t>(table.Find(entry.name))).name != entry.name)
            throw UsageError("dictionary: it describes variable " + Quoted(entry.name) +
                             ", which the data file has no column for" +
                             DelimiterHint(table.ColumnNames()));
    }
    std::vector<Variable> variables;
    for (Column& column : table.Columns()) {
        const DictionaryEntry* entry = dictionary.Find(column.name);
        if (entry) ApplyMissingNumbers(column, *entry);
        variables.push_back(VariableOf(column, entry, table.DecimalMark()));
    }
    return variables;
}

void SetCategoryOrder(const Column& column, Variable& variable, const std::vector<std::string>& listed,
                      const std::string& place, bool measureGiven) {
    if (column.type != ColumnType::String)
        throw UsageError(place + ": " + Quoted(column.name) + " holds " +
                         (column.type == ColumnType::Date ? "dates" : "numbers") +
                         ", which the tests take in ascending order; an order is given for a "
                         "variable of texts");
    // A value may be named by its label, as in success= or groups=.
    std::vector<std::string> values = listed;
    for (std::string& value : values) {
        if (column.strings.Find(value) >= 0) continue;
        for (const ValueLabel& label : variable.valueLabels)
            if (label.label == value) value = label.text;
    }
    std::vector<bool> taken(column.strings.Size(), false);
    for (int32_t code : column.codes)
        if (code != kMissingCode) taken[static_cast<size_t>(code)] = true;
    std::set<std::string_view> seen;
    std::vector<bool> listedCode(taken.size(), false);
    for (const std::string& value : values) {
        if (!seen.insert(value).second)
            throw UsageError(place + ": " + Quoted(value) + " is listed twice");
        const int32_t code = column.strings.Find(value);
        if (code >= 0) listedCode[static_cast<size_t>(code)] = true;
    }
    std::vector<std::string> unlisted;
    for (size_t code = 0; code < taken.size(); ++code)
        if (taken[code] && !listedCode[code])
            unlisted.push_back(column.strings.Text(static_cast<int32_t>(code)));
    if (!unlisted.empty()) {
        // A listed value no case takes is an empty step of a scale, unless
        // it is a slip for a value left out.
        for (const std::string& value : values) {
            const int32_t code = column.strings.Find(value);
            if (code >= 0 && taken[static_cast<size_t>(code)]) continue;
            const std::string meant = LikelyMeant(value, unlisted);
            if (!meant.empty())
                throw UsageError(place + ": no case of " + Quoted(column.name) + " takes " +
                                 Quoted(value) + " (did you mean " + Quoted(meant) + "?)");
        }
        std::sort(unlisted.begin(), unlisted.end());
        const std::string named = QuotedList(unlisted, 5);
        std::string hint;
        for (const std::string& value : unlisted)
            if (hint.empty()) hint = MissingCodeHint(value, column.name);
        throw UsageError(place + ": " + Quoted(column.name) + " also takes " + named +
                         ", which the order leaves out; list every value in the order the tests "
                         "are to take them" +
                         hint);
    }
    variable.order = values;
    if (!measureGiven) variable.measure = Measure::Ordinal;
}

std::string FormatTypeName(const std::string& format) {
    const FormatName* found = FindFormat(format);
    return found ? found->name : "";
}

bool IsDateFormat(const std::string& format) {
    const FormatName* found = FindFormat(format);
    return found && found->isDate;
}

}  // namespace npar::engine
