// Hostile and broken jobs through the host's package reader and the filter: each fails with a clear
// error, never crashes, and leaves the output with nothing or only whole segments.
#include <gtest/gtest.h>

#include <platform/com_object.h>
#include <platform/trace_controller.h>
#include <prntvpt.h>
#include <xpsobjectmodel.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "fakes/scratch_folder.h"
#include "fakes/trace_capture.h"
#include "filter/BrimloftFilter.h"
#include "host/decoder/stream_decoder.h"
#include "host/failures/host_error.h"
#include "host/package/package_writer.h"
#include "host/pipeline/job.h"
#include "host/pipeline/pipeline_objects.h"
#include "host/pipeline/write_stream.h"
#include "module/trace.h"
#include "printer/printer_test_support.h"

namespace brimloft {
namespace {

using Parts = std::map<std::string, std::string>;

const char kContentTypes[] =
    "<Types xmlns='http://schemas.openxmlformats.org/package/2006/content-types'>"
    "<Default Extension='rels' ContentType='application/vnd.openxmlformats-package.relationships+xml'/>"
    "<Default Extension='fdseq' ContentType='application/vnd.ms-package.xps-fixeddocumentsequence+xml'/>"
    "<Default Extension='fdoc' ContentType='application/vnd.ms-package.xps-fixeddocument+xml'/>"
    "<Default Extension='fpage' ContentType='application/vnd.ms-package.xps-fixedpage+xml'/>"
    "<Default Extension='png' ContentType='image/png'/>"
    "<Default Extension='jpg' ContentType='image/jpeg'/>"
    "<Default Extension='odttf' ContentType='application/vnd.ms-package.obfuscated-opentype'/>"
    "<Default Extension='xml' ContentType='application/vnd.ms-printing.printticket+xml'/></Types>";
const char kPagePath[] = "Documents/1/Pages/1.fpage";
const char kPageRels[] = "Documents/1/Pages/_rels/1.fpage.rels";
const char kBar[] = "<Path Data='M 10,10 L 300,10 300,60 10,60 Z' Fill='#FF000000'/>";

std::string Page(const std::string& body, const std::string& height = "96") {
  return "<FixedPage xmlns='http://schemas.microsoft.com/xps/2005/06' Width='384' Height='" + height +
         "' xml:lang='en'>" + body + "</FixedPage>";
}

std::string Relationships(const std::string& type, const std::string& target) {
  return "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
         "<Relationship Id='R1' Type='http://schemas.microsoft.com/xps/2005/06/" + type + "' Target='" + target +
         "'/></Relationships>";
}

// One document of one 4 x 1 inch page with a black bar.
Parts GoodParts() {
  return {
      {"[Content_Types].xml", kContentTypes},
      {"_rels/.rels", Relationships("fixedrepresentation", "/FixedDocumentSequence.fdseq")},
      {"FixedDocumentSequence.fdseq",
       "<FixedDocumentSequence xmlns='http://schemas.microsoft.com/xps/2005/06'>"
       "<DocumentReference Source='/Documents/1/FixedDocument.fdoc'/></FixedDocumentSequence>"},
      {"Documents/1/FixedDocument.fdoc",
       "<FixedDocument xmlns='http://schemas.microsoft.com/xps/2005/06'>"
       "<PageContent Source='/Documents/1/Pages/1.fpage'/></FixedDocument>"},
      {kPagePath, Page(kBar)},
  };
}

// A page ticket asking for a custom media size of the given height in microns.
std::string MediaTicket(const std::string& heightMicrons) {
  return "<psf:PrintTicket xmlns:psf='http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework'"
         " xmlns:psk='http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords'"
         " xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xmlns:xsd='http://www.w3.org/2001/XMLSchema'"
         " version='1'><psf:Feature name='psk:PageMediaSize'><psf:Option name='psk:CustomMediaSize'>"
         "<psf:ScoredProperty name='psk:MediaSizeWidth'><psf:Value xsi:type='xsd:integer'>80000</psf:Value>"
         "</psf:ScoredProperty><psf:ScoredProperty name='psk:MediaSizeHeight'><psf:Value xsi:type='xsd:integer'>" +
         heightMicrons + "</psf:Value></psf:ScoredProperty></psf:Option></psf:Feature></psf:PrintTicket>";
}

std::string Repeat(const std::string& text, std::size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

std::string BillionLaughs() {
  std::string doctype = "<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol0 'lol'>";
  for (int i = 1; i <= 9; ++i) {
    doctype += "<!ENTITY lol" + std::to_string(i) + " '";
    for (int j = 0; j < 10; ++j) doctype += "&lol" + std::to_string(i - 1) + ";";
    doctype += "'>";
  }
  return doctype + "]><lolz>&lol9;</lolz>";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

enum class Stage { Open, Run };

struct HostileCase {
  const char* name;
  std::function<void(Parts&)> edit;                 // changes to the good package
  std::function<void(std::string&)> damage;        // changes to the packed file
  Stage stage;                                      // where it fails (Run with S_OK: it prints)
  HRESULT hr;
  std::string message;                              // a piece of the error text (Open only)
  std::size_t segments;                             // whole segments written (a failed job's end included)
};

// Packs the good package with edits to its parts and then damage to its bytes.
class PackageFixture : public ::testing::Test {
 protected:
  std::string Pack(const HostileCase& c) {
    Parts parts = GoodParts();
    if (c.edit) c.edit(parts);
    const std::filesystem::path root = std::filesystem::path(scratch_.path()) / "parts";
    for (const auto& [name, bytes] : parts) WriteFile(root / name, bytes);
    const std::string path = scratch_.file("job.xps");
    host::PackFolder(root.string(), path);
    if (c.damage) {
      std::string bytes = ReadFile(path);
      c.damage(bytes);
      std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    return path;
  }

  fakes::ScratchFolder scratch_{"hostile"};
  fakes::TempFolderOverride tmp_{scratch_.path()};
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.name; }

class HostileInputTest : public PackageFixture, public ::testing::WithParamInterface<HostileCase> {};

// What a job did: where it stopped, its HRESULT, the error text (the host's, or the failure
// traced by the filter) and the whole segments it wrote.
struct Outcome {
  Stage stage = Stage::Run;
  HRESULT hr = S_OK;
  std::string message;
  std::size_t segments = 0;
};

std::string Describe(const Outcome& o) {
  std::ostringstream text;
  text << (o.stage == Stage::Open ? "open" : "run") << " 0x" << std::hex << static_cast<unsigned>(o.hr) << std::dec
       << " \"" << o.message << "\" segments " << o.segments;
  return text.str();
}

TEST_P(HostileInputTest, FailsClearlyAndWritesOnlyWholeSegments) {
  const HostileCase& c = GetParam();
  const std::string path = Pack(c);
  auto memory = host::MemoryWriteStream::Create();
  Outcome o;
  std::unique_ptr<host::Job> job;
  try {
    job = std::make_unique<host::Job>(path, host::JobSettings{}, ComPtr<IPrintWriteStream>(memory.get()));
  } catch (const host::HostError& e) {
    o.stage = Stage::Open;
    o.hr = e.hr();
    o.message = e.what();
  }
  if (job) {
    auto filter = ComPtr<BrimloftFilter>::Attach(new BrimloftFilter);
    filter->SetPrinterName("RX2P");
    ASSERT_EQ(S_OK, filter->InitializeFilter(job->Communicator(), job->PropertyBag(), job->Control()));
    fakes::TraceCapture trace;
    o.hr = filter->StartOperation();
    for (const auto& record : trace.Of(TraceUnit::trace_failure)) {
      const std::wstring text = fakes::TraceCapture::Wide(record.arguments.at(3));
      o.message += std::string(text.begin(), text.end());
    }
    for (const auto& record : trace.Of(TraceUnit::rasinterface)) {
      if (record.number == 14) o.message += "page of " + std::to_string(fakes::TraceCapture::Double(record.arguments.at(0))) + " rows";
    }
    EXPECT_EQ(1, memory->CloseCount());
  }
  const auto bytes = memory->Bytes();
  try {
    o.segments = host::DecodeStream(bytes.data(), bytes.size()).summary.segments;
  } catch (const host::StreamError& e) {
    ADD_FAILURE() << "a partial segment: " << e.what();
  }
  EXPECT_EQ(c.stage, o.stage) << Describe(o);
  EXPECT_EQ(c.hr, o.hr) << Describe(o);
  EXPECT_NE(std::string::npos, o.message.find(c.message)) << Describe(o);
  EXPECT_EQ(c.segments, o.segments) << Describe(o);
}

const HRESULT kBadFormat = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);
const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
const HRESULT kInvalidData = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
const HRESULT kInvalidMarkup = XPS_E_INVALID_MARKUP;
const HRESULT kInvalidTicket = E_DELTA_PRINTTICKET_FORMAT;

std::string Mega(std::size_t bytes) { return std::string(bytes, 'a'); }

std::string ImagePage(const std::string& source) {
  return Page("<Path Data='M 0,0 L 96,0 96,48 0,48 Z'><Path.Fill><ImageBrush ImageSource='" + source +
              "' Viewbox='0,0,96,48' ViewboxUnits='Absolute' Viewport='0,0,96,48' ViewportUnits='Absolute'/>"
              "</Path.Fill></Path>");
}

std::string FontPage(const std::string& font) {
  return Page("<Glyphs Fill='#FF000000' FontUri='" + font +
              "' FontRenderingEmSize='16' OriginX='10' OriginY='40' UnicodeString='A'/>");
}

void PageTicket(Parts& p, const std::string& ticket) {
  p[kPageRels] = Relationships("printticket", "/Documents/1/Pages/ticket.xml");
  p["Documents/1/Pages/ticket.xml"] = ticket;
}

const HostileCase kCases[] = {
    {"GoodPackagePrintsOnePageAndTheEnd", nullptr, nullptr, Stage::Run, S_OK, "", 2},
    // The package as a whole: refused when it is opened, before the filter sees a part.
    {"TruncatedZip", nullptr, [](std::string& b) { b.resize(b.size() / 2); }, Stage::Open, kBadFormat,
     "not a ZIP", 0},
    {"EmptyFile", nullptr, [](std::string& b) { b.clear(); }, Stage::Open, kBadFormat, "", 0},
    {"CorruptCentralDirectory", nullptr,
     [](std::string& b) {
       const auto at = b.rfind("PK\x01\x02");
       for (std::size_t i = at; i < at + 46 && i < b.size(); ++i) b[i] = '\x5A';
     },
     Stage::Open, kBadFormat, "", 0},
    {"PageListedButMissing", [](Parts& p) { p.erase(kPagePath); }, nullptr, Stage::Open, kNotFound,
     "which the package lacks", 0},
    // A bad page: the part fails when the filter asks for it, before anything of it is written.
    {"CorruptPageData", nullptr,
     [](std::string& b) {
       const auto at = b.find("Documents/1/Pages/1.fpage");
       for (std::size_t i = at + 30; i < at + 60; ++i) b[i] = static_cast<char>(b[i] ^ 0x5A);
     },
     Stage::Run, kInvalidData, "", 1},
    {"PageWithNoMarkup", [](Parts& p) { p[kPagePath] = ""; }, nullptr, Stage::Run, kInvalidMarkup, "", 1},
    {"TenMegabyteAttribute",
     [](Parts& p) { p[kPagePath] = Page("<Path Name='" + Mega(10u << 20) + "' Data='M 0,0 L 9,9'/>"); },
     nullptr, Stage::Run, kInvalidMarkup, "", 1},
    {"ObfuscatedFontWithoutAGuidName",
     [](Parts& p) {
       p[kPageRels] = Relationships("required-resource", "/Resources/notaguid.odttf");
       p["Resources/notaguid.odttf"] = Mega(4096);
       p[kPagePath] = FontPage("/Resources/notaguid.odttf");
     },
     nullptr, Stage::Run, kInvalidData, "", 1},
    {"PageNestedBeyondTheParserLimit",
     [](Parts& p) {
       p[kPagePath] = Page(Repeat("<Canvas>", 100000) + Repeat("</Canvas>", 100000));
     },
     nullptr, Stage::Run, kInvalidMarkup, "", 1},
    {"BleedBoxFarOffThePage",
     [](Parts& p) {
       p[kPagePath] = "<FixedPage xmlns='http://schemas.microsoft.com/xps/2005/06' Width='384' Height='96' "
                      "BleedBox='0,-5e37,384,96' xml:lang='en'>" + std::string(kBar) + "</FixedPage>";
     },
     nullptr, Stage::Run, E_INVALIDARG, "", 1},
    // Bad tickets: the ticket provider refuses them with the parser's reason.
    {"TicketNotXml", [](Parts& p) { PageTicket(p, "this is not a print ticket"); }, nullptr, Stage::Run,
     kInvalidTicket, "the print ticket is not well-formed XML (line 1: Start tag expected", 1},
    {"TicketWithBillionLaughs", [](Parts& p) { PageTicket(p, BillionLaughs()); }, nullptr, Stage::Run,
     kInvalidTicket, "Detected an entity reference loop", 1},
    // Sizes: a page is fitted to the ticket's media, which the provider keeps to the printer's.
    {"PageMillionInchesTall", [](Parts& p) { p[kPagePath] = Page(kBar, "96000000"); }, nullptr, Stage::Run,
     S_OK, "", 2},
    {"TicketMediaMillionInchesTall", [](Parts& p) { PageTicket(p, MediaTicket("25400000000")); }, nullptr,
     Stage::Run, S_OK, "", 2},
    {"TicketMediaTwoKilometresTall", [](Parts& p) { PageTicket(p, MediaTicket("2000000000")); }, nullptr,
     Stage::Run, S_OK, "", 2},
    // Resources that are not what they claim: the page prints without them.
    {"ImageWhoseContentTypeLies",
     [](Parts& p) {
       p[kPageRels] = Relationships("required-resource", "/Resources/logo.jpg");
       static const char kGif[] = "GIF89a\x01\x00\x01\x00 not a JPEG at all";
       p["Resources/logo.jpg"] = std::string(kGif, sizeof kGif - 1);
       p[kPagePath] = ImagePage("/Resources/logo.jpg");
     },
     nullptr, Stage::Run, S_OK, "", 2},
    {"ObfuscatedFontWithTheWrongKey",
     [](Parts& p) {
       const std::string name = "/Resources/0B3C5D1E-2F40-4A6B-8C9D-0E1F2A3B4C5D.odttf";
       p[kPageRels] = Relationships("required-resource", name);
       p[name.substr(1)] = Mega(4096);
       p[kPagePath] = FontPage(name);
     },
     nullptr, Stage::Run, S_OK, "", 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, HostileInputTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

// A write that fails anywhere in a job of three pages: the job fails with the writer's error and
// what reached the output is whole segments, the writer closed once.
using FailingOutputTest = PackageFixture;

TEST_F(FailingOutputTest, AWriteFailingAnywhereLeavesOnlyWholeSegments) {
  Parts parts = GoodParts();
  parts["Documents/1/FixedDocument.fdoc"] =
      "<FixedDocument xmlns='http://schemas.microsoft.com/xps/2005/06'><PageContent Source='/Documents/1/Pages/1.fpage'/>"
      "<PageContent Source='/Documents/1/Pages/1.fpage'/><PageContent Source='/Documents/1/Pages/1.fpage'/>"
      "</FixedDocument>";
  HostileCase whole{"", [&](Parts& p) { p = parts; }, nullptr, Stage::Run, S_OK, "", 4};
  const std::string path = Pack(whole);

  // The whole job first, to know its size and segment boundaries.
  auto Run = [&](unsigned long long limit, HRESULT failure) {
    auto memory = host::MemoryWriteStream::Create();
    if (limit != ~0ull) memory->FailBeyond(limit, failure);
    host::Job job(path, host::JobSettings{}, ComPtr<IPrintWriteStream>(memory.get()));
    auto filter = ComPtr<BrimloftFilter>::Attach(new BrimloftFilter);
    filter->SetPrinterName("RX2P");
    EXPECT_EQ(S_OK, filter->InitializeFilter(job.Communicator(), job.PropertyBag(), job.Control()));
    const HRESULT hr = filter->StartOperation();
    EXPECT_EQ(1, memory->CloseCount());
    return std::make_pair(hr, memory->Bytes());
  };
  const auto full = Run(~0ull, S_OK);
  ASSERT_EQ(S_OK, full.first);
  const unsigned long long total = full.second.size();
  ASSERT_EQ(4u, host::DecodeStream(full.second.data(), full.second.size()).summary.segments);
  const std::vector<unsigned char> end(full.second.end() - 12, full.second.end());  // the end-of-job segment

  const HRESULT kDiskFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
  const HRESULT kBrokenPipe = HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE);
  for (const unsigned long long limit : {0ull, 1ull, 11ull, total / 3, total / 2, total - 13, total - 1}) {
    for (const HRESULT failure : {kDiskFull, kBrokenPipe}) {
      const auto run = Run(limit, failure);
      EXPECT_EQ(failure, run.first) << "limit " << limit;
      ASSERT_LE(run.second.size(), limit);
      // A prefix of the whole job, then its end when the writer still took that: a cut inside a
      // segment would not decode.
      std::vector<unsigned char> pages = run.second;
      if (pages.size() >= end.size() && std::equal(end.begin(), end.end(), pages.end() - end.size())) {
        pages.resize(pages.size() - end.size());
      }
      EXPECT_TRUE(std::equal(pages.begin(), pages.end(), full.second.begin())) << "limit " << limit;
      host::DecodedStream decoded;
      EXPECT_NO_THROW(decoded = host::DecodeStream(run.second.data(), run.second.size())) << "limit " << limit;
      EXPECT_LT(decoded.summary.segments, 4u) << "limit " << limit;
    }
  }
}

// The trace session switched on and off from another thread while a job of five pages traces: the
// job prints whole, whatever the tracing saw.
using ConcurrentTracingTest = PackageFixture;

TEST_F(ConcurrentTracingTest, ToggledFromAnotherThreadWhileAJobTracesLosesNoPage) {
  HostileCase five{"", [](Parts& p) {
    std::string document = "<FixedDocument xmlns='http://schemas.microsoft.com/xps/2005/06'>";
    for (int i = 0; i < 5; ++i) document += "<PageContent Source='/Documents/1/Pages/1.fpage'/>";
    p["Documents/1/FixedDocument.fdoc"] = document + "</FixedDocument>";
  }, nullptr, Stage::Run, S_OK, "", 6};
  const std::string path = Pack(five);
  auto memory = host::MemoryWriteStream::Create();
  host::Job job(path, host::JobSettings{}, ComPtr<IPrintWriteStream>(memory.get()));
  auto filter = ComPtr<BrimloftFilter>::Attach(new BrimloftFilter);
  filter->SetPrinterName("RX2P");
  ASSERT_EQ(S_OK, filter->InitializeFilter(job.Communicator(), job.PropertyBag(), job.Control()));

  auto session = platform::trace::Session::StartInMemory();
  trace::Start("KelmoranBrimloftFilter");
  std::atomic<bool> done{false};
  std::thread toggler([&] {
    for (int i = 0; !done.load(); ++i) {
      if (i % 2 == 0) {
        session->Enable(trace::kControlGuid, 5, TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL);
      } else {
        session->Disable(trace::kControlGuid);
      }
      std::this_thread::yield();
    }
  });
  const HRESULT hr = filter->StartOperation();
  done = true;
  toggler.join();
  trace::Stop();
  session->Stop();
  EXPECT_EQ(S_OK, hr);
  const auto bytes = memory->Bytes();
  EXPECT_EQ(6u, host::DecodeStream(bytes.data(), bytes.size()).summary.segments);
}

// Snapshots the ticket step could not have written: a clear error, the options as they were, and
// no segment for the strip. An empty one merges nothing.
struct SnapshotCase {
  const char* name;
  std::string bytes;
  std::string error;   // empty: the snapshot is read
  std::string dither;  // the option then
};

class HostileSnapshotTest : public testing::PrinterFixture, public ::testing::WithParamInterface<SnapshotCase> {};

std::string Utf16(const std::string& ascii, bool bigEndian, bool bom) {
  std::string out = bom ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char c : ascii) {
    if (bigEndian) out += '\0';
    out += c;
    if (!bigEndian) out += '\0';
  }
  return out;
}

TEST_P(HostileSnapshotTest, IsRefusedWithAClearErrorAndNothingWritten) {
  const SnapshotCase& c = GetParam();
  auto handler = Handler();
  snapshot.Write(testing::Ticket({{"QVDither", "4x4"}}));
  handler->ReadTicketOptions();
  snapshot.Write(c.bytes);
  if (c.error.empty()) {
    EXPECT_NO_THROW(handler->ReadTicketOptions());
    EXPECT_EQ(c.dither, handler->LookupOption("QVDither"));
    return;
  }
  try {
    handler->ProcessStrip(1, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(c.error, e.what());
  }
  EXPECT_EQ("4x4", handler->LookupOption("QVDither"));
  EXPECT_TRUE(output->writes.empty());
}

const SnapshotCase kSnapshots[] = {
    {"EmptyMergesNothing", "", "", "4x4"},
    {"Utf16LittleEndianWithMark", Utf16(testing::Ticket({{"QVDither", "2x2"}}), false, true),
     "the ticket snapshot is not UTF-8 text", "4x4"},
    {"Utf16LittleEndianWithoutMark", Utf16(testing::Ticket({{"QVDither", "2x2"}}), false, false),
     "the ticket snapshot is not UTF-8 text", "4x4"},
    {"Utf16BigEndianWithoutMark", Utf16(testing::Ticket({{"QVDither", "2x2"}}), true, false),
     "the ticket snapshot is not UTF-8 text", "4x4"},
    {"NulAfterTheTicket", testing::Ticket({{"QVDither", "2x2"}}) + std::string(1, '\0') + "junk",
     "the ticket snapshot is not UTF-8 text", "4x4"},
    {"Utf8WithMark", "\xEF\xBB\xBF" + testing::Ticket({{"QVDither", "2x2"}}), "", "2x2"},
    {"NestedThreeHundredThousandDeep", "<psf:PrintTicket>" + Repeat("<a>", 300000),
     "the ticket snapshot nests elements deeper than 256 levels", "4x4"},
};

INSTANTIATE_TEST_SUITE_P(Cases, HostileSnapshotTest, ::testing::ValuesIn(kSnapshots),
                         [](const ::testing::TestParamInfo<SnapshotCase>& info) { return info.param.name; });

}  // namespace
}  // namespace brimloft
