#include "host/printerapp/pdf_document.h"

#include <mupdf/fitz.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace brimloft::printerapp {

namespace {

constexpr double kMaxRows = 1048576;

// What MuPDF said, for the text of a PdfError.
std::string Caught(fz_context* ctx) {
  const char* message = fz_caught_message(ctx);
  return message && *message ? message : "unknown error";
}

// The pixels of box of the display list drawn with ctm on white, or nullptr with failure set.
fz_pixmap* RenderBand(fz_context* ctx, fz_display_list* list, fz_matrix ctm, fz_irect box, std::string& failure) {
  fz_pixmap* pixmap = nullptr;
  fz_device* device = nullptr;
  fz_var(pixmap);
  fz_var(device);
  fz_try(ctx) {
    pixmap = fz_new_pixmap_with_bbox(ctx, fz_device_bgr(ctx), box, nullptr, 1);
    fz_clear_pixmap_with_value(ctx, pixmap, 255);
    device = fz_new_draw_device(ctx, fz_identity, pixmap);
    fz_run_display_list(ctx, list, device, ctm, fz_rect_from_irect(box), nullptr);
    fz_close_device(ctx, device);
  }
  fz_always(ctx) { fz_drop_device(ctx, device); }
  fz_catch(ctx) {
    failure = Caught(ctx);
    fz_drop_pixmap(ctx, pixmap);
    pixmap = nullptr;
  }
  return pixmap;
}

}  // namespace

PdfDocument::PdfDocument(const std::string& path) {
  ctx_ = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  if (ctx_ == nullptr) throw PdfError(E_OUTOFMEMORY, "out of memory opening the PDF document");
  std::string failure;
  fz_stream* stream = nullptr;
  fz_var(stream);
  fz_try(ctx_) {
    fz_register_document_handlers(ctx_);
    stream = fz_open_file(ctx_, path.c_str());
    doc_ = fz_open_document_with_stream(ctx_, "application/pdf", stream);
    pages_ = fz_count_pages(ctx_, doc_);
  }
  fz_always(ctx_) { fz_drop_stream(ctx_, stream); }
  fz_catch(ctx_) { failure = Caught(ctx_); }
  if (failure.empty() && pages_ <= 0) failure = "the document has no pages";
  if (!failure.empty()) {
    fz_drop_document(ctx_, doc_);
    fz_drop_context(ctx_);
    throw PdfError(host::HrCorruptData(), "the PDF document cannot be read: " + failure);
  }
}

PdfDocument::~PdfDocument() {
  fz_drop_document(ctx_, doc_);
  fz_drop_context(ctx_);
}

void PdfDocument::RenderPage(int page, unsigned width, unsigned height, double dpi, bool landscape,
                             unsigned bandRows, const BandSink& sink, const std::function<bool()>& stop) {
  if (height > kMaxRows) throw PdfError(host::HrTooLarge(), "the media is longer than 1,048,576 rows");
  fz_display_list* list = nullptr;
  fz_page* loaded = nullptr;
  fz_rect bounds{};
  std::string failure;
  fz_var(list);
  fz_var(loaded);
  fz_try(ctx_) {
    loaded = fz_load_page(ctx_, doc_, page);
    bounds = fz_bound_page(ctx_, loaded);
    list = fz_new_display_list_from_page(ctx_, loaded);
  }
  fz_always(ctx_) { fz_drop_page(ctx_, loaded); }
  fz_catch(ctx_) { failure = Caught(ctx_); }
  if (!failure.empty())
    throw PdfError(host::HrCorruptData(), "page " + std::to_string(page + 1) + " cannot be read: " + failure);
  std::unique_ptr<fz_display_list, std::function<void(fz_display_list*)>> owned(
      list, [ctx = ctx_](fz_display_list* l) { fz_drop_display_list(ctx, l); });

  const fz_matrix turn = landscape ? fz_rotate(-90) : fz_identity;
  const fz_rect turned = fz_transform_rect(bounds, turn);
  if (turned.x1 - turned.x0 <= 0 || turned.y1 - turned.y0 <= 0)
    throw PdfError(host::HrCorruptData(), "page " + std::to_string(page + 1) + " has no area");
  const float across = float(width) / (turned.x1 - turned.x0);
  const float scale = height == 0 ? across : std::min(across, float(height) / (turned.y1 - turned.y0));
  fz_matrix ctm = fz_concat(turn, fz_scale(scale, scale));
  const fz_rect placed = fz_transform_rect(bounds, ctm);
  ctm = fz_concat(ctm, fz_translate(-placed.x0, -placed.y0));
  const double length = height != 0 ? height : std::ceil(double(placed.y1 - placed.y0) - 0.01);
  if (length > kMaxRows)
    throw PdfError(host::HrTooLarge(), "page " + std::to_string(page + 1) + " is longer than 1,048,576 rows");
  const unsigned rows = static_cast<unsigned>(length);

  for (unsigned top = 0; top < rows; top += bandRows) {
    if (stop()) return;
    const unsigned bandHeight = std::min(bandRows, rows - top);
    const fz_irect box = fz_make_irect(0, int(top), int(width), int(top + bandHeight));
    fz_pixmap* pixmap = RenderBand(ctx_, list, ctm, box, failure);
    if (!failure.empty())
      throw PdfError(host::HrCorruptData(), "page " + std::to_string(page + 1) + " cannot be rendered: " + failure);
    std::unique_ptr<fz_pixmap, std::function<void(fz_pixmap*)>> band(
        pixmap, [ctx = ctx_](fz_pixmap* p) { fz_drop_pixmap(ctx, p); });
    sink(fz_pixmap_samples(ctx_, pixmap), width, bandHeight, unsigned(fz_pixmap_stride(ctx_, pixmap)), dpi);
  }
}

}  // namespace brimloft::printerapp
