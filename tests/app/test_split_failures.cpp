// Every way a result document's frame can fail: the run stops at that split,
// names it and the cause, keeps the output of the splits before it and never
// reads the splits after it.
#include <gtest/gtest.h>

#include <sstream>

#include "AppTestSupport.h"
#include "OutputFormats.h"
#include "ReportRun.h"

using apptest::Document;
using apptest::MarkerAlgorithm;

namespace {

struct BrokenCase {
    const char* title;
    std::string text;
    std::string cause;  // what the message must say after "cannot be read: "
};

Document With(void (*change)(Document&)) {
    Document document;
    change(document);
    return document;
}

std::vector<BrokenCase> FrameFailures() {
    return {
        {"empty text", "", "the document is empty"},
        {"XML syntax error",
         // Columns count characters: the two-byte letter is one column.
         "<StatXML>\n  <PMMLModel modelType=\"NonParametricTests\"/>\n"
         "  <Counts note=\"\xC3\x84\" totalFreq=10/>\n",
         "XML syntax error at line 3, column 30: Error parsing element attribute"},
        {"XML syntax error after a byte order mark", "\xEF\xBB\xBF<StatXML><PMMLModel x=1/>",
         "XML syntax error at line 1, column 23: Error parsing element attribute"},
        {"a data table given without tests", "score,group\n1.5,1\n2.5,2\n",
         "the text does not begin with '<', so it is no XML document; to run tests on a data table, "
         "give --test SPEC or --analysis RUN.json"},
        {"wrong root", With([](Document& d) { d.root = "StatResult"; }).Text(),
         "the root element is \"StatResult\", not \"StatXML\""},
        {"no PMMLModel", With([](Document& d) { d.model = "<Model/>"; }).Text(),
         "there is no PMMLModel element"},
        {"singular modelType",
         With([](Document& d) { d.model = R"(<PMMLModel modelType="NonParametricTest"/>)"; }).Text(),
         "the PMMLModel's modelType is \"NonParametricTest\", not \"NonParametricTests\""},
        {"no Counts", With([](Document& d) { d.counts = "<DescriptiveModel/>"; }).Text(),
         "there is no DescriptiveModel/DescriptiveSummary/Counts element"},
        {"no NonParametricTests", With([](Document& d) { d.withTests = false; }).Text(),
         "there is no Extension/NPAROutput/NonParametricTests element"},
        {"NonParametricTests without Algorithm", With([](Document& d) { d.algorithms = ""; }).Text(),
         "NonParametricTests has no Algorithm"},
        {"Algorithm without StructuredTable",
         With([](Document& d) {
             d.algorithms += R"(<Algorithm name="IMannWhitneyU" classification="Independent_Samples"/>)";
         }).Text(),
         "Algorithm 2 (\"IMannWhitneyU\") has no StructuredTable"},
        {"no FieldInfos", With([](Document& d) { d.fieldInfos = ""; }).Text(),
         "there is no Extension/NPAROutput/FieldInfos element"},
        {"FieldInfo without StructuredTable",
         With([](Document& d) {
             d.fieldInfos = R"(<FieldInfos><FieldInfo varIndex="0"/></FieldInfos>)";
         }).Text(),
         "FieldInfo 1 (varIndex 0) has no StructuredTable"},
        {"SimpleTable without RowNames",
         With([](Document& d) {
             d.fieldInfos = R"(<FieldInfos><FieldInfo varIndex="0"><StructuredTable name="D">)"
                            R"(<SimpleTable name="Counts"><ColumnNames>a</ColumnNames></SimpleTable>)"
                            R"(</StructuredTable></FieldInfo></FieldInfos>)";
         }).Text(),
         "FieldInfo 1 (varIndex 0): SimpleTable \"Counts\" has no RowNames"},
        {"unnamed Condition attribute",
         With([](Document& d) {
             d.algorithms = R"(<Algorithm name="ORuns" classification="One_Sample">)"
                            R"(<StructuredTable name="Condition"><Attribute value="1"/>)"
                            R"(</StructuredTable></Algorithm>)";
         }).Text(),
         "Algorithm 1 (\"ORuns\"), StructuredTable \"Condition\": an Attribute has no \"name\""},
    };
}

struct RunOutcome {
    int status = 0;
    std::string json;
    std::vector<std::string> messages;
    std::vector<bool> taken;
};

RunOutcome RunDocuments(const std::vector<std::string>& paths) {
    report::ReportOptions options;
    options.documents = paths;
    options.pluginPath = NPAR_PLUGIN_PATH;
    options.format = report::FormatNamed("json");
    report::ReportRun run(options, report::ProgramFolder());
    std::ostringstream out;
    RunOutcome outcome;
    outcome.status = run.Execute(out);
    outcome.json = out.str();
    outcome.messages = run.Messages();
    outcome.taken = run.TakenSplits();
    return outcome;
}

}  // namespace

TEST(SplitFailures, EachFrameCauseStopsTheRunAtItsSplit) {
    apptest::TempDir dir;
    Document first;
    first.algorithms += MarkerAlgorithm("first-split");
    Document third;
    third.algorithms += MarkerAlgorithm("third-split");
    const std::string firstPath = dir.Write("first.xml", first.Text());
    const std::string thirdPath = dir.Write("third.xml", third.Text());

    for (const BrokenCase& broken : FrameFailures()) {
        SCOPED_TRACE(broken.title);
        const std::string brokenPath = dir.Write("broken.xml", broken.text);
        const RunOutcome outcome = RunDocuments({firstPath, brokenPath, thirdPath});

        EXPECT_EQ(outcome.status, report::kExitSplitFailed);
        ASSERT_FALSE(outcome.messages.empty());
        EXPECT_EQ(outcome.messages.front(),
                  "npar-report: split 2 (" + brokenPath + "): cannot be read: " + broken.cause);
        EXPECT_EQ(outcome.taken, (std::vector<bool>{true, true, false}));
        // The first split's output is written, the run is marked as stopped.
        EXPECT_NE(outcome.json.find("\"ok\": false"), std::string::npos);
        EXPECT_NE(outcome.json.find("Not parse element: first-split"), std::string::npos);
        EXPECT_EQ(outcome.json.find("third-split"), std::string::npos);
    }
}

TEST(SplitFailures, ThreeGoodSplitsAreAllRead) {
    apptest::TempDir dir;
    Document document;
    const std::string path = dir.Write("good.xml", document.Text());
    const RunOutcome outcome = RunDocuments({path, path, path});
    EXPECT_EQ(outcome.status, report::kExitOk);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_EQ(outcome.taken, (std::vector<bool>{true, true, true}));
}

TEST(SplitFailures, CausesTheHostCannotTellAreNotGuessed) {
    apptest::TempDir dir;
    // A known test whose table has no SimpleTable fails in the plug-in's
    // conversion, which the host does not look into.
    Document unread;
    unread.algorithms = R"(<Algorithm name="OWilcoxonSignedRanks" classification="One_Sample">)"
                        R"(<StructuredTable name="ContinuousDistribution"/></Algorithm>)";
    RunOutcome outcome = RunDocuments({dir.Write("unread.xml", unread.Text())});
    EXPECT_EQ(outcome.status, report::kExitSplitFailed);
    ASSERT_FALSE(outcome.messages.empty());
    EXPECT_NE(outcome.messages.front().find("split 1 (" + dir.Path() +
                                            "/unread.xml): cannot be read: the document's content "
                                            "could not be read"),
              std::string::npos);

    // Tests the reader has no record for are skipped whole: their empty
    // Algorithm is no cause, the missing FieldInfos is.
    Document skipped;
    skipped.fieldInfos = "";
    outcome = RunDocuments({dir.Write("skipped.xml", skipped.Text())});
    ASSERT_FALSE(outcome.messages.empty());
    EXPECT_NE(outcome.messages.front().find("there is no Extension/NPAROutput/FieldInfos element"),
              std::string::npos);
}

TEST(SplitFailures, NestingBeyondTheLimitIsNamed) {
    std::string nested;
    for (int i = 0; i < 300; ++i) nested += "<StructuredTable name=\"n\">";
    for (int i = 0; i < 300; ++i) nested += "</StructuredTable>";
    Document document;
    document.fieldInfos =
        "<FieldInfos><FieldInfo varIndex=\"0\">" + nested + "</FieldInfo></FieldInfos>";
    apptest::TempDir dir;
    const RunOutcome outcome = RunDocuments({dir.Write("deep.xml", document.Text())});
    EXPECT_EQ(outcome.status, report::kExitSplitFailed);
    ASSERT_FALSE(outcome.messages.empty());
    EXPECT_NE(outcome.messages.front().find(
                  "FieldInfo 1 (varIndex 0): StructuredTables are nested deeper than 256 levels"),
              std::string::npos);
}

// A split whose XML breaks inside a later test: none of its tests is read
// (the marker of the first would show as an error item), and the place of the
// break is told in the document's own lines and columns.
TEST(SplitFailures, ABreakInsideALaterTestIsFoundInTheWholeText) {
    Document document;
    document.algorithms = MarkerAlgorithm("read-before-the-break") + "\n" +
                          R"(<Algorithm name="OChiSquare"><StructuredTable name="c"></Algorithm>)";
    const std::string text = document.Text();
    const size_t line = text.rfind('\n', text.find("<Algorithm name=\"OChiSquare\">")) + 1;
    const size_t column = text.find("Algorithm>", text.find("<StructuredTable name=\"c\">")) - line + 1;
    apptest::TempDir dir;
    const std::string path = dir.Write("broken.xml", text);
    const RunOutcome outcome = RunDocuments({path});
    EXPECT_EQ(outcome.status, report::kExitSplitFailed);
    ASSERT_FALSE(outcome.messages.empty());
    EXPECT_EQ(outcome.messages.front(), "npar-report: split 1 (" + path +
                                            "): cannot be read: XML syntax error at line 4, column " +
                                            std::to_string(column) + ": Start-end tags mismatch");
    EXPECT_EQ(outcome.json.find("read-before-the-break"), std::string::npos);
}
