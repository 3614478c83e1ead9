// Writing a result document with pugixml.
#pragma once

#include <string>

#include "document/ResultModel.h"

namespace npar::engine {

// The significance a test's decision rests on: the last statistic whose name
// holds "Sig", searched from the last group to the first, as the report's
// summary finds it. NaN when there is none.
double DecidingSignificance(const TestResult& test);

// The XML text of one split's result document.
std::string WriteResultDocument(const ResultDocumentContent& content);

}  // namespace npar::engine
