// brimloft-printer-app: an IPP Everywhere printer application for the Brimloft printers, on PAPPL.
// "brimloft-printer-app server" runs it; PAPPL's other sub-commands (add, printers, devices,
// submit, shutdown, ...) talk to the running server.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/printerapp/driver_setup.h"
#include "host/printerapp/printer_variants.h"
#include "host/printerapp/system_setup.h"

namespace {

constexpr const char* kVersion = "1.0";
// PAPPL 1.3 looks the footer up for every web page and crashes without one.
constexpr const char* kFooter = "Brimloft receipt printers &middot; IPP Everywhere";

// The bundled receipt beside the build's tools, for the web page's test page.
void SetDefaultTestPage() {
  if (std::getenv("BRIMLOFT_TEST_PAGE") != nullptr) return;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return;
  self[n] = '\0';
  std::string dir(self);
  dir.erase(dir.rfind('/'));
  const std::string receipt = dir + "/../examples/receipt.xps";
  if (access(receipt.c_str(), R_OK) == 0) setenv("BRIMLOFT_TEST_PAGE", receipt.c_str(), 0);
}

void Usage(void*) {
  std::puts(
      "Usage: brimloft-printer-app SUB-COMMAND [OPTIONS] [FILES]\n"
      "An IPP Everywhere printer application for the Brimloft receipt printers.\n"
      "\n"
      "Sub-commands: server, add, modify, delete, printers, devices, drivers, submit, jobs,\n"
      "cancel, status, options, default, shutdown (see PAPPL's documentation).\n"
      "\n"
      "Server options (-o NAME=VALUE):\n"
      "  listen-hostname=HOST   where to listen; default localhost (loopback only). Any other\n"
      "                         host needs auth-service.\n"
      "  auth-service=SERVICE   PAM service that guards the pages that change something\n"
      "  server-port=PORT       TCP port\n"
      "  spool-directory=DIR    state, spool and log; default ~/.local/state/brimloft-printer-app\n"
      "  output-directory=DIR   the only folder file:// printers may write into;\n"
      "                         default SPOOL/output\n"
      "  log-file=FILE  log-level=debug|info|warn|error\n"
      "\n"
      "Printer options: media, orientation-requested, print-darkness (five steps),\n"
      "brimloft-dither (none, error-diffusion, ordered-2x2, ordered-4x4), brimloft-cut (full,\n"
      "partial, none), brimloft-feed (page-by-page, continuous), brimloft-print-mode (bands,\n"
      "raster-rows).");
}

}  // namespace

int main(int argc, char* argv[]) {
  signal(SIGPIPE, SIG_IGN);
  SetDefaultTestPage();
  static brimloft::printerapp::AppSettings settings;
  std::vector<pappl_pr_driver_t>& drivers = brimloft::printerapp::Drivers();
  return papplMainloop(argc, argv, kVersion, kFooter, static_cast<int>(drivers.size()), drivers.data(),
                       brimloft::printerapp::AutoAdd, brimloft::printerapp::SetUpDriver, nullptr, nullptr,
                       brimloft::printerapp::CreateSystem, Usage, &settings);
}
