// Text functions of the procedure host library: tokens and numbers read the
// same way whatever the process locale is.
#include "CFProcCustom.h"
#include "QUOR_DataSource.h"
#include "proc/NumberText.h"

#include <locale.h>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>

namespace {

// The C locale, made once; strtod_l/strtol_l read numbers in it so that a
// process locale with a decimal comma never changes what a document says.
locale_t CLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

constexpr double kDateOrigin = 12219379200.0;  // seconds from 1582-10-14 to 1970-01-01

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

}  // namespace

std::vector<std::string> SplitToToken(const std::string& text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSeparator(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !IsSeparator(text[i])) ++i;
        if (i > start) tokens.emplace_back(text, start, i - start);
    }
    return tokens;
}

bool npar::ParseLeadingDouble(const std::string& text, double& value) {
    char* end = nullptr;
    const double parsed = strtod_l(text.c_str(), &end, CLocale());
    if (end == text.c_str()) return false;
    value = parsed;
    return true;
}

double String2Double(const std::string& text) {
    double value = 0.0;
    npar::ParseLeadingDouble(text, value);
    return value;
}

int String2Integer(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    long value = strtol_l(text.c_str(), &end, 10, CLocale());
    if (end == text.c_str()) return 0;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string Integer2String(int value) { return std::to_string(value); }

double NumericFormatCFToStat(double value, int formatType) {
    if (value == kSystemMissing) return value;
    if (IsDayBasedDate(formatType)) return value * 86400.0 + kDateOrigin;
    if (formatType == QUOR_Format::DATETIME) return value + kDateOrigin;
    return value;
}
