#include "xps/part_name.h"

#include <new>
#include <vector>

#include "platform/com_object.h"
#include "xps/xps_text.h"

namespace platform::xps {
namespace {

template <class Char>
bool IsHex(Char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
template <class Char>
int HexValue(Char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }
bool IsAlnum(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'); }
bool IsUnreserved(wchar_t c) { return IsAlnum(c) || c == L'-' || c == L'.' || c == L'_' || c == L'~'; }
bool IsSubDelim(wchar_t c) { return c != 0 && std::wstring(L"!$&'()*+,;=").find(c) != std::wstring::npos; }
// pchar without "%": what a segment may hold literally; characters beyond ASCII are allowed as IRI.
bool IsSegmentChar(wchar_t c) { return IsUnreserved(c) || IsSubDelim(c) || c == L':' || c == L'@' || c > 0x7F; }

class PartUri : public ComObject<IOpcPartUri, &IID_IUri, &IID_IOpcUri, &IID_IOpcPartUri> {
 public:
  explicit PartUri(std::wstring name) : name_(std::move(name)), key_(PartNameKey(name_)) {}

  HRESULT STDMETHODCALLTYPE GetExtension(BSTR* out) override {
    const size_t slash = name_.rfind(L'/');
    const size_t dot = name_.rfind(L'.');
    return CopyToBstr(dot == std::wstring::npos || dot < slash ? L"" : name_.substr(dot), out);
  }
  HRESULT STDMETHODCALLTYPE GetPath(BSTR* out) override { return CopyToBstr(name_, out); }
  HRESULT STDMETHODCALLTYPE GetRawUri(BSTR* out) override { return CopyToBstr(name_, out); }
  HRESULT STDMETHODCALLTYPE IsEqual(IUri* other, BOOL* equal) override {
    if (equal == nullptr) return E_POINTER;
    *equal = FALSE;
    if (other == nullptr) return S_OK;
    BSTR raw = nullptr;
    const HRESULT hr = other->GetRawUri(&raw);
    if (FAILED(hr)) return hr;
    *equal = PartNameKey(raw ? std::wstring(raw, SysStringLen(raw)) : std::wstring()) == key_;
    SysFreeString(raw);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ComparePartUri(IOpcPartUri* other, INT32* result) override {
    if (other == nullptr || result == nullptr) return E_POINTER;
    std::wstring name;
    const HRESULT hr = GetPartNameString(other, name);
    if (FAILED(hr)) return hr;
    const int c = key_.compare(PartNameKey(name));
    *result = c < 0 ? -1 : c > 0 ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsRelationshipsPartUri(BOOL* isRelationships) override {
    if (isRelationships == nullptr) return E_POINTER;
    const size_t slash = key_.rfind(L'/');
    const bool inRels = slash >= 6 && key_.compare(slash - 6, 6, "/_RELS") == 0;
    const bool relsExt = key_.size() > 5 && key_.compare(key_.size() - 5, 5, ".RELS") == 0;
    *isRelationships = inRels && relsExt;
    return S_OK;
  }

 private:
  const std::wstring name_;
  const std::string key_;
};

// Removes "." and ".." segments from an absolute path (RFC 3986, 5.2.4).
std::wstring RemoveDotSegments(const std::wstring& path) {
  std::vector<std::wstring> out;
  size_t pos = 1;
  while (pos <= path.size()) {
    size_t end = path.find(L'/', pos);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring seg = path.substr(pos, end - pos);
    const bool last = end == path.size();
    if (seg == L"..") {
      if (!out.empty()) out.pop_back();
      if (last) out.emplace_back();
    } else if (seg == L".") {
      if (last) out.emplace_back();
    } else {
      out.push_back(seg);
    }
    pos = end + 1;
  }
  std::wstring result;
  for (const auto& seg : out) result += L"/" + seg;
  return result.empty() ? L"/" : result;
}

}  // namespace

HRESULT ValidatePartName(const std::wstring& name) {
  if (name.size() < 2 || name[0] != L'/' || name.back() == L'/') return OPC_E_NONCONFORMING_URI;
  size_t segStart = 1;
  for (size_t i = 1; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == L'/') {
      if (i == segStart) return OPC_E_NONCONFORMING_URI;        // empty segment
      if (name[i - 1] == L'.') return OPC_E_NONCONFORMING_URI;  // ".", ".." or a trailing dot
      segStart = i + 1;
      continue;
    }
    const wchar_t c = name[i];
    if (c == L'%') {
      if (i + 2 >= name.size() || !IsHex(name[i + 1]) || !IsHex(name[i + 2])) return OPC_E_NONCONFORMING_URI;
      const auto decoded = static_cast<wchar_t>(HexValue(name[i + 1]) * 16 + HexValue(name[i + 2]));
      if (decoded == L'/' || decoded == L'\\' || IsUnreserved(decoded)) return OPC_E_NONCONFORMING_URI;
      i += 2;
      continue;
    }
    if (!IsSegmentChar(c)) return OPC_E_NONCONFORMING_URI;
  }
  return S_OK;
}

std::string PartNameKey(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == '%' && i + 2 < name.size() && IsHex(name[i + 1]) && IsHex(name[i + 2])) {
      c = static_cast<char>(HexValue(name[i + 1]) * 16 + HexValue(name[i + 2]));
      i += 2;
    }
    key.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
  }
  return key;
}

std::string PartNameKey(const std::wstring& name) { return PartNameKey(ToUtf8(name)); }

bool IsExternalReference(std::string_view reference) {
  const size_t colon = reference.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  const size_t slash = reference.find('/');
  if (slash != std::string_view::npos && slash < colon) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = reference[i];
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alpha && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
  }
  return true;
}

std::string RelationshipsPartName(const std::string& sourcePart) {
  const size_t slash = sourcePart.rfind('/');
  return sourcePart.substr(0, slash + 1) + "_rels/" + sourcePart.substr(slash + 1) + ".rels";
}

std::string PartExtension(const std::string& partName) {
  const std::string last = partName.substr(partName.rfind('/') + 1);
  const size_t dot = last.rfind('.');
  return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

std::wstring ResolvePartReference(const std::wstring& base, const std::wstring& reference) {
  std::wstring ref = reference.substr(0, reference.find(L'#'));
  while (!ref.empty() && (ref.front() == L' ' || ref.front() == L'\t')) ref.erase(0, 1);
  while (!ref.empty() && (ref.back() == L' ' || ref.back() == L'\t')) ref.pop_back();
  if (ref.empty() || ref.find(L'?') != std::wstring::npos) return L"";
  if (ref.find(L':') < ref.find(L'/')) return L"";  // has a scheme: not a part of this package
  if (ref.compare(0, 2, L"//") == 0) return L"";
  std::wstring path = ref[0] == L'/' ? ref : base.substr(0, base.rfind(L'/') + 1) + ref;
  path = RemoveDotSegments(path);
  return SUCCEEDED(ValidatePartName(path)) ? path : L"";
}

HRESULT GetPartNameString(IOpcPartUri* uri, std::wstring& name) {
  if (uri == nullptr) return E_POINTER;
  BSTR raw = nullptr;
  const HRESULT hr = uri->GetRawUri(&raw);
  if (FAILED(hr)) return hr;
  name.assign(raw ? raw : L"", raw ? SysStringLen(raw) : 0);
  SysFreeString(raw);
  return S_OK;
}

HRESULT CreatePartUriObject(const std::wstring& name, IOpcPartUri** uri) {
  if (uri == nullptr) return E_POINTER;
  *uri = nullptr;
  try {
    *uri = new PartUri(name);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace platform::xps
