// A test ready to run: the specification resolved against the data, with
// its columns and options checked and read. One-sample and
// independent-samples specifications become one request per field; the
// automatic tests become the test the fields call for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "request/TestCatalog.h"

namespace npar::engine {

enum class CutKind { None, Median, Mean, Value };
enum class Distribution { Normal, Uniform, Poisson, Exponential };
enum class Compare { All, Stepwise, None };

struct TestRequest {
    TestKind kind = TestKind::ChiSquare;
    std::string text;                  // the specification as written
    std::vector<size_t> fields;        // columns tested
    int group = -1;                    // grouping column, -1 without
    bool ordinalAsContinuous = false;  // an ordinal field ranked as a continuous one

    // chi-square
    std::vector<double> expected;
    // binomial, success-rate, runs
    double proportion = 0.5;
    CutKind cut = CutKind::None;
    double cutValue = 0;
    std::vector<int> successCategories;  // category positions that count as success
    // binomial: values named for the other category when the field takes
    // no value but successes (placed after its own categories)
    std::vector<int> failureCategories;
    std::vector<std::string> successValues;  // related tests: values that count as success
    bool successGiven = false;               // related tests: named by success= (else the first value)
    // one-sample Wilcoxon, median test
    double median = 0;
    bool pooledMedian = true;
    // Kolmogorov-Smirnov
    Distribution distribution = Distribution::Normal;
    std::optional<double> first, second;  // mean and sd, min and max, or mean
    // success-rate intervals
    bool clopperPearson = true, jeffreys = true, likelihood = true;
    // k-sample tests
    Compare compare = Compare::All;
    // two-group tests: the two group categories chosen with groups=, else all
    std::vector<int> groupCategories;
    // Moses
    std::optional<double> trimFraction;
    std::optional<int> outliers;
    int controlCategory = -1;
    // Jonckheere-Terpstra
    bool descending = false;

    // What the run says of the request before it computes anything (a
    // success value no case takes, a nominal field whose values it orders).
    std::vector<std::string> notes;

    // The columns whose missing values leave a case out of this test.
    std::vector<size_t> Columns() const {
        std::vector<size_t> columns = fields;
        if (group >= 0) columns.push_back(static_cast<size_t>(group));
        return columns;
    }
};

}  // namespace npar::engine
