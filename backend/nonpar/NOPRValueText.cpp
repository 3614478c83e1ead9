// Texts of values that tables and charts both show.
#include "NOPRValueText.h"

#include <cmath>

#include "ChartString.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"

namespace {

// A whole number of a time part, "0" in front below 10.
std::string TwoDigits(double part) {
    const int whole = TruncateToInt(part);
    std::string text = whole < 10 ? "0" : "";
    return text + ChartString().appendInteger(whole).toUTF8();
}

}  // namespace

bool IsDayTimeFormatType(int type) {
    switch (type) {
        case QUOR_Format::DATE:
        case QUOR_Format::DATETIME:
        case QUOR_Format::ADATE:
        case QUOR_Format::JDATE:
        case QUOR_Format::WKDAY:
        case QUOR_Format::MONTH:
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

bool IsDateFormatType(int type) {
    return type == QUOR_Format::TIME || IsDayTimeFormatType(type);
}

// The seconds get half a second before truncation; they never carry into the
// minutes.
DayTimeParts SplitDayTime(double span) {
    DayTimeParts parts;
    parts.days = std::trunc(span);
    const double hours = (span - parts.days) * 24.0;
    const double minutes = (hours - std::trunc(hours)) * 60.0;
    const double seconds = (minutes - std::trunc(minutes)) * 60.0 + 0.5;
    parts.hours = TwoDigits(hours);
    parts.minutes = TwoDigits(minutes);
    parts.seconds = TwoDigits(seconds);
    return parts;
}

std::string DayTimeText(double span) {
    const DayTimeParts parts = SplitDayTime(span);
    return formatValue(parts.days, static_cast<const QUOR_Format*>(nullptr)) + " " + parts.hours +
           ":" + parts.minutes + ":" + parts.seconds;
}
