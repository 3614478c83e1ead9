// Picks and draws the chart of one related-samples test.
#pragma once

#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;

class RelatedSamples {
public:
    RelatedSamples(FacSTDictionary* dictionary, const NOPRSplitResults* container);
    virtual ~RelatedSamples();

    // Draws the test's chart when it is a related-samples test that has one
    // and reported no error; any other test is left alone.
    virtual void drawChart(const NOPROutputStats::BaseHypothesisTest* test,
                           const std::string& splitLabel, bool splitActive);

private:
    FacSTDictionary* fDictionary;
    const NOPRSplitResults* fContainer;
};
