// BSTR lengths, VARIANT clearing and copying, and VarI4FromStr.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <cstring>
#include <cwchar>

namespace {

constexpr LONG kSentinel = 0x5A5A5A5A;

// A tiny COM object that counts its references.
class Counted final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid != IID_IUnknown) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  std::atomic<ULONG> refs{1};
};

TEST(Bstr, LengthsCountCharactersAndBytes) {
  BSTR s = SysAllocString(L"hello");
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(5u, SysStringLen(s));
  EXPECT_EQ(5u * sizeof(OLECHAR), SysStringByteLen(s));
  EXPECT_EQ(0, std::wcscmp(L"hello", s));
  EXPECT_EQ(L'\0', s[5]);
  SysFreeString(s);

  BSTR empty = SysAllocString(L"");
  ASSERT_NE(nullptr, empty);  // an empty string is still a string
  EXPECT_EQ(0u, SysStringLen(empty));
  EXPECT_EQ(L'\0', empty[0]);
  SysFreeString(empty);

  EXPECT_EQ(nullptr, SysAllocString(nullptr));
  EXPECT_EQ(0u, SysStringLen(nullptr));
  EXPECT_EQ(0u, SysStringByteLen(nullptr));
  SysFreeString(nullptr);  // allowed
}

TEST(Bstr, EmbeddedZerosCountInTheLength) {
  const OLECHAR text[] = {L'a', 0, L'b', 0, 0, L'c'};
  BSTR s = SysAllocStringLen(text, 6);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(6u, SysStringLen(s));
  EXPECT_EQ(L'c', s[5]);
  EXPECT_EQ(L'\0', s[6]);  // terminated after the counted characters
  EXPECT_EQ(1u, std::wcslen(s));
  SysFreeString(s);
}

TEST(Bstr, AllocatingWithoutTextGivesZeroedCharacters) {
  BSTR s = SysAllocStringLen(nullptr, 4);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(4u, SysStringLen(s));
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(L'\0', s[i]) << i;
  SysFreeString(s);
}

TEST(Bstr, ByteLengthStringsKeepOddByteCounts) {
  BSTR s = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(3u, SysStringByteLen(s));
  EXPECT_EQ(3u / sizeof(OLECHAR), SysStringLen(s));
  EXPECT_EQ(0, std::memcmp(s, "abc", 3));
  SysFreeString(s);
}

TEST(Bstr, ReAllocReplacesTheString) {
  BSTR s = SysAllocString(L"old");
  ASSERT_EQ(TRUE, SysReAllocString(&s, L"brand new"));
  EXPECT_EQ(9u, SysStringLen(s));
  EXPECT_EQ(0, std::wcscmp(L"brand new", s));
  SysFreeString(s);
}

TEST(Variant, ClearReleasesInterfacesAndLeavesEmpty) {
  Counted object;
  for (VARTYPE vt : {VARTYPE(VT_UNKNOWN), VARTYPE(VT_DISPATCH)}) {
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(VT_EMPTY, v.vt);
    v.vt = vt;
    object.AddRef();
    v.punkVal = &object;
    ASSERT_EQ(2u, object.refs.load());
    EXPECT_EQ(S_OK, VariantClear(&v));
    EXPECT_EQ(1u, object.refs.load()) << "vt " << vt;
    EXPECT_EQ(VT_EMPTY, v.vt);
    EXPECT_EQ(nullptr, v.punkVal);
  }
}

TEST(Variant, ClearDoesNotReleaseWhatIsHeldByReference) {
  Counted object;
  IUnknown* held = &object;
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UNKNOWN | VT_BYREF;
  v.byref = &held;
  EXPECT_EQ(S_OK, VariantClear(&v));
  EXPECT_EQ(1u, object.refs.load());
  EXPECT_EQ(VT_EMPTY, v.vt);
}

TEST(Variant, ClearFreesStringsAndAcceptsEmptyAndNullInterfaces) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(L"text");
  EXPECT_EQ(S_OK, VariantClear(&v));  // a leak here shows under a leak checker
  EXPECT_EQ(VT_EMPTY, v.vt);
  v.vt = VT_UNKNOWN;
  v.punkVal = nullptr;
  EXPECT_EQ(S_OK, VariantClear(&v));
  EXPECT_EQ(S_OK, VariantClear(&v));
  EXPECT_EQ(E_INVALIDARG, VariantClear(nullptr));
}

TEST(Variant, CopyDuplicatesStringsAndAddsReferences) {
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  const OLECHAR text[] = {L'x', 0, L'y'};
  source.bstrVal = SysAllocStringLen(text, 3);
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
  EXPECT_EQ(VT_BSTR, copy.vt);
  EXPECT_NE(source.bstrVal, copy.bstrVal);
  EXPECT_EQ(3u, SysStringLen(copy.bstrVal));
  EXPECT_EQ(L'y', copy.bstrVal[2]);

  // Copying an interface over the string frees the string and adds a reference.
  Counted object;
  VARIANT unknown;
  VariantInit(&unknown);
  unknown.vt = VT_UNKNOWN;
  unknown.punkVal = &object;  // the birth reference, lent for the test
  ASSERT_EQ(S_OK, VariantCopy(&copy, &unknown));
  EXPECT_EQ(2u, object.refs.load());
  EXPECT_EQ(S_OK, VariantClear(&copy));
  EXPECT_EQ(1u, object.refs.load());
  VariantClear(&source);
}

TEST(VarI4FromStr, ConvertsAsTheAutomationConversionsDo) {
  struct Case {
    const wchar_t* text;
    HRESULT hr;
    LONG value;  // when hr is S_OK
  } const cases[] = {
      {L"0", S_OK, 0},
      {L"42", S_OK, 42},
      {L"  42", S_OK, 42},
      {L"42  ", S_OK, 42},
      {L"\t 7 \t", S_OK, 7},
      {L"+15", S_OK, 15},
      {L"-15", S_OK, -15},
      {L"007", S_OK, 7},
      {L"1,000", S_OK, 1000},
      {L"2147483647", S_OK, 2147483647},
      {L"-2147483648", S_OK, -2147483647 - 1},
      {L"2147483648", DISP_E_OVERFLOW, 0},
      {L"-2147483649", DISP_E_OVERFLOW, 0},
      {L"99999999999999999999", DISP_E_OVERFLOW, 0},
      // Fractions round half to even.
      {L"2.5", S_OK, 2},
      {L"3.5", S_OK, 4},
      {L"0.5", S_OK, 0},
      {L"1.5", S_OK, 2},
      {L"-2.5", S_OK, -2},
      {L"-3.5", S_OK, -4},
      {L"2.6", S_OK, 3},
      {L"-0.4", S_OK, 0},
      {L"2.49", S_OK, 2},
      {L".5", S_OK, 0},
      {L"7.", S_OK, 7},
      {L"2147483647.4", S_OK, 2147483647},
      {L"2147483647.5", DISP_E_OVERFLOW, 0},
      {L"1e3", S_OK, 1000},
      {L"15E-1", S_OK, 2},
      {L"1e10", DISP_E_OVERFLOW, 0},
      // Not numbers at all.
      {L"", DISP_E_TYPEMISMATCH, 0},
      {L"   ", DISP_E_TYPEMISMATCH, 0},
      {L"abc", DISP_E_TYPEMISMATCH, 0},
      {L"12abc", DISP_E_TYPEMISMATCH, 0},
      {L"1 2", DISP_E_TYPEMISMATCH, 0},
      {L"+", DISP_E_TYPEMISMATCH, 0},
      {L"-", DISP_E_TYPEMISMATCH, 0},
      {L"--1", DISP_E_TYPEMISMATCH, 0},
      {L".", DISP_E_TYPEMISMATCH, 0},
      {L",1", DISP_E_TYPEMISMATCH, 0},
      {L"0x10", DISP_E_TYPEMISMATCH, 0},
  };
  for (const Case& c : cases) {
    LONG out = kSentinel;
    EXPECT_EQ(c.hr, VarI4FromStr(c.text, LOCALE_USER_DEFAULT, 0, &out)) << "text \"" << c.text << '"';
    EXPECT_EQ(c.hr == S_OK ? c.value : kSentinel, out) << "text \"" << c.text << '"';
  }
}

TEST(VarI4FromStr, ANullStringIsNoNumberAndANullOutputIsRejected) {
  LONG out = kSentinel;
  EXPECT_EQ(DISP_E_TYPEMISMATCH, VarI4FromStr(nullptr, LOCALE_USER_DEFAULT, 0, &out));
  EXPECT_EQ(kSentinel, out);
  EXPECT_EQ(E_INVALIDARG, VarI4FromStr(L"1", LOCALE_USER_DEFAULT, 0, nullptr));
}

}  // namespace
