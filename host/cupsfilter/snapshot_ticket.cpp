#include "host/cupsfilter/snapshot_ticket.h"

#include <fstream>
#include <stdexcept>

#include "printticket/TicketSnapshotPath.h"

namespace brimloft::rasterfilter {

void WriteSnapshotTicket(const std::string& ticketXml) {
  const std::string path = GetTicketSnapshotPath();
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(ticketXml.data(), static_cast<std::streamsize>(ticketXml.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write the print ticket snapshot " + path);
}

}  // namespace brimloft::rasterfilter
