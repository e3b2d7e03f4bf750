// What every job of the engine needs around it: the apartment of the job's thread and a ticket
// snapshot folder of its own. The folder is the process's TMPDIR while the job runs, so jobs take
// turns: one engine job at a time in the whole process, whichever printer it is for.
#ifndef BRIMLOFT_HOST_PRINTERAPP_ENGINE_SESSION_H
#define BRIMLOFT_HOST_PRINTERAPP_ENGINE_SESSION_H

#include <windows.h>

#include <mutex>
#include <optional>

#include "host/pipeline/com_apartment.h"
#include "host/pipeline/private_temp_folder.h"

namespace brimloft::printerapp {

class EngineSession {
 public:
  // Waits for the engine, joins the multithreaded apartment and makes the snapshot folder. Throws
  // hr_error when the apartment cannot be joined, HostError when the folder cannot be made.
  EngineSession();
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;

 private:
  // Left in the reverse order: the folder, the apartment, then the engine for the next job.
  std::unique_lock<std::mutex> turn_;
  host::ComApartment apartment_;
  std::optional<host::PrivateTempFolder> folder_;
};

}  // namespace brimloft::printerapp

#endif
