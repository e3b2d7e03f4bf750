// An XPS or OpenXPS package read for printing: the fixed document sequence named by the package's
// start relationship, its fixed documents and fixed pages in markup order, the print ticket of each,
// and the resources that each page requires.
#ifndef BRIMLOFT_HOST_PACKAGE_XPS_PACKAGE_H
#define BRIMLOFT_HOST_PACKAGE_XPS_PACKAGE_H

#include "host/host_namespace.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/package/content_types.h"
#include "host/package/zip_package.h"

namespace brimloft::host {

enum class ResourceKind { Font, ObfuscatedFont, Image, ColorProfile, ResourceDictionary, Other };

struct ResourceEntry {
  std::string name;  // part name as the package spells it
  std::string contentType;
  ResourceKind kind = ResourceKind::Other;
};

struct PageEntry {
  std::string name;
  std::optional<std::string> ticket;
  std::vector<ResourceEntry> resources;  // in relationship order, each part once
};

struct DocumentEntry {
  std::string name;
  std::optional<std::string> ticket;
  std::vector<PageEntry> pages;
};

struct SequenceEntry {
  std::string name;
  std::optional<std::string> ticket;
  std::vector<DocumentEntry> documents;
};

// The resource kind that a content type (any case, parameters allowed) stands for.
ResourceKind KindOfContentType(const std::string& contentType);

class XpsPackage {
 public:
  // Opens and reads the structure. Throws HostError saying what is wrong: no such file, not a
  // ZIP file, truncated, no content types, no start part, malformed markup, a document, page,
  // ticket or required resource that the package lacks, limits exceeded.
  static std::shared_ptr<XpsPackage> Open(const std::string& path, const PackageLimits& limits = {});

  const SequenceEntry& Sequence() const noexcept { return sequence_; }
  const ZipPackage& Zip() const noexcept { return zip_; }
  std::string ContentTypeOf(const std::string& partName) const { return types_.Of(partName); }
  // The part's bytes; throws HostError for a missing or damaged part.
  std::vector<unsigned char> Read(const std::string& partName) const;

  // Gives page `page` of document `document` (both counted from 0) a print ticket of these bytes in
  // place of its own, held in memory under a part name of its own. Throws std::out_of_range for a
  // page the package lacks.
  void SetPageTicket(std::size_t document, std::size_t page, std::string bytes);
  // The same for document `document` and for the sequence (the job's ticket).
  void SetDocumentTicket(std::size_t document, std::string bytes);
  void SetSequenceTicket(std::string bytes);

  std::size_t PageCount() const noexcept;

  // The last failure that a pipeline object met while serving this package (for messages to
  // people, since the interfaces carry only HRESULTs); empty when none.
  void NoteError(const std::string& text) const;
  std::string LastError() const;

 private:
  XpsPackage(const std::string& path, const PackageLimits& limits);
  void LoadSequence();
  DocumentEntry LoadDocument(const std::string& name);
  PageEntry LoadPage(const std::string& name);
  std::optional<std::string> TicketOf(const std::string& partName);
  std::string ExistingPart(const std::string& from, const std::string& name, const char* what) const;
  // Holds bytes as the ticket named `name` below the host's own part names, which no ZIP item can have.
  std::string AddTicket(const std::string& name, std::string bytes);

  ZipPackage zip_;
  std::size_t maxPages_;
  ContentTypes types_;
  SequenceEntry sequence_;
  std::map<std::string, std::vector<unsigned char>> addedParts_;  // tickets the host gave pages
  mutable std::mutex errorMutex_;
  mutable std::string lastError_;
};

}  // namespace brimloft::host

#endif
