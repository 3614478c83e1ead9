// Running the engine and reading its documents.
#include "EngineFixture.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace enginetest {

std::string DataFile(const std::string& name) {
    std::ifstream in(std::string(NPAR_SOURCE_DIR) + "/tests/engine/data/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ExpectNear(double actual, double expected, double relative) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * relative + 1e-15)
        << "expected " << expected << ", got " << actual;
}

namespace {

npar::engine::AnalysisRequest MakeRequest(std::string csv, std::vector<std::string> tests,
                                          const EngineRun::Tweak& tweak) {
    npar::engine::AnalysisRequest request;
    request.dataText = std::move(csv);
    request.tests = std::move(tests);
    if (tweak) tweak(request);
    return request;
}

pugi::xml_node ChildTable(pugi::xml_node parent, const std::string& name) {
    for (pugi::xml_node child : parent.children()) {
        if (child.attribute("name").as_string() == name &&
            (std::string(child.name()) == "StructuredTable" ||
             std::string(child.name()) == "SimpleTable"))
            return child;
    }
    return {};
}

}  // namespace

EngineRun::EngineRun(std::string csv, std::vector<std::string> tests, const Tweak& tweak)
    : fAnalysis(npar::engine::PrepareAnalysis(MakeRequest(std::move(csv), std::move(tests), tweak))) {
    for (size_t i = 0; i < fAnalysis->SplitCount(); ++i) {
        fTexts.push_back(fAnalysis->ComputeDocument(i));
        auto document = std::make_unique<pugi::xml_document>();
        const pugi::xml_parse_result parsed = document->load_string(fTexts.back().c_str());
        EXPECT_TRUE(parsed) << parsed.description();
        fDocuments.push_back(std::move(document));
    }
}

pugi::xml_node EngineRun::Algorithm(size_t test, size_t split) const {
    pugi::xml_node tests = Root(split).first_element_by_path("Extension/NPAROutput/NonParametricTests");
    size_t i = 0;
    for (pugi::xml_node algorithm : tests.children("Algorithm")) {
        if (i++ == test) return algorithm;
    }
    ADD_FAILURE() << "no test " << test << " in split " << split;
    return {};
}

pugi::xml_node EngineRun::StatisticNode(size_t test, const std::string& name, const std::string& group,
                                        size_t split) const {
    pugi::xml_node table = ChildTable(Algorithm(test, split), "StatisticsResult");
    if (!group.empty()) table = ChildTable(table, group);
    for (pugi::xml_node attribute : table.children("Attribute")) {
        if (attribute.attribute("name").as_string() == name) return attribute;
    }
    return {};
}

bool EngineRun::HasStatistic(size_t test, const std::string& name, const std::string& group,
                             size_t split) const {
    return bool(StatisticNode(test, name, group, split));
}

std::string EngineRun::StatisticText(size_t test, const std::string& name, const std::string& group,
                                     size_t split) const {
    const pugi::xml_node node = StatisticNode(test, name, group, split);
    if (!node) ADD_FAILURE() << "test " << test << " has no statistic " << group << "/" << name;
    return node.attribute("value").as_string();
}

double EngineRun::Statistic(size_t test, const std::string& name, const std::string& group,
                            size_t split) const {
    const std::string text = StatisticText(test, name, group, split);
    if (text.empty() || text == "__MISSING__") return std::nan("");
    return std::strtod(text.c_str() + (text[0] == '>' ? 1 : 0), nullptr);
}

std::string EngineRun::Decision(size_t test, size_t split) const {
    return Algorithm(test, split).attribute("decision").as_string();
}

std::string EngineRun::ConditionKey(size_t test, size_t split) const {
    for (pugi::xml_node attribute :
         ChildTable(Algorithm(test, split), "Condition").children("Attribute")) {
        if (attribute.attribute("name").as_string() == std::string("ConditionKey"))
            return attribute.attribute("value").as_string();
    }
    return "";
}

std::vector<double> EngineRun::Parameter(size_t test, size_t index, size_t split) const {
    const std::string name = "%" + std::to_string(index);
    std::vector<double> numbers;
    for (pugi::xml_node attribute :
         ChildTable(Algorithm(test, split), "Condition").children("Attribute")) {
        if (attribute.attribute("name").as_string() != name) continue;
        std::istringstream in(attribute.attribute("value").as_string());
        std::string token;
        while (in >> token) numbers.push_back(std::strtod(token.c_str(), nullptr));
    }
    return numbers;
}

std::vector<std::string> EngineRun::Messages(size_t test, size_t split) const {
    std::vector<std::string> found;
    for (pugi::xml_node message : ChildTable(Algorithm(test, split), "WarningMessages").children()) {
        std::string code, type;
        for (pugi::xml_node attribute : message.children("Attribute")) {
            const std::string name = attribute.attribute("name").as_string();
            if (name == "code") code = attribute.attribute("value").as_string();
            if (name == "type") type = attribute.attribute("value").as_string();
        }
        found.push_back(code + " " + type);
    }
    return found;
}

double EngineRun::MessageNumber(size_t test, int code, size_t split) const {
    const std::string path =
        "StructuredTable[@name='WarningMessages']/StructuredTable[Attribute"
        "[@name='code'][@value='" +
        std::to_string(code) + "']]/Attribute[@name='%0']";
    const pugi::xpath_node found = Algorithm(test, split).select_node(path.c_str());
    return found ? found.node().attribute("value").as_double() : std::nan("");
}

std::vector<std::vector<double>> EngineRun::TableRows(size_t test, const std::vector<std::string>& path,
                                                      size_t split) const {
    pugi::xml_node node = Algorithm(test, split);
    for (const std::string& name : path) node = ChildTable(node, name);
    std::vector<std::vector<double>> rows;
    for (pugi::xml_node row : node.children("Row")) {
        std::istringstream in(row.text().as_string());
        std::vector<double> values;
        std::string token;
        while (in >> token)
            values.push_back(token == "__MISSING__" ? std::nan("")
                                                    : std::strtod(token.c_str(), nullptr));
        rows.push_back(values);
    }
    return rows;
}

double EngineRun::TableAttribute(size_t test, const std::vector<std::string>& path,
                                 const std::string& name, size_t split) const {
    pugi::xml_node node = Algorithm(test, split);
    for (const std::string& part : path) node = ChildTable(node, part);
    for (pugi::xml_node attribute : node.children("Attribute")) {
        if (attribute.attribute("name").as_string() == name)
            return attribute.attribute("value").as_double();
    }
    ADD_FAILURE() << "no attribute " << name;
    return std::nan("");
}

std::string UsageErrorOf(const std::string& csv, const std::vector<std::string>& tests,
                         const EngineRun::Tweak& tweak) {
    try {
        npar::engine::PrepareAnalysis(MakeRequest(csv, tests, tweak));
    } catch (const npar::engine::UsageError& error) {
        return error.what();
    }
    return "";
}

}  // namespace enginetest
