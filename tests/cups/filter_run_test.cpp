// The filter from arguments to printer stream: exit codes and messages on bad input, options
// reaching the printer output, strips, page numbers over the job, cancellation.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/scratch_folder.h"
#include "host/cupsfilter/filter_run.h"
#include "host/decoder/stream_decoder.h"
#include "host/pipeline/write_stream.h"
#include "platform/com_object.h"
#include "raster_fixture.h"

namespace brimloft::rasterfilter {
namespace {

using testing::DotShare;
using testing::GreyPage;
using testing::Header;
using testing::RasterPage;
using testing::WritePpd;
using testing::WriteRaster;
using Bytes = std::vector<unsigned char>;

// The end of a page-by-page band-mode job: prologue and closing command.
const Bytes kEndOfJob = {0x1B, 0x7A, 0x31, 0x1B, 0x50, 0x0D, 0x1B, 0x41, 0x08, 0x1B, 0x7A, 0x30};

// Records the bytes and sets the cancel flag once the first segment has been written.
class CancellingStream final : public platform::ComObject<IPrintWriteStream, &IID_IPrintWriteStream> {
 public:
  explicit CancellingStream(std::atomic<bool>& cancelled) : cancelled_(cancelled) {}
  HRESULT STDMETHODCALLTYPE WriteBytes(const void* buffer, ULONG size, ULONG* written) override {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    data.insert(data.end(), bytes, bytes + size);
    if (written) *written = size;
    cancelled_ = true;
    return S_OK;
  }
  void STDMETHODCALLTYPE Close() override {}
  Bytes data;

 private:
  std::atomic<bool>& cancelled_;
};

class RasterFilterRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ppd_ = folder_.file("printer.ppd");
    raster_ = folder_.file("job.ras");
    WritePpd(ppd_, "RX2P", ppdDefaults_);
  }

  // Runs the filter on the raster file (as the file argument) with the job options.
  int Run(const std::string& options = "", IPrintWriteStream* output = nullptr) {
    std::vector<std::string> args = {"rastertobrimloft", "7", "tester", "title", "1", options, raster_};
    return RunArgs(args, output);
  }

  int RunArgs(const std::vector<std::string>& args, IPrintWriteStream* output = nullptr, int inputFd = -1) {
    log_.str("");
    FilterContext context;
    context.inputFd = inputFd;
    context.ppdPath = ppd_;
    context.output = output != nullptr ? output : out_.get();
    context.log = &log_;
    context.cancelled = &cancelled_;
    return RunRasterToBrimloft(args, context);
  }

  std::string Log() const { return log_.str(); }
  Bytes Output() const { return out_->Bytes(); }
  host::DecodedStream Decoded() const {
    const Bytes bytes = Output();
    return host::DecodeStream(bytes.data(), bytes.size());
  }

  fakes::ScratchFolder folder_;
  std::vector<std::pair<std::string, std::string>> ppdDefaults_;
  std::string ppd_;
  std::string raster_;
  std::atomic<bool> cancelled_{false};
  ComPtr<::host::MemoryWriteStream> out_ = ::host::MemoryWriteStream::Create();
  std::ostringstream log_;
};

TEST_F(RasterFilterRun, WrongArgumentsShowTheUsage) {
  EXPECT_EQ(RunArgs({"rastertobrimloft", "7", "tester", "title", "1"}), 1);
  EXPECT_EQ(Log(), std::string(kUsage) + "\n");
  EXPECT_EQ(RunArgs({"rastertobrimloft", "7", "tester", "title", "1", "", "a", "b"}), 1);
  EXPECT_EQ(Log(), std::string(kUsage) + "\n");
  EXPECT_TRUE(Output().empty());
}

TEST_F(RasterFilterRun, BadInputEndsTheJobWithAnError) {
  WriteRaster(raster_, {GreyPage(576, 48, 0, 0, 10, 10)});
  ppd_.clear();
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Log(), "ERROR: No PPD file: the queue must use a Brimloft PPD file\n");

  SetUp();
  raster_ = folder_.file("missing.ras");
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Log(), "ERROR: Cannot open the raster file " + raster_ + ": No such file or directory\n");

  raster_ = folder_.file("empty.ras");
  std::ofstream(raster_).close();
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Log(), "ERROR: The input is no CUPS raster data\n");

  std::ofstream(raster_) << "%PDF-1.4\nthis is no raster\n";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Log(), "ERROR: The input is no CUPS raster data\n");
  EXPECT_TRUE(Output().empty()) << "nothing is printed when the input is refused";
}

TEST_F(RasterFilterRun, RasterWithoutPagesIsAnError) {
  WriteRaster(raster_, {});
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Log(), "ERROR: No pages were found in the raster data\n");
  EXPECT_EQ(Output(), kEndOfJob);
}

TEST_F(RasterFilterRun, ATruncatedPageStillEndsTheJobOnPaper) {
  // 8192 pixels wide: strips of 512 rows; the data stops in the second strip.
  WriteRaster(raster_, {GreyPage(8192, 1100, 0, 0, 8192, 100)}, 700);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Log(),
            "INFO: Printing page 1\nPAGE: 1 1\n"
            "ERROR: Page 1: the raster data ends in the middle of a page\n");
  const auto decoded = Decoded();
  EXPECT_EQ(decoded.summary.segments, 2u) << "the first strip and the end of the job";
  const Bytes bytes = Output();
  ASSERT_GE(bytes.size(), kEndOfJob.size());
  EXPECT_EQ(Bytes(bytes.end() - kEndOfJob.size(), bytes.end()), kEndOfJob);
}

TEST_F(RasterFilterRun, AnUnsupportedPageIsNamed) {
  RasterPage cmyk{Header(CUPS_CSPACE_CMYK, 8, 32, 100, 10), [](unsigned) { return Bytes(400, 0); }};
  WriteRaster(raster_, {GreyPage(576, 24, 0, 0, 576, 24), cmyk});
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(
      Log(),
      "INFO: Printing page 1\nPAGE: 1 1\nINFO: Printing page 2\nPAGE: 2 1\n"
      "ERROR: Page 2: unsupported raster format (colour space 6, 8 bits per colour, 32 bits per pixel)\n");
  EXPECT_EQ(Decoded().summary.segments, 2u);
}

TEST_F(RasterFilterRun, PrintsTheInkOfAGreyPageWhereItIs) {
  WriteRaster(raster_, {GreyPage(576, 240, 100, 48, 300, 144)});
  EXPECT_EQ(Run("QVDither=FloydSteinberg"), 0);
  EXPECT_EQ(Log(), "INFO: Printing page 1\nPAGE: 1 1\nINFO: Printed 1 page(s)\n");
  const auto decoded = Decoded();
  EXPECT_GE(DotShare(decoded.paper, 102, 50, 298, 142), 0.99);
  EXPECT_EQ(DotShare(decoded.paper, 0, 0, 576, 46), 0.0);
  EXPECT_EQ(DotShare(decoded.paper, 0, 146, 576, 240), 0.0);
  EXPECT_EQ(DotShare(decoded.paper, 0, 0, 98, 240), 0.0);
  EXPECT_EQ(DotShare(decoded.paper, 302, 0, 576, 240), 0.0);
  EXPECT_EQ(decoded.summary.fullCuts, 1u);
}

TEST_F(RasterFilterRun, ReadsTheRasterFromStandardInputWithoutAFileArgument) {
  WriteRaster(raster_, {GreyPage(576, 48, 0, 0, 576, 24)});
  const int fd = open(raster_.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(RunArgs({"rastertobrimloft", "7", "tester", "title", "1", ""}, nullptr, fd), 0);
  close(fd);
  EXPECT_GE(DotShare(Decoded().paper, 0, 0, 576, 24), 0.99);
}

TEST_F(RasterFilterRun, OneBitAndColourPagesPrintTheirBlack) {
  // 1-bit K: the left half black. RGB: a pure red area (dark enough to print) and white.
  RasterPage bits{Header(CUPS_CSPACE_K, 1, 1, 576, 48), [](unsigned) {
                    Bytes row(72, 0);
                    for (int i = 0; i < 36; ++i) row[i] = 0xFF;
                    return row;
                  }};
  RasterPage colour{Header(CUPS_CSPACE_RGB, 8, 24, 576, 48), [](unsigned) {
                      Bytes row(576 * 3, 255);
                      for (int x = 288; x < 576; ++x) row[3 * x] = 0, row[3 * x + 1] = 0, row[3 * x + 2] = 0;
                      return row;
                    }};
  WriteRaster(raster_, {bits, colour});
  EXPECT_EQ(Run(), 0);
  const auto paper = Decoded().paper;
  EXPECT_GE(DotShare(paper, 0, 0, 286, 48), 0.99);
  EXPECT_EQ(DotShare(paper, 290, 0, 576, 48), 0.0);
  EXPECT_EQ(DotShare(paper, 0, 48, 286, 96), 0.0);
  EXPECT_GE(DotShare(paper, 290, 48, 576, 96), 0.99);
}

TEST_F(RasterFilterRun, APageOfSeveralStripsIsOnePieceOfPaper) {
  // 8192 x 1100: strips of 512, 512 and 76 rows, one page: one prologue, one closing, one cut
  // (and the end of the job's own segment).
  WriteRaster(raster_, {GreyPage(8192, 1100, 0, 0, 8192, 1100)});
  EXPECT_EQ(Run(), 0);
  const auto summary = Decoded().summary;
  EXPECT_EQ(summary.segments, 2u);
  EXPECT_EQ(summary.bandPrologues, 2u);
  EXPECT_EQ(summary.fullCuts, 1u);
}

TEST_F(RasterFilterRun, ALongReceiptIsOnePieceEndingWhereItsInkEnds) {
  // 1.2 m at 203 dpi: 9591 rows of 576, ink in rows 100 to 399 and a line at row 5000.
  const struct {
    const char* name;
    const char* size;
    const char* trim;
    bool trimmed;
  } cases[] = {
      {"custom size, trimmed by default", "Custom.204x3402", "", true},
      {"custom size, kept on request", "Custom.204x3402", "BrimloftTrim=False", false},
      {"fixed size, kept by default", "Roll72x102", "", false},
      {"fixed size, trimmed on request", "Roll72x102", "BrimloftTrim=True", true},
  };
  for (const auto& c : cases) {
    RasterPage page = GreyPage(576, 9591, 0, 100, 576, 400);
    const auto rows = page.row;
    page.row = [rows](unsigned y) {
      auto row = rows(y);
      if (y == 5000) row.assign(row.size(), 0);
      return row;
    };
    std::snprintf(page.header.cupsPageSizeName, sizeof page.header.cupsPageSizeName, "%s", c.size);
    WriteRaster(raster_, {page});
    out_ = ::host::MemoryWriteStream::Create();
    EXPECT_EQ(Run(c.trim), 0) << c.name;
    const auto decoded = Decoded();
    EXPECT_EQ(decoded.summary.fullCuts, 1u) << c.name;
    EXPECT_EQ(decoded.summary.bandPrologues, 2u) << c.name;  // the page's and the job end's
    // Trimmed, the paper ends with the band of row 5000 (rows 4992 to 5015) and its feed.
    if (c.trimmed) {
      EXPECT_LE(decoded.paper.height, 5040u) << c.name;
    } else {
      EXPECT_GE(decoded.paper.height, 9591u) << c.name;
    }
    EXPECT_TRUE(decoded.paper.Dot(300, 5000)) << c.name;
    EXPECT_TRUE(decoded.paper.Dot(300, 399) && !decoded.paper.Dot(300, 400)) << c.name;
  }
}

TEST_F(RasterFilterRun, PageNumbersCountOverTheJob) {
  const RasterPage page = GreyPage(576, 48, 0, 0, 576, 24);
  WriteRaster(raster_, {page, page, page});
  // Continuous printing sends the prologue with page 1 only, and cuts once at the end.
  EXPECT_EQ(Run("QVPrintContinuous=S"), 0);
  EXPECT_EQ(Log(),
            "INFO: Printing page 1\nPAGE: 1 1\nINFO: Printing page 2\nPAGE: 2 1\nINFO: Printing page 3\n"
            "PAGE: 3 1\nINFO: Printed 3 page(s)\n");
  auto summary = Decoded().summary;
  EXPECT_EQ(summary.segments, 4u);
  EXPECT_EQ(summary.bandPrologues, 1u);
  EXPECT_EQ(summary.fullCuts, 1u);
  out_ = ::host::MemoryWriteStream::Create();
  EXPECT_EQ(Run(), 0);
  summary = Decoded().summary;
  EXPECT_EQ(summary.bandPrologues, 4u);
  EXPECT_EQ(summary.fullCuts, 3u);
}

struct OptionCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> ppdDefaults;
  std::string options;
  std::size_t bandPrologues, rasterPrologues, fullCuts, partialCuts;
};

TEST_F(RasterFilterRun, PrintTypeAndCutReachThePrinterOutput) {
  const OptionCase cases[] = {
      {"defaults", {}, "", 2, 0, 1, 0},
      {"partial cut", {}, "QVCutType=P", 2, 0, 0, 1},
      {"no cut from the PPD", {{"QVCutType", "S"}}, "", 2, 0, 0, 0},
      {"job over PPD", {{"QVCutType", "S"}}, "QVCutType=P", 2, 0, 0, 1},
      {"raster rows", {}, "QVPrintType=Horizontal", 0, 2, 1, 0},
      {"raster rows from the PPD", {{"QVPrintType", "Horizontal"}}, "", 0, 2, 1, 0},
      {"wrong case is the default", {}, "QVPrintType=horizontal QVCutType=p", 2, 0, 1, 0},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.name);
    ppdDefaults_ = c.ppdDefaults;
    SetUp();
    WriteRaster(raster_, {GreyPage(576, 48, 0, 0, 576, 24)});
    out_ = ::host::MemoryWriteStream::Create();
    EXPECT_EQ(Run(c.options), 0);
    const auto summary = Decoded().summary;
    EXPECT_EQ(summary.bandPrologues, c.bandPrologues);
    EXPECT_EQ(summary.rasterPrologues, c.rasterPrologues);
    EXPECT_EQ(summary.fullCuts, c.fullCuts);
    EXPECT_EQ(summary.partialCuts, c.partialCuts);
  }
}

TEST_F(RasterFilterRun, WrongOptionValuesAreWarnedAbout) {
  WriteRaster(raster_, {GreyPage(576, 24, 0, 0, 576, 24)});
  EXPECT_EQ(Run("QVDither=floyd"), 0);
  EXPECT_EQ(Log().rfind(
                "WARNING: feature QVDither has no value floyd; did you mean FloydSteinberg? (its values: None, "
                "FloydSteinberg, 2x2, 4x4); printing with None\n",
                0),
            0u)
      << Log();
}

TEST_F(RasterFilterRun, DitheringAndBrightnessChangeHowMidGreyPrints) {
  const auto share = [&](const std::string& options) {
    WriteRaster(raster_, {GreyPage(576, 96, 0, 0, 0, 0, 140)});
    out_ = ::host::MemoryWriteStream::Create();
    EXPECT_EQ(Run(options), 0);
    return DotShare(Decoded().paper, 0, 0, 576, 96);
  };
  const double diffused = share("QVDither=FloydSteinberg");
  EXPECT_GT(diffused, 0.3);
  EXPECT_LT(diffused, 0.7);
  // Grey 140 is level 2 of 4 under the 2x2 thresholds {0, 2, 3, 1}: one pixel in four gets a dot.
  EXPECT_NEAR(share("QVDither=2x2"), 0.25, 0.005);
  const double plain = share("QVDither=None");
  EXPECT_TRUE(plain < 0.01 || plain > 0.99) << plain;
  // Darker brightness curves push mid-grey toward black.
  EXPECT_GT(share("QVDither=FloydSteinberg QVBright=forte"), diffused + 0.2);
}

TEST_F(RasterFilterRun, ACancelBeforeTheFirstPageStillWritesTheEndOfTheJob) {
  WriteRaster(raster_, {GreyPage(576, 48, 0, 0, 576, 24)});
  cancelled_ = true;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Log(), "INFO: Job cancelled after 0 page(s)\n");
  EXPECT_EQ(Output(), kEndOfJob);
}

TEST_F(RasterFilterRun, ACancelStopsAfterTheCurrentStrip) {
  WriteRaster(raster_, {GreyPage(8192, 1100, 0, 0, 8192, 1100), GreyPage(576, 48, 0, 0, 576, 24)});
  auto* stream = new CancellingStream(cancelled_);
  ComPtr<IPrintWriteStream> owner = ComPtr<IPrintWriteStream>::Attach(stream);
  EXPECT_EQ(Run("", stream), 0);
  EXPECT_EQ(Log(), "INFO: Printing page 1\nPAGE: 1 1\nINFO: Job cancelled after 1 page(s)\n");
  const auto decoded = host::DecodeStream(stream->data.data(), stream->data.size());
  EXPECT_EQ(decoded.summary.segments, 2u) << "the first strip and the end of the job";
  ASSERT_GE(stream->data.size(), kEndOfJob.size());
  EXPECT_EQ(Bytes(stream->data.end() - kEndOfJob.size(), stream->data.end()), kEndOfJob);
}

TEST_F(RasterFilterRun, TheTicketSnapshotLivesInAFolderOfTheJobsOwnThatIsRemovedAfterwards) {
  fakes::ScratchFolder temp("temp");
  fakes::TempFolderOverride tmpdir(temp.path());
  WriteRaster(raster_, {GreyPage(576, 24, 0, 0, 576, 24)});
  EXPECT_EQ(Run(), 0);
  EXPECT_STREQ(std::getenv("TMPDIR"), temp.path().c_str());
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

}  // namespace
}  // namespace brimloft::rasterfilter
