// The run manifest: variables, split variables and splits, and the faults
// that make it invalid, each named by its place.
#include <gtest/gtest.h>

#include <fstream>

#include "AppTestSupport.h"
#include "CFProcCustom.h"
#include "RunManifest.h"

using report::ParseRunManifest;
using report::RunManifest;

namespace {

std::vector<std::string> Faults(const std::string& text) {
    RunManifest manifest;
    std::vector<std::string> errors;
    EXPECT_FALSE(ParseRunManifest(text, "run.json", "/data", manifest, errors));
    return errors;
}

bool Has(const std::vector<std::string>& errors, const std::string& message) {
    for (const std::string& error : errors)
        if (error == message) return true;
    return false;
}

}  // namespace

TEST(Manifest, ValidManifestGivesVariablesAndSplits) {
    const std::string text = R"({
      "variables": [
        {"name": "region", "label": "Region", "type": "string", "width": 8,
         "valueLabels": {"N": "North"}},
        {"name": "visit", "type": "numeric", "format": "DATE11", "valueLabels": {"19645": "First"}},
        {"name": "score", "type": "numeric", "format": "F8.2"}
      ],
      "splitVariables": ["region", "visit"],
      "splitHeadings": true,
      "splits": [{"document": "north.xml", "values": {"region": "N", "visit": 19645}},
                 {"document": "/abs/south.xml", "values": {"region": "S", "visit": 19646}}]
    })";
    RunManifest manifest;
    std::vector<std::string> errors;
    ASSERT_TRUE(ParseRunManifest(text, "run.json", "/data", manifest, errors)) << errors.front();
    ASSERT_EQ(manifest.variables.size(), 3u);
    const QUOR_Variable& region = manifest.variables[0];
    EXPECT_EQ(region.GetType(), 8);
    EXPECT_EQ(region.GetFormat(), QUOR_Format(QUOR_Format::A, 8, 0));
    std::string label;
    EXPECT_TRUE(region.GetValueLabels().Find(OBS(std::string("N")), label));
    EXPECT_EQ(label, "North");
    // Date values are written as the documents write them and held on the host's scale.
    const double visitDay = NumericFormatCFToStat(19645, QUOR_Format::DATE);
    EXPECT_TRUE(manifest.variables[1].GetValueLabels().Find(OBS(visitDay), label));
    EXPECT_EQ(manifest.variables[2].GetType(), 0);

    EXPECT_TRUE(manifest.splitHeadings);
    EXPECT_EQ(manifest.splitVariables, (std::vector<std::string>{"region", "visit"}));
    ASSERT_EQ(manifest.splits.size(), 2u);
    EXPECT_EQ(manifest.splits[0].document, "/data/north.xml");
    EXPECT_EQ(manifest.splits[1].document, "/abs/south.xml");
    EXPECT_EQ(manifest.splits[0].values[0], OBS(std::string("N")));
    EXPECT_EQ(manifest.splits[0].values[1], OBS(visitDay));
}

TEST(Manifest, EveryFaultIsNamed) {
    const std::vector<std::string> errors = Faults(R"({
      "variables": [
        {"name": "region", "type": "text"},
        {"name": "score", "type": "numeric", "format": "F99999"},
        {"name": "group", "type": "numeric", "valueLabels": {"one": "One"}},
        {"name": "group", "type": "numeric"},
        {"type": "string", "width": 4}
      ],
      "splitVariables": ["group", "missing"],
      "splitHeading": true,
      "splits": [{"document": "a.xml", "values": {"group": 1}},
                 {"document": "b.xml", "values": {"area": 2}},
                 {"values": {"group": "x"}}]
    })");
    for (const char* expected : {
             "manifest run.json: unknown key \"splitHeading\"",
             "manifest run.json: variables[0].type: must be \"numeric\" or \"string\", not \"text\"",
             "manifest run.json: variables[1].format: \"F99999\" is no format",
             "manifest run.json: variables[2].valueLabels: \"one\" is not a number",
             "manifest run.json: variables[3].name: variable \"group\" is defined twice",
             "manifest run.json: variables[4]: no \"name\"",
             "manifest run.json: splitVariables[1]: no variable named \"missing\"",
             "manifest run.json: splits[1].values: no value for split variable \"group\"",
             "manifest run.json: splits[1].values: \"area\" is not a split variable",
             "manifest run.json: splits[2]: no \"document\"",
             "manifest run.json: splits[2].values.group: must be a number (numeric variable)",
         })
        EXPECT_TRUE(Has(errors, expected)) << expected;
    EXPECT_EQ(errors.size(), 11u);
}

TEST(Manifest, NoSplitAndBrokenJsonAreFaults) {
    EXPECT_TRUE(
        Has(Faults(R"({"variables": [], "splits": []})"), "manifest run.json: splits: lists no split"));
    EXPECT_TRUE(
        Has(Faults(R"({"variables": []})"), "manifest run.json: lists no split (no \"splits\")"));
    const std::vector<std::string> broken = Faults("{\"variables\": [}");
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_EQ(broken[0].rfind("manifest run.json: not valid JSON: parse error at line 1", 0), 0u)
        << broken[0];
}

TEST(Manifest, RunReadsTheSplitsItLists) {
    apptest::TempDir dir;
    apptest::Document document;
    dir.Write("one.xml", document.Text());
    dir.Write("two.xml", document.Text());
    const std::string manifest = dir.Write("run.json", R"({
      "variables": [{"name": "region", "label": "Region", "type": "string", "width": 5,
                     "valueLabels": {"South": "Southern"}}],
      "splitVariables": ["region"], "splitHeadings": true,
      "splits": [{"document": "one.xml", "values": {"region": "North"}},
                 {"document": "two.xml", "values": {"region": "South"}}]})");
    apptest::CliResult result = apptest::RunCli({"--manifest", manifest});
    EXPECT_EQ(result.status, 0) << result.err;
    // The report names the manifest; each split's heading names the split
    // variable and the split's value.
    EXPECT_EQ(result.out.rfind("Manifest: " + manifest + ", 2 splits\n\n1. Region = North\n", 0), 0u)
        << result.out;
    EXPECT_NE(result.out.find("\n2. Region = Southern\n"), std::string::npos) << result.out;

    // An invalid manifest stops the run before any split, with every fault.
    const std::string invalid = dir.Write("bad.json", R"({"variables": [{"name": "x"}], "splits": []})");
    result = apptest::RunCli({"--manifest", invalid});
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(result.out.empty());
    EXPECT_NE(result.err.find("manifest " + invalid + ": variables[0]: no \"type\""), std::string::npos);
    EXPECT_NE(result.err.find("manifest " + invalid + ": splits: lists no split"), std::string::npos);

    // A document the manifest lists must exist.
    const std::string missing = dir.Write("missing.json", R"({"variables": [],
      "splits": [{"document": "none.xml"}]})");
    result = apptest::RunCli({"--manifest", missing});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot open " + dir.Path() + "/none.xml"), std::string::npos);
}

TEST(Manifest, BundledExampleManifestRuns) {
    const std::string manifest = std::string(NPAR_SOURCE_DIR) + "/examples/splits/manifest.json";
    if (!std::ifstream(manifest)) GTEST_SKIP() << "no example manifest at " << manifest;
    const apptest::CliResult result = apptest::RunCli({"--format", "json", "--manifest", manifest});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"ok\": true"), std::string::npos);
}
