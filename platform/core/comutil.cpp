// The compiler COM support's string and VARIANT wrappers.
#include <comutil.h>

#include <cstring>
#include <new>
#include <cwchar>
#include <utility>

void __stdcall _com_issue_error(HRESULT hr) { throw _com_error(hr); }

namespace _com_util {

BSTR __stdcall ConvertStringToBSTR(const char* pSrc) {
  if (pSrc == nullptr) return nullptr;
  const int chars = MultiByteToWideChar(CP_ACP, 0, pSrc, -1, nullptr, 0);
  if (chars <= 0) _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
  BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(chars - 1));
  if (s == nullptr) _com_issue_error(E_OUTOFMEMORY);
  MultiByteToWideChar(CP_ACP, 0, pSrc, -1, s, chars);
  return s;
}

char* __stdcall ConvertBSTRToString(BSTR pSrc) {
  if (pSrc == nullptr) return nullptr;
  const int length = static_cast<int>(SysStringLen(pSrc));
  const int bytes = length == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, pSrc, length, nullptr, 0, nullptr, nullptr);
  if (length != 0 && bytes <= 0) _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
  char* s = new (std::nothrow) char[bytes + 1];
  if (s == nullptr) _com_issue_error(E_OUTOFMEMORY);
  if (bytes != 0) WideCharToMultiByte(CP_ACP, 0, pSrc, length, s, bytes, nullptr, nullptr);
  s[bytes] = 0;
  return s;
}

}  // namespace _com_util

namespace {

BSTR CopyOrThrow(BSTR s) {
  if (s == nullptr) return nullptr;
  BSTR copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(s), SysStringByteLen(s));
  if (copy == nullptr) _com_issue_error(E_OUTOFMEMORY);
  return copy;
}

BSTR AllocOrThrow(const wchar_t* s) {
  if (s == nullptr) return nullptr;
  BSTR copy = SysAllocString(s);
  if (copy == nullptr) _com_issue_error(E_OUTOFMEMORY);
  return copy;
}

}  // namespace

_bstr_t::_bstr_t(const _bstr_t& other) : s_(CopyOrThrow(other.s_)) {}
_bstr_t::_bstr_t(const char* s) : s_(_com_util::ConvertStringToBSTR(s)) {}
_bstr_t::_bstr_t(const wchar_t* s) : s_(AllocOrThrow(s)) {}
_bstr_t::_bstr_t(BSTR bstr, bool fCopy) : s_(fCopy ? CopyOrThrow(bstr) : bstr) {}
_bstr_t::~_bstr_t() {
  SysFreeString(s_);
  delete[] narrow_;
}

void _bstr_t::Assign(BSTR s) noexcept {
  SysFreeString(s_);
  delete[] narrow_;
  narrow_ = nullptr;
  s_ = s;
}

_bstr_t& _bstr_t::operator=(const _bstr_t& other) {
  if (this != &other) Assign(CopyOrThrow(other.s_));
  return *this;
}
_bstr_t& _bstr_t::operator=(const char* s) {
  Assign(_com_util::ConvertStringToBSTR(s));
  return *this;
}
_bstr_t& _bstr_t::operator=(const wchar_t* s) {
  Assign(AllocOrThrow(s));
  return *this;
}

_bstr_t& _bstr_t::operator+=(const _bstr_t& s) {
  const UINT a = length();
  const UINT b = s.length();
  BSTR joined = SysAllocStringLen(nullptr, a + b);
  if (joined == nullptr) _com_issue_error(E_OUTOFMEMORY);
  if (a) std::memcpy(joined, s_, a * sizeof(OLECHAR));
  if (b) std::memcpy(joined + a, s.s_, b * sizeof(OLECHAR));
  Assign(joined);
  return *this;
}

_bstr_t _bstr_t::operator+(const _bstr_t& s) const {
  _bstr_t r(*this);
  r += s;
  return r;
}
_bstr_t operator+(const wchar_t* a, const _bstr_t& b) { return _bstr_t(a) + b; }
_bstr_t operator+(const char* a, const _bstr_t& b) { return _bstr_t(a) + b; }

_bstr_t::operator const char*() const {
  if (narrow_ == nullptr) narrow_ = _com_util::ConvertBSTRToString(s_);
  return narrow_;
}

bool _bstr_t::operator==(const _bstr_t& o) const noexcept {
  const UINT a = length();
  if (a != o.length()) return false;
  return a == 0 || std::wmemcmp(s_, o.s_, a) == 0;
}

unsigned int _bstr_t::length() const noexcept { return SysStringLen(s_); }
BSTR _bstr_t::copy(bool fCopy) const { return fCopy ? CopyOrThrow(s_) : s_; }
void _bstr_t::Attach(BSTR s) noexcept { Assign(s); }
BSTR _bstr_t::Detach() noexcept {
  delete[] narrow_;
  narrow_ = nullptr;
  return std::exchange(s_, nullptr);
}
BSTR& _bstr_t::GetBSTR() { return s_; }
BSTR* _bstr_t::GetAddress() {
  Assign(nullptr);
  return &s_;
}

_variant_t::_variant_t() noexcept { VariantInit(this); }
_variant_t::_variant_t(const VARIANT& var) {
  VariantInit(this);
  const HRESULT hr = VariantCopy(this, &var);
  if (FAILED(hr)) _com_issue_error(hr);
}
_variant_t::_variant_t(const _variant_t& var) : _variant_t(static_cast<const VARIANT&>(var)) {}
_variant_t::_variant_t(VARIANT& var, bool fCopy) {
  VariantInit(this);
  if (fCopy) {
    const HRESULT hr = VariantCopy(this, &var);
    if (FAILED(hr)) _com_issue_error(hr);
  } else {
    *static_cast<VARIANT*>(this) = var;
    var.vt = VT_EMPTY;
  }
}
_variant_t::_variant_t(const wchar_t* s) {
  VariantInit(this);
  bstrVal = AllocOrThrow(s ? s : L"");
  vt = VT_BSTR;
}
_variant_t::_variant_t(const char* s) {
  VariantInit(this);
  bstrVal = _com_util::ConvertStringToBSTR(s ? s : "");
  vt = VT_BSTR;
}
_variant_t::_variant_t(const _bstr_t& s) {
  VariantInit(this);
  bstrVal = s.copy();
  vt = VT_BSTR;
}
_variant_t::_variant_t(IUnknown* p, bool fAddRef) noexcept {
  VariantInit(this);
  vt = VT_UNKNOWN;
  punkVal = p;
  if (p && fAddRef) p->AddRef();
}
_variant_t::_variant_t(long l, VARTYPE type) {
  VariantInit(this);
  if (type != VT_I4 && type != VT_ERROR && type != VT_BOOL) _com_issue_error(E_INVALIDARG);
  vt = type;
  if (type == VT_BOOL) {
    boolVal = l ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    lVal = static_cast<LONG>(l);
  }
}
_variant_t::_variant_t(int i, VARTYPE type) {
  VariantInit(this);
  if (type != VT_INT && type != VT_I4) _com_issue_error(E_INVALIDARG);
  vt = type;
  intVal = i;
}
_variant_t::_variant_t(bool b) noexcept {
  VariantInit(this);
  vt = VT_BOOL;
  boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
}
_variant_t::~_variant_t() { VariantClear(this); }

_variant_t& _variant_t::operator=(const _variant_t& var) { return *this = static_cast<const VARIANT&>(var); }
_variant_t& _variant_t::operator=(const VARIANT& var) {
  const HRESULT hr = VariantCopy(this, &var);
  if (FAILED(hr)) _com_issue_error(hr);
  return *this;
}

void _variant_t::Clear() {
  const HRESULT hr = VariantClear(this);
  if (FAILED(hr)) _com_issue_error(hr);
}
VARIANT _variant_t::Detach() {
  VARIANT v = *this;
  VariantInit(this);
  return v;
}
VARIANT* _variant_t::GetAddress() {
  Clear();
  return this;
}
