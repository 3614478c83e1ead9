// The related-samples tests as result documents.
#include "analysis/TestRunner.h"

namespace npar::engine {

TestResult RunRelatedTest(const TestRequest&, const SplitData&) { return {}; }

}  // namespace npar::engine
