// Texts of values that tables and charts both show.
#include "NOPRValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "ChartString.h"
#include "NOPRChartUtil.h"
#include "NOPRSplitResults.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"

namespace {

// A whole number of a time part, "0" in front below 10.
std::string TwoDigits(double part) {
    const int whole = TruncateToInt(part);
    std::string text = whole < 10 ? "0" : "";
    return text + ChartString().appendInteger(whole).toUTF8();
}

// Formats whose decimals count places after the point of a plain number.
bool HasFixedDecimals(int type) {
    switch (type) {
        case QUOR_Format::F:
        case QUOR_Format::COMMA:
        case QUOR_Format::DOLLAR:
        case QUOR_Format::DOT:
        case QUOR_Format::PCT:
            return true;
        default:
            return false;
    }
}

// The fewest decimals, at least atLeast, with which value is written so that
// it reads back as the same number.
int ExactDecimals(double value, int atLeast) {
    constexpr int kMostDecimals = 16;
    if (!std::isfinite(value)) return atLeast;
    char buffer[400];
    for (int decimals = std::max(atLeast, 0); decimals < kMostDecimals; ++decimals) {
        const auto written =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        double read = 0.0;
        if (written.ec == std::errc() && std::from_chars(buffer, written.ptr, read).ec == std::errc() &&
            read == value)
            return decimals;
    }
    return std::max(atLeast, kMostDecimals);
}

}  // namespace

bool IsDateFormatType(int type) {
    switch (type) {
        case QUOR_Format::TIME:
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

// The host says which formats it moves: those whose 0 (1970-01-01) it does
// not leave at 0.
bool IsOnDateScale(int type) { return NumericFormatCFToStat(0.0, type) != 0.0; }

double SpreadInDays(double spread, int type) {
    return type == QUOR_Format::DATETIME ? spread / 86400.0 : spread;
}

const char* SpanUnitOf(int type) {
    if (type == QUOR_Format::TIME || type == QUOR_Format::DATETIME || type == QUOR_Format::DTIME)
        return "seconds";
    return IsOnDateScale(type) ? "days" : nullptr;
}

const char* SpanUnitOf(const std::vector<const QUOR_Variable*>& variables) {
    if (variables.empty()) return nullptr;
    const char* unit = SpanUnitOf(variables.front()->GetFormat().GetType());
    for (const QUOR_Variable* variable : variables)
        if (SpanUnitOf(variable->GetFormat().GetType()) != unit) return nullptr;
    return unit;
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
    return formatValue(parts.days, static_cast<const QUOR_Format*>(nullptr)) + " " + parts.hours + ":" +
           parts.minutes + ":" + parts.seconds;
}

std::string CutPointText(double value, const QUOR_Variable* variable) {
    if (!variable) return formatValue(value, static_cast<const QUOR_Format*>(nullptr));
    QUOR_Format format = variable->GetFormat();
    if (HasFixedDecimals(format.GetType()) && value != kNOPRMissing)
        format.SetDecimals(ExactDecimals(value, format.GetDecimals()));
    return formatValue(value, &format);
}
