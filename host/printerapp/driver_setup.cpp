#include "host/printerapp/driver_setup.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "host/printerapp/document_jobs.h"
#include "host/printerapp/media_sizes.h"
#include "host/printerapp/printer_variants.h"
#include "host/printerapp/raster_driver.h"
#include "host/printerapp/vendor_attributes.h"
#include "platform/printer_description.h"

namespace brimloft::printerapp {

namespace {

constexpr int kResolution = 203;
constexpr const char* kSource = "main-roll";

// PAPPL keeps the media names' pointers: they live as long as the process.
const std::vector<std::string>& MediaNames(const platform::PrinterDescription& printer) {
  static std::mutex lock;
  static std::map<std::string, std::vector<std::string>> names;
  std::lock_guard<std::mutex> guard(lock);
  std::vector<std::string>& list = names[printer.variant];
  if (list.empty()) {
    for (const RollSize& size : RollSizes(printer)) list.push_back(size.pwgName);
    for (const std::string& range : CustomSizeRange(printer)) list.push_back(range);
  }
  return list;
}

const char* TestPage(pappl_printer_t* printer, char* buffer, size_t size) {
  (void)printer;
  const char* path = std::getenv("BRIMLOFT_TEST_PAGE");
  if (path == nullptr || std::strlen(path) >= size) return nullptr;
  std::strcpy(buffer, path);
  return buffer;
}

void Identify(pappl_printer_t* printer, pappl_identify_actions_t, const char* message) {
  papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO, "Identify: %s", message ? message : "(no message)");
}

void AddVendorAttributes(const platform::PrinterDescription& printer, pappl_pr_driver_data_t* data, ipp_t* attrs) {
  data->num_vendor = 0;
  for (const VendorAttribute& attribute : VendorAttributes()) {
    std::vector<const char*> keywords;
    for (const VendorChoice& choice : attribute.choices) keywords.push_back(choice.keyword);
    const std::string supported = std::string(attribute.name) + "-supported";
    const std::string defaulted = std::string(attribute.name) + "-default";
    const platform::PrinterFeature* feature = printer.FindFeature(true, attribute.feature);
    const std::string keyword = feature ? KeywordOf(attribute, feature->defaultOption) : "";
    ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(), int(keywords.size()), nullptr,
                  keywords.data());
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, defaulted.c_str(), nullptr,
                 keyword.empty() ? attribute.choices.front().keyword : keyword.c_str());
    data->vendor[data->num_vendor++] = attribute.name;
  }
}

// What IPP Everywhere clients look for that PAPPL does not set: no preferred attributes, one
// rendering intent, raster back sides as they come, and the overrides keywords.
void AddEverywhereAttributes(ipp_t* attrs) {
  static const char* const kOverrides[] = {"document-number", "pages"};
  ippAddBoolean(attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-supported", nullptr, "auto");
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-default", nullptr, "auto");
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "pwg-raster-document-sheet-back", nullptr, "normal");
  ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "overrides-supported", 2, nullptr, kOverrides);
}

}  // namespace

bool DeviceAllowed(const std::string& deviceUri, const std::string& folder) {
  if (deviceUri.rfind("file:", 0) != 0) return true;
  if (folder.empty()) return false;
  std::string path = deviceUri.substr(5);
  if (path.rfind("//", 0) == 0) path.erase(0, 2);
  const std::size_t query = path.find('?');
  if (query != std::string::npos) path.erase(query);
  if (path.empty() || path[0] != '/') return false;
  std::error_code error;
  const std::filesystem::path root = std::filesystem::weakly_canonical(folder, error);
  if (error) return false;
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  if (error) return false;
  const std::string rootText = root.string(), targetText = target.string();
  return targetText == rootText || targetText.rfind(rootText + "/", 0) == 0;
}

bool SetUpDriver(pappl_system_t* system, const char* driverName, const char* deviceUri, const char*,
                 pappl_pr_driver_data_t* data, ipp_t** attrs, void* settingsData) {
  const auto* settings = static_cast<const AppSettings*>(settingsData);
  const std::string variant = VariantOfDriver(driverName ? driverName : "");
  if (variant.empty()) {
    papplLog(system, PAPPL_LOGLEVEL_ERROR, "Unknown driver \"%s\".", driverName ? driverName : "");
    return false;
  }
  if (!DeviceAllowed(deviceUri ? deviceUri : "", settings->outputFolder)) {
    papplLog(system, PAPPL_LOGLEVEL_ERROR, "Refused the device \"%s\": file devices must lie in %s.",
             deviceUri ? deviceUri : "", settings->outputFolder.c_str());
    return false;
  }
  const platform::PrinterDescription printer = platform::BuiltInPrinterDescription(variant);

  data->printfile_cb = PrintRawJob;
  data->rstartjob_cb = RasterStartJob;
  data->rstartpage_cb = RasterStartPage;
  data->rwriteline_cb = RasterWriteLine;
  data->rendpage_cb = RasterEndPage;
  data->rendjob_cb = RasterEndJob;
  data->testpage_cb = TestPage;
  data->identify_cb = Identify;
  data->format = kPrinterFormat;
  for (const pappl_pr_driver_t& driver : Drivers())
    if (std::strcmp(driver.name, driverName) == 0)
      papplCopyString(data->make_and_model, driver.description, sizeof data->make_and_model);
  data->ppm = 30;
  data->kind = PAPPL_KIND_RECEIPT | PAPPL_KIND_ROLL;
  data->has_supplies = true;
  data->orient_default = IPP_ORIENT_PORTRAIT;
  data->color_supported = PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_MONOCHROME;
  data->color_default = PAPPL_COLOR_MODE_MONOCHROME;
  data->content_default = PAPPL_CONTENT_AUTO;
  data->quality_default = IPP_QUALITY_NORMAL;
  data->scaling_default = PAPPL_SCALING_AUTO;
  data->raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  data->force_raster_type = PAPPL_PWG_RASTER_TYPE_NONE;
  data->duplex = PAPPL_DUPLEX_NONE;
  data->sides_supported = PAPPL_SIDES_ONE_SIDED;
  data->sides_default = PAPPL_SIDES_ONE_SIDED;
  data->finishings = PAPPL_FINISHINGS_NONE;
  data->num_resolution = 1;
  data->x_resolution[0] = data->y_resolution[0] = kResolution;
  data->x_default = data->y_default = kResolution;
  data->borderless = false;
  data->left_right = data->bottom_top = 0;

  const std::vector<std::string>& media = MediaNames(printer);
  data->num_media = 0;
  for (const std::string& name : media)
    if (data->num_media < PAPPL_MAX_MEDIA) data->media[data->num_media++] = name.c_str();
  const std::vector<RollSize> rolls = RollSizes(printer);
  const platform::PrinterFeature* sizes = printer.FindFeature(false, "PageMediaSize");
  for (const RollSize& roll : rolls) {
    if (sizes == nullptr || roll.option != sizes->defaultOption) continue;
    pappl_media_col_t& col = data->media_default;
    papplCopyString(col.size_name, roll.pwgName.c_str(), sizeof col.size_name);
    col.size_width = roll.width;
    col.size_length = roll.length;
    papplCopyString(col.source, kSource, sizeof col.source);
    papplCopyString(col.type, "continuous", sizeof col.type);
    col.tracking = PAPPL_MEDIA_TRACKING_CONTINUOUS;
  }
  data->num_source = 1;
  data->source[0] = kSource;
  data->media_ready[0] = data->media_default;
  data->num_type = 1;
  data->type[0] = "continuous";
  data->tracking_supported = PAPPL_MEDIA_TRACKING_CONTINUOUS;

  data->darkness_supported = kDarknessSteps;
  data->darkness_default = 0;
  data->darkness_configured = 50;
  data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
  data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;

  if (*attrs == nullptr) *attrs = ippNew();
  AddVendorAttributes(printer, data, *attrs);
  AddEverywhereAttributes(*attrs);
  return true;
}

void SetUpPrinter(pappl_printer_t* printer, void*) {
  pappl_supply_t roll{};
  roll.color = PAPPL_SUPPLY_COLOR_NO_COLOR;
  papplCopyString(roll.description, "Paper roll", sizeof roll.description);
  roll.is_consumed = true;
  roll.level = -1;
  roll.type = PAPPL_SUPPLY_TYPE_OTHER;
  papplPrinterSetSupplies(printer, 1, &roll);
}

}  // namespace brimloft::printerapp
