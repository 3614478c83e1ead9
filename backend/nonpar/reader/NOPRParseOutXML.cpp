// The result-document reader: the frame of the document, one Algorithm per
// test, the tables common to every test and the test-specific tables.
#include "NOPRParseOutXML.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "BpOutput.h"
#include "CFMetaData.h"
#include "NOPRSupport.h"
#include "NOPRXMLGeneral.h"
#include "QUOR_DataSource.h"
#include "SDOMXMLWrapper.h"
#include "WorkAhead.h"

using namespace NOPROutputStats;

namespace {

constexpr const char* kUnit = "backend/nonpar/NOPRParseOutXML";
constexpr const char* kMissingToken = "__MISSING__";
constexpr const char* kTestsPath = "Extension/NPAROutput/NonParametricTests";
// Tests read on several threads come in batches of this many: enough that a
// batch's reader costs little beside its tests, few enough that a document
// of a few dozen tests is shared.
constexpr size_t kTestsPerBatch = 16;

// A number of the document: the missing-value token reads as missing, in a
// number list and in a statistic alike, not as the 0 that a failed
// conversion gives (an effect size the producer could not compute would
// show as 0).
double NumberOrMissing(std::string_view token, double missing) {
    return token == kMissingToken ? missing : String2Double(token);
}

int FieldTypeFromText(std::string_view optype) {
    if (optype == "continuous") return 0;
    if (optype == "categorical") return 1;
    if (optype == "ordinal") return 2;
    return 6;
}

int StorageTypeFromText(std::string_view dataType) {
    if (dataType == "integer") return 1;
    if (dataType == "double" || dataType == "float") return 2;
    if (dataType == "string") return 3;
    if (dataType == "date") return 4;
    return 0;
}

constexpr int kRoleType = 7;

bool Contains(std::string_view text, const char* part) {
    return text.find(part) != std::string_view::npos;
}

bool IsPairwiseTable(std::string_view name) {
    return name == "PairwiseResult" || name == "StepwiseResult";
}

bool IsIntervalMethodTable(std::string_view name) {
    return name == "ClopperPearson" || name == "Jeffreys" || name == "ProfileLikelihood";
}

// The record as its test type's class; null for a record of another class.
template <class Record>
Record* As(BaseHypothesisTest* test) {
    return dynamic_cast<Record*>(test);
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    return quoted.append(1, '"').append(text).append(1, '"');
}

// The first element at path below from, pointed to by handle; null when
// there is none.
SDOMXMLWrapper* FirstElement(SDOMXMLWrapper* from, const char* path, SDOMXMLWrapper& handle) {
    return from->GetFirstElement(path, handle) ? &handle : nullptr;
}

// The attribute's value as a view into the document; empty when it is absent.
std::string_view AttributeView(SDOMXMLWrapper* element, const char* name) {
    std::string_view value;
    element->GetAttributeView(name, value);
    return value;
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Calls each(token) for every blank-separated token of text, as SplitToToken
// splits it, without copying the tokens; gives the number of tokens.
template <class Each>
size_t ForEachToken(std::string_view text, Each each) {
    size_t count = 0;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSeparator(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && !IsSeparator(text[i])) ++i;
        if (i > start) {
            each(text.substr(start, i - start));
            ++count;
        }
    }
    return count;
}

size_t CountTokens(std::string_view text) {
    return ForEachToken(text, [](std::string_view) {});
}

}  // namespace

NOPRParseOutXML::NOPRParseOutXML(const QUOR_DataSource* dataSource, NOPRSplitResults* results,
                                 const std::string* document)
    : fDataSource(dataSource), fResults(results), fDocument(document) {}

struct NOPRParseOutXML::KeptRead {
    KeptEffects effects;
    std::vector<NOPRCheck> checks;
    bool read = false;
    std::string cause;  // why the read stopped, when it did
};

struct NOPRParseOutXML::TestBatch : KeptRead {
    NOPRSplitResults records;
    std::exception_ptr failure;  // what the read threw (read ahead only), thrown when taken
};

template <typename Read>
void NOPRParseOutXML::ReadKeeping(NOPRSplitResults* results, KeptRead& kept, Read read) const {
    NOPRKeptChecks checks;
    NOPRParseOutXML reader(fDataSource, results, fDocument);
    reader.fMissingValue = fMissingValue;
    reader.fKept = &kept.effects;
    kept.read = read(reader);
    kept.cause = std::move(reader.fCause);
    kept.checks = checks.Take();
}

bool NOPRParseOutXML::TakeKept(const KeptRead& kept) {
    for (int index : kept.effects.ordinalAsContinuous) MarkOrdinalAsContinuous(index);
    for (const std::string& name : kept.effects.notParsed) ReportNotParsed(name);
    NOPRReportChecks(kept.checks);
    return kept.read || Fail(kept.cause);
}

// While the host searches the text for the tests, each batch of them found
// is read on a worker thread, as WorkAhead's workers read them later: the
// search runs on one thread and costs about a third of the read, which the
// other thread can begin meanwhile. The batches read are taken, in order,
// before the rest are read; the worker stops at the batch in hand when asked
// for them, or when the search fails and they are dropped.
class NOPRParseOutXML::ReadAhead {
public:
    explicit ReadAhead(const NOPRParseOutXML& reader) : fReader(reader) {
        npar::StartThreads(fWorker, 1, [this] { Work(); });
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead() { npar::StopThreads(fWorker, fMutex, fChanged, fStopping); }

    // The tests found so far: hands a batch on each time one is full.
    void Found(const std::vector<SDOMXMLRange>& ranges) {
        if (fWorker.empty() || ranges.size() % kTestsPerBatch != 0) return;
        Pending batch{{ranges.end() - kTestsPerBatch, ranges.end()}, ranges.size() - kTestsPerBatch};
        {
            std::lock_guard<std::mutex> lock(fMutex);
            fPending.push_back(std::move(batch));
        }
        fChanged.notify_one();
    }

    // Stops the worker once the batch in hand is read; the batches read, in
    // the order of the tests, with no batch missing before the last.
    std::vector<std::unique_ptr<TestBatch>> Stop() {
        npar::StopThreads(fWorker, fMutex, fChanged, fStopping);
        return std::move(fRead);
    }

private:
    struct Pending {
        std::vector<SDOMXMLRange> ranges;
        size_t first;  // the index of its first test
    };

    void Work() {
        std::unique_lock<std::mutex> lock(fMutex);
        for (;;) {
            fChanged.wait(lock, [this] { return fStopping || !fPending.empty(); });
            if (fStopping) return;
            const Pending next = std::move(fPending.front());
            fPending.pop_front();
            lock.unlock();
            std::unique_ptr<TestBatch> batch;
            try {
                batch = fReader.ReadBatch(next.ranges.data(), next.ranges.size(), next.first);
            } catch (...) {
                batch = std::make_unique<TestBatch>();
                batch->failure = std::current_exception();
            }
            lock.lock();
            fRead.push_back(std::move(batch));
        }
    }

    const NOPRParseOutXML& fReader;
    std::mutex fMutex;
    std::condition_variable fChanged;
    bool fStopping = false;
    std::deque<Pending> fPending;                   // handed on, not begun
    std::vector<std::unique_ptr<TestBatch>> fRead;  // read, in order
    std::vector<std::thread> fWorker;
};

// ---------------------------------------------------------------------------
// The frame
// ---------------------------------------------------------------------------

// A document that is no well-formed XML fails without a cause: the host,
// which parsed it, tells where the syntax breaks.
//
// The tests are most of a document. When the host can find them in the text
// and vouch that they load apart (SDOMXMLFindChildren), the rest of the
// document (the frame) is loaded without them, and each test is loaded, read
// and dropped in turn, so that only one test's DOM is held at a time; else
// the document is loaded whole. Both read the same elements in the same
// order, so records, causes and reports do not depend on the way taken.
// The search is the host's own when the split record keeps one for the
// document. Else, with a second thread, the tests found are read in batches
// while the search goes on (ReadAhead); what it read is dropped when the
// search fails.
bool NOPRParseOutXML::Parse() {
    if (fParsed) return true;
    if (!NOPR_CHECK(fDocument && fResults, kUnit)) return false;
    fCause.clear();
    SDOMXMLWrapper xml;
    std::vector<SDOMXMLRange> tests;
    if (fDocument->empty()) {
        Fail("the document is empty");
    } else {
        std::optional<ReadAhead> ahead;
        bool found = false;
        if (const CFFoundChildren* known = KnownTests()) {
            found = known->found;
            tests = known->ranges;
        } else {
            std::function<void(const std::vector<SDOMXMLRange>&)> onTest;
            if (npar::WorkThreads() >= 2) {
                ahead.emplace(*this);
                onTest = [&ahead](const std::vector<SDOMXMLRange>& ranges) { ahead->Found(ranges); };
            }
            found = SDOMXMLFindChildren(*fDocument, kTestsPath, "Algorithm", tests, onTest);
        }
        const bool apart = found && xml.LoadWithout(*fDocument, tests.front().begin, tests.back().end);
        if (!apart) ahead.reset();
        if (apart || xml.LoadFromString(*fDocument)) {
            fTestRanges = apart ? &tests : nullptr;
            fReadAhead = ahead ? &*ahead : nullptr;
            fFieldInfosRead.reset();
            fParsed = CheckRoot(&xml) && ReadCounts(&xml) && ReadDataDictionary(&xml) &&
                      ReadTests(&xml) && ReadFieldInfos(&xml);
            fTestRanges = nullptr;
            fReadAhead = nullptr;
            fFieldInfosRead.reset();
        }
    }
    if (!fParsed && !fCause.empty()) CFReportReadFailure(fCause);
    return fParsed;
}

// The host's search for the tests of this document, when the split record
// keeps one (the host made it before the split, for the data dictionary).
const CFFoundChildren* NOPRParseOutXML::KnownTests() const {
    const CFSplit* split = fResults ? fResults->fSplit : nullptr;
    if (!split || &split->DocumentText() != fDocument) return nullptr;
    return split->FoundChildren(kTestsPath, "Algorithm");
}

bool NOPRParseOutXML::Fail(const std::string& cause) {
    if (fCause.empty()) fCause = cause;
    return false;
}

bool NOPRParseOutXML::FailIn(const std::string& place) {
    if (!fCause.empty()) fCause = place + fCause;
    return false;
}

bool NOPRParseOutXML::CheckRoot(SDOMXMLWrapper* root) {
    if (root->GetName() != "StatXML")
        return Fail("the root element is " + Quoted(root->GetName()) + ", not \"StatXML\"");
    SDOMXMLWrapper modelHandle;
    SDOMXMLWrapper* model = FirstElement(root, "PMMLModel", modelHandle);
    if (!model) return Fail("there is no PMMLModel element");
    std::string type;
    if (!model->GetAttribute("modelType", type))
        return Fail("the PMMLModel has no modelType (\"NonParametricTests\" expected)");
    if (type != "NonParametricTests")
        return Fail("the PMMLModel's modelType is " + Quoted(type) + ", not \"NonParametricTests\"");
    return true;
}

bool NOPRParseOutXML::ReadCounts(SDOMXMLWrapper* root) {
    SDOMXMLWrapper countsHandle;
    SDOMXMLWrapper* counts =
        FirstElement(root, "DescriptiveModel/DescriptiveSummary/Counts", countsHandle);
    if (!counts) return Fail("there is no DescriptiveModel/DescriptiveSummary/Counts element");
    const struct {
        const char* name;
        int NOPRSplitResults::*member;
    } kCounts[] = {
        {"totalFreq", &NOPRSplitResults::fTotalFreq},
        {"totalCount", &NOPRSplitResults::fTotalCount},
        {"droppedCount", &NOPRSplitResults::fDroppedCount},
        {"badWeightCount", &NOPRSplitResults::fBadWeightCount},
        {"droppedFreq", &NOPRSplitResults::fDroppedFreq},
    };
    for (const auto& count : kCounts) {
        int value = 0;
        counts->GetAttribute(count.name, value);
        fResults->*count.member = value;
    }
    return true;
}

bool NOPRParseOutXML::ReadDataDictionary(SDOMXMLWrapper* root) {
    SDOMXMLWrapper dictionaryHandle;
    SDOMXMLWrapper* dictionary =
        FirstElement(root, "Extension/NPAROutput/DataDictionary", dictionaryHandle);
    if (!dictionary) return true;
    fResults->SetMetaData(std::make_unique<CFMetaData>(nullptr));
    SDOMXMLIterator fields;
    if (!dictionary->GetElementIterator("DataField", fields)) return true;
    SDOMXMLWrapper dataField;
    for (int curIndex = 0; fields.Next(dataField); ++curIndex)
        ReadDataField(&dataField, curIndex, *fResults->fMetaData);
    MakeFieldInfos();
    return true;
}

void NOPRParseOutXML::ReadDataField(SDOMXMLWrapper* dataField, int curIndex, CFMetaData& metaData) {
    int index = 0;
    dataField->GetAttribute("index", index);
    NOPR_CHECK(index == curIndex, kUnit);
    const int storageType = StorageTypeFromText(AttributeView(dataField, "dataType"));
    auto field = std::make_unique<CFField>(std::string(AttributeView(dataField, "name")),
                                           FieldTypeFromText(AttributeView(dataField, "optype")),
                                           storageType, kRoleType);
    field->SetLabel(std::string(AttributeView(dataField, "displayName")));

    SDOMXMLIterator values;
    if (dataField->GetElementIterator("Value", values)) {
        // Counted first, so that each list is made at its size at once.
        size_t count = 0;
        SDOMXMLIterator counter = values;
        for (SDOMXMLWrapper value; counter.Next(value);) ++count;
        std::vector<CFValue> valueList;
        std::vector<CFValue> labelList;
        valueList.reserve(count);
        labelList.reserve(count);
        SDOMXMLWrapper value;
        for (int curVIndex = 0; values.Next(value); ++curVIndex) {
            int vindex = 0;
            value.GetAttribute("index", vindex);
            NOPR_CHECK(curVIndex == vindex, kUnit);
            const std::string text(AttributeView(&value, "value"));
            const CFDatum datum = storageType == 3   ? CFDatum(text, false)
                                  : storageType == 1 ? CFDatum(String2Integer(text))
                                                     : CFDatum(String2Double(text));
            labelList.emplace_back(datum, std::string(AttributeView(&value, "displayValue")), 0, 0);
            valueList.emplace_back(datum, text, 0, 0);
        }
        field->SetValueLabels(labelList);
        field->SetValues(valueList);
    }
    metaData.AppendField(field.release());
}

// One field record per data-dictionary field but the last, which the result
// document uses for no test. A dictionary without fields gives none.
void NOPRParseOutXML::MakeFieldInfos() {
    const CFMetaData& metaData = *fResults->fMetaData;
    for (int i = 0; i + 1 < metaData.FieldCount(); ++i) {
        FieldInfo* info = fResults->CreateFieldInfo();
        info->fFieldIndex = i;
        const CFField* field = metaData.GetField(i);
        if (fDataSource) {
            const int varIndex = fDataSource->FindVarIndex(field->GetName(), 0);
            if (varIndex >= 0) info->fVariable = fDataSource->GetVariable(varIndex);
        }
        if (!info->fVariable) continue;
        const auto& values = field->GetValues();
        const auto& labels = field->GetValueLabels();
        info->fValues.resize(std::min(values.size(), labels.size()));
        for (size_t j = 0; j < info->fValues.size(); ++j) {
            FieldValue& entry = info->fValues[j];
            entry.fIndex = static_cast<int>(j);
            entry.fValue.SetCompleteValue(values[j].GetText(), info->fVariable, 0);
            entry.fLabel = labels[j].GetText();
        }
    }
}

bool NOPRParseOutXML::ReadTests(SDOMXMLWrapper* root) {
    SDOMXMLWrapper testsHandle;
    SDOMXMLWrapper* tests = FirstElement(root, kTestsPath, testsHandle);
    if (!tests) return Fail("there is no Extension/NPAROutput/NonParametricTests element");
    int number = 0;
    tests->GetAttribute("number", number);
    fResults->fNumber = number;
    double sigLevel = fMissingValue;
    double confidenceLevel = fMissingValue;
    tests->GetAttribute("sigLevel", sigLevel);
    tests->GetAttribute("confidenceLevel", confidenceLevel);
    fResults->fSigLevel = sigLevel;
    fResults->fConfidenceLevel = confidenceLevel;
    fResults->fListwise = AttributeView(tests, "missingTreatment") == "listwise";

    if (fTestRanges) return ReadTestsApart(root, *fTestRanges);
    SDOMXMLIterator algorithms;
    if (!tests->GetElementIterator("Algorithm", algorithms))
        return Fail("NonParametricTests has no Algorithm");
    SDOMXMLWrapper algorithm;
    for (size_t position = 1; algorithms.Next(algorithm); ++position) {
        if (!ReadAlgorithm(&algorithm, position)) return false;
    }
    return true;
}

// Each test loaded from its own text, read and dropped before the next. The
// host has checked that every one parses; one that does not is a fault of
// that check, and the read stops as for a document that does not parse.
// With more than one thread, batches of tests are read ahead on worker
// threads while this thread takes the batches before them, in order: the
// records, error items, checks and the cause of a failing test are what the
// tests read one after the other give. The batches read during the search
// for the tests come first. Meanwhile this thread reads the field
// information from the frame, which it would otherwise read alone after the
// last batch; the records get it after the tests, as in a read on one thread.
bool NOPRParseOutXML::ReadTestsApart(SDOMXMLWrapper* root, const std::vector<SDOMXMLRange>& ranges) {
    const size_t batches = (ranges.size() + kTestsPerBatch - 1) / kTestsPerBatch;
    std::vector<std::unique_ptr<TestBatch>> early;
    if (fReadAhead) early = fReadAhead->Stop();
    const size_t first = std::min(early.size(), batches) * kTestsPerBatch;
    const size_t left = batches - std::min(early.size(), batches);
    const unsigned threads = npar::WorkThreads();
    std::optional<npar::WorkAhead<std::unique_ptr<TestBatch>>> ahead;
    if (threads >= 2 && left >= 2) {
        ahead.emplace(
            left,
            [this, &ranges, first](size_t batch) {
                const size_t begin = first + batch * kTestsPerBatch;
                const size_t count = std::min(kTestsPerBatch, ranges.size() - begin);
                return ReadBatch(ranges.data() + begin, count, begin);
            },
            threads - 1);
        fFieldInfosRead = ReadFieldInfosApart(root);
    }
    for (const std::unique_ptr<TestBatch>& batch : early) {
        if (batch->failure) std::rethrow_exception(batch->failure);
        if (!TakeBatch(*batch)) return false;
    }
    if (!ahead) return ReadTestRange(ranges.data() + first, ranges.size() - first, first);
    for (size_t batch = 0; batch < left; ++batch) {
        if (!TakeBatch(*ahead->Take(batch))) return false;
    }
    return true;
}

bool NOPRParseOutXML::ReadTestRange(const SDOMXMLRange* ranges, size_t count, size_t first) {
    const std::string_view text = *fDocument;
    SDOMXMLWrapper algorithm;
    for (size_t i = 0; i < count; ++i) {
        const SDOMXMLRange& range = ranges[i];
        if (!NOPR_CHECK(algorithm.LoadFromString(text.substr(range.begin, range.end - range.begin)),
                        kUnit))
            return false;
        if (!ReadAlgorithm(&algorithm, first + i + 1)) return false;
    }
    return true;
}

// Runs on any thread: it reads only what no one changes while the tests are
// read (the document, the data source, the missing value).
std::unique_ptr<NOPRParseOutXML::TestBatch> NOPRParseOutXML::ReadBatch(const SDOMXMLRange* ranges,
                                                                       size_t count,
                                                                       size_t first) const {
    auto batch = std::make_unique<TestBatch>();
    ReadKeeping(&batch->records, *batch,
                [&](NOPRParseOutXML& reader) { return reader.ReadTestRange(ranges, count, first); });
    return batch;
}

bool NOPRParseOutXML::TakeBatch(TestBatch& batch) {
    // Each list keeps its order; which list a test goes to is its own.
    for (auto& test : batch.records.fTests) fResults->AddTest(std::move(test));
    for (auto& test : batch.records.fConfidenceIntervals) fResults->AddTest(std::move(test));
    return TakeKept(batch);
}

void NOPRParseOutXML::MarkOrdinalAsContinuous(int index) {
    if (fKept) {
        fKept->ordinalAsContinuous.push_back(index);
        return;
    }
    if (FieldInfo* info = fResults->FieldInfoAt(static_cast<unsigned int>(index)))
        info->fOrdinalAsContinuous = true;
}

// What one FieldInfo element gives its field record: the attributes it
// has (the last of a name counts), the distribution, and whether that
// could be taken.
struct NOPRParseOutXML::FieldInfoRead {
    FieldInfo* info = nullptr;
    int isCategorical = 0;
    std::optional<int> totalN;
    std::optional<double> min;
    std::optional<double> max;
    std::optional<double> mean;
    std::optional<double> stdDev;
    ValueTable distribution;
    bool converted = false;
};

// The field information of a document, read by a reader of its own, with
// what reading it does besides, as a batch of tests keeps it.
struct NOPRParseOutXML::FieldInfosRead : KeptRead {
    std::vector<FieldInfoRead> reads;
};

NOPRParseOutXML::~NOPRParseOutXML() = default;

bool NOPRParseOutXML::ReadFieldInfos(SDOMXMLWrapper* root) {
    std::unique_ptr<FieldInfosRead> read = std::move(fFieldInfosRead);
    if (!read) read = ReadFieldInfosApart(root);
    return TakeFieldInfos(*read);
}

// Reads only the frame's DOM, the field records' places and the missing
// value, which nothing changes while the tests are read.
std::unique_ptr<NOPRParseOutXML::FieldInfosRead> NOPRParseOutXML::ReadFieldInfosApart(
    SDOMXMLWrapper* root) const {
    auto read = std::make_unique<FieldInfosRead>();
    ReadKeeping(fResults, *read,
                [&](NOPRParseOutXML& reader) { return reader.ReadFieldInfoList(root, read->reads); });
    return read;
}

// Gives each field record what was read for it, in the document's order,
// up to the element that failed (a distribution that could not be taken
// still gives the attributes read before it).
bool NOPRParseOutXML::TakeFieldInfos(FieldInfosRead& read) {
    for (FieldInfoRead& field : read.reads) {
        FieldInfo& info = *field.info;
        info.fIsCategorical = field.isCategorical;
        if (field.totalN) info.fTotalN = *field.totalN;
        if (field.min) info.fMin = *field.min;
        if (field.max) info.fMax = *field.max;
        if (field.mean) info.fMean = *field.mean;
        if (field.stdDev) info.fStdDev = *field.stdDev;
        info.fDistribution = std::move(field.distribution);
        if (field.converted) info.fHasInfo = true;
    }
    return TakeKept(read);
}

bool NOPRParseOutXML::ReadFieldInfoList(SDOMXMLWrapper* root, std::vector<FieldInfoRead>& reads) {
    SDOMXMLWrapper fieldInfosHandle;
    SDOMXMLWrapper* fieldInfos = FirstElement(root, "Extension/NPAROutput/FieldInfos", fieldInfosHandle);
    if (!fieldInfos) return Fail("there is no Extension/NPAROutput/FieldInfos element");
    SDOMXMLIterator infos;
    if (!fieldInfos->GetElementIterator("FieldInfo", infos)) return true;
    SDOMXMLWrapper fieldInfo;
    for (size_t position = 1; infos.Next(fieldInfo); ++position) {
        if (!ReadFieldInfo(&fieldInfo, position, reads)) return false;
    }
    return true;
}

// A FieldInfo whose varIndex names no field record (out of range, absent, or
// the last dictionary field) is still read, so that a broken table fails the
// document as everywhere else, but its content has no record to go to.
bool NOPRParseOutXML::ReadFieldInfo(SDOMXMLWrapper* fieldInfo, size_t position,
                                    std::vector<FieldInfoRead>& reads) {
    fTableMemory.release();  // no table of the previous field is left
    int varIndex = -1;
    fieldInfo->GetAttribute("varIndex", varIndex);
    FieldInfo* info = fResults->FieldInfoAt(static_cast<unsigned int>(varIndex));
    // The place of the field information in a failure's cause, made only then.
    auto label = [&] {
        std::string_view varIndexText;
        std::string place = "FieldInfo " + std::to_string(position);
        if (fieldInfo->GetAttributeView("varIndex", varIndexText))
            place.append(" (varIndex ").append(varIndexText).append(")");
        return place;
    };

    SDOMXMLWrapper tableElementHandle;
    SDOMXMLWrapper* tableElement = FirstElement(fieldInfo, "StructuredTable", tableElementHandle);
    if (!tableElement) return Fail(label() + " has no StructuredTable");
    StructuredTable table(&fTableMemory);
    std::string cause;
    if (!ReadStructuredTable(tableElement, table, 0, &cause))
        return cause.empty() ? false : Fail(label() + ": " + cause);
    if (!NOPR_CHECK(table.fSimpleTables.size() == 1, kUnit) && table.fSimpleTables.empty())
        return Fail(label() + ": StructuredTable " + Quoted(table.fName) + " has no SimpleTable");
    if (!info) return true;

    FieldInfoRead& read = reads.emplace_back();
    read.info = info;
    read.isCategorical = table.fName == "CategoricalDistribution" ? 1 : 0;
    for (const AttributeText& attribute : table.fAttributes) {
        if (attribute.fName == "TotalN")
            read.totalN = String2Integer(attribute.fValue);
        else if (attribute.fName == "Min")
            read.min = NumberOrMissing(attribute.fValue, fMissingValue);
        else if (attribute.fName == "Max")
            read.max = NumberOrMissing(attribute.fValue, fMissingValue);
        else if (attribute.fName == "Mean")
            read.mean = NumberOrMissing(attribute.fValue, fMissingValue);
        else if (attribute.fName == "StdDev")
            read.stdDev = NumberOrMissing(attribute.fValue, fMissingValue);
    }
    read.converted = ConvertSimpleTable(table.fSimpleTables.front(), read.distribution);
    return read.converted;
}

void NOPRParseOutXML::ReportNotParsed(std::string_view name) {
    if (fKept) {
        fKept->notParsed.emplace_back(name);
        return;
    }
    BpError(BpString(std::string("Not parse element: ").append(name), true), BpErrorShowAlways,
            BpErrorLevelError);
}

// ---------------------------------------------------------------------------
// One test
// ---------------------------------------------------------------------------

bool NOPRParseOutXML::ReadAlgorithm(SDOMXMLWrapper* algorithm, size_t position) {
    const std::string_view testName = AttributeView(algorithm, "name");
    const int type = TestTypeFromText(testName);
    const int family = TestFamilyFromText(AttributeView(algorithm, "classification"));
    const int decision = DecisionFromText(AttributeView(algorithm, "decision"));
    BaseHypothesisTest* record = fResults->CreateTest(family, type, decision);
    if (!record) return true;  // a test without a record of its own is skipped whole
    fTableMemory.release();    // no table of the previous test is left

    // The scratch flags describe the test being read; a test without a
    // Condition or StatisticsResult must not inherit the previous test's.
    fIsUseSample = false;
    fSigLowerBound = false;

    // The place of the test in a failure's cause, made only then.
    auto label = [&] { return "Algorithm " + std::to_string(position) + " (" + Quoted(testName) + ")"; };
    SDOMXMLIterator tables;
    if (!algorithm->GetElementIterator("StructuredTable", tables))
        return Fail(label() + " has no StructuredTable");
    SDOMXMLWrapper table;
    for (size_t index = 1; tables.Next(table); ++index) {
        std::string_view name;
        const bool named = table.GetAttributeView("name", name);
        bool ok;
        if (name == "Condition")
            ok = ReadCondition(&table, record->fCondition);
        else if (name == "WarningMessages")
            ok = ReadMessages(&table, record->fMessages);
        else if (name == "StatisticsResult")
            ok = ReadStatistics(&table, record->fStatistics);
        else if (name == "ValsNotInTheCategoreis")
            ok = ReadValueList(&table, record->fValsNotInCategories);
        else if (name == "Descriptives")
            ok = ReadDescriptives(&table, record->fDescriptives);
        else if (name == "Methods")
            ok = ReadMethods(&table, record->fMethods);
        else
            ok = ReadTestTable(&table, record);
        if (!ok)
            return FailIn(label() + ", StructuredTable " +
                          (named ? Quoted(name) : std::to_string(index)) + ": ");
    }
    FinishTest(record);
    return true;
}

bool NOPRParseOutXML::ReadTestTable(SDOMXMLWrapper* structEle, BaseHypothesisTest* hTest) {
    if (!NOPR_CHECK(structEle, kUnit) || !NOPR_CHECK(hTest, kUnit)) return false;

    std::string_view name;
    const bool hasName = structEle->GetAttributeView("name", name);
    auto unknownName = [&] {
        ReportNotParsed(name);
        return hasName || Fail("a StructuredTable has no \"name\"");
    };

    switch (hTest->fTestType) {
        case TestType::OChiSquare:
            if (name != "TwoClassComparison") return unknownName();
            return ReadTwoClassTable(structEle, As<HTOChiSquare>(hTest)->fTwoClassComparison);
        case TestType::OBinomial:
            if (name != "TwoClassComparison") return unknownName();
            return ReadTwoClassTable(structEle, As<HTOBinomial>(hTest)->fTwoClassComparison);
        case TestType::ORuns:
            if (name != "RunsParameters") return unknownName();
            return ReadRunsParameters(structEle, *As<HTORuns>(hTest));
        case TestType::OWilcoxonSignedRanks:
            return ReadContinuousDistribution(
                structEle, As<HTOWilcoxonSignedRanks>(hTest)->fContinuousDistribution);
        case TestType::OEstimateConfidenceInterval:
            return ReadConfidenceInterval(structEle,
                                          As<HTOEstimateConfidenceInterval>(hTest)->fIntervals);
        case TestType::OKolmogorovSmirnov:
            return true;
        case TestType::RSign:
            return ReadDifferenceCounts(structEle, As<HTRSign>(hTest)->fDifferences);
        case TestType::RWilcoxonSignedRanks:
            return ReadDifferenceCounts(structEle, As<HTRWilcoxonSignedRanks>(hTest)->fDifferences);
        case TestType::RCochransQ: {
            auto* record = As<HTRCochransQ>(hTest);
            if (name == "TwoClassComparison")
                return ReadTwoClassTable(structEle, record->fTwoClassComparison);
            if (IsPairwiseTable(name)) return ReadPairwise(structEle, record->fPairwise);
            return unknownName();
        }
        case TestType::RMcNemar:
            return ReadCategoryComparison(structEle, As<HTRMcNemar>(hTest)->fCategoryFieldsComparison);
        case TestType::RMarginalHomogeneity:
            return ReadCategoryComparison(structEle,
                                          As<HTRMarginalHomogeneity>(hTest)->fCategoryFieldsComparison);
        case TestType::RFriedmansTwoWayByRanks:
        case TestType::RKendallsCoefficient: {
            auto* friedman = As<HTRFriedmansTwoWayByRanks>(hTest);
            auto* kendall = As<HTRKendallsCoefficient>(hTest);
            std::vector<GroupInfo>& variables = friedman ? friedman->fVariables : kendall->fVariables;
            PairwiseInfo& pairwise = friedman ? friedman->fPairwise : kendall->fPairwise;
            if (Contains(name, "VariableInformation")) return ReadGroup(structEle, variables, false);
            if (IsPairwiseTable(name)) return ReadPairwise(structEle, pairwise);
            return unknownName();
        }
        case TestType::IMoses:
            if (name != "BoxPlotInfo") return unknownName();
            return ReadBoxPlot(structEle, As<HTIMoses>(hTest)->fBoxPlotInfo);
        case TestType::IMannWhitneyU:
        case TestType::IWaldWolfowitzRuns:
        case TestType::IKolmogorovSmirnov: {
            if (!Contains(name, "Group")) return unknownName();
            std::vector<GroupInfo>* groups = nullptr;
            if (auto* record = As<HTIMannWhitneyU>(hTest))
                groups = &record->fGroups;
            else if (auto* runs = As<HTIWaldWolfowitzRuns>(hTest))
                groups = &runs->fGroups;
            else
                groups = &As<HTIKolmogorovSmirnov>(hTest)->fGroups;
            return ReadGroup(structEle, *groups, true);
        }
        case TestType::IKruskalWallis:
        case TestType::IJonckheereTerpstra:
        case TestType::IMedian: {
            BoxPlotInfo* box = nullptr;
            PairwiseInfo* pairwise = nullptr;
            if (auto* record = As<HTIKruskalWallis>(hTest)) {
                box = &record->fBoxPlotInfo;
                pairwise = &record->fPairwise;
            } else if (auto* jonckheere = As<HTIJonckheereTerpstra>(hTest)) {
                box = &jonckheere->fBoxPlotInfo;
                pairwise = &jonckheere->fPairwise;
            } else {
                auto* median = As<HTIMedian>(hTest);
                box = &median->fBoxPlotInfo;
                pairwise = &median->fPairwise;
            }
            if (name == "BoxPlotInfo") return ReadBoxPlot(structEle, *box);
            if (IsPairwiseTable(name)) return ReadPairwise(structEle, *pairwise);
            return unknownName();
        }
        default:
            // The Hodges-Lehmann estimates have no table of their own.
            ReportNotParsed(structEle->GetName());
            return true;
    }
}

void NOPRParseOutXML::FinishTest(BaseHypothesisTest* hTest) {
    if (auto* ks = As<HTOKolmogorovSmirnov>(hTest)) {
        ks->fIsUseSample = fIsUseSample;
        ks->fSigLowerBound = fSigLowerBound;
        return;
    }
    ConfidenceInterval* estimate = nullptr;
    if (auto* pairs = As<HTRHodgesLehmannEstimatePairs>(hTest))
        estimate = &pairs->fEstimate;
    else if (auto* groups = As<HTIHodgesLehmannEstimateGroups>(hTest))
        estimate = &groups->fEstimate;
    if (!estimate) return;

    // The estimate stands first among the unnamed statistics; the asymptotic
    // group holds the two confidence limits.
    const auto& statistics = hTest->fStatistics;
    if (statistics.size() != 2 || !statistics[0].fName.empty() || statistics[1].fName != "Asymptotic")
        return;
    const auto& direct = statistics[0].fValues;
    if (!direct.empty() && direct.front().fName == "Estimate")
        estimate->fEstimate = direct.front().fValue;
    const auto& limits = statistics[1].fValues;
    if (limits.size() == 2) {
        estimate->fLower = limits[0].fValue;
        estimate->fUpper = limits[1].fValue;
    }
}

// ---------------------------------------------------------------------------
// Tables common to every test
// ---------------------------------------------------------------------------

bool NOPRParseOutXML::ReadIndexedValues(const AttributeText& attribute,
                                        std::vector<IndexedValues>& list) const {
    if (attribute.fName.empty() || attribute.fName[0] != '%') return false;
    IndexedValues entry;
    entry.fIndex = String2Integer(attribute.fName.substr(1));
    ParseNumberList(attribute.fValue, entry.fValues);
    list.push_back(std::move(entry));
    return true;
}

bool NOPRParseOutXML::ReadCondition(SDOMXMLWrapper* conditionEle, ConditionInfo& condition) {
    if (!NOPR_CHECK(conditionEle, kUnit)) return false;
    fIsUseSample = false;
    StructuredTable table(&fTableMemory);
    const bool result = ReadTable(conditionEle, table);
    condition.fParameters.reserve(condition.fParameters.size() + table.fAttributes.size());
    for (const AttributeText& attribute : table.fAttributes) {
        if (attribute.fName == "ConditionKey") {
            condition.fConditionKey.assign(attribute.fValue);
        } else if (ReadIndexedValues(attribute, condition.fParameters)) {
        } else if (attribute.fName == "isUseSample") {
            fIsUseSample = attribute.fValue == "true";
        } else if (attribute.fName == "OrdinalTreatedAsCont") {
            ParseIntegerList(attribute.fValue, condition.fOrdinalAsContinuous);
            // Indices that name no field record are kept in the list but mark nothing.
            for (int index : condition.fOrdinalAsContinuous) MarkOrdinalAsContinuous(index);
        }
    }
    return result;
}

bool NOPRParseOutXML::ReadMessages(SDOMXMLWrapper* messageEle, std::vector<MessageInfo>& messages) {
    if (!NOPR_CHECK(messageEle, kUnit)) return false;
    StructuredTable table(&fTableMemory);
    const bool result = ReadTable(messageEle, table);
    // Each WarningMessages table gives the test's messages afresh.
    messages.assign(table.fStrucTables.size(), MessageInfo());
    for (size_t iST = 0; iST < messages.size(); ++iST) {
        MessageInfo& message = messages[iST];
        for (const AttributeText& attribute : table.fStrucTables[iST].fAttributes) {
            if (attribute.fName == "code")
                message.fCode = String2Integer(attribute.fValue);
            else if (attribute.fName == "type")
                message.fType = MessageTypeFromText(attribute.fValue);
            else if (attribute.fName == "paramNum")
                message.fCount = String2Integer(attribute.fValue);
            else if (attribute.fName == "group")
                message.fGroup.assign(attribute.fValue);
            else
                ReadIndexedValues(attribute, message.fParameters);
        }
        NOPR_CHECK(static_cast<size_t>(message.fCount) == message.fParameters.size(), kUnit);
    }
    return result;
}

bool NOPRParseOutXML::ReadStatistics(SDOMXMLWrapper* statsResultEle,
                                     std::vector<StatisticGroup>& statistics) {
    if (!NOPR_CHECK(statsResultEle, kUnit)) return false;
    StructuredTable table(&fTableMemory);
    const bool result = ReadTable(statsResultEle, table);
    fSigLowerBound = false;
    // At most one group for each nested table and one for the attributes
    // before each of them.
    statistics.reserve(statistics.size() + 2 * table.fStrucTables.size() + 1);
    bool groupOpen = false;
    for (const ChildRef& child : table.fChildren) {
        if (child.fKind == ChildRef::Attribute) {
            if (!groupOpen) {
                statistics.emplace_back();
                statistics.back().fValues.reserve(table.fAttributes.size());
                groupOpen = true;
            }
            const AttributeText& attribute = table.fAttributes[static_cast<size_t>(child.fIndex)];
            double value;
            // A value written as ">x" is only a bound: x is kept and the flag says so.
            if (!attribute.fValue.empty() && attribute.fValue[0] == '>') {
                value = String2Double(attribute.fValue.substr(1));
                fSigLowerBound = true;
            } else {
                value = NumberOrMissing(attribute.fValue, fMissingValue);
            }
            statistics.back().fValues.push_back({std::string(attribute.fName), value});
        } else if (child.fKind == ChildRef::StructuredTable) {
            const StructuredTable& nested = table.fStrucTables[static_cast<size_t>(child.fIndex)];
            StatisticGroup group;
            group.fName.assign(nested.fName);
            group.fValues.reserve(nested.fAttributes.size());
            for (const AttributeText& attribute : nested.fAttributes)
                group.fValues.push_back(
                    {std::string(attribute.fName), NumberOrMissing(attribute.fValue, fMissingValue)});
            statistics.push_back(std::move(group));
            groupOpen = false;
        }
    }
    return result;
}

bool NOPRParseOutXML::ReadValueList(SDOMXMLWrapper* varNotEle, std::vector<std::string>& values) {
    if (!NOPR_CHECK(varNotEle, kUnit)) return false;
    SDOMXMLIterator attributes;
    if (!varNotEle->GetElementIterator("Attribute", attributes)) return Fail("it has no Attribute");
    SDOMXMLWrapper attribute;
    while (attributes.Next(attribute)) values.emplace_back(AttributeView(&attribute, "value"));
    return true;
}

bool NOPRParseOutXML::ReadDescriptives(SDOMXMLWrapper* element, std::vector<StatisticGroup>& samples) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    StructuredTable table(&fTableMemory);
    const bool result = ReadStructuredTable(element, table);
    for (const StructuredTable& nested : table.fStrucTables) {
        StatisticGroup sample;
        sample.fName.assign(nested.fName);
        sample.fValues.reserve(nested.fAttributes.size());
        for (const AttributeText& attribute : nested.fAttributes)
            sample.fValues.push_back({std::string(attribute.fName), String2Double(attribute.fValue)});
        samples.push_back(std::move(sample));
    }
    return result;
}

bool NOPRParseOutXML::ReadMethods(SDOMXMLWrapper* element, std::vector<AttributeEntry>& methods) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    StructuredTable table(&fTableMemory);
    const bool result = ReadStructuredTable(element, table);
    methods.clear();
    methods.reserve(table.fAttributes.size());
    for (const AttributeText& attribute : table.fAttributes)
        methods.push_back({std::string(attribute.fName), std::string(attribute.fValue)});
    return result;
}

// ---------------------------------------------------------------------------
// Test-specific tables
// ---------------------------------------------------------------------------

bool NOPRParseOutXML::ReadTable(SDOMXMLWrapper* element, StructuredTable& table) {
    std::string cause;
    return ReadStructuredTable(element, table, 0, &cause) || Fail(cause);
}

bool NOPRParseOutXML::ReadSimple(SDOMXMLWrapper* element, SimpleTableText& table) {
    std::string cause;
    return ReadSimpleTable(element, table, &cause) || Fail(cause);
}

bool NOPRParseOutXML::ReadNamedTable(SDOMXMLWrapper* element, const char* expected,
                                     StructuredTable& table, bool& known) {
    known = false;
    if (!ReadTable(element, table)) return false;
    known = table.fName == expected;
    if (!known) ReportNotParsed(table.fName);
    return true;
}

// The one SimpleTable of a structured table as numbers. A table without one
// cannot be read; more than one is reported and the first is taken.
bool NOPRParseOutXML::ConvertSingleSimpleTable(const StructuredTable& table, ValueTable& target) {
    if (!NOPR_CHECK(table.fSimpleTables.size() == 1, kUnit) && table.fSimpleTables.empty()) return false;
    return ConvertSimpleTable(table.fSimpleTables.front(), target);
}

bool NOPRParseOutXML::ReadTwoClassTable(SDOMXMLWrapper* element, ValueTable& table) {
    SDOMXMLWrapper simpleHandle;
    SDOMXMLWrapper* simple = FirstElement(element, "SimpleTable", simpleHandle);
    if (!simple) return Fail("it has no SimpleTable");
    SimpleTableText text(&fTableMemory);
    if (!ReadSimple(simple, text)) return false;
    return ConvertSimpleTable(text, table);
}

bool NOPRParseOutXML::ReadRunsParameters(SDOMXMLWrapper* element, HTORuns& record) {
    SDOMXMLIterator attributes;
    if (!element->GetElementIterator("Attribute", attributes)) return Fail("it has no Attribute");
    SDOMXMLWrapper attribute;
    while (attributes.Next(attribute)) {
        std::string_view name;
        double value = kNOPRMissing;
        ReadNumberAttribute(&attribute, name, value);
        if (name == "Mean")
            record.fMean = value;
        else if (name == "StdDev")
            record.fStdDev = value;
        else if (name == "ObservedRunNumber")
            record.fObservedRunNumber = TruncateToInt(value);
        else
            ReportNotParsed(name);
    }
    return true;
}

bool NOPRParseOutXML::ReadContinuousDistribution(SDOMXMLWrapper* element,
                                                 ContinuousDistribution& target) {
    StructuredTable table(&fTableMemory);
    bool known = false;
    if (!ReadNamedTable(element, "ContinuousDistribution", table, known)) return false;
    if (!known) return true;
    for (const AttributeText& attribute : table.fAttributes) {
        if (attribute.fName == "HypotheticalMedian")
            target.fHypotheticalMedian = String2Double(attribute.fValue);
        else if (attribute.fName == "ObservedMedian")
            target.fObservedMedian = String2Double(attribute.fValue);
        else
            ReportNotParsed(attribute.fName);
    }
    return ConvertSingleSimpleTable(table, target.fDistribution);
}

bool NOPRParseOutXML::ReadDifferenceCounts(SDOMXMLWrapper* element, DifferenceCounts& target) {
    StructuredTable table(&fTableMemory);
    bool known = false;
    if (!ReadNamedTable(element, "ContinuousDistribution", table, known)) return false;
    if (!known) return true;
    for (const AttributeText& attribute : table.fAttributes) {
        if (attribute.fName == "NegativeDifferences")
            target.fNegative = String2Integer(attribute.fValue);
        else if (attribute.fName == "Ties")
            target.fTies = String2Integer(attribute.fValue);
        else if (attribute.fName == "PositiveDifferences")
            target.fPositive = String2Integer(attribute.fValue);
        else
            ReportNotParsed(attribute.fName);
    }
    return ConvertSingleSimpleTable(table, target.fDistribution);
}

bool NOPRParseOutXML::ReadConfidenceInterval(SDOMXMLWrapper* element,
                                             std::vector<ConfidenceInterval>& intervals) {
    StructuredTable table(&fTableMemory);
    if (!ReadTable(element, table)) return false;
    if (!IsIntervalMethodTable(table.fName)) {
        ReportNotParsed(table.fName);
        return true;
    }
    ConfidenceInterval interval;
    for (const AttributeText& attribute : table.fAttributes) {
        if (attribute.fName == "computeECIMethod")
            interval.fMethod.assign(attribute.fValue);
        else if (attribute.fName == "Estimate")
            interval.fEstimate = String2Double(attribute.fValue);
        else
            ReportNotParsed(attribute.fName);
    }
    // The limits stand in the one nested table; without it there is no interval.
    if (!NOPR_CHECK(table.fStrucTables.size() == 1, kUnit) && table.fStrucTables.empty()) return false;
    for (const AttributeText& attribute : table.fStrucTables.front().fAttributes) {
        if (attribute.fName == "Lower")
            interval.fLower = String2Double(attribute.fValue);
        else if (attribute.fName == "Upper")
            interval.fUpper = String2Double(attribute.fValue);
        else
            ReportNotParsed(attribute.fName);
    }
    intervals.push_back(std::move(interval));
    return true;
}

bool NOPRParseOutXML::ReadCategoryComparison(SDOMXMLWrapper* element, CategoryComparison& target) {
    StructuredTable table(&fTableMemory);
    bool known = false;
    if (!ReadNamedTable(element, "CategoryFieldsComparison", table, known)) return false;
    if (!known) return true;
    for (const AttributeText& attribute : table.fAttributes) {
        const std::string_view name = attribute.fName;
        if (name == "RowNames")
            target.fRowField = String2Integer(attribute.fValue);
        else if (name == "RowSuccessList")
            ParseNumberList(attribute.fValue, target.fRowSuccess);
        else if (name == "RowFailList")
            ParseNumberList(attribute.fValue, target.fRowFail);
        else if (name == "ColumnNames")
            target.fColumnField = String2Integer(attribute.fValue);
        else if (name == "ColumnSuccessList")
            ParseNumberList(attribute.fValue, target.fColumnSuccess);
        else if (name == "ColumnFailList")
            ParseNumberList(attribute.fValue, target.fColumnFail);
        else
            ReportNotParsed(name);
    }
    const bool result = ConvertSingleSimpleTable(table, target.fTable);
    for (const StructuredTable& nested : table.fStrucTables) {
        std::vector<std::string>* list = nullptr;
        if (nested.fName == "RowValsNotInTheCategoreis")
            list = &target.fRowValsNotInCategories;
        else if (nested.fName == "ColValsNotInTheCategoreis")
            list = &target.fColValsNotInCategories;
        if (!list) continue;
        list->clear();
        for (const AttributeText& attribute : nested.fAttributes) list->emplace_back(attribute.fValue);
    }
    return result;
}

bool NOPRParseOutXML::ReadGroup(SDOMXMLWrapper* element, std::vector<GroupInfo>& groups, bool withSize) {
    StructuredTable table(&fTableMemory);
    if (!ReadTable(element, table)) return false;
    // Tests have two groups or a few variables: room for four spares the
    // first regrowths.
    if (groups.empty()) groups.reserve(4);
    groups.emplace_back();
    GroupInfo& group = groups.back();
    for (const AttributeText& attribute : table.fAttributes) {
        if (attribute.fName == "GroupIndex")
            group.fGroupIndex = String2Integer(attribute.fValue);
        else if (attribute.fName == "MeanOfRank")
            group.fMeanOfRank = String2Double(attribute.fValue);
        else if (withSize && attribute.fName == "N")
            group.fN = String2Integer(attribute.fValue);
        else
            ReportNotParsed(attribute.fName);
    }
    return ConvertSingleSimpleTable(table, group.fDistribution);
}

bool NOPRParseOutXML::ReadBoxPlot(SDOMXMLWrapper* element, BoxPlotInfo& target) {
    StructuredTable table(&fTableMemory);
    if (!ReadTable(element, table)) return false;
    for (const AttributeText& attribute : table.fAttributes) {
        if (attribute.fName == "GroupFieldIndex")
            target.fGroupFieldIndex = String2Integer(attribute.fValue);
        else if (attribute.fName == "GroupCount")
            target.fGroupCount = String2Integer(attribute.fValue);
        else if (attribute.fName == "GrandMedian")
            target.fGrandMedian = String2Double(attribute.fValue);
        else
            ReportNotParsed(attribute.fName);
    }
    // Group p of the box plot is the p-th nested table, counting every nested
    // table; nested tables of other names leave their position default.
    target.fGroups.reserve(table.fStrucTables.size());
    for (size_t p = 0; p < table.fStrucTables.size(); ++p) {
        const StructuredTable& nested = table.fStrucTables[p];
        if (!Contains(nested.fName, "Group")) continue;
        if (target.fGroups.size() < p + 1) target.fGroups.resize(p + 1);
        ReadBoxGroup(nested, target.fGroups[p]);
    }
    return true;
}

bool NOPRParseOutXML::ReadBoxGroup(const StructuredTable& table, BoxGroup& group) {
    for (const AttributeText& attribute : table.fAttributes) {
        const std::string_view name = attribute.fName;
        if (name == "GroupIndex")
            group.fGroupIndex = String2Integer(attribute.fValue);
        else if (name == "N")
            group.fN = String2Integer(attribute.fValue);
        else if (name == "MeanOfRank")
            group.fMeanOfRank = String2Double(attribute.fValue);
        else if (name == "GTMedian")
            group.fGTMedian = String2Double(attribute.fValue);
        else if (name == "STMedian")
            group.fSTMedian = String2Double(attribute.fValue);
        else
            ReportNotParsed(name);
    }
    bool result = true;
    for (const SimpleTableText& simple : table.fSimpleTables) {
        if (simple.fName == "Box")
            result = ConvertSimpleTable(simple, group.fBox) && result;
        else if (simple.fName == "Outliers")
            result = ConvertSimpleTable(simple, group.fOutliers) && result;
    }
    return result;
}

bool NOPRParseOutXML::ReadPairwise(SDOMXMLWrapper* element, PairwiseInfo& target) {
    SDOMXMLIterator tables;
    bool result = element->GetElementIterator("SimpleTable", tables) || Fail("it has no SimpleTable");
    SDOMXMLWrapper simple;
    while (result && tables.Next(simple)) {
        SimpleTableText text(&fTableMemory);
        if (!ReadSimple(&simple, text)) {
            result = false;
        } else if (text.fName == "PairwiseInfo") {
            target.fKind = PairwiseInfo::Pairwise;
            result = ConvertSimpleTable(text, target.fInfo);
        } else if (text.fName == "StepwiseInfo") {
            target.fKind = PairwiseInfo::Stepwise;
            result = ConvertSimpleTable(text, target.fInfo);
        } else if (text.fName == "Content") {
            result = ConvertSimpleTable(text, target.fContent);
        }
    }
    SDOMXMLWrapper attributeHandle;
    if (SDOMXMLWrapper* attribute = FirstElement(element, "Attribute", attributeHandle)) {
        std::string_view name;
        double value = kNOPRMissing;
        ReadNumberAttribute(attribute, name, value);
        if (name == "fieldIndex") target.fFieldIndex = TruncateToInt(value);
    }
    return result;
}

// ---------------------------------------------------------------------------
// Text to numbers
// ---------------------------------------------------------------------------

bool NOPRParseOutXML::ConvertSimpleTable(const SimpleTableText& text, ValueTable& table) const {
    table.fName.assign(text.fName);
    table.fRowNames = SplitToToken(text.fRowNames);
    table.fColumnNames = SplitToToken(text.fColumnNames);
    table.fRows.assign(text.fRows.size(), {});
    for (size_t k = 0; k < text.fRows.size(); ++k) {
        if (!ParseNumberList(text.fRows[k], table.fRows[k])) return false;
    }
    return true;
}

// Text without tokens leaves values as they were. The text is read in one
// pass into a buffer on the stack, and values is then made at its size at
// once; a list too long for the buffer is counted first instead.
bool NOPRParseOutXML::ParseNumberList(std::string_view text, std::vector<double>& values) const {
    auto number = [this](std::string_view token) { return NumberOrMissing(token, fMissingValue); };
    constexpr size_t kBuffered = 64;
    double buffer[kBuffered];
    size_t count = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (true) {
        while (p != end && IsSeparator(*p)) ++p;
        if (p == end) break;
        const char* const start = p;
        while (p != end && !IsSeparator(*p)) ++p;
        if (count == kBuffered) {
            values.resize(CountTokens(text));
            double* value = values.data();
            ForEachToken(text, [&](std::string_view token) { *value++ = number(token); });
            return true;
        }
        buffer[count++] = number(std::string_view(start, static_cast<size_t>(p - start)));
    }
    if (count > 0) values.assign(buffer, buffer + count);
    return true;
}

bool NOPRParseOutXML::ParseIntegerList(std::string_view text, std::vector<int>& values) const {
    values.resize(CountTokens(text));
    int* value = values.data();
    ForEachToken(text, [&](std::string_view token) { *value++ = String2Integer(token); });
    return true;
}
