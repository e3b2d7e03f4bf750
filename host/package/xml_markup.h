// Safe parsing of package markup with libxml2: no network, no document type declarations (so no
// entities), errors reported by exception instead of on the console. UTF-8 and UTF-16 (with
// byte-order mark or declaration) are both read.
#ifndef BRIMLOFT_HOST_PACKAGE_XML_MARKUP_H
#define BRIMLOFT_HOST_PACKAGE_XML_MARKUP_H

#include "host/host_namespace.h"

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <vector>

namespace brimloft::host {

class XmlMarkup {
 public:
  // Throws HostError (bad package) naming partName and libxml2's message for malformed markup
  // or a document type declaration.
  XmlMarkup(const std::vector<unsigned char>& bytes, const std::string& partName);

  xmlNode* Root() const noexcept { return xmlDocGetRootElement(doc_.get()); }

 private:
  struct Free {
    void operator()(xmlDoc* d) const noexcept { xmlFreeDoc(d); }
  };
  std::unique_ptr<xmlDoc, Free> doc_;
};

// The element's local name.
std::string LocalName(const xmlNode* node);
// The element's namespace URI, empty when none.
std::string NamespaceUri(const xmlNode* node);
// The value of the attribute that has no namespace; empty, with *found false, when absent.
std::string Attribute(const xmlNode* node, const char* name, bool* found = nullptr);
// Child elements in document order.
std::vector<xmlNode*> ChildElements(const xmlNode* node);

}  // namespace brimloft::host

#endif
