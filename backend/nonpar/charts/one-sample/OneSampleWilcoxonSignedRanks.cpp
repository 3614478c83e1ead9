// The one-sample Wilcoxon signed rank chart.
#include "OneSampleWilcoxonSignedRanks.h"

#include <vector>

#include "FacSTDictionary.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"
#include "ViZModel.h"
#include "XDocument.h"

struct OneSampleWilcoxonSignedRanks::Data {
    const FacSTDictionary* dictionary = nullptr;
    const NOPROutputStats::HTOWilcoxonSignedRanks* record = nullptr;
    // The test field's variable, known once the template is edited.
    const QUOR_Variable* variable = nullptr;
};

OneSampleWilcoxonSignedRanks::OneSampleWilcoxonSignedRanks(
    const FacSTDictionary* dictionary, const NOPRSplitResults* container,
    const NOPROutputStats::HTOWilcoxonSignedRanks* record)
    : NOPRHistogramChart(dictionary, container), fData(std::make_unique<Data>()) {
    fData->dictionary = dictionary;
    fData->record = record;
    setTitle(lookUpText(dictionary, "One-Sample Wilcoxon Signed Rank Test"));
}

OneSampleWilcoxonSignedRanks::~OneSampleWilcoxonSignedRanks() = default;

// The axes are named; the statistics label stays empty: the medians have
// label frames of their own.
void OneSampleWilcoxonSignedRanks::editTemplate(std::string& text) {
    if (const FieldInfo* info = field()) fData->variable = info->fVariable;
    const QUOR_Variable* variable = fData->variable;
    if (!variable) return;
    replaceToken(text, "xAxisLabel", templateLabel(variable));
    replaceToken(text, "yAxisLabel", escapeXml(lookUpText(fData->dictionary, "Frequency").toUTF8()));
    replaceToken(text, "labelText", "");
}

void OneSampleWilcoxonSignedRanks::editDocument(XDocument& document) {
    addMedians(document);
    const FieldInfo* info = field();
    if (!info || !info->fVariable) return;
    XVariable value = document.getExternalGraph().getVariable("value", 0);
    value.setQUORVariable(info->fVariable);
    value.setFormatBasedOnQUORVariable(info->fVariable);
}

ChartString OneSampleWilcoxonSignedRanks::medianText(const std::string& key, double median) const {
    const std::string text = (fData->dictionary ? fData->dictionary->LookUp(key) : key) +
                             formatValue(median, fData->variable);
    return XUtility::ChartStringFromOLANG(text).replaceSubstring(ChartString("\\n"), ChartString("\n"));
}

// Guide lines at both medians; the graph leaves room above it (more under a
// subtitle) for two label frames side by side, each in its line's colour.
void OneSampleWilcoxonSignedRanks::addMedians(XDocument& document) const {
    if (!fData->record) return;
    const double hypothetical = fData->record->fContinuousDistribution.fHypotheticalMedian;
    const double observed = fData->record->fContinuousDistribution.fObservedMedian;
    using namespace ViZLocation;

    ViZVisualization& visualization = document.getVisualization();
    const std::vector<ViZGraph> graphs = visualization.getGraphs();
    ViZGraph graph = graphs.empty() ? ViZGraph() : graphs.front();

    ViZStyleElement hypotheticalStyle = visualization.addStyle();
    hypotheticalStyle.setColor(ChartString("green"));
    hypotheticalStyle.setId(ChartString("lineGuide1Style"));
    ViZStyleElement observedStyle = visualization.addStyle();
    observedStyle.setColor(ChartString("blue"));
    observedStyle.setId(ChartString("lineGuide2Style"));

    // The lines stand on the axis' scale: a date's goes onto the host's date
    // scale, as the histogram's values do.
    const int type = fData->variable ? fData->variable->GetFormat().GetType() : QUOR_Format::F;
    auto onAxis = [type](double value) {
        return ChartString().assignDouble(NumericFormatCFToStat(value, type), 16);
    };
    ViZLineGuide hypotheticalLine = graph.addLineGuide();
    hypotheticalLine.setX(onAxis(hypothetical));
    hypotheticalLine.setStyle(hypotheticalStyle);
    ViZLineGuide observedLine = graph.addLineGuide();
    observedLine.setX(onAxis(observed));
    observedLine.setStyle(observedStyle);

    ViZLocationElement right = graph.addLocation(Right);
    right.setMethod(Fixed);
    right.setValue(ChartString("80%"));
    right.setSpecifiedByUser(true);
    const bool subtitled = visualization.getExtension().getSubtitle();
    ViZLocationElement top = graph.addLocation(Top);
    top.setMethod(Fixed);
    top.setValue(ChartString(subtitled ? "15%" : "10%"));
    top.setSpecifiedByUser(true);

    auto locate = [](ViZLabelFrame& frame, int part, int method, const ViZElement* target,
                     const char* value) {
        ViZLocationElement location = frame.addLocation(part);
        location.setMethod(method);
        if (target) location.setTarget(*target);
        if (value) location.setValue(ChartString(value));
    };
    auto label = [&](ViZLabelFrame& frame, const char* color, const char* styleId,
                     const ChartString& text) {
        CTLabelType frameLabel = frame.addLabel();
        ViZStyleElement style = visualization.addStyle();
        style.setColor(ChartString(color));
        style.setFont_weight(ViZStyle::Bold);
        style.setId(ChartString(styleId));
        frameLabel.setStyle(style);
        frameLabel.addText().setText(text);
    };

    // Directly above the graph, from its left edge.
    ViZLabelFrame hypotheticalFrame =
        visualization.addLabelFrame(ChartString("frameHypotheticalMedian"));
    locate(hypotheticalFrame, Top, Attach, &graph, nullptr);
    locate(hypotheticalFrame, Left, Same, &graph, nullptr);
    locate(hypotheticalFrame, Height, SizeToContent, nullptr, nullptr);
    locate(hypotheticalFrame, Right, Fixed, nullptr, "100%");
    label(hypotheticalFrame, "green", "label1Style",
          medianText("OWilcoxonSignedRanksHypotheticalMedian", hypothetical));

    // In the same row, right of the first.
    ViZLabelFrame observedFrame = visualization.addLabelFrame(ChartString("frameObservedMedian"));
    locate(observedFrame, Top, Same, &hypotheticalFrame, nullptr);
    locate(observedFrame, Left, Attach, &hypotheticalFrame, nullptr);
    locate(observedFrame, Height, SizeToContent, nullptr, nullptr);
    locate(observedFrame, Right, Attach, &hypotheticalFrame, nullptr);
    label(observedFrame, "blue", "label2Style",
          medianText("OWilcoxonSignedRanksObservedMedian", observed));
}
