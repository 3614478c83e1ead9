// How the reader takes a document's texts apart: number lists (rows,
// condition parameters, category lists) token by token, attributes whatever
// their order and neighbours, and the parts of a SimpleTable wherever they
// stand among its children.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ReaderFixture.h"

using namespace nopr_test;
using namespace NOPROutputStats;

namespace {

// What a number list holds for one token: "__MISSING__" is the
// system-missing value, and every other token the number the C library reads
// at its start (0 when it starts with none).
double ListValue(const std::string& token) {
    return token == "__MISSING__" ? kNOPRMissing : std::strtod(token.c_str(), nullptr);
}

int IntegerValue(const std::string& token) {
    const long value = std::strtol(token.c_str(), nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : int(value);
}

// Tokens of every shape a list may hold: plain decimals, signs, exponents,
// texts of infinities and NaNs, hexadecimal, junk after a number, no number
// at all, too many digits, out of range, and near misses of the missing mark.
const std::vector<std::string> kTokens = {"0",
                                          "-0",
                                          "7",
                                          "-12",
                                          "3.25",
                                          "-0.016",
                                          ".5",
                                          "-.5",
                                          "5.",
                                          "007",
                                          "+3",
                                          "+.5",
                                          "1e3",
                                          "1E+03",
                                          "2.5e-3",
                                          "-4.1E-5",
                                          "1e",
                                          "1e+",
                                          "12abc",
                                          "12.5.6",
                                          "1,5",
                                          "0x1A",
                                          "-0x10",
                                          "0x1p3",
                                          "inf",
                                          "-inf",
                                          "Infinity",
                                          "nan",
                                          "NaN",
                                          "-nan",
                                          "-",
                                          ".",
                                          "abc",
                                          "1e400",
                                          "-1e400",
                                          "1e-400",
                                          "4.9e-324",
                                          "2.2250738585072011e-308",
                                          "0.1000000000000000055511151231257827",
                                          "9007199254740993",
                                          "123456789012345678901234567890",
                                          "99999999999999999999",
                                          "179769313486231570000",
                                          "0.3",
                                          "1234567.891",
                                          "__MISSING__",
                                          "__MISSING__x",
                                          "x__MISSING__",
                                          "__missing__"};

// The tokens joined by runs of every separator, with separators around them.
std::string Joined(const std::vector<std::string>& tokens) {
    const char* separators[] = {" ", "\t", "  ", "\n", " \r\n\t "};
    std::string text = " \t";
    for (size_t i = 0; i < tokens.size(); ++i) text += tokens[i] + separators[i % 5];
    return text;
}

// Compares bit for bit, so that -0, NaN signs and the last digit all count.
void ExpectSameNumbers(const std::vector<double>& read, const std::vector<std::string>& tokens) {
    ASSERT_EQ(read.size(), tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const double expected = ListValue(tokens[i]);
        EXPECT_EQ(std::memcmp(&read[i], &expected, sizeof expected), 0)
            << "token \"" << tokens[i] << "\" read as " << read[i];
    }
}

std::string ChiSquare(const std::string& tables) {
    return Algorithm("OChiSquare", "One_Sample", tables);
}

// Reads one document, keeping why the read stopped (empty when it did not).
ReadOutcome ReadKeepingCause(const std::string& document, std::string& cause) {
    CFTakeReadFailure();
    ReadOutcome outcome = Read(document);
    cause = CFTakeReadFailure();
    return outcome;
}

}  // namespace

TEST(ReadingTexts, NumberListsReadEachTokenAsTheCLibraryDoes) {
    const std::string list = Joined(kTokens);
    // Longer than any buffer a reader might keep the numbers of a list in.
    std::vector<std::string> many;
    for (int i = 0; i < 5; ++i) many.insert(many.end(), kTokens.begin(), kTokens.end());
    std::vector<std::string> few(kTokens.begin(), kTokens.begin() + 6);
    const std::string document = MakeDocument(
        ChiSquare(Table("Condition", Attribute("ConditionKey", "K") + Attribute("%0", list) +
                                         Attribute("%1", "") + Attribute("%2", " \t ") +
                                         Attribute("%3", "-2.5")) +
                  Table("TwoClassComparison", Simple("Content", "  a\tb \n c  ", "\tx y",
                                                     {list, "", " \n\t ", "1 2", Joined(many)}))) +
        Algorithm("RMcNemar", "Related_Samples",
                  Table("CategoryFieldsComparison", Attribute("RowSuccessList", Joined(few)) +
                                                        Attribute("RowFailList", "") +
                                                        Simple("Counts", "r", "c", {"1"}))));
    const ReadOutcome outcome = Read(document);
    ASSERT_TRUE(outcome.ok);

    const auto* chiSquare = TestAt<HTOChiSquare>(outcome, 0);
    ASSERT_NE(chiSquare, nullptr);
    const ValueTable& table = chiSquare->fTwoClassComparison;
    EXPECT_EQ(table.fRowNames, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(table.fColumnNames, (std::vector<std::string>{"x", "y"}));
    ASSERT_EQ(table.fRows.size(), 5u);
    {
        SCOPED_TRACE("a row");
        ExpectSameNumbers(table.fRows[0], kTokens);
    }
    EXPECT_TRUE(table.fRows[1].empty()) << "an empty row";
    EXPECT_TRUE(table.fRows[2].empty()) << "a row of blanks";
    EXPECT_EQ(table.fRows[3], (std::vector<double>{1, 2}));
    {
        SCOPED_TRACE("a long row");
        ExpectSameNumbers(table.fRows[4], many);
    }

    const auto& parameters = chiSquare->fCondition.fParameters;
    ASSERT_EQ(parameters.size(), 4u);
    EXPECT_EQ(parameters[0].fIndex, 0);
    {
        SCOPED_TRACE("a condition parameter");
        ExpectSameNumbers(parameters[0].fValues, kTokens);
    }
    EXPECT_EQ(parameters[1].fIndex, 1);
    EXPECT_TRUE(parameters[1].fValues.empty());
    EXPECT_TRUE(parameters[2].fValues.empty());
    EXPECT_EQ(parameters[3].fValues, std::vector<double>{-2.5});

    ASSERT_EQ(outcome.results->fTests.size(), 2u);
    const auto* mcNemar = TestAt<HTRMcNemar>(outcome, 1);
    ASSERT_NE(mcNemar, nullptr);
    {
        SCOPED_TRACE("a category list");
        ExpectSameNumbers(mcNemar->fCategoryFieldsComparison.fRowSuccess, few);
    }
    EXPECT_TRUE(mcNemar->fCategoryFieldsComparison.fRowFail.empty());
}

TEST(ReadingTexts, IntegerListsReadEachTokenAsTheCLibraryDoes) {
    const std::vector<std::string> tokens = {
        "1", "-2", "+3", "3.9", "x", "12abc", "0x10", "007", "2147483648", "-99999999999999999999"};
    const std::string document =
        MakeDocument(ChiSquare(Table("Condition", Attribute("OrdinalTreatedAsCont", Joined(tokens))) +
                               Table("TwoClassComparison", Simple("Content", "r", "c", {"1"}))));
    const ReadOutcome outcome = Read(document);
    ASSERT_TRUE(outcome.ok);
    const auto* record = TestAt<HTOChiSquare>(outcome, 0);
    ASSERT_NE(record, nullptr);
    std::vector<int> expected;
    for (const std::string& token : tokens) expected.push_back(IntegerValue(token));
    EXPECT_EQ(record->fCondition.fOrdinalAsContinuous, expected);
}

// An Attribute is found by its tag alone, and its name and value wherever
// they stand among its attributes; names that only begin or end alike are
// other attributes.
TEST(ReadingTexts, AttributesWhateverTheirOrderAndNeighbours) {
    const std::string methods =
        "<StructuredTable name=\"Methods\">"
        "<Attribute value=\"v1\" name=\"first\"/>"
        "<Attribute nam=\"x\" namex=\"y\" name=\"second\" valu=\"z\" values=\"w\" value=\"v2\"/>"
        "<!-- between --><?note between?>"
        "<Attribute name=\"third\"/>"
        "<Attributes name=\"plural\" value=\"1\"/><attribute name=\"lower\" value=\"1\"/>"
        "<Attribute name=\"fourth\" value=\"a &amp; &lt;b&gt; &#65;&#x42;\"/>"
        "<Attribute name=\"\" value=\"unnamed\"/>"
        "<Attribute name=\"tabs\" value=\"a\tb\nc\"/>"
        "<Attribute value=\"\" name=\"empty\" value2=\"no\"/>"
        "<Attribute a=\"1\" b=\"2\" c=\"3\" d=\"4\" e=\"5\" f=\"6\" g=\"7\" h=\"8\" "
        "value=\"late\" name=\"many\"/>"
        "<Attribute name=\"early\" a=\"1\" b=\"2\" c=\"3\" d=\"4\" e=\"5\" f=\"6\" g=\"7\" h=\"8\" "
        "value=\"last\"/>"
        "</StructuredTable>";
    const std::string statistics = Table(
        "StatisticsResult", "<Attribute value=\"2.5\" name=\"TestStatistic\"/>" +
                                Attribute("AsymptoticSig2Tailed", ">0.2") +
                                std::string("<Attribute name=\"Blank\"/>") + Attribute("Junk", "1x"));
    // A table whose "name" stands after many other attributes is found all the same.
    const std::string twoClass =
        "<StructuredTable a=\"1\" b=\"2\" c=\"3\" d=\"4\" e=\"5\" f=\"6\" g=\"7\" h=\"8\" i=\"9\" "
        "name=\"TwoClassComparison\">" +
        Simple("C", "r", "c", {"1"}) + "</StructuredTable>";
    const ReadOutcome outcome = Read(MakeDocument(ChiSquare(methods + statistics + twoClass)));
    ASSERT_TRUE(outcome.ok);
    const auto* record = TestAt<HTOChiSquare>(outcome, 0);
    ASSERT_NE(record, nullptr);

    std::vector<std::pair<std::string, std::string>> read;
    for (const AttributeEntry& entry : record->fMethods) read.emplace_back(entry.fName, entry.fValue);
    EXPECT_EQ(read, (std::vector<std::pair<std::string, std::string>>{{"first", "v1"},
                                                                      {"second", "v2"},
                                                                      {"third", ""},
                                                                      {"fourth", "a & <b> AB"},
                                                                      {"", "unnamed"},
                                                                      {"tabs", "a b c"},
                                                                      {"empty", ""},
                                                                      {"many", "late"},
                                                                      {"early", "last"}}));

    EXPECT_EQ(record->fTwoClassComparison.fName, "C");
    ASSERT_EQ(record->fStatistics.size(), 1u);
    const auto& values = record->fStatistics[0].fValues;
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0].fName, "TestStatistic");
    EXPECT_EQ(values[0].fValue, 2.5);
    EXPECT_EQ(values[1].fName, "AsymptoticSig2Tailed");
    EXPECT_EQ(values[1].fValue, 0.2) << "a bound keeps its number";
    EXPECT_EQ(values[2].fValue, 0.0) << "no value reads as no number";
    EXPECT_EQ(values[3].fValue, 1.0);
}

TEST(ReadingTexts, SimpleTablePartsWhereverTheyStand) {
    // Rows before the names, a second RowNames that is not taken, a Row
    // inside another element that is no row of the table, and texts in
    // pieces.
    const std::string scattered =
        "<SimpleTable name=\"Content\"><Row>1 2</Row><!-- c --><ColumnNames>x y</ColumnNames>"
        "<Row>3<![CDATA[4]]> 5</Row><RowNames>a b</RowNames><Other><Row>9</Row></Other>"
        "<RowNames>not taken</RowNames><Row/><Row>\n6\t</Row></SimpleTable>";
    const ReadOutcome outcome = Read(MakeDocument(ChiSquare(Table("TwoClassComparison", scattered))));
    ASSERT_TRUE(outcome.ok);
    const auto* record = TestAt<HTOChiSquare>(outcome, 0);
    ASSERT_NE(record, nullptr);
    const ValueTable& table = record->fTwoClassComparison;
    EXPECT_EQ(table.fName, "Content");
    EXPECT_EQ(table.fRowNames, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(table.fColumnNames, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(table.fRows, (std::vector<std::vector<double>>{{1, 2}, {34, 5}, {}, {6}}));

    const std::string place = "Algorithm 1 (\"OChiSquare\"), StructuredTable \"TwoClassComparison\": ";
    struct Broken {
        std::string simple;
        std::string cause;
    };
    const Broken broken[] = {
        {"<SimpleTable name=\"S\"><Row>1</Row></SimpleTable>", "SimpleTable \"S\" has no RowNames"},
        {"<SimpleTable name=\"S\"><ColumnNames/><Row>1</Row></SimpleTable>",
         "SimpleTable \"S\" has no RowNames"},
        {"<SimpleTable name=\"S\"><Row>1</Row><RowNames/></SimpleTable>",
         "SimpleTable \"S\" has no ColumnNames"},
        {"<SimpleTable name=\"S\"><Other><RowNames/><ColumnNames/></Other></SimpleTable>",
         "SimpleTable \"S\" has no RowNames"},
        {"<SimpleTable><RowNames/><ColumnNames/></SimpleTable>", "a SimpleTable has no \"name\""},
    };
    for (const Broken& entry : broken) {
        std::string cause;
        const ReadOutcome failed =
            ReadKeepingCause(MakeDocument(ChiSquare(Table("TwoClassComparison", entry.simple))), cause);
        EXPECT_FALSE(failed.ok) << entry.simple;
        EXPECT_EQ(cause, place + entry.cause) << entry.simple;
    }

    // Empty names and no rows are a table all the same.
    const ReadOutcome bare = Read(MakeDocument(ChiSquare(Table(
        "TwoClassComparison", "<SimpleTable name=\"S\"><ColumnNames/><RowNames/></SimpleTable>"))));
    ASSERT_TRUE(bare.ok);
    const auto* bareRecord = TestAt<HTOChiSquare>(bare, 0);
    ASSERT_NE(bareRecord, nullptr);
    EXPECT_TRUE(bareRecord->fTwoClassComparison.fRowNames.empty());
    EXPECT_TRUE(bareRecord->fTwoClassComparison.fRows.empty());
}
