// The data of one analysis: the table, its variables and the categories of
// the fields that need them, shared by every split.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/Categories.h"
#include "data/Dictionary.h"
#include "engine/DataTable.h"

namespace npar::engine {

struct RunData {
    DataTable table;
    std::vector<Variable> variables;
    double alpha = 0.05;
    double confidence = 0.95;  // a proportion

    // The categories of a column, made on first use.
    const Categories& CategoriesOf(size_t column) const;
    bool HasCategories(size_t column) const {
        return column < fCategories.size() && fCategories[column] != nullptr;
    }

    const Column& ColumnAt(size_t column) const { return table.At(column); }
    const Variable& VariableAt(size_t column) const { return variables[column]; }

private:
    mutable std::vector<std::unique_ptr<Categories>> fCategories;
};

}  // namespace npar::engine
