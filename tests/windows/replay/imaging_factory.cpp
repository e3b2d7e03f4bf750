// Wine's imaging factory with the three pieces Wine lacks or does otherwise taken from the
// project's own imaging code: the flip-rotator (Wine cannot turn a quarter), the Fant scaler (Wine's
// is nearest neighbour) and the conversion to black and white (Wine has none).
#include "replay/replay.h"

#include <wincodec.h>

#include "module/ComPtr.h"
#include "platform/com_object.h"
#include "wic/bitmap_scaler.h"
#include "wic/flip_rotator.h"
#include "wic/format_converter.h"

namespace brimloft::replay {
namespace {

template <class Object, class Interface>
HRESULT Make(Interface** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = new (std::nothrow) Object();
  return *out ? S_OK : E_OUTOFMEMORY;
}

#define FORWARD(name, params, args) \
  HRESULT STDMETHODCALLTYPE name params override { return wine_->name args; }

class ImagingFactory final : public platform::ComObject<IWICImagingFactory, &IID_IWICImagingFactory> {
 public:
  explicit ImagingFactory(IWICImagingFactory* wine) : wine_(wine) {}

  HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter** out) override {
    return Make<platform::wic::FormatConverter>(out);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapScaler(IWICBitmapScaler** out) override {
    return Make<platform::wic::BitmapScaler>(out);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFlipRotator(IWICBitmapFlipRotator** out) override {
    return Make<platform::wic::FlipRotator>(out);
  }

  FORWARD(CreateDecoderFromFilename, (LPCWSTR f, const GUID* v, DWORD a, WICDecodeOptions o, IWICBitmapDecoder** d),
          (f, v, a, o, d))
  FORWARD(CreateDecoderFromStream, (IStream * s, const GUID* v, WICDecodeOptions o, IWICBitmapDecoder** d), (s, v, o, d))
  FORWARD(CreateDecoderFromFileHandle, (ULONG_PTR h, const GUID* v, WICDecodeOptions o, IWICBitmapDecoder** d),
          (h, v, o, d))
  FORWARD(CreateComponentInfo, (REFCLSID c, IWICComponentInfo** i), (c, i))
  FORWARD(CreateDecoder, (REFGUID c, const GUID* v, IWICBitmapDecoder** d), (c, v, d))
  FORWARD(CreateEncoder, (REFGUID c, const GUID* v, IWICBitmapEncoder** e), (c, v, e))
  FORWARD(CreatePalette, (IWICPalette * *p), (p))
  FORWARD(CreateBitmapClipper, (IWICBitmapClipper * *c), (c))
  FORWARD(CreateStream, (IWICStream * *s), (s))
  FORWARD(CreateColorContext, (IWICColorContext * *c), (c))
  FORWARD(CreateColorTransformer, (IWICColorTransform * *t), (t))
  FORWARD(CreateBitmap, (UINT w, UINT h, REFWICPixelFormatGUID f, WICBitmapCreateCacheOption o, IWICBitmap** b),
          (w, h, f, o, b))
  FORWARD(CreateBitmapFromSource, (IWICBitmapSource * s, WICBitmapCreateCacheOption o, IWICBitmap** b), (s, o, b))
  FORWARD(CreateBitmapFromSourceRect, (IWICBitmapSource * s, UINT x, UINT y, UINT w, UINT h, IWICBitmap** b),
          (s, x, y, w, h, b))
  FORWARD(CreateBitmapFromMemory,
          (UINT w, UINT h, REFWICPixelFormatGUID f, UINT stride, UINT size, BYTE* pixels, IWICBitmap** b),
          (w, h, f, stride, size, pixels, b))
  FORWARD(CreateBitmapFromHBITMAP, (HBITMAP b, HPALETTE p, WICBitmapAlphaChannelOption o, IWICBitmap** out),
          (b, p, o, out))
  FORWARD(CreateBitmapFromHICON, (HICON i, IWICBitmap** b), (i, b))
  FORWARD(CreateComponentEnumerator, (DWORD t, DWORD o, IEnumUnknown** e), (t, o, e))
  FORWARD(CreateFastMetadataEncoderFromDecoder, (IWICBitmapDecoder * d, IWICFastMetadataEncoder** e), (d, e))
  FORWARD(CreateFastMetadataEncoderFromFrameDecode, (IWICBitmapFrameDecode * d, IWICFastMetadataEncoder** e), (d, e))
  FORWARD(CreateQueryWriter, (REFGUID f, const GUID* v, IWICMetadataQueryWriter** w), (f, v, w))
  FORWARD(CreateQueryWriterFromReader, (IWICMetadataQueryReader * r, const GUID* v, IWICMetadataQueryWriter** w),
          (r, v, w))

 private:
  ComPtr<IWICImagingFactory> wine_;
};

#undef FORWARD

}  // namespace

ComPtr<IWICImagingFactory> WineImagingFactory() {
  static const ComPtr<IWICImagingFactory> factory = [] {
    ComPtr<IWICImagingFactory> wine;
    const HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                        wine.put_void());
    if (FAILED(hr)) throw Failure("Wine's imaging factory", hr);
    return wine;
  }();
  return factory;
}

HRESULT CreateImagingFactory(REFIID iid, void** out) {
  return platform::HandOut(new ImagingFactory(WineImagingFactory().get()), iid, out);
}

}  // namespace brimloft::replay
