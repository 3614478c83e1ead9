// The output driver: the order of a split's output and the conditions under
// which each piece is made.
#include "NOPROutput.h"

#include <cstdlib>
#include <memory>

#include "BpOutput.h"
#include "FacSTDictionary.h"
#include "FieldInformation.h"
#include "IndependentSamples.h"
#include "NOPRChartUtil.h"
#include "NOPRResultsLine.h"
#include "OneSample.h"
#include "RelatedSamples.h"

namespace {

// Charts are left out exactly when DEBUG_MODEL_VIEWER is "2". The variable is
// read on the first run and kept for the life of the process.
bool ChartsWanted() {
    static const bool wanted = [] {
        const char* setting = std::getenv("DEBUG_MODEL_VIEWER");
        return !(setting && std::string(setting) == "2");
    }();
    return wanted;
}

std::unique_ptr<FacSTDictionary> MakeDictionary() {
    PathInstance* paths = PathFactory::getPathInstance(3);
    if (!paths) return nullptr;
    auto dictionary = std::make_unique<FacSTDictionary>(paths->StringTableFile());
    dictionary->SetProcedure("Nonparametric Tests");
    return dictionary;
}

bool HasMultipleComparisons(int testType) {
    switch (testType) {
        case TestType::RCochransQ:
        case TestType::RFriedmansTwoWayByRanks:
        case TestType::RKendallsCoefficient:
        case TestType::IKruskalWallis:
        case TestType::IJonckheereTerpstra:
        case TestType::IMedian:
            return true;
        default:
            return false;
    }
}

const PairwiseInfo* PairwiseOf(const NOPRTest& test) {
    using namespace NOPROutputStats;
    if (auto* cochran = dynamic_cast<const HTRCochransQ*>(&test)) return &cochran->fPairwise;
    if (auto* friedman = dynamic_cast<const HTRFriedmansTwoWayByRanks*>(&test))
        return &friedman->fPairwise;
    if (auto* kendall = dynamic_cast<const HTRKendallsCoefficient*>(&test)) return &kendall->fPairwise;
    if (auto* kruskal = dynamic_cast<const HTIKruskalWallis*>(&test)) return &kruskal->fPairwise;
    if (auto* jonckheere = dynamic_cast<const HTIJonckheereTerpstra*>(&test))
        return &jonckheere->fPairwise;
    if (auto* median = dynamic_cast<const HTIMedian*>(&test)) return &median->fPairwise;
    return nullptr;
}

// The chart of a test, by the dispatcher of its family; each dispatcher
// ignores the tests of the other families.
void DrawTestChart(const NOPROutputContext& context, const NOPRTest& test, FacSTDictionary* dictionary) {
    std::string splitLabel;
    bool splitActive = false;
    GetSplitLabel(*context.fResults, splitLabel, splitActive);
    const std::vector<int> fields = GetTestFieldIndices(&test);
    const unsigned int fieldIndex = fields.empty() ? 0u : static_cast<unsigned int>(fields.front());
    OneSample(dictionary, context.fResults).drawChart(&test, fieldIndex, splitLabel, splitActive);
    IndependentSamples(dictionary, context.fResults).drawChart(&test, splitLabel, splitActive);
    RelatedSamples(dictionary, context.fResults).drawChart(&test, splitLabel, splitActive);
}

// One test's heading and everything under it: the statistics table, the
// results line, the chart and the multiple comparisons.
void MakeTestOutput(const NOPROutputContext& context, const NOPRTest& test,
                    FacSTDictionary* dictionary) {
    std::unique_ptr<BpHeading> heading(context.fParent->Heading(BpString(MakeTestTitle(test), true)));
    std::unique_ptr<BpHeading> fieldHeading;
    if (std::unique_ptr<BpCellText> label = MakeFieldHeadingText(context, &test))
        fieldHeading.reset(heading->Heading(*label));
    BpHeading& target = fieldHeading ? *fieldHeading : *heading;

    // A test that could not be computed says why where its tables would be.
    if (const MessageInfo* blocking = FindBlockingError(&test)) {
        BpComposite reason("This test could not be computed. ^1", true);
        reason.Add(*MakeMessageNote(*context.fProcedure, *blocking).Text());
        reason.Finish();
        return BpError(reason, BpErrorShowAlways, BpErrorLevelNote);
    }
    MakeTestStatisticsTable(context, target, &test);
    MakeResultsLine(context, target, test);
    MakeDescriptivesTable(context, target, test);
    if (ChartsWanted()) DrawTestChart(context, test, dictionary);
    MakeMultipleComparisons(context, target, &test, dictionary);
}

}  // namespace

void RunOutput(const NOPROutputContext& context) {
    if (!context.fResults || !context.fProcedure || !context.fParent) return;
    std::unique_ptr<FacSTDictionary> dictionary = MakeDictionary();

    MakeHypothesisTestSummary(context);
    MakeConfidenceIntervalSummary(context);
    MakeIntervalResultsLines(context);
    for (const auto& test : context.fResults->fTests) MakeTestOutput(context, *test, dictionary.get());

    if (ChartsWanted()) {
        std::string splitLabel;
        bool splitActive = false;
        GetSplitLabel(*context.fResults, splitLabel, splitActive);
        DrawFieldInformationCharts(dictionary.get(), *context.fResults, splitLabel, splitActive);
    }
}

void MakeMultipleComparisons(const NOPROutputContext& context, BpHeading& heading, const NOPRTest* test,
                             FacSTDictionary* dictionary) {
    if (!test || !HasMultipleComparisons(test->fTestType)) return;
    const PairwiseInfo* pairwise = PairwiseOf(*test);
    if (!pairwise) return;
    if (pairwise->fKind == PairwiseInfo::Pairwise)
        MakePairwiseComparisonsTable(context, heading, *pairwise, test->fTestType, test->fMessages,
                                     dictionary);
    else if (pairwise->fKind == PairwiseInfo::Stepwise)
        MakeHomogeneousSubsetsTable(context, heading, *test, *pairwise);
}
