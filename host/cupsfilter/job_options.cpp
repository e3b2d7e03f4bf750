#include "host/cupsfilter/job_options.h"

#include <sstream>

#include "host/options/option_check.h"

namespace brimloft::rasterfilter {

namespace {

const std::string* Find(const OptionTable& table, const std::string& key) {
  const auto it = table.find(key);
  return it == table.end() ? nullptr : &it->second;
}

// The page sizes a job names, most specific first: PageSize, then the comma-separated media.
std::vector<std::string> NamedPageSizes(const OptionTable& jobOptions) {
  std::vector<std::string> names;
  if (const std::string* size = Find(jobOptions, "PageSize")) names.push_back(*size);
  if (const std::string* media = Find(jobOptions, "media")) {
    std::istringstream entries(*media);
    for (std::string entry; std::getline(entries, entry, ',');) names.push_back(entry);
  }
  return names;
}

}  // namespace

ResolvedFeatures ResolveFeatures(const platform::PrinterDescription& printer, const OptionTable& ppdDefaults,
                                 const OptionTable& jobOptions) {
  ResolvedFeatures result;
  for (const platform::PrinterFeature& feature : printer.features) {
    std::string chosen = feature.defaultOption;
    if (feature.isPrivate) {
      const std::string* ppdDefault = Find(ppdDefaults, feature.name);
      if (ppdDefault && feature.FindOption(*ppdDefault)) chosen = *ppdDefault;
      if (const std::string* asked = Find(jobOptions, feature.name)) {
        if (feature.FindOption(*asked)) {
          chosen = *asked;
        } else {
          result.warnings.push_back(host::NoSuchValue(feature, *asked) + "; printing with " + chosen);
        }
      }
    } else if (feature.name == "PageMediaSize") {
      std::vector<std::string> names = NamedPageSizes(jobOptions);
      if (const std::string* ppdSize = Find(ppdDefaults, "PageSize")) names.push_back(*ppdSize);
      for (const std::string& name : names) {
        if (feature.FindOption(name)) {
          chosen = name;
          break;
        }
      }
    } else if (feature.name == "PageOrientation" && feature.FindOption("Portrait")) {
      chosen = "Portrait";
    }
    result.features[feature.name] = chosen;
  }
  return result;
}

}  // namespace brimloft::rasterfilter
