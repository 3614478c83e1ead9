// The chart of the related-samples sign and Wilcoxon signed rank tests: a
// histogram of the differences between two related fields, positive and
// negative differences told apart, with their counts and the ties in the
// legend.
#pragma once

#include <memory>
#include <string>

#include "NOPRSplitResults.h"

class FacSTDictionary;

class RSWilcoxonPairSignedRank {
public:
    // record is the test's HTRSign or HTRWilcoxonSignedRanks record and
    // differences its fDifferences; testType chooses the title.
    RSWilcoxonPairSignedRank(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                             const DifferenceCounts* differences,
                             const NOPROutputStats::BaseHypothesisTest* record, int testType);
    RSWilcoxonPairSignedRank(const RSWilcoxonPairSignedRank&) = delete;
    RSWilcoxonPairSignedRank& operator=(const RSWilcoxonPairSignedRank&) = delete;
    virtual ~RSWilcoxonPairSignedRank();

    // Fills the data, edits the template and sends the chart; true once sent.
    virtual bool draw(const std::string& splitLabel, bool splitActive);

private:
    struct Data;
    std::unique_ptr<Data> fData;
};
