// The paper a user gets from whole jobs through the real filter module: receipts across the head,
// long pages and banners in one piece with one cut, the same dots in raster and band mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/decoder/stream_decoder.h"
#include "host/pipeline/filter_module.h"
#include "host/pipeline/job.h"
#include "host/pipeline/job_runner.h"
#include "host/pipeline/private_temp_folder.h"
#include "host/pipeline/write_stream.h"
#include "host_test_util.h"

namespace {

using brimloft::ComPtr;

// One page of width x height (1/96 inch) holding the markup, with an optional page ticket choosing
// landscape.
std::string OnePageJob(const host_test::ScratchDir& dir, double width, double height, const std::string& markup,
                       bool landscape) {
  auto items = host_test::MinimalXps(1);
  const std::string ns = "http://schemas.microsoft.com/xps/2005/06";
  for (auto& [name, data] : items) {
    if (name != "Documents/1/Pages/1.fpage") continue;
    data = "<FixedPage xmlns=\"" + ns + "\" Width=\"" + std::to_string(width) + "\" Height=\"" +
           std::to_string(height) + "\">" + markup + "</FixedPage>";
  }
  if (landscape) {
    items.push_back({"Documents/1/Pages/_rels/1.fpage.rels",
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                     "<Relationship Id=\"T\" Type=\"http://schemas.microsoft.com/xps/2005/06/printticket\" "
                     "Target=\"ticket.xml\"/></Relationships>"});
    items.push_back({"Documents/1/Pages/ticket.xml",
                     "<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/"
                     "printschemaframework\" xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/"
                     "printschemakeywords\" version=\"1\"><psf:Feature name=\"psk:PageOrientation\">"
                     "<psf:Option name=\"psk:Landscape\"/></psf:Feature></psf:PrintTicket>"});
    items[0].second.insert(items[0].second.find("</Types>"),
                           "<Default Extension=\"xml\" ContentType=\"application/vnd.ms-printing.printticket+xml\"/>");
  }
  const std::string path = dir.File("job.xps");
  host_test::WriteZip(path, items);
  return path;
}

host::DecodedStream Print(const std::string& xps, const std::string& printer,
                          const std::map<std::string, std::string>& options) {
  host::PrivateTempFolder temp("brimloft-paper-test");
  auto out = host::MemoryWriteStream::Create();
  host::Job job(xps, {printer, options, {}}, ComPtr<IPrintWriteStream>(out.get()));
  host::FilterModule module(BRIMLOFT_MODULE_PATH);
  const host::JobOutcome outcome = host::RunFilter(module.CreateFilter(job.Variant()), job);
  EXPECT_EQ(S_OK, outcome.hr) << outcome.step;
  const auto bytes = out->Bytes();
  return host::DecodeStream(bytes.data(), bytes.size());
}

// The columns from the leftmost to the rightmost dot, and the rows from the first to the last.
struct Ink {
  std::size_t left = SIZE_MAX, right = 0, top = SIZE_MAX, bottom = 0;
};
Ink InkOf(const host::Paper& paper) {
  Ink ink;
  for (std::size_t y = 0; y < paper.height; ++y)
    for (std::size_t x = 0; x < paper.width; ++x)
      if (paper.Dot(x, y)) ink = {std::min(ink.left, x), std::max(ink.right, x), std::min(ink.top, y), std::max(ink.bottom, y)};
  return ink;
}

TEST(Paper, TheBundledReceiptFillsTheHeadInItsOwnProportions) {
  const host::DecodedStream d =
      Print(std::string(BRIMLOFT_EXAMPLES_DIR) + "/receipt.xps", "RX2P", {{"QVDither", "FloydSteinberg"}});
  const Ink ink = InkOf(d.paper);
  EXPECT_GE(ink.right + 1, 550u);  // the receipt's own margins stay: its rules run from dot 19 to 556
  EXPECT_GE(ink.right - ink.left + 1, 530u);
  // 80 x 138 mm across 576 dots: 993 rows.
  EXPECT_NEAR(993.0, double(d.paper.height), 993 * 0.05);
  EXPECT_EQ(1u, d.summary.fullCuts);
}

TEST(Paper, APageTheUserSizedIsStillFittedIntoTheirSheet) {
  const struct {
    const char* name;
    std::map<std::string, std::string> options;
    std::size_t maxWidth, maxHeight;
  } cases[] = {
      // 80 x 138 mm shrunk onto 72 x 102 mm.
      {"a roll size", {{"PageMediaSize", "Roll72x102"}}, 500, 840},
      // 72 x 50 mm of the user's own: the height (399 rows) bounds the receipt.
      {"a custom size",
       {{"PageMediaSize", "CustomMediaSize"},
        {"PageMediaSizeMediaSizeWidth", "72000"},
        {"PageMediaSizeMediaSizeHeight", "50000"}},
       240, 420},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const host::DecodedStream d = Print(std::string(BRIMLOFT_EXAMPLES_DIR) + "/receipt.xps", "RX2P", c.options);
    const Ink ink = InkOf(d.paper);
    EXPECT_LT(ink.right - ink.left + 1, c.maxWidth);
    EXPECT_LE(d.paper.height, c.maxHeight);
    EXPECT_GE(d.paper.height, c.maxHeight / 2);
  }
}

// A page 1.2 m long and 72 mm wide with a bar down its whole length: several strips, one cut, and
// no row of the bar missing where the strips meet.
TEST(Paper, ALongPageIsOnePieceWithAnUnbrokenBar) {
  host_test::ScratchDir dir;
  const double w = 72 / 25.4 * 96, h = 1200 / 25.4 * 96;
  const std::string bar = "<Path Data=\"M 100,0 L 140,0 140," + std::to_string(h) + " 100," + std::to_string(h) +
                          " Z\" Fill=\"#FF000000\"/>";
  for (const char* type : {"Vertical", "Horizontal"}) {
    const host::DecodedStream d = Print(OnePageJob(dir, w, h, bar, false), "RX2P", {{"QVPrintType", type}});
    EXPECT_EQ(1u, d.summary.fullCuts) << type;
    EXPECT_EQ(1u, d.summary.bandPrologues + d.summary.rasterPrologues - 1) << type;  // the job's end has one too
    const Ink ink = InkOf(d.paper);
    EXPECT_NEAR(9590.0, double(ink.bottom - ink.top + 1), 30) << type;  // 1.2 m at 576 / 72 mm
    std::size_t gaps = 0;
    for (std::size_t y = ink.top; y <= ink.bottom; ++y) gaps += d.paper.Dot((ink.left + ink.right) / 2, y) ? 0 : 1;
    EXPECT_EQ(0u, gaps) << type;
  }
}

// A landscape banner 10 m long and 72 mm high: one cut, about 79,900 rows, text in one piece.
TEST(Paper, ALandscapeBannerPrintsWholeDownTheRoll) {
  host_test::ScratchDir dir;
  const double w = 10000 / 25.4 * 96, h = 72 / 25.4 * 96;
  // A bar along the whole banner, and a block near its left end that must come out last.
  const std::string markup = "<Path Data=\"M 0,100 L " + std::to_string(w) + ",100 " + std::to_string(w) +
                             ",140 0,140 Z\" Fill=\"#FF000000\"/><Path Data=\"M 10,10 L 60,10 60,60 10,60 Z\" "
                             "Fill=\"#FF000000\"/>";
  const host::DecodedStream d = Print(OnePageJob(dir, w, h, markup, true), "RX2P", {});
  EXPECT_EQ(1u, d.summary.fullCuts);
  const Ink ink = InkOf(d.paper);
  EXPECT_NEAR(79900.0, double(ink.bottom - ink.top + 1), 100);
  // Turned: the page's top edge on the left, its 72 mm across the head.
  const std::size_t barColumn = std::size_t(120 * 576 / h);
  EXPECT_NEAR(140 * 576 / h, double(ink.right + 1), 2.0);
  std::size_t gaps = 0;
  for (std::size_t y = ink.top; y <= ink.bottom; ++y) gaps += d.paper.Dot(barColumn, y) ? 0 : 1;
  EXPECT_EQ(0u, gaps);
  // The block at the page's left end is at the end of the paper.
  EXPECT_TRUE(d.paper.Dot(std::size_t(35 * 576 / h), ink.bottom - std::size_t(35 * 576 / h)));
}

}  // namespace
