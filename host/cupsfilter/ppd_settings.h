// What the filter takes from the queue's PPD file: the printer variant and the default choices
// of the options it passes on.
#ifndef BRIMLOFT_HOST_CUPSFILTER_PPD_SETTINGS_H
#define BRIMLOFT_HOST_CUPSFILTER_PPD_SETTINGS_H

#include <string>

#include "host/cupsfilter/job_options.h"
#include "host/failures/host_error.h"

namespace brimloft::rasterfilter {

struct PpdSettings {
  std::string variant;   // "RX1P" .. "RX3Q", from *BrimloftVariant
  OptionTable defaults;  // option keyword -> default choice, for PageSize and the private options
};

// Reads the variant and the default choices of PageSize and of QVPrintContinuous, QVPrintType,
// QVCutType, QVDither and QVBright (options the file lacks are left out). Throws HostError saying
// what is wrong: the file cannot be opened or parsed (with the line), *BrimloftVariant is missing
// or names no variant.
PpdSettings ReadPpdSettings(const std::string& path);

}  // namespace brimloft::rasterfilter

#endif
