// One strip of arbitrary size, pixels and options through the page image step and the command
// stream: the strip either fails with an HRESULT and writes nothing, or writes one segment that
// decodes whole, with exactly one closing command and bands no wider than the head.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <wincodec.h>

#include <platform/printer_description.h>

#include "fakes/printer_fakes.h"
#include "fuzz/fuzz_support.h"
#include "host/decoder/stream_decoder.h"
#include "module/filtertypes.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printticket/TicketSnapshotPath.h"

using namespace brimloft;

namespace {

template <std::size_t N>
const char* Pick(fuzz::InputReader& input, const char* const (&choices)[N]) {
  return choices[input.Choice(N)];
}

void WriteSnapshot(const std::string& orientation) {
  std::ofstream file(GetTicketSnapshotPath(), std::ios::binary | std::ios::trunc);
  file << "<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
          "xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" version=\"1\">"
          "<psf:Feature name=\"psk:PageOrientation\"><psf:Option name=\"psk:"
       << orientation << "\"/></psf:Feature></psf:PrintTicket>";
  if (!file) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SetUpProcess();
  static const auto imaging = [] {
    ComPtr<IWICImagingFactory> made;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                made.put_void())))
      std::abort();
    return made;
  }();
  fuzz::InputReader input(data, size);
  static const char* const kVariants[] = {"RX1P", "RX2P", "RX3P", "RX1Q", "RX2Q", "RX3Q"};
  static const char* const kOrientations[] = {"Portrait", "Landscape", "ReversePortrait"};
  static const char* const kDithers[] = {"None", "2x2", "4x4", "FloydSteinberg", "x"};
  static const char* const kBrightness[] = {"fraco", "mfraco", "normal", "mforte", "forte", "x"};
  static const char* const kPrintTypes[] = {"Horizontal", "Vertical"};
  static const char* const kContinuous[] = {"S", "N"};
  static const char* const kCuts[] = {"T", "P", "S"};
  const std::string variant = Pick(input, kVariants);
  const std::string orientation = Pick(input, kOrientations);
  WriteSnapshot(orientation);
  auto helper = ComPtr<fakes::FakeCoreHelper>::Attach(new fakes::FakeCoreHelper);
  helper->Add("QVDither", Pick(input, kDithers));
  helper->Add("QVBright", Pick(input, kBrightness));
  const std::string printType = Pick(input, kPrintTypes);
  helper->Add("QVPrintType", printType);
  helper->Add("QVPrintContinuous", Pick(input, kContinuous));
  helper->Add("QVCutType", Pick(input, kCuts));
  const UINT width = input.Word() % 1024;
  const UINT height = input.Word() % 256;
  const INT pageIndex = 1 + input.Choice(3);
  // Strips that scale to between 256 Ki and 64 Mi pixels are valid but slow under the sanitizers
  // and the coverage counters, and reach nothing that smaller ones do not; beyond 64 Mi they are
  // refused before any work.
  const bool turned = orientation == "Landscape";
  const std::uint64_t across = turned ? height : width, along = turned ? width : height;
  if (across != 0) {
    const std::uint64_t head = HeadWidth(variant), scaled = head * (head * along / across);
    if (scaled > (256u << 10) && scaled <= (64u << 20)) return 0;
  }

  // The rest of the input, repeated, is the strip's pixels.
  const std::string pattern = input.Rest();
  std::vector<BYTE> pixels(std::size_t(width) * height * 4, 0xFF);
  for (std::size_t i = 0; !pattern.empty() && i < pixels.size(); ++i) pixels[i] = BYTE(pattern[i % pattern.size()]);
  ComPtr<IWICBitmap> strip;
  if (FAILED(imaging->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat32bppBGRA, width * 4,
                                             UINT(pixels.size()), pixels.data(), strip.put()))) {
    return 0;  // an empty strip has no bitmap to hand over
  }

  auto bag = ComPtr<fakes::PrinterPropertyBag>::Attach(new fakes::PrinterPropertyBag);
  bag->Put(L"IPrintCoreHelper", helper.get());
  auto output = ComPtr<fakes::FakeWriteStream>::Attach(new fakes::FakeWriteStream);
  auto handler = BrimloftBitmapHandler::Create(variant, bag.get(), output.get());
  try {
    handler->ProcessStrip(pageIndex, strip.get());
  } catch (const hr_error& e) {
    if (SUCCEEDED(e.hr) || !output->writes.empty()) std::abort();
    return 0;
  }
  if (output->writes.size() != 1) std::abort();
  const auto& bytes = output->writes.front();
  host::DecodedStream decoded;
  try {
    // A continuous job's later pages come without a prologue: the head's width reads their rows.
    decoded = host::DecodeStream(bytes.data(), bytes.size(), HeadWidth(variant));
  } catch (const host::StreamError&) {
    std::abort();
  }
  if (decoded.summary.segments != 1) std::abort();
  // Bands carry one column per dot of the head, raster rows as many dots as the head: the paper is
  // the head's, and no dot falls off it.
  if (decoded.paper.width != HeadWidth(variant) || decoded.paper.inkWidth > HeadWidth(variant)) std::abort();
  return 0;
}
