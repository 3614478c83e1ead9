// How usage errors name what the user wrote, and the hint they give when a
// test, variable or key was most likely mistyped, or a cell that should
// have been a number was not one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace npar::engine {

struct Column;

// `text` in double quotes, as messages name a name the user wrote.
std::string Quoted(const std::string& text);
// The texts quoted and joined as a sentence lists them ("a", "b" and "c"),
// the first `shown` of them, then " and 3 more".
std::string QuotedList(const std::vector<std::string>& texts, size_t shown = SIZE_MAX);

// A JSON parse error's message as a user reads it: where and what, without
// the JSON library's error code ("[json.exception.parse_error.101] ").
std::string JsonErrorText(const std::string& what);

// The one of `names` the user most likely meant by `given`, or empty when
// none is close or two are equally close. Letter case is ignored. A name
// that `given` begins (three letters at least: "kruskal" for
// "kruskal-wallis") is close, and so is one a few typing slips away (a
// letter added, dropped or changed, or two swapped: one slip when `given`
// has three or four letters, two when it has more, none when it has fewer).
// A name equal to `given` but for case comes first, then one it begins, then
// the fewest slips.
std::string LikelyMeant(const std::string& given, const std::vector<std::string>& names);

// What follows an unknown name in a message: " (did you mean "NAME"? MORE)",
// with the name LikelyMeant finds and `more`; either may be missing, and
// with neither the text is empty.
std::string HintAfter(const std::string& given, const std::vector<std::string>& names,
                      const std::string& more = {});

// A text as one word of a shell's command line: as it is when it is letters,
// digits and . / - _ = , alone ("NA", "tension=L,M,H"), else in single quotes
// ('#N/A', '?'), which keep every character but a single quote as it is.
std::string ShellWord(const std::string& text);

// What follows a message about the cell text `text` of `variable` when the
// text is a code data files write for a missing value ("NA", "N/A", ".",
// "-", ...): that --na or the dictionary can name it missing. Starts with
// "; "; empty for any other text.
std::string MissingCodeHint(const std::string& text, const std::string& variable);

// What follows a message about the cell text `text` of `variable` that is
// not a number in the file's decimal mark `decimal`, when the text looks like
// something else that is common in data files: a code for a missing value
// ("NA", "N/A", ".", "-", ...), which the dictionary can name as missing, or
// a number written with the other decimal mark or with thousands separators
// (a decimal comma in a file read with points is pointed to --decimal).
// Starts with "; "; empty when the text looks like neither.
std::string NonNumberHint(const std::string& text, const std::string& variable, char decimal);

// Why the string column `column` of a file read with the decimal mark
// `decimal` holds text rather than numbers or dates, as a message says it
// after "holds text": in parentheses, the first cell that is no number
// ("("a" in data row 3 is not a number)"), or, when most of the filled cells
// are ISO dates, the first that is no date of the calendar; then
// NonNumberHint's hint for that cell. `ofDates` says which. Both texts are
// empty when every filled cell reads as a number, or every one as a date (a
// column the dictionary makes a string).
struct TextColumnReason {
    std::string why;
    std::string hint;
    bool ofDates = false;
};
TextColumnReason ExplainTextColumn(const Column& column, char decimal);

// What follows a message about a variable the data lack, when the data file
// was read as a single column whose name holds another delimiter (a
// semicolon-separated file read with commas, or the other way round): what
// the header was read as, and the --delimiter that fits it. Starts with
// "; "; empty otherwise.
std::string DelimiterHint(const std::vector<std::string>& columnNames);

}  // namespace npar::engine
