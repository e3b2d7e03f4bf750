// The job's private temporary folder and the ticket snapshot the CUPS filter writes into it.
#ifndef BRIMLOFT_HOST_CUPSFILTER_PRIVATE_TEMP_FOLDER_H
#define BRIMLOFT_HOST_CUPSFILTER_PRIVATE_TEMP_FOLDER_H

#include <string>

#include "host/pipeline/private_temp_folder.h"

namespace brimloft::rasterfilter {

using host::PrivateTempFolder;

// Writes the ticket XML to the snapshot path that the printer output reads (inside the current
// TMPDIR). Throws std::runtime_error naming the file when it cannot be written whole.
void WriteSnapshotTicket(const std::string& ticketXml);

}  // namespace brimloft::rasterfilter

#endif
