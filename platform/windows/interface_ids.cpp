// Defines the interface identifiers that the Windows build uses but MinGW's libuuid lacks: those of
// the shared declarations in interfaces/, and the SDK ones its import libraries do not carry.
#include <initguid.h>

#include <windows.h>

#include <filterpipeline.h>
#include <msxml6ids.h>
#include <prcomoem.h>

// MinGW's libuuid carries none of the XPS rasterization service, XPS object model or packaging
// identifiers; defined here as selectany, so ones that a library does carry do not clash.
#include <msopc.h>
#include <wincodec.h>
#include <xpsobjectmodel.h>
#include <xpsrassvc.h>
