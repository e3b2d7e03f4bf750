// Copies of pipeline streams in seekable memory streams, for the platform calls that need them.
#ifndef BRIMLOFT_XPS_STREAMCOPY_H
#define BRIMLOFT_XPS_STREAMCOPY_H

#include <windows.h>
#include <objbase.h>

#include <filterpipeline.h>

#include "module/ComPtr.h"

namespace brimloft {

// The longest part copied into memory: 256 MiB, as long as a package part may be.
constexpr ULONGLONG kMaxPartCopyBytes = 256ull << 20;

// Copies the read stream from its start into a new memory stream over one global block sized
// from the stream's length, positioned at its start. When the stream ends before that length, the
// copy holds exactly what was read. Throws (unit "omconvertor") the stream's failures,
// HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE) for a length beyond kMaxPartCopyBytes (traced with the
// length and the limit), E_OUTOFMEMORY when the block cannot be allocated, E_UNEXPECTED when a
// read reports more bytes than were asked for, and E_POINTER for a null stream.
ComPtr<IStream> CopyToMemoryStream(IPrintReadStream* stream);

// CopyToMemoryStream of the part's content; the pipeline's read stream is released before
// returning. Throws as CopyToMemoryStream, and GetStream's failure.
ComPtr<IStream> GetPartStream(IPartBase* part);

}  // namespace brimloft

#endif
