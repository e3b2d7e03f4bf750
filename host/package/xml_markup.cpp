#include "host/package/xml_markup.h"

#include <libxml/parser.h>

#include <climits>

#include "host/failures/host_error.h"

namespace brimloft::host {
namespace {

struct ParserContext {
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  ~ParserContext() {
    if (ctxt) xmlFreeParserCtxt(ctxt);
  }
};

}  // namespace

XmlMarkup::XmlMarkup(const std::vector<unsigned char>& bytes, const std::string& partName) {
  if (bytes.size() > INT_MAX) throw HostError(HrTooLarge(), "markup of " + partName + " is too large");
  ParserContext parser;
  if (parser.ctxt == nullptr) throw std::bad_alloc();
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  doc_.reset(xmlCtxtReadMemory(parser.ctxt, reinterpret_cast<const char*>(bytes.data()),
                               static_cast<int>(bytes.size()), nullptr, nullptr, options));
  if (!doc_) {
    std::string message = "malformed markup";
    if (const xmlError* e = xmlCtxtGetLastError(parser.ctxt); e && e->message) {
      message = e->message;
      while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
      message += " (line " + std::to_string(e->line) + ")";
    }
    throw HostError(HrBadPackage(), partName + ": " + message);
  }
  if (doc_->intSubset != nullptr || doc_->extSubset != nullptr)
    throw HostError(HrBadPackage(), partName + ": document type declarations are not allowed");
  if (Root() == nullptr) throw HostError(HrBadPackage(), partName + ": no root element");
}

std::string LocalName(const xmlNode* node) {
  return node && node->name ? reinterpret_cast<const char*>(node->name) : "";
}

std::string NamespaceUri(const xmlNode* node) {
  return node && node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}

std::string Attribute(const xmlNode* node, const char* name, bool* found) {
  for (const xmlAttr* a = node->properties; a; a = a->next) {
    if (a->ns != nullptr || xmlStrcmp(a->name, BAD_CAST name) != 0) continue;
    xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
    std::string out = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    if (found) *found = true;
    return out;
  }
  if (found) *found = false;
  return "";
}

std::vector<xmlNode*> ChildElements(const xmlNode* node) {
  std::vector<xmlNode*> out;
  for (xmlNode* c = node->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) out.push_back(c);
  return out;
}

}  // namespace brimloft::host
