// The object model of a chart document: typed views over the elements of the
// document's XML (docs/chart-templates.md). Reading a view reads the DOM;
// every add or set writes it, so the chart that is sent carries each edit.
// Views are handles: cheap to copy, valid while their XDocument lives. A
// view over nothing (isValid() false) ignores every edit.
#pragma once

#include <string>
#include <vector>

#include "ChartString.h"

struct XDocumentData;

namespace pugi {
struct xml_node_struct;
}

class ViZElement {
public:
    ViZElement() = default;
    ViZElement(XDocumentData* document, pugi::xml_node_struct* node)
        : fDocument(document), fNode(node) {}
    bool isValid() const { return fNode != nullptr; }
    // The element's "id" attribute.
    std::string getId() const;
    void setId(const ChartString& id);

protected:
    // The child element named tag, made at the end of this element.
    pugi::xml_node_struct* AddChild(const char* tag) const;
    void SetAttribute(const char* name, const std::string& value) const;
    std::string Attribute(const char* name) const;
    // The id by which this document refers to element (one is made up for an
    // element that has none; setting its id later updates the references).
    std::string ReferenceTo(const ViZElement& element) const;

    XDocumentData* fDocument = nullptr;
    pugi::xml_node_struct* fNode = nullptr;
};

// Location of a graph or label frame: which edge or size, and how it is fixed.
namespace ViZLocation {
enum Part { Left = 0, Right = 1, Top = 2, Bottom = 3, Width = 4, Height = 5 };
enum Method { Fixed = 0, SizeToContent = 1, Attach = 2, Same = 3 };
}  // namespace ViZLocation

namespace ViZStyle {
enum FontWeight { Normal = 0, Light = 1, Bold = 2 };
}

// <style id color fontWeight>
class ViZStyleElement : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setColor(const ChartString& color);
    void setFont_weight(int weight);
};

// <sourceVariable id source column>
class ViZSourceVariable : public ViZElement {
public:
    using ViZElement::ViZElement;
};

// <format> of a derived variable, with <relabel from to> children.
class ViZFormat : public ViZElement {
public:
    using ViZElement::ViZElement;
    void addRelabel(const ChartString& key, const ChartString& label);
};

// <derivedVariable id value>: a variable computed from another one.
class ViZDerivedVariable : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setValue(const ChartString& sourceVariableId);
    ViZFormat addFormat();
};

// <location part method value target specifiedByUser>
class ViZLocationElement : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setMethod(int method);
    void setValue(const ChartString& value);
    void setTarget(const ViZElement& target);
    void setSpecifiedByUser(bool specified);
};

// <text> of a label.
class CTText : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setText(const ChartString& text);
};

// <label style>: one or more texts.
class CTLabelType : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setStyle(const ViZStyleElement& style);
    CTText addText();
};

// <labelFrame id>: a box of labels placed by its locations.
class ViZLabelFrame : public ViZElement {
public:
    using ViZElement::ViZElement;
    ViZLocationElement addLocation(int part);
    CTLabelType addLabel();
};

// <lineGuide x|y style>
class ViZLineGuide : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setX(const ChartString& x);
    void setStyle(const ViZStyleElement& style);
};

// <labeling variable>: labels the element's marks with a variable.
class ViZLabeling : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setVariable(const ViZSourceVariable& variable);
};

// <color id variable>: colours the element's marks by a variable.
class ViZColor : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setVariable(const ViZDerivedVariable& variable);
};

// <schema>: the box element of a box plot (other mark elements are alike).
// Labelings and colours are added as its children.
class ViZSchema : public ViZElement {
public:
    using ViZElement::ViZElement;
    ViZLabeling addLabeling();
    ViZColor addColor();
};

// <graph id>
class ViZGraph : public ViZElement {
public:
    using ViZElement::ViZElement;
    // The <schema> elements inside the graph, in document order.
    std::vector<ViZSchema> getSchemas() const;
    ViZLineGuide addLineGuide();
    ViZLocationElement addLocation(int part);
};

// <legendTarget id aesthetic>
class ViZLegend : public ViZElement {
public:
    using ViZElement::ViZElement;
    void addLegendTarget(const ChartString& id, const ViZColor& aesthetic);
};

// <extension legend1 subtitle>: document-wide settings.
class ViZExtension : public ViZElement {
public:
    using ViZElement::ViZElement;
    void setLegend1(const ViZLegend& legend);
    // Whether the document shows a subtitle.
    bool getSubtitle() const;
};

// The <visualization> root. Styles, derived variables and legends are added
// before the first <graph>, label frames after the last one (in the order
// made).
class ViZVisualization : public ViZElement {
public:
    using ViZElement::ViZElement;
    // The <sourceVariable> elements of every <dataSource>, in document order.
    std::vector<ViZSourceVariable> getSourceVariables() const;
    // The root's <graph> elements.
    std::vector<ViZGraph> getGraphs() const;
    ViZDerivedVariable addDerivedVariable(const ChartString& id);
    ViZLegend addLegend(const ChartString& id);
    // The document's one <extension>, made when it has none.
    ViZExtension addExtension();
    // The extension element, or a view over nothing.
    ViZExtension getExtension() const;
    ViZStyleElement addStyle();
    ViZLabelFrame addLabelFrame(const ChartString& id);
};
