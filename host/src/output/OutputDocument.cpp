// The output document and the text catalogue.
#include "OutputDocument.h"

#include <fstream>

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
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = bytes[i];
        size_t length = 0;
        unsigned int codePoint = 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            codePoint = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            codePoint = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            codePoint = c & 0x07;
        }
        bool valid = length > 0 && i + length <= n;
        for (size_t k = 1; valid && k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) valid = false;
            else codePoint = (codePoint << 6) | (bytes[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
        if (valid) {
            const unsigned int minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
            valid = codePoint >= minimum && codePoint <= 0x10FFFF &&
                    !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
        }
        if (valid) {
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
