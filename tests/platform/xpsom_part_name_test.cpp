// Part names made by the packaging factory: the syntax rules and comparison.
#include <msopc.h>

#include <gtest/gtest.h>

#include "tests/platform/xpsom_support.h"

namespace xpsom_test {
namespace {

struct NameCase {
  const wchar_t* name;
  HRESULT expected;
};

class PartNameTest : public XpsFixture, public ::testing::WithParamInterface<NameCase> {};

TEST_P(PartNameTest, FollowsPartNameSyntax) {
  const NameCase& c = GetParam();
  auto* sentinel = reinterpret_cast<IOpcPartUri*>(0x1);
  IOpcPartUri* uri = sentinel;
  EXPECT_EQ(c.expected, opc->CreatePartUri(c.name, &uri)) << "name: " << testing::PrintToString(std::wstring(c.name));
  if (SUCCEEDED(c.expected)) {
    ASSERT_NE(nullptr, uri);
    ASSERT_NE(sentinel, uri);
    BSTR raw = nullptr;
    EXPECT_EQ(S_OK, uri->GetRawUri(&raw));
    EXPECT_EQ(std::wstring(c.name), std::wstring(raw));
    SysFreeString(raw);
    uri->Release();
  } else {
    EXPECT_EQ(nullptr, uri);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PartNameTest,
    ::testing::Values(NameCase{L"/Documents/1/Pages/1.fpage", S_OK}, NameCase{L"/a", S_OK},
                      NameCase{L"/Resources/Fonts/0B2A5E3C-1F4D-4E8B-9C6A-7D5E4F3A2B1C.odttf", S_OK},
                      NameCase{L"/a%20b/c", S_OK}, NameCase{L"/a%C3%A9", S_OK}, NameCase{L"/caf\u00e9.png", S_OK},
                      NameCase{L"/a!$&'()*+,;=:@-_~.x", S_OK}, NameCase{L"/_rels/.rels", S_OK},
                      NameCase{L"", OPC_E_NONCONFORMING_URI}, NameCase{L"/", OPC_E_NONCONFORMING_URI},
                      NameCase{L"a/b", OPC_E_NONCONFORMING_URI}, NameCase{L"/a/", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/a//b", OPC_E_NONCONFORMING_URI}, NameCase{L"/a/./b", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/a/../b", OPC_E_NONCONFORMING_URI}, NameCase{L"/a/b.", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/..", OPC_E_NONCONFORMING_URI}, NameCase{L"/a%2Fb", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/a%5cb", OPC_E_NONCONFORMING_URI}, NameCase{L"/%41bc", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/a%7e", OPC_E_NONCONFORMING_URI}, NameCase{L"/a%2", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/a%zz", OPC_E_NONCONFORMING_URI}, NameCase{L"/a?b", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/a#b", OPC_E_NONCONFORMING_URI}, NameCase{L"/a b", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/a\\b", OPC_E_NONCONFORMING_URI}, NameCase{L"http://host/a", OPC_E_NONCONFORMING_URI},
                      NameCase{L"/a\tb", OPC_E_NONCONFORMING_URI}, NameCase{L"/[Content_Types].xml",
                                                                          OPC_E_NONCONFORMING_URI}));

TEST_F(XpsFixture, CreatePartUriRejectsNullArguments) {
  IOpcPartUri* uri = reinterpret_cast<IOpcPartUri*>(0x1);
  EXPECT_EQ(E_POINTER, opc->CreatePartUri(nullptr, &uri));
  EXPECT_EQ(nullptr, uri);
  EXPECT_EQ(E_POINTER, opc->CreatePartUri(L"/a", nullptr));
}

TEST_F(XpsFixture, PartNamesCompareWithoutRegardToAsciiCaseOrEscapes) {
  auto a = Name(L"/Resources/Image%C3%A9.PNG");
  auto b = Name(L"/resources/image%c3%a9.png");
  auto c = Name(L"/resources/image2.png");
  auto d = Name(L"/RESOURCES/IMAGE\u00e9.png");  // the same name, its character not escaped
  INT32 result = 99;
  EXPECT_EQ(S_OK, a->ComparePartUri(b.get(), &result));
  EXPECT_EQ(0, result);
  EXPECT_EQ(S_OK, a->ComparePartUri(d.get(), &result));
  EXPECT_EQ(0, result);
  EXPECT_EQ(S_OK, a->ComparePartUri(c.get(), &result));
  EXPECT_NE(0, result);
  BOOL equal = FALSE;
  EXPECT_EQ(S_OK, a->IsEqual(b.get(), &equal));
  EXPECT_TRUE(equal);
  EXPECT_EQ(E_POINTER, a->ComparePartUri(nullptr, &result));
}

TEST_F(XpsFixture, PartNameReportsExtensionAndRelationshipsParts) {
  BSTR ext = nullptr;
  EXPECT_EQ(S_OK, Name(L"/a.b/c.fpage")->GetExtension(&ext));
  EXPECT_EQ(std::wstring(L".fpage"), std::wstring(ext));
  SysFreeString(ext);
  EXPECT_EQ(S_OK, Name(L"/a.b/c")->GetExtension(&ext));
  EXPECT_EQ(std::wstring(), std::wstring(ext));
  SysFreeString(ext);

  BOOL rels = TRUE;
  EXPECT_EQ(S_OK, Name(L"/Documents/1/Pages/1.fpage")->IsRelationshipsPartUri(&rels));
  EXPECT_FALSE(rels);
  EXPECT_EQ(S_OK, Name(L"/Documents/1/Pages/_rels/1.fpage.rels")->IsRelationshipsPartUri(&rels));
  EXPECT_TRUE(rels);
}

TEST_F(XpsFixture, PartNameAnswersItsInterfacesOnly) {
  auto uri = Name(L"/a");
  ComPtr<IUri> asUri;
  EXPECT_EQ(S_OK, uri->QueryInterface(IID_IUri, asUri.put_void()));
  ComPtr<IOpcFactory> notIt;
  EXPECT_EQ(E_NOINTERFACE, uri->QueryInterface(IID_IOpcFactory, notIt.put_void()));
  EXPECT_FALSE(notIt);
}

}  // namespace
}  // namespace xpsom_test
