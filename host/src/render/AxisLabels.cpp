// Tick labels of the axes.
#include "render/AxisLabels.h"

#include <algorithm>
#include <cmath>

#include "render/RenderCommon.h"

namespace npar {
namespace render {
namespace {

std::string Decimals(int decimals) { return decimals >= 0 ? std::to_string(decimals) : std::string(); }

}  // namespace

std::string NumberLabelExpression(const Format& format) {
    const std::string& type = format.type;
    const int decimals = format.decimals;
    const std::string fixed = decimals >= 0 ? "." + Decimals(decimals) + "f" : std::string();
    std::string core;
    if (IsClockFormat(type)) {
        // Seconds as hours, minutes and seconds (a duration's days first),
        // as the format prints them.
        const auto twoDigits = [](const std::string& value) {
            return "format(floor(" + value + "), '02d')";
        };
        const std::string hours = type == "TIME" ? "datum.value / 3600" : "datum.value % 86400 / 3600";
        const std::string colon = " + ':' + ";
        const std::string clock = twoDigits(hours) + colon + twoDigits("datum.value % 3600 / 60") +
                                  colon + twoDigits("datum.value % 60");
        return type == "TIME" ? clock : "floor(datum.value / 86400) + ' ' + " + clock;
    }
    if (type == "COMMA" || type == "DOT")
        core = "format(datum.value, '," + fixed + "')";
    else if (type == "DOLLAR")
        core = "'$' + format(datum.value, '," + fixed + "')";
    else if (type == "E")
        core =
            "format(datum.value, '." + (decimals >= 0 ? Decimals(decimals) : std::string("3")) + "e')";
    else if (type == "PCT")
        core = (decimals >= 0 ? "format(datum.value, '" + fixed + "')" : std::string("datum.label")) +
               " + '%'";
    else if (decimals >= 0)
        core = "format(datum.value, '" + fixed + "')";
    else if (format.prefix.empty() && format.suffix.empty())
        return {};
    else
        core = "datum.label";
    std::string expression = core;
    if (!format.prefix.empty()) expression = ExpressionString(format.prefix) + " + " + expression;
    if (!format.suffix.empty()) expression += " + " + ExpressionString(format.suffix);
    return expression;
}

std::string DateLabelExpression(const std::string& type) {
    const auto utc = [](const char* pattern, bool upper) {
        std::string call = std::string("utcFormat(datum.value, '") + pattern + "')";
        return upper ? "upper(" + call + ")" : call;
    };
    if (type == "ADATE") return utc("%m/%d/%Y", false);
    if (type == "EDATE") return utc("%d.%m.%Y", false);
    if (type == "SDATE") return utc("%Y/%m/%d", false);
    if (type == "JDATE") return utc("%Y%j", false);
    if (type == "DATETIME") return utc("%d-%b-%Y %H:%M:%S", true);
    if (type == "WKDAY") return utc("%a", true);
    if (type == "MONTH") return utc("%b", true);
    if (type == "MOYR") return utc("%b %Y", true);
    if (type == "QYR") return "utcquarter(datum.value) + ' Q ' + " + utc("%Y", false);
    if (type == "WKYR") return utc("%V WK %Y", false);
    return utc("%d-%b-%Y", true);
}

std::string WrappedLabels(const std::vector<std::string>& labels, double band) {
    bool wrap = false;
    for (const std::string& label : labels) wrap = wrap || TextWidth(label, 11) > band;
    if (!wrap || labels.size() > 200) return kSplitLabels;
    std::string table = "{";
    for (size_t i = 0; i < labels.size(); ++i) {
        if (i) table += ", ";
        table += ExpressionString(labels[i]) + ": [";
        const std::vector<std::string> lines = WrapText(labels[i], band, 11);
        for (size_t j = 0; j < lines.size(); ++j) table += (j ? ", " : "") + ExpressionString(lines[j]);
        table += "]";
    }
    return "(" + table + "})[datum.value]";
}

double RoundStep(double step) {
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= step * (1 - 1e-12)) return factor * power;
    return 10 * power;
}

bool IsClockFormat(const std::string& type) { return type == "TIME" || type == "DTIME"; }

double ClockStep(double step) {
    static constexpr double kSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                        600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    for (double clock : kSteps)
        if (clock >= step * (1 - 1e-12)) return clock;
    return 86400 * RoundStep(step / 86400);
}

std::string WidestDateLabel(const std::string& type) {
    if (type == "ADATE" || type == "EDATE" || type == "SDATE") return "28/09/2023";
    if (type == "JDATE") return "2023271";
    if (type == "DATETIME") return "28-SEP-2023 13:05:00";
    if (type == "WKDAY" || type == "MONTH") return "WED";
    if (type == "MOYR") return "SEP 2023";
    if (type == "QYR") return "3 Q 2023";
    if (type == "WKYR") return "39 WK 2023";
    return "28-SEP-2023";
}

}  // namespace render
}  // namespace npar
