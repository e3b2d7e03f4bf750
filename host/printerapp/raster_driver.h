// PAPPL's raster callbacks: the pages PAPPL rasterizes or receives (PWG and Apple raster, JPEG,
// PNG) go line by line into strips, as the CUPS filter reads them, and on to the engine.
#ifndef BRIMLOFT_HOST_PRINTERAPP_RASTER_DRIVER_H
#define BRIMLOFT_HOST_PRINTERAPP_RASTER_DRIVER_H

#include <pappl/pappl.h>

namespace brimloft::printerapp {

// Each returns false after putting the reason into the job's state message. A failure in a line
// (whose result PAPPL ignores) is reported at the end of its page.
bool RasterStartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
bool RasterStartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device, unsigned page);
bool RasterWriteLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device, unsigned y,
                     const unsigned char* line);
bool RasterEndPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device, unsigned page);
bool RasterEndJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

}  // namespace brimloft::printerapp

#endif
