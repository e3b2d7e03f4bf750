// What the Windows test host hands its prntvpt.dll for each job: the Print Ticket API calls the
// Linux build's filter made, to be answered in order, and where to report a call that differs.
#ifndef BRIMLOFT_TESTS_WINDOWS_REPLAY_TICKET_REPLAY_H
#define BRIMLOFT_TESTS_WINDOWS_REPLAY_TICKET_REPLAY_H

#include <cstddef>
#include <vector>

#include "tests/windows/job_record.h"

namespace brimloft::replay {

struct TicketReplay {
  const std::vector<jobrecord::TicketCall>* calls = nullptr;
  std::size_t next = 0;
  void (*problem)(const char* text) = nullptr;
};

// Exported by name from the test's prntvpt.dll; the replay is read until the next call.
using SetTicketReplayFn = void (*)(TicketReplay* replay);
constexpr char kSetTicketReplay[] = "BrimloftSetTicketReplay";

}  // namespace brimloft::replay

#endif
