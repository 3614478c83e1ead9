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
    // The shortest text that reads back as the same double, in plain digits
    // between 1e-4 and 1e17: the shortest form would write 200000 as
    // "2e+05", which a reader of whole numbers (a total N, a category's code)
    // takes for 2, and a category of 100000 would be labelled "1e+05".
    const double size = std::fabs(value);
    const bool plain = size >= 1e-4 && size < 1e17;
    char buffer[64];
    const auto result =
        plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
              : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::vector<std::string> Positions(size_t count, size_t first) {
    std::vector<std::string> names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i) names.push_back(std::to_string(first + i));
    return names;
}

}  // namespace npar::engine
