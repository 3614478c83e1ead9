// The XML wrapper and the text functions, as the reader relies on them.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>

#include "CFProcCustom.h"
#include "SDOMXMLWrapper.h"

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
