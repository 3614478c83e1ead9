// Calendar bins of dates: which periods a histogram's bins are, and their
// names.
#include "CalendarDays.h"

#include <algorithm>
#include <cmath>

#include "QUOR_DataSource.h"

namespace npar {
namespace {

// The month that holds a day (days since 1970-01-01), counted from January
// of the year 0: year × 12 + month − 1.
int64_t MonthIndexOfDay(double day) {
    const CivilDate date = CivilFromDays(static_cast<int64_t>(std::floor(day)));
    return date.year * 12 + date.month - 1;
}

// The first day of a month so counted (of the years 1 and after).
double FirstDayOfMonthIndex(int64_t index) {
    return static_cast<double>(DaysFromCivil(index / 12, static_cast<int>(index % 12) + 1, 1));
}

// The first month of the period of `months` months that holds the day, when
// the day is that period's middle; -1 otherwise. Periods start at multiples
// of their length, as years 2020, 2030 for runs of ten.
int64_t PeriodOfMiddle(double middle, int months) {
    // Days of the years 1 to 9999, as the date formats write them.
    constexpr double kFirstDay = -719162, kEndDay = 2932897;
    if (!(middle >= kFirstDay && middle < kEndDay)) return -1;
    int64_t first = MonthIndexOfDay(middle);
    first -= first % months;
    const double start = FirstDayOfMonthIndex(first), end = FirstDayOfMonthIndex(first + months);
    return std::fabs(middle - (start + end) / 2) < 1e-6 ? first : -1;
}

// A day in a date format, blanks trimmed.
std::string DayText(double day, int type) {
    const std::string text =
        ToString(OBS(day * 86400.0 + kSecondsFrom1582To1970), QUOR_Format(type, 20, 0));
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

int CalendarBinMonths(const std::vector<double>& middles, size_t fewest) {
    std::vector<double> sorted = middles;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.size() < std::max<size_t>(fewest, 2)) return 0;
    std::vector<int> lengths = {1, 3};
    for (int run = 12; run <= 12 * 5000; run *= 10)
        for (int step : {1, 2, 5}) lengths.push_back(run * step);
    for (int months : lengths) {
        // Each middle that of a period, the periods one after another.
        int64_t previous = -1;
        bool periods = true;
        for (double middle : sorted) {
            const int64_t period = PeriodOfMiddle(middle, months);
            periods = period >= 0 && (previous < 0 || period == previous + months);
            if (!periods) break;
            previous = period;
        }
        if (periods) return months;
    }
    return 0;
}

std::string CalendarBinName(double middle, int months) {
    if (months == 1) return DayText(middle, QUOR_Format::MOYR);
    if (months == 3) return DayText(middle, QUOR_Format::QYR);
    const int64_t years = std::max(months / 12, 1);
    const int64_t firstYear = MonthIndexOfDay(middle) / 12 / years * years;
    if (years == 1) return std::to_string(firstYear);
    return std::to_string(firstYear) + "\xE2\x80\x93" + std::to_string(firstYear + years - 1);
}

}  // namespace npar
