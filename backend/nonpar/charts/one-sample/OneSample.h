// Picks and draws the chart of one one-sample test.
#pragma once

#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;

class OneSample {
public:
    OneSample(FacSTDictionary* dictionary, const NOPRSplitResults* container);
    virtual ~OneSample();

    // Draws the test's chart when it is a one-sample test that has one and
    // reported no error; any other test is left alone. fieldIndex: the test
    // field's position among the split's fields, for the histogram views.
    virtual void drawChart(const NOPROutputStats::BaseHypothesisTest* test, unsigned int fieldIndex,
                           const std::string& splitLabel, bool splitActive);

private:
    FacSTDictionary* fDictionary;
    const NOPRSplitResults* fContainer;
};
