#include "printticket/TicketSnapshot.h"

#include <comdef.h>

#include <filesystem>

#include "module/filtertypes.h"
#include "module/trace.h"
#include "printticket/TicketSnapshotPath.h"

#include <string>

namespace brimloft {
namespace {

constexpr auto kUnit = TraceUnit::PThandler;

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int chars = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (chars <= 0) BRIMLOFT_THROW(HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
  std::wstring wide(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &wide[0], chars);
  return wide;
}

}  // namespace

void WriteTicketSnapshot(IXMLDOMDocument2* document, const std::string& snapshotPath) {
  const std::string path = snapshotPath.empty() ? GetTicketSnapshotPath() : snapshotPath;
  BRIMLOFT_TRACE(trace::SnapshotSaving, path);
  // The save creates or replaces the file at its name. Anything else there (a link someone
  // planted, a folder) is left alone: a save through a link would overwrite what it points to.
  std::error_code ignored;
  const auto status = std::filesystem::symlink_status(std::filesystem::u8path(path), ignored);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    BRIMLOFT_TRACE(trace::SnapshotPathRefused, path);
    BRIMLOFT_THROW(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
  }
  const _variant_t destination(FromUtf8(path).c_str());
  BRIMLOFT_CHECK(document->save(destination));
  BRIMLOFT_TRACE(trace::SnapshotSaved);
}

}  // namespace brimloft
