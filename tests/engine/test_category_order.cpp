// The order of a text variable's values, from the dictionary's "order" or
// --order: the tests that depend on it (Jonckheere-Terpstra's groups, the
// marginal homogeneity scores), the splits, and the faults in an order.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "EngineFixture.h"

using enginetest::DataFile;
using enginetest::EngineRun;
using enginetest::ExpectNear;
using enginetest::UsageErrorOf;

namespace {

// grades.csv with its grades 1 < 2 < 3 written as texts, whose bytes sort
// them high, low, medium.
std::string GradesAsTexts() {
    std::string text = DataFile("grades.csv");
    std::string out;
    for (char c : text) {
        if (c == '1')
            out += "low";
        else if (c == '2')
            out += "medium";
        else if (c == '3')
            out += "high";
        else
            out += c;
    }
    return out;
}

EngineRun::Tweak Orders(std::vector<std::string> orders) {
    return [orders](npar::engine::AnalysisRequest& request) { request.categoryOrders = orders; };
}

}  // namespace

TEST(CategoryOrder, JonckheereTerpstraTakesTheGroupsInTheGivenOrder) {
    // REFERENCES.md, section 20: jt(wb$breaks, wb$tension, c("L", "M", "H")), R's own factor
    // order of warpbreaks' tension.
    const auto expectLowMediumHigh = [](const EngineRun& run) {
        EXPECT_EQ(run.Statistic(0, "TotalN"), 54);
        EXPECT_EQ(run.Statistic(0, "TestStatistic"), 275.5);
        EXPECT_EQ(run.Statistic(0, "MeanOfTestStatistic"), 486);
        ExpectNear(run.Statistic(0, "StandardError"), 62.9349135072994, 1e-12);
        ExpectNear(run.Statistic(0, "StandardizedTestStatistic"), -3.34472534034047, 1e-12);
        ExpectNear(run.Statistic(0, "AsymptoticSig2Tailed"), 0.00082364091211009, 1e-6);
        EXPECT_TRUE(run.Analysis().Notes().empty());  // the order is the user's: nothing to note
    };
    const EngineRun fromOption(DataFile("warpbreaks.csv"), {"jonckheere-terpstra breaks by tension"},
                               Orders({"tension=L,M,H"}));
    expectLowMediumHigh(fromOption);
    const EngineRun fromDictionary(
        DataFile("warpbreaks.csv"), {"jonckheere-terpstra breaks by tension"}, [](auto& request) {
            request.dictionaryJson = R"({"variables": [{"name": "tension", "order": ["L", "M", "H"]}]})";
        });
    expectLowMediumHigh(fromDictionary);
    // The option is read after the dictionary and wins; blanks around values are dropped.
    const EngineRun both(
        DataFile("warpbreaks.csv"), {"jonckheere-terpstra breaks by tension"}, [](auto& request) {
            request.dictionaryJson = R"({"variables": [{"name": "tension", "order": ["H", "M", "L"]}]})";
            request.categoryOrders = {"tension= L, M ,H"};
        });
    expectLowMediumHigh(both);
    // Values may be named by their labels.
    const EngineRun byLabel(DataFile("warpbreaks.csv"), {"jonckheere-terpstra breaks by tension"},
                            [](auto& request) {
                                request.dictionaryJson = R"({"variables": [{"name": "tension",
                                    "valueLabels": {"L": "low", "M": "medium", "H": "high"}}]})";
                                request.categoryOrders = {"tension=low,medium,high"};
                            });
    expectLowMediumHigh(byLabel);

    // Without an order the texts go as their bytes sort: jt(..., c("H", "L", "M")).
    const EngineRun textOrder(DataFile("warpbreaks.csv"), {"jonckheere-terpstra breaks by tension"});
    EXPECT_EQ(textOrder.Statistic(0, "TestStatistic"), 582.5);
    ASSERT_EQ(textOrder.Analysis().Notes().size(), 1u);
    EXPECT_NE(textOrder.Analysis().Notes()[0].find(
                  "takes in text order (H, L, M); if another order is meant, give it: "
                  "--order tension=H,L,M (\"order\" in the dictionary)"),
              std::string::npos);
}

TEST(CategoryOrder, MarginalHomogeneityScoresTextsInTheirOrder) {
    // REFERENCES.md, section 10: mh(gr$before, gr$after) on the grades 1 < 2 < 3, here the
    // texts low < medium < high. An order given for one field serves both.
    const EngineRun run(GradesAsTexts(), {"marginal-homogeneity before after"},
                        Orders({"before=low,medium,high"}));
    EXPECT_EQ(run.Statistic(0, "TestStatistic"), 42);
    EXPECT_EQ(run.Statistic(0, "MeanOfTestStatistic"), 46.5);
    ExpectNear(run.Statistic(0, "StandardizedTestStatistic"), -1.56669890360128, 1e-12);
    EXPECT_EQ(run.TableRows(0, {"CategoryFieldsComparison", "Content"}),
              (std::vector<std::vector<double>>{{10, 8, 2}, {4, 12, 6}, {1, 3, 9}}));
    // The field without an order of its own is still named, with the option that orders it.
    ASSERT_EQ(run.Analysis().Notes().size(), 1u);
    EXPECT_NE(run.Analysis().Notes()[0].find("\"after\" holds texts, which the test takes in text "
                                             "order (high, low, medium); if another order is meant, "
                                             "give it: --order after=high,low,medium"),
              std::string::npos);

    const EngineRun bothOrdered(GradesAsTexts(), {"marginal-homogeneity before after"},
                                Orders({"before=low,medium,high", "after=low,medium,high"}));
    EXPECT_EQ(bothOrdered.Statistic(0, "TestStatistic"), 42);
    EXPECT_TRUE(bothOrdered.Analysis().Notes().empty());
}

TEST(CategoryOrder, SplitsAndAnOrderedVariablesMeasure) {
    const std::string csv = "x,size\n1,small\n2,large\n3,medium\n4,small\n5,large\n6,medium\n";
    const EngineRun run(csv, {"runs x"}, [](auto& request) {
        request.splitBy = {"size"};
        request.categoryOrders = {"size=small,medium,large"};
    });
    const nlohmann::json manifest = nlohmann::json::parse(run.Analysis().ManifestText());
    ASSERT_EQ(manifest["splits"].size(), 3u);
    EXPECT_EQ(manifest["splits"][0]["values"]["size"], "small");
    EXPECT_EQ(manifest["splits"][1]["values"]["size"], "medium");
    EXPECT_EQ(manifest["splits"][2]["values"]["size"], "large");
    // A variable given an order is ordinal, unless the dictionary says otherwise.
    const auto optypeOf = [](const EngineRun& run) {
        return std::string(run.Root()
                               .find_node([](pugi::xml_node node) {
                                   return std::string(node.name()) == "DataField" &&
                                          std::string(node.attribute("name").as_string()) == "size";
                               })
                               .attribute("optype")
                               .as_string());
    };
    EXPECT_EQ(optypeOf(run), "ordinal");
    const EngineRun nominal(csv, {"runs x"}, [](auto& request) {
        request.splitBy = {"size"};
        request.dictionaryJson = R"({"variables": [{"name": "size", "measure": "nominal"}]})";
        request.categoryOrders = {"size=small,medium,large"};
    });
    EXPECT_EQ(optypeOf(nominal), "categorical");
}

TEST(CategoryOrder, FaultsInAnOrderAreNamed) {
    const std::string csv = "y,tension\n1,L\n2,M\n3,H\n4,L\n";
    const std::vector<std::string> test = {"kruskal-wallis y by tension"};
    EXPECT_EQ(UsageErrorOf(csv, test, Orders({"tension=L,M"})),
              "--order tension: \"tension\" also takes \"H\", which the order leaves out; list every "
              "value in the order the tests are to take them");
    // A value left out that reads as a missing-value code is pointed to --na.
    EXPECT_EQ(UsageErrorOf(csv + "5,NA\n", test, Orders({"tension=L,M,H"})),
              "--order tension: \"tension\" also takes \"NA\", which the order leaves out; list every "
              "value in the order the tests are to take them; if \"NA\" marks a missing value, give "
              "--na NA (\"na\" in an analysis file) or list it under \"missing\" for \"tension\" in the "
              "dictionary");
    // An order ranks categories, not values: a test that needs numbers says how to get them.
    EXPECT_EQ(UsageErrorOf("a,b\nlow,high\nmedium,low\n", {"wilcoxon a b"},
                           Orders({"a=low,medium,high", "b=low,medium,high"})),
              "test \"wilcoxon a b\": field \"a\" holds text (\"low\" in data row 1 is not a number), "
              "but wilcoxon needs numbers; its order (--order) ranks groups and categories, not "
              "values: code them as numbers in their order (1 = low, 2 = medium, 3 = high) with "
              "those texts as value labels");
    EXPECT_EQ(UsageErrorOf(csv, test, Orders({"tension=L,M,H,L"})),
              "--order tension: \"L\" is listed twice");
    // A listed value no case takes is no fault (a scale's empty step), unless it looks
    // like a slip for one that is taken.
    EXPECT_EQ(UsageErrorOf(csv, test, Orders({"tension=L,XL,M,H"})), "");
    EXPECT_EQ(UsageErrorOf("y,level\n1,low\n2,medium\n3,high\n", {"kruskal-wallis y by level"},
                           Orders({"level=low,meduim,high"})),
              "--order level: no case of \"level\" takes \"meduim\" (did you mean \"medium\"?)");
    EXPECT_EQ(UsageErrorOf(csv, test, Orders({"y=3,2,1"})),
              "--order y: \"y\" holds numbers, which the tests take in ascending order; an order is "
              "given for a variable of texts");
    EXPECT_EQ(UsageErrorOf(csv, test, Orders({"tensoin=L,M,H"})).rfind("--order: ", 0), 0u);
    EXPECT_EQ(UsageErrorOf(csv, test, Orders({"tension"})),
              "--order tension: give the variable, \"=\" and its values in order: --order "
              "tension=low,medium,high");
    EXPECT_EQ(UsageErrorOf(csv, test, Orders({"tension="})), "--order tension=: no values after \"=\"");
    const auto dictionary = [](const std::string& json) {
        return [json](npar::engine::AnalysisRequest& request) { request.dictionaryJson = json; };
    };
    EXPECT_EQ(
        UsageErrorOf(csv, test, dictionary(R"({"variables": [{"name": "tension", "order": "L,M,H"}]})")),
        "dictionary (in the analysis file): variables[0].order: must be a list of the "
        "variable's values, in their order");
    EXPECT_EQ(UsageErrorOf(csv, test,
                           dictionary(R"({"variables": [{"name": "tension", "order": ["L", "H"]}]})")),
              "dictionary: variable \"tension\": \"order\": \"tension\" also takes \"M\", which the "
              "order leaves out; list every value in the order the tests are to take them");
}
