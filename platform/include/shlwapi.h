// The shell's stream helpers.
#ifndef BRIMLOFT_PLATFORM_SHLWAPI_H
#define BRIMLOFT_PLATFORM_SHLWAPI_H

#include <objbase.h>

extern "C" {
// Writes exactly cb bytes; a short write is E_FAIL.
HRESULT WINAPI IStream_Write(IStream* pstm, const void* pv, ULONG cb);
HRESULT WINAPI IStream_Read(IStream* pstm, void* pv, ULONG cb);
HRESULT WINAPI IStream_Reset(IStream* pstm);
HRESULT WINAPI IStream_Size(IStream* pstm, ULARGE_INTEGER* pui);
}

#endif
