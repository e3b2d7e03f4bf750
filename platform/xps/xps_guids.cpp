// The identifiers of the XPS object model, the packaging API and the rasterization service.
#include <initguid.h>

#include <msopc.h>
#include <urlmon.h>
#include <xpsobjectmodel.h>
#include <xpsrassvc.h>
