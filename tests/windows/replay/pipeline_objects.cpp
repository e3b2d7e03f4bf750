// The pipeline's side of a job, rebuilt from its record: parts, property bag, print core helper,
// communicator, manager control and the output stream.
#include "replay/replay.h"

#include <prcomoem.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace brimloft::replay {
namespace {

using jobrecord::Bytes;
using BytesPtr = std::shared_ptr<const Bytes>;

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
  return wide;
}

std::string Narrow(const wchar_t* wide) {
  if (wide == nullptr || *wide == 0) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], n, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(n) - 1);
  return text;
}

HRESULT ReturnString(const std::string& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  const std::wstring wide = Widen(text);
  *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

class ReadStream final : public platform::ComObject<IPrintReadStream, &IID_IPrintReadStream> {
 public:
  explicit ReadStream(BytesPtr bytes) : bytes_(std::move(bytes)) {}
  HRESULT STDMETHODCALLTYPE Seek(LONGLONG move, DWORD origin, ULONGLONG* position) override {
    LONGLONG base = 0;
    if (origin == STREAM_SEEK_CUR) base = static_cast<LONGLONG>(position_);
    else if (origin == STREAM_SEEK_END) base = static_cast<LONGLONG>(bytes_->size());
    else if (origin != STREAM_SEEK_SET) return STG_E_INVALIDFUNCTION;
    if (base + move < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<ULONGLONG>(base + move);
    if (position) *position = position_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReadBytes(void* buffer, ULONG wanted, ULONG* read, BOOL* end) override {
    if (read == nullptr || (buffer == nullptr && wanted != 0)) return E_POINTER;
    const ULONGLONG left = position_ < bytes_->size() ? bytes_->size() - position_ : 0;
    const ULONG n = static_cast<ULONG>(left < wanted ? left : wanted);
    if (n != 0) std::memcpy(buffer, bytes_->data() + position_, n);
    position_ += n;
    *read = n;
    if (end) *end = position_ >= bytes_->size() ? TRUE : FALSE;
    return S_OK;
  }

 private:
  BytesPtr bytes_;
  ULONGLONG position_ = 0;
};

HRESULT NewStream(const BytesPtr& bytes, IPrintReadStream** out) {
  if (out == nullptr) return E_POINTER;
  *out = new ReadStream(bytes);
  return S_OK;
}

class StreamFactory final : public platform::ComObject<IPrintReadStreamFactory, &IID_IPrintReadStreamFactory> {
 public:
  explicit StreamFactory(BytesPtr bytes) : bytes_(std::move(bytes)) {}
  HRESULT STDMETHODCALLTYPE GetStream(IPrintReadStream** out) override { return NewStream(bytes_, out); }

 private:
  BytesPtr bytes_;
};

// IPartBase for every part interface that derives from it.
template <class Interface, const IID*... Iids>
class Part : public platform::ComObject<Interface, &IID_IPartBase, Iids...> {
 public:
  Part(std::string uri, const Bytes& content) : uri_(std::move(uri)), content_(std::make_shared<Bytes>(content)) {}
  HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) override { return ReturnString(uri_, uri); }
  HRESULT STDMETHODCALLTYPE GetStream(IPrintReadStream** out) override { return NewStream(content_, out); }
  HRESULT STDMETHODCALLTYPE GetPartCompression(EXpsCompressionOptions* compression) override {
    if (compression == nullptr) return E_POINTER;
    *compression = Compression_Normal;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetPartCompression(EXpsCompressionOptions) override { return S_OK; }

 protected:
  std::string uri_;
  BytesPtr content_;
};

using TicketPart = Part<IPartPrintTicket, &IID_IPartPrintTicket>;
using ProfilePart = Part<IPartColorProfile, &IID_IPartColorProfile>;
using DictionaryPart = Part<IPartResourceDictionary, &IID_IPartResourceDictionary>;
using OtherPart = Part<IPartBase>;

class ImagePart final : public Part<IPartImage, &IID_IPartImage> {
 public:
  explicit ImagePart(const jobrecord::Resource& r) : Part(r.uri, r.content), type_(r.contentType) {}
  HRESULT STDMETHODCALLTYPE GetImageProperties(BSTR* type) override { return ReturnString(type_, type); }
  HRESULT STDMETHODCALLTYPE SetImageContent(const wchar_t*) override { return E_NOTIMPL; }

 private:
  std::string type_;
};

// A font that answered IPartFont2 on Linux answers it here too.
class FontPart final : public Part<IPartFont2, &IID_IPartFont, &IID_IPartFont2> {
 public:
  explicit FontPart(const jobrecord::Resource& r) : Part(r.uri, r.content), resource_(r) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && !resource_.hasRestriction && IsEqualIID(iid, IID_IPartFont2)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return Part::QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE GetFontProperties(BSTR* type, EXpsFontOptions* options) override {
    if (type == nullptr || options == nullptr) return E_POINTER;
    *options = static_cast<EXpsFontOptions>(resource_.fontOptions);
    return ReturnString(resource_.contentType, type);
  }
  HRESULT STDMETHODCALLTYPE SetFontContent(const wchar_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetFontOptions(EXpsFontOptions) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFontRestriction(EXpsFontRestriction* restriction) override {
    if (restriction == nullptr) return E_POINTER;
    *restriction = static_cast<EXpsFontRestriction>(resource_.restriction);
    return S_OK;
  }

 private:
  jobrecord::Resource resource_;
};

ComPtr<IUnknown> MakeResource(const jobrecord::Resource& r) {
  IUnknown* part = nullptr;
  switch (r.kind) {
    case jobrecord::ResourceKind::Font: part = static_cast<IPartFont2*>(new FontPart(r)); break;
    case jobrecord::ResourceKind::Image: part = static_cast<IPartImage*>(new ImagePart(r)); break;
    case jobrecord::ResourceKind::ColorProfile: part = static_cast<IPartColorProfile*>(new ProfilePart(r.uri, r.content)); break;
    case jobrecord::ResourceKind::Dictionary:
      part = static_cast<IPartResourceDictionary*>(new DictionaryPart(r.uri, r.content));
      break;
    case jobrecord::ResourceKind::Other: part = static_cast<IPartBase*>(new OtherPart(r.uri, r.content)); break;
  }
  return ComPtr<IUnknown>::Attach(part);
}

HRESULT ReturnTicket(const jobrecord::Part& p, IPartPrintTicket** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (FAILED(static_cast<HRESULT>(p.ticketHr))) return static_cast<HRESULT>(p.ticketHr);
  *out = new TicketPart(p.ticketUri, p.ticket);
  return static_cast<HRESULT>(p.ticketHr);
}

class PartIterator final : public platform::ComObject<IXpsPartIterator, &IID_IXpsPartIterator> {
 public:
  explicit PartIterator(const std::vector<jobrecord::Resource>& items) : items_(items) {}
  void STDMETHODCALLTYPE Reset() override { index_ = 0; }
  HRESULT STDMETHODCALLTYPE Current(BSTR* uri, IUnknown** part) override {
    if (part == nullptr) return E_POINTER;
    *part = nullptr;
    if (uri) *uri = nullptr;
    if (index_ >= items_.size()) return HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS);
    if (uri && FAILED(ReturnString(items_[index_].uri, uri))) return E_OUTOFMEMORY;
    *part = MakeResource(items_[index_]).Detach();
    return S_OK;
  }
  BOOL STDMETHODCALLTYPE IsDone() override { return index_ >= items_.size(); }
  void STDMETHODCALLTYPE Next() override {
    if (index_ < items_.size()) ++index_;
  }

 private:
  const std::vector<jobrecord::Resource>& items_;
  std::size_t index_ = 0;
};

class PagePart final : public Part<IFixedPage, &IID_IFixedPage> {
 public:
  explicit PagePart(const jobrecord::Part& p) : Part(p.uri, p.content), part_(p) {}
  HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** out) override { return ReturnTicket(part_, out); }
  HRESULT STDMETHODCALLTYPE GetPagePart(const wchar_t*, IUnknown** out) override { return Unused(out); }
  HRESULT STDMETHODCALLTYPE GetWriteStream(IPrintWriteStream** out) override { return Unused(out); }
  HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket*) override { return Unused<void>(nullptr); }
  HRESULT STDMETHODCALLTYPE SetPagePart(IUnknown*) override { return Unused<void>(nullptr); }
  HRESULT STDMETHODCALLTYPE DeleteResource(const wchar_t*) override { return Unused<void>(nullptr); }
  HRESULT STDMETHODCALLTYPE GetXpsPartIterator(IXpsPartIterator** out) override {
    if (out == nullptr) return E_POINTER;
    *out = new PartIterator(part_.resources);
    return S_OK;
  }

 private:
  // The filter never changes a page; a call here is a difference from the Linux build's use.
  template <class T>
  HRESULT Unused(T** out) {
    if (out != nullptr) *out = nullptr;
    Current().Problem("the filter called a page method it never calls on Linux, on " + part_.uri);
    return E_NOTIMPL;
  }
  const jobrecord::Part& part_;
};

template <class Interface, const IID* Iid>
class ContainerPart final : public platform::ComObject<Interface, Iid> {
 public:
  explicit ContainerPart(const jobrecord::Part& p) : part_(p) {}
  HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) override { return ReturnString(part_.uri, uri); }
  HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** out) override { return ReturnTicket(part_, out); }
  HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }

 private:
  const jobrecord::Part& part_;
};

class Provider final : public platform::ComObject<IXpsDocumentProvider, &IID_IXpsDocumentProvider> {
 public:
  HRESULT STDMETHODCALLTYPE GetXpsPart(IUnknown** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const auto& parts = Current().Job().parts;
    if (next_ >= parts.size()) {
      Current().Problem("the filter asked for a part after the end of the job");
      return E_UNEXPECTED;
    }
    const jobrecord::Part& p = parts[next_++];
    switch (p.kind) {
      case jobrecord::PartKind::Sequence:
        *out = new ContainerPart<IFixedDocumentSequence, &IID_IFixedDocumentSequence>(p);
        break;
      case jobrecord::PartKind::Document: *out = new ContainerPart<IFixedDocument, &IID_IFixedDocument>(p); break;
      case jobrecord::PartKind::Page: *out = static_cast<IFixedPage*>(new PagePart(p)); break;
      case jobrecord::PartKind::End: break;
    }
    return S_OK;
  }

 private:
  std::size_t next_ = 0;
};

class CoreHelper final : public platform::ComObject<IPrintCoreHelper, &IID_IPrintCoreHelper> {
 public:
  explicit CoreHelper(const std::vector<jobrecord::Feature>& features) : features_(features) {
    for (const auto& f : features_) {
      featureList_.push_back(f.name.c_str());
      optionLists_.emplace_back();
      for (const auto& o : f.options) optionLists_.back().push_back(o.c_str());
      optionLists_.back().push_back(nullptr);
    }
    featureList_.push_back(nullptr);
  }
  HRESULT STDMETHODCALLTYPE GetOption(const DEVMODE*, DWORD, PCSTR feature, PCSTR* option) override {
    if (option == nullptr || feature == nullptr) return E_POINTER;
    *option = nullptr;
    for (const auto& f : features_)
      if (f.name == feature) {
        *option = f.option.c_str();
        return S_OK;
      }
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE EnumFeatures(PCSTR** list, DWORD* count) override {
    if (list == nullptr || count == nullptr) return E_POINTER;
    *list = featureList_.data();
    *count = static_cast<DWORD>(features_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumOptions(PCSTR feature, PCSTR** list, DWORD* count) override {
    if (list == nullptr || count == nullptr || feature == nullptr) return E_POINTER;
    for (std::size_t i = 0; i < features_.size(); ++i)
      if (features_[i].name == feature) {
        *list = optionLists_[i].data();
        *count = static_cast<DWORD>(features_[i].options.size());
        return S_OK;
      }
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE SetOptions(PDEVMODE, DWORD, BOOL, const PRINT_FEATURE_OPTION[], DWORD, PDWORD,
                                       PDWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumConstrainedOptions(const DEVMODE*, DWORD, PCSTR, PCSTR**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE WhyConstrained(const DEVMODE*, DWORD, PCSTR, PCSTR, const PRINT_FEATURE_OPTION**,
                                           DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetFontSubstitution(PCWSTR, PCWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetFontSubstitution(PCWSTR, PCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateInstanceOfMSXMLObject(REFCLSID c, LPUNKNOWN outer, DWORD context, REFIID iid,
                                                        LPVOID* out) override {
    return CoCreateInstance(c, outer, context, iid, out);
  }

 private:
  const std::vector<jobrecord::Feature>& features_;
  std::vector<PCSTR> featureList_;
  std::vector<std::vector<PCSTR>> optionLists_;
};

class PropertyBag final : public platform::ComObject<IPrintPipelinePropertyBag, &IID_IPrintPipelinePropertyBag> {
 public:
  explicit PropertyBag(HANDLE token) : token_(token) {}
  HRESULT STDMETHODCALLTYPE AddProperty(const wchar_t* name, const VARIANT*) override {
    Current().Problem("the filter added the bag entry " + Narrow(name) + ", which it never does on Linux");
    return E_NOTIMPL;
  }
  BOOL STDMETHODCALLTYPE DeleteProperty(const wchar_t* name) override {
    Current().Problem("the filter deleted the bag entry " + Narrow(name) + ", which it never does on Linux");
    return FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetProperty(const wchar_t* name, VARIANT* value) override {
    if (name == nullptr || value == nullptr) return E_POINTER;
    VariantInit(value);
    const std::string key = Narrow(name);
    for (const jobrecord::BagEntry& e : Current().Job().bag)
      if (e.name == key) return Answer(e, value);
    Current().Problem("the filter asked for the bag entry " + key + ", which it never asked for on Linux");
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  }

 private:
  HRESULT Answer(const jobrecord::BagEntry& e, VARIANT* value) {
    switch (e.kind) {
      case jobrecord::EntryKind::Missing: return static_cast<HRESULT>(e.hr);
      case jobrecord::EntryKind::String: {
        const std::wstring wide = Widen(e.text);
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return value->bstrVal ? S_OK : E_OUTOFMEMORY;
      }
      case jobrecord::EntryKind::Number:
        // A Linux user's token is only a number; here the token is one Windows can impersonate.
        value->vt = VT_UI8;
        value->ullVal = e.name == "UserSecurityToken" ? reinterpret_cast<ULONG_PTR>(token_) : e.number;
        return S_OK;
      case jobrecord::EntryKind::ReadStream:
        value->vt = VT_UNKNOWN;
        value->punkVal = new StreamFactory(std::make_shared<Bytes>(e.stream));
        return S_OK;
      case jobrecord::EntryKind::CoreHelper:
        value->vt = VT_UNKNOWN;
        value->punkVal = new CoreHelper(e.features);
        return S_OK;
      case jobrecord::EntryKind::RasterizationService:
        value->vt = VT_UNKNOWN;
        value->punkVal = MakeRasterizationService().Detach();
        return S_OK;
    }
    return E_UNEXPECTED;
  }
  HANDLE token_;
};

class Communicator final : public platform::ComObject<IInterFilterCommunicator, &IID_IInterFilterCommunicator> {
 public:
  Communicator(IUnknown* reader, IUnknown* writer) : reader_(reader), writer_(writer) {}
  HRESULT STDMETHODCALLTYPE RequestReader(void** out) override { return Hand(reader_, out); }
  HRESULT STDMETHODCALLTYPE RequestWriter(void** out) override { return Hand(writer_, out); }

 private:
  static HRESULT Hand(const ComPtr<IUnknown>& object, void** out) {
    if (out == nullptr) return E_POINTER;
    object->AddRef();
    *out = object.get();
    return S_OK;
  }
  ComPtr<IUnknown> reader_, writer_;
};

class ManagerControl final
    : public platform::ComObject<IPrintPipelineManagerControl, &IID_IPrintPipelineManagerControl> {
 public:
  HRESULT STDMETHODCALLTYPE RequestShutdown(HRESULT reason, IImgErrorInfo*) override {
    Current().Problem("the filter asked the pipeline to shut down with " + HexHr(reason));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FilterFinished() override { return S_OK; }
};

}  // namespace

std::string HexHr(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

HRESULT STDMETHODCALLTYPE OutputStream::WriteBytes(const void* buffer, ULONG size, ULONG* written) {
  if (written == nullptr || (buffer == nullptr && size != 0)) return E_POINTER;
  std::lock_guard<std::mutex> lock(mutex_);
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
  *written = size;
  return S_OK;
}

void STDMETHODCALLTYPE OutputStream::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++closes_;
}

jobrecord::Bytes OutputStream::Bytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytes_;
}

int OutputStream::Closes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closes_;
}

ComPtr<IXpsDocumentProvider> MakeProvider() { return ComPtr<IXpsDocumentProvider>::Attach(new Provider()); }

ComPtr<IPrintPipelinePropertyBag> MakeBag(HANDLE token) {
  return ComPtr<IPrintPipelinePropertyBag>::Attach(new PropertyBag(token));
}

ComPtr<IInterFilterCommunicator> MakeCommunicator(IUnknown* reader, IUnknown* writer) {
  return ComPtr<IInterFilterCommunicator>::Attach(new Communicator(reader, writer));
}

ComPtr<IPrintPipelineManagerControl> MakeControl() {
  return ComPtr<IPrintPipelineManagerControl>::Attach(new ManagerControl());
}

}  // namespace brimloft::replay
