// The rasterization service: pixels, sizes, strips, rendering modes, cancellation and failures.
#include <xpsrassvc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <limits>
#include <thread>

#include "tests/platform/xpsom_raster_support.h"

namespace xpsom_test {
namespace {

const HRESULT kCancelled = HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);

// One inch by half an inch: opaque black top-left quarter, half-transparent red bottom-right.
const std::string kQuarters = PageMarkup("Width=\"96\" Height=\"48\"",
                                         "<Path Data=\"M 0,0 L 48,0 48,24 0,24 Z\" Fill=\"#FF000000\"/>"
                                         "<Path Data=\"M 48,24 L 96,24 96,48 48,48 Z\" Fill=\"#80FF0000\"/>");

// A square page cut by a diagonal: every row has an antialiased edge.
const std::string kDiagonal =
    PageMarkup("Width=\"96\" Height=\"96\"", "<Path Data=\"M 0,0 L 96,96 0,96 Z\" Fill=\"#FF000000\"/>");

void ExpectPixel(const Pixels& p, UINT x, UINT y, BYTE b, BYTE g, BYTE r, BYTE a) {
  const BYTE* px = p.at(x, y);
  EXPECT_EQ((std::vector<int>{b, g, r, a}), (std::vector<int>{px[0], px[1], px[2], px[3]})) << "at " << x << "," << y;
}

TEST_F(RasterFixture, RendersTheRectangleAtTheResolution) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kQuarters, &page));
  auto rasterizer = Rasterizer(page.get(), 203);
  ASSERT_TRUE(rasterizer);
  const Pixels p = Render(rasterizer.get(), 0, 0, 203, 101);
  ASSERT_EQ(203u, p.width);
  ASSERT_EQ(101u, p.height);
  ExpectPixel(p, 0, 0, 0, 0, 0, 255);
  ExpectPixel(p, 100, 49, 0, 0, 0, 255);
  ExpectPixel(p, 102, 10, 0, 0, 0, 0);       // right of the black quarter: transparent
  ExpectPixel(p, 10, 51, 0, 0, 0, 0);        // below it
  ExpectPixel(p, 150, 75, 0, 0, 255, 128);   // red in straight alpha
  ExpectPixel(p, 202, 100, 0, 0, 255, 128);
  // The black quarter ends at 101.5 pixels: column 101 is about half covered, still black.
  EXPECT_EQ(0, p.at(101, 10)[0]);
  EXPECT_GT(p.at(101, 10)[3], 96);
  EXPECT_LT(p.at(101, 10)[3], 160);
}

TEST_F(RasterFixture, RendersTheRequestedRectangleOnly) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kQuarters, &page));
  auto rasterizer = Rasterizer(page.get(), 96);
  const Pixels p = Render(rasterizer.get(), -10, 20, 70, 10);
  ASSERT_EQ(70u, p.width);
  ASSERT_EQ(10u, p.height);
  ExpectPixel(p, 5, 0, 0, 0, 0, 0);       // left of the page
  ExpectPixel(p, 10, 3, 0, 0, 0, 255);    // page column 0, row 23
  ExpectPixel(p, 57, 3, 0, 0, 0, 255);    // page column 47
  ExpectPixel(p, 58, 3, 0, 0, 0, 0);      // page column 48
  ExpectPixel(p, 58, 4, 0, 0, 255, 128);  // page row 24: the red quarter
}

TEST_F(RasterFixture, StripsJoinExactlyIntoTheWholePage) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kDiagonal, &page));
  auto rasterizer = Rasterizer(page.get(), 203);
  const Pixels whole = Render(rasterizer.get(), 0, 0, 203, 203);
  for (int top = 0; top < 203; top += 37) {
    const int rows = std::min(37, 203 - top);
    const Pixels strip = Render(rasterizer.get(), 0, top, 203, rows);
    ASSERT_EQ(static_cast<UINT>(rows), strip.height);
    for (int r = 0; r < rows; ++r) ASSERT_EQ(whole.Row(top + r), strip.Row(r)) << "row " << top + r;
  }
}

TEST_F(RasterFixture, LargeRectanglesMatchAcrossInnerBands) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kDiagonal, &page));
  auto rasterizer = Rasterizer(page.get(), 2400);
  const Pixels whole = Render(rasterizer.get(), 0, 0, 2400, 2400);
  const Pixels part = Render(rasterizer.get(), 0, 301, 2400, 900);
  for (int r = 0; r < 900; ++r) ASSERT_EQ(whole.Row(301 + r), part.Row(r)) << "row " << 301 + r;
}

TEST_F(RasterFixture, RasterizersOnSeveralThreadsRenderAlike) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kDiagonal, &page));
  const Pixels reference = Render(Rasterizer(page.get(), 300).get(), 0, 0, 300, 300);
  std::vector<ComPtr<IXpsRasterizer>> rasterizers;
  for (int i = 0; i < 4; ++i) rasterizers.push_back(Rasterizer(page.get(), 300));
  std::vector<std::vector<BYTE>> results(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      for (int round = 0; round < 5; ++round) {
        ComPtr<IWICBitmap> bitmap;
        if (FAILED(rasterizers[i]->RasterizeRect(0, 0, 300, 300, nullptr, bitmap.put()))) return;
        results[i] = ReadPixels(bitmap.get()).bytes;
      }
    });
  for (auto& t : threads) t.join();
  for (const auto& result : results) EXPECT_EQ(reference.bytes, result);
}

TEST_F(RasterFixture, AliasedModeLeavesNoPartialCoverage) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kDiagonal, &page));
  auto partial = [](const Pixels& p) {
    long n = 0;
    for (size_t i = 3; i < p.bytes.size(); i += 4) n += p.bytes[i] != 0 && p.bytes[i] != 255;
    return n;
  };
  EXPECT_GT(partial(Render(Rasterizer(page.get(), 203).get(), 0, 0, 203, 203)), 100);
  EXPECT_EQ(0, partial(Render(Rasterizer(page.get(), 203, XPSRAS_RENDERING_MODE_ALIASED).get(), 0, 0, 203, 203)));
}

TEST_F(RasterFixture, MinimalLineWidthThickensHairlines) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(PageMarkup("Width=\"96\" Height=\"20\"",
                                  "<Path Data=\"M 0,10.5 L 96,10.5\" Stroke=\"#FF000000\" StrokeThickness=\"0.05\"/>"),
                       &page));
  auto maxAlpha = [](const Pixels& p) {
    int m = 0;
    for (size_t i = 3; i < p.bytes.size(); i += 4) m = std::max<int>(m, p.bytes[i]);
    return m;
  };
  auto thin = Rasterizer(page.get(), 96);
  const int before = maxAlpha(Render(thin.get(), 0, 0, 96, 20));
  auto wide = Rasterizer(page.get(), 96);
  EXPECT_EQ(S_OK, wide->SetMinimalLineWidth(1));
  const int after = maxAlpha(Render(wide.get(), 0, 0, 96, 20));
  EXPECT_LT(before, 64);
  EXPECT_GT(after, 200);
  EXPECT_EQ(E_INVALIDARG, wide->SetMinimalLineWidth(-1));
}

TEST_F(RasterFixture, CallbackStopsBeforeRendering) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kQuarters, &page));
  auto rasterizer = Rasterizer(page.get(), 203);
  ComPtr<CountingCallback> stop = ComPtr<CountingCallback>::Attach(new CountingCallback(0));
  IWICBitmap* bitmap = reinterpret_cast<IWICBitmap*>(0x1);
  EXPECT_EQ(kCancelled, rasterizer->RasterizeRect(0, 0, 203, 101, stop.get(), &bitmap));
  EXPECT_EQ(nullptr, bitmap);
  EXPECT_EQ(1, stop->calls);
}

TEST_F(RasterFixture, CallbackIsAskedBetweenBandsAndStopsInTheMiddle) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kDiagonal, &page));
  auto rasterizer = Rasterizer(page.get(), 2400);
  // 2400 × 2400 pixels go in several bands; a callback that never stops is asked before each.
  ComPtr<CountingCallback> patient = ComPtr<CountingCallback>::Attach(new CountingCallback(1000));
  ComPtr<IWICBitmap> bitmap;
  EXPECT_EQ(S_OK, rasterizer->RasterizeRect(0, 0, 2400, 2400, patient.get(), bitmap.put()));
  EXPECT_TRUE(bitmap);
  EXPECT_GE(patient->calls, 4);

  ComPtr<CountingCallback> stop = ComPtr<CountingCallback>::Attach(new CountingCallback(2));
  IWICBitmap* none = reinterpret_cast<IWICBitmap*>(0x1);
  EXPECT_EQ(kCancelled, rasterizer->RasterizeRect(0, 0, 2400, 2400, stop.get(), &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(3, stop->calls);
}

TEST_F(RasterFixture, RejectsBadArguments) {
  ComPtr<IXpsOMPage> page;
  ASSERT_EQ(S_OK, Page(kQuarters, &page));
  IXpsRasterizer* rasterizer = reinterpret_cast<IXpsRasterizer*>(0x1);
  const auto aa = XPSRAS_RENDERING_MODE_ANTIALIASED;
  EXPECT_EQ(E_POINTER, rasterization->CreateRasterizer(nullptr, 203, aa, aa, &rasterizer));
  EXPECT_EQ(nullptr, rasterizer);
  EXPECT_EQ(E_POINTER, rasterization->CreateRasterizer(page.get(), 203, aa, aa, nullptr));
  for (float dpi : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    rasterizer = reinterpret_cast<IXpsRasterizer*>(0x1);
    EXPECT_EQ(E_INVALIDARG, rasterization->CreateRasterizer(page.get(), dpi, aa, aa, &rasterizer)) << dpi;
    EXPECT_EQ(nullptr, rasterizer);
  }
  EXPECT_EQ(E_INVALIDARG,
            rasterization->CreateRasterizer(page.get(), 203, static_cast<XPSRAS_RENDERING_MODE>(2), aa, &rasterizer));

  auto good = Rasterizer(page.get(), 203);
  IWICBitmap* bitmap = reinterpret_cast<IWICBitmap*>(0x1);
  EXPECT_EQ(E_INVALIDARG, good->RasterizeRect(0, 0, 0, 10, nullptr, &bitmap));
  EXPECT_EQ(nullptr, bitmap);
  EXPECT_EQ(E_INVALIDARG, good->RasterizeRect(0, 0, 10, -1, nullptr, &bitmap));
  EXPECT_EQ(E_INVALIDARG, good->RasterizeRect(INT_MAX - 5, 0, 10, 10, nullptr, &bitmap));
  EXPECT_EQ(E_POINTER, good->RasterizeRect(0, 0, 10, 10, nullptr, nullptr));
}

// A page object that the platform's factory did not make carries no markup to render.
class ForeignPage : public platform::ComObject<IXpsOMPage, &IID_IXpsOMPart, &IID_IXpsOMPage> {
 public:
  HRESULT STDMETHODCALLTYPE GetPartName(IOpcPartUri**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPartName(IOpcPartUri*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPageDimensions(XPS_SIZE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContentBox(XPS_RECT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBleedBox(XPS_RECT*) override { return E_NOTIMPL; }
};

TEST_F(RasterFixture, ForeignPagesAreRefused) {
  ComPtr<IXpsOMPage> page = ComPtr<IXpsOMPage>::Attach(new ForeignPage());
  IXpsRasterizer* rasterizer = reinterpret_cast<IXpsRasterizer*>(0x1);
  EXPECT_EQ(E_INVALIDARG, rasterization->CreateRasterizer(page.get(), 203, XPSRAS_RENDERING_MODE_ANTIALIASED,
                                                          XPSRAS_RENDERING_MODE_ANTIALIASED, &rasterizer));
  EXPECT_EQ(nullptr, rasterizer);
}

}  // namespace
}  // namespace xpsom_test
