// The one-sample chi-square test as clustered bars: the observed and the
// hypothesized frequency of every category of the test field, with a tooltip
// that also shows the residual.
#pragma once

#include <memory>
#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;
class VarDataProcessor;

class ChiSquare {
public:
    ChiSquare(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
              const NOPROutputStats::HTOChiSquare* record);
    ChiSquare(const ChiSquare&) = delete;
    ChiSquare& operator=(const ChiSquare&) = delete;

    // Fills the data, edits the template and sends the chart; true once sent.
    virtual bool draw(const std::string& splitLabel, bool splitActive);
    virtual ~ChiSquare();

private:
    // Two data rows per category of the frequency table; gives the rows written.
    int fillData(VarDataProcessor& processor);

    struct Data;
    std::unique_ptr<Data> fData;
};
