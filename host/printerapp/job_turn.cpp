#include "host/printerapp/job_turn.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

namespace brimloft::printerapp {

namespace {

// The jobs a printer ran: enough to recognise a second run of a recent job.
constexpr std::size_t kRememberedJobs = 256;

struct PrinterLane {
  bool busy = false;
  std::map<int, std::optional<bool>> runs;  // job id -> whether it printed, once its run ended
  std::deque<int> order;                    // the ids in runs, oldest first
};

struct Lanes {
  std::mutex lock;
  int jobs = 0;  // holding or waiting for a turn
  std::chrono::steady_clock::time_point lastEnd;
  std::condition_variable freed;
  std::map<int, PrinterLane> byPrinter;  // by printer id: a deleted printer's address can come back
};

Lanes& AllLanes() {
  static Lanes lanes;
  return lanes;
}

void LogDeviceError(const char* message, void* job) {
  papplLogJob(static_cast<pappl_job_t*>(job), PAPPL_LOGLEVEL_ERROR, "%s", message);
}

// A second run of a job whose first run PAPPL has not ended yet. Were it to return, PAPPL would
// end the job a second time and keep it twice in the printer's history, and clearing that history
// later reads the job after freeing it; the first run's end leaves the printer free as it should.
// So this thread never returns: it costs an idle thread, rarely.
[[noreturn]] void StayParked(pappl_job_t* job) {
  papplLogJob(job, PAPPL_LOGLEVEL_WARN, "PAPPL started this job a second time while it printed; the second run "
              "stays parked.");
  for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}

}  // namespace

JobTurn::JobTurn(pappl_job_t* job, pappl_device_t* given)
    : job_(job), given_(given), printerId_(papplPrinterGetID(papplJobGetPrinter(job))) {
  Lanes& lanes = AllLanes();
  std::unique_lock<std::mutex> guard(lanes.lock);
  PrinterLane& lane = lanes.byPrinter[printerId_];
  const int id = papplJobGetID(job);
  const auto seen = lane.runs.find(id);
  if (seen != lane.runs.end()) {
    // This run started before the first one ended (PAPPL had not completed the job), so PAPPL's end
    // of the first run clears the printer for the next job whatever this one does.
    if (papplJobGetTimeCompleted(job) == 0) {
      guard.unlock();
      StayParked(job);
    }
    // Started after the first run's end: this one's end is the printer's only way back to idle.
    repeated_ = true;
    firstOutcome_ = seen->second.value_or(false);
    papplLogJob(job, PAPPL_LOGLEVEL_WARN, "PAPPL started this job again after it ended; it prints nothing.");
    return;
  }
  lane.runs.emplace(id, std::nullopt);
  lane.order.push_back(id);
  if (lane.order.size() > kRememberedJobs) {
    lane.runs.erase(lane.order.front());
    lane.order.pop_front();
  }
  ++lanes.jobs;
  if (lane.busy) papplLogJob(job, PAPPL_LOGLEVEL_DEBUG, "Waiting for the printer's previous job.");
  lanes.freed.wait(guard, [&lane] { return !lane.busy; });
  lane.busy = true;
}

JobTurn::~JobTurn() {
  if (own_ != nullptr) papplDeviceClose(own_);
  if (repeated_) return;
  Lanes& lanes = AllLanes();
  {
    std::lock_guard<std::mutex> guard(lanes.lock);
    PrinterLane& lane = lanes.byPrinter[printerId_];
    lane.busy = false;
    --lanes.jobs;
    lanes.lastEnd = std::chrono::steady_clock::now();
    const auto run = lane.runs.find(papplJobGetID(job_));
    if (run != lane.runs.end()) run->second = outcome_;
  }
  lanes.freed.notify_all();
}

bool PrintersQuietFor(std::chrono::steady_clock::duration quiet) {
  Lanes& lanes = AllLanes();
  std::lock_guard<std::mutex> guard(lanes.lock);
  return lanes.jobs == 0 && std::chrono::steady_clock::now() - lanes.lastEnd >= quiet;
}

pappl_device_t* JobTurn::Device() {
  const char* uri = papplPrinterGetDeviceURI(papplJobGetPrinter(job_));
  if (uri == nullptr || std::string(uri).rfind("file:", 0) != 0) return given_;
  if (own_ == nullptr) {
    own_ = papplDeviceOpen(uri, papplJobGetName(job_), LogDeviceError, job_);
    if (own_ == nullptr) throw std::runtime_error(std::string("the printer file ") + uri + " cannot be opened");
  }
  return own_;
}

}  // namespace brimloft::printerapp
