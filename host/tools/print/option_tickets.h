// Options given on the command line over the job's own print tickets.
#ifndef BRIMLOFT_HOST_TOOLS_PRINT_OPTION_TICKETS_H
#define BRIMLOFT_HOST_TOOLS_PRINT_OPTION_TICKETS_H

#include "host/host_namespace.h"

#include <map>
#include <string>

#include "host/package/xps_package.h"
#include "platform/printer_description.h"

namespace brimloft::host {

// Makes each option win over the job's own tickets, as users of lp -o expect: every ticket of the
// job that names the option's feature or parameter (the job's, each document's, each page's) gets
// it replaced by the option, worded as in the user's ticket. A ticket that does not name it is
// left as it is (it inherits the option from the user's ticket), and so is one that cannot be
// read, for the filter to report. The options must have passed CheckOptions. Throws HostError for
// options the printer lacks, std::bad_alloc.
void ApplyOptionsToTickets(XpsPackage& package, const platform::PrinterDescription& printer,
                           const std::map<std::string, std::string>& options);

}  // namespace brimloft::host

#endif
