#include "xps/StreamCopy.h"

#include "module/filtertypes.h"
#include "module/trace.h"

#include <algorithm>

namespace brimloft {

ComPtr<IStream> CopyToMemoryStream(IPrintReadStream* stream) {
  // A pipeline object may answer success and hand out no stream.
  if (stream == nullptr) throw_hr(E_POINTER, "omconvertor", __LINE__);
  ULONGLONG size = 0;
  check_hr(stream->Seek(0, STREAM_SEEK_END, &size), "omconvertor", __LINE__);
  if (size > kMaxPartCopyBytes) {
    BRIMLOFT_TRACE(TRACE_ERROR, omconvertor, 10, double(size), double(kMaxPartCopyBytes));
    throw_hr(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE), "omconvertor", __LINE__);
  }
  check_hr(stream->Seek(0, STREAM_SEEK_SET, nullptr), "omconvertor", __LINE__);

  // A memory stream owns a moveable block: it reallocates the handle in place when it grows.
  SafeHGlobal block(GMEM_MOVEABLE, static_cast<SIZE_T>(size));
  ULONGLONG copied = 0;
  {
    const auto lock = block.Lock();
    auto* bytes = static_cast<BYTE*>(lock->data());
    if (bytes == nullptr && size != 0) throw_hr(E_UNEXPECTED, "omconvertor", __LINE__);
    while (copied < size) {
      const ULONG wanted = static_cast<ULONG>(std::min<ULONGLONG>(size - copied, 0xFFFFFFFFu));
      ULONG read = 0;
      BOOL endOfFile = FALSE;
      check_hr(stream->ReadBytes(bytes + copied, wanted, &read, &endOfFile), "omconvertor", __LINE__);
      // A stream that claims more than it was asked for would have written past the block.
      if (read > wanted) throw_hr(E_UNEXPECTED, "omconvertor", __LINE__);
      copied += read;
      if (endOfFile || read == 0) break;
    }
  }

  auto copy = ComPtr<IStream>::Attach(block.ReleaseIntoStream());
  // A stream that ended early: the copy is as long as what it delivered, never more.
  if (copied < size) {
    ULARGE_INTEGER length;
    length.QuadPart = copied;
    check_hr(copy->SetSize(length), "omconvertor", __LINE__);
  }
  LARGE_INTEGER start;
  start.QuadPart = 0;
  check_hr(copy->Seek(start, STREAM_SEEK_SET, nullptr), "omconvertor", __LINE__);
  return copy;
}

ComPtr<IStream> GetPartStream(IPartBase* part) {
  ComPtr<IPrintReadStream> content;
  check_hr(part->GetStream(content.put()), "omconvertor", __LINE__);
  return CopyToMemoryStream(content.get());
}

}  // namespace brimloft
