#include "host/printerapp/file_device.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pappl/pappl.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "host/printerapp/driver_setup.h"

namespace brimloft::printerapp {

namespace {

std::string& Folder() {
  static std::string folder;
  return folder;
}

// The file is made at the first write: PAPPL opens a file: printer's device for every job, and
// our jobs write to a device of their own (see JobTurn), so PAPPL's stays unused and leaves no file.
struct OpenFile {
  std::string path;
  int fd = -1;
};

std::string PathOf(const char* uri) {
  std::string path = std::string(uri).substr(std::strlen("file:"));
  if (path.rfind("//", 0) == 0) path.erase(0, 2);
  const std::size_t query = path.find('?');
  if (query != std::string::npos) path.erase(query);
  return path;
}

bool Open(pappl_device_t* device, const char* uri, const char*) {
  if (!DeviceAllowed(uri, Folder())) {
    papplDeviceError(device, "%s lies outside the output folder %s.", uri, Folder().c_str());
    return false;
  }
  papplDeviceSetData(device, new OpenFile{PathOf(uri)});
  return true;
}

// Makes the file: a new one in a folder, else the named file.
bool Create(pappl_device_t* device, OpenFile& file) {
  std::string path = file.path;
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    path += "/job-XXXXXX.prn";
    file.fd = mkstemps(path.data(), 4);
  } else {
    file.fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  }
  if (file.fd < 0) papplDeviceError(device, "Cannot open %s: %s", path.c_str(), std::strerror(errno));
  return file.fd >= 0;
}

void Close(pappl_device_t* device) {
  auto* file = static_cast<OpenFile*>(papplDeviceGetData(device));
  if (file == nullptr) return;
  if (file->fd >= 0) close(file->fd);
  delete file;
  papplDeviceSetData(device, nullptr);
}

ssize_t Read(pappl_device_t*, void*, size_t) { return -1; }

ssize_t Write(pappl_device_t* device, const void* buffer, size_t bytes) {
  auto* file = static_cast<OpenFile*>(papplDeviceGetData(device));
  if (file->fd < 0 && !Create(device, *file)) return -1;
  const auto* p = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < bytes) {
    const ssize_t n = write(file->fd, p + done, bytes - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      papplDeviceError(device, "Cannot write the printer file: %s", std::strerror(n < 0 ? errno : EIO));
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

pappl_preason_t Status(pappl_device_t*) { return PAPPL_PREASON_NONE; }

}  // namespace

void RegisterFileDevice(const std::string& folder) {
  Folder() = folder;
  papplDeviceAddScheme("file", PAPPL_DEVTYPE_FILE, nullptr, Open, Close, Read, Write, Status, nullptr);
}

}  // namespace brimloft::printerapp
