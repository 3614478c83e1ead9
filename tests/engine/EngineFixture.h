// Running the engine on a data table and reading what its result documents
// say, the way the report's reader finds it: the statistics of each test by
// name and group, its decision, messages and tables.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "engine/Analysis.h"

namespace enginetest {

// The text of a data set in tests/engine/data.
std::string DataFile(const std::string& name);

// Agreement to a relative tolerance: 1e-9, the engine's promise for exact
// computations, unless the caller asks for another.
void ExpectNear(double actual, double expected, double relative = 1e-9);

class EngineRun {
public:
    using Tweak = std::function<void(npar::engine::AnalysisRequest&)>;
    EngineRun(std::string csv, std::vector<std::string> tests, const Tweak& tweak = {});

    size_t SplitCount() const { return fDocuments.size(); }
    const npar::engine::PreparedAnalysis& Analysis() const { return *fAnalysis; }
    const std::string& Text(size_t split = 0) const { return fTexts[split]; }

    // The Algorithm element of a test (in the order of the tests and, for
    // tests of several fields, of the fields).
    pugi::xml_node Algorithm(size_t test, size_t split = 0) const;
    // A statistic's number; group names a nested table of the statistics.
    // Fails the calling test and gives NaN when it is absent.
    double Statistic(size_t test, const std::string& name, const std::string& group = "",
                     size_t split = 0) const;
    bool HasStatistic(size_t test, const std::string& name, const std::string& group = "",
                      size_t split = 0) const;
    // The statistic's text as written ("0.2", ">0.2").
    std::string StatisticText(size_t test, const std::string& name, const std::string& group = "",
                              size_t split = 0) const;
    std::string Decision(size_t test, size_t split = 0) const;
    std::string ConditionKey(size_t test, size_t split = 0) const;
    // The numbers of condition parameter index (%index).
    std::vector<double> Parameter(size_t test, size_t index, size_t split = 0) const;
    // Message codes with their types ("40001 error").
    std::vector<std::string> Messages(size_t test, size_t split = 0) const;
    // The first number (%0) of the test's message with this code; NaN when
    // the test has no such message or it carries no number.
    double MessageNumber(size_t test, int code, size_t split = 0) const;
    // The rows of a simple table found by path of structured-table names,
    // the last name the simple table's.
    std::vector<std::vector<double>> TableRows(size_t test, const std::vector<std::string>& path,
                                               size_t split = 0) const;
    // An attribute of a structured table found by path.
    double TableAttribute(size_t test, const std::vector<std::string>& path, const std::string& name,
                          size_t split = 0) const;
    pugi::xml_node Root(size_t split = 0) const { return fDocuments[split]->child("StatXML"); }

private:
    pugi::xml_node StatisticNode(size_t test, const std::string& name, const std::string& group,
                                 size_t split) const;

    std::unique_ptr<npar::engine::PreparedAnalysis> fAnalysis;
    std::vector<std::string> fTexts;
    std::vector<std::unique_ptr<pugi::xml_document>> fDocuments;
};

// The message of the usage error preparing this request raises, or "".
std::string UsageErrorOf(const std::string& csv, const std::vector<std::string>& tests,
                         const EngineRun::Tweak& tweak = {});

}  // namespace enginetest
