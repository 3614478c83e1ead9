// Parsing the command line of npar-report.
#include "ReportOptions.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "OutputFormats.h"
#include "engine/NameHints.h"

namespace report {
namespace {

// Options that take no value.
constexpr const char* kFlags[] = {"-h", "--help", "--version", "--no-charts", "--list-tests"};

// Options that take a value, with where the value goes.
constexpr std::pair<const char*, std::string ReportOptions::*> kValueOptions[] = {
    {"-o", &ReportOptions::outputPath},           {"--manifest", &ReportOptions::manifest},
    {"--plugin", &ReportOptions::pluginPath},     {"--resources", &ReportOptions::resourcesDir},
    {"--analysis", &ReportOptions::analysisPath}, {"--dictionary", &ReportOptions::dictionaryPath},
    {"--alpha", &ReportOptions::alpha},           {"--confidence", &ReportOptions::confidence},
    {"--missing", &ReportOptions::missing},       {"--delimiter", &ReportOptions::delimiter},
    {"--decimal", &ReportOptions::decimal},       {"--save-documents", &ReportOptions::saveDocuments},
};

// Options that may be given more than once, each value added to a list.
constexpr std::pair<const char*, std::vector<std::string> ReportOptions::*> kListOptions[] = {
    {"--test", &ReportOptions::tests},
    {"--split-by", &ReportOptions::splitBy},
    {"--na", &ReportOptions::missingTexts},
    {"--order", &ReportOptions::categoryOrders},
};

std::string* ValueTarget(const std::string& name, ReportOptions& options) {
    for (const auto& [option, field] : kValueOptions) {
        if (name == option) return &(options.*field);
    }
    return nullptr;
}

std::vector<std::string>* ListTarget(const std::string& name, ReportOptions& options) {
    for (const auto& [option, field] : kListOptions) {
        if (name == option) return &(options.*field);
    }
    return nullptr;
}

// "unknown option NAME", with the option most likely meant.
std::string UnknownOption(const std::string& name) {
    std::vector<std::string> names;
    names.reserve(std::size(kFlags) + 1 + std::size(kValueOptions) + std::size(kListOptions));
    for (const char* flag : kFlags) names.emplace_back(flag);
    names.emplace_back("--format");
    for (const auto& option : kValueOptions) names.push_back(option.first);
    for (const auto& option : kListOptions) names.push_back(option.first);
    return "unknown option " + name + npar::engine::HintAfter(name, names);
}

bool SetFormat(const std::string& value, ReportOptions& options, std::string& error) {
    const OutputFormat* format = FormatNamed(value);
    if (!format) {
        error = "unknown format \"" + value + "\" (use " + FormatNames(", ", " or ") + ")";
        return false;
    }
    if (options.format) {
        error = "option --format given twice";
        return false;
    }
    options.format = format;
    return true;
}

bool SetValue(const std::string& name, const std::string& value, ReportOptions& options,
              std::string& error) {
    if (name == "--format") return SetFormat(value, options, error);
    if (std::vector<std::string>* list = ListTarget(name, options)) {
        if (value.empty()) {
            error = "option " + name + " needs a non-empty value";
            return false;
        }
        list->push_back(value);
        return true;
    }
    std::string* target = ValueTarget(name, options);
    if (value.empty()) {
        error = "option " + name + " needs a non-empty value";
        return false;
    }
    if (!target->empty()) {
        error = "option " + name + " given twice";
        return false;
    }
    *target = value;
    return true;
}

bool TakesValue(const std::string& name) {
    ReportOptions probe;
    return name == "--format" || ValueTarget(name, probe) != nullptr ||
           ListTarget(name, probe) != nullptr;
}

// The engine's options make sense only when tests are run on data.
bool CheckTestOptions(const ReportOptions& options, std::string& error) {
    const std::pair<const char*, bool> engineOnly[] = {
        {"--split-by", !options.splitBy.empty()}, {"--dictionary", !options.dictionaryPath.empty()},
        {"--alpha", !options.alpha.empty()},      {"--confidence", !options.confidence.empty()},
        {"--missing", !options.missing.empty()},  {"--delimiter", !options.delimiter.empty()},
        {"--decimal", !options.decimal.empty()},  {"--save-documents", !options.saveDocuments.empty()},
        {"--na", !options.missingTexts.empty()},  {"--order", !options.categoryOrders.empty()},
    };
    if (!options.RunsTests()) {
        for (const auto& [name, given] : engineOnly) {
            if (given) {
                error = std::string("option ") + name + " needs --test or --analysis";
                return false;
            }
        }
        return true;
    }
    if (!options.tests.empty() && !options.analysisPath.empty()) {
        error = "give the tests with --test or in an --analysis file, not both";
        return false;
    }
    if (!options.manifest.empty()) {
        error = "--manifest reads result documents; it does not go with --test or --analysis";
        return false;
    }
    if (!options.tests.empty() && options.documents.size() != 1) {
        error = options.documents.empty()
                    ? "--test needs the data file (DATA.csv) to run on"
                    : "give one data file with --test, not " + std::to_string(options.documents.size());
        return false;
    }
    if (!options.analysisPath.empty() && !options.documents.empty()) {
        error = "the analysis file names the data file; give no other file with --analysis";
        return false;
    }
    return true;
}

// One option at arguments[i]; advances i past a separate value.
bool ParseOption(const std::vector<std::string>& arguments, size_t& i, ReportOptions& options,
                 std::string& error) {
    std::string name = arguments[i];
    std::string value;
    bool hasValue = false;
    const size_t equals = name.find('=');
    if (name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
        value = name.substr(equals + 1);
        name.resize(equals);
        hasValue = true;
    }
    if (std::find(std::begin(kFlags), std::end(kFlags), name) != std::end(kFlags)) {
        if (hasValue) {
            error = "option " + name + " takes no value";
            return false;
        }
        if (name == "--no-charts")
            options.noCharts = true;
        else if (name == "--list-tests")
            options.listTests = true;
        else if (name == "--version")
            options.version = true;
        else
            options.help = true;
        return true;
    }
    if (!TakesValue(name)) {
        error = UnknownOption(name);
        return false;
    }
    if (!hasValue) {
        if (i + 1 >= arguments.size()) {
            error = "option " + name + " needs a value";
            return false;
        }
        value = arguments[++i];
    }
    return SetValue(name, value, options, error);
}

}  // namespace

bool ParseReportOptions(const std::vector<std::string>& arguments, ReportOptions& options,
                        std::string& error) {
    options = ReportOptions();
    bool onlyDocuments = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyDocuments || argument.empty() || argument[0] != '-' || argument == "-") {
            options.documents.push_back(argument);
        } else if (argument == "--") {
            onlyDocuments = true;
        } else if (!ParseOption(arguments, i, options, error)) {
            return false;
        }
    }
    if (options.help || options.version || options.listTests) return true;
    if (!CheckTestOptions(options, error)) return false;
    if (!options.manifest.empty() && !options.documents.empty()) {
        error = "give either documents or --manifest, not both";
        return false;
    }
    for (const std::string& document : options.documents) {
        // "-" is standard input only as the data file of --test.
        if (document == "-" && !options.tests.empty()) continue;
        if (document.empty() || document == "-") {
            error = "\"" + document + "\" is no document file";
            return false;
        }
    }
    const OutputFormat* format = nullptr;
    return ResolveOutputFormat(options, format, error);
}

bool ResolveOutputFormat(const ReportOptions& options, const OutputFormat*& format, std::string& error) {
    format = options.format;
    if (format) return true;
    // Standard output gets text, whether it is a terminal or not.
    format = &DefaultFormat();
    if (options.outputPath.empty()) return true;
    const std::string& path = options.outputPath;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const std::string extension =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : path.substr(dot);
    format = FormatOfExtension(extension);
    if (!format) {
        error = "cannot tell the format of output file " + path + " (use " +
                FormatExtensions(", ", " or ") + ", or --format)";
        return false;
    }
    return true;
}

std::string UsageText() {
    return "usage: npar-report [options] DOCUMENT.xml...      one split per document, in order\n"
           "       npar-report [options] --manifest RUN.json  variables, split variables and "
           "splits from a manifest\n"
           "       npar-report [options] DATA.csv --test SPEC [--test SPEC ...]   run tests on a "
           "data table\n"
           "       npar-report [options] --analysis RUN.json  the same from an analysis file\n"
           "With no document and no manifest, the bundled example is read.\n"
           "\n"
           "options:\n"
           "  -o FILE            write to FILE (format from " +
           FormatExtensions("/", "/") +
           "), default standard output\n"
           "  --format FMT       " +
           FormatNames(" | ", " | ") +
           " (default text on a terminal, by extension otherwise)\n"
           "  --no-charts        make no dispatcher or field-information charts (as "
           "DEBUG_MODEL_VIEWER=2)\n"
           "  --plugin PATH      the plug-in module to load (default: the one installed beside "
           "the program)\n"
           "  --resources DIR    templates, string table and catalogue (default: NPAR_RESOURCES,\n"
           "                     else resources/ beside the program)\n"
           "  -h, --help         show this help\n"
           "  --version          show the program's version\n"
           "\n"
           "running tests on data (DATA.csv may be -, standard input):\n"
           "  --test SPEC            TEST FIELD... [by GROUP] [KEY=VALUE...] (repeatable)\n"
           "  --analysis RUN.json    data, dictionary, splits, tests and options in one file\n"
           "  --split-by VAR         one split per value combination (repeatable; sorted by "
           "value)\n"
           "  --dictionary DICT.json labels, value labels, formats, measurement levels, missing "
           "values\n"
           "  --alpha A              significance level (default 0.05)\n"
           "  --confidence C         confidence level in percent for intervals (default 95)\n"
           "  --missing MODE         test-by-test (default) | listwise\n"
           "  --na TEXT              a cell that reads TEXT is missing in every column, as R writes\n"
           "                         NA (repeatable)\n"
           "  --order VAR=V1,V2,...  the order of a text variable's values, as tests and charts "
           "take\n"
           "                         them (repeatable; default: the texts' order)\n"
           "  --delimiter D          , (default) ; or tab; with --decimal , the default is ;\n"
           "  --decimal M            the numbers' decimal mark: . (default) or , (options in\n"
           "                         test specifications keep the point)\n"
           "  --save-documents DIR   keep each split's result document and a manifest.json\n"
           "  --list-tests           the test names with their options, one a line\n"
           "\n"
           "Exit status: 0 when every split was read, 1 when a split could not be read,\n"
           "2 for usage errors, invalid manifests, files that cannot be opened or written and\n"
           "a resources folder without its catalogue, string table or templates.\n";
}

}  // namespace report
