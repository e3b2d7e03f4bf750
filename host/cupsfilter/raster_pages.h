// The page loop of the CUPS filter: every page of a CUPS raster stream goes to the printer output
// in strips, as the rasterizer hands over the pages of an XPS job, and the job ends with the
// end-of-job call.
#ifndef BRIMLOFT_HOST_CUPSFILTER_RASTER_PAGES_H
#define BRIMLOFT_HOST_CUPSFILTER_RASTER_PAGES_H

#include <windows.h>
#include <wincodec.h>

#include <cups/raster.h>

#include <atomic>
#include <ostream>
#include <string>

#include "host/cupsfilter/raster_rows.h"
#include "module/ComPtr.h"
#include "printer/BrimloftBitmapHandler.h"

namespace brimloft::rasterfilter {

// Whether the white rows at the end of a page are fed: a receipt on a long custom size ends where its
// ink ends, a fixed sheet keeps its length.
enum class TrailingWhite { Keep, Trim, TrimCustomSizes };

// Parses the "BrimloftTrim" option's value ("True", "False", "Auto"); anything else is Auto.
TrailingWhite TrailingWhiteFromOption(const std::string& value);

// The printer output raised hr where the job was: "page 3", "the end of the job".
struct OutputFailure {
  HRESULT hr;
  std::string where;
};

struct PageLoopResult {
  unsigned pages = 0;      // pages begun
  bool cancelled = false;  // stopped by the cancel flag before the raster ran out
};

// Reads the strip's rows from the raster into a new 32-bit blue-green-red-alpha bitmap of
// format.width x rows, with the page's resolution. Throws HostError (HrCorruptData) when the rows end early,
// hr_error for imaging failures.
ComPtr<IWICBitmap> ReadStrip(cups_raster_t* raster, const RowFormat& format, unsigned rows,
                             const cups_page_header2_t& header, IWICImagingFactory* factory);

// For every page until the raster ends or cancelled is set (tested before every page and every
// strip): "INFO:" and "PAGE:" lines on log, then its strips of at most 4,194,304 pixels, top to
// bottom, to handler.ProcessStrip with the page's 1-based number over the job. Then the end-of-job
// call ProcessStrip(0, null), also after a cancel. An unprintable or truncated page ends the job:
// the end-of-job call is still made, then a HostError naming the page goes to the caller.
// A failure of the printer output (hr_error) goes on at once as an OutputFailure naming the page
// (or the end of the job), without an end-of-job call, as in the XPS filter; other exceptions go on
// as they are.
// A page is one piece of paper however many strips it takes. With trailing white trimmed, white
// rows are held back until ink follows them and dropped at the page's end.
PageLoopResult PrintRasterPages(cups_raster_t* raster, BrimloftBitmapHandler& handler,
                                IWICImagingFactory* factory, const std::atomic<bool>& cancelled,
                                std::ostream& log, TrailingWhite trailingWhite = TrailingWhite::Keep);

}  // namespace brimloft::rasterfilter

#endif
