#include "host/printerapp/printer_variants.h"

#include <cctype>
#include <cstring>

namespace brimloft::printerapp {

namespace {

struct Variant {
  const char* driver;
  const char* code;
  const char* description;
  const char* deviceId;
};

constexpr Variant kVariants[] = {
    {"brimloft_rx1p", "RX1P", "Brimloft RX1P (432 dots, 203 dpi)", "MFG:Brimloft;MDL:RX1P;CMD:BRIMLOFT;"},
    {"brimloft_rx1q", "RX1Q", "Brimloft RX1Q (432 dots, 203 dpi)", "MFG:Brimloft;MDL:RX1Q;CMD:BRIMLOFT;"},
    {"brimloft_rx2p", "RX2P", "Brimloft RX2P (576 dots, 203 dpi)", "MFG:Brimloft;MDL:RX2P;CMD:BRIMLOFT;"},
    {"brimloft_rx2q", "RX2Q", "Brimloft RX2Q (576 dots, 203 dpi)", "MFG:Brimloft;MDL:RX2Q;CMD:BRIMLOFT;"},
    {"brimloft_rx3p", "RX3P", "Brimloft RX3P (832 dots, 203 dpi)", "MFG:Brimloft;MDL:RX3P;CMD:BRIMLOFT;"},
    {"brimloft_rx3q", "RX3Q", "Brimloft RX3Q (832 dots, 203 dpi)", "MFG:Brimloft;MDL:RX3Q;CMD:BRIMLOFT;"},
};

}  // namespace

std::vector<pappl_pr_driver_t>& Drivers() {
  static std::vector<pappl_pr_driver_t> drivers = [] {
    std::vector<pappl_pr_driver_t> list;
    for (const Variant& v : kVariants) list.push_back({v.driver, v.description, v.deviceId, nullptr});
    return list;
  }();
  return drivers;
}

std::string VariantOfDriver(const std::string& driverName) {
  for (const Variant& v : kVariants)
    if (driverName == v.driver) return v.code;
  return "";
}

std::string VariantOfPrinter(pappl_printer_t* printer) {
  const char* name = papplPrinterGetDriverName(printer);
  return name ? VariantOfDriver(name) : "";
}

const char* DriverForDeviceId(const char* deviceId) {
  if (deviceId == nullptr) return nullptr;
  for (const Variant& v : kVariants) {
    const std::string model = std::string("MDL:") + v.code + ";";
    if (std::strstr(deviceId, model.c_str()) != nullptr) return v.driver;
  }
  return nullptr;
}

}  // namespace brimloft::printerapp
