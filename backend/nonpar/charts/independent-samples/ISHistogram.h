// The two-group histogram of a two-sample independent test (Mann-Whitney U,
// Wald-Wolfowitz runs, Kolmogorov-Smirnov): the test field's distribution in
// each group, side by side, each labelled with its group's size.
#pragma once

#include <memory>
#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;
class QUOR_Variable;
class VarDataProcessor;
class XGraph;

class ISHistogram {
public:
    ISHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                const NOPROutputStats::HTIMannWhitneyU* record);
    ISHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                const NOPROutputStats::HTIKolmogorovSmirnov* record);
    ISHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                const NOPROutputStats::HTIWaldWolfowitzRuns* record);
    ISHistogram(const ISHistogram&) = delete;
    ISHistogram& operator=(const ISHistogram&) = delete;
    virtual ~ISHistogram();

    // Fills the data, edits the template and sends the chart; true once sent.
    virtual bool draw(const std::string& splitLabel, bool splitActive);

private:
    struct Data;
    int fillData(VarDataProcessor& processor);
    void editTemplate(std::string& text, const QUOR_Variable* testVariable,
                      const QUOR_Variable* groupingVariable, bool mirrored);
    void labelGroups(XGraph& graph);

    std::unique_ptr<Data> fData;
};
