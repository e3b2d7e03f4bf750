// A receipt-like page (text and rectangles, 72 mm wide) rendered at 203 dpi through the XPS
// rasterization service, and by MuPDF alone from the same one-page package.
#include <mupdf/fitz.h>
#include <wincodec.h>
#include <xpsrassvc.h>

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "module/ComPtr.h"
#include "platform/xps_rasterizer.h"
#include "xps/render_package.h"

namespace {

using brimloft::ComPtr;

constexpr float kDpi = 203;
constexpr int kWidthPx = 576;
constexpr float kPageWidth = kWidthPx * 96.0f / kDpi;  // 1/96 inch
constexpr float kPageHeight = 768;                     // 8 inches

std::string ReceiptMarkup() {
  std::ostringstream page;
  page << "<FixedPage xmlns=\"http://schemas.microsoft.com/xps/2005/06\" xml:lang=\"en-US\" Width=\"" << kPageWidth
       << "\" Height=\"" << kPageHeight << "\">";
  page << "<Path Data=\"M 10,10 L 262,10 262,60 10,60 Z\" Fill=\"#FF000000\"/>";
  for (int line = 0; line < 40; ++line) {
    page << "<Glyphs FontUri=\"/Resources/Font.ttf\" FontRenderingEmSize=\"11\" OriginX=\"10\" OriginY=\""
         << 90 + line * 14 << "\" UnicodeString=\"Item " << line << " ........ 12.50 EUR\" Fill=\"#FF000000\"/>";
  }
  for (int bar = 0; bar < 60; ++bar) {
    const float x = 20 + bar * 3.9f;
    const float w = (bar % 3 == 0) ? 2.5f : 1.2f;
    page << "<Path Data=\"M " << x << ",680 L " << x + w << ",680 " << x + w << ",740 " << x << ",740 Z\" "
         << "Fill=\"#FF000000\"/>";
  }
  page << "</FixedPage>";
  return page.str();
}

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

ComPtr<IStream> MemoryStream(const std::string& bytes) {
  ComPtr<IStream> stream;
  CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
  ULONG written = 0;
  stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

// The receipt page made by the object-model factory, with its font.
struct Receipt {
  Receipt() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ComPtr<IXpsOMObjectFactory> factory;
    ComPtr<IOpcFactory> opc;
    CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IXpsOMObjectFactory,
                     factory.put_void());
    CoCreateInstance(CLSID_OpcFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IOpcFactory, opc.put_void());
    ComPtr<IXpsOMPartResources> resources;
    factory->CreatePartResources(resources.put());
    ComPtr<IOpcPartUri> fontName, pageName;
    opc->CreatePartUri(L"/Resources/Font.ttf", fontName.put());
    opc->CreatePartUri(L"/Documents/1/Pages/1.fpage", pageName.put());
    ComPtr<IXpsOMFontResource> font;
    factory->CreateFontResource(MemoryStream(ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")).get(),
                                XPS_FONT_EMBEDDING_NORMAL, fontName.get(), FALSE, font.put());
    ComPtr<IXpsOMFontResourceCollection> fonts;
    resources->GetFontResources(fonts.put());
    fonts->Append(font.get());
    factory->CreatePageFromStream(MemoryStream(ReceiptMarkup()).get(), pageName.get(), resources.get(), FALSE,
                                  page.put());
    platform::CreateXpsRasterizationFactory(rasterization.put());
    ComPtr<platform::xps::IPlatformXpsPage> own;
    if (page) page->QueryInterface(platform::xps::IID_PlatformXpsPage, own.put_void());
    if (own) platform::xps::BuildRenderPackage(own.get(), package);
  }
  ComPtr<IXpsOMPage> page;
  ComPtr<IXpsRasterizationFactory> rasterization;
  std::string package;
  int heightPx = static_cast<int>(kPageHeight * kDpi / 96);
};

Receipt& TheReceipt() {
  static Receipt receipt;
  return receipt;
}

// What the filter does per page: a rasterizer for the page, then the page as one strip.
void BM_RasterizerPage(benchmark::State& state) {
  Receipt& r = TheReceipt();
  if (!r.page) {
    state.SkipWithError("the receipt page could not be made");
    return;
  }
  for (auto _ : state) {
    ComPtr<IXpsRasterizer> rasterizer;
    if (FAILED(r.rasterization->CreateRasterizer(r.page.get(), kDpi, XPSRAS_RENDERING_MODE_ANTIALIASED,
                                                 XPSRAS_RENDERING_MODE_ANTIALIASED, rasterizer.put())) ||
        FAILED(rasterizer->SetMinimalLineWidth(1))) {
      state.SkipWithError("CreateRasterizer failed");
      return;
    }
    ComPtr<IWICBitmap> bitmap;
    if (FAILED(rasterizer->RasterizeRect(0, 0, kWidthPx, r.heightPx, nullptr, bitmap.put()))) {
      state.SkipWithError("RasterizeRect failed");
      return;
    }
    benchmark::DoNotOptimize(bitmap.get());
  }
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RasterizerPage)->Unit(benchmark::kMillisecond);

// MuPDF alone: open the same package from memory and run the page into a BGRA pixmap.
void BM_MupdfAlonePage(benchmark::State& state) {
  Receipt& r = TheReceipt();
  if (r.package.empty()) {
    state.SkipWithError("no package");
    return;
  }
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  fz_register_document_handlers(ctx);
  const fz_matrix ctm = fz_scale(kDpi / 72, kDpi / 72);
  for (auto _ : state) {
    fz_stream* stream = fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(r.package.data()), r.package.size());
    fz_document* doc = fz_open_document_with_stream(ctx, "application/vnd.ms-xpsdocument", stream);
    fz_page* page = fz_load_page(ctx, doc, 0);
    fz_pixmap* pixmap =
        fz_new_pixmap_with_bbox(ctx, fz_device_bgr(ctx), fz_make_irect(0, 0, kWidthPx, r.heightPx), nullptr, 1);
    fz_clear_pixmap(ctx, pixmap);
    fz_device* device = fz_new_draw_device(ctx, fz_identity, pixmap);
    fz_run_page(ctx, page, device, ctm, nullptr);
    fz_close_device(ctx, device);
    benchmark::DoNotOptimize(fz_pixmap_samples(ctx, pixmap));
    fz_drop_device(ctx, device);
    fz_drop_pixmap(ctx, pixmap);
    fz_drop_page(ctx, page);
    fz_drop_document(ctx, doc);
    fz_drop_stream(ctx, stream);
  }
  fz_drop_context(ctx);
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MupdfAlonePage)->Unit(benchmark::kMillisecond);

}  // namespace
