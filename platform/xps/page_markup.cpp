#include "xps/page_markup.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "xps/xml_sax.h"
#include "xps/xps_text.h"

namespace platform::xps {
namespace {

constexpr const char* kXpsNamespace = "http://schemas.microsoft.com/xps/2005/06";
constexpr const char* kOpenXpsNamespace = "http://schemas.openxps.org/oxps/v1.0";

// What one pass over the markup keeps: the root element, its attributes without namespace and the
// Source of every ResourceDictionary. No tree is built: a page's markup runs to megabytes of paths
// that only the renderer reads.
struct Scan : SaxPass {
  bool rootSeen = false;
  bool rootIsXps = false;
  std::string rootName;
  std::vector<std::pair<std::string, std::string>> rootAttributes;
  std::vector<std::wstring> dictionarySources;
};

bool IsXpsNamespace(const xmlChar* uri) {
  const auto* ns = reinterpret_cast<const char*>(uri);
  return ns != nullptr && (std::strcmp(ns, kXpsNamespace) == 0 || std::strcmp(ns, kOpenXpsNamespace) == 0);
}

// attributes: localname, prefix, URI, value, end for each of count attributes.
void KeepElement(Scan& scan, const xmlChar* localName, const xmlChar* uri, int count, const xmlChar** attributes) {
  const bool xps = IsXpsNamespace(uri);
  const auto* name = reinterpret_cast<const char*>(localName);
  const bool root = !scan.rootSeen;
  const bool dictionary = xps && std::strcmp(name, "ResourceDictionary") == 0;
  if (root) {
    scan.rootSeen = true;
    scan.rootIsXps = xps;
    scan.rootName = name;
  }
  if (!root && !dictionary) return;
  for (int i = 0; i < count; ++i, attributes += 5) {
    if (attributes[2] != nullptr) continue;  // only attributes without namespace count
    std::string value = AttributeValue(scan.parser, attributes[3], attributes[4]);
    if (dictionary && std::strcmp(reinterpret_cast<const char*>(attributes[0]), "Source") == 0)
      scan.dictionarySources.push_back(FromUtf8(value));
    if (root) scan.rootAttributes.emplace_back(reinterpret_cast<const char*>(attributes[0]), std::move(value));
  }
}

void OnStartElement(void* context, const xmlChar* localName, const xmlChar*, const xmlChar* uri, int, const xmlChar**,
                    int count, int, const xmlChar** attributes) noexcept {
  auto& scan = *static_cast<Scan*>(context);
  GuardCallback(scan, [&] { KeepElement(scan, localName, uri, count, attributes); });
}

// True when the markup is well-formed, has no DTD and its root element is localName of XPS or
// OpenXPS; otherwise why says which. Throws std::bad_alloc.
bool ScanXml(const std::string& markup, const char* localName, Scan& scan, std::string& why) {
  if (markup.empty()) {
    why = "the part is empty";
    return false;
  }
  xmlSAXHandler handler{};
  handler.startElementNs = OnStartElement;
  if (!RunSaxPass(markup, handler, scan)) {
    why = "the markup is not well-formed XML: " + scan.error;
    return false;
  }
  if (scan.rootIsXps && scan.rootName == localName) return true;
  why = "the root element is " + scan.rootName + (scan.rootIsXps ? "" : " outside the XPS namespaces") +
        ", not " + localName;
  return false;
}

// The value of a root attribute without namespace, or false when it is absent.
bool GetAttribute(const Scan& scan, const char* name, std::string& value) {
  for (const auto& [key, text] : scan.rootAttributes)
    if (key == name) {
      value = text;
      return true;
    }
  return false;
}

std::string Trim(const std::string& s) {
  const char* ws = " \t\r\n";
  const size_t first = s.find_first_not_of(ws);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(ws) - first + 1);
}

// An XML Schema double with an optional leading "+", finite and within float range.
bool ParseNumber(const std::string& text, float& value) {
  std::string s = Trim(text);
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '-' || s[0] == '.')) return false;
  double d = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(d)) return false;
  value = static_cast<float>(d);
  return std::isfinite(value);
}

bool ParseBox(const std::string& text, XPS_RECT& box) {
  float v[4];
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',', start);
    if ((i < 3) == (comma == std::string::npos)) return false;
    const size_t end = i < 3 ? comma : text.size();
    if (!ParseNumber(text.substr(start, end - start), v[i])) return false;
    start = end + 1;
  }
  box = XPS_RECT{v[0], v[1], v[2], v[3]};
  return true;
}

HRESULT ParseHeader(Scan& scan, FixedPageHeader& header, std::string& why) {
  std::string width, height;
  for (const auto& [name, value] : {std::pair<const char*, std::string*>{"Width", &width}, {"Height", &height}})
    if (!GetAttribute(scan, name, *value)) {
      why = std::string("the FixedPage has no ") + name;
      return XPS_E_INVALID_MARKUP;
    }
  if (!ParseNumber(width, header.size.width) || !ParseNumber(height, header.size.height)) {
    why = "the FixedPage's Width \"" + width + "\" or Height \"" + height + "\" is not a number";
    return XPS_E_INVALID_FLOAT;
  }
  if (header.size.width < 1 || header.size.height < 1) {
    why = "the FixedPage is " + width + " x " + height + ", smaller than 1 x 1";
    return XPS_E_INVALID_PAGE_SIZE;
  }

  const XPS_RECT page{0, 0, header.size.width, header.size.height};
  header.bleedBox = page;
  header.contentBox = page;
  std::string box;
  if (GetAttribute(scan, "BleedBox", box) &&
      (!ParseBox(box, header.bleedBox) || !(header.bleedBox.width > 0) || !(header.bleedBox.height > 0))) {
    why = "the BleedBox \"" + box + "\" is not x,y,width,height with a width and height above 0";
    return XPS_E_INVALID_BLEED_BOX;
  }
  if (GetAttribute(scan, "ContentBox", box) &&
      (!ParseBox(box, header.contentBox) || header.contentBox.width < 0 || header.contentBox.height < 0)) {
    why = "the ContentBox \"" + box + "\" is not x,y,width,height with a width and height of 0 or more";
    return XPS_E_INVALID_CONTENT_BOX;
  }
  header.dictionarySources = std::move(scan.dictionarySources);
  return S_OK;
}

}  // namespace

HRESULT ParseFixedPage(const std::string& markup, FixedPageHeader& header, std::string& why) {
  try {
    Scan scan;
    if (!ScanXml(markup, "FixedPage", scan, why)) return XPS_E_INVALID_MARKUP;
    return ParseHeader(scan, header, why);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CheckResourceDictionary(const std::string& markup, std::string& why) {
  try {
    Scan scan;
    return ScanXml(markup, "ResourceDictionary", scan, why) ? S_OK : XPS_E_INVALID_MARKUP;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace platform::xps
