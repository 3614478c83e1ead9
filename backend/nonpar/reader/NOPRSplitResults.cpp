// Result records of one split: code tables, titles, the record factory and
// the container.
#include "NOPRSplitResults.h"

#include "CFMetaData.h"

namespace {

struct NamedCode {
    const char* text;
    int code;
};

constexpr NamedCode kTestTypes[] = {
    {"OChiSquare", TestType::OChiSquare},
    {"OBinomial", TestType::OBinomial},
    {"ORuns", TestType::ORuns},
    {"OWilcoxonSignedRanks", TestType::OWilcoxonSignedRanks},
    {"OEstimateConfidenceInterval", TestType::OEstimateConfidenceInterval},
    {"OKolmogorovSmirnov", TestType::OKolmogorovSmirnov},
    {"OKolmogorovSmirnovNormal", TestType::OKolmogorovSmirnovNormal},
    {"OKolmogorovSmirnovUniform", TestType::OKolmogorovSmirnovUniform},
    {"OKolmogorovSmirnovPoisson", TestType::OKolmogorovSmirnovPoisson},
    {"OKolmogorovSmirnovExponential", TestType::OKolmogorovSmirnovExponential},
    {"RSign", TestType::RSign},
    {"RWilcoxonSignedRanks", TestType::RWilcoxonSignedRanks},
    {"RCochransQ", TestType::RCochransQ},
    {"RMcNemar", TestType::RMcNemar},
    {"RFriedmansTwoWayByRanks", TestType::RFriedmansTwoWayByRanks},
    {"RKendallsCoefficient", TestType::RKendallsCoefficient},
    {"RMarginalHomogeneity", TestType::RMarginalHomogeneity},
    {"RHodgesLehmannEstimatePairs", TestType::RHodgesLehmannEstimatePairs},
    {"IHodgesLehmannEstimateGroups", TestType::IHodgesLehmannEstimateGroups},
    {"IMoses", TestType::IMoses},
    {"IMannWhitneyU", TestType::IMannWhitneyU},
    {"IWaldWolfowitzRuns", TestType::IWaldWolfowitzRuns},
    {"IKolmogorovSmirnov", TestType::IKolmogorovSmirnov},
    {"IKruskalWallis", TestType::IKruskalWallis},
    {"IJonckheereTerpstra", TestType::IJonckheereTerpstra},
    {"IMedian", TestType::IMedian},
};

struct TitledType {
    int code;
    const char* title;
};

constexpr TitledType kTitles[] = {
    {TestType::OChiSquare, "One-Sample Chi-Square Test"},
    {TestType::OBinomial, "One-Sample Binomial Test"},
    {TestType::ORuns, "One-Sample Runs Test"},
    {TestType::OWilcoxonSignedRanks, "One-Sample Wilcoxon Signed Rank Test"},
    {TestType::OEstimateConfidenceInterval, "One-Sample Binomial Success Rate"},
    {TestType::OKolmogorovSmirnov, "One-Sample Kolmogorov-Smirnov Test"},
    {TestType::RSign, "Related-Samples Sign Test"},
    {TestType::RWilcoxonSignedRanks, "Related-Samples Wilcoxon Signed Rank Test"},
    {TestType::RCochransQ, "Related-Samples Cochran's Q Test"},
    {TestType::RMcNemar, "Related-Samples McNemar Change Test"},
    {TestType::RFriedmansTwoWayByRanks,
     "Related-Samples Friedman's Two-Way Analysis of Variance by Ranks"},
    {TestType::RKendallsCoefficient, "Related-Samples Kendall's Coefficient of Concordance"},
    {TestType::RMarginalHomogeneity, "Related-Samples Marginal Homogeneity Test"},
    {TestType::RHodgesLehmannEstimatePairs, "Related-Samples Hodges-Lehman Median Difference"},
    {TestType::IHodgesLehmannEstimateGroups, "Independent-Samples Hodges-Lehman Median Difference"},
    {TestType::IMoses, "Independent-Samples Moses Test of Extreme Reaction"},
    {TestType::IMannWhitneyU, "Independent-Samples Mann-Whitney U Test"},
    {TestType::IWaldWolfowitzRuns, "Independent-Samples Wald-Wolfowitz Runs Test"},
    {TestType::IKolmogorovSmirnov, "Independent-Samples Kolmogorov-Smirnov Test"},
    {TestType::IKruskalWallis, "Independent-Samples Kruskal-Wallis Test"},
    {TestType::IJonckheereTerpstra,
     "Independent-Samples Jonckheere-Terpstra Test for Ordered Alternatives"},
    {TestType::IMedian, "Independent-Samples Median Test"},
};

bool IsConfidenceIntervalType(int type) {
    return type == TestType::OEstimateConfidenceInterval ||
           type == TestType::RHodgesLehmannEstimatePairs ||
           type == TestType::IHodgesLehmannEstimateGroups;
}

std::unique_ptr<NOPROutputStats::BaseHypothesisTest> MakeRecord(int type) {
    using namespace NOPROutputStats;
    switch (type) {
        case TestType::OChiSquare:
            return std::make_unique<HTOChiSquare>();
        case TestType::OBinomial:
            return std::make_unique<HTOBinomial>();
        case TestType::ORuns:
            return std::make_unique<HTORuns>();
        case TestType::OWilcoxonSignedRanks:
            return std::make_unique<HTOWilcoxonSignedRanks>();
        case TestType::OEstimateConfidenceInterval:
            return std::make_unique<HTOEstimateConfidenceInterval>();
        case TestType::OKolmogorovSmirnov:
            return std::make_unique<HTOKolmogorovSmirnov>();
        case TestType::RSign:
            return std::make_unique<HTRSign>();
        case TestType::RWilcoxonSignedRanks:
            return std::make_unique<HTRWilcoxonSignedRanks>();
        case TestType::RCochransQ:
            return std::make_unique<HTRCochransQ>();
        case TestType::RMcNemar:
            return std::make_unique<HTRMcNemar>();
        case TestType::RFriedmansTwoWayByRanks:
            return std::make_unique<HTRFriedmansTwoWayByRanks>();
        case TestType::RKendallsCoefficient:
            return std::make_unique<HTRKendallsCoefficient>();
        case TestType::RMarginalHomogeneity:
            return std::make_unique<HTRMarginalHomogeneity>();
        case TestType::RHodgesLehmannEstimatePairs:
            return std::make_unique<HTRHodgesLehmannEstimatePairs>();
        case TestType::IHodgesLehmannEstimateGroups:
            return std::make_unique<HTIHodgesLehmannEstimateGroups>();
        case TestType::IMoses:
            return std::make_unique<HTIMoses>();
        case TestType::IMannWhitneyU:
            return std::make_unique<HTIMannWhitneyU>();
        case TestType::IWaldWolfowitzRuns:
            return std::make_unique<HTIWaldWolfowitzRuns>();
        case TestType::IKolmogorovSmirnov:
            return std::make_unique<HTIKolmogorovSmirnov>();
        case TestType::IKruskalWallis:
            return std::make_unique<HTIKruskalWallis>();
        case TestType::IJonckheereTerpstra:
            return std::make_unique<HTIJonckheereTerpstra>();
        case TestType::IMedian:
            return std::make_unique<HTIMedian>();
        default:
            return nullptr;
    }
}

}  // namespace

int TestTypeFromText(std::string_view text) {
    for (const auto& entry : kTestTypes)
        if (text == entry.text) return entry.code;
    return TestType::None;
}

int TestFamilyFromText(std::string_view text) {
    if (text == "One_Sample") return TestFamily::One_Sample;
    if (text == "Related_Samples") return TestFamily::Related_Samples;
    if (text == "Independent_Samples") return TestFamily::Independent_Samples;
    return TestFamily::None;
}

int DecisionFromText(std::string_view text) {
    if (text == "retain") return Decision::Retain;
    if (text == "reject") return Decision::Reject;
    return Decision::None;
}

int MessageTypeFromText(std::string_view text) {
    if (text == "warning") return MessageType::Warning;
    if (text == "error") return MessageType::Error;
    return MessageType::HelpMessage;
}

std::string TestTitle(int testType) {
    for (const auto& entry : kTitles)
        if (entry.code == testType) return entry.title;
    return "Unknown";
}

NOPROutputStats::BaseHypothesisTest::~BaseHypothesisTest() = default;

NOPRSplitResults::NOPRSplitResults() = default;
NOPRSplitResults::~NOPRSplitResults() = default;

NOPROutputStats::BaseHypothesisTest* NOPRSplitResults::CreateTest(int family, int type, int decision) {
    std::unique_ptr<NOPROutputStats::BaseHypothesisTest> record = MakeRecord(type);
    if (!record) return nullptr;
    record->fTestFamily = family;
    record->fTestType = type;
    record->fDecision = decision;
    NOPROutputStats::BaseHypothesisTest* made = record.get();
    AddTest(std::move(record));
    return made;
}

void NOPRSplitResults::AddTest(std::unique_ptr<NOPROutputStats::BaseHypothesisTest> test) {
    if (!test) return;
    TestList& list = IsConfidenceIntervalType(test->fTestType) ? fConfidenceIntervals : fTests;
    list.push_back(std::move(test));
}

FieldInfo* NOPRSplitResults::CreateFieldInfo() {
    fFieldInfos.push_back(std::make_unique<FieldInfo>());
    return fFieldInfos.back().get();
}

FieldInfo* NOPRSplitResults::FieldInfoAt(unsigned int index) const {
    if (index >= fFieldInfos.size()) return nullptr;
    return fFieldInfos[index].get();
}

void NOPRSplitResults::SetMetaData(std::unique_ptr<CFMetaData> metaData) {
    fMetaData = std::move(metaData);
}
