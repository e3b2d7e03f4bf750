#include "printer/HeadWidth.h"

namespace brimloft {

UINT HeadWidth(const std::string& variantCode) noexcept {
  if (variantCode == "RX3P" || variantCode == "RX3Q") return 832;
  if (variantCode == "RX2P" || variantCode == "RX2Q") return 576;
  return 432;
}

}  // namespace brimloft
