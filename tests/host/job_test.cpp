// A job set up as the pipeline sets it up: reader, writer and the property bag entries.
#include <gtest/gtest.h>

#include "host/failures/host_error.h"
#include "host/pipeline/job.h"
#include "host_test_util.h"

#include <xpsrassvc.h>
#include "host/pipeline/write_stream.h"


namespace {

using brimloft::ComPtr;

std::string ReadTicket(IPrintPipelinePropertyBag* bag) {
  VARIANT v;
  EXPECT_EQ(bag->GetProperty(L"PerUserPrintTicket", &v), S_OK);
  EXPECT_EQ(v.vt, VT_UNKNOWN);
  ComPtr<IPrintReadStreamFactory> factory;
  EXPECT_EQ(v.punkVal->QueryInterface(IID_IPrintReadStreamFactory, factory.put_void()), S_OK);
  VariantClear(&v);
  ComPtr<IPrintReadStream> stream;
  EXPECT_EQ(factory->GetStream(stream.put()), S_OK);
  ULONGLONG size = 0;
  EXPECT_EQ(stream->Seek(0, STREAM_SEEK_END, &size), S_OK);
  EXPECT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
  std::string text(size, '\0');
  ULONG got = 0;
  BOOL eof = FALSE;
  EXPECT_EQ(stream->ReadBytes(text.data(), static_cast<ULONG>(size), &got, &eof), S_OK);
  EXPECT_TRUE(eof);
  return text;
}

TEST(Job, PropertyBagHoldsThePrinterEntries) {
  auto out = host::MemoryWriteStream::Create();
  host::JobSettings settings;
  settings.printer = "RX1Q";
  settings.options = {{"PageOrientation", "Landscape"}};
  host::Job job(host_test::SamplePath("testPPT.xps"), settings, ComPtr<IPrintWriteStream>(out.get()));
  EXPECT_EQ(job.Variant(), "RX1Q");

  VARIANT v;
  ASSERT_EQ(job.PropertyBag()->GetProperty(L"PrinterName", &v), S_OK);
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(v.bstrVal), L"RX1Q");
  VariantClear(&v);

  ASSERT_EQ(job.PropertyBag()->GetProperty(L"UserSecurityToken", &v), S_OK);
  EXPECT_EQ(v.vt, VT_UI8);
  EXPECT_NE(v.ullVal, 0u);
  EXPECT_EQ(v.ullVal, job.UserToken());

  const std::string expected = platform::DefaultTicketXml(job.Printer(), settings.options);
  EXPECT_EQ(ReadTicket(job.PropertyBag()), expected);
  EXPECT_EQ(job.UserTicketXml(), expected);
  EXPECT_NE(expected.find("Landscape"), std::string::npos);

  ASSERT_EQ(job.PropertyBag()->GetProperty(L"IPrintCoreHelper", &v), S_OK);
  ComPtr<IPrintCoreHelper> helper;
  ASSERT_EQ(v.punkVal->QueryInterface(IID_IPrintCoreHelper, helper.put_void()), S_OK);
  VariantClear(&v);
  PCSTR option = nullptr;
  ASSERT_EQ(helper->GetOption(nullptr, 0, "PageOrientation", &option), S_OK);
  EXPECT_STREQ(option, "Landscape");

  ASSERT_EQ(job.PropertyBag()->GetProperty(L"MS_IXpsRasterizationFactory", &v), S_OK);
  ASSERT_EQ(v.vt, VT_UNKNOWN);
  ComPtr<IXpsRasterizationFactory> rasterizer;
  EXPECT_EQ(v.punkVal->QueryInterface(IID_IXpsRasterizationFactory, rasterizer.put_void()), S_OK);
  VariantClear(&v);
}

TEST(Job, EachJobHasItsOwnToken) {
  host::Job a(host_test::SamplePath("testPPT.xps"), {}, ComPtr<IPrintWriteStream>());
  host::Job b(host_test::SamplePath("testPPT.xps"), {}, ComPtr<IPrintWriteStream>());
  EXPECT_NE(a.UserToken(), b.UserToken());
  EXPECT_EQ(a.Variant(), "RX2P");  // the default printer: 576 dots
}

TEST(Job, CommunicatorGivesTheReaderAndTheWriter) {
  auto out = host::MemoryWriteStream::Create();
  host::Job job(host_test::SamplePath("testPPT.xps"), {}, ComPtr<IPrintWriteStream>(out.get()));
  void* reader = nullptr;
  ASSERT_EQ(job.Communicator()->RequestReader(&reader), S_OK);
  auto readerOwned = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(reader));
  ComPtr<IXpsDocumentProvider> provider;
  EXPECT_EQ(readerOwned->QueryInterface(IID_IXpsDocumentProvider, provider.put_void()), S_OK);
  void* writer = nullptr;
  ASSERT_EQ(job.Communicator()->RequestWriter(&writer), S_OK);
  auto writerOwned = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(writer));
  ComPtr<IPrintWriteStream> stream;
  ASSERT_EQ(writerOwned->QueryInterface(IID_IPrintWriteStream, stream.put_void()), S_OK);
  EXPECT_EQ(stream.get(), static_cast<IPrintWriteStream*>(out.get()));
}

TEST(Job, BadPrintersAndOptionsAreRefused) {
  const struct {
    const char* printer;
    std::map<std::string, std::string> options;
    const char* says;
  } cases[] = {
      {"RX9Z", {}, "no variant code"},
      {"RX2P", {{"NoSuchFeature", "On"}}, "NoSuchFeature"},
      {"RX2P", {{"PageOrientation", "Sideways"}}, "Sideways"},
  };
  for (const auto& c : cases) {
    try {
      host::Job job(host_test::SamplePath("testPPT.xps"), {c.printer, c.options, {}}, ComPtr<IPrintWriteStream>());
      ADD_FAILURE() << c.says;
    } catch (const host::HostError& e) {
      EXPECT_EQ(e.hr(), E_INVALIDARG);
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

}  // namespace
