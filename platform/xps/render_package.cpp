#include "xps/render_package.h"

#include <new>
#include <set>
#include <vector>

#include <platform/com_ref.h>

#include "xps/font_obfuscation.h"
#include "xps/part_name.h"
#include "xps/stored_zip.h"
#include "xps/xps_text.h"

namespace platform::xps {
namespace {

constexpr const char* kFixedRepresentation = "http://schemas.microsoft.com/xps/2005/06/fixedrepresentation";
constexpr const char* kSequenceType = "application/vnd.ms-package.xps-fixeddocumentsequence+xml";
constexpr const char* kDocumentType = "application/vnd.ms-package.xps-fixeddocument+xml";
constexpr const char* kPageType = "application/vnd.ms-package.xps-fixedpage+xml";
constexpr const char* kDictionaryType = "application/vnd.ms-package.xps-resourcedictionary+xml";
constexpr const char* kProfileType = "application/vnd.ms-color.iccprofile";

struct Part {
  std::wstring name;
  std::string contentType;
  std::string data;
  const std::string* kept = nullptr;  // instead of data: bytes the page keeps (its markup), not copied
  const std::string& Bytes() const { return kept != nullptr ? *kept : data; }
};

const char* ImageContentType(XPS_IMAGE_TYPE type) {
  switch (type) {
    case XPS_IMAGE_TYPE_JPEG: return "image/jpeg";
    case XPS_IMAGE_TYPE_PNG: return "image/png";
    case XPS_IMAGE_TYPE_TIFF: return "image/tiff";
    case XPS_IMAGE_TYPE_WDP: return "image/vnd.ms-photo";
    default: return "image/jxr";
  }
}

bool MarkedObfuscated(const std::string& name) {
  return name.find(".odttf") != std::string::npos || name.find(".ODTTF") != std::string::npos;
}

// The font's bytes in the form its name announces; a clear font under an obfuscated name is
// obfuscated and an obfuscated font under a plain name is made clear.
void NormalizeFont(const std::wstring& name, std::string& data) {
  const std::string utf8 = ToUtf8(name);
  const bool clear = LooksLikeClearFont(data);
  if (MarkedObfuscated(utf8) == clear) ToggleFontObfuscation(utf8, data);
}

class PackageParts {
 public:
  // False when the name is already taken (case-insensitive).
  bool Claim(const std::wstring& name) { return names_.insert(PartNameKey(name)).second; }
  void Add(Part part) { parts_.push_back(std::move(part)); }
  const std::vector<Part>& parts() const { return parts_; }

  // A name for a part of our own that no resource has taken.
  std::wstring Unused(const std::wstring& stem, const std::wstring& extension) {
    for (int n = 0;; ++n) {
      std::wstring name = stem + (n ? std::to_wstring(n) : L"") + extension;
      if (Claim(name)) return name;
    }
  }

 private:
  std::set<std::string> names_;  // by PartNameKey
  std::vector<Part> parts_;
};

// Adds each resource of one collection. Read(item, part) fills the part's type and bytes.
template <class Collection, class Item, class Read>
HRESULT AddCollection(Collection* collection, PackageParts& parts, Read&& read) {
  UINT32 count = 0;
  HRESULT hr = collection->GetCount(&count);
  for (UINT32 i = 0; SUCCEEDED(hr) && i < count; ++i) {
    Ref<Item> item;
    Ref<IOpcPartUri> uri;
    Part part;
    if (FAILED(hr = collection->GetAt(i, item.put())) || FAILED(hr = item->GetPartName(uri.put())) ||
        FAILED(hr = GetPartNameString(uri.get(), part.name)))
      break;
    if (!parts.Claim(part.name)) continue;
    if (FAILED(hr = read(item.get(), part))) break;
    parts.Add(std::move(part));
  }
  return hr;
}

template <class Item>
HRESULT ReadStream(Item* item, std::string& data) {
  Ref<IStream> stream;
  const HRESULT hr = item->GetStream(stream.put());
  return FAILED(hr) ? hr : ReadWhole(stream.get(), data);
}

HRESULT AddResources(IXpsOMPartResources* resources, PackageParts& parts) {
  if (resources == nullptr) return S_OK;
  Ref<IXpsOMFontResourceCollection> fonts;
  Ref<IXpsOMImageResourceCollection> images;
  Ref<IXpsOMColorProfileResourceCollection> profiles;
  Ref<IXpsOMRemoteDictionaryResourceCollection> dictionaries;
  HRESULT hr;
  if (FAILED(hr = resources->GetFontResources(fonts.put())) || FAILED(hr = resources->GetImageResources(images.put())) ||
      FAILED(hr = resources->GetColorProfileResources(profiles.put())) ||
      FAILED(hr = resources->GetRemoteDictionaryResources(dictionaries.put())))
    return hr;

  hr = AddCollection<IXpsOMFontResourceCollection, IXpsOMFontResource>(
      fonts.get(), parts, [](IXpsOMFontResource* font, Part& part) {
        const HRESULT read = ReadStream(font, part.data);
        if (FAILED(read)) return read;
        NormalizeFont(part.name, part.data);
        part.contentType = MarkedObfuscated(ToUtf8(part.name)) ? "application/vnd.ms-package.obfuscated-opentype"
                                                                 : "application/vnd.ms-opentype";
        return S_OK;
      });
  if (FAILED(hr)) return hr;
  hr = AddCollection<IXpsOMImageResourceCollection, IXpsOMImageResource>(
      images.get(), parts, [](IXpsOMImageResource* image, Part& part) {
        XPS_IMAGE_TYPE type = XPS_IMAGE_TYPE_PNG;
        HRESULT read = image->GetImageType(&type);
        if (SUCCEEDED(read)) read = ReadStream(image, part.data);
        part.contentType = ImageContentType(type);
        return read;
      });
  if (FAILED(hr)) return hr;
  hr = AddCollection<IXpsOMColorProfileResourceCollection, IXpsOMColorProfileResource>(
      profiles.get(), parts, [](IXpsOMColorProfileResource* profile, Part& part) {
        part.contentType = kProfileType;
        return ReadStream(profile, part.data);
      });
  if (FAILED(hr)) return hr;
  return AddCollection<IXpsOMRemoteDictionaryResourceCollection, IXpsOMRemoteDictionaryResource>(
      dictionaries.get(), parts, [](IXpsOMRemoteDictionaryResource* dictionary, Part& part) {
        Ref<IPlatformXpsDictionary> own;
        if (FAILED(dictionary->QueryInterface(IID_PlatformXpsDictionary, reinterpret_cast<void**>(own.put()))))
          return E_INVALIDARG;  // only dictionaries made by the platform's factory keep their markup
        part.contentType = kDictionaryType;
        part.data = own->Markup();
        return S_OK;
      });
}

std::string ContentTypes(const std::vector<Part>& parts) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>";
  for (const auto& part : parts)
    xml += "<Override PartName=\"" + text::XmlEscaped(ToUtf8(part.name)) + "\" ContentType=\"" + part.contentType +
           "\"/>";
  return xml + "</Types>";
}

HRESULT Assemble(IPlatformXpsPage* page, PackageParts& parts) {
  Ref<IOpcPartUri> uri;
  std::wstring pageName;
  HRESULT hr = page->GetPartName(uri.put());
  if (SUCCEEDED(hr)) hr = GetPartNameString(uri.get(), pageName);
  if (FAILED(hr)) return hr;
  parts.Claim(L"/_rels/.rels");
  parts.Claim(pageName);
  parts.Add(Part{pageName, kPageType, {}, &page->Markup()});
  if (FAILED(hr = AddResources(page->Resources(), parts))) return hr;

  const std::wstring documentName = parts.Unused(L"/RenderDocument", L".fdoc");
  const std::wstring sequenceName = parts.Unused(L"/RenderSequence", L".fdseq");
  parts.Add(Part{documentName, kDocumentType,
                 "<FixedDocument xmlns=\"http://schemas.microsoft.com/xps/2005/06\"><PageContent Source=\"" +
                     text::XmlEscaped(ToUtf8(pageName)) + "\"/></FixedDocument>"});
  parts.Add(Part{sequenceName, kSequenceType,
                 "<FixedDocumentSequence xmlns=\"http://schemas.microsoft.com/xps/2005/06\"><DocumentReference "
                 "Source=\"" +
                     text::XmlEscaped(ToUtf8(documentName)) + "\"/></FixedDocumentSequence>"});
  return S_OK;
}

}  // namespace

HRESULT BuildRenderPackage(IPlatformXpsPage* page, std::string& archive) {
  try {
    PackageParts parts;
    HRESULT hr = Assemble(page, parts);
    if (FAILED(hr)) return hr;
    const std::string sequence = ToUtf8(parts.parts().back().name);
    const std::string types = ContentTypes(parts.parts());
    const std::string relationships =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"R0\" Type=\"" +
        std::string(kFixedRepresentation) + "\" Target=\"" + text::XmlEscaped(sequence) + "\"/></Relationships>";
    std::vector<std::string> names;
    size_t nameBytes = sizeof "[Content_Types].xml" - 1 + sizeof "_rels/.rels" - 1;
    size_t dataBytes = types.size() + relationships.size();
    for (const auto& part : parts.parts()) {
      names.push_back(ToUtf8(part.name).substr(1));
      nameBytes += names.back().size();
      dataBytes += part.Bytes().size();
    }
    StoredZip zip;
    zip.Reserve(names.size() + 2, nameBytes, dataBytes);
    if (FAILED(hr = zip.Add("[Content_Types].xml", types))) return hr;
    hr = zip.Add("_rels/.rels", relationships);
    for (size_t i = 0; i < names.size(); ++i) {
      if (FAILED(hr)) return hr;
      hr = zip.Add(names[i], parts.parts()[i].Bytes());
    }
    return FAILED(hr) ? hr : zip.Finish(archive);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace platform::xps
