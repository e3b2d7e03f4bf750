#include "msxml/dom_state.h"
#include "core/utf8.h"

#include <libxml/xpath.h>
#include <libxml/xmlerror.h>
#include <libxml/globals.h>
#include <libxml/xpathInternals.h>

#include <cwctype>

namespace platform::msxml {
namespace {

// XPath errors are reported by HRESULT, not on the console.
void IgnoreError(void*, xmlErrorPtr) {}
void IgnoreGenericError(void*, const char*, ...) {}

// Silences libxml2's generic error channel of the calling thread while it lives.
class QuietErrors {
 public:
  QuietErrors() : handler_(xmlGenericError), context_(xmlGenericErrorContext) {
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
  }
  ~QuietErrors() { xmlSetGenericErrorFunc(context_, handler_); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  xmlGenericErrorFunc handler_;
  void* context_;
};

struct ContextDeleter {
  void operator()(xmlXPathContextPtr p) const { xmlXPathFreeContext(p); }
};
struct ObjectDeleter {
  void operator()(xmlXPathObjectPtr p) const { xmlXPathFreeObject(p); }
};

std::wstring Trimmed(const std::wstring& s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && std::iswspace(s[begin])) ++begin;
  while (end > begin && std::iswspace(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

}  // namespace

HRESULT Select(const SharedTree& tree, xmlNodePtr context, const Namespaces& namespaces, BSTR query,
               std::vector<Selected>* out) {
  out->clear();
  const std::string expression = text::ToUtf8(query ? query : L"");
  if (!tree) return S_OK;  // an empty document has nothing to select
  std::unique_ptr<xmlXPathContext, ContextDeleter> ctx(xmlXPathNewContext(tree->get()));
  if (!ctx) return E_OUTOFMEMORY;
  ctx->error = IgnoreError;
  ctx->node = context ? context : reinterpret_cast<xmlNodePtr>(tree->get());
  for (const auto& [prefix, uri] : namespaces) {
    if (xmlXPathRegisterNs(ctx.get(), BAD_CAST prefix.c_str(), BAD_CAST uri.c_str()) != 0) return E_FAIL;
  }
  const QuietErrors quiet;
  std::unique_ptr<xmlXPathObject, ObjectDeleter> result(
      xmlXPathEvalExpression(BAD_CAST expression.c_str(), ctx.get()));
  if (!result || result->type != XPATH_NODESET) return E_FAIL;
  const xmlNodeSetPtr set = result->nodesetval;
  if (!set) return S_OK;
  out->reserve(set->nodeNr);
  for (int i = 0; i < set->nodeNr; ++i) {
    xmlNodePtr node = set->nodeTab[i];
    Selected item;
    if (node->type == XML_NAMESPACE_DECL) {
      const auto* ns = reinterpret_cast<xmlNsPtr>(node);
      item.namespaceUri = text::FromUtf8(ns->href ? reinterpret_cast<const char*>(ns->href) : "");
    } else {
      item.node = node;
    }
    out->push_back(std::move(item));
  }
  return S_OK;
}

std::wstring NodeText(xmlNodePtr node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::wstring text = text::FromUtf8(content ? reinterpret_cast<const char*>(content) : "");
  xmlFree(content);
  const bool container = node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE;
  return container ? Trimmed(text) : text;
}

HRESULT HandOutText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT SelectNodes(const SharedTree& tree, const SharedNamespaces& namespaces, xmlNodePtr context,
                    BSTR query, IXMLDOMNodeList** resultList) {
  if (!resultList) return E_POINTER;
  *resultList = nullptr;
  std::vector<Selected> items;
  const HRESULT hr = Select(tree, context, *namespaces, query, &items);
  if (FAILED(hr)) return hr;
  *resultList = NewNodeList(tree, namespaces, std::move(items));
  return *resultList ? S_OK : E_OUTOFMEMORY;
}

HRESULT SelectSingleNode(const SharedTree& tree, const SharedNamespaces& namespaces, xmlNodePtr context,
                         BSTR query, IXMLDOMNode** resultNode) {
  if (!resultNode) return E_POINTER;
  *resultNode = nullptr;
  std::vector<Selected> items;
  const HRESULT hr = Select(tree, context, *namespaces, query, &items);
  if (FAILED(hr)) return hr;
  if (items.empty()) return S_FALSE;
  *resultNode = NewNode(tree, namespaces, std::move(items.front()));
  return *resultNode ? S_OK : E_OUTOFMEMORY;
}

}  // namespace platform::msxml
