// The chi-square bars: frequency data, template texts and the tooltip.
#include "ChiSquare.h"

#include <climits>

#include "CFProcCustom.h"
#include "NOPRChartSteps.h"
#include "NOPRChartUtil.h"
#include "NOPRSupport.h"
#include "QUOR_DataSource.h"
#include "VarDataProcessor.h"
#include "XDocument.h"

namespace {

const char* const kSource = "graphSource";

}  // namespace

struct ChiSquare::Data {
    const FacSTDictionary* dictionary = nullptr;
    const NOPRSplitResults* container = nullptr;
    const NOPROutputStats::HTOChiSquare* record = nullptr;
    std::string observedType = "a";
    std::string hypothesizedType = "b";
    const QUOR_Variable* testVariable = nullptr;
    const FieldInfo* testField = nullptr;
};

ChiSquare::ChiSquare(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                     const NOPROutputStats::HTOChiSquare* record)
    : fData(std::make_unique<Data>()) {
    Data& d = *fData;
    d.dictionary = dictionary;
    d.container = container;
    d.record = record;
    if (record && container) {
        const std::vector<double> indices = testFieldIndices(record->fCondition);
        if (!indices.empty()) {
            // A negative position wraps to a large unsigned one and finds nothing.
            d.testField = container->FieldInfoAt(static_cast<unsigned int>(TruncateToInt(indices[0])));
            if (d.testField) d.testVariable = d.testField->fVariable;
        }
    }
}

ChiSquare::~ChiSquare() = default;

// Row k of the table is one category: its name is the category's code (or
// -1, a category without a value), its values the observed and the
// hypothesized frequency. A row without both values is left out.
int ChiSquare::fillData(VarDataProcessor& processor) {
    Data& d = *fData;
    if (!d.container || !d.record || !d.testVariable) return 0;

    processor.AddDataSource(kSource, 0);
    for (const char* variable :
         {"Category", "Frequency", "Observed", "Hypothesized", "Type", "Residual"})
        processor.AddVariable(kSource, variable, nullptr);

    const ValueTable& table = d.record->fTwoClassComparison;
    if (table.fName != "Content" || table.fRowNames.empty()) return 0;

    size_t handled = 0;
    for (size_t k = 0; k < table.fRowNames.size() && k < table.fRows.size(); ++k) {
        const std::vector<double>& values = table.fRows[k];
        if (values.size() < 2) continue;
        const double observed = values[0];
        const double hypothesized = values[1];
        const std::string& name = table.fRowNames[k];
        const std::string category =
            name == "-1" ? std::string() : categoryLabel(d.testField, String2Integer(name));
        const std::string residual = formatNumber(observed - hypothesized, 40, 2);

        const size_t r = 2 * handled;
        for (size_t row : {r, r + 1}) {
            processor.SetStringVariableValue(kSource, "Category", row, category);
            processor.SetVariableValue(kSource, "Observed", row, observed);
            processor.SetVariableValue(kSource, "Hypothesized", row, hypothesized);
            processor.SetStringVariableValue(kSource, "Residual", row, residual);
        }
        processor.SetVariableValue(kSource, "Frequency", r, observed);
        processor.SetVariableValue(kSource, "Frequency", r + 1, hypothesized);
        processor.SetStringVariableValue(kSource, "Type", r, d.observedType);
        processor.SetStringVariableValue(kSource, "Type", r + 1, d.hypothesizedType);
        ++handled;
    }
    const size_t rows = 2 * handled;
    return rows > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(rows);
}

bool ChiSquare::draw(const std::string& splitLabel, bool splitActive) {
    Data& d = *fData;
    if (!d.container || !d.record) return false;
    VarDataProcessor processor;
    if (fillData(processor) == 0) return false;

    const ChartString observed = lookUpText(d.dictionary, "Observed");
    const ChartString hypothesized = lookUpText(d.dictionary, "Hypothesized");
    ChartSteps steps;
    steps.templateFile = "NPARChiSquareTest.viztemplate";
    steps.title = lookUpText(d.dictionary, "One-Sample Chi-Square Test");
    steps.titleOnGraph = false;  // the title stands in the template
    steps.data = &processor;
    steps.editTemplate = [&](std::string& text) {
        // Texts written into the template's XML.
        const std::string axis = templateLabel(d.testVariable);
        const std::string frequency = escapeXml(lookUpText(d.dictionary, "Frequency").toUTF8());
        const std::string residual = escapeXml(lookUpText(d.dictionary, "E61605").toUTF8());
        replaceToken(text, "titleText", escapeXml(steps.title.toUTF8()));
        replaceToken(text, "xAxisText", axis);
        replaceToken(text, "yAxisText", frequency);
        replaceToken(text, "legendTitle", frequency);
        // The popup's tooltip: one line each for the category, both
        // frequencies and the residual, written right after "<popup ".
        const size_t popup = text.find("<popup");
        if (popup != std::string::npos && popup + 7 <= text.size()) {
            const std::string tokens = "tokenTemplate=\"" + axis + "=$[category]$\n" +
                                       escapeXml(observed.toUTF8()) + "=$[observed]$\n" +
                                       escapeXml(hypothesized.toUTF8()) + "=$[hypothesized]$\n" +
                                       residual + "=$[residual]$\" ";
            text.insert(popup + 7, tokens);
        }
    };
    steps.editDocument = [&](XDocument&, XGraph& graph) {
        XVariable type = graph.getVariable("Type", 0);
        type.addRelabel(ChartString(d.observedType), observed);
        type.addRelabel(ChartString(d.hypothesizedType), hypothesized);
    };
    return drawChart(steps, splitLabel, splitActive);
}
