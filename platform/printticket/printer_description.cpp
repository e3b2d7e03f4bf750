// The built-in printer descriptions and the registry of known printers.
#include <platform/printer_description.h>

#include "core/utf8.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace platform {

const PrinterOption* PrinterFeature::FindOption(const std::string& optionName) const {
  for (const auto& option : options) {
    if (option.name == optionName) return &option;
  }
  return nullptr;
}

const PrinterOption& PrinterFeature::Default() const {
  const PrinterOption* option = FindOption(defaultOption);
  if (!option) throw std::logic_error("feature " + name + " has no default option " + defaultOption);
  return *option;
}

const PrinterFeature* PrinterDescription::FindFeature(bool isPrivate, const std::string& featureName) const {
  for (const auto& feature : features) {
    if (feature.isPrivate == isPrivate && feature.name == featureName) return &feature;
  }
  return nullptr;
}

const PrinterParameter* PrinterDescription::FindParameter(const std::string& parameterName) const {
  for (const auto& parameter : parameters) {
    if (parameter.name == parameterName) return &parameter;
  }
  return nullptr;
}

namespace {

struct Variant {
  const char* code;
  int headDots;
};
constexpr Variant kVariants[] = {{"RX1P", 432}, {"RX1Q", 432}, {"RX2P", 576},
                                 {"RX2Q", 576}, {"RX3P", 832}, {"RX3Q", 832}};

// Roll widths in micrometres that each head prints on, the narrowest first.
std::vector<int> RollWidths(int headDots) {
  switch (headDots) {
    case 432:
      return {50800, 54000};  // 2 in, 54 mm
    case 576:
      return {72000, 76200};  // 72 mm, 3 in
    default:
      return {101600, 104000};  // 4 in, 104 mm
  }
}

PrinterFeature Choice(const std::string& name, bool isPrivate, FeatureScope scope,
                      const std::vector<std::string>& optionNames, const std::string& defaultOption) {
  PrinterFeature feature{name, isPrivate, scope, {}, defaultOption};
  for (const auto& optionName : optionNames) feature.options.push_back(PrinterOption{optionName, isPrivate, {}, {}});
  return feature;
}

PrinterFeature MediaSizes(int headDots) {
  static constexpr int kLengths[] = {101600, 152400};  // 4 in, 6 in
  PrinterFeature feature{"PageMediaSize", false, FeatureScope::Page, {}, {}};
  for (int width : RollWidths(headDots)) {
    for (int length : kLengths) {
      const std::string name =
          "Roll" + std::to_string((width + 500) / 1000) + "x" + std::to_string((length + 500) / 1000);
      feature.options.push_back(
          PrinterOption{name, true, {{"MediaSizeWidth", width}, {"MediaSizeHeight", length}}, {}});
    }
  }
  feature.defaultOption = feature.options.front().name;
  feature.options.push_back(PrinterOption{"CustomMediaSize", false, {},
                                          {{"MediaSizeWidth", "PageMediaSizeMediaSizeWidth"},
                                           {"MediaSizeHeight", "PageMediaSizeMediaSizeHeight"}}});
  return feature;
}

// A custom size: from the narrowest roll (or the head's printable width, where that is less) to the
// widest roll (or the head, where that is more), as wide as the head by default; 1 cm to 100 m long.
std::vector<PrinterParameter> CustomSizeParameters(int headDots) {
  const int printable = (headDots * 25400 + 101) / 203;  // micrometres, rounded
  const std::vector<int> rolls = RollWidths(headDots);
  return {{"PageMediaSizeMediaSizeWidth", std::min(printable, rolls.front()), std::max(printable, rolls.back()),
           printable},
          {"PageMediaSizeMediaSizeHeight", 10000, 100000000, 101600}};
}

PrinterDescription Describe(const Variant& variant) {
  PrinterDescription printer;
  printer.name = variant.code;
  printer.variant = variant.code;
  printer.privateNamespace = std::string("urn:kelmoran:brimloft:printer:") + variant.code;
  printer.features.push_back(MediaSizes(variant.headDots));
  printer.parameters = CustomSizeParameters(variant.headDots);
  printer.features.push_back(
      Choice("PageOrientation", false, FeatureScope::Page, {"Portrait", "Landscape"}, "Portrait"));
  PrinterFeature resolution{"PageResolution", false, FeatureScope::Page, {}, "Resolution203"};
  resolution.options.push_back(PrinterOption{"Resolution203", true, {{"ResolutionX", 203}, {"ResolutionY", 203}}, {}});
  printer.features.push_back(resolution);
  printer.features.push_back(Choice("QVPrintContinuous", true, FeatureScope::Job, {"N", "S"}, "N"));
  printer.features.push_back(
      Choice("QVPrintType", true, FeatureScope::Document, {"Vertical", "Horizontal"}, "Vertical"));
  printer.features.push_back(Choice("QVCutType", true, FeatureScope::Job, {"T", "P", "S"}, "T"));
  printer.features.push_back(
      Choice("QVDither", true, FeatureScope::Page, {"None", "FloydSteinberg", "2x2", "4x4"}, "None"));
  printer.features.push_back(Choice("QVBright", true, FeatureScope::Page,
                                    {"fraco", "mfraco", "normal", "mforte", "forte"}, "normal"));
  return printer;
}

struct Registry {
  std::mutex lock;
  std::vector<PrinterDescription> printers;

  Registry() {
    for (const auto& variant : kVariants) printers.push_back(Describe(variant));
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

PrinterDescription BuiltInPrinterDescription(const std::string& variant) {
  for (const auto& known : kVariants) {
    if (variant == known.code) return Describe(known);
  }
  throw std::invalid_argument("unknown printer variant \"" + variant + "\"");
}

void RegisterPrinter(const PrinterDescription& printer) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (auto& known : registry.printers) {
    if (known.name == printer.name) {
      known = printer;
      return;
    }
  }
  registry.printers.push_back(printer);
}

bool UnregisterPrinter(const std::string& name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (auto it = registry.printers.begin(); it != registry.printers.end(); ++it) {
    if (it->name == name) {
      registry.printers.erase(it);
      return true;
    }
  }
  return false;
}

std::optional<PrinterDescription> FindPrinter(const std::string& name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  for (const auto& known : registry.printers) {
    if (known.name == name) return known;
  }
  return std::nullopt;
}

std::optional<PrinterDescription> FindPrinter(const std::wstring& name) {
  return FindPrinter(text::ToUtf8(name));
}

}  // namespace platform
