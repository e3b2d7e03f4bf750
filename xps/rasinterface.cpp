#include "xps/rasinterface.h"

#include <comdef.h>
#include <wincodec.h>

#include <cmath>
#include <vector>

#include "module/filtertypes.h"
#include "module/trace.h"
#include "printer/BrimloftBitmapHandler.h"
#include "xps/StripPlan.h"

namespace brimloft {
namespace {

constexpr char kUnit[] = "rasinterface";
constexpr INT kStripPixels = 0x400000;
// The longest page rendered: 1,048,576 rows, over 88 metres at 300 dpi, longer than any roll. It
// keeps a ticket's page size from overflowing the pixel arithmetic or rendering for hours.
constexpr INT kMaxPageRows = 0x100000;
const HRESULT kCancelled = HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);

// Single-precision scaling, then the half added and the truncation in double precision. Left as a
// double so that sizes beyond INT can be refused before they are converted.
double RoundedPixels(FLOAT resolution, FLOAT length) {
  const FLOAT scaled = resolution / 96.0f * length;
  return std::trunc(static_cast<double>(scaled) + 0.5);
}

// Throws E_INVALIDARG for an edge beyond INT (a bleed box far off the page), which no
// conversion can hold.
INT EdgePixels(FLOAT dpi, FLOAT bleedEdge, FLOAT resolution, FLOAT targetEdge) {
  const FLOAT edge = dpi * bleedEdge / 96.0f - resolution * targetEdge / 96.0f;
  const double pixels = static_cast<double>(edge) - 0.5;
  if (!(std::fabs(pixels) < 2147483647.0)) throw_hr(E_INVALIDARG, kUnit, __LINE__);
  return static_cast<INT>(pixels);
}

}  // namespace

RasterGeometry ComputeRasterGeometry(const PageSettings& settings, const XPS_RECT& bleedBox, bool turned) {
  const FLOAT r = settings.resolution;
  RasterGeometry g;
  const double height = RoundedPixels(r, settings.pageSize.height);
  const double width = RoundedPixels(r, settings.pageSize.width);
  // Fit mode 1, the only one there is, fits the bleed box into the target rectangle.
  if (settings.fitMode != 1) {
    BRIMLOFT_TRACE(TRACE_ERROR, rasinterface, 12);
    throw_hr(E_UNEXPECTED, kUnit, __LINE__);
  }
  const XPS_RECT& bleed = bleedBox;
  const XPS_RECT& target = settings.targetRect;
  // A page without width (a zero or negative size or resolution in the ticket) has no strip
  // height; a page without a bleed area can't be fitted.
  if (!(width > 0) || !(bleed.width > 0.0f) || !(bleed.height > 0.0f)) throw_hr(E_INVALIDARG, kUnit, __LINE__);
  if (!(height > 0) && turned) throw_hr(E_INVALIDARG, kUnit, __LINE__);
  const double across = turned ? height : width;
  const double along = turned ? width : height;
  if (across > kStripPixels) throw_hr(E_OUTOFMEMORY, kUnit, __LINE__);
  if (!(std::fabs(along) <= kMaxPageRows)) {
    BRIMLOFT_TRACE(TRACE_ERROR, rasinterface, 14, along, kMaxPageRows);
    throw_hr(E_INVALIDARG, kUnit, __LINE__);
  }
  g.width = static_cast<INT>(width);
  g.height = static_cast<INT>(height);
  const FLOAT sx = target.width / bleed.width * r;
  const FLOAT sy = target.height / bleed.height * r;
  g.dpi = sx > sy ? sy : sx;
  // A bleed box tiny against the target gives a resolution no rasterizer can take.
  if (!(g.dpi > 0.0f) || !std::isfinite(g.dpi)) throw_hr(E_INVALIDARG, kUnit, __LINE__);
  g.x = EdgePixels(g.dpi, bleed.x, r, target.x);
  g.y = EdgePixels(g.dpi, bleed.y, r, target.y);
  g.stripRows = kStripPixels / static_cast<INT>(across);
  if (g.stripRows == 0) throw_hr(E_OUTOFMEMORY, kUnit, __LINE__);
  return g;
}

RasInterface::RasInterface(ComPtr<IXpsRasterizationFactory> factory, std::unique_ptr<BrimloftBitmapHandler> handler)
    : factory_(std::move(factory)), handler_(std::move(handler)) {}

RasInterface::~RasInterface() = default;

std::unique_ptr<RasInterface> RasInterface::Create(const std::string& variantCode,
                                                   IPrintPipelinePropertyBag* propertyBag,
                                                   IPrintWriteStream* outputStream,
                                                   std::string snapshotPath) {
  _variant_t property;
  check_hr(propertyBag->GetProperty(L"MS_IXpsRasterizationFactory", &property), kUnit, __LINE__);
  if (property.vt != VT_UNKNOWN && property.vt != VT_DISPATCH) throw_hr(E_NOINTERFACE, kUnit, __LINE__);
  if (property.punkVal == nullptr) throw_hr(E_POINTER, kUnit, __LINE__);
  ComPtr<IXpsRasterizationFactory> factory;
  check_hr(property.punkVal->QueryInterface(IID_IXpsRasterizationFactory, factory.put_void()), kUnit, __LINE__);
  auto handler = BrimloftBitmapHandler::Create(variantCode, propertyBag, outputStream, std::move(snapshotPath));
  return std::unique_ptr<RasInterface>(new RasInterface(std::move(factory), std::move(handler)));
}

void RasInterface::RasterizePage(INT pageIndex, IXpsOMPage* page, const PageSettings& settings,
                                 FilterLiveness* liveness) {
  XPS_SIZE dimensions{};
  XPS_RECT bleed{};
  XPS_RECT content{};
  check_hr(page->GetPageDimensions(&dimensions), kUnit, __LINE__);
  check_hr(page->GetBleedBox(&bleed), kUnit, __LINE__);
  check_hr(page->GetContentBox(&content), kUnit, __LINE__);

  const PageLayout layout = handler_->BeginPage();
  const RasterGeometry g = ComputeRasterGeometry(settings, bleed, layout.turned);

  ComPtr<IXpsRasterizer> rasterizer;
  check_hr(factory_->CreateRasterizer(page, g.dpi, XPSRAS_RENDERING_MODE_ANTIALIASED,
                                      XPSRAS_RENDERING_MODE_ANTIALIASED, rasterizer.put()),
           kUnit, __LINE__);
  if (!rasterizer) throw_hr(E_POINTER, kUnit, __LINE__);  // the bag's factory answered without one
  check_hr(rasterizer->SetMinimalLineWidth(1), kUnit, __LINE__);
  if (g.height <= 0) return;  // a page without rows prints nothing

  const std::vector<StripRect> strips = PlanStrips(g.width, g.height, layout.turned, layout.headWidth, kStripPixels);
  for (std::size_t i = 0; i < strips.size() && liveness->IsAlive(); ++i) {
    BRIMLOFT_TRACE(TRACE_DETAIL, rasinterface, 10);
    const StripRect& s = strips[i];
    ComPtr<IWICBitmap> strip;
    const HRESULT hr = rasterizer->RasterizeRect(g.x + s.x, g.y + s.y, s.width, s.height, liveness, strip.put());
    if (hr == kCancelled) {
      BRIMLOFT_TRACE(TRACE_DETAIL, rasinterface, 11);
      break;
    }
    check_hr(hr, kUnit, __LINE__);
    if (!strip) throw_hr(E_POINTER, kUnit, __LINE__);
    const double r = settings.resolution;
    check_hr(strip->SetResolution(r, r), kUnit, __LINE__);
    handler_->ProcessStrip(pageIndex, strip.get(), i + 1 == strips.size());
  }
}

void RasInterface::EndJob() { handler_->ProcessStrip(0, nullptr); }

}  // namespace brimloft
