#include "xps/omconvertor.h"

#include <comutil.h>

#include <vector>

#include "module/filtertypes.h"
#include "xps/StreamCopy.h"

namespace brimloft {
namespace OMConvertor {
namespace {

constexpr auto kUnit = TraceUnit::omconvertor;

// Content types are ASCII: only ASCII letters fold, whatever the locale.
wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool EqualsIgnoringCase(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b)
    if (FoldAscii(*a) != FoldAscii(*b)) return false;
  return *a == *b;
}

// The part as interface T, or null when it does not support it.
template <class T>
ComPtr<T> Query(IUnknown* part, REFIID iid) {
  ComPtr<T> result;
  if (FAILED(part->QueryInterface(iid, result.put_void()))) result.reset();
  return result;
}

}  // namespace

XPS_IMAGE_TYPE ImageTypeOf(const wchar_t* contentType) {
  struct Entry {
    const wchar_t* contentType;
    XPS_IMAGE_TYPE type;
  };
  static const Entry kTable[] = {{L"image/jpeg", XPS_IMAGE_TYPE_JPEG},
                                 {L"image/png", XPS_IMAGE_TYPE_PNG},
                                 {L"image/tiff", XPS_IMAGE_TYPE_TIFF},
                                 {L"image/vnd.ms-photo", XPS_IMAGE_TYPE_WDP}};
  if (contentType != nullptr)
    for (const auto& entry : kTable)
      if (EqualsIgnoringCase(contentType, entry.contentType)) return entry.type;
  BRIMLOFT_THROW(E_INVALIDARG);
}

XPS_FONT_EMBEDDING FontEmbeddingOf(EXpsFontOptions options, EXpsFontRestriction restriction) {
  if (options == Font_Normal) return XPS_FONT_EMBEDDING_NORMAL;
  const int restricting = Xps_Restricted_Font_NoEmbedding | Xps_Restricted_Font_PreviewPrint;
  if (options == Font_Obfusticate && (restriction & restricting) != 0) return XPS_FONT_EMBEDDING_RESTRICTED;
  return XPS_FONT_EMBEDDING_OBFUSCATED;
}

ComPtr<IOpcPartUri> GetPartName(IPartBase* part, IOpcFactory* opc) {
  _bstr_t uri;
  BRIMLOFT_CHECK(part->GetUri(uri.GetAddress()));
  ComPtr<IOpcPartUri> name;
  BRIMLOFT_CHECK(
      opc->CreatePartUri(static_cast<const wchar_t*>(uri) ? static_cast<const wchar_t*>(uri) : L"", name.put()));
  return name;
}

ComPtr<IXpsOMFontResource> MakeFontResource(IPartFont* font, IXpsOMObjectFactory* factory, IOpcFactory* opc) {
  const ComPtr<IStream> stream = GetPartStream(font);
  const ComPtr<IOpcPartUri> name = GetPartName(font, opc);
  _bstr_t contentType;
  EXpsFontOptions options = Font_Normal;
  BRIMLOFT_CHECK(font->GetFontProperties(contentType.GetAddress(), &options));
  EXpsFontRestriction restriction = Xps_Restricted_Font_Installable;
  if (const auto font2 = Query<IPartFont2>(font, IID_IPartFont2))
    BRIMLOFT_CHECK(font2->GetFontRestriction(&restriction));
  ComPtr<IXpsOMFontResource> resource;
  BRIMLOFT_CHECK(factory->CreateFontResource(stream.get(), FontEmbeddingOf(options, restriction), name.get(), FALSE,
                                             resource.put()));
  return resource;
}

ComPtr<IXpsOMImageResource> MakeImageResource(IPartImage* image, IXpsOMObjectFactory* factory, IOpcFactory* opc) {
  const ComPtr<IStream> stream = GetPartStream(image);
  const ComPtr<IOpcPartUri> name = GetPartName(image, opc);
  _bstr_t contentType;
  BRIMLOFT_CHECK(image->GetImageProperties(contentType.GetAddress()));
  ComPtr<IXpsOMImageResource> resource;
  BRIMLOFT_CHECK(factory->CreateImageResource(stream.get(), ImageTypeOf(contentType), name.get(), resource.put()));
  return resource;
}

ComPtr<IXpsOMColorProfileResource> MakeColorProfileResource(IPartColorProfile* profile,
                                                            IXpsOMObjectFactory* factory, IOpcFactory* opc) {
  const ComPtr<IStream> stream = GetPartStream(profile);
  const ComPtr<IOpcPartUri> name = GetPartName(profile, opc);
  ComPtr<IXpsOMColorProfileResource> resource;
  BRIMLOFT_CHECK(factory->CreateColorProfileResource(stream.get(), name.get(), resource.put()));
  return resource;
}

ComPtr<IXpsOMRemoteDictionaryResource> MakeRemoteDictionaryResource(IPartResourceDictionary* dictionary,
                                                                    IXpsOMObjectFactory* factory, IOpcFactory* opc,
                                                                    IXpsOMPartResources* resources) {
  const ComPtr<IStream> stream = GetPartStream(dictionary);
  const ComPtr<IOpcPartUri> name = GetPartName(dictionary, opc);
  ComPtr<IXpsOMRemoteDictionaryResource> resource;
  BRIMLOFT_CHECK(
      factory->CreateRemoteDictionaryResourceFromStream(stream.get(), name.get(), resources, resource.put()));
  return resource;
}

ComPtr<IXpsOMPartResources> BuildPartResources(IFixedPage* page, IXpsOMObjectFactory* factory, IOpcFactory* opc) {
  ComPtr<IXpsOMPartResources> resources;
  BRIMLOFT_CHECK(factory->CreatePartResources(resources.put()));
  ComPtr<IXpsOMFontResourceCollection> fonts;
  ComPtr<IXpsOMImageResourceCollection> images;
  ComPtr<IXpsOMColorProfileResourceCollection> profiles;
  ComPtr<IXpsOMRemoteDictionaryResourceCollection> dictionaries;
  BRIMLOFT_CHECK(resources->GetFontResources(fonts.put()));
  BRIMLOFT_CHECK(resources->GetImageResources(images.put()));
  BRIMLOFT_CHECK(resources->GetColorProfileResources(profiles.put()));
  BRIMLOFT_CHECK(resources->GetRemoteDictionaryResources(dictionaries.put()));

  ComPtr<IXpsPartIterator> parts;
  BRIMLOFT_CHECK(page->GetXpsPartIterator(parts.put()));
  if (!parts) BRIMLOFT_CHECK(E_POINTER);  // success without an iterator
  std::vector<ComPtr<IPartResourceDictionary>> kept;
  for (; !parts->IsDone(); parts->Next()) {
    _bstr_t uri;
    ComPtr<IUnknown> part;
    BRIMLOFT_CHECK(parts->Current(uri.GetAddress(), part.put()));
    if (!part) continue;
    if (const auto font = Query<IPartFont>(part.get(), IID_IPartFont)) {
      BRIMLOFT_CHECK(fonts->Append(MakeFontResource(font.get(), factory, opc).get()));
    } else if (const auto image = Query<IPartImage>(part.get(), IID_IPartImage)) {
      BRIMLOFT_CHECK(images->Append(MakeImageResource(image.get(), factory, opc).get()));
    } else if (const auto profile = Query<IPartColorProfile>(part.get(), IID_IPartColorProfile)) {
      BRIMLOFT_CHECK(profiles->Append(MakeColorProfileResource(profile.get(), factory, opc).get()));
    } else if (auto dictionary = Query<IPartResourceDictionary>(part.get(), IID_IPartResourceDictionary)) {
      kept.push_back(std::move(dictionary));
    }
  }
  for (const auto& dictionary : kept)
    BRIMLOFT_CHECK(
        dictionaries->Append(MakeRemoteDictionaryResource(dictionary.get(), factory, opc, resources.get()).get()));
  return resources;
}

ComPtr<IXpsOMPage> ConvertPage(IFixedPage* page, IXpsOMObjectFactory* factory, IOpcFactory* opc) {
  const ComPtr<IStream> markup = GetPartStream(page);
  const ComPtr<IOpcPartUri> name = GetPartName(page, opc);
  const ComPtr<IXpsOMPartResources> resources = BuildPartResources(page, factory, opc);
  ComPtr<IXpsOMPage> result;
  BRIMLOFT_CHECK(factory->CreatePageFromStream(markup.get(), name.get(), resources.get(), FALSE, result.put()));
  return result;
}

}  // namespace OMConvertor
}  // namespace brimloft
