// The data table of a chart: named data sources, each with typed columns
// (variables) whose cells are numbers or strings, rows counted from 0.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

// A cell of a chart's data table: never written, a number or a string.
using ChartDatum = std::variant<std::monostate, double, std::string>;

struct ChartColumn {
    std::string name;
    std::vector<ChartDatum> cells;  // as long as the highest row written plus one
};

struct ChartDataSource {
    std::string name;
    std::vector<ChartColumn> columns;  // in the order declared
};

class VarDataProcessor {
public:
    // Identifies one column for repeated writes.
    struct Handle {
        size_t source = 0;
        size_t column = 0;
    };

    // Rows beyond this are not stored: a chart never needs more, and a
    // number from a document never sizes memory without bound.
    static constexpr size_t kMaxRows = 1u << 20;

    void AddDataSource(const std::string& source, int flags);
    // Declares a column; with a non-null handle out, gives its handle.
    // Gives false for an unknown source.
    bool AddVariable(const std::string& source, const std::string& variable, Handle* handle);

    void SetVariableValue(const std::string& source, const std::string& variable, size_t row,
                          double value);
    void SetStringVariableValue(const std::string& source, const std::string& variable, size_t row,
                                const std::string& text);
    void SetVariableValue(const Handle& handle, size_t row, double value);

    const std::vector<ChartDataSource>& Sources() const { return fSources; }

private:
    ChartColumn* Find(const std::string& source, const std::string& variable);
    void Set(ChartColumn* column, size_t row, ChartDatum value);

    std::vector<ChartDataSource> fSources;
};
