// Functions every chart view shares: template text edits, value formatting,
// relabelling of categories, the test's field positions and its errors.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ChartString.h"
#include "NOPRSplitResults.h"

class QUOR_Format;
class QUOR_Variable;
class XVariable;

// Replaces the first occurrence of token in text by value; no occurrence, no change.
void replaceToken(std::string& text, std::string_view token, std::string_view value);
// Inserts fragment just before the first occurrence of marker; false when absent.
bool insertBefore(std::string& text, std::string_view marker, std::string_view fragment);
// Erases from the first occurrence of open through the end of the first close
// after it; false, and no change, when either is absent.
bool eraseElement(std::string& text, std::string_view open, std::string_view close);

// The display text of a number under a print format, dates moved to the host's
// date scale first; without a format, the number's shortest 16-digit form.
std::string formatValue(double value, const QUOR_Format* format);
std::string formatValue(double value, const QUOR_Variable* variable);
// A plain number of the given width and decimals, blanks trimmed.
std::string formatNumber(double value, int width, int decimals);

// Removes trailing, then leading blanks.
std::string trimBlanks(const std::string& text);
// XML-escapes text that comes from data or the string table before it goes
// into a template; characters XML forbids are dropped.
std::string escapeXml(const std::string& text);

// A variable's preferred label as text for a template, escaped.
std::string templateLabel(const QUOR_Variable* variable);

// Relabels the categories of a chart variable with the field's value labels.
void relabelCategories(const FieldInfo* field, XVariable& variable);
// The label of a category code of a field.
std::string categoryLabel(const FieldInfo* field, double code);
// Field positions from a condition: the test field, then the grouping field.
std::vector<double> testFieldIndices(const ConditionInfo& condition);
// The number of error messages of a test, whatever their codes.
int errorMessageCount(const NOPROutputStats::BaseHypothesisTest& test);

// A chart's description: its title, followed by "; " and the split label
// when the output runs by splits.
ChartString chartDescription(const ChartString& title, const std::string& splitLabel, bool splitActive);

// A string-table text as the chart service's string.
class FacSTDictionary;
ChartString lookUpText(const FacSTDictionary* dictionary, const std::string& key);

// The split label of a split: "Label: value,Label: value", and whether charts
// must carry it (when the split does not stand under a heading of its own).
void GetSplitLabel(const NOPRSplitResults& results, std::string& splitLabel, bool& splitActive);
