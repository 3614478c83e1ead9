// Blanks in texts: those that hold a results line's statements together, and
// closing up runs of them.
#include "text/Blanks.h"

#include <algorithm>

namespace npar {
namespace {

// The relation signs written with more than one byte: "≤", "≥", "≠".
constexpr std::string_view kWideRelations[] = {"\u2264", "\u2265", "\u2260"};

bool IsRelationByte(char c) { return c == '=' || c == '<' || c == '>'; }

// Whether a relation sign begins at text[at].
bool RelationAt(std::string_view text, size_t at) {
    if (at >= text.size()) return false;
    if (IsRelationByte(text[at])) return true;
    for (const std::string_view sign : kWideRelations)
        if (text.substr(at, sign.size()) == sign) return true;
    return false;
}

// Whether a relation sign ends just before text[at].
bool RelationBefore(std::string_view text, size_t at) {
    if (at > 0 && IsRelationByte(text[at - 1])) return true;
    for (const std::string_view sign : kWideRelations)
        if (at >= sign.size() && text.substr(at - sign.size(), sign.size()) == sign) return true;
    return false;
}

}  // namespace

std::vector<bool> HeldBlanks(std::string_view text) {
    std::vector<bool> held(text.size(), false);
    int brackets = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '[') ++brackets;
        if (text[i] == ']') brackets = std::max(0, brackets - 1);
        if (text[i] == '\n') brackets = 0;
        if (text[i] != ' ') continue;
        const bool interval =
            brackets > 0 || (i + 1 < text.size() && text[i + 1] == '[') || (i > 0 && text[i - 1] == '%');
        held[i] = interval || RelationAt(text, i + 1) || RelationBefore(text, i);
    }
    return held;
}

std::string CloseUpBlanks(std::string_view text) {
    std::string words;
    words.reserve(text.size());
    for (const char c : text) {
        const bool blank = c == ' ' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (blank && (words.empty() || words.back() == ' ')) continue;
        words += blank ? ' ' : c;
    }
    if (!words.empty() && words.back() == ' ') words.pop_back();
    return words;
}

}  // namespace npar
