// The object-model converter over fake pipeline pages and the platform's object-model factory.
#include "xps/omconvertor.h"

#include <gtest/gtest.h>

#include "module/filtertypes.h"
#include "tests/fakes/com_apartment.h"
#include "tests/fakes/xps_fakes.h"

namespace brimloft::testing {
namespace {

using fakes::FakeColorProfilePart;
using fakes::FakeDictionaryPart;
using fakes::FakeFont2Part;
using fakes::FakeFontPart;
using fakes::FakeImagePart;
using fakes::FakePrintTicket;
using fakes::FakeXpsPage;
using fakes::Make;
using fakes::RecordingObjectFactory;

constexpr const wchar_t* kFontA = L"/Resources/0B2A5E3C-1F4D-4E8B-9C6A-7D5E4F3A2B1C.odttf";
constexpr const wchar_t* kFontB = L"/Resources/1C2B3A4F-5E4D-6C7B-8A9F-0E1D2C3B4A5F.odttf";

const std::string kPage =
    "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"384\" Height=\"288\" "
    "BleedBox=\"-5,-5,394,298\"/>";

std::string Dictionary(const std::string& key) {
  return "<ResourceDictionary xmlns=\"http://schemas.microsoft.com/xps/2005/06\" "
         "xmlns:x=\"http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key\">"
         "<SolidColorBrush x:Key=\"" +
         key + "\" Color=\"#FF000000\"/></ResourceDictionary>";
}

// The HRESULT that the call raises; S_OK when it returns.
template <class Call>
HRESULT Raised(Call&& call) {
  try {
    call();
    return S_OK;
  } catch (const hr_error& e) {
    return e.hr;
  }
}

class OMConvertorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ComPtr<IXpsOMObjectFactory> real;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IXpsOMObjectFactory, real.put_void()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OpcFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IOpcFactory,
                                     opc.put_void()));
    factory = Make<RecordingObjectFactory>(real);
  }

  template <class Collection>
  static UINT32 CountOf(const ComPtr<Collection>& collection) {
    UINT32 n = 0;
    EXPECT_EQ(S_OK, collection->GetCount(&n));
    return n;
  }

  fakes::ComApartment apartment;
  ComPtr<IOpcFactory> opc;
  ComPtr<RecordingObjectFactory> factory;
};

TEST(OMConvertorTables, ImageContentTypesIgnoreCase) {
  EXPECT_EQ(XPS_IMAGE_TYPE_JPEG, OMConvertor::ImageTypeOf(L"image/jpeg"));
  EXPECT_EQ(XPS_IMAGE_TYPE_PNG, OMConvertor::ImageTypeOf(L"image/png"));
  EXPECT_EQ(XPS_IMAGE_TYPE_PNG, OMConvertor::ImageTypeOf(L"IMAGE/PNG"));
  EXPECT_EQ(XPS_IMAGE_TYPE_TIFF, OMConvertor::ImageTypeOf(L"Image/Tiff"));
  EXPECT_EQ(XPS_IMAGE_TYPE_WDP, OMConvertor::ImageTypeOf(L"image/vnd.MS-Photo"));
  for (const wchar_t* other : {L"image/gif", L"image/png ", L"image/jpg", L"image/jxr", L"", L"image/pngx"})
    EXPECT_EQ(E_INVALIDARG, Raised([&] { OMConvertor::ImageTypeOf(other); })) << other;
  EXPECT_EQ(E_INVALIDARG, Raised([] { OMConvertor::ImageTypeOf(nullptr); }));
}

TEST(OMConvertorTables, FontEmbeddingFollowsOptionsAndRestrictions) {
  struct Case {
    int options;
    int restriction;
    XPS_FONT_EMBEDDING expected;
  };
  const Case cases[] = {
      {Font_Normal, 0, XPS_FONT_EMBEDDING_NORMAL},
      {Font_Normal, Xps_Restricted_Font_NoEmbedding | Xps_Restricted_Font_PreviewPrint, XPS_FONT_EMBEDDING_NORMAL},
      {Font_Obfusticate, 0, XPS_FONT_EMBEDDING_OBFUSCATED},
      {Font_Obfusticate, Xps_Restricted_Font_Editable, XPS_FONT_EMBEDDING_OBFUSCATED},
      {Font_Obfusticate, Xps_Restricted_Font_NoEmbedding, XPS_FONT_EMBEDDING_RESTRICTED},
      {Font_Obfusticate, Xps_Restricted_Font_PreviewPrint, XPS_FONT_EMBEDDING_RESTRICTED},
      {Font_Obfusticate, Xps_Restricted_Font_PreviewPrint | Xps_Restricted_Font_Editable,
       XPS_FONT_EMBEDDING_RESTRICTED},
      {7, 0, XPS_FONT_EMBEDDING_OBFUSCATED},
      {7, Xps_Restricted_Font_NoEmbedding, XPS_FONT_EMBEDDING_OBFUSCATED},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, OMConvertor::FontEmbeddingOf(static_cast<EXpsFontOptions>(c.options),
                                                       static_cast<EXpsFontRestriction>(c.restriction)))
        << c.options << "/" << c.restriction;
}

TEST_F(OMConvertorTest, PageWithoutResourcesParsesAgainstAnEmptyCollection) {
  auto page = Make<FakeXpsPage>(kPage);
  const ComPtr<IXpsOMPage> converted = OMConvertor::ConvertPage(page.get(), factory.get(), opc.get());
  ASSERT_TRUE(converted);
  XPS_RECT bleed{};
  EXPECT_EQ(S_OK, converted->GetBleedBox(&bleed));
  EXPECT_FLOAT_EQ(394, bleed.width);
  EXPECT_EQ((std::vector<std::wstring>{L"resources", L"page /Documents/1/Pages/1.fpage"}), factory->calls);
  EXPECT_EQ(FALSE, factory->reuseObjects);
  ComPtr<IXpsOMFontResourceCollection> fonts;
  ComPtr<IXpsOMRemoteDictionaryResourceCollection> dictionaries;
  ASSERT_EQ(S_OK, factory->pageResources->GetFontResources(fonts.put()));
  ASSERT_EQ(S_OK, factory->pageResources->GetRemoteDictionaryResources(dictionaries.put()));
  EXPECT_EQ(0u, CountOf(fonts));
  EXPECT_EQ(0u, CountOf(dictionaries));
}

TEST_F(OMConvertorTest, DictionariesAreMadeLastInIteratorOrder) {
  auto page = Make<FakeXpsPage>(kPage);
  page->Add(Make<FakeDictionaryPart>(Dictionary("B"), L"/Resources/Second.dict"));
  page->Add(Make<FakeImagePart>(L"/Resources/Logo.png", "png", L"image/png"));
  page->Add(Make<FakePrintTicket>("<ticket/>", L"/Documents/1/Pages/Ticket.xml"));
  page->Add(Make<FakeDictionaryPart>(Dictionary("A"), L"/Resources/First.dict"));
  page->Add(Make<FakeColorProfilePart>("icc", L"/Resources/Print.icc"));
  page->Add(Make<FakeFontPart>(kFontA, "font", Font_Obfusticate));

  const auto resources = OMConvertor::BuildPartResources(page.get(), factory.get(), opc.get());
  EXPECT_EQ((std::vector<std::wstring>{L"resources", L"image /Resources/Logo.png", L"profile /Resources/Print.icc",
                                       std::wstring(L"font ") + kFontA,
                                       L"dictionary /Resources/Second.dict after 3 resources",
                                       L"dictionary /Resources/First.dict after 3 resources"}),
            factory->calls);

  ComPtr<IXpsOMRemoteDictionaryResourceCollection> dictionaries;
  ASSERT_EQ(S_OK, resources->GetRemoteDictionaryResources(dictionaries.put()));
  ASSERT_EQ(2u, CountOf(dictionaries));
  const wchar_t* order[] = {L"/Resources/Second.dict", L"/Resources/First.dict"};
  for (UINT32 i = 0; i < 2; ++i) {
    ComPtr<IXpsOMRemoteDictionaryResource> dictionary;
    ComPtr<IOpcPartUri> name;
    ASSERT_EQ(S_OK, dictionaries->GetAt(i, dictionary.put()));
    ASSERT_EQ(S_OK, dictionary->GetPartName(name.put()));
    BSTR raw = nullptr;
    ASSERT_EQ(S_OK, name->GetRawUri(&raw));
    EXPECT_EQ(std::wstring(order[i]), std::wstring(raw));
    SysFreeString(raw);
  }
  ComPtr<IXpsOMImageResourceCollection> images;
  ComPtr<IXpsOMColorProfileResourceCollection> profiles;
  ComPtr<IXpsOMFontResourceCollection> fonts;
  ASSERT_EQ(S_OK, resources->GetImageResources(images.put()));
  ASSERT_EQ(S_OK, resources->GetColorProfileResources(profiles.put()));
  ASSERT_EQ(S_OK, resources->GetFontResources(fonts.put()));
  EXPECT_EQ(1u, CountOf(images));
  EXPECT_EQ(1u, CountOf(profiles));
  EXPECT_EQ(1u, CountOf(fonts));
}

TEST_F(OMConvertorTest, FontEmbeddingReachesTheFactory) {
  auto page = Make<FakeXpsPage>(kPage);
  page->Add(Make<FakeFont2Part>(L"/Resources/Plain.ttf", "font", Font_Normal, Xps_Restricted_Font_PreviewPrint));
  page->Add(Make<FakeFont2Part>(kFontA, "font", Font_Obfusticate, Xps_Restricted_Font_PreviewPrint));
  page->Add(Make<FakeFontPart>(kFontB, "font", Font_Obfusticate));
  OMConvertor::BuildPartResources(page.get(), factory.get(), opc.get());
  EXPECT_EQ((std::vector<XPS_FONT_EMBEDDING>{XPS_FONT_EMBEDDING_NORMAL, XPS_FONT_EMBEDDING_RESTRICTED,
                                             XPS_FONT_EMBEDDING_OBFUSCATED}),
            factory->embeddings);
  // The copied stream is handed over as it is: never declared obfuscated.
  for (const auto& call : factory->calls) EXPECT_EQ(std::wstring::npos, call.find(L"obfuscated source")) << call;
}

TEST_F(OMConvertorTest, ImageTypesIgnoreCaseAndUnknownTypesFailThePage) {
  auto page = Make<FakeXpsPage>(kPage);
  page->Add(Make<FakeImagePart>(L"/a.png", "png", L"IMAGE/Png"));
  page->Add(Make<FakeImagePart>(L"/b.wdp", "wdp", L"image/vnd.ms-photo"));
  EXPECT_TRUE(OMConvertor::ConvertPage(page.get(), factory.get(), opc.get()));
  EXPECT_EQ((std::vector<XPS_IMAGE_TYPE>{XPS_IMAGE_TYPE_PNG, XPS_IMAGE_TYPE_WDP}), factory->imageTypes);

  auto bad = Make<FakeXpsPage>(kPage);
  bad->Add(Make<FakeImagePart>(L"/c.gif", "gif", L"image/gif"));
  factory->calls.clear();
  EXPECT_EQ(E_INVALIDARG, Raised([&] { OMConvertor::ConvertPage(bad.get(), factory.get(), opc.get()); }));
  EXPECT_EQ((std::vector<std::wstring>{L"resources"}), factory->calls);  // no page was made
}

TEST_F(OMConvertorTest, PartFailuresRaiseTheirHresult) {
  auto convert = [&](const ComPtr<FakeXpsPage>& page) {
    return Raised([&] { OMConvertor::ConvertPage(page.get(), factory.get(), opc.get()); });
  };
  auto unreadable = Make<FakeXpsPage>(kPage);
  unreadable->getStreamFailure = E_ACCESSDENIED;
  EXPECT_EQ(E_ACCESSDENIED, convert(unreadable));
  auto streamless = Make<FakeXpsPage>(kPage);
  streamless->handsNoStream = true;
  EXPECT_EQ(E_POINTER, convert(streamless));

  EXPECT_EQ(OPC_E_NONCONFORMING_URI, convert(Make<FakeXpsPage>(kPage, L"Documents/1/Pages/1.fpage")));

  auto nameless = Make<FakeXpsPage>(kPage);
  nameless->uriFailure = E_UNEXPECTED;
  EXPECT_EQ(E_UNEXPECTED, convert(nameless));

  auto noIterator = Make<FakeXpsPage>(kPage);
  noIterator->iteratorFailure = E_OUTOFMEMORY;
  EXPECT_EQ(E_OUTOFMEMORY, convert(noIterator));
  auto nullIterator = Make<FakeXpsPage>(kPage);
  nullIterator->handsNoIterator = true;
  EXPECT_EQ(E_POINTER, convert(nullIterator));

  auto badCurrent = Make<FakeXpsPage>(kPage);
  badCurrent->Add(Make<FakeColorProfilePart>("icc", L"/p.icc"));
  badCurrent->Add(Make<FakeColorProfilePart>("icc", L"/q.icc"));
  badCurrent->currentFailure = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  badCurrent->currentFailsAt = 1;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_FOUND), convert(badCurrent));

  auto badFont = Make<FakeXpsPage>(kPage);
  auto font = Make<FakeFontPart>(kFontA, "font", Font_Normal);
  font->getStreamFailure = STG_E_ACCESSDENIED;
  badFont->Add(font);
  EXPECT_EQ(STG_E_ACCESSDENIED, convert(badFont));

  auto unkeyedFont = Make<FakeXpsPage>(kPage);
  unkeyedFont->Add(Make<FakeFontPart>(L"/Resources/Font.odttf", "font", Font_Obfusticate));
  EXPECT_EQ(XPS_E_INVALID_OBFUSCATED_FONT_URI, convert(unkeyedFont));

  auto badDictionary = Make<FakeXpsPage>(kPage);
  badDictionary->Add(Make<FakeDictionaryPart>("<ResourceDictionary", L"/d.dict"));
  EXPECT_EQ(XPS_E_INVALID_MARKUP, convert(badDictionary));
}

TEST_F(OMConvertorTest, PageNamingAnAbsentDictionaryIsNotMade) {
  const std::string markup =
      "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" Width=\"96\" Height=\"96\">"
      "<FixedPage.Resources><ResourceDictionary Source=\"/Resources/Ink.dict\"/></FixedPage.Resources>"
      "</FixedPage>";
  auto missing = Make<FakeXpsPage>(markup);
  EXPECT_EQ(XPS_E_MISSING_PART_REFERENCE,
            Raised([&] { OMConvertor::ConvertPage(missing.get(), factory.get(), opc.get()); }));

  auto present = Make<FakeXpsPage>(markup);
  present->Add(Make<FakeDictionaryPart>(Dictionary("Ink"), L"/Resources/Ink.dict"));
  EXPECT_TRUE(OMConvertor::ConvertPage(present.get(), factory.get(), opc.get()));
}

}  // namespace
}  // namespace brimloft::testing
