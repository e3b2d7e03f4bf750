#include "host/pipeline/xps_parts.h"

#include <new>
#include <optional>
#include <vector>

#include "host/failures/host_error.h"
#include "host/package/font_embedding.h"
#include "host/package/part_reference.h"
#include "host/package/text.h"
#include "host/pipeline/read_stream.h"
#include "platform/com_object.h"

namespace brimloft::host {
namespace {

using PackagePtr = std::shared_ptr<const XpsPackage>;

// Runs a part's work, turning what escapes into an HRESULT and noting host errors for messages.
template <class Work>
HRESULT Guarded(const XpsPackage& package, Work&& work) noexcept {
  try {
    work();
    return S_OK;
  } catch (const HostError& e) {
    package.NoteError(e.what());
    return e.hr();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    package.NoteError(e.what());
    return E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT ReturnString(const std::string& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  const std::wstring wide = Widen(text);
  *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnTicket(const PackagePtr& package, const std::optional<std::string>& ticket,
                     const brimloft::ComPtr<IPartPrintTicket>& replaced, IPartPrintTicket** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (replaced) {
    *out = brimloft::ComPtr<IPartPrintTicket>(replaced).Detach();
    return S_OK;
  }
  if (!ticket) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  return Guarded(*package, [&] { *out = MakeTicketPart(package, *ticket).Detach(); });
}

// IPartBase for any part interface that derives from it.
template <class Interface, const IID*... Iids>
class PartObject : public platform::ComObject<Interface, &IID_IPartBase, Iids...> {
 public:
  HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) override { return ReturnString(name_, uri); }
  HRESULT STDMETHODCALLTYPE GetStream(IPrintReadStream** ppStream) override {
    if (ppStream == nullptr) return E_POINTER;
    *ppStream = nullptr;
    return Guarded(*package_, [&] { *ppStream = ReadStream::Create(SharedContent()).Detach(); });
  }
  HRESULT STDMETHODCALLTYPE GetPartCompression(EXpsCompressionOptions* pCompression) override {
    if (pCompression == nullptr) return E_POINTER;
    *pCompression = compression_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetPartCompression(EXpsCompressionOptions compression) override {
    if (compression < Compression_NotCompressed || compression > Compression_Fast) return E_INVALIDARG;
    compression_ = compression;
    return S_OK;
  }

 protected:
  PartObject(PackagePtr package, std::string name) : package_(std::move(package)), name_(std::move(name)) {}
  virtual Bytes Content() const { return package_->Read(name_); }
  virtual std::shared_ptr<const Bytes> SharedContent() const { return std::make_shared<const Bytes>(Content()); }

  PackagePtr package_;
  std::string name_;
  EXpsCompressionOptions compression_ = Compression_Normal;
};

class TicketPart final : public PartObject<IPartPrintTicket, &IID_IPartPrintTicket> {
 public:
  TicketPart(PackagePtr p, std::string n) : PartObject(std::move(p), std::move(n)) {}
};

class ColorProfilePart final : public PartObject<IPartColorProfile, &IID_IPartColorProfile> {
 public:
  ColorProfilePart(PackagePtr p, std::string n) : PartObject(std::move(p), std::move(n)) {}
};

class DictionaryPart final : public PartObject<IPartResourceDictionary, &IID_IPartResourceDictionary> {
 public:
  DictionaryPart(PackagePtr p, std::string n) : PartObject(std::move(p), std::move(n)) {}
};

class OtherPart final : public PartObject<IPartBase> {
 public:
  OtherPart(PackagePtr p, std::string n) : PartObject(std::move(p), std::move(n)) {}
};

class ImagePart final : public PartObject<IPartImage, &IID_IPartImage> {
 public:
  ImagePart(PackagePtr p, const ResourceEntry& e) : PartObject(std::move(p), e.name), type_(e.contentType) {}
  HRESULT STDMETHODCALLTYPE GetImageProperties(BSTR* pContentType) override { return ReturnString(type_, pContentType); }
  HRESULT STDMETHODCALLTYPE SetImageContent(const wchar_t* pContentType) override {
    if (pContentType == nullptr) return E_POINTER;
    type_ = Narrow(pContentType);
    return S_OK;
  }

 private:
  std::string type_;
};

class FontPart final : public PartObject<IPartFont2, &IID_IPartFont, &IID_IPartFont2> {
 public:
  FontPart(PackagePtr p, const ResourceEntry& e)
      : PartObject(std::move(p), e.name),
        type_(e.contentType),
        options_(e.kind == ResourceKind::ObfuscatedFont ? Font_Obfusticate : Font_Normal) {}

  HRESULT STDMETHODCALLTYPE GetFontProperties(BSTR* pContentType, EXpsFontOptions* pFontOptions) override {
    if (pContentType == nullptr || pFontOptions == nullptr) return E_POINTER;
    *pFontOptions = options_;
    return ReturnString(type_, pContentType);
  }
  HRESULT STDMETHODCALLTYPE SetFontContent(const wchar_t* pContentType) override {
    if (pContentType == nullptr) return E_POINTER;
    type_ = Narrow(pContentType);
    content_.reset();  // the type says whether the stored bytes are obfuscated
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetFontOptions(EXpsFontOptions options) override {
    if (options != Font_Normal && options != Font_Obfusticate) return E_INVALIDARG;
    options_ = options;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFontRestriction(EXpsFontRestriction* pRestriction) override {
    if (pRestriction == nullptr) return E_POINTER;
    *pRestriction = Xps_Restricted_Font_Installable;
    // A font that cannot be read has no restriction to report; its stream will fail on its own.
    try {
      *pRestriction = static_cast<EXpsFontRestriction>(EmbeddingRestriction(*SharedContent()));
    } catch (...) {
    }
    return S_OK;
  }

 private:
  // The filter asks for the restriction and the stream of the same font: it is read once.
  std::shared_ptr<const Bytes> SharedContent() const override {
    if (!content_) content_ = std::make_shared<const Bytes>(Content());
    return content_;
  }

  // The stored font with its obfuscation undone, so that readers get a plain font.
  Bytes Content() const override {
    Bytes bytes = package_->Read(name_);
    if (KindOfContentType(type_) == ResourceKind::ObfuscatedFont && !XorObfuscation(bytes, name_))
      throw HostError(HrCorruptData(), "obfuscated font " + name_ + " has no GUID name or is too short");
    return bytes;
  }
  std::string type_;
  EXpsFontOptions options_;
  mutable std::shared_ptr<const Bytes> content_;
};

class PartIterator final : public platform::ComObject<IXpsPartIterator, &IID_IXpsPartIterator> {
 public:
  PartIterator(PackagePtr package, std::vector<ResourceEntry> parts)
      : package_(std::move(package)), parts_(std::move(parts)) {}
  void STDMETHODCALLTYPE Reset() override { index_ = 0; }
  HRESULT STDMETHODCALLTYPE Current(BSTR* pUri, IUnknown** ppXpsPart) override {
    if (ppXpsPart == nullptr) return E_POINTER;
    *ppXpsPart = nullptr;
    if (pUri) *pUri = nullptr;
    if (index_ >= parts_.size()) return HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS);
    return Guarded(*package_, [&] {
      brimloft::ComPtr<IUnknown> part = MakeResourcePart(package_, parts_[index_]);
      if (pUri) {
        const HRESULT hr = ReturnString(parts_[index_].name, pUri);
        if (FAILED(hr)) throw std::bad_alloc();
      }
      *ppXpsPart = part.Detach();
    });
  }
  BOOL STDMETHODCALLTYPE IsDone() override { return index_ >= parts_.size() ? TRUE : FALSE; }
  void STDMETHODCALLTYPE Next() override {
    if (index_ < parts_.size()) ++index_;
  }

 private:
  PackagePtr package_;
  std::vector<ResourceEntry> parts_;
  size_t index_ = 0;
};

class PagePart final : public PartObject<IFixedPage, &IID_IFixedPage> {
 public:
  PagePart(PackagePtr p, const PageEntry& page) : PartObject(std::move(p), page.name), page_(page) {}

  HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** ppPrintTicket) override {
    return ReturnTicket(package_, page_.ticket, replacedTicket_, ppPrintTicket);
  }
  HRESULT STDMETHODCALLTYPE GetPagePart(const wchar_t* uri, IUnknown** ppUnk) override {
    if (uri == nullptr || ppUnk == nullptr) return E_POINTER;
    *ppUnk = nullptr;
    return Guarded(*package_, [&] {
      const std::string key = PartNameKey(ResolvePartReference(name_, Narrow(uri)));
      for (const ResourceEntry& e : page_.resources)
        if (PartNameKey(e.name) == key) {
          *ppUnk = MakeResourcePart(package_, e).Detach();
          return;
        }
      throw HostError(HRESULT_FROM_WIN32(ERROR_NOT_FOUND), name_ + " requires no part " + Narrow(uri));
    });
  }
  HRESULT STDMETHODCALLTYPE GetWriteStream(IPrintWriteStream** ppWriteStream) override {
    if (ppWriteStream) *ppWriteStream = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket* ticket) override {
    if (ticket == nullptr) return E_POINTER;
    replacedTicket_ = brimloft::ComPtr<IPartPrintTicket>(ticket);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteResource(const wchar_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetXpsPartIterator(IXpsPartIterator** pXpsPartIt) override {
    if (pXpsPartIt == nullptr) return E_POINTER;
    *pXpsPartIt = nullptr;
    return Guarded(*package_, [&] { *pXpsPartIt = new PartIterator(package_, page_.resources); });
  }

 private:
  PageEntry page_;
  brimloft::ComPtr<IPartPrintTicket> replacedTicket_;
};

// IFixedDocumentSequence and IFixedDocument have the same shape.
template <class Interface, const IID* Iid>
class ContainerPart final : public platform::ComObject<Interface, Iid> {
 public:
  ContainerPart(PackagePtr p, std::string name, std::optional<std::string> ticket)
      : package_(std::move(p)), name_(std::move(name)), ticket_(std::move(ticket)) {}
  HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) override { return ReturnString(name_, uri); }
  HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** ppPrintTicket) override {
    return ReturnTicket(package_, ticket_, replacedTicket_, ppPrintTicket);
  }
  HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket* ticket) override {
    if (ticket == nullptr) return E_POINTER;
    replacedTicket_ = brimloft::ComPtr<IPartPrintTicket>(ticket);
    return S_OK;
  }

 private:
  PackagePtr package_;
  std::string name_;
  std::optional<std::string> ticket_;
  brimloft::ComPtr<IPartPrintTicket> replacedTicket_;
};

template <class T>
brimloft::ComPtr<IUnknown> AsUnknown(T* object) {
  return brimloft::ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(object));
}

}  // namespace

brimloft::ComPtr<IUnknown> MakeSequencePart(std::shared_ptr<const XpsPackage> package) {
  const SequenceEntry& s = package->Sequence();
  return AsUnknown(new ContainerPart<IFixedDocumentSequence, &IID_IFixedDocumentSequence>(package, s.name, s.ticket));
}

brimloft::ComPtr<IUnknown> MakeDocumentPart(std::shared_ptr<const XpsPackage> package, const DocumentEntry& doc) {
  return AsUnknown(new ContainerPart<IFixedDocument, &IID_IFixedDocument>(std::move(package), doc.name, doc.ticket));
}

brimloft::ComPtr<IUnknown> MakePagePart(std::shared_ptr<const XpsPackage> package, const PageEntry& page) {
  return AsUnknown(new PagePart(std::move(package), page));
}

brimloft::ComPtr<IUnknown> MakeResourcePart(std::shared_ptr<const XpsPackage> package, const ResourceEntry& entry) {
  switch (entry.kind) {
    case ResourceKind::Font:
    case ResourceKind::ObfuscatedFont: return AsUnknown(new FontPart(std::move(package), entry));
    case ResourceKind::Image: return AsUnknown(new ImagePart(std::move(package), entry));
    case ResourceKind::ColorProfile: return AsUnknown(new ColorProfilePart(std::move(package), entry.name));
    case ResourceKind::ResourceDictionary: return AsUnknown(new DictionaryPart(std::move(package), entry.name));
    case ResourceKind::Other: break;
  }
  return AsUnknown(new OtherPart(std::move(package), entry.name));
}

brimloft::ComPtr<IPartPrintTicket> MakeTicketPart(std::shared_ptr<const XpsPackage> package, const std::string& name) {
  return brimloft::ComPtr<IPartPrintTicket>::Attach(new TicketPart(std::move(package), name));
}

}  // namespace brimloft::host
