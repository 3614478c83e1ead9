// The independent-samples chart dispatcher.
#include "IndependentSamples.h"

#include "IJonckheere_Terpstra.h"
#include "IMedian.h"
#include "IMoses.h"
#include "ISHistogram.h"
#include "KruskalWallis.h"
#include "NOPRChartUtil.h"

namespace {

// Makes the view for the record's concrete type on the stack and draws it
// once. A record of another class arrives as null: that view draws nothing.
template <class View, class Record>
void DrawView(FacSTDictionary* dictionary, const NOPRSplitResults* container,
              const NOPROutputStats::BaseHypothesisTest* test, const std::string& splitLabel,
              bool splitActive) {
    View view(dictionary, container, dynamic_cast<const Record*>(test));
    view.draw(splitLabel, splitActive);
}

}  // namespace

IndependentSamples::IndependentSamples(FacSTDictionary* dictionary, const NOPRSplitResults* container)
    : fDictionary(dictionary), fContainer(container) {}

IndependentSamples::~IndependentSamples() = default;

void IndependentSamples::drawChart(const NOPROutputStats::BaseHypothesisTest* test,
                                   const std::string& splitLabel, bool splitActive) {
    using namespace NOPROutputStats;
    if (!test) return;
    if (errorMessageCount(*test) > 0) return;
    switch (test->fTestType) {
        case TestType::IMoses:
            DrawView<IMoses, HTIMoses>(fDictionary, fContainer, test, splitLabel, splitActive);
            break;
        case TestType::IMannWhitneyU:
            DrawView<ISHistogram, HTIMannWhitneyU>(fDictionary, fContainer, test, splitLabel,
                                                   splitActive);
            break;
        case TestType::IWaldWolfowitzRuns:
            DrawView<ISHistogram, HTIWaldWolfowitzRuns>(fDictionary, fContainer, test, splitLabel,
                                                        splitActive);
            break;
        case TestType::IKolmogorovSmirnov:
            DrawView<ISHistogram, HTIKolmogorovSmirnov>(fDictionary, fContainer, test, splitLabel,
                                                        splitActive);
            break;
        case TestType::IKruskalWallis:
            DrawView<KruskalWallis, HTIKruskalWallis>(fDictionary, fContainer, test, splitLabel,
                                                      splitActive);
            break;
        case TestType::IJonckheereTerpstra:
            DrawView<IJonckheere_Terpstra, HTIJonckheereTerpstra>(fDictionary, fContainer, test,
                                                                  splitLabel, splitActive);
            break;
        case TestType::IMedian:
            DrawView<IMedian, HTIMedian>(fDictionary, fContainer, test, splitLabel, splitActive);
            break;
        default:
            break;
    }
}
