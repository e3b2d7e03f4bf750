// Rendering helpers for the rasterizer tests: pages with resources, bitmaps read back, callbacks.
#ifndef BRIMLOFT_TESTS_PLATFORM_XPSOM_RASTER_SUPPORT_H
#define BRIMLOFT_TESTS_PLATFORM_XPSOM_RASTER_SUPPORT_H

#include <wincodec.h>
#include <xpsrassvc.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/com_object.h"
#include "platform/xps_rasterizer.h"
#include "tests/platform/xpsom_support.h"

namespace xpsom_test {

// Answers S_OK `allowed` times, then stops; counts the questions.
class CountingCallback
    : public platform::ComObject<IXpsRasterizerNotificationCallback, &IID_IXpsRasterizerNotificationCallback> {
 public:
  explicit CountingCallback(int allowed) : allowed_(allowed) {}
  HRESULT STDMETHODCALLTYPE Continue() override {
    ++calls;
    return calls <= allowed_ ? S_OK : HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);
  }
  int calls = 0;

 private:
  const int allowed_;
};

// A bitmap's pixels as rows of width × 4 bytes (blue, green, red, alpha).
struct Pixels {
  UINT width = 0;
  UINT height = 0;
  std::vector<BYTE> bytes;
  const BYTE* at(UINT x, UINT y) const { return &bytes[(static_cast<size_t>(y) * width + x) * 4]; }
  std::vector<BYTE> Row(UINT y) const {
    return std::vector<BYTE>(bytes.begin() + static_cast<long>(y) * width * 4,
                             bytes.begin() + static_cast<long>(y + 1) * width * 4);
  }
};

inline Pixels ReadPixels(IWICBitmap* bitmap) {
  Pixels p;
  EXPECT_EQ(S_OK, bitmap->GetSize(&p.width, &p.height));
  WICPixelFormatGUID format{};
  EXPECT_EQ(S_OK, bitmap->GetPixelFormat(&format));
  EXPECT_TRUE(format == GUID_WICPixelFormat32bppBGRA);
  p.bytes.resize(static_cast<size_t>(p.width) * p.height * 4);
  EXPECT_EQ(S_OK, bitmap->CopyPixels(nullptr, p.width * 4, static_cast<UINT>(p.bytes.size()), p.bytes.data()));
  return p;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class RasterFixture : public XpsFixture {
 protected:
  void SetUp() override {
    XpsFixture::SetUp();
    ASSERT_EQ(S_OK, platform::CreateXpsRasterizationFactory(rasterization.put()));
  }
  void TearDown() override {
    rasterization.reset();
    XpsFixture::TearDown();
  }

  void AddFont(IXpsOMPartResources* resources, const std::string& bytes, const wchar_t* name,
               XPS_FONT_EMBEDDING embedding = XPS_FONT_EMBEDDING_NORMAL) {
    ComPtr<IXpsOMFontResource> font;
    ASSERT_EQ(S_OK, factory->CreateFontResource(MakeStream(bytes).get(), embedding, Name(name).get(), FALSE,
                                                font.put()));
    ComPtr<IXpsOMFontResourceCollection> fonts;
    ASSERT_EQ(S_OK, resources->GetFontResources(fonts.put()));
    ASSERT_EQ(S_OK, fonts->Append(font.get()));
  }
  void AddImage(IXpsOMPartResources* resources, const std::string& bytes, const wchar_t* name) {
    ComPtr<IXpsOMImageResource> image;
    ASSERT_EQ(S_OK, factory->CreateImageResource(MakeStream(bytes).get(), XPS_IMAGE_TYPE_PNG, Name(name).get(),
                                                 image.put()));
    ComPtr<IXpsOMImageResourceCollection> images;
    ASSERT_EQ(S_OK, resources->GetImageResources(images.put()));
    ASSERT_EQ(S_OK, images->Append(image.get()));
  }
  void AddDictionary(IXpsOMPartResources* resources, const std::string& markup, const wchar_t* name) {
    ComPtr<IXpsOMRemoteDictionaryResource> dictionary;
    ASSERT_EQ(S_OK, factory->CreateRemoteDictionaryResourceFromStream(MakeStream(markup).get(), Name(name).get(),
                                                                      resources, dictionary.put()));
    ComPtr<IXpsOMRemoteDictionaryResourceCollection> dictionaries;
    ASSERT_EQ(S_OK, resources->GetRemoteDictionaryResources(dictionaries.put()));
    ASSERT_EQ(S_OK, dictionaries->Append(dictionary.get()));
  }

  ComPtr<IXpsRasterizer> Rasterizer(IXpsOMPage* page, float dpi,
                                    XPSRAS_RENDERING_MODE mode = XPSRAS_RENDERING_MODE_ANTIALIASED) {
    ComPtr<IXpsRasterizer> rasterizer;
    EXPECT_EQ(S_OK, rasterization->CreateRasterizer(page, dpi, mode, mode, rasterizer.put()));
    return rasterizer;
  }

  // Renders a rectangle, asserting success.
  Pixels Render(IXpsRasterizer* rasterizer, int x, int y, int w, int h) {
    ComPtr<IWICBitmap> bitmap;
    const HRESULT hr = rasterizer->RasterizeRect(x, y, w, h, nullptr, bitmap.put());
    EXPECT_EQ(S_OK, hr);
    if (FAILED(hr) || !bitmap) return Pixels{};
    return ReadPixels(bitmap.get());
  }

  ComPtr<IXpsRasterizationFactory> rasterization;
};

}  // namespace xpsom_test

#endif
