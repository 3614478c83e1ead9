// The Moses test's box plot: boxes coloured by group, with a legend that names
// the control and the experimental group with their sizes, and outliers
// labelled with their case numbers.
#pragma once

#include "Boxplot.h"

class IMoses : public Boxplot {
public:
    IMoses(FacSTDictionary* dictionary, const NOPRSplitResults* container,
           const NOPROutputStats::HTIMoses* record);
    ~IMoses() override;

    std::vector<double> groupValues(const BoxGroup& group) override;
    void editDocument(XDocument& document) override;

private:
    struct GroupList;
    std::unique_ptr<GroupList> fGroups;
};
