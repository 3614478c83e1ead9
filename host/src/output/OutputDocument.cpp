// The output document and the text catalogue.
#include "OutputDocument.h"

#include <fstream>

namespace npar {

OutputItem& OutputItem::Append(std::unique_ptr<OutputItem> item) {
    children.push_back(std::move(item));
    return *children.back();
}

OutputDocument::OutputDocument() : fRoot(std::make_unique<OutputItem>(OutputItem::Kind::Heading)) {}

void OutputDocument::HandOverFinished(const std::function<bool(const OutputItem&)>& isHeld) {
    if (!fHandler) return;
    auto& items = fRoot->children;
    for (; fHandedOver < items.size() && !isHeld(*items[fHandedOver]); ++fHandedOver) {
        fHandler(std::move(items[fHandedOver]));
    }
}

void OutputDocument::HandOverAll() {
    HandOverFinished([](const OutputItem&) { return false; });
    if (!fHandler) return;
    fRoot->children.clear();  // the places of the items handed over
    fHandedOver = 0;
    fHandler = nullptr;
}

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

}  // namespace npar
