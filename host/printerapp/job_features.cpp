#include "host/printerapp/job_features.h"

#include "host/failures/host_error.h"
#include "host/printerapp/media_sizes.h"
#include "host/printerapp/vendor_attributes.h"

namespace brimloft::printerapp {

namespace {

std::string OfferedKeywords(const VendorAttribute& attribute) {
  std::string list;
  for (std::size_t i = 0; i < attribute.choices.size(); ++i) {
    if (i > 0) list += i + 1 == attribute.choices.size() ? " or " : ", ";
    list += attribute.choices[i].keyword;
  }
  return list;
}

}  // namespace

FeatureTable JobFeatures(const platform::PrinterDescription& printer, const JobRequest& request, bool turnLandscape) {
  FeatureTable features;
  for (const platform::PrinterFeature& feature : printer.features) features[feature.name] = feature.defaultOption;
  features.erase("PageMediaSize");
  if (request.mediaChosen)
    for (const auto& [name, value] : MediaFeatures(printer, request.mediaWidth, request.mediaLength))
      features[name] = value;
  features["PageOrientation"] = turnLandscape && request.landscape ? "Landscape" : "Portrait";
  features["QVBright"] = BrightnessOption(request.printDarkness, request.darknessConfigured);
  for (const VendorAttribute& attribute : VendorAttributes()) {
    const auto asked = request.vendor.find(attribute.name);
    if (asked == request.vendor.end()) continue;
    const VendorChoice* chosen = nullptr;
    for (const VendorChoice& choice : attribute.choices)
      if (asked->second == choice.keyword) chosen = &choice;
    if (chosen == nullptr)
      throw host::HostError(E_INVALIDARG, "the value \"" + asked->second + "\" of " + attribute.name +
                                              " is not supported: choose " + OfferedKeywords(attribute));
    features[attribute.feature] = chosen->option;
  }
  return features;
}

}  // namespace brimloft::printerapp
