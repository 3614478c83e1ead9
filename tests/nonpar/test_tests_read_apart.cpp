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

}  // namespace
