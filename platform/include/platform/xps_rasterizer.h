// Creation of the XPS rasterization service, for hosts that hand it to the filter in the property
// bag ("MS_IXpsRasterizationFactory").
#ifndef BRIMLOFT_PLATFORM_XPS_RASTERIZER_H
#define BRIMLOFT_PLATFORM_XPS_RASTERIZER_H

#include <xpsrassvc.h>

#include <memory>

#include "platform/renderer_messages.h"

namespace platform {

// A new rasterization factory in *factory (null on failure). The factory renders pages made by
// the platform's object-model factory (CLSID_XpsOMObjectFactory) only; CreateRasterizer fails
// with E_INVALIDARG for other page objects. What the renderer says about a page (warnings, errors)
// goes to messages under the page's part name; without a collector it is dropped, never printed.
// Fails with E_POINTER or E_OUTOFMEMORY.
HRESULT CreateXpsRasterizationFactory(IXpsRasterizationFactory** factory,
                                      std::shared_ptr<RendererMessages> messages = nullptr);

}  // namespace platform

#endif
