#include "xps/mupdf_page.h"

#include <mupdf/fitz.h>
#include <xpsobjectmodel.h>

#include <cstdio>
#include <new>
#include <string>

#include "platform/error_info.h"

// MuPDF's XPS handler, the only one this library opens documents with: registering it alone keeps
// MuPDF's other formats (PDF, HTML, EPUB and the libraries they need) out of the library, which
// makes every process that loads it start faster.
extern "C" fz_document_handler xps_document_handler;

namespace platform::xps {
namespace {

constexpr const char* kXpsMagic = "application/vnd.ms-xpsdocument";

// The HRESULT of the error MuPDF threw; its words become the caller's error information.
HRESULT CaughtError(fz_context* ctx) {
  if (fz_caught(ctx) == FZ_ERROR_MEMORY) return E_OUTOFMEMORY;
  try {
    SetErrorDescription(L"XPS rasterizer", std::string("the renderer says: ") + fz_caught_message(ctx));
  } catch (const std::bad_alloc&) {
  }
  return XPS_E_INVALID_MARKUP;
}

}  // namespace

HRESULT MupdfPage::Open(std::string archive, bool antialiasText, bool antialiasGraphics,
                        std::shared_ptr<RendererMessages> messages, std::string pageName,
                        std::unique_ptr<MupdfPage>& page) {
  std::unique_ptr<MupdfPage> opened(new (std::nothrow) MupdfPage());
  if (!opened) return E_OUTOFMEMORY;
  opened->archive_ = std::move(archive);
  opened->messages_ = std::move(messages);
  opened->pageName_ = std::move(pageName);
  // A context of its own, shared with nothing, needs no locks: MuPDF takes them for every
  // allocation, path and glyph (7 % of a text page's instructions with mutexes). A page's
  // document, fonts and images are its own anyway, so a shared store would hold nothing that
  // another page could use.
  opened->ctx_ = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  if (opened->ctx_ == nullptr) return E_OUTOFMEMORY;
  // A new context starts with MuPDF's own callbacks, which print.
  fz_set_warning_callback(opened->ctx_, OnWarning, opened.get());
  fz_set_error_callback(opened->ctx_, OnError, opened.get());
  fz_set_text_aa_level(opened->ctx_, antialiasText ? 8 : 0);
  fz_set_graphics_aa_level(opened->ctx_, antialiasGraphics ? 8 : 0);
  const HRESULT hr = opened->Load();
  if (FAILED(hr)) return hr;
  page = std::move(opened);
  return S_OK;
}

// Only plain C locals live across fz_try: the error path is a longjmp.
HRESULT MupdfPage::Load() {
  fz_context* ctx = ctx_;
  fz_stream* stream = nullptr;
  fz_page* page = nullptr;
  HRESULT hr = S_OK;
  fz_var(stream);
  fz_var(page);
  fz_try(ctx) {
    fz_register_document_handler(ctx, &xps_document_handler);
    stream = fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(archive_.data()), archive_.size());
    doc_ = fz_open_document_with_stream(ctx, kXpsMagic, stream);
    page = fz_load_page(ctx, doc_, 0);
    list_ = fz_new_display_list_from_page(ctx, page);
  }
  fz_always(ctx) {
    fz_drop_page(ctx, page);
    fz_drop_stream(ctx, stream);
  }
  fz_catch(ctx) { hr = CaughtError(ctx); }
  return hr;
}

// MuPDF says a warning once and counts its immediate repeats, which it reports when another
// message comes or the context is dropped as "... repeated N times...".
// Both run inside MuPDF, which must see no exception: a message that cannot be kept is dropped.
void MupdfPage::OnWarning(void* self, const char* message) {
  const auto* page = static_cast<const MupdfPage*>(self);
  if (!page->messages_) return;
  int times = 0;
  char end = 0;
  if (std::sscanf(message, "... repeated %d times%c", &times, &end) == 2 && end == '.' && times > 1) {
    page->messages_->Repeat(page->pageName_, static_cast<unsigned long>(times - 1));
    return;
  }
  try {
    page->messages_->Add(page->pageName_, false, message);
  } catch (...) {
  }
}

void MupdfPage::OnError(void* self, const char* message) {
  const auto* page = static_cast<const MupdfPage*>(self);
  if (!page->messages_) return;
  try {
    page->messages_->Add(page->pageName_, true, message);
  } catch (...) {
  }
}

MupdfPage::~MupdfPage() {
  if (ctx_ == nullptr) return;
  fz_drop_display_list(ctx_, list_);
  fz_drop_document(ctx_, doc_);
  fz_drop_context(ctx_);
}

void MupdfPage::SetMinimalLineWidth(float width) { fz_set_graphics_min_line_width(ctx_, width); }

HRESULT MupdfPage::Render(int x0, int y0, int x1, int y1, float dpi, unsigned char* samples, bool cleared) {
  fz_context* ctx = ctx_;
  fz_pixmap* pixmap = nullptr;
  fz_device* device = nullptr;
  HRESULT hr = S_OK;
  fz_var(pixmap);
  fz_var(device);
  fz_try(ctx) {
    const fz_irect box = fz_make_irect(x0, y0, x1, y1);
    pixmap = fz_new_pixmap_with_bbox_and_data(ctx, fz_device_bgr(ctx), box, nullptr, 1, samples);
    if (!cleared) fz_clear_pixmap(ctx, pixmap);
    device = fz_new_draw_device(ctx, fz_identity, pixmap);
    fz_run_display_list(ctx, list_, device, fz_scale(dpi / 72.0f, dpi / 72.0f), fz_rect_from_irect(box), nullptr);
    fz_close_device(ctx, device);
  }
  fz_always(ctx) {
    fz_drop_device(ctx, device);
    fz_drop_pixmap(ctx, pixmap);
  }
  fz_catch(ctx) { hr = CaughtError(ctx); }
  return hr;
}

}  // namespace platform::xps
