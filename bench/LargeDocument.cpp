#include "LargeDocument.h"

#include <string>
#include <vector>

namespace npar_bench {
namespace {

std::string Attr(const std::string& name, const std::string& value) {
    return "<Attribute name=\"" + name + "\" value=\"" + value + "\"/>";
}

std::string Table(const std::string& name, const std::string& content) {
    return "<StructuredTable name=\"" + name + "\">" + content + "</StructuredTable>";
}

std::string Simple(const std::string& name, const std::string& rows, const std::string& columns,
                   const std::vector<std::string>& values) {
    std::string text = "<SimpleTable name=\"" + name + "\"><RowNames>" + rows +
                       "</RowNames><ColumnNames>" + columns + "</ColumnNames>";
    for (const auto& row : values) text += "<Row>" + row + "</Row>";
    return text + "</SimpleTable>";
}

std::string Condition(const std::string& key, const std::vector<std::string>& parameters) {
    std::string content = Attr("ConditionKey", key);
    for (size_t i = 0; i < parameters.size(); ++i)
        content += Attr("%" + std::to_string(i), parameters[i]);
    return Table("Condition", content);
}

std::string Statistics(bool withGroup) {
    std::string content = Attr("TotalN", "118") + Attr("TestStatistic", "12.375") +
                          Attr("StandardError", "3.25") + Attr("StandardizedTestStatistic", "2.41") +
                          Attr("AsymptoticSig2Tailed", "0.016");
    if (withGroup) content += Table("Asymptotic", Attr("Lower", "0.5") + Attr("Upper", "2.5"));
    return Table("StatisticsResult", content);
}

std::string Algorithm(const std::string& name, const std::string& family, const std::string& tables) {
    return "<Algorithm name=\"" + name + "\" classification=\"" + family + "\" decision=\"reject\">" +
           tables + "</Algorithm>";
}

const std::string kDistribution =
    Simple("Interval", "Count Value", "x", {"12 30 41 25 10", "0 1 2 3 4"});
const std::string kWarning =
    Table("WarningMessages", Table("M0", Attr("code", "222328") + Attr("type", "warning") +
                                             Attr("paramNum", "0") + Attr("group", "0;1")));

std::string Pairwise() {
    return Table(
        "PairwiseResult",
        Simple("PairwiseInfo", "Sample Value", "a b c", {"0 1 2", "31.5 52.25 64.0"}) +
            Simple("Content", "r", "Sample1 Sample2 TestStatistic StdError StdTestStatistic Sig AdjSig",
                   {"0 1 -20.75 6.9 -3.0 0.003 0.008", "0 2 -32.5 6.9 -4.7 0.0001 0.0003",
                    "1 2 -11.75 6.9 -1.7 0.089 0.267"}) +
            Attr("fieldIndex", "1"));
}

std::string Stepwise() {
    return Table("StepwiseResult",
                 Simple("StepwiseInfo", "Sample Value", "a b c", {"0 1 2", "1.5 2.1 2.4"}) +
                     Simple("Content", "r", "x", {"0 0 1 1 1 1 1", "1 2 3.2 1 1 0.2 0.4"}));
}

std::string BoxPlot() {
    std::string groups;
    for (int g = 0; g < 3; ++g) {
        groups += Table("Group" + std::to_string(g),
                        Attr("GroupIndex", std::to_string(g)) + Attr("N", "40") +
                            Attr("MeanOfRank", "55.5") + Simple("Box", "a", "b", {"30 41 50 58 70"}) +
                            Simple("Outliers", "a", "b", {"12 95", "3 17"}));
    }
    return Table("BoxPlotInfo", Attr("GroupFieldIndex", "1") + Attr("GroupCount", "3") +
                                    Attr("GrandMedian", "52") + groups);
}

std::string Groups(bool related) {
    std::string tables;
    for (int g = 0; g < 2; ++g) {
        const std::string name = related ? "VariableInformation_" : "Group_";
        tables += Table(name + std::to_string(g), Attr("GroupIndex", std::to_string(g)) +
                                                      (related ? "" : Attr("N", "59")) +
                                                      Attr("MeanOfRank", "58.2") + kDistribution);
    }
    return tables;
}

std::string TestsOfEveryType(int field) {
    const std::string f = std::to_string(field);
    const std::string g = std::to_string(field + 1);
    const std::string stats = Statistics(false);
    const std::string twoClass = Table(
        "TwoClassComparison", Simple("Content", "1 2", "Observed Hypothesized", {"52 59", "66 59"}));
    std::string text;
    text += Algorithm("OChiSquare", "One_Sample",
                      Condition("DefaultEqualProbabilities_O_ChiSquare_1", {g}) + stats + twoClass);
    text += Algorithm(
        "OBinomial", "One_Sample",
        Condition("ACutPointIsSpecified_O_Binomial_4", {f, "50", "0.5", "0.5"}) + stats + twoClass);
    text += Algorithm("ORuns", "One_Sample",
                      Condition("ACutPointIsSpecified_O_Runs_2", {f, "50"}) + stats +
                          Table("RunsParameters", Attr("Mean", "60.2") + Attr("StdDev", "5.4") +
                                                      Attr("ObservedRunNumber", "55")));
    text += Algorithm(
        "OWilcoxonSignedRanks", "One_Sample",
        Condition("O_WilcoxonSignedRanks_2", {f, "70"}) + stats +
            Table("ContinuousDistribution",
                  Attr("HypotheticalMedian", "70") + Attr("ObservedMedian", "72.5") + kDistribution));
    text += Algorithm("OEstimateConfidenceInterval", "One_Sample",
                      Condition("ACutPointIsSpecified_O_Binomial_2", {f, "50"}) +
                          Table("ClopperPearson",
                                Attr("computeECIMethod", "ClopperPearson") + Attr("Estimate", "0.44") +
                                    Table("Limits", Attr("Lower", "0.35") + Attr("Upper", "0.53"))));
    text += Algorithm(
        "OKolmogorovSmirnov", "One_Sample",
        Table("Condition", Attr("ConditionKey", "NormalDistribution_O_KolmogorovSmirnov_3") +
                               Attr("%0", f) + Attr("%1", "60") + Attr("%2", "12") +
                               Attr("isUseSample", "true")) +
            Table("StatisticsResult", Attr("TotalN", "118") + Attr("AsymptoticSig2Tailed", ">0.2")));
    const std::string pair = Condition("R_Sign_2", {f, g});
    const std::string differences =
        Table("ContinuousDistribution", Attr("NegativeDifferences", "40") + Attr("Ties", "3") +
                                            Attr("PositiveDifferences", "75") + kDistribution);
    text += Algorithm("RSign", "Related_Samples", pair + stats + differences);
    text += Algorithm("RWilcoxonSignedRanks", "Related_Samples",
                      Condition("R_WilcoxonSignedRanks_2", {f, g}) + stats + differences);
    text += Algorithm("RCochransQ", "Related_Samples",
                      Condition("DefaultAllDistinctValuesUsed_R_CochransQ_1", {"0 1 2"}) + stats +
                          twoClass + Pairwise());
    const std::string comparison =
        Table("CategoryFieldsComparison", Attr("RowNames", f) + Attr("ColumnNames", g) +
                                              Simple("Table", "0 1", "0 1", {"30 12", "25 51"}));
    text += Algorithm("RMcNemar", "Related_Samples",
                      Condition("AllDistinctValuesUsed_R_McNemar_2", {f, g}) + stats + comparison);
    text += Algorithm("RFriedmansTwoWayByRanks", "Related_Samples",
                      Condition("R_FriedmansTwoWayByRanks_1", {"0 1 2"}) + stats + Groups(true) +
                          Pairwise() + kWarning);
    text +=
        Algorithm("RKendallsCoefficient", "Related_Samples",
                  Condition("R_KendallsCoefficient_1", {"0 1 2"}) + stats + Groups(true) + Stepwise());
    text += Algorithm(
        "RMarginalHomogeneity", "Related_Samples",
        Condition("AllDistinctValuesUsed_R_MarginalHomogeneity_2", {f, g}) + stats + comparison);
    text += Algorithm("RHodgesLehmannEstimatePairs", "Related_Samples",
                      Condition("R_HodgesLehman_2", {f, g}) +
                          Table("StatisticsResult",
                                Attr("Estimate", "1.5") +
                                    Table("Asymptotic", Attr("Lower", "0.5") + Attr("Upper", "2.5"))));
    const std::string across = Condition("DefaultAllDistinctValuesUsed_I_MannWhitneyU_2", {f, "1"});
    text += Algorithm("IHodgesLehmannEstimateGroups", "Independent_Samples",
                      Condition("AllDistinctValuesUsed_I_HodgesLehman_2", {f, "1"}) + Statistics(true));
    text += Algorithm("IMoses", "Independent_Samples",
                      Condition("DefaultAllDistinctValuesUsed_I_Moses_2", {f, "1"}) +
                          Table("StatisticsResult",
                                Table("ObservedControlGroup",
                                      Attr("TestStatistic", "80") + Attr("ExactSig1Tailed", "0.2")) +
                                    Table("TrimmedControlGroup", Attr("TestStatistic", "70") +
                                                                     Attr("ExactSig1Tailed", "0.3"))) +
                          BoxPlot());
    text += Algorithm("IMannWhitneyU", "Independent_Samples", across + stats + Groups(false));
    text += Algorithm("IWaldWolfowitzRuns", "Independent_Samples",
                      Condition("DefaultAllDistinctValuesUsed_I_WaldWolfowitzRuns_2", {f, "1"}) +
                          Table("StatisticsResult",
                                Attr("TotalN", "118") +
                                    Table("MinimumPossible", Attr("TestStatistic", "55") +
                                                                 Attr("AsymptoticSig1Tailed", "0.2")) +
                                    Table("MaximumPossible", Attr("TestStatistic", "61") +
                                                                 Attr("AsymptoticSig1Tailed", "0.4"))) +
                          Groups(false));
    text += Algorithm("IKolmogorovSmirnov", "Independent_Samples",
                      Condition("DefaultAllDistinctValuesUsed_I_KolmogorovSmirnov_2", {f, "1"}) + stats +
                          Groups(false));
    text += Algorithm("IKruskalWallis", "Independent_Samples",
                      Condition("DefaultAllDistinctValuesUsed_I_KruskalWallis_2", {f, "1"}) + stats +
                          BoxPlot() + Pairwise() + kWarning);
    text += Algorithm("IJonckheereTerpstra", "Independent_Samples",
                      Condition("DefaultAllDistinctValuesUsed_I_JonckheereTerpstra_2", {f, "1"}) +
                          stats + BoxPlot() + Stepwise());
    text += Algorithm(
        "IMedian", "Independent_Samples",
        Condition("DefaultAllDistinctValuesUsed_I_Median_2", {f, "1"}) + stats + BoxPlot() + Pairwise());
    return text;
}

std::string Dictionary(int fieldCount) {
    std::string text = "<DataDictionary>";
    for (int i = 0; i <= fieldCount; ++i) {
        const std::string index = std::to_string(i);
        if (i % 2 == 1) {
            text += "<DataField index=\"" + index + "\" name=\"field" + index +
                    "\" displayName=\"Field " + index +
                    "\" optype=\"categorical\" dataType=\"integer\">";
            for (int v = 0; v < 5; ++v)
                text += "<Value index=\"" + std::to_string(v) + "\" value=\"" + std::to_string(v + 1) +
                        "\" displayValue=\"Level " + std::to_string(v + 1) + "\"/>";
            text += "</DataField>";
        } else {
            text += "<DataField index=\"" + index + "\" name=\"field" + index +
                    "\" displayName=\"Field " + index + "\" optype=\"continuous\" dataType=\"double\"/>";
        }
    }
    return text + "</DataDictionary>";
}

std::string FieldInfos(int fieldCount) {
    std::string text = "<FieldInfos>";
    for (int i = 0; i < fieldCount; ++i) {
        text += "<FieldInfo varIndex=\"" + std::to_string(i) + "\">" +
                Table(i % 2 ? "CategoricalDistribution" : "ContinuousDistribution",
                      Attr("TotalN", "118") + Attr("Min", "1") + Attr("Max", "99") +
                          Attr("Mean", "50.5") + Attr("StdDev", "12.25") + kDistribution) +
                "</FieldInfo>";
    }
    return text + "</FieldInfos>";
}

}  // namespace

std::string MakeLargeDocument(int testsPerType, int fieldCount) {
    std::string algorithms;
    for (int t = 0; t < testsPerType; ++t) algorithms += TestsOfEveryType(t % (fieldCount - 1));
    return "<StatXML><PMMLModel modelType=\"NonParametricTests\"/>"
           "<DescriptiveModel><DescriptiveSummary><Counts totalFreq=\"118\" totalCount=\"118\" "
           "droppedCount=\"0\" badWeightCount=\"0\" "
           "droppedFreq=\"0\"/></DescriptiveSummary></DescriptiveModel>"
           "<Extension><NPAROutput>" +
           Dictionary(fieldCount) +
           "<NonParametricTests number=\"1\" sigLevel=\"0.05\" confidenceLevel=\"0.95\" "
           "missingTreatment=\"listwise\">" +
           algorithms + "</NonParametricTests>" + FieldInfos(fieldCount) +
           "</NPAROutput></Extension></StatXML>";
}

}  // namespace npar_bench
