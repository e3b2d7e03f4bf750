#include "printerapp/job_turn.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

namespace brimloft::printerapp {

namespace {

// The jobs a printer ran, with their outcomes: enough to recognise a second run of a recent job.
constexpr std::size_t kRememberedJobs = 256;

struct PrinterLane {
  bool busy = false;
  std::map<int, bool> outcomes;  // job id -> printed
  std::deque<int> order;         // the ids in outcomes, oldest first
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

}  // namespace

JobTurn::JobTurn(pappl_job_t* job, pappl_device_t* given)
    : job_(job), given_(given), printerId_(papplPrinterGetID(papplJobGetPrinter(job))) {
  Lanes& lanes = AllLanes();
  std::unique_lock<std::mutex> guard(lanes.lock);
  PrinterLane& lane = lanes.byPrinter[printerId_];
  ++lanes.jobs;
  if (lane.busy) papplLogJob(job, PAPPL_LOGLEVEL_DEBUG, "Waiting for the printer's previous job.");
  lanes.freed.wait(guard, [&lane] { return !lane.busy; });
  lane.busy = true;
  const auto seen = lane.outcomes.find(papplJobGetID(job));
  if (seen != lane.outcomes.end()) {
    repeated_ = true;
    firstOutcome_ = seen->second;
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "PAPPL started this job again; it printed once already.");
  }
}

JobTurn::~JobTurn() {
  if (own_ != nullptr) papplDeviceClose(own_);
  Lanes& lanes = AllLanes();
  {
    std::lock_guard<std::mutex> guard(lanes.lock);
    PrinterLane& lane = lanes.byPrinter[printerId_];
    lane.busy = false;
    --lanes.jobs;
    lanes.lastEnd = std::chrono::steady_clock::now();
    if (!repeated_) {
      const int id = papplJobGetID(job_);
      if (lane.outcomes.emplace(id, outcome_).second) lane.order.push_back(id);
      if (lane.order.size() > kRememberedJobs) {
        lane.outcomes.erase(lane.order.front());
        lane.order.pop_front();
      }
    }
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
