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

// A value a test names (success=) that its column never takes. It has a place
// in the result document's dictionary after the column's categories, so that
// a test can count it as a category with no cases.
struct NamedValue {
    std::string value;    // as the result document writes it
    std::string display;  // its value label, else the value
};

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

    // The dictionary position of a value the column never takes, placed after
    // its categories (and the values named before it) the first time it is named.
    int PlaceNamedValue(size_t column, const NamedValue& value);
    // The values named so far that the column never takes, in order.
    const std::vector<NamedValue>& NamedValuesOf(size_t column) const;

    const Column& ColumnAt(size_t column) const { return table.At(column); }
    const Variable& VariableAt(size_t column) const { return variables[column]; }

private:
    mutable std::vector<std::unique_ptr<Categories>> fCategories;
    std::vector<std::vector<NamedValue>> fNamedValues;  // by column
};

}  // namespace npar::engine
