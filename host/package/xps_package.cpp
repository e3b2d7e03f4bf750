#include "host/package/xps_package.h"

#include <set>

#include "host/failures/host_error.h"
#include "host/package/part_reference.h"
#include "host/package/relationships.h"
#include "host/package/text.h"
#include "host/package/xml_markup.h"

namespace brimloft::host {
namespace {

// XPS 1.0 and OpenXPS spell the same relationships and elements in their own namespaces.
const char* const kRelBases[] = {"http://schemas.microsoft.com/xps/2005/06/", "http://schemas.openxps.org/oxps/v1.0/"};
const char* const kMarkupNamespaces[] = {"http://schemas.microsoft.com/xps/2005/06",
                                         "http://schemas.openxps.org/oxps/v1.0"};

bool IsRelType(const std::string& type, const char* leaf) {
  for (const char* base : kRelBases)
    if (type == std::string(base) + leaf) return true;
  return false;
}

bool IsXpsElement(const xmlNode* e, const char* localName) {
  if (LocalName(e) != localName) return false;
  const std::string ns = NamespaceUri(e);
  for (const char* known : kMarkupNamespaces)
    if (ns == known) return true;
  return false;
}

}  // namespace

ResourceKind KindOfContentType(const std::string& contentType) {
  std::string type = AsciiLower(contentType.substr(0, contentType.find(';')));
  while (!type.empty() && type.back() == ' ') type.pop_back();
  if (type == "application/vnd.ms-package.obfuscated-opentype") return ResourceKind::ObfuscatedFont;
  if (type.find("opentype") != std::string::npos || type.find("font") != std::string::npos ||
      type.rfind("font/", 0) == 0)
    return ResourceKind::Font;
  if (type.rfind("image/", 0) == 0) return ResourceKind::Image;
  if (type == "application/vnd.ms-color.iccprofile") return ResourceKind::ColorProfile;
  if (type == "application/vnd.ms-package.xps-resourcedictionary+xml") return ResourceKind::ResourceDictionary;
  return ResourceKind::Other;
}

std::shared_ptr<XpsPackage> XpsPackage::Open(const std::string& path, const PackageLimits& limits) {
  return std::shared_ptr<XpsPackage>(new XpsPackage(path, limits));
}

XpsPackage::XpsPackage(const std::string& path, const PackageLimits& limits)
    : zip_(path, limits), maxPages_(limits.maxPages) {
  if (!zip_.Contains("/[Content_Types].xml"))
    throw HostError(HrBadPackage(), path + ": not an XPS package (no [Content_Types].xml)");
  types_ = ContentTypes(zip_.Read("/[Content_Types].xml"));
  LoadSequence();
}

std::size_t XpsPackage::PageCount() const noexcept {
  std::size_t n = 0;
  for (const DocumentEntry& d : sequence_.documents) n += d.pages.size();
  return n;
}

void XpsPackage::NoteError(const std::string& text) const {
  std::lock_guard<std::mutex> lock(errorMutex_);
  lastError_ = text;
}

std::string XpsPackage::LastError() const {
  std::lock_guard<std::mutex> lock(errorMutex_);
  return lastError_;
}

std::string XpsPackage::ExistingPart(const std::string& from, const std::string& name, const char* what) const {
  if (!zip_.Contains(name))
    throw HostError(HrMissingPart(), from + " names the " + std::string(what) + " " + name + ", which the package lacks");
  return zip_.CanonicalName(name);
}

std::vector<unsigned char> XpsPackage::Read(const std::string& partName) const {
  const auto added = addedParts_.find(partName);
  if (added != addedParts_.end()) return added->second;
  return zip_.Read(partName);
}

std::string XpsPackage::AddTicket(const std::string& name, std::string bytes) {
  // A name no ZIP item can have ("*" is not allowed in part names), so it never hides a real part.
  const std::string part = "/*host*/tickets/" + name + ".xml";
  addedParts_[part].assign(bytes.begin(), bytes.end());
  return part;
}

void XpsPackage::SetPageTicket(std::size_t document, std::size_t page, std::string bytes) {
  PageEntry& entry = sequence_.documents.at(document).pages.at(page);
  entry.ticket = AddTicket(std::to_string(document) + "_" + std::to_string(page), std::move(bytes));
}

void XpsPackage::SetDocumentTicket(std::size_t document, std::string bytes) {
  DocumentEntry& entry = sequence_.documents.at(document);
  entry.ticket = AddTicket(std::to_string(document), std::move(bytes));
}

void XpsPackage::SetSequenceTicket(std::string bytes) { sequence_.ticket = AddTicket("job", std::move(bytes)); }

std::optional<std::string> XpsPackage::TicketOf(const std::string& partName) {
  for (const Relationship& r : ReadRelationships(zip_, partName))
    if (!r.external && IsRelType(r.type, "printticket")) return ExistingPart(partName, r.target, "print ticket");
  return std::nullopt;
}

void XpsPackage::LoadSequence() {
  std::string start;
  for (const Relationship& r : ReadRelationships(zip_, "/"))
    if (!r.external && IsRelType(r.type, "fixedrepresentation")) {
      start = r.target;
      break;
    }
  if (start.empty()) throw HostError(HrBadPackage(), "not an XPS package (no fixed document sequence is named)");
  sequence_.name = ExistingPart("the package", start, "fixed document sequence");
  sequence_.ticket = TicketOf(sequence_.name);

  const XmlMarkup xml(zip_.Read(sequence_.name), sequence_.name);
  if (!IsXpsElement(xml.Root(), "FixedDocumentSequence"))
    throw HostError(HrBadPackage(), sequence_.name + ": the root element is not an XPS FixedDocumentSequence");
  for (xmlNode* e : ChildElements(xml.Root())) {
    if (!IsXpsElement(e, "DocumentReference")) continue;
    const std::string source = ResolvePartReference(sequence_.name, Attribute(e, "Source"));
    sequence_.documents.push_back(LoadDocument(ExistingPart(sequence_.name, source, "fixed document")));
  }
}

DocumentEntry XpsPackage::LoadDocument(const std::string& name) {
  DocumentEntry doc{name, TicketOf(name), {}};
  const XmlMarkup xml(zip_.Read(name), name);
  if (!IsXpsElement(xml.Root(), "FixedDocument"))
    throw HostError(HrBadPackage(), name + ": the root element is not an XPS FixedDocument");
  const std::size_t pagesBefore = PageCount();
  for (xmlNode* e : ChildElements(xml.Root())) {
    if (!IsXpsElement(e, "PageContent")) continue;
    if (pagesBefore + doc.pages.size() >= maxPages_)
      throw HostError(HrTooLarge(), name + ": the job has more than " + std::to_string(maxPages_) +
                                          " pages, the most a job may have");
    const std::string source = ResolvePartReference(name, Attribute(e, "Source"));
    doc.pages.push_back(LoadPage(ExistingPart(name, source, "fixed page")));
  }
  return doc;
}

PageEntry XpsPackage::LoadPage(const std::string& name) {
  PageEntry page{name, std::nullopt, {}};
  std::set<std::string> seen;
  for (const Relationship& r : ReadRelationships(zip_, name)) {
    if (r.external) continue;
    if (IsRelType(r.type, "printticket") && !page.ticket) {
      page.ticket = ExistingPart(name, r.target, "print ticket");
    } else if (IsRelType(r.type, "required-resource") || IsRelType(r.type, "restricted-font")) {
      const std::string part = ExistingPart(name, r.target, "required resource");
      if (!seen.insert(PartNameKey(part)).second) continue;
      const std::string type = types_.Of(part);
      page.resources.push_back({part, type, KindOfContentType(type)});
    }
  }
  return page;
}

}  // namespace brimloft::host
