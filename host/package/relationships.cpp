#include "host/package/relationships.h"

#include "host/failures/host_error.h"
#include "host/package/part_reference.h"
#include "host/package/xml_markup.h"
#include "host/package/zip_package.h"

namespace brimloft::host {

std::vector<Relationship> ReadRelationships(const ZipPackage& package, const std::string& sourcePart) {
  const std::string relsName = RelationshipsPartName(sourcePart);
  std::vector<Relationship> out;
  if (!package.Contains(relsName)) return out;
  const XmlMarkup xml(package.Read(relsName), relsName);
  if (LocalName(xml.Root()) != "Relationships")
    throw HostError(HrBadPackage(), relsName + ": the root element is not Relationships");
  for (xmlNode* e : ChildElements(xml.Root())) {
    if (LocalName(e) != "Relationship") continue;
    Relationship r;
    r.id = Attribute(e, "Id");
    r.type = Attribute(e, "Type");
    const std::string target = Attribute(e, "Target");
    r.external = Attribute(e, "TargetMode") == "External" || IsExternalReference(target);
    r.target = r.external ? target : ResolvePartReference(sourcePart, target);
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace brimloft::host
