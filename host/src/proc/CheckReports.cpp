// The channel from the plug-in to the host for what a document's content
// caused: consistency checks that failed (collected, never fatal;
// npar-report prints them as warnings after each run), and why a split's
// document could not be read.
#include "CFProcCustom.h"

#include <string>
#include <vector>

namespace {
std::vector<std::string>& Reports() {
    static std::vector<std::string> reports;
    return reports;
}
constexpr size_t kMaxReports = 1000;  // a hostile document cannot grow this without bound

std::string& ReadFailure() {
    static std::string failure;
    return failure;
}
}  // namespace

void CFReportCheck(const char* expression, const char* unit, int line) {
    auto& reports = Reports();
    if (reports.size() >= kMaxReports) return;
    reports.push_back(std::string(unit) + ":" + std::to_string(line) + ": check failed: " + expression);
}

std::vector<std::string> CFTakeCheckReports() {
    std::vector<std::string> taken;
    taken.swap(Reports());
    return taken;
}

void CFReportReadFailure(const std::string& cause) { ReadFailure() = cause; }

std::string CFTakeReadFailure() {
    std::string taken;
    taken.swap(ReadFailure());
    return taken;
}
