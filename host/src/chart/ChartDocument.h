// What a chart document holds, and the DOM edits shared by XDocument, XGraph,
// XVariable and the ViZ object model.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "ChartString.h"
#include "OutputChart.h"

class QUOR_Variable;
class VarDataProcessor;

struct XDocumentData {
    pugi::xml_document dom;
    bool valid = false;  // parsed completely, with a <visualization> root
    std::string templateName;
    ChartString description;
    const VarDataProcessor* data = nullptr;
    // The data-source variable each graph variable was given, for relabels of
    // data values.
    std::map<pugi::xml_node_struct*, const QUOR_Variable*> variables;
    // Ids the service made up for elements that were referenced before they
    // had one; renaming such an element renames its references too.
    std::set<std::string> generatedIds;
    unsigned nextGeneratedId = 1;

    // The <visualization> element, or an empty node for an invalid document.
    pugi::xml_node Root() const { return valid ? dom.document_element() : pugi::xml_node(); }
};

namespace chart {

// The relabels of the document's variables that read a data column
// directly, by the column's data source and name: what the chart shows for
// the column's values.
std::vector<npar::ChartModel::ValueLabels> ValueLabelsOf(pugi::xml_node root);
// The titles of the data columns: for a column a variable reads, the label
// of the first axis that shows the variable, or of the first facet that
// splits the panels by it, else the variable's own label; for any column
// still without one, the title of the first legend that keys its colours or
// the words a popup writes before its value ("Mean Rank=$[1]$"), when no
// other column of the source is listed under that title. A column without a
// title, or whose title is its name, is left out.
std::vector<npar::ChartModel::ColumnTitle> ColumnTitlesOf(pugi::xml_node root);
// The data columns whose variables have a date or a time format.
std::vector<npar::ChartModel::FormattedColumn> FormattedColumnsOf(pugi::xml_node root);
// The texts of the document's label frames and guide lines, in document
// order, each on one line: a label's lines joined by "; ", runs of blanks
// closed up; empty labels are left out.
std::vector<std::string> LabelTextsOf(pugi::xml_node root);
// The box plots of the document's graphs (<schema>): the columns of their
// values, of their categories (the categorical one of the two position
// variables, else x) and of their labels, each read by its variable; a box
// plot whose value or category variable reads no column is left out.
std::vector<npar::ChartModel::BoxPlot> BoxPlotsOf(pugi::xml_node root);

inline pugi::xml_node Node(pugi::xml_node_struct* node) { return pugi::xml_node(node); }

// A text made fit for the XML: forbidden characters dropped.
std::string Clean(const ChartString& text);

// Sets an attribute (made when absent) to a text already made fit for XML.
void SetAttribute(pugi::xml_node node, const char* name, const std::string& value);

// Makes the element's text content value: its character data and <text>
// children are replaced by one <text> child holding value.
void SetTextChild(pugi::xml_node element, const std::string& value);

// The element's id; an element without one gets a new, unique id first.
std::string ReferenceId(XDocumentData* document, pugi::xml_node element);

// Sets the element's id. When the old id was one the service made up, the
// attributes that referred to it follow.
void Rename(XDocumentData* document, pugi::xml_node element, const std::string& id);

// The elements named tag below root, in document order.
std::vector<pugi::xml_node> Descendants(pugi::xml_node root, const char* tag);

// A new child element of the root: before its first <graph> (at the end when
// it has none), or after its last <graph> and the elements of the same tag
// that follow it (at the end when it has no graph).
pugi::xml_node AddBeforeFirstGraph(pugi::xml_node root, const char* tag);
pugi::xml_node AddAfterLastGraph(pugi::xml_node root, const char* tag);

}  // namespace chart
