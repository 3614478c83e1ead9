// The field-information views: the distribution of one field with its count
// and statistics.
#include "FieldInformation.h"

#include <utility>

#include "FacSTDictionary.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"
#include "XDocument.h"

namespace {

// String-table texts may hold a line break written as backslash and "n": one
// at the very start is dropped, every other one becomes a character reference.
std::string LineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            if (i != 0) out += "&#10;";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

struct FieldInformation::Data {
    bool categorical = false;
};

FieldInformation::FieldInformation(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                                   bool categorical)
    : NOPRHistogramChart(dictionary, container), fData(std::make_unique<Data>()) {
    fData->categorical = categorical;
}

FieldInformation::~FieldInformation() = default;

// The field's distribution when the field is of this view's kind; the title
// names the kind and the field.
const ValueTable* FieldInformation::histogramTable() {
    const FieldInfo* info = field();
    if (!info) return nullptr;
    if (info->fDistribution.fName != "Interval" || (info->fIsCategorical == 1) != fData->categorical)
        return nullptr;
    ChartString text = lookUpText(dictionary(), fData->categorical ? "Categorical Field Information"
                                                                   : "Continuous Field Information");
    if (info->fVariable) text.append(" ").append(info->fVariable->GetPreferredLabel());
    setTitle(text);
    return &info->fDistribution;
}

void FieldInformation::editTemplate(std::string& text) {
    const FieldInfo* info = field();
    if (!info) return;
    const bool categorical = fData->categorical;

    replaceToken(text, "xAxisLabel",
                 escapeXml(info->fVariable ? info->fVariable->GetPreferredLabel() : std::string()));

    // Categories are counted as they are, not binned and summed.
    if (categorical) {
        replaceToken(text, "<binStatistic/>", "");
        replaceToken(text, "<summaryStatistic method=\"sum\"/>", "");
    }

    replaceToken(text, "yAxisLabel",
                 escapeXml(lookUpText(dictionary(), categorical ? "E60352" : "Frequency").toUTF8()));

    ChartString label;
    if (categorical) {
        const std::string total = dictionary() ? dictionary()->LookUp("TotalN") : "TotalN";
        label = XUtility::ChartStringFromOLANG(total + " = ");
        label.append(" ").appendInteger(info->fTotalN);
    } else {
        const QUOR_Format format = workingFormat();
        QUOR_Format meanFormat = format;
        meanFormat.SetDecimals(format.GetDecimals() + 1);
        QUOR_Format spreadFormat = format;
        spreadFormat.SetDecimals(format.GetDecimals() + 2);
        const int type = format.GetType();
        const bool spanOfDays = IsOnDateScale(type) && info->fStdDev != kNOPRMissing;
        const std::string spread = spanOfDays ? DayTimeText(SpreadInDays(info->fStdDev, type))
                                              : formatValue(info->fStdDev, &spreadFormat);

        label = lookUpText(dictionary(), "histoN");
        label.append(" ").appendInteger(info->fTotalN);
        const std::pair<const char*, std::string> statistics[] = {
            {"histoMin", formatValue(info->fMin, &format)},
            {"histoMax", formatValue(info->fMax, &format)},
            {"histoMean", formatValue(info->fMean, &meanFormat)},
            {"histoStdDev", spread}};
        for (const auto& [key, value] : statistics)
            label.append(lookUpText(dictionary(), key)).append(" ").append(value);
    }
    replaceToken(text, "labelText", LineBreaks(escapeXml(label.toUTF8())));
}

void FieldInformation::editDocument(XDocument& document) {
    const FieldInfo* info = field();
    if (!info) return;
    XGraph& graph = document.getExternalGraph();
    XVariable value = graph.getVariable("value", 0);
    if (info->fVariable) {
        value.setQUORVariable(info->fVariable);
        value.setFormatBasedOnQUORVariable(info->fVariable);
    }
    if (!fData->categorical) return;

    value.setCategorical(true);
    if (info->fVariable && info->fOrdinalAsContinuous) {
        ChartString note = lookUpText(dictionary(), "ORDINAL_AS_CON");
        note.replaceSubstring(ChartString("^1"), ChartString(info->fVariable->GetPreferredLabel()));
        graph.setFootnote(note);
    }

    // The bars carry the field's values; show their labels instead.
    if (info->fIsCategorical != 1) return;
    const QUOR_Format format = workingFormat();
    for (const FieldValue& entry : info->fValues) {
        const OBS* obs = entry.fValue.GetObsValue();
        if (!obs || entry.fLabel.empty()) continue;
        // The key is the value as the data table holds it (see fillData).
        ChartString key;
        if (format.GetType() == QUOR_Format::A || obs->IsString()) {
            const std::string text = entry.fValue.GetStringValue();
            const int cut = format.GetType() == QUOR_Format::A
                                ? format.GetWidth()
                                : TruncateToInt(static_cast<double>(text.size()));
            key = XUtility::ChartStringFromLocalCodePage(CutToWidth(text, cut));
        } else {
            key.assignDouble(obs->GetNumber(), 16);
        }
        const ChartString label(entry.fLabel);
        if (!key.equals(label)) value.addRelabel(key, label);
    }
}

void DrawFieldInformationCharts(FacSTDictionary* dictionary, const NOPRSplitResults& results,
                                const std::string& splitLabel, bool splitActive) {
    for (size_t i = 0; i < results.fFieldInfos.size(); ++i) {
        const auto index = static_cast<unsigned int>(i);
        {
            FieldInformation categorical(dictionary, &results, true);
            categorical.setField(index);
            categorical.draw(splitLabel, splitActive);
        }
        {
            FieldInformation continuous(dictionary, &results, false);
            continuous.setField(index);
            continuous.draw(splitLabel, splitActive);
        }
    }
}
