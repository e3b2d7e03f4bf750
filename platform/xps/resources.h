// The resource objects of the XPS object model and the collections that hold them.
#ifndef BRIMLOFT_PLATFORM_XPS_RESOURCES_H
#define BRIMLOFT_PLATFORM_XPS_RESOURCES_H

#include <xpsobjectmodel.h>

#include <string>

namespace platform::xps {

// Each maker takes its own references to the stream and the name and fails only with
// E_OUTOFMEMORY; the arguments have been checked by the factory.
HRESULT NewFontResource(IStream* stream, XPS_FONT_EMBEDDING embedding, IOpcPartUri* name,
                        IXpsOMFontResource** resource);
HRESULT NewImageResource(IStream* stream, XPS_IMAGE_TYPE type, IOpcPartUri* name, IXpsOMImageResource** resource);
HRESULT NewColorProfileResource(IStream* stream, IOpcPartUri* name, IXpsOMColorProfileResource** resource);
// markup: the dictionary's bytes, already checked to be a ResourceDictionary.
HRESULT NewDictionaryResource(IStream* stream, std::string markup, IOpcPartUri* name,
                              IXpsOMRemoteDictionaryResource** resource);

// Empty part resources with their four collections.
HRESULT NewPartResources(IXpsOMPartResources** resources);

}  // namespace platform::xps

#endif
