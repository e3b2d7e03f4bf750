// Copies of pipeline streams in seekable memory streams, for the platform calls that need them.
#ifndef BRIMLOFT_XPS_STREAMCOPY_H
#define BRIMLOFT_XPS_STREAMCOPY_H

#include <windows.h>
#include <objbase.h>

#include <filterpipeline.h>

#include "module/ComPtr.h"

namespace brimloft {

// Copies the read stream from its start into a new memory stream over one global block sized
// from the stream's length, positioned at its start. When the stream ends before that length, the
// copy holds exactly what was read. Throws (unit "omconvertor") the stream's failures,
// E_OUTOFMEMORY when the block cannot be allocated, and E_UNEXPECTED when a read reports more
// bytes than were asked for.
ComPtr<IStream> CopyToMemoryStream(IPrintReadStream* stream);

// CopyToMemoryStream of the part's content; the pipeline's read stream is released before
// returning. Throws as CopyToMemoryStream, and GetStream's failure.
ComPtr<IStream> GetPartStream(IPartBase* part);

}  // namespace brimloft

#endif
