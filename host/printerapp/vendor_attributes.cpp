#include "host/printerapp/vendor_attributes.h"

#include <algorithm>

namespace brimloft::printerapp {

const std::vector<VendorAttribute>& VendorAttributes() {
  static const std::vector<VendorAttribute> attributes = {
      {"brimloft-dither",
       "QVDither",
       {{"none", "None"}, {"error-diffusion", "FloydSteinberg"}, {"ordered-2x2", "2x2"}, {"ordered-4x4", "4x4"}}},
      {"brimloft-cut", "QVCutType", {{"full", "T"}, {"partial", "P"}, {"none", "S"}}},
      {"brimloft-feed", "QVPrintContinuous", {{"page-by-page", "N"}, {"continuous", "S"}}},
      {"brimloft-print-mode", "QVPrintType", {{"bands", "Vertical"}, {"raster-rows", "Horizontal"}}},
  };
  return attributes;
}

std::string KeywordOf(const VendorAttribute& attribute, const std::string& option) {
  for (const VendorChoice& choice : attribute.choices)
    if (option == choice.option) return choice.keyword;
  return "";
}

std::string BrightnessOption(int printDarkness, int darknessConfigured) {
  static const char* const kSteps[kDarknessSteps] = {"fraco", "mfraco", "normal", "mforte", "forte"};
  const int level = std::clamp(darknessConfigured + printDarkness / 2, 0, 100);
  return kSteps[(level + 12) / 25];
}

}  // namespace brimloft::printerapp
