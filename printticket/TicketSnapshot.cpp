#include "printticket/TicketSnapshot.h"

#include <comdef.h>

#include <filesystem>

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

void WriteTicketSnapshot(IXMLDOMDocument2* document, const std::string& snapshotPath) {
  const std::string path = snapshotPath.empty() ? GetTicketSnapshotPath() : snapshotPath;
  BRIMLOFT_TRACE(TRACE_DETAIL, PThandler, 13, path);
  // The save creates or replaces the file at its name. Anything else there (a link someone
  // planted, a folder) is left alone: a save through a link would overwrite what it points to.
  std::error_code ignored;
  const auto status = std::filesystem::symlink_status(std::filesystem::u8path(path), ignored);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    BRIMLOFT_TRACE(TRACE_ERROR, PThandler, 19, path);
    throw_hr(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), "PThandler", __LINE__);
  }
  const _variant_t destination(FromUtf8(path).c_str());
  check_hr(document->save(destination), "PThandler", __LINE__);
  BRIMLOFT_TRACE(TRACE_FLOW, PThandler, 14);
}

}  // namespace brimloft
