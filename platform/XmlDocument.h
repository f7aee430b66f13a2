// A parsed XML document, read-only: its elements walked by first child and
// next sibling, their names and attribute values as UTF-16 text, and the line
// each element stands on.
//
// The parser reads only the bytes it is given: it never opens another file
// or the network, expands no entity of a document type and refuses a
// document that has a DOCTYPE declaration at all. It prints nothing; every
// failure is a plat::Exception with a cp1250 text.
#pragma once

#include <string>
#include <string_view>

struct _xmlDoc;
struct _xmlNode;

namespace plat {

// One element of a document, or none (a null element: false in a test).
// Valid while its document lives.
class XmlElement {
 public:
  XmlElement() = default;

  explicit operator bool() const { return node_ != nullptr; }

  // The first child element and the next sibling element; text, comments
  // and processing instructions between them are skipped. A null element
  // when there is none (also for a null element).
  XmlElement firstChild() const;
  XmlElement nextSibling() const;

  // The element's name as written (with its prefix, if it has one); "" for
  // a null element.
  std::u16string name() const;
  // The value of the attribute of that name (without a namespace); "" when
  // the element has no such attribute.
  std::u16string attribute(std::u16string_view attributeName) const;
  // The line of the element's start tag, counted from 1; 0 for a null
  // element.
  long line() const;

 private:
  friend class XmlDocument;
  explicit XmlElement(_xmlNode* node) : node_(node) {}

  _xmlNode* node_ = nullptr;
};

class XmlDocument {
 public:
  // Parses bytes (an encoding declaration is honoured, UTF-8 otherwise).
  // Raises plat::Exception: "Błąd składni XML (wiersz <n>): <text>" for a
  // document that is not well-formed, "Deklaracja DOCTYPE jest niedozwolona"
  // for a document with a DOCTYPE; std::bad_alloc when memory runs out.
  explicit XmlDocument(std::string_view bytes);
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  XmlElement root() const;

 private:
  _xmlDoc* doc_ = nullptr;
};

}  // namespace plat
