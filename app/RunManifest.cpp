// Reading and checking a run manifest. Every fault is collected with the place
// it stands at, so that one pass names all of them.
#include "RunManifest.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "CFProcCustom.h"
#include "engine/NameHints.h"

namespace report {
namespace {

using Json = nlohmann::json;

constexpr int kMaxStringWidth = 32767;

// Collects the faults of one manifest, each prefixed with its name and place.
class Faults {
public:
    explicit Faults(std::string name) : fPrefix("manifest " + name + ": ") {}
    void Add(const std::string& place, const std::string& what) {
        fMessages.push_back(fPrefix + (place.empty() ? "" : place + ": ") + what);
    }
    std::vector<std::string>& Messages() { return fMessages; }

private:
    std::string fPrefix;
    std::vector<std::string> fMessages;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Place(const char* list, size_t index) {
    return std::string(list) + "[" + std::to_string(index) + "]";
}

// Reports every key of object that is not among known (misspelt keys would
// otherwise be ignored silently).
void CheckKeys(const Json& object, std::initializer_list<const char*> known, const std::string& place,
               Faults& faults) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool found = false;
        for (const char* key : known) found = found || it.key() == key;
        if (!found) faults.Add(place, "unknown key " + Quoted(it.key()));
    }
}

// A number written as text, read in full ("1", "2.5", "-3e2").
bool ReadNumberText(const std::string& text, double& number) {
    if (text.empty()) return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    number = std::strtod(begin, &end);
    return end == begin + text.size() && errno != ERANGE;
}

bool ReadString(const Json& object, const char* key, const std::string& place, bool required,
                std::string& value, Faults& faults) {
    const auto found = object.find(key);
    if (found == object.end()) {
        if (required) faults.Add(place, std::string("no ") + Quoted(key));
        return false;
    }
    if (!found->is_string()) {
        faults.Add(place + "." + key, "must be a text");
        return false;
    }
    value = found->get<std::string>();
    return true;
}

// The "type", "width" and "format" of one variable: QUOR type (0 numeric,
// else the string width) and print format.
bool ReadStorage(const Json& entry, const std::string& place, int& type, QUOR_Format& format,
                 Faults& faults) {
    std::string typeName;
    if (!ReadString(entry, "type", place, true, typeName, faults)) return false;
    if (typeName != "numeric" && typeName != "string") {
        faults.Add(place + ".type", "must be \"numeric\" or \"string\", not " + Quoted(typeName));
        return false;
    }
    const bool isString = typeName == "string";
    int width = 0;
    if (entry.contains("width")) {
        const Json& value = entry["width"];
        if (!value.is_number_integer() || value.get<long long>() < 1 ||
            value.get<long long>() > kMaxStringWidth) {
            faults.Add(place + ".width", "must be a whole number from 1 to 32767");
            return false;
        }
        width = static_cast<int>(value.get<long long>());
    }
    std::string formatText;
    bool hasFormat = ReadString(entry, "format", place, false, formatText, faults);
    if (entry.contains("format") && !hasFormat) return false;
    if (hasFormat && !QUOR_Format::Parse(formatText, format)) {
        faults.Add(place + ".format", Quoted(formatText) + " is no format");
        return false;
    }
    if (isString) {
        if (hasFormat && format.GetType() != QUOR_Format::A) {
            faults.Add(place + ".format", Quoted(formatText) + " is no string format");
            return false;
        }
        if (width == 0) width = hasFormat ? format.GetWidth() : 0;
        if (width == 0) {
            faults.Add(place, "a string variable needs a \"width\" or a \"format\"");
            return false;
        }
        if (!hasFormat) format = QUOR_Format(QUOR_Format::A, width, 0);
        type = width;
        return true;
    }
    if (hasFormat && format.GetType() == QUOR_Format::A) {
        faults.Add(place + ".format", Quoted(formatText) + " is a string format");
        return false;
    }
    if (!hasFormat) format = QUOR_Format(QUOR_Format::F, 8, 2);
    type = 0;
    return true;
}

// A value given as text (a value-label key) for the variable, as the
// documents write it.
bool ValueFromText(const std::string& text, const QUOR_Variable& variable, OBS& value) {
    if (variable.GetType() != 0) {
        value = OBS(text);
        return true;
    }
    double number = 0;
    if (!ReadNumberText(text, number)) return false;
    value = OBS(NumericFormatCFToStat(number, variable.GetFormat().GetType()));
    return true;
}

void ReadValueLabels(const Json& entry, const std::string& place, QUOR_Variable& variable,
                     Faults& faults) {
    const auto found = entry.find("valueLabels");
    if (found == entry.end()) return;
    if (!found->is_object()) {
        faults.Add(place + ".valueLabels", "must be an object from value to label");
        return;
    }
    for (auto it = found->begin(); it != found->end(); ++it) {
        const std::string labelPlace = place + ".valueLabels." + it.key();
        OBS value;
        if (!ValueFromText(it.key(), variable, value)) {
            faults.Add(place + ".valueLabels", Quoted(it.key()) + " is not a number");
        } else if (!it->is_string()) {
            faults.Add(labelPlace, "the label must be a text");
        } else {
            variable.ValueLabels().Add(value, it->get<std::string>());
        }
    }
}

void ReadVariable(const Json& entry, const std::string& place, std::set<std::string>& names,
                  RunManifest& manifest, Faults& faults) {
    if (!entry.is_object()) {
        faults.Add(place, "must be an object");
        return;
    }
    CheckKeys(entry, {"name", "label", "type", "width", "format", "valueLabels"}, place, faults);
    std::string name;
    std::string label;
    if (ReadString(entry, "name", place, true, name, faults) && name.empty())
        faults.Add(place + ".name", "must not be empty");
    ReadString(entry, "label", place, false, label, faults);
    int type = 0;
    QUOR_Format format;
    if (!ReadStorage(entry, place, type, format, faults) || name.empty()) return;
    if (!names.insert(name).second) {
        faults.Add(place + ".name", "variable " + Quoted(name) + " is defined twice");
        return;
    }
    QUOR_Variable variable(name, label, type, format);
    ReadValueLabels(entry, place, variable, faults);
    manifest.variables.push_back(std::move(variable));
}

void ReadVariables(const Json& root, RunManifest& manifest, Faults& faults) {
    const auto found = root.find("variables");
    if (found == root.end()) {
        faults.Add("", "no \"variables\"");
        return;
    }
    if (!found->is_array()) {
        faults.Add("variables", "must be a list");
        return;
    }
    std::set<std::string> names;
    for (size_t i = 0; i < found->size(); ++i)
        ReadVariable((*found)[i], Place("variables", i), names, manifest, faults);
}

const QUOR_Variable* FindVariable(const RunManifest& manifest, const std::string& name) {
    for (const QUOR_Variable& variable : manifest.variables)
        if (variable.GetName() == name) return &variable;
    return nullptr;
}

// The split variables; names that fault are left out of the list, so the
// splits are checked against the ones that stand.
void ReadSplitVariables(const Json& root, const std::set<std::string>& faultyVariables,
                        RunManifest& manifest, Faults& faults) {
    const auto found = root.find("splitVariables");
    if (found == root.end()) return;
    if (!found->is_array()) {
        faults.Add("splitVariables", "must be a list of variable names");
        return;
    }
    for (size_t i = 0; i < found->size(); ++i) {
        const Json& entry = (*found)[i];
        const std::string place = Place("splitVariables", i);
        if (!entry.is_string()) {
            faults.Add(place, "must be a variable name");
            continue;
        }
        const std::string name = entry.get<std::string>();
        if (!FindVariable(manifest, name)) {
            if (!faultyVariables.count(name)) faults.Add(place, "no variable named " + Quoted(name));
        } else if (std::find(manifest.splitVariables.begin(), manifest.splitVariables.end(), name) !=
                   manifest.splitVariables.end()) {
            faults.Add(place, Quoted(name) + " is listed twice");
        } else {
            manifest.splitVariables.push_back(name);
        }
    }
}

std::string ResolvePath(const std::string& folder, const std::string& path) {
    if (path.empty() || path[0] == '/' || folder.empty()) return path;
    return folder + "/" + path;
}

bool ReadSplitValue(const Json& values, const QUOR_Variable& variable, const std::string& place,
                    OBS& value, Faults& faults) {
    const auto found = values.find(variable.GetName());
    if (found == values.end()) {
        faults.Add(place, "no value for split variable " + Quoted(variable.GetName()));
        return false;
    }
    if (variable.GetType() != 0) {
        if (!found->is_string()) {
            faults.Add(place + "." + variable.GetName(), "must be a text (string variable)");
            return false;
        }
        value = OBS(found->get<std::string>());
        return true;
    }
    if (!found->is_number()) {
        faults.Add(place + "." + variable.GetName(), "must be a number (numeric variable)");
        return false;
    }
    value = OBS(NumericFormatCFToStat(found->get<double>(), variable.GetFormat().GetType()));
    return true;
}

void ReadSplit(const Json& entry, const std::string& place, const std::string& folder,
               const std::vector<const QUOR_Variable*>& splitVariables, RunManifest& manifest,
               Faults& faults) {
    if (!entry.is_object()) {
        faults.Add(place, "must be an object");
        return;
    }
    CheckKeys(entry, {"document", "values"}, place, faults);
    ManifestSplit split;
    if (ReadString(entry, "document", place, true, split.document, faults) && split.document.empty())
        faults.Add(place + ".document", "must not be empty");
    split.document = ResolvePath(folder, split.document);

    const std::string valuesPlace = place + ".values";
    const auto values = entry.find("values");
    static const Json kNoValues = Json::object();
    const Json* given = &kNoValues;
    if (values != entry.end()) {
        if (!values->is_object()) {
            faults.Add(valuesPlace, "must be an object from split variable to value");
            return;
        }
        given = &*values;
    }
    for (const QUOR_Variable* variable : splitVariables) {
        OBS value;
        ReadSplitValue(*given, *variable, valuesPlace, value, faults);
        split.values.push_back(value);
    }
    for (auto it = given->begin(); it != given->end(); ++it) {
        if (std::find(manifest.splitVariables.begin(), manifest.splitVariables.end(), it.key()) ==
            manifest.splitVariables.end())
            faults.Add(valuesPlace, Quoted(it.key()) + " is not a split variable");
    }
    manifest.splits.push_back(std::move(split));
}

void ReadSplits(const Json& root, const std::string& folder, RunManifest& manifest, Faults& faults) {
    const auto found = root.find("splits");
    if (found == root.end()) {
        faults.Add("", "lists no split (no \"splits\")");
        return;
    }
    if (!found->is_array()) {
        faults.Add("splits", "must be a list");
        return;
    }
    if (found->empty()) faults.Add("splits", "lists no split");
    std::vector<const QUOR_Variable*> splitVariables;
    for (const std::string& name : manifest.splitVariables)
        splitVariables.push_back(FindVariable(manifest, name));
    for (size_t i = 0; i < found->size(); ++i)
        ReadSplit((*found)[i], Place("splits", i), folder, splitVariables, manifest, faults);
}

// Names of variables whose entries fault, so that a later mention of them is
// not reported a second time as an unknown variable.
std::set<std::string> FaultyVariableNames(const Json& root, const RunManifest& manifest) {
    std::set<std::string> names;
    const auto found = root.find("variables");
    if (found == root.end() || !found->is_array()) return names;
    // Looked up by name: a manifest may list tens of thousands of variables.
    std::set<std::string_view> read;
    for (const QUOR_Variable& variable : manifest.variables) read.insert(variable.GetName());
    for (const Json& entry : *found) {
        if (!entry.is_object()) continue;
        const auto name = entry.find("name");
        if (name != entry.end() && name->is_string() && !read.count(name->get_ref<const std::string&>()))
            names.insert(name->get<std::string>());
    }
    return names;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool ParseRunManifest(const std::string& text, const std::string& name, const std::string& folder,
                      RunManifest& manifest, std::vector<std::string>& errors) {
    manifest = RunManifest();
    Faults faults(name);
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::parse_error& error) {
        faults.Add("", "not valid JSON: " + npar::engine::JsonErrorText(error.what()));
        errors = std::move(faults.Messages());
        return false;
    }
    if (!root.is_object()) {
        faults.Add("", "must be a JSON object");
        errors = std::move(faults.Messages());
        return false;
    }
    CheckKeys(root, {"variables", "splitVariables", "splitHeadings", "splits"}, "", faults);
    ReadVariables(root, manifest, faults);
    ReadSplitVariables(root, FaultyVariableNames(root, manifest), manifest, faults);
    const auto headings = root.find("splitHeadings");
    if (headings != root.end()) {
        if (headings->is_boolean())
            manifest.splitHeadings = headings->get<bool>();
        else
            faults.Add("splitHeadings", "must be true or false");
    }
    ReadSplits(root, folder, manifest, faults);
    errors = std::move(faults.Messages());
    return errors.empty();
}

bool ReadRunManifest(const std::string& path, RunManifest& manifest, std::vector<std::string>& errors) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errors = {"cannot open manifest " + path + ": " + std::strerror(errno)};
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseRunManifest(text.str(), path, FolderOf(path), manifest, errors);
}

}  // namespace report
