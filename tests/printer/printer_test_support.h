// Shared pieces of the printer output tests: a private temporary folder for the ticket snapshot,
// ticket texts, strips made in memory and handlers wired to the fakes.
#ifndef BRIMLOFT_TESTS_PRINTER_PRINTER_TEST_SUPPORT_H
#define BRIMLOFT_TESTS_PRINTER_PRINTER_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <wincodec.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fakes/printer_fakes.h"
#include "module/ComPtr.h"
#include "module/filtertypes.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printticket/TicketSnapshotPath.h"

namespace brimloft::testing {

// Points the temporary folder (TMPDIR) at a new private folder for its lifetime, so that the
// snapshot file these tests write is their own.
class SnapshotFolder {
 public:
  explicit SnapshotFolder(const std::string& leaf = "") {
    char pattern[] = "/tmp/brimloft-printer-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = made;
    folder_ = leaf.empty() ? root_ : root_ + "/" + leaf;
    std::filesystem::create_directories(std::filesystem::u8path(folder_));
    if (const char* old = std::getenv("TMPDIR")) saved_ = std::make_unique<std::string>(old);
    setenv("TMPDIR", folder_.c_str(), 1);
  }
  ~SnapshotFolder() {
    if (saved_) {
      setenv("TMPDIR", saved_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(root_), ignored);
  }
  SnapshotFolder(const SnapshotFolder&) = delete;
  SnapshotFolder& operator=(const SnapshotFolder&) = delete;

  const std::string& folder() const { return folder_; }
  std::string path() const { return GetTicketSnapshotPath(); }

  void Write(const std::string& bytes) const {
    std::ofstream file(std::filesystem::u8path(path()), std::ios::binary | std::ios::trunc);
    file << bytes;
  }
  void Remove() const {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::u8path(path()), ignored);
  }

 private:
  std::string root_;
  std::string folder_;
  std::unique_ptr<std::string> saved_;
};

// A ticket with one psf:Feature per (feature, option) pair, as the ticket provider writes them.
inline std::string Ticket(const std::vector<std::pair<std::string, std::string>>& features) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
      "xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\" "
      "xmlns:ns0000=\"http://example.invalid/brimloft\" version=\"1\">\n";
  for (const auto& f : features) {
    xml += "  <psf:Feature name=\"" + f.first + "\">\n    <psf:Option name=\"" + f.second +
           "\"/>\n  </psf:Feature>\n";
  }
  return xml + "</psf:PrintTicket>\n";
}

// A portrait ticket with the printer's private options given as (name, option) pairs.
inline std::string PortraitTicket(std::vector<std::pair<std::string, std::string>> options = {}) {
  options.insert(options.begin(), {"psk:PageOrientation", "psk:Portrait"});
  return Ticket(options);
}

// Joins the multithreaded apartment for its lifetime.
struct Apartment {
  Apartment() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~Apartment() { CoUninitialize(); }
};

inline ComPtr<IWICImagingFactory> ImagingFactory() {
  ComPtr<IWICImagingFactory> factory;
  check_hr(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                            factory.put_void()),
           "test", __LINE__);
  return factory;
}

// A 32-bit blue-green-red-alpha strip of width x height pixels, filled by pixel(x, y) -> 0xAARRGGBB.
template <class Pixel>
ComPtr<IWICBitmap> MakeStrip(UINT width, UINT height, Pixel pixel) {
  std::vector<BYTE> bytes(std::size_t(width) * height * 4);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      const std::uint32_t v = pixel(x, y);
      BYTE* p = &bytes[(std::size_t(y) * width + x) * 4];
      p[0] = static_cast<BYTE>(v);
      p[1] = static_cast<BYTE>(v >> 8);
      p[2] = static_cast<BYTE>(v >> 16);
      p[3] = static_cast<BYTE>(v >> 24);
    }
  }
  ComPtr<IWICBitmap> bitmap;
  check_hr(ImagingFactory()->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat32bppBGRA, width * 4,
                                                     static_cast<UINT>(bytes.size()), bytes.data(), bitmap.put()),
           "test", __LINE__);
  return bitmap;
}

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kBlack = 0xFF000000;

// Whether pixel x of row y of a one-bit image is black (a dot).
inline bool IsDot(const OneBitImage& image, UINT x, UINT y) {
  const std::size_t rowBytes = (image.width + 7) / 8;
  return (image.bits[y * rowBytes + x / 8] & (0x80 >> (x % 8))) == 0;
}

// A one-bit image of width x height, black where dot(x, y).
template <class DotAt>
OneBitImage MakeImage(UINT width, UINT height, DotAt dot) {
  OneBitImage image;
  image.width = width;
  image.height = height;
  const std::size_t rowBytes = (width + 7) / 8;
  image.bits.assign(rowBytes * height, 0xFF);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      if (dot(x, y)) image.bits[y * rowBytes + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
    }
  }
  return image;
}

// The handler of one test job: an apartment, a private snapshot folder and the fakes.
class PrinterFixture : public ::testing::Test {
 protected:
  std::unique_ptr<BrimloftBitmapHandler> Handler(const std::string& variant = "RX2P") {
    return BrimloftBitmapHandler::Create(variant, bag.get(), output.get());
  }

  Apartment apartment;
  SnapshotFolder snapshot;
  ComPtr<fakes::FakeWriteStream> output = ComPtr<fakes::FakeWriteStream>::Attach(new fakes::FakeWriteStream);
  ComPtr<fakes::PrinterPropertyBag> bag = ComPtr<fakes::PrinterPropertyBag>::Attach(new fakes::PrinterPropertyBag);
};

using Bytes = std::vector<BYTE>;

// The printer's fixed commands, as the tests expect them byte for byte.
inline const Bytes kBandPrologue = {0x1B, 0x7A, 0x31, 0x1B, 0x50, 0x0D, 0x1B, 0x41, 0x08};
inline const Bytes kRasterPrologue = {0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, 0x40, 0x02};
inline const Bytes kBandEnd = {0x1B, 0x41, 0x08};
inline const Bytes kClosing = {0x1B, 0x7A, 0x30};
inline const Bytes kFullCut = {0x1B, 0x77};
inline const Bytes kPartialCut = {0x1B, 0x6D};

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

}  // namespace brimloft::testing

#endif
