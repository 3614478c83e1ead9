// One split's cases and the ways a test takes its values from them.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/RunData.h"

namespace npar::engine {

struct SplitData {
    const RunData& data;
    const std::vector<uint32_t>& rows;  // the split's cases, in file order

    // The split's cases with a value on every one of columns.
    std::vector<uint32_t> ValidRows(const std::vector<size_t>& columns) const;
    // The column's values at rows (numeric and date columns).
    std::vector<double> Numbers(size_t column, const std::vector<uint32_t>& at) const;
    // The values of a numeric or date column at the split's cases that have
    // one, in file order: the one-field tests' data, without a list of rows.
    std::vector<double> ValidNumbers(size_t column) const;
    // Calls visit(row) for each of the split's cases with a value of column.
    template <typename Visit>
    void ForEachValid(size_t column, Visit&& visit) const {
        const Column& values = data.table.At(column);
        for (uint32_t row : rows)
            if (!values.IsMissing(row)) visit(row);
    }
};

}  // namespace npar::engine
