// PAPPL's driver callback: what each printer is (head, resolution, rolls, options) in IPP terms.
#ifndef BRIMLOFT_HOST_PRINTERAPP_DRIVER_SETUP_H
#define BRIMLOFT_HOST_PRINTERAPP_DRIVER_SETUP_H

#include <pappl/pappl.h>

#include <string>

namespace brimloft::printerapp {

struct AppSettings {
  std::string outputFolder;  // the only folder file:// printers may write into
  std::string testPage;      // the document the web page's "Print Test Page" prints
};

// data is the AppSettings. Refuses (false, with a log line saying why) a driver that is not ours
// and a file:// device outside the output folder.
bool SetUpDriver(pappl_system_t* system, const char* driverName, const char* deviceUri, const char* deviceId,
                 pappl_pr_driver_data_t* driverData, ipp_t** driverAttrs, void* data);

// The create callback: the paper roll as the printer's supply.
void SetUpPrinter(pappl_printer_t* printer, void* data);

// Whether a device URI may be used: any scheme but file://, and file:// only for a path inside
// folder (after resolving "." and ".." and symbolic links of the existing part).
bool DeviceAllowed(const std::string& deviceUri, const std::string& folder);

}  // namespace brimloft::printerapp

#endif
