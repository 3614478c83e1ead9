// The one-sample runs test: the distribution of the number of runs under the
// hypothesis, with guide lines at the expected and the observed number.
// Everything it shows is written into the template; it has no data table.
#pragma once

#include <memory>
#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;

class OneSampleRuns {
public:
    OneSampleRuns(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                  const NOPROutputStats::HTORuns* record);
    OneSampleRuns(const OneSampleRuns&) = delete;
    OneSampleRuns& operator=(const OneSampleRuns&) = delete;

    // Edits the template and sends the chart; true once sent.
    virtual bool draw(const std::string& splitLabel, bool splitActive);
    virtual ~OneSampleRuns();

private:
    struct Data;
    std::unique_ptr<Data> fData;
};
