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

namespace {

// The value of the attribute named name, from the view of the element when
// it holds every attribute, else looked up in the element itself.
bool ViewedAttribute(const SDOMXMLElementView& view, SDOMXMLWrapper& element, std::string_view name,
                     std::string_view& value) {
    return view.Complete() ? view.Find(name, value) : element.GetAttributeView(name, value);
}

// The children are visited once: the first RowNames and the first
// ColumnNames give the names, and every Row a row, wherever they stand.
// hasName and name are the table's "name" attribute, which the caller read.
bool ReadSimpleTableNamed(SDOMXMLWrapper& element, bool hasName, std::string_view name,
                          SimpleTableText& table, std::string* cause) {
    if (!hasName) return Fail(cause, "a SimpleTable has no \"name\"");
    table.fName = name;
    bool hasRowNames = false;
    bool hasColumnNames = false;
    bool hasRows = false;
    SDOMXMLIterator children;
    element.GetElementIterator("", children);
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

// Each child is read with its tag and attributes in one step of the
// iterator; hasName and name are the table's "name", which the caller read.
bool ReadStructuredTableNamed(SDOMXMLWrapper& element, bool hasName, std::string_view name,
                              StructuredTable& table, int depth, std::string* cause) {
    if (depth >= kMaxStructuredTableDepth)
        return Fail(cause, "StructuredTables are nested deeper than " +
                               std::to_string(kMaxStructuredTableDepth) + " levels");
    if (!hasName)
        return Fail(cause, depth == 0 ? "a StructuredTable has no \"name\""
                                      : "a nested StructuredTable has no \"name\"");
    table.fName = name;
    SDOMXMLIterator children;
    if (!element.GetElementIterator("", children)) return true;
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
    SDOMXMLElementView view;
    while (children.Next(child, view)) {
        std::string_view childName;
        const bool childNamed = ViewedAttribute(view, child, "name", childName);
        if (view.name == "Attribute") {
            table.fAttributes.emplace_back();
            table.fChildren.push_back({ChildRef::Attribute, int(table.fAttributes.size() - 1)});
            AttributeText& attribute = table.fAttributes.back();
            if (childNamed) attribute.fName = childName;
            ViewedAttribute(view, child, "value", attribute.fValue);
            if (!childNamed) {
                return Fail(cause, depth == 0 ? std::string("an Attribute has no \"name\"")
                                              : "an Attribute of the nested StructuredTable " +
                                                    Quoted(table.fName) + " has no \"name\"");
            }
        } else if (view.name == "SimpleTable") {
            table.fSimpleTables.emplace_back(table.fSimpleTables.get_allocator().resource());
            table.fChildren.push_back({ChildRef::SimpleTable, int(table.fSimpleTables.size() - 1)});
            result =
                ReadSimpleTableNamed(child, childNamed, childName, table.fSimpleTables.back(), cause);
        } else if (view.name == "StructuredTable") {
            table.fStrucTables.emplace_back(table.fStrucTables.get_allocator().resource());
            table.fChildren.push_back({ChildRef::StructuredTable, int(table.fStrucTables.size() - 1)});
            result = ReadStructuredTableNamed(child, childNamed, childName, table.fStrucTables.back(),
                                              depth + 1, cause);
        } else {
            continue;  // other tags are not part of a table
        }
        if (!result) return false;
    }
    return result;
}

}  // namespace

bool ReadSimpleTable(SDOMXMLWrapper* element, SimpleTableText& table, std::string* cause) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    std::string_view name;
    const bool hasName = element->GetAttributeView("name", name);
    return ReadSimpleTableNamed(*element, hasName, name, table, cause);
}

bool ReadStructuredTable(SDOMXMLWrapper* element, StructuredTable& table, int depth,
                         std::string* cause) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    std::string_view name;
    const bool hasName = depth < kMaxStructuredTableDepth && element->GetAttributeView("name", name);
    return ReadStructuredTableNamed(*element, hasName, name, table, depth, cause);
}
