// The chart service's UTF-16 strings, the code-page transcoders and the date
// formatter.
#include "ChartString.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "CalendarDays.h"
#include "chart/ChartUnicode.h"
#include "text/Utf8.h"

namespace chart {
namespace {

void AppendCodePoint(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out += static_cast<char16_t>(codePoint);
    } else {
        codePoint -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
        out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    }
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

bool ForbiddenInXml(char32_t codePoint) {
    if (codePoint < 0x20) return codePoint != 0x09 && codePoint != 0x0A && codePoint != 0x0D;
    return codePoint == 0xFFFE || codePoint == 0xFFFF;
}

}  // namespace

std::u16string DecodeUtf8(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t codePoint = 0;
        const size_t length = npar::Utf8SequenceAt(text, i, codePoint);
        if (length > 0) {
            AppendCodePoint(out, codePoint);
            i += length;
        } else {
            out += u'\uFFFD';
            ++i;
        }
    }
    return out;
}

std::string EncodeUtf8(const std::u16string& text, bool forXml) {
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t unit = text[i];
        char32_t codePoint = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            codePoint = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            if (forXml) continue;
            codePoint = 0xFFFD;
        }
        if (forXml && ForbiddenInXml(codePoint)) continue;
        AppendUtf8(out, codePoint);
    }
    return out;
}

std::string XmlText(const std::string& utf8) {
    // Printable ASCII, tabs and line breaks (most texts) come back as they are.
    const bool plain = std::all_of(utf8.begin(), utf8.end(), [](char c) {
        return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\r';
    });
    return plain ? utf8 : EncodeUtf8(DecodeUtf8(utf8), true);
}

}  // namespace chart

// ---------------------------------------------------------------------------

ChartString::ChartString(const std::string& text) : fText(chart::DecodeUtf8(text)) {}

ChartString::ChartString(const char* text) {
    if (text) fText = chart::DecodeUtf8(text);
}

ChartString& ChartString::assign(const std::string& text) {
    fText = chart::DecodeUtf8(text);
    return *this;
}

ChartString& ChartString::assignDouble(double value, int digits) {
    if (std::isnan(value)) {
        fText = u"NaN";
        return *this;
    }
    if (std::isinf(value)) {
        fText = value > 0 ? u"inf" : u"-inf";
        return *this;
    }
    if (value == 0) value = 0.0;  // no "-0"
    // %g's rounding and layout; to_chars does not look at the locale.
    char buffer[64];
    const int precision = std::clamp(digits, 1, 17);
    // A whole number of at most precision digits (most keys and sizes): %g
    // writes its digits alone, which the integer conversion gives at a
    // fraction of the cost.
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double limit = kPowersOfTen[std::min(precision, 15)];
    const auto result =
        std::fabs(value) < limit && value == std::trunc(value)
            ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value))
            : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                            precision);
    fText.clear();
    for (const char* c = buffer; c != result.ptr; ++c) fText += static_cast<char16_t>(*c);
    return *this;
}

ChartString& ChartString::assignInteger(long long value) {
    fText.clear();
    return appendInteger(value);
}

ChartString& ChartString::append(const std::string& text) {
    fText += chart::DecodeUtf8(text);
    return *this;
}

ChartString& ChartString::append(const char* text) {
    if (text) fText += chart::DecodeUtf8(text);
    return *this;
}

ChartString& ChartString::append(const char16_t* text) {
    if (text) fText += text;
    return *this;
}

ChartString& ChartString::append(const ChartString& text) {
    fText += text.fText;
    return *this;
}

ChartString& ChartString::append(char16_t unit) {
    fText += unit;
    return *this;
}

ChartString& ChartString::appendInteger(long long value) {
    for (char c : std::to_string(value)) fText += static_cast<char16_t>(c);
    return *this;
}

ChartString& ChartString::replaceSubstring(const ChartString& old, const ChartString& replacement) {
    if (old.fText.empty()) return *this;
    std::u16string result;
    size_t from = 0;
    for (size_t at = fText.find(old.fText); at != std::u16string::npos;
         at = fText.find(old.fText, from)) {
        result.append(fText, from, at - from);
        result += replacement.fText;
        from = at + old.fText.size();
    }
    result.append(fText, from, std::u16string::npos);
    fText = std::move(result);
    return *this;
}

std::string ChartString::toUTF8() const { return chart::EncodeUtf8(fText, false); }

// ---------------------------------------------------------------------------

namespace {

// Windows-1252's characters for 0x80 to 0x9F; the five unassigned bytes
// decode as U+FFFD.
constexpr char16_t kWindows1252High[32] = {
    u'\u20AC', u'\uFFFD', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\uFFFD', u'\u017D', u'\uFFFD',
    u'\uFFFD', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\uFFFD', u'\u017E', u'\u0178'};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

ChartTranscoder::ChartTranscoder(const std::string& codePage) {
    const std::string name = Upper(codePage);
    fWindows1252 = name == "CP1252" || name == "WINDOWS-1252" || name == "1252";
}

ChartString ChartTranscoder::transcode(const std::string& text) const {
    if (!fWindows1252) return ChartString(text);
    ChartString out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out.append(byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80]
                                                : static_cast<char16_t>(byte));
    }
    return out;
}

ChartString XUtility::ChartStringFromOLANG(const std::string& text) { return ChartString(text); }

ChartString XUtility::ChartStringFromLocalCodePage(const std::string& text) { return ChartString(text); }

// ---------------------------------------------------------------------------

namespace formatter {

ChartString formattedDate(double seconds) {
    // 0001-01-01T00:00:00 and 10000-01-01T00:00:00 in seconds since 1970-01-01.
    constexpr long long kFirst = -62135596800LL;
    constexpr long long kEnd = 253402300800LL;
    if (!std::isfinite(seconds)) return ChartString();
    const double unixSeconds = seconds - npar::kSecondsFrom1582To1970;
    if (unixSeconds < static_cast<double>(kFirst) || unixSeconds >= static_cast<double>(kEnd))
        return ChartString();
    const long long total = std::llround(unixSeconds);
    if (total < kFirst || total >= kEnd) return ChartString();

    long long days = total / 86400;
    long long timeOfDay = total % 86400;
    if (timeOfDay < 0) {
        timeOfDay += 86400;
        --days;
    }
    // Civil date of a day count since 1970-01-01 (proleptic Gregorian).
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long dayOfEra = z - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const long long month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    char buffer[48];
    int length = std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", year, month, day);
    if (timeOfDay != 0 && length > 0 && static_cast<size_t>(length) < sizeof buffer) {
        std::snprintf(buffer + length, sizeof buffer - length, "T%02lld:%02lld:%02lld", timeOfDay / 3600,
                      timeOfDay / 60 % 60, timeOfDay % 60);
    }
    return ChartString(buffer);
}

}  // namespace formatter
