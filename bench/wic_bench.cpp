// Throughput of the imaging component on a strip as the rasterizer hands it over: 640 x 6553 BGRA,
// scaled to a 576-dot head and converted to one bit. Items are source pixels.
#include <benchmark/benchmark.h>
#include <objbase.h>
#include <wincodec.h>

#include "module/ComPtr.h"

#include <cstdint>
#include <vector>

namespace {

using brimloft::ComPtr;

constexpr UINT kWidth = 640, kHeight = 6553, kHead = 576;

void Ok(benchmark::State& state, HRESULT hr) {
  if (FAILED(hr)) state.SkipWithError("imaging call failed");
}

ComPtr<IWICImagingFactory> Factory() {
  static const HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ComPtr<IWICImagingFactory> factory;
  if (SUCCEEDED(joined))
    CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     factory.put_void());
  return factory;
}

// A strip with soft gradients and some noise, like antialiased page content.
ComPtr<IWICBitmap> Strip(IWICImagingFactory* factory, UINT w, UINT h) {
  std::vector<std::uint8_t> pixels(std::size_t(w) * h * 4);
  std::uint32_t noise = 12345;
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      std::uint8_t* p = &pixels[(std::size_t(y) * w + x) * 4];
      p[0] = std::uint8_t((x + (noise >> 28)) & 0xFF);
      p[1] = std::uint8_t((y + x / 2) & 0xFF);
      p[2] = std::uint8_t(noise >> 24);
      p[3] = 255;
    }
  ComPtr<IWICBitmap> bitmap;
  factory->CreateBitmapFromMemory(w, h, GUID_WICPixelFormat32bppBGRA, w * 4, UINT(pixels.size()), pixels.data(),
                                  bitmap.put());
  return bitmap;
}

ComPtr<IWICBitmap> ScaleToHead(benchmark::State& state, IWICImagingFactory* factory, IWICBitmapSource* source) {
  UINT w = 0, h = 0;
  source->GetSize(&w, &h);
  ComPtr<IWICBitmapScaler> scaler;
  Ok(state, factory->CreateBitmapScaler(scaler.put()));
  Ok(state, scaler->Initialize(source, kHead, kHead * h / w, WICBitmapInterpolationModeFant));
  ComPtr<IWICBitmap> scaled;
  Ok(state, factory->CreateBitmapFromSource(scaler.get(), WICBitmapCacheOnLoad, scaled.put()));
  return scaled;
}

void ToOneBit(benchmark::State& state, IWICImagingFactory* factory, IWICBitmapSource* source,
              WICBitmapDitherType dither, std::vector<std::uint8_t>& out) {
  UINT w = 0, h = 0;
  source->GetSize(&w, &h);
  ComPtr<IWICFormatConverter> converter;
  Ok(state, factory->CreateFormatConverter(converter.put()));
  Ok(state, converter->Initialize(source, GUID_WICPixelFormatBlackWhite, dither, nullptr, 0.0,
                                  WICBitmapPaletteTypeCustom));
  const UINT stride = (w + 7) / 8;
  out.resize(std::size_t(stride) * h);
  Ok(state, converter->CopyPixels(nullptr, stride, UINT(out.size()), out.data()));
}

void BM_FantTo576(benchmark::State& state) {
  auto factory = Factory();
  auto strip = Strip(factory.get(), kWidth, kHeight);
  for (auto _ : state) benchmark::DoNotOptimize(ScaleToHead(state, factory.get(), strip.get()).get());
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_FantTo576)->Unit(benchmark::kMillisecond);

void BM_BlackWhite(benchmark::State& state) {
  auto factory = Factory();
  auto strip = Strip(factory.get(), kWidth, kHeight);
  const auto dither = WICBitmapDitherType(state.range(0));
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    ToOneBit(state, factory.get(), strip.get(), dither, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
  state.SetLabel(dither == WICBitmapDitherTypeNone ? "threshold" : "error diffusion");
}
BENCHMARK(BM_BlackWhite)->Arg(WICBitmapDitherTypeNone)->Arg(WICBitmapDitherTypeErrorDiffusion)
    ->Unit(benchmark::kMillisecond);

// The whole portrait path: scaler, bitmap from it, write lock, one-bit conversion.
void BM_StripToHeadImage(benchmark::State& state) {
  auto factory = Factory();
  auto strip = Strip(factory.get(), kWidth, kHeight);
  const auto dither = WICBitmapDitherType(state.range(0));
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    auto scaled = ScaleToHead(state, factory.get(), strip.get());
    {
      ComPtr<IWICBitmapLock> lock;
      Ok(state, scaled->Lock(nullptr, WICBitmapLockWrite, lock.put()));
    }
    ToOneBit(state, factory.get(), scaled.get(), dither, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
  state.SetLabel(dither == WICBitmapDitherTypeNone ? "threshold" : "error diffusion");
}
BENCHMARK(BM_StripToHeadImage)->Arg(WICBitmapDitherTypeNone)->Arg(WICBitmapDitherTypeErrorDiffusion)
    ->Unit(benchmark::kMillisecond);

// The landscape path: the same pixels arriving 6553 x 640, turned a quarter turn first.
void BM_LandscapeStripToHeadImage(benchmark::State& state) {
  auto factory = Factory();
  auto strip = Strip(factory.get(), kHeight, kWidth);
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    ComPtr<IWICBitmapFlipRotator> rotator;
    Ok(state, factory->CreateBitmapFlipRotator(rotator.put()));
    Ok(state, rotator->Initialize(strip.get(), WICBitmapTransformRotate270));
    auto scaled = ScaleToHead(state, factory.get(), rotator.get());
    ToOneBit(state, factory.get(), scaled.get(), WICBitmapDitherTypeNone, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_LandscapeStripToHeadImage)->Unit(benchmark::kMillisecond);

}  // namespace
