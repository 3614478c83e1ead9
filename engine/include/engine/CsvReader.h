// Reading a CSV file (RFC 4180: a header row of variable names, quoted fields
// with "" inside, LF or CRLF line ends, UTF-8 with or without a byte-order
// mark) into a typed data table.
//
// An empty cell is missing. A column whose filled cells all read as numbers in
// the C locale is numeric; one whose cells all read as ISO dates (2023-07-01)
// is a date column; one of ISO dates with times of day (2023-07-01 08:30:00;
// dates alone among them are their midnights) is a numeric column of seconds
// since 1970-01-01 (Column::dateTime); any other column holds strings. Numbers are read with
// std::from_chars, never through the process locale.
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/DataTable.h"

namespace npar::engine {

// A fault of the file, with the place it stands at (1-based line and column;
// the header is line 1).
class CsvError : public std::runtime_error {
public:
    CsvError(const std::string& message, size_t line, size_t column);
    size_t Line() const { return fLine; }
    size_t Column() const { return fColumn; }

private:
    size_t fLine;
    size_t fColumn;
};

struct CsvOptions {
    char delimiter = ',';
    // The decimal mark of numbers: '.' or ','. With a comma a cell that
    // holds a point is no number (1.234 would be read wrongly either way).
    char decimal = '.';
    // Per column name: cell texts that count as missing (read before the
    // type is told, so "NA" leaves a column numeric).
    std::map<std::string, std::set<std::string>> missingTexts;
    // Cell texts that count as missing in every column ("NA", as R writes
    // a missing value).
    std::set<std::string> missingEverywhere;
    // Columns read as strings whatever their cells look like.
    std::set<std::string> stringColumns;
};

// The name of the first column when the header leaves it empty, as R's
// write.csv does above the row names.
inline const std::string kRowNamesColumn = "rownames";

// Reads text (the whole file) into a table. Throws CsvError for an empty
// file, a file without data rows, a malformed header, a ragged row, an
// unclosed quote, text after a closing quote, or invalid UTF-8.
DataTable ReadCsv(std::string_view text, const CsvOptions& options = {});

// A cell's text without the blanks and tabs around it, which the reader
// ignores around numbers, dates and missing-value texts.
std::string_view TrimBlanks(std::string_view text);

// Whether text reads as a number the way the reader reads cells (surrounding
// blanks ignored, a leading "+" allowed, no infinities or NaN), with the
// decimal mark `decimal` ('.' or ',').
bool ParseCsvNumber(std::string_view text, double& value, char decimal = '.');

// Whether text is an ISO date (YYYY-MM-DD, a real calendar day); days is the
// count of days since 1970-01-01.
bool ParseIsoDate(std::string_view text, double& days);

constexpr double kSecondsPerDay = 86400;

// Whether text is an ISO date with a time of day: YYYY-MM-DD, a blank or
// "T", HH:MM, optionally :SS and a decimal fraction of a second, optionally
// "Z" (a time zone offset is not read). seconds counts from 1970-01-01
// 00:00; decimals is the fraction's digits (at most 6, a microsecond: the most
// a double of this size holds).
bool ParseIsoDateTime(std::string_view text, double& seconds, int& decimals);
// A date with a time of day, or a date alone at its midnight, as seconds
// since 1970-01-01 00:00: how a user names a value of such a column.
bool ParseIsoMoment(std::string_view text, double& seconds);

}  // namespace npar::engine
