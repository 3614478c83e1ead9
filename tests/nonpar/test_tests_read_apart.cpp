// Reading a document's tests one at a time (the rest of the document loaded
// without them) gives what reading the whole document gives: the same output
// for the bundled example however its markup is written, and the same
// records, causes and reports for documents that fail.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "CFProcCustom.h"
#include "OutputFixture.h"
#include "ReaderFixture.h"
#include "SDOMXMLWrapper.h"
#include "ThreadSetting.h"

using namespace nopr_test;

namespace {

constexpr const char* kTestsPath = "Extension/NPAROutput/NonParametricTests";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ReadApart(const std::string& document) {
    std::vector<SDOMXMLRange> ranges;
    return SDOMXMLFindChildren(document, kTestsPath, "Algorithm", ranges);
}

// The document with a DOCTYPE in front, which the parser skips and the
// search for the tests does not take: it is read whole.
std::string Whole(const std::string& document) {
    const size_t bom = document.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::string whole = document;
    whole.insert(bom, "<!DOCTYPE StatXML>");
    EXPECT_FALSE(ReadApart(whole));
    return whole;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to,
                     bool all = false) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    while (at != std::string::npos) {
        text.replace(at, from.size(), to);
        at = all ? text.find(from, at + to.size()) : std::string::npos;
    }
    return text;
}

// The variables the example's tests name, so that its tables and charts have
// labels and formats.
std::unique_ptr<ProcedureDataSource> ExampleSource(const std::string& document) {
    auto source = std::make_unique<ProcedureDataSource>();
    SDOMXMLWrapper xml;
    SDOMXMLWrapper dictionary;
    SDOMXMLIterator fields;
    if (!xml.LoadFromString(document) ||
        !xml.GetFirstElement("Extension/NPAROutput/DataDictionary", dictionary) ||
        !dictionary.GetElementIterator("DataField", fields))
        return source;
    for (SDOMXMLWrapper field; fields.Next(field);) {
        std::string name;
        std::string label;
        field.GetAttribute("name", name);
        field.GetAttribute("displayName", label);
        source->AddVariable(QUOR_Variable(name, label, 0, QUOR_Format(QUOR_Format::F, 8, 2)));
    }
    return source;
}

TEST(TestsReadApart, TheExampleGivesTheSameOutputHoweverItsMarkupIsWritten) {
    const std::string example = ReadFile(std::string(NPAR_SOURCE_DIR) + "/examples/full.xml");
    ASSERT_TRUE(ReadApart(example));
    auto source = ExampleSource(example);
    const RunOutcome whole = RunDocument(Whole(example), source.get());
    ASSERT_TRUE(whole.ok);

    const std::string firstTest = "<Algorithm ";
    const std::string afterFirstStart =
        example.substr(0, example.find('>', example.find(firstTest)) + 1);
    auto intoFirstTest = [&](const std::string& markup) {
        return afterFirstStart + markup + example.substr(afterFirstStart.size());
    };
    const struct {
        const char* what;
        std::string document;
        bool apart;
    } variants[] = {
        {"as it is", example, true},
        {"with a byte order mark", "\xEF\xBB\xBF" + example, true},
        {"without its XML declaration", example.substr(example.find("<StatXML")), true},
        {"end tags in a CDATA section and a comment of a test",
         intoFirstTest(
             "<Note><![CDATA[</Algorithm></NonParametricTests>]]><!-- </Algorithm> --></Note>"),
         true},
        {"a processing instruction in a test", intoFirstTest("<?note </Algorithm>?>"), true},
        {"attribute values holding markup characters",
         Replaced(example, firstTest, "<Algorithm note=\"a>b/c<d\" other='\"/>' ", true), true},
        {"character references", Replaced(example, "\"One_Sample\"", "\"One&#95;Sample\"", true), true},
        {"tests elsewhere in the document",
         Replaced(Replaced(example, "</NonParametricTests>",
                           "</NonParametricTests><NonParametricTests><Algorithm name=\"OChiSquare\"/>"
                           "</NonParametricTests>"),
                  "<FieldInfos>", "<FieldInfos><Algorithm name=\"OChiSquare\"/>"),
         true},
        {"text between two tests", Replaced(example, "</Algorithm>", "</Algorithm> text "), false},
        {"a comment between two tests", Replaced(example, "</Algorithm>", "</Algorithm><!-- c -->"),
         false},
    };
    for (const auto& variant : variants) {
        SCOPED_TRACE(variant.what);
        EXPECT_EQ(ReadApart(variant.document), variant.apart);
        const RunOutcome outcome = RunDocument(variant.document, source.get());
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.checks, whole.checks);
        EXPECT_TRUE(outcome.json == whole.json);
    }
}

// The host's search for the tests (made for the data dictionary) is kept by
// the split record and taken by the read in place of a search of its own: the
// output is the same, and a kept search that found the tests not loadable
// apart makes the read load the document whole. A search that does not fit
// the text, or that is of other elements, is not taken; one that is taken
// counts as it stands (naming the first test only, it reads that one only).
TEST(TestsReadApart, TheHostsKeptSearchReadsAsTheReadersOwn) {
    const std::string example = ReadFile(std::string(NPAR_SOURCE_DIR) + "/examples/full.xml");
    auto source = ExampleSource(example);
    const RunOutcome own = RunDocument(example, source.get());
    ASSERT_TRUE(own.ok);
    CFFoundChildren found{kTestsPath, "Algorithm", true, {}};
    ASSERT_TRUE(SDOMXMLFindChildren(example, kTestsPath, "Algorithm", found.ranges));
    ASSERT_GE(found.ranges.size(), 2u);
    CFFoundChildren whole{kTestsPath, "Algorithm", false, {}};
    CFFoundChildren beyond = found;
    beyond.ranges.back().end = example.size() + 1;
    CFFoundChildren unordered = found;
    std::swap(unordered.ranges.front(), unordered.ranges.back());
    CFFoundChildren other = found;
    other.name = "Other";
    for (const auto& [what, search] :
         {std::pair{"the tests found", found}, std::pair{"not loadable apart", whole},
          std::pair{"beyond the text", beyond}, std::pair{"out of order", unordered},
          std::pair{"other elements", other}}) {
        SCOPED_TRACE(what);
        const RunOutcome outcome = RunSplits({SplitSpec{example, {}, {}, false, search}}, source.get());
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.checks, own.checks);
        EXPECT_TRUE(outcome.json == own.json);
    }
    CFFoundChildren first = found;
    first.ranges.resize(1);
    const RunOutcome firstOnly = RunSplits({SplitSpec{example, {}, {}, false, first}}, source.get());
    EXPECT_TRUE(firstOnly.ok);
    EXPECT_FALSE(firstOnly.json == own.json);

    // The record drops the search with the text.
    CFSplit split(example, {}, {}, false);
    split.KeepFoundChildren(found);
    ASSERT_NE(split.FoundChildren(kTestsPath, "Algorithm"), nullptr);
    EXPECT_EQ(split.FoundChildren(kTestsPath, "Algorithm")->ranges.size(), found.ranges.size());
    split.ReleaseResultDocument();
    EXPECT_EQ(split.FoundChildren(kTestsPath, "Algorithm"), nullptr);
}

struct Reading {
    ReadOutcome outcome;
    std::string cause;
};

Reading ReadWithCause(const std::string& document) {
    CFTakeReadFailure();
    Reading reading{Read(document), ""};
    reading.cause = CFTakeReadFailure();
    return reading;
}

const std::string kChiSquare =
    Algorithm("OChiSquare", "One_Sample",
              Table("Condition", Attribute("ConditionKey", "K")) + Table("UnknownTable", ""));

// A test that fails stops the read at the same test, with the same cause and
// the same reports of the tests before it, read apart or whole.
TEST(TestsReadApart, AFailingTestStopsTheReadAsInTheWholeDocument) {
    const std::string documents[] = {
        MakeDocument(kChiSquare + "<Algorithm name=\"OChiSquare\"/>" + kChiSquare),
        MakeDocument(kChiSquare +
                     Algorithm("OChiSquare", "One_Sample", Table("Condition", "<Attribute/>"))),
        MakeDocument(kChiSquare + "<Algorithm name=\"OKolmogorovSmirnovNormal\"/>" + kChiSquare),
        MakeDocument(kChiSquare, kDictionary, "<FieldInfos><FieldInfo varIndex=\"0\"/></FieldInfos>"),
    };
    for (const std::string& document : documents) {
        SCOPED_TRACE(document);
        ASSERT_TRUE(ReadApart(document));
        const Reading apart = ReadWithCause(document);
        const Reading whole = ReadWithCause(Whole(document));
        EXPECT_EQ(apart.outcome.ok, whole.outcome.ok);
        EXPECT_EQ(apart.cause, whole.cause);
        EXPECT_EQ(apart.outcome.errors, whole.outcome.errors);
        EXPECT_EQ(apart.outcome.checks, whole.outcome.checks);
        EXPECT_EQ(apart.outcome.results->fTests.size(), whole.outcome.results->fTests.size());
        EXPECT_FALSE(apart.outcome.errors.empty()) << "the unknown table of each test read";
    }
}

// A document whose XML breaks inside a later test reads none of its tests, as
// the whole document does not parse: nothing is reported, no record is made.
TEST(TestsReadApart, ADocumentBrokenInALaterTestReadsNothing) {
    const std::string broken = MakeDocument(
        kChiSquare + kChiSquare +
        Algorithm("OChiSquare", "One_Sample", "<StructuredTable name=\"Condition\"></Algorithm>"));
    const Reading reading = ReadWithCause(broken);
    EXPECT_FALSE(reading.outcome.ok);
    EXPECT_EQ(reading.cause, "");
    EXPECT_TRUE(reading.outcome.errors.empty());
    EXPECT_TRUE(reading.outcome.checks.empty());
    EXPECT_TRUE(reading.outcome.results->fTests.empty());
    EXPECT_EQ(reading.outcome.results->fMetaData, nullptr);
}

// Many tests are read in batches on several threads. Whatever the number
// of threads, the read gives what the whole document read test after test
// gives: the records in their lists and order, the error items of tables not
// known, the failed checks, the marks on the field records, and for a test
// that fails, the same stop and cause.
std::vector<std::string> ManyTests() {
    std::vector<std::string> tests;
    for (int i = 0; i < 70; ++i) {
        std::string condition = Attribute("ConditionKey", "K" + std::to_string(i));
        // Marks on field records from a test of the first batch and one of a later batch.
        if (i == 2) condition += Attribute("OrdinalTreatedAsCont", "2");
        if (i == 44) condition += Attribute("OrdinalTreatedAsCont", "0 9");
        if (i % 7 == 3) {
            // An interval estimate: a list of its own.
            tests.push_back(Algorithm("RHodgesLehmannEstimatePairs", "Related_Samples",
                                      Table("Condition", condition)));
        } else if (i % 5 == 1) {
            // A message that names two parameters and gives none: a failed check.
            const std::string message = Table("M0", Attribute("code", "1") + Attribute("paramNum", "2"));
            tests.push_back(
                Algorithm("OChiSquare", "One_Sample",
                          Table("Condition", condition) + Table("WarningMessages", message)));
        } else {
            tests.push_back(
                Algorithm("OChiSquare", "One_Sample",
                          Table("Condition", condition) + Table("Unknown" + std::to_string(i), "")));
        }
    }
    return tests;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) joined += part;
    return joined;
}

void ExpectSameRead(const Reading& apart, const Reading& whole) {
    EXPECT_EQ(apart.outcome.ok, whole.outcome.ok);
    EXPECT_EQ(apart.cause, whole.cause);
    EXPECT_EQ(apart.outcome.errors, whole.outcome.errors);
    EXPECT_EQ(apart.outcome.checks, whole.outcome.checks);
    const NOPRSplitResults& read = *apart.outcome.results;
    const NOPRSplitResults& expected = *whole.outcome.results;
    for (const auto list : {&NOPRSplitResults::fTests, &NOPRSplitResults::fConfidenceIntervals}) {
        ASSERT_EQ((read.*list).size(), (expected.*list).size());
        for (size_t i = 0; i < (read.*list).size(); ++i)
            EXPECT_EQ((read.*list)[i]->fCondition.fConditionKey,
                      (expected.*list)[i]->fCondition.fConditionKey);
    }
    ASSERT_EQ(read.fFieldInfos.size(), expected.fFieldInfos.size());
    for (size_t i = 0; i < read.fFieldInfos.size(); ++i) {
        const FieldInfo& info = *read.fFieldInfos[i];
        const FieldInfo& expectedInfo = *expected.fFieldInfos[i];
        EXPECT_EQ(info.fOrdinalAsContinuous, expectedInfo.fOrdinalAsContinuous);
        EXPECT_EQ(info.fHasInfo, expectedInfo.fHasInfo) << i;
        EXPECT_EQ(info.fIsCategorical, expectedInfo.fIsCategorical) << i;
        EXPECT_EQ(info.fTotalN, expectedInfo.fTotalN) << i;
        for (const auto value :
             {&FieldInfo::fMin, &FieldInfo::fMax, &FieldInfo::fMean, &FieldInfo::fStdDev})
            EXPECT_EQ(info.*value, expectedInfo.*value) << i;
        EXPECT_EQ(info.fDistribution.fName, expectedInfo.fDistribution.fName) << i;
        EXPECT_EQ(info.fDistribution.fRows, expectedInfo.fDistribution.fRows) << i;
    }
}

// Field information that gives the field records something to compare: two
// elements for one field (the second has fewer attributes, so what the first
// gave stays where the second is silent), a failed check (a second
// distribution table), an element for a field without a record, and, when
// asked, an element that fails the read (it has no table).
std::string ManyFieldInfos(bool failing) {
    auto info = [](int varIndex, const std::string& name, const std::string& content) {
        return "<FieldInfo varIndex=\"" + std::to_string(varIndex) + "\">" + Table(name, content) +
               "</FieldInfo>";
    };
    std::string infos = "<FieldInfos>";
    infos +=
        info(1, "CategoricalDistribution",
             Attribute("TotalN", "38") + Attribute("Min", "1") + Attribute("Max", "2") +
                 Attribute("Mean", "1.45") + Simple("Interval", "Count Value", "x", {"21 17", "0 1"}) +
                 Simple("Other", "a", "b", {"9"}));
    infos += info(0, "ContinuousDistribution",
                  Attribute("TotalN", "40") + Attribute("StdDev", "2.5") +
                      Simple("Interval", "a", "b", {"3 5", "10 20"}));
    infos +=
        info(1, "ContinuousDistribution", Attribute("Mean", "1.5") + Simple("Bins", "a", "b", {"7"}));
    infos += info(3, "ContinuousDistribution",
                  Attribute("TotalN", "9") + Simple("Interval", "a", "b", {"1"}));
    if (failing) infos += "<FieldInfo varIndex=\"2\"/>";
    return infos + "</FieldInfos>";
}

TEST(TestsReadApart, TestsReadOnSeveralThreadsGiveWhatOneReadGives) {
    std::vector<std::string> tests = ManyTests();
    const std::string allTests = Joined(tests);
    tests.insert(tests.begin() + 52, "<Algorithm name=\"OChiSquare\"/>");  // no tables: it fails
    const std::string failingTests = Joined(tests);
    // With more than one thread the field information is read while the
    // tests are; it reaches the records, and fails the read, only after them.
    const std::pair<const char*, std::string> documents[] = {
        {"all read", MakeDocument(allTests, kDictionary, ManyFieldInfos(false))},
        {"a test fails", MakeDocument(failingTests, kDictionary, ManyFieldInfos(false))},
        {"the field information fails", MakeDocument(allTests, kDictionary, ManyFieldInfos(true))},
        {"both fail", MakeDocument(failingTests, kDictionary, ManyFieldInfos(true))},
    };

    for (const auto& [what, document] : documents) {
        ASSERT_TRUE(ReadApart(document));
        const Reading whole = ReadWithCause(Whole(document));
        // What the document holds, so that the comparisons compare something.
        EXPECT_GE(whole.outcome.errors.size(), 20u);
        EXPECT_GE(whole.outcome.checks.size(), 8u);
        EXPECT_FALSE(whole.outcome.results->fConfidenceIntervals.empty());
        EXPECT_TRUE(whole.outcome.results->fFieldInfos.at(0)->fOrdinalAsContinuous);
        EXPECT_TRUE(whole.outcome.results->fFieldInfos.at(2)->fOrdinalAsContinuous);
        EXPECT_EQ(whole.outcome.ok, std::string(what) == "all read");
        if (std::string(what) != "a test fails" && std::string(what) != "both fail") {
            EXPECT_TRUE(whole.outcome.results->fFieldInfos.at(1)->fHasInfo);
            EXPECT_EQ(whole.outcome.results->fFieldInfos.at(1)->fTotalN, 38);
            EXPECT_EQ(whole.outcome.results->fFieldInfos.at(1)->fMean, 1.5);
        }
        for (const char* threads : {"1", "2", "4"}) {
            SCOPED_TRACE(std::string(what) + ", threads " + threads);
            const ThreadSetting setting(threads);
            ExpectSameRead(ReadWithCause(document), whole);
        }
    }
}

// With a second thread, the tests are read in batches while the search for
// them goes on. A long last test keeps the search busy while the first
// batches are read: a test that fails in one of them stops the read as it
// does read whole, and when the search fails at the end of the tests (text
// after the last one), what was read during it is dropped and the document
// is read whole.
TEST(TestsReadApart, TestsReadDuringTheSearchGiveWhatOneReadGives) {
    std::vector<std::string> tests = ManyTests();
    // A last test of many elements, which the search goes through while the
    // first batches are read.
    std::string padding;
    for (int i = 0; i < 100000; ++i) padding += "<x/>";
    tests.push_back(Algorithm(
        "OChiSquare", "One_Sample",
        Table("Condition", Attribute("ConditionKey", "last")) + "<Padding>" + padding + "</Padding>"));
    std::vector<std::string> failing = tests;
    failing.insert(failing.begin() + 20, "<Algorithm name=\"OChiSquare\"/>");  // the second batch
    const std::string searchFails = MakeDocument(Joined(tests) + " text after the last test ");
    ASSERT_FALSE(ReadApart(searchFails));

    for (const auto& [what, document] :
         {std::pair{"all read", MakeDocument(Joined(tests))},
          std::pair{"a test of the second batch fails", MakeDocument(Joined(failing))},
          std::pair{"the search fails after the tests", searchFails}}) {
        const Reading whole = ReadWithCause(Whole(document));
        EXPECT_GE(whole.outcome.errors.size(), 10u);
        for (const char* threads : {"1", "2", "3"}) {
            SCOPED_TRACE(std::string(what) + ", threads " + threads);
            const ThreadSetting setting(threads);
            ExpectSameRead(ReadWithCause(document), whole);
        }
    }
}

}  // namespace
