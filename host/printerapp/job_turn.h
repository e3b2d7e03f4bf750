// One job at a time on each printer, whatever PAPPL 1.3 starts. PAPPL marks a printer busy only in
// the thread it starts for a job, so two requests that end at once can start two jobs of one
// printer together, or two threads for the same job; and it closes a file: printer's device after
// every job, also under another job still writing. Every job of ours therefore first takes its
// printer's turn (a second job waits for it); a second run of a job prints nothing (see
// JobTurn::JobTurn); and a file: printer's job writes to a device of its own.
#ifndef BRIMLOFT_HOST_PRINTERAPP_JOB_TURN_H
#define BRIMLOFT_HOST_PRINTERAPP_JOB_TURN_H

#include <pappl/pappl.h>

#include <chrono>
#include <exception>

#include "host/printerapp/job_context.h"

namespace brimloft::printerapp {

class JobTurn {
 public:
  // Waits until no other job of ours prints on the job's printer. given is the device PAPPL
  // passed to the job. A second run of a job started while the first one was on its way never
  // returns (PAPPL would otherwise keep the job twice); one started after the first run's end
  // returns at once as Repeated().
  JobTurn(pappl_job_t* job, pappl_device_t* given);
  // Closes the job's own device, keeps the outcome for a second run, and hands the printer on.
  ~JobTurn();
  JobTurn(const JobTurn&) = delete;
  JobTurn& operator=(const JobTurn&) = delete;

  // Whether PAPPL runs this job again after its first run ended: print nothing and return
  // FirstOutcome() to PAPPL.
  bool Repeated() const { return repeated_; }
  bool FirstOutcome() const { return firstOutcome_; }

  // The device the job writes to: for a file: printer its own, opened here (throws
  // std::runtime_error when it cannot be opened), else the printer's connection.
  pappl_device_t* Device();

  // Whether the job printed; false unless set.
  void SetOutcome(bool printed) { outcome_ = printed; }

 private:
  pappl_job_t* job_;
  pappl_device_t* given_;
  pappl_device_t* own_ = nullptr;
  int printerId_;
  bool repeated_ = false;
  bool firstOutcome_ = false;
  bool outcome_ = false;
};

// Whether no job of any printer has held or waited for its turn within the last quiet time.
bool PrintersQuietFor(std::chrono::steady_clock::duration quiet);

// Runs print(device) for the job in its printer's turn and returns what PAPPL is to hear: print's
// result, a second run's first outcome, or EndFailedJob's answer for what print threw.
template <typename Print>
bool PrintInTurn(pappl_job_t* job, pappl_device_t* device, Print print) {
  try {
    JobTurn turn(job, device);
    if (turn.Repeated()) return turn.FirstOutcome();
    const bool printed = print(turn.Device());
    turn.SetOutcome(printed);
    return printed;
  } catch (...) {
    return EndFailedJob(job, std::current_exception());
  }
}

}  // namespace brimloft::printerapp

#endif
