// What the platform's own XPS objects offer each other beyond the public interfaces: the
// rasterizer renders from the markup and the resources that the object model keeps.
#ifndef BRIMLOFT_PLATFORM_XPS_XPS_PRIVATE_H
#define BRIMLOFT_PLATFORM_XPS_XPS_PRIVATE_H

#include <xpsobjectmodel.h>

#include <string>

namespace platform::xps {

// Answered only by the platform's page objects.
extern const IID IID_PlatformXpsPage;
// Answered only by the platform's remote dictionary resources.
extern const IID IID_PlatformXpsDictionary;

struct IPlatformXpsPage : public IXpsOMPage {
  // The FixedPage markup exactly as it was parsed.
  virtual const std::string& Markup() const noexcept = 0;
  // The resources the page was made against (not a new reference; may be null).
  virtual IXpsOMPartResources* Resources() const noexcept = 0;

 protected:
  ~IPlatformXpsPage() = default;
};

struct IPlatformXpsDictionary : public IXpsOMRemoteDictionaryResource {
  // The ResourceDictionary markup as it was parsed.
  virtual const std::string& Markup() const noexcept = 0;

 protected:
  ~IPlatformXpsDictionary() = default;
};

}  // namespace platform::xps

#endif
