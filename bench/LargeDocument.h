// A large, valid result document for benchmarks: many tests of every type
// over many fields.
#pragma once

#include <string>

namespace npar_bench {

// testsPerType Algorithms of each of the 22 test types over fieldCount fields.
std::string MakeLargeDocument(int testsPerType, int fieldCount);

}  // namespace npar_bench
