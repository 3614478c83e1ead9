// The command line of npar-report: options and input files, or a usage error.
#pragma once

#include <string>
#include <vector>

namespace report {

struct OutputFormat;

struct ReportOptions {
    std::vector<std::string> documents;    // one split per document, in order
    std::string manifest;                  // a run manifest instead of documents
    std::string outputPath;                // empty: standard output
    const OutputFormat* format = nullptr;  // as given by --format (OutputFormats.h); null: not given
    bool noCharts = false;
    std::string pluginPath;    // empty: the module installed beside the program
    std::string resourcesDir;  // empty: NPAR_RESOURCES, else beside the program
    bool help = false;
    bool version = false;

    // Running tests on a data table: the positional file is the data, the
    // tests come from --test or an --analysis file.
    std::vector<std::string> tests;
    std::string analysisPath;
    std::vector<std::string> splitBy;
    std::vector<std::string> missingTexts;    // --na
    std::vector<std::string> categoryOrders;  // --order VAR=V1,V2,...
    std::string dictionaryPath;
    std::string alpha, confidence;  // as written; read by the engine's request
    std::string missing;            // "test-by-test" or "listwise"
    std::string delimiter;          // ",", ";" or "tab"
    std::string decimal;            // "." or ","
    std::string saveDocuments;      // a folder for the result documents and their manifest
    bool listTests = false;

    bool RunsTests() const { return !tests.empty() || !analysisPath.empty(); }
};

// Reads the arguments (without the program name). Gives false and a message
// naming the fault for a usage error.
bool ParseReportOptions(const std::vector<std::string>& arguments, ReportOptions& options,
                        std::string& error);

// The format to write: --format when given, else the extension of -o (.html,
// .json, .txt), else text. Gives false and a message for an output file whose
// extension names no format.
bool ResolveOutputFormat(const ReportOptions& options, const OutputFormat*& format, std::string& error);

// The --help text.
std::string UsageText();

}  // namespace report
