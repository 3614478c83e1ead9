// Reading an analysis file: the data, dictionary, splits, tests and options
// of a run in one JSON object. Paths are relative to the file's folder.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "engine/Analysis.h"
#include "engine/NameHints.h"

namespace npar::engine {
namespace {

using Json = nlohmann::json;

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string Resolve(const std::string& folder, const std::string& path) {
    return path.empty() || path[0] == '/' ? path : folder + path;
}

class FileReader {
public:
    explicit FileReader(std::string path) : fPath(std::move(path)) {}

    [[noreturn]] void Fail(const std::string& place, const std::string& what) const {
        throw UsageError("analysis " + fPath + ": " + (place.empty() ? "" : place + ": ") + what);
    }

    std::string Text(const Json& json, const char* key) const {
        if (!json[key].is_string()) Fail(key, "must be a text");
        return json[key].get<std::string>();
    }

    std::vector<std::string> Texts(const Json& json, const char* key) const {
        const Json& list = json[key];
        if (!list.is_array()) Fail(key, "must be a list of texts");
        std::vector<std::string> texts;
        for (const Json& item : list) {
            if (!item.is_string()) Fail(key, "must be a list of texts");
            texts.push_back(item.get<std::string>());
        }
        return texts;
    }

    double Number(const Json& json, const char* key) const {
        if (!json[key].is_number()) Fail(key, "must be a number");
        return json[key].get<double>();
    }

private:
    std::string fPath;
};

}  // namespace

std::string ReadInputFile(const std::string& path, const std::string& what) {
    struct stat status;
    // A folder opens as a stream that reads nothing, which would pass for an
    // empty file.
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        throw UsageError("cannot open " + what + " " + path + ": it is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UsageError("cannot open " + what + " " + path + ": " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw UsageError("cannot read " + what + " " + path);
    return text.str();
}

AnalysisRequest ReadAnalysisFile(const std::string& path) {
    const FileReader reader(path);
    const std::string text = ReadInputFile(path, "analysis file");
    Json json;
    try {
        json = Json::parse(text);
    } catch (const Json::parse_error& error) {
        reader.Fail("", "not valid JSON: " + JsonErrorText(error.what()));
    }
    if (!json.is_object()) reader.Fail("", "must be a JSON object");
    static const std::vector<std::string> kKeys = {"data",  "dictionary", "splitBy", "tests",
                                                   "alpha", "confidence", "missing", "na",
                                                   "order", "delimiter",  "decimal"};
    for (auto it = json.begin(); it != json.end(); ++it) {
        if (std::find(kKeys.begin(), kKeys.end(), it.key()) == kKeys.end())
            reader.Fail("", "unknown key " + Quoted(it.key()) + HintAfter(it.key(), kKeys));
    }
    const std::string folder = Folder(path);
    AnalysisRequest request;
    if (!json.contains("data")) reader.Fail("", "no \"data\" (the CSV file)");
    request.dataPath = Resolve(folder, reader.Text(json, "data"));
    if (!json.contains("tests")) reader.Fail("", "no \"tests\"");
    request.tests = reader.Texts(json, "tests");
    if (json.contains("dictionary")) {
        const Json& dictionary = json["dictionary"];
        if (dictionary.is_string())
            request.dictionaryPath = Resolve(folder, dictionary.get<std::string>());
        else if (dictionary.is_object())
            request.dictionaryJson = dictionary.dump();
        else
            reader.Fail("dictionary", "must be an object or the path of a dictionary file");
    }
    if (json.contains("splitBy")) request.splitBy = reader.Texts(json, "splitBy");
    if (json.contains("na")) request.missingTexts = reader.Texts(json, "na");
    if (json.contains("order")) request.categoryOrders = reader.Texts(json, "order");
    if (json.contains("alpha")) request.alpha = reader.Number(json, "alpha");
    if (json.contains("confidence")) request.confidencePercent = reader.Number(json, "confidence");
    if (json.contains("missing")) {
        const std::string missing = reader.Text(json, "missing");
        if (missing == "listwise")
            request.missing = MissingMode::Listwise;
        else if (missing != "test-by-test")
            reader.Fail("missing", "must be \"test-by-test\" or \"listwise\"");
    }
    if (json.contains("delimiter")) {
        const std::string delimiter = reader.Text(json, "delimiter");
        if (delimiter == "tab" || delimiter == "\t")
            request.delimiter = '\t';
        else if (delimiter == "," || delimiter == ";")
            request.delimiter = delimiter[0];
        else
            reader.Fail("delimiter", "must be \",\", \";\" or \"tab\"");
    }
    if (json.contains("decimal")) {
        const std::string decimal = reader.Text(json, "decimal");
        if (decimal != "." && decimal != ",") reader.Fail("decimal", "must be \".\" or \",\"");
        request.decimal = decimal[0];
    }
    return request;
}

}  // namespace npar::engine
