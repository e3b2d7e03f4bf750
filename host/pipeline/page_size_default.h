// The paper a page gets when nobody chose one: as wide as the head prints and as long as keeps the
// page's proportions, so that a receipt fills the head instead of shrinking onto a default sheet.
#ifndef BRIMLOFT_HOST_PIPELINE_PAGE_SIZE_DEFAULT_H
#define BRIMLOFT_HOST_PIPELINE_PAGE_SIZE_DEFAULT_H

#include "host/host_namespace.h"

#include <map>
#include <string>

#include "host/package/xps_package.h"
#include "platform/printer_description.h"

namespace brimloft::host {

// When options choose no PageMediaSize and the printer offers a custom size, gives every page whose
// tickets (sequence, document, page) name no media size a page ticket with a custom size: the
// custom width's default (the head's printable width) across, and along the page's height, or for
// a page turned onto the roll (Landscape in its tickets or the options) its width, in the page's
// proportions. The rest of the page's own ticket is kept. A page whose markup or ticket cannot be
// read is left as it is, for the filter to report. Throws only std::bad_alloc.
void GivePagesTheirOwnSize(XpsPackage& package, const platform::PrinterDescription& printer,
                           const std::map<std::string, std::string>& options);

}  // namespace brimloft::host

#endif
