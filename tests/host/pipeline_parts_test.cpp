// The part objects and the document provider that the filter reads its job through.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/package/font_embedding.h"
#include "host/package/package_writer.h"
#include "host/package/text.h"
#include "host/pipeline/document_provider.h"
#include "host/pipeline/xps_parts.h"
#include "host_test_util.h"


namespace {

using brimloft::ComPtr;

IUnknown* const kSentinel = reinterpret_cast<IUnknown*>(0x5e5e5e5e);

template <class T>
ComPtr<T> As(IUnknown* unknown, REFIID iid) {
  ComPtr<T> out;
  if (FAILED(unknown->QueryInterface(iid, out.put_void()))) return {};
  return out;
}

std::string Uri(IPartBase* part) {
  BSTR uri = nullptr;
  EXPECT_EQ(part->GetUri(&uri), S_OK);
  std::string s = host::Narrow(uri ? uri : L"");
  SysFreeString(uri);
  return s;
}

std::vector<unsigned char> ReadAll(IPartBase* part) {
  ComPtr<IPrintReadStream> stream;
  EXPECT_EQ(part->GetStream(stream.put()), S_OK);
  std::vector<unsigned char> out;
  if (!stream) return out;
  unsigned char buffer[4096];
  for (;;) {
    ULONG got = 0;
    BOOL eof = FALSE;
    EXPECT_EQ(stream->ReadBytes(buffer, sizeof buffer, &got, &eof), S_OK);
    out.insert(out.end(), buffer, buffer + got);
    if (eof || got == 0) break;
  }
  return out;
}

// "S" sequence, "D" document, "P" page, "-" end: the kinds GetXpsPart hands out, in order.
std::string Order(IXpsDocumentProvider* provider, std::vector<ComPtr<IUnknown>>* parts = nullptr) {
  std::string order;
  for (int guard = 0; guard < 100; ++guard) {
    IUnknown* part = kSentinel;
    EXPECT_EQ(provider->GetXpsPart(&part), S_OK);
    if (part == nullptr) return order + "-";
    auto owned = ComPtr<IUnknown>::Attach(part);
    if (As<IFixedPage>(part, IID_IFixedPage)) order += "P";
    else if (As<IFixedDocument>(part, IID_IFixedDocument)) order += "D";
    else if (As<IFixedDocumentSequence>(part, IID_IFixedDocumentSequence)) order += "S";
    else order += "?";
    if (parts) parts->push_back(owned);
  }
  return order + "(endless)";
}

TEST(DocumentProvider, HandsOutPartsInDocumentOrder) {
  struct Case {
    const char* sample;
    const char* order;
  } cases[] = {{"testPPT.xps", "SDPPP-"}, {"testXPSWithDataDescriptor.xps", "SDP-"}};
  for (const Case& c : cases) {
    auto provider = host::DocumentProvider::Create(host::XpsPackage::Open(host_test::SamplePath(c.sample)));
    EXPECT_EQ(Order(provider.get()), c.order) << c.sample;
    IUnknown* part = kSentinel;
    EXPECT_EQ(provider->GetXpsPart(&part), S_OK);  // stays at the end
    EXPECT_EQ(part, nullptr);
    EXPECT_EQ(provider->GetXpsPart(nullptr), E_POINTER);
  }
}

TEST(DocumentProvider, TwoDocumentsReportPageNumbersOverTheJob) {
  host_test::ScratchDir dir;
  host::PackOptions options;
  options.extraParts = {{"/Resources/Fonts/0B3C5D1E-2F40-4A6B-8C9D-0E1F2A3B4C5D.odttf", host_test::kSansFont}};
  host::PackFolder(host_test::ExampleFolder("two-documents"), dir.File("two.xps"), options);
  auto provider = host::DocumentProvider::Create(host::XpsPackage::Open(dir.File("two.xps")));
  std::vector<std::string> seen;
  provider->OnPart([&](const host::PartEvent& e) {
    seen.push_back(std::to_string(int(e.kind)) + ":" + std::to_string(e.pageNumber) + "/" + std::to_string(e.pageCount));
  });
  EXPECT_EQ(Order(provider.get()), "SDPPDPP-");
  EXPECT_EQ(seen, (std::vector<std::string>{"0:0/4", "1:0/4", "2:1/4", "2:2/4", "1:0/4", "2:3/4", "2:4/4"}));
}

TEST(DocumentProvider, InjectedFailureHandsOutNothing) {
  auto provider = host::DocumentProvider::Create(host::XpsPackage::Open(host_test::SamplePath("testPPT.xps")));
  provider->FailAtCall(3, E_ACCESSDENIED);
  std::vector<ComPtr<IUnknown>> parts;
  for (int i = 0; i < 3; ++i) {
    IUnknown* p = nullptr;
    ASSERT_EQ(provider->GetXpsPart(&p), S_OK);
    parts.push_back(ComPtr<IUnknown>::Attach(p));
  }
  IUnknown* p = kSentinel;
  EXPECT_EQ(provider->GetXpsPart(&p), E_ACCESSDENIED);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(provider->Calls(), 4u);
  EXPECT_EQ(Order(provider.get()), "PP-");  // the failed call consumed nothing
}

TEST(XpsParts, TicketsAndTheirAbsence) {
  auto provider =
      host::DocumentProvider::Create(host::XpsPackage::Open(host_test::SamplePath("testXPSWithDataDescriptor.xps")));
  std::vector<ComPtr<IUnknown>> parts;
  ASSERT_EQ(Order(provider.get(), &parts), "SDP-");

  auto seq = As<IFixedDocumentSequence>(parts[0].get(), IID_IFixedDocumentSequence);
  IPartPrintTicket* ticket = reinterpret_cast<IPartPrintTicket*>(kSentinel);
  ASSERT_EQ(seq->GetPrintTicket(&ticket), S_OK);
  auto owned = ComPtr<IPartPrintTicket>::Attach(ticket);
  EXPECT_EQ(Uri(ticket), "/Metadata/Job_PT.xml");
  const auto bytes = ReadAll(ticket);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 38), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  EXPECT_EQ(bytes.size(), 3678u);

  auto page = As<IFixedPage>(parts[2].get(), IID_IFixedPage);
  ticket = reinterpret_cast<IPartPrintTicket*>(kSentinel);
  EXPECT_EQ(page->GetPrintTicket(&ticket), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  EXPECT_EQ(ticket, nullptr);
  EXPECT_EQ(Uri(page.get()), "/Documents/1/Pages/1.fpage");

  BSTR uri = nullptr;
  auto doc = As<IFixedDocument>(parts[1].get(), IID_IFixedDocument);
  ASSERT_EQ(doc->GetUri(&uri), S_OK);
  EXPECT_EQ(std::wstring(uri), L"/Documents/1/FixedDocument.fdoc");
  SysFreeString(uri);
}

TEST(XpsParts, PageIteratorYieldsFontsAsPlainFonts) {
  auto provider = host::DocumentProvider::Create(host::XpsPackage::Open(host_test::SamplePath("testPPT.xps")));
  std::vector<ComPtr<IUnknown>> parts;
  ASSERT_EQ(Order(provider.get(), &parts), "SDPPP-");
  auto page = As<IFixedPage>(parts[2].get(), IID_IFixedPage);
  ComPtr<IXpsPartIterator> it;
  ASSERT_EQ(page->GetXpsPartIterator(it.put()), S_OK);
  ASSERT_FALSE(it->IsDone());
  BSTR uri = nullptr;
  IUnknown* part = kSentinel;
  ASSERT_EQ(it->Current(&uri, &part), S_OK);
  auto owned = ComPtr<IUnknown>::Attach(part);
  EXPECT_EQ(std::wstring(uri), L"/Resources/48230029-18BE-6784-E14A-6C3DD62CAE72.odttf");
  SysFreeString(uri);

  auto font = As<IPartFont2>(part, IID_IPartFont2);
  ASSERT_TRUE(font);
  EXPECT_FALSE(As<IPartImage>(part, IID_IPartImage));
  BSTR type = nullptr;
  EXPECT_FALSE(As<IPartImage>(part, IID_IPartImage));
  auto options = static_cast<EXpsFontOptions>(7);
  ASSERT_EQ(font->GetFontProperties(&type, &options), S_OK);
  EXPECT_EQ(std::wstring(type), L"application/vnd.ms-package.obfuscated-opentype");
  EXPECT_EQ(options, Font_Obfusticate);
  SysFreeString(type);

  const auto bytes = ReadAll(font.get());
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.size(), 119100u);
  // The obfuscation is undone: the font starts with the TrueType version.
  EXPECT_EQ((std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4)), (std::vector<unsigned char>{0, 1, 0, 0}));
  auto restriction = static_cast<EXpsFontRestriction>(0x55);
  EXPECT_EQ(font->GetFontRestriction(&restriction), S_OK);
  EXPECT_EQ(unsigned(restriction), host::EmbeddingRestriction(bytes));
  // The font read once for both is read anew once its type says the stored bytes are plain.
  ASSERT_EQ(font->SetFontContent(L"application/vnd.ms-opentype"), S_OK);
  const auto stored = ReadAll(font.get());
  ASSERT_EQ(stored.size(), bytes.size());
  EXPECT_NE(stored, bytes);
  EXPECT_TRUE(std::equal(stored.begin() + 32, stored.end(), bytes.begin() + 32));

  it->Next();
  EXPECT_TRUE(it->IsDone());
  part = kSentinel;
  EXPECT_EQ(it->Current(nullptr, &part), HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(part, nullptr);
  it->Reset();
  EXPECT_FALSE(it->IsDone());
}

TEST(XpsParts, ReceiptImageAndPlainFont) {
  host_test::ScratchDir dir;
  host::PackOptions options;
  options.extraParts = {{"/Resources/Fonts/DejaVuSansMono.ttf", host_test::kMonoFont}};
  host::PackFolder(host_test::ExampleFolder("receipt"), dir.File("r.xps"), options);
  const auto package = host::XpsPackage::Open(dir.File("r.xps"));
  ComPtr<IUnknown> page = host::MakePagePart(package, package->Sequence().documents[0].pages[0]);
  auto fixed = As<IFixedPage>(page.get(), IID_IFixedPage);

  IUnknown* part = kSentinel;
  ASSERT_EQ(fixed->GetPagePart(L"../../../Resources/Images/LOGO.png", &part), S_OK);
  auto image = As<IPartImage>(part, IID_IPartImage);
  part->Release();
  ASSERT_TRUE(image);
  BSTR type = nullptr;
  ASSERT_EQ(image->GetImageProperties(&type), S_OK);
  EXPECT_EQ(std::wstring(type), L"image/png");
  SysFreeString(type);
  const auto png = ReadAll(image.get());
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");

  part = kSentinel;
  EXPECT_EQ(fixed->GetPagePart(L"/Resources/Images/other.png", &part), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  EXPECT_EQ(part, nullptr);

  ASSERT_EQ(fixed->GetPagePart(L"/Resources/Fonts/DejaVuSansMono.ttf", &part), S_OK);
  auto font = As<IPartFont>(part, IID_IPartFont);
  part->Release();
  const std::string plain = host_test::ReadWholeFile(host_test::kMonoFont);
  EXPECT_EQ(ReadAll(font.get()), (std::vector<unsigned char>(plain.begin(), plain.end())));
}

TEST(XpsParts, ResourceKindsAnswerTheirInterfacesOnly) {
  const auto package = host::XpsPackage::Open(host_test::SamplePath("testPPT.xps"));
  struct Case {
    host::ResourceKind kind;
    const IID* answers;
  } cases[] = {{host::ResourceKind::Font, &IID_IPartFont2},
               {host::ResourceKind::Image, &IID_IPartImage},
               {host::ResourceKind::ColorProfile, &IID_IPartColorProfile},
               {host::ResourceKind::ResourceDictionary, &IID_IPartResourceDictionary},
               {host::ResourceKind::Other, &IID_IPartBase}};
  const IID* all[] = {&IID_IPartFont, &IID_IPartFont2, &IID_IPartImage, &IID_IPartColorProfile,
                      &IID_IPartResourceDictionary};
  for (const Case& c : cases) {
    ComPtr<IUnknown> part = host::MakeResourcePart(package, {"/docProps/core.xml", "x/y", c.kind});
    ComPtr<IUnknown> probe;
    EXPECT_EQ(part->QueryInterface(*c.answers, probe.put_void()), S_OK);
    EXPECT_EQ(part->QueryInterface(IID_IPartBase, probe.put_void()), S_OK);
    for (const IID* iid : all) {
      const bool expected = iid == c.answers || (c.answers == &IID_IPartFont2 && iid == &IID_IPartFont);
      EXPECT_EQ(part->QueryInterface(*iid, probe.put_void()) == S_OK, expected);
    }
  }
}

TEST(FontEmbedding, ObfuscationRoundTripsAndNeedsAGuidName) {
  std::vector<unsigned char> font(64);
  for (size_t i = 0; i < font.size(); ++i) font[i] = static_cast<unsigned char>(i);
  auto copy = font;
  ASSERT_TRUE(host::XorObfuscation(copy, "/F/0B3C5D1E-2F40-4A6B-8C9D-0E1F2A3B4C5D.odttf"));
  EXPECT_EQ(copy[0], font[0] ^ 0x5D);   // the key's last byte meets the first font byte
  EXPECT_EQ(copy[15], font[15] ^ 0x0B);
  EXPECT_EQ(copy[16], font[16] ^ 0x5D);
  EXPECT_EQ(copy[32], font[32]);        // only 32 bytes are touched
  host::XorObfuscation(copy, "/F/0B3C5D1E-2F40-4A6B-8C9D-0E1F2A3B4C5D.odttf");
  EXPECT_EQ(copy, font);
  EXPECT_FALSE(host::XorObfuscation(copy, "/F/font.odttf"));
  std::vector<unsigned char> tiny(10);
  EXPECT_FALSE(host::XorObfuscation(tiny, "/F/0B3C5D1E-2F40-4A6B-8C9D-0E1F2A3B4C5D.odttf"));
}

TEST(FontEmbedding, RestrictionFromTheOs2Table) {
  // A font with one table record, OS/2 at offset 28, fsType at its byte 8.
  auto make = [](unsigned fsType) {
    std::vector<unsigned char> f = {0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 'O', 'S', '/', '2', 0, 0, 0, 0, 0, 0, 0, 28,
                                    0, 0, 0, 10};
    f.resize(28 + 10);
    f[28 + 8] = static_cast<unsigned char>(fsType >> 8);
    f[28 + 9] = static_cast<unsigned char>(fsType);
    return f;
  };
  EXPECT_EQ(host::EmbeddingRestriction(make(0x0000)), 0u);
  EXPECT_EQ(host::EmbeddingRestriction(make(0x0002)), 2u);
  EXPECT_EQ(host::EmbeddingRestriction(make(0x0004)), 4u);
  EXPECT_EQ(host::EmbeddingRestriction(make(0x030C)), 0xCu);  // subsetting bits are not restrictions
  auto cut = make(4);
  cut.resize(30);
  EXPECT_EQ(host::EmbeddingRestriction(cut), 0u);
  EXPECT_EQ(host::EmbeddingRestriction({'w', 'O', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0}), 0u);
}

}  // namespace
