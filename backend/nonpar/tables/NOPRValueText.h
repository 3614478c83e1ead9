// Texts of values that tables and charts both show: spans of days written as
// days and time of day, for the date and time formats that count in days,
// and cut points written exactly.
#pragma once

#include <string>
#include <vector>

class QUOR_Variable;

// The date and time format types (dates, date-times, weekdays, months, times
// of day): values a chart axis and a table show as dates or times.
bool IsDateFormatType(int type);
// Whether values of a format type stand on the host's date scale once read:
// the documents hold dates (and weekdays) as days and date-times as seconds,
// both counted from 1970-01-01, which NumericFormatCFToStat moves to the
// host's origin. Times of day, durations and months keep their numbers.
bool IsOnDateScale(int type);
// A spread (a standard deviation) of values of such a type in days.
double SpreadInDays(double spread, int type);

// The unit of a difference of two values of a format type, where the number
// alone does not say it: "seconds" for times of day, date-times and durations
// (held as seconds), "days" for the other formats on the date scale (held as
// days); null otherwise.
const char* SpanUnitOf(int type);
// The unit the variables' differences share, by their formats; null when they
// have none, when one differs, or when there is no variable.
const char* SpanUnitOf(const std::vector<const QUOR_Variable*>& variables);

// A span of days split into whole days and the time of day, each time part a
// whole number written with two digits at least: 1.5 gives 1, "12", "00", "00".
struct DayTimeParts {
    double days = 0.0;
    std::string hours;
    std::string minutes;
    std::string seconds;
};
DayTimeParts SplitDayTime(double span);
// "days hh:mm:ss", the days in their 16-digit form.
std::string DayTimeText(double span);

// A cut point of a field (on the documents' scale) as text: in the field's
// print format, with as many more decimals as the value needs to read
// exactly, so a cut of 3.5 on a whole-number field is not shown as 4.
std::string CutPointText(double value, const QUOR_Variable* variable);
