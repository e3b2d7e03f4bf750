#include "host/cupsfilter/raster_pages.h"

#include <cstring>
#include <string>
#include <vector>

#include "host/cupsfilter/strip_plan.h"
#include "module/filtertypes.h"

namespace brimloft::rasterfilter {

namespace {

constexpr const char* kUnit = "rastertobrimloft";

// A whole bitmap's pixels, locked for as long as this lives.
struct LockedPixels {
  ComPtr<IWICBitmapLock> lock;
  UINT stride = 0;
  BYTE* pixels = nullptr;
};

LockedPixels LockPixels(IWICBitmap* bitmap, DWORD flags) {
  LockedPixels locked;
  BRIMLOFT_CHECK(bitmap->Lock(nullptr, flags, locked.lock.put()));
  UINT size = 0;
  BRIMLOFT_CHECK(locked.lock->GetStride(&locked.stride));
  BRIMLOFT_CHECK(locked.lock->GetDataPointer(&size, &locked.pixels));
  return locked;
}

// The rows of a 32-bit bitmap from the top that hold anything but opaque white.
unsigned InkedRows(IWICBitmap* bitmap) {
  UINT width = 0, height = 0;
  BRIMLOFT_CHECK(bitmap->GetSize(&width, &height));
  const LockedPixels locked = LockPixels(bitmap, WICBitmapLockRead);
  for (unsigned y = height; y > 0; --y) {
    const BYTE* row = locked.pixels + std::size_t(y - 1) * locked.stride;
    for (std::size_t i = 0; i < std::size_t(width) * 4; ++i)
      if (row[i] != 0xFF) return y;
  }
  return 0;
}

// A new bitmap of the first rows of source, or of rows of white when source is null.
ComPtr<IWICBitmap> RowsOf(IWICBitmap* source, unsigned width, unsigned rows, IWICImagingFactory* factory) {
  ComPtr<IWICBitmap> bitmap;
  BRIMLOFT_CHECK(factory->CreateBitmap(width, rows, GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad, bitmap.put()));
  const LockedPixels locked = LockPixels(bitmap.get(), WICBitmapLockWrite);
  if (source == nullptr) {
    std::memset(locked.pixels, 0xFF, std::size_t(locked.stride) * rows);
  } else {
    const WICRect top{0, 0, static_cast<INT>(width), static_cast<INT>(rows)};
    BRIMLOFT_CHECK(source->CopyPixels(&top, locked.stride, locked.stride * rows, locked.pixels));
  }
  return bitmap;
}

// Sends a page's strips, holding white rows back when they are to be trimmed.
class PageStrips {
 public:
  PageStrips(BrimloftBitmapHandler& handler, IWICImagingFactory* factory, INT pageIndex, unsigned width, bool trim)
      : handler_(handler), factory_(factory), pageIndex_(pageIndex), width_(width), trim_(trim) {}

  void Add(IWICBitmap* strip, unsigned rows, bool last) {
    if (!trim_) {
      handler_.ProcessStrip(pageIndex_, strip, last);
      return;
    }
    const unsigned inked = InkedRows(strip);
    if (inked == 0) {
      heldWhite_ += rows;
    } else {
      SendHeldWhite();
      if (inked == rows) {
        handler_.ProcessStrip(pageIndex_, strip, last);
        return;
      }
      handler_.ProcessStrip(pageIndex_, RowsOf(strip, width_, inked, factory_).get(), false);
      heldWhite_ = rows - inked;
    }
    // The page ends where its ink ended.
    if (last) handler_.ProcessStrip(pageIndex_, nullptr, true);
  }

 private:
  void SendHeldWhite() {
    const unsigned most = kMaxStripPixels / width_;
    for (; heldWhite_ > 0;) {
      const unsigned rows = heldWhite_ < most ? heldWhite_ : most;
      handler_.ProcessStrip(pageIndex_, RowsOf(nullptr, width_, rows, factory_).get(), false);
      heldWhite_ -= rows;
    }
  }

  BrimloftBitmapHandler& handler_;
  IWICImagingFactory* factory_;
  INT pageIndex_;
  unsigned width_;
  bool trim_;
  unsigned heldWhite_ = 0;
};

// CUPS names a custom size "Custom.WIDTHxLENGTH".
bool IsCustomSize(const cups_page_header2_t& header) {
  return std::string(header.cupsPageSizeName).rfind("Custom", 0) == 0;
}

}  // namespace

TrailingWhite TrailingWhiteFromOption(const std::string& value) {
  if (value == "True") return TrailingWhite::Trim;
  if (value == "False") return TrailingWhite::Keep;
  return TrailingWhite::TrimCustomSizes;
}

ComPtr<IWICBitmap> ReadStrip(cups_raster_t* raster, const RowFormat& format, unsigned rows,
                             const cups_page_header2_t& header, IWICImagingFactory* factory) {
  ComPtr<IWICBitmap> bitmap;
  BRIMLOFT_CHECK(
      factory->CreateBitmap(format.width, rows, GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad, bitmap.put()));
  {
    const LockedPixels locked = LockPixels(bitmap.get(), WICBitmapLockWrite);
    std::vector<unsigned char> row(format.bytesPerLine);
    for (unsigned y = 0; y < rows; ++y) {
      if (cupsRasterReadPixels(raster, row.data(), format.bytesPerLine) != format.bytesPerLine) {
        throw host::HostError(host::HrCorruptData(), "the raster data ends in the middle of a page");
      }
      ConvertRow(format, row.data(), locked.pixels + std::size_t(y) * locked.stride);
    }
  }
  BRIMLOFT_CHECK(bitmap->SetResolution(header.HWResolution[0], header.HWResolution[1]));
  return bitmap;
}

PageLoopResult PrintRasterPages(cups_raster_t* raster, BrimloftBitmapHandler& handler,
                                IWICImagingFactory* factory, const std::atomic<bool>& cancelled,
                                std::ostream& log, TrailingWhite trailingWhite) {
  PageLoopResult result;
  cups_page_header2_t header;
  try {
    while (!cancelled && cupsRasterReadHeader2(raster, &header)) {
      const INT pageIndex = static_cast<INT>(++result.pages);
      log << "INFO: Printing page " << pageIndex << "\nPAGE: " << pageIndex << " 1" << std::endl;
      const RowFormat format = RowFormatOf(header);
      const bool trim = trailingWhite == TrailingWhite::Trim ||
                        (trailingWhite == TrailingWhite::TrimCustomSizes && IsCustomSize(header));
      PageStrips page(handler, factory, pageIndex, format.width, trim);
      const std::vector<StripSpan> strips = PlanStrips(format.width, header.cupsHeight);
      for (std::size_t i = 0; i < strips.size() && !cancelled; ++i) {
        ComPtr<IWICBitmap> bitmap = ReadStrip(raster, format, strips[i].rows, header, factory);
        page.Add(bitmap.get(), strips[i].rows, i + 1 == strips.size());
      }
    }
  } catch (const host::HostError& e) {
    handler.ProcessStrip(0, nullptr);
    throw host::HostError(e.hr(), "page " + std::to_string(result.pages) + ": " + e.what());
  } catch (const hr_error& e) {
    throw OutputFailure{e.hr, "page " + std::to_string(result.pages)};
  }
  result.cancelled = cancelled;
  try {
    handler.ProcessStrip(0, nullptr);
  } catch (const hr_error& e) {
    throw OutputFailure{e.hr, "the end of the job"};
  }
  return result;
}

}  // namespace brimloft::rasterfilter
