// The bitmap handler's creation and the per-page driver.
#include "printer/BrimloftBitmapHandler.h"

#include <shlwapi.h>

#include "module/filtertypes.h"

namespace brimloft {

namespace {
constexpr char kUnit[] = "BrimloftBitmapHandler";
}  // namespace

std::unique_ptr<BrimloftBitmapHandler> BrimloftBitmapHandler::Create(const std::string& variantCode,
                                                                     IPrintPipelinePropertyBag* propertyBag,
                                                                     IPrintWriteStream* outputStream) {
  if (outputStream == nullptr) throw_hr(E_POINTER, kUnit, __LINE__);
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.put_void());
  // A first failure is tried once more: the component may just be starting up.
  if (FAILED(hr)) {
    hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                          factory.put_void());
  }
  check_hr(hr, kUnit, __LINE__);
  if (!factory) throw_hr(E_POINTER, kUnit, __LINE__);
  std::unique_ptr<BrimloftBitmapHandler> handler(
      new BrimloftBitmapHandler(factory.get(), outputStream, variantCode));
  handler->SeedOptions(variantCode, propertyBag);
  return handler;
}

BrimloftBitmapHandler::BrimloftBitmapHandler(IWICImagingFactory* imagingFactory, IPrintWriteStream* outputStream,
                                             const std::string& variantCode)
    : imagingFactory_(imagingFactory), outputStream_(outputStream), variantCode_(variantCode) {}

void BrimloftBitmapHandler::ProcessStrip(INT pageIndex, IWICBitmap* strip) {
  ReadTicketOptions();
  const bool continuous = LookupOption("QVPrintContinuous") == "S";

  OneBitImage image;
  if (strip != nullptr) image = PreparePageImage(strip);

  // The whole segment is assembled in memory so that the pipeline receives it in one write, or
  // not at all when anything on the way fails. The stream is released before its block.
  SafeHGlobal block(GMEM_MOVEABLE | GMEM_DDESHARE, 0);
  ComPtr<IStream> segment;
  check_hr(CreateStreamOnHGlobal(block.get(), FALSE, segment.put()), kUnit, __LINE__);

  ULONG total = 0;
  if (!continuous || pageIndex == 1) total += WritePrologue(segment.get());
  if (pageIndex != 0) {
    const std::vector<BYTE> commands =
        WriteImageCommands(image.bits.data(), image.bits.size(), image.width, image.height);
    const ULONG n = static_cast<ULONG>(commands.size());
    if (n != 0) check_hr(IStream_Write(segment.get(), commands.data(), n), kUnit, __LINE__);
    total += n;
  }
  total += WriteTrailer(pageIndex, segment.get());

  // The counts are the stream's length; a block that does not hold them is a broken stream.
  if (GlobalSize(block.get()) < total) throw_hr(E_UNEXPECTED, kUnit, __LINE__);
  const auto lock = block.Lock();
  if (lock->data() == nullptr) throw_hr(E_UNEXPECTED, kUnit, __LINE__);
  ULONG written = 0;
  check_hr(outputStream_->WriteBytes(lock->data(), total, &written), kUnit, __LINE__);
}

}  // namespace brimloft
