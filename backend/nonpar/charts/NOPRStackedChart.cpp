// The stacked bar chart base: data rows, scaling and the drawing sequence.
#include "NOPRStackedChart.h"

#include <algorithm>
#include <cstdint>

#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

namespace {

const char* const kSource = "graphSource";
const char* const kScalingFactor = "scalingFactor=";
// From the start of "scalingFactor=" to the one-character placeholder inside
// the attribute's quotes.
constexpr size_t kScalingOffset = 15;

// A segment's value as its tooltip gives it: its share of the total frequency
// in percent, as the axis shows the bars; without cases, the count itself.
std::string SegmentShare(double value, const NOPRSplitResults* results) {
    if (!results || results->fTotalFreq == 0) return formatNumber(value, 40, 0);
    const double total = static_cast<uint32_t>(results->fTotalFreq);
    return formatNumber(value * 100.0 / total, 40, 1) + "%";
}

}  // namespace

struct NOPRStackedChart::Data {
    const FacSTDictionary* dictionary = nullptr;
    const NOPRSplitResults* container = nullptr;
    std::string title;
};

NOPRStackedChart::NOPRStackedChart(const FacSTDictionary* dictionary, const NOPRSplitResults* container)
    : fData(std::make_unique<Data>()) {
    fData->dictionary = dictionary;
    fData->container = container;
}

NOPRStackedChart::~NOPRStackedChart() = default;

const FacSTDictionary* NOPRStackedChart::dictionary() const { return fData->dictionary; }
const NOPRSplitResults* NOPRStackedChart::container() const { return fData->container; }
void NOPRStackedChart::setTitle(std::string key) { fData->title = std::move(key); }

void NOPRStackedChart::editTemplate(std::string&) {}

void NOPRStackedChart::editDocument(XDocument&) {}

// A table may hold fewer rows than row names, or a row fewer values than
// column names: such a cell has no value and gets neither a data row nor a
// tooltip line.
bool NOPRStackedChart::draw(const std::string& splitLabel, bool splitActive) {
    const ValueTable* table = stackedTable();
    if (!table) return false;

    VarDataProcessor processor;
    processor.AddDataSource(kSource, 0);
    for (const char* variable : {"categories", "type", "value", "tooltip"})
        processor.AddVariable(kSource, variable, nullptr);

    size_t row = 0;
    for (size_t r = 0; r < table->fRowNames.size(); ++r) {
        static const std::vector<double> kNoValues;
        const std::vector<double>& values = r < table->fRows.size() ? table->fRows[r] : kNoValues;
        const size_t cells = std::min(values.size(), table->fColumnNames.size());
        if (cells == 0) continue;

        const std::string label = seriesLabel(table->fRowNames[r]);
        std::string tooltip;
        for (size_t c = 0; c < cells; ++c) {
            tooltip += categoryText(table->fColumnNames[c], false) + " " +
                       SegmentShare(values[c], fData->container) + "\n";
        }
        for (size_t c = 0; c < cells; ++c) {
            processor.SetStringVariableValue(kSource, "categories", row, label);
            processor.SetStringVariableValue(kSource, "type", row,
                                             categoryText(table->fColumnNames[c], false));
            processor.SetVariableValue(kSource, "value", row, values[c]);
            processor.SetStringVariableValue(kSource, "tooltip", row, tooltip);
            ++row;
        }
    }
    if (row == 0) return false;

    ChartSteps steps;
    steps.templateFile = "NPARStackedBar.viztemplate";
    steps.title = lookUpText(fData->dictionary, fData->title);
    steps.data = &processor;
    steps.editTemplate = [this](std::string& text) {
        // The bars show percentages of the total frequency. Without cases
        // there is nothing to scale by: the template's factor stays as it is.
        const size_t at = text.find(kScalingFactor);
        const NOPRSplitResults* results = fData->container;
        if (at != std::string::npos && at + kScalingOffset < text.size() && results &&
            results->fTotalFreq != 0) {
            const uint32_t total = static_cast<uint32_t>(results->fTotalFreq);
            const std::string factor = ChartString().assignDouble(100.0 / total, 16).toUTF8();
            text.replace(at + kScalingOffset, 1, factor);
        }
        if (text.find("yAxisLabel") != std::string::npos)
            replaceToken(text, "yAxisLabel",
                         escapeXml(lookUpText(fData->dictionary, "Frequency").toUTF8()));
        editTemplate(text);
    };
    steps.editDocument = [this](XDocument& document, XGraph&) { editDocument(document); };
    return drawChart(steps, splitLabel, splitActive);
}
