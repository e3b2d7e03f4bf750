// The imaging factory, registered for in-process creation under both of its class identifiers.
#include <platform/com_object.h>
#include <platform/com_registry.h>
#include <wincodec.h>

#include "bitmap.h"
#include "bitmap_scaler.h"
#include "flip_rotator.h"
#include "format_converter.h"
#include "pixel_format.h"
#include "wic_error.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace platform::wic {
namespace {

// Hands a new object out through a typed out-parameter; a null out-parameter is E_INVALIDARG.
template <class Object, class Interface>
HRESULT MakeObject(Interface** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = new (std::nothrow) Object();
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT HandOutBitmap(Ref<Bitmap> bitmap, IWICBitmap** out) {
  *out = bitmap.Detach();
  return S_OK;
}

class ImagingFactory final : public ComObject<IWICImagingFactory, &IID_IWICImagingFactory> {
 public:
  // Decoding, encoding, streams, colour management and metadata are not provided.
  HRESULT STDMETHODCALLTYPE CreateDecoderFromFilename(LPCWSTR, const GUID*, DWORD, WICDecodeOptions,
                                                      IWICBitmapDecoder** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateDecoderFromStream(IStream*, const GUID*, WICDecodeOptions,
                                                    IWICBitmapDecoder** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateDecoderFromFileHandle(ULONG_PTR, const GUID*, WICDecodeOptions,
                                                        IWICBitmapDecoder** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateComponentInfo(REFCLSID, IWICComponentInfo** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateDecoder(REFGUID, const GUID*, IWICBitmapDecoder** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateEncoder(REFGUID, const GUID*, IWICBitmapEncoder** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreatePalette(IWICPalette** out) override { return NotProvided(out); }

  HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter** out) override {
    return MakeObject<FormatConverter>(out);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapScaler(IWICBitmapScaler** out) override {
    return MakeObject<BitmapScaler>(out);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapClipper(IWICBitmapClipper** out) override { return NotProvided(out); }
  HRESULT STDMETHODCALLTYPE CreateBitmapFlipRotator(IWICBitmapFlipRotator** out) override {
    return MakeObject<FlipRotator>(out);
  }
  HRESULT STDMETHODCALLTYPE CreateStream(IWICStream** out) override { return NotProvided(out); }
  HRESULT STDMETHODCALLTYPE CreateColorContext(IWICColorContext** out) override { return NotProvided(out); }
  HRESULT STDMETHODCALLTYPE CreateColorTransformer(IWICColorTransform** out) override {
    return NotProvided(out);
  }

  HRESULT STDMETHODCALLTYPE CreateBitmap(UINT width, UINT height, REFWICPixelFormatGUID format,
                                         WICBitmapCreateCacheOption option, IWICBitmap** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return Guarded([&] {
      // The pixels always live in memory from the start, whichever caching is asked for.
      if (option != WICBitmapNoCache && option != WICBitmapCacheOnDemand && option != WICBitmapCacheOnLoad)
        Fail(E_INVALIDARG);
      HandOutBitmap(Bitmap::Create(width, height, format), out);
    });
  }

  HRESULT STDMETHODCALLTYPE CreateBitmapFromSource(IWICBitmapSource* source, WICBitmapCreateCacheOption option,
                                                   IWICBitmap** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return Guarded([&] { HandOutBitmap(Bitmap::CreateFromSource(source, nullptr, option), out); });
  }

  HRESULT STDMETHODCALLTYPE CreateBitmapFromSourceRect(IWICBitmapSource* source, UINT x, UINT y, UINT width,
                                                       UINT height, IWICBitmap** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return Guarded([&] {
      if (x > UINT(INT32_MAX) || y > UINT(INT32_MAX) || width > UINT(INT32_MAX) || height > UINT(INT32_MAX))
        Fail(E_INVALIDARG);
      const WICRect rect{INT(x), INT(y), INT(width), INT(height)};
      HandOutBitmap(Bitmap::CreateFromSource(source, &rect, WICBitmapCacheOnLoad), out);
    });
  }

  // Copies the caller's pixels. Fails with E_INVALIDARG for a null buffer, a stride shorter than a
  // row or a buffer shorter than stride x (height - 1) + one row, and as CreateBitmap does.
  HRESULT STDMETHODCALLTYPE CreateBitmapFromMemory(UINT width, UINT height, REFWICPixelFormatGUID format,
                                                   UINT stride, UINT bufferSize, BYTE* buffer,
                                                   IWICBitmap** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return Guarded([&] {
      if (buffer == nullptr) Fail(E_INVALIDARG);
      Ref<Bitmap> bitmap = Bitmap::Create(width, height, format);
      const std::uint64_t row = RowBytes64(width, bitmap->Bpp());
      if (stride < row || std::uint64_t(stride) * (height - 1) + row > bufferSize) Fail(E_INVALIDARG);
      IWICBitmapLock* lock = nullptr;
      Check(bitmap->Lock(nullptr, WICBitmapLockWrite, &lock));
      UINT size = 0, pitch = 0;
      BYTE* pixels = nullptr;
      lock->GetDataPointer(&size, &pixels);
      lock->GetStride(&pitch);
      for (UINT y = 0; y < height; ++y)
        std::memcpy(pixels + std::size_t(y) * pitch, buffer + std::size_t(y) * stride, std::size_t(row));
      lock->Release();
      HandOutBitmap(std::move(bitmap), out);
    });
  }

  HRESULT STDMETHODCALLTYPE CreateBitmapFromHBITMAP(HBITMAP, HPALETTE, WICBitmapAlphaChannelOption,
                                                    IWICBitmap** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFromHICON(HICON, IWICBitmap** out) override { return NotProvided(out); }
  HRESULT STDMETHODCALLTYPE CreateComponentEnumerator(DWORD, DWORD, IEnumUnknown** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromDecoder(IWICBitmapDecoder*,
                                                                 IWICFastMetadataEncoder** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromFrameDecode(IWICBitmapFrameDecode*,
                                                                     IWICFastMetadataEncoder** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateQueryWriter(REFGUID, const GUID*, IWICMetadataQueryWriter** out) override {
    return NotProvided(out);
  }
  HRESULT STDMETHODCALLTYPE CreateQueryWriterFromReader(IWICMetadataQueryReader*, const GUID*,
                                                        IWICMetadataQueryWriter** out) override {
    return NotProvided(out);
  }

 private:
  template <class T>
  static HRESULT NotProvided(T** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }
};

HRESULT CreateImagingFactory(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  auto* factory = new (std::nothrow) ImagingFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  return HandOut(factory, riid, ppv);
}

// Both names carry the same identifier today; registering each keeps that an implementation detail.
const ClassRegistration kFactory(CLSID_WICImagingFactory, CreateImagingFactory);
const ClassRegistration kFactory1(CLSID_WICImagingFactory1, CreateImagingFactory);

}  // namespace
}  // namespace platform::wic
