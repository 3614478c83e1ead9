// Generic Attribute, SimpleTable and StructuredTable readers.
#include "NOPRXMLGeneral.h"

#include "NOPRSupport.h"
#include "SDOMXMLWrapper.h"

namespace {
constexpr const char* kUnit = "backend/nonpar/NOPRXMLGeneral";

bool ReadChildText(SDOMXMLWrapper* element, const char* child, std::string& text) {
    SDOMXMLWrapper* found = nullptr;
    if (!element->GetFirstElement(child, &found, true)) return false;
    return found->GetTextBody(text);
}
}  // namespace

bool ReadAttribute(SDOMXMLWrapper* element, std::string& name, std::string& value) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    const bool hasName = element->GetAttribute("name", name);
    element->GetAttribute("value", value);
    return hasName;
}

bool ReadNumberAttribute(SDOMXMLWrapper* element, std::string& name, double& value) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    const bool hasName = element->GetAttribute("name", name);
    if (!element->GetAttribute("value", value)) value = kNOPRMissing;
    return hasName;
}

bool ReadSimpleTable(SDOMXMLWrapper* element, SimpleTableText& table) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    if (!element->GetAttribute("name", table.fName)) return false;
    if (!ReadChildText(element, "RowNames", table.fRowNames)) return false;
    if (!ReadChildText(element, "ColumnNames", table.fColumnNames)) return false;
    SDOMXMLIterator* rows = nullptr;
    if (!element->GetElementIterator("Row", &rows, true)) return true;
    table.fRows.clear();
    SDOMXMLWrapper* row = nullptr;
    while (rows->Next(&row)) {
        table.fRows.emplace_back();
        if (!row->GetTextBody(table.fRows.back())) return false;
    }
    return true;
}

bool ReadStructuredTable(SDOMXMLWrapper* element, StructuredTable& table, int depth) {
    if (!NOPR_CHECK(element, kUnit)) return false;
    if (depth >= kMaxStructuredTableDepth) return false;
    if (!element->GetAttribute("name", table.fName)) return false;
    SDOMXMLIterator* children = nullptr;
    if (!element->GetElementIterator("", &children, true)) return true;
    table.fAttributes.clear();
    table.fSimpleTables.clear();
    table.fStrucTables.clear();
    table.fChildren.clear();
    bool result = true;
    SDOMXMLWrapper* child = nullptr;
    while (children->Next(&child)) {
        const std::string tag = child->GetName();
        if (tag == "Attribute") {
            table.fAttributes.emplace_back();
            table.fChildren.push_back({ChildRef::Attribute, int(table.fAttributes.size() - 1)});
            result = ReadAttribute(child, table.fAttributes.back().fName,
                                   table.fAttributes.back().fValue);
        } else if (tag == "SimpleTable") {
            table.fSimpleTables.emplace_back();
            table.fChildren.push_back({ChildRef::SimpleTable, int(table.fSimpleTables.size() - 1)});
            result = ReadSimpleTable(child, table.fSimpleTables.back());
        } else if (tag == "StructuredTable") {
            table.fStrucTables.emplace_back();
            table.fChildren.push_back(
                {ChildRef::StructuredTable, int(table.fStrucTables.size() - 1)});
            result = ReadStructuredTable(child, table.fStrucTables.back(), depth + 1);
        } else {
            continue;  // other tags are not part of a table
        }
        if (!result) return false;
    }
    return result;
}
