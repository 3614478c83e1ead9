// Test specifications, dictionaries and analysis files: what they read into,
// and every usage error named by what is wrong before anything is computed.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

#include "EngineFixture.h"
#include "engine/NameHints.h"
#include "engine/TestText.h"

using enginetest::EngineRun;
using enginetest::UsageErrorOf;
using npar::engine::ParseTestSpec;
using npar::engine::TestSpec;
using npar::engine::UsageError;

namespace {

std::string SpecErrorOf(const std::string& text) {
    try {
        ParseTestSpec(text);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "";
}

const char* kData =
    "score,group,region,grade,when,word\n"
    "1.5,1,North,1,2023-01-01,a\n"
    "2.5,2,South,2,2023-02-01,b\n"
    "3.0,1,East,3,2023-03-01,c\n"
    "4.5,2,North,2,2023-04-01,a\n";

}  // namespace

TEST(TestSpecParser, ReadsNamesFieldsGroupAndOptions) {
    const TestSpec spec = ParseTestSpec(
        R"(Kruskal-Wallis score,"test score" other BY "the group" compare=stepwise groups="A, B",C)");
    EXPECT_EQ(spec.name, "kruskal-wallis");  // names are case-insensitive
    EXPECT_EQ(spec.fields, (std::vector<std::string>{"score", "test score", "other"}));
    EXPECT_TRUE(spec.hasGroup);
    EXPECT_EQ(spec.group, "the group");
    ASSERT_EQ(spec.options.size(), 2u);
    EXPECT_EQ(spec.Option("compare")->value, "stepwise");
    EXPECT_EQ(spec.Option("groups")->items, (std::vector<std::string>{"A, B", "C"}));
    // A quoted "by" is a field name, not the keyword.
    EXPECT_EQ(ParseTestSpec(R"(runs "by")").fields, std::vector<std::string>{"by"});
}

TEST(TestSpecParser, MalformedSpecificationsSayWhy) {
    const struct {
        std::string text, message;
    } cases[] = {
        {"", "a test specification is empty"},
        {R"(runs "score)", "a double quote is never closed"},
        {"runs cut=1 score", "\"score\" stands after the options; fields come first, options last"},
        {"runs score cut=", "option cut= has no value"},
        {"runs score cut=1 cut=2", "option cut= is given twice"},
        {"runs score =1", "an option has no name before \"=\""},
        {"mann-whitney score by", "\"by\" needs a grouping field after it"},
        {"mann-whitney score by a b", "only one grouping field may follow \"by\""},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.text);
        EXPECT_NE(SpecErrorOf(bad.text).find(bad.message), std::string::npos) << SpecErrorOf(bad.text);
    }
}

TEST(TestRequests, UsageErrorsNameTheTestFieldAndOption) {
    const struct {
        std::string test, message;
    } cases[] = {
        {"t-test score", "unknown test \"t-test\" (npar-report --list-tests lists the tests)"},
        {"runs nothing", "the data have no variable \"nothing\" (variables: score, group, region"},
        // A mistyped name gets the name most likely meant.
        {"kruskal score by group",
         "unknown test \"kruskal\" (did you mean \"kruskal-wallis\"? npar-report --list-tests lists the "
         "tests)"},
        {"mann-withney score by group", "(did you mean \"mann-whitney\"?"},
        {"runs scroe", "the data have no variable \"scroe\" (did you mean \"score\"? variables: score,"},
        {"mann-whitney score by grop", "(did you mean \"group\"?"},
        {"kw score", "unknown test \"kw\" (npar-report --list-tests lists the tests)"},
        {"runs", "runs needs at least 1 field, not 0"},
        {"runs score score", "field \"score\" is listed twice"},
        {"wilcoxon score",
         "wilcoxon needs exactly 2 fields, not 1 (its forms: wilcoxon FIELD... median=NUMBER; "
         "wilcoxon A B)"},
        {"hodges-lehmann score", "(its forms: hodges-lehmann A B; hodges-lehmann FIELD... by GROUP"},
        {"runs score by group", "runs takes no grouping field"},
        {"runs score p=0.5", "runs has no option p= (its options: cut=)"},
        {"binomial region",
         "\"region\" has 3 values; name the success with success=VALUE or a cut point"},
        {"binomial score p=1.5 cut=2", "option p= must lie between 0 and 1"},
        {"binomial region success=north", "no case has \"region\" = \"north\"; did you mean \"North\"?"},
        {"binomial when success=01-JAN-2023",
         "\"when\" holds dates, and \"01-JAN-2023\" is neither a date written as 2023-07-01"},
        {"binomial score success=high",
         "\"score\" holds numbers, and \"high\" is neither a number nor one of its value labels"},
        {"binomial score cut=two", "option cut= must be a number, not \"two\""},
        {"binomial word cut=1",
         "field \"word\" holds text (\"a\" in data row 1 is not a number), but cut= needs numbers"},
        {"chi-square region expected=1,2",
         "expected= gives 2 proportions, but \"region\" has 3 categories"},
        {"chi-square region expected=1,0,2", "expected= takes positive numbers, not \"0\""},
        {"ks score", "name the distribution with dist=normal, uniform, poisson or exponential"},
        {"ks score dist=gamma", "option dist= must be one of normal, uniform, poisson, exponential"},
        {"ks score dist=normal mean=1", "give both mean= and sd=, or neither"},
        {"ks score dist=normal mean=1 sd=0", "sd= must be above 0"},
        {"ks score dist=poisson sd=1", "the poisson distribution has no parameter sd="},
        {"ks score dist=uniform min=3 max=1", "min= must lie below max="},
        {"wilcoxon word median=1", "field \"word\" holds text"},
        {"success-rate score methods=wald cut=2",
         "methods= knows clopper-pearson, jeffreys and likelihood"},
        {"ks when dist=uniform min=2023-01-01 max=soon",
         "option max= must be a number or a date (2023-07-01)"},
        {"friedman score grade",
         "friedman needs at least 3 fields, not 2 (for two fields use sign, wilcoxon or mcnemar)"},
        {"mann-whitney score", "mann-whitney needs a grouping field"},
        {"mann-whitney score by region",
         "the grouping field \"region\" has 3 values; name the two groups to compare with groups=V1,V2"},
        {"mcnemar group grade",
         "the fields take 3 values between them, not two; name the success with success=VALUE"},
        {"mann-whitney score by group groups=1,1", "groups= names the same group twice"},
        {"mann-whitney score by region groups=North,south",
         "the value \"south\" never occurs in \"region\"; did you mean \"South\"?"},
        {"moses score by region groups=North,South control=Sotuh",
         "the value \"Sotuh\" never occurs in \"region\"; did you mean \"South\"?"},
        {"mcnemar region word success=NORTH ",
         "the value never occurs in the fields; did you mean \"North\"?"},
        {"kruskal-wallis score by score",
         "field \"score\" cannot be both tested and the grouping field"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.test);
        const std::string message = UsageErrorOf(kData, {bad.test});
        EXPECT_NE(message.find("test \"" + bad.test + "\""), std::string::npos) << message;
        EXPECT_NE(message.find(bad.message), std::string::npos) << message;
    }
}

// A cell that keeps a column from being numeric is named with what it most
// likely was: a missing-value code the dictionary can declare, or a number
// with a decimal comma or thousands separators. Declared missing, the code
// lets the test run.
TEST(TestRequests, CellsThatAreNoNumbersAreExplained) {
    const std::string data =
        "score,coded,comma,thousands,word\n"
        "1.5,1,\"1,5\",\"1,234.5\",a\n"
        "2.5, NA ,\"2,5\",\"2,000\",b\n"
        "3.0,3,\"3,0\",17,c\n";
    const std::string needs = "but the Wilcoxon signed rank test needs numbers";
    EXPECT_EQ(UsageErrorOf(data, {"wilcoxon coded median=1"}),
              "test \"wilcoxon coded median=1\": field \"coded\" holds text (\" NA \" in data row 2 is "
              "not a number), " +
                  needs +
                  "; if \" NA \" marks a missing value, give --na NA (\"na\" in an analysis file) "
                  "or list it under \"missing\" for \"coded\" in the dictionary");
    const std::string separators =
        needs + "; numbers are read with a decimal point and no thousands separators (1234.5)";
    for (const char* field : {"comma", "thousands"}) {
        const std::string message = UsageErrorOf(data, {"wilcoxon " + std::string(field) + " median=1"});
        EXPECT_NE(message.find(separators), std::string::npos) << message;
    }
    // Text that looks like neither gets no hint.
    const std::string word = UsageErrorOf(data, {"wilcoxon word median=1"});
    EXPECT_EQ(word.substr(word.size() - needs.size()), needs) << word;
    // A column the dictionary makes a string, though every cell is a number:
    // no cell is named as not being one.
    EXPECT_EQ(UsageErrorOf(data, {"wilcoxon score median=1"},
                           [](auto& request) {
                               request.dictionaryJson =
                                   R"({"variables": [{"name": "score", "type": "string"}]})";
                           }),
              "test \"wilcoxon score median=1\": field \"score\" holds text, " + needs);
    // The dictionary's type check explains the cell the same way.
    const std::string typed = UsageErrorOf(data, {"wilcoxon score median=1"}, [](auto& request) {
        request.dictionaryJson = R"({"variables": [{"name": "coded", "type": "numeric"}]})";
    });
    EXPECT_NE(typed.find("is not a number; if \" NA \" marks a missing value"), std::string::npos)
        << typed;
    // Declared missing, the code leaves the column numeric: for the column in
    // the dictionary, or for every column with --na.
    EXPECT_EQ(UsageErrorOf(data, {"wilcoxon coded median=1"},
                           [](auto& request) {
                               request.dictionaryJson =
                                   R"({"variables": [{"name": "coded", "missing": ["NA"]}]})";
                           }),
              "");
    const EngineRun everywhere(data, {"wilcoxon coded median=1", "chi-square word"}, [](auto& request) {
        request.missingTexts = {"NA", "b"};
    });
    EXPECT_EQ(everywhere.Statistic(0, "TotalN"), 2);
    EXPECT_EQ(everywhere.Statistic(1, "TotalN"), 2);  // "b" is missing in the text column too
    // A code that needs quoting on a command line is hinted quoted.
    const std::string hash = UsageErrorOf("x\n1\n#N/A\n", {"wilcoxon x median=1"});
    EXPECT_NE(hash.find("give --na '#N/A'"), std::string::npos) << hash;
}

// A column of dates with one cell that is no date is text; the message
// names that cell (an impossible day, or text of another shape), not the
// first date, and says that dates would do. A text column with more than
// two values names its first non-number for the runs test too.
TEST(TestRequests, DateColumnsNameTheCellThatIsNoDate) {
    const std::string data =
        "when,typo,coded,word\n"
        "2024-01-01,2024-01-05,2024-02-01,1\n"
        "2024-02-30,2024-01-06, NA ,x\n"
        "2024-03-01,soon,2024-02-03,3\n";
    EXPECT_EQ(UsageErrorOf(data, {"ks when dist=uniform"}),
              "test \"ks when dist=uniform\": field \"when\" holds text (most of its values are dates, "
              "but \"2024-02-30\" in data row 2 is no day of the calendar), but the "
              "Kolmogorov-Smirnov test needs numbers or dates");
    EXPECT_NE(
        UsageErrorOf(data, {"wilcoxon typo median=1"})
            .find("(most of its values are dates, but \"soon\" in data row 3 is not a date "
                  "written as 2023-07-01), but the Wilcoxon signed rank test needs numbers or dates"),
        std::string::npos);
    const std::string coded = UsageErrorOf(data, {"runs coded"});
    EXPECT_NE(
        coded.find("\"coded\" holds text with 3 values (most of its values are dates, but \" NA \" "
                   "in data row 2 is not a date written as 2023-07-01); the runs test needs "
                   "numbers, dates or a field of two values; if \" NA \" marks a missing value"),
        std::string::npos)
        << coded;
    // Among dates with times of day, the cell that is none is named with both shapes.
    EXPECT_EQ(UsageErrorOf("ts\n2023-07-01 08:30:00\n2023-07-02T09:15\nsoon\n", {"ks ts dist=uniform"}),
              "test \"ks ts dist=uniform\": field \"ts\" holds text (most of its values are dates, but "
              "\"soon\" in data row 3 is not a date written as 2023-07-01 or 2023-07-01 08:30), but "
              "the Kolmogorov-Smirnov test needs numbers or dates");
    // A time zone offset is not read, and the message says so.
    EXPECT_EQ(
        UsageErrorOf("ts\n2023-07-01 08:30:00\n2023-07-02T09:15:00+02:00\n", {"ks ts dist=normal"}),
        "test \"ks ts dist=normal\": field \"ts\" holds text (\"2023-07-02T09:15:00+02:00\" in "
        "data row 2 is a date with a time of day and a time zone offset, which is not read: "
        "write the times in one zone, without the offset), but the Kolmogorov-Smirnov test "
        "needs numbers or dates");
    // Dates the dictionary makes a string: no cell to name.
    EXPECT_EQ(
        UsageErrorOf("when\n2024-01-01\n2024-02-01\n", {"ks when dist=uniform"},
                     [](auto& request) {
                         request.dictionaryJson =
                             R"({"variables": [{"name": "when", "type": "string"}]})";
                     }),
        "test \"ks when dist=uniform\": field \"when\" holds text, but the Kolmogorov-Smirnov test "
        "needs numbers");
    EXPECT_NE(UsageErrorOf(data, {"runs word"})
                  .find("\"word\" holds text with 3 values (\"x\" in data row 2 is not a number); the "
                        "runs test needs numbers or a field of two values"),
              std::string::npos);
}

// A file read with the wrong delimiter has one column whose name is the
// whole header: the message about the variable it lacks says so and which
// --delimiter fits, whether the test or the dictionary names the variable.
TEST(TestRequests, AHeaderReadAsOneColumnPointsToTheDelimiter) {
    const std::string semicolons = "score;group\n1.5;a\n2.5;b\n";
    EXPECT_EQ(UsageErrorOf(semicolons, {"runs score"}),
              "test \"runs score\": the data have no variable \"score\"; the data file's header was "
              "read as one column, \"score;group\": if its names are separated by semicolons, give "
              "--delimiter ;, or --decimal , if its numbers have decimal commas");
    const std::string commas =
        UsageErrorOf("score,group\n1.5,a\n2.5,b\n", {"runs score"}, [](auto& request) {
            request.delimiter = ';';
            request.dictionaryJson = R"({"variables": [{"name": "score"}]})";
        });
    EXPECT_NE(commas.find("dictionary: it describes variable \"score\", which the data file has no "
                          "column for; the data file's header was read as one column, "
                          "\"score,group\": if its names are separated by commas, give --delimiter ,"),
              std::string::npos)
        << commas;
    // A file of one column whose name holds no delimiter gets the list of
    // variables as before.
    EXPECT_NE(UsageErrorOf("score\n1\n2\n", {"runs scores"}).find("did you mean \"score\"?"),
              std::string::npos);
}

TEST(TestRequests, ANameWithBlanksWrittenUnquotedIsShownHowToQuoteIt) {
    const std::string data = "score before,group\n1,a\n2,b\n";
    const std::string howTo = "write a name with blanks, commas or \"=\" in double quotes; ";
    // Bare, in single quotes and in typographic ones the specification
    // splits the name, and the first word names nothing.
    EXPECT_EQ(UsageErrorOf(data, {"runs score before"}),
              "test \"runs score before\": the data have no variable \"score\" (did you mean \"score "
              "before\"? " +
                  howTo + "variables: score before, group)");
    EXPECT_NE(
        UsageErrorOf(data, {"runs 'score before'"}).find("did you mean \"score before\"? " + howTo),
        std::string::npos);
    EXPECT_NE(UsageErrorOf(data, {"runs \xE2\x80\x98score before\xE2\x80\x99"})
                  .find("did you mean \"score before\"? " + howTo),
              std::string::npos);
    // A plain name in single quotes.
    EXPECT_NE(UsageErrorOf(data, {"runs 'group'"})
                  .find("did you mean \"group\"? a name is quoted, if at all, with double quotes"),
              std::string::npos);
    // --split-by takes the whole name: no advice on quoting there.
    EXPECT_EQ(UsageErrorOf(data, {"runs group"}, [](auto& r) { r.splitBy = {"score"}; }),
              "--split-by: the data have no variable \"score\" (did you mean \"score before\"? "
              "variables: score before, group)");
    // Written in double quotes, it runs.
    EXPECT_EQ(UsageErrorOf(data, {"runs \"score before\""}), "");
}

TEST(TestRequests, OptionsOfTheRunAreChecked) {
    EXPECT_EQ(UsageErrorOf(kData, {}), "no test to run: give --test SPEC");
    EXPECT_NE(UsageErrorOf(kData, {"runs score"}, [](auto& r) { r.alpha = 1.5; }).find("--alpha"),
              std::string::npos);
    // A percentage where a proportion belongs, the other way round.
    EXPECT_NE(UsageErrorOf(kData, {"runs score"}, [](auto& r) { r.alpha = 5; }).find("0.05 for a 5%"),
              std::string::npos);
    // A proportion where a percentage belongs is taken for the mistake it is.
    EXPECT_NE(UsageErrorOf(kData, {"runs score"}, [](auto& r) { r.confidencePercent = 0.95; })
                  .find("95 for a 95%"),
              std::string::npos);
    EXPECT_NE(UsageErrorOf(kData, {"runs score"}, [](auto& r) { r.confidencePercent = 100; })
                  .find("--confidence"),
              std::string::npos);
    EXPECT_EQ(
        UsageErrorOf(kData, {"runs score"}, [](auto& r) { r.splitBy = {"nothing"}; }),
        "--split-by: the data have no variable \"nothing\" (variables: score, group, region, grade, "
        "when, word)");
    EXPECT_EQ(UsageErrorOf(kData, {"runs score"}, [](auto& r) { r.splitBy = {"regoin"}; }),
              "--split-by: the data have no variable \"regoin\" (did you mean \"region\"? variables: "
              "score, group, region, grade, when, word)");
    EXPECT_EQ(UsageErrorOf(kData, {"runs score"},
                           [](auto& r) {
                               r.splitBy = {"group", "group"};
                           }),
              "--split-by: variable \"group\" is given twice");
    // Bad data are usage errors too, with the file's line and column.
    EXPECT_EQ(UsageErrorOf("a,b\n1\n", {"runs a"}),
              "the data: line 2, column 1: the row has 1 field, the header 2");
}

TEST(Dictionary, LabelsFormatsMeasuresAndMissingValues) {
    const EngineRun run("score,code,grade,site\n1,NA,1,x\n99,7,2,100000\n3,8,3,y\n4,9,2,x\n",
                        {"runs score", "chi-square grade", "chi-square site"}, [](auto& request) {
                            request.dictionaryJson = R"({"variables": [
                {"name": "score", "label": "Test score", "format": "F8.1", "missing": [99]},
                {"name": "code", "missing": ["NA"]},
                {"name": "site", "missing": [100000]},
                {"name": "grade", "measure": "ordinal", "valueLabels": {"1": "Fail", "2": "Pass", "3": "Merit"}}]})";
                        });
    // 99 is missing: three cases are left for the runs test.
    EXPECT_EQ(run.Statistic(0, "TotalN"), 3);
    // A text column's missing code given as a number matches its digits.
    EXPECT_EQ(run.Statistic(2, "TotalN"), 3);
    const nlohmann::json manifest = nlohmann::json::parse(run.Analysis().ManifestText());
    EXPECT_EQ(manifest["variables"][0]["label"], "Test score");
    EXPECT_EQ(manifest["variables"][0]["format"], "F8.1");
    EXPECT_EQ(manifest["variables"][1]["type"], "numeric");  // "NA" is missing, not a word
    EXPECT_EQ(manifest["variables"][1]["format"], "F8.0");
    EXPECT_EQ(manifest["variables"][2]["valueLabels"]["2"], "Pass");
    // The document's dictionary lists the ordinal field's values with their labels.
    pugi::xml_node grade = run.Root()
                               .first_element_by_path("Extension/NPAROutput/DataDictionary")
                               .find_child_by_attribute("DataField", "name", "grade");
    EXPECT_STREQ(grade.attribute("optype").as_string(), "ordinal");
    EXPECT_STREQ(
        grade.find_child_by_attribute("Value", "index", "2").attribute("displayValue").as_string(),
        "Merit");
}

// A file read with decimal commas may key its value labels with them, or
// with a point; both name the value. Missing codes written as in the file
// are matched as texts.
TEST(Dictionary, ValueLabelsOfAFileWithDecimalCommas) {
    const EngineRun run("dose;y\n0,5;3\n1,5;4\n0,5;5\n1,5;6\n-9,5;7\n", {"chi-square dose"},
                        [](auto& request) {
                            request.decimal = ',';
                            request.dictionaryJson = R"({"variables": [
                {"name": "dose", "measure": "ordinal", "missing": ["-9,5"],
                 "valueLabels": {"0,5": "low", "1.5": "high"}}]})";
                        });
    EXPECT_EQ(run.Statistic(0, "TotalN"), 4);
    pugi::xml_node dose = run.Root()
                              .first_element_by_path("Extension/NPAROutput/DataDictionary")
                              .find_child_by_attribute("DataField", "name", "dose");
    std::vector<std::string> shown;
    for (pugi::xml_node value : dose.children("Value"))
        shown.push_back(value.attribute("displayValue").as_string());
    EXPECT_EQ(shown, (std::vector<std::string>{"low", "high"}));
}

TEST(Dictionary, FaultsAreUsageErrors) {
    const struct {
        std::string json, message;
    } cases[] = {
        {"[1]", "dictionary (in the analysis file): top: must be an object with a \"variables\" list"},
        {R"({"variables": [{"label": "x"}]})", "variables[0]: no \"name\""},
        {R"({"variables": [{"name": "score", "colour": 1}]})", "variables[0]: unknown key \"colour\""},
        {R"({"variables": [{"name": "score", "lable": "x"}]})",
         "variables[0]: unknown key \"lable\" (did you mean \"label\"?)"},
        {R"({"variables": [{"name": "score", "format": "X9"}]})",
         "variables[0].format: \"X9\" is no format"},
        {R"({"variables": [{"name": "score", "measure": "interval"}]})",
         "must be \"nominal\", \"ordinal\" or \"scale\""},
        {R"({"variables": [{"name": "ghost"}]})",
         "it describes variable \"ghost\", which the data file has no column for"},
        {R"({"variables": [{"name": "word", "type": "numeric"}]})",
         "variable \"word\" is numeric, but its value \"a\" in data row 1 is not a number"},
        {R"({"variables": [{"name": "score", "format": "DATE11"}]})",
         "is a date format, but the values are no ISO dates"},
        {R"({"variables": [{"name": "word", "measure": "scale"}]})",
         "a variable of texts cannot be measured on a scale"},
        {R"({"variables": [{"name": "score", "valueLabels": {"one": "One"}}]})",
         "the value label key \"one\" is not a number"},
        {R"({"variables": [{"name": "score"}, {"name": "score"}]})", "\"score\" is described twice"},
        // Where the text breaks off, without the JSON library's error code.
        {"{", "is not valid JSON: parse error at line 1, column 2"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.json);
        const std::string message = UsageErrorOf(
            kData, {"runs score"}, [&](auto& request) { request.dictionaryJson = bad.json; });
        EXPECT_NE(message.find(bad.message), std::string::npos) << message;
    }
}

TEST(AnalysisFile, ReadsTheRunAndResolvesPathsAgainstItsFolder) {
    const std::string folder = ::testing::TempDir();
    std::ofstream(folder + "/analysis-data.csv") << kData;
    std::ofstream(folder + "/analysis.json") << R"({"data": "analysis-data.csv",
        "dictionary": {"variables": [{"name": "score", "label": "Score"}]},
        "splitBy": ["group"], "tests": ["runs score"], "alpha": 0.1, "confidence": 90,
        "missing": "listwise"})";
    const npar::engine::AnalysisRequest request =
        npar::engine::ReadAnalysisFile(folder + "/analysis.json");
    EXPECT_EQ(request.dataPath, folder + "/analysis-data.csv");
    EXPECT_EQ(request.splitBy, std::vector<std::string>{"group"});
    EXPECT_EQ(request.alpha, 0.1);
    EXPECT_EQ(request.confidencePercent, 90);
    EXPECT_EQ(request.missing, npar::engine::MissingMode::Listwise);
    EXPECT_EQ(npar::engine::PrepareAnalysis(request)->SplitCount(), 2u);

    const auto badKeyError = [&](const std::string& key) -> std::string {
        std::ofstream(folder + "/bad.json")
            << R"({"data": "x.csv", "tests": ["runs a"], ")" << key << R"(": 1})";
        try {
            npar::engine::ReadAnalysisFile(folder + "/bad.json");
        } catch (const UsageError& error) {
            return error.what();
        }
        return "no usage error";
    };
    EXPECT_NE(badKeyError("colour").find("unknown key \"colour\""), std::string::npos)
        << badKeyError("colour");
    EXPECT_NE(badKeyError("split_by").find("unknown key \"split_by\" (did you mean \"splitBy\"?)"),
              std::string::npos)
        << badKeyError("split_by");
    // A trailing comma: where the text breaks off, without the JSON
    // library's error code.
    std::ofstream(folder + "/bad.json") << R"({"data": "x.csv",})";
    try {
        npar::engine::ReadAnalysisFile(folder + "/bad.json");
        ADD_FAILURE() << "no usage error";
    } catch (const UsageError& error) {
        EXPECT_NE(std::string(error.what()).find("not valid JSON: parse error at line 1, column 18"),
                  std::string::npos)
            << error.what();
        EXPECT_EQ(std::string(error.what()).find("json.exception"), std::string::npos) << error.what();
    }
    std::remove((folder + "/analysis-data.csv").c_str());
    std::remove((folder + "/analysis.json").c_str());
    std::remove((folder + "/bad.json").c_str());
}

TEST(NameHints, TheNameMostLikelyMeantOrNone) {
    using npar::engine::LikelyMeant;
    const std::vector<std::string> tests = {"median", "mcnemar",        "moses",
                                            "ks",     "kruskal-wallis", "runs"};
    EXPECT_EQ(LikelyMeant("Median", tests), "median");           // case apart
    EXPECT_EQ(LikelyMeant("kruskal", tests), "kruskal-wallis");  // begun
    EXPECT_EQ(LikelyMeant("mcnemaar", tests), "mcnemar");        // one letter added
    EXPECT_EQ(LikelyMeant("mdeian", tests), "median");           // two letters swapped
    EXPECT_EQ(LikelyMeant("rnus", tests), "runs");               // short: one slip
    EXPECT_EQ(LikelyMeant("rnsu", tests), "");                   // short: not two
    EXPECT_EQ(LikelyMeant("kx", tests), "");                     // two letters: no slip
    EXPECT_EQ(LikelyMeant("m", tests), "");                      // too short to begin a name
    EXPECT_EQ(LikelyMeant("t-test", tests), "");
    // Equally close names give no hint; the closer kind wins over the farther.
    EXPECT_EQ(LikelyMeant("mose", {"moses", "mosey"}), "");
    EXPECT_EQ(LikelyMeant("SCORE", {"score", "scores"}), "score");
    EXPECT_EQ(LikelyMeant("scor", {"scored", "scar"}), "scored");
    EXPECT_EQ(LikelyMeant("", tests), "");
    EXPECT_EQ(LikelyMeant(std::string(5000, 'a'), {std::string(5000, 'a') + "b"}), "");
}
