// The one-page XPS package that the rasterizer opens: the page markup and every resource of the
// page under its own part name, so that references in the markup resolve as in the original.
#ifndef BRIMLOFT_PLATFORM_XPS_RENDER_PACKAGE_H
#define BRIMLOFT_PLATFORM_XPS_RENDER_PACKAGE_H

#include <string>

#include "xps/xps_private.h"

namespace platform::xps {

// Assembles the package as a stored ZIP: [Content_Types].xml, _rels/.rels, a fixed document
// sequence and a fixed document naming the page, the page and its resources. Fonts are stored
// obfuscated exactly when their name marks them so ("*.odttf"). A resource whose name is taken
// by an earlier part is left out. Fails with the HRESULT of a resource that cannot be read, or
// E_OUTOFMEMORY.
HRESULT BuildRenderPackage(IPlatformXpsPage* page, std::string& archive);

}  // namespace platform::xps

#endif
