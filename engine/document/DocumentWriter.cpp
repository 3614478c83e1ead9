// The result document: StatXML with the model type, the case counts, and
// under Extension/NPAROutput the data dictionary, the tests and the fields'
// distributions.
#include "document/DocumentWriter.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include <pugixml.hpp>

namespace npar::engine {
namespace {

std::string JoinTexts(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        if (!joined.empty()) joined += ' ';
        joined += text;
    }
    return joined;
}

std::string JoinNumbers(const std::vector<double>& numbers) {
    std::string joined;
    for (double number : numbers) {
        if (!joined.empty()) joined += ' ';
        joined += NumberText(number);
    }
    return joined;
}

void SetNumber(pugi::xml_node element, const char* name, double value) {
    element.append_attribute(name).set_value(NumberText(value).c_str());
}

void WriteNode(pugi::xml_node parent, const DocNode& node) {
    switch (node.kind) {
        case DocNode::Kind::Attribute: {
            pugi::xml_node element = parent.append_child("Attribute");
            element.append_attribute("name").set_value(node.name.c_str());
            element.append_attribute("value").set_value(node.value.c_str());
            break;
        }
        case DocNode::Kind::Simple: {
            pugi::xml_node element = parent.append_child("SimpleTable");
            element.append_attribute("name").set_value(node.name.c_str());
            element.append_child("RowNames").text().set(JoinTexts(node.rowNames).c_str());
            element.append_child("ColumnNames").text().set(JoinTexts(node.columnNames).c_str());
            for (const std::vector<double>& row : node.rows)
                element.append_child("Row").text().set(JoinNumbers(row).c_str());
            break;
        }
        case DocNode::Kind::Structured: {
            pugi::xml_node element = parent.append_child("StructuredTable");
            element.append_attribute("name").set_value(node.name.c_str());
            for (const DocNode& child : node.children) WriteNode(element, child);
            break;
        }
    }
}

void WriteParameters(std::vector<DocNode>& attributes,
                     const std::vector<std::vector<double>>& parameters) {
    for (size_t i = 0; i < parameters.size(); ++i)
        attributes.push_back(TextAttribute("%" + std::to_string(i), JoinNumbers(parameters[i])));
}

DocNode MessageTable(const TestMessage& message) {
    std::vector<DocNode> attributes = {
        Attribute("code", message.code), TextAttribute("type", message.type),
        Attribute("paramNum", static_cast<double>(message.parameters.size()))};
    WriteParameters(attributes, message.parameters);
    if (!message.group.empty()) attributes.push_back(TextAttribute("group", message.group));
    return StructuredTable("Message", std::move(attributes));
}

void WriteTest(pugi::xml_node parent, const TestResult& test, double sigLevel) {
    pugi::xml_node algorithm = parent.append_child("Algorithm");
    algorithm.append_attribute("name").set_value(test.algorithm.c_str());
    algorithm.append_attribute("classification").set_value(test.family.c_str());
    const bool blocked = [&] {
        for (const TestMessage& message : test.messages) {
            if (message.type == "error") return true;
        }
        return false;
    }();
    const double significance = DecidingSignificance(test);
    if (test.decides && !blocked && !std::isnan(significance))
        algorithm.append_attribute("decision").set_value(significance < sigLevel ? "reject" : "retain");

    std::vector<DocNode> condition = {TextAttribute("ConditionKey", test.conditionKey)};
    WriteParameters(condition, test.parameters);
    condition.insert(condition.end(), test.conditionAttributes.begin(), test.conditionAttributes.end());
    WriteNode(algorithm, StructuredTable("Condition", std::move(condition)));
    WriteNode(algorithm, StructuredTable("StatisticsResult", test.statistics));
    for (const DocNode& table : test.tables) WriteNode(algorithm, table);
    if (!test.messages.empty()) {
        std::vector<DocNode> messages;
        for (const TestMessage& message : test.messages) messages.push_back(MessageTable(message));
        WriteNode(algorithm, StructuredTable("WarningMessages", std::move(messages)));
    }
    if (!test.descriptives.empty())
        WriteNode(algorithm, StructuredTable("Descriptives", test.descriptives));
    if (!test.methods.empty()) {
        std::vector<DocNode> methods;
        for (const auto& [statistic, method] : test.methods)
            methods.push_back(TextAttribute(statistic, method));
        WriteNode(algorithm, StructuredTable("Methods", std::move(methods)));
    }
    if (!test.valuesNotInCategories.empty()) {
        std::vector<DocNode> values;
        for (const std::string& value : test.valuesNotInCategories)
            values.push_back(TextAttribute("Value", value));
        WriteNode(algorithm, StructuredTable("ValsNotInTheCategoreis", std::move(values)));
    }
}

void WriteDictionary(pugi::xml_node parent, const std::vector<DocField>& fields) {
    pugi::xml_node dictionary = parent.append_child("DataDictionary");
    for (size_t i = 0; i < fields.size(); ++i) {
        const DocField& field = fields[i];
        pugi::xml_node element = dictionary.append_child("DataField");
        element.append_attribute("index").set_value(static_cast<unsigned long long>(i));
        element.append_attribute("name").set_value(field.name.c_str());
        element.append_attribute("displayName").set_value(field.label.c_str());
        element.append_attribute("optype").set_value(field.optype.c_str());
        element.append_attribute("dataType").set_value(field.dataType.c_str());
        for (size_t j = 0; j < field.values.size(); ++j) {
            pugi::xml_node value = element.append_child("Value");
            value.append_attribute("index").set_value(static_cast<unsigned long long>(j));
            value.append_attribute("value").set_value(field.values[j].first.c_str());
            value.append_attribute("displayValue").set_value(field.values[j].second.c_str());
        }
    }
}

}  // namespace

double DecidingSignificance(const TestResult& test) {
    // The statistics flattened in document order, searched from the end.
    std::vector<const DocNode*> flat;
    for (const DocNode& child : test.statistics) {
        if (child.kind == DocNode::Kind::Attribute)
            flat.push_back(&child);
        else if (child.kind == DocNode::Kind::Structured)
            for (const DocNode& inner : child.children)
                if (inner.kind == DocNode::Kind::Attribute) flat.push_back(&inner);
    }
    for (auto it = flat.rbegin(); it != flat.rend(); ++it) {
        if ((*it)->name.find("Sig") == std::string::npos) continue;
        std::string text = (*it)->value;
        if (!text.empty() && text[0] == '>') text.erase(0, 1);
        if (text == "__MISSING__") return std::nan("");
        return std::strtod(text.c_str(), nullptr);
    }
    return std::nan("");
}

std::string WriteResultDocument(const ResultDocumentContent& content) {
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node root = document.append_child("StatXML");
    pugi::xml_node model = root.append_child("PMMLModel");
    model.append_attribute("modelType").set_value("NonParametricTests");
    model.append_attribute("version").set_value("1.0");

    pugi::xml_node counts =
        root.append_child("DescriptiveModel").append_child("DescriptiveSummary").append_child("Counts");
    const auto cases = static_cast<unsigned long long>(content.caseCount);
    counts.append_attribute("totalFreq").set_value(cases);
    counts.append_attribute("totalCount").set_value(cases);
    counts.append_attribute("droppedCount")
        .set_value(static_cast<unsigned long long>(content.droppedCount));
    counts.append_attribute("badWeightCount").set_value(0);
    counts.append_attribute("droppedFreq")
        .set_value(static_cast<unsigned long long>(content.droppedCount));

    pugi::xml_node output = root.append_child("Extension").append_child("NPAROutput");
    WriteDictionary(output, content.fields);
    pugi::xml_node tests = output.append_child("NonParametricTests");
    tests.append_attribute("number").set_value(static_cast<unsigned long long>(content.tests.size()));
    SetNumber(tests, "sigLevel", content.sigLevel);
    SetNumber(tests, "confidenceLevel", content.confidenceLevel);
    tests.append_attribute("missingTreatment").set_value(content.listwise ? "listwise" : "testwise");
    for (const TestResult& test : content.tests) WriteTest(tests, test, content.sigLevel);

    pugi::xml_node infos = output.append_child("FieldInfos");
    for (const auto& [index, table] : content.fieldInfos) {
        pugi::xml_node info = infos.append_child("FieldInfo");
        info.append_attribute("varIndex").set_value(static_cast<unsigned long long>(index));
        WriteNode(info, table);
    }

    std::ostringstream text;
    document.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
    return text.str();
}

}  // namespace npar::engine
