// The histogram view base: data table, drawing sequence and the helper its
// views share for string values.
#include "NOPRHistogramChart.h"

#include <cmath>

#include "FacSTDictionary.h"
#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

namespace {

constexpr const char* kSource = "graphSource";

}  // namespace

struct NOPRHistogramChart::Data {
    const FacSTDictionary* dictionary = nullptr;
    const NOPRSplitResults* container = nullptr;
    ChartString title;
    const FieldInfo* field = nullptr;
};

NOPRHistogramChart::NOPRHistogramChart(const FacSTDictionary* dictionary,
                                       const NOPRSplitResults* container)
    : fData(std::make_unique<Data>()) {
    fData->dictionary = dictionary;
    fData->container = container;
}

NOPRHistogramChart::~NOPRHistogramChart() = default;

void NOPRHistogramChart::setTitle(const ChartString& title) { fData->title = title; }

void NOPRHistogramChart::setField(unsigned int index) {
    if (!fData->container || index >= fData->container->fFieldInfos.size()) return;
    fData->field = fData->container->fFieldInfos[index].get();
}

const FacSTDictionary* NOPRHistogramChart::dictionary() const { return fData->dictionary; }
const NOPRSplitResults* NOPRHistogramChart::container() const { return fData->container; }
const FieldInfo* NOPRHistogramChart::field() const { return fData->field; }
const ChartString& NOPRHistogramChart::title() const { return fData->title; }

QUOR_Format NOPRHistogramChart::workingFormat() const {
    const FieldInfo* info = fData->field;
    if (info && info->fVariable) return info->fVariable->GetFormat();
    return QUOR_Format(QUOR_Format::F, 40, 3);
}

bool NOPRHistogramChart::draw(const std::string& splitLabel, bool splitActive) {
    if (!fData->container || !fData->field) return false;

    VarDataProcessor processor;
    if (fillData(processor) == 0) return false;

    ChartSteps steps;
    steps.templateFile = "NPARHistogram.viztemplate";
    steps.title = fData->title;
    steps.data = &processor;
    steps.editTemplate = [this](std::string& text) { editTemplate(text); };
    steps.editDocument = [this](XDocument& document, XGraph&) { editDocument(document); };
    return drawChart(steps, splitLabel, splitActive);
}

// A numeric field is drawn as it stands; a categorical one only when its
// ordinal values are treated as continuous.
const ValueTable* NOPRHistogramChart::histogramTable() {
    const FieldInfo* info = fData->field;
    if (!info) return nullptr;
    if (info->fIsCategorical == 0 || (info->fIsCategorical == 1 && info->fOrdinalAsContinuous))
        return &info->fDistribution;
    return nullptr;
}

// The table's first row holds the bar heights, the second the bar values: for
// a categorical field the position of the value in the field's value list,
// for a continuous one the bin's value.
int NOPRHistogramChart::fillData(VarDataProcessor& processor) {
    const ValueTable* table = histogramTable();
    if (!table || table->fRows.size() != 2) return 0;
    const std::vector<double>& counts = table->fRows[0];
    const std::vector<double>& values = table->fRows[1];
    if (counts.size() != values.size() || counts.empty()) return 0;

    processor.AddDataSource(kSource, 0);
    VarDataProcessor::Handle valueColumn;
    VarDataProcessor::Handle countColumn;
    processor.AddVariable(kSource, "value", &valueColumn);
    processor.AddVariable(kSource, "count", &countColumn);

    int type = QUOR_Format::F;
    int width = 0;
    if (fData->field->fVariable) {
        const QUOR_Format& format = fData->field->fVariable->GetFormat();
        type = format.GetType();
        width = format.GetWidth();
    }
    // Only a categorical field's bars stand for its values; a continuous
    // field's bars are bins, whatever values its dictionary lists.
    const FieldInfo* valueField =
        fData->field->fIsCategorical == 1
            ? fData->container->FieldInfoAt(static_cast<unsigned int>(fData->field->fFieldIndex))
            : nullptr;

    const size_t n = counts.size();
    for (size_t i = 0; i < n; ++i) {
        processor.SetVariableValue(countColumn, i, counts[i]);

        const FieldValue* fv = nullptr;
        const int position = TruncateToInt(values[i]);
        if (valueField && position >= 0 && static_cast<size_t>(position) < valueField->fValues.size())
            fv = &valueField->fValues[static_cast<size_t>(position)];
        const OBS* obs = fv ? fv->fValue.GetObsValue() : nullptr;

        if (obs && (type == QUOR_Format::A || obs->IsString())) {
            // A string is shown as the format prints it: cut to the width.
            const std::string text = fv->fValue.GetStringValue();
            const int cut =
                type == QUOR_Format::A ? width : TruncateToInt(static_cast<double>(text.size()));
            processor.SetStringVariableValue(kSource, "value", i, CutToWidth(text, cut));
        } else if (obs) {
            // The field's own values are the host's: a date is already on the
            // host's date scale.
            processor.SetVariableValue(valueColumn, i, obs->GetNumber());
        } else {
            // A number of the distribution table is on the documents' scale:
            // a date's goes onto the host's, a time of day keeps its seconds.
            processor.SetVariableValue(valueColumn, i, NumericFormatCFToStat(values[i], type));
        }
    }
    return n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

void NOPRHistogramChart::editTemplate(std::string&) {}

void NOPRHistogramChart::editDocument(XDocument&) {}

// ---------------------------------------------------------------------------

std::string CutToWidth(const std::string& text, int width) {
    size_t end = width > 0 ? static_cast<size_t>(width) : 0;
    if (end < text.size()) {
        // Back off from the middle of a multi-byte character to its start.
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    } else {
        end = text.size();
    }
    const size_t last = text.find_last_not_of(' ', end == 0 ? std::string::npos : end - 1);
    if (end == 0 || last == std::string::npos) return {};
    return text.substr(0, last + 1);
}
