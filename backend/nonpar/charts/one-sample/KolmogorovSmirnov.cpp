// The one-sample Kolmogorov-Smirnov chart: histogram, fitted distribution line
// and the distribution's parameters.
#include "KolmogorovSmirnov.h"

#include <cmath>

#include "FacSTDictionary.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "NOPRValueText.h"
#include "QUOR_DataSource.h"
#include "XDocument.h"

namespace {

const char* const kNormalKey = "NormalDistribution_O_KolmogorovSmirnov_3";
const char* const kUniformKey = "UniformDistribution_O_KolmogorovSmirnov_3";
const char* const kPoissonKey = "PoissonDistribution_O_KolmogorovSmirnov_2";
const char* const kExponentialKey = "ExponentialDistribution_O_KolmogorovSmirnov_2";

std::string TitleKey(const NOPROutputStats::BaseHypothesisTest* record) {
    const std::string key = record ? record->fCondition.fConditionKey : std::string();
    if (key == kUniformKey) return "One-Sample Kolmogorov-Smirnov Uniform Test";
    if (key == kNormalKey) return "One-Sample Kolmogorov-Smirnov Normal Test";
    if (key == kPoissonKey) return "One-Sample Kolmogorov-Smirnov Poisson Test";
    if (key == kExponentialKey) return "One-Sample Kolmogorov-Smirnov Exponential Test";
    return "One-Sample Kolmogorov-Smirnov Test";
}

// Condition entry 0 is the test field, entries 1 and 2 the distribution's
// parameters; each is the first value of its entry.
bool Parameter(const ConditionInfo& condition, size_t entry, double& value) {
    if (entry >= condition.fParameters.size() || condition.fParameters[entry].fValues.empty())
        return false;
    value = condition.fParameters[entry].fValues.front();
    return true;
}

std::string Plain(double value) { return formatValue(value, static_cast<const QUOR_Format*>(nullptr)); }

}  // namespace

struct KolmogorovSmirnov::Data {
    const NOPROutputStats::BaseHypothesisTest* record = nullptr;
};

KolmogorovSmirnov::KolmogorovSmirnov(const FacSTDictionary* dictionary,
                                     const NOPRSplitResults* container,
                                     const NOPROutputStats::BaseHypothesisTest* record)
    : NOPRHistogramChart(dictionary, container), fData(std::make_unique<Data>()) {
    fData->record = record;
    setTitle(lookUpText(dictionary, TitleKey(record)));
}

KolmogorovSmirnov::~KolmogorovSmirnov() = default;

const ValueTable* KolmogorovSmirnov::histogramTable() {
    const ValueTable* table = NOPRHistogramChart::histogramTable();
    return table && table->fName == "Interval" ? table : nullptr;
}

void KolmogorovSmirnov::editTemplate(std::string& text) {
    addFittedLine(text);

    const FieldInfo* info = field();
    const QUOR_Variable* variable = info ? info->fVariable : nullptr;
    replaceToken(text, "xAxisLabel",
                 escapeXml(variable ? variable->GetPreferredLabel() : std::string()));
    replaceToken(text, "yAxisLabel", escapeXml(lookUpText(dictionary(), "Frequency").toUTF8()));

    addParameterLabel(text);
}

// The hypothesized distribution as a line over the bars, before the end of
// the graph.
void KolmogorovSmirnov::addFittedLine(std::string& text) const {
    const NOPROutputStats::BaseHypothesisTest* record = fData->record;
    if (!record || text.find("</graph>") == std::string::npos) return;
    const ConditionInfo& condition = record->fCondition;
    const std::string& key = condition.fConditionKey;

    double p1 = 0.0;
    double p2 = 0.0;
    Parameter(condition, 1, p1);
    bool secondary = false;
    std::string distribution;
    if (key == kNormalKey || key == kUniformKey) {
        if (condition.fParameters.size() < 3) return;
        distribution = key == kNormalKey ? "normal" : "uniform";
        secondary = true;
        Parameter(condition, 2, p2);
    } else if (key == kPoissonKey) {
        distribution = "poisson";
    } else if (key == kExponentialKey) {
        // The document gives the mean; the line takes the rate.
        distribution = "exponential";
        p1 = 1.0 / p1;
    } else {
        return;
    }

    std::string s1 = Plain(p1);
    std::string s2 = Plain(p2);
    const FieldInfo* info = field();
    const int type = info && info->fVariable ? info->fVariable->GetFormat().GetType() : QUOR_Format::F;
    if (IsOnDateScale(type)) {
        // A date parameter as a date, a spread as a duration, where the bars
        // stand on the date scale; a time of day keeps its seconds, as its
        // bars do.
        s1 = formatter::formattedDate(NumericFormatCFToStat(p1, type)).toUTF8();
        const double days = SpreadInDays(p2, type);
        const DayTimeParts parts = SplitDayTime(days);
        s2 = "P" + Plain(std::trunc(days)) + "DT" + parts.hours + "H" + parts.minutes + "M" +
             parts.seconds + "S";
    }

    std::string fragment = "<line><distributionStatistic distribution=\"" + distribution +
                           "\" parameter=\"" + escapeXml(s1) + "\" ";
    if (secondary) fragment += "secondaryParameter=\"" + escapeXml(s2) + "\"";
    fragment += "/><x variable=\"value\"/><y variable=\"count\"/></line>";
    insertBefore(text, "</graph>", fragment);
}

// The distribution's parameters as lines of text beside the graph.
void KolmogorovSmirnov::addParameterLabel(std::string& text) const {
    const NOPROutputStats::BaseHypothesisTest* record = fData->record;
    if (!record || text.find("labelText") == std::string::npos) return;
    const ConditionInfo& condition = record->fCondition;
    const std::string& key = condition.fConditionKey;

    const QUOR_Format format = workingFormat();
    QUOR_Format meanFormat = format;
    meanFormat.SetDecimals(format.GetDecimals() + 1);
    QUOR_Format spreadFormat = format;
    spreadFormat.SetDecimals(format.GetDecimals() + 2);

    double p1 = 0.0;
    double p2 = 0.0;
    const bool hasFirst = Parameter(condition, 1, p1);
    const bool hasSecond = Parameter(condition, 2, p2);
    const std::string first = hasFirst ? formatValue(p1, &format) : std::string();
    const std::string second = hasSecond ? formatValue(p2, &format) : std::string();
    const std::string mean = hasFirst ? formatValue(p1, &meanFormat) : std::string();

    auto word = [this](const char* name) { return escapeXml(lookUpText(dictionary(), name).toUTF8()); };
    const std::string br = "&#10;";
    std::string label;
    if (key == kNormalKey) {
        std::string spread;
        if (hasSecond)
            spread = IsOnDateScale(format.GetType()) ? DayTimeText(SpreadInDays(p2, format.GetType()))
                                                     : formatValue(p2, &spreadFormat);
        label = word("Normal Parameters") + br + word("Mean") + " " + escapeXml(mean) + br +
                word("Std. Deviation") + " " + escapeXml(spread);
    } else if (key == kUniformKey) {
        label = word("Uniform Parameters") + br + word("Minimum") + " " + escapeXml(first) + br +
                word("Maximum") + " " + escapeXml(second);
    } else if (key == kPoissonKey) {
        label = word("Poisson Parameter") + br + word("Mean") + " " + escapeXml(mean);
    } else if (key == kExponentialKey) {
        // The mean itself, not the rate the line takes.
        label = word("Exponential Parameter") + br + word("Mean") + " " + escapeXml(mean);
    }
    replaceToken(text, "labelText", label);
}

void KolmogorovSmirnov::editDocument(XDocument& document) {
    const FieldInfo* info = field();
    if (!info || !info->fVariable) return;
    XVariable value = document.getExternalGraph().getVariable("value", 0);
    value.setQUORVariable(info->fVariable);
    value.setFormatBasedOnQUORVariable(info->fVariable);
}
