// XML DOM wrapper over pugixml. The wrapper that loads a document owns it
// together with every wrapper and iterator it hands out, so that handles
// given to a reader stay valid until the document goes. Handles are made
// from blocks of many at a time: a reader asks for one per element it visits.
#include "SDOMXMLWrapper.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include <pugixml.hpp>

#include "CFProcCustom.h"
#include "proc/NumberText.h"

namespace {

// Handles of one kind, made a block at a time; each stays where it is until
// the document goes.
template <class Handle>
class HandleBlocks {
public:
    template <class Make>
    Handle* Next(Make make) {
        if (fUsed == kBlockSize) {
            fBlocks.emplace_back(make(kBlockSize));
            fUsed = 0;
        }
        return &fBlocks.back()[fUsed++];
    }

private:
    static constexpr size_t kBlockSize = 512;
    std::vector<std::unique_ptr<Handle[]>> fBlocks;
    size_t fUsed = kBlockSize;
};

}  // namespace

struct SDOMXMLDocument {
    pugi::xml_document dom;
    HandleBlocks<SDOMXMLWrapper> wrappers;
    HandleBlocks<SDOMXMLIterator> iterators;
    std::deque<std::string> joinedTexts;  // texts of several pieces, for GetTextView

    SDOMXMLWrapper* Wrap(pugi::xml_node node) {
        SDOMXMLWrapper* wrapper = wrappers.Next([](size_t n) { return new SDOMXMLWrapper[n]; });
        wrapper->fDocument = this;
        wrapper->fNode = node.internal_object();
        return wrapper;
    }
    SDOMXMLIterator* Iterate(pugi::xml_node first, std::string_view name) {
        SDOMXMLIterator* iterator = iterators.Next([](size_t n) { return new SDOMXMLIterator[n]; });
        iterator->fDocument = this;
        iterator->fNext = first.internal_object();
        iterator->fName.assign(name.data(), name.size());
        return iterator;
    }
};

namespace {

pugi::xml_node NodeOf(pugi::xml_node_struct* node) { return pugi::xml_node(node); }

// Whether the NUL-terminated text is name, without measuring it first. A
// name holding a NUL matches nothing, as no tag or attribute name holds one.
bool NameIs(const char* text, std::string_view name) {
    for (char c : name) {
        if (*text == '\0' || *text != c) return false;
        ++text;
    }
    return *text == '\0';
}

// The name is compared first: most siblings a search passes differ in it,
// and then their type need not be asked.
bool Matches(pugi::xml_node node, std::string_view name) {
    if (name.empty()) return node.type() == pugi::node_element;
    return NameIs(node.name(), name) && node.type() == pugi::node_element;
}

pugi::xml_node FirstMatching(pugi::xml_node node, std::string_view name) {
    while (node && !Matches(node, name)) node = node.next_sibling();
    return node;
}

// The attribute named name, compared in place: pugixml's own lookup would
// need a NUL-terminated copy of the name. A name holding a NUL matches none.
pugi::xml_attribute FindAttribute(pugi::xml_node_struct* node, std::string_view name) {
    for (pugi::xml_attribute attribute = NodeOf(node).first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        if (NameIs(attribute.name(), name)) return attribute;
    }
    return pugi::xml_attribute();
}

bool IsText(pugi::xml_node node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

}  // namespace

SDOMXMLWrapper::SDOMXMLWrapper() = default;
SDOMXMLWrapper::~SDOMXMLWrapper() = default;

SDOMXMLWrapper::SDOMXMLWrapper(SDOMXMLDocument* document, pugi::xml_node_struct* node)
    : fDocument(document), fNode(node) {}

namespace {

// parse_default without DOCTYPE handling: entities a DOCTYPE declares are
// never expanded. The byte order mark of UTF-8 text is skipped by pugixml.
// An element's first piece of text is kept in the element itself rather than
// in a node of its own (parse_embed_pcdata): most elements with text have
// just that one piece, and the parse then makes a node fewer for each.
constexpr unsigned int kParseOptions = pugi::parse_default | pugi::parse_embed_pcdata;

}  // namespace

const SDOMXMLDocument* SDOMXMLWrapper::Adopt(std::unique_ptr<SDOMXMLDocument> document, bool parsed) {
    fOwned.reset();
    fDocument = nullptr;
    fNode = nullptr;
    if (!parsed) return nullptr;
    pugi::xml_node root = document->dom.document_element();
    if (!root) return nullptr;
    fOwned = std::move(document);
    fDocument = fOwned.get();
    fNode = root.internal_object();
    return fDocument;
}

const SDOMXMLDocument* SDOMXMLWrapper::LoadFromString(std::string_view text) {
    auto document = std::make_unique<SDOMXMLDocument>();
    const pugi::xml_parse_result result =
        document->dom.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    return Adopt(std::move(document), result.status == pugi::status_ok);
}

const SDOMXMLDocument* SDOMXMLWrapper::LoadWithout(std::string_view text, size_t cutBegin,
                                                   size_t cutEnd) {
    cutEnd = std::min(cutEnd, text.size());
    cutBegin = std::min(cutBegin, cutEnd);
    const size_t size = text.size() - (cutEnd - cutBegin);
    // The two pieces are joined straight into the buffer the document parses
    // in place and keeps, ended by a NUL as pugixml ends the copy load_buffer
    // makes, so that the parse is the same as that of a copy.
    char* buffer = static_cast<char*>(pugi::get_memory_allocation_function()(size + 1));
    if (!buffer) return Adopt(nullptr, false);
    if (size > 0) {
        std::memcpy(buffer, text.data(), cutBegin);
        std::memcpy(buffer + cutBegin, text.data() + cutEnd, text.size() - cutEnd);
    }
    buffer[size] = '\0';
    auto document = std::make_unique<SDOMXMLDocument>();
    const pugi::xml_parse_result result =
        document->dom.load_buffer_inplace_own(buffer, size + 1, kParseOptions, pugi::encoding_utf8);
    return Adopt(std::move(document), result.status == pugi::status_ok);
}

std::string SDOMXMLWrapper::GetName() const { return fNode ? NodeOf(fNode).name() : ""; }

std::string_view SDOMXMLWrapper::GetNameView() const {
    return fNode ? std::string_view(NodeOf(fNode).name()) : std::string_view();
}

namespace {

// The first element at path below node; null when there is none.
pugi::xml_node_struct* FindPath(pugi::xml_node_struct* from, std::string_view path) {
    pugi::xml_node node = NodeOf(from);
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('/', start);
        const std::string_view name =
            path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (name.empty()) return nullptr;
        node = FirstMatching(node.first_child(), name);
        if (!node) return nullptr;
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return node.internal_object();
}

}  // namespace

bool SDOMXMLWrapper::GetFirstElement(std::string_view path, SDOMXMLWrapper** element, bool) {
    if (!fNode || !element) return false;
    pugi::xml_node_struct* node = FindPath(fNode, path);
    if (!node) return false;
    *element = fDocument->Wrap(pugi::xml_node(node));
    return true;
}

bool SDOMXMLWrapper::GetFirstElement(std::string_view path, SDOMXMLWrapper& element) const {
    if (element.fOwned) return false;
    pugi::xml_node_struct* node = fNode ? FindPath(fNode, path) : nullptr;
    element.fDocument = node ? fDocument : nullptr;
    element.fNode = node;
    return node != nullptr;
}

bool SDOMXMLWrapper::GetElementIterator(std::string_view name, SDOMXMLIterator** iterator, bool) {
    if (!fNode || !iterator) return false;
    pugi::xml_node first = FirstMatching(NodeOf(fNode).first_child(), name);
    if (!first) return false;
    *iterator = fDocument->Iterate(first, name);
    return true;
}

bool SDOMXMLWrapper::GetElementIterator(std::string_view name, SDOMXMLIterator& iterator) const {
    pugi::xml_node first;
    if (fNode) first = FirstMatching(NodeOf(fNode).first_child(), name);
    iterator.fDocument = first ? fDocument : nullptr;
    iterator.fNext = first.internal_object();
    iterator.fName.assign(name.data(), name.size());
    return bool(first);
}

bool SDOMXMLWrapper::GetAttributeView(std::string_view name, std::string_view& value) const {
    if (!fNode) return false;
    pugi::xml_attribute attribute = FindAttribute(fNode, name);
    if (!attribute) return false;
    value = attribute.value();
    return true;
}

bool SDOMXMLWrapper::GetAttribute(std::string_view name, std::string& value) const {
    std::string_view view;
    if (!GetAttributeView(name, view)) return false;
    value.assign(view.data(), view.size());
    return true;
}

bool SDOMXMLWrapper::GetAttribute(std::string_view name, int& value) const {
    std::string_view text;
    if (!GetAttributeView(name, text)) return false;
    value = String2Integer(text);
    return true;
}

bool SDOMXMLWrapper::GetAttribute(std::string_view name, double& value) const {
    std::string_view text;
    if (!GetAttributeView(name, text)) return false;
    return npar::ParseLeadingDouble(text, value);
}

bool SDOMXMLWrapper::GetTextBody(std::string& text) const {
    std::string_view view;
    if (!GetTextView(view)) return false;
    text.assign(view.data(), view.size());
    return true;
}

bool SDOMXMLWrapper::GetTextView(std::string_view& text) const {
    if (!fNode) return false;
    text = std::string_view();
    // The document is parsed with parse_embed_pcdata: the element's first
    // piece of text, when nothing comes before it, is its value; later pieces
    // (after a CDATA section or a child element) are text children.
    pugi::xml_node element = NodeOf(fNode);
    const char* embedded = element.value();
    pugi::xml_node first = element.first_child();
    while (first && !IsText(first)) first = first.next_sibling();
    if (!first) {
        text = embedded;
        return true;
    }
    pugi::xml_node second = first.next_sibling();
    while (second && !IsText(second)) second = second.next_sibling();
    if (!second && *embedded == '\0') {
        text = first.value();
        return true;
    }
    std::string& joined = fDocument->joinedTexts.emplace_back(embedded);
    for (pugi::xml_node child = first; child; child = child.next_sibling()) {
        if (IsText(child)) joined += child.value();
    }
    text = joined;
    return true;
}

bool SDOMXMLIterator::Next(SDOMXMLWrapper** element) {
    if (!fNext || !element) return false;
    pugi::xml_node node = NodeOf(fNext);
    *element = fDocument->Wrap(pugi::xml_node(node));
    fNext = FirstMatching(node.next_sibling(), fName).internal_object();
    return true;
}

bool SDOMXMLIterator::Next(SDOMXMLWrapper& element) {
    if (!fNext || element.fOwned) return false;
    element.fDocument = fDocument;
    element.fNode = fNext;
    fNext = FirstMatching(NodeOf(fNext).next_sibling(), fName).internal_object();
    return true;
}

// The step of Next(element) and the reading of the element, with one node
// handle for both.
bool SDOMXMLIterator::Next(SDOMXMLWrapper& element, SDOMXMLElementView& view) {
    if (!fNext || element.fOwned) return false;
    const pugi::xml_node node = NodeOf(fNext);
    element.fDocument = fDocument;
    element.fNode = fNext;
    fNext = FirstMatching(node.next_sibling(), fName).internal_object();
    view.name = node.name();
    size_t count = 0;
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
         attribute = attribute.next_attribute(), ++count) {
        if (count < SDOMXMLElementView::kMaxAttributes)
            view.attributes[count] = {attribute.name(), attribute.value()};
    }
    view.attributeCount = count;
    return true;
}
