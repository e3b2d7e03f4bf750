// The rasterization step with a fake rasterization service: geometry, strips, cancellation.
#include <gtest/gtest.h>

#include <comdef.h>
#include <wincodec.h>
#include <xpsrassvc.h>

#include <platform/com_object.h>

#include "host/decoder/stream_decoder.h"
#include "xps/StripPlan.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "host/pipeline/property_bag.h"
#include "host/pipeline/write_stream.h"
#include "module/filtertypes.h"
#include "xps/rasinterface.h"

namespace brimloft {
namespace {

constexpr HRESULT kCancelled = static_cast<HRESULT>(0x8007003F);

struct RasterLog {
  std::vector<FLOAT> rasterizerDpis;
  std::vector<XPS_RECT> rects;  // x, y, width, height as requested
  int cancelAtStrip = -1;       // the strip (0-based) that answers cancelled
  bool noRasterizer = false;    // the factory succeeds without a rasterizer
};

class FakeRasterizer final : public platform::ComObject<IXpsRasterizer, &IID_IXpsRasterizer> {
 public:
  explicit FakeRasterizer(RasterLog& log) : log_(log) {}
  HRESULT STDMETHODCALLTYPE RasterizeRect(INT x, INT y, INT width, INT height, IXpsRasterizerNotificationCallback*,
                                          IWICBitmap** bitmap) override {
    const int strip = static_cast<int>(log_.rects.size());
    log_.rects.push_back({FLOAT(x), FLOAT(y), FLOAT(width), FLOAT(height)});
    *bitmap = nullptr;
    if (strip == log_.cancelAtStrip) return kCancelled;
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.put_void());
    if (FAILED(hr)) return hr;
    return factory->CreateBitmap(UINT(width), UINT(height), GUID_WICPixelFormat32bppBGRA, WICBitmapCacheOnLoad,
                                 bitmap);
  }
  HRESULT STDMETHODCALLTYPE SetMinimalLineWidth(INT) override { return S_OK; }

 private:
  RasterLog& log_;
};

class FakeRasterizationFactory final
    : public platform::ComObject<IXpsRasterizationFactory, &IID_IXpsRasterizationFactory> {
 public:
  explicit FakeRasterizationFactory(RasterLog& log) : log_(log) {}
  HRESULT STDMETHODCALLTYPE CreateRasterizer(IXpsOMPage*, FLOAT dpi, XPSRAS_RENDERING_MODE, XPSRAS_RENDERING_MODE,
                                             IXpsRasterizer** rasterizer) override {
    log_.rasterizerDpis.push_back(dpi);
    *rasterizer = log_.noRasterizer ? nullptr : new FakeRasterizer(log_);
    return S_OK;
  }

 private:
  RasterLog& log_;
};

class FakePage final : public platform::ComObject<IXpsOMPage, &IID_IXpsOMPage> {
 public:
  explicit FakePage(XPS_RECT bleed) : bleed_(bleed) {}
  HRESULT STDMETHODCALLTYPE GetPartName(IOpcPartUri**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPartName(IOpcPartUri*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPageDimensions(XPS_SIZE* size) override {
    *size = {bleed_.width, bleed_.height};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetContentBox(XPS_RECT* box) override {
    *box = bleed_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBleedBox(XPS_RECT* box) override {
    *box = bleed_;
    return S_OK;
  }

 private:
  XPS_RECT bleed_;
};

PageSettings Settings(FLOAT resolution, FLOAT width, FLOAT height) {
  PageSettings s{};
  s.fitMode = 1;
  s.resolution = resolution;
  s.pageSize = {width, height};
  s.targetRect = {0, 0, width, height};
  return s;
}

HRESULT GeometryFailure(const PageSettings& settings, const XPS_RECT& bleed) {
  try {
    ComputeRasterGeometry(settings, bleed);
  } catch (const hr_error& e) {
    return e.hr;
  }
  return S_OK;
}

TEST(RasterGeometry, FourByThreeInchesAt203DpiIsOneStrip) {
  const RasterGeometry g = ComputeRasterGeometry(Settings(203, 384, 288), {0, 0, 384, 288});
  EXPECT_EQ(812, g.width);
  EXPECT_EQ(609, g.height);
  EXPECT_FLOAT_EQ(203.0f, g.dpi);
  EXPECT_EQ(0, g.x);
  EXPECT_EQ(0, g.y);
  EXPECT_EQ(5165, g.stripRows);
}

TEST(RasterGeometry, ALargerBleedBoxFitsByTheSmallerRatio) {
  const RasterGeometry g = ComputeRasterGeometry(Settings(203, 384, 288), {-5, -5, 394, 298});
  EXPECT_NEAR(196.18791, g.dpi, 1e-4);
  EXPECT_EQ(-10, g.x);
  EXPECT_EQ(-10, g.y);
}

TEST(RasterGeometry, RejectsWhatCannotBeRendered) {
  PageSettings fit0 = Settings(203, 384, 288);
  fit0.fitMode = 0;
  EXPECT_EQ(E_UNEXPECTED, GeometryFailure(fit0, {0, 0, 384, 288}));
  EXPECT_EQ(E_OUTOFMEMORY, GeometryFailure(Settings(96, 4194305, 10), {0, 0, 4194305, 10}));
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(203, 0, 288), {0, 0, 384, 288}));
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(0, 384, 288), {0, 0, 384, 288}));
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(203, -384, 288), {0, 0, 384, 288}));
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(203, 384, 288), {0, 0, 0, 288}));
  EXPECT_EQ(S_OK, GeometryFailure(Settings(96, 4194304, 10), {0, 0, 4194304, 10}));
}

TEST(RasterGeometry, BoundsThePageLengthAndSizesBeyondThePixelRange) {
  EXPECT_EQ(1048576, ComputeRasterGeometry(Settings(96, 384, 1048576), {0, 0, 384, 10}).height);
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(96, 384, 1048577), {0, 0, 384, 10}));
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(203, 384, 96e6f), {0, 0, 384, 96e6f}));  // 1,000,000 inches
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(203, 384, -1e30f), {0, 0, 384, 10}));
  EXPECT_EQ(E_OUTOFMEMORY, GeometryFailure(Settings(203, 1e30f, 288), {0, 0, 384, 288}));
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(203, std::nanf(""), 288), {0, 0, 384, 288}));
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(Settings(203, 384, std::nanf("")), {0, 0, 384, 288}));
}

TEST(RasterGeometry, RefusesBleedBoxesThatGiveNoRenderablePlacement) {
  const PageSettings s = Settings(203, 192, 384);
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(s, {-5, -5.2e37f, 202, 394}));  // an edge beyond INT
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(s, {3e9f, 0, 202, 394}));
  EXPECT_EQ(E_INVALIDARG, GeometryFailure(s, {0, 0, 1e-40f, 1e-40f}));  // a resolution of infinity
  EXPECT_EQ(1, ComputeRasterGeometry(s, {1, 1, 192, 384}).x);  // a bleed box off by a pixel still fits
}

TEST(RasterGeometry, ATurnedPageIsBoundedAcrossByItsHeightAndAlongByItsWidth) {
  // A banner 10 m long and 72 mm high at 203 dpi: 79,921 columns of 575 rows.
  const RasterGeometry g = ComputeRasterGeometry(Settings(203, 37795.3f, 272.1f), {0, 0, 37795.3f, 272.1f}, true);
  EXPECT_EQ(79921, g.width);
  EXPECT_EQ(4194304 / 575, g.stripRows);
  EXPECT_EQ(52, ComputeRasterGeometry(Settings(203, 37795.3f, 272.1f), {0, 0, 37795.3f, 272.1f}).stripRows);
  EXPECT_THROW(ComputeRasterGeometry(Settings(96, 1048577, 10), {0, 0, 1048577, 10}, true), hr_error);
  EXPECT_THROW(ComputeRasterGeometry(Settings(96, 10, 4194305), {0, 0, 10, 4194305}, true), hr_error);
}

TEST(StripPlan, StripsFollowEachOtherDownThePaperAndEndOnWholeBands) {
  using Rects = std::vector<StripRect>;
  const struct {
    const char* name;
    INT width, height;
    bool turned;
    UINT head;
    INT maxPixels;
    Rects strips;
  } cases[] = {
      {"one strip", 576, 100, false, 576, 4194304, Rects{{0, 0, 576, 100}}},
      // 576 across at scale 1: strips of whole bands, 7272 of the 7281 rows that fit.
      {"rows at scale 1", 576, 10000, false, 576, 4194304, Rects{{0, 0, 576, 7272}, {0, 7272, 576, 2728}}},
      // 575 across to 576 dots: 575 rows make 576 dot rows, 24 bands.
      {"rows at 576/575", 575, 8000, false, 576, 4194304, Rects{{0, 0, 575, 6900}, {0, 6900, 575, 1100}}},
      // 864 across to 576: 36 rows make 24 dot rows.
      {"rows at 2/3", 864, 100, false, 576, 864 * 40, Rects{{0, 0, 864, 36}, {0, 36, 864, 36}, {0, 72, 864, 28}}},
      // No whole band fits: as many rows as fit.
      {"no band fits", 4001, 100, false, 576, 4001 * 30, Rects{{0, 0, 4001, 30}, {0, 30, 4001, 30},
                                                              {0, 60, 4001, 30}, {0, 90, 4001, 10}}},
      // Turned: columns of the full height, right to left.
      {"turned", 1000, 576, true, 576, 576 * 480, Rects{{520, 0, 480, 576}, {40, 0, 480, 576}, {0, 0, 40, 576}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.strips, PlanStrips(c.width, c.height, c.turned, c.head, c.maxPixels)) << c.name;
  }
  EXPECT_THROW(PlanStrips(4194305, 1, false, 576, 4194304), hr_error);
  EXPECT_THROW(PlanStrips(0, 1, false, 576, 4194304), hr_error);
}

// A private temporary folder holding a portrait ticket snapshot for the printer output.
class RasterizePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    folder_ = std::filesystem::temp_directory_path() / ("brimloft-ras-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    if (const char* old = std::getenv("TMPDIR")) oldTmp_ = old;
    setenv("TMPDIR", folder_.c_str(), 1);
    std::ofstream(folder_ / "brimloft_print_ticket_.xml")
        << "<psf:PrintTicket xmlns:psf='http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework'"
           " xmlns:psk='http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords'>"
           "<psf:Feature name='psk:PageOrientation'><psf:Option name='psk:Portrait'/></psf:Feature>"
           "</psf:PrintTicket>";
    bag_ = host::PropertyBag::Create();
    out_ = host::MemoryWriteStream::Create();
    auto factory = ComPtr<IUnknown>::Attach(new FakeRasterizationFactory(log_));
    _variant_t value(factory.get());
    ASSERT_EQ(S_OK, bag_->AddProperty(L"MS_IXpsRasterizationFactory", &value));
    ras_ = RasInterface::Create("RX2P", bag_.get(), out_.get());
    liveness_ = ComPtr<FilterLiveness>::Attach(new FilterLiveness);
  }
  void TearDown() override {
    ras_.reset();
    if (oldTmp_.empty()) unsetenv("TMPDIR"); else setenv("TMPDIR", oldTmp_.c_str(), 1);
    std::filesystem::remove_all(folder_);
    CoUninitialize();
  }

  void Rasterize(FLOAT widthInch, FLOAT heightInch, const PageSettings* custom = nullptr) {
    const FLOAT w = widthInch * 96, h = heightInch * 96;
    auto page = ComPtr<IXpsOMPage>::Attach(new FakePage({0, 0, w, h}));
    const PageSettings settings = custom ? *custom : Settings(203, w, h);
    ras_->RasterizePage(7, page.get(), settings, liveness_.get());
  }

  std::filesystem::path folder_;
  std::string oldTmp_;
  RasterLog log_;
  ComPtr<host::PropertyBag> bag_;
  ComPtr<host::MemoryWriteStream> out_;
  std::unique_ptr<RasInterface> ras_;
  ComPtr<FilterLiveness> liveness_;
};

TEST_F(RasterizePageTest, ALongPageGoesOutInStripsThatEndOnWholeBandsAsOnePieceOfPaper) {
  // 812 pixels across scale to 576 dots: 203 rows make 144 dot rows, six bands. Of the 5165 rows
  // that fit into 4,194,304 pixels, strips take 25 such steps, 5075 rows.
  Rasterize(4, 40);
  ASSERT_EQ(1u, log_.rasterizerDpis.size());
  ASSERT_EQ(2u, log_.rects.size());
  EXPECT_EQ(0, log_.rects[0].y);
  EXPECT_EQ(812, log_.rects[0].width);
  EXPECT_EQ(5075, log_.rects[0].height);
  EXPECT_EQ(5075, log_.rects[1].y);
  EXPECT_EQ(3045, log_.rects[1].height);
  ASSERT_EQ(2u, out_->WriteSizes().size());  // a write per strip, but one prologue and one cut
  const auto summary = host::DecodeStream(out_->Bytes().data(), out_->Bytes().size()).summary;
  EXPECT_EQ(1u, summary.bandPrologues);
  EXPECT_EQ(1u, summary.fullCuts);
}

TEST_F(RasterizePageTest, APageWithoutRowsMakesARasterizerButNoStrip) {
  Rasterize(4, 0.001f);
  EXPECT_EQ(1u, log_.rasterizerDpis.size());
  EXPECT_TRUE(log_.rects.empty());
  EXPECT_TRUE(out_->Bytes().empty());
}

TEST_F(RasterizePageTest, AStoppedJobRendersNoStrip) {
  liveness_->Stop();
  Rasterize(4, 3);
  EXPECT_EQ(1u, log_.rasterizerDpis.size());
  EXPECT_TRUE(log_.rects.empty());
}

TEST_F(RasterizePageTest, CancellationInTheMiddleEndsThePageQuietlyKeepingEarlierStrips) {
  log_.cancelAtStrip = 1;
  Rasterize(4, 40);
  EXPECT_EQ(2u, log_.rects.size());
  EXPECT_EQ(1u, out_->WriteSizes().size());
}

TEST_F(RasterizePageTest, ABadFitModeFailsBeforeAnyRasterizerIsMade) {
  PageSettings settings = Settings(203, 384, 288);
  settings.fitMode = 0;
  try {
    Rasterize(4, 3, &settings);
    FAIL() << "no failure";
  } catch (const hr_error& e) {
    EXPECT_EQ(E_UNEXPECTED, e.hr);
  }
  EXPECT_TRUE(log_.rasterizerDpis.empty());
}

TEST_F(RasterizePageTest, AFactoryAnsweringWithoutARasterizerFailsThePage) {
  log_.noRasterizer = true;
  try {
    Rasterize(4, 3);
    FAIL() << "no failure";
  } catch (const hr_error& e) {
    EXPECT_EQ(E_POINTER, e.hr);
  }
  EXPECT_TRUE(out_->Bytes().empty());
}

TEST_F(RasterizePageTest, EndJobWritesTheClosingSegment) {
  ras_->EndJob();
  const std::vector<unsigned char> expected = {0x1B, 0x7A, 0x31, 0x1B, 0x50, 0x0D, 0x1B, 0x41, 0x08, 0x1B, 0x7A, 0x30};
  EXPECT_EQ(expected, out_->Bytes());
}

}  // namespace
}  // namespace brimloft
