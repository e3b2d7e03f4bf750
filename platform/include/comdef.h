// The compiler's COM support: the wrappers of <comutil.h>.
#ifndef BRIMLOFT_PLATFORM_COMDEF_H
#define BRIMLOFT_PLATFORM_COMDEF_H
#include <comutil.h>
#endif
