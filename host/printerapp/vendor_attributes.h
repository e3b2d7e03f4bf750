// The printer's own options as IPP attributes: a vendor attribute per private feature, each value
// a keyword a client shows, and the five brightness steps as print-darkness.
#ifndef BRIMLOFT_HOST_PRINTERAPP_VENDOR_ATTRIBUTES_H
#define BRIMLOFT_HOST_PRINTERAPP_VENDOR_ATTRIBUTES_H

#include <string>
#include <vector>

namespace brimloft::printerapp {

struct VendorChoice {
  const char* keyword;  // the IPP keyword
  const char* option;   // the feature's option
};

struct VendorAttribute {
  const char* name;     // the IPP attribute; "<name>-default" and "<name>-supported" go with it
  const char* feature;  // the private feature it sets
  std::vector<VendorChoice> choices;
};

// brimloft-dither (QVDither), brimloft-cut (QVCutType), brimloft-feed (QVPrintContinuous) and
// brimloft-print-mode (QVPrintType).
const std::vector<VendorAttribute>& VendorAttributes();

// The keyword of a feature's option, or an empty string when the attribute has none for it.
std::string KeywordOf(const VendorAttribute& attribute, const std::string& option);

// The brightness option of an effective darkness: printer-darkness-configured (0 to 100) moved by
// half the job's print-darkness (-100 to 100), in five steps from fraco (lightest) to forte.
std::string BrightnessOption(int printDarkness, int darknessConfigured);

// print-darkness-supported: the number of steps.
constexpr int kDarknessSteps = 5;

}  // namespace brimloft::printerapp

#endif
