// Text items of the output document in each writer, and what the HTML page
// gives a reader to copy: a results line and every table (as tab-separated
// text), each by a button served by a script that the page's policy allows by
// its hash.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "BpOutput.h"
#include "OutputWriters.h"
#include "writers/ScriptHash.h"

namespace {

struct Service {
    npar::OutputDocument document;
    npar::Catalogue catalogue;
    BpProcedure procedure{document, catalogue};
};

constexpr const char* kLine =
    "Kruskal-Wallis H(3) = 20.75, p < .001, \xCE\xB5\xC2\xB2 = .17, N = 120 <&>";

// A heading holding a results line, as the plug-in writes one under a test.
void AddResultsLine(Service& service) {
    std::unique_ptr<BpHeading> heading(service.procedure.Heading(BpString("A test", false)));
    heading->Text(BpString(kLine, false), "results");
}

// A table with a row group, a column group over two columns and a header
// spanning two rows; a cell text with a tab and a line break, a footnote mark.
void AddGroupedTable(Service& service) {
    std::unique_ptr<BpPivotTable> table(
        service.procedure.PivotTable(BpString("Effects", false), BpString("Effects", false), false));
    BpDimension* rows = table->Dimension(BpString("Item", false), 2);
    rows->Position(BpDimension::Row, 1, true, false);
    BpDimension* columns = table->Dimension(BpString("Statistics", false), 2);
    columns->Position(BpDimension::Column, 1, true, false);
    BpGroup* group = rows->Group(BpString("Effect Size", false), true, 2);
    const char* measures[] = {"r", "Two\tlines\nhere"};
    for (int n = 0; n < 2; ++n) {
        group->Category(BpString(measures[n], false));
        BpCategory* estimate = columns->Category(BpString("Estimate", false));
        estimate->Cell(BpNumber(n == 0 ? 0.5 : -0.25, service.procedure.Coefficient()));
        if (n == 0) estimate->CellNote(BpAnnotation(BpString("A note.", false).Replicate(), -1, false));
        BpGroup* interval = columns->Group(BpString("95% CI", false), true, 2);
        interval->Category(BpString("Lower", false))
            ->Cell(BpNumber(n == 0 ? 0.03 : -0.5, service.procedure.Coefficient()));
        interval->Category(BpString("Upper", false))
            ->Cell(BpNumber(n == 0 ? 0.79 : 0.1, service.procedure.Coefficient()));
    }
}

// The text of an HTML attribute value as the browser reads it.
std::string Unescape(std::string text) {
    const std::pair<const char*, const char*> references[] = {
        {"&#9;", "\t"},   {"&#10;", "\n"}, {"&lt;", "<"}, {"&gt;", ">"},
        {"&quot;", "\""}, {"&#39;", "'"},  {"&amp;", "&"}};
    for (const auto& [reference, character] : references) {
        for (size_t at; (at = text.find(reference)) != std::string::npos;)
            text.replace(at, std::string(reference).size(), character);
    }
    return text;
}

std::vector<std::string> Matches(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), expression);
         it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1].str());
    return found;
}

// Every inline script's text, and the hashes the page's policy allows.
std::vector<std::string> Scripts(const std::string& html) {
    return Matches(html, "<script>([^<]*)</script>");
}
std::vector<std::string> AllowedHashes(const std::string& html) {
    return Matches(html, "'sha256-([A-Za-z0-9+/=]{44})'");
}

}  // namespace

TEST(CopyAndTexts, EveryWriterCarriesAResultsLineUnderItsHeading) {
    Service service;
    AddResultsLine(service);

    const nlohmann::json json = nlohmann::json::parse(npar::WriteJson(service.document));
    const nlohmann::json& heading = json["items"].at(0);
    EXPECT_EQ(heading["text"], "A test");
    EXPECT_EQ(heading["items"],
              nlohmann::json::parse(R"([{"type": "text", "role": "results", "text": ")" +
                                    std::string(kLine) + R"("}])"));

    const std::string text = npar::WriteText(service.document);
    EXPECT_NE(text.find("1. A test\n  " + std::string(kLine) + "\n"), std::string::npos) << text;

    const std::string html = npar::WriteHtml(service.document);
    // The page keeps each statement on one line; the paragraph's text, which
    // its button copies, is the line's own.
    EXPECT_NE(html.find("<p class=\"results\" id=\"text-1\">Kruskal-Wallis <span class=\"held\">H(3) = "
                        "20.75,</span> <span class=\"held\">p &lt; .001,</span> <span "
                        "class=\"held\">\xCE\xB5\xC2\xB2 = .17,</span> <span class=\"held\">N = "
                        "120 &lt;&amp;&gt;</span></p>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("span.held{white-space:nowrap}"), std::string::npos);
    EXPECT_NE(html.find("<button type=\"button\" class=\"copy\" aria-label=\"Copy results line\" "
                        "title=\"Copy results line\" data-copy-from=\"text-1\">Copy</button>"
                        "<span class=\"copy-status\" role=\"status\"></span>"),
              std::string::npos);
    // The outline lists headings, tables and charts, not the lines.
    EXPECT_EQ(html.find("href=\"#text-1\""), std::string::npos);
}

// A results line too long for one line breaks between its statements, never
// inside "N = 120", "p < .001" or an interval with its name.
TEST(CopyAndTexts, TextBreaksAResultsLineBetweenItsStatements) {
    Service service;
    const std::string line =
        "One-sample Wilcoxon signed-rank test: V = 35710, z = \u22120.15, p \u2264 .877, r = .021, "
        "95% CI [\u2212.22, .19], N = 120; and a long tail of words that ends with the statement "
        "more more at p < .001 and N = 9";
    {
        std::unique_ptr<BpHeading> heading(service.procedure.Heading(BpString("A test", false)));
        heading->Text(BpString(line, false), "results");
    }
    const std::string text = npar::WriteText(service.document);
    EXPECT_NE(text.find("  One-sample Wilcoxon signed-rank test: V = 35710, z = \u22120.15, "
                        "p \u2264 .877, r = .021,\n  95% CI [\u2212.22, .19], N = 120; and a long "
                        "tail of words that ends with the statement more more at\n"
                        "  p < .001 and N = 9\n"),
              std::string::npos)
        << text;

    // An unclosed bracket holds nothing longer than a line: the words after
    // it wrap at their blanks as before, none is cut.
    Service unclosed;
    std::string words;
    for (int i = 0; i < 30; ++i) words += " word" + std::to_string(i);
    {
        std::unique_ptr<BpHeading> heading(unclosed.procedure.Heading(BpString("A test", false)));
        heading->Text(BpString("Scores [in points" + words, false), "results");
    }
    const std::string wrapped = npar::WriteText(unclosed.document);
    for (int i = 0; i < 30; ++i)
        EXPECT_NE(wrapped.find("word" + std::to_string(i)), std::string::npos) << i << "\n" << wrapped;
    EXPECT_EQ(wrapped.find("\n   "), std::string::npos) << "a line begins with a cut\n" << wrapped;
    // Nor does the page hold it: the words after the bracket may wrap.
    const std::string page = npar::WriteHtml(unclosed.document);
    EXPECT_NE(page.find("\">Scores [in points word0 word1"), std::string::npos) << page;
    EXPECT_EQ(page.find("<span class=\"held\">[in"), std::string::npos);
}

TEST(CopyAndTexts, ATableCopiesAsTabSeparatedTextWithoutMarks) {
    Service service;
    AddGroupedTable(service);
    const std::string html = npar::WriteHtml(service.document);

    const std::vector<std::string> copied = Matches(html, "data-tsv=\"([^\"]*)\"");
    ASSERT_EQ(copied.size(), 1u);
    // The header rows first, the column labels on the last header row (where
    // "Estimate" shows, spanning both), the group label once, a cell's tab
    // and line break as blanks, the footnote mark left out.
    EXPECT_EQ(Unescape(copied[0]),
              "\t\t\t95% CI\t\n"
              "\t\tEstimate\tLower\tUpper\n"
              "Effect Size\tr\t0.500\t0.030\t0.790\n"
              "\tTwo lines here\t-0.250\t-0.500\t0.100");
    EXPECT_NE(html.find("aria-label=\"Copy table as tab-separated text\""), std::string::npos);
    EXPECT_NE(html.find("aria-describedby=\"table-1-title\""), std::string::npos);
}

TEST(CopyAndTexts, ThePagesPolicyAllowsExactlyItsScripts) {
    Service plain;
    std::unique_ptr<BpHeading> heading(plain.procedure.Heading(BpString("Only a heading", false)));
    const std::string bare = npar::WriteHtml(plain.document);
    EXPECT_TRUE(Scripts(bare).empty()) << "nothing to copy, no script";
    EXPECT_NE(bare.find("content=\"default-src 'none'; style-src 'unsafe-inline'\""), std::string::npos);

    Service service;
    AddResultsLine(service);
    AddGroupedTable(service);
    const std::string html = npar::WriteHtml(service.document);
    const std::vector<std::string> scripts = Scripts(html);
    ASSERT_EQ(scripts.size(), 1u);
    EXPECT_EQ(AllowedHashes(html), std::vector<std::string>{npar::Sha256Base64(scripts[0])});
    // The script is bound by a listener, not by handlers in the markup, and
    // compiles nothing.
    EXPECT_NE(scripts[0].find("addEventListener(\"click\""), std::string::npos);
    EXPECT_EQ(html.find(" onclick="), std::string::npos);
    for (const char* forbidden : {"eval(", "Function(", "fetch(", "XMLHttpRequest"})
        EXPECT_EQ(scripts[0].find(forbidden), std::string::npos) << forbidden;
}
