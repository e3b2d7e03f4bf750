// Pages made by the object-model factory: header values, their defaults and malformed markup.
#include <xpsobjectmodel.h>

#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/xpsom_support.h"

namespace xpsom_test {
namespace {

void ExpectRect(const XPS_RECT& r, float x, float y, float w, float h) {
  EXPECT_FLOAT_EQ(x, r.x);
  EXPECT_FLOAT_EQ(y, r.y);
  EXPECT_FLOAT_EQ(w, r.width);
  EXPECT_FLOAT_EQ(h, r.height);
}

TEST_F(XpsFixture, PageBoxesDefaultToThePage) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(PageMarkup("Width=\"384\" Height=\"288.5\""), &page));
  XPS_SIZE size{-1, -1};
  XPS_RECT bleed{-1, -1, -1, -1}, content{-1, -1, -1, -1};
  EXPECT_EQ(S_OK, page->GetPageDimensions(&size));
  EXPECT_EQ(S_OK, page->GetBleedBox(&bleed));
  EXPECT_EQ(S_OK, page->GetContentBox(&content));
  EXPECT_FLOAT_EQ(384, size.width);
  EXPECT_FLOAT_EQ(288.5f, size.height);
  ExpectRect(bleed, 0, 0, 384, 288.5f);
  ExpectRect(content, 0, 0, 384, 288.5f);
}

TEST_F(XpsFixture, PageKeepsExplicitBoxes) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(PageMarkup("Width=\"384\" Height=\"288\" BleedBox=\"-5,-5,394,298\" "
                                  "ContentBox=\" 10 , 12.5,+300,2.5e2 \""),
                       &page));
  XPS_RECT bleed{}, content{};
  EXPECT_EQ(S_OK, page->GetBleedBox(&bleed));
  EXPECT_EQ(S_OK, page->GetContentBox(&content));
  ExpectRect(bleed, -5, -5, 394, 298);
  ExpectRect(content, 10, 12.5f, 300, 250);
}

TEST_F(XpsFixture, PageKeepsItsNameAndAcceptsOpenXpsAndUtf16) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page("<FixedPage xmlns=\"http://schemas.openxps.org/oxps/v1.0\" Width=\"10\" Height=\"20\"/>", &page,
                       nullptr, L"/Doc/P.fpage"));
  ComPtr<IOpcPartUri> name;
  EXPECT_EQ(S_OK, page->GetPartName(name.put()));
  BSTR raw = nullptr;
  EXPECT_EQ(S_OK, name->GetRawUri(&raw));
  EXPECT_EQ(std::wstring(L"/Doc/P.fpage"), std::wstring(raw));
  SysFreeString(raw);

  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + PageMarkup("Width=\"50\" Height=\"60\"");
  std::string utf16 = "\xFF\xFE";
  for (char c : utf8) utf16 += std::string{c, '\0'};
  ASSERT_EQ(S_OK, Page(utf16, &page));
  XPS_SIZE size{};
  EXPECT_EQ(S_OK, page->GetPageDimensions(&size));
  EXPECT_FLOAT_EQ(50, size.width);
  EXPECT_FLOAT_EQ(60, size.height);
}

struct MarkupCase {
  const char* label;
  std::string markup;
  HRESULT expected;
  const char* words = "";  // what the failure's description must hold
};

class MalformedPageTest : public XpsFixture, public ::testing::WithParamInterface<MarkupCase> {};

TEST_P(MalformedPageTest, FailsWithItsError) {
  auto* sentinel = reinterpret_cast<IXpsOMPage*>(0x1);
  IXpsOMPage* page = sentinel;
  const HRESULT hr = factory->CreatePageFromStream(MakeStream(GetParam().markup).get(),
                                                   Name(L"/p.fpage").get(), Resources().get(), FALSE, &page);
  EXPECT_EQ(GetParam().expected, hr);
  EXPECT_EQ(nullptr, page);
  const std::string words = TakeErrorDescription();
  EXPECT_NE(std::string::npos, words.find(GetParam().words)) << words;
}

const std::string kXps = "xmlns=\"http://schemas.microsoft.com/xps/2005/06\"";

INSTANTIATE_TEST_SUITE_P(
    Markup, MalformedPageTest,
    ::testing::Values(
        MarkupCase{"empty", "", XPS_E_INVALID_MARKUP, "the part is empty"},
        MarkupCase{"not xml", "Width=10", XPS_E_INVALID_MARKUP},
        MarkupCase{"unclosed", "<FixedPage " + kXps + " Width=\"1\" Height=\"1\">", XPS_E_INVALID_MARKUP, "not well-formed XML: line 1: "},
        MarkupCase{"other root", "<Canvas " + kXps + "/>", XPS_E_INVALID_MARKUP, "the root element is Canvas, not FixedPage"},
        MarkupCase{"no namespace", "<FixedPage Width=\"10\" Height=\"10\"/>", XPS_E_INVALID_MARKUP, "outside the XPS namespaces"},
        MarkupCase{"dtd", "<!DOCTYPE FixedPage [<!ENTITY w \"10\">]><FixedPage " + kXps +
                              " Width=\"&w;\" Height=\"10\"/>",
                   XPS_E_INVALID_MARKUP, "DTD"},
        MarkupCase{"external entity", "<!DOCTYPE FixedPage SYSTEM \"http://example.invalid/x.dtd\"><FixedPage " +
                                          kXps + " Width=\"10\" Height=\"10\"/>",
                   XPS_E_INVALID_MARKUP},
        MarkupCase{"no width", PageMarkup("Height=\"10\""), XPS_E_INVALID_MARKUP, "the FixedPage has no Width"},
        MarkupCase{"no height", PageMarkup("Width=\"10\""), XPS_E_INVALID_MARKUP},
        MarkupCase{"width text", PageMarkup("Width=\"ten\" Height=\"10\""), XPS_E_INVALID_FLOAT, "Width \"ten\" or Height \"10\" is not a number"},
        MarkupCase{"width trailing", PageMarkup("Width=\"10px\" Height=\"10\""), XPS_E_INVALID_FLOAT},
        MarkupCase{"height nan", PageMarkup("Width=\"10\" Height=\"NaN\""), XPS_E_INVALID_FLOAT},
        MarkupCase{"height inf", PageMarkup("Width=\"10\" Height=\"INF\""), XPS_E_INVALID_FLOAT},
        MarkupCase{"width beyond float", PageMarkup("Width=\"1e39\" Height=\"10\""), XPS_E_INVALID_FLOAT},
        MarkupCase{"width empty", PageMarkup("Width=\"\" Height=\"10\""), XPS_E_INVALID_FLOAT},
        MarkupCase{"width below one", PageMarkup("Width=\"0.5\" Height=\"10\""), XPS_E_INVALID_PAGE_SIZE},
        MarkupCase{"height negative", PageMarkup("Width=\"10\" Height=\"-10\""), XPS_E_INVALID_PAGE_SIZE, "is 10 x -10, smaller than 1 x 1"},
        MarkupCase{"bleed three", PageMarkup("Width=\"10\" Height=\"10\" BleedBox=\"0,0,10\""),
                   XPS_E_INVALID_BLEED_BOX, "the BleedBox \"0,0,10\" is not x,y,width,height"},
        MarkupCase{"bleed five", PageMarkup("Width=\"10\" Height=\"10\" BleedBox=\"0,0,10,10,1\""),
                   XPS_E_INVALID_BLEED_BOX},
        MarkupCase{"bleed text", PageMarkup("Width=\"10\" Height=\"10\" BleedBox=\"0,0,a,10\""),
                   XPS_E_INVALID_BLEED_BOX},
        MarkupCase{"bleed zero width", PageMarkup("Width=\"10\" Height=\"10\" BleedBox=\"0,0,0,10\""),
                   XPS_E_INVALID_BLEED_BOX},
        MarkupCase{"content negative", PageMarkup("Width=\"10\" Height=\"10\" ContentBox=\"0,0,5,-1\""),
                   XPS_E_INVALID_CONTENT_BOX, "the ContentBox \"0,0,5,-1\""},
        MarkupCase{"content empty field", PageMarkup("Width=\"10\" Height=\"10\" ContentBox=\"0,,5,5\""),
                   XPS_E_INVALID_CONTENT_BOX}),
    [](const ::testing::TestParamInfo<MarkupCase>& info) {
      std::string name = info.param.label;
      for (auto& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST_F(XpsFixture, PageCreationRejectsNullArguments) {
  IXpsOMPage* page = reinterpret_cast<IXpsOMPage*>(0x1);
  auto stream = MakeStream(PageMarkup("Width=\"10\" Height=\"10\""));
  EXPECT_EQ(E_POINTER, factory->CreatePageFromStream(nullptr, Name(L"/p").get(), nullptr, FALSE, &page));
  EXPECT_EQ(nullptr, page);
  page = reinterpret_cast<IXpsOMPage*>(0x1);
  EXPECT_EQ(E_POINTER, factory->CreatePageFromStream(stream.get(), nullptr, nullptr, FALSE, &page));
  EXPECT_EQ(nullptr, page);
  EXPECT_EQ(E_POINTER, factory->CreatePageFromStream(stream.get(), Name(L"/p").get(), nullptr, FALSE, nullptr));
}

TEST_F(XpsFixture, PageQueriesRejectNullOutputs) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(PageMarkup("Width=\"10\" Height=\"10\""), &page));
  EXPECT_EQ(E_POINTER, page->GetPageDimensions(nullptr));
  EXPECT_EQ(E_POINTER, page->GetBleedBox(nullptr));
  EXPECT_EQ(E_POINTER, page->GetContentBox(nullptr));
}

const char* kDictionary =
    "<ResourceDictionary xmlns=\"http://schemas.microsoft.com/xps/2005/06\" "
    "xmlns:x=\"http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key\">"
    "<SolidColorBrush x:Key=\"Ink\" Color=\"#FF000000\"/></ResourceDictionary>";

std::string PageUsingDictionary(const std::string& source) {
  return PageMarkup("Width=\"96\" Height=\"96\"",
                    "<FixedPage.Resources><ResourceDictionary Source=\"" + source +
                        "\"/></FixedPage.Resources>"
                        "<Path Data=\"M 0,0 L 48,0 48,48 0,48 Z\" Fill=\"{StaticResource Ink}\"/>");
}

TEST_F(XpsFixture, PageFindsItsRemoteDictionaryByRelativeName) {
  auto resources = Resources();
  ComPtr<IXpsOMRemoteDictionaryResource> dictionary;
  ASSERT_EQ(S_OK, factory->CreateRemoteDictionaryResourceFromStream(
                      MakeStream(kDictionary).get(), Name(L"/Documents/1/Resources/Ink.dict").get(), resources.get(),
                      dictionary.put()));
  ComPtr<IXpsOMRemoteDictionaryResourceCollection> dictionaries;
  ASSERT_EQ(S_OK, resources->GetRemoteDictionaryResources(dictionaries.put()));
  ASSERT_EQ(S_OK, dictionaries->Append(dictionary.get()));
  EXPECT_EQ(S_OK, Page(PageUsingDictionary("../Resources/ink.DICT"), nullptr, resources.get()));
  EXPECT_EQ(S_OK, Page(PageUsingDictionary("/Documents/1/Resources/Ink.dict"), nullptr, resources.get()));
}

TEST_F(XpsFixture, PageWithoutItsRemoteDictionaryFails) {
  EXPECT_EQ(XPS_E_MISSING_PART_REFERENCE, Page(PageUsingDictionary("../Resources/Ink.dict")));
  EXPECT_EQ(XPS_E_INVALID_MARKUP, Page(PageUsingDictionary("http://example.invalid/Ink.dict")));
}

TEST_F(XpsFixture, DictionaryMarkupMustBeAResourceDictionary) {
  IXpsOMRemoteDictionaryResource* dictionary = reinterpret_cast<IXpsOMRemoteDictionaryResource*>(0x1);
  EXPECT_EQ(XPS_E_INVALID_MARKUP,
            factory->CreateRemoteDictionaryResourceFromStream(MakeStream(PageMarkup("Width=\"1\" Height=\"1\"")).get(),
                                                              Name(L"/d.dict").get(), nullptr, &dictionary));
  EXPECT_EQ(nullptr, dictionary);
  EXPECT_EQ(XPS_E_INVALID_MARKUP, factory->CreateRemoteDictionaryResourceFromStream(
                                      MakeStream("<ResourceDictionary").get(), Name(L"/d.dict").get(), nullptr,
                                      &dictionary));
}

}  // namespace
}  // namespace xpsom_test
