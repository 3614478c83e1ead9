// The box plot of a k-sample independent test: one box per group of the
// grouping field, drawn from each group's five box values and its outliers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ChartString.h"
#include "NOPRSplitResults.h"

class FacSTDictionary;
class VarDataProcessor;
class XDocument;

class Boxplot {
public:
    Boxplot(FacSTDictionary* dictionary, const NOPRSplitResults* container);
    Boxplot(const Boxplot&) = delete;
    Boxplot& operator=(const Boxplot&) = delete;

    // Fills the data, edits the template and sends the chart; true once sent.
    virtual bool draw(const std::string& splitLabel, bool splitActive);
    // Writes the synthetic column of every group; gives the rows written.
    virtual int fillData(VarDataProcessor& processor);
    // The box's category code, then (when present) the number of its tooltip.
    virtual std::vector<double> groupValues(const BoxGroup& group);
    virtual void editTemplate(std::string& text);
    virtual void editDocument(XDocument& document);
    virtual ~Boxplot();

protected:
    FacSTDictionary* dictionary() const;
    // The fields fillData found for the test; null before it ran.
    const FieldInfo* testField() const;
    const FieldInfo* groupingField() const;
    const BoxPlotInfo* boxPlotInfo() const;

    void setTitle(const ChartString& title);
    void setBoxPlotInfo(const BoxPlotInfo* info);
    void setCondition(const ConditionInfo* condition);

private:
    struct Data;
    std::unique_ptr<Data> fData;
};
