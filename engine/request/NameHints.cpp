// The name a user most likely meant by one that names nothing, and what a
// cell that is no number may have been meant as: the rules in
// engine/NameHints.h.
#include "engine/NameHints.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <limits>
#include <string_view>

#include "engine/CsvReader.h"
#include "engine/DataTable.h"

namespace npar::engine {
namespace {

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Letters added, dropped or changed, and neighbours swapped, that turn one
// text into the other (the optimal string alignment distance), when at most
// `most`; some number above `most` otherwise.
size_t Slips(const std::string& a, const std::string& b, size_t most) {
    // Each letter one text has more than the other is a slip.
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > most) return most + 1;
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// A text of the shape 2023-07-01, blanks around it aside, whether or not
// the day exists.
bool LooksLikeIsoDate(std::string_view text) {
    static constexpr std::string_view kShape = "dddd-dd-dd";
    text = TrimBlanks(text);
    if (text.size() != kShape.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != '-') return false;
    }
    return true;
}

// A date with a time of day and a time zone offset (2023-07-01 08:30:00+02:00,
// as programs write a zoned timestamp), which the reader does not read.
bool HasZoneOffset(std::string_view text) {
    text = TrimBlanks(text);
    const size_t sign = text.find_last_of("+-");
    if (sign == std::string_view::npos || sign < 16) return false;
    const std::string_view zone = text.substr(sign + 1);
    const bool digits =
        std::all_of(zone.begin(), zone.end(), [](char c) { return c == ':' || (c >= '0' && c <= '9'); });
    double seconds = 0;
    int decimals = 0;
    return digits && (zone.size() == 5 ? zone[2] == ':' : zone.size() == 4 || zone.size() == 2) &&
           ParseIsoDateTime(text.substr(0, sign), seconds, decimals);
}

}  // namespace

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string LikelyMeant(const std::string& given, const std::vector<std::string>& names) {
    // Names far longer than anything a user types are not worth comparing.
    constexpr size_t kLongest = 256;
    const std::string typed = Lower(given);
    if (typed.empty() || typed.size() > kLongest) return {};
    // In a name of one or two letters, one slip changes half of it.
    const size_t allowed = typed.size() <= 2 ? 0 : typed.size() <= 4 ? 1 : 2;

    // Ranks: 0 equal but for case, 1 begun by what was typed, 2 + slips.
    size_t best = std::numeric_limits<size_t>::max();
    std::string meant;
    bool tied = false;
    for (const std::string& name : names) {
        if (name == given || name.size() > kLongest) continue;
        const std::string candidate = Lower(name);
        size_t rank;
        if (candidate == typed)
            rank = 0;
        else if (typed.size() >= 3 && candidate.compare(0, typed.size(), typed) == 0)
            rank = 1;
        else if (const size_t slips = Slips(typed, candidate, allowed); slips <= allowed)
            rank = 2 + slips;
        else
            continue;
        if (rank < best) {
            best = rank;
            meant = name;
            tied = false;
        } else if (rank == best && name != meant) {
            tied = true;
        }
    }
    return tied ? std::string() : meant;
}

std::string QuotedList(const std::vector<std::string>& texts, size_t shown) {
    const size_t listed = std::min(texts.size(), shown);
    std::string list;
    for (size_t i = 0; i < listed; ++i)
        list += (i == 0 ? "" : i + 1 == texts.size() ? " and " : ", ") + Quoted(texts[i]);
    if (texts.size() > listed) list += " and " + std::to_string(texts.size() - listed) + " more";
    return list;
}

std::string HintAfter(const std::string& given, const std::vector<std::string>& names,
                      const std::string& more) {
    const std::string meant = LikelyMeant(given, names);
    std::string hint = meant.empty() ? std::string() : "did you mean " + Quoted(meant) + "?";
    if (!more.empty()) hint += (hint.empty() ? "" : " ") + more;
    return hint.empty() ? std::string() : " (" + hint + ")";
}

std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '/' || c == '-' ||
               c == '_' || c == '=' || c == ',';
    });
    if (plain) return text;
    std::string word = "'";
    for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

std::string MissingCodeHint(const std::string& text, const std::string& variable) {
    // Codes that data files and other programs write for a missing value.
    static constexpr std::string_view kMissingCodes[] = {"na",  "n/a", "#n/a", "nan", "null", "none",
                                                         "nil", ".",   "-",    "--",  "?",    "missing"};
    // Blanks around a cell are no part of the text that marks it missing.
    const std::string trimmed(TrimBlanks(text));
    const std::string code = Lower(trimmed);
    if (std::find(std::begin(kMissingCodes), std::end(kMissingCodes), code) == std::end(kMissingCodes))
        return {};
    return "; if " + Quoted(text) + " marks a missing value, give --na " + ShellWord(trimmed) +
           " (\"na\" in an analysis file) or list it under \"missing\" for " + Quoted(variable) +
           " in the dictionary";
}

std::string NonNumberHint(const std::string& text, const std::string& variable, char decimal) {
    const std::string trimmed(TrimBlanks(text));
    if (std::string missing = MissingCodeHint(text, variable); !missing.empty()) return missing;
    // The other mark: a decimal mark of the other kind, or thousands
    // separators.
    const char other = decimal == ',' ? '.' : ',';
    const size_t marks = static_cast<size_t>(std::count(text.begin(), text.end(), other));
    if (marks == 0) return {};
    std::string swapped = text, bare;
    std::replace(swapped.begin(), swapped.end(), other, decimal);
    std::remove_copy(text.begin(), text.end(), std::back_inserter(bare), other);
    double number;
    const bool otherDecimal = marks == 1 && ParseCsvNumber(swapped, number, decimal);
    if (!otherDecimal && !ParseCsvNumber(bare, number, decimal)) return {};
    if (decimal == ',')
        return "; numbers are read with a decimal comma and no thousands separators (1234,5)";
    return std::string("; numbers are read with a decimal point and no thousands separators (1234.5)") +
           (otherDecimal && text.find('.') == std::string::npos
                ? "; for a file with decimal commas give --decimal , (\"decimal\": \",\" in an analysis "
                  "file)"
                : "");
}

TextColumnReason ExplainTextColumn(const Column& column, char decimal) {
    size_t filled = 0, dates = 0, dateTimes = 0;
    size_t firstNonNumber = column.codes.size(), firstNonDate = column.codes.size();
    for (size_t row = 0; row < column.codes.size(); ++row) {
        if (column.codes[row] == kMissingCode) continue;
        ++filled;
        const std::string& text = column.strings.Text(column.codes[row]);
        double value;
        int decimals = 0;
        const bool dateTime = ParseIsoDateTime(text, value, decimals);
        dateTimes += dateTime ? 1 : 0;
        if (dateTime || ParseIsoDate(text, value)) {
            ++dates;
        } else {
            // A zoned timestamp is a date the reader does not read: it counts
            // among the dates, and is the cell to name.
            if (HasZoneOffset(text)) ++dates;
            if (firstNonDate == column.codes.size()) firstNonDate = row;
        }
        if (firstNonNumber == column.codes.size() && !ParseCsvNumber(text, value, decimal))
            firstNonNumber = row;
    }
    TextColumnReason reason;
    // Every cell a number, or every cell a date: a column the dictionary
    // makes a string, with no cell to name.
    if (firstNonNumber == column.codes.size() || firstNonDate == column.codes.size()) return reason;
    reason.ofDates = 2 * dates > filled;
    const size_t row = reason.ofDates ? firstNonDate : firstNonNumber;
    const std::string& text = column.strings.Text(column.codes[row]);
    const std::string cell = Quoted(text) + " in data row " + std::to_string(row + 1);
    if (HasZoneOffset(text))
        reason.why = "(" + cell +
                     " is a date with a time of day and a time zone offset, which is not read: write "
                     "the times in one zone, without the offset)";
    else if (!reason.ofDates)
        reason.why = "(" + cell + " is not a number)";
    else if (LooksLikeIsoDate(text))
        reason.why = "(most of its values are dates, but " + cell + " is no day of the calendar)";
    else
        reason.why = "(most of its values are dates, but " + cell +
                     " is not a date written as 2023-07-01" + (dateTimes ? " or 2023-07-01 08:30" : "") +
                     ")";
    reason.hint = NonNumberHint(text, column.name, decimal);
    return reason;
}

std::string JsonErrorText(const std::string& what) {
    const size_t close = what.find("] ");
    return what.compare(0, 1, "[") == 0 && close != std::string::npos ? what.substr(close + 2) : what;
}

std::string DelimiterHint(const std::vector<std::string>& columnNames) {
    if (columnNames.size() != 1) return {};
    const std::string& header = columnNames.front();
    struct Separator {
        char delimiter;
        const char* names;
        const char* option;
    };
    static constexpr Separator kSeparators[] = {
        {',', "commas", ","}, {';', "semicolons", ";"}, {'\t', "tabs", "tab"}};
    for (const Separator& separator : kSeparators) {
        if (header.find(separator.delimiter) == std::string::npos) continue;
        // The header's start, cut between characters.
        size_t cut = std::min<size_t>(header.size(), 40);
        while (cut > 0 && cut < header.size() &&
               (static_cast<unsigned char>(header[cut]) & 0xC0) == 0x80)
            --cut;
        std::string shown = header.substr(0, cut) + (cut < header.size() ? "..." : "");
        std::replace(shown.begin(), shown.end(), '\t', ' ');
        return "; the data file's header was read as one column, " + Quoted(shown) +
               ": if its names are separated by " + separator.names + ", give --delimiter " +
               separator.option +
               (separator.delimiter == ';' ? ", or --decimal , if its numbers have decimal commas" : "");
    }
    return {};
}

}  // namespace npar::engine
