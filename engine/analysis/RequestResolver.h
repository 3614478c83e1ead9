// Turning test specifications into requests against the data: names to
// columns, options to values, and every check that the data must pass for the
// request to make sense. Faults are usage errors, raised before anything is
// computed.
#pragma once

#include <string>
#include <vector>

#include "analysis/RunData.h"
#include "analysis/TestRequest.h"

namespace npar::engine {

// A success= value that a field never takes is placed among data's named
// values (see RunData::PlaceNamedValue).
std::vector<TestRequest> ResolveTests(const std::vector<std::string>& specifications, RunData& data);

// "the data have no variable "NAME" (...)": the variable the user most likely
// meant, when one is close, and the data's first variables; in a test
// specification also how a name with blanks is quoted.
std::string NoVariableText(const DataTable& table, const std::string& name, bool inTestSpecification);

}  // namespace npar::engine
