// Texts of the chart service: the UTF-16 string the service works in, the
// conversions into it, and the date formatter.
#pragma once

#include <string>

class ChartString {
public:
    ChartString() = default;
    // From 8-bit text (UTF-8; invalid bytes become U+FFFD).
    explicit ChartString(const std::string& text);
    explicit ChartString(const char* text);

    ChartString& assign(const std::string& text);
    // The number rounded to at most `digits` significant digits (1 to 17),
    // written as printf's %g writes it but independent of the locale and
    // without trailing zeros: "0.25", "7", "1e+20", "-1.797693134862316e+308".
    // NaN writes "NaN", infinities "inf" and "-inf".
    ChartString& assignDouble(double value, int digits);
    ChartString& assignInteger(long long value);

    ChartString& append(const std::string& text);
    ChartString& append(const char* text);
    ChartString& append(const char16_t* text);
    ChartString& append(const ChartString& text);
    ChartString& append(char16_t unit);
    ChartString& appendInteger(long long value);

    bool equals(const ChartString& other) const { return fText == other.fText; }
    bool empty() const { return fText.empty(); }
    size_t length() const { return fText.size(); }
    // Replaces every occurrence of old by replacement (an empty old changes nothing).
    ChartString& replaceSubstring(const ChartString& old, const ChartString& replacement);

    const char16_t* xc_str() const { return fText.c_str(); }
    const std::u16string& str() const { return fText; }
    std::string toUTF8() const;

private:
    std::u16string fText;
};

// Converts 8-bit text of a given code page to the service's strings.
class ChartTranscoder {
public:
    // "CP1252" (Windows-1252) or "UTF-8"; any other name decodes as UTF-8.
    explicit ChartTranscoder(const std::string& codePage);
    ChartString transcode(const std::string& text) const;

private:
    bool fWindows1252;
};

class XUtility {
public:
    // A text from the string-table service (UTF-8).
    static ChartString ChartStringFromOLANG(const std::string& text);
    // A text in the local code page (UTF-8 here).
    static ChartString ChartStringFromLocalCodePage(const std::string& text);
};

namespace formatter {
// A value of the host's date scale (seconds since 1582-10-14) as a date text
// the chart documents read: "2024-10-14", with "T13:05:00" when it has a time.
// Values outside the years 1 to 9999, NaN and infinities give the empty text.
ChartString formattedDate(double seconds);
}  // namespace formatter
