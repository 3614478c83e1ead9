// The CSV reader: RFC 4180 fields, line ends and encodings, how a column's
// type is told, and every malformed file named by its line and column.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "engine/CsvReader.h"

using npar::engine::ColumnType;
using npar::engine::CsvError;
using npar::engine::CsvOptions;
using npar::engine::DataTable;
using npar::engine::ReadCsv;

namespace {

std::string TextAt(const DataTable& table, size_t column, size_t row) {
    const auto& c = table.At(column);
    return c.codes[row] < 0 ? "<missing>" : c.strings.Text(c.codes[row]);
}

// The message of the CsvError that reading text throws, or "" when it reads.
std::string ErrorOf(const std::string& text, const CsvOptions& options = {}) {
    try {
        ReadCsv(text, options);
    } catch (const CsvError& error) {
        return error.what();
    }
    return "";
}

}  // namespace

TEST(CsvReader, ReadsQuotedFieldsLineEndsAndByteOrderMark) {
    const std::string text =
        "\xEF\xBB\xBF"
        "name,note,score\r\n"
        "\"Smith, J\",\"said \"\"hi\"\"\",1.5\r\n"
        "\"two\nlines\",,2\n"
        "plain,\"\",\n";
    const DataTable table = ReadCsv(text);
    ASSERT_EQ(table.ColumnCount(), 3u);
    EXPECT_EQ(table.At(0).name, "name");  // the byte-order mark is not part of the name
    ASSERT_EQ(table.RowCount(), 3u);
    EXPECT_EQ(TextAt(table, 0, 0), "Smith, J");
    EXPECT_EQ(TextAt(table, 1, 0), "said \"hi\"");
    EXPECT_EQ(TextAt(table, 0, 1), "two\nlines");
    EXPECT_EQ(TextAt(table, 1, 1), "<missing>");  // empty cell
    EXPECT_EQ(TextAt(table, 1, 2), "<missing>");  // empty quoted cell
    EXPECT_EQ(table.At(2).type, ColumnType::Numeric);
    EXPECT_EQ(table.At(2).numbers[0], 1.5);
    EXPECT_TRUE(std::isnan(table.At(2).numbers[2]));  // the row ends in a delimiter
}

TEST(CsvReader, TellsNumbersDatesAndStrings) {
    const DataTable table = ReadCsv(
        "n,d,s,m\n"
        " 12 ,2023-07-01,a,1\n"
        "+3.25,2024-02-29,7,\n"
        "-1e-2,,b,2\n");
    EXPECT_EQ(table.At(0).type, ColumnType::Numeric);
    EXPECT_EQ(table.At(0).numbers[0], 12);  // blanks around a number are no part of it
    EXPECT_EQ(table.At(0).numbers[1], 3.25);
    EXPECT_EQ(table.At(0).numbers[2], -0.01);
    EXPECT_EQ(table.At(0).decimals, 2);
    EXPECT_FALSE(table.At(0).allWhole);
    EXPECT_EQ(table.At(1).type, ColumnType::Date);
    EXPECT_EQ(table.At(1).numbers[0], 19539);  // days from 1970-01-01 to 2023-07-01
    EXPECT_EQ(table.At(1).numbers[1], 19782);  // a leap day
    EXPECT_TRUE(std::isnan(table.At(1).numbers[2]));
    EXPECT_EQ(table.At(2).type, ColumnType::String);
    EXPECT_EQ(table.At(3).type, ColumnType::Numeric);
    EXPECT_TRUE(table.At(3).allWhole);

    // Quoted cells read alike, but a quoted cell of blanks is a text.
    const DataTable quoted =
        ReadCsv("n,d,s\n\" 12\",\"2023-07-01 \",\"  \"\n\"3 \",\" 2024-02-29\",a\n");
    EXPECT_EQ(quoted.At(0).type, ColumnType::Numeric);
    EXPECT_EQ(quoted.At(0).numbers[0], 12);
    EXPECT_EQ(quoted.At(1).type, ColumnType::Date);
    EXPECT_EQ(quoted.At(1).numbers[1], 19782);
    EXPECT_EQ(quoted.At(2).type, ColumnType::String);
    EXPECT_EQ(TextAt(quoted, 2, 0), "  ");
}

// Dates with times of day, as R writes a POSIXct column and spreadsheets a
// timestamp: seconds since 1970-01-01 00:00 (R: as.numeric(as.POSIXct(text,
// tz = "UTC"))); a date alone among them is its midnight, also when the
// column began with dates alone.
TEST(CsvReader, ReadsDatesWithTimesOfDayAsSeconds) {
    const DataTable table = ReadCsv(
        "t,later,odd,zone\n"
        "2023-07-01 08:30:00,2023-07-01,2023-07-01 08:30,2023-07-01T08:30:00+02:00\n"
        "2023-07-02T09:15,2023-07-02 00:00:00.25,2023-07-01 24:00,x\n"
        ",2023-07-03,,y\n"
        "2023-07-04 11:45:30Z,2023-07-04T06:00:00,2023-07-02 08:30,z\n");
    const auto& t = table.At(0);
    EXPECT_EQ(t.type, ColumnType::Numeric);
    EXPECT_TRUE(t.dateTime);
    EXPECT_EQ(t.numbers[0], 1688200200);
    EXPECT_EQ(t.numbers[1], 1688289300);  // "T" and no seconds
    EXPECT_TRUE(std::isnan(t.numbers[2]));
    EXPECT_EQ(t.numbers[3], 1688471130);  // "Z"
    EXPECT_EQ(t.decimals, 0);
    const auto& later = table.At(1);  // dates first, then a time of day
    EXPECT_TRUE(later.dateTime);
    EXPECT_EQ(later.numbers[0], 1688169600);  // the midnight of 2023-07-01
    EXPECT_EQ(later.numbers[1], 1688256000.25);
    EXPECT_EQ(later.numbers[2], 1688342400);
    EXPECT_EQ(later.decimals, 2);
    EXPECT_FALSE(later.allWhole);
    // No hour 24; a zone offset is not read: both columns are text.
    EXPECT_EQ(table.At(2).type, ColumnType::String);
    EXPECT_FALSE(table.At(2).dateTime);
    EXPECT_EQ(TextAt(table, 2, 0), "2023-07-01 08:30");
    EXPECT_EQ(table.At(3).type, ColumnType::String);
}

TEST(CsvReader, ANumberColumnWithOneWordBecomesStrings) {
    // The word comes last: the cells read as numbers before it are read again
    // as the texts they were written as.
    const DataTable table = ReadCsv("score,other\n007,1\n2.50,2\n,3\nn/a,4\n");
    const auto& score = table.At(0);
    ASSERT_EQ(score.type, ColumnType::String);
    EXPECT_EQ(TextAt(table, 0, 0), "007");
    EXPECT_EQ(TextAt(table, 0, 1), "2.50");
    EXPECT_EQ(TextAt(table, 0, 2), "<missing>");
    EXPECT_EQ(TextAt(table, 0, 3), "n/a");
    EXPECT_EQ(table.At(1).type, ColumnType::Numeric);

    // Dates and numbers do not mix, and a date that does not exist is text.
    EXPECT_EQ(ReadCsv("d\n2023-01-01\n5\n").At(0).type, ColumnType::String);
    EXPECT_EQ(ReadCsv("d\n2023-02-29\n").At(0).type, ColumnType::String);
}

TEST(CsvReader, MissingTextsAndStringColumnsComeFromTheCaller) {
    CsvOptions options;
    options.missingTexts["score"] = {"NA", "-99"};
    options.stringColumns = {"code"};
    const DataTable table = ReadCsv("score,code\n1,10\nNA,20\n-99,30\n4,NA\n", options);
    EXPECT_EQ(table.At(0).type, ColumnType::Numeric);
    EXPECT_TRUE(std::isnan(table.At(0).numbers[1]));
    EXPECT_TRUE(std::isnan(table.At(0).numbers[2]));
    EXPECT_EQ(table.At(1).type, ColumnType::String);
    EXPECT_EQ(TextAt(table, 1, 0), "10");
    EXPECT_EQ(TextAt(table, 1, 3), "NA");  // missing texts are per column

    // Texts missing in every column, beside a column's own; a word that
    // turns a later cell's column into text re-reads its earlier cells with
    // them too.
    options.missingEverywhere = {"NA"};
    const DataTable everywhere =
        ReadCsv("score,code,late\n1,10,NA\nNA,20,2\n-99,30,x\n4,NA,4\n", options);
    EXPECT_EQ(everywhere.At(0).type, ColumnType::Numeric);
    EXPECT_TRUE(std::isnan(everywhere.At(0).numbers[2]));
    EXPECT_EQ(TextAt(everywhere, 1, 3), "<missing>");
    EXPECT_EQ(everywhere.At(2).type, ColumnType::String);
    EXPECT_EQ(TextAt(everywhere, 2, 0), "<missing>");
    EXPECT_EQ(TextAt(everywhere, 2, 1), "2");
}

TEST(CsvReader, ReadsOtherDelimitersAndBlankLines) {
    CsvOptions semicolon;
    semicolon.delimiter = ';';
    const DataTable table = ReadCsv("a;b\n1,5;x\n\n2;y\n\n", semicolon);
    ASSERT_EQ(table.RowCount(), 2u);                  // blank lines are skipped
    EXPECT_EQ(table.At(0).type, ColumnType::String);  // "1,5" is no number in the C locale
    CsvOptions tab;
    tab.delimiter = '\t';
    EXPECT_EQ(ReadCsv("a\tb\n1\t2\n", tab).At(1).numbers[0], 2);
    // In a one-column file a blank line inside the data is a missing value.
    const DataTable single = ReadCsv("x\n1\n\n3\n\n");
    ASSERT_EQ(single.RowCount(), 3u);
    EXPECT_TRUE(std::isnan(single.At(0).numbers[1]));
}

// With a decimal comma, numbers keep their decimals for the format, blanks
// and signs read as with a point, and a cell with a point is text: the same
// cell read with either mark would mean another number.
TEST(CsvReader, ReadsDecimalCommas) {
    CsvOptions commas;
    commas.delimiter = ';';
    commas.decimal = ',';
    const DataTable table = ReadCsv("a;b;c\n1,25; -3 ;1,5\n+2,5e-1;4;1.5\n", commas);
    EXPECT_EQ(table.DecimalMark(), ',');
    ASSERT_EQ(table.At(0).type, ColumnType::Numeric);
    EXPECT_EQ(table.At(0).numbers, (std::vector<double>{1.25, 0.25}));
    EXPECT_EQ(table.At(0).decimals, 2);
    EXPECT_EQ(table.At(1).numbers, (std::vector<double>{-3, 4}));
    EXPECT_EQ(table.At(1).decimals, 0);
    EXPECT_EQ(table.At(2).type, ColumnType::String);
    EXPECT_EQ(TextAt(table, 2, 0), "1,5");  // read again as text, as written
    double value = 0;
    EXPECT_TRUE(npar::engine::ParseCsvNumber(" 0,5 ", value, ','));
    EXPECT_EQ(value, 0.5);
    EXPECT_FALSE(npar::engine::ParseCsvNumber("1.234,5", value, ','));
    EXPECT_FALSE(npar::engine::ParseCsvNumber("0,5", value));
}

TEST(CsvReader, MalformedFilesNameTheirPlace) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "line 1, column 1: the file is empty"},
        {"\r\n\n", "line 1, column 1: the file is empty"},
        {"a,b\n", "line 2, column 1: the file has a header but no data rows"},
        {"a,b\n1,2\n3\n", "line 3, column 1: the row has 1 field, the header 2"},
        {"a,b\n1,2,3\n", "line 2, column 1: the row has 3 fields, the header 2"},
        {"a,b\n1,\"open\n2,3\n", "line 2, column 3: the quoted field is never closed"},
        {"a,b\n1,\"x\"y\n", "line 2, column 6: text follows the closing quote"},
        {"a,b\n1,\xff\n", "line 2, column 3: the file is not valid UTF-8 (byte 0xFF); save it as UTF-8"},
        {"a,\xc3\n", "line 1, column 3: the file is not valid UTF-8 (byte 0xC3)"},
        {"a,,b\n1,2,3\n", "line 1, column 3: the header's field 2 names no variable"},
        {"\"\"\n1\n", "line 1, column 1: the header's field 1 names no variable"},
        // A trailing delimiter on every line is an empty column, which must
        // stay empty: a value under no name is not dropped.
        {"a,b,\n1,2,\n3,4,5\n", "line 1, column 5: the header's field 3 names no variable"},
        {"a,b,\n1,2,\"\"\n", "line 1, column 5: the header's field 3 names no variable"},
        {"a,b,a\n1,2,3\n", "line 1, column 5: the header names variable \"a\" twice"},
        // Files that are no text: named for what they are, not by their
        // first byte that is no UTF-8.
        {std::string("PK\x03\x04\x14\x00\x06\x00", 8) + "[Content_Types].xml",
         "the file is a zip archive, as a spreadsheet workbook (.xlsx, .ods) is, not CSV text; save "
         "the sheet as CSV (UTF-8)"},
        {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\x00\x00", "a workbook of the older binary kind (.xls)"},
        {std::string("\xFF\xFEx\x00\n\x00", 6), "the file is text in UTF-16; save it as UTF-8"},
        {std::string("a,b\n1,\x00\n", 8), "line 2, column 3: the file holds a NUL byte"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.message);
        EXPECT_NE(ErrorOf(bad.text).find(bad.message), std::string::npos) << ErrorOf(bad.text);
    }
}

// R's write.csv writes the row names first, under an empty header field:
// the column is named "rownames" (or "rownames2", ... when that is taken).
TEST(CsvReader, AnUnnamedFirstColumnHoldsRowNames) {
    const DataTable table = ReadCsv("\"\",\"mpg\",\"cyl\"\n\"Mazda RX4\",21,6\n\"Datsun 710\",22.8,4\n");
    ASSERT_EQ(table.ColumnNames(), (std::vector<std::string>{"rownames", "mpg", "cyl"}));
    EXPECT_TRUE(table.HasRowNamesColumn());
    EXPECT_EQ(TextAt(table, 0, 1), "Datsun 710");
    EXPECT_EQ(table.At(1).numbers[1], 22.8);
    EXPECT_EQ(ReadCsv(",rownames,x\n1,2,3\n").ColumnNames(),
              (std::vector<std::string>{"rownames2", "rownames", "x"}));
    EXPECT_FALSE(ReadCsv("a,b\n1,2\n").HasRowNamesColumn());
}

// Spreadsheets write a delimiter at the end of every line; the empty column it
// makes is no variable, whether every row ends with it or not.
TEST(CsvReader, ATrailingDelimiterOnEveryLineAddsNoColumn) {
    const DataTable table = ReadCsv("x,g,\r\n1.5,a,\r\n2.5,b, \r\n");
    ASSERT_EQ(table.Columns().size(), 2u);
    EXPECT_EQ(table.At(1).name, "g");
    ASSERT_EQ(table.RowCount(), 2u);
    EXPECT_EQ(table.At(0).numbers[1], 2.5);
    EXPECT_EQ(TextAt(table, 1, 1), "b");
    // Rows may end without it, even where the header has it.
    const DataTable some = ReadCsv("x,g,\n1,a\n2,b,\n");
    ASSERT_EQ(some.Columns().size(), 2u);
    EXPECT_EQ(TextAt(some, 1, 0), "a");
    EXPECT_NE(ErrorOf("x,g,\n1\n").find("line 2, column 1: the row has 1 field, the header 3"),
              std::string::npos);
    // The text of a column that changes type is read again without it.
    const DataTable mixed = ReadCsv("x,\n1,\nwords,\n");
    ASSERT_EQ(mixed.Columns().size(), 1u);
    EXPECT_EQ(TextAt(mixed, 0, 0), "1");
    EXPECT_EQ(TextAt(mixed, 0, 1), "words");
}

TEST(CsvReader, ReadsNumbersToTheNearestDoubleAsTheCLibraryDoes) {
    // The reader's own fast path for short decimals must give the double
    // strtod gives (correct rounding), for every length and sign.
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, i % 3 == 0 ? "%.3f" : (i % 3 == 1 ? "%.15g" : "%.17g"),
                      uniform(random));
        double read = 0;
        ASSERT_TRUE(npar::engine::ParseCsvNumber(text, read)) << text;
        EXPECT_EQ(read, std::strtod(text, nullptr)) << text;
    }
    double value = 0;
    for (const char* number : {"-.5", "1.", "007", "+2", "0.1", "123456789012345", "1234567890123456"}) {
        ASSERT_TRUE(npar::engine::ParseCsvNumber(number, value)) << number;
        EXPECT_EQ(value, std::strtod(number, nullptr)) << number;
    }
    for (const char* word : {".", "-", "+-1", "1.2.3", "0x10", "inf", "nan", "1e999", "1,5"})
        EXPECT_FALSE(npar::engine::ParseCsvNumber(word, value)) << word;
}

TEST(CsvReader, TakesAMillionCharacterCell) {
    const std::string cell(1000000, 'x');
    const DataTable table = ReadCsv("a,b\n\"" + cell + "\",1\n" + cell + ",2\n");
    EXPECT_EQ(TextAt(table, 0, 0).size(), 1000000u);
    EXPECT_EQ(table.At(0).strings.Size(), 1u);  // one text, stored once
}
