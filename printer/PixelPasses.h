// The page image's own per-pixel passes over 32-bit blue-green-red-alpha pixels: compositing onto
// white, the brightness curve and the ordered dithers.
#ifndef BRIMLOFT_PRINTER_PIXELPASSES_H
#define BRIMLOFT_PRINTER_PIXELPASSES_H

#include <windows.h>

#include <array>
#include <string>
#include <vector>

namespace brimloft {

// The brightness curve chosen by the "QVBright" option: no curve for "normal", otherwise
// C' = pow(C' / 255, 1 / factor) * 255.
struct Brightness {
  bool curve = true;
  double factor = 1.0;
  bool operator==(const Brightness& o) const noexcept { return curve == o.curve && factor == o.factor; }
};

// "fraco" 2.0, "mfraco" 1.4, "normal" no curve, "mforte" 0.75, "forte" 0.25, anything else 1.0.
Brightness BrightnessFor(const std::string& option) noexcept;

// One colour byte composited onto white by its alpha and put through the curve, in double
// precision, clamped to 0..255 and truncated toward zero.
BYTE CompositeAndCurve(BYTE colour, BYTE alpha, const Brightness& brightness) noexcept;

// The values of CompositeAndCurve for one brightness, one row of 256 colour values per alpha,
// each row computed on its first use. Kept across strips: it is rebuilt only when the
// brightness changes.
class CompositeTable {
 public:
  CompositeTable();
  void Select(const Brightness& brightness);
  const BYTE* Row(BYTE alpha) noexcept {
    if (!ready_[alpha]) Fill(alpha);
    return &values_[alpha * 256u];
  }
  // True when opaque pixels come out unchanged, so the pass may leave them alone.
  bool OpaqueIsIdentity() noexcept;

 private:
  void Fill(BYTE alpha) noexcept;
  Brightness brightness_;
  std::vector<BYTE> values_;
  std::array<bool, 256> ready_{};
};

// The ordered pass chosen by the "QVDither" option: "2x2", "4x4" or none.
enum class OrderedDither { None, Matrix2x2, Matrix4x4 };
OrderedDither OrderedDitherFor(const std::string& option) noexcept;

// Composites and curves every pixel (alpha becomes 255), then, for an ordered dither, turns each
// pixel pure white or pure black by its luminance against the matrix threshold of its column and
// row. pixels holds height rows of width pixels, stride bytes apart. Never fails.
void CompositeBrightenDither(BYTE* pixels, UINT width, UINT height, std::size_t stride, CompositeTable& table,
                             OrderedDither dither) noexcept;

}  // namespace brimloft

#endif
