// Variables from the documents' data dictionaries.
#include "DictionaryVariables.h"

#include <algorithm>
#include <map>

#include <pugixml.hpp>

#include "CFProcCustom.h"
#include "SDOMXMLWrapper.h"
#include "WorkAhead.h"

namespace report {
namespace {

constexpr int kMaxStringWidth = 32767;

bool IsStringField(const std::string& dataType) { return dataType == "string"; }

// The width of the longest value of a string field, at least 1.
int LongestValueWidth(const pugi::xml_node& field) {
    size_t width = 1;
    for (pugi::xml_node value = field.child("Value"); value; value = value.next_sibling("Value"))
        width = std::max(width, std::string(value.attribute("value").value()).size());
    return static_cast<int>(std::min<size_t>(width, kMaxStringWidth));
}

QUOR_Format FormatOf(const std::string& dataType, int stringWidth) {
    if (dataType == "integer") return QUOR_Format(QUOR_Format::F, 8, 0);
    if (dataType == "string") return QUOR_Format(QUOR_Format::A, stringWidth, 0);
    if (dataType == "date") return QUOR_Format(QUOR_Format::DATE, 11, 0);
    return QUOR_Format(QUOR_Format::F, 8, 2);
}

// The value a Value element's text stands for, as the data source holds it.
OBS ValueKey(const std::string& text, const QUOR_Variable& variable) {
    if (variable.GetType() != 0) return OBS(text);
    return OBS(NumericFormatCFToStat(String2Double(text), variable.GetFormat().GetType()));
}

QUOR_Variable VariableOf(const pugi::xml_node& field) {
    const std::string dataType = field.attribute("dataType").value();
    const int width = IsStringField(dataType) ? LongestValueWidth(field) : 0;
    QUOR_Variable variable(field.attribute("name").value(), field.attribute("displayName").value(),
                           width, FormatOf(dataType, width));
    // A value without a display value has no label: it shows as itself.
    for (pugi::xml_node value = field.child("Value"); value; value = value.next_sibling("Value")) {
        const std::string label = value.attribute("displayValue").value();
        if (!label.empty())
            variable.ValueLabels().Add(ValueKey(value.attribute("value").value(), variable), label);
    }
    return variable;
}

// Adds a field's variable, or widens the string variable of the same name.
void MergeVariable(QUOR_Variable variable, std::vector<QUOR_Variable>& variables,
                   std::map<std::string, size_t>& byName) {
    const auto known = byName.find(variable.GetName());
    if (known == byName.end()) {
        byName.emplace(variable.GetName(), variables.size());
        variables.push_back(std::move(variable));
        return;
    }
    QUOR_Variable& first = variables[known->second];
    if (first.GetType() == 0 || variable.GetType() <= first.GetType()) return;
    const int width = variable.GetType();
    QUOR_Variable widened(first.GetName(), first.GetLabel(), width,
                          QUOR_Format(QUOR_Format::A, width, 0));
    widened.ValueLabels() = first.GetValueLabels();
    first = std::move(widened);
}

constexpr const char* kTestsPath = "Extension/NPAROutput/NonParametricTests";
constexpr const char* kTest = "Algorithm";

// What one document gives: its search for the tests and its fields'
// variables, in the order of its dictionary.
struct DocumentDictionary {
    CFFoundChildren search;
    std::vector<QUOR_Variable> fields;
};

// Reads only the document's text: documents are read on several threads.
DocumentDictionary ReadDocumentDictionary(std::string_view text) {
    // Parsed as the host's DOM parses result documents. The tests, most of a
    // document, hold no dictionary: when the host can find them and vouch
    // that the rest parses exactly when the whole text does, the rest is
    // parsed alone, and no DOM of the whole document is made.
    DocumentDictionary read;
    std::vector<SDOMXMLRange>& tests = read.search.ranges;
    read.search.path = kTestsPath;
    read.search.name = kTest;
    read.search.found = SDOMXMLFindChildren(text, kTestsPath, kTest, tests);
    std::string rest;
    if (read.search.found) {
        rest.reserve(text.size() - (tests.back().end - tests.front().begin));
        rest.append(text.substr(0, tests.front().begin)).append(text.substr(tests.back().end));
    }
    const std::string_view parsed = tests.empty() ? text : std::string_view(rest);
    pugi::xml_document document;
    const pugi::xml_parse_result result =
        document.load_buffer(parsed.data(), parsed.size(), pugi::parse_default, pugi::encoding_utf8);
    if (result.status != pugi::status_ok) return read;
    // The first element of each name at each step, as the reader finds it.
    const pugi::xml_node dictionary =
        document.document_element().child("Extension").child("NPAROutput").child("DataDictionary");
    for (pugi::xml_node field = dictionary.child("DataField"); field;
         field = field.next_sibling("DataField")) {
        if (*field.attribute("name").value()) read.fields.push_back(VariableOf(field));
    }
    return read;
}

}  // namespace

// With more than one document and thread, documents are read ahead on worker
// threads and merged here in their order.
std::vector<QUOR_Variable> DictionaryVariables(const std::vector<std::string_view>& documentTexts,
                                               std::vector<CFFoundChildren>* searches) {
    std::vector<QUOR_Variable> variables;
    std::map<std::string, size_t> byName;
    if (searches) searches->clear();
    const unsigned threads = npar::WorkThreads();
    npar::WorkAhead<DocumentDictionary> ahead(
        documentTexts.size(),
        [&documentTexts](size_t index) { return ReadDocumentDictionary(documentTexts[index]); },
        threads - 1);
    for (size_t index = 0; index < documentTexts.size(); ++index) {
        DocumentDictionary read = ahead.Take(index);
        if (searches) searches->push_back(std::move(read.search));
        for (QUOR_Variable& variable : read.fields)
            MergeVariable(std::move(variable), variables, byName);
    }
    return variables;
}

}  // namespace report
