// DOMDocument60 on libxml2: parsing from a stream, saving to a file, XPath selection.
#include "msxml/dom_state.h"
#include "core/stream_bytes.h"
#include "core/utf8.h"

#include <platform/com_object.h>
#include <platform/com_registry.h>

#include <libxml/parser.h>

#include <msxml6ids.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <new>
#include <string>

namespace platform::msxml {
namespace {

// No network, no external subset, no entity substitution; libxml2's own depth and size limits
// stay in force (no XML_PARSE_HUGE).
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

HRESULT FromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENOSPC:
      return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case ENOMEM:
      return E_OUTOFMEMORY;
    default:
      return E_FAIL;
  }
}

// Parses a whole document; null when it is not well-formed XML or carries a document type
// declaration (MSXML 6 prohibits DTDs by default).
xmlDocPtr Parse(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) return nullptr;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                    kParseOptions);
  // Undeclared prefixes are only a namespace error to libxml2; MSXML refuses them.
  const bool wellFormed = ctxt->wellFormed != 0 && ctxt->nsWellFormed != 0;
  xmlFreeParserCtxt(ctxt);
  if (doc && (!wellFormed || doc->intSubset || doc->extSubset || !xmlDocGetRootElement(doc))) {
    xmlFreeDoc(doc);
    doc = nullptr;
  }
  return doc;
}

// Writes bytes to path, replacing it only once the new content is complete, so that a failed save
// leaves the previous file as it was.
HRESULT WriteFileReplacing(const std::string& path, const xmlChar* data, int size) {
  static std::atomic<unsigned> counter{0};
  const std::string temporary =
      path + ".tmp" + std::to_string(getpid()) + "." + std::to_string(counter.fetch_add(1));
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return FromErrno(errno);
  int written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      close(fd);
      unlink(temporary.c_str());
      return FromErrno(error);
    }
    written += static_cast<int>(n);
  }
  if (close(fd) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return FromErrno(error);
  }
  return S_OK;
}

class Document final
    : public ComObject<IXMLDOMDocument2, &IID_IXMLDOMNode, &IID_IXMLDOMDocument, &IID_IXMLDOMDocument2> {
 public:
  Document() : namespaces_(std::make_shared<Namespaces>()) {}

  HRESULT STDMETHODCALLTYPE get_text(BSTR* text) override {
    return HandOutText(tree_ ? NodeText(reinterpret_cast<xmlNodePtr>(tree_->get())) : L"", text);
  }
  HRESULT STDMETHODCALLTYPE selectNodes(BSTR query, IXMLDOMNodeList** resultList) override {
    return SelectNodes(tree_, namespaces_, nullptr, query, resultList);
  }
  HRESULT STDMETHODCALLTYPE selectSingleNode(BSTR query, IXMLDOMNode** resultNode) override {
    return SelectSingleNode(tree_, namespaces_, nullptr, query, resultNode);
  }

  HRESULT STDMETHODCALLTYPE load(VARIANT source, VARIANT_BOOL* isSuccessful) override {
    if (!isSuccessful) return E_POINTER;
    *isSuccessful = VARIANT_FALSE;
    tree_.reset();
    if ((source.vt != VT_UNKNOWN && source.vt != VT_DISPATCH) || !source.punkVal) return E_INVALIDARG;
    ISequentialStream* stream = nullptr;
    if (FAILED(source.punkVal->QueryInterface(IID_ISequentialStream, reinterpret_cast<void**>(&stream))) &&
        FAILED(source.punkVal->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream)))) {
      return E_INVALIDARG;
    }
    std::string bytes;
    // Past INT_MAX bytes libxml2 takes no more: Parse refuses the document by its size.
    const HRESULT hr = platform::ReadToEnd(stream, bytes, static_cast<size_t>(INT_MAX));
    stream->Release();
    if (FAILED(hr)) return hr;
    const xmlDocPtr doc = Parse(bytes);
    if (!doc) return S_FALSE;
    try {
      tree_ = std::make_shared<const XmlTree>(doc);
    } catch (const std::bad_alloc&) {
      xmlFreeDoc(doc);
      return E_OUTOFMEMORY;
    }
    *isSuccessful = VARIANT_TRUE;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE save(VARIANT destination) override {
    if (destination.vt != VT_BSTR || !destination.bstrVal || !destination.bstrVal[0]) return E_INVALIDARG;
    if (!tree_) return E_FAIL;
    xmlChar* data = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(tree_->get(), &data, &size, "UTF-8");
    if (!data) return E_OUTOFMEMORY;
    HRESULT hr = E_OUTOFMEMORY;
    try {
      hr = WriteFileReplacing(text::ToUtf8(destination.bstrVal), data, size);
    } catch (const std::bad_alloc&) {
    }
    xmlFree(data);
    return hr;
  }

  HRESULT STDMETHODCALLTYPE setProperty(BSTR name, VARIANT value) override {
    const std::wstring property = name ? name : L"";
    if (property == L"SelectionLanguage") {
      return value.vt == VT_BSTR && value.bstrVal && std::wstring(value.bstrVal) == L"XPath" ? S_OK : E_FAIL;
    }
    if (property != L"SelectionNamespaces") return E_INVALIDARG;
    if (value.vt != VT_BSTR) return E_INVALIDARG;
    Namespaces parsed;
    if (!ParseSelectionNamespaces(value.bstrVal ? value.bstrVal : L"", &parsed)) return E_FAIL;
    *namespaces_ = std::move(parsed);
    return S_OK;
  }

 private:
  SharedTree tree_;
  SharedNamespaces namespaces_;
};

HRESULT CreateDocument(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  xmlInitParser();
  auto* document = new (std::nothrow) Document();
  if (!document) return E_OUTOFMEMORY;
  return HandOut(document, riid, ppv);
}

const ClassRegistration registration(CLSID_DOMDocument60, CreateDocument);

}  // namespace
}  // namespace platform::msxml
