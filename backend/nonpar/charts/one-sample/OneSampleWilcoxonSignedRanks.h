// The one-sample Wilcoxon signed rank chart: the histogram of the test field
// with guide lines at the hypothetical (green) and the observed (blue) median,
// and two coloured labels above the graph that name both medians.
#pragma once

#include <memory>
#include <string>

#include "NOPRHistogramChart.h"

class FacSTDictionary;

class OneSampleWilcoxonSignedRanks : public NOPRHistogramChart {
public:
    // record: the test's record (borrowed); its continuous distribution gives
    // the two medians.
    OneSampleWilcoxonSignedRanks(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                                 const NOPROutputStats::HTOWilcoxonSignedRanks* record);
    ~OneSampleWilcoxonSignedRanks() override;

    void editTemplate(std::string& text) override;
    void editDocument(XDocument& document) override;

private:
    void addMedians(XDocument& document) const;
    // The label naming a median: the string-table text of key followed by
    // the median as the test field's format writes it.
    ChartString medianText(const std::string& key, double median) const;

    struct Data;
    std::unique_ptr<Data> fData;
};
