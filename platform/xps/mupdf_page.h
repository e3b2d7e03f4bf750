// One XPS page opened with MuPDF and recorded once as a display list, rendered band by band.
// Each object has a MuPDF context of its own that shares nothing with any other (no locks, no
// common caches), so objects may live on different threads; one object must not be used by two
// threads at once. What MuPDF says (warnings, errors) goes to the page's message collector,
// never to standard error.
#ifndef BRIMLOFT_PLATFORM_XPS_MUPDF_PAGE_H
#define BRIMLOFT_PLATFORM_XPS_MUPDF_PAGE_H

#include <windows.h>

#include <memory>
#include <string>

#include "platform/renderer_messages.h"

struct fz_context;
struct fz_document;
struct fz_display_list;

namespace platform::xps {

class MupdfPage {
 public:
  // Opens the first page of the XPS package in archive (a ZIP) and records it. MuPDF's messages
  // go to messages (null: nowhere) under pageName. Fails with E_OUTOFMEMORY, or
  // XPS_E_INVALID_MARKUP when MuPDF cannot open or interpret the page, leaving its words as the
  // thread's error information ("the renderer says: ...").
  static HRESULT Open(std::string archive, bool antialiasText, bool antialiasGraphics,
                      std::shared_ptr<RendererMessages> messages, std::string pageName,
                      std::unique_ptr<MupdfPage>& page);
  ~MupdfPage();
  MupdfPage(const MupdfPage&) = delete;
  MupdfPage& operator=(const MupdfPage&) = delete;

  // Strokes thinner than width pixels are drawn width pixels wide (0: as they are).
  void SetMinimalLineWidth(float width);

  // Renders the device pixels [x0, x1) × [y0, y1) of the page at dpi into samples: rows of
  // (x1 − x0) × 4 bytes, blue, green, red, alpha, premultiplied, transparent where nothing is
  // drawn; cleared says that samples are all zero already. Fails with E_OUTOFMEMORY or
  // XPS_E_INVALID_MARKUP, with MuPDF's words as for Open.
  HRESULT Render(int x0, int y0, int x1, int y1, float dpi, unsigned char* samples, bool cleared);

 private:
  MupdfPage() = default;
  HRESULT Load();
  static void OnWarning(void* self, const char* message);
  static void OnError(void* self, const char* message);

  // Where the context's callbacks put what MuPDF says, up to the context's drop, which flushes
  // its last repeated warning.
  std::shared_ptr<RendererMessages> messages_;
  std::string pageName_;
  fz_context* ctx_ = nullptr;
  std::string archive_;  // the bytes MuPDF reads from, for the life of the document
  fz_document* doc_ = nullptr;
  fz_display_list* list_ = nullptr;
};

}  // namespace platform::xps

#endif
