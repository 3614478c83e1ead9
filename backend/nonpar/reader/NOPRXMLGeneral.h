// Readers of the three generic element kinds of a result document:
// Attribute (name and value), SimpleTable (row names, column names and rows
// as blank-separated text) and StructuredTable (a named container of the three).
#pragma once

#include <string>

#include "NOPRSplitResults.h"

class SDOMXMLWrapper;

// StructuredTables nest at most this deep; a deeper document fails the read.
constexpr int kMaxStructuredTableDepth = 256;

// Reads "name" and "value"; the result is whether "name" was there. A missing
// value leaves value as it was.
bool ReadAttribute(SDOMXMLWrapper* element, std::string& name, std::string& value);
// As ReadAttribute, with the value read as a number: the system-missing value
// when it is absent or no number.
bool ReadNumberAttribute(SDOMXMLWrapper* element, std::string& name, double& value);
// The table readers give false for a table they cannot read, and then, when
// cause is given, say why in the user's words ("SimpleTable \"Counts\" has no
// RowNames"), without the place of the table, which the caller knows.
bool ReadSimpleTable(SDOMXMLWrapper* element, SimpleTableText& table, std::string* cause = nullptr);
// Reads the table with every nested table; depth counts the tables around it.
bool ReadStructuredTable(SDOMXMLWrapper* element, StructuredTable& table, int depth = 0,
                         std::string* cause = nullptr);
