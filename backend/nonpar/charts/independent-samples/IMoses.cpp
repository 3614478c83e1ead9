// The Moses test's box plot.
#include "IMoses.h"

#include "NOPRChartUtil.h"
#include "ViZModel.h"
#include "XDocument.h"

// The groups seen while the data were filled, in group order.
struct IMoses::GroupList {
    const NOPROutputStats::HTIMoses* record = nullptr;
    std::vector<int> codes;
    std::vector<int> sizes;
};

IMoses::IMoses(FacSTDictionary* dictionary, const NOPRSplitResults* container,
               const NOPROutputStats::HTIMoses* record)
    : Boxplot(dictionary, container), fGroups(std::make_unique<GroupList>()) {
    setTitle(lookUpText(dictionary, "Independent-Samples Moses Test of Extreme Reaction"));
    fGroups->record = record;
    if (record) {
        setBoxPlotInfo(&record->fBoxPlotInfo);
        setCondition(&record->fCondition);
    }
}

IMoses::~IMoses() = default;

std::vector<double> IMoses::groupValues(const BoxGroup& group) {
    fGroups->codes.push_back(group.fGroupIndex);
    fGroups->sizes.push_back(group.fN);
    return {static_cast<double>(group.fGroupIndex)};
}

namespace {

// A group's legend text: the string-table text, whose "\n" pairs stand for
// line breaks, followed by the group's size.
ChartString GroupText(const FacSTDictionary* dictionary, const char* key, int size) {
    ChartString text = lookUpText(dictionary, key);
    text.replaceSubstring(ChartString("\\n"), ChartString("\n"));
    text.appendInteger(size);
    return text;
}

}  // namespace

void IMoses::editDocument(XDocument& document) {
    ViZVisualization& vis = document.getVisualization();
    ViZSourceVariable label;
    ViZSourceVariable category;
    for (const ViZSourceVariable& variable : vis.getSourceVariables()) {
        const std::string id = variable.getId();
        if (id == "Label" && !label.isValid())
            label = variable;
        else if (id == "Category" && !category.isValid())
            category = variable;
    }

    const std::vector<ViZGraph> graphs = vis.getGraphs();
    if (graphs.empty()) return;
    const std::vector<ViZSchema> schemas = graphs.front().getSchemas();
    if (schemas.empty()) return;
    ViZSchema element = schemas.front();

    if (label.isValid()) element.addLabeling().setVariable(label);
    if (!category.isValid()) return;

    // The boxes are coloured by a copy of the category, so that the legend
    // can name the groups by role without changing the axis labels.
    ViZDerivedVariable derived = vis.addDerivedVariable(ChartString("Category_Derived"));
    derived.setValue(ChartString("Category"));
    ViZColor colour = element.addColor();
    colour.setId(ChartString("color1"));
    colour.setVariable(derived);
    ViZLegend legend = vis.addLegend(ChartString("legend1"));
    legend.addLegendTarget(ChartString("legend1_target"), colour);
    vis.addExtension().setLegend1(legend);

    // The first group is the control group, the second the experimental one.
    const GroupList& groups = *fGroups;
    if (groups.codes.size() < 2 || groups.sizes.size() < 2) return;
    const ChartString control = GroupText(dictionary(), "NPAR_BOXPLOT_CONTROLGROUP", groups.sizes[0]);
    const ChartString experimental =
        GroupText(dictionary(), "NPAR_BOXPLOT_EXPERIMENTALGROUP", groups.sizes[1]);
    ViZFormat format = derived.addFormat();
    format.addRelabel(ChartString().assignInteger(groups.codes[0]), control);
    format.addRelabel(ChartString().assignDouble(groups.codes[1], 16), experimental);
}
