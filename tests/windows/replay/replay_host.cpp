// The Windows test host: loads the real filter DLL as the spooler does and prints whole jobs through
// it, each handed exactly what the Linux build's filter was handed for the same job (its record),
// then compares the bytes. Run under Wine by scripts/build-windows.sh.
// Usage: replay_host.exe brimloft_filter.dll JOB.record...
#include "replay/replay.h"

#include <cstdio>
#include <thread>
#include <vector>

#include <xpsobjectmodel.h>

#include "module/ClassIds.h"
#include "replay/object_model.h"
#include "replay/ticket_replay.h"

namespace brimloft::replay {
namespace {

Session* g_session = nullptr;

void ReportTicketProblem(const char* text) { Current().Problem(text); }

using CreateFn = HRESULT (*)(REFIID, void**);

class ClassObject final : public platform::ComObject<IClassFactory, &IID_IClassFactory> {
 public:
  explicit ClassObject(CreateFn create) : create_(create) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return outer != nullptr ? CLASS_E_NOAGGREGATION : create_(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  CreateFn create_;
};

// Registered from the multithreaded apartment, which the filter's job thread joins.
void Register(REFCLSID clsid, CreateFn create) {
  const auto object = ComPtr<IClassFactory>::Attach(new ClassObject(create));
  DWORD cookie = 0;
  const HRESULT hr = CoRegisterClassObject(clsid, object.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  if (FAILED(hr)) throw Failure("CoRegisterClassObject", hr);
}

std::wstring Widen(const char* text) {
  std::wstring wide;
  for (; *text; ++text) wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return wide;
}

// The test's prntvpt.dll from beside this program, which the filter must bind to.
SetTicketReplayFn LoadTicketReplay(HMODULE filter) {
  HMODULE own = GetModuleHandleW(L"prntvpt.dll");
  const auto setter = reinterpret_cast<SetTicketReplayFn>(
      reinterpret_cast<void*>(own ? GetProcAddress(own, kSetTicketReplay) : nullptr));
  if (filter == nullptr || setter == nullptr)
    throw std::runtime_error("the filter bound another prntvpt.dll than the test's (is prntvpt=n set?)");
  return setter;
}

// An impersonation token of this process, as the spooler hands the user's.
HANDLE UserToken() {
  HANDLE process = nullptr, token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process))
    throw Failure("OpenProcessToken", HRESULT_FROM_WIN32(GetLastError()));
  const BOOL ok = DuplicateToken(process, SecurityImpersonation, &token);
  CloseHandle(process);
  if (!ok) throw Failure("DuplicateToken", HRESULT_FROM_WIN32(GetLastError()));
  return token;
}

const CLSID& ClassOf(const std::string& variant) {
  for (const VariantInfo& v : kVariants)
    if (variant == v.code) return *v.clsid;
  throw std::runtime_error("the record names no variant of the filter: " + variant);
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);

std::string FirstDifference(const jobrecord::Bytes& got, const jobrecord::Bytes& want) {
  std::size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  return std::to_string(got.size()) + " bytes printed where the Linux build printed " + std::to_string(want.size()) +
         ", first differing at byte " + std::to_string(i);
}

// Prints one job as the pipeline does; true when it matches the Linux build's in every respect.
bool RunJob(const std::string& path, GetClassObjectFn getClassObject, SetTicketReplayFn setTicketReplay, HANDLE token) {
  const jobrecord::Job job = jobrecord::Load(path);
  Session session(job);
  g_session = &session;
  TicketReplay tickets{&job.ticketCalls, 0, &ReportTicketProblem};
  setTicketReplay(&tickets);

  HRESULT hr = S_OK;
  jobrecord::Bytes output;
  {
    ComPtr<IClassFactory> factory;
    hr = getClassObject(ClassOf(job.variant), IID_IClassFactory, factory.put_void());
    if (FAILED(hr)) throw Failure("DllGetClassObject for " + job.variant, hr);
    ComPtr<IPrintPipelineFilter> filter;
    hr = factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, filter.put_void());
    if (FAILED(hr)) throw Failure("CreateInstance for " + job.variant, hr);

    const auto provider = MakeProvider();
    const auto stream = ComPtr<OutputStream>::Attach(new OutputStream());
    const auto communicator = MakeCommunicator(provider.get(), stream.get());
    const auto bag = MakeBag(token);
    const auto control = MakeControl();
    hr = filter->InitializeFilter(communicator.get(), bag.get(), control.get());
    if (SUCCEEDED(hr)) {
      // The pipeline starts each filter on a thread of its own in the multithreaded apartment.
      std::thread thread([&] {
        hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (FAILED(hr)) return;
        hr = filter->StartOperation();
        CoUninitialize();
      });
      thread.join();
    }
    output = stream->Bytes();
  }
  setTicketReplay(nullptr);

  if (hr != static_cast<HRESULT>(job.hr))
    session.Problem("the job ended with " + HexHr(hr) + " where the Linux build's ended with " +
                    HexHr(static_cast<HRESULT>(job.hr)));
  if (tickets.next != job.ticketCalls.size())
    session.Problem(std::to_string(tickets.next) + " Print Ticket calls where the Linux build's filter made " +
                    std::to_string(job.ticketCalls.size()));
  if (session.rastersMade != job.rasters.size())
    session.Problem(std::to_string(session.rastersMade) + " pages rendered where the Linux build rendered " +
                    std::to_string(job.rasters.size()));
  if (output != job.output) session.Problem(FirstDifference(output, job.output));
  g_session = nullptr;

  const auto problems = session.Problems();
  if (problems.empty()) {
    std::printf("  %s: identical, %zu bytes\n", job.label.c_str(), output.size());
    return true;
  }
  std::printf("  %s: DIFFERS\n", job.label.c_str());
  for (const std::string& p : problems) std::printf("    %s\n", p.c_str());
  return false;
}

int Main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: replay_host.exe brimloft_filter.dll JOB.record...\n", stderr);
    return 2;
  }
  HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(hr)) throw Failure("CoInitializeEx", hr);
  WineImagingFactory();  // made before the registration below takes over the class
  Register(CLSID_WICImagingFactory, &CreateImagingFactory);
  if (!IsEqualCLSID(CLSID_WICImagingFactory, CLSID_WICImagingFactory1))
    Register(CLSID_WICImagingFactory1, &CreateImagingFactory);
  Register(CLSID_XpsOMObjectFactory, &CreateObjectModelFactory);

  HMODULE module = LoadLibraryW(Widen(argv[1]).c_str());
  if (module == nullptr) throw Failure(std::string("loading ") + argv[1], HRESULT_FROM_WIN32(GetLastError()));
  const SetTicketReplayFn setTicketReplay = LoadTicketReplay(module);
  const auto getClassObject =
      reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (getClassObject == nullptr) throw std::runtime_error("the filter exports no DllGetClassObject");
  const HANDLE token = UserToken();

  int identical = 0;
  const int jobs = argc - 2;
  for (int i = 2; i < argc; ++i) {
    try {
      if (RunJob(argv[i], getClassObject, setTicketReplay, token)) ++identical;
    } catch (const std::exception& e) {
      std::printf("  %s: FAILED: %s\n", argv[i], e.what());
    }
  }
  CloseHandle(token);
  std::printf("windows end-to-end: %d of %d jobs identical to the Linux build\n", identical, jobs);
  return identical == jobs ? 0 : 1;
}

}  // namespace

Session& Current() {
  if (g_session == nullptr) throw std::logic_error("no job is being replayed");
  return *g_session;
}

}  // namespace brimloft::replay

int main(int argc, char** argv) {
  try {
    return brimloft::replay::Main(argc, argv);
  } catch (const std::exception& e) {
    std::printf("windows end-to-end: the test host failed: %s\n", e.what());
    return 1;
  }
}
