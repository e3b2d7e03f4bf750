#include "msxml/dom_state.h"
#include "core/utf8.h"

#include <cwctype>

namespace platform::msxml {

bool ParseSelectionNamespaces(const std::wstring& text, Namespaces* out) {
  Namespaces parsed;
  size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < text.size() && std::iswspace(text[i])) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    static const std::wstring kXmlns = L"xmlns";
    if (text.compare(i, kXmlns.size(), kXmlns) != 0) return false;
    i += kXmlns.size();
    std::wstring prefix;
    if (i < text.size() && text[i] == L':') {
      ++i;
      while (i < text.size() && text[i] != L'=' && !std::iswspace(text[i])) prefix += text[i++];
      if (prefix.empty()) return false;
    }
    skipBlanks();
    if (i >= text.size() || text[i] != L'=') return false;
    ++i;
    skipBlanks();
    if (i >= text.size() || (text[i] != L'\'' && text[i] != L'"')) return false;
    const wchar_t quote = text[i++];
    const size_t end = text.find(quote, i);
    if (end == std::wstring::npos) return false;
    const std::wstring uri = text.substr(i, end - i);
    i = end + 1;
    if (i < text.size() && !std::iswspace(text[i])) return false;
    skipBlanks();
    // A default namespace cannot be used by an XPath 1.0 name test; it is accepted and unused.
    if (!prefix.empty()) parsed.emplace_back(text::ToUtf8(prefix), text::ToUtf8(uri));
  }
  *out = std::move(parsed);
  return true;
}

}  // namespace platform::msxml
