// The formats PAPPL does not rasterize itself, each a MIME filter into the printer's stream:
// PDF rendered with MuPDF, XPS and OpenXPS through the pipeline host and the filter module, and
// the printer's own commands passed through.
#ifndef BRIMLOFT_HOST_PRINTERAPP_DOCUMENT_JOBS_H
#define BRIMLOFT_HOST_PRINTERAPP_DOCUMENT_JOBS_H

#include <pappl/pappl.h>

namespace brimloft::printerapp {

// The printer's own command stream, as a document format.
constexpr const char* kPrinterFormat = "application/vnd.brimloft-commands";

// Each prints the job's file to device and returns true, or puts the reason into the job's state
// message and returns false. A cancelled job stops after the current band or strip.
bool PrintPdfJob(pappl_job_t* job, pappl_device_t* device, void* data);
bool PrintXpsJob(pappl_job_t* job, pappl_device_t* device, void* data);
bool PrintRawJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

}  // namespace brimloft::printerapp

#endif
