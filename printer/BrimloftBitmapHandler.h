// The printer output of one job: the option table, the one-bit image of each strip and the
// printer command stream, written to the pipeline one segment per strip.
#ifndef BRIMLOFT_PRINTER_BRIMLOFTBITMAPHANDLER_H
#define BRIMLOFT_PRINTER_BRIMLOFTBITMAPHANDLER_H

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <filterpipeline.h>

#include <memory>
#include <string>
#include <vector>

#include "module/ComPtr.h"
#include "printer/HeadWidth.h"
#include "printer/OptionMap.h"
#include "printer/PixelPasses.h"

namespace brimloft {

// A strip's one-bit image: height rows of RowBytes(width) bytes, the leftmost pixel in the top bit
// of a byte, bit 1 white (no dot), bit 0 black (a dot).
struct OneBitImage {
  std::vector<BYTE> bits;
  UINT width = 0;
  UINT height = 0;
};

// Continuous printing's trimming of blank bands, carried from strip to strip of one page: no blank
// band before the page's first band with a dot or after its last is sent.
struct BandTrim {
  bool started = false;
  UINT pendingBlank = 0;
};

// How the rasterizer lays a page out for this printer: turned a quarter turn onto the roll or not,
// and the width in dots every strip is scaled to.
struct PageLayout {
  bool turned = false;
  UINT headWidth = 0;
};

class BrimloftBitmapHandler {
 public:
  // Creates the imaging factory (trying a failed creation once more) and seeds the options from
  // the variant code and the property bag's print core helper. Throws hr_error with the
  // creation's HRESULT when the factory cannot be made, E_POINTER when outputStream is null. The
  // options are read from the ticket snapshot at snapshotPath (the job's own), or when it is empty
  // at GetTicketSnapshotPath() as it is at each read.
  static std::unique_ptr<BrimloftBitmapHandler> Create(const std::string& variantCode,
                                                       IPrintPipelinePropertyBag* propertyBag,
                                                       IPrintWriteStream* outputStream,
                                                       std::string snapshotPath = std::string());
  BrimloftBitmapHandler(const BrimloftBitmapHandler&) = delete;
  BrimloftBitmapHandler& operator=(const BrimloftBitmapHandler&) = delete;

  // Writes the segment of one strip of page pageIndex (1-based), or with pageIndex 0 and no strip
  // the end-of-job segment, to the output stream in one write. A page is one piece of paper
  // however many strips it takes: its first strip carries the prologue, the strip that ends it
  // (endsPage) the trailer and its cut, and in band mode rows short of a whole band wait for the
  // page's next strip. A page left open (a job stopped or failed in its middle) is ended by the
  // next page's first strip or by the end-of-job call. Throws whatever fails (the snapshot file's
  // errors as std::runtime_error, parse errors, imaging and stream failures as hr_error); a failed
  // call writes nothing and leaves the page as it was.
  void ProcessStrip(INT pageIndex, IWICBitmap* strip, bool endsPage = true);

  // Refreshes the options from the ticket snapshot of the page about to be rendered and tells how
  // to cut it into strips. Throws as ReadTicketOptions does.
  PageLayout BeginPage();

  // --- Options ---
  // Enters ("printer", variantCode) and every feature the print core helper reports, keeping
  // entries already present. A missing helper ends the seeding with a trace record, never fails.
  void SeedOptions(const std::string& variantCode, IPrintPipelinePropertyBag* propertyBag);
  // Merges the ticket snapshot's features into the options and traces the table. Throws
  // std::runtime_error("cannot open file " + path) for an unreadable file, "the ticket snapshot is
  // not UTF-8 text" for a NUL byte in it, "the ticket snapshot nests elements deeper than 256
  // levels" and the parser's error for malformed XML, leaving the options unchanged. An empty file
  // merges nothing.
  void ReadTicketOptions();
  // The option of a feature, or an empty string; never fails, never inserts.
  std::string LookupOption(const std::string& feature) const { return options_.Lookup(feature); }
  std::vector<std::string> OptionKeys() const { return options_.Keys(); }
  // Throws std::out_of_range("invalid map<K, T> key") for an absent feature.
  const std::string& OptionAt(const std::string& feature) const { return options_.at(feature); }

  // --- Page image ---
  // Turns (landscape), scales to the head width, composites, brightens, dithers and converts a
  // 32-bit blue-green-red-alpha strip. Throws out_of_range when "PageOrientation" is absent and
  // hr_error for imaging failures; a strip of width 0 or a pixel format other than 32 bits is
  // E_INVALIDARG / WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT; one that would scale to more than 67,108,864
  // pixels is E_OUTOFMEMORY (traced with its size). A strip that scales to no rows gives an empty
  // image.
  OneBitImage PreparePageImage(IWICBitmap* strip);

  // --- Command stream ---
  // Appends the prologue of the print type to segment; returns its length (9 or 8). Throws the
  // stream's failure.
  ULONG WritePrologue(IStream* segment);
  // The image commands of a one-bit image of length bytes (RowBytes(width) * height; image may be
  // null when length is 0): bands in band mode, with blank bands trimmed in continuous printing;
  // raster blocks otherwise. Throws E_INVALIDARG when length is not RowBytes(width) * height or
  // the image is missing.
  std::vector<BYTE> WriteImageCommands(const BYTE* image, std::size_t length, UINT width, UINT height) const;
  // The same for one strip of a page whose continuous-printing trim goes on from its previous
  // strip; raster mode's closing band end (a feed) is sent only where the page ends.
  std::vector<BYTE> WriteImageCommands(const BYTE* image, std::size_t length, UINT width, UINT height,
                                       BandTrim& trim, bool endsPage) const;
  // Appends the trailer (band ends of a continuous job's end, closing command, cut when due);
  // returns its length (3, 5, 12 or 14). Throws the stream's failure.
  ULONG WriteTrailer(INT pageIndex, IStream* segment);

 private:
  BrimloftBitmapHandler(IWICImagingFactory* imagingFactory, IPrintWriteStream* outputStream,
                        const std::string& variantCode, std::string snapshotPath);

  ComPtr<IWICImagingFactory> imagingFactory_;
  ComPtr<IPrintWriteStream> outputStream_;
  OptionMap options_;
  std::string variantCode_;
  std::string snapshotPath_;
  // The page whose trailer is still due: its number, the one-bit rows short of a whole band that
  // wait for its next strip (band mode), and its continuous-printing trim.
  struct OpenPage {
    INT index = 0;
    OneBitImage carry;
    BandTrim trim;
  };
  // Appends to segment what ends the open page: its waiting rows as a last band, and its trailer.
  ULONG ClosePage(OpenPage& page, IStream* segment);

  // Whether this job has read a ticket snapshot of its own yet.
  bool ticketRead_ = false;
  OpenPage page_;
  // The composite-and-curve values of the last brightness used, kept from strip to strip.
  CompositeTable compositeTable_;
};

// Appends one byte to stream and counts it. Throws the write's failure.
void WriteByte(IStream* stream, BYTE value, ULONG& count);

// Appends one band to out: when usedWidth >= 1 the band image command for usedWidth columns and
// their 3 * usedWidth bytes from columns; then the band end. Returns 3 * usedWidth + 8, or 3 for a
// blank band.
ULONG WriteBandCommand(std::vector<BYTE>& out, const BYTE* columns, UINT usedWidth);

}  // namespace brimloft

#endif
