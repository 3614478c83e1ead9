// Cochran's Q test as stacked bars: one bar per related field, split into
// its two categories.
#pragma once

#include "NOPRStackedChart.h"

class RSCochransQ : public NOPRStackedRecordChart<NOPROutputStats::HTRCochransQ> {
public:
    RSCochransQ(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                const NOPROutputStats::HTRCochransQ* record);

    std::string seriesLabel(const std::string& rowName) override;
    std::string categoryText(const std::string& columnName, bool escaped) override;
    void editTemplate(std::string& text) override;
};
