// What a result document says about the fields: the data dictionary (every
// column, with its values where a test or the reader treats it as
// categories) and, for each field a test uses, its distribution over the
// split's cases.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/RunData.h"
#include "analysis/TestRequest.h"
#include "document/ResultModel.h"

namespace npar::engine {

// Per column: whether the run treats it as categories (its measure, a string
// column, a grouping field, or a field a categorical test counts).
std::vector<bool> CategoricalColumns(const RunData& data, const std::vector<TestRequest>& requests);

// The data dictionary: one field per column, then a trailing field no test
// uses (the report gives every field but the last one its information).
std::vector<DocField> DictionaryFields(const RunData& data, const std::vector<bool>& categorical);

// The distribution table of one field over rows (its valid values):
// categorical fields count their categories, continuous ones are binned.
DocNode FieldDistribution(const RunData& data, size_t column, bool categorical,
                          const std::vector<uint32_t>& rows);

}  // namespace npar::engine
