// Creation of the XPS rasterization service, for hosts that hand it to the filter in the property
// bag ("MS_IXpsRasterizationFactory").
#ifndef BRIMLOFT_PLATFORM_XPS_RASTERIZER_H
#define BRIMLOFT_PLATFORM_XPS_RASTERIZER_H

#include <xpsrassvc.h>

namespace platform {

// A new rasterization factory in *factory (null on failure). The factory renders pages made by
// the platform's object-model factory (CLSID_XpsOMObjectFactory) only; CreateRasterizer fails
// with E_INVALIDARG for other page objects. Fails with E_POINTER or E_OUTOFMEMORY.
HRESULT CreateXpsRasterizationFactory(IXpsRasterizationFactory** factory);

}  // namespace platform

#endif
