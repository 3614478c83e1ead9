// Building the pieces of a result document.
#include "document/ResultModel.h"

#include <charconv>
#include <cmath>

namespace npar::engine {

DocNode Attribute(std::string name, double value) {
    return TextAttribute(std::move(name), NumberText(value));
}

DocNode TextAttribute(std::string name, std::string value) {
    DocNode node;
    node.kind = DocNode::Kind::Attribute;
    node.name = std::move(name);
    node.value = std::move(value);
    return node;
}

DocNode SimpleTable(std::string name, std::vector<std::string> rowNames,
                    std::vector<std::string> columnNames, std::vector<std::vector<double>> rows) {
    DocNode node;
    node.kind = DocNode::Kind::Simple;
    node.name = std::move(name);
    node.rowNames = std::move(rowNames);
    node.columnNames = std::move(columnNames);
    node.rows = std::move(rows);
    return node;
}

DocNode StructuredTable(std::string name, std::vector<DocNode> children) {
    DocNode node;
    node.kind = DocNode::Kind::Structured;
    node.name = std::move(name);
    node.children = std::move(children);
    return node;
}

std::string NumberText(double value) {
    if (!std::isfinite(value)) return "__MISSING__";
    if (value == 0) return "0";  // no "-0"
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::vector<std::string> Positions(size_t count, size_t first) {
    std::vector<std::string> names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i) names.push_back(std::to_string(first + i));
    return names;
}

}  // namespace npar::engine
