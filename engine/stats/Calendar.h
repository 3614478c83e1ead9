// Dates as the engine holds them, whole days since 1970-01-01, and their
// civil dates in the proleptic Gregorian calendar.
#pragma once

namespace npar::engine::stats {

struct CivilDate {
    long long year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;    // 1 to 31
};

// The day number of a civil date; month and day must be in range.
double DaysFromCivil(long long year, int month, int day);
// The civil date of the day that holds `days` (its whole part, rounded down).
CivilDate CivilFromDays(double days);
// Whether the day exists (month 1 to 12, day within the month's length).
bool IsCalendarDay(long long year, int month, int day);

}  // namespace npar::engine::stats
