// Reading a stream's bytes whole, for the substitutes that parse what a caller hands them.
#ifndef BRIMLOFT_PLATFORM_CORE_STREAM_BYTES_H
#define BRIMLOFT_PLATFORM_CORE_STREAM_BYTES_H

#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Appends what the stream holds from its current position to its end (a read of nothing, or
// S_FALSE, ends it), or stops with S_OK once bytes holds more than limit, which the caller then
// refuses by its size. Fails with the stream's failure, E_UNEXPECTED when the stream claims more
// bytes than were asked for, or E_OUTOFMEMORY.
HRESULT ReadToEnd(ISequentialStream* stream, std::string& bytes, std::size_t limit = SIZE_MAX);

// The same for a stream that can tell its size: room for the rest is made first, so that a part of
// megabytes goes into one block instead of ever larger copies.
HRESULT ReadToEnd(IStream* stream, std::string& bytes, std::size_t limit = SIZE_MAX);

}  // namespace platform

#endif
