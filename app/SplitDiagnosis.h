// Why the plug-in could not read a split's result document, as far as the
// host can tell from the document's text.
#pragma once

#include <string>

namespace report {

// The first fault in the order the reader reads the document: the text, its
// XML syntax (with line and column), the root element and PMMLModel, the
// counts, the tests (NonParametricTests, each Algorithm of a known test and
// the tables the reader reads from it), and the field information. Tables
// are checked for what every reader needs: a "name" on StructuredTables and
// Attributes, a name, RowNames and ColumnNames on SimpleTables, and nesting
// of at most 256 levels. When none of these is found, the cause is unknown
// and the text says so: "the document's content could not be read".
std::string DiagnoseSplit(const std::string& documentText);

}  // namespace report
