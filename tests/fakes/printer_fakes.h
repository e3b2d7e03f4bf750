// Stand-ins for what the pipeline hands the printer output: the output stream, the property bag
// and the print core helper, each recording what it was asked and failing on demand.
#ifndef BRIMLOFT_TESTS_FAKES_PRINTER_FAKES_H
#define BRIMLOFT_TESTS_FAKES_PRINTER_FAKES_H

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <filterpipeline.h>
#include <prcomoem.h>
#include <platform/com_object.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace brimloft::fakes {

// Keeps every WriteBytes call as one entry; fails with failWith (writing nothing) when set.
class FakeWriteStream : public platform::ComObject<IPrintWriteStream, &IID_IPrintWriteStream> {
 public:
  HRESULT STDMETHODCALLTYPE WriteBytes(const void* buffer, ULONG size, ULONG* written) override {
    if (written != nullptr) *written = 0;
    if (FAILED(failWith)) return failWith;
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    writes.emplace_back(bytes, bytes + size);
    if (written != nullptr) *written = size;
    return S_OK;
  }
  void STDMETHODCALLTYPE Close() override { ++closes; }

  // Everything written, in order.
  std::vector<BYTE> All() const {
    std::vector<BYTE> all;
    for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
    return all;
  }

  std::vector<std::vector<BYTE>> writes;
  HRESULT failWith = S_OK;
  int closes = 0;
};

// Answers GetProperty from a table of VARIANTs; an absent name is E_INVALIDARG.
class FakePropertyBag : public platform::ComObject<IPrintPipelinePropertyBag, &IID_IPrintPipelinePropertyBag> {
 public:
  ~FakePropertyBag() override {
    for (auto& entry : properties_) VariantClear(&entry.second);
  }
  void Put(const std::wstring& name, IUnknown* object) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = object;
    object->AddRef();
    Store(name, v);
  }
  void PutInteger(const std::wstring& name, LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    Store(name, v);
  }

  HRESULT STDMETHODCALLTYPE AddProperty(const wchar_t* name, const VARIANT* value) override {
    VARIANT copy;
    VariantInit(&copy);
    const HRESULT hr = VariantCopy(&copy, value);
    if (SUCCEEDED(hr)) Store(name, copy);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetProperty(const wchar_t* name, VARIANT* value) override {
    requested.push_back(name);
    const auto it = properties_.find(name);
    if (it == properties_.end()) return E_INVALIDARG;
    return VariantCopy(value, &it->second);
  }
  BOOL STDMETHODCALLTYPE DeleteProperty(const wchar_t* name) override {
    const auto it = properties_.find(name);
    if (it == properties_.end()) return FALSE;
    VariantClear(&it->second);
    properties_.erase(it);
    return TRUE;
  }

  std::vector<std::wstring> requested;

 private:
  void Store(const std::wstring& name, const VARIANT& v) {
    DeleteProperty(name.c_str());
    properties_[name] = v;
  }
  std::map<std::wstring, VARIANT> properties_;
};

// Reports a list of features with their current options. Options of features in failOptions
// fail; EnumFeatures fails with enumResult when that is a failure.
class FakeCoreHelper : public platform::ComObject<IPrintCoreHelper, &IID_IPrintCoreHelper> {
 public:
  void Add(const std::string& feature, const std::string& option) {
    features.push_back(feature);
    options[feature] = option;
  }

  HRESULT STDMETHODCALLTYPE GetOption(const DEVMODE* devmode, DWORD size, PCSTR feature, PCSTR* option) override {
    optionCalls.push_back({devmode == nullptr && size == 0, feature ? feature : ""});
    *option = nullptr;
    if (failOptions.count(feature) != 0) return E_FAIL;
    const auto it = options.find(feature);
    if (it == options.end()) return E_INVALIDARG;
    *option = it->second.c_str();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumFeatures(PCSTR** list, DWORD* count) override {
    if (FAILED(enumResult)) return enumResult;
    names_.clear();
    for (const auto& f : features) names_.push_back(f.c_str());
    *list = names_.empty() ? nullptr : names_.data();
    *count = static_cast<DWORD>(names_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetOptions(PDEVMODE, DWORD, BOOL, const PRINT_FEATURE_OPTION*, DWORD, PDWORD,
                                       PDWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumConstrainedOptions(const DEVMODE*, DWORD, PCSTR, PCSTR**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE WhyConstrained(const DEVMODE*, DWORD, PCSTR, PCSTR, const PRINT_FEATURE_OPTION**,
                                           DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumOptions(PCSTR, PCSTR**, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFontSubstitution(PCWSTR, PCWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetFontSubstitution(PCWSTR, PCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateInstanceOfMSXMLObject(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) override {
    return E_NOTIMPL;
  }

  struct OptionCall {
    bool noDevmode;
    std::string feature;
  };

  std::vector<std::string> features;
  std::map<std::string, std::string> options;
  std::set<std::string> failOptions;
  HRESULT enumResult = S_OK;
  std::vector<OptionCall> optionCalls;

 private:
  std::vector<PCSTR> names_;
};

// A write-only memory stream that fails every write once failAfter bytes have been taken.
class FakeStream : public platform::ComObject<IStream, &IID_ISequentialStream, &IID_IStream> {
 public:
  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* written) override {
    if (written != nullptr) *written = 0;
    if (bytes.size() + cb > failAfter) return failWith;
    const BYTE* p = static_cast<const BYTE*>(pv);
    bytes.insert(bytes.end(), p, p + cb);
    ++writes;
    if (written != nullptr) *written = cb;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  std::vector<BYTE> bytes;
  std::size_t failAfter = SIZE_MAX;
  HRESULT failWith = STG_E_MEDIUMFULL;
  int writes = 0;
};

}  // namespace brimloft::fakes

#endif
