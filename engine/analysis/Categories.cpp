// The categories of a field.
#include "analysis/Categories.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <unordered_set>

#include "document/ResultModel.h"
#include "stats/Calendar.h"

namespace npar::engine {

Categories::Categories(const Column& column, const std::vector<std::string>& order) : fColumn(column) {
    if (column.type == ColumnType::String) {
        const size_t size = column.strings.Size();
        fCodes.resize(size);
        for (size_t i = 0; i < size; ++i) fCodes[i] = static_cast<int32_t>(i);
        // Only codes that occur count: a code interned and later replaced by
        // the missing-value rule would otherwise be a category of no case.
        std::vector<bool> used(size, false);
        for (int32_t code : column.codes)
            if (code != kMissingCode) used[static_cast<size_t>(code)] = true;
        fCodes.erase(std::remove_if(fCodes.begin(), fCodes.end(),
                                    [&](int32_t code) { return !used[static_cast<size_t>(code)]; }),
                     fCodes.end());
        // Each code's place in the order; a text the order does not list (it
        // lists every value a case takes) goes after those it lists.
        std::vector<size_t> rank(size, order.size());
        for (size_t place = 0; place < order.size(); ++place) {
            const int32_t code = column.strings.Find(order[place]);
            if (code >= 0)
                rank[static_cast<size_t>(code)] = std::min(rank[static_cast<size_t>(code)], place);
        }
        std::sort(fCodes.begin(), fCodes.end(), [&](int32_t a, int32_t b) {
            const size_t rankA = rank[static_cast<size_t>(a)], rankB = rank[static_cast<size_t>(b)];
            return rankA != rankB ? rankA < rankB : column.strings.Text(a) < column.strings.Text(b);
        });
        fCategoryOfCode.assign(size, -1);
        for (size_t i = 0; i < fCodes.size(); ++i)
            fCategoryOfCode[static_cast<size_t>(fCodes[i])] = static_cast<int32_t>(i);
        fCount = fCodes.size();
        return;
    }
    // The distinct values first, then only those sorted. A field of
    // categories has few: they are looked for in a short list, and only a
    // field with many values goes through a hash set.
    constexpr size_t kShortList = 32;
    std::unordered_set<double> distinct;
    for (double v : column.numbers) {
        if (std::isnan(v)) continue;
        if (v == 0) v = 0.0;  // -0 and 0 are one value
        if (distinct.empty()) {
            if (std::find(fNumbers.begin(), fNumbers.end(), v) != fNumbers.end()) continue;
            if (fNumbers.size() < kShortList) {
                fNumbers.push_back(v);
                continue;
            }
            distinct.insert(fNumbers.begin(), fNumbers.end());
        }
        distinct.insert(v);
    }
    if (!distinct.empty()) fNumbers.assign(distinct.begin(), distinct.end());
    std::sort(fNumbers.begin(), fNumbers.end());
    fCount = fNumbers.size();
    IndexWholeNumbers();
}

void Categories::IndexWholeNumbers() {
    // Codes such as 1..20 are the common grouping field: a row's category is
    // then found by its value's offset from the smallest, not by a search.
    constexpr double kLongestTable = 4096;
    if (fNumbers.empty() || fNumbers.back() - fNumbers.front() >= kLongestTable) return;
    if (!std::all_of(fNumbers.begin(), fNumbers.end(), [](double v) { return v == std::floor(v); }))
        return;
    fCategoryOfWhole.assign(static_cast<size_t>(fNumbers.back() - fNumbers.front()) + 1, -1);
    for (size_t i = 0; i < fNumbers.size(); ++i)
        fCategoryOfWhole[static_cast<size_t>(fNumbers[i] - fNumbers.front())] = static_cast<int32_t>(i);
}

int Categories::IndexOfNumber(double value) const {
    return static_cast<int>(std::lower_bound(fNumbers.begin(), fNumbers.end(), value) -
                            fNumbers.begin());
}

std::string Categories::ValueText(size_t index) const {
    if (fColumn.type == ColumnType::String) return fColumn.strings.Text(fCodes[index]);
    return NumberText(fNumbers[index]);
}

std::string Categories::DisplayText(size_t index, const Variable& variable) const {
    for (const ValueLabel& label : variable.valueLabels) {
        const bool same = fColumn.type == ColumnType::String
                              ? label.text == fColumn.strings.Text(fCodes[index])
                              : label.number == fNumbers[index];
        if (same) return label.label;
    }
    if (fColumn.type == ColumnType::Date) return DateText(fNumbers[index], variable.format);
    if (fColumn.dateTime) return DateTimeText(fNumbers[index], variable.format);
    return ValueText(index);
}

bool Categories::ValueOfText(const std::string& text, double& value) const {
    if (ParseCsvNumber(text, value)) return true;
    return fColumn.dateTime ? ParseIsoMoment(text, value) : ParseIsoDate(text, value);
}

int Categories::Find(const std::string& text, const Variable& variable) const {
    for (size_t i = 0; i < fCount; ++i) {
        if (fColumn.type == ColumnType::String) {
            if (fColumn.strings.Text(fCodes[i]) == text) return static_cast<int>(i);
            continue;
        }
        double number;
        if (ValueOfText(text, number) && number == fNumbers[i]) return static_cast<int>(i);
    }
    for (const ValueLabel& label : variable.valueLabels) {
        if (label.label != text) continue;
        const int found = FindLabelled(label);
        if (found >= 0) return found;
    }
    return -1;
}

int Categories::FindLabelled(const ValueLabel& label) const {
    for (size_t i = 0; i < fCount; ++i) {
        const bool same = fColumn.type == ColumnType::String
                              ? label.text == fColumn.strings.Text(fCodes[i])
                              : label.number == fNumbers[i];
        if (same) return static_cast<int>(i);
    }
    return -1;
}

namespace {

std::string Padded(long long number, int digits) {
    std::string text = std::to_string(number < 0 ? -number : number);
    if (text.size() < static_cast<size_t>(digits))
        text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
    return number < 0 ? "-" + text : text;
}

// The date part of a date format, with a four-digit or a two-digit year.
std::string DatePart(const std::string& type, const stats::CivilDate& date, int dayOfYear,
                     bool longYear) {
    static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const std::string year = longYear ? Padded(date.year, 4) : Padded(date.year % 100, 2);
    const std::string month = Padded(date.month, 2), day = Padded(date.day, 2);
    if (type == "ADATE") return month + "/" + day + "/" + year;
    if (type == "EDATE") return day + "." + month + "." + year;
    if (type == "SDATE") return year + "/" + month + "/" + day;
    if (type == "JDATE") return year + Padded(dayOfYear, 3);
    if (type == "MOYR") return std::string(kMonths[date.month - 1]) + " " + year;
    if (type == "QYR") return std::to_string((date.month - 1) / 3 + 1) + " Q " + year;
    if (type == "WKYR") return std::to_string((dayOfYear - 1) / 7 + 1) + " WK " + year;
    return day + "-" + kMonths[date.month - 1] + "-" + year;
}

}  // namespace

std::string DateText(double days, const std::string& format) {
    size_t letters = 0;
    std::string type;
    while (letters < format.size() && std::isalpha(static_cast<unsigned char>(format[letters])))
        type += static_cast<char>(std::toupper(static_cast<unsigned char>(format[letters++])));
    const int width = std::atoi(format.c_str() + letters);
    static const char* const kDateTypes[] = {"DATE", "ADATE", "EDATE", "SDATE", "JDATE",
                                             "MOYR", "QYR",   "WKYR",  "WKDAY"};
    if (std::find(std::begin(kDateTypes), std::end(kDateTypes), type) == std::end(kDateTypes) ||
        width <= 0 || !std::isfinite(days))
        return IsoDate(days);
    const stats::CivilDate date = stats::CivilFromDays(days);
    if (type == "WKDAY") {
        static const char* const kDays[] = {"THURSDAY", "FRIDAY",  "SATURDAY", "SUNDAY",
                                            "MONDAY",   "TUESDAY", "WEDNESDAY"};
        const long long weekday =
            ((static_cast<long long>(std::floor(days)) % 7) + 7) % 7;  // 1970-01-01: Thursday
        return std::string(kDays[weekday]).substr(0, static_cast<size_t>(width));
    }
    const int dayOfYear = static_cast<int>(std::floor(days) - stats::DaysFromCivil(date.year, 1, 1)) + 1;
    const std::string full = DatePart(type, date, dayOfYear, true);
    return full.size() <= static_cast<size_t>(width) ? full : DatePart(type, date, dayOfYear, false);
}

std::string DateTimeText(double seconds, const std::string& format) {
    // The seconds' decimals of a DATETIMEw.d format.
    const size_t point = format.find('.');
    const int decimals =
        point == std::string::npos ? 0 : std::clamp(std::atoi(format.c_str() + point + 1), 0, 6);
    // Rounded first, so that 23:59:59.6 shown without decimals is the next
    // day's 00:00:00.
    const double scale = std::pow(10.0, decimals);
    const double ticks = std::round(seconds * scale);
    const double perDay = kSecondsPerDay * scale;
    const double days = std::floor(ticks / perDay);
    const auto clock = static_cast<long long>(ticks - days * perDay);
    const auto perSecond = static_cast<long long>(scale);
    const long long second = clock / perSecond;
    std::string text = DateText(days, "DATE11") + " " + Padded(second / 3600, 2) + ":" +
                       Padded(second / 60 % 60, 2) + ":" + Padded(second % 60, 2);
    if (decimals > 0) text += "." + Padded(clock % perSecond, decimals);
    return text;
}

std::string IsoDate(double days) {
    const stats::CivilDate date = stats::CivilFromDays(days);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d", date.year, date.month, date.day);
    return buffer;
}

}  // namespace npar::engine
