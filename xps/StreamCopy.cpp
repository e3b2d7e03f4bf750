#include "xps/StreamCopy.h"

#include "module/filtertypes.h"
#include "module/trace.h"

#include <algorithm>

namespace brimloft {
namespace {
constexpr auto kUnit = TraceUnit::omconvertor;
}  // namespace

ComPtr<IStream> CopyToMemoryStream(IPrintReadStream* stream) {
  // A pipeline object may answer success and hand out no stream.
  if (stream == nullptr) BRIMLOFT_THROW(E_POINTER);
  ULONGLONG size = 0;
  BRIMLOFT_CHECK(stream->Seek(0, STREAM_SEEK_END, &size));
  if (size > kMaxPartCopyBytes) {
    BRIMLOFT_TRACE(trace::PartTooLargeToCopy, double(size), double(kMaxPartCopyBytes));
    BRIMLOFT_THROW(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
  }
  BRIMLOFT_CHECK(stream->Seek(0, STREAM_SEEK_SET, nullptr));

  // A memory stream owns a moveable block: it reallocates the handle in place when it grows.
  SafeHGlobal block(GMEM_MOVEABLE, static_cast<SIZE_T>(size));
  ULONGLONG copied = 0;
  {
    const auto lock = block.Lock();
    auto* bytes = static_cast<BYTE*>(lock->data());
    if (bytes == nullptr && size != 0) BRIMLOFT_THROW(E_UNEXPECTED);
    while (copied < size) {
      const ULONG wanted = static_cast<ULONG>(std::min<ULONGLONG>(size - copied, 0xFFFFFFFFu));
      ULONG read = 0;
      BOOL endOfFile = FALSE;
      BRIMLOFT_CHECK(stream->ReadBytes(bytes + copied, wanted, &read, &endOfFile));
      // A stream that claims more than it was asked for would have written past the block.
      if (read > wanted) BRIMLOFT_THROW(E_UNEXPECTED);
      copied += read;
      if (endOfFile || read == 0) break;
    }
  }

  auto copy = ComPtr<IStream>::Attach(block.ReleaseIntoStream());
  // A stream that ended early: the copy is as long as what it delivered, never more.
  if (copied < size) {
    ULARGE_INTEGER length;
    length.QuadPart = copied;
    BRIMLOFT_CHECK(copy->SetSize(length));
  }
  LARGE_INTEGER start;
  start.QuadPart = 0;
  BRIMLOFT_CHECK(copy->Seek(start, STREAM_SEEK_SET, nullptr));
  return copy;
}

ComPtr<IStream> GetPartStream(IPartBase* part) {
  ComPtr<IPrintReadStream> content;
  BRIMLOFT_CHECK(part->GetStream(content.put()));
  return CopyToMemoryStream(content.get());
}

}  // namespace brimloft
