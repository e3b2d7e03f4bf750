// The object-model page: its header values, its markup and the resources it was made against.
#ifndef BRIMLOFT_PLATFORM_XPS_PAGE_H
#define BRIMLOFT_PLATFORM_XPS_PAGE_H

#include <xpsobjectmodel.h>

#include <string>

#include "xps/page_markup.h"

namespace platform::xps {

// A new page holding its own references to the name and the resources; E_OUTOFMEMORY only.
HRESULT NewPage(std::string markup, const FixedPageHeader& header, IOpcPartUri* name,
                IXpsOMPartResources* resources, IXpsOMPage** page);

}  // namespace platform::xps

#endif
