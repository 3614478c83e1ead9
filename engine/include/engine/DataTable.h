// The data table the engine tests: one column per variable, each held as its
// type (numbers, dates as days since 1970-01-01, or interned strings), read
// once from the user's file.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace npar::engine {

enum class ColumnType { Numeric, Date, String };

// The distinct texts of one string column, each stored once; cells hold the
// text's code.
class StringPool {
public:
    int32_t Intern(std::string_view text);
    // The code of text, or -1 when the pool does not hold it.
    int32_t Find(std::string_view text) const;
    const std::string& Text(int32_t code) const { return *fTexts[static_cast<size_t>(code)]; }
    size_t Size() const { return fTexts.size(); }

private:
    std::vector<std::unique_ptr<std::string>> fTexts;  // stable addresses for the keys below
    std::unordered_map<std::string_view, int32_t> fCodes;
};

constexpr double kMissingNumber = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t kMissingCode = -1;

// One column. Numeric and date cells live in numbers (NaN when missing),
// string cells in codes (kMissingCode when missing).
struct Column {
    std::string name;
    ColumnType type = ColumnType::Numeric;
    std::vector<double> numbers;
    std::vector<int32_t> codes;
    StringPool strings;
    // Numeric columns: the most decimals a cell was written with, and whether
    // every value is a whole number.
    int decimals = 0;
    bool allWhole = true;
    // Numeric columns read from ISO dates with times of day: the numbers are
    // seconds since 1970-01-01 00:00 (decimals: those of the seconds).
    bool dateTime = false;

    size_t Size() const { return type == ColumnType::String ? codes.size() : numbers.size(); }
    bool IsMissing(size_t row) const {
        return type == ColumnType::String ? codes[row] == kMissingCode : std::isnan(numbers[row]);
    }
    bool IsNumeric() const { return type != ColumnType::String; }
};

class DataTable {
public:
    std::vector<Column>& Columns() { return fColumns; }
    const std::vector<Column>& Columns() const { return fColumns; }
    const Column& At(size_t index) const { return fColumns[index]; }
    size_t ColumnCount() const { return fColumns.size(); }
    size_t RowCount() const { return fColumns.empty() ? 0 : fColumns.front().Size(); }
    // The index of the column named name: an exact match, else the one column
    // whose name matches ignoring letter case; -1 when there is none or the
    // case-insensitive match is not unique.
    int Find(std::string_view name) const;
    // The columns' names, in their order.
    std::vector<std::string> ColumnNames() const;
    // The decimal mark the file's numbers were read with: '.' or ','.
    char DecimalMark() const { return fDecimalMark; }
    void SetDecimalMark(char mark) { fDecimalMark = mark; }
    // Whether the header left the first column's name empty, as R's
    // write.csv does above the row names, and the reader named it.
    bool HasRowNamesColumn() const { return fRowNamesColumn; }
    void SetRowNamesColumn(bool named) { fRowNamesColumn = named; }

private:
    std::vector<Column> fColumns;
    char fDecimalMark = '.';
    bool fRowNamesColumn = false;
};

}  // namespace npar::engine
