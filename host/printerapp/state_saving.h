// When the server's state is written. PAPPL 1.3 asks for a save after every change, each job's end
// included, and its save holds the system while it waits for each printer in turn; a raster
// document it refuses as busy holds its printer while it waits for the system, so a save during
// such a refusal stops both for good. Refusals come only while a printer prints, so the state is
// written once every printer has been quiet for a moment, and when the server stops.
#ifndef BRIMLOFT_HOST_PRINTERAPP_STATE_SAVING_H
#define BRIMLOFT_HOST_PRINTERAPP_STATE_SAVING_H

#include <pappl/pappl.h>

#include <string>

namespace brimloft::printerapp {

// Loads the state from stateFile and keeps it there from now on.
void KeepStateIn(pappl_system_t* system, const std::string& stateFile);

}  // namespace brimloft::printerapp

#endif
