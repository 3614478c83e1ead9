// Small helpers shared by the plug-in's units: the consistency check that
// reports instead of aborting, and the one conversion from double to int.
#pragma once

#include <climits>
#include <cmath>

#include "CFProcCustom.h"

// Checks a condition that a well-formed document always meets. A failed check
// is reported to the host with the unit and the expression; it never stops
// the process. Evaluates to the condition, so a caller can guard with it.
#define NOPR_CHECK(condition, unit) \
    ((condition) ? true : (CFReportCheck(#condition, unit, __LINE__), false))

// Truncates toward zero. NaN gives the smallest int (the missing value);
// values beyond the int range clamp to its ends.
inline int TruncateToInt(double value) {
    if (std::isnan(value)) return INT_MIN;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}
