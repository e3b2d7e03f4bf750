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

constexpr auto kUnit = TraceUnit::rasinterface;
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
  if (!(std::fabs(pixels) < 2147483647.0)) BRIMLOFT_THROW(E_INVALIDARG);
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
    BRIMLOFT_TRACE(trace::BleedBoxFitUnsupported);
    BRIMLOFT_THROW(E_UNEXPECTED);
  }
  const XPS_RECT& bleed = bleedBox;
  const XPS_RECT& target = settings.targetRect;
  // A page without width (a zero or negative size or resolution in the ticket) has no strip
  // height; a page without a bleed area can't be fitted.
  if (!(width > 0) || !(bleed.width > 0.0f) || !(bleed.height > 0.0f)) BRIMLOFT_THROW(E_INVALIDARG);
  if (!(height > 0) && turned) BRIMLOFT_THROW(E_INVALIDARG);
  const double across = turned ? height : width;
  const double along = turned ? width : height;
  if (across > kStripPixels) BRIMLOFT_THROW(E_OUTOFMEMORY);
  if (!(std::fabs(along) <= kMaxPageRows)) {
    BRIMLOFT_TRACE(trace::PageTooLong, along, kMaxPageRows);
    BRIMLOFT_THROW(E_INVALIDARG);
  }
  g.width = static_cast<INT>(width);
  g.height = static_cast<INT>(height);
  const FLOAT sx = target.width / bleed.width * r;
  const FLOAT sy = target.height / bleed.height * r;
  g.dpi = sx > sy ? sy : sx;
  // A bleed box tiny against the target gives a resolution no rasterizer can take.
  if (!(g.dpi > 0.0f) || !std::isfinite(g.dpi)) BRIMLOFT_THROW(E_INVALIDARG);
  g.x = EdgePixels(g.dpi, bleed.x, r, target.x);
  g.y = EdgePixels(g.dpi, bleed.y, r, target.y);
  g.stripRows = kStripPixels / static_cast<INT>(across);
  if (g.stripRows == 0) BRIMLOFT_THROW(E_OUTOFMEMORY);
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
  BRIMLOFT_CHECK(propertyBag->GetProperty(L"MS_IXpsRasterizationFactory", &property));
  if (property.vt != VT_UNKNOWN && property.vt != VT_DISPATCH) BRIMLOFT_THROW(E_NOINTERFACE);
  if (property.punkVal == nullptr) BRIMLOFT_THROW(E_POINTER);
  ComPtr<IXpsRasterizationFactory> factory;
  BRIMLOFT_CHECK(property.punkVal->QueryInterface(IID_IXpsRasterizationFactory, factory.put_void()));
  auto handler = BrimloftBitmapHandler::Create(variantCode, propertyBag, outputStream, std::move(snapshotPath));
  return std::unique_ptr<RasInterface>(new RasInterface(std::move(factory), std::move(handler)));
}

void RasInterface::RasterizePage(INT pageIndex, IXpsOMPage* page, const PageSettings& settings,
                                 FilterLiveness* liveness) {
  XPS_SIZE dimensions{};
  XPS_RECT bleed{};
  XPS_RECT content{};
  BRIMLOFT_CHECK(page->GetPageDimensions(&dimensions));
  BRIMLOFT_CHECK(page->GetBleedBox(&bleed));
  BRIMLOFT_CHECK(page->GetContentBox(&content));

  const PageLayout layout = handler_->BeginPage();
  const RasterGeometry g = ComputeRasterGeometry(settings, bleed, layout.turned);

  ComPtr<IXpsRasterizer> rasterizer;
  BRIMLOFT_CHECK(factory_->CreateRasterizer(page, g.dpi, XPSRAS_RENDERING_MODE_ANTIALIASED,
                                      XPSRAS_RENDERING_MODE_ANTIALIASED, rasterizer.put()));
  if (!rasterizer) BRIMLOFT_THROW(E_POINTER);  // the bag's factory answered without one
  BRIMLOFT_CHECK(rasterizer->SetMinimalLineWidth(1));
  if (g.height <= 0) return;  // a page without rows prints nothing

  const std::vector<StripRect> strips = PlanStrips(g.width, g.height, layout.turned, layout.headWidth, kStripPixels);
  for (std::size_t i = 0; i < strips.size() && liveness->IsAlive(); ++i) {
    BRIMLOFT_TRACE(trace::StripRasterizing);
    const StripRect& s = strips[i];
    ComPtr<IWICBitmap> strip;
    const HRESULT hr = rasterizer->RasterizeRect(g.x + s.x, g.y + s.y, s.width, s.height, liveness, strip.put());
    if (hr == kCancelled) {
      BRIMLOFT_TRACE(trace::RasterizationCancelled);
      break;
    }
    BRIMLOFT_CHECK(hr);
    if (!strip) BRIMLOFT_THROW(E_POINTER);
    const double r = settings.resolution;
    BRIMLOFT_CHECK(strip->SetResolution(r, r));
    handler_->ProcessStrip(pageIndex, strip.get(), i + 1 == strips.size());
  }
}

void RasInterface::EndJob() { handler_->ProcessStrip(0, nullptr); }

}  // namespace brimloft
