// One full strip through the printer output: a 640 x 6553 strip (80 mm paper at 203 dpi, the
// largest strip the rasterizer hands over) to the 576-dot head, per dither, brightness and print
// type. Items are the strip's pixels, so items per second read as pixels per second.
#include <benchmark/benchmark.h>

#include <filterpipeline.h>
#include <platform/com_object.h>
#include <wincodec.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "module/ComPtr.h"
#include "module/filtertypes.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printticket/TicketSnapshotPath.h"

namespace {

using brimloft::ComPtr;

constexpr UINT kWidth = 640;
constexpr UINT kHeight = 6553;

// Takes every segment and keeps only its length.
class CountingStream : public platform::ComObject<IPrintWriteStream, &IID_IPrintWriteStream> {
 public:
  HRESULT STDMETHODCALLTYPE WriteBytes(const void*, ULONG size, ULONG* written) override {
    bytes += size;
    if (written != nullptr) *written = size;
    return S_OK;
  }
  void STDMETHODCALLTYPE Close() override {}
  std::size_t bytes = 0;
};

// A page-like strip: white paper, lines of black "text" with grey antialiased edges, a grey
// gradient and a photo-like noisy area. With a transparent background the paper is alpha 0, as
// a rasterizer leaves what nothing covers.
std::vector<BYTE> PagePixels(bool transparentPaper) {
  std::vector<BYTE> px(std::size_t(kWidth) * kHeight * 4);
  std::uint32_t noise = 12345;
  for (UINT y = 0; y < kHeight; ++y) {
    for (UINT x = 0; x < kWidth; ++x) {
      BYTE v = 255;
      BYTE a = 255;
      const UINT line = y % 40;
      if (y < 4000 && line >= 8 && line < 30 && x >= 32 && x < 608) {
        const UINT glyph = (x / 11 + y / 40) % 9;
        const UINT gx = x % 11;
        if (glyph != 0 && gx >= 2 && gx < 9) v = (gx == 2 || gx == 8 || line == 8 || line == 29) ? 128 : 0;
      } else if (y >= 4000 && y < 5000) {
        v = static_cast<BYTE>(x * 255 / (kWidth - 1));
      } else if (y >= 5000 && y < 6000 && x >= 64 && x < 576) {
        noise = noise * 1664525u + 1013904223u;
        v = static_cast<BYTE>((x + y) / 8 + (noise >> 28));
      }
      if (transparentPaper && v == 255) a = 0;
      BYTE* p = &px[(std::size_t(y) * kWidth + x) * 4];
      p[0] = p[1] = p[2] = a == 0 ? 0 : v;
      p[3] = a;
    }
  }
  return px;
}

struct Environment {
  Environment() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    folder = std::filesystem::temp_directory_path() / ("brimloft-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~Environment() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    CoUninitialize();
  }
  std::filesystem::path folder;
};

Environment& Env() {
  static Environment environment;
  return environment;
}

void WriteTicket(const std::string& dither, const std::string& bright, const std::string& type) {
  std::ofstream(std::filesystem::u8path(brimloft::GetTicketSnapshotPath()), std::ios::trunc)
      << "<psf:PrintTicket xmlns:psf=\"f\" xmlns:psk=\"k\" xmlns:ns0000=\"n\" version=\"1\">"
         "<psf:Feature name=\"psk:PageOrientation\"><psf:Option name=\"psk:Portrait\"/></psf:Feature>"
         "<psf:Feature name=\"QVDither\"><psf:Option name=\"ns0000:" << dither << "\"/></psf:Feature>"
         "<psf:Feature name=\"QVBright\"><psf:Option name=\"ns0000:" << bright << "\"/></psf:Feature>"
         "<psf:Feature name=\"QVPrintType\"><psf:Option name=\"ns0000:" << type << "\"/></psf:Feature>"
         "</psf:PrintTicket>";
}

void ProcessStrip(benchmark::State& state, const std::string& dither, const std::string& bright,
                  const std::string& type, bool transparentPaper) {
  Env();
  WriteTicket(dither, bright, type);
  std::vector<BYTE> pixels = PagePixels(transparentPaper);
  ComPtr<IWICImagingFactory> factory;
  brimloft::check_hr(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, factory.put_void()),
                     "bench", __LINE__);
  ComPtr<IWICBitmap> strip;
  brimloft::check_hr(factory->CreateBitmapFromMemory(kWidth, kHeight, GUID_WICPixelFormat32bppBGRA, kWidth * 4,
                                                     static_cast<UINT>(pixels.size()), pixels.data(), strip.put()),
                     "bench", __LINE__);
  auto output = ComPtr<CountingStream>::Attach(new CountingStream);
  auto handler = brimloft::BrimloftBitmapHandler::Create("RX2P", nullptr, output.get());
  for (auto _ : state) handler->ProcessStrip(1, strip.get());
  state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
  state.counters["segment_bytes"] = double(output->bytes) / double(state.iterations());
}

void RegisterAll() {
  for (const char* type : {"Band", "Horizontal"}) {
    for (const char* dither : {"None", "Floyd_Steinberg", "4x4"}) {
      for (const char* bright : {"normal", "forte"}) {
        const std::string name = std::string("ProcessStrip/") + (type[0] == 'B' ? "band" : "raster") + "/" +
                                 dither + "/" + bright;
        benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) {
          ProcessStrip(s, dither, bright, type, false);
        })->Unit(benchmark::kMillisecond);
      }
    }
  }
  benchmark::RegisterBenchmark("ProcessStrip/band/None/normal/transparent_paper", [](benchmark::State& s) {
    ProcessStrip(s, "None", "normal", "Band", true);
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ProcessStrip/band/4x4/forte/transparent_paper", [](benchmark::State& s) {
    ProcessStrip(s, "4x4", "forte", "Band", true);
  })->Unit(benchmark::kMillisecond);
}

const int kRegistered = (RegisterAll(), 0);

}  // namespace
