// Labelling helpers shared by the tables: split-file dimensions, field, value
// and category lists in composite texts, message footnotes, and the test's
// field indices and sub-heading.
#include <algorithm>
#include <cmath>
#include <vector>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"

namespace {

constexpr const char* kUnit = "backend/nonpar/NOPROutput";
constexpr int kMissingCategory = INT_MIN;

constexpr int kLocatedMessages[] = {222328, 222329, 222331, 222332, 222333, 222334, 220013};

// Opens a sublist for the life of the object when asked to.
class SublistScope {
public:
    SublistScope(BpComposite& composite, bool open) : fComposite(composite), fOpen(open) {
        if (fOpen) fComposite.Sublist();
    }
    ~SublistScope() {
        if (fOpen) fComposite.EndSublist();
    }

private:
    BpComposite& fComposite;
    bool fOpen;
};

void AddPlaceholder(BpComposite& composite, const char* text) { composite.Add(BpString(text, false)); }

BpAnnotation AsNote(const BpCellText& text) { return BpAnnotation(text.Replicate(), -1, false); }

// The first number of parameter p, truncated, or false when there is none.
bool FirstIndex(const ConditionInfo& condition, size_t p, int& index) {
    if (p >= condition.fParameters.size() || condition.fParameters[p].fValues.empty()) return false;
    index = TruncateToInt(condition.fParameters[p].fValues.front());
    return true;
}

bool TakesEveryRelatedField(int testType) {
    return testType == TestType::RCochransQ || testType == TestType::RFriedmansTwoWayByRanks ||
           testType == TestType::RKendallsCoefficient;
}

}  // namespace

const FieldInfo* FindField(const NOPROutputContext& context, int index) {
    if (!context.fResults) return nullptr;
    const FieldInfo* field = context.fResults->FieldInfoAt(static_cast<unsigned int>(index));
    if (field) NOPR_CHECK(index == field->fFieldIndex, kUnit);
    return field;
}

namespace {

// The variables of the fields the test measures, those it has: an
// independent-samples test measures its first field; the second groups.
std::vector<const QUOR_Variable*> MeasuredVariables(const NOPROutputContext& context,
                                                    const NOPRTest& test) {
    const std::vector<int> fields = GetTestFieldIndices(&test);
    const size_t measured = test.fTestFamily == TestFamily::Independent_Samples ? 1 : fields.size();
    std::vector<const QUOR_Variable*> variables;
    for (size_t i = 0; i < measured && i < fields.size(); ++i) {
        const FieldInfo* field = FindField(context, fields[i]);
        if (field && field->fVariable) variables.push_back(field->fVariable);
    }
    return variables;
}

}  // namespace

BpFormatSpec FieldUnitsFormat(const NOPROutputContext& context, const NOPRTest& test,
                              const BpFormatSpec& otherwise) {
    int decimals = 0;
    for (const QUOR_Variable* variable : MeasuredVariables(context, test))
        decimals = std::max(decimals, variable->GetFormat().GetDecimals() + 1);
    return decimals > 3 ? BpFormatSpec{BpFormatSpec::Decimals, decimals} : otherwise;
}

const char* SpanUnit(const NOPROutputContext& context, const NOPRTest& test) {
    return SpanUnitOf(MeasuredVariables(context, test));
}

BpFormatSpec LevelFormat(double level, const BpFormatSpec& usual) {
    constexpr int kMostDecimals = 6;
    int decimals = usual.decimals;
    double scaled = level * std::pow(10.0, decimals);
    while (decimals < kMostDecimals &&
           std::fabs(scaled - std::round(scaled)) > 1e-9 * std::fabs(scaled)) {
        ++decimals;
        scaled *= 10;
    }
    if (decimals == usual.decimals) return usual;
    // Without the leading zero where the usual form has none (.0005).
    const bool bare = usual.kind == BpFormatSpec::Significance || usual.kind == BpFormatSpec::Statistic;
    return {bare ? BpFormatSpec::Statistic : BpFormatSpec::Decimals, decimals};
}

bool FindNamedValue(const NOPRTest& test, const std::string& group, const std::string& name,
                    double& value) {
    for (const StatisticGroup& statistics : test.fStatistics) {
        if (statistics.fName != group) continue;
        for (const NamedValue& named : statistics.fValues) {
            if (named.fName == name) {
                value = named.fValue;
                return true;
            }
        }
        return false;
    }
    return false;
}

double GroupValue(const StatisticGroup& group, const std::string& name) {
    for (const NamedValue& named : group.fValues)
        if (named.fName == name) return named.fValue;
    return kNOPRMissing;
}

bool HasGroupValue(const StatisticGroup& group, const std::string& name) {
    for (const NamedValue& named : group.fValues)
        if (named.fName == name) return true;
    return false;
}

void AddSplitDimensions(const NOPROutputContext& context, BpPivotTable& table) {
    const NOPRSplitResults* results = context.fResults;
    if (!context.fDataSource || !results || !results->fSplit) return;
    const CFSplit& split = *results->fSplit;
    if (split.GetSplitVariables().empty() || split.GetSplitHeadings()) return;
    const auto& indices = split.GetSplitVariables();
    const auto& values = split.GetSplitValues();
    for (size_t i = 0; i < indices.size(); ++i) {
        const QUOR_Variable* variable = context.fDataSource->GetVariable(indices[i]);
        BpDimension* dimension = table.Dimension(BpVariable(variable, 2), 0);
        dimension->Position(BpDimension::Row, 1, false, false);
        const OBS missing(kSystemMissing);
        const OBS* value = i < values.size() && values[i] ? values[i] : &missing;
        dimension->Category(BpDataValue(variable, *value, 2));
    }
}

void AddFieldList(const NOPROutputContext& context, BpComposite& composite,
                  const std::vector<double>& fieldIndices, bool asList) {
    SublistScope sublist(composite, asList);
    if (fieldIndices.empty()) return AddPlaceholder(composite, " ");
    for (double index : fieldIndices) {
        const FieldInfo* field = FindField(context, TruncateToInt(index));
        if (!field || !field->fVariable) return AddPlaceholder(composite, "Unknown Variable");
        composite.Add(BpVariable(field->fVariable, 2));
    }
}

void AddValueList(const NOPROutputContext& context, BpComposite& composite,
                  const std::vector<double>& values, const QUOR_Variable* variable, bool asList) {
    SublistScope sublist(composite, asList);
    if (values.empty()) return AddPlaceholder(composite, " ");
    for (double value : values) {
        if (variable && variable->GetType() == 0) {
            const double stat = NumericFormatCFToStat(value, variable->GetFormat().GetType());
            composite.Add(BpDataValue(variable, stat, 2));
        } else {
            composite.Add(BpNumber(value, context.fProcedure->Significance()));
        }
    }
}

void AddCategoryValueList(const NOPROutputContext& context, BpComposite& composite, int fieldIndex,
                          const std::vector<double>& categories, const std::vector<std::string>* texts,
                          bool asList) {
    SublistScope sublist(composite, asList);
    const FieldInfo* field = FindField(context, fieldIndex);
    if (!field || !field->fVariable) return AddPlaceholder(composite, "Unknown Variable");
    if (categories.empty()) return AddPlaceholder(composite, " ");
    const QUOR_Variable* variable = field->fVariable;
    size_t nextText = 0;
    for (double number : categories) {
        const int category = TruncateToInt(number);
        if (category == kMissingCategory) {
            if (variable->GetType() == 0)
                composite.Add(BpDataValue(variable, kSystemMissing, 2));
            else
                composite.Add(BpDataValue(variable, std::string(" "), 2));
        } else if (category >= 0 && static_cast<size_t>(category) < field->fValues.size()) {
            const OBS* value = field->fValues[static_cast<size_t>(category)].fValue.GetObsValue();
            composite.Add(value ? BpDataValue(variable, *value, 2)
                                : BpDataValue(variable, kSystemMissing, 2));
        } else if (texts && nextText < texts->size()) {
            composite.Add(BpString((*texts)[nextText++], false));
        } else {
            return AddPlaceholder(composite, "Unknown Variable");
        }
    }
}

bool IsLocatedMessage(const MessageInfo& message) {
    for (int code : kLocatedMessages)
        if (message.fCode == code) return true;
    return false;
}

const MessageInfo* FindBlockingError(const NOPRTest* test) {
    if (!test) return nullptr;
    switch (test->fTestType) {
        case TestType::OEstimateConfidenceInterval:
        case TestType::RHodgesLehmannEstimatePairs:
        case TestType::IHodgesLehmannEstimateGroups:
            return nullptr;
        default:
            break;
    }
    for (const MessageInfo& message : test->fMessages) {
        if (message.fType == MessageType::Error && !IsLocatedMessage(message)) return &message;
    }
    return nullptr;
}

BpAnnotation MakeMessageNote(const BpProcedure& procedure, const MessageInfo& message) {
    std::vector<double> numbers;
    for (const IndexedValues& parameter : message.fParameters)
        if (!parameter.fValues.empty()) numbers.push_back(parameter.fValues.front());
    return MessageNote(procedure, message.fCode, numbers);
}

BpAnnotation MessageNote(const BpProcedure& procedure, int code, const std::vector<double>& numbers) {
    const std::string number = Integer2String(code);
    auto addNumbers = [&](BpComposite& composite) {
        for (double value : numbers) composite.Add(BpNumber(value, procedure.CountOrCoefficent(value)));
    };
    if (procedure.Render(BpString(number, true)) != number) {
        // The catalogue's text of the number takes the numbers as its arguments.
        if (numbers.empty()) return AsNote(BpString(number, true));
        BpComposite composite(number, true);
        addNumbers(composite);
        composite.Finish();
        return AsNote(composite);
    }
    // A number without a text is named as a message, its numbers listed after it.
    BpComposite composite(numbers.empty() ? "Message ^1" : "Message ^1: ^2", true);
    composite.Add(BpString(number, false));
    composite.Sublist();
    addNumbers(composite);
    composite.EndSublist();
    composite.Finish();
    return AsNote(composite);
}

void AddMessageCellNotes(const BpProcedure& procedure, BpCategory& category,
                         const std::vector<MessageInfo>& messages) {
    for (const MessageInfo& message : messages) {
        if (!IsLocatedMessage(message)) category.CellNote(MakeMessageNote(procedure, message));
    }
}

void AddLocatedMessageNotes(const BpProcedure& procedure, BpCategory& category,
                            const std::vector<MessageInfo>& messages, int a, int b) {
    const std::string group = Integer2String(a) + ";" + Integer2String(b);
    for (const MessageInfo& message : messages) {
        if (IsLocatedMessage(message) && message.fGroup == group)
            category.CellNote(MessageNote(procedure, message.fCode, {}));
    }
}

std::vector<int> GetTestFieldIndices(const NOPRTest* test) {
    std::vector<int> indices;
    if (!test) return indices;
    const ConditionInfo& condition = test->fCondition;
    int first = 0;
    int second = 0;
    switch (test->fTestFamily) {
        case TestFamily::One_Sample:
            if (FirstIndex(condition, 0, first)) indices.push_back(first);
            break;
        case TestFamily::Related_Samples:
            if (TakesEveryRelatedField(test->fTestType)) {
                if (!condition.fParameters.empty()) {
                    for (double value : condition.fParameters.front().fValues)
                        indices.push_back(TruncateToInt(value));
                }
            } else if (FirstIndex(condition, 0, first) && FirstIndex(condition, 1, second)) {
                indices = {first, second};
            }
            break;
        case TestFamily::Independent_Samples:
            if (FirstIndex(condition, 0, first) && FirstIndex(condition, 1, second))
                indices = {first, second};
            break;
        default:
            break;
    }
    return indices;
}

std::unique_ptr<BpCellText> MakeFieldHeadingText(const NOPROutputContext& context,
                                                 const NOPRTest* test) {
    if (!test) return nullptr;
    const std::vector<int> indices = GetTestFieldIndices(test);
    auto variableOf = [&](int index) -> const QUOR_Variable* {
        const FieldInfo* field = FindField(context, index);
        return field ? field->fVariable : nullptr;
    };
    switch (test->fTestFamily) {
        case TestFamily::One_Sample: {
            const QUOR_Variable* variable = indices.empty() ? nullptr : variableOf(indices.front());
            if (!variable) return nullptr;
            return std::make_unique<BpVariable>(variable, 2);
        }
        case TestFamily::Related_Samples: {
            if (indices.size() < 2) return nullptr;
            std::vector<const QUOR_Variable*> variables;
            for (int index : indices)
                if (const QUOR_Variable* variable = variableOf(index)) variables.push_back(variable);
            // Fields that name no variable give no heading, not an empty one.
            if (variables.empty()) return nullptr;
            auto composite = std::make_unique<BpComposite>("[%1:, ^1]1", true);
            composite->Sublist();
            for (const QUOR_Variable* variable : variables) composite->Add(BpVariable(variable, 2));
            composite->EndSublist();
            composite->Finish();
            return composite;
        }
        case TestFamily::Independent_Samples: {
            if (indices.size() < 2) return nullptr;
            const QUOR_Variable* testVariable = variableOf(indices[0]);
            const QUOR_Variable* groupVariable = variableOf(indices[1]);
            if (!testVariable || !groupVariable) return nullptr;
            auto composite = std::make_unique<BpComposite>("^1 across ^2", true);
            composite->Add(BpVariable(testVariable, 2));
            composite->Add(BpVariable(groupVariable, 2));
            composite->Finish();
            return composite;
        }
        default:
            return nullptr;
    }
}

std::unique_ptr<BpCellText> MakeFieldText(const NOPROutputContext& context, int fieldIndex) {
    const FieldInfo* field = FindField(context, fieldIndex);
    if (!field || !field->fVariable) return nullptr;
    return std::make_unique<BpVariable>(field->fVariable, 2);
}

std::unique_ptr<BpCellText> MakeCategoryText(const NOPROutputContext& context, int fieldIndex,
                                             int position) {
    const FieldInfo* field = FindField(context, fieldIndex);
    if (!field || !field->fVariable || position < 0 ||
        static_cast<size_t>(position) >= field->fValues.size())
        return nullptr;
    const OBS* value = field->fValues[static_cast<size_t>(position)].fValue.GetObsValue();
    if (!value) return nullptr;
    return std::make_unique<BpDataValue>(field->fVariable, *value, 2);
}

BpComposite MakeIntervalLabel(const NOPROutputContext& context) {
    const double level = context.fResults ? context.fResults->fConfidenceLevel : kNOPRMissing;
    const double percent = level == kNOPRMissing ? kNOPRMissing : 100.0 * level;
    BpComposite label("^1 Confidence Interval", true);
    label.Add(BpNumber(percent, context.fProcedure->Percent()));
    label.Finish();
    return label;
}
