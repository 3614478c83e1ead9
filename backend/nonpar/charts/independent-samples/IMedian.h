// The median test's box plot, with a line at the grand median and its label.
#pragma once

#include "Boxplot.h"

class IMedian : public Boxplot {
public:
    IMedian(FacSTDictionary* dictionary, const NOPRSplitResults* container,
            const NOPROutputStats::HTIMedian* record);

    void editTemplate(std::string& text) override;
};
