// The bitmap handler's creation and the per-page driver.
#include "printer/BrimloftBitmapHandler.h"

#include <shlwapi.h>

#include <utility>

#include "module/filtertypes.h"
#include "printer/BandImage.h"
#include "printer/RowBytes.h"

namespace brimloft {

namespace {
constexpr auto kUnit = TraceUnit::BrimloftBitmapHandler;
}  // namespace

std::unique_ptr<BrimloftBitmapHandler> BrimloftBitmapHandler::Create(const std::string& variantCode,
                                                                     IPrintPipelinePropertyBag* propertyBag,
                                                                     IPrintWriteStream* outputStream,
                                                                     std::string snapshotPath) {
  if (outputStream == nullptr) BRIMLOFT_THROW(E_POINTER);
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.put_void());
  // A first failure is tried once more: the component may just be starting up.
  if (FAILED(hr)) {
    hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                          factory.put_void());
  }
  BRIMLOFT_CHECK(hr);
  if (!factory) BRIMLOFT_THROW(E_POINTER);
  std::unique_ptr<BrimloftBitmapHandler> handler(
      new BrimloftBitmapHandler(factory.get(), outputStream, variantCode, std::move(snapshotPath)));
  handler->SeedOptions(variantCode, propertyBag);
  return handler;
}

BrimloftBitmapHandler::BrimloftBitmapHandler(IWICImagingFactory* imagingFactory, IPrintWriteStream* outputStream,
                                             const std::string& variantCode, std::string snapshotPath)
    : imagingFactory_(imagingFactory),
      outputStream_(outputStream),
      variantCode_(variantCode),
      snapshotPath_(std::move(snapshotPath)) {}

void BrimloftBitmapHandler::ProcessStrip(INT pageIndex, IWICBitmap* strip, bool endsPage) {
  // A job that reaches its end without a page (empty, or stopped before the first) never wrote
  // a ticket snapshot: a file there is another job's. Its end goes out with this job's seeded
  // options instead of failing or borrowing that job's.
  if (pageIndex != 0 || ticketRead_) ReadTicketOptions();
  const bool continuous = LookupOption("QVPrintContinuous") == "S";
  const bool raster = LookupOption("QVPrintType") == "Horizontal";

  OneBitImage image;
  if (strip != nullptr) image = PreparePageImage(strip);

  // The whole segment is assembled in memory so that the pipeline receives it in one write, or
  // not at all when anything on the way fails. The stream is released before its block.
  SafeHGlobal block(GMEM_MOVEABLE | GMEM_DDESHARE, 0);
  ComPtr<IStream> segment;
  BRIMLOFT_CHECK(CreateStreamOnHGlobal(block.get(), FALSE, segment.put()));

  // The call works on a copy of the open page, kept only once its segment is written.
  OpenPage page = page_;
  ULONG total = 0;
  if (page.index != 0 && page.index != pageIndex) {
    total += ClosePage(page, segment.get());
    page = OpenPage{};
  }
  if (pageIndex == 0) {
    if (!continuous) total += WritePrologue(segment.get());
    total += WriteTrailer(0, segment.get());
  } else {
    if (page.index == 0 && (!continuous || pageIndex == 1)) total += WritePrologue(segment.get());
    page.index = pageIndex;
    // The rows waiting from the page's previous strip go first; in band mode only whole bands
    // leave before the page ends.
    OneBitImage rows = std::move(page.carry);
    if (rows.height == 0) {
      rows = std::move(image);
    } else {
      rows.bits.insert(rows.bits.end(), image.bits.begin(), image.bits.end());
      rows.height += image.height;
    }
    const UINT send = endsPage || raster ? rows.height : rows.height / kBandRows * kBandRows;
    const std::size_t sendBytes = std::size_t(RowBytes(rows.width)) * send;
    const std::vector<BYTE> commands =
        WriteImageCommands(rows.bits.data(), sendBytes, rows.width, send, page.trim, endsPage);
    const ULONG n = static_cast<ULONG>(commands.size());
    if (n != 0) BRIMLOFT_CHECK(IStream_Write(segment.get(), commands.data(), n));
    total += n;
    page.carry.width = rows.width;
    page.carry.height = rows.height - send;
    page.carry.bits.assign(rows.bits.begin() + static_cast<std::ptrdiff_t>(sendBytes), rows.bits.end());
    if (endsPage) {
      total += WriteTrailer(pageIndex, segment.get());
      page = OpenPage{};
    }
  }

  // The counts are the stream's length; a block that does not hold them is a broken stream.
  if (GlobalSize(block.get()) < total) BRIMLOFT_THROW(E_UNEXPECTED);
  const auto lock = block.Lock();
  if (lock->data() == nullptr) BRIMLOFT_THROW(E_UNEXPECTED);
  ULONG written = 0;
  BRIMLOFT_CHECK(outputStream_->WriteBytes(lock->data(), total, &written));
  page_ = std::move(page);
}

ULONG BrimloftBitmapHandler::ClosePage(OpenPage& page, IStream* segment) {
  const OneBitImage& rows = page.carry;
  const std::vector<BYTE> commands =
      WriteImageCommands(rows.bits.data(), rows.bits.size(), rows.width, rows.height, page.trim, true);
  const ULONG n = static_cast<ULONG>(commands.size());
  if (n != 0) BRIMLOFT_CHECK(IStream_Write(segment, commands.data(), n));
  return n + WriteTrailer(page.index, segment);
}

PageLayout BrimloftBitmapHandler::BeginPage() {
  ReadTicketOptions();
  return PageLayout{LookupOption("PageOrientation") == "Landscape", HeadWidth(variantCode_)};
}

}  // namespace brimloft
