// The XML wrapper and the text functions, as the reader relies on them.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "CFProcCustom.h"
#include "SDOMXMLWrapper.h"
#include "text/Escapes.h"

namespace {

TEST(XmlWrapper, LoadsOnlyCompleteDocumentsAndStandsForTheRoot) {
    SDOMXMLWrapper broken;
    EXPECT_EQ(broken.LoadFromString("<StatXML><a></StatXML>"), nullptr);
    SDOMXMLWrapper empty;
    EXPECT_EQ(empty.LoadFromString(""), nullptr);
    SDOMXMLWrapper bom;
    ASSERT_NE(bom.LoadFromString("\xEF\xBB\xBF<StatXML/>"), nullptr);
    EXPECT_EQ(bom.GetName(), "StatXML");
}

TEST(XmlWrapper, DoctypeEntitiesAreNotExpanded) {
    SDOMXMLWrapper xml;
    const char* text = "<!DOCTYPE r [<!ENTITY big \"xxxxxxxxxxxxxxxxxxxxxxxx\">]><r a=\"1\">&big;</r>";
    if (xml.LoadFromString(text)) {
        std::string body;
        ASSERT_TRUE(xml.GetTextBody(body));
        EXPECT_EQ(body.find("xxxx"), std::string::npos);
    }
}

TEST(XmlWrapper, PathsIteratorsAndAttributes) {
    SDOMXMLWrapper xml;
    ASSERT_NE(xml.LoadFromString("<r><a><b n=\"42\" d=\"2.5\" t=\"abc\" big=\"99999999999\"/>"
                                 "<b n=\"-7\"/></a><!-- c --><c>x<![CDATA[y]]>z</c></r>"),
              nullptr);
    SDOMXMLWrapper* b = nullptr;
    ASSERT_TRUE(xml.GetFirstElement("a/b", &b, true));
    int n = 0;
    EXPECT_TRUE(b->GetAttribute("n", n));
    EXPECT_EQ(n, 42);
    double d = 0;
    EXPECT_TRUE(b->GetAttribute("d", d));
    EXPECT_DOUBLE_EQ(d, 2.5);
    d = 7;
    EXPECT_FALSE(b->GetAttribute("t", d)) << "text that is no number is no double";
    EXPECT_DOUBLE_EQ(d, 7);
    EXPECT_TRUE(b->GetAttribute("big", n));
    EXPECT_EQ(n, INT_MAX);
    n = 5;
    EXPECT_FALSE(b->GetAttribute("missing", n));
    EXPECT_EQ(n, 5);

    SDOMXMLWrapper* none = nullptr;
    EXPECT_FALSE(xml.GetFirstElement("a/x", &none, true));
    EXPECT_FALSE(xml.GetFirstElement("", &none, true));

    SDOMXMLIterator* all = nullptr;
    ASSERT_TRUE(xml.GetElementIterator("", &all, true));
    std::vector<std::string> names;
    SDOMXMLWrapper* child = nullptr;
    while (all->Next(&child)) names.push_back(child->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "c"})) << "comments are no elements";

    SDOMXMLWrapper* c = nullptr;
    ASSERT_TRUE(xml.GetFirstElement("c", &c, true));
    std::string body;
    EXPECT_TRUE(c->GetTextBody(body));
    EXPECT_EQ(body, "xyz");
    SDOMXMLIterator* noChildren = nullptr;
    EXPECT_FALSE(c->GetElementIterator("", &noChildren, true));
    EXPECT_FALSE(xml.GetElementIterator("zzz", &noChildren, true));
}

// Handles the caller keeps point at the same elements as the ones the
// document hands out, and a handle that loaded a document is never taken as
// a target (its document would go).
TEST(XmlWrapper, CallerMadeHandles) {
    SDOMXMLWrapper xml;
    ASSERT_NE(xml.LoadFromString("<r><a><b n=\"1\"/><x/><b n=\"2\"/></a><c/></r>"), nullptr);
    SDOMXMLWrapper a;
    ASSERT_TRUE(xml.GetFirstElement("a", a));
    SDOMXMLIterator bs;
    ASSERT_TRUE(a.GetElementIterator("b", bs));
    std::vector<int> numbers;
    SDOMXMLWrapper b;
    while (bs.Next(b)) {
        int n = 0;
        EXPECT_TRUE(b.GetAttribute("n", n));
        numbers.push_back(n);
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 2})) << "only the children of that name, in order";
    EXPECT_EQ(b.GetNameView(), "b") << "the handle keeps the last element after the end";

    SDOMXMLIterator all;
    ASSERT_TRUE(xml.GetElementIterator("", all));
    std::vector<std::string> names;
    SDOMXMLWrapper child;
    while (all.Next(child)) names.push_back(child.GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "c"}));

    SDOMXMLWrapper deep;
    ASSERT_TRUE(xml.GetFirstElement("a/x", deep));
    EXPECT_EQ(deep.GetNameView(), "x");
    EXPECT_FALSE(xml.GetFirstElement("a/zzz", deep));
    EXPECT_EQ(deep.GetNameView(), "") << "a failed lookup leaves the handle standing for nothing";
    EXPECT_FALSE(deep.GetElementIterator("", all));
    EXPECT_FALSE(all.Next(child)) << "an iterator over nothing gives nothing";
    EXPECT_FALSE(xml.GetFirstElement("", deep));

    SDOMXMLWrapper other;
    ASSERT_NE(other.LoadFromString("<o><p/></o>"), nullptr);
    EXPECT_FALSE(xml.GetFirstElement("a", other)) << "a loading wrapper is no target";
    EXPECT_EQ(other.GetNameView(), "o");
    ASSERT_TRUE(xml.GetElementIterator("a", all));
    EXPECT_FALSE(all.Next(other));
    EXPECT_EQ(other.GetNameView(), "o");
    SDOMXMLWrapper p;
    EXPECT_TRUE(other.GetFirstElement("p", p)) << "the refused document is still loaded";
}

// A step that reads the element's tag and attributes gives what asking for
// them one by one gives, and says when an element has more attributes than
// the view holds.
TEST(XmlWrapper, StepsReadTagsAndAttributesAtOnce) {
    SDOMXMLWrapper xml;
    ASSERT_NE(xml.LoadFromString("<r><a x=\"1\" y=\"a &amp; b\" z=\"\"/>text<b/>"
                                 "<c a0=\"0\" a1=\"1\" a2=\"2\" a3=\"3\" a4=\"4\" a5=\"5\" a6=\"6\" "
                                 "a7=\"7\" a8=\"8\" a9=\"9\"/><b n=\"2\"/></r>"),
              nullptr);
    SDOMXMLIterator all;
    ASSERT_TRUE(xml.GetElementIterator("", all));
    SDOMXMLWrapper child;
    SDOMXMLElementView view;
    ASSERT_TRUE(all.Next(child, view));
    EXPECT_EQ(view.name, "a");
    EXPECT_EQ(child.GetNameView(), "a") << "the handle stands for the element read";
    ASSERT_EQ(view.attributeCount, 3u);
    EXPECT_TRUE(view.Complete());
    EXPECT_EQ(view.attributes[0].name, "x");
    EXPECT_EQ(view.attributes[1].value, "a & b");
    std::string_view value = "kept";
    EXPECT_TRUE(view.Find("z", value));
    EXPECT_TRUE(value.empty());
    value = "kept";
    EXPECT_FALSE(view.Find("w", value));
    EXPECT_FALSE(view.Find("", value));
    EXPECT_EQ(value, "kept");

    ASSERT_TRUE(all.Next(child, view));
    EXPECT_EQ(view.name, "b") << "text between elements is stepped over";
    EXPECT_EQ(view.attributeCount, 0u);

    ASSERT_TRUE(all.Next(child, view));
    EXPECT_EQ(view.name, "c");
    EXPECT_EQ(view.attributeCount, 10u);
    EXPECT_FALSE(view.Complete());
    EXPECT_TRUE(view.Find("a7", value));
    EXPECT_EQ(value, "7");
    EXPECT_FALSE(view.Find("a8", value)) << "beyond the view: for the element to say";
    ASSERT_TRUE(child.GetAttributeView("a8", value));
    EXPECT_EQ(value, "8");

    ASSERT_TRUE(all.Next(child, view));
    EXPECT_FALSE(all.Next(child, view));
    EXPECT_EQ(view.name, "b") << "the end leaves the last view as it was";

    SDOMXMLIterator named;
    ASSERT_TRUE(xml.GetElementIterator("b", named));
    std::vector<size_t> counts;
    while (named.Next(child, view)) counts.push_back(view.attributeCount);
    EXPECT_EQ(counts, (std::vector<size_t>{0, 1})) << "only the elements of that name";

    SDOMXMLWrapper other;
    ASSERT_NE(other.LoadFromString("<o/>"), nullptr);
    ASSERT_TRUE(xml.GetElementIterator("", all));
    EXPECT_FALSE(all.Next(other, view)) << "a loading wrapper is no target";
    EXPECT_EQ(other.GetNameView(), "o");
}

// An element's text is the same whatever pieces it comes in: the first piece
// is kept in the element itself, later ones in nodes of their own.
TEST(XmlWrapper, TextsInEveryArrangementOfPieces) {
    SDOMXMLWrapper xml;
    ASSERT_NE(xml.LoadFromString("<r><one>a b</one><cdataFirst><![CDATA[a]]>b</cdataFirst>"
                                 "<afterChild><x/>b</afterChild><around>a<x/>b<x/>c</around>"
                                 "<onlyChild><x>inner</x></onlyChild><blank>  </blank>"
                                 "<entity>a &amp; b</entity><cdataOnly><![CDATA[<a>]]></cdataOnly></r>"),
              nullptr);
    const std::pair<const char*, const char*> expected[] = {
        {"one", "a b"},    {"cdataFirst", "ab"}, {"afterChild", "b"}, {"around", "abc"},
        {"onlyChild", ""}, {"blank", ""},        {"entity", "a & b"}, {"cdataOnly", "<a>"},
    };
    for (const auto& [path, text] : expected) {
        SDOMXMLWrapper element;
        ASSERT_TRUE(xml.GetFirstElement(path, element)) << path;
        std::string_view view = "stale";
        ASSERT_TRUE(element.GetTextView(view)) << path;
        EXPECT_EQ(view, text) << path;
    }
}

TEST(XmlWrapper, ViewsPointIntoTheDocumentAndLiveWithIt) {
    SDOMXMLWrapper xml;
    ASSERT_NE(xml.LoadFromString("<r a=\"x &amp; y\" e=\"\"><one>1 2</one>"
                                 "<split>1 2<!-- c -->3<![CDATA[ 4]]></split><none><x/></none></r>"),
              nullptr);
    std::string_view value;
    ASSERT_TRUE(xml.GetAttributeView("a", value));
    EXPECT_EQ(value, "x & y") << "entities are expanded in the view as in the copy";
    ASSERT_TRUE(xml.GetAttributeView("e", value));
    EXPECT_TRUE(value.empty());
    value = "kept";
    EXPECT_FALSE(xml.GetAttributeView("missing", value));
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(xml.GetNameView(), "r");

    // Views of texts in one piece and in several stay valid together for as
    // long as the document is loaded, whatever else is read in between.
    std::vector<std::string_view> texts;
    for (const char* path : {"one", "split", "none", "split"}) {
        SDOMXMLWrapper* element = nullptr;
        ASSERT_TRUE(xml.GetFirstElement(path, &element, true)) << path;
        std::string_view text = "stale";
        ASSERT_TRUE(element->GetTextView(text)) << path;
        texts.push_back(text);
    }
    EXPECT_EQ(texts, (std::vector<std::string_view>{"1 2", "1 23 4", "", "1 23 4"}));
    std::string copy;
    SDOMXMLWrapper* split = nullptr;
    ASSERT_TRUE(xml.GetFirstElement("split", &split, true));
    ASSERT_TRUE(split->GetTextBody(copy));
    EXPECT_EQ(copy, "1 23 4");

    SDOMXMLWrapper nothing;
    EXPECT_EQ(nothing.GetNameView(), "");
    EXPECT_FALSE(nothing.GetAttributeView("a", value));
    EXPECT_FALSE(nothing.GetTextView(value));
}

// The readers take a fast path for plain decimal text; whatever the text,
// they must give what strtod and strtol give in the C locale.
TEST(TextFunctions, NumbersReadAsTheCFunctionsReadThem) {
    const char* texts[] = {"0",
                           "-0",
                           "42",
                           "-17",
                           "3.25",
                           "-.5",
                           ".5",
                           "5.",
                           "1e3",
                           "1E+03",
                           "2.5e-3",
                           "1e",
                           "1e+",
                           "12abc",
                           "12.5.6",
                           "0x1A",
                           "-0x10",
                           "0x1p3",
                           " 7",
                           "\t-2.5",
                           "+3",
                           "+.5",
                           "inf",
                           "-inf",
                           "Infinity",
                           "nan",
                           "-",
                           ".",
                           "-.",
                           "",
                           "abc",
                           "1e400",
                           "-1e400",
                           "1e-400",
                           "4.9e-324",
                           "2.2250738585072011e-308",
                           "0.1000000000000000055511151231257827",
                           "123456789012345678901234567890",
                           "9007199254740993",
                           "2147483647",
                           "2147483648",
                           "-2147483649",
                           "99999999999999999999",
                           "-99999999999999999999",
                           "007",
                           "1_000"};
    for (const char* text : texts) {
        const double expected = std::strtod(text, nullptr);
        const double read = String2Double(text);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(read)) << text;
        } else {
            EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << text << ": " << read;
        }
        const long whole = std::strtol(text, nullptr, 10);
        const int clamped = whole > INT_MAX ? INT_MAX : whole < INT_MIN ? INT_MIN : int(whole);
        EXPECT_EQ(String2Integer(text), clamped) << text;
    }
    // A view ends where it ends, though the text goes on behind it.
    const std::string text = "123 0x10 2.5e3";
    EXPECT_EQ(String2Integer(std::string_view(text).substr(0, 2)), 12);
    EXPECT_DOUBLE_EQ(String2Double(std::string_view(text).substr(4, 3)), 1.0);
    EXPECT_DOUBLE_EQ(String2Double(std::string_view(text).substr(9, 4)), 2.5);
    EXPECT_DOUBLE_EQ(String2Double(std::string_view(text).substr(9, 5)), 2500.0);
    EXPECT_EQ(SplitToToken(std::string_view(text).substr(2, 5)), (std::vector<std::string>{"3", "0x1"}));
}

// Plain decimals, the bulk of every document, must round to the very double
// strtod gives, however many digits they have and wherever the point stands:
// at the edges of exact arithmetic (2^53, 22 fraction digits) and beyond.
TEST(TextFunctions, PlainDecimalsRoundAsStrtodRounds) {
    std::vector<std::string> texts = {"9007199254740992",
                                      "9007199254740993",
                                      "-9007199254740992.",
                                      "900719925474099.3",
                                      "0.1",
                                      "0.3",
                                      "2.675",
                                      "4.35",
                                      "1.0000000000000002",
                                      "0.0000000000000000000001",
                                      "0.00000000000000000000001",
                                      "1234567890123456.7",
                                      "-0.0",
                                      "00000000000000000000000000001.5"};
    std::mt19937_64 random(20261207);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + int(random() % 20);
        std::string text = random() % 4 == 0 ? "-" : "";
        const int point = int(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point) text += '.';
            text += char('0' + random() % 10);
        }
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        const double expected = std::strtod(text.c_str(), nullptr);
        const double read = String2Double(text);
        ASSERT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << text << ": " << read;
    }
}

TEST(TextFunctions, TokensAndNumbers) {
    EXPECT_EQ(SplitToToken("  1\t2\n\r\n3   "), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(SplitToToken(" \t\n").empty());
    EXPECT_DOUBLE_EQ(String2Double("2.5e1xyz"), 25.0);
    EXPECT_DOUBLE_EQ(String2Double("abc"), 0.0);
    EXPECT_EQ(String2Integer("12abc"), 12);
    EXPECT_EQ(String2Integer("x"), 0);
    EXPECT_EQ(String2Integer("-99999999999"), INT_MIN);
    EXPECT_EQ(Integer2String(-3), "-3");
}

TEST(TextFunctions, NumbersIgnoreTheProcessLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no German locale";
    const double value = String2Double("0.25");
    SDOMXMLWrapper xml;
    double attribute = 0;
    const bool loaded = xml.LoadFromString("<r d=\"1.5\"/>") && xml.GetAttribute("d", attribute);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_DOUBLE_EQ(value, 0.25);
    EXPECT_TRUE(loaded);
    EXPECT_DOUBLE_EQ(attribute, 1.5);
}

TEST(TextFunctions, DatesMoveToTheHostScale) {
    EXPECT_DOUBLE_EQ(NumericFormatCFToStat(0, 20), 12219379200.0);
    EXPECT_DOUBLE_EQ(NumericFormatCFToStat(1, 39), 12219379200.0 + 86400.0);
    EXPECT_DOUBLE_EQ(NumericFormatCFToStat(5, 22), 12219379205.0);
    EXPECT_DOUBLE_EQ(NumericFormatCFToStat(3600, 21), 3600.0);
    EXPECT_DOUBLE_EQ(NumericFormatCFToStat(2.5, 5), 2.5);
}

}  // namespace

TEST(TextEscapes, HtmlAndScriptJsonEscapeWhatTheirPlaceReservesAndMendBadUtf8) {
    using npar::EscapeHtml;
    using npar::EscapeScriptJson;
    // Reserved characters at either end, side by side and between plain runs.
    EXPECT_EQ(EscapeHtml("<a & 'b'>\"\""), "&lt;a &amp; &#39;b&#39;&gt;&quot;&quot;");
    EXPECT_EQ(EscapeHtml("plain \xCE\xB5\xC2\xB2 text"), "plain \xCE\xB5\xC2\xB2 text");
    EXPECT_EQ(EscapeHtml(""), "");
    // A stray byte and a cut sequence become U+FFFD, the rest stays.
    EXPECT_EQ(EscapeHtml("a\xFF<b\xCE"), "a\xEF\xBF\xBD&lt;b\xEF\xBF\xBD");
    // Nothing in script data can end the element or open a comment.
    EXPECT_EQ(EscapeScriptJson(R"({"t":"</script><!--x"})"), R"({"t":"\u003c/script>\u003c!--x"})");
    EXPECT_EQ(EscapeScriptJson("<<"), "\\u003c\\u003c");
    EXPECT_EQ(EscapeScriptJson("{\"t\":\"\xC0\xAF<\"}"), "{\"t\":\"\xEF\xBF\xBD\xEF\xBF\xBD\\u003c\"}");
}
