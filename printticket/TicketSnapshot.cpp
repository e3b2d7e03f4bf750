#include "printticket/TicketSnapshot.h"

#include <comdef.h>

#include "module/filtertypes.h"
#include "module/trace.h"
#include "printticket/TicketSnapshotPath.h"

#include <string>

namespace brimloft {
namespace {

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int chars = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (chars <= 0) throw_hr(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION), "PThandler", __LINE__);
  std::wstring wide(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &wide[0], chars);
  return wide;
}

}  // namespace

void WriteTicketSnapshot(IXMLDOMDocument2* document) {
  const std::string path = GetTicketSnapshotPath();
  BRIMLOFT_TRACE(TRACE_DETAIL, PThandler, 13, path);
  const _variant_t destination(FromUtf8(path).c_str());
  check_hr(document->save(destination), "PThandler", __LINE__);
  BRIMLOFT_TRACE(TRACE_FLOW, PThandler, 14);
}

}  // namespace brimloft
