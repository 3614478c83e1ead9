// The drawing sequence every chart view shares.
#include "NOPRChartSteps.h"

#include "NOPRChartUtil.h"
#include "XDocument.h"

void ChartSteps::addTemplateEdit(std::function<void(std::string& text)> edit) {
    if (!editTemplate) {
        editTemplate = std::move(edit);
        return;
    }
    editTemplate = [first = std::move(editTemplate), then = std::move(edit)](std::string& text) {
        first(text);
        then(text);
    };
}

void ChartSteps::addDocumentEdit(std::function<void(XDocument& document, XGraph& graph)> edit) {
    if (!editDocument) {
        editDocument = std::move(edit);
        return;
    }
    editDocument = [first = std::move(editDocument), then = std::move(edit)](XDocument& document,
                                                                             XGraph& graph) {
        first(document, graph);
        then(document, graph);
    };
}

bool drawChart(const ChartSteps& steps, const std::string& splitLabel, bool splitActive) {
    std::string text = XDocument::fetchTemplateFile(steps.templateFile);
    if (text.empty()) return false;
    if (steps.editTemplate) steps.editTemplate(text);

    XDocument document(text);
    document.setEditor(2);
    document.setLanguage();
    XGraph& graph = document.getExternalGraph();
    if (steps.titleOnGraph) graph.setTitle(steps.title);
    if (!splitLabel.empty()) graph.setSubtitle(ChartString(splitLabel));
    if (steps.editDocument) steps.editDocument(document, graph);

    document.SetDescription(chartDescription(steps.title, splitLabel, splitActive));
    if (steps.data) document.SetChartData(steps.data);
    document.SendChart(true, false, false);
    return true;
}
