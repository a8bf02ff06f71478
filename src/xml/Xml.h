// A small DOM-style XML reader: just what the settings file needs.
//
// It reads a document from UTF-16 little-endian bytes (an FF FE byte-order mark is skipped),
// keeps every element's name and its own character data as Unicode, and answers four
// questions: the first element below the root with a given name (any case), an element's
// text, the number of an element's child elements, and each child by its index.
//
// It is lenient on purpose: a document that breaks off or goes wrong part way still yields
// every element that was complete before the fault, so a damaged settings file loses only
// what was damaged. Attributes, comments, processing instructions and a document type are
// skipped; CDATA sections count as text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel::xml {

class Document;

class Element {
  public:
    const std::wstring& Name() const { return name_; }
    // The character data directly inside the element, with entities and character references
    // decoded; leading and trailing blanks and control characters are not part of it.
    std::wstring Text() const;
    // Child elements in document order.
    size_t ChildCount() const { return children_.size(); }
    const Element& Child(size_t index) const;

  private:
    friend class Document;
    const Document* doc_ = nullptr;
    std::wstring name_;
    std::wstring text_;
    std::vector<size_t> children_;  // indices into the document's elements
    bool complete_ = false;         // its end tag (or "/>") was read
};

class Document {
  public:
    Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Reads a whole document. True when it was well-formed; false when it had no root element
    // or broke off or went wrong somewhere (the complete elements before the fault are kept).
    bool Parse(const std::string& utf16le);

    // The root element, or null when the document had none.
    const Element* Root() const;
    // The first complete element below the root, in document order (an element before its
    // children, children before the next sibling), whose name equals name in any case.
    // The root's own name is not looked at. Null when there is none.
    const Element* Find(const std::wstring& name) const;

  private:
    friend class Element;
    class Parser;
    // Held flat, in document order, so that neither building, searching nor destroying a deeply
    // nested document recurses.
    std::vector<Element> elements_;
};

}  // namespace vantrel::xml
