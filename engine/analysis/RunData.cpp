// Categories made on first use.
#include "analysis/RunData.h"

namespace npar::engine {

const Categories& RunData::CategoriesOf(size_t column) const {
    if (fCategories.size() < table.ColumnCount()) fCategories.resize(table.ColumnCount());
    if (!fCategories[column]) fCategories[column] = std::make_unique<Categories>(table.At(column));
    return *fCategories[column];
}

}  // namespace npar::engine
