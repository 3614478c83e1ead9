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
                                 const PairwiseInfo& pairwise, int testType,
                                 const std::vector<MessageInfo>& messages);

// The null hypothesis of a test as one cell text: the condition key as a
// translated pattern with its parameters as arguments.
std::unique_ptr<BpCellText> MakeNullHypothesis(const NOPROutputContext& context, const NOPRTest* test);

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
// The value named name in the statistic group named group; false when absent.
bool FindNamedValue(const NOPRTest& test, const std::string& group, const std::string& name,
                    double& value);
