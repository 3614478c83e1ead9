// Chart service: a chart document made from an edited template text, its
// graph texts and variables, and sending it to the output.
//
// The template language is described in docs/chart-templates.md. A document
// keeps the template's XML as a DOM; every edit made through XGraph,
// XVariable or the ViZ object model (ViZModel.h) changes that DOM, so the
// chart sent carries the final XML.
#pragma once

#include <memory>
#include <string>

#include "ChartString.h"

class OBS;
class QUOR_Variable;
class VarDataProcessor;
class ViZVisualization;
struct XDocumentData;

namespace pugi {
struct xml_node_struct;
}

// A graph variable that the template declares (a <variable> element).
// Edits go to that element; on a document without it they do nothing.
class XVariable {
public:
    XVariable() = default;

    bool isValid() const { return fNode != nullptr; }
    // The variable's label and measurement level from a data-source variable.
    void setQUORVariable(const QUOR_Variable* variable);
    // The variable's number format from a data-source variable's print format.
    void setFormatBasedOnQUORVariable(const QUOR_Variable* variable);
    void setCategorical(bool categorical);
    void addRelabel(const ChartString& key, const ChartString& label);
    void addRelabel(const ChartString& key, const OBS& value);
    void addRelabel(unsigned int key, const ChartString& label);
    // Text written before every value of the variable.
    void SetFormatPrefix(const ChartString& prefix);

private:
    friend class XGraph;
    XVariable(XDocumentData* document, pugi::xml_node_struct* node);
    XDocumentData* fDocument = nullptr;
    pugi::xml_node_struct* fNode = nullptr;
};

// The document's outer graph: its texts, variables and frame size.
class XGraph {
public:
    virtual ~XGraph();
    virtual void setTitle(const ChartString& title);
    virtual void setSubtitle(const ChartString& subtitle);
    virtual void setFootnote(const ChartString& footnote);

    XVariable getVariable(const std::string& name, int flags);
    void setOuterFrameWidth(double width);
    void setOuterFrameHeight(double height);

private:
    friend class XDocument;
    explicit XGraph(XDocumentData* document) : fDocument(document) {}
    XDocumentData* fDocument;
};

class XDocument {
public:
    // The full text of a template in the resources' template folder, or the
    // empty text when it cannot be had.
    static std::string fetchTemplateFile(const std::string& name);
    // Whether groups are told apart by colour only (no fill patterns).
    static bool useColorsOnly();

    // Parses the edited template text (UTF-8). A text that does not parse
    // makes a document that sends nothing.
    explicit XDocument(const std::string& text);
    ~XDocument();
    XDocument(const XDocument&) = delete;
    XDocument& operator=(const XDocument&) = delete;

    bool isValid() const;
    void setEditor(int editor);
    void setLanguage();

    XGraph& getExternalGraph();
    ViZVisualization& getVisualization();

    void SetDescription(const ChartString& description);
    // The data table; it must live until SendChart returns.
    void SetChartData(const VarDataProcessor* data);
    // Adds the chart to the output under the innermost open heading. Gives
    // false, and adds nothing, for a document that did not parse.
    bool SendChart(bool a, bool b, bool c);

private:
    std::unique_ptr<XDocumentData> fData;
    std::unique_ptr<XGraph> fGraph;
    std::unique_ptr<ViZVisualization> fVisualization;
};
