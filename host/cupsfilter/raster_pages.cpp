#include "cupsfilter/raster_pages.h"

#include <string>
#include <vector>

#include "cupsfilter/strip_plan.h"
#include "module/filtertypes.h"

namespace brimloft::rasterfilter {

namespace {

constexpr const char* kUnit = "rastertobrimloft";

}  // namespace

ComPtr<IWICBitmap> ReadStrip(cups_raster_t* raster, const RowFormat& format, unsigned rows,
                             const cups_page_header2_t& header, IWICImagingFactory* factory) {
  ComPtr<IWICBitmap> bitmap;
  check_hr(factory->CreateBitmap(format.width, rows, GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad,
                                 bitmap.put()),
           kUnit, __LINE__);
  {
    ComPtr<IWICBitmapLock> lock;
    check_hr(bitmap->Lock(nullptr, WICBitmapLockWrite, lock.put()), kUnit, __LINE__);
    UINT stride = 0;
    UINT size = 0;
    BYTE* pixels = nullptr;
    check_hr(lock->GetStride(&stride), kUnit, __LINE__);
    check_hr(lock->GetDataPointer(&size, &pixels), kUnit, __LINE__);
    std::vector<unsigned char> row(format.bytesPerLine);
    for (unsigned y = 0; y < rows; ++y) {
      if (cupsRasterReadPixels(raster, row.data(), format.bytesPerLine) != format.bytesPerLine) {
        throw RasterError("the raster data ends in the middle of a page");
      }
      ConvertRow(format, row.data(), pixels + std::size_t(y) * stride);
    }
  }
  check_hr(bitmap->SetResolution(header.HWResolution[0], header.HWResolution[1]), kUnit, __LINE__);
  return bitmap;
}

PageLoopResult PrintRasterPages(cups_raster_t* raster, BrimloftBitmapHandler& handler,
                                IWICImagingFactory* factory, const std::atomic<bool>& cancelled,
                                std::ostream& log) {
  PageLoopResult result;
  cups_page_header2_t header;
  try {
    while (!cancelled && cupsRasterReadHeader2(raster, &header)) {
      const INT pageIndex = static_cast<INT>(++result.pages);
      log << "INFO: Printing page " << pageIndex << "\nPAGE: " << pageIndex << " 1" << std::endl;
      const RowFormat format = RowFormatOf(header);
      const std::vector<StripSpan> strips = PlanStrips(format.width, header.cupsHeight);
      for (std::size_t i = 0; i < strips.size() && !cancelled; ++i) {
        ComPtr<IWICBitmap> bitmap = ReadStrip(raster, format, strips[i].rows, header, factory);
        handler.ProcessStrip(pageIndex, bitmap.get(), i + 1 == strips.size());
      }
    }
  } catch (const RasterError& e) {
    handler.ProcessStrip(0, nullptr);
    throw RasterError("page " + std::to_string(result.pages) + ": " + e.what());
  }
  result.cancelled = cancelled;
  handler.ProcessStrip(0, nullptr);
  return result;
}

}  // namespace brimloft::rasterfilter
