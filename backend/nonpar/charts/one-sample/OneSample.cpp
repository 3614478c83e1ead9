// The one-sample chart dispatcher. Each view lives on the stack for one
// drawing, so it is destroyed also when drawing throws.
#include "OneSample.h"

#include "Binomial.h"
#include "ChiSquare.h"
#include "KolmogorovSmirnov.h"
#include "NOPRChartUtil.h"
#include "OneSampleRuns.h"
#include "OneSampleWilcoxonSignedRanks.h"

OneSample::OneSample(FacSTDictionary* dictionary, const NOPRSplitResults* container)
    : fDictionary(dictionary), fContainer(container) {}

OneSample::~OneSample() = default;

void OneSample::drawChart(const NOPROutputStats::BaseHypothesisTest* test, unsigned int fieldIndex,
                          const std::string& splitLabel, bool splitActive) {
    using namespace NOPROutputStats;
    if (!test || errorMessageCount(*test) > 0) return;
    // A record of another class than its type says gets no chart.
    switch (test->fTestType) {
        case TestType::OChiSquare:
            if (auto* record = dynamic_cast<const HTOChiSquare*>(test)) {
                ChiSquare view(fDictionary, fContainer, record);
                view.draw(splitLabel, splitActive);
            }
            break;
        case TestType::OBinomial:
            if (auto* record = dynamic_cast<const HTOBinomial*>(test)) {
                Binomial view(fDictionary, fContainer, record);
                view.NOPRStackedChart::draw(splitLabel, splitActive);
            }
            break;
        case TestType::ORuns:
            if (auto* record = dynamic_cast<const HTORuns*>(test)) {
                OneSampleRuns view(fDictionary, fContainer, record);
                view.draw(splitLabel, splitActive);
            }
            break;
        case TestType::OWilcoxonSignedRanks:
            if (auto* record = dynamic_cast<const HTOWilcoxonSignedRanks*>(test)) {
                OneSampleWilcoxonSignedRanks view(fDictionary, fContainer, record);
                view.setField(fieldIndex);
                view.NOPRHistogramChart::draw(splitLabel, splitActive);
            }
            break;
        case TestType::OKolmogorovSmirnov: {
            KolmogorovSmirnov view(fDictionary, fContainer, test);
            view.setField(fieldIndex);
            view.NOPRHistogramChart::draw(splitLabel, splitActive);
            break;
        }
        default:  // the binomial success rate has no chart
            break;
    }
}
