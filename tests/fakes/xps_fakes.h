// Pipeline pages with their resource parts, and an object-model factory that records its calls,
// for the object-model converter tests.
#ifndef BRIMLOFT_TESTS_FAKES_XPS_FAKES_H
#define BRIMLOFT_TESTS_FAKES_XPS_FAKES_H

#include <windows.h>
#include <objbase.h>
#include <msopc.h>
#include <xpsobjectmodel.h>

#include <filterpipeline.h>
#include <platform/com_object.h>

#include <string>
#include <utility>
#include <vector>

#include "module/ComPtr.h"
#include "tests/fakes/fake_pipeline.h"

namespace brimloft::fakes {

// A font part without the extended interface.
class FakeFontPart : public FakePart<IPartFont, &IID_IPartFont> {
 public:
  FakeFontPart(std::wstring uri, std::string bytes, EXpsFontOptions options)
      : FakePart(std::move(bytes), std::move(uri)), options_(options) {}
  HRESULT STDMETHODCALLTYPE GetFontProperties(BSTR* contentType, EXpsFontOptions* options) override {
    *contentType = SysAllocString(L"application/vnd.ms-package.obfuscated-opentype");
    *options = options_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetFontContent(const wchar_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetFontOptions(EXpsFontOptions) override { return E_NOTIMPL; }

 private:
  EXpsFontOptions options_;
};

// A font part with restriction flags.
class FakeFont2Part : public FakePart<IPartFont2, &IID_IPartFont, &IID_IPartFont2> {
 public:
  FakeFont2Part(std::wstring uri, std::string bytes, EXpsFontOptions options, EXpsFontRestriction restriction)
      : FakePart(std::move(bytes), std::move(uri)), options_(options), restriction_(restriction) {}
  HRESULT STDMETHODCALLTYPE GetFontProperties(BSTR* contentType, EXpsFontOptions* options) override {
    *contentType = SysAllocString(L"application/vnd.ms-opentype");
    *options = options_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetFontContent(const wchar_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetFontOptions(EXpsFontOptions) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFontRestriction(EXpsFontRestriction* restriction) override {
    *restriction = restriction_;
    return S_OK;
  }

 private:
  EXpsFontOptions options_;
  EXpsFontRestriction restriction_;
};

class FakeImagePart : public FakePart<IPartImage, &IID_IPartImage> {
 public:
  FakeImagePart(std::wstring uri, std::string bytes, std::wstring contentType)
      : FakePart(std::move(bytes), std::move(uri)), contentType_(std::move(contentType)) {}
  HRESULT STDMETHODCALLTYPE GetImageProperties(BSTR* contentType) override {
    *contentType = SysAllocString(contentType_.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetImageContent(const wchar_t*) override { return E_NOTIMPL; }

 private:
  std::wstring contentType_;
};

using FakeColorProfilePart = FakePart<IPartColorProfile, &IID_IPartColorProfile>;
using FakeDictionaryPart = FakePart<IPartResourceDictionary, &IID_IPartResourceDictionary>;

// Walks a fixed list of parts; Current fails with currentFailure at position failAt.
class FakePartIterator : public platform::ComObject<IXpsPartIterator, &IID_IXpsPartIterator> {
 public:
  FakePartIterator(std::vector<ComPtr<IUnknown>> parts, HRESULT currentFailure, size_t failAt)
      : parts_(std::move(parts)), failure_(currentFailure), failAt_(failAt) {}
  void STDMETHODCALLTYPE Reset() override { pos_ = 0; }
  HRESULT STDMETHODCALLTYPE Current(BSTR* uri, IUnknown** part) override {
    *uri = nullptr;
    *part = nullptr;
    if (pos_ == failAt_ && FAILED(failure_)) return failure_;
    if (pos_ >= parts_.size()) return E_UNEXPECTED;
    *uri = SysAllocString(L"/ignored");
    *part = parts_[pos_].get();
    (*part)->AddRef();
    return S_OK;
  }
  BOOL STDMETHODCALLTYPE IsDone() override { return pos_ >= parts_.size(); }
  void STDMETHODCALLTYPE Next() override { ++pos_; }

 private:
  std::vector<ComPtr<IUnknown>> parts_;
  HRESULT failure_;
  size_t failAt_;
  size_t pos_ = 0;
};

// A fixed page without a ticket whose markup is the given bytes and whose iterator yields the
// added parts.
class FakeXpsPage : public FakePage {
 public:
  explicit FakeXpsPage(std::string markup, std::wstring uri = L"/Documents/1/Pages/1.fpage")
      : FakePage(nullptr, std::move(markup), std::move(uri)) {}
  HRESULT iteratorFailure = S_OK;
  bool handsNoIterator = false;  // GetXpsPartIterator succeeds without one
  HRESULT currentFailure = S_OK;
  size_t currentFailsAt = 0;

  template <class Part>
  void Add(const ComPtr<Part>& part) {
    ComPtr<IUnknown> unknown;
    part->QueryInterface(IID_IUnknown, unknown.put_void());
    parts_.push_back(unknown);
  }

  HRESULT STDMETHODCALLTYPE GetXpsPartIterator(IXpsPartIterator** iterator) override {
    *iterator = nullptr;
    if (FAILED(iteratorFailure)) return iteratorFailure;
    if (handsNoIterator) return S_OK;
    *iterator = new FakePartIterator(parts_, currentFailure, currentFailsAt);
    return S_OK;
  }

 private:
  std::vector<ComPtr<IUnknown>> parts_;
};

// Passes every call to the platform's object-model factory and records it: the kind, the part
// name, and for dictionaries how many images and fonts the resources held at that moment.
class RecordingObjectFactory : public platform::ComObject<IXpsOMObjectFactory, &IID_IXpsOMObjectFactory> {
 public:
  explicit RecordingObjectFactory(ComPtr<IXpsOMObjectFactory> real) : real_(std::move(real)) {}
  std::vector<std::wstring> calls;
  std::vector<XPS_FONT_EMBEDDING> embeddings;
  std::vector<XPS_IMAGE_TYPE> imageTypes;
  ComPtr<IXpsOMPartResources> pageResources;
  BOOL reuseObjects = -1;

  HRESULT STDMETHODCALLTYPE CreateRemoteDictionaryResourceFromStream(IStream* s, IOpcPartUri* n,
                                                                     IXpsOMPartResources* r,
                                                                     IXpsOMRemoteDictionaryResource** out) override {
    calls.push_back(L"dictionary " + NameOf(n) + L" after " + std::to_wstring(Count(r)) + L" resources");
    return real_->CreateRemoteDictionaryResourceFromStream(s, n, r, out);
  }
  HRESULT STDMETHODCALLTYPE CreatePartResources(IXpsOMPartResources** out) override {
    calls.push_back(L"resources");
    return real_->CreatePartResources(out);
  }
  HRESULT STDMETHODCALLTYPE CreatePageFromStream(IStream* s, IOpcPartUri* n, IXpsOMPartResources* r, BOOL reuse,
                                                 IXpsOMPage** out) override {
    calls.push_back(L"page " + NameOf(n));
    pageResources = ComPtr<IXpsOMPartResources>(r);
    reuseObjects = reuse;
    return real_->CreatePageFromStream(s, n, r, reuse, out);
  }
  HRESULT STDMETHODCALLTYPE CreateColorProfileResource(IStream* s, IOpcPartUri* n,
                                                       IXpsOMColorProfileResource** out) override {
    calls.push_back(L"profile " + NameOf(n));
    return real_->CreateColorProfileResource(s, n, out);
  }
  HRESULT STDMETHODCALLTYPE CreateImageResource(IStream* s, XPS_IMAGE_TYPE t, IOpcPartUri* n,
                                                IXpsOMImageResource** out) override {
    calls.push_back(L"image " + NameOf(n));
    imageTypes.push_back(t);
    return real_->CreateImageResource(s, t, n, out);
  }
  HRESULT STDMETHODCALLTYPE CreateFontResource(IStream* s, XPS_FONT_EMBEDDING e, IOpcPartUri* n, BOOL obf,
                                               IXpsOMFontResource** out) override {
    calls.push_back(L"font " + NameOf(n) + (obf ? L" obfuscated source" : L""));
    embeddings.push_back(e);
    return real_->CreateFontResource(s, e, n, obf, out);
  }

 private:
  static std::wstring NameOf(IOpcPartUri* uri) {
    BSTR raw = nullptr;
    if (uri == nullptr || FAILED(uri->GetRawUri(&raw))) return L"?";
    std::wstring name(raw);
    SysFreeString(raw);
    return name;
  }
  // Fonts, images and colour profiles already in the collection.
  static UINT32 Count(IXpsOMPartResources* resources) {
    UINT32 total = 0, n = 0;
    ComPtr<IXpsOMFontResourceCollection> fonts;
    ComPtr<IXpsOMImageResourceCollection> images;
    ComPtr<IXpsOMColorProfileResourceCollection> profiles;
    if (SUCCEEDED(resources->GetFontResources(fonts.put())) && SUCCEEDED(fonts->GetCount(&n))) total += n;
    if (SUCCEEDED(resources->GetImageResources(images.put())) && SUCCEEDED(images->GetCount(&n))) total += n;
    if (SUCCEEDED(resources->GetColorProfileResources(profiles.put())) && SUCCEEDED(profiles->GetCount(&n)))
      total += n;
    return total;
  }

  ComPtr<IXpsOMObjectFactory> real_;
};

}  // namespace brimloft::fakes

#endif
