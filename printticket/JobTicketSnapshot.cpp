#include "printticket/JobTicketSnapshot.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "module/filtertypes.h"
#include "module/trace.h"
#include "printticket/TicketSnapshotPath.h"

namespace brimloft {
namespace {

constexpr auto kUnit = TraceUnit::PThandler;

namespace fs = std::filesystem;

// A few names to try: another object already there (a job's folder, or anything someone planted)
// is never reused, the next name is tried.
constexpr int kNameTries = 16;

std::string RandomName() {
  std::random_device source;
  const unsigned long long value = (static_cast<unsigned long long>(source()) << 32) ^ source();
  char name[40];
  std::snprintf(name, sizeof name, "brimloft-job-%016llx", value);
  return name;
}

[[noreturn]] void CannotMake(const std::string& parent, const std::string& reason) {
  BRIMLOFT_TRACE(trace::SnapshotFolderNotMade, parent, reason);
  BRIMLOFT_THROW(HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE));
}

}  // namespace

JobTicketSnapshot::JobTicketSnapshot() {
  const std::string parent = GetTicketSnapshotFolder();
  const char separator = parent.back();
  for (int attempt = 0; attempt < kNameTries && folder_.empty(); ++attempt) {
    const std::string folder = parent + RandomName();
    const fs::path name = fs::u8path(folder);
    std::error_code error;
    // Made here or not at all: an existing name, a planted link included, is never followed.
    if (!fs::create_directory(name, error)) {
      if (error) CannotMake(parent, error.message());
      continue;
    }
    fs::permissions(name, fs::perms::owner_all, fs::perm_options::replace, error);
    // Still the folder made above, not a link swapped in for it.
    if (error || !fs::is_directory(fs::symlink_status(name))) {
      const std::string reason = error ? error.message() : "the new folder was replaced";
      fs::remove(name, error);
      CannotMake(parent, reason);
    }
    folder_ = folder;
  }
  if (folder_.empty()) CannotMake(parent, "every name tried is taken");
  path_ = folder_ + separator + "brimloft_print_ticket_.xml";
}

JobTicketSnapshot::~JobTicketSnapshot() {
  std::error_code error;
  // remove_all removes links, never what they point to.
  fs::remove_all(fs::u8path(folder_), error);
  if (error) BRIMLOFT_TRACE(trace::SnapshotFolderNotRemoved, folder_, error.message());
}

}  // namespace brimloft
