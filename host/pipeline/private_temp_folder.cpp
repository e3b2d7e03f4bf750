#include "host/pipeline/private_temp_folder.h"

#include <stdlib.h>

#include <filesystem>

#include "host/failures/host_error.h"

namespace brimloft::host {

PrivateTempFolder::PrivateTempFolder(const std::string& prefix) {
  const char* current = std::getenv("TMPDIR");
  if (current != nullptr) previous_ = current;
  std::string base = (current != nullptr && current[0] == '/') ? current : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string pattern = base + "/" + prefix + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw SystemFailure("cannot make a temporary folder in " + base);
  }
  path_ = pattern;
  setenv("TMPDIR", path_.c_str(), 1);
}

PrivateTempFolder::~PrivateTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  if (previous_) {
    setenv("TMPDIR", previous_->c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

}  // namespace brimloft::host
