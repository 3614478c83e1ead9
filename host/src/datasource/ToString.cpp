// Value formatter: the text of an observation value under a print format.
//
// Numbers are turned into decimal digits with std::to_chars (shortest text that
// reads back as the same double) and rounded half away from zero on those
// digits, so 0.125 at two decimals gives "0.13" and the output never depends on
// the process locale. Dates are seconds since 1582-10-14 00:00 in the proleptic
// Gregorian calendar.
//
// Rules shared by every type:
// - a number's text is right-aligned in the width; a string under A is padded
//   on the right, a string under any other type is right-aligned; strings are
//   never cut;
// - the system-missing value writes "." (at least the one character);
// - NaN writes "NaN" and infinities "Inf" / "-Inf";
// - a number that does not fit first loses its thousands separators and its
//   leading zero, then its decimals one by one, then goes to E notation; when
//   nothing fits the width is filled with "*";
// - a date outside the years 1 to 9999, or a duration beyond 10^12 seconds,
//   writes asterisks.
#include "QUOR_DataSource.h"

#include "CalendarDays.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using npar::CivilDate;
using npar::CivilFromDays;
using npar::DaysFromCivil;

// ---------------------------------------------------------------------------
// Padding

std::string PadLeft(std::string text, int width) {
    if (width > 0 && text.size() < static_cast<size_t>(width))
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

std::string PadRight(std::string text, int width) {
    if (width > 0 && text.size() < static_cast<size_t>(width))
        text.append(static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

std::string Stars(int width) { return std::string(width > 0 ? static_cast<size_t>(width) : 0, '*'); }

bool Fits(const std::string& text, int width) {
    return width >= 0 && text.size() <= static_cast<size_t>(width);
}

std::string FitOrStars(const std::string& text, int width) {
    return Fits(text, width) ? PadLeft(text, width) : Stars(width);
}

// Non-negative n written with at least `digits` digits.
std::string ZeroPad(int64_t n, int digits) {
    std::string text = std::to_string(n);
    if (text.size() < static_cast<size_t>(digits))
        text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
    return text;
}

// ---------------------------------------------------------------------------
// Decimal digits of a number

// A non-negative number as decimal digits: value = 0.d1d2d3... x 10^point.
// The digits have no leading or trailing zeros; zero has no digits.
struct Digits {
    std::string digits;
    int point = 0;
};

Digits DigitsOf(double magnitude) {
    Digits result;
    if (!(magnitude > 0.0) || !std::isfinite(magnitude)) return result;
    char buffer[64];
    const auto converted =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    if (converted.ec != std::errc()) return result;
    const char* p = buffer;
    for (; p < converted.ptr && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') result.digits += *p;
    }
    int exponent = 0;
    if (p < converted.ptr) {
        ++p;
        if (p < converted.ptr && *p == '+') ++p;
        std::from_chars(p, converted.ptr, exponent);
    }
    while (!result.digits.empty() && result.digits.back() == '0') result.digits.pop_back();
    const size_t first = result.digits.find_first_not_of('0');
    if (first == std::string::npos) return Digits();
    result.digits.erase(0, first);
    result.point = exponent + 1 - static_cast<int>(first);
    return result;
}

// Keeps the first `keep` digits, rounding half away from zero.
void RoundDigits(Digits& number, long keep) {
    if (number.digits.empty() || keep >= static_cast<long>(number.digits.size())) return;
    if (keep < 0) {
        number = Digits();
        return;
    }
    const bool up = number.digits[static_cast<size_t>(keep)] >= '5';
    number.digits.resize(static_cast<size_t>(keep));
    if (up) {
        long i = keep - 1;
        while (i >= 0 && number.digits[static_cast<size_t>(i)] == '9') {
            number.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++number.digits[static_cast<size_t>(i)];
        } else {
            number.digits.insert(number.digits.begin(), '1');
            ++number.point;
        }
    }
    while (!number.digits.empty() && number.digits.back() == '0') number.digits.pop_back();
    if (number.digits.empty()) number.point = 0;
}

// The digit at `index` in the digit string, or '0' beyond either end.
char DigitAt(const Digits& number, long index) {
    return (index >= 0 && index < static_cast<long>(number.digits.size()))
               ? number.digits[static_cast<size_t>(index)]
               : '0';
}

// ---------------------------------------------------------------------------
// Plain numbers (F, COMMA, DOLLAR, PCT, DOT, E)

struct NumberStyle {
    char group = 0;   // thousands separator, 0 for none
    char mark = '.';  // decimal mark
    const char* prefix = "";
    const char* suffix = "";
};

NumberStyle StyleFor(int type) {
    NumberStyle style;
    switch (type) {
        case QUOR_Format::COMMA:
            style.group = ',';
            break;
        case QUOR_Format::DOLLAR:
            style.group = ',';
            style.prefix = "$";
            break;
        case QUOR_Format::DOT:
            style.group = '.';
            style.mark = ',';
            break;
        case QUOR_Format::PCT:
            style.suffix = "%";
            break;
        default:
            break;
    }
    return style;
}

// Fixed-point text of an already rounded number.
std::string FixedText(bool negative, const Digits& number, int decimals, const NumberStyle& style,
                      bool grouped, bool leadingZero) {
    std::string integer;
    if (number.point <= 0) {
        if (leadingZero) integer = "0";
    } else {
        integer.reserve(static_cast<size_t>(number.point) + static_cast<size_t>(number.point) / 3);
        for (long i = 0; i < number.point; ++i) {
            if (grouped && i > 0 && (number.point - i) % 3 == 0) integer += style.group;
            integer += DigitAt(number, i);
        }
    }
    std::string text;
    if (negative && !number.digits.empty()) text += '-';
    text += style.prefix;
    text += integer;
    if (decimals > 0) {
        text += style.mark;
        for (long i = 0; i < decimals; ++i) text += DigitAt(number, number.point + i);
    }
    text += style.suffix;
    return text;
}

// Scientific text with `decimals` digits after the mark: "1.234E+003".
std::string ScientificText(bool negative, const Digits& magnitude, int decimals,
                           const NumberStyle& style) {
    Digits number = magnitude;
    RoundDigits(number, 1L + decimals);
    const int exponent = number.digits.empty() ? 0 : number.point - 1;
    std::string text;
    if (negative && !number.digits.empty()) text += '-';
    text += style.prefix;
    text += DigitAt(number, 0);
    if (decimals > 0) {
        text += style.mark;
        for (long i = 1; i <= decimals; ++i) text += DigitAt(number, i);
    }
    text += 'E';
    text += exponent < 0 ? '-' : '+';
    text += ZeroPad(std::abs(exponent), 3);
    text += style.suffix;
    return text;
}

// Scientific text with at most maxDecimals mantissa decimals that fits the
// width, or the empty text when even a bare mantissa does not fit. Rounding
// never changes the length (the exponent always has three digits).
std::string FitScientific(bool negative, const Digits& magnitude, int width, int maxDecimals,
                          const NumberStyle& style) {
    const std::string bare = ScientificText(negative, magnitude, 0, style);
    if (!Fits(bare, width)) return std::string();
    const long room = static_cast<long>(width) - static_cast<long>(bare.size()) - 1;
    const int decimals = static_cast<int>(room < maxDecimals ? (room > 0 ? room : 0) : maxDecimals);
    return ScientificText(negative, magnitude, decimals, style);
}

std::string FormatFixed(double value, int width, int decimals, const NumberStyle& style) {
    const bool negative = std::signbit(value);
    const Digits magnitude = DigitsOf(std::fabs(value));
    for (int places = decimals; places >= 0; --places) {
        // A text with this many decimals needs at least the mark and the decimals.
        if (places > 0 && static_cast<long>(places) + 1 > width) continue;
        Digits rounded = magnitude;
        RoundDigits(rounded, static_cast<long>(rounded.point) + places);
        if (style.group != 0) {
            const std::string text = FixedText(negative, rounded, places, style, true, true);
            if (Fits(text, width)) return PadLeft(text, width);
        }
        std::string text = FixedText(negative, rounded, places, style, false, true);
        if (Fits(text, width)) return PadLeft(text, width);
        if (places > 0 && rounded.point <= 0) {
            text = FixedText(negative, rounded, places, style, false, false);
            if (Fits(text, width)) return PadLeft(text, width);
        }
    }
    const std::string text = FitScientific(negative, magnitude, width, 16, style);
    return text.empty() ? Stars(width) : PadLeft(text, width);
}

std::string FormatScientific(double value, int width, int decimals) {
    const NumberStyle style;
    const std::string text =
        FitScientific(std::signbit(value), DigitsOf(std::fabs(value)), width, decimals, style);
    return text.empty() ? Stars(width) : PadLeft(text, width);
}

// A number under a string format: as many decimals as the number has (up to
// the precision of a double), then the usual fitting.
std::string FormatNumberAsText(double value, int width) {
    const Digits magnitude = DigitsOf(std::fabs(value));
    long decimals = static_cast<long>(magnitude.digits.size()) - magnitude.point;
    decimals = decimals < 0 ? 0 : (decimals > 16 ? 16 : decimals);
    return FormatFixed(value, width, static_cast<int>(decimals), NumberStyle());
}

// ---------------------------------------------------------------------------
// Calendar

const char* const kMonthNames[12] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                     "MAY",       "JUNE",     "JULY",     "AUGUST",
                                     "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
const char* const kDayNames[7] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                  "THURSDAY", "FRIDAY", "SATURDAY"};

constexpr int64_t kSecondsPerDay = 86400;

// Day numbers counted from the date origin, 1582-10-14.
constexpr int64_t kOriginFrom1970 = DaysFromCivil(1582, 10, 14);
constexpr int64_t kFirstDay = DaysFromCivil(1, 1, 1) - kOriginFrom1970;
constexpr int64_t kEndDay = DaysFromCivil(10000, 1, 1) - kOriginFrom1970;
static_assert(kOriginFrom1970 == -141428, "date origin");

struct DateParts {
    int64_t year = 0;
    int month = 0;      // 1..12
    int day = 0;        // 1..31
    int dayOfYear = 0;  // 1..366
    int weekday = 0;    // 0 Sunday .. 6 Saturday
};

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// The calendar date of day number `days` (from the origin); false outside the
// years 1 to 9999.
bool DateFromDays(int64_t days, DateParts& parts) {
    if (days < kFirstDay || days >= kEndDay) return false;
    const int64_t from1970 = days + kOriginFrom1970;
    const CivilDate date = CivilFromDays(from1970);
    parts.year = date.year;
    parts.month = date.month;
    parts.day = date.day;
    parts.dayOfYear = static_cast<int>(from1970 - DaysFromCivil(parts.year, 1, 1) + 1);
    parts.weekday = static_cast<int>(((from1970 + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
    return true;
}

std::string YearText(int64_t year, bool longYear) {
    return longYear ? ZeroPad(year, 4) : ZeroPad(year % 100, 2);
}

std::string MonthAbbreviation(int month) { return std::string(kMonthNames[month - 1], 3); }

// The date part of a date format, with a four-digit or a two-digit year.
std::string DateText(int type, const DateParts& p, bool longYear) {
    const std::string year = YearText(p.year, longYear);
    switch (type) {
        case QUOR_Format::ADATE:
            return ZeroPad(p.month, 2) + "/" + ZeroPad(p.day, 2) + "/" + year;
        case QUOR_Format::EDATE:
            return ZeroPad(p.day, 2) + "." + ZeroPad(p.month, 2) + "." + year;
        case QUOR_Format::SDATE:
            return year + "/" + ZeroPad(p.month, 2) + "/" + ZeroPad(p.day, 2);
        case QUOR_Format::JDATE:
            return year + ZeroPad(p.dayOfYear, 3);
        case QUOR_Format::MOYR:
            return MonthAbbreviation(p.month) + " " + year;
        case QUOR_Format::QYR:
            return std::to_string((p.month - 1) / 3 + 1) + " Q " + year;
        case QUOR_Format::WKYR:
            return std::to_string((p.dayOfYear - 1) / 7 + 1) + " WK " + year;
        default:
            return ZeroPad(p.day, 2) + "-" + MonthAbbreviation(p.month) + "-" + year;
    }
}

// A name shortened to the width, or asterisks below the shortest useful form.
std::string NameText(const char* name, int width, int shortest) {
    if (width < shortest) return Stars(width);
    return PadLeft(std::string(name).substr(0, static_cast<size_t>(width)), width);
}

// DATE, ADATE, EDATE, SDATE, JDATE, MOYR, QYR, WKYR, WKDAY, MONTH.
std::string FormatDate(int type, double seconds, int width) {
    const double dayNumber = std::floor(seconds / static_cast<double>(kSecondsPerDay));
    DateParts parts;
    if (!(dayNumber >= static_cast<double>(kFirstDay) && dayNumber < static_cast<double>(kEndDay)) ||
        !DateFromDays(static_cast<int64_t>(dayNumber), parts))
        return Stars(width);
    if (type == QUOR_Format::WKDAY) return NameText(kDayNames[parts.weekday], width, 2);
    if (type == QUOR_Format::MONTH) return NameText(kMonthNames[parts.month - 1], width, 3);
    const std::string full = DateText(type, parts, true);
    if (Fits(full, width)) return PadLeft(full, width);
    return FitOrStars(DateText(type, parts, false), width);
}

// ---------------------------------------------------------------------------
// Times of day and durations

// Fractional seconds are computed to this many digits; further requested
// decimals are written as zeros (a double holds no more at these magnitudes).
constexpr int kMaxTimeDigits = 6;
constexpr double kMaxDuration = 1e12;

int64_t PowerOfTen(int exponent) {
    int64_t result = 1;
    for (int i = 0; i < exponent; ++i) result *= 10;
    return result;
}

// A time value rounded to the resolution of one text form: whole minutes
// (places < 0), whole seconds (places 0) or seconds with decimals.
struct Clock {
    int64_t days = 0;
    int64_t hours = 0;  // hours of the day, or all hours when days are not split off
    int64_t minutes = 0;
    int64_t seconds = 0;
    std::string fraction;  // the decimals of the seconds
};

// Rounds seconds to the resolution of `places` and splits them. splitDays
// takes whole days off (floor division, so negative dates work).
Clock MakeClock(double seconds, int places, bool splitDays) {
    const int computed = places > kMaxTimeDigits ? kMaxTimeDigits : places;
    const int64_t perSecond = places < 0 ? 1 : PowerOfTen(computed);
    const int64_t perMinute = places < 0 ? 1 : 60 * perSecond;
    const double scaled = places < 0 ? seconds / 60.0 : seconds * static_cast<double>(perSecond);
    const int64_t ticks = std::llround(scaled);
    const int64_t perDay = 1440 * perMinute;

    Clock clock;
    int64_t rest = ticks;
    if (splitDays) {
        clock.days = FloorDiv(ticks, perDay);
        rest = ticks - clock.days * perDay;
    }
    const int64_t perHour = 60 * perMinute;
    clock.hours = rest / perHour;
    rest %= perHour;
    clock.minutes = rest / perMinute;
    rest %= perMinute;
    if (places >= 0) {
        clock.seconds = rest / perSecond;
        if (places > 0) {
            clock.fraction = ZeroPad(rest % perSecond, computed);
            clock.fraction.append(static_cast<size_t>(places - computed), '0');
        }
    }
    return clock;
}

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff" for the resolution of places.
std::string ClockText(const Clock& clock, int places, const std::string& hours) {
    std::string text = hours + ":" + ZeroPad(clock.minutes, 2);
    if (places >= 0) text += ":" + ZeroPad(clock.seconds, 2);
    if (places > 0) text += "." + clock.fraction;
    return text;
}

// The shortest text a time form with `places` decimals can have.
long ShortestClock(int places) { return places < 0 ? 5 : (places == 0 ? 8 : 9L + places); }

// DATETIME: "dd-MMM-yyyy hh:mm:ss.ff", losing decimals, then seconds, to fit.
std::string FormatDateTime(double seconds, int width, int decimals) {
    const double dayNumber = std::floor(seconds / static_cast<double>(kSecondsPerDay));
    if (!(dayNumber >= static_cast<double>(kFirstDay) - 1 && dayNumber <= static_cast<double>(kEndDay)))
        return Stars(width);
    for (int places = decimals; places >= -1; --places) {
        if (12 + ShortestClock(places) > width) continue;
        const Clock clock = MakeClock(seconds, places, true);
        DateParts parts;
        if (!DateFromDays(clock.days, parts)) return Stars(width);
        const std::string text = DateText(QUOR_Format::DATE, parts, true) + " " +
                                 ClockText(clock, places, ZeroPad(clock.hours, 2));
        if (Fits(text, width)) return PadLeft(text, width);
    }
    return Stars(width);
}

// TIME "hh:mm:ss.ff" (hours not limited to a day) and DTIME "d hh:mm:ss.ff",
// losing decimals, then seconds, to fit.
std::string FormatDuration(double seconds, int width, int decimals, bool withDays) {
    if (!(std::fabs(seconds) <= kMaxDuration)) return Stars(width);
    const bool negative = seconds < 0;
    const double magnitude = std::fabs(seconds);
    for (int places = decimals; places >= -1; --places) {
        if (ShortestClock(places) > width) continue;
        const Clock clock = MakeClock(magnitude, places, withDays);
        const bool zero = clock.days == 0 && clock.hours == 0 && clock.minutes == 0 &&
                          clock.seconds == 0 &&
                          clock.fraction.find_first_not_of('0') == std::string::npos;
        std::string text = negative && !zero ? "-" : "";
        if (withDays) text += std::to_string(clock.days) + " ";
        text += ClockText(clock, places, ZeroPad(clock.hours, 2));
        if (Fits(text, width)) return PadLeft(text, width);
    }
    return Stars(width);
}

std::string FormatNumber(double value, const QUOR_Format& format) {
    const int width = format.GetWidth();
    const int decimals = format.GetDecimals();
    const int type = format.GetType();
    switch (type) {
        case QUOR_Format::A:
            return FormatNumberAsText(value, width);
        case QUOR_Format::E:
            return FormatScientific(value, width, decimals);
        case QUOR_Format::DATE:
        case QUOR_Format::ADATE:
        case QUOR_Format::EDATE:
        case QUOR_Format::SDATE:
        case QUOR_Format::JDATE:
        case QUOR_Format::WKDAY:
        case QUOR_Format::MONTH:
        case QUOR_Format::MOYR:
        case QUOR_Format::QYR:
        case QUOR_Format::WKYR:
            return FormatDate(type, value, width);
        case QUOR_Format::DATETIME:
            return FormatDateTime(value, width, decimals);
        case QUOR_Format::TIME:
            return FormatDuration(value, width, decimals, false);
        case QUOR_Format::DTIME:
            return FormatDuration(value, width, decimals, true);
        default:
            return FormatFixed(value, width, decimals, StyleFor(type));  // F and unknown codes too
    }
}

}  // namespace

std::string ToString(const OBS& value, const QUOR_Format& format) {
    const int width = format.GetWidth();
    if (value.IsString()) {
        return format.GetType() == QUOR_Format::A ? PadRight(value.GetString(), width)
                                                  : PadLeft(value.GetString(), width);
    }
    const double number = value.GetNumber();
    if (number == kSystemMissing) return PadLeft(".", width);
    if (std::isnan(number)) return FitOrStars("NaN", width);
    if (std::isinf(number)) return FitOrStars(number < 0 ? "-Inf" : "Inf", width);
    return FormatNumber(number, format);
}
