// The categories of a field: the distinct values it takes in the whole data
// table, in ascending order (numbers and dates by value, texts by their
// bytes, or in the order the variable gives them). A category's position is the index the result
// document gives its value in the data dictionary, the same in every split.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "data/Dictionary.h"
#include "engine/DataTable.h"

namespace npar::engine {

class Categories {
public:
    // `order`: a text column's values in the order the categories take them;
    // empty for the order of their bytes.
    explicit Categories(const Column& column, const std::vector<std::string>& order = {});

    size_t Count() const { return fCount; }
    // The category of a row's value; -1 when the value is missing. Inline:
    // the tests call it once or twice per case.
    int IndexOfRow(size_t row) const {
        if (fColumn.type == ColumnType::String) {
            const int32_t code = fColumn.codes[row];
            return code == kMissingCode ? -1 : fCategoryOfCode[static_cast<size_t>(code)];
        }
        const double value = fColumn.numbers[row];
        if (std::isnan(value)) return -1;
        // Every value of the column is one of its categories, so a whole-number
        // field's values all index the table.
        if (!fCategoryOfWhole.empty())
            return fCategoryOfWhole[static_cast<size_t>(value - fNumbers.front())];
        return IndexOfNumber(value);
    }
    // Whether the categories are whole numbers over a short range, so that a
    // value's offset from the smallest gives its category.
    bool IsShortWholeRange() const { return !fCategoryOfWhole.empty(); }
    // Numeric and date fields: the category's number.
    double Number(size_t index) const { return fNumbers[index]; }
    // The value as the result document writes it (dates as days since 1970-01-01).
    std::string ValueText(size_t index) const;
    // The label a reader sees: the value label, else the value written plainly.
    std::string DisplayText(size_t index, const Variable& variable) const;
    // The category a user's text names, by value or by value label; -1 when none.
    int Find(const std::string& text, const Variable& variable) const;
    // A user's text as a value of this numeric or date field: a number, or a
    // date (in days on a date field, in seconds on one of dates with times
    // of day, where a date with a time of day is read too).
    bool ValueOfText(const std::string& text, double& value) const;
    // The category of a value label's value; -1 when the field never takes it.
    int FindLabelled(const ValueLabel& label) const;

private:
    const Column& fColumn;
    size_t fCount = 0;
    std::vector<double> fNumbers;          // numeric and date fields
    std::vector<int32_t> fCodes;           // string fields: the codes in category order
    std::vector<int32_t> fCategoryOfCode;  // string fields: code to category
    // Whole-number fields over a short range: value minus the smallest to category.
    std::vector<int32_t> fCategoryOfWhole;

    void IndexWholeNumbers();
    int IndexOfNumber(double value) const;
};

// Dates as ISO text (days since 1970-01-01).
std::string IsoDate(double days);
// A date (days since 1970-01-01) as the print format `format` of a date
// variable writes it, so that a chart names a date category as the tables do:
// DATE11 "01-JAN-2024" (DATE9 "01-JAN-24"), ADATE "01/31/2024", EDATE
// "31.01.2024", SDATE "2024/01/31", JDATE "2024031", MOYR "JAN 2024", QYR
// "1 Q 2024", WKYR "5 WK 2024" and WKDAY "WEDNESDAY", each with a two-digit
// year when the four-digit one does not fit the width, a weekday cut to it;
// ISO text for any other format.
std::string DateText(double days, const std::string& format);
// A date with its time of day (seconds since 1970-01-01 00:00) as the tables
// write it in the format `format` (DATETIMEw.d): "01-JUL-2023 08:30:00", the
// seconds rounded to the format's decimals ("01-JUL-2023 08:30:00.25").
std::string DateTimeText(double seconds, const std::string& format);

}  // namespace npar::engine
