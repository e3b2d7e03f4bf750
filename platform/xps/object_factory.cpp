// The XPS object model's factory, as far as pages and their resources go.
#include <xpsobjectmodel.h>

#include <new>

#include "platform/com_object.h"
#include "platform/com_registry.h"
#include "platform/error_info.h"
#include "xps/markup_compatibility.h"
#include "xps/page.h"
#include "xps/page_markup.h"
#include "xps/part_name.h"
#include "platform/com_ref.h"
#include "xps/resources.h"
#include "xps/xps_private.h"
#include "xps/xps_text.h"

namespace platform::xps {
namespace {

// Whose words a failure leaves for the caller (SetErrorInfo).
constexpr const wchar_t* kSource = L"XPS object model";

// True when the last segment of the name holds the 32 hex digits of a GUID, which key an
// obfuscated font.
bool NameHoldsGuid(const std::wstring& name) {
  int digits = 0;
  for (size_t i = name.rfind(L'/') + 1; i < name.size(); ++i) {
    const wchar_t c = name[i];
    if ((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F')) ++digits;
  }
  return digits >= 32;
}

// Every remote dictionary that the page names must be among the resources.
HRESULT CheckDictionaries(const FixedPageHeader& header, const std::wstring& pageName,
                          IXpsOMPartResources* resources) {
  if (header.dictionarySources.empty()) return S_OK;
  Ref<IXpsOMRemoteDictionaryResourceCollection> dictionaries;
  if (resources != nullptr) {
    const HRESULT hr = resources->GetRemoteDictionaryResources(dictionaries.put());
    if (FAILED(hr)) return hr;
  }
  for (const auto& source : header.dictionarySources) {
    const std::wstring name = ResolvePartReference(pageName, source);
    if (name.empty()) return XPS_E_INVALID_MARKUP;
    Ref<IOpcPartUri> uri;
    HRESULT hr = CreatePartUriObject(name, uri.put());
    if (FAILED(hr)) return hr;
    Ref<IXpsOMRemoteDictionaryResource> found;
    if (dictionaries && FAILED(hr = dictionaries->GetByPartName(uri.get(), found.put()))) return hr;
    if (!found) return XPS_E_MISSING_PART_REFERENCE;
  }
  return S_OK;
}

class ObjectFactory : public ComObject<IXpsOMObjectFactory, &IID_IXpsOMObjectFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateRemoteDictionaryResourceFromStream(
      IStream* stream, IOpcPartUri* partUri, IXpsOMPartResources* /*resources*/,
      IXpsOMRemoteDictionaryResource** resource) override {
    if (resource == nullptr) return E_POINTER;
    *resource = nullptr;
    if (stream == nullptr || partUri == nullptr) return E_POINTER;
    return Guarded([&] {
      std::string markup;
      std::string why;
      HRESULT hr = ReadToEnd(stream, markup);
      if (SUCCEEDED(hr)) hr = ApplyMarkupCompatibility(markup, why);
      if (SUCCEEDED(hr)) hr = CheckResourceDictionary(markup, why);
      SetErrorDescription(kSource, why);
      return SUCCEEDED(hr) ? NewDictionaryResource(stream, std::move(markup), partUri, resource) : hr;
    });
  }

  HRESULT STDMETHODCALLTYPE CreatePartResources(IXpsOMPartResources** resources) override {
    if (resources == nullptr) return E_POINTER;
    return NewPartResources(resources);
  }

  HRESULT STDMETHODCALLTYPE CreatePageFromStream(IStream* stream, IOpcPartUri* partUri,
                                                 IXpsOMPartResources* resources, BOOL /*reuseObjects*/,
                                                 IXpsOMPage** page) override {
    if (page == nullptr) return E_POINTER;
    *page = nullptr;
    if (stream == nullptr || partUri == nullptr) return E_POINTER;
    return Guarded([&] {
      std::string markup;
      FixedPageHeader header;
      std::wstring pageName;
      std::string why;
      HRESULT hr = ReadToEnd(stream, markup);
      if (SUCCEEDED(hr)) hr = ApplyMarkupCompatibility(markup, why);
      if (SUCCEEDED(hr)) hr = ParseFixedPage(markup, header, why);
      SetErrorDescription(kSource, why);
      if (SUCCEEDED(hr)) hr = GetPartNameString(partUri, pageName);
      if (SUCCEEDED(hr)) hr = CheckDictionaries(header, pageName, resources);
      return SUCCEEDED(hr) ? NewPage(std::move(markup), header, partUri, resources, page) : hr;
    });
  }

  HRESULT STDMETHODCALLTYPE CreateColorProfileResource(IStream* stream, IOpcPartUri* partUri,
                                                       IXpsOMColorProfileResource** resource) override {
    if (resource == nullptr) return E_POINTER;
    *resource = nullptr;
    if (stream == nullptr || partUri == nullptr) return E_POINTER;
    return NewColorProfileResource(stream, partUri, resource);
  }

  HRESULT STDMETHODCALLTYPE CreateImageResource(IStream* stream, XPS_IMAGE_TYPE type, IOpcPartUri* partUri,
                                                IXpsOMImageResource** resource) override {
    if (resource == nullptr) return E_POINTER;
    *resource = nullptr;
    if (stream == nullptr || partUri == nullptr) return E_POINTER;
    if (type < XPS_IMAGE_TYPE_JPEG || type > XPS_IMAGE_TYPE_JXR) return E_INVALIDARG;
    return NewImageResource(stream, type, partUri, resource);
  }

  HRESULT STDMETHODCALLTYPE CreateFontResource(IStream* stream, XPS_FONT_EMBEDDING embedding, IOpcPartUri* partUri,
                                               BOOL isObfSourceStream, IXpsOMFontResource** resource) override {
    if (resource == nullptr) return E_POINTER;
    *resource = nullptr;
    if (stream == nullptr || partUri == nullptr) return E_POINTER;
    if (embedding < XPS_FONT_EMBEDDING_NORMAL || embedding > XPS_FONT_EMBEDDING_RESTRICTED_UNOBFUSCATED)
      return E_INVALIDARG;
    const bool obfuscated = embedding == XPS_FONT_EMBEDDING_OBFUSCATED || embedding == XPS_FONT_EMBEDDING_RESTRICTED;
    if (isObfSourceStream && !obfuscated) return E_INVALIDARG;
    return Guarded([&] {
      std::wstring name;
      HRESULT hr = GetPartNameString(partUri, name);
      if (SUCCEEDED(hr) && obfuscated && !NameHoldsGuid(name)) hr = XPS_E_INVALID_OBFUSCATED_FONT_URI;
      return SUCCEEDED(hr) ? NewFontResource(stream, embedding, partUri, resource) : hr;
    });
  }

 private:
  template <class Work>
  static HRESULT Guarded(Work&& work) {
    try {
      return work();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
};

HRESULT CreateObjectFactory(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  auto* factory = new (std::nothrow) ObjectFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  return HandOut(factory, riid, ppv);
}

const ClassRegistration kObjectFactoryClass(CLSID_XpsOMObjectFactory, CreateObjectFactory);

}  // namespace
}  // namespace platform::xps
