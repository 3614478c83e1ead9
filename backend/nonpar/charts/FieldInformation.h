// The distribution of one analysed field: a bar chart of its categories for a
// categorical field, a histogram for a continuous one, with the field's count
// and summary statistics beside it.
#pragma once

#include <memory>
#include <string>

#include "NOPRHistogramChart.h"

class FacSTDictionary;

class FieldInformation : public NOPRHistogramChart {
public:
    // categorical: which kind of field this view draws; a field of the other
    // kind gives no chart.
    FieldInformation(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                     bool categorical);
    ~FieldInformation() override;

    const ValueTable* histogramTable() override;
    void editTemplate(std::string& text) override;
    void editDocument(XDocument& document) override;

private:
    struct Data;
    std::unique_ptr<Data> fData;
};

// Draws the field-information charts of a split: for every field, in order,
// the categorical view and then the continuous one; the one that matches the
// field sends its chart.
void DrawFieldInformationCharts(FacSTDictionary* dictionary, const NOPRSplitResults& results,
                                const std::string& splitLabel, bool splitActive);
