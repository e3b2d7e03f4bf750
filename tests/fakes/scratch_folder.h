// A fresh folder for one test, removed with everything in it at the end.
#ifndef BRIMLOFT_TESTS_FAKES_SCRATCH_FOLDER_H
#define BRIMLOFT_TESTS_FAKES_SCRATCH_FOLDER_H

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace brimloft::fakes {

class ScratchFolder {
 public:
  // name may hold any UTF-8 text; it becomes the last component of the folder.
  explicit ScratchFolder(const std::string& name = "scratch") {
    std::string pattern = (std::filesystem::temp_directory_path() / "brimloft-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    path_ = root_ / name;
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(root_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path root_;
  std::filesystem::path path_;
};

// Points TMPDIR (which GetTempPathW reads) at a folder for the lifetime of the object.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const std::string& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old, hadOld_ = true;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TempFolderOverride() {
    if (hadOld_) {
      setenv("TMPDIR", old_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  TempFolderOverride(const TempFolderOverride&) = delete;
  TempFolderOverride& operator=(const TempFolderOverride&) = delete;

 private:
  std::string old_;
  bool hadOld_ = false;
};

}  // namespace brimloft::fakes

#endif
