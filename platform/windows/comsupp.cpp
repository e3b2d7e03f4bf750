// What <comutil.h> calls out to and the Windows SDK supplies in its comsupp library, which MinGW
// does not ship: raising _com_error and the ANSI <-> BSTR conversions.
#include <windows.h>

#include <comdef.h>
#include <comutil.h>

#include <new>

// MinGW's <comdef.h> defines _com_issue_error inline (raising _com_error through the handler that
// _set_com_error_handler sets); a unit that includes only <comutil.h> merely declares it. Taking its
// address here emits that one definition for them.
extern void(WINAPI* const brimloft_com_issue_error)(HRESULT);
void(WINAPI* const brimloft_com_issue_error)(HRESULT) = &_com_issue_error;

namespace _com_util {

// A null string gives a null BSTR. Fails through _com_issue_error when the text does not convert
// or memory runs out.
BSTR WINAPI ConvertStringToBSTR(const char* pSrc) {
  if (!pSrc) return nullptr;
  const int chars = MultiByteToWideChar(CP_ACP, 0, pSrc, -1, nullptr, 0);
  if (chars <= 0) _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(chars - 1));
  if (!result) _com_issue_error(E_OUTOFMEMORY);
  if (MultiByteToWideChar(CP_ACP, 0, pSrc, -1, result, chars) <= 0) {
    const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
    SysFreeString(result);
    _com_issue_error(hr);
  }
  return result;
}

// A null BSTR gives a null string; the result is released with delete[], as _bstr_t does.
char* WINAPI ConvertBSTRToString(BSTR pSrc) {
  if (!pSrc) return nullptr;
  const int length = static_cast<int>(SysStringLen(pSrc));
  const int bytes = length == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, pSrc, length, nullptr, 0, nullptr, nullptr);
  if (length != 0 && bytes <= 0) _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
  char* result = new (std::nothrow) char[static_cast<size_t>(bytes) + 1];
  if (!result) _com_issue_error(E_OUTOFMEMORY);
  if (bytes > 0 && WideCharToMultiByte(CP_ACP, 0, pSrc, length, result, bytes, nullptr, nullptr) != bytes) {
    const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
    delete[] result;
    _com_issue_error(hr);
  }
  result[bytes] = '\0';
  return result;
}

}  // namespace _com_util
