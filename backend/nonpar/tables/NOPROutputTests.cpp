// The per-test statistics tables and the test title rule.
#include <memory>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "NOPRSupport.h"

namespace {

constexpr const char* kUnit = "backend/nonpar/NOPROutput";

constexpr const char* kNormalKolmogorovSmirnov = "NormalDistribution_O_KolmogorovSmirnov_3";

// The Lilliefors table gives no significance above this, so a bound shows as it.
constexpr double kLillieforsUpperSig = 0.2;

BpAnnotation TranslatedNote(const std::string& text) {
    return BpAnnotation(BpString(text, true).Replicate(), -1, false);
}

bool IsCountStatistic(const std::string& name) { return name == "TotalN" || name == "DegreeOfFreedom"; }

// Counts are whole numbers. Every other statistic shares the significances'
// three decimals without the leading zero, so one table reads in one style;
// only a significance may show the "<.001" bound, which would say nothing of
// a statistic such as a standardized value near 0.
BpFormatSpec StatisticFormat(const BpProcedure& procedure, const NamedValue& named) {
    if (IsCountStatistic(named.fName)) return procedure.Count();
    const bool isSignificance = named.fName.find("Sig") != std::string::npos;
    return isSignificance ? procedure.Significance() : procedure.Statistic();
}

// The group of statistics named name in the dimension, or the dimension itself
// for the unnamed group.
BpGroup* GroupFor(BpDimension& dimension, const std::string& name) {
    if (name.empty()) return &dimension;
    return dimension.Group(BpString(name, true), true, 2);
}

// The row of a statistic in a group of the table.
BpCategory* StatisticRow(BpGroup& group, const NOPRTest& test, const std::string& name) {
    return group.Category(BpString(StatisticLabelKey(test, name), true));
}

// Where a statistic lands: the group it shows in, the test it belongs to and
// the name of its group in the document, by which its method is found.
struct StatisticPlace {
    const BpProcedure& procedure;
    const NOPRTest& test;
    BpGroup& group;
    std::string documentGroup;
    BpFormatSpec fieldUnits;  // for a value in the field's units: the median test's median
};

// A statistic's row; a significance carries the method that found it.
void AddStatistic(const StatisticPlace& place, const NamedValue& named) {
    BpCategory* row = StatisticRow(place.group, place.test, named.fName);
    const bool inFieldUnits = place.test.fTestType == TestType::IMedian && named.fName == "Median";
    row->Cell(BpNumber(named.fValue,
                       inFieldUnits ? place.fieldUnits : StatisticFormat(place.procedure, named)));
    const std::string method = FindMethod(place.test, place.documentGroup, named.fName);
    if (!method.empty()) row->CellNote(TranslatedNote(method));
}

// Whether the test's statistics outside its effect size show the measure
// already, with its value: Kendall's W is the statistic of Kendall's test,
// and D the Kolmogorov-Smirnov tests' most extreme absolute difference.
bool ShownAsStatistic(const NOPRTest& test, const NamedValue& measure) {
    for (const StatisticGroup& group : test.fStatistics) {
        if (group.fName == kEffectSizeGroup) continue;
        for (const NamedValue& named : group.fValues)
            if (IsStatisticOfMeasure(named.fName, measure.fName) && named.fValue == measure.fValue)
                return true;
    }
    return false;
}

// The effect size's measure, then its interval as a group labelled with the
// confidence level. A measure that can exceed 1 (the odds ratio) keeps its
// leading zero, and so do its limits. A measure without an interval that the
// table shows already as a statistic is not shown twice.
void AddEffectSize(const NOPROutputContext& context, const StatisticPlace& place,
                   const std::vector<NamedValue>& values) {
    if (values.empty()) return;
    if (values.size() == 1 && ShownAsStatistic(place.test, values.front())) return;
    const bool bounded = IsBoundedMeasure(values.front().fName);
    const BpFormatSpec format = bounded ? place.procedure.Statistic() : place.procedure.Coefficient();
    BpGroup* interval = nullptr;
    for (const NamedValue& named : values) {
        const bool lower = named.fName == "LowerLimit";
        BpCategory* row = nullptr;
        if (lower || named.fName == "UpperLimit") {
            if (!interval) interval = place.group.Group(MakeIntervalLabel(context), true, 2);
            row = interval->Category(BpString(lower ? "Lower" : "Upper", true));
        } else {
            row = StatisticRow(place.group, place.test, named.fName);
        }
        row->Cell(BpNumber(named.fValue, format));
    }
}

void AddStatisticGroup(const NOPROutputContext& context, const BpProcedure& procedure,
                       const NOPRTest& test, BpGroup& target, const StatisticGroup& group) {
    const StatisticPlace place{procedure, test, target, group.fName,
                               FieldUnitsFormat(context, test, procedure.Statistic())};
    if (group.fName == kEffectSizeGroup) return AddEffectSize(context, place, group.fValues);
    for (const NamedValue& named : group.fValues) AddStatistic(place, named);
}

// The messages the table shows: all but those a named note or a stated
// method says.
std::vector<MessageInfo> UnstatedMessages(const NOPRTest& test, const std::vector<NamedNote>& notes) {
    std::vector<MessageInfo> messages;
    for (const MessageInfo& message : test.fMessages) {
        bool stated = IsSaidByMethod(test, message.fCode);
        for (const NamedNote& note : notes) stated = stated || note.code == message.fCode;
        if (!stated) messages.push_back(message);
    }
    return messages;
}

// The notes that concern the effect size rather than the test: a rank-biserial
// correlation at -1 or 1 has no interval, an infinite odds ratio is not
// shown, and a w or V may lie above its interval.
bool IsEffectSizeMessage(const MessageInfo& message) {
    constexpr int kCorrelationAtBound = 40104;
    constexpr int kOddsRatioInfinite = 40028;
    return message.fCode == kCorrelationAtBound || message.fCode == kOddsRatioInfinite ||
           message.fCode == kEstimateAboveIntervalMessage;
}

// The row of the effect size's measure, when the table shows one.
BpCategory* EffectSizeRow(BpDimension& dimension, const NOPRTest& test) {
    for (const StatisticGroup& group : test.fStatistics) {
        if (group.fName != kEffectSizeGroup || group.fValues.empty()) continue;
        if (group.fValues.size() == 1 && ShownAsStatistic(test, group.fValues.front())) return nullptr;
        for (const NamedValue& named : group.fValues)
            if (named.fName != "LowerLimit" && named.fName != "UpperLimit")
                return StatisticRow(*GroupFor(dimension, group.fName), test, named.fName);
    }
    return nullptr;
}

// Notes on the effect size go on its measure, or on the table where it shows
// none (an infinite odds ratio); the others stay for the test's statistics.
std::vector<MessageInfo> PlaceEffectSizeMessages(const BpProcedure& procedure, BpPivotTable& table,
                                                 BpDimension& dimension, const NOPRTest& test,
                                                 const std::vector<MessageInfo>& messages) {
    BpCategory* measure = EffectSizeRow(dimension, test);
    std::vector<MessageInfo> rest;
    for (const MessageInfo& message : messages) {
        if (!IsEffectSizeMessage(message))
            rest.push_back(message);
        else if (measure)
            measure->CellNote(MakeMessageNote(procedure, message));
        else
            table.Note(MakeMessageNote(procedure, message));
    }
    return rest;
}

// The smallest and largest possible number of runs are the same statistic
// when ties do not change the runs count; the table then shows one list.
bool RunsBoundsEqual(const NOPRTest& test) {
    double minimum = 0;
    double maximum = 0;
    return FindNamedValue(test, "MinimumPossible", "TestStatistic", minimum) &&
           FindNamedValue(test, "MaximumPossible", "TestStatistic", maximum) && minimum == maximum;
}

bool HasUnlocatedMessage(const std::vector<MessageInfo>& messages) {
    for (const MessageInfo& message : messages)
        if (!IsLocatedMessage(message)) return true;
    return false;
}

// Each span's statistic says what it is and carries the test's messages (the
// ties of the span concern both); gives whether a span was there to carry
// them.
bool AddMosesSpanNotes(const BpProcedure& procedure, const std::vector<MessageInfo>& messages,
                       const NOPRTest& test, BpDimension& dimension) {
    bool placed = false;
    for (const char* groupName : {"ObservedControlGroup", "TrimmedControlGroup"}) {
        double value = 0;
        if (!FindNamedValue(test, groupName, "TestStatistic", value)) continue;
        BpCategory* statistic = dimension.Group(BpString(groupName, true), true, 2)
                                    ->Category(BpString("TestStatistic", true));
        statistic->Note(TranslatedNote("The test statistic is the span."));
        AddMessageCellNotes(procedure, *statistic, messages);
        placed = true;
    }
    return placed;
}

void AddRunsNotes(const BpProcedure& procedure, const std::vector<MessageInfo>& messages,
                  BpDimension& dimension, bool boundsEqual) {
    const char* runsNote = "The test statistic is the number of runs.";
    if (boundsEqual) {
        dimension.Category(BpString("TestStatistic", true))->Note(TranslatedNote(runsNote));
        return;
    }
    for (const char* groupName : {"MinimumPossible", "MaximumPossible"}) {
        BpCategory* statistic = dimension.Group(BpString(groupName, true), true, 2)
                                    ->Category(BpString("TestStatistic", true));
        statistic->Note(TranslatedNote(runsNote));
        AddMessageCellNotes(procedure, *statistic, messages);
    }
}

// With the normal distribution's parameters estimated from the sample, the
// asymptotic significance is the Lilliefors-corrected one, which needs at
// least five cases and may only be known as a lower bound. A document that
// states its methods says so in the method's note.
void AddLillieforsSignificance(const BpProcedure& procedure, const NOPROutputContext& context,
                               const NOPROutputStats::HTOKolmogorovSmirnov& test,
                               BpDimension& dimension) {
    BpCategory* significance = dimension.Category(BpString("AsymptoticSig2Tailed", true));
    double totalN = 0;
    if (FindNamedValue(test, "", "TotalN", totalN) && totalN < 5) {
        significance->Cell(BpNumber(context.fMissingValue, procedure.Significance()));
        significance->CellNote(TranslatedNote("HTSFootNoteFisherCantCompute"));
        return;
    }
    if (test.fMethods.empty())
        significance->CellNote(TranslatedNote("HTSFootNoteFootNoteFisherLillifors"));
    if (test.fSigLowerBound)
        significance->Cell(BpNumber(kLillieforsUpperSig, procedure.SignificanceAbove()));
}

// Each named note on the label of its statistic's row, where the table has one.
// The named notes whose statistic the table shows; a note without its row
// leaves the message it replaces in place.
std::vector<NamedNote> NotesOnShownRows(const NOPRTest& test, std::vector<NamedNote> notes) {
    std::vector<NamedNote> shown;
    for (NamedNote& note : notes) {
        double value = 0;
        if (FindNamedValue(test, "", note.statistic, value)) shown.push_back(std::move(note));
    }
    return shown;
}

void AddNamedNotes(const NOPRTest& test, BpDimension& dimension, const std::vector<NamedNote>& notes) {
    for (const NamedNote& note : notes)
        StatisticRow(dimension, test, note.statistic)
            ->Note(BpAnnotation(note.text->Replicate(), -1, false));
}

}  // namespace

std::string MakeTestTitle(const NOPRTest& test) {
    if (test.fTestType == TestType::OKolmogorovSmirnov) {
        const std::string& key = test.fCondition.fConditionKey;
        if (key == "UniformDistribution_O_KolmogorovSmirnov_3")
            return "One-Sample Kolmogorov-Smirnov Uniform Test";
        if (key == "NormalDistribution_O_KolmogorovSmirnov_3")
            return "One-Sample Kolmogorov-Smirnov Normal Test";
        if (key == "PoissonDistribution_O_KolmogorovSmirnov_2")
            return "One-Sample Kolmogorov-Smirnov Poisson Test";
        if (key == "ExponentialDistribution_O_KolmogorovSmirnov_2")
            return "One-Sample Kolmogorov-Smirnov Exponential Test";
    }
    return TestTitle(test.fTestType);
}

void MakeTestStatisticsTable(const NOPROutputContext& context, BpHeading& heading,
                             const NOPRTest* test) {
    const NOPRTest* hTest = test;
    if (!NOPR_CHECK(hTest, kUnit)) return;
    const BpProcedure& procedure = context.fProcedure ? *context.fProcedure : heading.Procedure();

    const std::string title = MakeTestTitle(*hTest) + " Summary";
    std::unique_ptr<BpPivotTable> table(
        heading.PivotTable(BpString(title, true), BpString(title, false), false));
    table->MinDataColumnWidth(150);
    AddSplitDimensions(context, *table);

    if (std::unique_ptr<BpCellText> caption = MakeDirectionCaption(context, *hTest))
        table->Caption(*caption);

    BpDimension* dimension = table->Dimension(BpString("Statistics", true), 2);
    dimension->Position(BpDimension::Row, 1, true, false);

    const bool isRuns = hTest->fTestType == TestType::IWaldWolfowitzRuns;
    const bool runsBoundsEqual = isRuns && RunsBoundsEqual(*hTest);

    // The statistics as the document grouped them. With equal runs bounds the
    // first named group is the one statistic and what follows it is left out.
    for (const StatisticGroup& group : hTest->fStatistics) {
        if (runsBoundsEqual && !group.fName.empty()) {
            AddStatisticGroup(context, procedure, *hTest, *dimension, group);
            break;
        }
        AddStatisticGroup(context, procedure, *hTest, *GroupFor(*dimension, group.fName), group);
    }

    const std::vector<NamedNote> namedNotes = NotesOnShownRows(*hTest, MakeNamedNotes(context, *hTest));
    AddNamedNotes(*hTest, *dimension, namedNotes);
    const std::vector<MessageInfo> messages = PlaceEffectSizeMessages(
        procedure, *table, *dimension, *hTest, UnstatedMessages(*hTest, namedNotes));

    // Whether the messages went on statistics of their own already.
    bool messagesPlaced = isRuns && !runsBoundsEqual;
    switch (hTest->fTestType) {
        case TestType::IMoses:
            messagesPlaced = AddMosesSpanNotes(procedure, messages, *hTest, *dimension);
            break;
        case TestType::IWaldWolfowitzRuns:
            AddRunsNotes(procedure, messages, *dimension, runsBoundsEqual);
            break;
        case TestType::OKolmogorovSmirnov: {
            const auto* ks = dynamic_cast<const NOPROutputStats::HTOKolmogorovSmirnov*>(hTest);
            if (ks && ks->fIsUseSample && ks->fCondition.fConditionKey == kNormalKolmogorovSmirnov)
                AddLillieforsSignificance(procedure, context, *ks, *dimension);
            break;
        }
        default:
            break;
    }

    // The messages go on the test statistic; with different runs bounds each
    // bound's statistic has them already, and so has each span of the Moses
    // test. The row is only added for a message to carry.
    if (!messagesPlaced && HasUnlocatedMessage(messages))
        AddMessageCellNotes(procedure, *StatisticRow(*dimension, *hTest, "TestStatistic"), messages);
}
