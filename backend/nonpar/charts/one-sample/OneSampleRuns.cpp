// The runs chart: numbers and texts written at fixed places of the template.
#include "OneSampleRuns.h"

#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "XDocument.h"

namespace {

// Replaces count characters at offset from the first occurrence of marker;
// no occurrence, no change.
void ReplaceAfter(std::string& text, const std::string& marker, size_t offset, size_t count,
                  const std::string& value) {
    const size_t at = text.find(marker);
    if (at == std::string::npos || at + offset > text.size()) return;
    text.replace(at + offset, count, value);
}

}  // namespace

struct OneSampleRuns::Data {
    const FacSTDictionary* dictionary = nullptr;
    const NOPRSplitResults* container = nullptr;
    const NOPROutputStats::HTORuns* record = nullptr;
};

OneSampleRuns::OneSampleRuns(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                             const NOPROutputStats::HTORuns* record)
    : fData(std::make_unique<Data>()) {
    fData->dictionary = dictionary;
    fData->container = container;
    fData->record = record;
}

OneSampleRuns::~OneSampleRuns() = default;

// The template holds placeholders of fixed length after the markers: the x
// axis maximum, the curve's mean and standard deviation, the observed and
// the expected guide lines. The expected guide stands before the observed
// one, so its search never finds an observed count that starts with 500.
bool OneSampleRuns::draw(const std::string& splitLabel, bool splitActive) {
    const Data& d = *fData;
    if (!d.record) return false;

    ChartSteps steps;
    steps.templateFile = "NPAROneSampleRunsTest.viztemplate";
    steps.title = lookUpText(d.dictionary, "One-Sample Runs Test");
    steps.editTemplate = [&](std::string& text) {
        const NOPROutputStats::HTORuns& runs = *d.record;
        const std::string rangeText =
            ChartString().assignInteger(TruncateToInt(2.0 * runs.fMean)).toUTF8();
        const std::string meanText = ChartString().assignDouble(runs.fMean, 16).toUTF8();
        const std::string sdText = ChartString().assignDouble(runs.fStdDev, 16).toUTF8();
        const ChartString runsNumber = ChartString().assignDouble(runs.fObservedRunNumber, 16);
        ReplaceAfter(text, "<range max=\"", 12, 3, rangeText);
        ReplaceAfter(text, "parameter=\"", 11, 2, meanText);
        ReplaceAfter(text, "secondaryParameter=\"", 20, 1, sdText);
        ReplaceAfter(text, "<lineGuide x=\"20", 14, 2, runsNumber.toUTF8());
        if (text.find("ObservedRunsText") != std::string::npos) {
            ChartString observed = lookUpText(d.dictionary, "Observed Number of Runs = ^1");
            observed.replaceSubstring(ChartString("^1"), runsNumber);
            replaceToken(text, "ObservedRunsText", escapeXml(observed.toUTF8()));
        }
        ReplaceAfter(text, "<lineGuide x=\"500", 14, 3, meanText);
        replaceToken(text, "TooFewRuns", escapeXml(lookUpText(d.dictionary, "Too few runs").toUTF8()));
        replaceToken(text, "TooManyRuns", escapeXml(lookUpText(d.dictionary, "Too many runs").toUTF8()));
        // A subtitle needs more room above the graph.
        if (!splitLabel.empty()) ReplaceAfter(text, "10%", 0, 2, "15");
    };
    return drawChart(steps, splitLabel, splitActive);
}
