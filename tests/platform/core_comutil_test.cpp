// The compiler COM support wrappers: _bstr_t and _variant_t copies, narrow conversions, and failures
// that throw _com_error, which is no std::exception.
#include <gtest/gtest.h>

#include <comdef.h>

#include <atomic>
#include <cstring>
#include <exception>
#include <type_traits>

namespace {

static_assert(!std::is_base_of<std::exception, _com_error>::value, "_com_error must not be a std::exception");

class Counted final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  std::atomic<ULONG> refs{1};
};

// A BSTR whose length prefix claims more than can ever be allocated; copying it must fail cleanly
// without reading the claimed characters.
struct ImpossibleBstr {
  UINT byteLength = 0xFFFFFFF0u;
  OLECHAR text[2] = {L'x', 0};
  BSTR get() { return text; }
};

// Runs f and returns the HRESULT of the _com_error it throws; fails the test when it throws
// nothing, or something that a std::exception handler catches.
template <class F>
HRESULT ComErrorOf(F f) {
  try {
    try {
      f();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "caught as std::exception: " << e.what();
      return S_OK;
    }
  } catch (const _com_error& e) {
    return e.Error();
  }
  ADD_FAILURE() << "nothing thrown";
  return S_OK;
}

TEST(BstrT, CopiesAreEqualButIndependent) {
  _bstr_t a(L"alpha");
  _bstr_t b(a);
  EXPECT_TRUE(a == b);
  EXPECT_NE(static_cast<const wchar_t*>(a), static_cast<const wchar_t*>(b));
  b += _bstr_t(L"!");
  EXPECT_EQ(0, std::wcscmp(L"alpha", a));
  EXPECT_EQ(0, std::wcscmp(L"alpha!", b));
  EXPECT_TRUE(a != b);

  _bstr_t c;
  EXPECT_TRUE(!c);
  EXPECT_EQ(0u, c.length());
  c = a;
  EXPECT_TRUE(c == a);
  const _bstr_t& same = c;
  c = same;  // self-assignment keeps the text
  EXPECT_EQ(0, std::wcscmp(L"alpha", c));
}

TEST(BstrT, KeepsEmbeddedZerosThroughCopiesAndConcatenation) {
  const OLECHAR text[] = {L'a', 0, L'b'};
  _bstr_t a(SysAllocStringLen(text, 3), false);  // takes ownership
  EXPECT_EQ(3u, a.length());
  _bstr_t b = a + _bstr_t(L"c");
  EXPECT_EQ(4u, b.length());
  EXPECT_EQ(L'b', static_cast<const wchar_t*>(b)[2]);
  EXPECT_EQ(L'c', static_cast<const wchar_t*>(b)[3]);
  EXPECT_FALSE(a == _bstr_t(L"a"));  // equality looks past the zero
}

TEST(BstrT, ConvertsNarrowTextAsUtf8BothWays) {
  _bstr_t wide("gr\xC3\xBC\xC3\x9F " "\xE2\x82\xAC");  // "grüß €"
  EXPECT_EQ(6u, wide.length());
  EXPECT_EQ(0, std::wcscmp(L"gr\u00fc\u00df \u20ac", wide));
  const char* narrow = wide;
  EXPECT_STREQ("gr\xC3\xBC\xC3\x9F \xE2\x82\xAC", narrow);
  EXPECT_EQ(narrow, static_cast<const char*>(wide));  // converted once, kept

  _bstr_t null(static_cast<const char*>(nullptr));
  EXPECT_TRUE(!null);
  EXPECT_EQ(nullptr, static_cast<const char*>(null));
  _bstr_t empty("");
  EXPECT_FALSE(!empty);
  EXPECT_STREQ("", static_cast<const char*>(empty));
}

TEST(BstrT, DetachAndAttachHandOverOwnership) {
  _bstr_t a(L"owned");
  BSTR raw = a.Detach();
  EXPECT_TRUE(!a);
  ASSERT_NE(nullptr, raw);
  _bstr_t b;
  b.Attach(raw);
  EXPECT_EQ(0, std::wcscmp(L"owned", b));
  BSTR copy = b.copy();
  EXPECT_NE(raw, copy);
  SysFreeString(copy);
}

TEST(BstrT, AFailedAllocationThrowsComErrorOutOfMemory) {
  ImpossibleBstr impossible;
  EXPECT_EQ(E_OUTOFMEMORY, ComErrorOf([&] { _bstr_t copy(impossible.get(), true); }));
  // Taking the string over instead copies nothing and cannot fail; give it back before it is freed.
  _bstr_t adopted(impossible.get(), false);
  EXPECT_EQ(impossible.get(), adopted.Detach());
}

TEST(VariantT, CopiesOwnTheirStringsAndReferences) {
  _variant_t text(L"value");
  ASSERT_EQ(VT_BSTR, text.vt);
  _variant_t copy(text);
  EXPECT_EQ(VT_BSTR, copy.vt);
  EXPECT_NE(text.bstrVal, copy.bstrVal);
  EXPECT_EQ(0, std::wcscmp(L"value", copy.bstrVal));

  Counted object;
  {
    _variant_t unknown(static_cast<IUnknown*>(&object));  // adds a reference
    EXPECT_EQ(2u, object.refs.load());
    _variant_t second(unknown);
    EXPECT_EQ(3u, object.refs.load());
    second = text;  // releases the interface, copies the string
    EXPECT_EQ(2u, object.refs.load());
    EXPECT_EQ(VT_BSTR, second.vt);
  }
  EXPECT_EQ(1u, object.refs.load());

  object.AddRef();
  { _variant_t adopted(static_cast<IUnknown*>(&object), false); }
  EXPECT_EQ(1u, object.refs.load());
}

TEST(VariantT, NarrowTextBecomesAWideString) {
  _variant_t v("caf\xC3\xA9");
  ASSERT_EQ(VT_BSTR, v.vt);
  EXPECT_EQ(0, std::wcscmp(L"caf\u00e9", v.bstrVal));
  _variant_t fromBstr(_bstr_t(L"x"));
  EXPECT_EQ(VT_BSTR, fromBstr.vt);
}

TEST(VariantT, ClearAndDetach) {
  _variant_t v(7L);
  EXPECT_EQ(VT_I4, v.vt);
  EXPECT_EQ(7, v.lVal);
  VARIANT raw = v.Detach();
  EXPECT_EQ(VT_EMPTY, v.vt);
  EXPECT_EQ(VT_I4, raw.vt);
  _variant_t s(L"s");
  s.Clear();
  EXPECT_EQ(VT_EMPTY, s.vt);
}

TEST(VariantT, FailuresThrowComErrorWithTheirHresult) {
  EXPECT_EQ(E_INVALIDARG, ComErrorOf([] { _variant_t v(5L, VARTYPE(VT_R8)); }));
  EXPECT_EQ(E_INVALIDARG, ComErrorOf([] { _variant_t v(5, VARTYPE(VT_BSTR)); }));

  ImpossibleBstr impossible;
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = impossible.get();
  EXPECT_EQ(E_OUTOFMEMORY, ComErrorOf([&] { _variant_t copy(source); }));
  _variant_t target(L"kept");
  EXPECT_EQ(E_OUTOFMEMORY, ComErrorOf([&] { target = source; }));
  EXPECT_EQ(VT_BSTR, target.vt);  // a failed assignment leaves the old value
  EXPECT_EQ(0, std::wcscmp(L"kept", target.bstrVal));
}

TEST(ComError, IssueErrorThrowsTheHresult) {
  EXPECT_EQ(E_OUTOFMEMORY, ComErrorOf([] { _com_issue_error(E_OUTOFMEMORY); }));
  EXPECT_EQ(DISP_E_TYPEMISMATCH, ComErrorOf([] { _com_issue_error(DISP_E_TYPEMISMATCH); }));
}

}  // namespace
