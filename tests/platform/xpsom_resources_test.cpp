// Resource objects and the collections of the part resources.
#include <xpsobjectmodel.h>

#include <gtest/gtest.h>

#include "tests/platform/xpsom_support.h"

namespace xpsom_test {
namespace {

constexpr const wchar_t* kGuidFont = L"/Resources/0B2A5E3C-1F4D-4E8B-9C6A-7D5E4F3A2B1C.odttf";

struct FontCase {
  int embedding;
  const wchar_t* name;
  BOOL obfuscatedSource;
  HRESULT expected;
};

class FontResourceTest : public XpsFixture, public ::testing::WithParamInterface<FontCase> {};

TEST_P(FontResourceTest, ChecksEmbeddingAndName) {
  const FontCase& c = GetParam();
  auto stream = MakeStream(std::string(64, 'f'));
  IXpsOMFontResource* font = reinterpret_cast<IXpsOMFontResource*>(0x1);
  EXPECT_EQ(c.expected, factory->CreateFontResource(stream.get(), static_cast<XPS_FONT_EMBEDDING>(c.embedding),
                                                    Name(c.name).get(), c.obfuscatedSource, &font));
  if (FAILED(c.expected)) {
    EXPECT_EQ(nullptr, font);
    return;
  }
  XPS_FONT_EMBEDDING embedding{};
  EXPECT_EQ(S_OK, font->GetEmbeddingOption(&embedding));
  EXPECT_EQ(c.embedding, embedding);
  ComPtr<IStream> back;
  EXPECT_EQ(S_OK, font->GetStream(back.put()));
  EXPECT_EQ(stream.get(), back.get());
  font->Release();
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, FontResourceTest,
    ::testing::Values(FontCase{XPS_FONT_EMBEDDING_NORMAL, L"/Resources/Font.ttf", FALSE, S_OK},
                      FontCase{XPS_FONT_EMBEDDING_OBFUSCATED, kGuidFont, FALSE, S_OK},
                      FontCase{XPS_FONT_EMBEDDING_OBFUSCATED, kGuidFont, TRUE, S_OK},
                      FontCase{XPS_FONT_EMBEDDING_RESTRICTED, kGuidFont, FALSE, S_OK},
                      FontCase{XPS_FONT_EMBEDDING_RESTRICTED_UNOBFUSCATED, L"/Font.ttf", FALSE, S_OK},
                      FontCase{XPS_FONT_EMBEDDING_OBFUSCATED, L"/Resources/Font.odttf", FALSE,
                               XPS_E_INVALID_OBFUSCATED_FONT_URI},
                      FontCase{XPS_FONT_EMBEDDING_RESTRICTED, L"/Resources/Font.odttf", FALSE,
                               XPS_E_INVALID_OBFUSCATED_FONT_URI},
                      FontCase{XPS_FONT_EMBEDDING_NORMAL, L"/Resources/Font.ttf", TRUE, E_INVALIDARG},
                      FontCase{0, L"/Resources/Font.ttf", FALSE, E_INVALIDARG},
                      FontCase{5, L"/Resources/Font.ttf", FALSE, E_INVALIDARG}),
    // Named by position: the default name prints the case's bytes, pointers and padding included,
    // which differ between the listing of the tests and their run.
    [](const ::testing::TestParamInfo<FontCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(XpsFixture, ImageResourceChecksItsType) {
  for (int type = 0; type <= 6; ++type) {
    IXpsOMImageResource* image = reinterpret_cast<IXpsOMImageResource*>(0x1);
    const HRESULT hr = factory->CreateImageResource(MakeStream("img").get(), static_cast<XPS_IMAGE_TYPE>(type),
                                                    Name(L"/i.png").get(), &image);
    if (type == 0 || type == 6) {
      EXPECT_EQ(E_INVALIDARG, hr) << type;
      EXPECT_EQ(nullptr, image);
      continue;
    }
    ASSERT_EQ(S_OK, hr) << type;
    XPS_IMAGE_TYPE back{};
    EXPECT_EQ(S_OK, image->GetImageType(&back));
    EXPECT_EQ(type, back);
    image->Release();
  }
}

TEST_F(XpsFixture, ResourceCreationRejectsNullArguments) {
  auto stream = MakeStream("x");
  auto name = Name(L"/x.icc");
  IXpsOMColorProfileResource* profile = reinterpret_cast<IXpsOMColorProfileResource*>(0x1);
  EXPECT_EQ(E_POINTER, factory->CreateColorProfileResource(nullptr, name.get(), &profile));
  EXPECT_EQ(nullptr, profile);
  EXPECT_EQ(E_POINTER, factory->CreateColorProfileResource(stream.get(), nullptr, &profile));
  EXPECT_EQ(E_POINTER, factory->CreateColorProfileResource(stream.get(), name.get(), nullptr));
  IXpsOMFontResource* font = nullptr;
  EXPECT_EQ(E_POINTER, factory->CreateFontResource(nullptr, XPS_FONT_EMBEDDING_NORMAL, name.get(), FALSE, &font));
  EXPECT_EQ(E_POINTER, factory->CreatePartResources(nullptr));
}

class CollectionTest : public XpsFixture {
 protected:
  ComPtr<IXpsOMColorProfileResource> Profile(const wchar_t* name) {
    ComPtr<IXpsOMColorProfileResource> profile;
    EXPECT_EQ(S_OK, factory->CreateColorProfileResource(MakeStream("icc").get(), Name(name).get(), profile.put()));
    return profile;
  }
  static std::wstring NameOf(IXpsOMColorProfileResource* profile) {
    ComPtr<IOpcPartUri> uri;
    EXPECT_EQ(S_OK, profile->GetPartName(uri.put()));
    BSTR raw = nullptr;
    EXPECT_EQ(S_OK, uri->GetRawUri(&raw));
    std::wstring name(raw);
    SysFreeString(raw);
    return name;
  }
};

TEST_F(CollectionTest, KeepsOrderAndEditsByIndex) {
  auto resources = Resources();
  ComPtr<IXpsOMColorProfileResourceCollection> profiles, again;
  ASSERT_EQ(S_OK, resources->GetColorProfileResources(profiles.put()));
  ASSERT_EQ(S_OK, resources->GetColorProfileResources(again.put()));
  EXPECT_EQ(profiles.get(), again.get());

  UINT32 count = 99;
  EXPECT_EQ(S_OK, profiles->GetCount(&count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(S_OK, profiles->Append(Profile(L"/a.icc").get()));
  EXPECT_EQ(S_OK, profiles->Append(Profile(L"/c.icc").get()));
  EXPECT_EQ(S_OK, profiles->InsertAt(1, Profile(L"/b.icc").get()));
  EXPECT_EQ(XPS_E_INDEX_OUT_OF_RANGE, profiles->InsertAt(4, Profile(L"/z.icc").get()));
  EXPECT_EQ(E_POINTER, profiles->Append(nullptr));
  EXPECT_EQ(S_OK, profiles->GetCount(&count));
  ASSERT_EQ(3u, count);
  const wchar_t* expected[] = {L"/a.icc", L"/b.icc", L"/c.icc"};
  for (UINT32 i = 0; i < 3; ++i) {
    ComPtr<IXpsOMColorProfileResource> item;
    ASSERT_EQ(S_OK, profiles->GetAt(i, item.put()));
    EXPECT_EQ(std::wstring(expected[i]), NameOf(item.get()));
  }
  IXpsOMColorProfileResource* none = reinterpret_cast<IXpsOMColorProfileResource*>(0x1);
  EXPECT_EQ(XPS_E_INDEX_OUT_OF_RANGE, profiles->GetAt(3, &none));
  EXPECT_EQ(nullptr, none);

  EXPECT_EQ(S_OK, profiles->SetAt(0, Profile(L"/d.icc").get()));
  EXPECT_EQ(S_OK, profiles->RemoveAt(1));
  EXPECT_EQ(XPS_E_INDEX_OUT_OF_RANGE, profiles->RemoveAt(2));
  EXPECT_EQ(S_OK, profiles->GetCount(&count));
  EXPECT_EQ(2u, count);
  ComPtr<IXpsOMColorProfileResource> first;
  ASSERT_EQ(S_OK, profiles->GetAt(0, first.put()));
  EXPECT_EQ(std::wstring(L"/d.icc"), NameOf(first.get()));
}

TEST_F(CollectionTest, FindsByPartNameWithoutRegardToCase) {
  auto resources = Resources();
  ComPtr<IXpsOMColorProfileResourceCollection> profiles;
  ASSERT_EQ(S_OK, resources->GetColorProfileResources(profiles.put()));
  auto wanted = Profile(L"/Profiles/Print.icc");
  ASSERT_EQ(S_OK, profiles->Append(Profile(L"/Profiles/Other.icc").get()));
  ASSERT_EQ(S_OK, profiles->Append(wanted.get()));
  ComPtr<IXpsOMColorProfileResource> found;
  EXPECT_EQ(S_OK, profiles->GetByPartName(Name(L"/profiles/PRINT.icc").get(), found.put()));
  EXPECT_EQ(wanted.get(), found.get());
  IXpsOMColorProfileResource* missing = reinterpret_cast<IXpsOMColorProfileResource*>(0x1);
  EXPECT_EQ(S_OK, profiles->GetByPartName(Name(L"/Profiles/None.icc").get(), &missing));
  EXPECT_EQ(nullptr, missing);
}

}  // namespace
}  // namespace xpsom_test
