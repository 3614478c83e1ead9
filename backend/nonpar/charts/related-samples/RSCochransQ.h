// Cochran's Q test as stacked bars: one bar per related field, split into
// its two categories.
#pragma once

#include "NOPRStackedChart.h"

class RSCochransQ : public NOPRStackedChart {
public:
    RSCochransQ(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                const NOPROutputStats::HTRCochransQ* record);

    std::string seriesLabel(const std::string& rowName) override;
    std::string categoryText(const std::string& columnName, bool escaped) override;
    const std::vector<IndexedValues>& testParameters() override;
    const ValueTable* stackedTable() override;
    void editTemplate(std::string& text) override;

private:
    const NOPROutputStats::HTRCochransQ* fRecord;
};
