// Checks the comsupp stand-ins under Windows: _com_issue_error raises _com_error with its HRESULT,
// and _bstr_t converts between narrow and wide text through them.
// Prints every failed check and a summary; exits 1 on failure.
#include <windows.h>

#include <comdef.h>
#include <comutil.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const char* what) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAILED %s\n", what);
  }
}

HRESULT Raised(HRESULT hr) {
  try {
    _com_issue_error(hr);
  } catch (const _com_error& e) {
    return e.Error();
  }
  return S_OK;
}

}  // namespace

int main() {
  Check(Raised(E_OUTOFMEMORY) == E_OUTOFMEMORY, "_com_issue_error(E_OUTOFMEMORY) raises it");
  Check(Raised(E_POINTER) == E_POINTER, "_com_issue_error(E_POINTER) raises it");

  BSTR wide = _com_util::ConvertStringToBSTR("Setting printer name as ");
  Check(wide != nullptr && std::wcscmp(wide, L"Setting printer name as ") == 0, "ConvertStringToBSTR");
  Check(wide != nullptr && SysStringLen(wide) == 24, "ConvertStringToBSTR length");
  char* narrow = _com_util::ConvertBSTRToString(wide);
  Check(narrow != nullptr && std::strcmp(narrow, "Setting printer name as ") == 0, "ConvertBSTRToString");
  delete[] narrow;
  SysFreeString(wide);

  Check(_com_util::ConvertStringToBSTR(nullptr) == nullptr, "a null string gives a null BSTR");
  Check(_com_util::ConvertBSTRToString(nullptr) == nullptr, "a null BSTR gives a null string");
  BSTR empty = SysAllocString(L"");
  char* emptyNarrow = _com_util::ConvertBSTRToString(empty);
  Check(emptyNarrow != nullptr && emptyNarrow[0] == '\0', "an empty BSTR gives an empty string");
  delete[] emptyNarrow;
  SysFreeString(empty);

  _bstr_t text("RX1Q");
  Check(text.length() == 4 && std::wcscmp(static_cast<const wchar_t*>(text), L"RX1Q") == 0, "_bstr_t from narrow");
  _bstr_t fromWide(L"PageMediaSize");
  Check(std::strcmp(static_cast<const char*>(fromWide), "PageMediaSize") == 0, "_bstr_t to narrow");

  std::printf("comsupp_check: %d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
