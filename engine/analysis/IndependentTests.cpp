// The independent-samples tests as result documents.
#include "analysis/TestRunner.h"

namespace npar::engine {

TestResult RunIndependentTest(const TestRequest&, const SplitData&) { return {}; }

}  // namespace npar::engine
