#include "host/printerapp/media_sizes.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>

namespace brimloft::printerapp {

namespace {

int Scored(const platform::PrinterOption& option, const char* name) {
  for (const auto& [key, value] : option.scoredProperties)
    if (key == name) return value;
  return 0;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// 1,048,576 rows at 203 dpi, in hundredths of millimetres.
constexpr int kLongestPage = static_cast<int>(1048576LL * 2540 / 203);
constexpr int kShortestPage = 2500;

std::string SizeName(const char* prefix, const std::string& name, int width, int length) {
  char text[128];
  pwgFormatSizeName(text, sizeof text, prefix, name.empty() ? nullptr : name.c_str(), width, length, nullptr);
  return text;
}

}  // namespace

std::vector<RollSize> RollSizes(const platform::PrinterDescription& printer) {
  std::vector<RollSize> sizes;
  const platform::PrinterFeature* feature = printer.FindFeature(false, "PageMediaSize");
  if (feature == nullptr) return sizes;
  for (const platform::PrinterOption& option : feature->options) {
    if (Scored(option, "MediaSizeWidth") <= 0) continue;  // the custom size: IPP's roll range
    RollSize size;
    size.option = option.name;
    size.width = Scored(option, "MediaSizeWidth") / 10;
    size.length = Scored(option, "MediaSizeHeight") / 10;
    // The class follows the units pwgFormatSizeName picks: "oe" for inches, "om" for millimetres.
    size.pwgName = SizeName("om", Lower(option.name), size.width, size.length);
    if (size.pwgName.size() > 2 && size.pwgName.compare(size.pwgName.size() - 2, 2, "in") == 0)
      size.pwgName.replace(0, 2, "oe");
    sizes.push_back(size);
  }
  return sizes;
}

std::vector<std::string> CustomSizeRange(const platform::PrinterDescription& printer) {
  const std::vector<RollSize> sizes = RollSizes(printer);
  if (sizes.empty()) return {};
  int narrowest = std::numeric_limits<int>::max(), widest = 0;
  for (const RollSize& size : sizes) {
    narrowest = std::min(narrowest, size.width);
    widest = std::max(widest, size.width);
  }
  return {SizeName("roll", "min", narrowest, kShortestPage), SizeName("roll", "max", widest, kLongestPage)};
}

namespace {

// The roll of the nearest width, of those the nearest length; nullptr when there are none.
const RollSize* NearestRoll(const std::vector<RollSize>& sizes, int width, int length) {
  const RollSize* best = nullptr;
  for (const RollSize& size : sizes) {
    if (best == nullptr) {
      best = &size;
      continue;
    }
    const int dw = std::abs(size.width - width), bestDw = std::abs(best->width - width);
    if (dw < bestDw || (dw == bestDw && std::abs(size.length - length) < std::abs(best->length - length)))
      best = &size;
  }
  return best;
}

}  // namespace

std::map<std::string, std::string> MediaFeatures(const platform::PrinterDescription& printer, int width, int length) {
  const std::vector<RollSize> sizes = RollSizes(printer);
  const RollSize* roll = NearestRoll(sizes, width, length);
  if (roll == nullptr) return {};
  if (roll->width == width && roll->length == length) return {{"PageMediaSize", roll->option}};
  const platform::PrinterFeature* sizeFeature = printer.FindFeature(false, "PageMediaSize");
  const platform::PrinterParameter* across = printer.FindParameter("PageMediaSizeMediaSizeWidth");
  const platform::PrinterParameter* along = printer.FindParameter("PageMediaSizeMediaSizeHeight");
  if (!sizeFeature || !sizeFeature->FindOption("CustomMediaSize") || !across || !along)
    return {{"PageMediaSize", roll->option}};
  // The parameters are in micrometres.
  const auto within = [](const platform::PrinterParameter& p, int hundredths) {
    return std::to_string(std::clamp(hundredths * 10LL, (long long)p.minValue, (long long)p.maxValue));
  };
  return {{"PageMediaSize", "CustomMediaSize"}, {across->name, within(*across, width)}, {along->name, within(*along, length)}};
}

}  // namespace brimloft::printerapp
