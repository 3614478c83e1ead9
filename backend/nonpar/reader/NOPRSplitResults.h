// Result records of one split: the code tables of the result document, one
// record per test, the per-field information and the container that owns
// them all. The reader fills them once; the output side only reads them.
// Records own their texts: they outlive the document they were read from.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CFProcCustom.h"

class CFMetaData;
class QUOR_DataSource;
class QUOR_Variable;

// The system-missing value: every unset double of the records holds it.
constexpr double kNOPRMissing = -1.7976931348623157e308;

// ---------------------------------------------------------------------------
// Code tables
// ---------------------------------------------------------------------------

namespace TestType {
enum : int {
    None = 0,
    OChiSquare = 1,
    OBinomial = 2,
    ORuns = 3,
    OWilcoxonSignedRanks = 4,
    OEstimateConfidenceInterval = 5,
    OKolmogorovSmirnov = 6,
    OKolmogorovSmirnovNormal = 7,
    OKolmogorovSmirnovUniform = 8,
    OKolmogorovSmirnovPoisson = 9,
    OKolmogorovSmirnovExponential = 10,
    RSign = 11,
    RWilcoxonSignedRanks = 12,
    RCochransQ = 13,
    RMcNemar = 14,
    RFriedmansTwoWayByRanks = 15,
    RKendallsCoefficient = 16,
    RMarginalHomogeneity = 17,
    RHodgesLehmannEstimatePairs = 18,
    IHodgesLehmannEstimateGroups = 19,
    IMoses = 20,
    IMannWhitneyU = 21,
    IWaldWolfowitzRuns = 22,
    IKolmogorovSmirnov = 23,
    IKruskalWallis = 24,
    IJonckheereTerpstra = 25,
    IMedian = 26,
};
}

namespace TestFamily {
enum : int { None = 0, One_Sample = 1, Related_Samples = 2, Independent_Samples = 3 };
}

namespace Decision {
enum : int { None = 0, Reject = 1, Retain = 2 };
}

namespace MessageType {
enum : int { Error = 0, Warning = 1, HelpMessage = 2 };
}

int TestTypeFromText(std::string_view text);
int TestFamilyFromText(std::string_view text);
int DecisionFromText(std::string_view text);
int MessageTypeFromText(std::string_view text);
// The English title of a test type; "Unknown" for codes without a record.
std::string TestTitle(int testType);

// ---------------------------------------------------------------------------
// Tables as the records keep them
// ---------------------------------------------------------------------------

// An Attribute of a table, name and value as the document writes them.
struct AttributeEntry {
    std::string fName;
    std::string fValue;
};

// A SimpleTable with its rows as numbers.
struct ValueTable {
    std::string fName;
    std::vector<std::string> fRowNames;
    std::vector<std::string> fColumnNames;
    std::vector<std::vector<double>> fRows;
};

// ---------------------------------------------------------------------------
// Shared pieces of the records
// ---------------------------------------------------------------------------

struct IndexedValues {
    int fIndex = 0;
    std::vector<double> fValues;
};

struct ConditionInfo {
    std::string fConditionKey;
    std::vector<IndexedValues> fParameters;
    std::vector<int> fOrdinalAsContinuous;
};

struct MessageInfo {
    int fCode = 0;
    int fType = MessageType::HelpMessage;  // a message without a type is no error
    int fCount = 0;
    std::vector<IndexedValues> fParameters;
    std::string fGroup;
};

struct NamedValue {
    std::string fName;
    double fValue = kNOPRMissing;
};

struct StatisticGroup {
    std::string fName;
    std::vector<NamedValue> fValues;
};

struct ConfidenceInterval {
    std::string fMethod;
    double fEstimate = kNOPRMissing;
    double fLower = kNOPRMissing;
    double fUpper = kNOPRMissing;
};

struct DifferenceCounts {
    int fNegative = 0;
    int fTies = 0;
    int fPositive = 0;
    ValueTable fDistribution;
};

struct ContinuousDistribution {
    double fHypotheticalMedian = kNOPRMissing;
    double fObservedMedian = kNOPRMissing;
    ValueTable fDistribution;
};

struct CategoryComparison {
    int fRowField = -1;
    std::vector<double> fRowSuccess;
    std::vector<double> fRowFail;
    std::vector<std::string> fRowValsNotInCategories;
    int fColumnField = -1;
    std::vector<double> fColumnSuccess;
    std::vector<double> fColumnFail;
    std::vector<std::string> fColValsNotInCategories;
    ValueTable fTable;
};

struct PairwiseInfo {
    enum : int { None = 0, Pairwise = 1, Stepwise = 2 };
    int fKind = None;
    int fFieldIndex = -1;
    ValueTable fInfo;
    ValueTable fContent;
};

struct GroupInfo {
    int fGroupIndex = 0;
    int fN = 0;
    double fMeanOfRank = kNOPRMissing;
    ValueTable fDistribution;
};

struct BoxGroup {
    int fGroupIndex = 0;
    int fN = 0;
    double fMeanOfRank = kNOPRMissing;
    double fGTMedian = kNOPRMissing;
    double fSTMedian = kNOPRMissing;
    ValueTable fBox;
    ValueTable fOutliers;
};

struct BoxPlotInfo {
    int fGroupFieldIndex = -1;
    int fGroupCount = 0;
    double fGrandMedian = kNOPRMissing;
    std::vector<BoxGroup> fGroups;
};

// ---------------------------------------------------------------------------
// Result records, one per test
// ---------------------------------------------------------------------------

namespace NOPROutputStats {

class BaseHypothesisTest {
public:
    virtual ~BaseHypothesisTest();

    int fTestFamily = TestFamily::None;
    int fTestType = TestType::None;
    int fDecision = Decision::None;
    ConditionInfo fCondition;
    std::vector<MessageInfo> fMessages;
    std::vector<StatisticGroup> fStatistics;
    std::vector<std::string> fValsNotInCategories;
    // The samples' descriptive statistics ("Descriptives": one group a
    // sample, its values N, Median, ... by name) and how each significance
    // was found ("Methods": statistic name, catalogue key), where the
    // document gives them.
    std::vector<StatisticGroup> fDescriptives;
    std::vector<AttributeEntry> fMethods;
};

class HTOChiSquare : public BaseHypothesisTest {
public:
    ValueTable fTwoClassComparison;
};

class HTOBinomial : public BaseHypothesisTest {
public:
    ValueTable fTwoClassComparison;
};

class HTORuns : public BaseHypothesisTest {
public:
    double fMean = kNOPRMissing;
    double fStdDev = kNOPRMissing;
    int fObservedRunNumber = 0;
};

class HTOWilcoxonSignedRanks : public BaseHypothesisTest {
public:
    ContinuousDistribution fContinuousDistribution;
};

class HTOEstimateConfidenceInterval : public BaseHypothesisTest {
public:
    std::vector<ConfidenceInterval> fIntervals;
};

class HTOKolmogorovSmirnov : public BaseHypothesisTest {
public:
    bool fIsUseSample = false;
    bool fSigLowerBound = false;
};

class HTRSign : public BaseHypothesisTest {
public:
    DifferenceCounts fDifferences;
};

class HTRWilcoxonSignedRanks : public BaseHypothesisTest {
public:
    DifferenceCounts fDifferences;
};

class HTRCochransQ : public BaseHypothesisTest {
public:
    ValueTable fTwoClassComparison;
    PairwiseInfo fPairwise;
};

class HTRMcNemar : public BaseHypothesisTest {
public:
    CategoryComparison fCategoryFieldsComparison;
};

class HTRMarginalHomogeneity : public BaseHypothesisTest {
public:
    CategoryComparison fCategoryFieldsComparison;
};

class HTRFriedmansTwoWayByRanks : public BaseHypothesisTest {
public:
    std::vector<GroupInfo> fVariables;
    PairwiseInfo fPairwise;
};

class HTRKendallsCoefficient : public BaseHypothesisTest {
public:
    std::vector<GroupInfo> fVariables;
    PairwiseInfo fPairwise;
};

class HTRHodgesLehmannEstimatePairs : public BaseHypothesisTest {
public:
    ConfidenceInterval fEstimate;
};

class HTIHodgesLehmannEstimateGroups : public BaseHypothesisTest {
public:
    ConfidenceInterval fEstimate;
};

class HTIMoses : public BaseHypothesisTest {
public:
    BoxPlotInfo fBoxPlotInfo;
};

class HTIMannWhitneyU : public BaseHypothesisTest {
public:
    std::vector<GroupInfo> fGroups;
};

class HTIWaldWolfowitzRuns : public BaseHypothesisTest {
public:
    std::vector<GroupInfo> fGroups;
};

class HTIKolmogorovSmirnov : public BaseHypothesisTest {
public:
    std::vector<GroupInfo> fGroups;
};

class HTIKruskalWallis : public BaseHypothesisTest {
public:
    BoxPlotInfo fBoxPlotInfo;
    PairwiseInfo fPairwise;
};

class HTIJonckheereTerpstra : public BaseHypothesisTest {
public:
    BoxPlotInfo fBoxPlotInfo;
    PairwiseInfo fPairwise;
};

class HTIMedian : public BaseHypothesisTest {
public:
    BoxPlotInfo fBoxPlotInfo;
    PairwiseInfo fPairwise;
};

}  // namespace NOPROutputStats

// ---------------------------------------------------------------------------
// Per-field information and the per-split container
// ---------------------------------------------------------------------------

struct FieldValue {
    int fIndex = 0;
    CFStatVariableValue fValue;
    std::string fLabel;
};

struct FieldInfo {
    bool fHasInfo = false;
    int fIsCategorical = 0;
    int fFieldIndex = -1;
    const QUOR_Variable* fVariable = nullptr;
    std::vector<FieldValue> fValues;
    int fTotalN = 0;
    double fMin = kNOPRMissing;
    double fMax = kNOPRMissing;
    double fMean = kNOPRMissing;
    double fStdDev = kNOPRMissing;
    bool fOrdinalAsContinuous = false;
    ValueTable fDistribution;
};

class NOPRSplitResults {
public:
    using TestList = std::vector<std::unique_ptr<NOPROutputStats::BaseHypothesisTest>>;

    NOPRSplitResults();
    ~NOPRSplitResults();
    NOPRSplitResults(const NOPRSplitResults&) = delete;
    NOPRSplitResults& operator=(const NOPRSplitResults&) = delete;

    // The record factory: a new record of the type's class, filed at once in
    // fConfidenceIntervals (types 5, 18, 19) or fTests. Null, and nothing
    // filed, for a type without a record.
    NOPROutputStats::BaseHypothesisTest* CreateTest(int family, int type, int decision);
    // Files a record; a null record is not added.
    void AddTest(std::unique_ptr<NOPROutputStats::BaseHypothesisTest> test);

    FieldInfo* CreateFieldInfo();
    // The field information at index, or null when index is out of range.
    FieldInfo* FieldInfoAt(unsigned int index) const;

    void SetMetaData(std::unique_ptr<CFMetaData> metaData);

    const QUOR_DataSource* fDataSource = nullptr;
    const CFSplit* fSplit = nullptr;
    std::unique_ptr<CFMetaData> fMetaData;
    int fTotalFreq = 0;
    int fTotalCount = 0;
    int fDroppedCount = 0;
    int fBadWeightCount = 0;
    int fDroppedFreq = 0;
    int fNumber = 0;
    double fSigLevel = 0.0;
    double fConfidenceLevel = 0.0;
    bool fListwise = false;
    TestList fTests;
    TestList fConfidenceIntervals;
    std::vector<std::unique_ptr<FieldInfo>> fFieldInfos;
};
