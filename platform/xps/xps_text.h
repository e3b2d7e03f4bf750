// Text and stream helpers shared by the XPS object model and the rasterizer.
#ifndef BRIMLOFT_PLATFORM_XPS_XPS_TEXT_H
#define BRIMLOFT_PLATFORM_XPS_XPS_TEXT_H

#include <windows.h>
#include <objbase.h>

#include <string>

#include "core/stream_bytes.h"
#include "core/utf8.h"

namespace platform::xps {

using text::FromUtf8;
using text::ToUtf8;

// A new BSTR copy of text in *out; E_POINTER for a null out, E_OUTOFMEMORY.
HRESULT CopyToBstr(const std::wstring& text, BSTR* out);

// The whole content of a stream from its start, leaving its position where it was.
HRESULT ReadWhole(IStream* stream, std::string& bytes);

}  // namespace platform::xps

#endif
