// Defines the imaging component's interface, class and pixel-format identifiers, once for the process.
#include <initguid.h>
#include <wincodec.h>
