#include "host/printerapp/device_stream.h"

namespace brimloft::printerapp {

ComPtr<DeviceStream> DeviceStream::Create(pappl_device_t* device) {
  return ComPtr<DeviceStream>::Attach(new DeviceStream(device));
}

HRESULT DeviceStream::WriteBytes(const void* pvBuffer, ULONG cbBuffer, ULONG* pcbWritten) {
  if (pvBuffer == nullptr && cbBuffer > 0) return E_POINTER;
  if (pcbWritten) *pcbWritten = 0;
  if (closed_) return E_HANDLE;
  if (cbBuffer > 0 && papplDeviceWrite(device_, pvBuffer, cbBuffer) != static_cast<ssize_t>(cbBuffer)) {
    SetError("the printer's connection refused the data");
    return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
  }
  written_ += cbBuffer;
  if (pcbWritten) *pcbWritten = cbBuffer;
  return S_OK;
}

void DeviceStream::Close() {
  ++closes_;
  if (closed_) return;
  closed_ = true;
  papplDeviceFlush(device_);
}

}  // namespace brimloft::printerapp
