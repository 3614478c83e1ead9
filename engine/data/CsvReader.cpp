// The CSV reader: a scanner that yields one cell at a time, and a builder per
// column that tells the column's type while it stores the cells.
#include "engine/CsvReader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "stats/Calendar.h"

namespace npar::engine {

CsvError::CsvError(const std::string& message, size_t line, size_t column)
    : std::runtime_error("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                         message),
      fLine(line),
      fColumn(column) {}

std::string_view TrimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

namespace {

// The 1-based line and column of a byte offset.
void PlaceOf(std::string_view text, size_t offset, size_t& line, size_t& column) {
    line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    column = offset - lineStart + 1;
}

// The length of the valid UTF-8 sequence at text[i], or 0 when it is invalid.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07u, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

void CheckUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        // Eight ASCII bytes at a time: the common case.
        if (i + 8 <= text.size()) {
            uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            size_t line, column;
            PlaceOf(text, i, line, column);
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[i]));
            // Most often a spreadsheet's export in a legacy single-byte
            // encoding: say so, and what to do.
            throw CsvError(std::string("the file is not valid UTF-8 (byte ") + byte +
                               "); save it as UTF-8: bytes like this one come from a file saved in "
                               "Latin-1 or Windows-1252",
                           line, column);
        }
        i += length;
    }
}

// A file that is no text at all: a spreadsheet's workbook, text in UTF-16,
// or anything else holding a NUL byte, which no CSV text has. Said so, and
// what to do, rather than as the first odd byte the UTF-8 check meets.
void CheckIsText(std::string_view text) {
    const auto startsWith = [&](std::string_view signature) {
        return text.substr(0, signature.size()) == signature;
    };
    constexpr const char* kSaveAsCsv = "; save the sheet as CSV (UTF-8) and give that file";
    if (startsWith(std::string_view("PK\x03\x04", 4)))
        throw CsvError(
            std::string("the file is a zip archive, as a spreadsheet workbook (.xlsx, .ods) is, "
                        "not CSV text") +
                kSaveAsCsv,
            1, 1);
    if (startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        throw CsvError(
            std::string("the file is a workbook of the older binary kind (.xls), not CSV text") +
                kSaveAsCsv,
            1, 1);
    if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF"))
        throw CsvError("the file is text in UTF-16; save it as UTF-8", 1, 1);
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        size_t line, column;
        PlaceOf(text, nul, line, column);
        throw CsvError(
            "the file holds a NUL byte, which text never does: it is no CSV text (a "
            "binary file, or text in UTF-16 or UTF-32); save it as CSV in UTF-8",
            line, column);
    }
}

// Yields the cells of the file in order, unquoting quoted ones.
class Scanner {
public:
    Scanner(std::string_view text, char delimiter) : fText(text), fDelimiter(delimiter) {
        fStops.fill(false);
        fStops[static_cast<unsigned char>(delimiter)] = true;
        fStops['\n'] = true;
        fStops['\r'] = true;
    }

    struct Cell {
        std::string_view text;
        bool quoted = false;
        bool endsRecord = false;
        size_t line = 0;
        size_t column = 0;
    };

    // The next cell; false at the end of the file.
    bool Next(Cell& cell) {
        if (fPos >= fText.size() && !fCellOwed) return false;
        fCellOwed = false;
        cell.line = fLine;
        cell.column = fPos - fLineStart + 1;
        cell.quoted = fPos < fText.size() && fText[fPos] == '"';
        cell.text = cell.quoted ? ReadQuoted(cell) : ReadPlain();
        cell.endsRecord = ConsumeTerminator(cell);
        return true;
    }

private:
    std::string_view ReadPlain() {
        const size_t start = fPos;
        const char* data = fText.data();
        const size_t size = fText.size();
        size_t p = fPos;
        for (;;) {
            while (p < size && !fStops[static_cast<unsigned char>(data[p])]) ++p;
            // A carriage return ends the cell only before a line feed.
            if (p < size && data[p] == '\r' && !(p + 1 < size && data[p + 1] == '\n')) {
                ++p;
                continue;
            }
            break;
        }
        fPos = p;
        return fText.substr(start, p - start);
    }

    std::string_view ReadQuoted(const Cell& cell) {
        fScratch.clear();
        size_t p = fPos + 1;
        for (;;) {
            const void* found = std::memchr(fText.data() + p, '"', fText.size() - p);
            if (!found) throw CsvError("the quoted field is never closed", cell.line, cell.column);
            const size_t quote = static_cast<size_t>(static_cast<const char*>(found) - fText.data());
            CountLines(p, quote);
            fScratch.append(fText.data() + p, quote - p);
            if (quote + 1 < fText.size() && fText[quote + 1] == '"') {
                fScratch.push_back('"');
                p = quote + 2;
                continue;
            }
            fPos = quote + 1;
            break;
        }
        return fScratch;
    }

    void CountLines(size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            if (fText[i] == '\n') {
                ++fLine;
                fLineStart = i + 1;
            }
        }
    }

    // Steps over the delimiter or line end after a cell; true when the cell
    // ended its record.
    bool ConsumeTerminator(const Cell& cell) {
        if (fPos >= fText.size()) return true;
        const char c = fText[fPos];
        if (c == fDelimiter) {
            ++fPos;
            fCellOwed = true;  // a delimiter is always followed by one more cell
            return false;
        }
        if (c == '\r' && fPos + 1 < fText.size() && fText[fPos + 1] == '\n') ++fPos;
        if (fText[fPos] == '\n') {
            ++fPos;
            ++fLine;
            fLineStart = fPos;
            return true;
        }
        (void)cell;
        throw CsvError(
            "text follows the closing quote of a field (write a quote inside a quoted "
            "field as \"\")",
            fLine, fPos - fLineStart + 1);
    }

    std::string_view fText;
    char fDelimiter;
    std::array<bool, 256> fStops;  // the bytes that end an unquoted cell
    size_t fPos = 0;
    size_t fLine = 1;
    size_t fLineStart = 0;
    bool fCellOwed = false;
    std::string fScratch;
};

// Counts the decimals a number was written with ("2.50" 2, "1e-3" 3, "12"
// 0), in one pass over its characters (a decimal comma already turned into a
// point).
int DecimalsWritten(std::string_view text) {
    size_t dot = std::string_view::npos;
    size_t exponent = text.size();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            dot = i;
        } else if (c == 'e' || c == 'E') {
            exponent = i;
            break;
        }
    }
    int fraction = dot == std::string_view::npos ? 0 : static_cast<int>(exponent - dot - 1);
    if (exponent < text.size()) {
        int power = 0;
        std::string_view digits = text.substr(exponent + 1);
        if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
        std::from_chars(digits.data(), digits.data() + digits.size(), power);
        fraction -= power;
    }
    return std::clamp(fraction, 0, 10);
}

bool IsMissingCell(std::string_view text, std::string_view trimmed,
                   const std::set<std::string>* missingTexts) {
    if (trimmed.empty()) return true;
    if (!missingTexts || missingTexts->empty()) return false;
    return missingTexts->count(std::string(text)) > 0 || missingTexts->count(std::string(trimmed)) > 0;
}

// The common case of a number, digits with at most one point and 15 digits
// in all, read exactly: the digits make an integer below 2^53 and the power
// of ten is exact, so one correctly rounded division gives the double
// nearest the decimal (Clinger's fast path). Gives false for anything else.
bool ParseShortDecimal(std::string_view text, double& value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    uint64_t digits = 0;
    int count = 0;
    int fraction = -1;  // digits after the point; -1 before it
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<uint64_t>(c - '0');
            if (++count > 15) return false;
            if (fraction >= 0) ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            return false;
        }
    }
    if (count == 0) return false;
    value = static_cast<double>(digits) / kPowers[fraction < 0 ? 0 : fraction];
    if (negative) value = -value;
    return true;
}

// A number of a cell already trimmed of blanks.
bool ParseTrimmedNumber(std::string_view text, double& value) {
    if (ParseShortDecimal(text, value)) return true;
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text[0] == '-' || text[0] == '+')) return false;
    }
    if (text.empty()) return false;
    const char first = text[0];
    if (!(first == '-' || first == '.' || (first >= '0' && first <= '9'))) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value);
}

// A number written with a decimal comma, as the same text with a point: a
// comma becomes the point, and a text that holds a point is none (it would be
// read as a number with a point, or with thousands separators). False when
// the text is no such number; `scratch` holds the point's form.
bool CommaToPoint(std::string_view text, std::string& scratch) {
    if (text.find('.') != std::string_view::npos) return false;
    scratch.assign(text);
    std::replace(scratch.begin(), scratch.end(), ',', '.');
    return true;
}

// A number of a trimmed cell in the file's decimal mark; `written` is the
// text with a point, as the decimals are counted.
bool ParseCellNumber(std::string_view trimmed, char decimal, double& value, std::string& scratch,
                     std::string_view& written) {
    written = trimmed;
    if (decimal == ',') {
        if (!CommaToPoint(trimmed, scratch)) return false;
        written = scratch;
    }
    return ParseTrimmedNumber(written, value);
}

// Stores one column's cells and tells its type as they come.
class ColumnBuilder {
public:
    ColumnBuilder(Column& column, const std::set<std::string>* missingTexts, bool forceString,
                  char decimal)
        : fColumn(column), fMissingTexts(missingTexts), fDecimal(decimal) {
        if (forceString) fColumn.type = ColumnType::String, fState = State::String;
    }

    void Add(std::string_view text, bool quoted) {
        // Blanks around a number or a date are no part of it, quoted or not
        // (" 12" reads 12); a quoted cell of blanks is a text, not missing.
        const std::string_view trimmed = TrimBlanks(text);
        if (IsMissingCell(text, quoted ? text : trimmed, fMissingTexts)) return AddMissing();
        switch (fState) {
            case State::Unknown:
                return AddFirst(text, trimmed);
            case State::Numeric:
                return AddNumber(text, trimmed);
            case State::Date:
                return AddDate(text, trimmed);
            case State::DateTime:
                return AddDateTime(text, trimmed);
            case State::String:
                return AddString(text);
        }
    }

    // The row at which a numeric or date column turned out to hold strings
    // (its earlier cells are read again from the file), or none.
    bool Flipped(size_t& row) const {
        row = fFlipRow;
        return fFlipped;
    }

private:
    enum class State { Unknown, Numeric, Date, DateTime, String };

    void AddMissing() {
        if (fState == State::String)
            fColumn.codes.push_back(kMissingCode);
        else
            fColumn.numbers.push_back(kMissingNumber);
    }

    void AddFirst(std::string_view text, std::string_view trimmed) {
        double value = 0;
        std::string_view written;
        if (ParseCellNumber(trimmed, fDecimal, value, fScratch, written)) {
            fState = State::Numeric;
            fColumn.type = ColumnType::Numeric;
            return StoreNumber(written, value);
        }
        if (ParseIsoDate(trimmed, value)) {
            fState = State::Date;
            fColumn.type = ColumnType::Date;
            fColumn.numbers.push_back(value);
            return;
        }
        int decimals = 0;
        if (ParseIsoDateTime(trimmed, value, decimals)) {
            fState = State::DateTime;
            fColumn.type = ColumnType::Numeric;
            fColumn.dateTime = true;
            return StoreSeconds(value, decimals);
        }
        // Only missing cells so far: they stay missing as strings.
        fState = State::String;
        fColumn.type = ColumnType::String;
        fColumn.codes.assign(fColumn.numbers.size(), kMissingCode);
        fColumn.numbers.clear();
        fColumn.numbers.shrink_to_fit();
        AddString(text);
    }

    void AddNumber(std::string_view text, std::string_view trimmed) {
        double value = 0;
        std::string_view written;
        if (ParseCellNumber(trimmed, fDecimal, value, fScratch, written))
            return StoreNumber(written, value);
        FlipToString(text);
    }

    void AddDate(std::string_view text, std::string_view trimmed) {
        double value = 0;
        if (ParseIsoDate(trimmed, value)) {
            fColumn.numbers.push_back(value);
            return;
        }
        int decimals = 0;
        if (ParseIsoDateTime(trimmed, value, decimals)) {
            // Dates with times of day among them: the dates so far are their
            // midnights, in seconds.
            for (double& day : fColumn.numbers)
                if (!std::isnan(day)) day *= kSecondsPerDay;
            fState = State::DateTime;
            fColumn.type = ColumnType::Numeric;
            fColumn.dateTime = true;
            return StoreSeconds(value, decimals);
        }
        FlipToString(text);
    }

    // A date with a time of day, or a date alone (its midnight).
    void AddDateTime(std::string_view text, std::string_view trimmed) {
        double value = 0;
        int decimals = 0;
        if (ParseIsoDateTime(trimmed, value, decimals)) return StoreSeconds(value, decimals);
        if (ParseIsoDate(trimmed, value)) return StoreSeconds(value * kSecondsPerDay, 0);
        FlipToString(text);
    }

    void StoreSeconds(double seconds, int decimals) {
        fColumn.numbers.push_back(seconds);
        if (decimals > 0) fColumn.allWhole = false;
        fColumn.decimals = std::max(fColumn.decimals, decimals);
    }

    void StoreNumber(std::string_view written, double value) {
        fColumn.numbers.push_back(value);
        if (value != std::floor(value)) fColumn.allWhole = false;
        fColumn.decimals = std::max(fColumn.decimals, DecimalsWritten(written));
    }

    void FlipToString(std::string_view text) {
        fFlipped = true;
        fFlipRow = fColumn.numbers.size();
        fState = State::String;
        fColumn.type = ColumnType::String;
        fColumn.codes.assign(fFlipRow, kMissingCode);  // filled by the second read
        fColumn.numbers.clear();
        fColumn.numbers.shrink_to_fit();
        fColumn.decimals = 0;
        fColumn.allWhole = true;
        fColumn.dateTime = false;
        AddString(text);
    }

    void AddString(std::string_view text) { fColumn.codes.push_back(fColumn.strings.Intern(text)); }

    Column& fColumn;
    const std::set<std::string>* fMissingTexts;
    char fDecimal;
    std::string fScratch;  // a cell's number with a point for its comma
    State fState = State::Unknown;
    bool fFlipped = false;
    size_t fFlipRow = 0;
};

// The header: a name for every field, except that the last may be empty, the
// delimiter spreadsheets write at the end of each line. Such a column must
// hold nothing; its place is kept for the message when it does. The first
// may be empty too, as R's write.csv writes it above the row names: that
// column is named kRowNamesColumn (with a number after it when the header
// names another column so).
struct Header {
    std::vector<std::string> names;
    bool rowNames = false;
    bool trailingUnnamed = false;
    size_t unnamedLine = 0;
    size_t unnamedColumn = 0;

    size_t FieldCount() const { return names.size() + (trailingUnnamed ? 1 : 0); }
    // "Field", as the other messages count a row's cells: "column" is the
    // message's character position.
    CsvError Unnamed(size_t line, size_t column) const {
        return CsvError("the header's field " + std::to_string(names.size() + 1) + " names no variable",
                        line, column);
    }
};

Header ReadHeader(Scanner& scanner) {
    Header header;
    std::set<std::string> seen;
    Scanner::Cell cell;
    do {
        if (!scanner.Next(cell)) break;
        const std::string name(TrimBlanks(cell.text));
        if (name.empty() && header.names.empty() && !cell.endsRecord) {
            header.rowNames = true;
            header.names.emplace_back();
            continue;
        }
        if (name.empty()) {
            if (!cell.endsRecord || header.names.empty()) throw header.Unnamed(cell.line, cell.column);
            header.trailingUnnamed = true;
            header.unnamedLine = cell.line;
            header.unnamedColumn = cell.column;
            break;
        }
        if (!seen.insert(name).second)
            throw CsvError("the header names variable \"" + name + "\" twice", cell.line, cell.column);
        header.names.push_back(name);
    } while (!cell.endsRecord);
    if (header.rowNames) {
        std::string name = kRowNamesColumn;
        for (int suffix = 2; seen.count(name); ++suffix) name = kRowNamesColumn + std::to_string(suffix);
        header.names.front() = name;
    }
    return header;
}

std::string RaggedMessage(size_t count, size_t expected) {
    return "the row has " + std::to_string(count) + (count == 1 ? " field" : " fields") +
           ", the header " + std::to_string(expected);
}

// Calls onCell(row, column, text, quoted) for every data cell after the
// header. Blank lines are skipped, except in a one-column file, where a blank
// line inside the data is a missing value (trailing ones are dropped). Gives
// the number of data rows; throws for a row of the wrong length. Under a
// header that ends in a delimiter a row may end without one.
template <typename OnCell>
size_t ForEachDataCell(Scanner& scanner, const Header& header, OnCell&& onCell) {
    const size_t columnCount = header.FieldCount();
    const bool singleColumn = columnCount == 1;
    size_t rows = 0;
    size_t pendingBlank = 0;
    Scanner::Cell cell;
    while (scanner.Next(cell)) {
        const size_t line = cell.line;
        if (cell.endsRecord && cell.text.empty() && !cell.quoted) {
            if (singleColumn) ++pendingBlank;
            continue;
        }
        for (; pendingBlank > 0; --pendingBlank, ++rows) onCell(rows, 0, std::string_view(), false);
        size_t index = 0;
        for (;;) {
            if (index < columnCount) onCell(rows, index, cell.text, cell.quoted);
            ++index;
            if (cell.endsRecord) break;
            scanner.Next(cell);
        }
        const bool withoutTrailing = header.trailingUnnamed && index == header.names.size();
        if (index != columnCount && !withoutTrailing)
            throw CsvError(RaggedMessage(index, columnCount), line, 1);
        ++rows;
    }
    return rows;
}

// Per column, the cell texts that count as missing: its own and those of
// every column.
std::vector<std::set<std::string>> MissingTextsOf(const CsvOptions& options,
                                                  const std::vector<std::string>& names) {
    std::vector<std::set<std::string>> texts(names.size(), options.missingEverywhere);
    for (size_t i = 0; i < names.size(); ++i) {
        const auto found = options.missingTexts.find(names[i]);
        if (found != options.missingTexts.end())
            texts[i].insert(found->second.begin(), found->second.end());
    }
    return texts;
}

// Reads the cells of the flipped columns again, for the rows before each
// one's flip row, and stores them as strings.
void FillFlippedColumns(std::string_view text, const CsvOptions& options, std::vector<Column>& columns,
                        const std::vector<size_t>& flipRows) {
    Scanner scanner(text, options.delimiter);
    const Header header = ReadHeader(scanner);
    std::vector<std::string> names;
    for (const Column& column : columns) names.push_back(column.name);
    const std::vector<std::set<std::string>> missing = MissingTextsOf(options, names);
    ForEachDataCell(scanner, header, [&](size_t row, size_t index, std::string_view cell, bool quoted) {
        if (index >= columns.size() || row >= flipRows[index] ||
            IsMissingCell(cell, quoted ? cell : TrimBlanks(cell), &missing[index]))
            return;
        columns[index].codes[row] = columns[index].strings.Intern(cell);
    });
}

}  // namespace

bool ParseCsvNumber(std::string_view text, double& value, char decimal) {
    std::string scratch;
    std::string_view written;
    return ParseCellNumber(TrimBlanks(text), decimal, value, scratch, written);
}

bool ParseIsoDate(std::string_view text, double& days) {
    text = TrimBlanks(text);
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    const auto digits = [&](size_t from, size_t count, int& out) {
        out = 0;
        for (size_t i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    int year, month, day;
    if (!digits(0, 4, year) || !digits(5, 2, month) || !digits(8, 2, day)) return false;
    if (!stats::IsCalendarDay(year, month, day)) return false;
    days = stats::DaysFromCivil(year, month, day);
    return true;
}

bool ParseIsoDateTime(std::string_view text, double& seconds, int& decimals) {
    text = TrimBlanks(text);
    if (!text.empty() && text.back() == 'Z') text.remove_suffix(1);
    double days = 0;
    if (text.size() < 16 || !ParseIsoDate(text.substr(0, 10), days) ||
        (text[10] != ' ' && text[10] != 'T') || text[13] != ':')
        return false;
    const auto twoDigits = [&](size_t at, int limit, int& out) {
        if (text[at] < '0' || text[at] > '9' || text[at + 1] < '0' || text[at + 1] > '9') return false;
        out = (text[at] - '0') * 10 + (text[at + 1] - '0');
        return out <= limit;
    };
    int hour = 0, minute = 0, second = 0;
    if (!twoDigits(11, 23, hour) || !twoDigits(14, 59, minute)) return false;
    double fraction = 0;
    decimals = 0;
    if (text.size() > 16) {
        if (text.size() < 19 || text[16] != ':' || !twoDigits(17, 59, second)) return false;
        if (text.size() > 19) {
            if (text[19] != '.' || text.size() == 20) return false;
            double scale = 0.1;
            for (size_t i = 20; i < text.size(); ++i, scale /= 10) {
                if (text[i] < '0' || text[i] > '9') return false;
                fraction += (text[i] - '0') * scale;
            }
            decimals = static_cast<int>(std::min<size_t>(text.size() - 20, 6));
        }
    }
    seconds = days * kSecondsPerDay + hour * 3600.0 + minute * 60.0 + second + fraction;
    return true;
}

bool ParseIsoMoment(std::string_view text, double& seconds) {
    int decimals = 0;
    if (ParseIsoDateTime(text, seconds, decimals)) return true;
    if (!ParseIsoDate(text, seconds)) return false;
    seconds *= kSecondsPerDay;
    return true;
}

DataTable ReadCsv(std::string_view text, const CsvOptions& options) {
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.remove_prefix(3);
    if (TrimBlanks(text).find_first_not_of("\r\n") == std::string_view::npos)
        throw CsvError("the file is empty", 1, 1);
    CheckIsText(text);
    CheckUtf8(text);

    Scanner scanner(text, options.delimiter);
    const Header header = ReadHeader(scanner);
    const std::vector<std::string>& names = header.names;
    DataTable table;
    table.SetDecimalMark(options.decimal);
    table.SetRowNamesColumn(header.rowNames);
    std::vector<Column>& columns = table.Columns();
    columns.resize(names.size());
    // Room for every line: the columns grow once.
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (Column& column : columns) column.numbers.reserve(lines);
    std::vector<ColumnBuilder> builders;
    builders.reserve(names.size());
    const std::vector<std::set<std::string>> missing = MissingTextsOf(options, names);
    for (size_t i = 0; i < names.size(); ++i) {
        columns[i].name = names[i];
        builders.emplace_back(columns[i], &missing[i], options.stringColumns.count(names[i]) > 0,
                              options.decimal);
    }

    const size_t rows =
        ForEachDataCell(scanner, header, [&](size_t, size_t index, std::string_view cell, bool quoted) {
            if (index < builders.size())
                builders[index].Add(cell, quoted);
            else if (quoted || !TrimBlanks(cell).empty())
                // The unnamed last column: its data would be lost.
                throw header.Unnamed(header.unnamedLine, header.unnamedColumn);
        });
    if (rows == 0) throw CsvError("the file has a header but no data rows", 2, 1);

    std::vector<size_t> flipRows(columns.size(), 0);  // 0: nothing to read again
    bool anyFlipped = false;
    for (size_t i = 0; i < builders.size(); ++i) {
        size_t row;
        if (builders[i].Flipped(row)) flipRows[i] = row, anyFlipped = true;
    }
    if (anyFlipped) FillFlippedColumns(text, options, columns, flipRows);
    return table;
}

}  // namespace npar::engine
