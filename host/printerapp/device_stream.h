// IPrintWriteStream onto a PAPPL device: the engine's segments go to the printer's connection
// (USB, socket:// or file://).
#ifndef BRIMLOFT_HOST_PRINTERAPP_DEVICE_STREAM_H
#define BRIMLOFT_HOST_PRINTERAPP_DEVICE_STREAM_H

#include <pappl/pappl.h>

#include "host/pipeline/write_stream.h"
#include "module/ComPtr.h"

namespace brimloft::printerapp {

class DeviceStream final : public host::WriteStreamBase {
 public:
  static ComPtr<DeviceStream> Create(pappl_device_t* device);

  // Writes the whole buffer or fails with ERROR_WRITE_FAULT (the reason is kept as LastError);
  // E_HANDLE after Close.
  HRESULT STDMETHODCALLTYPE WriteBytes(const void* pvBuffer, ULONG cbBuffer, ULONG* pcbWritten) override;
  // Flushes the device's buffer; the device itself stays PAPPL's.
  void STDMETHODCALLTYPE Close() override;

 private:
  explicit DeviceStream(pappl_device_t* device) : device_(device) {}
  pappl_device_t* device_;
  bool closed_ = false;
};

}  // namespace brimloft::printerapp

#endif
