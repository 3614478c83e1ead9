// UTF-8 read one character at a time.
#include "text/Utf8.h"

#include <cstdint>
#include <cstring>

namespace npar {

size_t Utf8SequenceAt(std::string_view text, size_t i, char32_t& codePoint) {
    const auto byteAt = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byteAt(i);
    if (c < 0x80) {
        codePoint = c;
        return 1;
    }
    size_t length = 0;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        codePoint = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        codePoint = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        codePoint = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byteAt(i + k) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byteAt(i + k) & 0x3F);
    }
    const char32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    const bool valid =
        codePoint >= minimum && codePoint <= 0x10FFFF && !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
    return valid ? length : 0;
}

bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        // Eight ASCII bytes at a time.
        std::uint64_t word;
        if (text.size() - i >= sizeof word) {
            std::memcpy(&word, text.data() + i, sizeof word);
            if ((word & 0x8080808080808080u) == 0) {
                i += sizeof word;
                continue;
            }
        }
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        const size_t length = Utf8SequenceAt(text, i, codePoint);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string SanitizeUtf8(const std::string& text) {
    static const char kReplacement[] = "\xEF\xBF\xBD";
    // Nearly every text is valid already, and checking is quicker than copying
    // one character at a time.
    if (IsValidUtf8(text)) return text;
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t codePoint = 0;
        const size_t length = Utf8SequenceAt(text, i, codePoint);
        if (length > 0) {
            out.append(text, i, length);
            i += length;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

namespace {

struct CodeRange {
    char32_t first, last;
};

// Characters that take no column: combining marks (Latin, Greek and Cyrillic,
// Hebrew and Arabic points, Thai vowels, the supplements and the marks for
// symbols), zero-width spaces and joiners, direction marks and embeddings,
// word joiners, variation selectors and the byte-order mark.
constexpr CodeRange kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489},   {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
    {0x05C4, 0x05C5}, {0x05C7, 0x05C7},   {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670},
    {0x06D6, 0x06DC}, {0x06DF, 0x06E4},   {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0E31, 0x0E31},
    {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E},   {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x202A, 0x202E}, {0x2060, 0x2064},   {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
    {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// Characters that take two columns: the wide and full-width East Asian
// blocks (Hangul Jamo and syllables, CJK radicals, kana, ideographs, Yi,
// compatibility forms, full-width forms) and the emoji blocks.
constexpr CodeRange kWide[] = {
    {0x1100, 0x115F},   {0x2329, 0x232A},   {0x2E80, 0x303E}, {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF},
    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <size_t N>
bool InRanges(char32_t codePoint, const CodeRange (&ranges)[N]) {
    for (const CodeRange& range : ranges) {
        if (codePoint < range.first) return false;  // the ranges are in order
        if (codePoint <= range.last) return true;
    }
    return false;
}

size_t ColumnsOf(char32_t codePoint) {
    if (InRanges(codePoint, kZeroWidth)) return 0;
    return InRanges(codePoint, kWide) ? 2 : 1;
}

// The character at text[at]: its byte length (1 for an invalid byte) and
// its columns.
size_t CharacterAt(std::string_view text, size_t at, size_t& columns) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
        columns = 1;
        return 1;
    }
    char32_t codePoint = 0;
    const size_t length = Utf8SequenceAt(text, at, codePoint);
    if (length == 0) {
        columns = 1;
        return 1;
    }
    columns = ColumnsOf(codePoint);
    return length;
}

}  // namespace

size_t DisplayWidth(std::string_view text) {
    size_t width = 0;
    for (size_t at = 0; at < text.size();) {
        // Eight ASCII bytes at a time: most texts are.
        std::uint64_t word;
        if (text.size() - at >= sizeof word) {
            std::memcpy(&word, text.data() + at, sizeof word);
            if ((word & 0x8080808080808080u) == 0) {
                at += sizeof word;
                width += sizeof word;
                continue;
            }
        }
        size_t columns = 0;
        at += CharacterAt(text, at, columns);
        width += columns;
    }
    return width;
}

size_t DisplayPrefix(std::string_view text, size_t columns) {
    size_t at = 0, used = 0;
    while (at < text.size()) {
        size_t width = 0;
        const size_t length = CharacterAt(text, at, width);
        // A character that does not fit ends the start, unless nothing but
        // marks has been taken yet; marks go with the character before them.
        if (width > 0 && used > 0 && used + width > columns) break;
        at += length;
        used += width;
    }
    return at;
}

}  // namespace npar
