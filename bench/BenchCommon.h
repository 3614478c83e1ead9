// What the output benchmarks share: the scaled document, its variables, the
// plug-in run over it, and pugixml's parse that every figure is compared with.
#pragma once

#include <chrono>
#include <string>

#include "OutputDocument.h"

class ProcedureDataSource;

namespace npar_bench {

// The scaled document: 227 tests of each of the 22 types (4,994 tests) over
// 1,000 fields.
constexpr int kTestsPerType = 227;
constexpr int kFields = 1000;

const std::string& ScaledDocument();
// The variables of the scaled document, as npar-report takes them from its
// data dictionary.
ProcedureDataSource& ScaledDataSource();

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point from, Clock::time_point to);

// Seconds pugixml takes to parse text (with the given parse options).
double TimeParse(const std::string& text, unsigned options);
double TimeParse(const std::string& text);

// One split of the scaled document through the plug-in into output, with the
// resources of the source tree; false when the split failed.
bool RunPlugin(npar::OutputDocument& output);

// Writes output as JSON into a sink that only counts; gives the bytes written.
size_t WriteJsonCounting(const npar::OutputDocument& output);

// The scaled document through the plug-in and the JSON writer as npar-report
// --format json runs them: the writer writes each top-level item while the
// plug-in makes the next, into a sink that only counts. Gives the bytes
// written, 0 when the split failed.
size_t StreamJsonCounting();

}  // namespace npar_bench
