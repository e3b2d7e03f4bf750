// The XPS rasterization service on MuPDF: a rasterizer per page, which renders rectangles of
// the page into imaging bitmaps.
#include <xpsrassvc.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/com_object.h"
#include "platform/xps_rasterizer.h"
#include "xps/mupdf_page.h"
#include "platform/com_ref.h"
#include "xps/part_name.h"
#include "xps/render_package.h"
#include "xps/xps_private.h"
#include "xps/xps_text.h"

namespace platform::xps {
namespace {

const HRESULT kCancelled = HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);
// Pixels rendered between two questions to the notification callback.
constexpr long long kBandPixels = 1 << 20;

// True when each of the four BGRA pixels is opaque or fully transparent: its straight and
// premultiplied forms are the same.
bool FourUnchanged(const unsigned char* pixels) {
  constexpr std::uint64_t kAlpha = 0xFF000000FF000000ull;  // the alpha bytes of two BGRA pixels
  constexpr std::uint64_t kLow7 = 0x7F0000007F000000ull;
  std::uint64_t a, b;
  std::memcpy(&a, pixels, 8);
  std::memcpy(&b, pixels + 8, 8);
  if ((a & b & kAlpha) == kAlpha) return true;  // opaque, the common case, tested first
  a &= kAlpha;
  b &= kAlpha;
  // An alpha byte is 0 or 255 exactly when each of its bits equals the next higher one.
  return (((a >> 1) ^ a) & kLow7) == 0 && (((b >> 1) ^ b) & kLow7) == 0;
}

// Premultiplied to straight alpha, in place.
void Unpremultiply(unsigned char* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i, pixels += 4) {
    // Pages are mostly opaque or untouched: pass over them four pixels at a time.
    while (i + 4 <= count && FourUnchanged(pixels)) {
      i += 4;
      pixels += 16;
    }
    if (i == count) break;
    const unsigned a = pixels[3];
    if (a == 255 || a == 0) continue;
    for (int c = 0; c < 3; ++c) {
      const unsigned v = (pixels[c] * 255u + a / 2) / a;
      pixels[c] = static_cast<unsigned char>(v > 255 ? 255 : v);
    }
  }
}

class Rasterizer : public ComObject<IXpsRasterizer, &IID_IXpsRasterizer> {
 public:
  Rasterizer(std::unique_ptr<MupdfPage> page, float dpi) : page_(std::move(page)), dpi_(dpi) {}

  HRESULT STDMETHODCALLTYPE RasterizeRect(INT x, INT y, INT width, INT height,
                                          IXpsRasterizerNotificationCallback* callback,
                                          IWICBitmap** bitmap) override {
    if (bitmap == nullptr) return E_POINTER;
    *bitmap = nullptr;
    if (width <= 0 || height <= 0) return E_INVALIDARG;
    if (static_cast<long long>(x) + width > INT_MAX || static_cast<long long>(y) + height > INT_MAX ||
        static_cast<long long>(width) * 4 > INT_MAX)
      return E_INVALIDARG;
    if (callback != nullptr && callback->Continue() != S_OK) return kCancelled;
    try {
      std::lock_guard<std::mutex> lock(mutex_);
      return Rasterize(x, y, width, height, callback, bitmap);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  HRESULT STDMETHODCALLTYPE SetMinimalLineWidth(INT width) override {
    if (width < 0) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(mutex_);
    page_->SetMinimalLineWidth(static_cast<float>(width));
    return S_OK;
  }

 private:
  HRESULT Rasterize(int x, int y, int width, int height, IXpsRasterizerNotificationCallback* callback,
                    IWICBitmap** out) {
    Ref<IWICBitmap> bitmap;
    HRESULT hr = NewBitmap(width, height, bitmap);
    if (FAILED(hr)) return hr;
    {
      const WICRect all{0, 0, width, height};
      Ref<IWICBitmapLock> lock;
      UINT stride = 0, size = 0;
      BYTE* data = nullptr;
      if (FAILED(hr = bitmap->Lock(&all, WICBitmapLockWrite, lock.put())) || FAILED(hr = lock->GetStride(&stride)) ||
          FAILED(hr = lock->GetDataPointer(&size, &data)))
        return hr;
      const size_t rowBytes = static_cast<size_t>(width) * 4;
      if (data == nullptr || stride < rowBytes || size < static_cast<size_t>(stride) * (height - 1) + rowBytes)
        return E_UNEXPECTED;
      hr = RenderBands(x, y, width, height, callback, data, stride);
      if (FAILED(hr)) return hr;
    }
    *out = bitmap.get();
    (*out)->AddRef();
    return S_OK;
  }

  // Renders band after band straight into the bitmap (through a band buffer when its rows are
  // padded), asking the callback before every band but the first.
  HRESULT RenderBands(int x, int y, int width, int height, IXpsRasterizerNotificationCallback* callback,
                      BYTE* data, UINT stride) {
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const int bandRows = static_cast<int>(std::max<long long>(16, kBandPixels / width));
    std::vector<unsigned char> buffer;
    if (stride != rowBytes) buffer.resize(rowBytes * std::min(bandRows, height));
    for (int row = 0; row < height; row += bandRows) {
      if (row > 0 && callback != nullptr && callback->Continue() != S_OK) return kCancelled;
      const int rows = std::min(bandRows, height - row);
      unsigned char* target = buffer.empty() ? data + static_cast<size_t>(row) * stride : buffer.data();
      // A new bitmap starts transparent black; only the reused band buffer needs clearing.
      const HRESULT hr = page_->Render(x, y + row, x + width, y + row + rows, dpi_, target, buffer.empty());
      if (FAILED(hr)) return hr;
      Unpremultiply(target, static_cast<size_t>(width) * rows);
      if (!buffer.empty())
        for (int r = 0; r < rows; ++r)
          std::memcpy(data + static_cast<size_t>(row + r) * stride, target + r * rowBytes, rowBytes);
    }
    return S_OK;
  }

  HRESULT NewBitmap(int width, int height, Ref<IWICBitmap>& bitmap) {
    HRESULT hr = S_OK;
    if (!imaging_ && FAILED(hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IWICImagingFactory, reinterpret_cast<void**>(imaging_.put()))))
      return hr;
    return imaging_->CreateBitmap(static_cast<UINT>(width), static_cast<UINT>(height), GUID_WICPixelFormat32bppBGRA,
                                  WICBitmapCacheOnLoad, bitmap.put());
  }

  std::mutex mutex_;
  const std::unique_ptr<MupdfPage> page_;
  const float dpi_;
  Ref<IWICImagingFactory> imaging_;
};

class RasterizationFactory : public ComObject<IXpsRasterizationFactory, &IID_IXpsRasterizationFactory> {
 public:
  explicit RasterizationFactory(std::shared_ptr<RendererMessages> messages) : messages_(std::move(messages)) {}

  HRESULT STDMETHODCALLTYPE CreateRasterizer(IXpsOMPage* page, FLOAT dpi, XPSRAS_RENDERING_MODE nonTextMode,
                                             XPSRAS_RENDERING_MODE textMode, IXpsRasterizer** rasterizer) override {
    if (rasterizer == nullptr) return E_POINTER;
    *rasterizer = nullptr;
    if (page == nullptr) return E_POINTER;
    if (!(dpi > 0) || dpi > 1e6f || !ValidMode(nonTextMode) || !ValidMode(textMode)) return E_INVALIDARG;
    Ref<IPlatformXpsPage> own;
    if (FAILED(page->QueryInterface(IID_PlatformXpsPage, reinterpret_cast<void**>(own.put())))) return E_INVALIDARG;
    try {
      std::string archive;
      HRESULT hr = BuildRenderPackage(own.get(), archive);
      if (FAILED(hr)) return hr;
      // The package holds a page only under a name, so the page has one.
      Ref<IOpcPartUri> uri;
      std::wstring pageName;
      if (FAILED(hr = own->GetPartName(uri.put())) || FAILED(hr = GetPartNameString(uri.get(), pageName))) return hr;
      std::unique_ptr<MupdfPage> opened;
      hr = MupdfPage::Open(std::move(archive), textMode == XPSRAS_RENDERING_MODE_ANTIALIASED,
                           nonTextMode == XPSRAS_RENDERING_MODE_ANTIALIASED, messages_, ToUtf8(pageName), opened);
      if (FAILED(hr)) return hr;
      *rasterizer = new Rasterizer(std::move(opened), dpi);
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  static bool ValidMode(XPSRAS_RENDERING_MODE mode) {
    return mode == XPSRAS_RENDERING_MODE_ANTIALIASED || mode == XPSRAS_RENDERING_MODE_ALIASED;
  }

  const std::shared_ptr<RendererMessages> messages_;
};

}  // namespace
}  // namespace platform::xps

namespace platform {

HRESULT CreateXpsRasterizationFactory(IXpsRasterizationFactory** factory, std::shared_ptr<RendererMessages> messages) {
  if (factory == nullptr) return E_POINTER;
  *factory = new (std::nothrow) xps::RasterizationFactory(std::move(messages));
  return *factory ? S_OK : E_OUTOFMEMORY;
}

}  // namespace platform
