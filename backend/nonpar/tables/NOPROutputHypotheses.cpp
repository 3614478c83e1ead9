// The null hypothesis of a test as one composite cell text. The condition key
// is the pattern (a catalogue key); the condition's parameters fill its
// arguments in an order fixed for each key by the table below.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"

namespace {

constexpr const char* kUnit = "backend/nonpar/NOPROutput";

// One argument of a null-hypothesis pattern, taken from the condition's
// parameters (addressed by their position in the parameter list).
struct ArgumentItem {
    enum Kind { Fields, Values, CutPoint, Categories, Mean, StandardDeviation };
    Kind kind;
    size_t parameter;               // the parameter holding the numbers
    bool asList = false;            // the texts fill one argument as a list
    bool useFieldVariable = false;  // values shown as data values of the test field
    bool withTexts = false;         // category positions beyond the field take the record's texts
    size_t fieldParameter = 0;      // for categories: the parameter naming the field
};

// F(p): the variables of the field indices in parameter p.
ArgumentItem F(size_t p) { return {ArgumentItem::Fields, p}; }
ArgumentItem FieldList(size_t p) { return {ArgumentItem::Fields, p, true}; }
// V(p): plain numbers; VOfField(p): values of the test field.
ArgumentItem V(size_t p) { return {ArgumentItem::Values, p}; }
ArgumentItem VOfField(size_t p) { return {ArgumentItem::Values, p, false, true}; }
// Cut(p): the cut point in parameter p, a value of the test field shown exactly.
ArgumentItem Cut(size_t p) { return {ArgumentItem::CutPoint, p, false, true}; }
// C(pf, pv): category values of the field in parameter pf at the positions in pv.
ArgumentItem C(size_t pf, size_t pv) {
    ArgumentItem item{ArgumentItem::Categories, pv};
    item.fieldParameter = pf;
    return item;
}
ArgumentItem CategoryList(size_t pf, size_t pv) {
    ArgumentItem item = C(pf, pv);
    item.asList = true;
    return item;
}
ArgumentItem CWithTexts(size_t pf, size_t pv) {
    ArgumentItem item = C(pf, pv);
    item.withTexts = true;
    return item;
}
ArgumentItem CategoryListWithTexts(size_t pf, size_t pv) {
    ArgumentItem item = CWithTexts(pf, pv);
    item.asList = true;
    return item;
}
// Mean(p): the mean of a hypothesized distribution of the test field.
ArgumentItem Mean(size_t p) { return {ArgumentItem::Mean, p}; }
// SD(p): the standard deviation of a normal distribution.
ArgumentItem SD(size_t p) { return {ArgumentItem::StandardDeviation, p}; }

struct HypothesisRow {
    int testType;
    const char* key;
    std::vector<ArgumentItem> items;
};

// Keys are matched only within their own test type. The number that ends a
// key is the count of parameters the key expects.
const std::vector<HypothesisRow>& HypothesisRows() {
    using namespace TestType;
    static const std::vector<HypothesisRow> rows = {
        {OChiSquare, "DefaultEqualProbabilities_O_ChiSquare_1", {F(0)}},
        {OChiSquare, "UserSpecifiesProbabilities_O_ChiSquare_1", {F(0)}},

        {OBinomial, "ACutPointIsSpecified_O_Binomial_4", {F(0), Cut(1), V(2), V(3)}},
        {OBinomial, "ABinaryTestVariableIsSpecified_O_Binomial_5", {F(0), C(0, 1), C(0, 2), V(3), V(4)}},
        {OBinomial,
         "CategoryListsAreSpecified_O_Binomial_5",
         {F(0), CategoryListWithTexts(0, 1), CategoryListWithTexts(0, 2), V(3), V(4)}},

        {ORuns, "ABinaryTestVariableIsSpecified_O_Runs_3", {F(0), C(0, 1), C(0, 2)}},
        {ORuns, "CategoryListsAreSpecified_O_Runs_3", {F(0), CategoryList(0, 1), CategoryList(0, 2)}},
        {ORuns, "ACutPointIsSpecified_O_Runs_2", {F(0), Cut(1)}},

        {OWilcoxonSignedRanks, "O_WilcoxonSignedRanks_2", {F(0), VOfField(1)}},

        // The cut point is a value of the test field, as in the binomial test.
        {OEstimateConfidenceInterval, "ACutPointIsSpecified_O_Binomial_2", {F(0), Cut(1)}},
        {OEstimateConfidenceInterval,
         "ABinaryTestVariableIsSpecified_O_Binomial_2",
         {F(0), CWithTexts(0, 1)}},
        {OEstimateConfidenceInterval,
         "CategoryListsAreSpecified_O_Binomial_2",
         {F(0), CategoryListWithTexts(0, 1)}},

        {OKolmogorovSmirnov,
         "UniformDistribution_O_KolmogorovSmirnov_3",
         {F(0), VOfField(1), VOfField(2)}},
        {OKolmogorovSmirnov, "NormalDistribution_O_KolmogorovSmirnov_3", {F(0), Mean(1), SD(2)}},
        {OKolmogorovSmirnov, "PoissonDistribution_O_KolmogorovSmirnov_2", {F(0), Mean(1)}},
        {OKolmogorovSmirnov, "ExponentialDistribution_O_KolmogorovSmirnov_2", {F(0), Mean(1)}},

        {RSign, "R_Sign_2", {F(0), F(1)}},
        {RWilcoxonSignedRanks, "R_WilcoxonSignedRanks_2", {F(0), F(1)}},
        {RCochransQ, "DefaultAllDistinctValuesUsed_R_CochransQ_1", {FieldList(0)}},
        {RCochransQ, "CategoryListsAreSpecified_R_CochransQ_1", {FieldList(0)}},
        {RMcNemar, "CategoryListsAreSpecified_R_McNemar_2", {F(0), F(1)}},
        {RMcNemar, "AllDistinctValuesUsed_R_McNemar_2", {F(0), F(1)}},
        {RFriedmansTwoWayByRanks, "R_FriedmansTwoWayByRanks_1", {FieldList(0)}},
        {RKendallsCoefficient, "R_KendallsCoefficient_1", {FieldList(0)}},
        {RMarginalHomogeneity, "AllDistinctValuesUsed_R_MarginalHomogeneity_2", {F(0), F(1)}},
        {RHodgesLehmannEstimatePairs, "R_HodgesLehman_2", {F(0), F(1)}},

        {IHodgesLehmannEstimateGroups, "AllDistinctValuesUsed_I_HodgesLehman_2", {F(0), F(1)}},
        {IHodgesLehmannEstimateGroups, "CategoryListsAreSpecified_I_HodgesLehman_2", {F(0), F(1)}},
        {IMoses, "DefaultAllDistinctValuesUsed_I_Moses_2", {F(0), F(1)}},
        {IMoses, "CategoryListsAreSpecified_I_Moses_2", {F(0), F(1)}},
        {IMannWhitneyU, "DefaultAllDistinctValuesUsed_I_MannWhitneyU_2", {F(0), F(1)}},
        {IMannWhitneyU, "CategoryListsAreSpecified_I_MannWhitneyU_2", {F(0), F(1)}},
        {IWaldWolfowitzRuns, "DefaultAllDistinctValuesUsed_I_WaldWolfowitzRuns_2", {F(0), F(1)}},
        {IWaldWolfowitzRuns, "CategoryListsAreSpecified_I_WaldWolfowitzRuns_2", {F(0), F(1)}},
        {IKolmogorovSmirnov, "DefaultAllDistinctValuesUsed_I_KolmogorovSmirnov_2", {F(0), F(1)}},
        {IKolmogorovSmirnov, "CategoryListsAreSpecified_I_KolmogorovSmirnov_2", {F(0), F(1)}},
        {IKruskalWallis, "DefaultAllDistinctValuesUsed_I_KruskalWallis_2", {F(0), F(1)}},
        {IKruskalWallis, "CategoryListsAreSpecified_I_KruskalWallis_2", {F(0), F(1)}},
        {IJonckheereTerpstra, "DefaultAllDistinctValuesUsed_I_JonckheereTerpstra_2", {F(0), F(1)}},
        {IJonckheereTerpstra, "CategoryListsAreSpecified_I_JonckheereTerpstra_2", {F(0), F(1)}},
        {IMedian, "DefaultAllDistinctValuesUsed_I_Median_2", {F(0), F(1)}},
        {IMedian, "CategoryListsAreSpecified_I_Median_2", {F(0), F(1)}},
    };
    return rows;
}

const HypothesisRow* FindRow(int testType, const std::string& key) {
    for (const HypothesisRow& row : HypothesisRows()) {
        if (row.testType == testType && key == row.key) return &row;
    }
    return nullptr;
}

// The parameter count a key expects: the number that ends it.
size_t ExpectedParameterCount(const std::string& key) {
    size_t start = key.size();
    while (start > 0 && std::isdigit(static_cast<unsigned char>(key[start - 1]))) --start;
    size_t count = 0;
    for (size_t i = start; i < key.size(); ++i) count = count * 10 + static_cast<size_t>(key[i] - '0');
    return count;
}

// Date and time formats: a value of such a field reads best as a date or time.
bool IsDateOrTimeFormat(int formatType) {
    return (formatType >= QUOR_Format::DATE && formatType <= QUOR_Format::MONTH) ||
           formatType == QUOR_Format::MOYR || formatType == QUOR_Format::QYR ||
           formatType == QUOR_Format::WKYR || formatType == QUOR_Format::EDATE ||
           formatType == QUOR_Format::SDATE;
}

// Fills one composite from a test's condition, item by item.
class HypothesisBuilder {
public:
    HypothesisBuilder(const NOPROutputContext& context, const NOPRTest& test, BpComposite& composite)
        : fContext(context),
          fTest(test),
          fParameters(test.fCondition.fParameters),
          fComposite(composite),
          fFieldVariable(FindTestFieldVariable()) {}

    void Add(const ArgumentItem& item) {
        if (item.parameter >= fParameters.size()) return AddIncorrectIndex();
        const std::vector<double>& numbers = fParameters[item.parameter].fValues;
        switch (item.kind) {
            case ArgumentItem::Fields:
                return AddFieldList(fContext, fComposite, numbers, item.asList);
            case ArgumentItem::Values:
                return AddValueList(fContext, fComposite, numbers,
                                    item.useFieldVariable ? fFieldVariable : nullptr, item.asList);
            case ArgumentItem::CutPoint:
                return AddCutPoints(numbers);
            case ArgumentItem::Categories:
                return AddCategories(item, numbers);
            case ArgumentItem::Mean:
                return AddMean(numbers);
            case ArgumentItem::StandardDeviation:
                return AddStandardDeviation(numbers);
        }
    }

private:
    // For a one-sample test, the variable of its test field.
    const QUOR_Variable* FindTestFieldVariable() const {
        if (fTest.fTestFamily != TestFamily::One_Sample) return nullptr;
        const std::vector<int> indices = GetTestFieldIndices(&fTest);
        if (indices.empty()) return nullptr;
        const FieldInfo* field = FindField(fContext, indices.front());
        return field ? field->fVariable : nullptr;
    }

    void AddIncorrectIndex() { fComposite.Add(BpString("Incorrect Parameter Index", false)); }

    // A cut point of a numeric test field is written exactly, unless it is a
    // labelled value of the field: then its label names it.
    void AddCutPoints(const std::vector<double>& numbers) {
        const QUOR_Variable* variable = fFieldVariable;
        if (!variable || variable->GetType() != 0 || numbers.empty())
            return AddValueList(fContext, fComposite, numbers, variable, false);
        const int formatType = variable->GetFormat().GetType();
        for (double cut : numbers) {
            const OBS value(NumericFormatCFToStat(cut, formatType));
            std::string label;
            if (cut == kNOPRMissing || variable->GetValueLabels().Find(value, label))
                fComposite.Add(BpDataValue(variable, value, 2));
            else
                fComposite.Add(BpString(CutPointText(cut, variable), false));
        }
    }

    void AddCategories(const ArgumentItem& item, const std::vector<double>& categories) {
        const std::vector<double>* field = item.fieldParameter < fParameters.size()
                                               ? &fParameters[item.fieldParameter].fValues
                                               : nullptr;
        if (!field || field->size() != 1 || TruncateToInt(field->front()) < 0)
            return AddIncorrectIndex();
        const int fieldIndex = TruncateToInt(field->front());
        if (!item.withTexts) {
            return AddCategoryValueList(fContext, fComposite, fieldIndex, categories, nullptr,
                                        item.asList);
        }
        // The texts stand for category values not among the field's values, in
        // the order the lists name them, so each list goes on where the one
        // before it stopped.
        const std::vector<std::string>& all = fTest.fValsNotInCategories;
        const size_t first = std::min(fTextsTaken, all.size());
        const std::vector<std::string> texts(all.begin() + static_cast<std::ptrdiff_t>(first),
                                             all.end());
        AddCategoryValueList(fContext, fComposite, fieldIndex, categories, &texts, item.asList);
        fTextsTaken = first + TextsNeeded(fieldIndex, categories, texts.size());
    }

    // How many texts a category list takes: one for each position that is
    // neither the missing category nor one of the field's values.
    size_t TextsNeeded(int fieldIndex, const std::vector<double>& categories, size_t available) const {
        const FieldInfo* field = FindField(fContext, fieldIndex);
        if (!field || !field->fVariable) return 0;
        size_t needed = 0;
        for (double number : categories) {
            const int category = TruncateToInt(number);
            const bool isValue = category >= 0 && static_cast<size_t>(category) < field->fValues.size();
            if (category != INT_MIN && !isValue) ++needed;
        }
        return std::min(needed, available);
    }

    // The test field's index in the data source when the procedure, the data
    // source and the field's variable are all known, else -1.
    int FieldVariableIndex() const {
        if (!fContext.fProcedure || !fContext.fDataSource || !fFieldVariable) return -1;
        return fContext.fDataSource->FindVarIndex(fFieldVariable->GetName(), 0);
    }

    // A mean is a statistic, not a data value: on a date or time field it is
    // shown as a date or time, otherwise with one decimal more than the field
    // (as its standard deviation), so that the field's print format neither
    // rounds it (a Poisson mean of 3.48 on a count field is not 3) nor shows a
    // value label for it.
    void AddMean(const std::vector<double>& numbers) {
        const int variableIndex = FieldVariableIndex();
        const bool numeric = fFieldVariable && fFieldVariable->GetType() == 0;
        if (numeric && IsDateOrTimeFormat(fFieldVariable->GetFormat().GetType()))
            return AddValueList(fContext, fComposite, numbers, fFieldVariable, false);
        if (!numeric || variableIndex < 0 || numbers.empty())
            return AddValueList(fContext, fComposite, numbers, nullptr, false);
        for (double mean : numbers)
            fComposite.Add(BpNumber(mean, fContext.fProcedure->StdDev(variableIndex)));
    }

    // In the format the test field's standard deviations take, when the
    // procedure, the data source and the field's variable are all known. On
    // a date field the spread is a span of days, written as days and time of
    // day as the field's chart label writes it.
    void AddStandardDeviation(const std::vector<double>& numbers) {
        const int variableIndex = FieldVariableIndex();
        if (variableIndex < 0 || numbers.empty())
            return AddValueList(fContext, fComposite, numbers, nullptr, false);
        const double deviation = numbers.front();
        const int type = fFieldVariable->GetFormat().GetType();
        if (IsOnDateScale(type) && deviation != kNOPRMissing)
            return fComposite.Add(BpString(DayTimeText(SpreadInDays(deviation, type)), false));
        fComposite.Add(BpNumber(deviation, fContext.fProcedure->StdDev(variableIndex)));
    }

    const NOPROutputContext& fContext;
    const NOPRTest& fTest;
    const std::vector<IndexedValues>& fParameters;
    BpComposite& fComposite;
    const QUOR_Variable* fFieldVariable;
    size_t fTextsTaken = 0;
};

}  // namespace

std::unique_ptr<BpCellText> MakeNullHypothesis(const NOPROutputContext& context, const NOPRTest* test) {
    if (!test) return std::make_unique<BpString>(" ", true);
    const std::string& key = test->fCondition.fConditionKey;
    const HypothesisRow* row = FindRow(test->fTestType, key);
    if (!row) return std::make_unique<BpString>("Unknown Condition Key: " + key, false);

    const ConditionInfo& data = test->fCondition;
    const size_t N = ExpectedParameterCount(key);
    NOPR_CHECK(data.fParameters.size() == N, kUnit);

    auto composite = std::make_unique<BpComposite>(key, true);
    HypothesisBuilder builder(context, *test, *composite);
    for (const ArgumentItem& item : row->items) builder.Add(item);
    composite->Finish();
    return composite;
}

std::unique_ptr<BpCellText> MakeBinomialCategoryText(const NOPROutputContext& context,
                                                     const NOPRTest& test, int which) {
    struct CategoryPattern {
        const char* key;
        const char* patterns[2];
        ArgumentItem items[2];
    };
    static const CategoryPattern kPatterns[] = {
        {"ACutPointIsSpecified_O_Binomial_4", {"^1 <= ^2", "^1 > ^2"}, {Cut(1), Cut(1)}},
        {"ABinaryTestVariableIsSpecified_O_Binomial_5", {"^1 = ^2", "^1 = ^2"}, {C(0, 1), C(0, 2)}},
        {"CategoryListsAreSpecified_O_Binomial_5",
         {"^1 in (^2)", "^1 in (^2)"},
         {CategoryListWithTexts(0, 1), CategoryListWithTexts(0, 2)}},
    };
    if (which < 0 || which > 1 || test.fTestType != TestType::OBinomial) return nullptr;
    for (const CategoryPattern& pattern : kPatterns) {
        if (test.fCondition.fConditionKey != pattern.key) continue;
        auto composite = std::make_unique<BpComposite>(pattern.patterns[which], false);
        HypothesisBuilder builder(context, test, *composite);
        builder.Add(F(0));
        builder.Add(pattern.items[which]);
        composite->Finish();
        return composite;
    }
    return nullptr;
}
