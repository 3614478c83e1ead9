// Failed checks, reported to the host or kept for the thread that reports them.
#include "NOPRSupport.h"

#include <utility>

namespace {

// Where this thread keeps its failed checks; none: they are reported.
thread_local NOPRKeptChecks* tKept = nullptr;

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
