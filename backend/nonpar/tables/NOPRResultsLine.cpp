// The results line of each test, composed from its statistics as the reader
// holds them, in APA's number style.
#include "NOPRResultsLine.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "FixedDecimals.h"
#include "NOPROutput.h"
#include "NOPRSupport.h"

namespace {

using NOPROutputStats::HTIHodgesLehmannEstimateGroups;
using NOPROutputStats::HTOEstimateConfidenceInterval;
using NOPROutputStats::HTOKolmogorovSmirnov;
using NOPROutputStats::HTRHodgesLehmannEstimatePairs;

constexpr const char* kResultsRole = "results";
constexpr const char* kMinus = "\xE2\x88\x92";  // U+2212, the minus sign of typeset numbers
constexpr const char* kChiSquare = "\xCF\x87\xC2\xB2";

// ---------------------------------------------------------------------------
// Numbers in APA's style

bool Known(double value) { return value != kNOPRMissing && std::isfinite(value); }

// value with decimals digits after the point; a negative value takes the
// minus sign, and a value that rounds to zero shows no sign.
std::string Fixed(double value, int decimals) {
    std::string text;
    char buffer[npar::kFixedDecimalsRoom];
    if (char* end = npar::WriteFixedDecimals(buffer, value, decimals)) {
        text.assign(buffer, end);
    } else {
        const int size = std::snprintf(nullptr, 0, "%.*f", decimals, value);
        if (size <= 0) return {};
        text.assign(static_cast<size_t>(size) + 1, '\0');
        std::snprintf(&text[0], text.size(), "%.*f", decimals, value);
        text.resize(static_cast<size_t>(size));
    }
    if (text[0] != '-') return text;
    if (text.find_first_not_of("-0.") == std::string::npos) return text.substr(1);
    return kMinus + text.substr(1);
}

// A value that cannot exceed 1 in size: no zero before the point.
std::string Bounded(double value, int decimals) {
    std::string text = Fixed(value, decimals);
    const size_t sign = text.rfind(kMinus, 0) == 0 ? std::string(kMinus).size() : 0;
    if (text.compare(sign, 2, "0.") == 0) text.erase(sign, 1);
    return text;
}

// A coefficient bounded by 1 standing alone: two decimals, more where two
// would show 0 or 1 without its being so.
std::string Coefficient(double value) { return Bounded(value, DecimalsOffBounds({value}, true, 2)); }

// A statistic that can exceed 1: two decimals with the leading zero.
std::string Statistic(double value) { return Fixed(value, 2); }

// A count, or a sum of ranks or pairs: whole numbers without decimals, halves
// and the like with as few decimals (at most two) as they need.
std::string Whole(double value) {
    if (value == std::floor(value)) return Fixed(value, 0);
    std::string text = Fixed(value, 2);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

// A confidence level as a percentage with up to three decimals, as the notes
// on an interval's level write it: "95%" for 0.95, "66.667%"; empty when the
// level is unknown.
std::string LevelPercent(double level) {
    if (!Known(level)) return {};
    std::string text = Fixed(std::round(level * 100000.0) / 1000.0, 3);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text + "%";
}

// "95% CI [.03, .79]" when both limits are known, else empty; decimals as
// the estimate beside it has them (DecimalsForSmallValues for the data's
// units, DecimalsOfMeasure for measures), 2 by default.
std::string IntervalText(double lower, double upper, double level, bool bounded, int decimals = 2) {
    if (!Known(lower) || !Known(upper)) return {};
    const std::string percent = LevelPercent(level);
    const auto number = [bounded, decimals](double value) {
        return bounded ? Bounded(value, decimals) : Fixed(value, decimals);
    };
    return (percent.empty() ? "" : percent + " ") + "CI [" + number(lower) + ", " + number(upper) + "]";
}

// ---------------------------------------------------------------------------
// What the statistics hold

double Value(const NOPRTest& test, const std::string& group, const std::string& name) {
    double value = kNOPRMissing;
    return FindNamedValue(test, group, name, value) ? value : kNOPRMissing;
}

double TotalN(const NOPRTest& test) { return Value(test, "", "TotalN"); }

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The significance the Hypothesis Test Summary shows: the last one the
// statistics hold, with what says how it was found.
// The significance the summary shows, and whether it is only a bound.
struct Significance : ShownSignificance {
    bool lowerBound = false;
};

bool IsLilliefors(const HTOKolmogorovSmirnov& test) {
    return test.fIsUseSample &&
           test.fCondition.fConditionKey == "NormalDistribution_O_KolmogorovSmirnov_3";
}

Significance FindSummarySignificance(const NOPRTest& test) {
    Significance found{FindShownSignificance(test), false};
    // A Kolmogorov-Smirnov significance may be only a bound (above the
    // Lilliefors table), and the Lilliefors one needs five cases.
    const auto* ks = dynamic_cast<const HTOKolmogorovSmirnov*>(&test);
    if (ks && !found.name.empty()) {
        found.lowerBound = ks->fSigLowerBound;
        if (IsLilliefors(*ks) && Known(TotalN(test)) && TotalN(test) < 5) found.value = kNOPRMissing;
    }
    return found;
}

// The catalogue key of the method that found a statistic, "" when the
// document does not say.
std::string MethodOf(const NOPRTest& test, const Significance& significance) {
    const std::string key =
        significance.group.empty() ? significance.name : significance.group + "/" + significance.name;
    for (const AttributeEntry& method : test.fMethods)
        if (method.fName == key) return method.fValue;
    return {};
}

// What sets the significance apart from a plain two-sided asymptotic one, as
// the words in parentheses after it.
std::vector<std::string> Qualifiers(const NOPRTest& test, const Significance& significance) {
    const std::string method = MethodOf(test, significance);
    std::vector<std::string> words;
    if (method == "MethodFisher" || significance.name == "FisherExactSig")
        words.push_back("Fisher's exact");
    else if (Contains(method, "Exact") || Contains(significance.name, "Exact"))
        words.push_back("exact");
    if (method == "MethodYates" || significance.group == "YatesContinuityCorrection")
        words.push_back("Yates's correction");
    // A document that does not state its methods still says, by its
    // condition, that the parameters came from the sample.
    const auto* ks = dynamic_cast<const HTOKolmogorovSmirnov*>(&test);
    if (method == "MethodLilliefors" || (method.empty() && ks && IsLilliefors(*ks)))
        words.push_back("Lilliefors");
    if (method == "MethodKolmogorovEstimated") words.push_back("parameters estimated, conservative");
    if (Contains(significance.name, "1Tailed")) words.push_back("one-sided");
    return words;
}

// "p = .063 (exact)", "p < .001", "p > .200 (Lilliefors)"; empty when unknown.
std::string PText(const NOPRTest& test, const Significance& significance) {
    if (!Known(significance.value)) return {};
    std::string text;
    if (significance.lowerBound)
        text = "p > " + Bounded(significance.value, 3);
    else if (significance.value < 0.001)
        text = "p < .001";
    else
        text = "p = " + Bounded(std::fmin(significance.value, 1.0), 3);
    const std::vector<std::string> words = Qualifiers(test, significance);
    for (size_t i = 0; i < words.size(); ++i) text += (i == 0 ? " (" : ", ") + words[i];
    return words.empty() ? text : text + ")";
}

// The effect size the statistics end in: a measure and its interval.
struct EffectSize {
    std::string measure;  // the engine's name: RankBiserialCorrelation, ...
    double estimate = kNOPRMissing;
    double lower = kNOPRMissing;
    double upper = kNOPRMissing;
};

EffectSize FindEffectSize(const NOPRTest& test) {
    EffectSize effect;
    for (const StatisticGroup& group : test.fStatistics) {
        if (group.fName != "EffectSize") continue;
        for (const NamedValue& named : group.fValues) {
            if (named.fName == "LowerLimit")
                effect.lower = named.fValue;
            else if (named.fName == "UpperLimit")
                effect.upper = named.fValue;
            else if (effect.measure.empty()) {
                effect.measure = named.fName;
                effect.estimate = named.fValue;
            }
        }
    }
    return effect;
}

// "r = .50, 95% CI [.03, .79]"; empty without an estimate.
std::string EffectText(const EffectSize& effect, double level) {
    const char* symbol = EffectLineSymbol(effect.measure);
    if (!Known(effect.estimate) || !symbol) return {};
    const bool bounded = IsBoundedMeasure(effect.measure);
    const int decimals = DecimalsOfMeasure({effect.estimate, effect.lower, effect.upper}, bounded, 2);
    std::string text = std::string(symbol) + " = " +
                       (bounded ? Bounded(effect.estimate, decimals) : Fixed(effect.estimate, decimals));
    const std::string interval = IntervalText(effect.lower, effect.upper, level, bounded, decimals);
    return interval.empty() ? text : text + ", " + interval;
}

// ---------------------------------------------------------------------------
// The line's parts

// A head and parts joined by ", ", the empty ones left out; a head ending in
// a blank takes the first part without a comma. Without a part there is no
// line.
class Line {
public:
    explicit Line(std::string head = {}) : fText(std::move(head)) {}
    Line& Add(const std::string& part) {
        if (part.empty()) return *this;
        if (!fText.empty()) fText += fText.back() == ' ' ? "" : ", ";
        fText += part;
        fHasPart = true;
        return *this;
    }
    std::string Text() const { return fHasPart ? fText : std::string(); }

private:
    std::string fText;
    bool fHasPart = false;
};

// "symbol = text" when the value is known.
std::string Equals(const std::string& symbol, double value, std::string (*format)(double)) {
    return Known(value) ? symbol + " = " + format(value) : std::string();
}

std::string NText(const NOPRTest& test) { return Equals("N", TotalN(test), Whole); }

std::string ZText(const NOPRTest& test, const std::string& group = {}) {
    return Equals("z", Value(test, group, "StandardizedTestStatistic"), Statistic);
}

// "H(3) = 20.75": a statistic with its degrees of freedom, and N inside the
// parentheses where APA puts it for chi-square tests of counts.
std::string WithDegrees(const std::string& symbol, const NOPRTest& test, const std::string& group,
                        bool withN) {
    const double statistic = Value(test, group, "TestStatistic");
    if (!Known(statistic)) return {};
    std::string text = symbol;
    const double df = Value(test, group, "DegreeOfFreedom");
    const std::string n = withN ? NText(test) : std::string();
    if (Known(df)) text += "(" + Whole(df) + (n.empty() ? "" : ", " + n) + ")";
    return text + " = " + Statistic(statistic);
}

// The statistics group whose test statistic goes with the significance: its
// own group, or the plain statistics where its group has none.
std::string StatisticGroupOf(const NOPRTest& test, const Significance& significance) {
    return Known(Value(test, significance.group, "TestStatistic")) ? significance.group : std::string();
}

// ---------------------------------------------------------------------------
// One composer per kind of test

std::string ChiSquareOfCounts(const NOPRTest& test, const std::string& name, double level) {
    const Significance significance = FindSummarySignificance(test);
    const std::string group = StatisticGroupOf(test, significance);
    return Line(name)
        .Add(WithDegrees(kChiSquare, test, group, true))
        .Add(PText(test, significance))
        .Add(EffectText(FindEffectSize(test), level))
        .Text();
}

// Tests of k samples on a chi-square scale: the statistic with its degrees
// of freedom, p, the effect size, N.
std::string ChiSquareScale(const NOPRTest& test, const std::string& symbol, double level) {
    const Significance significance = FindSummarySignificance(test);
    return Line()
        .Add(WithDegrees(symbol, test, "", false))
        .Add(PText(test, significance))
        .Add(EffectText(FindEffectSize(test), level))
        .Add(NText(test))
        .Text();
}

// Tests with a standardized statistic: the statistic, z, p, the effect size, N.
std::string Standardized(const NOPRTest& test, const std::string& lead, const std::string& symbol,
                         double level) {
    const Significance significance = FindSummarySignificance(test);
    const std::string group = StatisticGroupOf(test, significance);
    return Line(lead)
        .Add(Equals(symbol, Value(test, group, "TestStatistic"), Whole))
        .Add(ZText(test, group))
        .Add(PText(test, significance))
        .Add(EffectText(FindEffectSize(test), level))
        .Add(NText(test))
        .Text();
}

std::string KendallsW(const NOPRTest& test) {
    const Significance significance = FindSummarySignificance(test);
    double w = Value(test, "", "KendallsW");
    if (!Known(w)) w = FindEffectSize(test).estimate;
    return Line()
        .Add(Equals("Kendall's W", w, Coefficient))
        .Add(WithDegrees(kChiSquare, test, "", false))
        .Add(PText(test, significance))
        .Add(NText(test))
        .Text();
}

// The distribution a one-sample Kolmogorov-Smirnov test compares with, by
// the start of its condition key.
std::string DistributionName(const NOPRTest& test) {
    static const char* const kNames[][2] = {{"Normal", "normal"},
                                            {"Uniform", "uniform"},
                                            {"Poisson", "Poisson"},
                                            {"Exponential", "exponential"}};
    for (const auto& name : kNames)
        if (test.fCondition.fConditionKey.rfind(name[0], 0) == 0) return name[1];
    return {};
}

std::string OneSampleKolmogorovSmirnov(const NOPRTest& test) {
    const std::string distribution = DistributionName(test);
    const std::string lead = "Kolmogorov-Smirnov test" +
                             (distribution.empty() ? std::string() : " (" + distribution + ")") + ": ";
    return Line(lead)
        .Add(Equals("D", Value(test, "", "TestStatistic"), Coefficient))
        .Add(PText(test, FindSummarySignificance(test)))
        .Add(NText(test))
        .Text();
}

std::string TwoSampleKolmogorovSmirnov(const NOPRTest& test, double level) {
    return Line()
        .Add(Equals("Kolmogorov-Smirnov Z", Value(test, "", "TestStatistic"), Statistic))
        .Add(EffectText(FindEffectSize(test), level))
        .Add(PText(test, FindSummarySignificance(test)))
        .Add(NText(test))
        .Text();
}

std::string Binomial(const NOPRTest& test, double level) {
    const double count = Value(test, "", "TestStatistic");
    const double n = TotalN(test);
    const std::string ofN = Known(count) && Known(n) ? Whole(count) + " of " + Whole(n) : std::string();
    return Line("Binomial test: ")
        .Add(ofN)
        .Add(EffectText(FindEffectSize(test), level))
        .Add(ZText(test))
        .Add(PText(test, FindSummarySignificance(test)))
        .Text();
}

// With ties the number of runs is a range; the line names the bound whose
// significance the summary shows.
std::string WaldWolfowitz(const NOPRTest& test) {
    const Significance significance = FindSummarySignificance(test);
    const std::string group = StatisticGroupOf(test, significance);
    std::string runs = Equals("R", Value(test, group, "TestStatistic"), Whole);
    const double fewest = Value(test, "MinimumPossible", "TestStatistic");
    const double most = Value(test, "MaximumPossible", "TestStatistic");
    if (!runs.empty() && Known(fewest) && Known(most) && fewest != most)
        runs += group == "MaximumPossible" ? " (the most possible with ties)"
                                           : " (the fewest possible with ties)";
    return Line("Wald-Wolfowitz runs test: ")
        .Add(runs)
        .Add(ZText(test, group))
        .Add(PText(test, significance))
        .Add(NText(test))
        .Text();
}

std::string Moses(const NOPRTest& test) {
    const Significance significance = FindSummarySignificance(test);
    const std::string& group = significance.group;
    std::string span = Equals("span", Value(test, group, "TestStatistic"), Whole);
    const double trimmed = Value(test, group, "OutliersTrimmedFromEachEnd");
    if (!span.empty() && Known(trimmed) && trimmed > 0)
        span += " (" + Whole(trimmed) + " trimmed from each end)";
    return Line("Moses test of extreme reactions: ")
        .Add(span)
        .Add(PText(test, significance))
        .Add(NText(test))
        .Text();
}

// A test has a result to report when it has a significance or a test
// statistic; its N alone is none.
bool HasResult(const NOPRTest& test) {
    if (Known(FindSummarySignificance(test).value)) return true;
    for (const StatisticGroup& group : test.fStatistics) {
        if (Known(Value(test, group.fName, "TestStatistic"))) return true;
    }
    return false;
}

std::string ComposeResultsLine(const NOPRTest& test, double level) {
    switch (test.fTestType) {
        case TestType::OChiSquare:
            return ChiSquareOfCounts(test, "", level);
        case TestType::OBinomial:
            return Binomial(test, level);
        case TestType::ORuns:
            return Standardized(test, "Runs test: ", "R", level);
        case TestType::OWilcoxonSignedRanks:
            return Standardized(test, "One-sample Wilcoxon signed-rank test: ", "V", level);
        case TestType::OKolmogorovSmirnov:
            return OneSampleKolmogorovSmirnov(test);
        case TestType::RSign:
            return Standardized(test, "Sign test: ", "S", level);
        case TestType::RWilcoxonSignedRanks:
            return Standardized(test, "Wilcoxon signed-rank test: ", "V", level);
        case TestType::RCochransQ:
            return ChiSquareScale(test, "Cochran's Q", level);
        case TestType::RMcNemar:
            return ChiSquareOfCounts(test, "McNemar ", level);
        case TestType::RFriedmansTwoWayByRanks:
            return ChiSquareScale(test, std::string("Friedman ") + kChiSquare, level);
        case TestType::RKendallsCoefficient:
            return KendallsW(test);
        case TestType::RMarginalHomogeneity:
            return Standardized(test, "Marginal homogeneity test: ", "MH", level);
        case TestType::IMoses:
            return Moses(test);
        case TestType::IMannWhitneyU:
            return Standardized(test, "", "Mann-Whitney U", level);
        case TestType::IWaldWolfowitzRuns:
            return WaldWolfowitz(test);
        case TestType::IKolmogorovSmirnov:
            return TwoSampleKolmogorovSmirnov(test, level);
        case TestType::IKruskalWallis:
            return ChiSquareScale(test, "Kruskal-Wallis H", level);
        case TestType::IJonckheereTerpstra:
            return Standardized(test, "", "Jonckheere-Terpstra J", level);
        case TestType::IMedian:
            return ChiSquareOfCounts(test, "Median test ", level);
        default:
            return {};
    }
}

// ---------------------------------------------------------------------------
// Interval estimates

// The level an interval estimate reaches: the requested one, unless a note
// says that with so few cases none does (40105 gives the level of the widest
// interval; 40106, for the normal approximation, none: missing).
double ReachedLevel(const NOPRTest& record, double level) {
    for (const MessageInfo& message : record.fMessages) {
        if (message.fCode == 40106) return kNOPRMissing;
        if (message.fCode == 40105) {
            const bool given = !message.fParameters.empty() && !message.fParameters[0].fValues.empty();
            return given ? message.fParameters[0].fValues[0] / 100.0 : kNOPRMissing;
        }
    }
    return level;
}

// A difference of dates or times names its unit after the estimate.
// tableDecimals: the decimals the interval summary gives the estimate.
std::string HodgesLehmann(const ConfidenceInterval& estimate, const NOPRTest& record, double level,
                          const char* unit, int tableDecimals) {
    if (!Known(estimate.fEstimate)) return {};
    const double reached = ReachedLevel(record, level);
    // The estimate is in the data's units, however small they are, but has
    // no more decimals than the table gives data written with many (an
    // estimate of -0.0005 from data of three decimals is not -0.000500).
    std::vector<double> values;
    for (double value : {estimate.fEstimate, estimate.fLower, estimate.fUpper})
        if (Known(value)) values.push_back(value);
    int decimals = DecimalsForSmallValues(values, 2);
    if (tableDecimals > 3) decimals = std::min(decimals, tableDecimals);
    return Line("Hodges-Lehmann estimate ")
        .Add(Fixed(estimate.fEstimate, decimals) + (unit ? std::string(" ") + unit : std::string()))
        .Add(Known(reached) ? IntervalText(estimate.fLower, estimate.fUpper, reached, false, decimals)
                            : "")
        .Add(NText(record))
        .Text();
}

// The success rate with each of its intervals, named by method.
std::string SuccessRate(const HTOEstimateConfidenceInterval& record, double level,
                        const BpProcedure& procedure) {
    if (record.fIntervals.empty() || !Known(record.fIntervals.front().fEstimate)) return {};
    // One number of decimals for the estimate and every limit, as many as
    // the estimate with each interval needs (the methods' limits may agree).
    const double estimate = record.fIntervals.front().fEstimate;
    int decimals = DecimalsOfMeasure({estimate}, true, 2);
    for (const ConfidenceInterval& interval : record.fIntervals)
        if (Known(interval.fLower) && Known(interval.fUpper))
            decimals = std::max(
                decimals, DecimalsOfMeasure({estimate, interval.fLower, interval.fUpper}, true, 2));
    Line line;
    line.Add("proportion = " + Bounded(estimate, decimals));
    bool first = true;
    for (const ConfidenceInterval& interval : record.fIntervals) {
        std::string text = IntervalText(interval.fLower, interval.fUpper, level, true, decimals);
        if (text.empty()) continue;
        // The level is said once, before the first interval.
        if (!first) text.erase(0, text.find('['));
        first = false;
        line.Add(text + " (" + procedure.Render(BpString(interval.fMethod, true)) + ")");
    }
    return line.Add(NText(record)).Text();
}

std::string ComposeIntervalLine(const NOPROutputContext& context, const NOPRTest& record) {
    const double level = context.fResults->fConfidenceLevel;
    if (const auto* rate = dynamic_cast<const HTOEstimateConfidenceInterval*>(&record))
        return SuccessRate(*rate, level, *context.fProcedure);
    const int tableDecimals =
        FieldUnitsFormat(context, record, context.fProcedure->Coefficient()).decimals;
    if (const auto* pairs = dynamic_cast<const HTRHodgesLehmannEstimatePairs*>(&record))
        return HodgesLehmann(pairs->fEstimate, record, level, SpanUnit(context, record), tableDecimals);
    if (const auto* groups = dynamic_cast<const HTIHodgesLehmannEstimateGroups*>(&record))
        return HodgesLehmann(groups->fEstimate, record, level, SpanUnit(context, record), tableDecimals);
    return {};
}

// "Median difference of A and B: " from the parameter text the summary shows.
std::string ParameterLead(const NOPROutputContext& context, const NOPRTest& record) {
    std::string parameter = context.fProcedure->Render(*MakeNullHypothesis(context, &record));
    while (!parameter.empty() && (parameter.back() == '.' || parameter.back() == ' '))
        parameter.pop_back();
    return parameter.empty() ? std::string() : parameter + ": ";
}

}  // namespace

void MakeResultsLine(const NOPROutputContext& context, BpHeading& heading, const NOPRTest& test) {
    if (!context.fResults || FindBlockingError(&test) || !HasResult(test)) return;
    const std::string line = ComposeResultsLine(test, context.fResults->fConfidenceLevel);
    if (!line.empty()) heading.Text(BpString(line, false), kResultsRole);
}

void MakeIntervalResultsLines(const NOPROutputContext& context) {
    if (!context.fResults || !context.fProcedure || !context.fParent) return;
    for (const auto& record : context.fResults->fConfidenceIntervals) {
        if (!record) continue;
        const std::string line = ComposeIntervalLine(context, *record);
        if (!line.empty())
            context.fParent->Text(BpString(ParameterLead(context, *record) + line, false), kResultsRole);
    }
}
