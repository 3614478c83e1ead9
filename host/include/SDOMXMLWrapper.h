// XML DOM wrapper: a read-only view of one XML document for plug-ins.
//
// A wrapper created by its user loads the document and then stands for the
// root element. Wrappers and iterators handed out through out pointers belong
// to the loaded document: the caller never frees them, and they all die with
// the wrapper that loaded the document.
#pragma once

#include <memory>
#include <string>

namespace pugi {
struct xml_node_struct;
}

class SDOMXMLIterator;
struct SDOMXMLDocument;

class SDOMXMLWrapper {
public:
    SDOMXMLWrapper();
    ~SDOMXMLWrapper();
    SDOMXMLWrapper(const SDOMXMLWrapper&) = delete;
    SDOMXMLWrapper& operator=(const SDOMXMLWrapper&) = delete;

    // Parses text as UTF-8 (a byte order mark is skipped; a DOCTYPE's entities
    // are not expanded). Gives the loaded document, or null when the text does
    // not parse completely. Afterwards this wrapper stands for the root element.
    const SDOMXMLDocument* LoadFromString(const std::string& text);

    // The element's tag name (empty for a wrapper that stands for nothing).
    std::string GetName() const;

    // The first element at path (child names joined by "/") below this element.
    bool GetFirstElement(const std::string& path, SDOMXMLWrapper** element, bool elementsOnly);
    // An iterator over this element's children named name, in document order;
    // the empty name means every element child. False when there is no such child.
    bool GetElementIterator(const std::string& name, SDOMXMLIterator** iterator, bool elementsOnly);

    bool GetAttribute(const std::string& name, std::string& value) const;
    // Reads as String2Integer does, clamped to the int range; false, and value
    // unchanged, when the attribute is absent.
    bool GetAttribute(const std::string& name, int& value) const;
    // False, and value unchanged, when the attribute is absent or is no number.
    bool GetAttribute(const std::string& name, double& value) const;

    // The element's text content (empty, and true, for an element without text).
    bool GetTextBody(std::string& text) const;

private:
    friend class SDOMXMLIterator;
    friend struct SDOMXMLDocument;
    SDOMXMLWrapper(SDOMXMLDocument* document, pugi::xml_node_struct* node);

    std::unique_ptr<SDOMXMLDocument> fOwned;  // set on the wrapper that loaded the document
    SDOMXMLDocument* fDocument = nullptr;
    pugi::xml_node_struct* fNode = nullptr;  // the element this wrapper stands for
};

class SDOMXMLIterator {
public:
    // The next element, or false after the last.
    bool Next(SDOMXMLWrapper** element);

private:
    friend struct SDOMXMLDocument;
    SDOMXMLIterator(SDOMXMLDocument* document, pugi::xml_node_struct* next, std::string name);

    SDOMXMLDocument* fDocument;
    pugi::xml_node_struct* fNext;
    std::string fName;
};
