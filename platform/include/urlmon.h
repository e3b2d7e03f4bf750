// IUri: the parsed URI that the packaging API's part names build on. Only the queries this code
// base uses are declared, in their Windows order.
#ifndef BRIMLOFT_PLATFORM_URLMON_H
#define BRIMLOFT_PLATFORM_URLMON_H

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

DEFINE_GUID(IID_IUri, 0xa39ee748, 0x6a27, 0x4817, 0xa6, 0xf2, 0x13, 0x91, 0x4b, 0xef, 0x58, 0x90);

struct IUri : public IUnknown {
  // The extension of the last segment including its dot ("" when there is none).
  virtual HRESULT STDMETHODCALLTYPE GetExtension(BSTR* pbstrExtension) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPath(BSTR* pbstrPath) = 0;
  // The URI as it was given when it was created.
  virtual HRESULT STDMETHODCALLTYPE GetRawUri(BSTR* pbstrRawUri) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsEqual(IUri* pUri, BOOL* pfEqual) = 0;

 protected:
  ~IUri() = default;
};

#endif
