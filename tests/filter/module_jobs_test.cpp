// Whole jobs through the filter module loaded by path, driven as a spooler other than ours may drive
// it: small pipeline objects around the host's package reader, property bag and memory writer.
#include <gtest/gtest.h>

#include <platform/com_object.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "fakes/scratch_folder.h"
#include "filter/job_package.h"
#include "host/decoder/stream_decoder.h"
#include "host/pipeline/filter_module.h"
#include "host/pipeline/job.h"
#include "host/pipeline/pipeline_objects.h"
#include "host/pipeline/write_stream.h"

namespace brimloft {
namespace {

namespace fs = std::filesystem;
using Options = std::map<std::string, std::string>;

// An object whose first interface is a read stream (refusing every call through it, touching no
// argument) and which answers Second only when asked, from a second table that PassOn implements.
template <class Second, const IID* SecondIid, class PassOn>
class ReadStreamFirst final : public platform::ComObject<IPrintReadStream, &IID_IPrintReadStream>, public PassOn {
 public:
  explicit ReadStreamFirst(Second* inner) : PassOn(inner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && iid == *SecondIid) {
      *out = static_cast<Second*>(this);
      AddRef();
      return S_OK;
    }
    return ComObject::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ComObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return ComObject::Release(); }
  HRESULT STDMETHODCALLTYPE Seek(LONGLONG, DWORD, ULONGLONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReadBytes(void*, ULONG, ULONG*, BOOL*) override { return E_NOTIMPL; }
};

class ProviderPassingOn : public IXpsDocumentProvider {
 public:
  explicit ProviderPassingOn(IXpsDocumentProvider* inner) : inner_(inner) {}
  HRESULT STDMETHODCALLTYPE GetXpsPart(IUnknown** part) override { return inner_->GetXpsPart(part); }

 private:
  ComPtr<IXpsDocumentProvider> inner_;
};

class WriterPassingOn : public IPrintWriteStream {
 public:
  explicit WriterPassingOn(IPrintWriteStream* inner) : inner_(inner) {}
  HRESULT STDMETHODCALLTYPE WriteBytes(const void* bytes, ULONG size, ULONG* written) override {
    return inner_->WriteBytes(bytes, size, written);
  }
  void STDMETHODCALLTYPE Close() override { inner_->Close(); }

 private:
  ComPtr<IPrintWriteStream> inner_;
};

using StreamFirstReader = ReadStreamFirst<IXpsDocumentProvider, &IID_IXpsDocumentProvider, ProviderPassingOn>;
using ReadFirstWriter = ReadStreamFirst<IPrintWriteStream, &IID_IPrintWriteStream, WriterPassingOn>;

// Passes parts on until a given call, which fails.
class FailingReader final : public platform::ComObject<IXpsDocumentProvider, &IID_IXpsDocumentProvider> {
 public:
  FailingReader(IXpsDocumentProvider* inner, int failingCall, HRESULT failure)
      : inner_(inner), failingCall_(failingCall), failure_(failure) {}
  HRESULT STDMETHODCALLTYPE GetXpsPart(IUnknown** part) override {
    if (++calls_ != failingCall_) return inner_->GetXpsPart(part);
    *part = nullptr;
    return failure_;
  }

 private:
  ComPtr<IXpsDocumentProvider> inner_;
  int failingCall_;
  HRESULT failure_;
  int calls_ = 0;
};

// Passes writes on until a given one; that one fails with first, every later one with later.
class FailingWriter final : public platform::ComObject<IPrintWriteStream, &IID_IPrintWriteStream> {
 public:
  FailingWriter(IPrintWriteStream* inner, int failingWrite, HRESULT first, HRESULT later)
      : inner_(inner), failingWrite_(failingWrite), first_(first), later_(later) {}
  HRESULT STDMETHODCALLTYPE WriteBytes(const void* bytes, ULONG size, ULONG* written) override {
    ++writes_;
    if (writes_ < failingWrite_) return inner_->WriteBytes(bytes, size, written);
    *written = 0;
    return writes_ == failingWrite_ ? first_ : later_;
  }
  void STDMETHODCALLTYPE Close() override { inner_->Close(); }

 private:
  ComPtr<IPrintWriteStream> inner_;
  int failingWrite_;
  HRESULT first_;
  HRESULT later_;
  int writes_ = 0;
};

struct Output {
  HRESULT hr = E_FAIL;
  std::vector<unsigned char> bytes;
  int closes = 0;
  host::StreamSummary Summary() const { return host::DecodeStream(bytes.data(), bytes.size()).summary; }
};

// How a test wraps the job's reader and writer before the communicator hands them out.
using Wrap = std::function<void(ComPtr<IUnknown>& reader, ComPtr<IUnknown>& writer)>;

class ModuleJobs : public ::testing::Test {
 protected:
  // One job of three pages with the options on an RX2P filter made by the module, on the calling
  // thread.
  Output Print(const Options& options, const Wrap& wrap = nullptr, const std::string& package = std::string()) {
    auto memory = host::MemoryWriteStream::Create();
    host::JobSettings settings;
    settings.options = options;
    host::Job job(package.empty() ? package_ : package, settings, ComPtr<IPrintWriteStream>(memory.get()));
    ComPtr<IUnknown> reader(static_cast<IXpsDocumentProvider*>(&job.Reader()));
    ComPtr<IUnknown> writer(memory.get());
    if (wrap) wrap(reader, writer);
    auto communicator = host::Communicator::Create(reader, writer);
    ComPtr<IPrintPipelineFilter> filter = module_.CreateFilter("RX2P");
    Output out;
    out.hr = filter->InitializeFilter(communicator.get(), job.PropertyBag(), job.Control());
    if (SUCCEEDED(out.hr)) out.hr = filter->StartOperation();
    out.bytes = memory->Bytes();
    out.closes = memory->CloseCount();
    return out;
  }

  // What the temporary folder holds, by name.
  std::vector<std::string> TempEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(temp_.path())) names.push_back(entry.path().filename().string());
    return names;
  }

  host::FilterModule module_{BRIMLOFT_MODULE_PATH};
  // Made before the temporary folder is pointed elsewhere, and outside it.
  fakes::ScratchFolder jobFolder_{"job"};
  const std::string package_ = fakes::MakePackage(jobFolder_, {3});
  fakes::ScratchFolder outside_{"outside"};
  fakes::ScratchFolder temp_{"temp"};
  fakes::TempFolderOverride tmp_{temp_.path()};
};

const Options kLandscapePartialCut = {{"PageOrientation", "Landscape"}, {"QVCutType", "P"}};
const Options kPortraitContinuous = {{"PageOrientation", "Portrait"}, {"QVPrintContinuous", "S"}};

TEST_F(ModuleJobs, AReaderAndAWriterWhoseFirstInterfaceIsAnotherPrintAsThePipelinesOwn) {
  const Output plain = Print(kLandscapePartialCut);
  ASSERT_EQ(S_OK, plain.hr);
  const Output twoFaced = Print(kLandscapePartialCut, [](ComPtr<IUnknown>& reader, ComPtr<IUnknown>& writer) {
    ComPtr<IXpsDocumentProvider> provider;
    ASSERT_EQ(S_OK, reader->QueryInterface(IID_IXpsDocumentProvider, provider.put_void()));
    ComPtr<IPrintWriteStream> stream;
    ASSERT_EQ(S_OK, writer->QueryInterface(IID_IPrintWriteStream, stream.put_void()));
    // Handed out as their first interface, as a pipeline that knows nothing of ours would.
    reader = ComPtr<IUnknown>::Attach(static_cast<IPrintReadStream*>(new StreamFirstReader(provider.get())));
    writer = ComPtr<IUnknown>::Attach(static_cast<IPrintReadStream*>(new ReadFirstWriter(stream.get())));
  });
  EXPECT_EQ(S_OK, twoFaced.hr);
  EXPECT_EQ(plain.bytes, twoFaced.bytes);
  EXPECT_EQ(1, twoFaced.closes);
}

// A job that fails after pages went out still ends: the paper is cut and the printer gets its
// closing segment. The job returns the first failure, also when the end fails as well.
TEST_F(ModuleJobs, AJobThatFailsAfterItsPagesStillCutsThePaperAndReturnsTheFirstFailure) {
  const HRESULT kProvider = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
  const HRESULT kFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
  const HRESULT kBroken = HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE);
  struct Case {
    const char* name;
    Options options;
    int failingPart;   // 0: none
    int failingWrite;  // 0: none
    HRESULT expected;
    size_t segments;
    size_t fullCuts;
  } const cases[] = {
      // Parts: sequence, document, page 1, page 2, then the failing fifth.
      {"continuous, the fifth part fails", {{"QVPrintContinuous", "S"}}, 5, 0, kProvider, 3, 1},
      {"page by page, the fifth part fails", {{"QVPrintContinuous", "N"}}, 5, 0, kProvider, 3, 2},
      // Page 2's write fails, and so does the end's: page 1 alone is on the paper.
      {"the writer breaks at page 2", {{"QVPrintContinuous", "N"}}, 0, 2, kFull, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Output out = Print(c.options, [&](ComPtr<IUnknown>& reader, ComPtr<IUnknown>& writer) {
      ComPtr<IXpsDocumentProvider> provider;
      ASSERT_EQ(S_OK, reader->QueryInterface(IID_IXpsDocumentProvider, provider.put_void()));
      ComPtr<IPrintWriteStream> stream;
      ASSERT_EQ(S_OK, writer->QueryInterface(IID_IPrintWriteStream, stream.put_void()));
      if (c.failingPart != 0) reader = ComPtr<IUnknown>::Attach(new FailingReader(provider.get(), c.failingPart, kProvider));
      if (c.failingWrite != 0) writer = ComPtr<IUnknown>::Attach(new FailingWriter(stream.get(), c.failingWrite, kFull, kBroken));
    });
    EXPECT_EQ(c.expected, out.hr);
    const host::StreamSummary summary = out.Summary();
    EXPECT_EQ(c.segments, summary.segments);
    EXPECT_EQ(c.fullCuts, summary.fullCuts);
    EXPECT_EQ(1, out.closes);
  }
}

// Two jobs of different orientation, cut and printing mode on two threads of one process, round
// after round: each prints exactly what it prints alone.
TEST_F(ModuleJobs, TwoJobsAtTheSameTimeOnTwoThreadsEachPrintAsAlone) {
  const Output aloneA = Print(kLandscapePartialCut);
  const Output aloneB = Print(kPortraitContinuous);
  ASSERT_EQ(S_OK, aloneA.hr);
  ASSERT_EQ(S_OK, aloneB.hr);
  ASSERT_NE(aloneA.bytes, aloneB.bytes);
  constexpr int kRounds = 10;
  int differing = 0;
  for (int round = 0; round < kRounds; ++round) {
    Output a;
    Output b;
    std::thread other([&] { b = Print(kPortraitContinuous); });
    a = Print(kLandscapePartialCut);
    other.join();
    EXPECT_EQ(S_OK, a.hr);
    EXPECT_EQ(S_OK, b.hr);
    differing += (a.bytes != aloneA.bytes) + (b.bytes != aloneB.bytes);
  }
  EXPECT_EQ(0, differing) << "of " << 2 * kRounds << " outputs";
  EXPECT_TRUE(TempEntries().empty());  // every job took its snapshot with it
}

// Where a shared snapshot would be, someone planted a link to a file of theirs: the job neither
// writes through it nor replaces it.
TEST_F(ModuleJobs, ALinkPlantedAtTheSnapshotsPlaceIsLeftUntouched) {
  const Output alone = Print(kLandscapePartialCut);
  ASSERT_EQ(S_OK, alone.hr);
  const std::string victim = outside_.file("victim.txt");
  std::ofstream(victim) << "not a ticket";
  const fs::path link = fs::path(temp_.path()) / "brimloft_print_ticket_.xml";
  fs::create_symlink(victim, link);

  const Output out = Print(kLandscapePartialCut);
  EXPECT_EQ(S_OK, out.hr);
  EXPECT_EQ(alone.bytes, out.bytes);
  ASSERT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::path(victim), fs::read_symlink(link));
  std::ifstream in(victim);
  EXPECT_EQ("not a ticket", std::string(std::istreambuf_iterator<char>(in), {}));
  EXPECT_EQ(std::vector<std::string>{"brimloft_print_ticket_.xml"}, TempEntries());
}

// A line far thinner than a dot is drawn at least one pixel wide, as every rasterizer is told.
TEST_F(ModuleJobs, AHairlineThinnerThanADotStillPrints) {
  const fakes::ScratchFolder folder("hairline");
  const std::string hairline = fakes::MakePackage(
      folder, {1}, "<Path Data='M 10,48 L 370,48' Stroke='#FF000000' StrokeThickness='0.01'/>");
  const Output out = Print({{"QVDither", "None"}}, nullptr, hairline);
  ASSERT_EQ(S_OK, out.hr);
  EXPECT_GT(out.Summary().dots, 500u);  // most of the line's 3.75 inches at 203 dpi
}

// No snapshot can be made where the temporary folder points: the job fails before any output.
TEST_F(ModuleJobs, ATemporaryFolderWhereNothingCanBeMadeFailsTheJobBeforeAnyOutput) {
  fakes::TempFolderOverride missing(temp_.file("gone"));
  const Output out = Print(kLandscapePartialCut);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE), out.hr);
  EXPECT_TRUE(out.bytes.empty());
  EXPECT_EQ(1, out.closes);
}

}  // namespace
}  // namespace brimloft
