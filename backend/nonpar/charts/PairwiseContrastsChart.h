// The pairwise comparisons of a k-sample test as a network: one node per
// sample, labelled with its name and its statistic (number of successes,
// average rank or median), one edge per compared pair, weighted by the pair's adjusted
// significance and coloured by whether it is below the significance level.
// Made by the pairwise comparisons table right after the table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "NOPRSplitResults.h"

class CFField;
class FacSTDictionary;
class QUOR_Variable;
class VarDataProcessor;
class XVariable;

class PairwiseContrastsChart {
public:
    // pairwise: the test's comparisons (borrowed); its node list is the first
    // row of fInfo (sample numbers), the nodes' statistics the second.
    // testType: the test compared, which says what statistic the nodes show.
    PairwiseContrastsChart(const NOPRSplitResults* container, const PairwiseInfo* pairwise,
                           const FacSTDictionary* dictionary, int testType);
    PairwiseContrastsChart(const PairwiseContrastsChart&) = delete;
    PairwiseContrastsChart& operator=(const PairwiseContrastsChart&) = delete;
    virtual ~PairwiseContrastsChart();

    // Makes and sends the chart; true once it was sent. Only a missing
    // template (or nothing to draw from) stops it.
    virtual bool draw(const std::string& splitLabel, bool splitActive);

private:
    void fillData(VarDataProcessor& processor) const;
    // One number per comparison row from the comparison column named name:
    // the cell itself (raw), or the node value at the position the cell
    // names. NaN where the row or the node list has no such position.
    std::vector<double> column(const std::string& name, bool raw) const;
    // The nodes' labels: the grouping field's values, or the related fields.
    void labelGroupNodes(XVariable& nodeVariable, const QUOR_Variable* variable,
                         const CFField& groupingField);
    void labelFieldNodes(XVariable& nodeVariable);

    struct Data;
    std::unique_ptr<Data> fData;
};
