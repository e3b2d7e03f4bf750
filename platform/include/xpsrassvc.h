// The XPS rasterization service: renders an object-model page, rectangle by rectangle, into
// imaging bitmaps. Names, identifiers, values and method order are those of the Windows SDK.
#ifndef BRIMLOFT_PLATFORM_XPSRASSVC_H
#define BRIMLOFT_PLATFORM_XPSRASSVC_H

#include <windows.h>
#include <objbase.h>
#include <xpsobjectmodel.h>

#include <wincodec.h>

// Int-sized, as COM passes it: a caller may send a value beyond those listed.
typedef enum : int { XPSRAS_RENDERING_MODE_ANTIALIASED = 0, XPSRAS_RENDERING_MODE_ALIASED = 1 } XPSRAS_RENDERING_MODE;

DEFINE_GUID(IID_IXpsRasterizerNotificationCallback, 0x9ab8fd0d, 0xcb94, 0x49c2, 0x9c, 0xb0, 0x97, 0xec, 0x1d, 0x54, 0x69, 0xd2);
DEFINE_GUID(IID_IXpsRasterizer, 0x7567cfc8, 0xc156, 0x47a8, 0x9d, 0xac, 0x11, 0xa2, 0xae, 0x5b, 0xdd, 0x6b);
DEFINE_GUID(IID_IXpsRasterizationFactory, 0xe094808a, 0x24c6, 0x482b, 0xa3, 0xa7, 0xc2, 0x1a, 0xc9, 0xb5, 0x5f, 0x17);

// Asked while a rectangle renders; any answer other than S_OK stops the rendering.
struct IXpsRasterizerNotificationCallback : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Continue() = 0;

 protected:
  ~IXpsRasterizerNotificationCallback() = default;
};

struct IXpsRasterizer : public IUnknown {
  // Renders the pixels [x, x + width) × [y, y + height) of the page at the rasterizer's
  // resolution into a new 32bppBGRA bitmap (straight alpha, transparent where nothing is drawn).
  // A stop asked by the callback fails with HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED).
  virtual HRESULT STDMETHODCALLTYPE RasterizeRect(INT x, INT y, INT width, INT height,
                                                  IXpsRasterizerNotificationCallback* notificationCallback,
                                                  IWICBitmap** bitmap) = 0;
  // Lines thinner than width pixels are drawn width pixels wide.
  virtual HRESULT STDMETHODCALLTYPE SetMinimalLineWidth(INT width) = 0;

 protected:
  ~IXpsRasterizer() = default;
};

struct IXpsRasterizationFactory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateRasterizer(IXpsOMPage* xpsPage, FLOAT DPI,
                                                     XPSRAS_RENDERING_MODE nonTextRenderingMode,
                                                     XPSRAS_RENDERING_MODE textRenderingMode,
                                                     IXpsRasterizer** ppIXPSRasterizer) = 0;

 protected:
  ~IXpsRasterizationFactory() = default;
};

#endif
