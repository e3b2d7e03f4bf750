// Reading FixedPage and ResourceDictionary markup: what the object model keeps of a page.
#ifndef BRIMLOFT_PLATFORM_XPS_PAGE_MARKUP_H
#define BRIMLOFT_PLATFORM_XPS_PAGE_MARKUP_H

#include <xpsobjectmodel.h>

#include <string>
#include <vector>

namespace platform::xps {

struct FixedPageHeader {
  XPS_SIZE size{};
  XPS_RECT bleedBox{};    // 0, 0, Width, Height when absent
  XPS_RECT contentBox{};  // 0, 0, Width, Height when absent
  std::vector<std::wstring> dictionarySources;  // Source of each ResourceDictionary, as written
};

// Parses FixedPage markup (XPS or OpenXPS namespace, UTF-8 or UTF-16, no DTD, no network).
// Fails with XPS_E_INVALID_MARKUP when it is not well-formed, has a DTD, its root is not a
// FixedPage or Width or Height is missing; XPS_E_INVALID_FLOAT when Width or Height is not a
// finite number; XPS_E_INVALID_PAGE_SIZE when either is below 1; XPS_E_INVALID_BLEED_BOX or
// XPS_E_INVALID_CONTENT_BOX when that box is not four numbers "x,y,width,height" with a positive
// (bleed) or non-negative (content) width and height; E_OUTOFMEMORY. why says what is wrong in words.
HRESULT ParseFixedPage(const std::string& markup, FixedPageHeader& header, std::string& why);

// S_OK when the markup is a well-formed ResourceDictionary element of XPS or OpenXPS;
// XPS_E_INVALID_MARKUP otherwise, and why in words.
HRESULT CheckResourceDictionary(const std::string& markup, std::string& why);

}  // namespace platform::xps

#endif
