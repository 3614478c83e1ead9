// The output document and the text catalogue.
#include "OutputDocument.h"

#include <fstream>

#include "proc/Utf8.h"

namespace npar {

OutputItem& OutputItem::Append(std::unique_ptr<OutputItem> item) {
    children.push_back(std::move(item));
    return *children.back();
}

OutputDocument::OutputDocument() : fRoot(std::make_unique<OutputItem>(OutputItem::Kind::Heading)) {}

bool Catalogue::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        fTexts[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return true;
}

const std::string& Catalogue::Translate(const std::string& key) const {
    auto found = fTexts.find(key);
    return found == fTexts.end() ? key : found->second;
}

std::string SanitizeUtf8(const std::string& text) {
    static const char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t codePoint = 0;
        const size_t length = Utf8SequenceAt(text, i, codePoint);
        if (length > 0) {
            out.append(text, i, length);
            i += length;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

}  // namespace npar
