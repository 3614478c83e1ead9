// The one-sample binomial test as stacked bars: the observed and the
// hypothesized proportions of the test's two categories.
#pragma once

#include "NOPRStackedChart.h"

class Binomial : public NOPRStackedRecordChart<NOPROutputStats::HTOBinomial> {
public:
    Binomial(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
             const NOPROutputStats::HTOBinomial* record);

    std::string seriesLabel(const std::string& rowName) override;
    std::string categoryText(const std::string& columnName, bool escaped) override;
    void editTemplate(std::string& text) override;

private:
    // The condition's first value of entry index; false when there is none.
    bool parameter(size_t index, double& value);
    // The test field (the condition's first entry), or null.
    const FieldInfo* testField();
    // The test field's category at a position of its values: its label, or
    // its value where it has none; false beyond the values.
    bool categoryName(double position, std::string& name);
    // The categories of the list in condition entry index (1 or 2), joined
    // by ", "; empty when the list names none.
    std::string categoryListText(size_t index);
};
