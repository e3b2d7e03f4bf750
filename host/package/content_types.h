// The package's "[Content_Types].xml": Default entries by extension, Override entries by part.
#ifndef BRIMLOFT_HOST_PACKAGE_CONTENT_TYPES_H
#define BRIMLOFT_HOST_PACKAGE_CONTENT_TYPES_H

#include "host/host_namespace.h"

#include <map>
#include <string>
#include <vector>

namespace brimloft::host {

class ContentTypes {
 public:
  ContentTypes() = default;
  // Throws HostError (bad package) for malformed markup or a root other than Types.
  ContentTypes(const std::vector<unsigned char>& markup);

  // The part's content type as written (Override first, then Default by extension, both without
  // regard to case); empty when neither names it.
  std::string Of(const std::string& partName) const;

 private:
  std::map<std::string, std::string> defaults_;   // lower-case extension -> type
  std::map<std::string, std::string> overrides_;  // PartNameKey -> type
};

}  // namespace brimloft::host

#endif
