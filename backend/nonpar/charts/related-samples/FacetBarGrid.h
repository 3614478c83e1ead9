// What the McNemar and marginal-homogeneity views share: both draw the
// comparison of two related fields as a grid of panels from
// FacetBarChart.viztemplate, the second field's categories across and the
// first field's down, each cell showing its observed count (the diagonal's
// as text). This is their data block's common part and their common edits.
#pragma once

#include <string>

#include "ChartString.h"
#include "NOPRChartSteps.h"
#include "NOPRSplitResults.h"

class FacSTDictionary;
class VarDataProcessor;
class XGraph;

struct FacetBarGrid {
    FacetBarGrid(const NOPRSplitResults* container, const CategoryComparison* comparison,
                 FacSTDictionary* dictionary);

    // The fields of the rows and the columns; null when the container has none there.
    const FieldInfo* rowField() const;
    const FieldInfo* columnField() const;

    // The data source and its columns; withExpected adds the column of the
    // counts expected under no change.
    void addColumns(VarDataProcessor& processor, bool withExpected) const;
    // The steps both views take: the title (looked up by key) in the
    // template and on the graph, the fields' labels over the panels, and the
    // diagonal's counts written after "Observed Frequency = ".
    ChartSteps steps(const char* titleKey, const VarDataProcessor* data) const;

    const NOPRSplitResults* container = nullptr;
    const CategoryComparison* comparison = nullptr;
    FacSTDictionary* dictionary = nullptr;
    const std::string source = "graphSource";
    const std::string cellText = "CellText";
    const std::string column = "Column";
    const std::string row = "Row";
    const std::string category = "Category";
    const std::string cellValue = "CellValue";
    const std::string observedTooltip = "ObservedTooltip";
    const std::string hypothesizedTooltip = "HypothesizedTooltip";
};
