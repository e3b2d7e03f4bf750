// The Print Ticket API as the filter module calls it, defined in the recording program so that the
// module binds to these (the program exports them), each passing the call on to the platform's
// own and writing down what it was handed and what it answered.
#include <dlfcn.h>
#include <prntvpt.h>

#include <stdexcept>
#include <string>

#include "host/package/text.h"
#include "recorder/recording_objects.h"

namespace brimloft::recorder {
namespace {

jobrecord::Job* g_job = nullptr;

template <class Fn>
Fn Next(const char* name) {
  void* symbol = dlsym(RTLD_NEXT, name);
  if (symbol == nullptr) throw std::runtime_error(std::string("the platform lacks ") + name);
  return reinterpret_cast<Fn>(symbol);
}

void Append(jobrecord::TicketCall call) {
  if (g_job != nullptr) g_job->ticketCalls.push_back(std::move(call));
}

std::string Printer(PCWSTR name) { return name != nullptr ? host::Narrow(name) : std::string(); }

// The bytes from the stream's position to its end; the position is left where it was.
jobrecord::Bytes Remaining(IStream* stream) {
  jobrecord::Bytes bytes;
  if (stream == nullptr) return bytes;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  ULARGE_INTEGER start;
  if (FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &start))) throw std::runtime_error("a ticket stream cannot seek");
  unsigned char buffer[65536];
  for (ULONG read = 0; SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read != 0;)
    bytes.insert(bytes.end(), buffer, buffer + read);
  LARGE_INTEGER back;
  back.QuadPart = static_cast<LONGLONG>(start.QuadPart);
  stream->Seek(back, STREAM_SEEK_SET, nullptr);
  return bytes;
}

ULARGE_INTEGER Position(IStream* stream) {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  ULARGE_INTEGER at;
  at.QuadPart = 0;
  if (stream != nullptr) stream->Seek(zero, STREAM_SEEK_CUR, &at);
  return at;
}

void SeekTo(IStream* stream, ULARGE_INTEGER at) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(at.QuadPart);
  if (stream != nullptr) stream->Seek(to, STREAM_SEEK_SET, nullptr);
}

}  // namespace

void RecordTicketCallsInto(jobrecord::Job* job) { g_job = job; }

}  // namespace brimloft::recorder

using namespace brimloft::recorder;

extern "C" {

HRESULT WINAPI PTQuerySchemaVersionSupport(PCWSTR printer, DWORD* maxVersion) {
  const HRESULT hr = Next<decltype(&PTQuerySchemaVersionSupport)>("PTQuerySchemaVersionSupport")(printer, maxVersion);
  brimloft::jobrecord::TicketCall call;
  call.op = brimloft::jobrecord::TicketOp::QuerySchemaVersion;
  call.hr = static_cast<std::uint32_t>(hr);
  call.printer = Printer(printer);
  call.answeredVersion = SUCCEEDED(hr) && maxVersion ? *maxVersion : 0;
  Append(std::move(call));
  return hr;
}

HRESULT WINAPI PTOpenProviderEx(PCWSTR printer, DWORD maxVersion, DWORD preferredVersion, HPTPROVIDER* provider,
                                DWORD* usedVersion) {
  const HRESULT hr = Next<decltype(&PTOpenProviderEx)>("PTOpenProviderEx")(printer, maxVersion, preferredVersion,
                                                                         provider, usedVersion);
  brimloft::jobrecord::TicketCall call;
  call.op = brimloft::jobrecord::TicketOp::OpenProvider;
  call.hr = static_cast<std::uint32_t>(hr);
  call.printer = Printer(printer);
  call.maxVersion = maxVersion;
  call.preferredVersion = preferredVersion;
  call.answeredVersion = SUCCEEDED(hr) && usedVersion ? *usedVersion : 0;
  Append(std::move(call));
  return hr;
}

HRESULT WINAPI PTCloseProvider(HPTPROVIDER provider) {
  const HRESULT hr = Next<decltype(&PTCloseProvider)>("PTCloseProvider")(provider);
  brimloft::jobrecord::TicketCall call;
  call.op = brimloft::jobrecord::TicketOp::CloseProvider;
  call.hr = static_cast<std::uint32_t>(hr);
  Append(std::move(call));
  return hr;
}

HRESULT WINAPI PTMergeAndValidatePrintTicket(HPTPROVIDER provider, IStream* base, IStream* delta,
                                             EPrintTicketScope scope, IStream* result, BSTR* message) {
  brimloft::jobrecord::TicketCall call;
  call.op = brimloft::jobrecord::TicketOp::Merge;
  call.scope = static_cast<std::uint32_t>(scope);
  call.base = Remaining(base);
  call.delta = Remaining(delta);
  const ULARGE_INTEGER start = Position(result);
  const HRESULT hr = Next<decltype(&PTMergeAndValidatePrintTicket)>("PTMergeAndValidatePrintTicket")(
      provider, base, delta, scope, result, message);
  call.hr = static_cast<std::uint32_t>(hr);
  const ULARGE_INTEGER end = Position(result);
  SeekTo(result, start);
  call.result = Remaining(result);
  SeekTo(result, end);
  Append(std::move(call));
  return hr;
}

}  // extern "C"
