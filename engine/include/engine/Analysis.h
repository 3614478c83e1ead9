// The test engine's entry: a data table and the tests to run in, one result
// document per split out, in exactly the form the report reads.
//
//   AnalysisRequest request;  // the data file, tests, options
//   auto analysis = PrepareAnalysis(request);      // reads and checks everything
//   analysis->ManifestText();                      // variables, splits, document names
//   analysis->ComputeDocument(i);                  // split i's result document
//
// Every usage error (unreadable or malformed data or dictionary, unknown
// test, variable or option, a field a test cannot take) is thrown as a
// UsageError by PrepareAnalysis, before anything is computed. A test that
// cannot be computed on a split's data is no error: its document says why.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/TestText.h"

namespace npar::engine {

enum class MissingMode { TestByTest, Listwise };

struct AnalysisRequest {
    std::string dataPath;        // the CSV file
    std::string dataText;        // or its text, when dataPath is empty
    std::string dataName;        // what messages and reports call the data; empty: dataPath
    std::string dictionaryPath;  // a dictionary file, or
    std::string dictionaryJson;  // the dictionary's JSON text (from an analysis file)
    std::vector<std::string> splitBy;
    // Cell texts that are missing values in every column (--na; "NA" as R
    // writes them), beside each variable's own from the dictionary.
    std::vector<std::string> missingTexts;
    // Orders of text variables' values (--order VAR=V1,V2,...), over the
    // dictionary's.
    std::vector<std::string> categoryOrders;
    std::vector<std::string> tests;  // test specifications
    double alpha = 0.05;
    double confidencePercent = 95;
    MissingMode missing = MissingMode::TestByTest;
    // The data file's delimiter; 0: a comma, or a semicolon when the decimal
    // mark is a comma (as spreadsheets write such files).
    char delimiter = 0;
    char decimal = '.';  // the numbers' decimal mark, '.' or ','

    char Delimiter() const { return delimiter ? delimiter : decimal == ',' ? ';' : ','; }
};

// Reads an analysis file ({"data": ..., "dictionary": {...} or a path,
// "splitBy": [...], "tests": [...], "alpha": ..., "confidence": ...,
// "missing": ..., "na": [...], "order": [...], "delimiter": ..., "decimal": ...}) into a request; paths
// are relative to the file. Throws UsageError.
AnalysisRequest ReadAnalysisFile(const std::string& path);

// The whole text of an input file; `what` names it in the UsageError thrown
// for a file that cannot be opened or read, or a folder given for it.
std::string ReadInputFile(const std::string& path, const std::string& what);

class PreparedAnalysis {
public:
    virtual ~PreparedAnalysis() = default;
    // The run manifest: variables (name, label, type, width, format, value
    // labels), split variables, split headings, and per split its document
    // name ("split-1.xml", ...) and split values.
    virtual std::string ManifestText() const = 0;
    virtual size_t SplitCount() const = 0;
    // The data file as it was read (its path; "the data" for a table given
    // as text) and its cases (rows), before any is left out.
    virtual std::string DataName() const = 0;
    virtual size_t CaseCount() const = 0;
    virtual std::string DocumentName(size_t split) const = 0;
    // The result document of one split.
    virtual std::string ComputeDocument(size_t split) const = 0;
    // Things the user should know that stop nothing (cases left out for a
    // missing split value, ...).
    virtual const std::vector<std::string>& Notes() const = 0;
};

std::unique_ptr<PreparedAnalysis> PrepareAnalysis(const AnalysisRequest& request);

// The tests with their fields and options, one a line (--list-tests).
std::string TestList();

}  // namespace npar::engine
