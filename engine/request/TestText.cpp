// Parsing a test specification: words split at unquoted blanks, then each
// word read as an option (it holds an unquoted "=") or as field names.
#include "engine/TestText.h"

#include <algorithm>
#include <cctype>

#include "engine/CsvReader.h"

namespace npar::engine {

const SpecOption* TestSpec::Option(const std::string& key) const {
    for (const SpecOption& option : options) {
        if (option.key == key) return &option;
    }
    return nullptr;
}

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// One word of the specification, with quotes kept so that the commas and
// equals signs inside them are told apart from separators.
struct Word {
    std::string raw;
};

std::vector<Word> SplitWords(const std::string& text, const std::string& context) {
    std::vector<Word> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size()) break;
        Word word;
        bool quoted = false;
        for (; i < text.size() && (quoted || !IsBlank(text[i])); ++i) {
            if (text[i] == '"') quoted = !quoted;
            word.raw.push_back(text[i]);
        }
        if (quoted) throw UsageError(context + ": a double quote is never closed");
        words.push_back(std::move(word));
    }
    return words;
}

// Splits raw at its unquoted separator and removes the quotes; a doubled
// quote inside quotes stands for one quote. Empty pieces are dropped unless
// they were quoted.
std::vector<std::string> SplitUnquoted(const std::string& raw, char separator) {
    std::vector<std::string> pieces;
    std::string piece;
    bool quoted = false;
    bool hadQuotes = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            if (quoted && i + 1 < raw.size() && raw[i + 1] == '"') {
                piece.push_back('"');
                ++i;
            } else {
                quoted = !quoted;
                hadQuotes = true;
            }
        } else if (c == separator && !quoted) {
            if (!piece.empty() || hadQuotes) pieces.push_back(piece);
            piece.clear();
            hadQuotes = false;
        } else {
            piece.push_back(c);
        }
    }
    if (!piece.empty() || hadQuotes) pieces.push_back(piece);
    return pieces;
}

std::string Unquote(const std::string& raw) {
    std::string text;
    for (const std::string& piece : SplitUnquoted(raw, '\0')) text += piece;
    return text;
}

// The position of the first unquoted '=' of raw, or npos.
size_t UnquotedEquals(const std::string& raw) {
    bool quoted = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '"')
            quoted = !quoted;
        else if (raw[i] == '=' && !quoted)
            return i;
    }
    return std::string::npos;
}

}  // namespace

TestSpec ParseTestSpec(const std::string& text) {
    TestSpec spec;
    spec.text = text;
    const std::string context = "test \"" + text + "\"";
    const std::vector<Word> words = SplitWords(text, context);
    if (words.empty()) throw UsageError("a test specification is empty");
    if (UnquotedEquals(words[0].raw) != std::string::npos || words[0].raw.find('"') != std::string::npos)
        throw UsageError(context + ": it must start with the test's name");
    spec.name = Lower(words[0].raw);

    bool inOptions = false;
    bool afterBy = false;
    for (size_t w = 1; w < words.size(); ++w) {
        const std::string& raw = words[w].raw;
        const size_t equals = UnquotedEquals(raw);
        if (equals != std::string::npos) {
            SpecOption option;
            option.key = Lower(Unquote(raw.substr(0, equals)));
            const std::string value = raw.substr(equals + 1);
            option.value = Unquote(value);
            option.items = SplitUnquoted(value, ',');
            if (option.key.empty()) throw UsageError(context + ": an option has no name before \"=\"");
            if (option.value.empty())
                throw UsageError(context + ": option " + option.key + "= has no value");
            if (spec.Option(option.key))
                throw UsageError(context + ": option " + option.key + "= is given twice");
            spec.options.push_back(std::move(option));
            inOptions = true;
            continue;
        }
        if (inOptions)
            throw UsageError(context + ": \"" + Unquote(raw) +
                             "\" stands after the options; fields come first, options last");
        if (raw.find('"') == std::string::npos && Lower(raw) == "by") {
            if (spec.hasGroup) throw UsageError(context + ": \"by\" is given twice");
            spec.hasGroup = true;
            afterBy = true;
            continue;
        }
        for (std::string& name : SplitUnquoted(raw, ',')) {
            if (name.empty()) throw UsageError(context + ": a quoted field name is empty");
            if (afterBy) {
                if (!spec.group.empty())
                    throw UsageError(context + ": only one grouping field may follow \"by\" (\"" +
                                     spec.group + "\" and \"" + name + "\")");
                spec.group = std::move(name);
            } else {
                spec.fields.push_back(std::move(name));
            }
        }
    }
    if (spec.hasGroup && spec.group.empty())
        throw UsageError(context + ": \"by\" needs a grouping field after it");
    return spec;
}

CategoryOrderSpec ParseCategoryOrder(const std::string& text) {
    const std::string context = "--order " + text;
    const size_t equals = UnquotedEquals(text);
    if (equals == std::string::npos)
        throw UsageError(context +
                         ": give the variable, \"=\" and its values in order: "
                         "--order tension=low,medium,high");
    CategoryOrderSpec order;
    order.variable = std::string(TrimBlanks(Unquote(text.substr(0, equals))));
    if (order.variable.empty()) throw UsageError(context + ": no variable before \"=\"");
    for (const std::string& value : SplitUnquoted(text.substr(equals + 1), ','))
        order.values.emplace_back(TrimBlanks(value));
    if (order.values.empty()) throw UsageError(context + ": no values after \"=\"");
    return order;
}

}  // namespace npar::engine
