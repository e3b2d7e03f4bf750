// A PDF file opened with MuPDF, its pages rendered band by band exactly as wide as the head.
// MuPDF's own errors stay inside: every failure comes out as a PdfError with MuPDF's words.
#ifndef BRIMLOFT_HOST_PRINTERAPP_PDF_DOCUMENT_H
#define BRIMLOFT_HOST_PRINTERAPP_PDF_DOCUMENT_H

#include <functional>
#include <string>

#include "host/failures/host_error.h"

struct fz_context;
struct fz_document;

namespace brimloft::printerapp {

// Its own type because a job tells a page that cannot be rendered (the paper is ended as usual)
// apart from a printer output that failed (nothing more can be written).
class PdfError : public host::HostError {
 public:
  using host::HostError::HostError;
};

class PdfDocument {
 public:
  // Throws PdfError when the file cannot be opened as PDF or has no pages.
  explicit PdfDocument(const std::string& path);
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  int PageCount() const noexcept { return pages_; }

  // One band of a rendered page: rows of width blue-green-red-alpha pixels, stride bytes apart.
  using BandSink = std::function<void(const unsigned char* pixels, unsigned width, unsigned rows, unsigned stride,
                                      double dpi)>;

  // Renders page (0-based) onto a white sheet of width x height pixels at dpi, fitted whole into
  // it (the smaller of the two scales) from its top left corner, as the XPS rasterizer fits a
  // page into the ticket's media size; a height of 0 makes the sheet as long as keeps the page's
  // proportions at that width; turned a quarter turn counter-clockwise first when
  // landscape. Bands of at most bandRows rows go to sink top to bottom (which may throw; rendering
  // stops); stop is asked before every band. Throws PdfError for a page MuPDF cannot render, one
  // without area, or a sheet longer than 1,048,576 rows.
  void RenderPage(int page, unsigned width, unsigned height, double dpi, bool landscape, unsigned bandRows,
                  const BandSink& sink, const std::function<bool()>& stop);

 private:
  fz_context* ctx_ = nullptr;
  fz_document* doc_ = nullptr;
  int pages_ = 0;
};

}  // namespace brimloft::printerapp

#endif
