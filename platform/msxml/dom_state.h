// What the DOM substitute's objects share: the parsed document, the selection namespaces, and
// the XPath selection over them.
#ifndef BRIMLOFT_PLATFORM_MSXML_DOM_STATE_H
#define BRIMLOFT_PLATFORM_MSXML_DOM_STATE_H

#include <msxml2.h>

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::msxml {

// A parsed document, alive as long as the document object or any node taken from it holds it.
class XmlTree {
 public:
  explicit XmlTree(xmlDocPtr doc) noexcept : doc_(doc) {}
  ~XmlTree() { xmlFreeDoc(doc_); }
  XmlTree(const XmlTree&) = delete;
  XmlTree& operator=(const XmlTree&) = delete;
  xmlDocPtr get() const noexcept { return doc_; }

 private:
  xmlDocPtr doc_;
};
using SharedTree = std::shared_ptr<const XmlTree>;

// Prefix -> URI pairs bound for XPath by the "SelectionNamespaces" property. Shared between a
// document and its nodes, so that nodes see the document's current setting.
using Namespaces = std::vector<std::pair<std::string, std::string>>;
using SharedNamespaces = std::shared_ptr<Namespaces>;

// Parses "xmlns:a='uri' xmlns:b=\"uri\"" (blank separated). False when the text is malformed.
bool ParseSelectionNamespaces(const std::wstring& text, Namespaces* out);

// One selected node. Namespace nodes do not outlive their XPath result in libxml2, so for them
// only their text (the namespace URI) is kept.
struct Selected {
  xmlNodePtr node = nullptr;
  std::wstring namespaceUri;
};

// Evaluates an XPath 1.0 expression with context (null: the document node). E_FAIL when the
// expression does not parse, uses an unbound prefix or does not give a node set.
HRESULT Select(const SharedTree& tree, xmlNodePtr context, const Namespaces& namespaces, BSTR query,
               std::vector<Selected>* out);

// The node's text as MSXML gives it: all descendant text, concatenated; for an element or the
// document, blanks at both ends removed.
std::wstring NodeText(xmlNodePtr node);

// New COM objects over selected nodes (each with one reference).
IXMLDOMNode* NewNode(SharedTree tree, SharedNamespaces namespaces, Selected item);
IXMLDOMNodeList* NewNodeList(SharedTree tree, SharedNamespaces namespaces, std::vector<Selected> items);

// selectNodes and selectSingleNode, shared by nodes and the document.
HRESULT SelectNodes(const SharedTree& tree, const SharedNamespaces& namespaces, xmlNodePtr context,
                    BSTR query, IXMLDOMNodeList** resultList);
HRESULT SelectSingleNode(const SharedTree& tree, const SharedNamespaces& namespaces, xmlNodePtr context,
                         BSTR query, IXMLDOMNode** resultNode);

// Hands a wide string out as a new BSTR; E_POINTER for a null out pointer, E_OUTOFMEMORY when it
// cannot be allocated.
HRESULT HandOutText(const std::wstring& text, BSTR* out);

}  // namespace platform::msxml

#endif
