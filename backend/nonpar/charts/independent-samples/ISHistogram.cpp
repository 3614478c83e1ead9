// The two-group histogram.
#include "ISHistogram.h"

#include <climits>
#include <cmath>
#include <set>

#include "CFProcCustom.h"
#include "CalendarDays.h"
#include "ChartString.h"
#include "FacSTDictionary.h"
#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

struct ISHistogram::Data {
    FacSTDictionary* dictionary = nullptr;
    const NOPRSplitResults* container = nullptr;
    const NOPROutputStats::HTIMannWhitneyU* mannWhitney = nullptr;
    const NOPROutputStats::HTIKolmogorovSmirnov* kolmogorovSmirnov = nullptr;
    const NOPROutputStats::HTIWaldWolfowitzRuns* runs = nullptr;
    const QUOR_Variable* groupingVariable = nullptr;
    const FieldInfo* groupingField = nullptr;
    const GroupInfo* group0 = nullptr;
    const GroupInfo* group1 = nullptr;
    const ConditionInfo* condition = nullptr;
    const std::string source = "graphSource";
    const std::string counts = "COUNTS";
    const std::string means = "MEANS";
    const std::string labelName = "LABELNAME";
    const std::string types = "TYPES";

    Data(FacSTDictionary* dictionary, const NOPRSplitResults* container)
        : dictionary(dictionary), container(container) {
        if (container && container->fFieldInfos.size() > 1) {
            groupingField = container->fFieldInfos[1].get();
            groupingVariable = groupingField ? groupingField->fVariable : nullptr;
        }
    }

    void setGroups(const NOPROutputStats::BaseHypothesisTest& record,
                   const std::vector<GroupInfo>& groups) {
        if (groups.size() < 2) return;
        group0 = &groups[0];
        group1 = &groups[1];
        condition = &record.fCondition;
        useConditionGroupingField();
    }

    // The groups are categories of the grouping field the condition names;
    // the field record at position 1 serves only when the condition names none.
    void useConditionGroupingField() {
        for (const IndexedValues& entry : condition->fParameters) {
            if (entry.fIndex != 1 || entry.fValues.empty()) continue;
            const FieldInfo* named =
                container->FieldInfoAt(static_cast<unsigned int>(TruncateToInt(entry.fValues[0])));
            if (!named) return;
            groupingField = named;
            groupingVariable = named->fVariable;
        }
    }

    bool hasRecord() const { return mannWhitney || kolmogorovSmirnov || runs; }
};

ISHistogram::ISHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                         const NOPROutputStats::HTIMannWhitneyU* record)
    : fData(std::make_unique<Data>(dictionary, container)) {
    fData->mannWhitney = record;
    if (record) fData->setGroups(*record, record->fGroups);
}

ISHistogram::ISHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                         const NOPROutputStats::HTIKolmogorovSmirnov* record)
    : fData(std::make_unique<Data>(dictionary, container)) {
    fData->kolmogorovSmirnov = record;
    if (record) fData->setGroups(*record, record->fGroups);
}

ISHistogram::ISHistogram(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                         const NOPROutputStats::HTIWaldWolfowitzRuns* record)
    : fData(std::make_unique<Data>(dictionary, container)) {
    fData->runs = record;
    if (record) fData->setGroups(*record, record->fGroups);
}

ISHistogram::~ISHistogram() = default;

namespace {

// Date, time and calendar formats: their means are written as formatted text.
bool IsDateFormat(int type) { return (type >= 20 && type <= 30) || type == 38 || type == 39; }

const QUOR_Variable* VariableAt(const NOPRSplitResults& container, int position) {
    const FieldInfo* field = container.FieldInfoAt(static_cast<unsigned>(position));
    return field ? field->fVariable : nullptr;
}

// The texts of both groups' date bins: the periods' names for bins of
// calendar months, quarters or years of day-based dates ("JAN 2023"), each
// bin's middle in the field's format otherwise.
class DateBinTexts {
public:
    DateBinTexts(const std::vector<const GroupInfo*>& groups, const QUOR_Variable* variable)
        : fVariable(variable) {
        for (const GroupInfo* group : groups) {
            const auto& rows = group->fDistribution.fRows;
            if (rows.size() < 2) continue;
            for (double date : rows[1])
                if (!std::isnan(date)) fMiddles.insert(date);
        }
        if (variable && IsDayBasedDate(variable->GetFormat().GetType()))
            fMonths = npar::CalendarBinMonths(std::vector<double>(fMiddles.begin(), fMiddles.end()));
    }

    std::string Text(double middle) const {
        return fMonths > 0 ? npar::CalendarBinName(middle, fMonths) : formatValue(middle, fVariable);
    }

    // Every bin, earliest first, joined by ";": the order of the categories
    // that date bins written as text make.
    std::string Order() const {
        std::string order;
        for (double middle : fMiddles) order += (order.empty() ? "" : ";") + Text(middle);
        return order;
    }

private:
    const QUOR_Variable* fVariable;
    std::set<double> fMiddles;
    int fMonths = 0;
};

// Replaces count characters at position at by value, when the text reaches at.
void ReplaceAt(std::string& text, size_t at, size_t count, const char* value) {
    if (at <= text.size()) text.replace(at, count, value);
}

}  // namespace

int ISHistogram::fillData(VarDataProcessor& processor) {
    Data& d = *fData;
    if (!d.container || !d.hasRecord() || !d.group0 || !d.group1 || !d.condition) return 0;

    processor.AddDataSource(d.source, 0);
    for (const std::string* variable : {&d.counts, &d.means, &d.labelName, &d.types})
        processor.AddVariable(d.source, *variable, nullptr);

    // The test field is the first field parameter of the condition.
    int testPosition = 0;
    for (const IndexedValues& entry : d.condition->fParameters) {
        if (entry.fIndex == 0 && !entry.fValues.empty()) {
            testPosition = TruncateToInt(entry.fValues[0]);
            break;
        }
    }
    const QUOR_Variable* testVariable = VariableAt(*d.container, testPosition);
    const bool datesAsText = testVariable && IsDateFormat(testVariable->GetFormat().GetType());
    const DateBinTexts dateBins({d.group0, d.group1}, datesAsText ? testVariable : nullptr);

    size_t row = 0;
    for (const GroupInfo* group : {d.group0, d.group1}) {
        const std::string label = categoryLabel(d.groupingField, group->fGroupIndex);
        const auto& rows = group->fDistribution.fRows;
        if (rows.size() < 2) continue;
        for (size_t i = 0; i < rows[0].size(); ++i) {
            processor.SetVariableValue(d.source, d.counts, row, rows[0][i]);
            if (i < rows[1].size()) {
                if (datesAsText)
                    processor.SetStringVariableValue(d.source, d.means, row, dateBins.Text(rows[1][i]));
                else
                    processor.SetVariableValue(d.source, d.means, row, rows[1][i]);
            }
            processor.SetStringVariableValue(d.source, d.labelName, row, label);
            processor.SetStringVariableValue(d.source, d.types, row, label);
            ++row;
        }
    }
    return row > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(row);
}

bool ISHistogram::draw(const std::string& splitLabel, bool splitActive) {
    Data& d = *fData;
    if (!d.container || !d.hasRecord()) return false;
    VarDataProcessor processor;
    if (fillData(processor) == 0) return false;

    int testPosition = -1;
    int groupingPosition = -1;
    for (const IndexedValues& entry : d.condition->fParameters) {
        if (entry.fValues.empty()) continue;
        if (entry.fIndex == 0)
            testPosition = TruncateToInt(entry.fValues[0]);
        else if (entry.fIndex == 1)
            groupingPosition = TruncateToInt(entry.fValues[0]);
    }
    const QUOR_Variable* testVariable = VariableAt(*d.container, testPosition);
    // Mann-Whitney and runs draw both groups on one mirrored panel pair.
    const bool mirrored = d.mannWhitney || d.runs;
    const char* titleKey = d.mannWhitney         ? "Independent-Samples Mann-Whitney U Test"
                           : d.kolmogorovSmirnov ? "Independent-Samples Kolmogorov-Smirnov Test"
                                                 : "Independent-Samples Wald-Wolfowitz Runs Test";
    ChartSteps steps;
    steps.templateFile =
        mirrored ? "NPARRelatedSamplesHistogram.viztemplate" : "NPARKolmogorovSmirnov.viztemplate";
    steps.title = lookUpText(d.dictionary, titleKey);
    steps.data = &processor;
    steps.editTemplate = [&](std::string& text) {
        editTemplate(text, testVariable, VariableAt(*d.container, groupingPosition), mirrored);
    };
    steps.editDocument = [&](XDocument&, XGraph& graph) {
        labelGroups(graph);
        if (!mirrored) return;
        if (VariableAt(*d.container, groupingPosition)) {
            XVariable types = graph.getVariable("types", 0);
            relabelCategories(d.container->FieldInfoAt(static_cast<unsigned>(groupingPosition)), types);
        }
        if (testVariable) graph.getVariable("means", 0).setFormatBasedOnQUORVariable(testVariable);
    };
    return drawChart(steps, splitLabel, splitActive);
}

void ISHistogram::editTemplate(std::string& text, const QUOR_Variable* testVariable,
                               const QUOR_Variable* groupingVariable, bool mirrored) {
    const Data& d = *fData;
    replaceToken(text, "xTitle", escapeXml(lookUpText(d.dictionary, "Frequency").toUTF8()));
    if (groupingVariable) replaceToken(text, "subTitle", templateLabel(groupingVariable));
    if (testVariable) {
        const std::string label = templateLabel(testVariable);
        replaceToken(text, "yTitle0", label);
        replaceToken(text, "yTitle1", label);
    }
    // Date bins go out as text, which would stand in the order the groups
    // first have them: the means variable lists them by date instead.
    if (testVariable && IsDateFormat(testVariable->GetFormat().GetType()))
        insertBefore(text, "id=\"means\"",
                     "categoryOrder=\"" +
                         escapeXml(DateBinTexts({d.group0, d.group1}, testVariable).Order()) + "\" ");
    if (!mirrored) return;
    // Facets alternate along y, the value axis is not inverted, and the
    // graph starts lower to leave room for the panel labels.
    const std::string alternating = "alternating=";
    size_t at = text.find(alternating);
    if (at != std::string::npos) {
        const size_t value = at + alternating.size() + 1;
        ReplaceAt(text, value, 5, "true");
        const size_t x = text.find('x', value);
        if (x != std::string::npos) text[x] = 'y';
    }
    const std::string invert = "invert=\"";
    at = text.find(invert);
    if (at != std::string::npos) ReplaceAt(text, at + invert.size(), 4, "false");
    at = text.find("3%");
    if (at != std::string::npos) text.replace(at, 1, "18");
}

// Each group's panel is labelled with its size (and, for Mann-Whitney, its
// mean rank).
void ISHistogram::labelGroups(XGraph& graph) {
    const Data& d = *fData;
    XVariable labelName = graph.getVariable("labelname", 0);
    for (const GroupInfo* group : {d.group0, d.group1}) {
        ChartString label = lookUpText(d.dictionary, "N");
        label.append(" = ").append(formatNumber(group->fN, 40, 0));
        if (d.mannWhitney) {
            label.append(u'\n')
                .append(lookUpText(d.dictionary, "Mean Rank"))
                .append(" = ")
                .append(formatNumber(group->fMeanOfRank, 40, 2));
        }
        labelName.addRelabel(ChartString(categoryLabel(d.groupingField, group->fGroupIndex)), label);
    }
}
