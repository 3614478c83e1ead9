// The steps every chart view takes, in one place: fetch the template by file
// name, let the view edit its text, make the chart document (editor and
// language set), put the title and the split label on the graph, let the
// view edit the document, set the description and the data table, and send
// the chart. A view gives only what is its own: the template, the title, the
// data and its edits.
#pragma once

#include <functional>
#include <string>

#include "ChartString.h"

class VarDataProcessor;
class XDocument;
class XGraph;

struct ChartSteps {
    std::string templateFile;
    ChartString title;
    // False where the template's own text carries the title (the view
    // writes it into the text): the graph's title is then left as it is.
    bool titleOnGraph = true;
    // The chart's data table, which must outlive the drawing; null for a
    // chart drawn from its template alone.
    const VarDataProcessor* data = nullptr;
    std::function<void(std::string& text)> editTemplate;
    std::function<void(XDocument& document, XGraph& graph)> editDocument;

    // Adds an edit after those already given (a view after its base's).
    void addTemplateEdit(std::function<void(std::string& text)> edit);
    void addDocumentEdit(std::function<void(XDocument& document, XGraph& graph)> edit);
};

// Runs the steps; true once the chart was sent. Nothing is sent when the
// template cannot be had.
bool drawChart(const ChartSteps& steps, const std::string& splitLabel, bool splitActive);
