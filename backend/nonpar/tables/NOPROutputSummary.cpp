// The split's two summary tables: the Hypothesis Test Summary (one row per
// test with its null hypothesis, significance and decision) and the
// Confidence Interval Summary (one row per interval estimate).
#include <string>
#include <vector>

#include "BpOutput.h"
#include "NOPROutput.h"
#include "NOPRSupport.h"

namespace {

using NOPROutputStats::HTIHodgesLehmannEstimateGroups;
using NOPROutputStats::HTOEstimateConfidenceInterval;
using NOPROutputStats::HTOKolmogorovSmirnov;
using NOPROutputStats::HTRHodgesLehmannEstimatePairs;

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

BpAnnotation KeyNote(const std::string& key) {
    return BpAnnotation(BpString(key, true).Replicate(), -1, false);
}

// ---------------------------------------------------------------------------
// Hypothesis Test Summary
// ---------------------------------------------------------------------------

// The columns of the summary, made once in their order.
struct SummaryColumns {
    BpCategory* hypothesis;
    BpCategory* test;
    BpCategory* significance;
    BpCategory* effectSize;
    BpCategory* decision;
};

// A significance as the table shows it, with the footnote keys that explain it.
// The significance the summary shows (its name empty when none was found),
// with the notes its cell carries.
struct SignificanceCell : ShownSignificance {
    std::vector<std::string> noteKeys;
    bool lowerBound = false;  // only known to be at least the value
};

SignificanceCell FindSignificance(const NOPRTest& test) {
    return SignificanceCell{FindShownSignificance(test), {}, false};
}

bool RunsDifferWithTies(const NOPRTest& test) {
    double minimum = 0.0;
    double maximum = 0.0;
    return FindNamedValue(test, "MinimumPossible", "TestStatistic", minimum) &&
           FindNamedValue(test, "MaximumPossible", "TestStatistic", maximum) && minimum != maximum;
}

void AddMedianNotes(SignificanceCell& cell) {
    if (cell.name == "FisherExactSig")
        cell.noteKeys.push_back("HTSFootNoteFootNoteFisherExactSig");
    else if (cell.group == "YatesContinuityCorrection" && Contains(cell.name, "AsymptoticSig"))
        cell.noteKeys.push_back("HTSFootNoteYateAsymSig");
}

// The normal Kolmogorov-Smirnov test with parameters estimated from the sample
// shows the Lilliefors-corrected significance.
bool IsLillieforsTest(const NOPRTest& test) {
    const auto* ks = dynamic_cast<const HTOKolmogorovSmirnov*>(&test);
    return ks && test.fTestType == TestType::OKolmogorovSmirnov &&
           test.fCondition.fConditionKey == "NormalDistribution_O_KolmogorovSmirnov_3" &&
           ks->fIsUseSample;
}

// The Lilliefors significance needs five cases and may only be known as a
// lower bound; the method is named by the document's method or, for a
// document that states none, by its own note.
void AddLillieforsNotes(const NOPRTest& test, SignificanceCell& cell, bool methodStated) {
    double totalN = 0.0;
    if (FindNamedValue(test, "", "TotalN", totalN) && totalN < 5) {
        cell.value = kNOPRMissing;
        cell.noteKeys.push_back("HTSFootNoteFisherCantCompute");
        return;
    }
    if (!methodStated) cell.noteKeys.push_back("HTSFootNoteFootNoteFisherLillifors");
    if (static_cast<const HTOKolmogorovSmirnov&>(test).fSigLowerBound) {
        cell.value = 0.2;
        cell.lowerBound = true;
    }
}

// The footnote keys that say how the significance was found, for a document
// that does not state its methods. The median test's Fisher exact
// significance is named before the general exact case, whose name
// ("ExactSig") it also contains.
void AddMethodNotes(const NOPRTest& test, SignificanceCell& cell) {
    const bool median = test.fTestType == TestType::IMedian;
    if (median && cell.name == "FisherExactSig") {
        AddMedianNotes(cell);
    } else if (Contains(cell.name, "ExactSig")) {
        cell.noteKeys.push_back("HTSFootNoteShowExact");
    } else if (test.fTestType == TestType::IWaldWolfowitzRuns) {
        if (RunsDifferWithTies(test)) cell.noteKeys.push_back("HTSFootNoteUsingMaxWhenTies");
    } else if (median) {
        AddMedianNotes(cell);
    } else if (IsLillieforsTest(test)) {
        AddLillieforsNotes(test, cell, false);
    }
}

// The method the document states for the significance shown, with what
// else the reader must know of it: the runs count chosen under ties, the
// Lilliefors bound.
void AddStatedMethodNotes(const NOPRTest& test, const std::string& method, SignificanceCell& cell) {
    cell.noteKeys.push_back(method);
    if (test.fTestType == TestType::IWaldWolfowitzRuns && RunsDifferWithTies(test))
        cell.noteKeys.push_back("HTSFootNoteUsingMaxWhenTies");
    if (IsLillieforsTest(test)) AddLillieforsNotes(test, cell, true);
}

// A test with a blocking error shows no significance: the cell says so and
// carries the error as its footnote.
void SetSignificanceCell(const NOPROutputContext& context, BpCategory& column, const NOPRTest& test) {
    const BpProcedure& procedure = *context.fProcedure;
    if (const MessageInfo* blocking = FindBlockingError(&test)) {
        column.Cell(BpString("Not computed", true));
        return column.CellNote(MakeMessageNote(procedure, *blocking));
    }
    SignificanceCell cell = FindSignificance(test);
    const std::string method = FindMethod(test, cell.group, cell.name);
    if (method.empty())
        AddMethodNotes(test, cell);
    else
        AddStatedMethodNotes(test, method, cell);
    if (IsOneSided(cell.name)) cell.noteKeys.push_back("OneSidedSignificance");
    column.Cell(BpNumber(cell.value,
                         cell.lowerBound ? procedure.SignificanceAbove() : procedure.Significance()));
    for (const std::string& key : cell.noteKeys) column.CellNote(KeyNote(key));
}

const char* DecisionText(int decision) {
    switch (decision) {
        case Decision::None:
            return "Unable to compute.";
        case Decision::Reject:
            return "Reject the null hypothesis.";
        case Decision::Retain:
            return "Retain the null hypothesis.";
        default:
            return nullptr;
    }
}

void AddSummaryRow(const NOPROutputContext& context, BpDimension& rows, const SummaryColumns& columns,
                   int number, const NOPRTest& test) {
    rows.Category(BpNumber(number, context.fProcedure->Count()));
    columns.hypothesis->Cell(*MakeNullHypothesis(context, &test));
    columns.test->Cell(BpString(TestTitle(test.fTestType), true));
    SetSignificanceCell(context, *columns.significance, test);
    std::unique_ptr<BpCellText> effectSize = MakeEffectSizeText(*context.fProcedure, test);
    if (effectSize && columns.effectSize) {
        columns.effectSize->Cell(*effectSize);
        for (const MessageInfo& message : test.fMessages)
            if (message.fCode == kEstimateAboveIntervalMessage)
                columns.effectSize->CellNote(MakeMessageNote(*context.fProcedure, message));
    }
    if (const char* decision = DecisionText(test.fDecision))
        columns.decision->Cell(BpString(decision, true));
}

// ---------------------------------------------------------------------------
// Confidence Interval Summary
// ---------------------------------------------------------------------------

struct IntervalColumns {
    BpCategory* type;
    BpCategory* parameter;
    BpCategory* estimate;
    BpCategory* lower;
    BpCategory* upper;
};

// Fills the confidence-interval table row by row, numbering rows across records.
class IntervalRows {
public:
    IntervalRows(const NOPROutputContext& context, BpDimension& rows, const IntervalColumns& columns)
        : fContext(context), fRows(rows), fColumns(columns) {}

    void Add(const NOPRTest& record) {
        const std::string title = TestTitle(record.fTestType);
        if (const auto* rate = dynamic_cast<const HTOEstimateConfidenceInterval*>(&record)) {
            if (rate->fIntervals.empty())
                return AddRow(record, BpString(title, true), ConfidenceInterval());
            for (const ConfidenceInterval& interval : rate->fIntervals) {
                BpComposite type(title + " ^1", true);
                type.Add(BpString(interval.fMethod, true));
                type.Finish();
                AddRow(record, type, interval);
            }
        } else if (const auto* pairs = dynamic_cast<const HTRHodgesLehmannEstimatePairs*>(&record)) {
            AddRow(record, BpString(title, true), pairs->fEstimate);
        } else if (const auto* groups = dynamic_cast<const HTIHodgesLehmannEstimateGroups*>(&record)) {
            AddRow(record, BpString(title, true), groups->fEstimate);
        }
    }

private:
    // Every message of the record is a note on the estimate, with its
    // numbers: this table is the only place an interval estimate's messages
    // (how the interval was found, and whether it reaches its level) appear.
    void AddRow(const NOPRTest& record, const BpCellText& type, const ConfidenceInterval& interval) {
        const BpProcedure& procedure = *fContext.fProcedure;
        const BpFormatSpec format = EstimateFormat(record);
        fRows.Category(BpNumber(++fNumber, procedure.Count()));
        fColumns.type->Cell(type);
        std::unique_ptr<BpCellText> parameter = MakeGroupDifferenceText(fContext, record);
        fColumns.parameter->Cell(parameter ? *parameter : *MakeNullHypothesis(fContext, &record));
        fColumns.estimate->Cell(BpNumber(interval.fEstimate, format));
        for (const MessageInfo& message : record.fMessages)
            if (message.fCode != 0) fColumns.estimate->CellNote(MakeMessageNote(procedure, message));
        // A difference of dates or times is a span, in the unit they are held in.
        if (const char* unit = SpanUnit(fContext, record))
            fColumns.estimate->CellNote(
                KeyNote(std::string("The estimate and its interval are in ") + unit + "."));
        fColumns.lower->Cell(BpNumber(interval.fLower, format));
        fColumns.upper->Cell(BpNumber(interval.fUpper, format));
    }

    // A success rate is a proportion; a Hodges-Lehmann estimate is in its
    // fields' units.
    BpFormatSpec EstimateFormat(const NOPRTest& record) const {
        const BpFormatSpec coefficient = fContext.fProcedure->Coefficient();
        if (dynamic_cast<const HTOEstimateConfidenceInterval*>(&record)) return coefficient;
        return FieldUnitsFormat(fContext, record, coefficient);
    }

    const NOPROutputContext& fContext;
    BpDimension& fRows;
    const IntervalColumns& fColumns;
    int fNumber = 0;
};

// A summary table with its widths, caption and split dimensions. The caller
// owns the object; the table stays in the output.
std::unique_ptr<BpPivotTable> MakeSummaryTable(const NOPROutputContext& context, const char* title,
                                               const BpCellText* caption) {
    std::unique_ptr<BpPivotTable> table(
        context.fParent->PivotTable(BpString(title, true), BpString(title, false), false));
    table->MinDataColumnWidth(100);
    table->MaxDataColumnWidth(200);
    if (caption) table->Caption(*caption);
    AddSplitDimensions(context, *table);
    return table;
}

// The effect-size column is made when a test has one to show.
bool AnyEffectSize(const NOPROutputContext& context) {
    for (const auto& test : context.fResults->fTests)
        if (test && MakeEffectSizeText(*context.fProcedure, *test)) return true;
    return false;
}

bool CanMakeTables(const NOPROutputContext& context) {
    return context.fProcedure && context.fParent && context.fResults;
}

}  // namespace

void MakeHypothesisTestSummary(const NOPROutputContext& context) {
    if (!CanMakeTables(context) || context.fResults->fTests.empty()) return;
    const BpProcedure& procedure = *context.fProcedure;

    BpComposite caption("HypothesisTestSummaryCaption^1", true);
    const double level = context.fResults->fSigLevel;
    caption.Add(BpNumber(level, LevelFormat(level, procedure.Significance())));
    caption.Finish();
    // The effect sizes' key follows on a line of its own, when the table
    // shows any.
    const bool anyEffectSize = AnyEffectSize(context);
    std::unique_ptr<BpCellText> effectSizeKey = anyEffectSize ? MakeEffectSizeKey(context) : nullptr;
    BpComposite captionWithKey("^1\n^2", false);
    if (effectSizeKey) {
        captionWithKey.Add(caption);
        captionWithKey.Add(*effectSizeKey);
        captionWithKey.Finish();
    }
    std::unique_ptr<BpPivotTable> table =
        MakeSummaryTable(context, "Hypothesis Test Summary", effectSizeKey ? &captionWithKey : &caption);

    BpDimension* rows = table->Dimension(BpString("Item", false), 2);
    rows->Position(BpDimension::Row, 1, true, false);
    BpDimension* statistics = table->Dimension(BpString("Statistics", true), 2);
    statistics->Position(BpDimension::Column, 1, true, false);
    const SummaryColumns columns{
        statistics->Category(BpString("Null Hypothesis", true)),
        statistics->Category(BpString("Test", true)), statistics->Category(BpString("Sig.", true)),
        anyEffectSize ? statistics->Category(BpString("Effect Size", true)) : nullptr,
        statistics->Category(BpString("Decision", true))};

    int number = 0;
    for (const auto& test : context.fResults->fTests) {
        if (test) AddSummaryRow(context, *rows, columns, ++number, *test);
    }
}

void MakeConfidenceIntervalSummary(const NOPROutputContext& context) {
    if (!CanMakeTables(context) || context.fResults->fConfidenceIntervals.empty()) return;
    std::unique_ptr<BpPivotTable> table =
        MakeSummaryTable(context, "Confidence Interval Summary", nullptr);

    BpDimension* rows = table->Dimension(BpString("Item", false), 2);
    rows->Position(BpDimension::Row, 1, true, true);
    BpDimension* statistics = table->Dimension(BpString("Statistics", true), 2);
    statistics->Position(BpDimension::Column, 1, true, false);
    IntervalColumns columns{};
    columns.type = statistics->Category(BpString("Confidence Interval Type", true));
    columns.parameter = statistics->Category(BpString("Parameter", true));
    columns.estimate = statistics->Category(BpString("Estimate", true));
    BpGroup* interval = statistics->Group(MakeIntervalLabel(context), true, 2);
    columns.lower = interval->Category(BpString("Lower", true));
    columns.upper = interval->Category(BpString("Upper", true));

    IntervalRows intervalRows(context, *rows, columns);
    for (const auto& record : context.fResults->fConfidenceIntervals) {
        if (record) intervalRows.Add(*record);
    }
}
