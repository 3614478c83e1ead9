// The box plot base: the synthetic data column and the drawing sequence.
#include "Boxplot.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

namespace {

const char* const kSource = "boxplotSource";

// Lengthens list by copies of its middle entry (the one at half its length)
// until it holds length entries.
void Lengthen(std::vector<double>& list, size_t length) {
    while (!list.empty() && list.size() < length) list.push_back(list[list.size() / 2]);
}

}  // namespace

struct Boxplot::Data {
    FacSTDictionary* dictionary = nullptr;
    const NOPRSplitResults* container = nullptr;
    const FieldInfo* groupingField = nullptr;
    const FieldInfo* testField = nullptr;
    const BoxPlotInfo* boxPlotInfo = nullptr;
    const ConditionInfo* condition = nullptr;
    ChartString title;
};

Boxplot::Boxplot(FacSTDictionary* dictionary, const NOPRSplitResults* container)
    : fData(std::make_unique<Data>()) {
    fData->dictionary = dictionary;
    fData->container = container;
}

Boxplot::~Boxplot() = default;

FacSTDictionary* Boxplot::dictionary() const { return fData->dictionary; }
const FieldInfo* Boxplot::testField() const { return fData->testField; }
const FieldInfo* Boxplot::groupingField() const { return fData->groupingField; }
const BoxPlotInfo* Boxplot::boxPlotInfo() const { return fData->boxPlotInfo; }
void Boxplot::setTitle(const ChartString& title) { fData->title = title; }
void Boxplot::setBoxPlotInfo(const BoxPlotInfo* info) { fData->boxPlotInfo = info; }
void Boxplot::setCondition(const ConditionInfo* condition) { fData->condition = condition; }

std::vector<double> Boxplot::groupValues(const BoxGroup& group) {
    return {static_cast<double>(group.fGroupIndex)};
}

void Boxplot::editTemplate(std::string&) {}

void Boxplot::editDocument(XDocument&) {}

// The document gives no cases, only each group's box (b0 to b4, b2 the
// median) and its outliers. The column written for a group is built so that
// the chart's own box statistics come out as the given ones: the lower
// whisker and quartile are repeated as often as there are values below
// them, the same above, and the shorter side is padded with copies of its
// middle value so that the median stays b2.
int Boxplot::fillData(VarDataProcessor& processor) {
    Data& d = *fData;
    if (!d.boxPlotInfo || !d.condition || !d.container) return 0;

    const std::vector<double> indices = testFieldIndices(*d.condition);
    if (indices.size() >= 2 && d.container->fFieldInfos.size() >= 2) {
        // A negative position wraps to a large unsigned one and finds nothing.
        d.testField = d.container->FieldInfoAt(static_cast<unsigned>(TruncateToInt(indices[0])));
        d.groupingField = d.container->FieldInfoAt(static_cast<unsigned>(TruncateToInt(indices[1])));
    }

    processor.AddDataSource(kSource, 0);
    for (const char* variable : {"Value", "Label", "Category", "Tooltips"})
        processor.AddVariable(kSource, variable, nullptr);
    // The chart takes the test field's format for the values (see draw): a
    // date's value goes onto the host's date scale, as its format reads it.
    const int valueType = d.testField && d.testField->fVariable
                              ? d.testField->fVariable->GetFormat().GetType()
                              : QUOR_Format::F;

    size_t row = 0;
    for (const BoxGroup& group : d.boxPlotInfo->fGroups) {
        const std::vector<double> keys = groupValues(group);
        if (group.fBox.fRows.empty() || group.fBox.fRows[0].size() < 5) continue;
        const std::vector<double>& box = group.fBox.fRows[0];

        std::vector<double> lower;
        std::vector<double> upper;
        // Label numbers of the outliers by their exact value (a NaN equals
        // nothing, so it has none).
        std::map<double, double> labels;
        if (!group.fOutliers.fRows.empty()) {
            const std::vector<double>& outliers = group.fOutliers.fRows[0];
            const std::vector<double>* numbers =
                group.fOutliers.fRows.size() > 1 ? &group.fOutliers.fRows[1] : nullptr;
            for (size_t j = 0; j < outliers.size(); ++j) {
                const double value = outliers[j];
                if (numbers && j < numbers->size() && !std::isnan(value)) labels[value] = (*numbers)[j];
                (value < box[2] ? lower : upper).push_back(value);
            }
        }

        lower.push_back(box[0]);
        lower.push_back(box[1]);
        lower.insert(lower.end(), lower.size() - 1, box[1]);
        upper.push_back(box[4]);
        upper.push_back(box[3]);
        upper.insert(upper.end(), upper.size() - 1, box[3]);
        const size_t length = std::max(lower.size(), upper.size());
        Lengthen(lower, length);
        Lengthen(upper, length);

        std::vector<double> column = std::move(lower);
        column.push_back(box[2]);
        column.insert(column.end(), upper.begin(), upper.end());

        const std::string tooltip = keys.size() >= 2 ? formatNumber(keys[1], 40, 2) : std::string();
        for (const double value : column) {
            processor.SetVariableValue(kSource, "Value", row, NumericFormatCFToStat(value, valueType));
            if (!std::isnan(value)) {
                const auto label = labels.find(value);
                if (label != labels.end())
                    processor.SetVariableValue(kSource, "Label", row, label->second);
            }
            if (!keys.empty()) processor.SetVariableValue(kSource, "Category", row, keys[0]);
            if (keys.size() >= 2) processor.SetStringVariableValue(kSource, "Tooltips", row, tooltip);
            ++row;
        }
    }
    return row > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(row);
}

bool Boxplot::draw(const std::string& splitLabel, bool splitActive) {
    Data& d = *fData;
    if (!d.container) return false;

    VarDataProcessor processor;
    if (fillData(processor) == 0) return false;

    const QUOR_Variable* testVariable = d.testField ? d.testField->fVariable : nullptr;
    const QUOR_Variable* groupingVariable = d.groupingField ? d.groupingField->fVariable : nullptr;
    ChartSteps steps;
    steps.templateFile = "NPARBoxplot.viztemplate";
    steps.title = d.title;
    steps.data = &processor;
    steps.editTemplate = [&](std::string& text) {
        if (testVariable) replaceToken(text, "yAxisText", templateLabel(testVariable));
        if (groupingVariable) replaceToken(text, "xAxisText", templateLabel(groupingVariable));
        editTemplate(text);
    };
    steps.editDocument = [&](XDocument& document, XGraph& graph) {
        editDocument(document);
        if (testVariable) {
            XVariable value = graph.getVariable("Value", 0);
            value.setQUORVariable(testVariable);
            value.setFormatBasedOnQUORVariable(testVariable);
        }
        if (groupingVariable) {
            XVariable category = graph.getVariable("Category", 0);
            relabelCategories(d.groupingField, category);
            category.setQUORVariable(groupingVariable);
        }
    };
    return drawChart(steps, splitLabel, splitActive);
}
