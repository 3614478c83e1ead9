// What the tables say beside the numbers: each test's effect size as papers
// write it, the method behind each significance, and the direction of the
// differences and statistics, with the fields and groups named.
#include <algorithm>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "NOPRSupport.h"

namespace {

// A measure of effect: its symbol in the tables and in the results line,
// whether it is bounded by 1 in size (which papers write without the leading
// zero), and the catalogue key of its full name.
struct MeasureStyle {
    const char* name;
    const char* symbol;
    const char* lineSymbol;
    bool bounded;
    const char* fullName;
};

constexpr MeasureStyle kMeasures[] = {
    {"RankBiserialCorrelation", "r", "r", true, "RankBiserialCorrelation"},
    {"EpsilonSquared", "ε²", "ε²", true, "EpsilonSquared"},
    {"KendallsW", "W", "W", true, "KendallsW"},
    {"EtaSquaredQ", "η²Q", "η²Q", true, "EtaSquaredQ"},
    // Up to the square root of the categories less one.
    {"CohensW", "w", "w", false, "CohensW"},
    {"CramersV", "V", "V", true, "CramersV"},
    {"OddsRatio", "OR", "OR", false, "OddsRatio"},
    {"ObservedProportion", "p̂", "proportion", true, "ObservedProportion"},
    {"D", "D", "D", true, "MostExtremeDifferencesAbsolute"},
};

const MeasureStyle* FindMeasure(const std::string& name) {
    for (const MeasureStyle& measure : kMeasures)
        if (name == measure.name) return &measure;
    return nullptr;
}

const StatisticGroup* FindGroup(const NOPRTest& test, const std::string& name) {
    for (const StatisticGroup& group : test.fStatistics)
        if (group.fName == name) return &group;
    return nullptr;
}

bool IsKolmogorovSmirnov(int testType) {
    return (testType >= TestType::OKolmogorovSmirnov &&
            testType <= TestType::OKolmogorovSmirnovExponential) ||
           testType == TestType::IKolmogorovSmirnov;
}

// The grouping field of an independent-samples test and the category
// positions of its two samples, in the order the document describes them.
struct TwoGroups {
    int field = -1;
    int first = -1;
    int second = -1;
};

bool FindTwoGroups(const NOPRTest& test, TwoGroups& groups) {
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (test.fTestFamily != TestFamily::Independent_Samples || fields.size() < 2 ||
        test.fDescriptives.size() != 2)
        return false;
    groups.field = fields[1];
    groups.first = TruncateToInt(GroupValue(test.fDescriptives[0], "Sample"));
    groups.second = TruncateToInt(GroupValue(test.fDescriptives[1], "Sample"));
    return true;
}

// A pattern filled with the texts, or null when one of them is missing.
std::unique_ptr<BpCellText> Fill(const char* pattern, std::vector<std::unique_ptr<BpCellText>> texts) {
    auto composite = std::make_unique<BpComposite>(pattern, true);
    for (const auto& text : texts) {
        if (!text) return nullptr;
        composite->Add(*text);
    }
    composite->Finish();
    return composite;
}

template <class... Texts>
std::unique_ptr<BpCellText> FillWith(const char* pattern, Texts... texts) {
    std::vector<std::unique_ptr<BpCellText>> list;
    (list.push_back(std::move(texts)), ...);
    return Fill(pattern, std::move(list));
}

// The paired tests work on the second field minus the first.
std::unique_ptr<BpCellText> PairedDifferenceCaption(const NOPROutputContext& context,
                                                    const NOPRTest& test) {
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (fields.size() != 2) return nullptr;
    return FillWith("Differences: ^1 − ^2.", MakeFieldText(context, fields[1]),
                    MakeFieldText(context, fields[0]));
}

// The Moses test's control group is the first group of its box plot.
std::unique_ptr<BpCellText> ControlGroupCaption(const NOPROutputContext& context, const NOPRTest& test) {
    const auto* moses = dynamic_cast<const NOPROutputStats::HTIMoses*>(&test);
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (!moses || moses->fBoxPlotInfo.fGroups.empty() || fields.size() < 2) return nullptr;
    return FillWith(
        "The control group is ^1.",
        MakeCategoryText(context, fields[1], moses->fBoxPlotInfo.fGroups.front().fGroupIndex));
}

// The message that says in which order J counts the groups: ascending or
// descending grouping values; 0 when the document gives neither.
int JonckheereOrderCode(const NOPRTest& test) {
    for (const MessageInfo& message : test.fMessages)
        if (message.fCode == 40312 || message.fCode == 40313) return message.fCode;
    return 0;
}

// J's order with the groups named, in the order the test counts them.
std::unique_ptr<BpCellText> JonckheereOrderNote(const NOPROutputContext& context, const NOPRTest& test) {
    const int code = JonckheereOrderCode(test);
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (code == 0 || fields.size() < 2 || test.fDescriptives.empty()) return nullptr;
    auto note = std::make_unique<BpComposite>(
        "J counts the pairs of cases from two groups in which the later group in the order ^1 has "
        "the larger value (ties count one half).",
        true);
    note->Sublist();
    std::vector<const StatisticGroup*> samples;
    for (const StatisticGroup& sample : test.fDescriptives) samples.push_back(&sample);
    if (code == 40313) std::reverse(samples.begin(), samples.end());
    for (const StatisticGroup* sample : samples) {
        std::unique_ptr<BpCellText> group =
            MakeCategoryText(context, fields[1], TruncateToInt(GroupValue(*sample, "Sample")));
        if (!group) return nullptr;
        note->Add(*group);
    }
    note->EndSublist();
    note->Finish();
    return note;
}

}  // namespace

std::unique_ptr<BpCellText> MakeEffectSizeText(const BpProcedure& procedure, const NOPRTest& test) {
    const StatisticGroup* group = FindGroup(test, kEffectSizeGroup);
    if (!group || group->fValues.empty()) return nullptr;
    const NamedValue& measure = group->fValues.front();
    if (measure.fValue == kNOPRMissing) return nullptr;
    const MeasureStyle* style = FindMeasure(measure.fName);
    const double lower = GroupValue(*group, "LowerLimit");
    const double upper = GroupValue(*group, "UpperLimit");
    const bool interval = lower != kNOPRMissing && upper != kNOPRMissing;
    BpFormatSpec format = !style           ? procedure.Coefficient()
                          : style->bounded ? procedure.BoundedMeasure()
                                           : procedure.Proportion();
    // Two decimals, more where they would show a bound the values do not reach.
    if (style) {
        std::vector<double> shown = {measure.fValue};
        if (interval) shown.insert(shown.end(), {lower, upper});
        const int decimals = DecimalsOfMeasure(shown, style->bounded, 2);
        if (decimals != 2)
            format = {style->bounded ? BpFormatSpec::Statistic : BpFormatSpec::Decimals, decimals};
    }

    auto text = std::make_unique<BpComposite>(interval ? "^1 = ^2 [^3, ^4]" : "^1 = ^2", false);
    if (style)
        text->Add(BpString(style->symbol, false));
    else
        text->Add(BpString(measure.fName, true));
    text->Add(BpNumber(measure.fValue, format));
    if (interval) {
        text->Add(BpNumber(lower, format));
        text->Add(BpNumber(upper, format));
    }
    text->Finish();
    return text;
}

std::unique_ptr<BpCellText> MakeEffectSizeKey(const NOPROutputContext& context) {
    std::vector<const MeasureStyle*> symbols;
    bool anyInterval = false;
    for (const auto& test : context.fResults->fTests) {
        const StatisticGroup* group = test ? FindGroup(*test, kEffectSizeGroup) : nullptr;
        if (!group || group->fValues.empty() || group->fValues.front().fValue == kNOPRMissing) continue;
        const MeasureStyle* style = FindMeasure(group->fValues.front().fName);
        if (style && std::find(symbols.begin(), symbols.end(), style) == symbols.end())
            symbols.push_back(style);
        anyInterval = anyInterval || (GroupValue(*group, "LowerLimit") != kNOPRMissing &&
                                      GroupValue(*group, "UpperLimit") != kNOPRMissing);
    }
    const double level = context.fResults->fConfidenceLevel;
    const bool showLevel = anyInterval && level != kNOPRMissing;
    if (symbols.empty() && !showLevel) return nullptr;

    const char* pattern =
        symbols.empty() ? "Brackets hold ^1 confidence intervals."
        : showLevel     ? "Effect sizes: [%1 = %2:; %1 = %2]1. Brackets hold ^2 confidence intervals."
                        : "Effect sizes: [%1 = %2:; %1 = %2]1.";
    auto key = std::make_unique<BpComposite>(pattern, true);
    if (!symbols.empty()) {
        key->Sublist();
        for (const MeasureStyle* style : symbols) {
            key->Add(BpString(style->symbol, false));
            key->Add(BpString(style->fullName, true));
        }
        key->EndSublist();
    }
    if (showLevel) key->Add(BpNumber(100.0 * level, context.fProcedure->Percent()));
    key->Finish();
    return key;
}

std::string FindMethod(const NOPRTest& test, const std::string& group, const std::string& name) {
    const std::string key = group.empty() ? name : group + "/" + name;
    for (const AttributeEntry& method : test.fMethods)
        if (method.fName == key) return method.fValue;
    return {};
}

bool IsOneSided(const std::string& significanceName) {
    return significanceName.find("1Tailed") != std::string::npos;
}

ShownSignificance FindShownSignificance(const NOPRTest& test) {
    for (auto group = test.fStatistics.rbegin(); group != test.fStatistics.rend(); ++group) {
        for (auto value = group->fValues.rbegin(); value != group->fValues.rend(); ++value) {
            if (value->fName.find("Sig") != std::string::npos)
                return {value->fValue, value->fName, group->fName};
        }
    }
    return {};
}

std::string StatisticLabelKey(const NOPRTest& test, const std::string& name) {
    if (name != "TestStatistic" || !IsKolmogorovSmirnov(test.fTestType)) return name;
    return test.fTestType == TestType::IKolmogorovSmirnov ? "TestStatisticZ" : "TestStatisticD";
}

std::unique_ptr<BpCellText> MakeDirectionCaption(const NOPROutputContext& context,
                                                 const NOPRTest& test) {
    switch (test.fTestType) {
        case TestType::RSign:
        case TestType::RWilcoxonSignedRanks:
            return PairedDifferenceCaption(context, test);
        case TestType::IMoses:
            return ControlGroupCaption(context, test);
        default:
            return nullptr;
    }
}

bool IsSaidByMethod(const NOPRTest& test, int code) {
    // Messages whose words a stated method repeats.
    struct Said {
        const char* method;
        int code;
    };
    static const Said kSaid[] = {{"MethodKolmogorovEstimated", 40102}};
    for (const Said& said : kSaid) {
        if (said.code != code) continue;
        for (const AttributeEntry& method : test.fMethods)
            if (method.fValue == said.method) return true;
    }
    return false;
}

const char* EffectLineSymbol(const std::string& measure) {
    const MeasureStyle* style = FindMeasure(measure);
    return style ? style->lineSymbol : nullptr;
}

bool IsStatisticOfMeasure(const std::string& statistic, const std::string& measure) {
    if (statistic == measure) return true;
    const MeasureStyle* style = FindMeasure(measure);
    return style && statistic == style->fullName;
}

bool IsBoundedMeasure(const std::string& name) {
    const MeasureStyle* style = FindMeasure(name);
    return !style || style->bounded;
}

std::vector<NamedNote> MakeNamedNotes(const NOPROutputContext& context, const NOPRTest& test) {
    std::vector<NamedNote> notes;
    if (test.fTestType == TestType::IJonckheereTerpstra) {
        if (std::unique_ptr<BpCellText> order = JonckheereOrderNote(context, test))
            notes.push_back({"TestStatistic", JonckheereOrderCode(test), std::move(order)});
        return notes;
    }
    TwoGroups groups;
    if (!FindTwoGroups(test, groups)) return notes;
    auto group = [&](int position) { return MakeCategoryText(context, groups.field, position); };
    if (test.fTestType == TestType::IMannWhitneyU) {
        notes.push_back({"MannWhitneyU", 40310,
                         FillWith("U counts the pairs of cases in which the case of ^1 has the larger "
                                  "value (ties count one half).",
                                  group(groups.second))});
        notes.push_back(
            {"WilcoxonW", 40310, FillWith("W is the rank sum of ^1.", group(groups.second))});
    } else if (test.fTestType == TestType::IKolmogorovSmirnov) {
        notes.push_back({"MostExtremeDifferencesAbsolute", 40311,
                         FillWith("Differences are the cumulative proportion of ^1 minus that of ^2.",
                                  group(groups.first), group(groups.second))});
    }
    // A note whose groups cannot be named leaves the message in its place.
    for (const NamedNote& note : notes)
        if (!note.text) return {};
    return notes;
}

std::unique_ptr<BpCellText> MakeGroupDifferenceText(const NOPROutputContext& context,
                                                    const NOPRTest& test) {
    TwoGroups groups;
    const std::vector<int> fields = GetTestFieldIndices(&test);
    if (!FindTwoGroups(test, groups)) return nullptr;
    return FillWith("Median difference of ^1, ^2 − ^3.", MakeFieldText(context, fields[0]),
                    MakeCategoryText(context, groups.field, groups.second),
                    MakeCategoryText(context, groups.field, groups.first));
}
