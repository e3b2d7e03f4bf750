// The ticket snapshot that the CUPS filter and the printer application write into the job's private
// temporary folder (host/pipeline/private_temp_folder.h), where the printer output reads it.
#ifndef BRIMLOFT_HOST_CUPSFILTER_SNAPSHOT_TICKET_H
#define BRIMLOFT_HOST_CUPSFILTER_SNAPSHOT_TICKET_H

#include <string>

namespace brimloft::rasterfilter {

// Writes the ticket XML to the snapshot path that the printer output reads (inside the current
// TMPDIR). Throws std::runtime_error naming the file when it cannot be written whole.
void WriteSnapshotTicket(const std::string& ticketXml);

}  // namespace brimloft::rasterfilter

#endif
