// The one-sample Kolmogorov-Smirnov chart: the histogram of the test field with
// the hypothesized distribution drawn over it and its parameters beside it.
#pragma once

#include <memory>
#include <string>

#include "NOPRHistogramChart.h"

class FacSTDictionary;

class KolmogorovSmirnov : public NOPRHistogramChart {
public:
    // record: the test's record (borrowed, may be null); its condition names
    // the distribution and holds the test field and the parameters.
    KolmogorovSmirnov(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                      const NOPROutputStats::BaseHypothesisTest* record);
    ~KolmogorovSmirnov() override;

    const ValueTable* histogramTable() override;
    void editTemplate(std::string& text) override;
    void editDocument(XDocument& document) override;

private:
    void addFittedLine(std::string& text) const;
    void addParameterLabel(std::string& text) const;

    struct Data;
    std::unique_ptr<Data> fData;
};
