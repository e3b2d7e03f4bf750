// The file:// device: a job's printer stream written to a file, or to a new file per job in a
// folder, and only inside the output folder the server was given.
#ifndef BRIMLOFT_HOST_PRINTERAPP_FILE_DEVICE_H
#define BRIMLOFT_HOST_PRINTERAPP_FILE_DEVICE_H

#include <string>

namespace brimloft::printerapp {

// Registers the scheme with PAPPL; every open checks the path against folder again.
void RegisterFileDevice(const std::string& folder);

}  // namespace brimloft::printerapp

#endif
