// Object-model pages from pipeline pages: the page markup and every font, image, colour profile
// and remote resource dictionary the page references, copied into memory under their part names.
#ifndef BRIMLOFT_XPS_OMCONVERTOR_H
#define BRIMLOFT_XPS_OMCONVERTOR_H

#include <windows.h>
#include <objbase.h>
#include <msopc.h>
#include <xpsobjectmodel.h>

#include <filterpipeline.h>

#include "module/ComPtr.h"

namespace brimloft {
namespace OMConvertor {

// Every function raises hr_error (unit "omconvertor") with the HRESULT of the first failing
// platform call; whatever was built so far is released on the way out.

// The page parsed by the object-model factory against a fresh resource collection.
ComPtr<IXpsOMPage> ConvertPage(IFixedPage* page, IXpsOMObjectFactory* factory, IOpcFactory* opc);

// The page's resources: fonts, images and colour profiles in iterator order, then the remote
// dictionaries in iterator order (so that what they refer to is already there). Parts of any
// other kind are skipped.
ComPtr<IXpsOMPartResources> BuildPartResources(IFixedPage* page, IXpsOMObjectFactory* factory, IOpcFactory* opc);

// The part's URI as a part name.
ComPtr<IOpcPartUri> GetPartName(IPartBase* part, IOpcFactory* opc);

ComPtr<IXpsOMFontResource> MakeFontResource(IPartFont* font, IXpsOMObjectFactory* factory, IOpcFactory* opc);
// Raises E_INVALIDARG for a content type other than JPEG, PNG, TIFF or HD Photo.
ComPtr<IXpsOMImageResource> MakeImageResource(IPartImage* image, IXpsOMObjectFactory* factory, IOpcFactory* opc);
ComPtr<IXpsOMColorProfileResource> MakeColorProfileResource(IPartColorProfile* profile,
                                                            IXpsOMObjectFactory* factory, IOpcFactory* opc);
// resources: the page's collection as built so far, against which the dictionary is parsed.
ComPtr<IXpsOMRemoteDictionaryResource> MakeRemoteDictionaryResource(IPartResourceDictionary* dictionary,
                                                                    IXpsOMObjectFactory* factory, IOpcFactory* opc,
                                                                    IXpsOMPartResources* resources);

// The image type of a content type, compared without regard to case; raises E_INVALIDARG for
// any but "image/jpeg", "image/png", "image/tiff" and "image/vnd.ms-photo".
XPS_IMAGE_TYPE ImageTypeOf(const wchar_t* contentType);

// Normal fonts embed normally; obfuscated fonts are restricted when the restriction flags forbid
// embedding or allow only preview and print; anything else is obfuscated.
XPS_FONT_EMBEDDING FontEmbeddingOf(EXpsFontOptions options, EXpsFontRestriction restriction);

}  // namespace OMConvertor
}  // namespace brimloft

#endif
