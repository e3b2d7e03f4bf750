// A strip's one-bit image: turned for landscape, scaled to the head width, composited onto white,
// brightened, dithered and converted to one bit per pixel.
#include <cstdint>

#include "module/filtertypes.h"
#include "module/trace.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printer/RowBytes.h"

namespace brimloft {

namespace {
constexpr auto kUnit = TraceUnit::BrimloftBitmapHandler;
// The largest scaled strip: 16 times the rendered strip bound, 256 MiB of 32-bit pixels. Scaling to
// the head width enlarges narrow strips; a sliver (the last row or two of a landscape page, or a
// very narrow page) would otherwise grow to gigabytes and metres of paper.
constexpr std::uint64_t kMaxScaledPixels = 0x4000000;
}  // namespace

OneBitImage BrimloftBitmapHandler::PreparePageImage(IWICBitmap* strip) {
  if (strip == nullptr) BRIMLOFT_THROW(E_POINTER);
  UINT w0 = 0;
  UINT h0 = 0;
  BRIMLOFT_CHECK(strip->GetSize(&w0, &h0));

  const bool landscape = OptionAt("PageOrientation") == "Landscape";
  ComPtr<IWICBitmapFlipRotator> rotator;
  if (landscape) {
    BRIMLOFT_CHECK(imagingFactory_->CreateBitmapFlipRotator(rotator.put()));
    BRIMLOFT_CHECK(rotator->Initialize(strip, WICBitmapTransformRotate270));
    BRIMLOFT_CHECK(rotator->GetSize(&w0, &h0));
  }

  OneBitImage image;
  image.width = HeadWidth(variantCode_);
  BRIMLOFT_TRACE(trace::VariantHeadWidth, variantCode_, image.width);
  if (w0 == 0) BRIMLOFT_THROW(E_INVALIDARG);
  // The aspect ratio is kept, the height truncated.
  const std::uint64_t scaledHeight = std::uint64_t(image.width) * h0 / w0;
  if (scaledHeight * image.width > kMaxScaledPixels) {
    BRIMLOFT_TRACE(trace::StripTooLarge, double(scaledHeight * image.width), INT(kMaxScaledPixels));
    BRIMLOFT_THROW(E_OUTOFMEMORY);
  }
  image.height = static_cast<UINT>(scaledHeight);
  // Too few rows to make one scaled row: nothing to print, and no scaler accepts a height of 0.
  if (image.height == 0) return image;

  ComPtr<IWICBitmapScaler> scaler;
  BRIMLOFT_CHECK(imagingFactory_->CreateBitmapScaler(scaler.put()));
  IWICBitmapSource* source = landscape ? static_cast<IWICBitmapSource*>(rotator.get()) : strip;
  BRIMLOFT_CHECK(scaler->Initialize(source, image.width, image.height, WICBitmapInterpolationModeFant));
  ComPtr<IWICBitmap> bitmap;
  BRIMLOFT_CHECK(imagingFactory_->CreateBitmapFromSource(scaler.get(), WICBitmapCacheOnLoad, bitmap.put()));
  BRIMLOFT_CHECK(bitmap->GetSize(&image.width, &image.height));
  WICPixelFormatGUID format{};
  BRIMLOFT_CHECK(bitmap->GetPixelFormat(&format));
  if (BitsPerPixel(format) != 32) BRIMLOFT_THROW(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);

  const std::string dither = LookupOption("QVDither");
  {
    ComPtr<IWICBitmapLock> lock;
    BRIMLOFT_CHECK(bitmap->Lock(nullptr, WICBitmapLockWrite, lock.put()));
    UINT stride = 0;
    BRIMLOFT_CHECK(lock->GetStride(&stride));
    UINT size = 0;
    BYTE* pixels = nullptr;
    BRIMLOFT_CHECK(lock->GetDataPointer(&size, &pixels));
    const std::uint64_t rowBytes = std::uint64_t(4) * image.width;
    if (pixels == nullptr || stride < rowBytes || size < std::uint64_t(stride) * (image.height - 1) + rowBytes) {
      BRIMLOFT_THROW(WINCODEC_ERR_INSUFFICIENTBUFFER);
    }
    compositeTable_.Select(BrightnessFor(LookupOption("QVBright")));
    CompositeBrightenDither(pixels, image.width, image.height, stride, compositeTable_, OrderedDitherFor(dither));
  }

  ComPtr<IWICFormatConverter> converter;
  BRIMLOFT_CHECK(imagingFactory_->CreateFormatConverter(converter.put()));
  const WICBitmapDitherType ditherType =
      dither == "FloydSteinberg" ? WICBitmapDitherTypeErrorDiffusion : WICBitmapDitherTypeNone;
  BRIMLOFT_CHECK(converter->Initialize(bitmap.get(), GUID_WICPixelFormatBlackWhite, ditherType, nullptr, 0.0,
                                 WICBitmapPaletteTypeCustom));
  const UINT stride = RowBytes(image.width);
  const std::uint64_t length = std::uint64_t(stride) * image.height;
  if (length > 0xFFFFFFFFu) BRIMLOFT_THROW(WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  image.bits.assign(static_cast<std::size_t>(length), 0);
  BRIMLOFT_CHECK(converter->CopyPixels(nullptr, stride, static_cast<UINT>(length), image.bits.data()));
  return image;
}

}  // namespace brimloft
