#include "xps/page_markup.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "xps/xps_text.h"

namespace platform::xps {
namespace {

constexpr const char* kXpsNamespace = "http://schemas.microsoft.com/xps/2005/06";
constexpr const char* kOpenXpsNamespace = "http://schemas.openxps.org/oxps/v1.0";

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

struct ParserInit {
  ParserInit() { xmlInitParser(); }
};

// Entities stay unexpanded and nothing is fetched; errors are reported through the result only.
DocPtr ParseXml(const std::string& markup) {
  static const ParserInit init;
  if (markup.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  return DocPtr(xmlReadMemory(markup.data(), static_cast<int>(markup.size()), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

bool IsXpsElement(const xmlNode* node, const char* localName) {
  if (node == nullptr || node->type != XML_ELEMENT_NODE || node->ns == nullptr) return false;
  const auto* ns = reinterpret_cast<const char*>(node->ns->href);
  return std::strcmp(reinterpret_cast<const char*>(node->name), localName) == 0 &&
         (std::strcmp(ns, kXpsNamespace) == 0 || std::strcmp(ns, kOpenXpsNamespace) == 0);
}

// The root element when the document is well-formed, has no DTD and its root is localName.
xmlNode* CheckedRoot(xmlDoc* doc, const char* localName) {
  if (doc == nullptr || doc->intSubset != nullptr || doc->extSubset != nullptr) return nullptr;
  xmlNode* root = xmlDocGetRootElement(doc);
  return IsXpsElement(root, localName) ? root : nullptr;
}

// The value of an attribute without namespace, or false when it is absent.
bool GetAttribute(xmlNode* node, const char* name, std::string& value) {
  xmlChar* raw = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
  if (raw == nullptr) return false;
  value = reinterpret_cast<const char*>(raw);
  xmlFree(raw);
  return true;
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

void CollectDictionarySources(xmlNode* node, std::vector<std::wstring>& sources) {
  for (xmlNode* child = node; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    std::string source;
    if (IsXpsElement(child, "ResourceDictionary") && GetAttribute(child, "Source", source))
      sources.push_back(FromUtf8(source));
    CollectDictionarySources(child->children, sources);
  }
}

HRESULT ParseHeader(xmlNode* root, FixedPageHeader& header) {
  std::string width, height;
  if (!GetAttribute(root, "Width", width) || !GetAttribute(root, "Height", height)) return XPS_E_INVALID_MARKUP;
  if (!ParseNumber(width, header.size.width) || !ParseNumber(height, header.size.height)) return XPS_E_INVALID_FLOAT;
  if (header.size.width < 1 || header.size.height < 1) return XPS_E_INVALID_PAGE_SIZE;

  const XPS_RECT page{0, 0, header.size.width, header.size.height};
  header.bleedBox = page;
  header.contentBox = page;
  std::string box;
  if (GetAttribute(root, "BleedBox", box) &&
      (!ParseBox(box, header.bleedBox) || !(header.bleedBox.width > 0) || !(header.bleedBox.height > 0)))
    return XPS_E_INVALID_BLEED_BOX;
  if (GetAttribute(root, "ContentBox", box) &&
      (!ParseBox(box, header.contentBox) || header.contentBox.width < 0 || header.contentBox.height < 0))
    return XPS_E_INVALID_CONTENT_BOX;
  CollectDictionarySources(root->children, header.dictionarySources);
  return S_OK;
}

}  // namespace

HRESULT ParseFixedPage(const std::string& markup, FixedPageHeader& header) {
  try {
    const DocPtr doc = ParseXml(markup);
    xmlNode* root = CheckedRoot(doc.get(), "FixedPage");
    if (root == nullptr) return XPS_E_INVALID_MARKUP;
    return ParseHeader(root, header);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CheckResourceDictionary(const std::string& markup) {
  const DocPtr doc = ParseXml(markup);
  return CheckedRoot(doc.get(), "ResourceDictionary") ? S_OK : XPS_E_INVALID_MARKUP;
}

}  // namespace platform::xps
