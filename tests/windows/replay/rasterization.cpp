// The rasterization service as the Linux build's filter met it: every rasterizer and strip is the
// one recorded there, in order, and each request must be the one the Linux build made (resolution,
// modes, page, rectangle), so that both builds get the same pixels and any difference is the filter's.
#include <cstring>

#include "replay/object_model.h"
#include "replay/replay.h"

namespace brimloft::replay {
namespace {

std::string Rect(INT x, INT y, INT w, INT h) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(w) + " x " + std::to_string(h) + ")";
}

class Rasterizer final : public platform::ComObject<IXpsRasterizer, &IID_IXpsRasterizer> {
 public:
  explicit Rasterizer(const jobrecord::Raster& raster, std::size_t page) : raster_(raster), page_(page) {}

  HRESULT STDMETHODCALLTYPE RasterizeRect(INT x, INT y, INT width, INT height, IXpsRasterizerNotificationCallback*,
                                          IWICBitmap** bitmap) override {
    if (bitmap == nullptr) return E_POINTER;
    *bitmap = nullptr;
    const std::string where = "page " + std::to_string(page_ + 1) + ", strip " + std::to_string(next_ + 1) + ": ";
    if (next_ >= raster_.strips.size()) {
      Current().Problem(where + "the Linux build's filter asked for no more strips of this page");
      return E_UNEXPECTED;
    }
    const jobrecord::Strip& s = raster_.strips[next_++];
    if (x != s.x || y != s.y || width != s.width || height != s.height) {
      Current().Problem(where + "asked for " + Rect(x, y, width, height) + " where the Linux build asked for " +
                        Rect(s.x, s.y, s.width, s.height));
      return E_UNEXPECTED;
    }
    if (FAILED(static_cast<HRESULT>(s.hr))) return static_cast<HRESULT>(s.hr);
    GUID format;
    std::memcpy(&format, s.format, sizeof format);
    const UINT stride = s.bitmapWidth * 4;
    auto pixels = const_cast<BYTE*>(s.pixels.data());
    return WineImagingFactory()->CreateBitmapFromMemory(s.bitmapWidth, s.bitmapHeight, format, stride,
                                                        static_cast<UINT>(s.pixels.size()), pixels, bitmap);
  }

  HRESULT STDMETHODCALLTYPE SetMinimalLineWidth(INT width) override {
    if (width != raster_.minimalLineWidth)
      Current().Problem("page " + std::to_string(page_ + 1) + ": minimal line width " + std::to_string(width) +
                        " where the Linux build set " + std::to_string(raster_.minimalLineWidth));
    return S_OK;
  }

 private:
  const jobrecord::Raster& raster_;
  std::size_t page_;
  std::size_t next_ = 0;
};

class Service final : public platform::ComObject<IXpsRasterizationFactory, &IID_IXpsRasterizationFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateRasterizer(IXpsOMPage* page, FLOAT dpi, XPSRAS_RENDERING_MODE nonText,
                                             XPSRAS_RENDERING_MODE text, IXpsRasterizer** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    Session& session = Current();
    const std::size_t n = session.rastersMade++;
    const std::string where = "page " + std::to_string(n + 1) + ": ";
    if (n >= session.Job().rasters.size()) {
      session.Problem(where + "the Linux build's filter rendered fewer pages");
      return E_UNEXPECTED;
    }
    const jobrecord::Raster& raster = session.Job().rasters[n];
    if (ObjectModelPageIndex(page) != n) session.Problem(where + "the rasterizer was handed another page");
    if (std::memcmp(&dpi, &raster.dpi, sizeof dpi) != 0)
      session.Problem(where + "rendered at " + std::to_string(dpi) + " dpi where the Linux build used " +
                      std::to_string(raster.dpi));
    if (static_cast<std::uint32_t>(nonText) != raster.nonTextMode || static_cast<std::uint32_t>(text) != raster.textMode)
      session.Problem(where + "other rendering modes than the Linux build's");
    *out = new Rasterizer(raster, n);
    return S_OK;
  }
};

}  // namespace

ComPtr<IXpsRasterizationFactory> MakeRasterizationService() {
  return ComPtr<IXpsRasterizationFactory>::Attach(new Service());
}

}  // namespace brimloft::replay
