// The ticket snapshot of one job, in a folder of the job's own.
#ifndef BRIMLOFT_PRINTTICKET_JOBTICKETSNAPSHOT_H
#define BRIMLOFT_PRINTTICKET_JOBTICKETSNAPSHOT_H

#include <string>

namespace brimloft {

// Jobs running at the same time, in one process or in several, each write and read their own
// snapshot: it lives in a folder made fresh for the job (a name no other job uses, readable by its
// owner only) in the folder GetTicketSnapshotPath() uses, and goes with everything in it when the
// job ends. The file is the DOM's save as before; only its place differs.
class JobTicketSnapshot {
 public:
  // Makes the folder. Throws (unit "PThandler") HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE) when no
  // fresh folder can be made there, traced as record 17 with the parent folder and the reason.
  JobTicketSnapshot();
  // Removes the folder and what it holds; a removal that fails is record 18, never raised.
  ~JobTicketSnapshot();
  JobTicketSnapshot(const JobTicketSnapshot&) = delete;
  JobTicketSnapshot& operator=(const JobTicketSnapshot&) = delete;

  // The snapshot file's UTF-8 path, for the ticket handler that writes it and the printer output
  // that reads it. The file itself appears with the first page's save.
  const std::string& path() const noexcept { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

}  // namespace brimloft

#endif
