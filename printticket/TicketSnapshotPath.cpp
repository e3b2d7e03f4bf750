#include "printticket/TicketSnapshotPath.h"

#include <windows.h>

#include <systempaths.h>

namespace brimloft {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &result[0], bytes, nullptr, nullptr);
  return result;
}

namespace {

// The temporary folder with its own trailing separator, or none when it can't be determined.
std::string TemporaryFolder() {
  wchar_t folder[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, folder);
  // 0 is failure; a value above the buffer is the size a longer folder would need: no path then.
  if (length == 0 || length >= MAX_PATH) return std::string();
  return ToUtf8(std::wstring(folder, length));
}

}  // namespace

std::string GetTicketSnapshotFolder() {
  std::string folder = TemporaryFolder();
  return folder.empty() ? std::string(kSystemTempFolder) : folder;
}

std::string GetTicketSnapshotPath() {
  const std::string path = TemporaryFolder();
  if (path.empty()) return std::string(kSystemTempFolder) + "brimloft_print_ticket.xml";
  const char separator = path.back();
  return path + separator + "brimloft_print_ticket_.xml";
}

}  // namespace brimloft
