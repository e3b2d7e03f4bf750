// A strip's one-bit image: turned for landscape, scaled to the head width, composited onto white,
// brightened, dithered and converted to one bit per pixel.
#include <cstdint>

#include "module/filtertypes.h"
#include "module/trace.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printer/RowBytes.h"

namespace brimloft {

namespace {
constexpr char kUnit[] = "BrimloftBitmapHandler";
// The largest scaled strip: 16 times the rendered strip bound, 256 MiB of 32-bit pixels. Scaling to
// the head width enlarges narrow strips; a sliver (the last row or two of a landscape page, or a
// very narrow page) would otherwise grow to gigabytes and metres of paper.
constexpr std::uint64_t kMaxScaledPixels = 0x4000000;
}  // namespace

OneBitImage BrimloftBitmapHandler::PreparePageImage(IWICBitmap* strip) {
  if (strip == nullptr) throw_hr(E_POINTER, kUnit, __LINE__);
  UINT w0 = 0;
  UINT h0 = 0;
  check_hr(strip->GetSize(&w0, &h0), kUnit, __LINE__);

  const bool landscape = OptionAt("PageOrientation") == "Landscape";
  ComPtr<IWICBitmapFlipRotator> rotator;
  if (landscape) {
    check_hr(imagingFactory_->CreateBitmapFlipRotator(rotator.put()), kUnit, __LINE__);
    check_hr(rotator->Initialize(strip, WICBitmapTransformRotate270), kUnit, __LINE__);
    check_hr(rotator->GetSize(&w0, &h0), kUnit, __LINE__);
  }

  OneBitImage image;
  image.width = HeadWidth(variantCode_);
  BRIMLOFT_TRACE(TRACE_DETAIL, BrimloftBitmapHandler, 17, variantCode_, image.width);
  if (w0 == 0) throw_hr(E_INVALIDARG, kUnit, __LINE__);
  // The aspect ratio is kept, the height truncated.
  const std::uint64_t scaledHeight = std::uint64_t(image.width) * h0 / w0;
  if (scaledHeight * image.width > kMaxScaledPixels) {
    BRIMLOFT_TRACE(TRACE_ERROR, BrimloftBitmapHandler, 18, double(scaledHeight * image.width), INT(kMaxScaledPixels));
    throw_hr(E_OUTOFMEMORY, kUnit, __LINE__);
  }
  image.height = static_cast<UINT>(scaledHeight);
  // Too few rows to make one scaled row: nothing to print, and no scaler accepts a height of 0.
  if (image.height == 0) return image;

  ComPtr<IWICBitmapScaler> scaler;
  check_hr(imagingFactory_->CreateBitmapScaler(scaler.put()), kUnit, __LINE__);
  IWICBitmapSource* source = landscape ? static_cast<IWICBitmapSource*>(rotator.get()) : strip;
  check_hr(scaler->Initialize(source, image.width, image.height, WICBitmapInterpolationModeFant), kUnit, __LINE__);
  ComPtr<IWICBitmap> bitmap;
  check_hr(imagingFactory_->CreateBitmapFromSource(scaler.get(), WICBitmapCacheOnLoad, bitmap.put()), kUnit,
           __LINE__);
  check_hr(bitmap->GetSize(&image.width, &image.height), kUnit, __LINE__);
  WICPixelFormatGUID format{};
  check_hr(bitmap->GetPixelFormat(&format), kUnit, __LINE__);
  if (BitsPerPixel(format) != 32) throw_hr(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT, kUnit, __LINE__);

  const std::string dither = LookupOption("QVDither");
  {
    ComPtr<IWICBitmapLock> lock;
    check_hr(bitmap->Lock(nullptr, WICBitmapLockWrite, lock.put()), kUnit, __LINE__);
    UINT stride = 0;
    check_hr(lock->GetStride(&stride), kUnit, __LINE__);
    UINT size = 0;
    BYTE* pixels = nullptr;
    check_hr(lock->GetDataPointer(&size, &pixels), kUnit, __LINE__);
    const std::uint64_t rowBytes = std::uint64_t(4) * image.width;
    if (pixels == nullptr || stride < rowBytes || size < std::uint64_t(stride) * (image.height - 1) + rowBytes) {
      throw_hr(WINCODEC_ERR_INSUFFICIENTBUFFER, kUnit, __LINE__);
    }
    compositeTable_.Select(BrightnessFor(LookupOption("QVBright")));
    CompositeBrightenDither(pixels, image.width, image.height, stride, compositeTable_, OrderedDitherFor(dither));
  }

  ComPtr<IWICFormatConverter> converter;
  check_hr(imagingFactory_->CreateFormatConverter(converter.put()), kUnit, __LINE__);
  const WICBitmapDitherType ditherType =
      dither == "FloydSteinberg" ? WICBitmapDitherTypeErrorDiffusion : WICBitmapDitherTypeNone;
  check_hr(converter->Initialize(bitmap.get(), GUID_WICPixelFormatBlackWhite, ditherType, nullptr, 0.0,
                                 WICBitmapPaletteTypeCustom),
           kUnit, __LINE__);
  const UINT stride = RowBytes(image.width);
  const std::uint64_t length = std::uint64_t(stride) * image.height;
  if (length > 0xFFFFFFFFu) throw_hr(WINCODEC_ERR_IMAGESIZEOUTOFRANGE, kUnit, __LINE__);
  image.bits.assign(static_cast<std::size_t>(length), 0);
  check_hr(converter->CopyPixels(nullptr, stride, static_cast<UINT>(length), image.bits.data()), kUnit, __LINE__);
  return image;
}

}  // namespace brimloft
