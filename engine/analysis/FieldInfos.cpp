// The data dictionary and the fields' distributions.
#include "analysis/FieldInfos.h"

#include <algorithm>

#include "analysis/TestRunner.h"
#include "stats/Descriptives.h"

namespace npar::engine {
namespace {

bool CountsCategories(TestKind kind) {
    switch (kind) {
        case TestKind::ChiSquare:
        case TestKind::McNemar:
        case TestKind::MarginalHomogeneity:
        case TestKind::Cochran:
            return true;
        default:
            return false;
    }
}

const char* OpType(const Variable& variable, bool categorical) {
    if (variable.measure == Measure::Ordinal) return "ordinal";
    return categorical ? "categorical" : "continuous";
}

const char* DataType(const Column& column) {
    switch (column.type) {
        case ColumnType::String:
            return "string";
        case ColumnType::Date:
            return "date";
        case ColumnType::Numeric:
            return column.allWhole ? "integer" : "double";
    }
    return "double";
}

}  // namespace

std::vector<bool> CategoricalColumns(const RunData& data, const std::vector<TestRequest>& requests) {
    std::vector<bool> categorical(data.table.ColumnCount(), false);
    for (size_t i = 0; i < categorical.size(); ++i)
        categorical[i] =
            data.variables[i].IsCategorical() || data.table.At(i).type == ColumnType::String;
    for (const TestRequest& request : requests) {
        if (request.group >= 0) categorical[static_cast<size_t>(request.group)] = true;
        const bool counted =
            CountsCategories(request.kind) ||
            ((request.kind == TestKind::Binomial || request.kind == TestKind::SuccessRate) &&
             request.cut != CutKind::Value) ||
            (request.kind == TestKind::Runs && request.cut == CutKind::None);
        if (counted)
            for (size_t field : request.fields) categorical[field] = true;
    }
    return categorical;
}

std::vector<DocField> DictionaryFields(const RunData& data, const std::vector<bool>& categorical) {
    std::vector<DocField> fields;
    for (size_t i = 0; i < data.table.ColumnCount(); ++i) {
        const Variable& variable = data.variables[i];
        DocField field{variable.name,
                       variable.label,
                       OpType(variable, categorical[i]),
                       DataType(data.table.At(i)),
                       {}};
        if (categorical[i]) {
            const Categories& categories = data.CategoriesOf(i);
            for (size_t c = 0; c < categories.Count(); ++c)
                field.values.emplace_back(categories.ValueText(c), categories.DisplayText(c, variable));
            for (const NamedValue& named : data.NamedValuesOf(i))
                field.values.emplace_back(named.value, named.display);
        }
        fields.push_back(std::move(field));
    }
    // A name no column has: the trailing field stands for no variable.
    std::string name = "@case";
    while (data.table.Find(name) >= 0) name += "_";
    fields.push_back({name, "Case", "continuous", "integer", {}});
    return fields;
}

DocNode FieldDistribution(const RunData& data, size_t column, bool categorical,
                          const std::vector<uint32_t>& rows) {
    const Column& values = data.table.At(column);
    std::vector<uint32_t> valid;
    for (uint32_t row : rows)
        if (!values.IsMissing(row)) valid.push_back(row);
    std::vector<DocNode> children = {Attribute("TotalN", static_cast<double>(valid.size()))};
    std::vector<double> numbers;
    if (values.IsNumeric()) {
        for (uint32_t row : valid) numbers.push_back(values.numbers[row]);
        if (!numbers.empty()) {
            const auto [low, high] = std::minmax_element(numbers.begin(), numbers.end());
            children.push_back(Attribute("Min", *low));
            children.push_back(Attribute("Max", *high));
            children.push_back(Attribute("Mean", stats::Mean(numbers)));
            children.push_back(Attribute("StdDev", stats::StandardDeviation(numbers)));
        }
    }
    if (!categorical) {
        children.push_back(HistogramTable(numbers, BinScaleOf(values)));
        return StructuredTable("ContinuousDistribution", std::move(children));
    }
    const Categories& categories = data.CategoriesOf(column);
    std::vector<double> counts(categories.Count(), 0.0);
    for (uint32_t row : valid) counts[static_cast<size_t>(categories.IndexOfRow(row))] += 1;
    // Bars by category position (the values themselves may hold blanks).
    std::vector<double> positions;
    for (size_t c = 0; c < categories.Count(); ++c) positions.push_back(static_cast<double>(c));
    children.push_back(SimpleTable("Interval", {"Count", "Value"}, Positions(categories.Count(), 1),
                                   {counts, positions}));
    return StructuredTable("CategoricalDistribution", std::move(children));
}

}  // namespace npar::engine
