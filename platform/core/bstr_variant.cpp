// BSTR, VARIANT and VarI4FromStr.
#include <oleauto.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

// Layout: [UINT byte length][characters][terminating zero]. The BSTR points at the characters.
BSTR AllocateBstr(UINT byteLength) {
  const SIZE_T total = sizeof(UINT) + SIZE_T(byteLength) + sizeof(OLECHAR);
  if (byteLength > 0x7FFFFFF0u) return nullptr;
  auto* raw = static_cast<char*>(std::calloc(total, 1));
  if (raw == nullptr) return nullptr;
  std::memcpy(raw, &byteLength, sizeof byteLength);
  return reinterpret_cast<BSTR>(raw + sizeof(UINT));
}

}  // namespace

extern "C" BSTR WINAPI SysAllocStringLen(const OLECHAR* pch, UINT cch) {
  if (cch > 0x7FFFFFF0u / sizeof(OLECHAR)) return nullptr;
  BSTR s = AllocateBstr(cch * sizeof(OLECHAR));
  if (s != nullptr && pch != nullptr) std::memcpy(s, pch, cch * sizeof(OLECHAR));
  return s;
}

extern "C" BSTR WINAPI SysAllocString(const OLECHAR* psz) {
  if (psz == nullptr) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(std::wcslen(psz)));
}

extern "C" BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len) {
  BSTR s = AllocateBstr(len);
  if (s != nullptr && psz != nullptr) std::memcpy(s, psz, len);
  return s;
}

extern "C" void WINAPI SysFreeString(BSTR bstrString) {
  if (bstrString != nullptr) std::free(reinterpret_cast<char*>(bstrString) - sizeof(UINT));
}

extern "C" UINT WINAPI SysStringByteLen(BSTR bstr) {
  if (bstr == nullptr) return 0;
  UINT length;
  std::memcpy(&length, reinterpret_cast<char*>(bstr) - sizeof(UINT), sizeof length);
  return length;
}

extern "C" UINT WINAPI SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

extern "C" INT WINAPI SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (pbstr == nullptr) return FALSE;
  BSTR fresh = SysAllocString(psz);
  if (fresh == nullptr && psz != nullptr) return FALSE;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return TRUE;
}

extern "C" void WINAPI VariantInit(VARIANTARG* pvarg) {
  std::memset(pvarg, 0, sizeof *pvarg);
  pvarg->vt = VT_EMPTY;
}

extern "C" HRESULT WINAPI VariantClear(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return E_INVALIDARG;
  if ((pvarg->vt & VT_BYREF) == 0) {
    switch (pvarg->vt) {
      case VT_BSTR: SysFreeString(pvarg->bstrVal); break;
      case VT_UNKNOWN:
      case VT_DISPATCH:
        if (pvarg->punkVal) pvarg->punkVal->Release();
        break;
      default: break;
    }
  }
  VariantInit(pvarg);
  return S_OK;
}

extern "C" HRESULT WINAPI VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (dest == src) return S_OK;
  VARIANT copy = *src;
  if ((src->vt & VT_BYREF) == 0) {
    if (src->vt == VT_BSTR && src->bstrVal != nullptr) {
      copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src->bstrVal), SysStringByteLen(src->bstrVal));
      if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    } else if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal != nullptr) {
      src->punkVal->AddRef();
    }
  }
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

// Only the conversions to and from strings and between integers are supported.
extern "C" HRESULT WINAPI VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT, VARTYPE vt) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (src->vt == vt) return VariantCopy(dest, src);
  if (vt == VT_I4 && src->vt == VT_BSTR) {
    LONG value = 0;
    const HRESULT hr = VarI4FromStr(src->bstrVal ? src->bstrVal : L"", LOCALE_USER_DEFAULT, 0, &value);
    if (FAILED(hr)) return hr;
    VariantClear(dest);
    dest->vt = VT_I4;
    dest->lVal = value;
    return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

// Decimal numbers as the user's locale writes them here: blanks around, an optional sign,
// digits with optional thousands commas, an optional fraction and exponent. The value is rounded
// half to even, as the automation conversions do.
extern "C" HRESULT WINAPI VarI4FromStr(LPCOLESTR strIn, LCID, ULONG, LONG* plOut) {
  if (plOut == nullptr) return E_INVALIDARG;
  // A null BSTR is the empty string, which is no number.
  if (strIn == nullptr) return DISP_E_TYPEMISMATCH;
  const OLECHAR* p = strIn;
  while (std::iswspace(static_cast<wint_t>(*p))) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = (*p++ == L'-');
  long double mantissa = 0;
  int digits = 0;
  int scale = 0;
  for (; (*p >= L'0' && *p <= L'9') || (*p == L',' && digits > 0); ++p) {
    if (*p == L',') continue;
    mantissa = mantissa * 10 + (*p - L'0');
    ++digits;
  }
  if (*p == L'.') {
    for (++p; *p >= L'0' && *p <= L'9'; ++p) {
      mantissa = mantissa * 10 + (*p - L'0');
      ++digits;
      --scale;
    }
  }
  if (digits == 0) return DISP_E_TYPEMISMATCH;
  if (*p == L'e' || *p == L'E') {
    const OLECHAR* q = p + 1;
    bool expNegative = false;
    if (*q == L'+' || *q == L'-') expNegative = (*q++ == L'-');
    if (*q >= L'0' && *q <= L'9') {
      int exponent = 0;
      for (; *q >= L'0' && *q <= L'9'; ++q) exponent = exponent < 10000 ? exponent * 10 + (*q - L'0') : exponent;
      scale += expNegative ? -exponent : exponent;
      p = q;
    }
  }
  while (std::iswspace(static_cast<wint_t>(*p))) ++p;
  if (*p != 0) return DISP_E_TYPEMISMATCH;
  long double value = mantissa * std::pow(10.0L, scale);
  if (negative) value = -value;
  const long double rounded = std::nearbyint(value);  // default rounding mode: half to even
  if (rounded > 2147483647.0L || rounded < -2147483648.0L) return DISP_E_OVERFLOW;
  *plOut = static_cast<LONG>(rounded);
  return S_OK;
}
