// A run over a table: splits in value order, missing values test by test or
// listwise, notes about cases left out, the document's frame and manifest.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "EngineFixture.h"

using enginetest::EngineRun;

namespace {

const char* kData =
    "a,b,s\n"
    "1,10,y\n"
    "2,,x\n"
    "3,30,y\n"
    ",40,\n"
    "5,50,x\n"
    "6,60,y\n";

}  // namespace

TEST(Analysis, MissingValuesTestByTestOrListwise) {
    const EngineRun byTest(kData, {"runs a cut=3", "runs b cut=35"});
    EXPECT_EQ(byTest.Statistic(0, "TotalN"), 5);  // the case without a is left out
    EXPECT_EQ(byTest.Statistic(1, "TotalN"), 5);  // the case without b is left out
    EXPECT_STREQ(byTest.Root()
                     .first_element_by_path("Extension/NPAROutput/NonParametricTests")
                     .attribute("missingTreatment")
                     .as_string(),
                 "testwise");

    const EngineRun listwise(kData, {"runs a cut=3", "runs b cut=35"}, [](auto& request) {
        request.missing = npar::engine::MissingMode::Listwise;
    });
    EXPECT_EQ(listwise.Statistic(0, "TotalN"), 4);
    EXPECT_EQ(listwise.Statistic(1, "TotalN"), 4);
    pugi::xml_node counts =
        listwise.Root().first_element_by_path("DescriptiveModel/DescriptiveSummary/Counts");
    EXPECT_EQ(counts.attribute("totalCount").as_int(), 6);
    EXPECT_EQ(counts.attribute("droppedCount").as_int(), 2);
    // The run says why every Total N is smaller; test by test it needs no word.
    EXPECT_EQ(
        listwise.Analysis().Notes(),
        std::vector<std::string>{"missing values are excluded listwise: 2 of 6 cases lack a "
                                 "value of a field some test uses and are left out of every test"});
    EXPECT_TRUE(byTest.Analysis().Notes().empty());
}

TEST(Analysis, SplitsInValueOrderAndCasesWithoutASplitValueNoted) {
    const EngineRun run(kData, {"runs a cut=3"}, [](auto& request) { request.splitBy = {"s"}; });
    ASSERT_EQ(run.SplitCount(), 2u);
    EXPECT_EQ(run.Statistic(0, "TotalN", "", 0), 2);  // s = x: rows 2 and 5
    EXPECT_EQ(run.Statistic(0, "TotalN", "", 1), 3);  // s = y
    EXPECT_EQ(run.Analysis().Notes(),
              std::vector<std::string>{"1 case has no value for split variable \"s\" and is left out"});
    const nlohmann::json manifest = nlohmann::json::parse(run.Analysis().ManifestText());
    EXPECT_EQ(manifest["splitVariables"], nlohmann::json({"s"}));
    EXPECT_EQ(manifest["splitHeadings"], true);
    EXPECT_EQ(manifest["splits"][0],
              nlohmann::json::parse(R"({"document": "split-1.xml", "values": {"s": "x"}})"));
    EXPECT_EQ(manifest["splits"][1]["values"]["s"], "y");
}

// Grouping by the field that splits the data leaves one group in each
// split: the test cannot be computed there, and the run says why, once for
// a specification of several fields.
TEST(Analysis, AFieldThatAlsoSplitsTheDataIsNoted) {
    const EngineRun run(kData, {"mann-whitney a b by s", "runs a cut=3"},
                        [](auto& request) { request.splitBy = {"s"}; });
    ASSERT_EQ(run.SplitCount(), 2u);
    EXPECT_EQ(run.Analysis().Notes(),
              (std::vector<std::string>{
                  "1 case has no value for split variable \"s\" and is left out",
                  "test \"mann-whitney a b by s\": \"s\" also splits the data (--split-by), so each "
                  "split holds one of its values"}));
}

// A file R's write.csv wrote with its row names reads, and the run says
// what the nameless column became.
TEST(Analysis, RowNamesUnderAnEmptyHeaderFieldAreNoted) {
    const EngineRun run("\"\",\"x\"\n\"1\",3\n\"2\",5\n\"3\",4\n\"4\",6\n", {"runs x cut=4.5"});
    EXPECT_EQ(run.Statistic(0, "TotalN"), 4);
    EXPECT_EQ(run.Analysis().Notes(),
              std::vector<std::string>{"the header's first field is empty, as R's write.csv writes it "
                                       "above the row names; that column is read as variable "
                                       "\"rownames\""});
}

TEST(Analysis, GroupsOfOneCaseEachAreNoted) {
    // id gives every case a group of its own (an identifier taken for a
    // grouping field), score most cases (a measurement taken for one); g makes
    // groups of two, h as many groups of one as of two.
    const EngineRun run(
        "id,g,x,score,h\n1,a,3,1.5,1\n2,a,5,2.5,1\n3,b,4,2.5,2\n4,b,8,3.5,2\n5,c,6,4.5,3\n6,c,1,5.5,4\n",
        {"kruskal-wallis x by id", "median x by id", "kruskal-wallis x by g",
         "jonckheere-terpstra x by score", "kruskal-wallis x by h"});
    EXPECT_EQ(run.Analysis().Notes(),
              (std::vector<std::string>{
                  "test \"kruskal-wallis x by id\": each of the 6 groups of \"id\" holds a single "
                  "case, so the test compares single values, not groups",
                  "test \"median x by id\": each of the 6 groups of \"id\" holds a single case, so "
                  "the test compares single values, not groups",
                  "test \"jonckheere-terpstra x by score\": 4 of the 5 groups of \"score\" hold a "
                  "single case, so the test compares mostly single values, not groups"}));
}

TEST(Analysis, TestsThatOrderANominalFieldsValuesAreNoted) {
    const EngineRun run(
        "code,pair,g,site,pre,post\n1,2,1,x,low,low\n3,1,1,y,high,medium\n2,2,2,z,medium,high\n"
        "1,3,2,x,low,medium\n3,3,1,y,medium,medium\n2,1,2,z,low,high\n",
        {"mann-whitney code by g", "wilcoxon code pair", "runs code", "ks code dist=normal",
         "jonckheere-terpstra pair by code", "jonckheere-terpstra pair by site",
         "marginal-homogeneity pre post", "mann-whitney pair by g", "runs g", "chi-square code",
         "jonckheere-terpstra pair by g", "kruskal-wallis pair by site"},
        [](auto& request) {
            request.dictionaryJson = R"({"variables": [{"name": "code", "measure": "nominal"},
                                                      {"name": "g", "measure": "nominal"}]})";
        });
    // Computed all the same. Not noted: "pair" is scale; a grouping field may be nominal
    // unless the test orders more than two groups; the runs of a two-valued field do not
    // depend on its codes; chi-square and Kruskal-Wallis have no order. Texts go in the
    // order of their bytes, which the note names.
    EXPECT_EQ(run.Statistic(0, "TotalN"), 6);
    const auto nominal = [](const std::string& test) {
        return "test \"" + test +
               "\": \"code\" is nominal, yet the test takes its values in order; if their order "
               "means something, mark the field ordinal in the dictionary";
    };
    const auto inOrder = [](const std::string& start, const std::string& order,
                            const std::string& options) {
        return start + "texts, which the test takes in text order (" + order +
               "); if another order is meant, give it: " + options + " (\"order\" in the dictionary)";
    };
    EXPECT_EQ(
        run.Analysis().Notes(),
        (std::vector<std::string>{
            nominal("mann-whitney code by g"), nominal("wilcoxon code pair"), nominal("runs code"),
            nominal("ks code dist=normal"), nominal("jonckheere-terpstra pair by code"),
            inOrder("test \"jonckheere-terpstra pair by site\": \"site\" holds ", "x, y, z",
                    "--order site=x,y,z"),
            inOrder("test \"marginal-homogeneity pre post\": \"pre\" and \"post\" hold ",
                    "high, low, medium", "--order pre=high,low,medium --order post=high,low,medium")}));
}

TEST(Analysis, AFieldWithoutValuesOrWithOneCategoryStopsOnlyItsTest) {
    const EngineRun run("a,b,c\n,1,q\n,2,q\n,3,q\n", {"runs a", "wilcoxon b median=2", "chi-square c"});
    EXPECT_EQ(run.Messages(0), (std::vector<std::string>{"40001 error"}));  // no valid case
    EXPECT_EQ(run.Statistic(1, "TotalN"), 3);
    EXPECT_FALSE(run.Decision(1).empty());
    EXPECT_EQ(run.Messages(2), (std::vector<std::string>{"40002 error"}));  // a single category
}

TEST(Analysis, DocumentsListEveryColumnAndDescribeTheTestedFields) {
    const EngineRun run(kData, {"runs a cut=3", "chi-square s"});
    pugi::xml_node dictionary = run.Root().first_element_by_path("Extension/NPAROutput/DataDictionary");
    std::vector<std::string> names;
    for (pugi::xml_node field : dictionary.children("DataField"))
        names.push_back(field.attribute("name").as_string());
    // Every column in file order, then a field that stands for no variable.
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "s", "@case"}));
    pugi::xml_node s = dictionary.find_child_by_attribute("DataField", "name", "s");
    EXPECT_STREQ(s.attribute("optype").as_string(), "categorical");
    EXPECT_STREQ(s.find_child_by_attribute("Value", "index", "1").attribute("value").as_string(), "y");
    // Field information for the tested fields only: a continuous histogram
    // and categorical counts.
    std::vector<std::string> infos;
    for (pugi::xml_node info :
         run.Root().first_element_by_path("Extension/NPAROutput/FieldInfos").children())
        infos.push_back(std::string(info.attribute("varIndex").as_string()) + " " +
                        info.first_child().attribute("name").as_string());
    EXPECT_EQ(infos,
              (std::vector<std::string>{"0 ContinuousDistribution", "2 CategoricalDistribution"}));
}
