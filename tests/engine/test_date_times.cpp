// Fields of dates with times of day: tested as seconds, shown in a DATETIME
// format, and named in options as dates with times.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "EngineFixture.h"

using enginetest::EngineRun;
using enginetest::ExpectNear;
using enginetest::UsageErrorOf;

namespace {

// Two groups of timestamps, in the shapes R's write.csv ("2023-07-01
// 08:30:00") and other programs write them.
const char* kStamps =
    "ts,g\n"
    "2023-07-01 08:30:00,a\n"
    "2023-07-02T09:15,b\n"
    "2023-07-03,a\n"
    "2023-07-04 11:45:30Z,b\n"
    "2023-07-05 12:00:00,a\n"
    "2023-07-06 18:20:00,b\n"
    "2023-07-08 06:00:00,a\n"
    "2023-07-09 07:30:00,b\n";

}  // namespace

TEST(DateTimes, TestedAsSecondsAgreeWithR) {
    // R: a and b as as.POSIXct(..., tz = "UTC"); wilcox.test(as.numeric(b), as.numeric(a),
    // conf.int = TRUE): W = 10, p = 0.685714285714286, difference in location 100500 s in
    // [-506700, 687600].
    const EngineRun run(kStamps, {"mann-whitney ts by g", "hodges-lehmann ts by g"});
    EXPECT_EQ(run.Statistic(0, "TestStatistic"), 10);
    ExpectNear(run.Statistic(0, "ExactSig2Tailed"), 0.685714285714286);
    EXPECT_EQ(run.Statistic(1, "Estimate"), 100500);
    const nlohmann::json manifest = nlohmann::json::parse(run.Analysis().ManifestText());
    EXPECT_EQ(manifest["variables"][0]["format"], "DATETIME20");
    EXPECT_EQ(manifest["variables"][0]["type"], "numeric");
    // A format of dates alone would read the seconds as days.
    EXPECT_EQ(UsageErrorOf(kStamps, {"runs ts"},
                           [](auto& request) {
                               request.dictionaryJson =
                                   R"({"variables": [{"name": "ts", "format": "DATE11"}]})";
                           }),
              "dictionary: variable \"ts\": format \"DATE11\" is a format of dates alone, but the "
              "values are dates with times of day: give DATETIME20");
}

TEST(DateTimes, OptionsNameDatesWithTimesOfDay) {
    // A cut at a date is its midnight: 2023-07-04 00:00 is 1688428800 s (R:
    // as.numeric(as.POSIXct("2023-07-04", tz = "UTC"))); four cases fall below it.
    const EngineRun run(kStamps, {"runs ts cut=2023-07-04", "runs ts cut=\"2023-07-04 00:00\"",
                                  "ks ts dist=uniform min=2023-07-01 max=\"2023-07-10 00:00\""});
    EXPECT_EQ(run.Parameter(0, 1), std::vector<double>{1688428800});
    EXPECT_EQ(run.Parameter(1, 1), std::vector<double>{1688428800});
    EXPECT_EQ(run.Statistic(0, "TestStatistic"), 2);  // three below the cut, then five above
    EXPECT_EQ(run.Parameter(2, 1), std::vector<double>{1688169600});
    EXPECT_EQ(run.Parameter(2, 2), std::vector<double>{1688947200});
    EXPECT_EQ(UsageErrorOf(kStamps, {"runs ts cut=soon"}),
              "test \"runs ts cut=soon\": option cut= must be a number or a date with a time of day "
              "(2023-07-01 08:30), not \"soon\"");
}

// A grouping field of timestamps names its groups as the tables do, rounded
// to the seconds' decimals its format shows.
TEST(DateTimes, GroupsAreNamedByTheirDatesAndTimes) {
    const auto displayed = [](const std::string& csv) {
        const EngineRun run(csv, {"mann-whitney y by ts"});
        std::vector<std::string> names;
        const pugi::xml_node field = run.Root().find_node([](pugi::xml_node node) {
            return std::string(node.name()) == "DataField" &&
                   std::string(node.attribute("name").as_string()) == "ts";
        });
        for (pugi::xml_node value : field.children("Value"))
            names.push_back(value.attribute("displayValue").as_string());
        return names;
    };
    EXPECT_EQ(displayed("y,ts\n1,2023-07-01 23:59:59\n2,2023-07-01 23:59:59\n3,2023-07-02 08:00\n"
                        "4,2023-07-02 08:00\n"),
              (std::vector<std::string>{"01-JUL-2023 23:59:59", "02-JUL-2023 08:00:00"}));
    EXPECT_EQ(displayed("y,ts\n1,2023-07-01 23:59:59.75\n2,2023-07-01 23:59:59.75\n"
                        "3,1969-12-31 08:00:00.5\n4,1969-12-31 08:00:00.5\n"),
              (std::vector<std::string>{"31-DEC-1969 08:00:00.50", "01-JUL-2023 23:59:59.75"}));
}
