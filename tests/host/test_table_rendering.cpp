// The human renderings of pivot tables: tables built through the Bp* calls the
// plug-in makes, then read back as text (line by line) and as HTML.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "OutputWriters.h"
#include "QUOR_DataSource.h"
#include "text/Utf8.h"

namespace {

struct Service {
    npar::OutputDocument document;
    npar::Catalogue catalogue;
    BpProcedure procedure{document, catalogue};

    std::unique_ptr<BpPivotTable> Table(const std::string& title, BpHeading* under = nullptr) {
        BpHeading& parent = under ? *under : procedure;
        return std::unique_ptr<BpPivotTable>(
            parent.PivotTable(BpString(title, false), BpString(title, false), false));
    }
    BpNumber Sig(double value) const { return BpNumber(value, procedure.Significance()); }
    BpNumber Coef(double value) const { return BpNumber(value, procedure.Coefficient()); }
};

BpAnnotation Note(const std::string& text) {
    return BpAnnotation(BpString(text, false).Replicate(), -1, false);
}

BpDimension* Dimension(BpPivotTable& table, const std::string& title, int place, bool hideTitle = true) {
    BpDimension* dimension = table.Dimension(BpString(title, false), 2);
    dimension->Position(place, 1, hideTitle, false);
    return dimension;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The lines of the table titled title: from its title to the blank line after it.
std::vector<std::string> TableLines(const std::string& text, const std::string& title) {
    std::vector<std::string> found;
    bool in = false;
    for (const std::string& line : Lines(text)) {
        const size_t first = line.find_first_not_of(' ');
        if (!in && first != std::string::npos && line.substr(first) == title) in = true;
        if (in && line.empty()) break;
        if (in) found.push_back(line);
    }
    return found;
}

size_t Chars(const std::string& text) {
    size_t count = 0;
    for (unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

// Positions (in characters) of the column separators ('|' or '+') of a grid line.
std::vector<size_t> Separators(const std::string& line) {
    std::vector<size_t> at;
    size_t position = 0;
    for (unsigned char c : line) {
        if (c == '|' || c == '+') at.push_back(position);
        position += (c & 0xC0) != 0x80;
    }
    return at;
}

// The text between the separators n and n + 1 of a grid line, trimmed.
std::string Column(const std::string& line, size_t n) {
    std::vector<std::string> columns(1);
    for (char c : line) {
        if (c == '|' || c == '+')
            columns.emplace_back();
        else
            columns.back() += c;
    }
    if (n + 2 >= columns.size()) return "<no column>";
    std::string text = columns[n + 1];
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

size_t LineWith(const std::vector<std::string>& lines, const std::string& text) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(text) != std::string::npos) return i;
    return lines.size();
}

// A confidence-interval style table: two rows, a text column, a number column
// and a group of two number columns.
void IntervalTable(Service& service) {
    auto table = service.Table("Interval Summary");
    table->Caption(BpString("Intervals at the 95% level.", false));
    BpDimension* rows = Dimension(*table, "Item", BpDimension::Row);
    BpDimension* columns = Dimension(*table, "Statistics", BpDimension::Column);
    const char* types[] = {"Clopper-Pearson", "Hodges-Lehmann Median Difference"};
    for (int n = 0; n < 2; ++n) {
        rows->Category(BpNumber(n + 1, service.procedure.Count()));
        columns->Category(BpString("Type", false))->Cell(BpString(types[n], false));
        BpCategory* estimate = columns->Category(BpString("Estimate", false));
        estimate->Cell(service.Coef(n == 0 ? 0.892 : 12.25));
        if (n == 0) estimate->CellNote(Note("Some values do not occur."));
        BpGroup* interval = columns->Group(BpString("95% CI", false), true, 2);
        interval->Category(BpString("Lower", false))->Cell(service.Coef(n == 0 ? 0.822 : -1.4));
        interval->Category(BpString("Upper", false))->Cell(service.Coef(n == 0 ? 0.941 : 26.5));
    }
}

TEST(TableRendering, TextAlignsColumnsAndSpansNestedColumnHeaders) {
    Service service;
    IntervalTable(service);
    const std::vector<std::string> lines =
        TableLines(npar::WriteText(service.document), "Interval Summary");
    ASSERT_GE(lines.size(), 9u);
    // Title, top rule, the group line, the rule under the group, the labels, the rule under the header.
    EXPECT_EQ(lines[1].front(), '+');
    const size_t group = LineWith(lines, "95% CI");
    const size_t labels = LineWith(lines, "Lower");
    ASSERT_LT(group, labels);
    ASSERT_LT(labels, lines.size());
    EXPECT_EQ(lines[labels - 1].find("Estimate"), std::string::npos)
        << "labels over one level sit on its last line";

    // Every grid line has its separators where the bottom rule has its corners.
    const size_t bottom = LineWith(lines, "Intervals at the 95% level.") - 1;
    const std::vector<size_t> grid = Separators(lines[bottom]);
    ASSERT_EQ(grid.size(), 6u) << lines[bottom];
    for (size_t i = labels; i <= bottom; ++i) EXPECT_EQ(Separators(lines[i]), grid) << lines[i];

    // The group label spans Lower and Upper: no separator between them on its
    // line, the label centred inside the span, and a rule split under it.
    const std::vector<size_t> groupSeparators = Separators(lines[group]);
    EXPECT_EQ(groupSeparators.back(), grid.back());
    EXPECT_EQ(std::count(groupSeparators.begin(), groupSeparators.end(), grid[4]), 0);
    const size_t label = lines[group].find("95%");
    EXPECT_GT(label, grid[3] + 2) << "centred, not flush left";
    EXPECT_EQ(lines[group + 1].substr(grid[3], grid[5] - grid[3] + 1),
              "+" + std::string(grid[4] - grid[3] - 1, '-') + "+" +
                  std::string(grid[5] - grid[4] - 1, '-') + "+");

    // Numbers right-aligned (their own and their header), texts left-aligned.
    const size_t first = LineWith(lines, "Clopper-Pearson");
    EXPECT_EQ(lines[first].substr(grid[3] - 9, 10), "0.892[a] |");
    EXPECT_EQ(lines[first + 1].substr(grid[3] - 7, 8), "12.250 |");
    EXPECT_EQ(lines[first + 1].substr(grid[5] - 7, 8), "26.500 |");
    EXPECT_EQ(lines[first].substr(grid[1], 18), "| Clopper-Pearson ");
    EXPECT_EQ(lines[labels].substr(grid[4] - 7, 8), " Lower |");
    EXPECT_EQ(Column(lines[first], 0), "1") << "row labels are left-aligned";
    EXPECT_EQ(Column(lines[first + 1], 0), "2");
    EXPECT_EQ(lines.back(), "a. Some values do not occur.");
}

TEST(TableRendering, TextNestsRowGroupsAndShowsVisibleDimensionTitles) {
    Service service;
    auto table = service.Table("Runs Summary");
    BpDimension* rows = Dimension(*table, "Statistics", BpDimension::Row);
    rows->Category(BpString("Total N", false))->Cell(BpNumber(120, service.procedure.Count()));
    for (const char* bound : {"Minimum Possible", "Maximum Possible"}) {
        BpGroup* group = rows->Group(BpString(bound, false), true, 2);
        group->Category(BpString("Test Statistic", false))->Cell(service.Coef(61));
        group->Category(BpString("Asymptotic Sig.", false))->Cell(service.Sig(0.5));
    }
    // A column dimension with its title shown, and a row dimension with its title shown.
    auto subsets = service.Table("Subsets");
    BpDimension* statistics = Dimension(*subsets, "Pair", BpDimension::Row, false);
    BpDimension* subset = Dimension(*subsets, "Subset", BpDimension::Column, false);
    for (int k = 1; k <= 2; ++k) {
        subset->Category(BpString(std::to_string(k), false));
        statistics->Category(BpString("Statistic", false))->Cell(service.Coef(k));
    }
    const std::string text = npar::WriteText(service.document);

    const std::vector<std::string> lines = TableLines(text, "Runs Summary");
    const size_t total = LineWith(lines, "Total N");
    const size_t minimum = LineWith(lines, "Minimum Possible");
    const size_t maximum = LineWith(lines, "Maximum Possible");
    ASSERT_LT(maximum, lines.size());
    // A category outside the groups spans both label columns.
    EXPECT_EQ(Separators(lines[total]).size(), 3u) << lines[total];
    EXPECT_EQ(Column(lines[total], 0), "Total N");
    // The group label stands once, on its first category's line; a rule sets each group off.
    EXPECT_EQ(Column(lines[minimum], 0), "Minimum Possible");
    EXPECT_EQ(Column(lines[minimum], 1), "Test Statistic");
    EXPECT_EQ(Column(lines[minimum], 2), "61.000");
    EXPECT_EQ(Column(lines[minimum + 1], 0), "");
    EXPECT_EQ(Column(lines[minimum + 1], 1), "Asymptotic Sig.");
    EXPECT_EQ(Column(lines[minimum + 1], 2), ".500");
    EXPECT_EQ(lines[minimum - 1].front(), '+');
    EXPECT_EQ(lines[maximum - 1].front(), '+');
    EXPECT_EQ(maximum, minimum + 3);
    EXPECT_EQ(lines[total - 1], lines.at(1)) << "no header rows: the grid starts with the body";
    EXPECT_EQ(text.find("Statistics"), std::string::npos) << "a hidden dimension title is not shown";

    const std::vector<std::string> subsetLines = TableLines(text, "Subsets");
    const size_t title = LineWith(subsetLines, "Subset ");
    ASSERT_LT(title + 2, subsetLines.size());
    EXPECT_EQ(Column(subsetLines[title], 1), "Subset") << "the title spans both subset columns";
    EXPECT_EQ(Column(subsetLines[title + 2], 0), "Pair") << "the row title stands in the corner";
    EXPECT_EQ(Column(subsetLines[title + 2], 1), "1");
    EXPECT_EQ(Column(subsetLines[title + 2], 2), "2");
}

TEST(TableRendering, TextMarksFootnotesAndWritesCaptionAndNotesUnderTheTable) {
    Service service;
    std::unique_ptr<BpHeading> heading(service.procedure.Heading(BpString("Tests", false)));
    auto table = service.Table("Summary", heading.get());
    table->Caption(BpString("The significance level is .050.", false));
    table->Note(Note("Table note."));
    BpDimension* rows = Dimension(*table, "Item", BpDimension::Row);
    BpDimension* columns = Dimension(*table, "Statistics", BpDimension::Column);
    rows->Category(BpString("First", false))->Note(Note("Row note."));
    BpCategory* sig = columns->Category(BpString("Sig.", false));
    sig->Cell(service.Sig(0.012));
    sig->CellNote(Note("Exact."));
    sig->CellNote(Note("Row note."));  // the same text shares its mark
    rows->Category(BpString("Second", false));
    sig->Cell(BpNumber(kSystemMissing, service.procedure.Significance()));
    BpGroup* group = columns->Group(BpString("Group", false), true, 2);
    group->Note(Note("Group note."));
    group->Category(BpString("In group", false));
    // A table that got no categories shows its title and caption, no grid.
    auto empty = service.Table("Empty", heading.get());
    empty->Caption(BpString("Nothing to compare.", false));
    Dimension(*empty, "Rows", BpDimension::Row);
    heading.reset();
    service.document.Root().Append(
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Chart, "Boxplot"));
    service.document.Root().Append(
        std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Error, "Bad field"));

    const std::string text = npar::WriteText(service.document);
    const std::vector<std::string> lines = TableLines(text, "Summary[a]");
    ASSERT_GE(lines.size(), 8u) << text;
    EXPECT_EQ(lines[0], "  Summary[a]") << "a table under a heading is indented with it";
    const size_t first = LineWith(lines, "First");
    ASSERT_LT(first + 1, lines.size());
    EXPECT_EQ(Column(lines[first], 0), "First[b]");
    EXPECT_EQ(Column(lines[first], 1), ".012[c,b]");
    EXPECT_EQ(Column(lines[first + 1], 1), ".") << "the missing value";
    EXPECT_EQ(lines[first + 1].substr(Separators(lines[first + 1])[2] - 2, 3), ". |") << "right-aligned";
    const size_t caption = LineWith(lines, "The significance level is .050.");
    ASSERT_EQ(caption + 5, lines.size());
    EXPECT_EQ(lines[caption - 1].find("  +"), 0u) << "the caption follows the bottom rule";
    EXPECT_EQ(lines[caption + 1], "  a. Table note.");
    EXPECT_EQ(lines[caption + 2], "  b. Row note.");
    EXPECT_EQ(lines[caption + 3], "  c. Exact.");
    EXPECT_EQ(lines[caption + 4], "  d. Group note.");
    EXPECT_NE(text.find("Group[d]"), std::string::npos);

    const std::vector<std::string> emptyLines = TableLines(text, "Empty");
    EXPECT_EQ(emptyLines, (std::vector<std::string>{"  Empty", "  Nothing to compare."}));

    // A caption wraps between its statements, never inside "ε² = .17".
    Service keyed;
    auto key = keyed.Table("Key");
    // 95 columns of words: "ε² =" would end the first line, the measure's
    // name begin the next.
    std::string words;
    for (int i = 0; i < 18; ++i) words += "word ";
    words += "last ";
    key->Caption(BpString(words + "ε² = Epsilon-Squared.", false));
    Dimension(*key, "Rows", BpDimension::Row);
    key.reset();
    EXPECT_EQ(
        TableLines(npar::WriteText(keyed.document), "Key"),
        (std::vector<std::string>{"Key", words.substr(0, words.size() - 1), "ε² = Epsilon-Squared."}));
    EXPECT_NE(text.find("\nChart: Boxplot\n"), std::string::npos);
    EXPECT_NE(text.find("\n[error] Bad field\n"), std::string::npos);
}

TEST(TableRendering, TextWrapsLongCellsToStayWithinOneHundredColumns) {
    Service service;
    std::unique_ptr<BpHeading> outer(service.procedure.Heading(BpString("Outer", false)));
    std::unique_ptr<BpHeading> inner(outer->Heading(BpString("Inner", false)));
    auto table = service.Table("Hypotheses", inner.get());
    BpDimension* rows = Dimension(*table, "Item", BpDimension::Row);
    BpDimension* columns = Dimension(*table, "Statistics", BpDimension::Column);
    std::string hypothesis;
    for (int i = 0; hypothesis.size() < 200; ++i) hypothesis += "wörd" + std::to_string(i) + " ";
    hypothesis += "Kolmogorov-Smirnov " + std::string(120, 'x');  // and one word longer than any column
    const std::string test = "Independent-Samples Jonckheere-Terpstra Test for Ordered Alternatives";
    for (int n = 1; n <= 2; ++n) {
        rows->Category(BpNumber(n, service.procedure.Count()));
        columns->Category(BpString("Null Hypothesis", false))->Cell(BpString(hypothesis, false));
        columns->Category(BpString("Test", false))->Cell(BpString(test, false));
        columns->Category(BpString("Sig.", false))->Cell(service.Sig(0.0004));
        columns->Category(BpString("Effect Size", false))->Cell(BpString("ε² = .17", false));
        columns->Category(BpString("Decision", false))
            ->Cell(BpString("Retain the null hypothesis.", false));
    }
    table->Caption(BpString(hypothesis, false));
    inner.reset();
    outer.reset();

    const std::string text = npar::WriteText(service.document);
    EXPECT_EQ(npar::SanitizeUtf8(text), text) << "wrapping never cuts inside a character";
    for (const std::string& line : Lines(text)) EXPECT_LE(Chars(line), 100u) << line;

    const std::vector<std::string> lines = TableLines(text, "Hypotheses");
    const size_t first = LineWith(lines, "| 1 ");
    ASSERT_LT(first, lines.size());
    const std::vector<size_t> grid = Separators(lines[first]);
    ASSERT_EQ(grid.size(), 7u);
    // The wrapped pieces of the first row read back as the cell's words.
    std::string column1, column2;
    for (size_t i = first; i < lines.size() && lines[i].find("    |") == 0; ++i) {
        EXPECT_EQ(Separators(lines[i]), grid) << lines[i];
        const std::string piece1 = Column(lines[i], 1), piece2 = Column(lines[i], 2);
        const bool joins1 = column1.empty() || column1.back() == '-' || column1.back() == 'x';
        column1 += (joins1 || piece1.empty() ? "" : " ") + piece1;
        column2 += (column2.empty() || column2.back() == '-' || piece2.empty() ? "" : " ") + piece2;
        EXPECT_EQ(Column(lines[i], 3), i == first ? "<.001" : "") << "numbers do not wrap";
        EXPECT_EQ(Column(lines[i], 4), i == first ? "ε² = .17" : "") << "nor do short texts";
    }
    EXPECT_EQ(column1 + " ",
              hypothesis.substr(0, hypothesis.size() - 120) + std::string(120, 'x') + " ");
    EXPECT_EQ(column2, test);
    EXPECT_GT(grid[2] - grid[1], grid[3] - grid[2]) << "the longest text gets the widest column";
}

// A table too wide for the line even at its narrowest (homogeneous subsets of
// many groups) keeps its numbers and its labels' words whole and runs past
// the line, rather than cutting "153.579" into two numbers.
TEST(TableRendering, TextNeverCutsANumberToFitTheLine) {
    Service service;
    auto table = service.Table("Subsets");
    BpDimension* rows = Dimension(*table, "Sample", BpDimension::Row, false);
    BpDimension* columns = Dimension(*table, "Subset", BpDimension::Column);
    std::vector<BpCategory*> subsets;
    for (int s = 1; s <= 14; ++s)
        subsets.push_back(columns->Category(BpNumber(s, service.procedure.Count())));
    const char* regions[] = {"Eastern district", "Northern district", "Southern district"};
    for (int r = 1; r <= 3; ++r) {
        rows->Category(BpString(regions[r - 1], false));
        for (BpCategory* subset : subsets) subset->Cell(service.Coef(100.0 * r + 53.579));
    }
    const std::vector<std::string> lines = TableLines(npar::WriteText(service.document), "Subsets");
    const size_t first = LineWith(lines, "153.579");
    ASSERT_LT(first, lines.size());
    EXPECT_GT(Chars(lines[first]), 100u);
    for (size_t c = 1; c <= subsets.size(); ++c) EXPECT_EQ(Column(lines[first], c), "153.579");
    // The labels wrap between their words.
    EXPECT_EQ(Column(lines[first], 0).rfind("Eastern", 0), 0u) << lines[first];
    EXPECT_NE(Column(lines[first], 0), "Easte");
    EXPECT_EQ(Separators(lines[first]), Separators(lines[LineWith(lines, "353.579")]));
}

// Terminal columns, counted apart from the writer: combining accents take
// none, kana and ideographs two.
size_t Columns(const std::string& text) {
    size_t columns = 0;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) code = (code << 6) | (text[i + k] & 0x3F);
        columns += code >= 0x300 && code <= 0x36F ? 0 : code >= 0x3000 && code <= 0x9FFF ? 2 : 1;
        i += length;
    }
    return columns;
}

// The columns at which a grid line has its separators.
std::vector<size_t> SeparatorColumns(const std::string& line) {
    std::vector<size_t> at;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '|' || line[i] == '+') at.push_back(Columns(line.substr(0, i)));
    }
    return at;
}

TEST(TableRendering, TextLinesUpCombiningMarksAndWideCharacters) {
    Service service;
    auto table = service.Table("Labels");
    BpDimension* rows = Dimension(*table, "Item", BpDimension::Row);
    BpDimension* columns = Dimension(*table, "Statistics", BpDimension::Column);
    // An estimate with a combining hat, a label in kana and ideographs, and a
    // word of ideographs wider than any column, which is cut between them.
    const std::string label = "\u5E74\u9F62\u30B0\u30EB\u30FC\u30D7";  // 年齢グループ
    std::string wide;
    for (int i = 0; i < 60; ++i) wide += "\u5B57";  // 字
    const char* estimates[] = {"p\u0302 = .62", "r = .13"};
    for (int n = 0; n < 2; ++n) {
        rows->Category(BpNumber(n + 1, service.procedure.Count()));
        columns->Category(BpString("Group", false))->Cell(BpString(n == 0 ? label : "Region", false));
        columns->Category(BpString("Effect Size", false))->Cell(BpString(estimates[n], false));
        columns->Category(BpString("Note", false))->Cell(BpString(n == 0 ? wide : "none", false));
    }
    const std::string text = npar::WriteText(service.document);
    EXPECT_EQ(npar::SanitizeUtf8(text), text) << "wrapping never cuts inside a character";
    const std::vector<std::string> lines = TableLines(text, "Labels");
    ASSERT_GE(lines.size(), 6u);
    const std::vector<size_t> grid = SeparatorColumns(lines[1]);
    ASSERT_EQ(grid.size(), 5u) << lines[1];
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(SeparatorColumns(lines[i]), grid) << lines[i];
        EXPECT_LE(Columns(lines[i]), 100u) << lines[i];
    }
    const size_t first = LineWith(lines, label);
    ASSERT_LT(first, lines.size());
    EXPECT_EQ(Column(lines[first], 2), "p\u0302 = .62");
    // The wide word reads back whole from its pieces, each as wide as the column allows.
    std::string pieces;
    for (size_t i = first; i < lines.size() && lines[i].front() == '|'; ++i)
        pieces += Column(lines[i], 3);
    EXPECT_EQ(pieces, wide);
}

TEST(TableRendering, SplitDimensionsStandAboveTheGrid) {
    Service service;
    QUOR_Variable region("region", "Region", 8, QUOR_Format(QUOR_Format::A, 8, 0));
    auto table = service.Table("Split Summary");
    BpDimension* split = table->Dimension(BpVariable(&region, 2), 0);
    split->Position(BpDimension::Row, 1, false, false);
    split->Category(BpDataValue(&region, OBS(std::string("North")), 2));
    BpDimension* rows = Dimension(*table, "Statistics", BpDimension::Row);
    rows->Category(BpString("Total N", false))->Cell(BpNumber(38, service.procedure.Count()));
    // A split dimension with two categories stays a row dimension.
    auto both = service.Table("Both Splits");
    BpDimension* splits = both->Dimension(BpVariable(&region, 2), 0);
    splits->Position(BpDimension::Row, 1, false, false);
    BpDimension* statistics = Dimension(*both, "Statistics", BpDimension::Column);
    for (const char* value : {"North", "South"}) {
        splits->Category(BpDataValue(&region, OBS(std::string(value)), 2));
        statistics->Category(BpString("Total N", false))->Cell(BpNumber(38, service.procedure.Count()));
    }
    const std::string text = npar::WriteText(service.document);
    const std::vector<std::string> lines = TableLines(text, "Split Summary");
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[1], "Region: North");
    EXPECT_EQ(lines[2].front(), '+');
    EXPECT_EQ(Column(lines[3], 0), "Total N");
    EXPECT_EQ(Column(lines[3], 1), "38");

    const std::vector<std::string> twoLines = TableLines(text, "Both Splits");
    EXPECT_EQ(Column(twoLines[LineWith(twoLines, "North")], 0), "North");
    EXPECT_EQ(Column(twoLines[LineWith(twoLines, "South")], 0), "South");
    EXPECT_EQ(Column(twoLines[LineWith(twoLines, "Total N")], 0), "Region")
        << "the split's title in the corner";
}

TEST(TableRendering, HtmlDrawsRealTablesWithEscapedTexts) {
    Service service;
    std::unique_ptr<BpHeading> heading(service.procedure.Heading(BpString("Tests <&>", false)));
    IntervalTable(service);
    auto table = service.Table("Title <b>\"&'</b>", heading.get());
    table->Caption(BpString("Caption <i>&</i>\nsecond line", false));
    table->Note(Note("Note <script>alert(1)</script> & \"quoted\""));
    BpDimension* rows = Dimension(*table, "Item", BpDimension::Row);
    BpDimension* columns = Dimension(*table, "Statistics", BpDimension::Column);
    columns->Category(BpString("Column <th>", false));
    BpGroup* group = rows->Group(BpString("Group <g>", false), true, 2);
    group->Category(BpString("Row <1> & \"x\"", false))
        ->Cell(BpString("Cell <td> & 'y' \xC3\x28", false));
    group->Category(BpString("Row 2", false))->Cell(service.Sig(0.25));
    heading.reset();

    const std::string html = npar::WriteHtml(service.document);
    EXPECT_EQ(npar::SanitizeUtf8(html), html);
    // Without charts the page's only script is the one its copy buttons use.
    EXPECT_NE(html.find("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                        "style-src 'unsafe-inline'; script-src 'sha256-"),
              std::string::npos);
    EXPECT_EQ(html.find("<script"), html.rfind("<script"));
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    // (A caption keeps its statements on one line in spans, left out here.)
    std::string unheld = html;
    for (const std::string tag : {"<span class=\"held\">", "</span>"})
        for (size_t at; (at = unheld.find(tag)) != std::string::npos;) unheld.erase(at, tag.size());
    EXPECT_NE(unheld.find("Caption &lt;i&gt;&amp;&lt;/i&gt;<br>second line"), std::string::npos);
    EXPECT_NE(unheld.find("<p class=\"caption\">Intervals at the 95% level.</p>"), std::string::npos);
    EXPECT_NE(html.find("<span class=\"held\">95% level.</span>"), std::string::npos);
    for (const char* escaped :
         {"Title &lt;b&gt;&quot;&amp;&#39;&lt;/b&gt;<sup>a</sup>",
          "<sup>a</sup> Note &lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;quoted&quot;",
          "Group &lt;g&gt;</th>", "Row &lt;1&gt; &amp; &quot;x&quot;</th>", "Column &lt;th&gt;</th>",
          "Cell &lt;td&gt; &amp; &#39;y&#39; \xEF\xBF\xBD(</td>"})
        EXPECT_NE(html.find(escaped), std::string::npos) << escaped;

    // Nested headers span: the interval group over its two columns, the row
    // group over its two rows; numbers are right-aligned cells with marks.
    EXPECT_NE(html.find("<th scope=\"colgroup\" class=\"span short\" colspan=\"2\">95% CI</th>"),
              std::string::npos);
    EXPECT_NE(html.find("<th scope=\"col\" class=\"num short\" rowspan=\"2\">Estimate</th>"),
              std::string::npos);
    EXPECT_EQ(html.find(">Estimate</th>"), html.rfind(">Estimate</th>")) << "one header cell, spanning";
    EXPECT_NE(html.find("<td class=\"corner\" rowspan=\"2\"></td>"), std::string::npos);
    EXPECT_NE(html.find("<th scope=\"rowgroup\" rowspan=\"2\">Group &lt;g&gt;</th>"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"num\">0.892<sup>a</sup></td>"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"num\">.250</td>"), std::string::npos);
    EXPECT_NE(html.find("<p class=\"note\"><sup>a</sup> Some values do not occur.</p>"),
              std::string::npos);

    // The outline links to every heading and every table, and the anchors exist.
    for (const char* anchor : {"heading-1", "table-1", "table-2"}) {
        EXPECT_NE(html.find("<a href=\"#" + std::string(anchor) + "\">"), std::string::npos) << anchor;
        EXPECT_NE(html.find("id=\"" + std::string(anchor) + "\""), std::string::npos) << anchor;
    }
    EXPECT_NE(
        html.find(
            "<a href=\"#heading-1\">Tests &lt;&amp;&gt;</a><ul><li class=\"table\"><a href=\"#table-1\">"
            "Title &lt;b&gt;"),
        std::string::npos)
        << "the table stands under its heading in the outline";
    EXPECT_NE(html.find("<a href=\"#table-2\">Interval Summary</a>"), std::string::npos);
}

}  // namespace
