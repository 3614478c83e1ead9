// XML DOM wrapper: a read-only view of one XML document for plug-ins.
//
// A wrapper created by its user loads the document and then stands for the
// root element. Wrappers and iterators handed out through out pointers belong
// to the loaded document: the caller never frees them, and they all die with
// the wrapper that loaded the document. So do the views the *View accessors
// give: they point into the loaded document's text and must not be kept past
// the wrapper that loaded it.
//
// A reader that visits many elements can instead keep its own handles: the
// overloads that take an SDOMXMLWrapper& or SDOMXMLIterator& point a
// caller-made handle (on the stack, say) at the element, so that the document
// makes no handle for it. Such handles too are valid only while the document
// is loaded.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
struct xml_node_struct;
}

class SDOMXMLIterator;
struct SDOMXMLDocument;

// An element's tag and attributes as views into the document, read in the
// same step as the iterator moves to the element (SDOMXMLIterator::Next): a
// reader that looks at the tag and the attributes of every element it visits
// then asks for none of them one by one. Like every view, valid only while
// the document is loaded.
struct SDOMXMLElementView {
    struct Attribute {
        std::string_view name;
        std::string_view value;
    };
    static constexpr size_t kMaxAttributes = 8;

    std::string_view name;
    // The element's first attributes, in document order; attributeCount says
    // how many it has, which may be more than attributes holds.
    Attribute attributes[kMaxAttributes];
    size_t attributeCount = 0;

    // Whether attributes holds every attribute of the element.
    bool Complete() const { return attributeCount <= kMaxAttributes; }
    // The value of the first attribute named name among attributes; false,
    // and value unchanged, when there is none there.
    bool Find(std::string_view attributeName, std::string_view& value) const {
        const size_t held = attributeCount < kMaxAttributes ? attributeCount : kMaxAttributes;
        for (size_t i = 0; i < held; ++i) {
            if (attributes[i].name == attributeName) {
                value = attributes[i].value;
                return true;
            }
        }
        return false;
    }
};

class SDOMXMLWrapper {
public:
    SDOMXMLWrapper();
    ~SDOMXMLWrapper();
    SDOMXMLWrapper(const SDOMXMLWrapper&) = delete;
    SDOMXMLWrapper& operator=(const SDOMXMLWrapper&) = delete;

    // Parses text as UTF-8 (a byte order mark is skipped; a DOCTYPE's entities
    // are not expanded). Gives the loaded document, or null when the text does
    // not parse completely. Afterwards this wrapper stands for the root element.
    // The document keeps its own copy of the text.
    const SDOMXMLDocument* LoadFromString(std::string_view text);
    // The same for the text with the bytes [cutBegin, cutEnd) left out, as
    // if they had never been there; only what remains is copied.
    const SDOMXMLDocument* LoadWithout(std::string_view text, size_t cutBegin, size_t cutEnd);

    // The element's tag name (empty for a wrapper that stands for nothing).
    std::string GetName() const;
    // The tag name as a view into the document.
    std::string_view GetNameView() const;

    // The first element at path (child names joined by "/") below this element.
    bool GetFirstElement(std::string_view path, SDOMXMLWrapper** element, bool elementsOnly);
    // An iterator over this element's children named name, in document order;
    // the empty name means every element child. False when there is no such child.
    bool GetElementIterator(std::string_view name, SDOMXMLIterator** iterator, bool elementsOnly);
    // The same lookups into caller-made handles. The target must not be a
    // wrapper that loaded a document (false, and it is left as it was). On
    // false the target stands for nothing.
    bool GetFirstElement(std::string_view path, SDOMXMLWrapper& element) const;
    bool GetElementIterator(std::string_view name, SDOMXMLIterator& iterator) const;

    bool GetAttribute(std::string_view name, std::string& value) const;
    // Reads as String2Integer does, clamped to the int range; false, and value
    // unchanged, when the attribute is absent.
    bool GetAttribute(std::string_view name, int& value) const;
    // False, and value unchanged, when the attribute is absent or is no number.
    bool GetAttribute(std::string_view name, double& value) const;
    // The attribute's value as a view into the document, without a copy.
    bool GetAttributeView(std::string_view name, std::string_view& value) const;

    // The element's text content (empty, and true, for an element without text).
    bool GetTextBody(std::string& text) const;
    // The same text as a view: into the document when the element has one
    // piece of text (the usual case), else into a joined copy the document
    // keeps while it is loaded.
    bool GetTextView(std::string_view& text) const;

private:
    friend class SDOMXMLIterator;
    friend struct SDOMXMLDocument;
    SDOMXMLWrapper(SDOMXMLDocument* document, pugi::xml_node_struct* node);
    // Makes this wrapper stand for the parsed document's root element, or
    // for nothing (and gives null) when it did not parse or has no element.
    const SDOMXMLDocument* Adopt(std::unique_ptr<SDOMXMLDocument> document, bool parsed);

    std::unique_ptr<SDOMXMLDocument> fOwned;  // set on the wrapper that loaded the document
    SDOMXMLDocument* fDocument = nullptr;
    pugi::xml_node_struct* fNode = nullptr;  // the element this wrapper stands for
};

class SDOMXMLIterator {
public:
    // An iterator over nothing, for SDOMXMLWrapper::GetElementIterator to set.
    SDOMXMLIterator() = default;

    // The next element, or false after the last.
    bool Next(SDOMXMLWrapper** element);
    // The next element into a caller-made handle (see SDOMXMLWrapper); false
    // after the last, or when element is a wrapper that loaded a document.
    bool Next(SDOMXMLWrapper& element);
    // The same, with the element's tag and attributes read into view.
    bool Next(SDOMXMLWrapper& element, SDOMXMLElementView& view);

private:
    friend struct SDOMXMLDocument;
    friend class SDOMXMLWrapper;

    SDOMXMLDocument* fDocument = nullptr;
    pugi::xml_node_struct* fNext = nullptr;
    std::string fName;
};

// Where one element's children of one name lie in a document's text, found
// without building a DOM, so that a reader can load the rest of the document
// and then each child on its own, one at a time.
struct SDOMXMLRange {
    size_t begin = 0;  // the child's '<'
    size_t end = 0;    // just after its last '>'
};

// Finds the children named name of the first element at path below the root
// element (the element SDOMXMLWrapper::GetFirstElement finds), in document
// order, and gives true only when loading them apart is the same as loading
// the whole text:
//   - the text holds no NUL byte, and up to that element's end tag it is
//     well-formed XML of a plain kind this scan knows fully: no DOCTYPE or
//     other "<!" declaration, ASCII names, no text or CDATA outside the root
//     element;
//   - each child, loaded on its own with LoadFromString, parses;
//   - there is at least one such child, and the children are consecutive:
//     between two of them, and on either side of the run of them, there is
//     at most whitespace, which the DOM does not keep.
// Then the text without the run of children (LoadWithout, from the first
// child's begin to the last child's end) parses to the same DOM as the whole
// text less those children, or fails to parse exactly when the whole text
// does. Otherwise ranges is left empty and the text is to be loaded whole.
bool SDOMXMLFindChildren(std::string_view text, std::string_view path, std::string_view name,
                         std::vector<SDOMXMLRange>& ranges);
// The same, calling found(ranges) on the calling thread each time another
// child has ended in the text (ranges then holds every child so far), so
// that a reader may begin on the children while the scan goes on. What it
// reads counts only when the scan gives true: a scan that gives false may
// have found children before it met what it cannot vouch for.
bool SDOMXMLFindChildren(std::string_view text, std::string_view path, std::string_view name,
                         std::vector<SDOMXMLRange>& ranges,
                         const std::function<void(const std::vector<SDOMXMLRange>& ranges)>& found);
