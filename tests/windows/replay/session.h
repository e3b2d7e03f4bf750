// The job being replayed, shared by the stand-ins of the Windows test host: the record the Linux
// build made, and every way in which the Windows build's filter asked for something else.
#ifndef BRIMLOFT_TESTS_WINDOWS_REPLAY_SESSION_H
#define BRIMLOFT_TESTS_WINDOWS_REPLAY_SESSION_H

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "tests/windows/job_record.h"

namespace brimloft::replay {

class Session {
 public:
  explicit Session(const jobrecord::Job& job) : job_(job) {}
  const jobrecord::Job& Job() const { return job_; }

  // A difference from the Linux build's job, in words; the job then fails.
  void Problem(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    problems_.push_back(text);
  }
  std::vector<std::string> Problems() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return problems_;
  }

  // The recorded page part that the n-th page made by the object model should hold (n from 0),
  // or null past the last.
  const jobrecord::Part* PagePart(std::size_t n) const {
    for (const jobrecord::Part& part : job_.parts)
      if (part.kind == jobrecord::PartKind::Page && n-- == 0) return &part;
    return nullptr;
  }

  std::size_t pagesMade = 0;    // by the object model factory
  std::size_t rastersMade = 0;  // by the rasterization service

 private:
  const jobrecord::Job& job_;
  mutable std::mutex mutex_;
  std::vector<std::string> problems_;
};

// The session of the job now running; every stand-in reports to it.
Session& Current();

}  // namespace brimloft::replay

#endif
