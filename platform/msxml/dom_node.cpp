// The nodes and node lists that selections hand out.
#include "msxml/dom_state.h"

#include <platform/com_object.h>

#include <new>

namespace platform::msxml {
namespace {

class Node final : public ComObject<IXMLDOMNode, &IID_IXMLDOMNode> {
 public:
  Node(SharedTree tree, SharedNamespaces namespaces, Selected item)
      : tree_(std::move(tree)), namespaces_(std::move(namespaces)), item_(std::move(item)) {}

  HRESULT STDMETHODCALLTYPE get_text(BSTR* text) override {
    return HandOutText(item_.node ? NodeText(item_.node) : item_.namespaceUri, text);
  }
  HRESULT STDMETHODCALLTYPE selectNodes(BSTR query, IXMLDOMNodeList** resultList) override {
    if (!item_.node) return SelectNodes(nullptr, namespaces_, nullptr, query, resultList);
    return SelectNodes(tree_, namespaces_, item_.node, query, resultList);
  }
  HRESULT STDMETHODCALLTYPE selectSingleNode(BSTR query, IXMLDOMNode** resultNode) override {
    if (!item_.node) return SelectSingleNode(nullptr, namespaces_, nullptr, query, resultNode);
    return SelectSingleNode(tree_, namespaces_, item_.node, query, resultNode);
  }

 private:
  SharedTree tree_;
  SharedNamespaces namespaces_;
  Selected item_;
};

class NodeList final : public ComObject<IXMLDOMNodeList, &IID_IXMLDOMNodeList> {
 public:
  NodeList(SharedTree tree, SharedNamespaces namespaces, std::vector<Selected> items)
      : tree_(std::move(tree)), namespaces_(std::move(namespaces)), items_(std::move(items)) {}

  HRESULT STDMETHODCALLTYPE get_item(LONG index, IXMLDOMNode** listItem) override {
    if (!listItem) return E_POINTER;
    *listItem = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= items_.size()) return S_FALSE;
    *listItem = NewNode(tree_, namespaces_, items_[index]);
    return *listItem ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_length(LONG* listLength) override {
    if (!listLength) return E_POINTER;
    *listLength = static_cast<LONG>(items_.size());
    return S_OK;
  }

 private:
  SharedTree tree_;
  SharedNamespaces namespaces_;
  std::vector<Selected> items_;
};

}  // namespace

IXMLDOMNode* NewNode(SharedTree tree, SharedNamespaces namespaces, Selected item) {
  return new (std::nothrow) Node(std::move(tree), std::move(namespaces), std::move(item));
}

IXMLDOMNodeList* NewNodeList(SharedTree tree, SharedNamespaces namespaces, std::vector<Selected> items) {
  return new (std::nothrow) NodeList(std::move(tree), std::move(namespaces), std::move(items));
}

}  // namespace platform::msxml
