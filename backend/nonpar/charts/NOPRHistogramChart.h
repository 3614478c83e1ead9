// The histogram view base: one field's distribution table drawn as bars from
// the histogram template. Subclasses choose the table, set the title and edit
// the template text and the chart document; the base fills the data table and
// runs the drawing sequence.
#pragma once

#include <memory>
#include <string>

#include "ChartString.h"
#include "NOPRSplitResults.h"
#include "QUOR_DataSource.h"

class FacSTDictionary;
class VarDataProcessor;
class XDocument;

class NOPRHistogramChart {
public:
    NOPRHistogramChart(const FacSTDictionary* dictionary, const NOPRSplitResults* container);
    NOPRHistogramChart(const NOPRHistogramChart&) = delete;
    NOPRHistogramChart& operator=(const NOPRHistogramChart&) = delete;

    // Makes and sends the chart; true once a chart was sent. Nothing is sent
    // without a container, a field, data rows or the template.
    virtual bool draw(const std::string& splitLabel, bool splitActive);
    // The distribution table to draw, or null.
    virtual const ValueTable* histogramTable();
    // Fills the chart's data table from histogramTable; gives the row count.
    virtual int fillData(VarDataProcessor& processor);
    virtual void editTemplate(std::string& text);
    virtual void editDocument(XDocument& document);

    virtual ~NOPRHistogramChart();

    void setTitle(const ChartString& title);
    // Shows the container's field at position index; nothing when out of range.
    void setField(unsigned int index);

protected:
    const FacSTDictionary* dictionary() const;
    const NOPRSplitResults* container() const;
    const FieldInfo* field() const;
    const ChartString& title() const;

    // The format the field's numbers are written in: its variable's print
    // format, or F40.3 without a variable.
    QUOR_Format workingFormat() const;

private:
    struct Data;
    std::unique_ptr<Data> fData;
};

// A string value as a chart shows it: its first width bytes (never splitting a
// character), trailing blanks removed.
std::string CutToWidth(const std::string& text, int width);
