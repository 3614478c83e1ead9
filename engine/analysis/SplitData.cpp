// Taking a test's cases and values from a split.
#include "analysis/SplitData.h"

namespace npar::engine {

std::vector<uint32_t> SplitData::ValidRows(const std::vector<size_t>& columns) const {
    std::vector<uint32_t> valid;
    valid.reserve(rows.size());
    for (uint32_t row : rows) {
        bool complete = true;
        for (size_t column : columns) complete = complete && !data.table.At(column).IsMissing(row);
        if (complete) valid.push_back(row);
    }
    return valid;
}

std::vector<double> SplitData::Numbers(size_t column, const std::vector<uint32_t>& at) const {
    const std::vector<double>& numbers = data.table.At(column).numbers;
    std::vector<double> values;
    values.reserve(at.size());
    for (uint32_t row : at) values.push_back(numbers[row]);
    return values;
}

std::vector<double> SplitData::ValidNumbers(size_t column) const {
    const std::vector<double>& numbers = data.table.At(column).numbers;
    std::vector<double> values;
    values.reserve(rows.size());
    if (AllRows()) {
        for (double value : numbers)
            if (value == value) values.push_back(value);  // NaN is missing
        return values;
    }
    for (uint32_t row : rows) {
        const double value = numbers[row];
        if (value == value) values.push_back(value);
    }
    return values;
}

}  // namespace npar::engine
