// The stand-ins of the Windows test host: what the pipeline hands a filter, rebuilt from a job
// record, and the system services Wine lacks. Each reports differences to the current session.
#ifndef BRIMLOFT_TESTS_WINDOWS_REPLAY_REPLAY_H
#define BRIMLOFT_TESTS_WINDOWS_REPLAY_REPLAY_H

#include <windows.h>
#include <objbase.h>

#include <filterpipeline.h>
#include <wincodec.h>
#include <xpsrassvc.h>

#include <mutex>
#include <stdexcept>
#include <string>

#include "module/ComPtr.h"
#include "platform/com_object.h"
#include "replay/session.h"

namespace brimloft::replay {

std::string HexHr(HRESULT hr);

struct Failure : std::runtime_error {
  Failure(const std::string& what, HRESULT hr) : std::runtime_error(what + " failed with " + HexHr(hr)) {}
};

// Wine's own imaging factory, made once.
ComPtr<IWICImagingFactory> WineImagingFactory();
// Wine's factory with the project's rotator, scaler and black-and-white converter.
HRESULT CreateImagingFactory(REFIID iid, void** out);

// Hands out the recorded strips of the current session, checking each request against the record.
ComPtr<IXpsRasterizationFactory> MakeRasterizationService();

// The current session's parts, one per GetXpsPart, as the Linux build's filter got them.
ComPtr<IXpsDocumentProvider> MakeProvider();
// The current session's property bag entries; the user's security token is the given token.
ComPtr<IPrintPipelinePropertyBag> MakeBag(HANDLE token);
ComPtr<IInterFilterCommunicator> MakeCommunicator(IUnknown* reader, IUnknown* writer);
ComPtr<IPrintPipelineManagerControl> MakeControl();

class OutputStream final : public platform::ComObject<IPrintWriteStream, &IID_IPrintWriteStream> {
 public:
  HRESULT STDMETHODCALLTYPE WriteBytes(const void* buffer, ULONG size, ULONG* written) override;
  void STDMETHODCALLTYPE Close() override;
  jobrecord::Bytes Bytes() const;
  int Closes() const;

 private:
  mutable std::mutex mutex_;
  jobrecord::Bytes bytes_;
  int closes_ = 0;
};

}  // namespace brimloft::replay

#endif
