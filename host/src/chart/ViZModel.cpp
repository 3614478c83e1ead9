// The chart document's object model: typed views that read and write the
// elements of the document's DOM.
#include "ViZModel.h"

#include <iterator>

#include "chart/ChartDocument.h"

namespace {

constexpr const char* kPartNames[] = {"left", "right", "top", "bottom", "width", "height"};
constexpr const char* kMethodNames[] = {"fixed", "sizeToContent", "attach", "same"};
constexpr const char* kFontWeightNames[] = {"normal", "light", "bold"};

// The name of an enumeration value, or null for a value out of range.
template <size_t N>
const char* NameOf(const char* const (&names)[N], int value) {
    return value >= 0 && static_cast<size_t>(value) < N ? names[value] : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------

std::string ViZElement::getId() const { return Attribute("id"); }

void ViZElement::setId(const ChartString& id) {
    chart::Rename(fDocument, chart::Node(fNode), chart::Clean(id));
}

pugi::xml_node_struct* ViZElement::AddChild(const char* tag) const {
    pugi::xml_node node = chart::Node(fNode);
    return node ? node.append_child(tag).internal_object() : nullptr;
}

void ViZElement::SetAttribute(const char* name, const std::string& value) const {
    chart::SetAttribute(chart::Node(fNode), name, value);
}

std::string ViZElement::Attribute(const char* name) const {
    return chart::Node(fNode).attribute(name).value();
}

std::string ViZElement::ReferenceTo(const ViZElement& element) const {
    return chart::ReferenceId(fDocument, chart::Node(element.fNode));
}

// ---------------------------------------------------------------------------

void ViZStyleElement::setColor(const ChartString& color) { SetAttribute("color", chart::Clean(color)); }

void ViZStyleElement::setFont_weight(int weight) {
    if (const char* name = NameOf(kFontWeightNames, weight)) SetAttribute("fontWeight", name);
}

void ViZFormat::addRelabel(const ChartString& key, const ChartString& label) {
    pugi::xml_node relabel = chart::Node(AddChild("relabel"));
    chart::SetAttribute(relabel, "from", chart::Clean(key));
    chart::SetAttribute(relabel, "to", chart::Clean(label));
}

void ViZDerivedVariable::setValue(const ChartString& sourceVariableId) {
    SetAttribute("value", chart::Clean(sourceVariableId));
}

ViZFormat ViZDerivedVariable::addFormat() { return ViZFormat(fDocument, AddChild("format")); }

void ViZLocationElement::setMethod(int method) {
    if (const char* name = NameOf(kMethodNames, method)) SetAttribute("method", name);
}

void ViZLocationElement::setValue(const ChartString& value) {
    SetAttribute("value", chart::Clean(value));
}

void ViZLocationElement::setTarget(const ViZElement& target) {
    if (isValid() && target.isValid()) SetAttribute("target", ReferenceTo(target));
}

void ViZLocationElement::setSpecifiedByUser(bool specified) {
    SetAttribute("specifiedByUser", specified ? "true" : "false");
}

void CTText::setText(const ChartString& text) {
    pugi::xml_node node = chart::Node(fNode);
    if (!node) return;
    while (node.first_child()) node.remove_child(node.first_child());
    node.text().set(chart::Clean(text).c_str());
}

void CTLabelType::setStyle(const ViZStyleElement& style) {
    if (isValid() && style.isValid()) SetAttribute("style", ReferenceTo(style));
}

CTText CTLabelType::addText() { return CTText(fDocument, AddChild("text")); }

namespace {

pugi::xml_node_struct* AddLocation(pugi::xml_node parent, int part) {
    if (!parent) return nullptr;
    pugi::xml_node location = parent.append_child("location");
    if (const char* name = NameOf(kPartNames, part)) chart::SetAttribute(location, "part", name);
    return location.internal_object();
}

}  // namespace

ViZLocationElement ViZLabelFrame::addLocation(int part) {
    return ViZLocationElement(fDocument, AddLocation(chart::Node(fNode), part));
}

CTLabelType ViZLabelFrame::addLabel() { return CTLabelType(fDocument, AddChild("label")); }

void ViZLineGuide::setX(const ChartString& x) { SetAttribute("x", chart::Clean(x)); }

void ViZLineGuide::setStyle(const ViZStyleElement& style) {
    if (isValid() && style.isValid()) SetAttribute("style", ReferenceTo(style));
}

void ViZLabeling::setVariable(const ViZSourceVariable& variable) {
    if (isValid() && variable.isValid()) SetAttribute("variable", ReferenceTo(variable));
}

void ViZColor::setVariable(const ViZDerivedVariable& variable) {
    if (isValid() && variable.isValid()) SetAttribute("variable", ReferenceTo(variable));
}

ViZLabeling ViZSchema::addLabeling() { return ViZLabeling(fDocument, AddChild("labeling")); }

ViZColor ViZSchema::addColor() { return ViZColor(fDocument, AddChild("color")); }

std::vector<ViZSchema> ViZGraph::getSchemas() const {
    std::vector<ViZSchema> schemas;
    for (pugi::xml_node node : chart::Descendants(chart::Node(fNode), "schema"))
        schemas.emplace_back(fDocument, node.internal_object());
    return schemas;
}

ViZLineGuide ViZGraph::addLineGuide() { return ViZLineGuide(fDocument, AddChild("lineGuide")); }

ViZLocationElement ViZGraph::addLocation(int part) {
    return ViZLocationElement(fDocument, AddLocation(chart::Node(fNode), part));
}

void ViZLegend::addLegendTarget(const ChartString& id, const ViZColor& aesthetic) {
    pugi::xml_node target = chart::Node(AddChild("legendTarget"));
    if (!target) return;
    chart::SetAttribute(target, "id", chart::Clean(id));
    if (aesthetic.isValid()) chart::SetAttribute(target, "aesthetic", ReferenceTo(aesthetic));
}

void ViZExtension::setLegend1(const ViZLegend& legend) {
    if (isValid() && legend.isValid()) SetAttribute("legend1", ReferenceTo(legend));
}

bool ViZExtension::getSubtitle() const { return Attribute("subtitle") == "true"; }

// ---------------------------------------------------------------------------

std::vector<ViZSourceVariable> ViZVisualization::getSourceVariables() const {
    std::vector<ViZSourceVariable> variables;
    for (pugi::xml_node source : chart::Descendants(chart::Node(fNode), "dataSource")) {
        for (pugi::xml_node variable : source.children("sourceVariable"))
            variables.emplace_back(fDocument, variable.internal_object());
    }
    return variables;
}

std::vector<ViZGraph> ViZVisualization::getGraphs() const {
    std::vector<ViZGraph> graphs;
    for (pugi::xml_node graph : chart::Node(fNode).children("graph"))
        graphs.emplace_back(fDocument, graph.internal_object());
    return graphs;
}

ViZDerivedVariable ViZVisualization::addDerivedVariable(const ChartString& id) {
    pugi::xml_node node = chart::AddBeforeFirstGraph(chart::Node(fNode), "derivedVariable");
    chart::SetAttribute(node, "id", chart::Clean(id));
    return ViZDerivedVariable(fDocument, node.internal_object());
}

ViZLegend ViZVisualization::addLegend(const ChartString& id) {
    pugi::xml_node node = chart::AddBeforeFirstGraph(chart::Node(fNode), "legend");
    chart::SetAttribute(node, "id", chart::Clean(id));
    return ViZLegend(fDocument, node.internal_object());
}

ViZExtension ViZVisualization::addExtension() {
    pugi::xml_node root = chart::Node(fNode);
    if (!root) return ViZExtension();
    // The document has one extension: adding gives the one there is.
    pugi::xml_node node = root.child("extension");
    if (!node) node = root.prepend_child("extension");
    return ViZExtension(fDocument, node.internal_object());
}

ViZExtension ViZVisualization::getExtension() const {
    return ViZExtension(fDocument, chart::Node(fNode).child("extension").internal_object());
}

ViZStyleElement ViZVisualization::addStyle() {
    return ViZStyleElement(fDocument,
                           chart::AddBeforeFirstGraph(chart::Node(fNode), "style").internal_object());
}

ViZLabelFrame ViZVisualization::addLabelFrame(const ChartString& id) {
    pugi::xml_node node = chart::AddAfterLastGraph(chart::Node(fNode), "labelFrame");
    chart::SetAttribute(node, "id", chart::Clean(id));
    return ViZLabelFrame(fDocument, node.internal_object());
}
