// The server's system: where it listens (loopback unless told), who may change it, where it keeps
// its state, and the document formats it takes.
#ifndef BRIMLOFT_HOST_PRINTERAPP_SYSTEM_SETUP_H
#define BRIMLOFT_HOST_PRINTERAPP_SYSTEM_SETUP_H

#include <pappl/pappl.h>

#include <string>

namespace brimloft::printerapp {

// Whether a listen-hostname value names only the loopback interface.
bool IsLoopback(const std::string& host);

// PAPPL's system callback; data is the AppSettings. Options: listen-hostname (default
// "localhost"), server-port, spool-directory, output-directory, log-file, log-level,
// auth-service, admin-group. Listening beyond loopback needs auth-service. Returns nullptr after
// a message on standard error when the options are wrong.
pappl_system_t* CreateSystem(int numOptions, cups_option_t* options, void* data);

// PAPPL's auto-add callback: the driver of a device whose ID names one of the variants.
const char* AutoAdd(const char* deviceInfo, const char* deviceUri, const char* deviceId, void* data);

// The MIME type of a document from its first bytes: OpenXPS for a ZIP package, PDF, else nullptr
// (PAPPL's own detection).
const char* DetectFormat(const unsigned char* header, size_t size, void* data);

}  // namespace brimloft::printerapp

#endif
