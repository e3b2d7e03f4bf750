// The identifiers of the XPS object model, the packaging API and the rasterization service.
// The imaging identifiers are defined by the imaging component: declare them first.
#include <wincodec.h>

#include <initguid.h>

#include <msopc.h>
#include <urlmon.h>
#include <xpsobjectmodel.h>
#include <xpsrassvc.h>

#include "xps/xps_private.h"

namespace platform::xps {
// {6f1c8d3e-2b7a-4e59-9c40-5d8a1e2f7b61}
const IID IID_PlatformXpsPage = {0x6f1c8d3e, 0x2b7a, 0x4e59, {0x9c, 0x40, 0x5d, 0x8a, 0x1e, 0x2f, 0x7b, 0x61}};
// {6f1c8d3f-2b7a-4e59-9c40-5d8a1e2f7b61}
const IID IID_PlatformXpsDictionary = {0x6f1c8d3f, 0x2b7a, 0x4e59, {0x9c, 0x40, 0x5d, 0x8a, 0x1e, 0x2f, 0x7b, 0x61}};
}  // namespace platform::xps
