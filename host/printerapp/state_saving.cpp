#include "host/printerapp/state_saving.h"

#include <atomic>
#include <chrono>
#include <ctime>

#include "host/printerapp/job_turn.h"

namespace brimloft::printerapp {

namespace {

// Longer than a refused document takes to be read to its end on loopback or a local network.
constexpr auto kQuiet = std::chrono::seconds(2);

struct Saving {
  std::string file;
  std::atomic<bool> pending{false};
};

Saving& TheSaving() {
  static Saving saving;
  return saving;
}

bool Save(pappl_system_t* system) {
  Saving& saving = TheSaving();
  saving.pending = false;
  return papplSystemSaveState(system, saving.file.c_str());
}

// PAPPL's save callback, after every change.
bool SaveWhenQuiet(pappl_system_t* system, void*) {
  if (!papplSystemIsRunning(system) || PrintersQuietFor(kQuiet)) return Save(system);
  TheSaving().pending = true;
  return true;
}

// Every second: a save put off while printers printed.
bool SavePutOff(pappl_system_t* system, void*) {
  if (TheSaving().pending && PrintersQuietFor(kQuiet)) Save(system);
  return true;
}

}  // namespace

void KeepStateIn(pappl_system_t* system, const std::string& stateFile) {
  TheSaving().file = stateFile;
  papplSystemLoadState(system, stateFile.c_str());
  papplSystemSetSaveCallback(system, SaveWhenQuiet, nullptr);
  papplSystemAddTimerCallback(system, std::time(nullptr) + 1, 1, SavePutOff, nullptr);
}

}  // namespace brimloft::printerapp
