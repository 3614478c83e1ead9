// Text functions of the procedure host library: tokens and numbers read the
// same way whatever the process locale is.
#include "CFProcCustom.h"
#include "CalendarDays.h"
#include "QUOR_DataSource.h"
#include "proc/NumberText.h"

#include <locale.h>
#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdlib>

namespace {

// The C locale, made once; strtod_l/strtol_l read numbers in it so that a
// process locale with a decimal comma never changes what a document says.
locale_t CLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether text starts the way a plain decimal number does: a digit, or a
// point or minus sign before one. Only such text takes the fast path of the
// readers below; everything else (blanks, a plus sign, hexadecimal, inf,
// nan) goes to strtod_l/strtol_l, which define what the text means.
bool StartsPlainNumber(std::string_view text) {
    if (text.empty()) return false;
    if (IsDigit(text[0])) return true;
    if (text.size() < 2) return false;
    if (text[0] == '.') return IsDigit(text[1]);
    if (text[0] != '-') return false;
    return IsDigit(text[1]) || (text[1] == '.' && text.size() > 2 && IsDigit(text[2]));
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr uint64_t kLargestExactInteger = uint64_t(1) << 53;

// Reads text that is one whole plain decimal number ("118", "-12.375",
// ".5", "5.") whose digits, taken as an integer, are at most 2^53 and whose
// fraction has at most 22 digits, the numbers the result documents are made
// of. That integer and the power of ten are then exact doubles, and the one
// division rounds their quotient once, to the nearest double, as strtod
// rounds the text. Any other text gives false and is left to the general
// readers.
bool ReadExactDecimal(std::string_view text, double& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    uint64_t digits = 0;
    int fractionDigits = -1;  // none before the point
    bool anyDigit = false;
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned('0');
        if (digit < 10) {
            if (digits > (kLargestExactInteger - digit) / 10) return false;
            digits = digits * 10 + digit;
            anyDigit = true;
            if (fractionDigits >= 0) ++fractionDigits;
        } else if (*p == '.' && fractionDigits < 0) {
            fractionDigits = 0;
        } else {
            return false;
        }
    }
    if (!anyDigit || fractionDigits > 22) return false;
    double result = static_cast<double>(digits);
    if (fractionDigits > 0) result /= kPowersOfTen[fractionDigits];
    value = negative ? -result : result;
    return true;
}

// The text NUL-terminated for the C functions; short texts need no allocation.
class CText {
public:
    explicit CText(std::string_view text) {
        if (text.size() < sizeof(fShort)) {
            text.copy(fShort, text.size());
            fShort[text.size()] = '\0';
            fText = fShort;
        } else {
            fLong.assign(text.data(), text.size());
            fText = fLong.c_str();
        }
    }
    const char* c_str() const { return fText; }

private:
    char fShort[64];
    std::string fLong;
    const char* fText;
};

}  // namespace

bool IsDayBasedDate(int formatType) {
    switch (formatType) {
        case QUOR_Format::DATE:
        case QUOR_Format::ADATE:
        case QUOR_Format::JDATE:
        case QUOR_Format::WKDAY:
        case QUOR_Format::MOYR:
        case QUOR_Format::QYR:
        case QUOR_Format::WKYR:
        case QUOR_Format::EDATE:
        case QUOR_Format::SDATE:
            return true;
        default:
            return false;
    }
}

std::vector<std::string> SplitToToken(std::string_view text) {
    std::vector<std::string> tokens;
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i)
        count += !IsSeparator(text[i]) && (i == 0 || IsSeparator(text[i - 1]));
    tokens.reserve(count);
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSeparator(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !IsSeparator(text[i])) ++i;
        if (i > start) tokens.emplace_back(text.substr(start, i - start));
    }
    return tokens;
}

// A plain decimal number that is the whole text is read exactly when it is
// short, else by std::from_chars, which rounds as strtod does; any other text
// is read by strtod_l itself.
bool npar::ParseLeadingDouble(std::string_view text, double& value) {
    if (ReadExactDecimal(text, value)) return true;
    if (StartsPlainNumber(text)) {
        double parsed = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
        if (error == std::errc() && end == text.data() + text.size()) {
            value = parsed;
            return true;
        }
    }
    const CText copy(text);
    char* end = nullptr;
    const double parsed = strtod_l(copy.c_str(), &end, CLocale());
    if (end == copy.c_str()) return false;
    value = parsed;
    return true;
}

double String2Double(std::string_view text) {
    double value = 0.0;
    npar::ParseLeadingDouble(text, value);
    return value;
}

// Text that starts with a digit or a minus sign and a digit is read by
// std::from_chars, which stops where strtol does; any other text by strtol_l.
int String2Integer(std::string_view text) {
    if (StartsPlainNumber(text) && text[0] != '.') {
        long value = 0;
        const std::errc error = std::from_chars(text.data(), text.data() + text.size(), value).ec;
        if (error == std::errc()) {
            if (value > INT_MAX) return INT_MAX;
            if (value < INT_MIN) return INT_MIN;
            return static_cast<int>(value);
        }
        if (error == std::errc::result_out_of_range) return text[0] == '-' ? INT_MIN : INT_MAX;
    }
    const CText copy(text);
    char* end = nullptr;
    errno = 0;
    long value = strtol_l(copy.c_str(), &end, 10, CLocale());
    if (end == copy.c_str()) return 0;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string Integer2String(int value) { return std::to_string(value); }

double NumericFormatCFToStat(double value, int formatType) {
    if (value == kSystemMissing) return value;
    if (IsDayBasedDate(formatType)) return value * 86400.0 + npar::kSecondsFrom1582To1970;
    if (formatType == QUOR_Format::DATETIME) return value + npar::kSecondsFrom1582To1970;
    return value;
}
