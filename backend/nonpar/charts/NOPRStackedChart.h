// The stacked bar chart base: one bar per row of a test's two-class table,
// one segment per column, every bar's tooltip listing all of its segments,
// drawn in percent of the split's total frequency. Subclasses say where the
// table and the condition values are and how rows and columns are named.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "NOPRSplitResults.h"

class FacSTDictionary;
class XDocument;

class NOPRStackedChart {
public:
    NOPRStackedChart(const FacSTDictionary* dictionary, const NOPRSplitResults* container);
    NOPRStackedChart(const NOPRStackedChart&) = delete;
    NOPRStackedChart& operator=(const NOPRStackedChart&) = delete;

    // The text on the bar of one table row.
    virtual std::string seriesLabel(const std::string& rowName) = 0;
    // The text of one segment kind; escaped asks for the form that may stand
    // in the template's XML text.
    virtual std::string categoryText(const std::string& columnName, bool escaped) = 0;
    // The values of the test's condition, in the condition's order.
    virtual const std::vector<IndexedValues>& testParameters() = 0;
    // The table drawn, or null when there is none.
    virtual const ValueTable* stackedTable() = 0;
    virtual void editTemplate(std::string& text);
    virtual void editDocument(XDocument& document);

    virtual ~NOPRStackedChart();

    // Fills the data, edits the template and sends the chart; true once sent.
    // Nothing is sent without a table, without data rows or without the template.
    bool draw(const std::string& splitLabel, bool splitActive);

    const FacSTDictionary* dictionary() const;
    const NOPRSplitResults* container() const;
    // The string-table key of the chart's title.
    void setTitle(std::string key);

private:
    struct Data;
    std::unique_ptr<Data> fData;
};

// A stacked bar view of a test record that holds its two-class table
// (fTwoClassComparison) and its condition: the binomial and the Cochran's Q
// views. It keeps the record (not owned) and gives the table and the
// condition's values; a subclass names the bars and segments.
template <class Record>
class NOPRStackedRecordChart : public NOPRStackedChart {
public:
    NOPRStackedRecordChart(const FacSTDictionary* dictionary, const NOPRSplitResults* container,
                           const Record* record, std::string titleKey)
        : NOPRStackedChart(dictionary, container), fRecord(record) {
        setTitle(std::move(titleKey));
    }

    const std::vector<IndexedValues>& testParameters() override {
        static const std::vector<IndexedValues> kNoParameters;
        return fRecord ? fRecord->fCondition.fParameters : kNoParameters;
    }
    const ValueTable* stackedTable() override {
        return fRecord ? &fRecord->fTwoClassComparison : nullptr;
    }

protected:
    const Record* record() const { return fRecord; }

private:
    const Record* fRecord;
};
