// Filling composite patterns: ^N takes argument N; [FIRST:REST]N writes
// argument N as a list, FIRST for its first group of texts and REST for each
// later one, %k and ^k standing for the k-th text of the group. Anything the
// syntax does not describe is written as it stands.
#include <string>
#include <vector>

#include "BpOutput.h"

namespace {

using Arguments = std::vector<std::vector<std::string>>;

// Reads a decimal number of at most 9 digits at text[pos]; gives the number
// and moves pos past it, or -1 and leaves pos where it was.
int ReadNumber(const std::string& text, size_t& pos) {
    size_t end = pos;
    int number = 0;  // nine digits at most: no overflow
    while (end < text.size() && end - pos < 9 && text[end] >= '0' && text[end] <= '9')
        number = number * 10 + (text[end++] - '0');
    if (end == pos) return -1;
    pos = end;
    return number;
}

// Appends the texts to out, separated by ", ".
void AppendJoined(const std::vector<std::string>& texts, std::string& out) {
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) out += ", ";
        out += texts[i];
    }
}

// The highest %k or ^k in a list part: the number of texts in one group.
int GroupSize(const std::string& part) {
    int highest = 0;
    for (size_t pos = 0; pos < part.size(); ++pos) {
        if (part[pos] != '%' && part[pos] != '^') continue;
        size_t at = pos + 1;
        highest = std::max(highest, ReadNumber(part, at));
    }
    return highest;
}

// One list part with %k and ^k taken from the group starting at first.
std::string FillGroup(const std::string& part, const std::vector<std::string>& texts, size_t first) {
    std::string out;
    for (size_t pos = 0; pos < part.size();) {
        if (part[pos] == '%' || part[pos] == '^') {
            size_t at = pos + 1;
            const int k = ReadNumber(part, at);
            if (k >= 1 && first + static_cast<size_t>(k) - 1 < texts.size()) {
                out += texts[first + static_cast<size_t>(k) - 1];
                pos = at;
                continue;
            }
        }
        out += part[pos++];
    }
    return out;
}

// A bracket form starting at text[open]; gives false when it is none.
bool FillList(const std::string& text, size_t open, const Arguments& arguments, std::string& out,
              size_t& next) {
    const size_t close = text.find(']', open + 1);
    if (close == std::string::npos) return false;
    size_t at = close + 1;
    const int n = ReadNumber(text, at);
    if (n < 1 || static_cast<size_t>(n) > arguments.size()) return false;

    const std::string body = text.substr(open + 1, close - open - 1);
    const size_t colon = body.find(':');
    std::string first = colon == std::string::npos ? body : body.substr(0, colon);
    std::string rest = colon == std::string::npos ? body : body.substr(colon + 1);
    if (!rest.empty() && rest.back() == ':') rest.pop_back();
    const int groupSize = std::max(1, std::max(GroupSize(first), GroupSize(rest)));

    const std::vector<std::string>& texts = arguments[static_cast<size_t>(n) - 1];
    for (size_t start = 0; start < texts.size(); start += static_cast<size_t>(groupSize))
        out += FillGroup(start == 0 ? first : rest, texts, start);
    next = at;
    return true;
}

}  // namespace

std::string FillPattern(const std::string& pattern, const Arguments& arguments) {
    std::string out;
    out.reserve(pattern.size());
    size_t pos = 0;
    while (pos < pattern.size()) {
        const char c = pattern[pos];
        if (c == '^') {
            size_t at = pos + 1;
            const int n = ReadNumber(pattern, at);
            if (n >= 1 && static_cast<size_t>(n) <= arguments.size()) {
                AppendJoined(arguments[static_cast<size_t>(n) - 1], out);
                pos = at;
                continue;
            }
        } else if (c == '[') {
            size_t next = pos;
            if (FillList(pattern, pos, arguments, out, next)) {
                pos = next;
                continue;
            }
        }
        // The character as it stands, and the plain text after it up to the
        // next character that may start a form, in one piece.
        // (A plain loop: find_first_of would search the set for every byte.)
        size_t end = pos + 1;
        while (end < pattern.size() && pattern[end] != '^' && pattern[end] != '[') ++end;
        out.append(pattern, pos, end - pos);
        pos = end;
    }
    return out;
}
