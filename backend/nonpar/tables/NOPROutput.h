// The output driver and every pivot table of a split, with the helpers that
// compose field, value and message texts. The driver turns a split's records
// into output in a fixed order: the two summary tables, then per test a
// heading with its statistics table, chart and multiple comparisons, then the
// field-information charts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "NOPRSplitResults.h"

class BpCategory;
class BpCellText;
class BpComposite;
class BpHeading;
class BpPivotTable;
class BpProcedure;
class BpAnnotation;
struct BpFormatSpec;
class FacSTDictionary;
class QUOR_DataSource;
class QUOR_Variable;

// What the driver and every table receive. Owns nothing.
struct NOPROutputContext {
    double fMissingValue = kNOPRMissing;
    BpProcedure* fProcedure = nullptr;
    BpHeading* fParent = nullptr;  // the split heading, or the procedure itself
    const QUOR_DataSource* fDataSource = nullptr;
    const NOPRSplitResults* fResults = nullptr;
};

using NOPRTest = NOPROutputStats::BaseHypothesisTest;

// ---------------------------------------------------------------------------
// The driver
// ---------------------------------------------------------------------------

// Makes all output of one split.
void RunOutput(const NOPROutputContext& context);
// The pairwise table or the homogeneous-subsets table of a k-sample test.
void MakeMultipleComparisons(const NOPROutputContext& context, BpHeading& heading, const NOPRTest* test,
                             FacSTDictionary* dictionary);

// ---------------------------------------------------------------------------
// Tables
// ---------------------------------------------------------------------------

void MakeHypothesisTestSummary(const NOPROutputContext& context);
void MakeConfidenceIntervalSummary(const NOPROutputContext& context);
// The test's title: its type's title, refined by the condition key for the
// one-sample Kolmogorov-Smirnov test.
std::string MakeTestTitle(const NOPRTest& test);
void MakeTestStatisticsTable(const NOPROutputContext& context, BpHeading& heading, const NOPRTest* test);
void MakePairwiseComparisonsTable(const NOPROutputContext& context, BpHeading& heading,
                                  const PairwiseInfo& pairwise, int testType,
                                  const std::vector<MessageInfo>& messages, FacSTDictionary* dictionary);
void MakeHomogeneousSubsetsTable(const NOPROutputContext& context, BpHeading& heading,
                                 const NOPRTest& test, const PairwiseInfo& pairwise);

// The null hypothesis of a test as one cell text: the condition key as a
// translated pattern with its parameters as arguments.
std::unique_ptr<BpCellText> MakeNullHypothesis(const NOPROutputContext& context, const NOPRTest* test);
// The two categories a binomial test compares, as its null hypothesis names
// them (which is 0 or 1): "Gender = Female", "<= 01-JUL-2023". Null for a
// condition it does not know.
std::unique_ptr<BpCellText> MakeBinomialCategoryText(const NOPROutputContext& context,
                                                     const NOPRTest& test, int which);

// The descriptive statistics of a test's samples (N, median, quartiles, mean
// rank), or for a categorical test its table of counts; nothing when the
// document gives neither.
void MakeDescriptivesTable(const NOPROutputContext& context, BpHeading& heading, const NOPRTest& test);

// ---------------------------------------------------------------------------
// Effect sizes, methods and directions
// ---------------------------------------------------------------------------

// The name of the statistic group that holds a test's effect size.
constexpr const char* kEffectSizeGroup = "EffectSize";
// The effect size as one text, its symbol, value and interval as papers write
// them ("r = .50 [.03, .79]", "OR = 1.74 [1.33, 2.30]"); null when the test
// has none.
std::unique_ptr<BpCellText> MakeEffectSizeText(const BpProcedure& procedure, const NOPRTest& test);
// The key to the summary's effect sizes, for its caption: what each symbol
// shown stands for ("r = Rank-Biserial Correlation") and the level of the
// intervals in brackets; null when there is nothing to say.
std::unique_ptr<BpCellText> MakeEffectSizeKey(const NOPROutputContext& context);
// The catalogue key of the method that found the statistic name of group
// (empty: the unnamed group); empty when the document does not say.
std::string FindMethod(const NOPRTest& test, const std::string& group, const std::string& name);
// Significances of one-sided tests carry "1Tailed" in their names.
bool IsOneSided(const std::string& significanceName);
// The significance the Hypothesis Test Summary shows: the last statistic whose
// name contains "Sig", searching the groups and their values from the last to
// the first; name and group stay empty when there is none.
struct ShownSignificance {
    double value = kNOPRMissing;
    std::string name;
    std::string group;  // the name of its statistic group
};
ShownSignificance FindShownSignificance(const NOPRTest& test);
// The catalogue key a statistic's row is labelled with: the name itself,
// except where one name means different statistics (the Kolmogorov-Smirnov
// tests' statistic is D for one sample and Z for two).
std::string StatisticLabelKey(const NOPRTest& test, const std::string& name);
// The caption of a statistics table that states the direction of the test's
// differences, or its control group, by name; null when there is none.
std::unique_ptr<BpCellText> MakeDirectionCaption(const NOPROutputContext& context, const NOPRTest& test);
// A note that names whose statistic a row shows (the Mann-Whitney U) or which
// group is subtracted from which: it goes on the row of the statistic and
// says by name what the message code says in general words, so the table
// leaves that message out.
struct NamedNote {
    std::string statistic;
    int code = 0;
    std::unique_ptr<BpCellText> text;
};
std::vector<NamedNote> MakeNamedNotes(const NOPROutputContext& context, const NOPRTest& test);
// A message whose words the method the document states for the test
// repeats, such as that parameters were estimated from the sample.
bool IsSaidByMethod(const NOPRTest& test, int code);
// Effect-size measures bounded by 1 in size are written without the leading
// zero; the others (the odds ratio) keep it. An unknown measure is taken as
// bounded, as the table's other statistics are written.
bool IsBoundedMeasure(const std::string& name);
// How a results line names an effect-size measure ("r", "proportion"); null
// for a measure the report does not know, which the line leaves out.
const char* EffectLineSymbol(const std::string& measure);
// Whether a statistic of the test's table is the effect-size measure itself:
// the same name, or the statistic the measure's symbol stands for (D is the
// "Most Extreme Differences (Absolute)").
bool IsStatisticOfMeasure(const std::string& statistic, const std::string& measure);
// The median difference a Hodges-Lehmann estimate of two groups stands for,
// the groups named ("Median difference of Score, Coaching − Control."); null
// when the groups are not known.
std::unique_ptr<BpCellText> MakeGroupDifferenceText(const NOPROutputContext& context,
                                                    const NOPRTest& test);

// ---------------------------------------------------------------------------
// Labelling helpers
// ---------------------------------------------------------------------------

// The split-file dimensions of a table, when the split shows as dimensions.
void AddSplitDimensions(const NOPROutputContext& context, BpPivotTable& table);
// Field variables by index; stops with "Unknown Variable" at the first index
// that names no field.
void AddFieldList(const NOPROutputContext& context, BpComposite& composite,
                  const std::vector<double>& fieldIndices, bool asList);
// Numbers, as data values of a numeric variable or as significances.
void AddValueList(const NOPROutputContext& context, BpComposite& composite,
                  const std::vector<double>& values, const QUOR_Variable* variable, bool asList);
// Category values of a field by their positions; positions beyond the field's
// values take the next of texts.
void AddCategoryValueList(const NOPROutputContext& context, BpComposite& composite, int fieldIndex,
                          const std::vector<double>& categories, const std::vector<std::string>* texts,
                          bool asList);

// Located messages name one cell of a comparison table by their group.
bool IsLocatedMessage(const MessageInfo& message);
// The message that an effect size lies above its interval (Cohen's w or
// Cramer's V of a chi-square below its degrees of freedom): a note on the
// measure wherever it is shown with its interval.
constexpr int kEstimateAboveIntervalMessage = 40107;
// The first error that is not located; null when there is none.
const MessageInfo* FindBlockingError(const NOPRTest* test);
// A footnote holding the message number (a catalogue key), with the message's
// parameters as arguments.
BpAnnotation MakeMessageNote(const BpProcedure& procedure, const MessageInfo& message);
// A footnote of a message number with these numbers as arguments. A number
// the catalogue has no text for reads "Message N" with its numbers after it.
BpAnnotation MessageNote(const BpProcedure& procedure, int code, const std::vector<double>& numbers);
void AddMessageCellNotes(const BpProcedure& procedure, BpCategory& category,
                         const std::vector<MessageInfo>& messages);
// The located messages of one cell, each as its number alone.
void AddLocatedMessageNotes(const BpProcedure& procedure, BpCategory& category,
                            const std::vector<MessageInfo>& messages, int a, int b);
// The test's field indices: the test field first, then the second or grouping
// field, or every related field.
std::vector<int> GetTestFieldIndices(const NOPRTest* test);
// The sub-heading text naming the test's fields, or null.
std::unique_ptr<BpCellText> MakeFieldHeadingText(const NOPROutputContext& context, const NOPRTest* test);

// The field record at index when it is one, with its variable; null otherwise.
const FieldInfo* FindField(const NOPROutputContext& context, int index);
// The format of a value in the units of the test's measured fields (a median,
// a median difference): one decimal more than the fields have, as a middle
// value's average may need, when that is more than three, so that data
// measured in millionths do not show as 0.000; otherwise the given format.
BpFormatSpec FieldUnitsFormat(const NOPROutputContext& context, const NOPRTest& test,
                              const BpFormatSpec& otherwise);
// The unit of a difference of the test's measured fields when they are dates
// or times ("days", "seconds"), for the number alone does not say it; null
// for other fields, or fields whose units differ.
const char* SpanUnit(const NOPROutputContext& context, const NOPRTest& test);
// The format a caption states the significance level in: `usual` (the
// summary's Significance, the comparisons' Proportion) when its decimals
// show the level exactly, else as many decimals as it needs, up to six, so
// that a level of .025 does not read 0.03 nor one of .0005 "<.001".
BpFormatSpec LevelFormat(double level, const BpFormatSpec& usual);
// The field's variable, or null.
std::unique_ptr<BpCellText> MakeFieldText(const NOPROutputContext& context, int fieldIndex);
// The value at a category position of a field, or null when the position
// names none of its values.
std::unique_ptr<BpCellText> MakeCategoryText(const NOPROutputContext& context, int fieldIndex,
                                             int position);
// The label of an interval's columns or rows: the confidence level in percent.
BpComposite MakeIntervalLabel(const NOPROutputContext& context);
// The value named name in a statistic group (a sample's descriptives, the
// effect size); the missing value when the group has none.
double GroupValue(const StatisticGroup& group, const std::string& name);
bool HasGroupValue(const StatisticGroup& group, const std::string& name);
// The value named name in the statistic group named group; false when absent.
bool FindNamedValue(const NOPRTest& test, const std::string& group, const std::string& name,
                    double& value);
