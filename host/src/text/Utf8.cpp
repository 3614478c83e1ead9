// UTF-8 read one character at a time.
#include "text/Utf8.h"

#include <cstdint>
#include <cstring>

namespace npar {

size_t Utf8SequenceAt(const std::string& text, size_t i, char32_t& codePoint) {
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

bool ContinuesSequence(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

size_t CharacterCount(std::string_view text) {
    size_t count = 0;
    for (char byte : text) count += ContinuesSequence(byte) ? 0 : 1;
    return count;
}

size_t CharacterPrefix(const std::string& text, size_t count) {
    size_t at = 0;
    for (size_t seen = 0; at < text.size(); ++at) {
        if (!ContinuesSequence(text[at]) && seen++ == count) break;
    }
    return at;
}

}  // namespace npar
