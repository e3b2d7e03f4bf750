// Shared set-up of the XPS object model and rasterizer tests.
#ifndef BRIMLOFT_TESTS_PLATFORM_XPSOM_SUPPORT_H
#define BRIMLOFT_TESTS_PLATFORM_XPSOM_SUPPORT_H

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <msopc.h>
#include <xpsobjectmodel.h>

#include <gtest/gtest.h>

#include <string>

#include "module/ComPtr.h"

namespace xpsom_test {

using brimloft::ComPtr;

// A memory stream holding bytes, positioned at its start.
inline ComPtr<IStream> MakeStream(const std::string& bytes) {
  ComPtr<IStream> stream;
  EXPECT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.put()));
  ULONG written = 0;
  EXPECT_EQ(S_OK, stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written));
  LARGE_INTEGER zero{};
  EXPECT_EQ(S_OK, stream->Seek(zero, STREAM_SEEK_SET, nullptr));
  return stream;
}

inline std::string PageMarkup(const std::string& attributes, const std::string& body = "") {
  return "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" xml:lang=\"en-US\" " + attributes + ">" +
         body + "</FixedPage>";
}

// The words a failure left on the thread (GetErrorInfo takes them), or "(none)".
inline std::string TakeErrorDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK) return "(none)";
  BSTR text = nullptr;
  EXPECT_EQ(S_OK, info->GetDescription(&text));
  const std::wstring wide(text, SysStringLen(text));
  SysFreeString(text);
  return std::string(wide.begin(), wide.end());
}

// The thread in the multithreaded apartment with both factories created.
class XpsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IXpsOMObjectFactory,
                                     factory.put_void()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OpcFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IOpcFactory,
                                     opc.put_void()));
  }
  void TearDown() override {
    factory.reset();
    opc.reset();
    CoUninitialize();
  }

  ComPtr<IOpcPartUri> Name(const wchar_t* name) {
    ComPtr<IOpcPartUri> uri;
    EXPECT_EQ(S_OK, opc->CreatePartUri(name, uri.put()));
    return uri;
  }

  ComPtr<IXpsOMPartResources> Resources() {
    ComPtr<IXpsOMPartResources> resources;
    EXPECT_EQ(S_OK, factory->CreatePartResources(resources.put()));
    return resources;
  }

  // Parses a page; returns the factory's HRESULT and the page in *page.
  HRESULT Page(const std::string& markup, ComPtr<IXpsOMPage>* page = nullptr,
               IXpsOMPartResources* resources = nullptr, const wchar_t* name = L"/Documents/1/Pages/1.fpage") {
    ComPtr<IXpsOMPartResources> own = resources ? ComPtr<IXpsOMPartResources>(resources) : Resources();
    ComPtr<IXpsOMPage> made;
    const HRESULT hr =
        factory->CreatePageFromStream(MakeStream(markup).get(), Name(name).get(), own.get(), FALSE, made.put());
    if (page) *page = made;
    return hr;
  }

  ComPtr<IXpsOMObjectFactory> factory;
  ComPtr<IOpcFactory> opc;
};

}  // namespace xpsom_test

#endif
