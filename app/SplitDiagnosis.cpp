// The XML syntax of a split's document, as the host's DOM parses it.
#include "SplitDiagnosis.h"

#include <algorithm>

#include <pugixml.hpp>

namespace report {
namespace {

// True when the text, after a byte order mark and blanks, begins with
// something other than markup: a data table or other file given where a
// result document was expected.
bool BeginsWithoutMarkup(const std::string& text) {
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    at = text.find_first_not_of(" \t\r\n", at);
    return at != std::string::npos && text[at] != '<';
}

}  // namespace

std::string DiagnoseSplit(const std::string& documentText) {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(documentText.data(), documentText.size(),
                                                               pugi::parse_default, pugi::encoding_utf8);
    if (result.status == pugi::status_ok) return "the document's content could not be read";
    // A place in a text that has no markup at all would point nowhere.
    if (BeginsWithoutMarkup(documentText))
        return "the text does not begin with '<', so it is no XML document; to run tests on a data "
               "table, give --test SPEC or --analysis RUN.json";
    const size_t offset =
        std::min(static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0)), documentText.size());
    size_t line = 1;
    size_t column = 1;
    // A byte order mark is counted in the offset but is no column.
    const size_t start =
        documentText.compare(0, 3, "\xEF\xBB\xBF") == 0 ? std::min<size_t>(3, offset) : 0;
    for (size_t i = start; i < offset; ++i) {
        if (documentText[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(documentText[i]) & 0xC0) != 0x80) {
            ++column;  // columns count characters, not the bytes of one
        }
    }
    return "XML syntax error at line " + std::to_string(line) + ", column " + std::to_string(column) +
           ": " + result.description();
}

}  // namespace report
