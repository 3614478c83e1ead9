// Days of the proleptic Gregorian calendar counted from 1970-01-01, and the
// calendar date of such a day: the arithmetic under the host's date formats
// and under charts that name a date bin by its month or year.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace npar {

// Seconds from the host's date origin, 1582-10-14, to 1970-01-01: the date
// formats and charts take dates as seconds since the origin, result
// documents write them as days (or seconds) since 1970-01-01.
constexpr double kSecondsFrom1582To1970 = 12219379200.0;

struct CivilDate {
    int64_t year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
};

// Days from 1970-01-01 to the given date (negative before it).
constexpr int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The date of the day `days` after 1970-01-01.
constexpr CivilDate CivilFromDays(int64_t days) {
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYearMar = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthMar = (5 * dayOfYearMar + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYearMar - (153 * monthMar + 2) / 5 + 1);
    date.month = static_cast<int>(monthMar < 10 ? monthMar + 3 : monthMar - 9);
    date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

// Bins of dates over more than three months are periods of the calendar:
// months, quarters, years or runs of years (from a multiple of the run),
// each from its first day to the next one's. The months per bin when these
// middles (days since 1970-01-01) are those of such bins one after another,
// at least `fewest` of them; else 0.
int CalendarBinMonths(const std::vector<double>& middles, size_t fewest = 2);
// The name of the calendar bin of `months` months with this middle, as the
// date formats write a month and a quarter: "JAN 2023", "1 Q 2023", "2023",
// "2020–2029".
std::string CalendarBinName(double middle, int months);

}  // namespace npar
