#include "host/package/content_types.h"

#include "host/failures/host_error.h"
#include "host/package/part_reference.h"
#include "host/package/text.h"
#include "host/package/xml_markup.h"

namespace brimloft::host {

ContentTypes::ContentTypes(const std::vector<unsigned char>& markup) {
  const XmlMarkup xml(markup, "/[Content_Types].xml");
  if (LocalName(xml.Root()) != "Types")
    throw HostError(HrBadPackage(), "/[Content_Types].xml: the root element is not Types");
  for (xmlNode* e : ChildElements(xml.Root())) {
    const std::string kind = LocalName(e);
    if (kind == "Default") {
      defaults_[AsciiLower(Attribute(e, "Extension"))] = Attribute(e, "ContentType");
    } else if (kind == "Override") {
      overrides_[PartNameKey(Attribute(e, "PartName"))] = Attribute(e, "ContentType");
    }
  }
}

std::string ContentTypes::Of(const std::string& partName) const {
  if (const auto it = overrides_.find(PartNameKey(partName)); it != overrides_.end()) return it->second;
  if (const auto it = defaults_.find(AsciiLower(PartExtension(partName))); it != defaults_.end()) return it->second;
  return "";
}

}  // namespace brimloft::host
