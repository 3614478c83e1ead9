// The related-samples chart dispatcher. Each view lives on the stack for one
// drawing, so it is destroyed also when drawing throws.
#include "RelatedSamples.h"

#include "MarginalHomogeneity.h"
#include "NOPRChartUtil.h"
#include "RSCochransQ.h"
#include "RSHistogram.h"
#include "RSMcNemarChangeTestView.h"
#include "RSWilcoxonPairSignedRank.h"

namespace {

// Friedman and Kendall share one view; its constructor takes either record.
template <class Record>
void DrawRanks(FacSTDictionary* dictionary, const NOPRSplitResults* container,
               const NOPROutputStats::BaseHypothesisTest* test, const std::string& splitLabel,
               bool splitActive) {
    if (auto* record = dynamic_cast<const Record*>(test)) {
        RSHistogram view(dictionary, container, record);
        view.draw(splitLabel, splitActive);
    }
}

// The sign test and the Wilcoxon test share the view of the differences.
template <class Record>
void DrawDifferences(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                     const NOPROutputStats::BaseHypothesisTest* test, const std::string& splitLabel,
                     bool splitActive) {
    if (auto* record = dynamic_cast<const Record*>(test)) {
        RSWilcoxonPairSignedRank view(dictionary, container, &record->fDifferences, record,
                                      record->fTestType);
        view.draw(splitLabel, splitActive);
    }
}

}  // namespace

RelatedSamples::RelatedSamples(FacSTDictionary* dictionary, const NOPRSplitResults* container)
    : fDictionary(dictionary), fContainer(container) {}

RelatedSamples::~RelatedSamples() = default;

void RelatedSamples::drawChart(const NOPROutputStats::BaseHypothesisTest* test,
                               const std::string& splitLabel, bool splitActive) {
    using namespace NOPROutputStats;
    if (!test || errorMessageCount(*test) > 0) return;
    // A record of another class than its type says gets no chart.
    switch (test->fTestType) {
        case TestType::RSign:
            DrawDifferences<HTRSign>(fDictionary, fContainer, test, splitLabel, splitActive);
            break;
        case TestType::RWilcoxonSignedRanks:
            DrawDifferences<HTRWilcoxonSignedRanks>(fDictionary, fContainer, test, splitLabel,
                                                    splitActive);
            break;
        case TestType::RCochransQ:
            if (auto* record = dynamic_cast<const HTRCochransQ*>(test)) {
                RSCochransQ view(fDictionary, fContainer, record);
                view.NOPRStackedChart::draw(splitLabel, splitActive);
            }
            break;
        case TestType::RMcNemar:
            if (auto* record = dynamic_cast<const HTRMcNemar*>(test)) {
                RSMcNemarChangeTestView view(fContainer, &record->fCategoryFieldsComparison,
                                             fDictionary);
                view.draw(splitLabel, splitActive);
            }
            break;
        case TestType::RFriedmansTwoWayByRanks:
            DrawRanks<HTRFriedmansTwoWayByRanks>(fDictionary, fContainer, test, splitLabel, splitActive);
            break;
        case TestType::RKendallsCoefficient:
            DrawRanks<HTRKendallsCoefficient>(fDictionary, fContainer, test, splitLabel, splitActive);
            break;
        case TestType::RMarginalHomogeneity:
            if (auto* record = dynamic_cast<const HTRMarginalHomogeneity*>(test)) {
                MarginalHomogeneity view(fContainer, &record->fCategoryFieldsComparison, fDictionary);
                view.draw(splitLabel, splitActive);
            }
            break;
        default:  // the Hodges-Lehmann estimate has no chart
            break;
    }
}
