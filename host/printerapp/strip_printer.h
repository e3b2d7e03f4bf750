// The engine's image step and command stream for one job of rendered pages (raster, images, PDF):
// strips of 32-bit blue-green-red-alpha pixels in, the printer's command stream out, as the CUPS
// filter drives it.
#ifndef BRIMLOFT_HOST_PRINTERAPP_STRIP_PRINTER_H
#define BRIMLOFT_HOST_PRINTERAPP_STRIP_PRINTER_H

#include <windows.h>
#include <wincodec.h>

#include <filterpipeline.h>

#include <memory>
#include <string>

#include "host/printerapp/engine_session.h"
#include "host/printerapp/job_features.h"
#include "module/ComPtr.h"
#include "printer/BrimloftBitmapHandler.h"

namespace brimloft::printerapp {

class StripPrinter {
 public:
  // Writes the job's ticket snapshot and sets up the printer output for the variant with the
  // features. Throws hr_error or std::runtime_error saying what failed.
  StripPrinter(const std::string& variant, const FeatureTable& features, IPrintWriteStream* output);

  // One strip of width x rows pixels with rows of stride bytes at pixels, page pageIndex (1-based).
  void PrintStrip(int pageIndex, const unsigned char* pixels, unsigned width, unsigned rows, unsigned stride,
                  double dpi);
  // The end-of-job segment; after it the object prints nothing more.
  void EndJob();

 private:
  EngineSession session_;
  ComPtr<IWICImagingFactory> factory_;
  std::unique_ptr<BrimloftBitmapHandler> handler_;
  bool ended_ = false;
};

}  // namespace brimloft::printerapp

#endif
