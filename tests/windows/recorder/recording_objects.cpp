#include "recorder/recording_objects.h"

#include <prcomoem.h>
#include <wincodec.h>
#include <xpsobjectmodel.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "host/failures/host_error.h"
#include "host/package/text.h"
#include "platform/com_object.h"

namespace brimloft::recorder {
namespace {

using jobrecord::Bytes;

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw std::runtime_error(std::string(what) + " failed with " + host::HexHr(hr));
}

template <class T>
ComPtr<T> Query(IUnknown* object, REFIID iid) {
  ComPtr<T> result;
  if (object == nullptr || FAILED(object->QueryInterface(iid, result.put_void()))) result.reset();
  return result;
}

std::string TakeString(BSTR text) {
  std::string result = text != nullptr ? host::Narrow(std::wstring(text, SysStringLen(text))) : std::string();
  SysFreeString(text);
  return result;
}

Bytes ReadWhole(IPrintReadStream* stream) {
  Bytes bytes;
  unsigned char buffer[65536];
  for (;;) {
    ULONG read = 0;
    BOOL end = FALSE;
    Check(stream->ReadBytes(buffer, sizeof buffer, &read, &end), "reading a part");
    bytes.insert(bytes.end(), buffer, buffer + read);
    if (end || read == 0) return bytes;
  }
}

Bytes PartContent(IPartBase* part) {
  ComPtr<IPrintReadStream> stream;
  Check(part->GetStream(stream.put()), "IPartBase::GetStream");
  return ReadWhole(stream.get());
}

template <class Part>
void RecordTicket(Part* part, jobrecord::Part& record) {
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT hr = part->GetPrintTicket(ticket.put());
  record.ticketHr = static_cast<std::uint32_t>(hr);
  if (FAILED(hr) || !ticket) return;
  BSTR uri = nullptr;
  Check(ticket->GetUri(&uri), "the ticket's GetUri");
  record.ticketUri = TakeString(uri);
  record.ticket = PartContent(ticket.get());
}

jobrecord::Resource RecordResource(IUnknown* part, const std::string& uri) {
  jobrecord::Resource r;
  r.uri = uri;
  if (auto font = Query<IPartFont>(part, IID_IPartFont)) {
    r.kind = jobrecord::ResourceKind::Font;
    BSTR type = nullptr;
    EXpsFontOptions options = Font_Normal;
    Check(font->GetFontProperties(&type, &options), "IPartFont::GetFontProperties");
    r.contentType = TakeString(type);
    r.fontOptions = static_cast<std::uint32_t>(options);
    if (auto font2 = Query<IPartFont2>(part, IID_IPartFont2)) {
      EXpsFontRestriction restriction = Xps_Restricted_Font_Installable;
      Check(font2->GetFontRestriction(&restriction), "IPartFont2::GetFontRestriction");
      r.restriction = static_cast<std::uint32_t>(restriction);
      r.hasRestriction = 1;
    }
  } else if (auto image = Query<IPartImage>(part, IID_IPartImage)) {
    r.kind = jobrecord::ResourceKind::Image;
    BSTR type = nullptr;
    Check(image->GetImageProperties(&type), "IPartImage::GetImageProperties");
    r.contentType = TakeString(type);
  } else if (Query<IPartColorProfile>(part, IID_IPartColorProfile)) {
    r.kind = jobrecord::ResourceKind::ColorProfile;
  } else if (Query<IPartResourceDictionary>(part, IID_IPartResourceDictionary)) {
    r.kind = jobrecord::ResourceKind::Dictionary;
  }
  auto base = Query<IPartBase>(part, IID_IPartBase);
  if (!base) throw std::runtime_error("the page resource " + uri + " is no part");
  r.content = PartContent(base.get());
  return r;
}

jobrecord::Part RecordPart(IUnknown* part) {
  jobrecord::Part p;
  BSTR uri = nullptr;
  if (auto page = Query<IFixedPage>(part, IID_IFixedPage)) {
    p.kind = jobrecord::PartKind::Page;
    Check(page->GetUri(&uri), "IFixedPage::GetUri");
    RecordTicket(page.get(), p);
    p.content = PartContent(page.get());
    ComPtr<IXpsPartIterator> items;
    Check(page->GetXpsPartIterator(items.put()), "IFixedPage::GetXpsPartIterator");
    for (; !items->IsDone(); items->Next()) {
      BSTR name = nullptr;
      ComPtr<IUnknown> item;
      Check(items->Current(&name, item.put()), "IXpsPartIterator::Current");
      const std::string itemUri = TakeString(name);
      if (item) p.resources.push_back(RecordResource(item.get(), itemUri));
    }
  } else if (auto document = Query<IFixedDocument>(part, IID_IFixedDocument)) {
    p.kind = jobrecord::PartKind::Document;
    Check(document->GetUri(&uri), "IFixedDocument::GetUri");
    RecordTicket(document.get(), p);
  } else if (auto sequence = Query<IFixedDocumentSequence>(part, IID_IFixedDocumentSequence)) {
    p.kind = jobrecord::PartKind::Sequence;
    Check(sequence->GetUri(&uri), "IFixedDocumentSequence::GetUri");
    RecordTicket(sequence.get(), p);
  } else {
    throw std::runtime_error("the provider handed out a part of a kind the record cannot hold");
  }
  p.uri = TakeString(uri);
  return p;
}

// Runs recording work inside a COM method: a failure to record is the job's failure, in words.
template <class Work>
HRESULT Recorded(HRESULT hr, Work&& work) {
  try {
    work();
    return hr;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "record: %s\n", e.what());
    return E_NOTIMPL;
  }
}

class Provider final : public platform::ComObject<IXpsDocumentProvider, &IID_IXpsDocumentProvider> {
 public:
  Provider(IXpsDocumentProvider* inner, jobrecord::Job& job) : inner_(inner), job_(job) {}
  HRESULT STDMETHODCALLTYPE GetXpsPart(IUnknown** part) override {
    const HRESULT hr = inner_->GetXpsPart(part);
    if (FAILED(hr)) return hr;
    return Recorded(hr, [&] { job_.parts.push_back(*part ? RecordPart(*part) : jobrecord::Part{}); });
  }

 private:
  ComPtr<IXpsDocumentProvider> inner_;
  jobrecord::Job& job_;
};

jobrecord::Strip RecordStrip(IWICBitmap* bitmap) {
  jobrecord::Strip s;
  UINT width = 0, height = 0;
  Check(bitmap->GetSize(&width, &height), "the strip's GetSize");
  WICPixelFormatGUID format{};
  Check(bitmap->GetPixelFormat(&format), "the strip's GetPixelFormat");
  std::memcpy(s.format, &format, sizeof s.format);
  s.bitmapWidth = width;
  s.bitmapHeight = height;
  ComPtr<IWICBitmapLock> lock;
  Check(bitmap->Lock(nullptr, WICBitmapLockRead, lock.put()), "the strip's Lock");
  UINT stride = 0, size = 0;
  BYTE* pixels = nullptr;
  Check(lock->GetStride(&stride), "the strip's GetStride");
  Check(lock->GetDataPointer(&size, &pixels), "the strip's GetDataPointer");
  const std::size_t row = std::size_t(width) * 4;
  if (stride < row || (height != 0 && size < std::size_t(stride) * (height - 1) + row))
    throw std::runtime_error("a strip is not of four bytes a pixel");
  s.pixels.resize(row * height);
  for (UINT y = 0; y < height; ++y) std::memcpy(&s.pixels[y * row], pixels + std::size_t(y) * stride, row);
  return s;
}

class Rasterizer final : public platform::ComObject<IXpsRasterizer, &IID_IXpsRasterizer> {
 public:
  Rasterizer(IXpsRasterizer* inner, jobrecord::Job& job, std::size_t index) : inner_(inner), job_(job), index_(index) {}
  HRESULT STDMETHODCALLTYPE RasterizeRect(INT x, INT y, INT width, INT height,
                                          IXpsRasterizerNotificationCallback* callback, IWICBitmap** bitmap) override {
    const HRESULT hr = inner_->RasterizeRect(x, y, width, height, callback, bitmap);
    return Recorded(hr, [&] {
      jobrecord::Strip strip = SUCCEEDED(hr) && bitmap && *bitmap ? RecordStrip(*bitmap) : jobrecord::Strip{};
      strip.x = x, strip.y = y, strip.width = width, strip.height = height;
      strip.hr = static_cast<std::uint32_t>(hr);
      job_.rasters[index_].strips.push_back(std::move(strip));
    });
  }
  HRESULT STDMETHODCALLTYPE SetMinimalLineWidth(INT width) override {
    job_.rasters[index_].minimalLineWidth = width;
    return inner_->SetMinimalLineWidth(width);
  }

 private:
  ComPtr<IXpsRasterizer> inner_;
  jobrecord::Job& job_;
  std::size_t index_;
};

class RasterizationFactory final
    : public platform::ComObject<IXpsRasterizationFactory, &IID_IXpsRasterizationFactory> {
 public:
  RasterizationFactory(IXpsRasterizationFactory* inner, jobrecord::Job& job) : inner_(inner), job_(job) {}
  HRESULT STDMETHODCALLTYPE CreateRasterizer(IXpsOMPage* page, FLOAT dpi, XPSRAS_RENDERING_MODE nonText,
                                             XPSRAS_RENDERING_MODE text, IXpsRasterizer** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    jobrecord::Raster raster;
    raster.dpi = dpi;
    raster.nonTextMode = static_cast<std::uint32_t>(nonText);
    raster.textMode = static_cast<std::uint32_t>(text);
    XPS_SIZE size{};
    XPS_RECT bleed{}, content{};
    if (page != nullptr && SUCCEEDED(page->GetPageDimensions(&size)) && SUCCEEDED(page->GetBleedBox(&bleed)) &&
        SUCCEEDED(page->GetContentBox(&content))) {
      raster.size[0] = size.width, raster.size[1] = size.height;
      const float b[4] = {bleed.x, bleed.y, bleed.width, bleed.height};
      const float c[4] = {content.x, content.y, content.width, content.height};
      std::copy(b, b + 4, raster.bleedBox);
      std::copy(c, c + 4, raster.contentBox);
    }
    ComPtr<IXpsRasterizer> inner;
    const HRESULT hr = inner_->CreateRasterizer(page, dpi, nonText, text, inner.put());
    if (FAILED(hr)) return hr;
    job_.rasters.push_back(raster);
    *out = new Rasterizer(inner.get(), job_, job_.rasters.size() - 1);
    return hr;
  }

 private:
  ComPtr<IXpsRasterizationFactory> inner_;
  jobrecord::Job& job_;
};

jobrecord::BagEntry RecordCoreHelper(IPrintCoreHelper* helper, jobrecord::BagEntry entry) {
  entry.kind = jobrecord::EntryKind::CoreHelper;
  PCSTR* features = nullptr;
  DWORD count = 0;
  Check(helper->EnumFeatures(&features, &count), "IPrintCoreHelper::EnumFeatures");
  for (DWORD i = 0; i < count; ++i) {
    jobrecord::Feature f;
    f.name = features[i];
    PCSTR option = nullptr;
    if (SUCCEEDED(helper->GetOption(nullptr, 0, features[i], &option)) && option != nullptr) f.option = option;
    PCSTR* options = nullptr;
    DWORD optionCount = 0;
    Check(helper->EnumOptions(features[i], &options, &optionCount), "IPrintCoreHelper::EnumOptions");
    for (DWORD k = 0; k < optionCount; ++k) f.options.push_back(options[k]);
    entry.features.push_back(std::move(f));
  }
  return entry;
}

class PropertyBag final : public platform::ComObject<IPrintPipelinePropertyBag, &IID_IPrintPipelinePropertyBag> {
 public:
  PropertyBag(IPrintPipelinePropertyBag* inner, jobrecord::Job& job) : inner_(inner), job_(job) {}
  HRESULT STDMETHODCALLTYPE AddProperty(const wchar_t* name, const VARIANT* value) override {
    return inner_->AddProperty(name, value);
  }
  BOOL STDMETHODCALLTYPE DeleteProperty(const wchar_t* name) override { return inner_->DeleteProperty(name); }

  HRESULT STDMETHODCALLTYPE GetProperty(const wchar_t* name, VARIANT* value) override {
    const HRESULT hr = inner_->GetProperty(name, value);
    if (name == nullptr || value == nullptr) return hr;
    return Recorded(hr, [&] {
      jobrecord::BagEntry entry;
      entry.name = host::Narrow(name);
      entry.hr = static_cast<std::uint32_t>(hr);
      if (FAILED(hr)) {
        entry.kind = jobrecord::EntryKind::Missing;
      } else if (value->vt == VT_BSTR) {
        entry.kind = jobrecord::EntryKind::String;
        entry.text = host::Narrow(std::wstring(value->bstrVal, SysStringLen(value->bstrVal)));
      } else if (value->vt == VT_UI8 || value->vt == VT_I8) {
        entry.kind = jobrecord::EntryKind::Number;
        entry.number = value->ullVal;
      } else if (value->vt == VT_UNKNOWN && value->punkVal != nullptr) {
        entry = RecordObject(value, std::move(entry));
      } else {
        throw std::runtime_error("the bag's entry " + entry.name + " is of a kind the record cannot hold");
      }
      const auto same = [&](const jobrecord::BagEntry& e) { return e.name == entry.name; };
      if (std::none_of(job_.bag.begin(), job_.bag.end(), same)) job_.bag.push_back(std::move(entry));
    });
  }

 private:
  jobrecord::BagEntry RecordObject(VARIANT* value, jobrecord::BagEntry entry) {
    IUnknown* object = value->punkVal;
    if (auto factory = Query<IPrintReadStreamFactory>(object, IID_IPrintReadStreamFactory)) {
      ComPtr<IPrintReadStream> stream;
      Check(factory->GetStream(stream.put()), "IPrintReadStreamFactory::GetStream");
      entry.kind = jobrecord::EntryKind::ReadStream;
      entry.stream = ReadWhole(stream.get());
      return entry;
    }
    if (auto helper = Query<IPrintCoreHelper>(object, IID_IPrintCoreHelper)) return RecordCoreHelper(helper.get(), entry);
    if (auto service = Query<IXpsRasterizationFactory>(object, IID_IXpsRasterizationFactory)) {
      entry.kind = jobrecord::EntryKind::RasterizationService;
      // The filter gets a service that records; the variant owns the new reference.
      object->Release();
      value->punkVal = new RasterizationFactory(service.get(), job_);
      return entry;
    }
    throw std::runtime_error("the bag's entry " + entry.name + " is an object the record cannot hold");
  }

  ComPtr<IPrintPipelinePropertyBag> inner_;
  jobrecord::Job& job_;
};

}  // namespace

ComPtr<IPrintPipelinePropertyBag> RecordingBag(IPrintPipelinePropertyBag* inner, jobrecord::Job& job) {
  return ComPtr<IPrintPipelinePropertyBag>::Attach(new PropertyBag(inner, job));
}

ComPtr<IXpsDocumentProvider> RecordingProvider(IXpsDocumentProvider* inner, jobrecord::Job& job) {
  return ComPtr<IXpsDocumentProvider>::Attach(new Provider(inner, job));
}

}  // namespace brimloft::recorder
