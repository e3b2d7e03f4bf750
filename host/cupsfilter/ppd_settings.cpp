#include "host/cupsfilter/ppd_settings.h"

// The PPD interface is marked deprecated in libcups, yet it is how a CUPS filter reads the
// queue's PPD file; this file holds nothing else.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

#include <memory>
#include <stdexcept>

#include "host/failures/host_error.h"
#include "platform/printer_description.h"

namespace brimloft::rasterfilter {

namespace {

struct PpdCloser {
  void operator()(ppd_file_t* ppd) const noexcept { ppdClose(ppd); }
};

constexpr const char* kPassedOptions[] = {"PageSize",  "QVPrintContinuous", "QVPrintType",
                                          "QVCutType", "QVDither",          "QVBright", "BrimloftTrim"};

}  // namespace

PpdSettings ReadPpdSettings(const std::string& path) {
  std::unique_ptr<ppd_file_t, PpdCloser> ppd(ppdOpenFile(path.c_str()));
  if (!ppd) {
    int line = 0;
    const ppd_status_t status = ppdLastError(&line);
    std::string reason = ppdErrorString(status);
    if (status == PPD_FILE_OPEN_ERROR) {
      throw host::HostError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "cannot open the PPD file " + path);
    }
    throw host::HostError(host::HrBadPackage(),
                          "the PPD file " + path + " is not valid: " + reason + " on line " + std::to_string(line));
  }
  ppdMarkDefaults(ppd.get());

  PpdSettings settings;
  const ppd_attr_t* variant = ppdFindAttr(ppd.get(), "BrimloftVariant", nullptr);
  if (variant == nullptr || variant->value == nullptr) {
    throw host::HostError(host::HrBadPackage(), "the PPD file " + path + " names no printer variant (*BrimloftVariant)");
  }
  settings.variant = variant->value;
  try {
    platform::BuiltInPrinterDescription(settings.variant);
  } catch (const std::invalid_argument&) {
    throw host::HostError(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME),
                          "the PPD file " + path + " names the unknown printer variant \"" + settings.variant + "\"");
  }
  for (const char* option : kPassedOptions) {
    if (const ppd_choice_t* choice = ppdFindMarkedChoice(ppd.get(), option))
      settings.defaults[option] = choice->choice;
  }
  return settings;
}

}  // namespace brimloft::rasterfilter
