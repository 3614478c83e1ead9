// The variables of a run without a manifest: taken from the data dictionaries
// of the result documents (Extension/NPAROutput/DataDictionary/DataField).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "CFProcCustom.h"
#include "QUOR_DataSource.h"

namespace report {

// One variable per field name, in order of first appearance. displayName is
// the label; dataType integer gives F8.0, double or float F8.2, string A with
// the width of the longest value (at least 1), date DATE11, anything else
// F8.2. Value/displayValue pairs are value labels, keyed as the data source
// stores the value (numbers read as String2Double reads them, dates moved
// from days since 1970-01-01 to the data source's scale). A field defined in
// several documents is one variable: the first definition wins, except that a
// string variable takes the longest width. A document that does not parse
// contributes nothing.
// The tests, most of a document, are left out of the parse when the search
// for them vouches that the rest parses alike; searches, when given, receives
// each document's search (kept by its split record, so that the plug-in's
// read of the tests need not search again).
std::vector<QUOR_Variable> DictionaryVariables(const std::vector<std::string_view>& documentTexts,
                                               std::vector<CFFoundChildren>* searches = nullptr);

}  // namespace report
