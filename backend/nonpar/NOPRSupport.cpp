// Failed checks, reported to the host or kept for the thread that reports them;
// the decimals that show small values and values near their bounds.
#include "NOPRSupport.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Where this thread keeps its failed checks; none: they are reported.
// (Initial-exec: a slot of the static thread-local block, reached without a
// call, rather than a block allocated for each thread on first use, which the
// leak checker of the sanitizer builds misreads and crashes on at exit.)
__attribute__((tls_model("initial-exec"))) thread_local NOPRKeptChecks* tKept = nullptr;

// Whether value, shown with decimals, reads as 0 (or as 1 in size) while it
// is not that bound; values within rounding noise of a bound are the bound.
bool ShowsBoundNotReached(double value, bool boundedByOne, int decimals) {
    constexpr double kSameAsBound = 1e-9;
    if (!std::isfinite(value)) return false;
    const double size = std::fabs(value);
    const double scale = std::pow(10.0, decimals);
    const double shown = std::round(size * scale) / scale;
    if (shown == 0) return size > kSameAsBound;
    return boundedByOne && shown == 1 && std::fabs(size - 1) > kSameAsBound;
}

// Whether two of the values that differ show the same at these decimals
// (the limits of an interval of a proportion from 200000 cases, .598 and
// .602, both read .60).
bool ShowsDifferentValuesAlike(const std::vector<double>& values, int decimals) {
    constexpr double kSameValue = 1e-9;
    const double scale = std::pow(10.0, decimals);
    for (size_t i = 0; i < values.size(); ++i)
        for (size_t j = i + 1; j < values.size(); ++j) {
            const double a = values[i];
            const double b = values[j];
            if (!std::isfinite(a) || !std::isfinite(b) || std::fabs(a - b) <= kSameValue) continue;
            if (std::round(a * scale) == std::round(b * scale)) return true;
        }
    return false;
}

}  // namespace

void NOPRReportCheck(const char* expression, const char* unit, int line) {
    if (tKept) {
        tKept->Keep({expression, unit, line});
        return;
    }
    CFReportCheck(expression, unit, line);
}

NOPRKeptChecks::NOPRKeptChecks() : fOuter(tKept) { tKept = this; }

NOPRKeptChecks::~NOPRKeptChecks() { tKept = fOuter; }

std::vector<NOPRCheck> NOPRKeptChecks::Take() { return std::exchange(fChecks, {}); }

void NOPRReportChecks(const std::vector<NOPRCheck>& checks) {
    for (const NOPRCheck& check : checks) CFReportCheck(check.expression, check.unit, check.line);
}

int DecimalsForSmallValues(const std::vector<double>& values, int decimals) {
    const double halfUnit = 0.5 * std::pow(10.0, -decimals);
    int needed = decimals;
    for (double value : values) {
        const double size = std::fabs(value);
        if (!std::isfinite(value) || size == 0 || size >= halfUnit) continue;
        needed = std::max(needed, std::min(12, 2 - static_cast<int>(std::floor(std::log10(size)))));
    }
    return needed;
}

int DecimalsOffBounds(const std::vector<double>& values, bool boundedByOne, int decimals) {
    for (double value : values)
        if (ShowsBoundNotReached(value, boundedByOne, decimals)) return decimals + 1;
    return decimals;
}

int DecimalsOfMeasure(const std::vector<double>& values, bool boundedByOne, int decimals) {
    if (ShowsDifferentValuesAlike(values, decimals)) return decimals + 1;
    return DecimalsOffBounds(values, boundedByOne, decimals);
}
