// Data-source service: formats, observation values, variables and the value
// formatter.
#include "QUOR_DataSource.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <limits>
#include <map>
#include <string>

namespace {

constexpr double kOrigin = 12219379200.0;               // 1970-01-01 in seconds since the date origin
constexpr double kOct14_2024 = kOrigin + 1728864000.0;  // 2024-10-14 00:00
constexpr double kDay = 86400.0;

std::string Fmt(double value, int type, int width, int decimals = 0) {
    return ToString(OBS(value), QUOR_Format(type, width, decimals));
}

std::string Fmt(const std::string& text, int type, int width, int decimals = 0) {
    return ToString(OBS(text), QUOR_Format(type, width, decimals));
}

TEST(FormatCode, PacksWidthTypeAndDecimalsAndClamps) {
    EXPECT_EQ(QUOR_Format().GetCode(), (8u << 16) | (5u << 8) | 2u);
    QUOR_Format format(QUOR_Format::DATETIME, 65535, 255);
    EXPECT_EQ(format.GetType(), QUOR_Format::DATETIME);
    EXPECT_EQ(format.GetWidth(), 65535);
    EXPECT_EQ(format.GetDecimals(), 255);

    // Each setter changes only its own field and stays within it.
    format.SetWidth(70000);
    format.SetDecimals(-3);
    EXPECT_EQ(format.GetWidth(), 65535);
    EXPECT_EQ(format.GetDecimals(), 0);
    EXPECT_EQ(format.GetType(), QUOR_Format::DATETIME);
    format.SetType(300);
    EXPECT_EQ(format.GetType(), 255);
    EXPECT_EQ(format.GetWidth(), 65535);
    format.SetWidth(-1);
    EXPECT_EQ(format.GetWidth(), 0);
    EXPECT_EQ(format.GetType(), 255);
}

TEST(FormatParse, ReadsEveryFormatName) {
    struct Case {
        const char* text;
        int type, width, decimals;
    };
    const Case cases[] = {
        {"F8.2", QUOR_Format::F, 8, 2},
        {"F8", QUOR_Format::F, 8, 0},
        {"A8", QUOR_Format::A, 8, 0},
        {"A20", QUOR_Format::A, 20, 0},
        {"DATE11", QUOR_Format::DATE, 11, 0},
        {"ADATE10", QUOR_Format::ADATE, 10, 0},
        {"EDATE10", QUOR_Format::EDATE, 10, 0},
        {"SDATE10", QUOR_Format::SDATE, 10, 0},
        {"JDATE7", QUOR_Format::JDATE, 7, 0},
        {"TIME8", QUOR_Format::TIME, 8, 0},
        {"TIME11.2", QUOR_Format::TIME, 11, 2},
        {"DATETIME20", QUOR_Format::DATETIME, 20, 0},
        {"DTIME12", QUOR_Format::DTIME, 12, 0},
        {"WKDAY9", QUOR_Format::WKDAY, 9, 0},
        {"MONTH9", QUOR_Format::MONTH, 9, 0},
        {"MOYR8", QUOR_Format::MOYR, 8, 0},
        {"QYR8", QUOR_Format::QYR, 8, 0},
        {"WKYR10", QUOR_Format::WKYR, 10, 0},
        {"PCT6.1", QUOR_Format::PCT, 6, 1},
        {"DOT9.2", QUOR_Format::DOT, 9, 2},
        {"COMMA10.1", QUOR_Format::COMMA, 10, 1},
        {"DOLLAR10.2", QUOR_Format::DOLLAR, 10, 2},
        {"E10.3", QUOR_Format::E, 10, 3},
        {"f8.2", QUOR_Format::F, 8, 2},
        {"Date11", QUOR_Format::DATE, 11, 0},
        {" comma65535.255 ", QUOR_Format::COMMA, 65535, 255},
    };
    for (const Case& c : cases) {
        QUOR_Format format;
        ASSERT_TRUE(QUOR_Format::Parse(c.text, format)) << c.text;
        EXPECT_EQ(format, QUOR_Format(c.type, c.width, c.decimals)) << c.text;
    }
}

TEST(FormatParse, RejectsTextThatNamesNoFormat) {
    const char* const rejects[] = {"",
                                   "F",
                                   "F.2",
                                   "X8",
                                   "FF8",
                                   "F8.",
                                   "F8.2x",
                                   "A8.2",
                                   "DATE11.2",
                                   "F0",
                                   "F65536",
                                   "F8.256",
                                   "DATE",
                                   "-F8",
                                   "F 8",
                                   "F8.2.1",
                                   "F99999999999999999999",
                                   "8F",
                                   "F+8",
                                   "F8,2",
                                   "DATE 11",
                                   ("E\xC3\xA9"
                                    "8")};
    for (const char* text : rejects) {
        QUOR_Format format(QUOR_Format::A, 3, 0);
        EXPECT_FALSE(QUOR_Format::Parse(text, format)) << text;
        EXPECT_EQ(format, QUOR_Format(QUOR_Format::A, 3, 0)) << "changed by " << text;
    }
}

TEST(DataSourceObs, OrdersNumbersBeforeStringsAndKeysMaps) {
    EXPECT_TRUE(OBS(1e300) < OBS(std::string("")));
    EXPECT_FALSE(OBS(std::string("")) < OBS(1e300));
    EXPECT_TRUE(OBS(-2.0) < OBS(1.0));
    EXPECT_TRUE(OBS(std::string("a")) < OBS(std::string("b")));
    EXPECT_TRUE(OBS(1.0) == OBS(1.0));
    EXPECT_FALSE(OBS(1.0) == OBS(std::string("1")));
    EXPECT_TRUE(OBS(0.0) == OBS(-0.0));

    // NaN is one key, after every other number; a map stays usable with it.
    const double nan = std::nan("");
    std::map<OBS, int> keys;
    keys[OBS(nan)] = 1;
    keys[OBS(nan)] = 2;
    keys[OBS(kSystemMissing)] = 3;
    keys[OBS(std::string("x"))] = 4;
    keys[OBS(5.0)] = 5;
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[OBS(nan)], 2);
    auto it = keys.begin();
    EXPECT_EQ(it++->second, 3);
    EXPECT_EQ(it++->second, 5);
    EXPECT_EQ(it++->second, 2);
    EXPECT_EQ(it->second, 4);
}

TEST(DataSourceVariables, FindsVariablesLabelsAndValueLabels) {
    std::unique_ptr<QUOR_DataSource> source = std::make_unique<ProcedureDataSource>();
    EXPECT_EQ(source->AddVariable(QUOR_Variable("age", "Age in years", 0, QUOR_Format())), 0);
    EXPECT_EQ(source->AddVariable(QUOR_Variable("city", "", 20, QUOR_Format(QUOR_Format::A, 20, 0))), 1);
    ASSERT_EQ(source->VariableCount(), 2);

    EXPECT_EQ(source->FindVarIndex("city", 0), 1);
    EXPECT_EQ(source->FindVarIndex("AGE", 0), -1);  // exact comparison
    EXPECT_EQ(source->FindVarIndex("ag", 0), -1);
    EXPECT_EQ(source->FindVarIndex("", 0), -1);

    const QUOR_DataSource& constSource = *source;
    EXPECT_EQ(constSource.GetVariable(-1), nullptr);
    EXPECT_EQ(constSource.GetVariable(2), nullptr);
    EXPECT_EQ(constSource.GetVariable(INT_MIN), nullptr);
    EXPECT_EQ(source->GetVariable(INT_MAX), nullptr);
    ASSERT_NE(constSource.GetVariable(1), nullptr);
    EXPECT_EQ(constSource.GetVariable(0)->GetPreferredLabel(), "Age in years");
    EXPECT_EQ(constSource.GetVariable(1)->GetPreferredLabel(), "city");
    EXPECT_EQ(constSource.GetVariable(1)->GetType(), 20);
    EXPECT_EQ(source->AddVariable(QUOR_Variable("age", "A namesake", 0, QUOR_Format())), 2);
    EXPECT_EQ(source->FindVarIndex("age", 0), 0) << "the first of two namesakes is found";

    QUOR_Variable* age = source->GetVariable(0);
    age->ValueLabels().Add(OBS(1.0), "young");
    age->ValueLabels().Add(OBS(std::string("1")), "text one");
    std::string label = "unchanged";
    EXPECT_FALSE(age->GetValueLabels().Find(OBS(2.0), label));
    EXPECT_EQ(label, "unchanged");
    EXPECT_TRUE(age->GetValueLabels().Find(OBS(1.0), label));
    EXPECT_EQ(label, "young");
    EXPECT_TRUE(age->GetValueLabels().Find(OBS(std::string("1")), label));
    EXPECT_EQ(label, "text one");
    EXPECT_EQ(age->GetValueLabels().Size(), 2u);
}

TEST(FormatToString, DatesOfTheDocumentedExamples) {
    const double afternoon = kOct14_2024 + 13 * 3600 + 5 * 60;
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::DATE, 11), "14-OCT-2024");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::ADATE, 10), "10/14/2024");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::EDATE, 10), "14.10.2024");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::SDATE, 10), "2024/10/14");
    EXPECT_EQ(Fmt(13 * 3600 + 5 * 60, QUOR_Format::TIME, 8), "13:05:00");
    EXPECT_EQ(Fmt(afternoon, QUOR_Format::DATETIME, 20), "14-OCT-2024 13:05:00");
    // A date-only format ignores the time of day.
    EXPECT_EQ(Fmt(afternoon, QUOR_Format::DATE, 11), "14-OCT-2024");

    // Narrow widths write two-digit years; wider ones right-align.
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::DATE, 9), "14-OCT-24");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::ADATE, 8), "10/14/24");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::EDATE, 8), "14.10.24");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::SDATE, 8), "24/10/14");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::DATE, 10), " 14-OCT-24");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::DATE, 8), "********");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::DATE, 13), "  14-OCT-2024");

    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::JDATE, 7), "2024288");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::JDATE, 5), "24288");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::WKDAY, 9), "   MONDAY");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::WKDAY, 3), "MON");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::WKDAY, 1), "*");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::MONTH, 9), "  OCTOBER");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::MONTH, 3), "OCT");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::MOYR, 8), "OCT 2024");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::MOYR, 6), "OCT 24");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::QYR, 8), "4 Q 2024");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::QYR, 6), "4 Q 24");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::WKYR, 10), "42 WK 2024");
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::WKYR, 8), "42 WK 24");
}

TEST(FormatToString, CalendarEdgesAndOutOfRangeDates) {
    // The origin itself (a Thursday) and the first day after it.
    EXPECT_EQ(Fmt(0, QUOR_Format::DATE, 11), "14-OCT-1582");
    EXPECT_EQ(Fmt(0, QUOR_Format::WKDAY, 9), " THURSDAY");
    EXPECT_EQ(Fmt(kDay, QUOR_Format::WKDAY, 9), "   FRIDAY");
    // Before the origin: a negative number of seconds, including part of a day.
    EXPECT_EQ(Fmt(-1, QUOR_Format::DATE, 11), "13-OCT-1582");
    EXPECT_EQ(Fmt(-1, QUOR_Format::DATETIME, 20), "13-OCT-1582 23:59:59");
    // Leap years: 2000 is one, 1900 is not (proleptic Gregorian throughout).
    const double jan1_2000 = kOrigin + 946684800.0;
    EXPECT_EQ(Fmt(jan1_2000 + 59 * kDay, QUOR_Format::DATE, 11), "29-FEB-2000");
    EXPECT_EQ(Fmt(jan1_2000 + 365 * kDay, QUOR_Format::JDATE, 7), "2000366");
    const double jan1_1900 = kOrigin - 2208988800.0;
    EXPECT_EQ(Fmt(jan1_1900 + 59 * kDay, QUOR_Format::ADATE, 10), "03/01/1900");
    EXPECT_EQ(Fmt(jan1_2000, QUOR_Format::WKYR, 10), " 1 WK 2000");
    EXPECT_EQ(Fmt(jan1_2000 - 1, QUOR_Format::WKYR, 10), "53 WK 1999");
    EXPECT_EQ(Fmt(jan1_2000 - 1, QUOR_Format::QYR, 6), "4 Q 99");

    // Years 1 to 9999 are written; anything outside writes asterisks.
    const double year1 = -577734.0 * kDay;  // 0001-01-01
    EXPECT_EQ(Fmt(year1, QUOR_Format::DATE, 11), "01-JAN-0001");
    EXPECT_EQ(Fmt(year1, QUOR_Format::ADATE, 8), "01/01/01");
    EXPECT_EQ(Fmt(year1 - 1, QUOR_Format::DATE, 11), "***********");
    const double year10000 = kOrigin + 253402300800.0;  // 10000-01-01
    EXPECT_EQ(Fmt(year10000 - 1, QUOR_Format::SDATE, 10), "9999/12/31");
    EXPECT_EQ(Fmt(year10000, QUOR_Format::SDATE, 10), "**********");
    EXPECT_EQ(Fmt(year10000 - 0.6, QUOR_Format::DATETIME, 20), "31-DEC-9999 23:59:59");
    EXPECT_EQ(Fmt(year10000 - 0.4, QUOR_Format::DATETIME, 20),
              std::string(20, '*'));  // rounds into 10000
    for (int type : {QUOR_Format::DATE, QUOR_Format::DATETIME, QUOR_Format::WKDAY, QUOR_Format::MONTH,
                     QUOR_Format::JDATE, QUOR_Format::WKYR}) {
        EXPECT_EQ(Fmt(1e308, type, 8), "********") << type;
        EXPECT_EQ(Fmt(-1e308, type, 8), "********") << type;
        EXPECT_EQ(Fmt(std::numeric_limits<double>::denorm_min(), type, 40).size(), 40u) << type;
    }
}

TEST(FormatToString, TimesAndDurations) {
    const double t = 13 * 3600 + 5 * 60;
    EXPECT_EQ(Fmt(t + 0.125, QUOR_Format::TIME, 11, 2), "13:05:00.13");
    EXPECT_EQ(Fmt(t, QUOR_Format::TIME, 11, 2), "13:05:00.00");
    EXPECT_EQ(Fmt(t + 0.125, QUOR_Format::TIME, 10, 2), "13:05:00.1");  // decimals dropped to fit
    EXPECT_EQ(Fmt(t - 0.4, QUOR_Format::TIME, 8), "13:05:00");          // rounded to the second
    EXPECT_EQ(Fmt(t + 59, QUOR_Format::TIME, 5), "13:06");              // only hours and minutes fit
    EXPECT_EQ(Fmt(t, QUOR_Format::TIME, 4), "****");
    EXPECT_EQ(Fmt(0, QUOR_Format::TIME, 8), "00:00:00");
    EXPECT_EQ(Fmt(25 * 3600, QUOR_Format::TIME, 8), "25:00:00");  // a duration, not a time of day
    EXPECT_EQ(Fmt(-3600, QUOR_Format::TIME, 9), "-01:00:00");
    EXPECT_EQ(Fmt(-0.2, QUOR_Format::TIME, 8), "00:00:00");  // no sign on a value that rounds to zero
    EXPECT_EQ(Fmt(1.5, QUOR_Format::TIME, 20, 9), "  00:00:01.500000000");
    EXPECT_EQ(Fmt(1e13, QUOR_Format::TIME, 40), std::string(40, '*'));

    EXPECT_EQ(Fmt(1.5 * kDay + 5, QUOR_Format::DTIME, 12), "  1 12:00:05");
    EXPECT_EQ(Fmt(-1.5 * kDay, QUOR_Format::DTIME, 12), " -1 12:00:00");
    EXPECT_EQ(Fmt(400 * kDay + 0.25, QUOR_Format::DTIME, 15, 2), "400 00:00:00.25");

    const double afternoon = kOct14_2024 + t;
    EXPECT_EQ(Fmt(afternoon + 0.5, QUOR_Format::DATETIME, 23, 2), "14-OCT-2024 13:05:00.50");
    EXPECT_EQ(Fmt(afternoon, QUOR_Format::DATETIME, 17), "14-OCT-2024 13:05");
    EXPECT_EQ(Fmt(afternoon, QUOR_Format::DATETIME, 16), std::string(16, '*'));
    EXPECT_EQ(Fmt(kOct14_2024 - 0.3, QUOR_Format::DATETIME, 20), "14-OCT-2024 00:00:00");
}

TEST(FormatToString, PlainNumbers) {
    EXPECT_EQ(Fmt(3.14159, QUOR_Format::F, 8, 2), "    3.14");
    EXPECT_EQ(Fmt(-3.14159, QUOR_Format::F, 8, 2), "   -3.14");
    EXPECT_EQ(Fmt(0.125, QUOR_Format::F, 5, 2), " 0.13");  // half away from zero
    EXPECT_EQ(Fmt(-2.5, QUOR_Format::F, 4, 0), "  -3");
    EXPECT_EQ(Fmt(1.005, QUOR_Format::F, 6, 2), "  1.01");
    EXPECT_EQ(Fmt(9.996, QUOR_Format::F, 6, 2), " 10.00");
    EXPECT_EQ(Fmt(-0.001, QUOR_Format::F, 6, 2), "  0.00");  // no "-0.00"
    EXPECT_EQ(Fmt(42, QUOR_Format::F, 3, 0), " 42");

    EXPECT_EQ(Fmt(1234567.25, QUOR_Format::COMMA, 12, 1), " 1,234,567.3");
    EXPECT_EQ(Fmt(-999.5, QUOR_Format::COMMA, 8, 0), "  -1,000");
    EXPECT_EQ(Fmt(1234.5, QUOR_Format::DOLLAR, 10, 2), " $1,234.50");
    EXPECT_EQ(Fmt(-1234.5, QUOR_Format::DOLLAR, 10, 2), "-$1,234.50");
    EXPECT_EQ(Fmt(45.25, QUOR_Format::PCT, 6, 1), " 45.3%");
    EXPECT_EQ(Fmt(1234567.5, QUOR_Format::DOT, 12, 2), "1.234.567,50");

    EXPECT_EQ(Fmt(1234.5, QUOR_Format::E, 10, 3), "1.235E+003");
    EXPECT_EQ(Fmt(-1234.5, QUOR_Format::E, 10, 3), "-1.23E+003");  // decimals give way to the sign
    EXPECT_EQ(Fmt(0.00001, QUOR_Format::E, 10, 3), "1.000E-005");
    EXPECT_EQ(Fmt(0, QUOR_Format::E, 10, 3), "0.000E+000");
    EXPECT_EQ(Fmt(9.9996, QUOR_Format::E, 10, 3), "1.000E+001");
    EXPECT_EQ(Fmt(1234.5, QUOR_Format::E, 5, 3), "*****");

    // A type code that names no format writes like F.
    EXPECT_EQ(Fmt(2.5, 99, 6, 1), "   2.5");
}

TEST(FormatToString, NumbersThatDoNotFitTheirWidth) {
    EXPECT_EQ(Fmt(123456.789, QUOR_Format::F, 8, 2), "123456.8");  // decimals dropped one by one
    EXPECT_EQ(Fmt(123456.789, QUOR_Format::F, 6, 2), "123457");
    EXPECT_EQ(Fmt(0.5, QUOR_Format::F, 3, 2), ".50");             // leading zero goes first
    EXPECT_EQ(Fmt(12345, QUOR_Format::COMMA, 5, 0), "12345");     // then the separators
    EXPECT_EQ(Fmt(123456789, QUOR_Format::F, 8, 0), "1.2E+008");  // then E notation
    EXPECT_EQ(Fmt(1e308, QUOR_Format::F, 8, 2), "1.0E+308");
    EXPECT_EQ(Fmt(-1e308, QUOR_Format::F, 8, 2), " -1E+308");
    EXPECT_EQ(Fmt(1e20, QUOR_Format::PCT, 9, 0), "1.0E+020%");
    EXPECT_EQ(Fmt(123456, QUOR_Format::F, 4, 2), "****");  // and only then asterisks
    EXPECT_EQ(Fmt(-5, QUOR_Format::F, 1, 0), "*");
    EXPECT_EQ(Fmt(5, QUOR_Format::F, 0, 0), "");
}

TEST(FormatToString, MissingNanInfinityAndStrings) {
    EXPECT_EQ(Fmt(kSystemMissing, QUOR_Format::F, 8, 2), "       .");
    EXPECT_EQ(Fmt(kSystemMissing, QUOR_Format::DATE, 11), "          .");
    EXPECT_EQ(Fmt(kSystemMissing, QUOR_Format::A, 4), "   .");
    EXPECT_EQ(Fmt(kSystemMissing, QUOR_Format::TIME, 0), ".");

    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Fmt(std::nan(""), QUOR_Format::F, 8, 2), "     NaN");
    EXPECT_EQ(Fmt(inf, QUOR_Format::DATE, 11), "        Inf");
    EXPECT_EQ(Fmt(-inf, QUOR_Format::COMMA, 6, 1), "  -Inf");
    EXPECT_EQ(Fmt(std::nan(""), QUOR_Format::TIME, 2), "**");

    // Strings: padded on the right under A, right-aligned otherwise, never cut.
    EXPECT_EQ(Fmt("abc", QUOR_Format::A, 8), "abc     ");
    EXPECT_EQ(Fmt("abcdef", QUOR_Format::A, 2), "abcdef");
    EXPECT_EQ(Fmt("", QUOR_Format::A, 3), "   ");
    EXPECT_EQ(Fmt("xy", QUOR_Format::F, 8, 2), "      xy");
    EXPECT_EQ(Fmt("not a date", QUOR_Format::DATE, 4), "not a date");
    // A number under A keeps its decimals as far as the width allows.
    EXPECT_EQ(Fmt(3.25, QUOR_Format::A, 8), "    3.25");
    EXPECT_EQ(Fmt(1.0 / 3.0, QUOR_Format::A, 8), ".3333333");
}

TEST(FormatToString, WideFormats) {
    const std::string wide = Fmt(3.14159, QUOR_Format::F, 65535, 2);
    ASSERT_EQ(wide.size(), 65535u);
    EXPECT_EQ(wide.substr(65531), "3.14");
    EXPECT_EQ(wide.find_first_not_of(' '), 65531u);
    EXPECT_EQ(Fmt("s", QUOR_Format::A, 65535).size(), 65535u);
    EXPECT_EQ(Fmt(kOct14_2024, QUOR_Format::DATE, 65535).substr(65524), "14-OCT-2024");

    // Every decimal asked for is written, beyond the precision of a double.
    const std::string many = Fmt(1.0 / 3.0, QUOR_Format::F, 300, 255);
    EXPECT_EQ(many.substr(300 - 257), "0." + std::string(16, '3') + std::string(239, '0'));
    EXPECT_EQ(Fmt(-1e308, QUOR_Format::DOLLAR, 65535, 255).size(), 65535u);
    EXPECT_EQ(Fmt(1e-300, QUOR_Format::E, 65535, 255).substr(65535 - 10), "00000E-300");
    EXPECT_EQ(Fmt(1e308, QUOR_Format::DTIME, 65535, 255), std::string(65535, '*'));

    // The way the chart pipeline uses formats: width 40, then trimmed.
    EXPECT_EQ(Fmt(kOrigin, QUOR_Format::DATE, 40), std::string(29, ' ') + "01-JAN-1970");
}

TEST(FormatToString, IgnoresTheProcessLocale) {
    // The process locale never changes the decimal mark or grouping.
    const char* const locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"};
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    bool switched = false;
    for (const char* name : locales) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            switched = true;
            break;
        }
    }
    const std::string underLocale = Fmt(1234.5, QUOR_Format::COMMA, 10, 2);
    std::setlocale(LC_ALL, saved.c_str());
    if (!switched) GTEST_SKIP() << "no locale with a comma decimal mark installed";
    EXPECT_EQ(underLocale, "  1,234.50");
}

}  // namespace
