#include "xps/StripPlan.h"

#include <cstdint>
#include <numeric>

#include "module/filtertypes.h"
#include "printer/BandImage.h"

namespace brimloft {
namespace {

constexpr auto kUnit = TraceUnit::rasinterface;

// The shortest length along the paper that scales from `across` pixels to headWidth dots as a whole
// number of bands: length * headWidth / across is an integer multiple of 24.
std::int64_t BandStep(std::int64_t across, std::int64_t headWidth) {
  const std::int64_t g = std::gcd(across, headWidth);
  const std::int64_t rowsPerStep = headWidth / g;  // scaled rows of across / g pixels
  return across / g * (kBandRows / std::gcd<std::int64_t>(kBandRows, rowsPerStep));
}

}  // namespace

std::vector<StripRect> PlanStrips(INT width, INT height, bool turned, UINT headWidth, INT maxPixels) {
  if (width <= 0 || height <= 0 || headWidth == 0) BRIMLOFT_THROW(E_INVALIDARG);
  const INT across = turned ? height : width;  // the pixels that become the head's width
  const INT along = turned ? width : height;
  INT step = maxPixels / across;
  if (step == 0) BRIMLOFT_THROW(E_OUTOFMEMORY);
  const std::int64_t band = BandStep(across, headWidth);
  if (band <= step) step = static_cast<INT>(step / band * band);

  std::vector<StripRect> strips;
  strips.reserve(static_cast<std::size_t>(along / step + 1));
  for (INT done = 0; done < along;) {
    const INT length = along - done < step ? along - done : step;
    if (turned) {
      strips.push_back({width - done - length, 0, length, height});
    } else {
      strips.push_back({0, done, width, length});
    }
    done += length;
  }
  return strips;
}

}  // namespace brimloft
