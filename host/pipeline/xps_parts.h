// The pipeline's XPS part objects over an XpsPackage: fixed document sequence, fixed documents,
// fixed pages with their print tickets and required resources (fonts, images, colour profiles,
// resource dictionaries). Every object keeps the package alive.
#ifndef BRIMLOFT_HOST_PIPELINE_XPS_PARTS_H
#define BRIMLOFT_HOST_PIPELINE_XPS_PARTS_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <memory>

#include "host/package/xps_package.h"
#include "module/ComPtr.h"

#ifndef ERROR_NO_MORE_ITEMS
#define ERROR_NO_MORE_ITEMS 259L
#endif

namespace brimloft::host {

// Each answers its interface (IFixedDocumentSequence, IFixedDocument, IFixedPage) and IUnknown.
brimloft::ComPtr<IUnknown> MakeSequencePart(std::shared_ptr<const XpsPackage> package);
brimloft::ComPtr<IUnknown> MakeDocumentPart(std::shared_ptr<const XpsPackage> package, const DocumentEntry& doc);
brimloft::ComPtr<IUnknown> MakePagePart(std::shared_ptr<const XpsPackage> package, const PageEntry& page);

// A required resource as its part object: fonts answer IPartFont and IPartFont2 (an obfuscated
// font's stream yields the plain font), images IPartImage, colour profiles IPartColorProfile,
// dictionaries IPartResourceDictionary; any other kind only IPartBase.
brimloft::ComPtr<IUnknown> MakeResourcePart(std::shared_ptr<const XpsPackage> package, const ResourceEntry& entry);

// An IPartPrintTicket over the named part.
brimloft::ComPtr<IPartPrintTicket> MakeTicketPart(std::shared_ptr<const XpsPackage> package, const std::string& name);

}  // namespace brimloft::host

#endif
