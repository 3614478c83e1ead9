// The tests the engine runs: their names, families, the fields and options
// each takes, and the line --list-tests prints for it.
#pragma once

#include <string>
#include <vector>

#include "engine/TestText.h"

namespace npar::engine {

enum class TestKind {
    // one sample
    ChiSquare,
    Binomial,
    Runs,
    OneSampleWilcoxon,
    OneSampleKs,
    SuccessRate,
    // related samples
    Sign,
    RelatedWilcoxon,
    McNemar,
    MarginalHomogeneity,
    Cochran,
    Friedman,
    Kendall,
    RelatedHodgesLehmann,
    // independent samples
    MannWhitney,
    WaldWolfowitz,
    TwoSampleKs,
    Moses,
    IndependentHodgesLehmann,
    KruskalWallis,
    Jonckheere,
    MedianTest,
    // chosen from the fields
    OneSampleAuto,
    RelatedAuto,
    IndependentAuto,
};

enum class Family { OneSample, Related, Independent };

struct TestDefinition {
    TestKind kind;
    const char* name;  // as the user writes it
    Family family;
    size_t minFields;
    size_t maxFields;  // 0: no limit
    std::vector<std::string> options;
    const char* usage;    // fields and options, for --list-tests
    const char* purpose;  // what it tests, for --list-tests
};

// The definition a specification names (the name, and for the names several
// tests share, "by" or "median="). Throws UsageError for an unknown name or a
// specification of the wrong shape (fields, "by", options).
const TestDefinition& DefinitionFor(const TestSpec& spec);

// The definition of a kind.
const TestDefinition& DefinitionOf(TestKind kind);

// One line per test: name, fields and options, purpose.
std::string TestListText();

}  // namespace npar::engine
