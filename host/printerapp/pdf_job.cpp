#include <algorithm>
#include <cmath>
#include <exception>

#include "host/cupsfilter/strip_plan.h"
#include "host/printerapp/device_stream.h"
#include "host/printerapp/document_jobs.h"
#include "host/printerapp/job_context.h"
#include "host/printerapp/job_turn.h"
#include "host/printerapp/pdf_document.h"
#include "host/printerapp/printer_variants.h"
#include "host/printerapp/strip_printer.h"
#include "printer/BrimloftBitmapHandler.h"

namespace brimloft::printerapp {

bool PrintPdfJob(pappl_job_t* job, pappl_device_t* device, void*) {
  return PrintInTurn(job, device, [job](pappl_device_t* output) {
    CheckNotCancelledBeforeStart(job);
    PdfDocument document(papplJobGetFilename(job));
    const unsigned pages = static_cast<unsigned>(document.PageCount());
    PrintOptions options = OptionsOf(job, pages);
    const FeatureTable features = FeaturesOf(job, *options, false);
    const bool landscape = RequestOf(*options).landscape;
    const std::string variant = VariantOfPrinter(papplJobGetPrinter(job));
    // The sheet is the job's media at the printer's resolution, as the XPS rasterizer makes it.
    constexpr double kDpi = 203;
    const auto dots = [](int hundredthsMm) { return unsigned(std::max(1.0, std::trunc(kDpi * hundredthsMm / 2540.0 + 0.5))); };
    // Without a chosen media the page keeps its own size: as wide as the head, in its proportions.
    const bool chosen = features.count("PageMediaSize") != 0;
    const unsigned sheetWidth = chosen ? dots(options->media.size_width) : HeadWidth(variant);
    const unsigned sheetHeight = chosen ? dots(options->media.size_length) : 0;
    const unsigned first = std::max(1u, options->first_page);
    const unsigned last = std::min(pages, options->last_page);
    const int copies = std::clamp(options->copies, 1, 999);
    papplJobSetImpressions(job, static_cast<int>(last >= first ? last - first + 1 : 0) * copies);

    ComPtr<DeviceStream> stream = DeviceStream::Create(output);
    StripPrinter printer(variant, features, stream.get());
    CheckNotCancelledBeforeStart(job);  // again, now that the job holds the engine
    const auto stop = [job] { return papplJobIsCanceled(job); };
    int pageIndex = 0;
    try {
      for (int copy = 0; copy < copies && !stop(); ++copy) {
        for (unsigned page = first; page <= last && !stop(); ++page) {
          ++pageIndex;
          document.RenderPage(static_cast<int>(page - 1), sheetWidth, sheetHeight, kDpi, landscape,
                              rasterfilter::StripRows(sheetWidth),
                              [&](const unsigned char* pixels, unsigned width, unsigned rows, unsigned stride,
                                  double dpi) { printer.PrintStrip(pageIndex, pixels, width, rows, stride, dpi); },
                              stop);
          papplJobSetImpressionsCompleted(job, 1);
        }
      }
    } catch (const PdfError&) {
      // A page that cannot be rendered ends the job on paper as the CUPS filter ends it.
      printer.EndJob();
      throw;
    }
    printer.EndJob();
    stream->Close();
    return true;
  });
}

}  // namespace brimloft::printerapp
