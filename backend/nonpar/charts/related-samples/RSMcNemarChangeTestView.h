// The chart of the related-samples McNemar change test: a grid of panels,
// the first field's categories against the second field's, each cell off the
// diagonal showing its observed count beside the count expected when changes
// in both directions are equally likely, the diagonal its count alone.
#pragma once

#include <memory>
#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;
class VarDataProcessor;
class XGraph;

class RSMcNemarChangeTestView {
public:
    // comparison is the test record's fCategoryFieldsComparison.
    RSMcNemarChangeTestView(const NOPRSplitResults* container, const CategoryComparison* comparison,
                            FacSTDictionary* dictionary);
    RSMcNemarChangeTestView(const RSMcNemarChangeTestView&) = delete;
    RSMcNemarChangeTestView& operator=(const RSMcNemarChangeTestView&) = delete;
    virtual ~RSMcNemarChangeTestView();

    // Fills the data, edits the template and sends the chart; true once sent.
    virtual bool draw(const std::string& splitLabel, bool splitActive);

private:
    struct Data;
    unsigned int fillData(VarDataProcessor& processor);
    void writeCell(VarDataProcessor& processor, size_t r, size_t c, int kind);
    void relabelFields(XGraph& graph);

    std::unique_ptr<Data> fData;
};
