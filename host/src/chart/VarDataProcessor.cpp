// The data table of a chart.
#include "VarDataProcessor.h"

void VarDataProcessor::AddDataSource(const std::string& source, int) {
    for (const ChartDataSource& existing : fSources) {
        if (existing.name == source) return;
    }
    fSources.push_back(ChartDataSource{source, {}});
}

bool VarDataProcessor::AddVariable(const std::string& source, const std::string& variable,
                                   Handle* handle) {
    for (size_t s = 0; s < fSources.size(); ++s) {
        if (fSources[s].name != source) continue;
        std::vector<ChartColumn>& columns = fSources[s].columns;
        size_t c = 0;
        while (c < columns.size() && columns[c].name != variable) ++c;
        // Declaring a column again gives back the one there is.
        if (c == columns.size()) columns.push_back(ChartColumn{variable, {}});
        if (handle) *handle = Handle{s, c};
        return true;
    }
    return false;
}

void VarDataProcessor::SetVariableValue(const std::string& source, const std::string& variable,
                                        size_t row, double value) {
    Set(Find(source, variable), row, value);
}

void VarDataProcessor::SetStringVariableValue(const std::string& source, const std::string& variable,
                                              size_t row, const std::string& text) {
    Set(Find(source, variable), row, text);
}

void VarDataProcessor::SetVariableValue(const Handle& handle, size_t row, double value) {
    if (handle.source >= fSources.size()) return;
    std::vector<ChartColumn>& columns = fSources[handle.source].columns;
    if (handle.column >= columns.size()) return;
    Set(&columns[handle.column], row, value);
}

ChartColumn* VarDataProcessor::Find(const std::string& source, const std::string& variable) {
    for (ChartDataSource& candidate : fSources) {
        if (candidate.name != source) continue;
        for (ChartColumn& column : candidate.columns) {
            if (column.name == variable) return &column;
        }
        return nullptr;
    }
    return nullptr;
}

void VarDataProcessor::Set(ChartColumn* column, size_t row, ChartDatum value) {
    if (!column || row >= kMaxRows) return;
    if (row >= column->cells.size()) column->cells.resize(row + 1);
    column->cells[row] = std::move(value);
}
