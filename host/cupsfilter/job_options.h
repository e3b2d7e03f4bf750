// The printer features of a CUPS job: the job's options over the PPD's defaults, checked against
// what the printer offers, as the print core helper and the ticket snapshot carry them.
#ifndef BRIMLOFT_HOST_CUPSFILTER_JOB_OPTIONS_H
#define BRIMLOFT_HOST_CUPSFILTER_JOB_OPTIONS_H

#include <map>
#include <string>
#include <vector>

#include "platform/printer_description.h"

namespace brimloft::rasterfilter {

using OptionTable = std::map<std::string, std::string>;

struct ResolvedFeatures {
  OptionTable features;               // every feature of the printer -> its option for this job
  std::vector<std::string> warnings;  // one line per job option that was not taken
};

// For every private feature (QVPrintContinuous, QVPrintType, QVCutType, QVDither, QVBright): the
// job's option when the printer offers it (exact, case-sensitive names), else the PPD's default
// when offered, else the printer's default; a job option not offered gets a warning. PageMediaSize:
// the page size the job names ("PageSize", then each entry of "media"), else the PPD's "PageSize",
// when it is one of the printer's roll sizes, else the printer's default (custom sizes are no
// error). PageOrientation is always Portrait: CUPS's own filters have already turned a landscape
// page onto the roll, a quarter turn counter-clockwise, as the printer output turns it. Any other
// feature takes the printer's default. Never throws but std::bad_alloc.
ResolvedFeatures ResolveFeatures(const platform::PrinterDescription& printer, const OptionTable& ppdDefaults,
                                 const OptionTable& jobOptions);

}  // namespace brimloft::rasterfilter

#endif
