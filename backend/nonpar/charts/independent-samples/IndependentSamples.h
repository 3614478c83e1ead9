// Picks and draws the chart of one independent-samples test.
#pragma once

#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;

class IndependentSamples {
public:
    IndependentSamples(FacSTDictionary* dictionary, const NOPRSplitResults* container);
    virtual ~IndependentSamples();

    // Draws the test's chart when it is an independent-samples test that has
    // one and reported no error; any other test is left alone.
    virtual void drawChart(const NOPROutputStats::BaseHypothesisTest* test,
                           const std::string& splitLabel, bool splitActive);

private:
    FacSTDictionary* fDictionary;
    const NOPRSplitResults* fContainer;
};
