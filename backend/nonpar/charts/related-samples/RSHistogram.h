// The rank histograms of Friedman's two-way analysis of variance by ranks and
// Kendall's coefficient of concordance: one panel per related field, side by
// side, each labelled with the field's name and its mean rank.
#pragma once

#include <memory>
#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;
class VarDataProcessor;
class XGraph;

class RSHistogram {
public:
    RSHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                const NOPROutputStats::HTRKendallsCoefficient* record);
    RSHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                const NOPROutputStats::HTRFriedmansTwoWayByRanks* record);
    RSHistogram(const RSHistogram&) = delete;
    RSHistogram& operator=(const RSHistogram&) = delete;
    virtual ~RSHistogram();

    // Writes one data row per bar of every field whose rank histogram has a
    // row of counts and a row of ranks; gives the rows written. Also collects
    // the fields' positions and mean ranks for the panel labels.
    virtual int fillData(VarDataProcessor& processor);

    // Fills the data, edits the template and sends the chart; true once sent.
    bool draw(const std::string& splitLabel, bool splitActive);

private:
    void editTemplate(std::string& text, const NOPROutputStats::BaseHypothesisTest& record);
    void editDocument(XGraph& graph);

    struct Data;
    std::unique_ptr<Data> fData;
};
