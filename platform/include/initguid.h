// Included before headers that use DEFINE_GUID, in exactly one unit, to define their identifiers.
#define INITGUID
#include <guiddef.h>
