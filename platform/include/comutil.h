// The string and VARIANT wrappers of the compiler's COM support. Their failures throw _com_error,
// which carries an HRESULT and is not a std::exception.
#ifndef BRIMLOFT_PLATFORM_COMUTIL_H
#define BRIMLOFT_PLATFORM_COMUTIL_H

#include <oleauto.h>

class _com_error {
 public:
  explicit _com_error(HRESULT hr) noexcept : hr_(hr) {}
  HRESULT Error() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

void __stdcall _com_issue_error(HRESULT hr);

namespace _com_util {
// Both return memory that the caller frees (SysFreeString, delete[]); a null input gives null.
BSTR __stdcall ConvertStringToBSTR(const char* pSrc);
char* __stdcall ConvertBSTRToString(BSTR pSrc);
}  // namespace _com_util

// An owned BSTR. Copies share nothing; a failed allocation throws _com_error(E_OUTOFMEMORY).
class _bstr_t {
 public:
  _bstr_t() noexcept : s_(nullptr) {}
  _bstr_t(const _bstr_t& other);
  _bstr_t(const char* s);
  _bstr_t(const wchar_t* s);
  _bstr_t(BSTR bstr, bool fCopy);
  ~_bstr_t();
  _bstr_t& operator=(const _bstr_t& other);
  _bstr_t& operator=(const char* s);
  _bstr_t& operator=(const wchar_t* s);
  _bstr_t& operator+=(const _bstr_t& s);
  _bstr_t operator+(const _bstr_t& s) const;
  friend _bstr_t operator+(const wchar_t* a, const _bstr_t& b);
  friend _bstr_t operator+(const char* a, const _bstr_t& b);

  operator const wchar_t*() const noexcept { return s_; }
  operator wchar_t*() const noexcept { return s_; }
  // A narrow (ANSI) copy, converted once and kept with the string.
  operator const char*() const;
  bool operator!() const noexcept { return s_ == nullptr; }
  bool operator==(const _bstr_t& o) const noexcept;
  bool operator!=(const _bstr_t& o) const noexcept { return !(*this == o); }

  unsigned int length() const noexcept;
  BSTR copy(bool fCopy = true) const;
  void Attach(BSTR s) noexcept;
  BSTR Detach() noexcept;
  BSTR& GetBSTR();
  BSTR* GetAddress();

 private:
  void Assign(BSTR s) noexcept;
  BSTR s_;
  mutable char* narrow_ = nullptr;
};

// An owned VARIANT; the destructor clears it.
class _variant_t : public tagVARIANT {
 public:
  _variant_t() noexcept;
  _variant_t(const VARIANT& var);
  _variant_t(const _variant_t& var);
  _variant_t(VARIANT& var, bool fCopy);
  _variant_t(const wchar_t* s);
  _variant_t(const char* s);
  _variant_t(const _bstr_t& s);
  _variant_t(IUnknown* p, bool fAddRef = true) noexcept;
  _variant_t(long l, VARTYPE vt = VT_I4);
  _variant_t(int i, VARTYPE vt = VT_INT);
  _variant_t(bool b) noexcept;
  ~_variant_t();

  _variant_t& operator=(const _variant_t& var);
  _variant_t& operator=(const VARIANT& var);

  void Clear();
  VARIANT Detach();
  VARIANT& GetVARIANT() noexcept { return *this; }
  VARIANT* GetAddress();
};

#endif
