// Small helpers shared by the plug-in's units: the consistency check that
// reports instead of aborting, the one conversion from double to int, and
// the decimals that keep small values readable.
#pragma once

#include <climits>
#include <cmath>
#include <vector>

#include "CFProcCustom.h"

// Checks a condition that a well-formed document always meets. A failed check
// is reported to the host with the unit and the expression; it never stops
// the process. Evaluates to the condition, so a caller can guard with it.
#define NOPR_CHECK(condition, unit) \
    ((condition) ? true : (NOPRReportCheck(#condition, unit, __LINE__), false))

// A failed check, kept to be reported later (the texts are the macro's literals).
struct NOPRCheck {
    const char* expression;
    const char* unit;
    int line;
};

// Reports a failed check to the host (CFReportCheck), or keeps it where this
// thread keeps its checks (NOPRKeptChecks).
void NOPRReportCheck(const char* expression, const char* unit, int line);

// While one lives, the failed checks of its thread are kept in it rather
// than reported: a thread that reads part of a document for another keeps
// them, and the reading thread reports them, in the document's order, when
// it takes that part.
class NOPRKeptChecks {
public:
    NOPRKeptChecks();
    ~NOPRKeptChecks();
    NOPRKeptChecks(const NOPRKeptChecks&) = delete;
    NOPRKeptChecks& operator=(const NOPRKeptChecks&) = delete;

    void Keep(const NOPRCheck& check) { fChecks.push_back(check); }
    // The checks kept so far, taken out.
    std::vector<NOPRCheck> Take();

private:
    std::vector<NOPRCheck> fChecks;
    NOPRKeptChecks* fOuter;
};

// Reports checks kept on another thread, in order.
void NOPRReportChecks(const std::vector<NOPRCheck>& checks);

// Truncates toward zero. NaN gives the smallest int (the missing value);
// values beyond the int range clamp to its ends.
inline int TruncateToInt(double value) {
    if (std::isnan(value)) return INT_MIN;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

// The decimals that show every finite value of the list with at least three
// significant digits: the given decimals, more for nonzero values below half
// a unit of the last of them (sample medians of data measured in
// millionths), at most twelve.
int DecimalsForSmallValues(const std::vector<double>& values, int decimals);

// The decimals that keep a measure and the limits of its interval from
// showing a bound they do not reach: 0, and for a measure that cannot exceed
// 1 in size also 1 and -1 (a proportion of .999 at two decimals reads 1.00).
// The given decimals, or one more where a value would show such a bound: as
// many as the statistics tables show, so that the two agree.
int DecimalsOffBounds(const std::vector<double>& values, bool boundedByOne, int decimals);
// The decimals of a measure and the limits of its interval (the first value
// the measure): as DecimalsOffBounds, and one more where two of them that
// differ would show the same (an interval from many cases, [.598, .602],
// read [.60, .60]).
int DecimalsOfMeasure(const std::vector<double>& values, bool boundedByOne, int decimals);
