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
        if (AllRows() && values.IsNumeric()) {
            // Every case of the table, in order: no list of rows to read.
            const double* numbers = values.numbers.data();
            for (size_t row = 0; row < values.numbers.size(); ++row)
                if (numbers[row] == numbers[row]) visit(static_cast<uint32_t>(row));  // NaN is missing
            return;
        }
        for (uint32_t row : rows)
            if (!values.IsMissing(row)) visit(row);
    }
    // Whether the split holds every case of the table (its rows are then
    // 0, 1, 2, ... in order).
    bool AllRows() const { return rows.size() == data.table.RowCount(); }
};

}  // namespace npar::engine
