// Readers of the three generic element kinds of a result document:
// Attribute (name and value), SimpleTable (row names, column names and rows
// as blank-separated text) and StructuredTable (a named container of the three).
//
// The tables they give hold views into the loaded document, not copies: a
// table must not outlive the SDOMXMLWrapper that loaded its document. What a
// record keeps it copies (AttributeEntry, ValueTable). A table's lists take
// their memory from the resource it is made with (nested tables from their
// parent's), so that a reader can hand it a scratch arena it reuses for table
// after table instead of allocating each list on the heap.
#pragma once

#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "NOPRSplitResults.h"

class SDOMXMLWrapper;

// StructuredTables nest at most this deep; a deeper document fails the read.
constexpr int kMaxStructuredTableDepth = 256;

struct AttributeText {
    std::string_view fName;
    std::string_view fValue;
};

struct SimpleTableText {
    SimpleTableText() = default;
    explicit SimpleTableText(std::pmr::memory_resource* memory) : fRows(memory) {}

    std::string_view fName;
    std::string_view fRowNames;
    std::string_view fColumnNames;
    std::pmr::vector<std::string_view> fRows;
};

struct ChildRef {
    enum : int { Attribute = 0, SimpleTable = 1, StructuredTable = 2 };
    int fKind = Attribute;
    int fIndex = 0;
};

struct StructuredTable {
    StructuredTable() = default;
    explicit StructuredTable(std::pmr::memory_resource* memory)
        : fAttributes(memory), fSimpleTables(memory), fStrucTables(memory), fChildren(memory) {}

    std::string_view fName;
    std::pmr::vector<AttributeText> fAttributes;
    std::pmr::vector<SimpleTableText> fSimpleTables;
    std::pmr::vector<StructuredTable> fStrucTables;
    std::pmr::vector<ChildRef> fChildren;
};

// Reads "name" and "value"; the result is whether "name" was there. A missing
// value leaves value as it was.
bool ReadAttribute(SDOMXMLWrapper* element, std::string_view& name, std::string_view& value);
// As ReadAttribute, with the value read as a number: the system-missing value
// when it is absent or no number.
bool ReadNumberAttribute(SDOMXMLWrapper* element, std::string_view& name, double& value);
// The table readers give false for a table they cannot read, and then, when
// cause is given, say why in the user's words ("SimpleTable \"Counts\" has no
// RowNames"), without the place of the table, which the caller knows.
bool ReadSimpleTable(SDOMXMLWrapper* element, SimpleTableText& table, std::string* cause = nullptr);
// Reads the table with every nested table; depth counts the tables around it.
bool ReadStructuredTable(SDOMXMLWrapper* element, StructuredTable& table, int depth = 0,
                         std::string* cause = nullptr);
