// The streaming JSON writer: separators, indentation and escapes as
// nlohmann::json's dump makes them.
#include "JsonStream.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <nlohmann/json.hpp>

#include "text/Utf8.h"

namespace npar {
namespace {

using Json = render::Json;

constexpr const char* kHexDigits = "0123456789abcdef";

// The bytes of a word that are below 0x20, a quote or a backslash, as their
// high bits; bytes after the first such byte may be marked too (a borrow
// runs on), but the lowest mark is always a byte that is one.
std::uint64_t EscapeMarks(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    const auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    const std::uint64_t control = (word - 0x20 * kOnes) & ~word & kHighs;
    return control | zeroBytes(word ^ ('"' * kOnes)) | zeroBytes(word ^ ('\\' * kOnes));
}

// Whether a word holds a byte below 0x20, a quote or a backslash (each test
// is exact about whether some byte matches, which is all that is asked).
template <typename Word>
bool HasEscape(Word word) {
    constexpr Word kOnes = static_cast<Word>(0x0101010101010101u),
                   kHighs = static_cast<Word>(0x8080808080808080u);
    const auto hasZeroByte = [](Word v) { return static_cast<Word>((v - kOnes) & ~v & kHighs); };
    const Word control = static_cast<Word>((word - 0x20 * kOnes) & ~word & kHighs);
    return (control | hasZeroByte(word ^ static_cast<Word>('"' * kOnes)) |
            hasZeroByte(word ^ static_cast<Word>('\\' * kOnes))) != 0;
}

template <typename Word>
Word Load(const char* bytes) {
    Word word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Whether a word holds a byte to escape or one of 0x80 and above (a byte of
// a character beyond ASCII, or an invalid one).
template <typename Word>
bool HasEscapeOrHighByte(Word word) {
    return (word & static_cast<Word>(0x8080808080808080u)) != 0 || HasEscape(word);
}

// The letter written after the backslash of each byte that is written
// escaped (below 0x20, a quote or a backslash): 'u' for those written as
// \u00XX; 0 for the bytes written as they are.
struct EscapeLetters {
    char of[256] = {};
    constexpr EscapeLetters() {
        for (int c = 0; c < 0x20; ++c) of[c] = 'u';
        of[static_cast<unsigned char>('"')] = '"';
        of[static_cast<unsigned char>('\\')] = '\\';
        of[static_cast<unsigned char>('\b')] = 'b';
        of[static_cast<unsigned char>('\f')] = 'f';
        of[static_cast<unsigned char>('\n')] = 'n';
        of[static_cast<unsigned char>('\r')] = 'r';
        of[static_cast<unsigned char>('\t')] = 't';
    }
};
constexpr EscapeLetters kEscapeLetters;

// Whether some word of text passes test, a word at a time: the last word of
// a text of eight bytes or more is read where it ends, overlapping the one
// before; shorter texts (most names) are looked up a byte at a time.
template <template <typename> class Test>
inline __attribute__((always_inline)) bool AnyWord(std::string_view text) {
    const char* data = text.data();
    const size_t size = text.size();
    if (size >= 8) {
        for (size_t i = 0; i + 8 <= size; i += 8) {
            if (Test<std::uint64_t>::Check(Load<std::uint64_t>(data + i))) return true;
        }
        return Test<std::uint64_t>::Check(Load<std::uint64_t>(data + size - 8));
    }
    bool any = false;
    for (size_t i = 0; i < size; ++i)
        any |= Test<std::uint64_t>::CheckByte(static_cast<unsigned char>(data[i]));
    return any;
}

template <typename Word>
struct EscapeTest {
    static bool Check(Word word) { return HasEscape(word); }
    static bool CheckByte(unsigned char c) { return kEscapeLetters.of[c] != 0; }
};
template <typename Word>
struct EscapeOrHighByteTest {
    static bool Check(Word word) { return HasEscapeOrHighByte(word); }
    static bool CheckByte(unsigned char c) { return c >= 0x80 || kEscapeLetters.of[c] != 0; }
};

// Whether text holds a byte to escape.
inline __attribute__((always_inline)) bool NeedsEscape(std::string_view text) {
    return AnyWord<EscapeTest>(text);
}

// Whether text is ASCII with no byte to escape: valid UTF-8 written as it is.
inline __attribute__((always_inline)) bool IsPlainAscii(std::string_view text) {
    return !AnyWord<EscapeOrHighByteTest>(text);
}

// Spaces of indentation copied a fixed 64 at a time, whatever the depth
// (most are shallower): a copy of a constant size is a few stores, where a
// fill of a variable size is a call.
constexpr size_t kSpaceBlock = 64;

// Writes spaces spaces at to, which has room for kSpaceBlock bytes more than
// that.
inline __attribute__((always_inline)) void WriteSpaces(char* to, size_t spaces) {
    static constexpr char kSpaces[kSpaceBlock + 1] =
        "                                                                ";
    static_assert(sizeof kSpaces == kSpaceBlock + 1);
    if (spaces <= kSpaceBlock)
        std::memcpy(to, kSpaces, kSpaceBlock);
    else
        std::memset(to, ' ', spaces);
}

// Copies size bytes; short ones (names, most values) with two overlapping
// loads and stores of a fixed size, which read nothing outside from.
inline __attribute__((always_inline)) void CopyBytes(char* to, const char* from, size_t size) {
    if (size >= 8 && size <= 16) {
        std::uint64_t head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + size - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + size - 8, &tail, 8);
    } else if (size >= 4 && size < 8) {
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + size - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + size - 4, &tail, 4);
    } else if (size < 4) {
        for (size_t i = 0; i < size; ++i) to[i] = from[i];
    } else {
        std::memcpy(to, from, size);
    }
}

// Writes the escape of byte c, one that is written escaped, at to; where it
// ends.
inline __attribute__((always_inline)) char* WriteEscape(char* to, unsigned char c) {
    const char letter = kEscapeLetters.of[c];
    to[0] = '\\';
    to[1] = letter;
    if (letter != 'u') return to + 2;
    to[2] = '0';
    to[3] = '0';
    to[4] = kHexDigits[c >> 4];
    to[5] = kHexDigits[c & 15];
    return to + 6;
}

// Writes text escaped, a chunk at a time straight into the room the output
// gives (an escape is at most six bytes for one). The text is read a word
// at a time: a word with nothing to escape is stored whole; else it is
// stored whole too, but kept only up to its first byte to escape, whose
// escape follows. Marked-up text (a chart document has a quote or a line
// break every few bytes) thus costs a few steps per escape, and plain runs
// one word per eight bytes. The last bytes of a chunk are read one by one.
template <typename Out>
void WriteEscaped(Out& out, std::string_view text) {
    constexpr size_t kChunk = Out::kCapacity / 6;
    static_assert(6 * kChunk <= Out::kCapacity, "a chunk's escapes fit the room asked for");
    const char* data = text.data();
    const size_t size = text.size();
    for (size_t at = 0; at < size;) {
        const size_t end = std::min(size, at + kChunk);
        char* const begin = out.Room(6 * (end - at));
        char* to = begin;
        // (A whole word is stored only while eight bytes are left to read:
        // at least six times as many bytes of room are left to write.)
        if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
            while (end - at >= 8) {
                std::uint64_t word;
                std::memcpy(&word, data + at, sizeof word);
                std::memcpy(to, &word, sizeof word);
                const std::uint64_t marks = EscapeMarks(word);
                if (marks == 0) {
                    to += 8;
                    at += 8;
                    continue;
                }
                const size_t plain = static_cast<size_t>(__builtin_ctzll(marks)) / 8;
                to = WriteEscape(to + plain, static_cast<unsigned char>(data[at + plain]));
                at += plain + 1;
            }
        }
        for (; at < end; ++at) {
            const unsigned char c = static_cast<unsigned char>(data[at]);
            if (kEscapeLetters.of[c] == 0)
                *to++ = static_cast<char>(c);
            else
                to = WriteEscape(to, c);
        }
        out.Commit(static_cast<size_t>(to - begin));
    }
}

}  // namespace

void JsonStream::Indent(size_t depth) {
    static const std::string kSpaces(64, ' ');
    size_t spaces = depth * static_cast<size_t>(fIndent);
    while (spaces > 0) {
        const size_t chunk = spaces < kSpaces.size() ? spaces : kSpaces.size();
        fOut.Append(kSpaces.data(), chunk);
        spaces -= chunk;
    }
}

void JsonStream::Break(bool comma, size_t depth) {
    // The comma, the line break and the indentation in one piece where the
    // indentation fits.
    const size_t spaces = depth * static_cast<size_t>(fIndent);
    if (spaces <= 256) {
        char* at = fOut.Room(spaces + 2 + kSpaceBlock);
        size_t used = 0;
        if (comma) at[used++] = ',';
        at[used++] = '\n';
        WriteSpaces(at + used, spaces);
        fOut.Commit(used + spaces);
        return;
    }
    fOut.Append(comma ? ",\n" : "\n", comma ? 2 : 1);
    Indent(depth);
}

void JsonStream::BeforeValue() {
    if (fAfterKey) {
        fAfterKey = false;
        return;
    }
    if (fCounts.empty()) return;
    const bool comma = fCounts.back()++ > 0;
    if (fIndent >= 0)
        Break(comma, fCounts.size());
    else if (comma)
        fOut += ',';
}

void JsonStream::Begin(char bracket) {
    BeforeValue();
    fOut += bracket;
    fCounts.push_back(0);
}

void JsonStream::End(char bracket) {
    const size_t count = fCounts.back();
    fCounts.pop_back();
    if (count > 0 && fIndent >= 0) Break(false, fCounts.size());
    fOut += bracket;
    AfterValue();
}

void JsonStream::BeginObject() { Begin('{'); }
void JsonStream::EndObject() { End('}'); }
void JsonStream::BeginArray() { Begin('['); }
void JsonStream::EndArray() { End(']'); }

void JsonStream::Key(std::string_view name) {
    // A member of an open object (the common case): the comma, the line
    // break, the indentation and the quoted name in one piece where they
    // fit, as BeforeValue and WriteQuoted would write them.
    const size_t spaces = fIndent > 0 ? fCounts.size() * static_cast<size_t>(fIndent) : 0;
    if (!fAfterKey && !fCounts.empty() && spaces + name.size() + 6 <= 512 && !NeedsEscape(name)) {
        char* piece = fOut.Room(spaces + name.size() + 6 + kSpaceBlock);
        size_t used = 0;
        if (fCounts.back()++ > 0) piece[used++] = ',';
        if (fIndent >= 0) {
            piece[used++] = '\n';
            WriteSpaces(piece + used, spaces);
            used += spaces;
        }
        piece[used++] = '"';
        CopyBytes(piece + used, name.data(), name.size());
        used += name.size();
        piece[used++] = '"';
        piece[used++] = ':';
        if (fIndent >= 0) piece[used++] = ' ';
        fOut.Commit(used);
        fAfterKey = true;
        return;
    }
    BeforeValue();
    WriteQuoted(name, fIndent >= 0 ? ": " : ":");
    fAfterKey = true;
}

void JsonStream::Written(std::string_view value) {
    BeforeValue();
    fOut += value;
    AfterValue();
}

void JsonStream::String(const std::string& text) {
    BeforeValue();
    if (!WriteText(text)) WriteQuoted(SanitizeUtf8(text));
    AfterValue();
}

bool JsonStream::WriteText(const std::string& text) {
    if (IsPlainAscii(text) && text.size() + 2 <= Pending::kCapacity) {
        char* piece = fOut.Room(text.size() + 2);
        piece[0] = '"';
        CopyBytes(piece + 1, text.data(), text.size());
        piece[text.size() + 1] = '"';
        fOut.Commit(text.size() + 2);
        return true;
    }
    if (!IsValidUtf8(text)) return false;
    WriteQuoted(text);
    return true;
}

void JsonStream::WriteQuoted(std::string_view text, std::string_view after) {
    // Short texts without a byte to escape (names, most values) in one piece.
    const size_t size = text.size() + after.size() + 2;
    if (size <= 512 && !NeedsEscape(text)) {
        // (std::copy: an empty view may have no data, which memcpy must not be given.)
        char* piece = fOut.Room(size);
        piece[0] = '"';
        std::copy(text.begin(), text.end(), piece + 1);
        piece[text.size() + 1] = '"';
        std::copy(after.begin(), after.end(), piece + text.size() + 2);
        fOut.Commit(size);
        return;
    }
    fOut += '"';
    WriteEscaped(fOut, text);
    fOut += '"';
    fOut += after;
}

namespace {

// Writes a number that is the double nearest to a decimal with at most two
// places (a pixel position, a font size), as the shortest form writes it,
// and gives where it ends; null, and nothing written, for any other number.
// Such a decimal is the only shortest text that reads back as the number:
// another of as many digits or fewer lies a hundredth or more away, and the
// number's rounding interval is far narrower. The shortest-digits search
// finds it too: a decimal of two places lies at least a two-hundredth of
// the number's last binary place from the interval's ends, beyond the
// search's margin of error (below a five-hundredth).
char* WriteTwoPlaces(char* at, double value) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < 1e13)) return nullptr;
    const double hundredths = std::round(magnitude * 100);
    if (hundredths / 100 != magnitude) return nullptr;
    const auto whole = static_cast<std::uint64_t>(hundredths);
    if (std::signbit(value)) *at++ = '-';
    at = std::to_chars(at, at + 24, whole / 100).ptr;
    *at++ = '.';
    const auto places = static_cast<unsigned>(whole % 100);
    *at++ = static_cast<char>('0' + places / 10);
    if (places % 10 != 0) *at++ = static_cast<char>('0' + places % 10);
    return at;
}

}  // namespace

void JsonStream::Number(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        fOut += "null";
    } else {
        char buffer[64];
        char* end = nullptr;
        if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
            // A whole number (four in ten in a chart's specification): the
            // shortest form writes its digits and ".0", found without the
            // search for the shortest digits.
            char* at = buffer;
            if (std::signbit(value)) *at++ = '-';
            at = std::to_chars(at, buffer + sizeof buffer, static_cast<std::uint64_t>(std::fabs(value)))
                     .ptr;
            *at++ = '.';
            *at++ = '0';
            end = at;
        } else if (!(end = WriteTwoPlaces(buffer, value))) {
            // (Most other numbers in a specification have one or two places.)
            end = nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, value);
        }
        fOut.Append(buffer, static_cast<size_t>(end - buffer));
    }
    AfterValue();
}

template <typename T>
void JsonStream::WholeNumber(T value) {
    BeforeValue();
    char buffer[24];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    fOut.Append(buffer, static_cast<size_t>(written.ptr - buffer));
    AfterValue();
}

void JsonStream::Bool(bool value) {
    BeforeValue();
    fOut += value ? "true" : "false";
    AfterValue();
}

void JsonStream::Null() {
    BeforeValue();
    fOut += "null";
    AfterValue();
}

void JsonStream::Value(const Json& value) {
    switch (value.type()) {
        case Json::value_t::object:
            BeginObject();
            for (const Json::Member& member : value.items()) {
                Key(member.key());
                Value(member.value());
            }
            EndObject();
            return;
        case Json::value_t::array:
            BeginArray();
            for (const Json& element : value) Value(element);
            EndArray();
            return;
        case Json::value_t::string: {
            const std::string& text = value.get_ref<const std::string&>();
            BeforeValue();
            if (!WriteText(text))
                fOut +=
                    nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
            AfterValue();
            return;
        }
        case Json::value_t::boolean:
            Bool(value.get<bool>());
            return;
        case Json::value_t::number_float:
            Number(value.get<double>());
            return;
        case Json::value_t::number_integer:
            WholeNumber(value.get<std::int64_t>());
            return;
        case Json::value_t::number_unsigned:
            WholeNumber(value.get<std::uint64_t>());
            return;
        case Json::value_t::null:
            Null();
            return;
    }
}

}  // namespace npar
