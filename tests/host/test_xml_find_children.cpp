// Finding an element's children in the text without a DOM, and loading the
// rest of the document without them: which texts split, where, and that a
// split never changes whether the document parses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SDOMXMLWrapper.h"

namespace {

constexpr const char* kPath = "Extension/Tests";

// A document with tests a and b in Extension/Tests, between the parts given.
std::string Document(const std::string& before, const std::string& tests,
                     const std::string& after = "") {
    return before + "<Root><Head n=\"1\"/><Extension><Tests k=\"v\">" + tests +
           "</Tests><Tail/></Extension>" + after + "</Root>";
}

std::vector<std::string> Pieces(const std::string& text) {
    std::vector<SDOMXMLRange> ranges;
    std::vector<std::string> pieces;
    if (!SDOMXMLFindChildren(text, kPath, "Test", ranges)) return pieces;
    for (const SDOMXMLRange& range : ranges)
        pieces.push_back(text.substr(range.begin, range.end - range.begin));
    return pieces;
}

// What a split promises: every piece loads on its own, and the text without
// the run of pieces loads exactly when the whole text does.
void ExpectSplitKeepsItsPromise(const std::string& text) {
    std::vector<SDOMXMLRange> ranges;
    if (!SDOMXMLFindChildren(text, kPath, "Test", ranges)) {
        EXPECT_TRUE(ranges.empty());
        return;
    }
    ASSERT_FALSE(ranges.empty());
    for (const SDOMXMLRange& range : ranges) {
        SDOMXMLWrapper piece;
        EXPECT_NE(
            piece.LoadFromString(std::string_view(text).substr(range.begin, range.end - range.begin)),
            nullptr)
            << text;
        EXPECT_EQ(piece.GetNameView(), "Test");
    }
    SDOMXMLWrapper whole;
    SDOMXMLWrapper frame;
    EXPECT_EQ(whole.LoadFromString(text) != nullptr,
              frame.LoadWithout(text, ranges.front().begin, ranges.back().end) != nullptr)
        << text;
}

TEST(XmlFindChildren, FindsEachChildWhateverItsMarkupHolds) {
    const std::string a = "<Test n=\"a\"><![CDATA[</Test> <Test>]]><x><!-- <Test/> --></x></Test>";
    const std::string b = "<Test n='b' q=\"a>b/c<d\" r = '\"/>'/>";
    const std::string c = "<Test><?pi </Test>?><y >t &lt; &#x41; ></y  ></Test >";
    const std::string document = Document("<?xml version=\"1.0\"?>\n<!-- <Root> -->\n",
                                          "\n  " + a + "\n  " + b + "\r\n\t" + c + "\n");
    EXPECT_EQ(Pieces(document), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(Pieces("\xEF\xBB\xBF" + document).size(), 3u) << "a byte order mark";
    ExpectSplitKeepsItsPromise(document);

    // The rest loads as the document without the children.
    std::vector<SDOMXMLRange> ranges;
    ASSERT_TRUE(SDOMXMLFindChildren(document, kPath, "Test", ranges));
    SDOMXMLWrapper frame;
    ASSERT_NE(frame.LoadWithout(document, ranges.front().begin, ranges.back().end), nullptr);
    SDOMXMLWrapper tests;
    ASSERT_TRUE(frame.GetFirstElement(kPath, tests));
    SDOMXMLIterator none;
    EXPECT_FALSE(tests.GetElementIterator("", none));
    std::string value;
    EXPECT_TRUE(tests.GetAttribute("k", value));
    SDOMXMLWrapper tail;
    EXPECT_TRUE(frame.GetFirstElement("Extension/Tail", tail));
}

TEST(XmlFindChildren, OnlyTheFirstElementAtThePathCounts) {
    // Children named Test elsewhere stay in the rest of the document.
    const std::string nested =
        Document("", "<Test><Test/></Test><Test/>", "<Test/><Tests><Test/></Tests>");
    EXPECT_EQ(Pieces(nested), (std::vector<std::string>{"<Test><Test/></Test>", "<Test/>"}));
    const std::string second =
        Document("", "<Test/>", "<Extension><Tests><Test n='2'/></Tests></Extension>");
    EXPECT_EQ(Pieces(second), (std::vector<std::string>{"<Test/>"}));
    // The first Extension has no Tests: the path is not found, as the DOM's
    // lookup takes the first element of each name and does not search on.
    EXPECT_TRUE(
        Pieces("<Root><Extension/><Extension><Tests><Test/></Tests></Extension></Root>").empty());
    EXPECT_TRUE(Pieces("<Root><Extension><Tests/><Tests><Test/></Tests></Extension></Root>").empty());
    EXPECT_TRUE(Pieces(Document("", "")).empty()) << "no child";
    EXPECT_TRUE(Pieces(Document("", "<Other/>")).empty());
}

TEST(XmlFindChildren, LeavesToAWholeLoadWhatItCannotVouchFor) {
    const std::string refused[] = {
        // Anything but whitespace between or beside the run of children
        // would be lost or joined differently in the rest of the document.
        Document("", "<Test/>text<Test/>"),
        Document("", "<Test/><!-- c --><Test/>"),
        Document("", "<Test/><Other/><Test/>"),
        Document("", "<Test/><![CDATA[x]]><Test/>"),
        Document("", "x <Test/>"),
        Document("", "<Test/> x"),
        // Markup it does not read as the parser does, or that does not parse.
        "<!DOCTYPE Root [<!ENTITY e \"x\">]>" + Document("", "<Test>&e;</Test>"),
        Document("", "<Test><a></b></Test>"),
        Document("", "<Test a=\"1\"b=\"2\"/>"),
        Document("", "<Test a=1/>"),
        Document("", "<Test/ >"),
        Document("", "<Test><!- x --></Test>"),
        Document("", "<Test><![CDATA[x]></Test>"),
        Document("", "<Test><? x?></Test>"),
        Document("", "<Test>< x</Test>"),
        Document("", "<Test>\xC3\xA9<\xC3\xA9/></Test>"),
        Document("", std::string("<Test>\0</Test>", 14)),
        Document("x", "<Test/>"),
        Document("", "<Test>"),
    };
    for (const std::string& text : refused) {
        EXPECT_TRUE(Pieces(text).empty()) << text;
        ExpectSplitKeepsItsPromise(text);
    }
    // Markup after the element the children belong to is not scanned: the
    // rest of the document fails to load, as the whole does.
    const std::string brokenTail = Document("", "<Test/>", "<Bad x=1/>");
    EXPECT_EQ(Pieces(brokenTail).size(), 1u);
    ExpectSplitKeepsItsPromise(brokenTail);
}

// One byte deleted, or one markup character put in, at every place of a
// document with every kind of markup: however the text breaks, a split that
// is made keeps its promise.
TEST(XmlFindChildren, EveryOneByteChangeKeepsThePromise) {
    const std::string document =
        Document("<?xml version=\"1.0\"?><!--c-->",
                 " <Test a='x>/'><![CDATA[]]>]]><b c=\"d\"/><?p q?></Test> <Test/> ", "<Test/>");
    ASSERT_EQ(Pieces(document).size(), 2u);
    for (size_t i = 0; i < document.size(); ++i) {
        ExpectSplitKeepsItsPromise(document.substr(0, i) + document.substr(i + 1));
        for (char c : std::string("<>/\"'=!?-[] x\0", 14)) {
            std::string changed = document;
            changed.insert(i, 1, c);
            ExpectSplitKeepsItsPromise(changed);
        }
    }
}

// Each child is told as soon as it ends, with every child so far, so that
// a reader can begin on them; the children told are the ones the search
// gives. A search that fails later may have told children before: it then
// gives none.
TEST(XmlFindChildren, TellsEachChildAsItEnds) {
    const auto told = [](const std::string& text, bool& found) {
        std::vector<SDOMXMLRange> ranges;
        std::vector<std::string> pieces;
        found = SDOMXMLFindChildren(text, kPath, "Test", ranges,
                                    [&](const std::vector<SDOMXMLRange>& sofar) {
                                        EXPECT_EQ(sofar.size(), pieces.size() + 1);
                                        const SDOMXMLRange& last = sofar.back();
                                        pieces.push_back(text.substr(last.begin, last.end - last.begin));
                                    });
        EXPECT_EQ(ranges.empty(), !found);
        return pieces;
    };
    bool found = false;
    const std::string tests = "<Test a=\"1\"><Test/></Test> <Test/><Test>x</Test>";
    const std::string document = Document("", tests);
    EXPECT_EQ(told(document, found),
              (std::vector<std::string>{"<Test a=\"1\"><Test/></Test>", "<Test/>", "<Test>x</Test>"}));
    EXPECT_TRUE(found);
    EXPECT_EQ(told(document, found), Pieces(document));

    // Text after the last child: the children were told, the search fails.
    EXPECT_EQ(told(Document("", tests + " text"), found).size(), 3u);
    EXPECT_FALSE(found);
}

}  // namespace
