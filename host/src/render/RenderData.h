// The chart's data as the chart document reads it: data sources, source
// variables, graph variables (with categorize and derived variables), key
// texts, categories, formats, relabels and the shown text of every value.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "VarDataProcessor.h"

namespace npar {
namespace render {

// One value as a variable reads it: missing, a number or a text.
struct Cell {
    enum class Kind { Missing, Number, Text };
    Kind kind = Kind::Missing;
    double number = 0.0;
    std::string text;

    bool Missing() const { return kind == Kind::Missing; }
    bool IsNumber() const { return kind == Kind::Number; }
    bool IsText() const { return kind == Kind::Text; }
    static Cell Of(double value);
    static Cell Of(std::string value);
};

// The shortest C-locale text of a number with at most 16 significant digits.
std::string NumberKey(double value);
// The key text of a value: a text as it is, a number as NumberKey.
std::string KeyText(const Cell& cell);
// A text that reads entirely as a C-locale number (no blanks around it).
bool ParseNumber(std::string_view text, double& value);

// The first attribute of each of the names on node (an absent one is null),
// found in one pass over its attributes: an element read for several
// attributes is walked once, where a lookup by name per attribute would
// compare every attribute before it. The first of a name counts, as a
// lookup by name finds it.
template <size_t N>
std::array<pugi::xml_attribute, N> FirstAttributes(pugi::xml_node node,
                                                   const std::string_view (&names)[N]) {
    std::array<pugi::xml_attribute, N> found{};
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        const std::string_view name = attribute.name();
        for (size_t i = 0; i < N; ++i) {
            if (!found[i] && name == names[i]) {
                found[i] = attribute;
                break;
            }
        }
    }
    return found;
}

// A number format combined from <format> elements (later attributes win).
struct Format {
    std::string type;   // empty: plain numbers
    int decimals = -1;  // -1: as few as needed
    std::string prefix;
    std::string suffix;
};

// Combines the <format> children of element (a variable, derived variable or
// axis); relabels inside them are not read here.
Format ReadFormat(pugi::xml_node element);
// A number written by a format, without prefix and suffix.
std::string FormatNumber(double value, const Format& format);
// Whether values of the format type are dates (seconds since 1582-10-14).
bool IsDateFormat(const std::string& type);

// A data source of the document with the data table's columns.
struct SourceTable {
    std::string id;
    const ChartDataSource* table = nullptr;  // null when the data table has no such source
    size_t rows = 0;                         // its longest column

    const ChartColumn* Column(const std::string& name) const;
};

// A variable of the document: a source variable, a graph variable bound to a
// source variable, a categorized variable or a derived variable.
struct Var {
    enum class Kind { Source, Graph, Categorized, Derived };
    struct When {
        bool hasGreater = false, hasLess = false, hasEqual = false;
        double greater = 0, less = 0, equal = 0;
        std::string category;
    };

    Kind kind = Kind::Source;
    std::string id;
    pugi::xml_node node;
    std::string column;  // the data-table column (source-bound variables)
    // How its column is read: as numbers, as texts, or as each cell stands
    // (the source variable's type "number", "string" or none).
    enum class Read { AsStored, Number, Text } read = Read::AsStored;
    const SourceTable* home = nullptr;  // the data source the variable belongs to
    const Var* base = nullptr;          // what a categorized or derived variable reads
    std::string baseRef;
    int categoricalAttr = -1;  // -1 absent, 0 false, 1 true
    std::string measurement;
    std::string label;
    Format format;
    std::map<std::string, std::string> relabels;
    std::vector<std::string> categoryOrder;
    std::vector<When> whens;

    // The column of the data source last read (its values are read row after
    // row): found by name once per source, not for every value.
    const ChartColumn* ColumnIn(const SourceTable& source) const {
        if (fColumnSource != &source) {
            fColumnSource = &source;
            fColumn = source.Column(column);
        }
        return fColumn;
    }

private:
    mutable const SourceTable* fColumnSource = nullptr;
    mutable const ChartColumn* fColumn = nullptr;
};

class ChartData {
public:
    ChartData(pugi::xml_node root, const std::vector<ChartDataSource>& data);
    ChartData(const ChartData&) = delete;
    ChartData& operator=(const ChartData&) = delete;

    // A variable reference: a graph or derived variable with that id, else a
    // source variable; null when it names nothing.
    const Var* Find(std::string_view ref) const;
    const SourceTable* Source(const std::string& id) const;
    bool HasData() const;

    // The value of variable v in row of data source s: read through the
    // column name of v's source variable, so a variable can be read in a
    // mark's own data source.
    Cell Value(const Var& v, const SourceTable& s, size_t row) const;
    // The shown text of a value of v (relabel or format, prefix and suffix).
    std::string Shown(const Var& v, const Cell& value) const;
    // The categories of v's values in s, in category order: one value of
    // each distinct key text.
    const std::vector<Cell>& Categories(const Var& v, const SourceTable& s) const;
    bool IsCategorical(const Var& v) const;
    // A continuous variable whose format is a date format.
    bool IsDate(const Var& v) const;
    std::string Label(const Var& v) const;
    // The data source a variable belongs to (null for none).
    const SourceTable* Home(const Var& v) const;

private:
    Cell ValueAt(const Var& v, const SourceTable& s, size_t row, int depth) const;
    std::string ShownAt(const Var& v, const Cell& value, int depth) const;

    // Variables by id (views of their ids), in the order defined: a chart
    // has a few dozen at most, which a list finds as fast as a tree.
    using Ids = std::vector<std::pair<std::string_view, const Var*>>;
    // Adds var under id unless a variable has that id already.
    static void AddId(Ids& ids, std::string_view id, const Var* var);
    static const Var* FindId(const Ids& ids, std::string_view id);

    std::vector<std::unique_ptr<SourceTable>> fSources;
    std::vector<std::unique_ptr<Var>> fVars;
    Ids fGraphVars;
    Ids fSourceVars;
    mutable std::map<std::pair<const Var*, const SourceTable*>, std::vector<Cell>> fCategories;
    mutable std::map<const Var*, bool> fTextValued;
};

}  // namespace render
}  // namespace npar
