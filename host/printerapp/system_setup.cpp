#include "host/printerapp/system_setup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/printerapp/document_jobs.h"
#include "host/printerapp/driver_setup.h"
#include "host/printerapp/file_device.h"
#include "host/printerapp/printer_variants.h"
#include "host/printerapp/state_saving.h"

namespace brimloft::printerapp {

namespace {

constexpr const char* kName = "brimloft-printer-app";

std::string Option(int count, cups_option_t* options, const char* name, const std::string& fallback = "") {
  const char* value = cupsGetOption(name, count, options);
  return value != nullptr ? value : fallback;
}

std::string DefaultSpoolFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home) return std::string(home) + "/.local/state/" + kName;
  return "/tmp/" + std::string(kName) + "-" + std::to_string(getuid());
}

bool MakeFolders(const std::string& path) {
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

pappl_loglevel_t LogLevel(const std::string& text) {
  if (text == "debug") return PAPPL_LOGLEVEL_DEBUG;
  if (text == "info") return PAPPL_LOGLEVEL_INFO;
  if (text == "error") return PAPPL_LOGLEVEL_ERROR;
  if (text == "fatal") return PAPPL_LOGLEVEL_FATAL;
  return PAPPL_LOGLEVEL_WARN;
}

}  // namespace

const char* AutoAdd(const char*, const char*, const char* deviceId, void*) { return DriverForDeviceId(deviceId); }

bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "127.0.0.1" || host == "::1" || host == "[::1]";
}

const char* DetectFormat(const unsigned char* header, size_t size, void*) {
  if (size >= 4 && std::memcmp(header, "PK\003\004", 4) == 0) return "application/oxps";
  if (size >= 5 && std::memcmp(header, "%PDF-", 5) == 0) return "application/pdf";
  return nullptr;
}

pappl_system_t* CreateSystem(int count, cups_option_t* options, void* data) {
  auto* settings = static_cast<AppSettings*>(data);
  const std::string listen = Option(count, options, "listen-hostname", "localhost");
  const std::string auth = Option(count, options, "auth-service");
  const bool loopback = IsLoopback(listen);
  if (!loopback && auth.empty()) {
    std::fprintf(stderr,
                 "%s: listening on \"%s\" reaches beyond this machine: give -o auth-service=SERVICE (a PAM "
                 "service) so that changing the printers and reading the log need a password.\n",
                 kName, listen.c_str());
    return nullptr;
  }
  int port = 0;
  const std::string portText = Option(count, options, "server-port");
  if (!portText.empty()) {
    char* end = nullptr;
    const long value = std::strtol(portText.c_str(), &end, 10);
    if (*end != '\0' || value < 1 || value > 65535) {
      std::fprintf(stderr, "%s: server-port \"%s\" is not a port number (1 to 65535).\n", kName, portText.c_str());
      return nullptr;
    }
    port = static_cast<int>(value);
  }
  const std::string spool = Option(count, options, "spool-directory", DefaultSpoolFolder());
  settings->outputFolder = Option(count, options, "output-directory", spool + "/output");
  if (!MakeFolders(spool) || !MakeFolders(settings->outputFolder)) {
    std::fprintf(stderr, "%s: cannot make the folders %s and %s: %s\n", kName, spool.c_str(),
                 settings->outputFolder.c_str(), std::strerror(errno));
    return nullptr;
  }
  RegisterFileDevice(settings->outputFolder);
  const std::string logFile = Option(count, options, "log-file", spool + "/" + kName + ".log");

  // Plain HTTP on loopback only; beyond it TLS carries the passwords.
  pappl_soptions_t soptions = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE | PAPPL_SOPTIONS_WEB_LOG;
  soptions |= loopback ? PAPPL_SOPTIONS_NO_TLS : (PAPPL_SOPTIONS_WEB_REMOTE | PAPPL_SOPTIONS_WEB_TLS);
  pappl_system_t* system =
      papplSystemCreate(soptions, kName, port, "_print,_universal", spool.c_str(), logFile.c_str(),
                        LogLevel(Option(count, options, "log-level")), auth.empty() ? nullptr : auth.c_str(),
                        false);
  if (system == nullptr) {
    std::fprintf(stderr, "%s: cannot create the server.\n", kName);
    return nullptr;
  }
  const std::string adminGroup = Option(count, options, "admin-group");
  if (!adminGroup.empty()) papplSystemSetAdminGroup(system, adminGroup.c_str());
  if (!papplSystemAddListeners(system, listen.c_str())) {
    std::fprintf(stderr, "%s: cannot listen on %s port %d.\n", kName, listen.c_str(), port);
    papplSystemDelete(system);
    return nullptr;
  }
  std::vector<pappl_pr_driver_t>& drivers = Drivers();
  papplSystemSetPrinterDrivers(system, static_cast<int>(drivers.size()), drivers.data(), AutoAdd, SetUpPrinter,
                               SetUpDriver, settings);
  papplSystemSetMIMECallback(system, DetectFormat, nullptr);
  papplSystemAddMIMEFilter(system, "application/pdf", kPrinterFormat, PrintPdfJob, nullptr);
  papplSystemAddMIMEFilter(system, "application/oxps", kPrinterFormat, PrintXpsJob, nullptr);
  papplSystemAddMIMEFilter(system, "application/vnd.ms-xpsdocument", kPrinterFormat, PrintXpsJob, nullptr);

  // The state stays in the spool folder, wherever the program runs from and whoever runs it.
  KeepStateIn(system, spool + "/" + kName + ".state");
  return system;
}

}  // namespace brimloft::printerapp
