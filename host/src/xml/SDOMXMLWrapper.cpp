// XML DOM wrapper over pugixml. The wrapper that loads a document owns it
// together with every wrapper and iterator it hands out, so that handles
// given to a reader stay valid until the document goes.
#include "SDOMXMLWrapper.h"

#include <climits>
#include <deque>

#include <pugixml.hpp>

#include "CFProcCustom.h"
#include "proc/NumberText.h"

struct SDOMXMLDocument {
    pugi::xml_document dom;
    std::deque<std::unique_ptr<SDOMXMLWrapper>> wrappers;
    std::deque<std::unique_ptr<SDOMXMLIterator>> iterators;

    SDOMXMLWrapper* Wrap(pugi::xml_node node) {
        wrappers.emplace_back(new SDOMXMLWrapper(this, node.internal_object()));
        return wrappers.back().get();
    }
    SDOMXMLIterator* Iterate(pugi::xml_node first, const std::string& name) {
        iterators.emplace_back(new SDOMXMLIterator(this, first.internal_object(), name));
        return iterators.back().get();
    }
};

namespace {

pugi::xml_node NodeOf(pugi::xml_node_struct* node) { return pugi::xml_node(node); }

bool Matches(pugi::xml_node node, const std::string& name) {
    return node.type() == pugi::node_element && (name.empty() || name == node.name());
}

pugi::xml_node FirstMatching(pugi::xml_node node, const std::string& name) {
    while (node && !Matches(node, name)) node = node.next_sibling();
    return node;
}

}  // namespace

SDOMXMLWrapper::SDOMXMLWrapper() = default;
SDOMXMLWrapper::~SDOMXMLWrapper() = default;

SDOMXMLWrapper::SDOMXMLWrapper(SDOMXMLDocument* document, pugi::xml_node_struct* node)
    : fDocument(document), fNode(node) {}

const SDOMXMLDocument* SDOMXMLWrapper::LoadFromString(const std::string& text) {
    auto document = std::make_unique<SDOMXMLDocument>();
    // parse_default without DOCTYPE handling: entities a DOCTYPE declares are
    // never expanded. The byte order mark of UTF-8 text is skipped by pugixml.
    pugi::xml_parse_result result =
        document->dom.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    fOwned.reset();
    fDocument = nullptr;
    fNode = nullptr;
    if (result.status != pugi::status_ok) return nullptr;
    pugi::xml_node root = document->dom.document_element();
    if (!root) return nullptr;
    fOwned = std::move(document);
    fDocument = fOwned.get();
    fNode = root.internal_object();
    return fDocument;
}

std::string SDOMXMLWrapper::GetName() const { return fNode ? NodeOf(fNode).name() : ""; }

bool SDOMXMLWrapper::GetFirstElement(const std::string& path, SDOMXMLWrapper** element, bool) {
    if (!fNode || !element) return false;
    pugi::xml_node node = NodeOf(fNode);
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        std::string name =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (name.empty()) return false;
        node = FirstMatching(node.first_child(), name);
        if (!node) return false;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    *element = fDocument->Wrap(node);
    return true;
}

bool SDOMXMLWrapper::GetElementIterator(const std::string& name, SDOMXMLIterator** iterator, bool) {
    if (!fNode || !iterator) return false;
    pugi::xml_node first = FirstMatching(NodeOf(fNode).first_child(), name);
    if (!first) return false;
    *iterator = fDocument->Iterate(first, name);
    return true;
}

bool SDOMXMLWrapper::GetAttribute(const std::string& name, std::string& value) const {
    if (!fNode) return false;
    pugi::xml_attribute attribute = NodeOf(fNode).attribute(name.c_str());
    if (!attribute) return false;
    value = attribute.value();
    return true;
}

bool SDOMXMLWrapper::GetAttribute(const std::string& name, int& value) const {
    std::string text;
    if (!GetAttribute(name, text)) return false;
    value = String2Integer(text);
    return true;
}

bool SDOMXMLWrapper::GetAttribute(const std::string& name, double& value) const {
    std::string text;
    if (!GetAttribute(name, text)) return false;
    return npar::ParseLeadingDouble(text, value);
}

bool SDOMXMLWrapper::GetTextBody(std::string& text) const {
    if (!fNode) return false;
    text.clear();
    for (pugi::xml_node child = NodeOf(fNode).first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) text += child.value();
    }
    return true;
}

SDOMXMLIterator::SDOMXMLIterator(SDOMXMLDocument* document, pugi::xml_node_struct* next,
                                 std::string name)
    : fDocument(document), fNext(next), fName(std::move(name)) {}

bool SDOMXMLIterator::Next(SDOMXMLWrapper** element) {
    if (!fNext || !element) return false;
    pugi::xml_node node = NodeOf(fNext);
    *element = fDocument->Wrap(node);
    fNext = FirstMatching(node.next_sibling(), fName).internal_object();
    return true;
}
