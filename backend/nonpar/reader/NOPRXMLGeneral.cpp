// Generic Attribute, SimpleTable and StructuredTable readers.
#include "NOPRXMLGeneral.h"

#include "NOPRSupport.h"
#include "SDOMXMLWrapper.h"

namespace {
constexpr const char* kUnit = "backend/nonpar/NOPRXMLGeneral";

// Gives false, with the cause when one is asked for.
bool Fail(std::string* cause, const std::string& why) {
    if (cause) *cause = why;
    return false;
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    return quoted.append(1, '"').append(text).append(1, '"');
}
}  // namespace

bool ReadAttribute(SDOMXMLWrapper* element, std::string_view& name, std::string_view& value) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    const bool hasName = element->GetAttributeView("name", name);
    element->GetAttributeView("value", value);
    return hasName;
}

bool ReadNumberAttribute(SDOMXMLWrapper* element, std::string_view& name, double& value) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    const bool hasName = element->GetAttributeView("name", name);
    if (!element->GetAttribute("value", value)) value = kNOPRMissing;
    return hasName;
}

// The children are visited once: the first RowNames and the first
// ColumnNames give the names, and every Row a row, wherever they stand.
bool ReadSimpleTable(SDOMXMLWrapper* element, SimpleTableText& table, std::string* cause) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    if (!element->GetAttributeView("name", table.fName))
        return Fail(cause, "a SimpleTable has no \"name\"");
    bool hasRowNames = false;
    bool hasColumnNames = false;
    bool hasRows = false;
    SDOMXMLIterator children;
    element->GetElementIterator("", children);
    SDOMXMLWrapper child;
    while (children.Next(child)) {
        const std::string_view tag = child.GetNameView();
        if (tag == "Row") {
            if (!hasRows) {
                // Tables have a few rows: room for them spares the arena
                // the blocks each regrowth would leave behind.
                table.fRows.clear();
                table.fRows.reserve(4);
                hasRows = true;
            }
            table.fRows.emplace_back();
            child.GetTextView(table.fRows.back());
        } else if (tag == "RowNames") {
            if (!hasRowNames) hasRowNames = child.GetTextView(table.fRowNames);
        } else if (tag == "ColumnNames") {
            if (!hasColumnNames) hasColumnNames = child.GetTextView(table.fColumnNames);
        }
    }
    if (!hasRowNames) return Fail(cause, "SimpleTable " + Quoted(table.fName) + " has no RowNames");
    if (!hasColumnNames)
        return Fail(cause, "SimpleTable " + Quoted(table.fName) + " has no ColumnNames");
    return true;
}

bool ReadStructuredTable(SDOMXMLWrapper* element, StructuredTable& table, int depth,
                         std::string* cause) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    if (depth >= kMaxStructuredTableDepth)
        return Fail(cause, "StructuredTables are nested deeper than " +
                               std::to_string(kMaxStructuredTableDepth) + " levels");
    if (!element->GetAttributeView("name", table.fName))
        return Fail(cause, depth == 0 ? "a StructuredTable has no \"name\""
                                      : "a nested StructuredTable has no \"name\"");
    SDOMXMLIterator children;
    if (!element->GetElementIterator("", children)) return true;
    table.fAttributes.clear();
    table.fSimpleTables.clear();
    table.fStrucTables.clear();
    table.fChildren.clear();
    // Room for a usual table's children at once: the lists live in the
    // reader's scratch arena, where each regrowth leaves its old block unused.
    table.fAttributes.reserve(8);
    table.fChildren.reserve(8);
    bool result = true;
    SDOMXMLWrapper child;
    while (children.Next(child)) {
        const std::string_view tag = child.GetNameView();
        if (tag == "Attribute") {
            table.fAttributes.emplace_back();
            table.fChildren.push_back({ChildRef::Attribute, int(table.fAttributes.size() - 1)});
            result =
                ReadAttribute(&child, table.fAttributes.back().fName, table.fAttributes.back().fValue);
            if (!result) {
                return Fail(cause, depth == 0 ? std::string("an Attribute has no \"name\"")
                                              : "an Attribute of the nested StructuredTable " +
                                                    Quoted(table.fName) + " has no \"name\"");
            }
        } else if (tag == "SimpleTable") {
            table.fSimpleTables.emplace_back(table.fSimpleTables.get_allocator().resource());
            table.fChildren.push_back({ChildRef::SimpleTable, int(table.fSimpleTables.size() - 1)});
            result = ReadSimpleTable(&child, table.fSimpleTables.back(), cause);
        } else if (tag == "StructuredTable") {
            table.fStrucTables.emplace_back(table.fStrucTables.get_allocator().resource());
            table.fChildren.push_back({ChildRef::StructuredTable, int(table.fStrucTables.size() - 1)});
            result = ReadStructuredTable(&child, table.fStrucTables.back(), depth + 1, cause);
        } else {
            continue;  // other tags are not part of a table
        }
        if (!result) return false;
    }
    return result;
}
