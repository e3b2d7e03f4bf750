// The object model's page header on arbitrary page markup (Width, Height, BleedBox, ContentBox),
// then the raster geometry of that page on a two-by-four-inch ticket. A page either converts with
// finite positive dimensions and boxes, or fails with an HRESULT; its geometry is either refused
// with an HRESULT or fits the strip and page bounds.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <msopc.h>
#include <xpsobjectmodel.h>

#include "fakes/xps_fakes.h"
#include "fuzz/fuzz_support.h"
#include "module/filtertypes.h"
#include "xps/omconvertor.h"
#include "xps/rasinterface.h"

using namespace brimloft;

namespace {

template <class Interface>
ComPtr<Interface> Create(const CLSID& clsid, const IID& iid) {
  ComPtr<Interface> made;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, made.put_void()))) std::abort();
  return made;
}

bool Finite(const XPS_RECT& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SetUpProcess();
  static const auto factory = Create<IXpsOMObjectFactory>(CLSID_XpsOMObjectFactory, IID_IXpsOMObjectFactory);
  static const auto opc = Create<IOpcFactory>(CLSID_OpcFactory, IID_IOpcFactory);
  auto part = fakes::Make<fakes::FakeXpsPage>(std::string(reinterpret_cast<const char*>(data), size));

  ComPtr<IXpsOMPage> page;
  try {
    page = OMConvertor::ConvertPage(part.get(), factory.get(), opc.get());
  } catch (const hr_error& e) {
    if (SUCCEEDED(e.hr)) std::abort();
    return 0;
  }
  XPS_SIZE dimensions{};
  XPS_RECT bleed{}, content{};
  if (FAILED(page->GetPageDimensions(&dimensions)) || FAILED(page->GetBleedBox(&bleed)) ||
      FAILED(page->GetContentBox(&content))) {
    std::abort();
  }
  if (!(dimensions.width > 0) || !(dimensions.height > 0) || !std::isfinite(dimensions.width) ||
      !std::isfinite(dimensions.height) || !Finite(bleed) || !Finite(content)) {
    std::abort();
  }

  const PageSettings settings{{192.0f, 384.0f}, 1, 203.0f, {0.0f, 0.0f, 192.0f, 384.0f}};
  RasterGeometry geometry;
  try {
    geometry = ComputeRasterGeometry(settings, bleed);
  } catch (const hr_error& e) {
    if (SUCCEEDED(e.hr)) std::abort();
    return 0;
  }
  if (!(geometry.dpi > 0) || !std::isfinite(geometry.dpi) || geometry.width <= 0 || geometry.height <= 0 ||
      geometry.height > 1048576 || geometry.stripRows <= 0 ||
      std::int64_t(geometry.width) * geometry.stripRows > 4194304) {
    std::abort();
  }
  return 0;
}
