// The MSXML 6 DOM interfaces as this code base calls them, for builds outside Windows. Only the
// methods in use are declared; their names and signatures are those of the Windows SDK.
#ifndef BRIMLOFT_PLATFORM_MSXML2_H
#define BRIMLOFT_PLATFORM_MSXML2_H

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

extern "C" const IID IID_IXMLDOMNode;
extern "C" const IID IID_IXMLDOMNodeList;
extern "C" const IID IID_IXMLDOMDocument;

struct IXMLDOMNodeList;

struct IXMLDOMNode : public IUnknown {
  // The text of the node and all its descendants, concatenated.
  virtual HRESULT STDMETHODCALLTYPE get_text(BSTR* text) = 0;
  // XPath 1.0 over the node as context. An expression that does not parse or names an unbound
  // prefix gives E_FAIL.
  virtual HRESULT STDMETHODCALLTYPE selectNodes(BSTR queryString, IXMLDOMNodeList** resultList) = 0;
  // The first node in document order, or S_FALSE and null when nothing matches.
  virtual HRESULT STDMETHODCALLTYPE selectSingleNode(BSTR queryString, IXMLDOMNode** resultNode) = 0;

 protected:
  ~IXMLDOMNode() = default;
};

struct IXMLDOMNodeList : public IUnknown {
  // An index outside the list gives S_FALSE and null.
  virtual HRESULT STDMETHODCALLTYPE get_item(LONG index, IXMLDOMNode** listItem) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_length(LONG* listLength) = 0;

 protected:
  ~IXMLDOMNodeList() = default;
};

struct IXMLDOMDocument : public IXMLDOMNode {
  // Parses the document from a VT_UNKNOWN VARIANT holding an IStream, read from its current
  // position. A document that does not parse gives S_FALSE, *isSuccessful VARIANT_FALSE and an
  // empty document; another kind of source gives E_INVALIDARG.
  virtual HRESULT STDMETHODCALLTYPE load(VARIANT xmlSource, VARIANT_BOOL* isSuccessful) = 0;
  // Writes the document as UTF-8 to the file named by a VT_BSTR VARIANT, creating or replacing it.
  // A file that cannot be written gives HRESULT_FROM_WIN32 of the system error; an empty document
  // gives S_FALSE and writes nothing.
  virtual HRESULT STDMETHODCALLTYPE save(VARIANT destination) = 0;

 protected:
  ~IXMLDOMDocument() = default;
};

struct IXMLDOMDocument2 : public IXMLDOMDocument {
  // "SelectionNamespaces" (a VT_BSTR of xmlns declarations) and "SelectionLanguage" ("XPath").
  // Other names give E_INVALIDARG.
  virtual HRESULT STDMETHODCALLTYPE setProperty(BSTR name, VARIANT value) = 0;

 protected:
  ~IXMLDOMDocument2() = default;
};

#endif
