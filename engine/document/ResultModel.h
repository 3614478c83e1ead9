// What the engine writes into a result document: each test as an Algorithm
// (its condition, statistics, tables and messages), the data dictionary's
// fields and the fields' distributions. The document writer turns this into
// the XML the report reads.
#pragma once

#include <string>
#include <vector>

namespace npar::engine {

// One element of the generic table forms: an Attribute (name, value), a
// SimpleTable (row names, column names, rows of numbers) or a
// StructuredTable (children of any kind, in order).
struct DocNode {
    enum class Kind { Attribute, Simple, Structured };
    Kind kind = Kind::Attribute;
    std::string name;
    std::string value;                               // Attribute
    std::vector<std::string> rowNames, columnNames;  // Simple
    std::vector<std::vector<double>> rows;           // Simple; NaN is written as missing
    std::vector<DocNode> children;                   // Structured
};

DocNode Attribute(std::string name, double value);
DocNode TextAttribute(std::string name, std::string value);
DocNode SimpleTable(std::string name, std::vector<std::string> rowNames,
                    std::vector<std::string> columnNames, std::vector<std::vector<double>> rows);
DocNode StructuredTable(std::string name, std::vector<DocNode> children);

// Numbers as the documents write them: the shortest text that reads back as
// the same double, in plain digits (no exponent) from 1e-4 to 1e17, so that
// whole numbers read as integers; NaN and infinities as the missing-number
// token.
std::string NumberText(double value);
// Numbers 0, 1, ..., count - 1 as texts (row and column names).
std::vector<std::string> Positions(size_t count, size_t first = 0);

struct TestMessage {
    int code = 0;
    std::string type = "warning";  // "error", "warning" or "helpMessage"
    std::vector<std::vector<double>> parameters;
    std::string group;  // for a note on one comparison: "a;b"
};

struct TestResult {
    std::string algorithm;  // "OChiSquare", ...
    std::string family;     // "One_Sample", "Related_Samples", "Independent_Samples"
    std::string conditionKey;
    std::vector<std::vector<double>> parameters;  // %0, %1, ...
    std::vector<DocNode> conditionAttributes;     // further Condition attributes
    std::vector<DocNode> statistics;              // the StatisticsResult table's children
    std::vector<DocNode> tables;                  // the test's own tables
    std::vector<TestMessage> messages;
    std::vector<std::string> valuesNotInCategories;
    // What the report's descriptives table shows: one structured table per
    // sample (its number, N, median, quartiles, mean rank where the test ranks).
    std::vector<DocNode> descriptives;
    // How each significance was found: statistic name, a catalogue key that
    // says it in words ("MethodNormalTies", ...).
    std::vector<std::pair<std::string, std::string>> methods;
    bool decides = true;  // whether the test rejects or retains a hypothesis
};

// A field of the data dictionary.
struct DocField {
    std::string name;
    std::string label;
    std::string optype;                                       // "continuous", "categorical", "ordinal"
    std::string dataType;                                     // "integer", "double", "string", "date"
    std::vector<std::pair<std::string, std::string>> values;  // value text, display value
};

struct ResultDocumentContent {
    size_t caseCount = 0;
    size_t droppedCount = 0;
    std::vector<DocField> fields;
    double sigLevel = 0.05;
    double confidenceLevel = 0.95;
    bool listwise = false;
    std::vector<TestResult> tests;
    std::vector<std::pair<size_t, DocNode>> fieldInfos;  // field index, its distribution table
};

}  // namespace npar::engine
