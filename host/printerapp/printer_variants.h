// The six printers as PAPPL drivers: one driver per variant code.
#ifndef BRIMLOFT_HOST_PRINTERAPP_PRINTER_VARIANTS_H
#define BRIMLOFT_HOST_PRINTERAPP_PRINTER_VARIANTS_H

#include <pappl/pappl.h>

#include <string>
#include <vector>

namespace brimloft::printerapp {

// "brimloft_rx1p" .. "brimloft_rx3q", with descriptions and IEEE 1284 device IDs; the strings
// live as long as the process.
std::vector<pappl_pr_driver_t>& Drivers();

// The variant code of a driver name ("brimloft_rx2p" -> "RX2P"), or "" for another name.
std::string VariantOfDriver(const std::string& driverName);

// The variant code of a printer's driver; "" when it is none of ours.
std::string VariantOfPrinter(pappl_printer_t* printer);

// The driver for a device ID that names one of the variants in its MDL field, else nullptr.
const char* DriverForDeviceId(const char* deviceId);

}  // namespace brimloft::printerapp

#endif
