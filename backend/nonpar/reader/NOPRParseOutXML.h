// The reader of one split's result document: checks that the document is a
// nonparametric-tests result and reads its counts, data dictionary, tests and
// field information into the split's NOPRSplitResults.
#pragma once

#include <cstddef>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "NOPRSplitResults.h"
#include "NOPRXMLGeneral.h"

class SDOMXMLWrapper;
struct SDOMXMLRange;
class QUOR_DataSource;

class NOPRParseOutXML {
public:
    NOPRParseOutXML(const QUOR_DataSource* dataSource, NOPRSplitResults* results,
                    const std::string* document);
    ~NOPRParseOutXML();
    NOPRParseOutXML(const NOPRParseOutXML&) = delete;
    NOPRParseOutXML& operator=(const NOPRParseOutXML&) = delete;

    // Reads the whole document into the container; the first step that fails
    // stops the read and, where the reader can tell, reports why to the host
    // (CFReportReadFailure). A second call after a successful read gives true
    // at once.
    bool Parse();

    // Reports an element or attribute name the reader does not know, as an
    // error item "Not parse element: <name>" of the output. Never fails a read.
    void ReportNotParsed(std::string_view name);

    // A SimpleTable's text as numbers; "__MISSING__" is the system-missing value.
    bool ConvertSimpleTable(const SimpleTableText& text, ValueTable& table) const;
    bool ParseNumberList(std::string_view text, std::vector<double>& values) const;
    bool ParseIntegerList(std::string_view text, std::vector<int>& values) const;

private:
    // The frame of the document.
    bool CheckRoot(SDOMXMLWrapper* root);
    bool ReadCounts(SDOMXMLWrapper* root);
    bool ReadDataDictionary(SDOMXMLWrapper* root);
    void ReadDataField(SDOMXMLWrapper* dataField, int curIndex, CFMetaData& metaData);
    void MakeFieldInfos();
    bool ReadTests(SDOMXMLWrapper* root);
    bool ReadTestsApart(SDOMXMLWrapper* root, const std::vector<SDOMXMLRange>& ranges);
    // The count tests at ranges, the document's tests first .. first+count-1,
    // each loaded, read and dropped.
    bool ReadTestRange(const SDOMXMLRange* ranges, size_t count, size_t first);
    // Tests read on several threads come in batches, each read by a reader of
    // its own into records of its own; what reading them does besides (error
    // items, checks, marks on the field records) is kept with them and done
    // when the batch is taken, in the document's order, by this reader.
    struct KeptEffects {
        std::vector<std::string> notParsed;    // names for ReportNotParsed
        std::vector<int> ordinalAsContinuous;  // field records to mark
    };
    // A part read by a reader of its own: its effects, its failed checks, and
    // whether it read, or why it stopped.
    struct KeptRead;
    // Runs read(reader) on a reader of its own into results, keeping in kept
    // what the reading does besides; runs on any thread.
    template <typename Read>
    void ReadKeeping(NOPRSplitResults* results, KeptRead& kept, Read read) const;
    // Does what a part's reader kept, in order; false, with its cause, when
    // it stopped.
    bool TakeKept(const KeptRead& kept);
    struct TestBatch;
    std::unique_ptr<TestBatch> ReadBatch(const SDOMXMLRange* ranges, size_t count, size_t first) const;
    bool TakeBatch(TestBatch& batch);
    // Batches read on a worker thread while the host still searches the text
    // for the tests.
    class ReadAhead;
    const CFFoundChildren* KnownTests() const;
    // Marks the field record at index (if any) as an ordinal field treated as continuous.
    void MarkOrdinalAsContinuous(int index);
    // The field information is read apart from the field records it goes
    // to, so that it can be read while worker threads read the tests, and
    // given to the records after them, in the document's order.
    struct FieldInfoRead;
    struct FieldInfosRead;
    bool ReadFieldInfos(SDOMXMLWrapper* root);
    std::unique_ptr<FieldInfosRead> ReadFieldInfosApart(SDOMXMLWrapper* root) const;
    bool ReadFieldInfoList(SDOMXMLWrapper* root, std::vector<FieldInfoRead>& reads);
    bool ReadFieldInfo(SDOMXMLWrapper* fieldInfo, size_t position, std::vector<FieldInfoRead>& reads);
    bool TakeFieldInfos(FieldInfosRead& read);

    // Why the read stopped: Fail gives false and keeps the first cause;
    // FailIn puts the place of the step in front of the cause of a step
    // inside it. A step without a cause (a table whose numbers cannot be
    // taken) fails without one.
    bool Fail(const std::string& cause);
    bool FailIn(const std::string& place);

    // One test.
    bool ReadAlgorithm(SDOMXMLWrapper* algorithm, size_t position);
    bool ReadTestTable(SDOMXMLWrapper* structEle, NOPROutputStats::BaseHypothesisTest* hTest);
    void FinishTest(NOPROutputStats::BaseHypothesisTest* hTest);

    // Tables common to every test.
    bool ReadCondition(SDOMXMLWrapper* conditionEle, ConditionInfo& condition);
    bool ReadMessages(SDOMXMLWrapper* messageEle, std::vector<MessageInfo>& messages);
    bool ReadStatistics(SDOMXMLWrapper* statsResultEle, std::vector<StatisticGroup>& statistics);
    bool ReadValueList(SDOMXMLWrapper* varNotEle, std::vector<std::string>& values);
    // The samples' descriptive statistics: one group per nested table.
    bool ReadDescriptives(SDOMXMLWrapper* element, std::vector<StatisticGroup>& samples);
    // How each significance was found: the table's attributes as they stand.
    bool ReadMethods(SDOMXMLWrapper* element, std::vector<AttributeEntry>& methods);

    // Test-specific tables.
    bool ReadTwoClassTable(SDOMXMLWrapper* element, ValueTable& table);
    bool ReadRunsParameters(SDOMXMLWrapper* element, NOPROutputStats::HTORuns& record);
    bool ReadContinuousDistribution(SDOMXMLWrapper* element, ContinuousDistribution& target);
    bool ReadDifferenceCounts(SDOMXMLWrapper* element, DifferenceCounts& target);
    bool ReadConfidenceInterval(SDOMXMLWrapper* element, std::vector<ConfidenceInterval>& intervals);
    bool ReadCategoryComparison(SDOMXMLWrapper* element, CategoryComparison& target);
    bool ReadGroup(SDOMXMLWrapper* element, std::vector<GroupInfo>& groups, bool withSize);
    bool ReadBoxPlot(SDOMXMLWrapper* element, BoxPlotInfo& target);
    bool ReadBoxGroup(const StructuredTable& table, BoxGroup& group);
    bool ReadPairwise(SDOMXMLWrapper* element, PairwiseInfo& target);

    // Shared steps of the table readers. ReadTable and ReadSimple read a
    // generic table and keep the cause when they fail.
    bool ReadTable(SDOMXMLWrapper* element, StructuredTable& table);
    bool ReadSimple(SDOMXMLWrapper* element, SimpleTableText& table);
    bool ReadNamedTable(SDOMXMLWrapper* element, const char* expected, StructuredTable& table,
                        bool& known);
    bool ConvertSingleSimpleTable(const StructuredTable& table, ValueTable& target);
    bool ReadIndexedValues(const AttributeText& attribute, std::vector<IndexedValues>& list) const;

    bool fParsed = false;
    std::string fCause;
    double fMissingValue = kNOPRMissing;
    const QUOR_DataSource* fDataSource;
    NOPRSplitResults* fResults;
    const std::string* fDocument;
    // Where each test lies in the document when the frame was loaded without
    // them; null when the document was loaded whole.
    const std::vector<SDOMXMLRange>* fTestRanges = nullptr;
    // The batches of them read during the search; null when none were.
    ReadAhead* fReadAhead = nullptr;
    // The field information read while the tests were, when it was.
    std::unique_ptr<FieldInfosRead> fFieldInfosRead;
    bool fIsUseSample = false;
    bool fSigLowerBound = false;
    // Where a batch's reader keeps its effects; null: they are done at once.
    KeptEffects* fKept = nullptr;

    // Scratch memory of the generic tables of one test or one field's
    // information: released, and used again from its start, before the next.
    static constexpr size_t kTableMemorySize = 64 * 1024;
    std::unique_ptr<std::byte[]> fTableBuffer{new std::byte[kTableMemorySize]};
    std::pmr::monotonic_buffer_resource fTableMemory{fTableBuffer.get(), kTableMemorySize};
};
