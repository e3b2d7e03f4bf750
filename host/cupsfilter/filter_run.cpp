#include "host/cupsfilter/filter_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <objbase.h>
#include <oleauto.h>
#include <wincodec.h>

#include <cups/cups.h>
#include <cups/raster.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>

#include "host/cupsfilter/job_options.h"
#include "host/cupsfilter/ppd_settings.h"
#include "host/cupsfilter/raster_pages.h"
#include "host/cupsfilter/snapshot_ticket.h"
#include "host/failures/host_error.h"
#include "host/pipeline/com_apartment.h"
#include "host/pipeline/print_core_helper.h"
#include "host/pipeline/private_temp_folder.h"
#include "host/pipeline/property_bag.h"
#include "module/ComPtr.h"
#include "module/filtertypes.h"
#include "platform/printer_description.h"
#include "printer/BrimloftBitmapHandler.h"

namespace brimloft::rasterfilter {

namespace {

constexpr const char* kUnit = "rastertobrimloft";

class InputFile {
 public:
  explicit InputFile(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0)
      throw host::SystemFailure("cannot open the raster file " + path);
  }
  ~InputFile() { close(fd_); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  int fd() const noexcept { return fd_; }

 private:
  int fd_;
};

struct RasterCloser {
  void operator()(cups_raster_t* raster) const noexcept { cupsRasterClose(raster); }
};

OptionTable ParseJobOptions(const std::string& text) {
  cups_option_t* options = nullptr;
  const int count = cupsParseOptions(text.c_str(), 0, &options);
  OptionTable table;
  for (int i = 0; i < count; ++i) table[options[i].name] = options[i].value;
  cupsFreeOptions(count, options);
  return table;
}

std::string Capitalized(std::string text) {
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

// "Printing page 2 failed: HRESULT_FROM_WIN32(ERROR_DISK_FULL) (0x80070070): No space left on device"
std::string StepFailed(const std::string& step, HRESULT hr, const FilterContext& context) {
  std::string words = context.outputWords ? context.outputWords() : "";
  return Capitalized(step) + " failed: " + host::HexHr(hr) + (words.empty() ? "" : ": " + words);
}

// step names what the filter is doing, for a failure that carries only an HRESULT.
int Run(const std::vector<std::string>& args, const FilterContext& context, std::string& step) {
  std::ostream& log = *context.log;
  if (args.size() != 6 && args.size() != 7) {
    log << kUsage << std::endl;
    return 1;
  }
  if (context.ppdPath.empty())
    throw host::HostError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "no PPD file: the queue must use a Brimloft PPD file");
  const PpdSettings ppd = ReadPpdSettings(context.ppdPath);
  const platform::PrinterDescription printer = platform::BuiltInPrinterDescription(ppd.variant);
  const OptionTable jobOptions = ParseJobOptions(args[5]);
  const ResolvedFeatures resolved = ResolveFeatures(printer, ppd.defaults, jobOptions);
  const auto trimOption = jobOptions.find("BrimloftTrim");
  const auto trimDefault = ppd.defaults.find("BrimloftTrim");
  const TrailingWhite trailingWhite = TrailingWhiteFromOption(
      trimOption != jobOptions.end() ? trimOption->second
                                     : trimDefault != ppd.defaults.end() ? trimDefault->second : "Auto");
  for (const std::string& warning : resolved.warnings) log << "WARNING: " << warning << std::endl;

  std::unique_ptr<InputFile> file;
  if (args.size() == 7) file = std::make_unique<InputFile>(args[6]);
  const int fd = file ? file->fd() : context.inputFd;
  std::unique_ptr<cups_raster_t, RasterCloser> raster(cupsRasterOpen(fd, CUPS_RASTER_READ));
  if (!raster) throw host::HostError(host::HrCorruptData(), "the input is no CUPS raster data");

  step = "starting COM";
  const host::ComApartment apartment;
  if (!apartment.usable()) BRIMLOFT_THROW(apartment.result());
  // The printer output reads its options from the ticket snapshot before every strip; this job's
  // snapshot lives in a folder of its own.
  host::PrivateTempFolder folder("rastertobrimloft");
  WriteSnapshotTicket(platform::DefaultTicketXml(printer, resolved.features));

  step = "setting up the printer output";
  ComPtr<host::PropertyBag> bag = host::PropertyBag::Create();
  ComPtr<host::PrintCoreHelper> helper = host::PrintCoreHelper::Create(printer, resolved.features);
  VARIANT entry;
  VariantInit(&entry);
  entry.vt = VT_UNKNOWN;
  entry.punkVal = helper.get();
  BRIMLOFT_CHECK(bag->AddProperty(L"IPrintCoreHelper", &entry));

  ComPtr<IWICImagingFactory> factory;
  BRIMLOFT_CHECK(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                            factory.put_void()));
  std::unique_ptr<BrimloftBitmapHandler> handler =
      BrimloftBitmapHandler::Create(ppd.variant, bag.get(), context.output);

  step = "printing";
  const PageLoopResult result =
      PrintRasterPages(raster.get(), *handler, factory.get(), *context.cancelled, log, trailingWhite);
  if (result.cancelled) {
    log << "INFO: Job cancelled after " << result.pages << " page(s)" << std::endl;
    return 0;
  }
  if (result.pages == 0) throw host::HostError(host::HrCorruptData(), "no pages were found in the raster data");
  log << "INFO: Printed " << result.pages << " page(s)" << std::endl;
  return 0;
}

}  // namespace

int RunRasterToBrimloft(const std::vector<std::string>& args, const FilterContext& context) noexcept {
  std::ostream& log = *context.log;
  try {
    std::string step = "reading the job";
    try {
      return Run(args, context, step);
    } catch (const OutputFailure& e) {
      const std::string where = e.where.rfind("page ", 0) == 0 ? "printing " + e.where : "writing " + e.where;
      log << "ERROR: " << StepFailed(where, e.hr, context) << std::endl;
    } catch (const hr_error& e) {
      log << "ERROR: " << StepFailed(step, e.hr, context) << std::endl;
    } catch (const std::bad_alloc&) {
      log << "ERROR: Out of memory" << std::endl;
    } catch (const std::exception& e) {
      log << "ERROR: " << Capitalized(e.what()) << std::endl;
    } catch (...) {
      log << "ERROR: The filter failed unexpectedly" << std::endl;
    }
  } catch (...) {
    // The log itself failed: nothing more can be said.
  }
  return 1;
}

}  // namespace brimloft::rasterfilter
