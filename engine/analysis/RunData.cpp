// Categories made on first use, and the values tests name that columns never take.
#include "analysis/RunData.h"

namespace npar::engine {

const Categories& RunData::CategoriesOf(size_t column) const {
    if (fCategories.size() < table.ColumnCount()) fCategories.resize(table.ColumnCount());
    if (!fCategories[column])
        fCategories[column] = std::make_unique<Categories>(table.At(column), VariableAt(column).order);
    return *fCategories[column];
}

int RunData::PlaceNamedValue(size_t column, const NamedValue& value) {
    if (fNamedValues.size() < table.ColumnCount()) fNamedValues.resize(table.ColumnCount());
    std::vector<NamedValue>& named = fNamedValues[column];
    size_t place = 0;
    while (place < named.size() && named[place].value != value.value) ++place;
    if (place == named.size()) named.push_back(value);
    return static_cast<int>(CategoriesOf(column).Count() + place);
}

const std::vector<NamedValue>& RunData::NamedValuesOf(size_t column) const {
    static const std::vector<NamedValue> kNone;
    return column < fNamedValues.size() ? fNamedValues[column] : kNone;
}

}  // namespace npar::engine
