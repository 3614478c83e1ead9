// The columnar data table and its string pools.
#include "engine/DataTable.h"

#include <cctype>

namespace npar::engine {

int32_t StringPool::Intern(std::string_view text) {
    const auto found = fCodes.find(text);
    if (found != fCodes.end()) return found->second;
    const auto code = static_cast<int32_t>(fTexts.size());
    fTexts.push_back(std::make_unique<std::string>(text));
    fCodes.emplace(*fTexts.back(), code);
    return code;
}

int32_t StringPool::Find(std::string_view text) const {
    const auto found = fCodes.find(text);
    return found == fCodes.end() ? kMissingCode : found->second;
}

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

int DataTable::Find(std::string_view name) const {
    for (size_t i = 0; i < fColumns.size(); ++i) {
        if (fColumns[i].name == name) return static_cast<int>(i);
    }
    int found = -1;
    for (size_t i = 0; i < fColumns.size(); ++i) {
        if (!EqualIgnoringCase(fColumns[i].name, name)) continue;
        if (found >= 0) return -1;
        found = static_cast<int>(i);
    }
    return found;
}

std::vector<std::string> DataTable::ColumnNames() const {
    std::vector<std::string> names;
    names.reserve(fColumns.size());
    for (const Column& column : fColumns) names.push_back(column.name);
    return names;
}

}  // namespace npar::engine
