#include "wic_test_support.h"

namespace wictest {
namespace {

IWICBitmap* const kSentinel = reinterpret_cast<IWICBitmap*>(0x1);

TEST(WicFactoryRegistry, BothClassNamesCreateAFactoryThroughCoCreateInstance) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  for (const CLSID* clsid : {&CLSID_WICImagingFactory1, &CLSID_WICImagingFactory}) {
    ComPtr<IWICImagingFactory> factory;
    EXPECT_EQ(S_OK, CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                     factory.put_void()));
    ASSERT_TRUE(factory);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, unknown.put_void()));
    ComPtr<IUnknown> other;
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IWICBitmap, other.put_void()));
    EXPECT_FALSE(other);
  }
  ComPtr<IUnknown> wrong;
  EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IWICBitmap, wrong.put_void()));
  EXPECT_FALSE(wrong);
  CoUninitialize();
}

TEST(WicFactoryRegistry, IdentifiersHaveTheirWindowsValues) {
  EXPECT_EQ(0xcacaf262u, CLSID_WICImagingFactory1.Data1);
  EXPECT_EQ(0x4615, CLSID_WICImagingFactory1.Data3);
  EXPECT_EQ(0x0a, CLSID_WICImagingFactory1.Data4[7]);
  EXPECT_EQ(0xec5ec8a9u, IID_IWICImagingFactory.Data1);
  EXPECT_EQ(0x00000121u, IID_IWICBitmap.Data1);
  EXPECT_EQ(0x05, GUID_WICPixelFormatBlackWhite.Data4[7]);
  EXPECT_EQ(0x0f, GUID_WICPixelFormat32bppBGRA.Data4[7]);
  EXPECT_EQ(0x6fddc324u, GUID_WICPixelFormat32bppPBGRA.Data1);
}

using WicFactory = WicTest;

struct CreateCase {
  const char* name;
  UINT w, h;
  const GUID* format;
  WICBitmapCreateCacheOption option;
  HRESULT expected;
};

TEST_F(WicFactory, CreateBitmapChecksItsArguments) {
  const CreateCase cases[] = {
      {"bgra", 3, 2, &GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad, S_OK},
      {"on demand", 3, 2, &GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnDemand, S_OK},
      {"black-white", 13, 1, &GUID_WICPixelFormatBlackWhite, WICBitmapCacheOnLoad, S_OK},
      {"1x1", 1, 1, &GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, S_OK},
      {"zero width", 0, 5, &GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad, E_INVALIDARG},
      {"zero height", 5, 0, &GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad, E_INVALIDARG},
      {"bad option", 3, 2, &GUID_WICPixelFormat32bppBGRA, WICBitmapCreateCacheOption(7), E_INVALIDARG},
      {"unknown format", 3, 2, &IID_IWICBitmap, WICBitmapCacheOnLoad, WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT},
      {"4 GiB", 65536, 16384, &GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad,
       WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
      {"row wraps 32 bits", 0xFFFFFFFFu, 1, &GUID_WICPixelFormat128bppRGBAFloat, WICBitmapCacheOnLoad,
       WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
      {"huge both ways", 0x7FFFFFFFu, 0x7FFFFFFFu, &GUID_WICPixelFormatBlackWhite, WICBitmapCacheOnLoad,
       WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
  };
  for (const CreateCase& c : cases) {
    SCOPED_TRACE(c.name);
    IWICBitmap* bitmap = kSentinel;
    EXPECT_EQ(c.expected, factory_->CreateBitmap(c.w, c.h, *c.format, c.option, &bitmap));
    if (c.expected != S_OK) {
      EXPECT_EQ(nullptr, bitmap);
      continue;
    }
    ASSERT_NE(nullptr, bitmap);
    UINT w = 0, h = 0;
    EXPECT_EQ(S_OK, bitmap->GetSize(&w, &h));
    EXPECT_EQ(c.w, w);
    EXPECT_EQ(c.h, h);
    GUID format{};
    EXPECT_EQ(S_OK, bitmap->GetPixelFormat(&format));
    EXPECT_EQ(*c.format, format);
    bitmap->Release();
  }
  EXPECT_EQ(E_INVALIDARG, factory_->CreateBitmap(1, 1, GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad, nullptr));
}

TEST_F(WicFactory, NewBitmapIsZeroedAt96Dpi) {
  ComPtr<IWICBitmap> bitmap;
  ASSERT_EQ(S_OK, factory_->CreateBitmap(5, 3, GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnDemand, bitmap.put()));
  for (const Bgra& p : ReadBgra(bitmap.get())) EXPECT_EQ(Bgra({0, 0, 0, 0}), p);
  double x = 0, y = 0;
  EXPECT_EQ(S_OK, bitmap->GetResolution(&x, &y));
  EXPECT_EQ(96.0, x);
  EXPECT_EQ(96.0, y);
  EXPECT_EQ(S_OK, bitmap->SetResolution(203.0, 406.0));
  EXPECT_EQ(S_OK, bitmap->GetResolution(&x, &y));
  EXPECT_EQ(203.0, x);
  EXPECT_EQ(406.0, y);
  EXPECT_EQ(E_INVALIDARG, bitmap->SetResolution(0.0, 96.0));
  EXPECT_EQ(E_INVALIDARG, bitmap->SetResolution(96.0, -1.0));
}

TEST_F(WicFactory, CreateBitmapFromMemoryCopiesRowsAndSkipsThePadding) {
  // Rows of 3 pixels with a stride of 16 bytes: the last 4 bytes of each row are padding.
  std::vector<std::uint8_t> memory(16 * 2 - 4);
  for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = std::uint8_t(i);
  ComPtr<IWICBitmap> bitmap;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFromMemory(3, 2, GUID_WICPixelFormat32bppBGRA, 16, UINT(memory.size()),
                                                   memory.data(), bitmap.put()));
  std::fill(memory.begin(), memory.end(), 0xEE);  // the bitmap holds its own copy
  const std::vector<Bgra> pixels = ReadBgra(bitmap.get());
  ASSERT_EQ(6u, pixels.size());
  EXPECT_EQ(Bgra({0, 1, 2, 3}), pixels[0]);
  EXPECT_EQ(Bgra({8, 9, 10, 11}), pixels[2]);
  EXPECT_EQ(Bgra({16, 17, 18, 19}), pixels[3]);
  EXPECT_EQ(Bgra({24, 25, 26, 27}), pixels[5]);
}

TEST_F(WicFactory, CreateBitmapFromMemoryRejectsShortStridesAndBuffers) {
  std::vector<std::uint8_t> memory(64);
  struct Case {
    const char* name;
    UINT stride, size;
    BYTE* buffer;
    HRESULT expected;
  } cases[] = {
      {"exact", 12, 24, memory.data(), S_OK},
      {"last row unpadded", 16, 28, memory.data(), S_OK},
      {"null buffer", 12, 24, nullptr, E_INVALIDARG},
      {"stride short", 11, 64, memory.data(), E_INVALIDARG},
      {"buffer short", 12, 23, memory.data(), E_INVALIDARG},
      {"padded buffer short", 16, 27, memory.data(), E_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IWICBitmap* bitmap = kSentinel;
    EXPECT_EQ(c.expected, factory_->CreateBitmapFromMemory(3, 2, GUID_WICPixelFormat32bppBGRA, c.stride, c.size,
                                                           c.buffer, &bitmap));
    if (c.expected == S_OK) {
      ASSERT_NE(nullptr, bitmap);
      bitmap->Release();
    } else {
      EXPECT_EQ(nullptr, bitmap);
    }
  }
}

TEST_F(WicFactory, CreateBitmapFromSourceOnLoadPullsAtOnceWithTheSourceResolution) {
  auto source = MakeForeignBgra(4, 3, [](UINT x, UINT y) { return Bgra{std::uint8_t(x), std::uint8_t(y), 7, 255}; });
  ComPtr<IWICBitmap> bitmap;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFromSource(source.get(), WICBitmapCacheOnLoad, bitmap.put()));
  EXPECT_EQ(1, source->copies.load());
  source->failure = E_ABORT;  // pixels are already held
  const std::vector<Bgra> pixels = ReadBgra(bitmap.get());
  ASSERT_EQ(12u, pixels.size());
  EXPECT_EQ(Bgra({3, 2, 7, 255}), pixels[11]);
  EXPECT_EQ(Bgra({1, 0, 7, 255}), pixels[1]);
  double x = 0, y = 0;
  EXPECT_EQ(S_OK, bitmap->GetResolution(&x, &y));
  EXPECT_EQ(300.0, x);
  EXPECT_EQ(150.0, y);
}

TEST_F(WicFactory, CreateBitmapFromSourceOnDemandPullsAtFirstUseAndReportsItsFailure) {
  auto source = MakeForeignBgra(2, 2, [](UINT x, UINT y) { return Grey(std::uint8_t(10 * x + y)); });
  ComPtr<IWICBitmap> bitmap;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFromSource(source.get(), WICBitmapCacheOnDemand, bitmap.put()));
  EXPECT_EQ(0, source->copies.load());
  source->failure = E_ABORT;
  std::vector<std::uint8_t> buffer(16);
  EXPECT_EQ(E_ABORT, bitmap->CopyPixels(nullptr, 8, 16, buffer.data()));
  source->failure = S_OK;
  EXPECT_EQ(S_OK, bitmap->CopyPixels(nullptr, 8, 16, buffer.data()));
  EXPECT_EQ(S_OK, bitmap->CopyPixels(nullptr, 8, 16, buffer.data()));
  EXPECT_EQ(2, source->copies.load());  // one failed, one that loaded; none after
  EXPECT_EQ(11, buffer[12]);
}

TEST_F(WicFactory, CreateBitmapFromSourceFailures) {
  IWICBitmap* bitmap = kSentinel;
  EXPECT_EQ(E_INVALIDARG, factory_->CreateBitmapFromSource(nullptr, WICBitmapCacheOnLoad, &bitmap));
  EXPECT_EQ(nullptr, bitmap);
  auto source = MakeForeignBgra(2, 2, [](UINT, UINT) { return Grey(1); });
  source->failure = E_ACCESSDENIED;
  bitmap = kSentinel;
  EXPECT_EQ(E_ACCESSDENIED, factory_->CreateBitmapFromSource(source.get(), WICBitmapCacheOnLoad, &bitmap));
  EXPECT_EQ(nullptr, bitmap);
}

TEST_F(WicFactory, CreateBitmapFromSourceRectTakesThatRectangle) {
  auto source = MakeForeignBgra(5, 4, [](UINT x, UINT y) { return Bgra{std::uint8_t(x), std::uint8_t(y), 0, 255}; });
  ComPtr<IWICBitmap> bitmap;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFromSourceRect(source.get(), 1, 2, 3, 2, bitmap.put()));
  UINT w = 0, h = 0;
  const std::vector<Bgra> pixels = ReadBgra(bitmap.get(), &w, &h);
  EXPECT_EQ(3u, w);
  EXPECT_EQ(2u, h);
  EXPECT_EQ(Bgra({1, 2, 0, 255}), pixels[0]);
  EXPECT_EQ(Bgra({3, 3, 0, 255}), pixels[5]);
  IWICBitmap* none = kSentinel;
  EXPECT_EQ(E_INVALIDARG, factory_->CreateBitmapFromSourceRect(source.get(), 3, 0, 3, 1, &none));
  EXPECT_EQ(nullptr, none);
}

TEST_F(WicFactory, SlotsOutsideTheSubsetAnswerNotImplementedAndClearTheirOutput) {
  IWICPalette* palette = reinterpret_cast<IWICPalette*>(0x1);
  EXPECT_EQ(E_NOTIMPL, factory_->CreatePalette(&palette));
  EXPECT_EQ(nullptr, palette);
  IWICStream* stream = reinterpret_cast<IWICStream*>(0x1);
  EXPECT_EQ(E_NOTIMPL, factory_->CreateStream(&stream));
  EXPECT_EQ(nullptr, stream);
  IWICBitmapDecoder* decoder = reinterpret_cast<IWICBitmapDecoder*>(0x1);
  EXPECT_EQ(E_NOTIMPL, factory_->CreateDecoderFromFilename(L"x.png", nullptr, 0, WICDecodeMetadataCacheOnLoad,
                                                           &decoder));
  EXPECT_EQ(nullptr, decoder);
  EXPECT_EQ(E_INVALIDARG, factory_->CreateBitmapScaler(nullptr));
  EXPECT_EQ(E_INVALIDARG, factory_->CreateFormatConverter(nullptr));
  EXPECT_EQ(E_INVALIDARG, factory_->CreateBitmapFlipRotator(nullptr));
}

}  // namespace
}  // namespace wictest
