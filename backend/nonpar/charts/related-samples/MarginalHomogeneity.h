// The chart of the related-samples marginal homogeneity test: a grid of
// panels, the first field's categories against the second field's, each cell
// showing its observed count.
#pragma once

#include <memory>
#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;
class VarDataProcessor;

class MarginalHomogeneity {
public:
    // comparison is the test record's fCategoryFieldsComparison.
    MarginalHomogeneity(const NOPRSplitResults* container, const CategoryComparison* comparison,
                        FacSTDictionary* dictionary);
    MarginalHomogeneity(const MarginalHomogeneity&) = delete;
    MarginalHomogeneity& operator=(const MarginalHomogeneity&) = delete;
    virtual ~MarginalHomogeneity();

    // Fills the data, edits the template and sends the chart; true once sent.
    virtual bool draw(const std::string& splitLabel, bool splitActive);

private:
    struct Data;
    int fillData(VarDataProcessor& processor);

    std::unique_ptr<Data> fData;
};
