#include "platform/XmlDocument.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

#include "platform/AnsiString.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

namespace plat {

namespace {

// Only what the bytes hold: no network, no messages of the parser's own. No
// entity substitution, no loading or defaulting from a document type, no
// XInclude, the parser's limits on sizes and depth kept.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// What one parse on this thread has learned through the parser's callbacks.
struct ParseState {
  xmlParserCtxtPtr ctxt = nullptr;
  bool doctype = false;
  bool noMemory = false;
  bool failed = false;  // an error (not a warning) was raised
  int line = 0;         // of the first error
  std::string message;  // of the first error, UTF-8 as the parser words it
};

thread_local ParseState* current = nullptr;

void onError(void*, xmlErrorPtr error) {
  ParseState* st = current;
  if (!st || !error || error->level < XML_ERR_ERROR) return;
  if (error->code == XML_ERR_NO_MEMORY) st->noMemory = true;
  if (st->failed) return;
  st->failed = true;
  st->line = error->line;
  st->message = error->message ? error->message : "";
}

void ignoreMessage(void*, const char*, ...) {}

// A DOCTYPE stops the parse before its internal subset or its external
// identifier is read any further.
void onDoctype(void*, const xmlChar*, const xmlChar*, const xmlChar*) {
  ParseState* st = current;
  if (!st) return;
  st->doctype = true;
  xmlStopParser(st->ctxt);
}

// The node's own record of the line keeps only 16 bits; the line of every
// element goes into its private word as well, whatever the document's size.
void onStartElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                    int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                    const xmlChar** attributes) {
  xmlSAX2StartElementNs(ctx, localname, prefix, uri, nbNamespaces, namespaces, nbAttributes,
                        nbDefaulted, attributes);
  ParseState* st = current;
  if (st && st->ctxt->node && st->ctxt->input)
    st->ctxt->node->_private =
        reinterpret_cast<void*>(static_cast<std::intptr_t>(st->ctxt->input->line));
}

// The callbacks of one parse on this thread, and the thread's own error
// channels of the parser (used where an error has no parser context) kept
// silent for its length.
class ParseScope {
 public:
  explicit ParseScope(ParseState& st)
      : outer_(current),
        genericFn_(xmlGenericError),
        genericCtx_(xmlGenericErrorContext),
        structuredFn_(xmlStructuredError),
        structuredCtx_(xmlStructuredErrorContext) {
    current = &st;
    xmlSetGenericErrorFunc(nullptr, ignoreMessage);
    xmlSetStructuredErrorFunc(nullptr, onError);
  }
  ~ParseScope() {
    xmlSetStructuredErrorFunc(structuredCtx_, structuredFn_);
    xmlSetGenericErrorFunc(genericCtx_, genericFn_);
    current = outer_;
  }
  ParseScope(const ParseScope&) = delete;
  ParseScope& operator=(const ParseScope&) = delete;

 private:
  ParseState* outer_;
  xmlGenericErrorFunc genericFn_;
  void* genericCtx_;
  xmlStructuredErrorFunc structuredFn_;
  void* structuredCtx_;
};

struct FreeContext {
  void operator()(xmlParserCtxtPtr c) const { xmlFreeParserCtxt(c); }
};
struct FreeDocument {
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};

void initParserOnce() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

// The parser's text as one line of cp1250: line breaks become blanks, blanks
// at both ends go.
std::string errorText(const std::string& utf8) {
  std::string text = utf8ToCp1250(utf8);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return Trim(text);
}

std::u16string fromXml(const xmlChar* s) {
  return s ? utf8ToUtf16(reinterpret_cast<const char*>(s)) : std::u16string();
}

xmlNodePtr firstElement(xmlNodePtr n) {
  while (n && n->type != XML_ELEMENT_NODE) n = n->next;
  return n;
}

}  // namespace

XmlElement XmlElement::firstChild() const {
  return XmlElement(node_ ? firstElement(node_->children) : nullptr);
}

XmlElement XmlElement::nextSibling() const {
  return XmlElement(node_ ? firstElement(node_->next) : nullptr);
}

std::u16string XmlElement::name() const {
  if (!node_) return {};
  std::u16string n;
  if (node_->ns && node_->ns->prefix) {
    n = fromXml(node_->ns->prefix);
    n += u':';
  }
  n += fromXml(node_->name);
  return n;
}

std::u16string XmlElement::attribute(std::u16string_view attributeName) const {
  if (!node_) return {};
  const std::string n = utf16ToUtf8(attributeName);
  xmlChar* value = xmlGetNoNsProp(node_, reinterpret_cast<const xmlChar*>(n.c_str()));
  if (!value) return {};
  std::unique_ptr<xmlChar, void (*)(void*)> owned(value, xmlFree);
  return fromXml(value);
}

long XmlElement::line() const {
  if (!node_) return 0;
  if (node_->_private) return static_cast<long>(reinterpret_cast<std::intptr_t>(node_->_private));
  return xmlGetLineNo(node_);
}

XmlDocument::XmlDocument(std::string_view bytes) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX))
    throw Exception(cp("Za duży dokument XML (") + UIntToStr(bytes.size()) + cp(" bajtów)"));
  initParserOnce();
  ParseState st;
  ParseScope scope(st);
  std::unique_ptr<xmlParserCtxt, FreeContext> ctxt(xmlNewParserCtxt());
  if (!ctxt || !ctxt->sax) throw std::bad_alloc();
  st.ctxt = ctxt.get();
  ctxt->sax->serror = onError;
  ctxt->sax->internalSubset = onDoctype;
  ctxt->sax->startElementNs = onStartElement;
  std::unique_ptr<xmlDoc, FreeDocument> doc(xmlCtxtReadMemory(
      ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, kParseOptions));
  if (st.doctype || (doc && (doc->intSubset || doc->extSubset)))
    throw Exception(cp("Deklaracja DOCTYPE jest niedozwolona"));
  if (st.noMemory) throw std::bad_alloc();
  if (!doc || st.failed || !ctxt->wellFormed || !ctxt->nsWellFormed ||
      !xmlDocGetRootElement(doc.get())) {
    const int line = st.failed ? st.line : ctxt->input ? ctxt->input->line : 0;
    const std::string text =
        st.failed ? errorText(st.message) : cp("dokument nie jest poprawnym XML");
    throw Exception(cp("Błąd składni XML (wiersz ") + IntToStr(line) + "): " + text);
  }
  doc_ = doc.release();
}

XmlDocument::~XmlDocument() {
  xmlFreeDoc(doc_);
}

XmlElement XmlDocument::root() const {
  return XmlElement(xmlDocGetRootElement(doc_));
}

}  // namespace plat
