#include "host/printerapp/job_context.h"

#include <cctype>
#include <new>
#include <stdexcept>

#include "host/failures/host_error.h"
#include "host/printerapp/printer_variants.h"
#include "module/filtertypes.h"
#include "platform/printer_description.h"

namespace brimloft::printerapp {

PrintOptions OptionsOf(pappl_job_t* job, unsigned pages) {
  PrintOptions options(papplJobCreatePrintOptions(job, pages, false));
  if (!options) throw std::bad_alloc();
  return options;
}

JobRequest RequestOf(const pappl_pr_options_t& options) {
  JobRequest request;
  request.mediaWidth = options.media.size_width;
  request.mediaLength = options.media.size_length;
  request.landscape = options.orientation_requested == IPP_ORIENT_LANDSCAPE ||
                      options.orientation_requested == IPP_ORIENT_REVERSE_LANDSCAPE;
  request.printDarkness = options.print_darkness;
  request.darknessConfigured = options.darkness_configured;
  for (int i = 0; i < options.num_vendor; ++i) request.vendor[options.vendor[i].name] = options.vendor[i].value;
  return request;
}

FeatureTable FeaturesOf(pappl_job_t* job, const pappl_pr_options_t& options, bool turnLandscape) {
  const std::string variant = VariantOfPrinter(papplJobGetPrinter(job));
  JobRequest request = RequestOf(options);
  request.mediaChosen = papplJobGetAttribute(job, "media") != nullptr || papplJobGetAttribute(job, "media-col") != nullptr;
  return JobFeatures(platform::BuiltInPrinterDescription(variant), request, turnLandscape);
}

void CheckNotCancelledBeforeStart(pappl_job_t* job) {
  if (papplJobGetTimeCompleted(job) != 0 || papplJobGetFilename(job) == nullptr) throw JobCancelledBeforeStart();
}

bool EndFailedJob(pappl_job_t* job, std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const JobCancelledBeforeStart& e) {
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "%s", e.what());
    papplJobCancel(job);
    return true;
  } catch (...) {
    FailJob(job, DescribeFailure(std::current_exception()));
    return false;
  }
}

std::string DescribeFailure(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const hr_error& e) {
    return "the printer output failed (" + host::HexHr(e.hr) + ")";
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "the job failed unexpectedly";
  }
}

void FailJob(pappl_job_t* job, const std::string& why) {
  std::string text = why;
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  papplJobSetMessage(job, "%s", text.c_str());
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", text.c_str());
}

}  // namespace brimloft::printerapp
